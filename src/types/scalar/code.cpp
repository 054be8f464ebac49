// Methods of code: a block of the program held as a value, with the object
// it was made in. `eval` evaluates the block as an expression list and
// yields copies of its values; `exec` runs it as statements; the call form
// takes over another code value's block and object.
//
// A code value without a block is the empty code: `exec` runs nothing on
// it, `eval` refuses it as an empty receiver.

#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/method_call.h"
#include "values/payload_records.h"

namespace morvu {

bool code_functions(METHOD_CALL& call) {
    if (!key_is(call.key(), "eval\xA7")) return false;
    const CODE_DATA* code = call.checked_receiver(true)->code_data();
    RESULT_ITEM context;
    call.raise_if(code_context(*code, &context));
    // The values are gathered apart, so that an error half-way leaves no
    // result behind in the caller's list.
    RESULT_LIST values;
    evaluate_block(call, code->block, context, values);
    while (!values.empty()) call.append(pop(values));
    return true;
}

bool code_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "code;\xA7")) {
        CODE_DATA* code = call.checked_receiver()->code_data();
        call.refuse_constant();
        call.raise_if(check_arg_defined(*call.args, 0));
        const CODE_DATA* source = argument_value(call.arg(0).cell)->code_data();
        if (source != code) *code = *source;
        return true;
    }
    if (key_is(key, "exec\xA7")) {
        // A constant receiver is allowed: running a block does not change it.
        const CODE_DATA* code = call.checked_receiver()->code_data();
        if (code->block == nullptr) return true;
        RESULT_ITEM context;
        call.raise_if(code_context(*code, &context));
        run_block_entry(code->block, context, true);
        return true;
    }
    return false;
}

}  // namespace morvu
