#include "values/list_store.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/str_stream.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "values/address_order.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/saved_text.h"
#include "values/value_copy.h"
#include "values/radix_sort.h"
#include "values/walk_pins.h"

namespace morvu {

namespace {

const char* index_message(int index, int count) {
    return keep_message(format_string(msg_text("unzindlislae"), index, count));
}

// Copies a plain value of a small type into a fresh element cell, as
// copy_into_slot would for a copy, without the general walk: nothing inside
// such a value can link, so there is nothing to re-point afterwards. A
// container met inside a copy in progress is parked as the general copy
// parks it, without the layers that lead there. False,
// with the cell untouched, when the value needs the general copy: another
// mode, a link, no value, another type, or a cell that links point to while
// a copy of an enclosing value is in progress (that copy must learn its
// partner; no other cell's partner is ever asked for).
bool copy_plain_value(UNION_DATA& element, UNION_DATA* source, int mode) {
    if (mode != assign_mode_plain && mode != -1 && mode != assign_mode_keep_reference) return false;
    if (copy_depth != 0 && source->referrers != nullptr) return false;
    if (source->tag == tag_any && element.tag == tag_any) return true;  // the empty value: a new pair of h[k]
    if (source->payload == nullptr) return false;
    const char lowered = lower_tag(source->tag);
    switch (lowered) {
    case tag_int: {
        // A plain machine number is held in the element's payload word.
        if (is_inline_int(source->payload)) {
            element.payload = source->payload;
        } else if (!inline_copy_of(*source->int_data(), element.payload)) {
            auto* number = new INT_DATA();
            *number = *source->int_data();  // the assignment the general copy makes
            element.payload = number;
        }
        break;
    }
    case tag_real: {
        auto* number = new REAL_DATA();
        *number = *source->real_data();
        element.payload = number;
        break;
    }
    case tag_str: element.payload = new STR_DATA(source->str_data()->text); break;
    case tag_bool:
    case tag_char:
    case tag_oper:
        element.scalar = source->scalar;
        element.payload = &element.scalar;
        break;
    case tag_list:
    case tag_args:
    case tag_hash:
    case tag_set:
        // A container inside a copy in progress: parked, as the general copy
        // parks it, to be filled before the outermost copy ends.
        if (copy_depth == 0 || element.tag != tag_any || element.payload != nullptr || element.referrers != nullptr)
            return false;
        park_container_copy(&element, source);
        return true;
    default: return false;
    }
    element.tag = raise_tag(lowered);
    return true;
}

// A detached node whose value, and key when one is given, are made from the
// given cells by their modes; a null value leaves an empty any cell, a null
// key makes a list element without a key cell. The node is complete before
// any list sees it, so the cells given may lie inside the list that
// receives it. *message gets the first failure of a copy.
LIST_NODE* make_node(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    std::unique_ptr<LIST_NODE> node(key != nullptr ? new LIST_NODE() : LIST_NODE::make_element());
    const char* failure = nullptr;
    if (key != nullptr && !copy_plain_value(node->key(), key, key_mode))
        failure = copy_into_slot(&node->key(), key, key_mode);
    if (value != nullptr && !copy_plain_value(node->value, value, value_mode)) {
        const char* value_failure = copy_into_slot(&node->value, value, value_mode);
        if (failure == nullptr) failure = value_failure;
    }
    *message = failure;
    return node.release();
}

bool same_cell(UNION_DATA* a, UNION_DATA* b) { return follow_link(a) == follow_link(b); }

// A node whose value cell may pass its value to another node: a plain
// scalar or text that no link, weak cell, operation or save refers to, beside
// an empty key. Such a cell is known only by the value it holds.
bool holds_movable_content(const LIST_NODE& node) {
    const UNION_DATA& key = node.key();
    if (key.tag != tag_any || key.payload != nullptr || key.referrers != nullptr || key.weak_held != 0) {
        return false;
    }
    const UNION_DATA& value = node.value;
    switch (lower_tag(value.tag)) {
    case tag_bool:
    case tag_char:
    case tag_int:
    case tag_oper:
    case tag_real:
    case tag_str: break;
    default: return false;
    }
    return value.referrers == nullptr && value.weak_held == 0 && value.in_use == 0 && !is_numbered_cell(&value) &&
           value.being_written == 0;
}

// What a movable cell holds: its value and the access it has to it, in 16
// bytes. A value kept inside the cell (bool, char, oper) travels as its word
// and points at the word of the cell it lands in.
struct CELL_CONTENT {
    union {
        void* payload;
        SCALAR_WORD scalar;
    } value;
    uint32_t access_mode;
    char tag;
    bool in_cell;

