#include "eval/arg_frame.h"

#include "eval/evaluator.h"
#include "exec/pending_exception.h"
#include "runtime/message_scratch.h"
#include "values/signatures.h"
#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

const char* frame_check_message = "";

namespace {

// Records a failing check's message and returns it.
const char* fail(std::string text) {
    frame_check_message = keep_message(std::move(text));
    return frame_check_message;
}

const char* fail(const char* identifier, int32_t number) { return fail(format_string(msg_text(identifier), number)); }

// The name of a built-in type tag, as a fresh value of it names itself.
std::string tag_type_name(char tag) {
    UNION_DATA probe(tag);
    return type_name_text(value_type_name(&probe, false));
}

// The items of one bracket group, split at ','. A curly block among them
// stays whole, also one whose own contents are a ',' list.
void append_group_items(TOKEN* group, TOKEN_LIST* list) {
    std::vector<TOKEN*> pending{group};
    while (!pending.empty()) {
        TOKEN* item = pending.back();
        pending.pop_back();
        const bool chain = item->op1 == ',' && item->op2 == 0 && (item == group || item->block_mode == block_mode_none);
        if (!chain) {
            list->append(item);
            continue;
        }
        if (item->right != nullptr) pending.push_back(item->right);
        if (item->left != nullptr) pending.push_back(item->left);
    }
}

}  // namespace

const TOKEN_LIST& build_argument_list(TOKEN* node) {
    auto list = std::make_unique<TOKEN_LIST>();
    TOKEN_LIST parts;
    append_operands(node, juxtaposition_chain, &parts);
    for (TOKEN* part : parts) {
        if (part->block_mode != block_mode_none) list->append(part);  // a block stays whole
        else append_group_items(part, list.get());
    }
    node->argument_list = std::move(list);
    return *node->argument_list;
}

// Inlined: every operand of the general path passes here.
__attribute__((always_inline)) inline void ARG_FRAME::evaluate_into(RESULT_LIST& list, RESULT_ITEM this_item) {
    const PENDING_EXCEPTION* before = pending_exception;
    ARGUMENT_HOLDS holding(list);
    for (TOKEN* argument : argument_list_of(node)) {
        holding.before(argument);
        eval_cached(argument, this_item, list);
        if (stops_at_pending && pending_exception != before && pending_exception != nullptr) raise_pending_error();
    }
}

ARG_FRAME::ARG_FRAME(TOKEN* frame_node, RESULT_ITEM this_item, bool fresh, bool own_holds)
    : node(frame_node), holds(fresh && own_holds) {
    if (node == nullptr) {  // a call without argument subtree
        owned = true;
        results = &own_list;
        return;
    }
    std::vector<RESULT_LIST*>& stack = node->result_stack;
    if (!fresh) {
        // A comparison operand: the first frame replaces the comparison's
        // placeholder by the evaluated list, later frames reuse that list.
        if (!stack.empty() && stack.back() != nullptr) {
            results = stack.back();
        } else {
            pop(stack);  // the placeholder (an empty stack throws)
            auto* list = new RESULT_LIST;
            stack.push_back(list);
            results = list;
            evaluate_into(*list, this_item);
            hold_items(list->head);  // compared again with later alternatives
        }
    } else {
        take_or_evaluate(stack, this_item);
    }
    fill_items();
}

ARG_FRAME::ARG_FRAME(TOKEN* frame_node, RESULT_ITEM this_item, STATEMENT_ARGUMENTS)
    : node(frame_node), holds(true), stops_at_pending(true) {
    if (node == nullptr) {
        owned = true;
        results = &own_list;
        return;
    }
    take_or_evaluate(node->result_stack, this_item);
    fill_items();
}

void ARG_FRAME::take_or_evaluate(std::vector<RESULT_LIST*>& stack, RESULT_ITEM this_item) {
    owned = true;
    if (!stack.empty() && stack.back() != nullptr && node->block_mode != block_mode_running) {
        // The arguments call_routine evaluated for this call, taken over
        // even when they yielded nothing, so that they are evaluated once.
        taken_list.reset(pop(stack));
        results = taken_list.get();
    } else {
        results = &own_list;
        evaluate_into(own_list, this_item);  // on an error own_list frees what it got
    }
}

ARG_FRAME::~ARG_FRAME() = default;

void ARG_FRAME::fill_items() {
    item_count = results->count;
    if (item_count > inline_capacity) {
        heap_items = std::make_unique<RESULT_ITEM[]>(item_count);
        items = heap_items.get();
    }
    uint32_t index = 0;
    for (RESULT_NODE* entry = results->head; entry != nullptr; entry = entry->next) items[index++] = entry->item;
}

