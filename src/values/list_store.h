// The payload of list and args values, and the bucket of the hash store: a
// doubly linked list of nodes, each embedding a value cell. In a hash bucket
// each node also holds a key cell; in a list every key is the one shared
// empty any cell LIST_NODE::no_key.
//
// Invariants: head, tail and node_count are null, null and 0 together. The
// cursor remembers the node of the last positioned access: either there is
// none (cursor null, cursor_index -1) or cursor_index is the cursor node's
// position from 0. Walking by consecutive indexes therefore costs one step per
// access. A list read far from its head, tail and cursor also gets the
// positions of its nodes (list_positions.h) once the steps it has walked past
// those nodes' neighbours add up to its length: from then on every position
// costs one step, and every change of the chain keeps the positions in step.
// The list owns its nodes and each node owns its cells.
//
// Operations that can fail return a message (null on success), formatted ones
// kept by keep_message (runtime/message_scratch.h). iteration_count belongs to
// the iteration members; the store never reads it.

#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "runtime/block_pool.h"
#include "runtime/slab_pool.h"
#include "values/list_positions.h"
#include "values/union_data.h"

namespace morvu {

class SORT_KEYS;

// One element: its value cell and, in a hash bucket, its key cell. A list's
// elements have no key of their own: their key is one shared empty any cell
// (no_key), which nothing may change, so a list node is little more than
// its value. A node with a key (a hash pair) is made in a larger block that
// holds the key cell right behind the node. Destroying a node destroys the
// value cell, then its own key cell.
//
// A cell that nothing links to and whose value is a plain number, a small
// value kept in the cell or nothing is let go of directly: its number freed,
// without the cell's general destruction, which would do nothing more. The
// anonymous union lets the node decide whether that destruction runs.
//
// Nodes come from slab pools (one for each block size): a long list lies in
// a few large blocks, its nodes in the order they were made, without a heap
// header each. `delete node` frees a node of either kind.
struct LIST_NODE {
    union {
        UNION_DATA value;
    };
    LIST_NODE* prev = nullptr;
    LIST_NODE* next = nullptr;

    // A node with an empty key cell of its own. Only `new LIST_NODE` may
    // make one: its operator new gives the block room for the key.
    LIST_NODE() noexcept;
    // A list element: no key cell of its own.
    static LIST_NODE* make_element();
    ~LIST_NODE();
    LIST_NODE(const LIST_NODE&) = delete;
    LIST_NODE& operator=(const LIST_NODE&) = delete;

    // The value cell marks a node with a key cell of its own, which lies
    // right behind the node; any other node's key is no_key.
    bool has_own_key() const { return value.key_follows != 0; }
    UNION_DATA& key() { return has_own_key() ? *own_key() : no_key; }
    const UNION_DATA& key() const { return has_own_key() ? *own_key() : no_key; }

    static void* operator new(std::size_t size);
    static void operator delete(LIST_NODE* node, std::destroying_delete_t);
    // Frees the block of a `new LIST_NODE` whose construction failed; every
    // delete expression takes the destroying form above.
    static void operator delete(void* block) noexcept;

    static UNION_DATA no_key;

private:
    struct WITHOUT_KEY {};
    explicit LIST_NODE(WITHOUT_KEY);
    // The key cell behind a node that has one.
    UNION_DATA* own_key() const {
        auto* behind = reinterpret_cast<unsigned char*>(const_cast<LIST_NODE*>(this)) + sizeof(LIST_NODE);
        return std::launder(reinterpret_cast<UNION_DATA*>(behind));
    }
};

class LIST_DATA {
public:
    int node_count = 0;
    int cursor_index = -1;
    LIST_NODE* cursor = nullptr;
    LIST_NODE* head = nullptr;
    LIST_NODE* tail = nullptr;
    int iteration_count = 0;
    // Steps walked beyond the first by positioned accesses, while the list
    // has no positions; reaching node_count makes them.
    int far_steps = 0;
    // The node at each position, or null.
    std::unique_ptr<LIST_POSITIONS> positions;

    LIST_DATA() = default;
    ~LIST_DATA();
    LIST_DATA(const LIST_DATA&) = delete;
    LIST_DATA& operator=(const LIST_DATA&) = delete;

    // Lists come and go with every copy of a list and every bucket of a
    // hash: recycled.
    static void* operator new(std::size_t size) { return BLOCK_POOL<LIST_DATA>::allocate(size); }
    static void operator delete(void* list, std::size_t size) noexcept { BLOCK_POOL<LIST_DATA>::release(list, size); }

    // Destroys every node; no cursor afterwards.
    void clear();

    // Empties the list without destroying its nodes: whoever holds them
    // owns them from then on.
    void forget_nodes();

    // Operations that make elements pass on the result of copy_into_slot
    // (assign_rules.h).

    // A new node at the tail (or head) whose value is made from cell by the
    // assignment mode. Appending keeps the cursor; prepending keeps it on its
    // node, one position further.
    const char* append(UNION_DATA* cell, int mode);
    const char* prepend(UNION_DATA* cell, int mode);

    // A new node at the tail with both cells made by their modes. A null
    // value leaves the value cell an empty any cell (a set element); a null
    // key makes a list element, without a key cell of its own.
    const char* append_pair(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode);

