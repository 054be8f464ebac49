#include "eval/iteration_members.h"

#include "eval/arg_frame.h"
#include "exec/iteration_walks.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "values/factories.h"
#include "values/union_data.h"

namespace morvu {

namespace {

struct EXPRESSION_WALK {
    TOKEN* node;
    const std::string* routine;
    RESULT_LIST* results;
};

// Evaluates the block once and appends a copy of each of its values.
bool run_expression_body(void* context, TOKEN* block, RESULT_ITEM code_context) {
    const auto* walk = static_cast<const EXPRESSION_WALK*>(context);
    BLOCK_RUN run(block);
    ARG_FRAME values(block, code_context, true);
    for (uint32_t i = 0; i < values.count(); ++i) {
        const char* message = make_copy_value(*walk->results, follow_aliases(values[i].cell), 4, false, false);
        if (message != nullptr)
            raise_error(walk->node, routine_kind_function, walk->routine->c_str(), message, error_kind_system);
    }
    return false;
}

}  // namespace

bool is_iteration_call(const std::string& name, char code) { return is_iteration_member(name, code); }

void eval_iteration_member(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, RESULT_ITEM receiver, char code,
                           const std::string& type_name, TOKEN* part) {
    ITERATION_REQUEST request;
    request.node = node;
    request.member = part;
    request.receiver = receiver;
    request.code = code;
    request.routine = type_name + ':' + *part->text;
    request.routine_kind = 'f';
    request.this_item = this_item;
    EXPRESSION_WALK walk{node, &request.routine, &results};
    run_iteration(request, ITERATION_BODY{run_expression_body, &walk, true});
}

}  // namespace morvu
