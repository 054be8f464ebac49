#include "exec/pending_exception.h"

namespace morvu {

PENDING_EXCEPTION* pending_exception = nullptr;
const TOKEN* current_statement = nullptr;

const ERROR* pending_error_value() {
    // No value of type error can be thrown until values exist; the pending
    // record then answers for its own value.
    return nullptr;
}

}  // namespace morvu