    static CELL_CONTENT of(const UNION_DATA& cell) {
        CELL_CONTENT content{};
        content.in_cell = cell.payload != nullptr && cell.payload == &cell.scalar;
        if (content.in_cell) content.value.scalar = cell.scalar;
        else content.value.payload = cell.payload;
        content.access_mode = cell.access_mode;
        content.tag = cell.tag;
        return content;
    }
    void put_into(UNION_DATA& cell) const {
        if (in_cell) {
            cell.scalar = value.scalar;
            cell.payload = &cell.scalar;
        } else {
            cell.payload = value.payload;
        }
        cell.access_mode = access_mode;
        cell.tag = tag;
    }
};
static_assert(sizeof(CELL_CONTENT) == 16, "the contents of a sorted list stay small");

// Frees the numbers of the plain int elements of a chain (int cells and
// any cells holding an int, without links) in the order of their
// addresses, leaving those cells without payload, which their destruction
// then skips. After a sort the numbers lie all over memory, and freeing them
// in chain order would visit them so; nothing can observe the order. Numbers
// that mostly follow one another in memory are left to the chain.
bool is_plain_number(const UNION_DATA& value) {
    return lower_tag(value.tag) == tag_int && value.payload != nullptr && !is_inline_int(value.payload) &&
           value.referrers == nullptr && value.weak_held == 0 && value.in_use == 0;
}

void free_plain_numbers(LIST_NODE* chain, int count) {
    constexpr uintptr_t near = 4096;
    int far_steps = 0;
    uintptr_t previous = 0;
    for (LIST_NODE* node = chain; node != nullptr; node = node->next) {
        if (!is_plain_number(node->value)) continue;
        const auto address = reinterpret_cast<uintptr_t>(node->value.payload);
        if (address - previous > near && previous - address > near) ++far_steps;
        previous = address;
    }
    if (far_steps < count / 8) return;
    // The addresses become offsets from the lowest, in units of the numbers'
    // alignment, and are sorted in place.
    std::vector<uint64_t> numbers;
    numbers.reserve(static_cast<size_t>(count));
    uintptr_t lowest = UINTPTR_MAX;
    uintptr_t highest = 0;
    for (LIST_NODE* node = chain; node != nullptr; node = node->next) {
        UNION_DATA& value = node->value;
        if (!is_plain_number(value)) continue;
        const auto address = reinterpret_cast<uintptr_t>(value.payload);
        numbers.push_back(address);
        lowest = std::min(lowest, address);
        highest = std::max(highest, address);
        value.payload = nullptr;
    }
    if (numbers.empty()) return;
    constexpr uintptr_t unit = alignof(INT_DATA);
    for (uint64_t& number : numbers) number = (number - lowest) / unit;
    radix_sort_field(numbers.data(), numbers.size(), 0,
                     static_cast<unsigned>(std::bit_width((highest - lowest) / unit)));
    for (uint64_t number : numbers) delete reinterpret_cast<INT_DATA*>(lowest + static_cast<uintptr_t>(number) * unit);
}

// Lets go of a cell as its destructor would, when nothing links to it and
// its value is a plain number, a text, a value kept in the cell or nothing; false,
// with the cell untouched, for every other cell.
bool let_go_plain_cell(UNION_DATA& cell) {
    if ((cell.weak_held | cell.key_numbered) != 0 || cell.referrers != nullptr) return false;
    switch (lower_tag(cell.tag)) {
    case tag_any: return cell.payload == nullptr;  // an any cell with nothing or the empty value
    case tag_bool:
    case tag_char:
    case tag_oper: return true;  // kept in the cell, or no value
    case tag_int:
        if (!is_inline_int(cell.payload)) delete static_cast<INT_DATA*>(cell.payload);
        return true;
    case tag_real: delete cell.real_data(); return true;
    case tag_str:
        // The keys of most hashes: a walk may still pin the text.
        if (cell.payload != nullptr && !keep_walked_payload(tag_str, cell.payload)) delete cell.str_data();
        return true;
    default: return false;
    }
}

}  // namespace

// The block of a node with its own key: the node, then the key cell.
struct KEYED_BLOCK {
    alignas(LIST_NODE) alignas(UNION_DATA) unsigned char bytes[sizeof(LIST_NODE) + sizeof(UNION_DATA)];
};
static_assert(sizeof(LIST_NODE) % alignof(UNION_DATA) == 0, "the key cell follows the node");

UNION_DATA LIST_NODE::no_key{tag_any};

LIST_NODE::LIST_NODE() noexcept : value(tag_any) {
    ::new (reinterpret_cast<unsigned char*>(this) + sizeof(LIST_NODE)) UNION_DATA(tag_any);
    value.key_follows = 1;
}

LIST_NODE::LIST_NODE(WITHOUT_KEY) : value(tag_any) {}

LIST_NODE* LIST_NODE::make_element() {
    void* block = SLAB_POOL<LIST_NODE>::allocate(sizeof(LIST_NODE));
    return ::new (block) LIST_NODE(WITHOUT_KEY{});  // the cell's construction cannot fail
}

void* LIST_NODE::operator new(std::size_t) { return SLAB_POOL<KEYED_BLOCK>::allocate(sizeof(KEYED_BLOCK)); }

void LIST_NODE::operator delete(void* block) noexcept { SLAB_POOL<KEYED_BLOCK>::release(block, sizeof(KEYED_BLOCK)); }

void LIST_NODE::operator delete(LIST_NODE* node, std::destroying_delete_t) {
    const bool keyed = node->has_own_key();
    UNION_DATA* key = keyed ? node->own_key() : nullptr;
    if (node->value.in_use != 0 || is_held(key)) [[unlikely]] {
        // An operation still uses a cell of the node: it goes when the hold ends.
        defer_release(node, &node->value, key, [](void* block) { delete static_cast<LIST_NODE*>(block); });
        return;
    }
    node->~LIST_NODE();
    if (keyed) SLAB_POOL<KEYED_BLOCK>::release(node, sizeof(KEYED_BLOCK));
    else SLAB_POOL<LIST_NODE>::release(node, sizeof(LIST_NODE));
}

LIST_NODE::~LIST_NODE() {
    const bool keyed = has_own_key();  // read before the value cell goes
    if (!let_go_plain_cell(value)) value.~UNION_DATA();
    if (keyed && !let_go_plain_cell(*own_key())) own_key()->~UNION_DATA();
    // The shared key must stay the empty any cell nobody links to.
    assert(no_key.tag == tag_any && no_key.payload == nullptr && no_key.referrers == nullptr && no_key.weak_held == 0);
}

LIST_DATA::~LIST_DATA() { clear(); }

// A list shorter than this walks to any position in a few steps: it never
// gets positions.
constexpr int positions_from = 32;

template <typename CHANGE>
void LIST_DATA::keep_positions(CHANGE change) noexcept {
    if (positions == nullptr) return;
    try {
        change(*positions);  // each change leaves the slots as they were when it throws
    } catch (const std::bad_alloc&) {
        drop_positions();  // the positions are only a shortcut: walking still works
    }
}

void LIST_DATA::drop_positions() noexcept {
    positions.reset();
    far_steps = 0;
}

void LIST_DATA::clear() {
    // Detach the chain first: destroying a cell dissolves links into it, and
    // the list must look consistent (empty) while that happens.
    LIST_NODE* node = head;
    const int count = node_count;
    head = tail = nullptr;
    node_count = 0;
    cursor = nullptr;
    cursor_index = -1;
    drop_positions();
    if (count >= 1024) free_plain_numbers(node, count);
    while (node != nullptr) {
        LIST_NODE* next = node->next;
        delete node;
        node = next;
    }
}

void LIST_DATA::forget_nodes() {
    head = tail = nullptr;
    node_count = 0;
    cursor = nullptr;
    cursor_index = -1;
    drop_positions();
}

const char* LIST_DATA::append(UNION_DATA* cell, int mode) { return append_pair(nullptr, 0, cell, mode); }

const char* LIST_DATA::prepend(UNION_DATA* cell, int mode) {
    const char* message = nullptr;
    LIST_NODE* node = make_node(nullptr, 0, cell, mode, &message);
    node->next = head;
    if (head != nullptr) head->prev = node;
    else tail = node;
    head = node;
    ++node_count;
    if (cursor_index >= 0) ++cursor_index;  // same node, one position further
    keep_positions([node](LIST_POSITIONS& nodes) { nodes.push_front(node); });
    return message;
}

const char* LIST_DATA::append_pair(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode) {
    const char* message = nullptr;
    link_at_tail(make_node(key, key_mode, value, value_mode, &message));
    return message;
}

bool LIST_DATA::append_plain(UNION_DATA* cell) {
    std::unique_ptr<LIST_NODE> node(LIST_NODE::make_element());
    if (!copy_plain_value(node->value, cell, assign_mode_plain)) return false;
    link_at_tail(node.release());
    return true;
}

bool LIST_DATA::append_taken(UNION_DATA* cell) {
    if (lower_tag(cell->tag) != tag_str || cell->payload == nullptr || cell->referrers != nullptr ||
        cell->in_use != 0 || cell->weak_held != 0 || cell->being_written != 0 || cell->key_numbered != 0 ||
        copy_depth != 0)
        return false;
    // A copy starts with no read under way: a text being read or walked is
    // copied instead.
    const STR_DATA* text = cell->str_data();
    if (text->reading() || text->walks() != 0) return false;
    LIST_NODE* node = LIST_NODE::make_element();
    node->value.payload = cell->payload;
    node->value.tag = raise_tag(tag_str);
    cell->payload = nullptr;
    cell->tag = tag_any;
    link_at_tail(node);
    return true;
}

void LIST_DATA::link_at_tail(LIST_NODE* node) {
    node->prev = tail;
    if (tail != nullptr) tail->next = node;
    else head = node;
    tail = node;
    ++node_count;
    keep_positions([node](LIST_POSITIONS& nodes) { nodes.push_back(node); });
}

UNION_DATA* LIST_DATA::first() {
    if (head == nullptr) return nullptr;
    cursor = head;
    cursor_index = 0;
    return &head->value;
}

UNION_DATA* LIST_DATA::last() {
    if (tail == nullptr) return nullptr;
    cursor = tail;
    cursor_index = node_count - 1;
    return &tail->value;
}

UNION_DATA* LIST_DATA::at(int index, const char** message) {
    if (index < 0 || index >= node_count) {
        const char* text = index_message(index, node_count);
        if (message != nullptr) *message = text;
        return nullptr;
    }
    if (message != nullptr) *message = nullptr;
    LIST_NODE* node = node_at(index);
    cursor = node;
    cursor_index = index;
    return &node->value;
}

LIST_NODE* LIST_DATA::node_at(int index) {
    if (positions != nullptr) return positions->at(index);
    // Start from whichever known node lies nearest: the head, the tail or
    // the cursor. Neighbours of the cursor cost one step, as does repeating
    // the same index.
    LIST_NODE* node = head;
    int position = 0;
    int distance = index;
    if (node_count - 1 - index < distance) {
        node = tail;
        position = node_count - 1;
        distance = node_count - 1 - index;
    }
    if (cursor != nullptr) {
        int from_cursor = index > cursor_index ? index - cursor_index : cursor_index - index;
        if (from_cursor < distance) {
            node = cursor;
            position = cursor_index;
            distance = from_cursor;
        }
    }
    // Once the steps walked past the known nodes' neighbours add up to a
    // walk over the whole list, a walk that makes the positions costs no
    // more than has been walked already.
    if (distance > 1 && node_count >= positions_from) {
        if (distance - 1 >= node_count - far_steps) {
            positions = std::make_unique<LIST_POSITIONS>(head, node_count);
            return positions->at(index);
        }
        far_steps += distance - 1;
    }
    for (; position < index; ++position) node = node->next;
    for (; position > index; --position) node = node->prev;
    return node;
}

const char* LIST_DATA::set_at(int index, UNION_DATA* cell, int mode) {
    const char* message = nullptr;
    UNION_DATA* element = at(index, &message);
    if (element == nullptr) return message;
    // Only scope cells may become aliases; an element counts as one for the
    // length of this assignment.
    uint8_t was_scope = element->scope_variable;
    element->scope_variable = 1;
    message = assign_by_mode(element, cell, mode);
    element->scope_variable = was_scope;
    return message;
}

const char* LIST_DATA::insert_at(int index, UNION_DATA* cell, int mode) {
    if (index == node_count) return append(cell, mode);
    const char* message = nullptr;
    if (at(index, &message) == nullptr) return message;
    if (index == 0) return prepend(cell, mode);  // the cursor stays on the old head, now 1
    LIST_NODE* node = make_node(nullptr, 0, cell, mode, &message);
    LIST_NODE* after = cursor;  // at() put the cursor on the node now at index
    node->prev = after->prev;
    node->next = after;
    after->prev->next = node;
    after->prev = node;
    ++node_count;
    cursor = node;  // cursor_index stays index
    keep_positions([index, node](LIST_POSITIONS& nodes) { nodes.insert(index, node); });
    return message;
}

int LIST_DATA::find(UNION_DATA* key, bool by_reference) {
    int index = 0;
    for (LIST_NODE* node = head; node != nullptr; node = node->next, ++index) {
        bool stored_reference = is_reference_tag(node->key().tag);
        bool match = by_reference ? stored_reference && same_cell(key, &node->key())
                                  : !stored_reference && is_equal_value(key, &node->key(), true);
        if (match) {
            cursor = node;
            cursor_index = index;
            return index;
        }
    }
    cursor = nullptr;
    cursor_index = -1;
    return -1;
}

void LIST_DATA::remove_first() {
    LIST_NODE* node = head;
    if (node == nullptr) return;
    if (cursor_index == 0) {
        cursor = nullptr;
        cursor_index = -1;
    } else if (cursor_index > 0) {
        --cursor_index;
    }
    head = node->next;
    if (head != nullptr) head->prev = nullptr;
    else tail = nullptr;
    --node_count;
    keep_positions([](LIST_POSITIONS& nodes) { nodes.pop_front(); });
    delete node;
}

void LIST_DATA::remove_last() {
    LIST_NODE* node = tail;
    if (node == nullptr) return;
    if (cursor_index == node_count - 1) {
        cursor = nullptr;
        cursor_index = -1;
    }
    tail = node->prev;
    if (tail != nullptr) tail->next = nullptr;
    else head = nullptr;
    --node_count;
    keep_positions([](LIST_POSITIONS& nodes) { nodes.pop_back(); });
    delete node;
}

const char* LIST_DATA::remove_at(int index) {
    const char* message = nullptr;
    if (at(index, &message) == nullptr) return message;
    if (index == 0) {
        remove_first();
    } else if (index == node_count - 1) {
        remove_last();
    } else {
        LIST_NODE* node = cursor;  // an inner node: both neighbours exist
        node->prev->next = node->next;
        node->next->prev = node->prev;
        cursor = node->prev;
        cursor_index = index - 1;
        --node_count;
        keep_positions([index](LIST_POSITIONS& nodes) { nodes.erase(index); });
        delete node;
    }
    return nullptr;
}

void LIST_DATA::remove_node(LIST_NODE* node) {
    if (node->prev != nullptr) node->prev->next = node->next;
    else head = node->next;
    if (node->next != nullptr) node->next->prev = node->prev;
    else tail = node->prev;
    // Finding the cursor's new position would cost a walk; callers position
    // again before any positioned access anyway. So would the node's place
    // among the positions.
    cursor = nullptr;
    cursor_index = -1;
    --node_count;
    drop_positions();
    delete node;
}

bool LIST_DATA::equals(LIST_DATA& other) { return equal_containers(tag_list, this, &other); }

const char* LIST_DATA::append_all(LIST_DATA& other) {
    // Count first: a list appended to itself must stop after its own nodes.
    int count = other.node_count;
    FIRST_MESSAGE message;
    LIST_NODE* node = other.head;
    for (int i = 0; i < count && node != nullptr; ++i, node = node->next) {
        const char* failure = append(&node->value, 0);
        message.note(failure);
    }
    return message.result();
}

void LIST_DATA::reverse() {
    if (node_count < 2) return;
    cursor = nullptr;
    cursor_index = -1;
    for (LIST_NODE* node = head; node != nullptr; node = node->prev) std::swap(node->prev, node->next);
    std::swap(head, tail);
    keep_positions([](LIST_POSITIONS& nodes) { nodes.reverse(); });
}

void LIST_DATA::arrange(const std::vector<int>& permutation) {
    cursor = nullptr;
    cursor_index = -1;
    if (all_contents_movable()) {
        // No cell of the list is known by its identity: the values move
        // between the nodes instead, so that the nodes stay in the order
        // they were made and later walks read memory in order. The contents
        // are read in list order into one dense array, then written back in
        // list order, each node taking the content at its permutation index:
        // the only scattered reads are those of the small array.
        std::vector<CELL_CONTENT> contents;
        contents.reserve(permutation.size());
        for (LIST_NODE* node = head; node != nullptr; node = node->next)
            contents.push_back(CELL_CONTENT::of(node->value));
        const int* from = permutation.data();
        for (LIST_NODE* node = head; node != nullptr; node = node->next, ++from)
            contents[static_cast<size_t>(*from)].put_into(node->value);
        return;
    }
    std::vector<LIST_NODE*> nodes;
    nodes.reserve(permutation.size());
    for (LIST_NODE* node = head; node != nullptr; node = node->next) nodes.push_back(node);
    LIST_NODE* previous = nullptr;
    for (int from : permutation) {
        LIST_NODE* node = nodes[static_cast<size_t>(from)];
        node->prev = previous;
        if (previous != nullptr) previous->next = node;
        else head = node;
        previous = node;
    }
    if (previous != nullptr) previous->next = nullptr;
    tail = previous;
    keep_positions([&nodes, &permutation](LIST_POSITIONS& sorted) {
        std::vector<LIST_NODE*> order;
        order.reserve(nodes.size());
        for (int from : permutation) order.push_back(nodes[static_cast<size_t>(from)]);
        sorted.assign(std::move(order));
    });
}

namespace {

// The shortest list that sort_plain_ints takes: below it the counts of its
// passes cost more than the comparisons they save.
constexpr int radix_sort_from = 64;

// Whether two numbers of equal value look alike to every program: the
// sign a zero carries, the groups a number built from text keeps, and the
// text ("07" against "7"), which every zero prints as "0". The texts are
// written into the two buffers given: a number that keeps no text of its
// own is written without building one.
bool same_visible_number(const INT_DATA& a, const INT_DATA& b, std::string& a_text, std::string& b_text) {
    if (a.sign() != b.sign() || a.limb_count() != b.limb_count()) return false;
    if (a.is_zero()) return true;
    a_text.clear();
    b_text.clear();
    a.append_text(a_text);
    b.append_text(b_text);
    return a_text == b_text;
}

// Whether a number looks as every arithmetic result of its value does: the
// sign +1 unless it is negative, no leading zero groups, the plain text.
// Two such numbers of one value look alike.
bool in_plain_form(const INT_DATA& number, std::string& text) {
    int64_t value = 0;
    if (!number.to_int64(value) || number.sign() != (value < 0 ? -1 : 1)) return false;
    char plain[24];
    const char* end = std::to_chars(plain, plain + sizeof plain, value).ptr;
    const auto digits = static_cast<int>(end - plain) - (value < 0 ? 1 : 0);
    if (number.limb_count() != (digits + 2) / 3) return false;
    if (number.is_zero()) return true;
    text.clear();
    number.append_text(text);
    return text == std::string_view(plain, static_cast<size_t>(end - plain));
}

// Whether the numbers that have an equal one among the sorted words look
// alike; a word holds a number's place above the place bits, the place
// counting in units of the numbers' alignment from first_number. Sorted,
// equal numbers lie all over memory: they are marked by their place and
// checked in the order of their addresses, each against the plain form of
// its value. Only when one differs from it, or the places are too many to
// mark, are the equal numbers compared pairwise in sorted order.
bool ties_look_alike(const uint64_t* words, size_t n, unsigned place_bits, uintptr_t first_number) {
    constexpr uintptr_t unit = alignof(INT_DATA);
    const uint64_t place_mask = (uint64_t{1} << place_bits) - 1;
    auto number_at = [first_number](uint64_t place) {
        return reinterpret_cast<const INT_DATA*>(first_number + static_cast<uintptr_t>(place) * unit);
    };
    std::vector<uint64_t> tied;  // a bit per place
    const size_t marks = static_cast<size_t>(place_mask >> 6) + 1;
    bool any_tie = false;
    bool marked = marks <= n;
    for (size_t i = 1; i < n; ++i) {
        if ((words[i] ^ words[i - 1]) > place_mask) continue;
        any_tie = true;
        if (!marked) break;
        if (tied.empty()) tied.resize(marks);
        for (uint64_t place : {words[i - 1] & place_mask, words[i] & place_mask})
            tied[place >> 6] |= uint64_t{1} << (place & 63);
    }
    if (!any_tie) return true;
    std::string text;
    if (marked) {
        bool all_plain = true;
        for (size_t at = 0; at < tied.size() && all_plain; ++at) {
            for (uint64_t bits = tied[at]; bits != 0 && all_plain; bits &= bits - 1)
                all_plain = in_plain_form(*number_at(at * 64 + static_cast<unsigned>(std::countr_zero(bits))), text);
        }
        if (all_plain) return true;
    }
    std::string other_text;
    for (size_t i = 1; i < n; ++i) {
        if ((words[i] ^ words[i - 1]) > place_mask) continue;
        if (!same_visible_number(*number_at(words[i - 1] & place_mask), *number_at(words[i] & place_mask), text,
                                 other_text))
            return false;
    }
    return true;
}

}  // namespace

namespace {

// The sorted distances back into the nodes' payload words, in list order.
template <typename WORD>
void put_sorted_words(LIST_NODE* head, const WORD* distances, uint64_t low, uint64_t high, bool ascending) {
    for (LIST_NODE* node = head; node != nullptr; node = node->next, ++distances) {
        const uint64_t sorted = ascending ? low + *distances : high - *distances;
        make_inline_int(static_cast<int64_t>(sorted ^ (uint64_t{1} << 63)), node->value.payload);
    }
}

// The values' distances from the first in the wanted order, radix sorted.
template <typename WORD>
std::unique_ptr<WORD[]> sorted_distances(const LIST_NODE* head, size_t n, uint64_t low, uint64_t high, bool ascending) {
    auto distances = std::make_unique_for_overwrite<WORD[]>(n);
    WORD* distance = distances.get();
    for (const LIST_NODE* node = head; node != nullptr; node = node->next, ++distance) {
        const uint64_t word = static_cast<uint64_t>(inline_int_value(node->value.payload)) ^ (uint64_t{1} << 63);
        *distance = static_cast<WORD>(ascending ? word - low : high - word);
    }
    radix_sort_field(distances.get(), n, 0, static_cast<unsigned>(std::bit_width(high - low)));
    return distances;
}

}  // namespace

bool LIST_DATA::sort_inline_ints(bool ascending) {
    const char tag = head->value.tag;
    const uint8_t access = head->value.access_mode;
    const auto n = static_cast<size_t>(node_count);
    // The values as unsigned words in the order of their signed values. A
    // number in a record joins when it looks as the word form does; it is
    // put into that form only once every node has passed.
    uint64_t low = UINT64_MAX;
    uint64_t high = 0;
    size_t boxed = 0;
    for (LIST_NODE* node = head; node != nullptr; node = node->next) {
        const UNION_DATA& value = node->value;
        if (value.tag != tag || value.access_mode != access || value.payload == nullptr ||
            !holds_movable_content(*node))
            return false;
        int64_t number = 0;
        if (is_inline_int(value.payload)) {
            number = inline_int_value(value.payload);
        } else {
            void* unused = nullptr;
            if (!value.int_data()->plain_int64(number) || !make_inline_int(number, unused)) return false;
            ++boxed;
        }
        const uint64_t word = static_cast<uint64_t>(number) ^ (uint64_t{1} << 63);
        low = std::min(low, word);
        high = std::max(high, word);
    }
    if (boxed != 0) {
        for (LIST_NODE* node = head; node != nullptr; node = node->next) {
            UNION_DATA& value = node->value;
            if (is_inline_int(value.payload)) continue;
            int64_t number = 0;
            value.int_data()->to_int64(number);
            std::unique_ptr<INT_DATA> record(value.int_data());
            make_inline_int(number, value.payload);
        }
    }
    // Equal values in the word form cannot be told apart: the values alone
    // are sorted, as distances from the first in the wanted order, in half
    // words when they span less than 2^32 (half the buffer).
    cursor = nullptr;
    cursor_index = -1;
    if (high - low <= UINT32_MAX) {
        put_sorted_words(head, sorted_distances<uint32_t>(head, n, low, high, ascending).get(), low, high, ascending);
    } else {
        put_sorted_words(head, sorted_distances<uint64_t>(head, n, low, high, ascending).get(), low, high, ascending);
    }
    return true;
}

bool LIST_DATA::sort_plain_ints(bool ascending) {
    if (node_count < radix_sort_from) return false;
    const char tag = head->value.tag;
    const uint8_t access = head->value.access_mode;
    if (lower_tag(tag) != tag_int) return false;
    // A list that holds ints in its cells' payload words sorts them by
    // value; the records' sort below would first give each one a record.
    for (const LIST_NODE* node = head; node != nullptr; node = node->next) {
        if (is_inline_int(node->value.payload)) {
            if (sort_inline_ints(ascending)) return true;
            break;
        }
    }
    const auto n = static_cast<size_t>(node_count);
    // The numbers as unsigned words in the order of their signed values,
    // with the range of the words and of the numbers' addresses.
    auto words = std::make_unique_for_overwrite<uint64_t[]>(n);
    uint64_t low = UINT64_MAX;
    uint64_t high = 0;
    uintptr_t first_number = UINTPTR_MAX;
    uintptr_t last_number = 0;
    uint64_t* word = words.get();
    // After a sort the numbers lie all over memory: each is asked for some
    // nodes ahead, so that its reading does not wait on its own.
    constexpr int read_ahead = 16;
    LIST_NODE* ahead = head;
    for (int i = 0; i < read_ahead && ahead != nullptr; ++i) ahead = ahead->next;
    for (LIST_NODE* node = head; node != nullptr; node = node->next) {
        if (ahead != nullptr) {
            __builtin_prefetch(ahead->value.payload);
            ahead = ahead->next;
        }
        const UNION_DATA& value = node->value;
        int64_t number = 0;
        // Cells of different tags, or of different access, are told apart
        // by the order or by what they allow: sort keeps them.
        if (value.tag != tag || value.access_mode != access || value.payload == nullptr ||
            value.int_data()->is_empty() || !value.int_data()->to_int64(number) || !holds_movable_content(*node)) {
            return false;
        }
        *word = static_cast<uint64_t>(number) ^ (uint64_t{1} << 63);
        low = std::min(low, *word);
        high = std::max(high, *word);
        const auto address = reinterpret_cast<uintptr_t>(value.payload);
        first_number = std::min(first_number, address);
        last_number = std::max(last_number, address);
        ++word;
    }
    // Each word becomes the number's distance from the first in the wanted
    // order, above the number's own place among the numbers' addresses: the
    // sorted words give the numbers in order. Numbers spread too far in
    // memory for the key beside them are left to sort.
    constexpr uintptr_t unit = alignof(INT_DATA);
    const auto place_bits = static_cast<unsigned>(std::bit_width((last_number - first_number) / unit));
    const auto key_bits = static_cast<unsigned>(std::bit_width(high - low));
    if (place_bits + key_bits > 64) return false;
    word = words.get();
    for (LIST_NODE* node = head; node != nullptr; node = node->next, ++word) {
        const uint64_t key = ascending ? *word - low : high - *word;
        *word = key << place_bits | (reinterpret_cast<uintptr_t>(node->value.payload) - first_number) / unit;
    }
    radix_sort_field(words.get(), n, place_bits, key_bits);
    const uint64_t place_mask = (uint64_t{1} << place_bits) - 1;
    auto number_of = [first_number, place_mask](uint64_t word) {
        return reinterpret_cast<INT_DATA*>(first_number + static_cast<uintptr_t>(word & place_mask) * unit);
    };
    // Equal numbers end in no particular order, which need not be the one
    // sort gives them: they must look alike.
    if (!ties_look_alike(words.get(), n, place_bits, first_number)) return false;
    cursor = nullptr;
    cursor_index = -1;
    word = words.get();
    for (LIST_NODE* node = head; node != nullptr; node = node->next) node->value.payload = number_of(*word++);
    return true;
}

bool LIST_DATA::all_contents_movable() const {
    for (const LIST_NODE* node = head; node != nullptr; node = node->next)
        if (!holds_movable_content(*node)) return false;
    return true;
}

bool LIST_DATA::nodes_movable() const {
    for (const LIST_NODE* node = head; node != nullptr; node = node->next)
        if (!holds_movable_content(*node) || node->value.access_mode != access_variable) return false;
    return true;
}

const char* LIST_DATA::copy_from(LIST_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old nodes: the source may lie
    // inside one of them.
    LIST_DATA fresh;
    FIRST_MESSAGE message;
    for (LIST_NODE* node = source.head; node != nullptr; node = node->next) {
        const char* failure = fresh.append_pair(node->has_own_key() ? &node->key() : nullptr, 4, &node->value, 4);
        message.note(failure);
    }
    LIST_NODE* old_head = head;
    head = std::exchange(fresh.head, old_head);
    tail = std::exchange(fresh.tail, tail);
    node_count = std::exchange(fresh.node_count, node_count);
    cursor = nullptr;
    cursor_index = -1;
    drop_positions();
    fresh.cursor = nullptr;
    fresh.cursor_index = -1;
    return message.result();  // fresh now holds the old nodes and destroys them
}

}  // namespace morvu