    // append(cell, 0) for a value whose plain copy cannot fail (a defined
    // number, text, bool, char or oper; inside a copy of an enclosing value
    // only one that no link points to): true when appended; false, with the
    // list untouched, for any value that needs the general copy.
    bool append_plain(UNION_DATA* cell);
    // append(cell, 0) for a temporary text that nothing else can reach (no
    // link, hold or read on it): the new element takes its text over, and
    // the cell is left holding the empty any value. True when appended;
    // false, with both untouched, for any other cell.
    bool append_taken(UNION_DATA* cell);

    // The head's (tail's) value with the cursor put there; null on an empty
    // list, whose cursor stays as it was.
    UNION_DATA* first();
    UNION_DATA* last();

    // The value at index with the cursor put there. Out of range: null and
    // the index message in *message, cursor unchanged.
    UNION_DATA* at(int index, const char** message);
    // at() for an index known to lie within the list. The cursor's node and
    // its neighbours, where walks by consecutive indexes go, are found here.
    UNION_DATA* at_valid(int index) {
        LIST_NODE* node = nullptr;
        const int step = index - cursor_index;
        if (positions != nullptr) {
            node = positions->at(index);
        } else if (cursor != nullptr && step >= -1 && step <= 1) {
            node = step == 0 ? cursor : step > 0 ? cursor->next : cursor->prev;
        } else {
            node = node_at(index);
        }
        cursor = node;
        cursor_index = index;
        return &node->value;
    }

    // Assigns cell by the mode to the element at index; returns the index
    // message or the refusal of the assignment rules.
    const char* set_at(int index, UNION_DATA* cell, int mode);

    // Inserts a new element so that it gets position index; index equal to
    // node_count appends. The cursor ends on the new element.
    const char* insert_at(int index, UNION_DATA* cell, int mode);

    // Position of the first node whose key matches, cursor left there; -1
    // and no cursor when none does. By reference: stored reference keys to
    // the same cell; else stored non-reference keys of equal value.
    int find(UNION_DATA* key, bool by_reference);

    void remove_first();
    void remove_last();
    const char* remove_at(int index);

    // Unlinks and destroys a node of this list. The cursor is cleared, since
    // its position may have moved.
    void remove_node(LIST_NODE* node);

    // Equal counts and pairwise equal values; keys are not compared.
    bool equals(LIST_DATA& other);

    // Lexicographic order of the values, a proper prefix first; *result is
    // meaningless when a message is returned. Defined with the order of
    // values (value_order.cpp).
    const char* less(LIST_DATA& other, bool* result);

    // Appends a copy of every value of other. A list appended to itself
    // doubles once.
    const char* append_all(LIST_DATA& other);

    // Reverses the order; with two or more nodes the cursor is cleared.
    void reverse();

    // Reorders the nodes by the sort keys, one per node in list order; the
    // cursor is cleared. Returns the sort's message; a sort that fails
    // leaves the list as it was.
    const char* sort(UNION_DATA** keys, bool ascending);
    // The same with keys a sort by code has taken. Both are defined with
    // the sort (value_sort.cpp); the store itself only applies an order.
    const char* sort(SORT_KEYS& keys, bool ascending);

    // The sort by the elements themselves, for a long list of plain ints of
    // one type within 64 bits: ints held in the cells' payload words are
    // radix sorted by value alone; numbers in records are packed each with
    // the address of its record, radix sorted in place, and the records
    // move between the nodes. False, with the values and their order
    // untouched, for any other list, for values too far apart to pack, and
    // when equal numbers differ in a way a program could see (a text form
    // such as "007", the sign of a zero), where only sort gives the order of
    // equal keys.
    bool sort_plain_ints(bool ascending);

    // Whether the nodes may pass whole to another list value: every element
    // a plain value that nothing links to (as all_contents_movable finds)
    // with a variable's access, so that taking the nodes gives what a copy
    // of them would give.
    bool nodes_movable() const;

    // Makes this list a copy of source, key and value of every node copied
    // with mode 4. Copying a list onto itself does nothing.
    const char* copy_from(LIST_DATA& source);

private:
    // The reordering of sort: node i takes the place permutation gives it.
    void arrange(const std::vector<int>& permutation);

    // Links a detached node in at the tail.
    void link_at_tail(LIST_NODE* node);

    // The node at a valid index: from the positions, or walked from the
    // nearest known node (which may make the positions).
    LIST_NODE* node_at(int index);

    // Applies a change to the positions, if the list has them; a change that
    // runs out of memory drops them instead.
    template <typename CHANGE>
    void keep_positions(CHANGE change) noexcept;
    void drop_positions() noexcept;

    // sort_plain_ints for a list holding ints in its cells' payload words:
    // every element must be such an int or a number that looks as one, and
    // the values alone are sorted. False, with the list untouched, otherwise.
    bool sort_inline_ints(bool ascending);

    // Whether every node holds a plain value that no link, weak cell or save
    // knows by its cell, beside an empty key: such values may move between
    // the nodes instead of the nodes being relinked.
    bool all_contents_movable() const;
};

}  // namespace morvu
