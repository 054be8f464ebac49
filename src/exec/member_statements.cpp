#include "exec/member_statements.h"

#include <string>

#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/names.h"
#include "exec/block_exec.h"
#include "exec/call_routine.h"
#include "exec/control_statements.h"
#include "exec/iteration_walks.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The type-definition node a name is bound to, or null.
TOKEN* declared_type(const TOKEN* name) {
    TOKEN* declaration = name->declaration;
    return declaration != nullptr && is_type_definition(declaration) ? declaration : nullptr;
}

bool is_external(const TOKEN* node) { return node != nullptr && node->op1 == ':' && node->op2 == 0; }

// A walk run as a statement: the block is executed with the statement's
// object, and the loop protocol of the control counters decides whether the
// walk goes on.
struct STATEMENT_WALK {
    RESULT_ITEM this_item;
};

bool run_statement_body(void* context, TOKEN* block, RESULT_ITEM) {
    execute_block(block, static_cast<STATEMENT_WALK*>(context)->this_item, true);
    return loop_after_body();
}

// A name that stands for a member of the current object.
bool is_member_name(const TOKEN* name) {
    return name != nullptr && name->evaluator == eval_variable && name->declaration != nullptr &&
           name->declaration->member_slot >= 0;
}

// m.name(...) on a member m of the current object at a site that knows m's
// type, with the mode eval_variable gives the member: true when made.
[[gnu::noinline]] bool call_seen_on_member(TOKEN* node, RESULT_ITEM this_item) {
    TOKEN* call = node->right;
    if (call == nullptr || !is_call_token(call)) return false;
    UNION_DATA* member = current_member_cell(node->left, this_item);
    if (member == nullptr) return false;
    const uint32_t mode = is_variable_mode(this_item.mode) ? access_member_of_variable : access_member_of_constant;
    CALL_OUTCOME outcome;
    if (!call_seen_member_method(call, member, mode, nullptr, this_item, outcome)) return false;
    if (outcome == CALL_OUTCOME::not_defined) raise_system_error(call, not_defined_message());
    return true;
}

// One execution of a member statement: its receivers, its members, and the
// type qualification, which once given stays in force for the later
// members and receivers.
class MEMBER_STATEMENT {
public:
    MEMBER_STATEMENT(TOKEN* node, RESULT_ITEM this_item)
        : node(node), this_item(this_item), external(is_external(node)) {}

    void run();

private:
    TOKEN* node;
    RESULT_ITEM this_item;
    bool external;          // a ':' statement: no receiver given
    TYPE_NAME qualifier{};  // the current type qualification
    std::string type_text;  // names the type of a receiver without value

    RESULT_ITEM external_receiver();
    void apply(RESULT_ITEM item, TOKEN* member);
};

// The receiver of X:m(...): the current object when it fits X, else none.
RESULT_ITEM MEMBER_STATEMENT::external_receiver() {
    TOKEN* left = node->left;
    if (!is_word_token(left)) {
        raise_system_error(node, format_string(msg_text("erwdattypnambeiext"), "member"));
    }
    UNION_DATA* current = this_item.cell != nullptr ? follow_aliases(this_item.cell) : nullptr;
    const RESULT_ITEM none{nullptr, 6, 0};
    const RESULT_ITEM current_item{this_item.cell, this_item.mode, 0};
    type_text = *left->text;
    if (TOKEN* type = declared_type(left)) {
        qualifier = TYPE_NAME{nullptr, type, true};
        if (current != nullptr && base_type_code(current) == tag_object) {
            UNION_DATA* object = follow_link(current);
            TOKEN* own_type = object->holder() != nullptr ? object->holder()->type : nullptr;
            if (own_type == nullptr || !derives_from(own_type, type)) return none;
        }
        return current_item;
    }
    qualifier = TYPE_NAME{left->text->c_str(), nullptr, false};
    if (current == nullptr) return none;
    if (type_text == "any" || type_name_text(value_type_name(current, true)) == type_text) return current_item;
    return none;
}

