#include "eval/member_access.h"

#include <memory>
#include <string>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/iteration_members.h"
#include "eval/names.h"
#include "exec/call_routine.h"
#include "runtime/display_name.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/front_end_services.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/signatures.h"
#include "values/value_copy.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/type_name.h"
#include "values/union_data.h"
#include "values/value_operators.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The type-definition node a name is bound to, or null.
TOKEN* declared_type(const TOKEN* name) {
    TOKEN* declaration = name->declaration;
    return declaration != nullptr && is_type_definition(declaration) ? declaration : nullptr;
}

// A member part naming a member variable: a name that is no string or
// character constant and no call.
bool is_name_form(const TOKEN* part) { return is_word_token(part); }

// A part that gives a type qualification first (T:part).
bool is_qualified_part(const TOKEN* part) { return part->op1 == ':' && part->op2 == 0 && is_word_token(part->left); }

[[noreturn]] void raise_plain(const TOKEN* node, const std::string& message) { raise_system_error(node, message); }

// Whether a user type is shown under the name a type:part access writes,
// as seen from a statement, kept per node while no table changes: the
// shown name is looked up through the scopes, and a method that calls
// error:(...) or str:(...) would look it up on every call.
struct TYPE_NAME_MEMO {
    const TOKEN* node = nullptr;
    const TOKEN* type = nullptr;
    const TOKEN* place = nullptr;
    uint64_t generation = 0;
    bool same = false;
};
constexpr size_t type_name_memo_count = 64;
TYPE_NAME_MEMO type_name_memos[type_name_memo_count];

// Whether the written type name is the shown name of the value's type.
bool names_type_of(const TOKEN* written, const UNION_DATA* value) {
    const TYPE_NAME own = value_type_name(value, true);
    if (!own.is_user_type) return type_name_text(own) == *written->text;
    TYPE_NAME_MEMO& memo =
        type_name_memos[(reinterpret_cast<uintptr_t>(written) / alignof(TOKEN)) % type_name_memo_count];
    if (memo.node != written || memo.type != own.type || memo.place != current_statement ||
        memo.generation != routine_tables_generation) {
        const bool same = type_name_text(own) == *written->text;
        memo = TYPE_NAME_MEMO{written, own.type, current_statement, routine_tables_generation, same};
    }
    return memo.same;
}

// One evaluation of a member node: its receivers and parts, and the type
// qualification, which once given stays in force for the later parts.
class MEMBER_ACCESS {
public:
    MEMBER_ACCESS(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results)
        : node(node), this_item(this_item), results(results), external(node->op1 == ':') {}

    void run();

private:
    TOKEN* node;
    RESULT_ITEM this_item;
    RESULT_LIST& results;
    bool external;              // the ':' form
    TYPE_NAME qualifier{};      // the current type qualification
    std::string receiver_type;  // names the receiver that has no value

    void apply(RESULT_ITEM item, TOKEN* part);
    void keep_members_of_temporary(RESULT_ITEM item, RESULT_NODE* last_before);
};

// x.get(i).get(j) and the like: the call part of the receiver x.get(i)
// when its element is used at once, only read by the outer method before
// anything else runs (its arguments run no code); null otherwise.
const TOKEN* element_read_at_once(const TOKEN* receiver, const TOKEN* part) {
    if (!is_call_token(part) || part->op1 != '(' || part->right != nullptr || !reads_receiver_only(*part->text))
        return nullptr;
    if (part->left != nullptr && !is_empty_operand(part->left)) {
        for (const TOKEN* argument : argument_list_of(part->left))
            if (!evaluates_inertly(argument) || !argument->result_stack.empty()) return nullptr;
    }
    if (receiver->evaluator != eval_member || receiver->op1 != '.' || receiver->op2 != 0) return nullptr;
    const TOKEN* inner = receiver->right;
    if (inner == nullptr || !is_call_token(inner) || inner->op1 != '(' || inner->right != nullptr ||
        (*inner->text != "get" && *inner->text != "Get"))
        return nullptr;
    return inner;
}

