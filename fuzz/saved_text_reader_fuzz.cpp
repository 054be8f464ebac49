// Feeds arbitrary bytes to the saved text reader: every value read from
// them must be written again without refusal, and that text must read back
// without a message. Anything else, a crash, a leak or a hang is a fault.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/str_stream.h"
#include "stand_in_types.h"
#include "values/saved_text.h"
#include "values/union_data.h"

using namespace morvu;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::install_stand_in_types();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    STR_DATA stream(std::string(reinterpret_cast<const char*>(data), size));
    for (;;) {
        UNION_DATA target('v');
        const char* error = nullptr;
        if (!read_saved_value(&target, &stream, nullptr, &error) || error != nullptr) break;
        std::string text = serialize_value(&target, nullptr, &error);
        if (error != nullptr) std::abort();
        UNION_DATA again('v');
        STR_DATA written(text);
        if (!read_saved_value(&again, &written, nullptr, &error) || error != nullptr) std::abort();
    }
    return 0;
}
