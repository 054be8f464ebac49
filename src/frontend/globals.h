// The process state under the name the front end and the layers above have
// used for it; it is declared in runtime/process_state.h.

#pragma once

#include "runtime/process_state.h"
