// The morvu command: morvu [options] program [args].

#include <cstdio>

#include "runtime/messages.h"

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fputs(morvu::msg_text("coddatfuemrvnicdef"), stdout);
        std::fputs(morvu::msg_text("anwmrvcoddat"), stdout);
        return 1;
    }
    return 1;
}
