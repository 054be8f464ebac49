#include "runtime/terminal.h"
#include <cstdio>
namespace morvu {
TERMINAL_DATA console_stream;
void TERMINAL_DATA::write(const char* text, bool, const char** error) {
    std::fputs(text, stdout);
    *error = nullptr;
}
}  // namespace morvu
