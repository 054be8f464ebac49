#include "exec/program_run.h"

#include <stdexcept>

namespace morvu {

bool execute_program(TOKEN* root, const std::string& program_name) {
    // The analysis passes and the statement executors are not in yet: a
    // parsed program cannot run, and saying so is the honest answer.
    throw std::logic_error("program execution is not available");
}

}  // namespace morvu
