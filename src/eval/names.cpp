#include "eval/names.h"

#include "values/signatures.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/union_data.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

// The access mode of a variable's item by the argument role of its
// declaration; other roles keep the cell's own mode.
uint32_t mode_by_role(int32_t role, const UNION_DATA* cell) {
    switch (role) {
    case arg_role_constant_input: return access_constant_input;
    case arg_role_output_object: return access_output_object;
    case arg_role_variable_input: return access_variable_input;
    default: return cell->access_mode;
    }
}

// Clears a cell's scope-variable flag on every exit.
struct SCOPE_FLAG_GUARD {
    UNION_DATA* cell;
    explicit SCOPE_FLAG_GUARD(UNION_DATA* flagged) : cell(flagged) { cell->scope_variable = 1; }
    ~SCOPE_FLAG_GUARD() { cell->scope_variable = 0; }
    SCOPE_FLAG_GUARD(const SCOPE_FLAG_GUARD&) = delete;
    SCOPE_FLAG_GUARD& operator=(const SCOPE_FLAG_GUARD&) = delete;
};

}  // namespace

void eval_true(TOKEN*, RESULT_ITEM, RESULT_LIST& results) { results.append(make_bool_value(true, 0)); }

void eval_false(TOKEN*, RESULT_ITEM, RESULT_LIST& results) { results.append(make_bool_value(false, 0)); }

void eval_empty_code(TOKEN* node, RESULT_ITEM, RESULT_LIST&) {
    if (node->block_mode != block_mode_none) raise_system_error(node, msg_text("leeargtypcodniceva"));
}

void eval_this(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    UNION_DATA* object = follow_aliases(this_item.cell);
    if (object == nullptr) raise_system_error(node, msg_text("thiverausmemfun"));

    // The object's own tag; an any variable gives a cell of type any.
    UNION_DATA* value = is_link_cell(object) && object->target() != nullptr ? object->target() : object;
    const char tag = is_any_tag(value->tag) ? 'v' : value->tag;

    auto* cell = new UNION_DATA(tag);
    results.append(RESULT_ITEM{cell, is_variable_mode(this_item.mode) ? access_variable_object : access_constant_object,
                               1});  // the list owns it from here
    if (tag == tag_object) cell->holder()->type = value->holder()->type;

    const char* message;
    {
        SCOPE_FLAG_GUARD flag(cell);
        message = assign_by_mode(cell, object, 3);
    }
    if (message != nullptr) raise_system_error(node, message);
}

void eval_variable(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    TOKEN* declaration = node->declaration;
    if (declaration == nullptr) raise_system_error(node, msg_text("keirefobjvor"));

    if (declaration->member_slot >= 0 && this_item.cell != nullptr) {
        UNION_DATA* object = follow_aliases(this_item.cell);
        if (object != nullptr && base_type_code(object) == tag_object) {
            // A member of the current object, not a variable of an outer scope.
            TOKEN* type_def = enclosing_type_def(declaration);
            const char* message = nullptr;
            UNION_DATA* member = attribute_access(object, type_def, *node->text, node, &message);
            if (member == nullptr) {
                raise_system_error(node, message != nullptr ? message : msg_text("insexinic"));
            }
            results.append(RESULT_ITEM{
                member, is_variable_mode(this_item.mode) ? access_member_of_variable : access_member_of_constant, 0});
            return;
        }
    }

    UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr) raise_system_error(node, msg_text("insexinic"));
    results.append(RESULT_ITEM{cell, mode_by_role(declaration->arg_role, cell), 0});
}

}  // namespace morvu