void MEMBER_STATEMENT::run() {
    TOKEN* right = node->right;
    const bool one_member = external || right == nullptr || right->op1 != ',' || right->op2 != 0;
    if (!external && one_member) {
        if (fast_list_append(node)) return;
        if (UNION_DATA* cell = plain_variable(node->left)) {
            // x.name(...) at a site that knows x's type.
            CALL_OUTCOME outcome;
            if (right != nullptr && is_call_token(right) &&
                call_seen_method(right, cell, nullptr, this_item, outcome)) {
                if (outcome == CALL_OUTCOME::not_defined) raise_system_error(right, not_defined_message());
                return;
            }
            apply(RESULT_ITEM{cell, cell->access_mode, 0}, right);
            return;
        }
        if (is_member_name(node->left) && call_seen_on_member(node, this_item)) return;
    }
    RESULT_LIST receivers;
    if (external) {
        receivers.append(external_receiver());
    } else if (node->left != nullptr) {
        eval_cached(node->left, this_item, receivers);
    }
    if (one_member) {
        // One member, the common case: no list to build.
        for (RESULT_NODE* entry = receivers.head; entry != nullptr; entry = entry->next) apply(entry->item, right);
        return;
    }
    TOKEN_LIST members;
    append_operands(right, ',', &members);
    for (RESULT_NODE* entry = receivers.head; entry != nullptr; entry = entry->next) {
        for (TOKEN* member : members) apply(entry->item, member);
    }
}

void MEMBER_STATEMENT::apply(RESULT_ITEM item, TOKEN* member) {
    UNION_DATA* cell = item.cell != nullptr ? follow_aliases(item.cell) : nullptr;
    // A link made read-only, or one the aliases lead to, hands its mode on
    // to what it leads to, an object's routines included.
    if (is_variable_mode(item.mode) && item.cell != nullptr) {
        const uint32_t lent = lent_access(item.cell);
        if (!is_variable_mode(lent)) item.mode = lent;
    }
    if (is_external(member) && is_word_token(member->left)) {
        TOKEN* type_name = member->left;
        if (declared_type(type_name) != nullptr) {
            qualifier = TYPE_NAME{nullptr, check_type_spec(member, item, type_name->text->c_str()), true};
        } else {
            qualifier = TYPE_NAME{type_name->text->c_str(), nullptr, false};
        }
        type_text = *type_name->text;
        member = member->right;
    }
    if (member == nullptr || !is_call_token(member)) {
        raise_system_error(node, msg_text(external ? "erwprorecdop" : "erwprolisrecpun"));
    }

    const std::string& name = *member->text;
    // Asked of every member statement: the length and letters, no text comparison.
    if (name.size() == 3 && name[1] == 'o' && name[2] == 'r' && (name[0] == 'f' || name[0] == 'F')) {
        const TYPE_NAME display = cell != nullptr ? value_type_name(cell, true) : qualifier;
        const std::string display_text = type_name_text(display);
        const char code = type_code_of_name(cell != nullptr ? display_text : type_text);
        if (is_iteration_member(name, code)) {
            ITERATION_REQUEST request;
            request.node = node;
            request.member = member;
            request.receiver = RESULT_ITEM{cell, item.mode, 0};
            request.code = code;
            request.routine = display_text + ':' + name;
            request.routine_kind = 'p';
            request.this_item = this_item;
            STATEMENT_WALK walk{this_item};
            run_iteration(request, ITERATION_BODY{run_statement_body, &walk, false});
            loop_after_end();
            return;
        }
    }

    // What the call leaves parked on its arguments is freed on every way out.
    UNWIND_RESULT_STACK unwind(member);
    ROUTINE_REQUEST request;
    request.node = member;
    request.receiver = RESULT_ITEM{cell, item.mode, 0};
    request.qualifier = &qualifier;
    request.in_object_type = !external;
    request.context = this_item;
    if (call_routine_status(request) == CALL_OUTCOME::not_defined) raise_system_error(member, not_defined_message());
}

}  // namespace

void exec_member_statement(TOKEN* node, RESULT_ITEM this_item) { MEMBER_STATEMENT(node, this_item).run(); }

}  // namespace morvu
