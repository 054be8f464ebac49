// The payload of an array2 value: a grid of rows x cols slots in row-major
// order (the slot of (r, c) is at r x cols + c), each either empty or
// holding one element: a small value in the slot's word, or an element cell
// made for it alone (values/slot_row.h). A new grid has no slots and
// rows = cols = 0; the first successful resize makes them. `count` always
// equals the number of non-empty slots.
//
// Addresses outside the grid are never an error here: exists and get answer
// false and null, set and remove do nothing. Callers check addresses and
// raise. A size whose slot count does not fit in 32 bits, or whose slots
// cannot be allocated, is refused like a size below 1: the grid stays as it
// was, never allocated short.
//
// `iterations` counts the for/For walks over the grid in progress. The store
// never reads it; the array2 methods that change the grid's structure ask
// check_not_iterating first.

#pragma once

#include <memory>
#include <vector>

#include "runtime/block_pool.h"
#include "values/slot_row.h"
#include "values/union_data.h"

namespace morvu {

class ARRAY2_DATA {
public:
    int rows = 0;
    int cols = 0;
    int count = 0;
    SLOT_ROW cells;  // rows x cols once sized
    int iterations = 0;

    ARRAY2_DATA() = default;
    ~ARRAY2_DATA();
    ARRAY2_DATA(const ARRAY2_DATA&) = delete;
    ARRAY2_DATA& operator=(const ARRAY2_DATA&) = delete;

    // Every call makes an empty one for each grid parameter it binds.
    static void* operator new(std::size_t size) { return BLOCK_POOL<ARRAY2_DATA>::allocate(size); }
    static void operator delete(void* grid, std::size_t size) noexcept { BLOCK_POOL<ARRAY2_DATA>::release(grid, size); }

    // Empties the grid and gives it the size. True (failure, nothing changed)
    // for a size below 1, one too large to address, or one that cannot be
    // allocated; false otherwise. The same size keeps the slot array.
    bool resize(int rows, int cols);

    // Destroys every element; rows, cols and the slots stay.
    void clear();

    bool exists(int row, int col) const;
    void remove(int row, int col);
    // The slot's cell (made for a compact slot), still owned by the grid.
    UNION_DATA* get(int row, int col) const;

    // Puts a new element made from source by the assignment mode into the
    // slot. The new element is made before the old one goes, so source may be
    // (or lie inside) the element it replaces. Returns the message of a
    // failed element copy, else null.
    const char* set(int row, int col, UNION_DATA* source, int mode);

    // Same rows and cols, and slot by slot both empty or equal values.
    bool equals(const ARRAY2_DATA& other) const;

    // Makes this grid a copy of source: same size, empty slots stay empty,
    // each element copied with mode 4 (a reference stays a reference).
    // Copying a grid onto itself does nothing. Returns the first failure of an
    // element copy, else null.
    const char* copy_from(const ARRAY2_DATA& source);

    // Null at rest; "infeasible during iteration" while a walk is running.
    const char* check_not_iterating() const;

    // Whether (row, col) names a slot of the grid.
    bool valid(int row, int col) const { return row >= 0 && row < rows && col >= 0 && col < cols && !cells.empty(); }

    // The place of a valid (row, col) in cells.
    size_t slot_of(int row, int col) const {
        return static_cast<size_t>(row) * static_cast<size_t>(cols) + static_cast<size_t>(col);
    }
};

}  // namespace morvu
