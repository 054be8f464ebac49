// Methods of list and args: an ordered chain of elements counted from 0 at
// the head. One pair of handlers serves both types; call.type_code tells a
// list ('l') from an args value ('y'). An args value may be the variable
// input object of a routine (access mode 7: its elements are call-aliases
// of the caller's variables) or its variable output object (access mode 8);
// elements are handed out of those as call-aliases and aliases, and values
// stored into them must be variables.
//
// Positioned access goes through LIST_DATA::at: one step per access when
// walking by consecutive indexes, and at any position once the list keeps
// the positions of its nodes.

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/element_keys.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/list_store.h"
#include "values/value_copy.h"
#include "values/value_sort.h"
#include "values/walk_pins.h"

namespace morvu {

namespace {

bool is_list(const METHOD_CALL& call) { return call.type_code == tag_list; }
bool input_object(const METHOD_CALL& call) { return !is_list(call) && call.receiver.mode == access_variable_input; }
bool output_object(const METHOD_CALL& call) { return !is_list(call) && call.receiver.mode == access_output_object; }

// The args objects of a routine take only variables as new elements.
bool variables_only(const METHOD_CALL& call) { return input_object(call) || output_object(call); }

// How elements are handed out: call-aliases of the input object, aliases of
// the output object, else copies (a reference staying a reference).
int hand_out_mode(const METHOD_CALL& call) {
    if (input_object(call)) return 7;
    return output_object(call) ? 3 : 4;
}

void hand_out(const METHOD_CALL& call, UNION_DATA* element, int mode) {
    call.raise_if(make_copy_value(*call.results, element, mode, input_object(call), output_object(call)));
}

// Argument i must be an int naming an element (counted from the tail with
// from_end); the element's value cell goes to *out, its position to
// *position when asked. Positions are computed in 64 bits, so no huge index
// wraps into the list; the message names the position counted from the head.
std::string check_list_index(const CALL_ARGS& args, LIST_DATA& store, int32_t i, bool from_end, UNION_DATA** out,
                             int* position_out = nullptr) {
    int64_t index = 0;
    if (!plain_int_argument(args, i, index)) {
        std::string failure = check_arg_type(args, i, tag_int, true);
        if (!failure.empty()) return failure;
        index = int64_argument(args, i);
    }
    int64_t position = index;
    if (from_end && __builtin_sub_overflow(int64_t{store.node_count} - 1, index, &position)) position = INT64_MAX;
    if (position < 0 || position >= store.node_count)
        return format_numbers(msg_text("unzindlislae"), shown_position(args, i, store.node_count, from_end),
                              std::to_string(store.node_count));
    *out = store.at(static_cast<int>(position), nullptr);
    if (position_out != nullptr) *position_out = static_cast<int>(position);
    return {};
}

bool from_end_key(const std::string& key) { return key[0] >= 'A' && key[0] <= 'Z'; }

bool is_find_key(const std::string& key) {
    return key_has_prefix(key, "find\xA7") || key_has_prefix(key, "Find\xA7") || key_has_prefix(key, "find_all\xA7") ||
           key_has_prefix(key, "Find_all\xA7");
}

LIST_DATA& store_of(UNION_DATA* value) { return *value->list_data(); }

// The arguments in order, handed over as new elements at the tail (or, with
// at_head, each in front of the previous one). A temporary text the call
// owns, which nothing reads after the call, gives its text to the element
// rather than have it copied.
void add_arguments(const METHOD_CALL& call, LIST_DATA& store, bool at_head) {
    const bool only_variables = variables_only(call);
    for (int32_t i = 0; i < call.count(); ++i) {
        UNION_DATA* cell = nullptr;
        int mode = 0;
        transfer_out_arg(call.args, call.node, i, only_variables, false, &cell, &mode);
        const RESULT_ITEM& item = call.arg(i);
        if (mode == 0 && !at_head && item.owned != 0 && item.cell == cell && !is_variable_mode(item.mode) &&
            store.append_taken(cell))
            continue;
        call.raise_if(at_head ? store.prepend(cell, mode) : store.append(cell, mode));
    }
}

// The cell that a method writes a variable argument into: the argument's
// cell, or the cell a call-alias stands for.
UNION_DATA* written_variable(const METHOD_CALL& call, int32_t i) {
    UNION_DATA* variable = call.arg(i).cell;
    if (variable->tag == tag_call_alias || variable->tag == raise_tag(tag_call_alias)) variable = variable->target();
    return variable;
}

// Puts a cell's access mode of an args object back to that of a variable on
// every way out; a read-only mode stays with the cell's link.
class ACCESS_MODE_RESET {
public:
    explicit ACCESS_MODE_RESET(UNION_DATA* cell) : cell(cell) {}
    ~ACCESS_MODE_RESET() {
        if (is_variable_mode(cell->access_mode)) cell->access_mode = access_variable;
    }
    ACCESS_MODE_RESET(const ACCESS_MODE_RESET&) = delete;
    ACCESS_MODE_RESET& operator=(const ACCESS_MODE_RESET&) = delete;

private:
    UNION_DATA* cell;
};

// find, Find, find_all, Find_all: the positions, counted from the head, of
// the elements whose code value is true. The loop variable carries the
// access mode of the receiver's elements, so that the elements of a constant
// list cannot be assigned through it, also after the search. The store is
// pinned as a walk pins it, so the code can neither relink nor free a node.
void find_elements(METHOD_CALL& call, LIST_DATA& store) {
    check_loop_code_args(call);
    if (store.node_count == 0) return;
    const std::string& key = call.key();
    const bool backwards = key[0] == 'F';
    const bool all = key[4] == '_';
    const uint32_t receiver_mode = call.receiver.mode;
    uint32_t element_mode = receiver_mode < 6 ? 4 : 6;
    if (!is_list(call) && (receiver_mode == 7 || receiver_mode == 8)) element_mode = receiver_mode;
    UNION_DATA* variable = written_variable(call, 0);
    ACCESS_MODE_RESET reset(variable);
    WALK_PIN pin(call.type_code, &store);
    const int count = store.node_count;
    int visited = 0;
    for (LIST_NODE* node = backwards ? store.tail : store.head; node != nullptr;
         node = backwards ? node->prev : node->next, ++visited) {
        if (!element_matches(call, &node->value, element_mode)) continue;
        call.append(make_int_value_from_number(backwards ? count - 1 - visited : visited));
        if (!all) return;
    }
}

// The function forms of del0 and Del0: the first (last) element moves into
// the variable argument. A refused assignment raises before anything is
// removed. When the variable holds the list itself (or a value the list lies
// in), the assignment has already replaced the list: nothing is left to
// remove from it.
void move_end_element(METHOD_CALL& call, UNION_DATA* list_cell, bool from_head) {
    call.refuse_constant();
    call.refuse_during_iteration();
    call.raise_if(check_arg_count(*call.args, 1));
    call.raise_if(check_arg_rebound_variable(*call.args, 0, true));
    LIST_DATA& store = store_of(list_cell);
    if (store.node_count == 0) {
        call.append(make_bool_value(false, 0));
        return;
    }
    UNION_DATA* element = from_head ? store.first() : store.last();
    UNION_DATA* variable = written_variable(call, 0);
    const bool list_replaced = is_within_value(variable, list_cell);
    call.raise_if(assign_by_mode(variable, element, 4));
    if (!list_replaced) {
        if (from_head) store.remove_first();
        else store.remove_last();
    }
    call.append(make_bool_value(true, 0));
}

// sort and Sort, by the elements themselves or by the keys their code gives.
// The store stays pinned while keys are computed and compared, so no code
// run meanwhile can relink or free a node.
void sort_elements(METHOD_CALL& call, LIST_DATA& store, bool with_code) {
    call.refuse_constant();
    call.refuse_during_iteration();
    if (with_code) check_loop_code_args(call);
    if (store.node_count < 2) return;
    const bool ascending = call.key()[0] == 's';
    WALK_PIN pin(call.type_code, &store);
    if (!with_code && store.sort_plain_ints(ascending)) return;
    if (!with_code) {
        std::vector<UNION_DATA*> cells;
        cells.reserve(static_cast<size_t>(store.node_count));
        for (LIST_NODE* node = store.head; node != nullptr; node = node->next) cells.push_back(&node->value);
        ELEMENT_KEYS keys(std::move(cells));
        call.raise_if(store.sort(keys.data(), ascending));
        return;
    }
    SORT_KEYS keys(static_cast<size_t>(store.node_count));
    for (LIST_NODE* node = store.head; node != nullptr; node = node->next)
        add_element_sort_key(call, &node->value, access_variable, keys);
    call.raise_if(store.sort(keys, ascending));
}

// Whether the receiver is a list written through no read-only link: an
// alias of its element would be lent no mode.
bool writes_plainly(const METHOD_CALL& call) {
    return is_list(call) && is_variable_mode(call.receiver.mode) &&
           is_variable_mode(lent_item_access(call.receiver.mode, call.receiver.cell));
}

// l[i] for a caller that uses the element at once, nothing running before
// it is done with it: the element's own cell stands for its alias, with the
// alias's access, unless it is a link or an object, which the alias would
// stand for otherwise.
[[gnu::noinline]] void hand_out_used_at_once(const METHOD_CALL& call, LIST_DATA& store) {
    UNION_DATA* element = nullptr;
    call.raise_if(check_list_index(*call.args, store, 0, false, &element));
    if (is_link_cell(element) || base_type_code(element) == tag_object) {
        hand_out(call, element, 3);
        return;
    }
    call.append(RESULT_ITEM{element, access_handed_out, 0});
}

// Whether an element that its caller reads at once (see
// ELEMENT_USED_AT_ONCE) reads the same as its copy, so that the element
// itself may stand for the copy: a list of plain values, or for a caller
// that only copies the value, an object of plain members.
bool reads_as_its_copy(const UNION_DATA* element) {
    return holds_plain_values_only(element) || (element_objects_at_once && is_plain_object_element(element));
}

}  // namespace

bool list_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (is_call_form_key(key)) {
        auto* cell = new UNION_DATA(is_list(call) ? 'l' : 'y');
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        add_arguments(call, store_of(cell), false);
        return true;
    }
    if (key_is(key, "size\xA7")) {
        call.append(make_int_value_from_number(store_of(call.checked_receiver()).node_count));
        return true;
    }
    if (key_has_prefix(key, "get\xA7") || key_has_prefix(key, "Get\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        call.raise_if(check_arg_range(args, 1, -1));
        const bool from_end = from_end_key(key);
        const int mode = hand_out_mode(call);
        // A list of plain values that the caller only reads at once (see
        // ELEMENT_USED_AT_ONCE) reads the same as its copy: the element
        // itself stands for it.
        const bool read_at_once = call.element_used_at_once && args.count() == 1 && mode == 4;
        for (int32_t i = 0; i < args.count(); ++i) {
            UNION_DATA* element = nullptr;
            call.raise_if(check_list_index(args, store, i, from_end, &element));
            if (read_at_once && reads_as_its_copy(element)) call.append(RESULT_ITEM{element, access_handed_out, 0});
            else hand_out(call, element, mode);
        }
        return true;
    }
    if (key_has_prefix(key, "[]\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        if (!input_object(call)) call.refuse_constant();
        call.raise_if(check_arg_range(args, 1, -1));
        if (call.element_used_at_once && args.count() == 1 && writes_plainly(call)) {
            hand_out_used_at_once(call, store);
            return true;
        }
        const int mode = input_object(call) ? 7 : 3;
        for (int32_t i = 0; i < args.count(); ++i) {
            UNION_DATA* element = nullptr;
            call.raise_if(check_list_index(args, store, i, false, &element));
            hand_out(call, element, mode);
        }
        return true;
    }
    if (key_has_prefix(key, "list\xA7")) {
        if (input_object(call)) call.raise(msg_text("nicanwfueinpobjarg"));
        if (output_object(call)) call.raise(msg_text("nicanwfuevaroutobjarg"));
        LIST_DATA& store = store_of(call.checked_receiver());
        auto* cell = new UNION_DATA(tag_list);
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        LIST_DATA& made = store_of(cell);
        for (int32_t i = 0; i < args.count(); ++i) {
            UNION_DATA* element = nullptr;
            call.raise_if(check_list_index(args, store, i, false, &element));
            call.raise_if(made.append(element, 4));
        }
        return true;
    }
    if (key_is(key, "get0\xA7") || key_is(key, "Get0\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver(true));
        UNION_DATA* element = key[0] == 'g' ? store.first() : store.last();
        const int mode = hand_out_mode(call);
        if (call.element_used_at_once && mode == 4 && reads_as_its_copy(element))
            call.append(RESULT_ITEM{element, access_handed_out, 0});  // as get(i) hands it out
        else hand_out(call, element, mode);
        return true;
    }
    if (is_find_key(key)) {
        find_elements(call, store_of(call.checked_receiver()));
        return true;
    }
    if (key_has_prefix(key, "del0\xA7") || key_has_prefix(key, "Del0\xA7")) {
        move_end_element(call, call.checked_receiver(), key[0] == 'd');
        return true;
    }
    if (key_is(key, "args\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        const int mode = hand_out_mode(call);
        for (LIST_NODE* node = store.head; node != nullptr; node = node->next) hand_out(call, &node->value, mode);
        return true;
    }
    return false;
}

namespace {

// The element at a position an int argument names, counted from the tail
// with from_end, of the list the receiver holds or leads to as the handler
// finds it (a read-only parameter is bound by a reference): null when the
// case is not plain (an undefined list or index, an index outside the list).
UNION_DATA* plain_element(const DIRECT_CALL& call, bool from_end) {
    UNION_DATA* receiver = call.defined_receiver(tag_list);
    int64_t index = 0;
    if (receiver == nullptr || !call.single_int(index)) return nullptr;
    LIST_DATA& store = store_of(receiver);
    const int64_t position = from_end ? int64_t{store.node_count} - 1 - index : index;
    if (position < 0 || position >= store.node_count) return nullptr;
    return store.at(static_cast<int>(position), nullptr);
}

// Whether a link handed out of the receiver must carry a read-only mode
// (run_methods lends it): the handler's road makes those.
bool lends_read_only(const DIRECT_CALL& call) {
    return !is_variable_mode(lent_item_access(call.receiver.mode, call.receiver.cell));
}

// l[i] on a list variable: an alias of the element.
bool element_alias(const DIRECT_CALL& call) {
    if (call.receiver.mode < access_variable) return false;  // a constant refuses the method
    UNION_DATA* element = plain_element(call, false);
    if (element == nullptr || lends_read_only(call)) return false;
    if (call.element_used_at_once && !is_link_cell(element) && base_type_code(element) != tag_object) {
        call.results->append(RESULT_ITEM{element, access_handed_out, 0});  // as the handler's road hands it
        return true;
    }
    if (const char* message = make_copy_value(*call.results, element, 3, false, false)) call.raise("list", message);
    return true;
}

// l.get(i) and l.Get(i): a copy of the element.
bool element_copy(const DIRECT_CALL& call, bool from_end) {
    UNION_DATA* element = plain_element(call, from_end);
    if (element == nullptr) return false;
    // A reference handed out of a read-only list stays read-only: the handler's road.
    if (is_link_cell(element) && lends_read_only(call)) return false;
    if (call.element_used_at_once && reads_as_its_copy(element)) {  // as the handler does
        call.results->append(RESULT_ITEM{element, access_handed_out, 0});
        return true;
    }
    if (const char* message = make_copy_value(*call.results, element, 4, false, false)) call.raise("list", message);
    return true;
}

bool element_copy_from_head(const DIRECT_CALL& call) { return element_copy(call, false); }
bool element_copy_from_tail(const DIRECT_CALL& call) { return element_copy(call, true); }

// The list a procedure changes in its plain case: a defined list variable
// that no walk holds, given `arguments` arguments; null otherwise.
LIST_DATA* plain_changed_list(const DIRECT_CALL& call, uint32_t arguments) {
    UNION_DATA* receiver = call.receiver.cell;
    if (receiver == nullptr || lower_tag(receiver->tag) != tag_list || receiver->payload == nullptr ||
        call.receiver.mode < access_variable || call.args.count != arguments)
        return nullptr;
    LIST_DATA& store = store_of(receiver);
    return store.iteration_count == 0 ? &store : nullptr;
}

// l.Ins0(x) and l.ins0(x) of one int or str on a list variable that no walk
// holds: the value copied in at the tail or the head.
bool add_plain_value(const DIRECT_CALL& call, bool at_head) {
    LIST_DATA* store = plain_changed_list(call, 1);
    if (store == nullptr) return false;
    UNION_DATA* value = follow_aliases(call.args.head->item.cell);
    if (value == nullptr) return false;
    const char tag = lower_tag(value->tag);
    if (tag != tag_int && tag != tag_str) return false;  // neither a link nor a big type: a copy
    if (const char* message = at_head ? store->prepend(value, 0) : store->append(value, 0)) call.raise("list", message);
    return true;
}

// l.size() of a defined list.
bool plain_size(const DIRECT_CALL& call) {
    UNION_DATA* value = call.defined_receiver(tag_list);
    if (value == nullptr) return false;
    call.results->append(make_int_value_from_number(store_of(value).node_count));
    return true;
}

bool add_at_tail(const DIRECT_CALL& call) { return add_plain_value(call, false); }
bool add_at_head(const DIRECT_CALL& call) { return add_plain_value(call, true); }

// l.del0() and l.Del0() as statements on a non-empty list variable that
// no walk holds: the end element goes.
bool remove_end(const DIRECT_CALL& call, bool from_head) {
    LIST_DATA* store = plain_changed_list(call, 0);
    if (store == nullptr || store->node_count == 0) return false;  // the handler's message
    if (from_head) store->remove_first();
    else store->remove_last();
    return true;
}

bool remove_head(const DIRECT_CALL& call) { return remove_end(call, true); }
bool remove_tail(const DIRECT_CALL& call) { return remove_end(call, false); }

}  // namespace

bool list_reads_int_arguments(const std::string& key) {
    return key == "[]\xA7int;\xA7" || key == "get\xA7int;\xA7" || key == "Get\xA7int;\xA7";
}

DIRECT_HANDLER list_direct_for(const std::string& key, bool function) {
    if (!function) {
        if (key == "Ins0\xA7int;\xA7" || key == "Ins0\xA7str;\xA7") return add_at_tail;
        if (key == "ins0\xA7int;\xA7" || key == "ins0\xA7str;\xA7") return add_at_head;
        if (key == "del0\xA7") return remove_head;
        if (key == "Del0\xA7") return remove_tail;
        return nullptr;
    }
    if (key == "size\xA7") return plain_size;
    if (key == "[]\xA7int;\xA7") return element_alias;
    if (key == "get\xA7int;\xA7") return element_copy_from_head;
    if (key == "Get\xA7int;\xA7") return element_copy_from_tail;
    return nullptr;
}

bool list_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    // The appends first: they are the calls that build lists.
    if (is_call_form_key(key) || key_has_prefix(key, "Ins0\xA7") || key_has_prefix(key, "ins0\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.refuse_during_iteration();
        add_arguments(call, store, key[0] == 'i');
        return true;
    }
    if (key_has_prefix(key, "set\xA7") || key_has_prefix(key, "Set\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        if (args.count() == 0 || args.count() % 2 != 0) call.raise(msg_text("anzargposger"));
        const bool from_end = from_end_key(key);
        const bool only_variables = variables_only(call);
        for (int32_t i = 0; i + 1 < args.count(); i += 2) {
            UNION_DATA* element = nullptr;
            int position = 0;
            call.raise_if(check_list_index(args, store, i, from_end, &element, &position));
            UNION_DATA* cell = nullptr;
            int mode = 0;
            transfer_out_arg(call.args, call.node, i + 1, only_variables, false, &cell, &mode);
            call.raise_if(store.set_at(position, cell, mode));
        }
        return true;
    }
    if (key_has_prefix(key, "ins\xA7") || key_has_prefix(key, "Ins\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.refuse_during_iteration();
        if (args.count() == 0 || args.count() % 2 != 0) call.raise(msg_text("anzargposger"));
        std::vector<int64_t> gaps;
        call.raise_if(check_index_or_key_arg(args, store.node_count, from_end_key(key), call.type_code, gaps));
        const bool only_variables = variables_only(call);
        for (size_t pair = 0; pair < gaps.size(); ++pair) {
            UNION_DATA* cell = nullptr;
            int mode = 0;
            transfer_out_arg(call.args, call.node, static_cast<int>(2 * pair + 1), only_variables, false, &cell, &mode);
            call.raise_if(store.insert_at(static_cast<int>(gaps[pair]), cell, mode));
        }
        return true;
    }
    if (key_is(key, "del0\xA7") || key_is(key, "Del0\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver(true));
        call.refuse_constant();
        call.refuse_during_iteration();
        const bool from_head = key[0] == 'd';
        if (from_head) store.remove_first();
        else store.remove_last();
        return true;
    }
    if (key_is(key, "del\xA7")) return false;  // the common method del
    if (key_has_prefix(key, "del\xA7") || key_has_prefix(key, "Del\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.refuse_during_iteration();
        call.raise_if(check_arg_range(args, 1, -1));
        const bool from_end = from_end_key(key);
        std::vector<int64_t> positions;
        call.raise_if(check_index_arg(args, store.node_count, from_end, call.type_code, positions));
        for (int64_t position : positions) call.raise_if(store.remove_at(static_cast<int>(position)));
        return true;
    }
    if (key_is(key, "flip\xA7")) {
        LIST_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.refuse_during_iteration();
        store.reverse();
        return true;
    }
    if (key_is(key, "sort\xA7") || key_is(key, "Sort\xA7")) {
        sort_elements(call, store_of(call.checked_receiver()), false);
        return true;
    }
    if (key_has_prefix(key, "sort\xA7") || key_has_prefix(key, "Sort\xA7")) {
        sort_elements(call, store_of(call.checked_receiver()), true);
        return true;
    }
    return false;
}

}  // namespace morvu