void MEMBER_ACCESS::run() {
    RESULT_LIST receivers;
    TOKEN_LIST parts;
    if (external) {
        TOKEN* left = node->left;
        if (!is_word_token(left)) {
            raise_plain(node, format_string(msg_text("erwdattypnambeiext"), "member"));
        }
        UNION_DATA* current = this_item.cell != nullptr ? follow_aliases(this_item.cell) : nullptr;
        RESULT_ITEM receiver{};
        if (TOKEN* type = declared_type(left)) {
            if (current == nullptr) {
                receiver = this_item;
            } else if (base_type_code(current) == tag_object) {
                UNION_DATA* object = follow_link(current);
                TOKEN* own_type = object->holder() != nullptr ? object->holder()->type : nullptr;
                if (own_type != nullptr && derives_from(own_type, type)) receiver = this_item;
            } else {
                receiver = this_item;
            }
            qualifier = TYPE_NAME{nullptr, type, true};
        } else {
            if (current != nullptr && (*left->text == "any" || names_type_of(left, current))) {
                receiver = this_item;
            }
            qualifier = TYPE_NAME{left->text->c_str(), nullptr, false};
        }
        receiver.owned = 0;
        receiver_type = *left->text;
        apply(receiver, node->right);  // one receiver, one part, nothing owned
        return;
    }
    // A single part needs no list of parts.
    TOKEN* single = node->right;
    if (single == nullptr || (single->op1 == ',' && single->op2 == 0)) {
        single = nullptr;
    } else if (RESULT_ITEM receiver{}; variable_item(node->left, receiver)) {
        apply(receiver, single);  // one receiver, nothing owned
        return;
    } else if (is_name_form(single) && node->left != nullptr && node->left->result_stack.empty()) {
        // l[i].name: a member read runs no code, so the element itself may
        // stand for the alias the read of l[i] would hand out.
        UNION_DATA* element = aliased_element(node->left);
        if (element != nullptr && !is_link_cell(element)) {
            apply(RESULT_ITEM{element, access_handed_out, 0}, single);
            return;
        }
    }
    // Every receiver lives until the last part has been applied to the last
    // of them: a call on one may change the value another belongs to.
    const HOLD_SCOPE holds;
    {
        const ELEMENT_USED_AT_ONCE grant(single != nullptr ? element_read_at_once(node->left, single) : nullptr);
        eval_cached(node->left, this_item, receivers);
    }
    if (single == nullptr) append_operands(node->right, ',', &parts);
    if (single == nullptr || receivers.count > 1) hold_items(receivers.head);

    for (RESULT_NODE* entry = receivers.head; entry != nullptr; entry = entry->next) {
        RESULT_NODE* last_before = results.tail;
        if (single != nullptr) {
            apply(entry->item, single);
        } else {
            for (TOKEN* part : parts) apply(entry->item, part);
        }
        if (entry->item.owned != 0) keep_members_of_temporary(entry->item, last_before);
    }
}

