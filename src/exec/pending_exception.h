// The one pending language exception of a run. While it is set, every block
// skips its statements except catch and exit, and a newly raised error is
// replaced by the pending one.

#pragma once

#include <cstdint>
#include <string>

#include "runtime/error.h"

namespace morvu {

struct TOKEN;
struct UNION_DATA;

struct PENDING_EXCEPTION {
    std::string file;
    uint32_t line = 0;
    std::string message;
    char kind = 's';
    UNION_DATA* value = nullptr;  // the thrown value, owned
};

extern PENDING_EXCEPTION* pending_exception;
extern const TOKEN* current_statement;

// The error fields of the pending value when it is a value of type error;
// null when nothing is pending or the value is of another type.
const ERROR* pending_error_value();

}  // namespace morvu
