// Methods of bool. A bool has no functions; its one procedure is the call
// form, which copies another bool's word (an empty bool included).

#include "types/arg_checks.h"
#include "types/method_call.h"

namespace morvu {

bool bool_functions(METHOD_CALL&) { return false; }

bool bool_procedures(METHOD_CALL& call) {
    if (!key_is(call.key(),
                "\xA7"
                "bool;\xA7"))
        return false;
    UNION_DATA* receiver = call.checked_receiver();
    call.refuse_constant();
    // A bool moved away holds no word at all: refuse it rather than copy
    // what is not there.
    call.raise_if(check_arg_defined(*call.args, 0));
    receiver->bool_word() = argument_value(call.arg(0).cell)->bool_word();
    return true;
}

}  // namespace morvu