void MEMBER_ACCESS::apply(RESULT_ITEM item, TOKEN* part) {
    UNION_DATA* cell = item.cell != nullptr ? follow_aliases(item.cell) : nullptr;
    // A link made read-only, or one the aliases lead to, hands its mode on
    // to what it leads to, an object's routines included.
    if (is_variable_mode(item.mode) && item.cell != nullptr) {
        const uint32_t lent = lent_access(item.cell);
        if (!is_variable_mode(lent)) item.mode = lent;
    }
    if (is_qualified_part(part)) {
        TOKEN* type_name = part->left;
        if (declared_type(type_name) != nullptr) {
            qualifier = TYPE_NAME{nullptr, check_type_spec(part, item, type_name->text->c_str()), true};
        } else {
            qualifier = TYPE_NAME{type_name->text->c_str(), nullptr, false};
        }
        part = part->right;
    }
    const bool name_form = part != nullptr && is_name_form(part);
    const bool call_form = part != nullptr && is_call_token(part);
    if (!name_form && !call_form) {
        raise_plain(node, msg_text(external ? "erwvarfunrecdop" : "erwvarfunlisrecpun"));
    }

    if (name_form) {
        // A member of an object found by its slot, kept per name node.
        if (UNION_DATA* member = cell != nullptr && !qualifier.is_user_type ? named_member(cell, part) : nullptr) {
            results.append(RESULT_ITEM{
                member, is_variable_mode(item.mode) ? access_member_of_variable : access_member_of_constant, 0});
            return;
        }
        const char tag = cell != nullptr ? held_type_code_of(cell) : type_code_of_name(receiver_type);
        // The name as shown is made only for a refusal that names it.
        if (tag == tag_sys) {
            raise_plain(node, format_string(msg_text("keimemsyszugmoe"), display_name(*part->text).c_str()));
        }
        if (cell == nullptr) {
            const char* refusal = tag == tag_object ? "keimemzugfehobjmoe" : "keimemzugeindattypmoe";
            raise_plain(node, format_string(msg_text(refusal), display_name(*part->text).c_str()));
        }
        const char* message = nullptr;
        TOKEN* within = qualifier.is_user_type ? qualifier.type : nullptr;
        UNION_DATA* member = attribute_access(cell, within, *part->text, node, &message);
        if (message != nullptr) raise_plain(node, message);
        results.append(RESULT_ITEM{
            member, is_variable_mode(item.mode) ? access_member_of_variable : access_member_of_constant, 0});
        return;
    }

    // for and For on a value of a kind they walk; on anything else they are
    // ordinary calls. A call without receiver (a conversion such as
    // str:(...)) is no walk: its type name is left to the call.
    if (cell != nullptr) {
        const char tag = held_type_code_of(cell);
        if (is_iteration_call(*part->text, tag)) {
            eval_iteration_member(node, this_item, results, RESULT_ITEM{cell, item.mode, 0}, tag,
                                  type_name_text(value_type_name(cell, true)), part);
            return;
        }
    }
    // A call on a receiver of a built-in type at a site that has seen its
    // type takes the site's entry, as the request below would find it.
    if (cell != nullptr && !external && !qualifier.is_user_type && qualifier.text == nullptr &&
        qualifier.type == nullptr) {
        CALL_OUTCOME outcome;
        if (call_seen_receiver_method(part, cell, item.mode, &results, this_item, outcome)) {
            if (outcome == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
            return;
        }
    }
    UNWIND_RESULT_STACK unwind(part);
    ROUTINE_REQUEST request;
    request.node = part;
    request.receiver = RESULT_ITEM{cell, item.mode, 0};
    request.qualifier = &qualifier;
    request.in_object_type = !external;
    request.results = &results;
    request.context = this_item;
    RESULT_NODE* const before = results.tail;
    if (call_routine_status(request) == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
    // The receiver is held until the call is over; what the results stand
    // for in it outlives that.
    keep_let_go_results(before != nullptr ? before->next : results.head);
}

// A receiver that is a temporary goes when the evaluation ends; a member
// cell of it among the results would be left dangling, so such results are
// replaced by copies the list owns.
void MEMBER_ACCESS::keep_members_of_temporary(RESULT_ITEM item, RESULT_NODE* last_before) {
    UNION_DATA* receiver = item.cell;
    if (receiver == nullptr || is_link_cell(receiver)) return;
    for (RESULT_NODE* entry = last_before != nullptr ? last_before->next : results.head; entry != nullptr;
         entry = entry->next) {
        RESULT_ITEM& result = entry->item;
        if (result.owned != 0 || result.cell == nullptr || !is_within_value(receiver, result.cell)) continue;
        auto copy = std::make_unique<UNION_DATA>(tag_nothing);
        copy_construct_value(copy.get(), result.cell);
        result.cell = copy.release();
        result.owned = 1;
    }
}

// Whether a ':' node is str:(...) that the general road would make without
// a receiver: the type's written name, a call without a name, and no
// context or an object as the context (no user type may be called str, so
// only a text as the context becomes a receiver there).
bool plain_text_conversion(const TOKEN* node, RESULT_ITEM this_item) {
    if (node->op2 != 0) return false;
    const TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part) || !part->text->empty()) return false;  // the call without a name
    const TOKEN* type = node->left;
    if (!is_word(type, "str") || declared_type(type) != nullptr) return false;
    return this_item.cell == nullptr || base_type_code(follow_aliases(this_item.cell)) == tag_object;
}

