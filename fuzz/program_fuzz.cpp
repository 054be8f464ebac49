// Runs arbitrary program texts through the whole interpreter: reading,
// analysis and the run, with the run bounded by a statement budget and its
// output discarded. A crash, a sanitizer report, a leak or a hang is a fault;
// a language error is an ordinary outcome.
//
// Texts that could reach outside the run are skipped: shell commands, the
// end of the process, files, directories, inclusions and the working
// directory. The program file itself lies in a scratch directory.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "driver/startup.h"
#include "exec/block_exec.h"

namespace {

constexpr size_t longest_program = 8192;
constexpr std::uint64_t statements_per_run = 20000;

bool reaches_outside(const std::string& text) {
    for (const char* word : {"system", "exit", "assert", "file", "dir", "need", "cwd", "sys:"})
        if (text.find(word) != std::string::npos) return true;
    return false;
}

// The program file, in a scratch directory of the process. The working
// directory stays where it is: libFuzzer writes its findings relative to it.
std::string program_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char scratch[] = "/tmp/morvu-fuzz-XXXXXX";
    if (mkdtemp(scratch) == nullptr) std::abort();
    program_path = std::string(scratch) + "/program.mrv";
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > longest_program) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (reaches_outside(text)) return 0;
    {
        std::ofstream program(program_path, std::ios::binary | std::ios::trunc);
        program << text;
    }
    char name[] = "morvu";
    char* argv[] = {name, program_path.data(), nullptr};
    morvu::statement_budget = statements_per_run;
    morvu::morvu_main(2, argv);
    morvu::statement_budget = 0;
    return 0;
}
