#include "eval/names.h"

#include "values/signatures.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/front_end_services.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

// Clears a cell's scope-variable flag on every exit.
struct SCOPE_FLAG_GUARD {
    UNION_DATA* cell;
    explicit SCOPE_FLAG_GUARD(UNION_DATA* flagged) : cell(flagged) { cell->scope_variable = 1; }
    ~SCOPE_FLAG_GUARD() { cell->scope_variable = 0; }
    SCOPE_FLAG_GUARD(const SCOPE_FLAG_GUARD&) = delete;
    SCOPE_FLAG_GUARD& operator=(const SCOPE_FLAG_GUARD&) = delete;
};

// What a name node inside a type's body that names a member of the type
// resolves to: the type and the member's slot in the type's group, kept per
// node while no table changes, so that a method reading its object's
// members neither walks up to the type nor looks the name up per access.
struct MEMBER_NAME_MEMO {
    const TOKEN* node = nullptr;
    uint64_t generation = 0;
    TOKEN* type_def = nullptr;
    int32_t slot = -1;
};
constexpr size_t member_memo_count = 256;
MEMBER_NAME_MEMO member_memos[member_memo_count];

// Fills the memo of a node from the type tables; null, with a memo whose
// slot says so, when the name is no member of its type.
[[gnu::noinline]] void fill_member_memo(MEMBER_NAME_MEMO& memo, const TOKEN* node, TOKEN* declaration) {
    TOKEN* type_def = enclosing_type_def(declaration);
    const int32_t slot = front_end_services.member_slot(type_def, *node->text);
    memo = MEMBER_NAME_MEMO{node, routine_tables_generation, type_def, slot};
}

// The member cell attribute_access finds for the name in the object's group
// of the member's type, when the plain case holds (a defined object, the
// slot there); null sends the access the long way, which says what is wrong.
// The object is followed through one link here, as base_type_code looks
// through it.
[[gnu::always_inline]] inline UNION_DATA* memo_member(const TOKEN* node, TOKEN* declaration, UNION_DATA* object) {
    // A defined object: a holder that holds an object record.
    const UNION_DATA* cell = follow_link(object);
    if (lower_tag(cell->tag) != tag_object || cell->holder() == nullptr) return nullptr;
    MEMBER_NAME_MEMO& memo = member_memos[(reinterpret_cast<uintptr_t>(node) / alignof(TOKEN)) % member_memo_count];
    if (memo.node != node || memo.generation != routine_tables_generation) [[unlikely]] {
        if (front_end_services.member_slot == nullptr) return nullptr;
        fill_member_memo(memo, node, declaration);
    }
    const int32_t slot = memo.slot;
    const OBJECT_RECORD* record = cell->holder()->object;
    if (slot < 0 || record == nullptr) return nullptr;
    for (const GROUP_ENTRY& group : record->groups) {
        if (group.type != memo.type_def) continue;
        if (group.slots == nullptr || slot >= group.slots->count()) continue;
        return group.slots->cells[static_cast<size_t>(slot)];
    }
    return nullptr;
}

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

namespace {

// current_member_cell for a node whose memo is not filled: the whole lookup
// as memo_member has it, which fills the memo on the way.
[[gnu::noinline]] UNION_DATA* member_cell_after_memo(const TOKEN* node, RESULT_ITEM this_item) {
    UNION_DATA* object = follow_aliases(this_item.cell);
    return object != nullptr ? memo_member(node, node->declaration, object) : nullptr;
}

}  // namespace

UNION_DATA* current_member_cell(const TOKEN* node, RESULT_ITEM this_item) {
    TOKEN* declaration = node->declaration;
    UNION_DATA* object = this_item.cell;
    if (declaration == nullptr || declaration->member_slot < 0 || object == nullptr) return nullptr;
    // follow_aliases and then follow_link, as memo_member has them, with the
    // tag lowered once per cell: a method's object comes through an alias.
    char lowered = lower_tag(object->tag);
    while (lowered == tag_alias || lowered == tag_call_alias) {
        UNION_DATA* target = object->target();
        if (target == nullptr) break;
        object = target;
        lowered = lower_tag(object->tag);
    }
    if (lowered == tag_alias || lowered == tag_call_alias || lowered == tag_reference) {
        object = object->target();
        if (object == nullptr) return nullptr;
        lowered = lower_tag(object->tag);
    }
    if (lowered != tag_object || object->holder() == nullptr) return nullptr;
    const MEMBER_NAME_MEMO& memo =
        member_memos[(reinterpret_cast<uintptr_t>(node) / alignof(TOKEN)) % member_memo_count];
    // A node without its memo goes the whole way, which fills it: the common
    // case makes no call and saves no registers.
    if (memo.node != node || memo.generation != routine_tables_generation) [[unlikely]]
        return member_cell_after_memo(node, this_item);
    const OBJECT_RECORD* record = object->holder()->object;
    const int32_t slot = memo.slot;
    if (slot < 0 || record == nullptr) return nullptr;
    for (const GROUP_ENTRY& group : record->groups) {
        if (group.type != memo.type_def) continue;
        const SLOT_ARRAY* slots = group.slots.get();
        if (slots == nullptr || static_cast<size_t>(slot) >= slots->cells.size()) continue;
        return slots->cells[static_cast<size_t>(slot)];
    }
    return nullptr;
}

void eval_variable(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    TOKEN* declaration = node->declaration;
    if (declaration == nullptr) raise_system_error(node, msg_text("keirefobjvor"));

    if (declaration->member_slot >= 0 && this_item.cell != nullptr) {
        UNION_DATA* object = follow_aliases(this_item.cell);
        if (object != nullptr && base_type_code(object) == tag_object) {
            // A member of the current object, not a variable of an outer scope.
            if (UNION_DATA* member = memo_member(node, declaration, object)) {
                results.append(RESULT_ITEM{
                    member, is_variable_mode(this_item.mode) ? access_member_of_variable : access_member_of_constant,
                    0});
                return;
            }
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
