// Feeds arbitrary texts to the number readers: the checks that decide
// whether a text is an int or a real (literals and input use them), and the
// constructors that read the texts they accept. An accepted int must read
// back from its own text to the same number; a real's text, rounded to the
// output precision, must be read again without fault.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "numbers/arith_error.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/text_utils.h"

using namespace morvu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find('\0') != std::string::npos) return 0;  // the readers take C texts

    if (str_is_integer(text)) {
        INT_DATA number(text.c_str());
        INT_DATA again(number.to_text().c_str());
        if (!(again == number)) std::abort();
    }
    if (str_is_number(text) && REAL_DATA::text_in_range(text.c_str())) {
        try {
            REAL_DATA number(text.c_str());
            const std::string shown = number.to_text();
            if (str_is_number(shown) && REAL_DATA::text_in_range(shown.c_str())) REAL_DATA again(shown.c_str());
        } catch (const ARITH&) {
            // A refused exponent is an answer, not a fault.
        }
    }
    return 0;
}