// str:(...) on the conversion's own road, with the request the general
// road would make.
void convert_to_text(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const TYPE_NAME qualifier{node->left->text->c_str(), nullptr, false};
    ROUTINE_REQUEST request;
    request.node = node->right;
    request.qualifier = &qualifier;
    request.results = &results;
    request.context = this_item;
    if (call_text_conversion(request) == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
}

// The cell of a name node that is a parameter declared plainly in the input
// part of the running activation, holding a value of a built-in type by
// value or a reference to one; null for any other node (an alias or an
// object takes the general road at once).
UNION_DATA* input_parameter(const TOKEN* name) {
    UNION_DATA* cell = constant_input_cell(name);
    if (cell == nullptr) return nullptr;
    const char held = lower_tag(cell->tag);
    return held == tag_object || held == tag_alias || held == tag_call_alias ? nullptr : cell;
}

// The cell of a name node that is a parameter declared with ":$" in the
// input part of the running activation, as eval_variable finds it; null for
// any other node.
UNION_DATA* variable_input_parameter(const TOKEN* name) {
    if (name == nullptr || name->evaluator != eval_variable) return nullptr;
    const TOKEN* declaration = name->declaration;
    if (declaration == nullptr || declaration->member_slot >= 0 || declaration->arg_role != arg_role_variable_input)
        return nullptr;
    return top_cell(declaration);
}

// The list cell and access mode a receiver node of x[i] stands for as the
// element read's handler takes it: a variable holding a list by value, an
// alias variable leading to one (a walk's or a sort key's variable, with
// the alias's own mode), or an element a nested y[j] of that kind names
// (with the mode of the alias such a read hands out). Null when the read
// is not of that plain kind: a constant, a link or any other receiver.
UNION_DATA* bracket_receiver(TOKEN* receiver, UNION_DATA* variable, uint32_t& mode, int depth);

// Whether a variable's cell holds a list or is an alias that may lead to
// one: a hash or a text variable's x[i] goes on to its call at once.
bool may_hold_list(const UNION_DATA* cell) {
    const char own_tag = lower_tag(cell->tag);
    return own_tag == tag_list || own_tag == tag_alias || own_tag == tag_call_alias;
}

// The element cell x[i] names on the road of bracket_receiver, the index a
// fast int within the list: the element the list's handler hands out an
// alias of. Null, with nothing run, for every other case (which the
// general road then answers, messages included). `variable`: the
// receiver's cell as plain_variable finds it, when the caller has looked
// it up already.
[[gnu::noinline]] UNION_DATA* bracket_element(TOKEN* node, TOKEN* part, uint32_t& mode, int depth,
                                              UNION_DATA* variable = nullptr) {
    TOKEN* index = part->left;
    // A call as the index (l[f(x)]) never reads as a fast int.
    if (index == nullptr || index->evaluator == call_named_routine || !index->result_stack.empty()) return nullptr;
    UNION_DATA* list = bracket_receiver(node->left, variable, mode, depth);
    if (list == nullptr || mode < access_variable) return nullptr;  // a constant refuses the method
    int64_t position = 0;
    if (!fast_int(index, position) || position < 0) return nullptr;
    LIST_DATA* store = list->list_data();
    if (position >= store->node_count) return nullptr;
    return store->at_valid(static_cast<int>(position));
}

UNION_DATA* bracket_receiver(TOKEN* receiver, UNION_DATA* variable, uint32_t& mode, int depth) {
    if (receiver == nullptr) return nullptr;
    UNION_DATA* cell = nullptr;
    if (receiver->evaluator == eval_variable) {
        cell = variable != nullptr ? variable : plain_variable(receiver);
        if (cell == nullptr) return nullptr;
        mode = cell->access_mode;
        const char own_tag = lower_tag(cell->tag);
        if (own_tag == tag_alias || own_tag == tag_call_alias) cell = follow_aliases(cell);
    } else if (receiver->evaluator == eval_member && depth < 4 && receiver->op1 == '.') {
        TOKEN* part = receiver->right;
        if (part == nullptr || !is_call_token(part) || !is_element_call(part)) return nullptr;
        cell = bracket_element(receiver, part, mode, depth + 1);
        if (cell == nullptr) return nullptr;
        mode = access_handed_out;  // the alias the inner read hands out
    } else {
        return nullptr;
    }
    return lower_tag(cell->tag) == tag_list && cell->payload != nullptr ? cell : nullptr;
}

// x[i] of a list element by a fast int index, the receiver's cell as
// plain_variable finds it given (or a ":$" parameter's): the alias the
// list's handler hands out, made without a call. False, with nothing run,
// when bracket_element finds no element.
bool append_element_alias(TOKEN* node, TOKEN* part, UNION_DATA* variable, RESULT_LIST& results) {
    uint32_t mode = 0;
    UNION_DATA* element = bracket_element(node, part, mode, 0, variable);
    if (element == nullptr) return false;
    make_copy_value(results, element, assign_mode_alias, false, false);
    return true;
}

}  // namespace

bool reads_receiver_only(const std::string& name) {
    return name == "get" || name == "Get" || name == "get0" || name == "Get0" || name == "size";
}

UNION_DATA* bracket_read_element(TOKEN* node) {
    if (node == nullptr || node->evaluator != eval_member || node->op1 != '.' || node->op2 != 0) return nullptr;
    TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part) || !is_element_call(part)) return nullptr;
    uint32_t mode = 0;
    return bracket_element(node, part, mode, 0);
}