UNION_DATA* ARG_FRAME::value(uint32_t index) const {
    return index < item_count ? argument_value(items[index].cell) : nullptr;
}

int32_t ARG_FRAME::int_value(uint32_t index) const {
    UNION_DATA* cell = value(index);
    if (cell == nullptr || cell->payload == nullptr || base_type_code(cell) != tag_int) return 0;
    return machine_int(*cell->int_data());
}

const char* ARG_FRAME::count_failure(int32_t n) const {
    if (n == 0) return fail(msg_text("erwkeiarg"));
    if (n == 1) return fail(msg_text("erwgen1arg"));
    return fail("erwarg", n);
}

const char* ARG_FRAME::check_count_range(int32_t min, int32_t max) const {
    const int64_t count = item_count;
    if (min < 0) {
        if (count <= max) return nullptr;
        return max == 1 ? fail("erwhoearg", 1) : fail("erwhoearge", max);
    }
    if (max < 0) {
        if (count >= min) return nullptr;
        return min == 1 ? fail("erwminarg", 1) : fail("erwminarge", min);
    }
    if (count >= min && count <= max) return nullptr;
    return fail(format_string(msg_text("zahargmusberlie"), min, max));
}

const char* ARG_FRAME::check_defined(uint32_t index) const {
    UNION_DATA* cell = value(index);
    if (cell != nullptr && is_defined_value(cell)) return nullptr;
    return fail("tesargnicdef", static_cast<int32_t>(index));
}

const char* ARG_FRAME::check_type(uint32_t index, char tag, bool not_empty) const {
    // A defined bool, int, text or code of the type asked for, the commonest
    // checked operands (conditions, counts, blocks), passes at once: the
    // checks below would find nothing to refuse.
    if (UNION_DATA* cell = value(index); cell != nullptr && cell->payload != nullptr && lower_tag(cell->tag) == tag) {
        switch (tag) {
        case tag_bool:
            if (!not_empty || cell->scalar.bool_word < 0xFFFF) return nullptr;
            break;
        case tag_int:
            if (!not_empty || is_inline_int(cell->payload) || !cell->int_data()->is_empty()) return nullptr;
            break;
        case tag_str:
            if (!not_empty || !cell->str_data()->text.empty()) return nullptr;
            break;
        case tag_code:
            if (!not_empty || cell->code_data()->block != nullptr) return nullptr;
            break;
        default: break;
        }
    }
    if (const char* message = check_defined(index)) return message;
    UNION_DATA* cell = value(index);
    if (not_empty && is_empty_value(cell)) return fail("tesarglee", static_cast<int32_t>(index));
    if (base_type_code(cell) == tag) return nullptr;
    return fail(format_string(msg_text("erwtesargtyp"), static_cast<int32_t>(index), tag_type_name(tag).c_str()));
}

const char* ARG_FRAME::check_variable(uint32_t index, bool must_be_defined) const {
    if (must_be_defined) {
        if (const char* message = check_defined(index)) return message;
    }
    if (index < item_count && items[index].mode > 5) return nullptr;
    return fail("erwvartesarg", static_cast<int32_t>(index));
}

const char* ARG_FRAME::check_int_min(uint32_t index, int32_t min) const {
    if (const char* message = check_type(index, 'i', true)) return message;
    if (*value(index)->int_data() >= INT_DATA(min)) return nullptr;
    return fail("erwintarggro", min);
}

const char* ARG_FRAME::check_int_range(uint32_t index, int32_t low, int32_t high) const {
    if (low == high) {
        if (const char* message = check_type(index, 'i', true)) return message;
        if (*value(index)->int_data() == INT_DATA(low)) return nullptr;
        return fail("erwintarg", low);
    }
    if (const char* message = check_int_min(index, low)) return message;
    if (*value(index)->int_data() <= INT_DATA(high)) return nullptr;
    return fail("erwintargkle", high);
}

std::string ARG_FRAME::message(bool with_side) const {
    std::string text = frame_check_message;
    if (!with_side || node == nullptr) return text;
    const TOKEN* parent = node->parent;
    if (parent == nullptr || parent->number || parent->text) return text;
    if ((parent->op1 == '"' || parent->op1 == '\'') && parent->op2 == 0) return text;
    text += ' ';
    text += msg_text(parent->left == node ? "auflinsei" : "aufrecsei");
    return text;
}

}  // namespace morvu
