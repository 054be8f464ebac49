#include "types/code_args.h"

#include "eval/arg_frame.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/value_sort.h"

namespace morvu {

void check_loop_code_args(const METHOD_CALL& call) {
    call.raise_if(check_arg_count(*call.args, 2));
    call.raise_if(check_arg_defined(*call.args, 1));  // the loop variable need not hold a value yet
    // A variable bound read-only by an earlier walk is bound anew.
    if (!rebinds_own_link(call.arg(0).cell, call.arg(0).mode)) call.raise_if(check_arg_variable(*call.args, 0, false));
    call.raise_if(check_arg_type(*call.args, 1, tag_code, false));
}

uint32_t element_access(const METHOD_CALL& call) {
    return is_variable_mode(call.receiver.mode) ? access_variable : access_member_of_constant;
}

void bind_loop_variable(const METHOD_CALL& call, UNION_DATA* element, uint32_t access) {
    UNION_DATA* variable = call.arg(0).cell;
    if (variable->tag == tag_call_alias || variable->tag == raise_tag(tag_call_alias)) variable = variable->target();
    call.raise_if(assign_by_mode(variable, element, 3));
    variable->access_mode = static_cast<uint8_t>(access);
}

namespace {

// Evaluates the code (second argument) once and hands each value it yields,
// as its frame holds it, to take(index, count, cell) while the frame lives.
template <typename TAKE>
void run_code(const METHOD_CALL& call, TAKE take) {
    // The code is looked up anew for every element: a body that deleted or
    // replaced its own variable leaves no code to evaluate.
    UNION_DATA* code = argument_value(call.arg(1).cell);
    if (code == nullptr || base_type_code(code) != tag_code || follow_link(code)->payload == nullptr)
        call.raise(msg_text("erwevacod"));
    TOKEN* block = follow_link(code)->code_data()->block;
    if (block == nullptr) return;
    BLOCK_RUN run(block);
    ARG_FRAME frame(block, call.this_item, true);
    for (uint32_t i = 0; i < frame.count(); ++i) take(i, frame.count(), frame[i].cell);
}

// The value a key part stands for one link step deep, when that is no
// link itself (nor missing, as behind a link without target); else null.
UNION_DATA* plain_key_value(UNION_DATA* cell) {
    UNION_DATA* value = follow_link(cell);
    return value != nullptr && !is_link_cell(value) ? value : nullptr;
}

// Appends to a key list the copy of one value of the key code, as copying
// it with mode 4 and moving the copy in would make it. A plain number, text
// or small value, on its own or behind one link, is copied straight into
// the new element; such a copy is never refused.
void append_key_part(const METHOD_CALL& call, LIST_DATA& key, UNION_DATA* cell) {
    UNION_DATA* value = plain_key_value(cell);
    if (value != nullptr && key.append_plain(value)) return;
    RESULT_LIST copy;
    call.raise_if(make_copy_value(copy, cell, 4, false, false));
    // A copy made for the key alone goes in whole.
    const RESULT_ITEM& item = copy.head->item;
    const bool own_copy = item.owned != 0 && !is_link_cell(item.cell);
    call.raise_if(key.append(item.cell, own_copy ? assign_mode_movement : assign_mode_plain));
}

// A key part read in place: the element an x[i] part names, or the number
// of a part that reads as a fast int.
struct KEY_PART {
    UNION_DATA* element = nullptr;
    void* number = nullptr;  // the payload word of the number
};

bool add_key_in_place(const METHOD_CALL& call, SORT_KEYS& keys) {
    constexpr uint32_t most_parts = 8;
    UNION_DATA* code = argument_value(call.arg(1).cell);
    if (code == nullptr || base_type_code(code) != tag_code || follow_link(code)->payload == nullptr) return false;
    TOKEN* block = follow_link(code)->code_data()->block;
    if (block == nullptr || block->op1 != ',' || block->op2 != 0 || !block->result_stack.empty()) return false;
    TOKEN* nodes[most_parts];
    const uint32_t count = copy_operands(block, ',', nodes, most_parts);
    if (count < 2 || count > most_parts) return false;
    KEY_PART parts[most_parts];
    for (uint32_t i = 0; i < count; ++i) {
        TOKEN* node = nodes[i];
        if (node->block_mode != block_mode_none) return false;
        if (UNION_DATA* element = bracket_read_element(node)) {
            if (is_link_cell(element)) return false;
            parts[i].element = element;
            continue;
        }
        int64_t value = 0;
        if (!node->result_stack.empty() || !fast_int(node, value) || !make_inline_int(value, parts[i].number))
            return false;
    }
    // A number is held in a cell as an int result holds it.
    UNION_DATA number(tag_nothing);
    keys.start_list(count);
    for (uint32_t i = 0; i < count; ++i) {
        UNION_DATA* value = parts[i].element;
        if (value == nullptr) {
            number.tag = tag_int;
            number.payload = parts[i].number;
            value = &number;
        }
        if (keys.add_part(value)) continue;
        if (value == &number) {
            append_key_part(call, keys.list_part(), value);
            continue;
        }
        RESULT_LIST alias;
        call.raise_if(make_copy_value(alias, value, assign_mode_alias, false, false));
        append_key_part(call, keys.list_part(), alias.head->item.cell);
    }
    keys.end_list();
    return true;
}

}  // namespace

void evaluate_code(const METHOD_CALL& call, RESULT_LIST& out) {
    run_code(call,
             [&](uint32_t, uint32_t, UNION_DATA* cell) { call.raise_if(make_copy_value(out, cell, 4, false, false)); });
}

void evaluate_block(const METHOD_CALL& call, TOKEN* block, RESULT_ITEM this_item, RESULT_LIST& out) {
    if (block == nullptr) return;
    BLOCK_RUN run(block);
    ARG_FRAME frame(block, this_item, true);
    for (uint32_t i = 0; i < frame.count(); ++i)
        call.raise_if(make_copy_value(out, follow_aliases(frame[i].cell), 4, false, false));
}

bool element_matches(const METHOD_CALL& call, UNION_DATA* element, uint32_t access) {
    bind_loop_variable(call, element, access);
    return code_yields_true(call);
}

bool code_yields_true(const METHOD_CALL& call) {
    RESULT_LIST values;
    evaluate_code(call, values);
    if (values.count == 0) call.raise(msg_text("erwevacod"));
    if (values.count > 1) call.raise(msg_text("erwcodmitgeneinwer"));
    UNION_DATA* value = argument_value(values.head->item.cell);
    if (base_type_code(value) != tag_bool) call.raise(msg_text("erwcodmitboower"));
    return follow_link(value)->scalar.bool_word != 0;  // an empty bool (0xFFFF) counts as true
}

namespace {

// The key of code with one value: a value that holds no further cells is
// copied once into a fresh any cell, which a copy of its own copy would
// equal; any other value takes the copy of its copy, as the rules refuse or
// make it.
std::unique_ptr<UNION_DATA> one_value_key(const METHOD_CALL& call, UNION_DATA* cell) {
    auto key = std::make_unique<UNION_DATA>(tag_any);
    UNION_DATA* value = plain_key_value(cell);
    if (value != nullptr && !is_nesting_tag(lower_tag(value->tag))) {
        call.raise_if(assign_value(key.get(), cell));
        return key;
    }
    RESULT_LIST copy;
    call.raise_if(make_copy_value(copy, cell, 4, false, false));
    call.raise_if(assign_value(key.get(), copy.head->item.cell));
    return key;
}

}  // namespace

void add_element_sort_key(const METHOD_CALL& call, UNION_DATA* element, uint32_t access, SORT_KEYS& keys) {
    bind_loop_variable(call, element, access);
    if (add_key_in_place(call, keys)) return;
    bool made = false;
    run_code(call, [&](uint32_t index, uint32_t count, UNION_DATA* cell) {
        made = true;
        if (count == 1) {
            keys.add_cell(one_value_key(call, cell));
            return;
        }
        if (index == 0) keys.start_list(count);
        UNION_DATA* value = plain_key_value(cell);
        if (value == nullptr || !keys.add_part(value)) append_key_part(call, keys.list_part(), cell);
        if (index + 1 == count) keys.end_list();
    });
    if (!made) call.raise(msg_text("erwevacod"));
}

std::unique_ptr<UNION_DATA> element_sort_key(const METHOD_CALL& call, UNION_DATA* element, uint32_t access) {
    bind_loop_variable(call, element, access);
    std::unique_ptr<UNION_DATA> key;
    run_code(call, [&](uint32_t index, uint32_t count, UNION_DATA* cell) {
        if (count == 1) {
            key = one_value_key(call, cell);
            return;
        }
        // Several values: the key is a list of their copies, which is ours
        // alone and linked to nothing.
        if (index == 0) key = std::make_unique<UNION_DATA>(raise_tag(tag_list));
        append_key_part(call, *key->list_data(), cell);
    });
    if (key == nullptr) call.raise(msg_text("erwevacod"));
    return key;
}

}  // namespace morvu