namespace {

// The slot a member name has in a user type's group, kept per name node
// and type while no table changes: the look-up goes by the name's text.
struct MEMBER_SLOT_MEMO {
    const TOKEN* node = nullptr;
    const TOKEN* type = nullptr;
    uint64_t generation = 0;
    int32_t slot = -1;
};
constexpr size_t member_slot_memo_count = 256;
MEMBER_SLOT_MEMO member_slot_memos[member_slot_memo_count];

int32_t member_slot_of(const TOKEN* name, const TOKEN* type) {
    const uintptr_t key = reinterpret_cast<uintptr_t>(name) / alignof(TOKEN) + reinterpret_cast<uintptr_t>(type) / 8;
    MEMBER_SLOT_MEMO& memo = member_slot_memos[key % member_slot_memo_count];
    if (memo.node != name || memo.type != type || memo.generation != routine_tables_generation) {
        if (front_end_services.member_slot == nullptr) return -1;
        const int32_t slot = front_end_services.member_slot(type, *name->text);
        memo = MEMBER_SLOT_MEMO{name, type, routine_tables_generation, slot};
    }
    return memo.slot;
}

}  // namespace

UNION_DATA* named_member(UNION_DATA* cell, const TOKEN* name) {
    // An object holds a value when its holder has a record.
    const UNION_DATA* object = follow_link(cell);
    if (lower_tag(object->tag) != tag_object) return nullptr;
    const OBJECT_HOLDER* holder = object->holder();
    if (holder == nullptr || holder->object == nullptr) return nullptr;
    // The first group whose type has the name, as the access finds it.
    for (GROUP_ENTRY& group : holder->object->groups) {
        const int32_t slot = member_slot_of(name, group.type);
        if (group.slots == nullptr || slot < 0 || slot >= group.slots->count()) continue;
        return group.slots->cells[static_cast<size_t>(slot)];
    }
    return nullptr;
}

UNION_DATA* aliased_element(TOKEN* node) {
    if (node == nullptr || node->evaluator != eval_member || node->op1 != '.' || node->op2 != 0) return nullptr;
    TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part) || !is_element_call(part) || is_qualified_part(part)) return nullptr;
    uint32_t mode = 0;
    // The receivers eval_member reads its element of at once, as it reads them.
    if (UNION_DATA* cell = plain_variable(node->left)) {
        return may_hold_list(cell) ? bracket_element(node, part, mode, 0, cell) : nullptr;
    }
    if (node->left != nullptr && node->left->evaluator == eval_member) return bracket_element(node, part, mode, 0);
    if (input_parameter(node->left) != nullptr) return nullptr;
    UNION_DATA* parameter = variable_input_parameter(node->left);
    if (parameter == nullptr || !is_variable_mode(lent_access(parameter))) return nullptr;
    return bracket_element(node, part, mode, 0, parameter);
}

void eval_member(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (node->op1 == ':') {
        if (plain_text_conversion(node, this_item)) {
            convert_to_text(node, this_item, results);
            return;
        }
    } else if (TOKEN* part = node->right; part != nullptr && is_call_token(part) && !is_qualified_part(part)) {
        UNION_DATA* cell = plain_variable(node->left);
        if (is_element_call(part) &&
            (cell != nullptr ? may_hold_list(cell) : node->left != nullptr && node->left->evaluator == eval_member) &&
            append_element_alias(node, part, cell, results))
            return;
        // x.name(...) on a variable at a site that knows x's type.
        if (cell != nullptr) {
            CALL_OUTCOME outcome;
            if (call_seen_method(part, cell, &results, this_item, outcome)) {
                if (outcome == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
                return;
            }
        } else if (UNION_DATA* input = input_parameter(node->left)) {
            CALL_OUTCOME outcome;
            if (call_seen_input_method(part, input, &results, this_item, outcome)) {
                if (outcome == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
                return;
            }
        } else if (UNION_DATA* parameter = variable_input_parameter(node->left)) {
            // x[i] through a ":$" parameter whose links lend no read-only mode.
            if (is_element_call(part) && is_variable_mode(lent_access(parameter)) &&
                append_element_alias(node, part, parameter, results))
                return;
            CALL_OUTCOME outcome;
            if (call_seen_variable_input_method(part, parameter, &results, this_item, outcome)) {
                if (outcome == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
                return;
            }
        }
        // x.get(i).get(j) and the like, read at once (see
        // element_read_at_once): a row of plain values or a plain text,
        // which reads as its copy would, is read where it lies.
        if (TOKEN* inner = node->left; inner != nullptr && element_read_at_once(inner, part) != nullptr) {
            UNION_DATA* element = fast_read_element(inner);
            CALL_OUTCOME outcome;
            if (element != nullptr &&
                (holds_plain_values_only(element) ||
                 (lower_tag(element->tag) == tag_str && is_plain_member(element))) &&
                call_seen_method(part, element, &results, this_item, outcome)) {
                if (outcome == CALL_OUTCOME::not_defined) raise_plain(node, not_defined_message());
                return;
            }
        }
    }
    MEMBER_ACCESS(node, this_item, results).run();
}

}  // namespace morvu
