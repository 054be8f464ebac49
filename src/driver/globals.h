// The set-up and tear-down of a run. create_globals makes the process state
// (runtime/process_state.h) at the start of main; destroy_globals releases
// it, the program tree and the static texts of every module, in a fixed
// order, on every way out of main. Only the top of the system knows every
// module, so both live here.

#pragma once

#include <memory>

#include "runtime/process_state.h"

namespace morvu {

struct TOKEN;

extern std::unique_ptr<TOKEN*> program_root;  // holder of the program tree

void create_globals();
void destroy_globals();

}  // namespace morvu
