// The results of one evaluation. An expression yields zero, one or several
// results, each a RESULT_ITEM: the cell, the access mode (above 5 an
// assignable variable, 0 to 5 a temporary or constant) and whether the item
// owns its cell. A RESULT_LIST keeps them in order in a doubly linked list
// with a count; handlers append at the tail and consumers pop from the head.
//
// The list owns the cells of its owned items: clearing or destroying it
// deletes them (clear_value_list), so an error thrown mid-evaluation leaks
// nothing. Items are plain values and are copied freely; copying an owned
// item does not copy the cell, so exactly one list may hold an owned item.
//
// Every evaluation appends and frees list nodes, so RESULT_NODE recycles its
// freed nodes through a BLOCK_POOL: in a steady loop no node touches the
// heap. Sanitizer builds allocate each node plainly, so that a use after free
// is still caught.

#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/block_pool.h"
#include "values/access_modes.h"

namespace morvu {

class UNION_DATA;

struct RESULT_ITEM {
    UNION_DATA* cell = nullptr;
    uint32_t mode = 6;
    uint32_t owned = 0;  // a full word: the item is copied as one 16-byte unit
};

struct RESULT_NODE {
    RESULT_ITEM item;
    RESULT_NODE* next = nullptr;
    RESULT_NODE* prev = nullptr;

    static void* operator new(std::size_t size) { return BLOCK_POOL<RESULT_NODE>::allocate(size); }
    static void operator delete(void* node, std::size_t size) noexcept { BLOCK_POOL<RESULT_NODE>::release(node, size); }
};

struct RESULT_LIST {
    uint32_t count = 0;
    RESULT_NODE* head = nullptr;
    RESULT_NODE* tail = nullptr;

    RESULT_LIST() = default;
    // Deletes the owned cells and the nodes; most lists are empty by then.
    ~RESULT_LIST() {
        if (head != nullptr) release();
    }
    RESULT_LIST(const RESULT_LIST&) = delete;
    RESULT_LIST& operator=(const RESULT_LIST&) = delete;
    // Takes over the other list's items; the other is left empty.
    RESULT_LIST(RESULT_LIST&& other) noexcept;
    RESULT_LIST& operator=(RESULT_LIST&& other) noexcept;

    // Appends an item at the tail.
    void append(const RESULT_ITEM& item) {
        auto* node = new RESULT_NODE{item, nullptr, tail};
        if (tail != nullptr) tail->next = node;
        else head = node;
        tail = node;
        ++count;
    }
    bool empty() const { return count == 0; }

private:
    void release();  // clear_value_list, out of line
};

// Refuses at once, with std::bad_alloc as a failed allocation would, a
// count of results that no list could hold: more than its 32-bit count
// takes, or more nodes and cells than the memory the process may use. A
// handler that knows how many results it is about to append asks first, so
// that a hopeless count fails before it fills the memory.
void require_room_for_results_slowly(uint64_t count);
inline void require_room_for_results(uint64_t count) {
    if (count >= (uint64_t{1} << 20)) [[unlikely]]
        require_room_for_results_slowly(count);
}

// Removes the first item and returns it; the caller takes over an owned cell.
// An empty list throws the ERROR "internal error in pop(): list is empty".
RESULT_ITEM pop(RESULT_LIST& list);

}  // namespace morvu
