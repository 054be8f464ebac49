// The payload of an array value: a fixed row of slots, each either undefined
// or holding one element: a small value in the slot's own word, or an
// element cell the slot owns (values/slot_row.h). A new array has no slots
// at all; resize gives it slot_count undefined slots, set and remove define
// and undefine single slots. defined_count always equals the number of
// defined slots, and slots.size() equals slot_count once the first resize has
// made them.
//
// Element cells are allocated one by one and owned by their slot; deleting
// one destroys its value, which dissolves every link pointing at it first.
// get hands out a slot's cell, made at that moment for a compact slot;
// the readers of values alone read the words (slot_row.h) instead.
// iteration_count belongs to the iteration members; the store never reads it.

#pragma once

#include <memory>
#include <vector>

#include "runtime/block_pool.h"
#include "values/slot_row.h"
#include "values/union_data.h"

namespace morvu {

class ARRAY_DATA {
public:
    int slot_count = 0;
    int defined_count = 0;
    SLOT_ROW slots;  // empty until the first resize
    int iteration_count = 0;

    ARRAY_DATA() = default;
    ~ARRAY_DATA();
    ARRAY_DATA(const ARRAY_DATA&) = delete;
    ARRAY_DATA& operator=(const ARRAY_DATA&) = delete;

    // Every call makes an empty one for each array parameter it binds.
    static void* operator new(std::size_t size) { return BLOCK_POOL<ARRAY_DATA>::allocate(size); }
    static void operator delete(void* array, std::size_t size) noexcept {
        BLOCK_POOL<ARRAY_DATA>::release(array, size);
    }

    // Gives the array size undefined slots (all old elements destroyed).
    // Returns 1 and changes nothing for a size below 1, else 0.
    int resize(int size);

    // Undefines every slot; the size stays.
    void clear();

    // Whether position is in range and its slot holds a cell.
    bool is_defined(int position) const;

    // The slot's cell (made for a compact slot); null when out of range or
    // undefined.
    UNION_DATA* get(int position) const;

    // Puts a new element made from cell by the assignment mode into the slot;
    // out of range does nothing. The new element is built before the old one
    // is destroyed, so cell may be (or lie inside) the element it replaces.
    // Passes on the result of copy_into_slot (assign_rules.h); a copy that
    // fails leaves the slot as it was.
    const char* set(int position, UNION_DATA* cell, int mode);

    // Undefines one slot; out of range or undefined does nothing.
    void remove(int position);

    // Same size and slot by slot equal (both undefined, or equal values).
    bool operator==(const ARRAY_DATA& other) const;

    // Reorders the slots by the sort keys, one per slot in slot order; the
    // caller has checked that every slot is defined. Returns the sort's
    // message (null on success); a sort that fails moves nothing.
    const char* sort(UNION_DATA** keys, bool ascending);

    // Null, or "%d-th element is not defined" for the first undefined slot.
    const char* check_defined() const;

    // Makes this array a copy of source: same size, undefined slots stay
    // undefined, each element copied with mode 4 (a reference stays a
    // reference to the same target). Copying an array onto itself does
    // nothing. Passes on the first failure of an element copy.
    const char* copy_from(const ARRAY_DATA& source);

private:
    bool in_range(int position) const;
};

}  // namespace morvu
