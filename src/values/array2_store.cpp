#include "values/array2_store.h"

#include <climits>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>

#include "runtime/messages.h"
#include "values/array_store.h"
#include "values/assign_rules.h"

namespace morvu {

ARRAY2_DATA::~ARRAY2_DATA() { clear(); }

bool ARRAY2_DATA::resize(int new_rows, int new_cols) {
    if (new_rows < 1 || new_cols < 1) return true;
    int64_t slots = static_cast<int64_t>(new_rows) * new_cols;
    if (slots > INT_MAX) return true;  // count and every slot index stay within 32 bits
    if (new_rows == rows && new_cols == cols && !cells.empty()) {
        clear();
        return false;
    }
    // Allocate before anything is destroyed, so that a refusal changes nothing.
    SLOT_ROW fresh;
    try {
        fresh = SLOT_ROW(static_cast<size_t>(slots));
    } catch (const std::bad_alloc&) {
        return true;
    } catch (const std::length_error&) {
        return true;
    }
    clear();
    cells = std::move(fresh);
    rows = new_rows;
    cols = new_cols;
    return false;
}

void ARRAY2_DATA::clear() {
    cells.clear();
    count = 0;
}

bool ARRAY2_DATA::exists(int row, int col) const { return valid(row, col) && cells.is_defined(slot_of(row, col)); }

void ARRAY2_DATA::remove(int row, int col) {
    if (!exists(row, col)) return;
    std::unique_ptr<UNION_DATA> old = cells.release(slot_of(row, col));
    --count;
}

UNION_DATA* ARRAY2_DATA::get(int row, int col) const {
    return valid(row, col) ? cells.cell(slot_of(row, col)) : nullptr;
}

const char* ARRAY2_DATA::set(int row, int col, UNION_DATA* source, int mode) {
    if (!valid(row, col)) return nullptr;
    bool added = false;
    const char* message = cells.store(slot_of(row, col), source, mode, &added);
    if (added) ++count;
    return message;
}

bool ARRAY2_DATA::equals(const ARRAY2_DATA& other) const {
    // Rows outermost, columns innermost: row-major is the slot order.
    return equal_containers(tag_array2, const_cast<ARRAY2_DATA*>(this), const_cast<ARRAY2_DATA*>(&other));
}

const char* ARRAY2_DATA::copy_from(const ARRAY2_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old cells: the source may lie
    // inside one of them.
    SLOT_ROW fresh(source.cells.size());
    int made = 0;
    const char* message = fresh.copy_from(source.cells, &made);
    SLOT_ROW old = std::exchange(cells, std::move(fresh));
    rows = source.rows;
    cols = source.cols;
    count = made;
    old.clear();
    return message;
}

const char* ARRAY2_DATA::check_not_iterating() const { return iterations > 0 ? msg_text("unzwaeite") : nullptr; }

}  // namespace morvu
