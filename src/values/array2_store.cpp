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

bool ARRAY2_DATA::valid(int row, int col) const {
    return row >= 0 && row < rows && col >= 0 && col < cols && !cells.empty();
}

size_t ARRAY2_DATA::slot_of(int row, int col) const {
    return static_cast<size_t>(row) * static_cast<size_t>(cols) + static_cast<size_t>(col);
}

bool ARRAY2_DATA::resize(int new_rows, int new_cols) {
    if (new_rows < 1 || new_cols < 1) return true;
    int64_t slots = static_cast<int64_t>(new_rows) * new_cols;
    if (slots > INT_MAX) return true;  // count and every slot index stay within 32 bits
    if (new_rows == rows && new_cols == cols && !cells.empty()) {
        clear();
        return false;
    }
    // Allocate before anything is destroyed, so that a refusal changes nothing.
    std::vector<std::unique_ptr<UNION_DATA>> fresh;
    try {
        fresh.resize(static_cast<size_t>(slots));
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
    for (auto& slot : cells) {
        // Empty the slot before its cell goes, so that the grid is consistent
        // while the cell's links are dissolved.
        std::unique_ptr<UNION_DATA> cell = std::move(slot);
    }
    count = 0;
}

bool ARRAY2_DATA::exists(int row, int col) const { return valid(row, col) && cells[slot_of(row, col)] != nullptr; }

void ARRAY2_DATA::remove(int row, int col) {
    if (!exists(row, col)) return;
    std::unique_ptr<UNION_DATA> old = std::move(cells[slot_of(row, col)]);
    --count;
}

UNION_DATA* ARRAY2_DATA::get(int row, int col) const {
    return valid(row, col) ? cells[slot_of(row, col)].get() : nullptr;
}

const char* ARRAY2_DATA::set(int row, int col, UNION_DATA* source, int mode) {
    if (!valid(row, col)) return nullptr;
    const char* message = nullptr;
    std::unique_ptr<UNION_DATA> element = make_array_element(source, mode, &message);
    std::unique_ptr<UNION_DATA> old = std::exchange(cells[slot_of(row, col)], std::move(element));
    if (old == nullptr) ++count;
    return message;  // the old element goes here, after the new one is in place
}

bool ARRAY2_DATA::equals(const ARRAY2_DATA& other) const {
    // Rows outermost, columns innermost: row-major is the slot order.
    return equal_containers(tag_array2, const_cast<ARRAY2_DATA*>(this), const_cast<ARRAY2_DATA*>(&other));
}

const char* ARRAY2_DATA::copy_from(const ARRAY2_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old cells: the source may lie
    // inside one of them.
    std::vector<std::unique_ptr<UNION_DATA>> fresh;
    int made = 0;
    const char* message = copy_array_slots(source.cells, fresh, &made);
    std::vector<std::unique_ptr<UNION_DATA>> old = std::exchange(cells, std::move(fresh));
    rows = source.rows;
    cols = source.cols;
    count = made;
    for (auto& slot : old) std::unique_ptr<UNION_DATA> cell = std::move(slot);
    return message;
}

const char* ARRAY2_DATA::check_not_iterating() const { return iterations > 0 ? msg_text("unzwaeite") : nullptr; }

}  // namespace morvu
