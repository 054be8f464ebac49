// Weak holds on cells. A WEAK_CELL points at a cell it does not own and is
// cut when that cell is destroyed: from then on it points at nothing and
// remembers that it was cut. Nothing can read a freed cell through it.
//
// The holds on one cell form a doubly linked chain whose head is kept in a
// process-wide table keyed by the cell; the cell's weak_held flag says that
// the table has an entry, so destroying a cell that nobody holds costs one
// flag test. Holds are made and dropped rarely (a code value made inside a
// routine of an object, a walk's loop variables), so the table is a plain
// hash map.
//
// HELD_ITEM is a RESULT_ITEM whose cell is held that way: the object a code
// value runs on. A code value that outlives its object finds its item
// empty and gone() set.

#pragma once

#include <cstdint>

#include "values/result_list.h"

namespace morvu {

class UNION_DATA;

class WEAK_CELL {
public:
    WEAK_CELL() = default;
    explicit WEAK_CELL(UNION_DATA* cell) { reset(cell); }
    WEAK_CELL(const WEAK_CELL& other);
    WEAK_CELL& operator=(const WEAK_CELL& other);
    ~WEAK_CELL() { reset(nullptr); }

    // Holds another cell (null: none); the cut mark is cleared.
    void reset(UNION_DATA* cell);
    WEAK_CELL& operator=(UNION_DATA* cell) {
        reset(cell);
        return *this;
    }

    // The cell, or null when none is held or it has been destroyed.
    UNION_DATA* get() const { return target; }
    operator UNION_DATA*() const { return target; }
    // Whether the held cell has been destroyed since it was set.
    bool cut() const { return was_cut; }

private:
    UNION_DATA* target = nullptr;
    bool was_cut = false;
    WEAK_CELL* prev = nullptr;  // neighbours in the chain of holds on target
    WEAK_CELL* next = nullptr;

    void attach(UNION_DATA* cell);
    void detach();
    friend void cut_weak_cells(UNION_DATA* cell);
    friend void move_weak_cells(UNION_DATA* from, UNION_DATA* to);
};

// Cuts every hold on the cell. The cell's destructor calls it when the
// cell's weak_held flag is set.
void cut_weak_cells(UNION_DATA* cell);

// Turns every hold on one cell into a hold on another, which stands for it
// from now on.
void move_weak_cells(UNION_DATA* from, UNION_DATA* to);

// The object context of a code value: a RESULT_ITEM whose cell is held
// weakly. Its fields read like a RESULT_ITEM's; assigning a cell registers
// the hold.
struct HELD_ITEM {
    WEAK_CELL cell;  // null when there was no object or it is gone
    uint32_t mode = 6;
    uint8_t owned = 0;  // never owns its object

    HELD_ITEM& operator=(const RESULT_ITEM& item) {
        cell = item.cell;
        mode = item.mode;
        return *this;
    }

    // The item, never owning; its cell is null when there was none or the
    // object is gone.
    RESULT_ITEM item() const { return RESULT_ITEM{cell.get(), mode, 0}; }
    operator RESULT_ITEM() const { return item(); }
    // The item had an object that has been destroyed since.
    bool gone() const { return cell.cut(); }
};

}  // namespace morvu
