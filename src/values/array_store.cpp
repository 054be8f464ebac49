#include "values/array_store.h"

#include <numeric>
#include <string>
#include <utility>

#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/value_sort.h"

namespace morvu {

ARRAY_DATA::~ARRAY_DATA() { clear(); }

bool ARRAY_DATA::in_range(int position) const { return position >= 0 && position < slot_count && !slots.empty(); }

int ARRAY_DATA::resize(int size) {
    if (size < 1) return 1;
    clear();
    if (size != slot_count) {
        slots = SLOT_ROW(static_cast<size_t>(size));
        slot_count = size;
    }
    return 0;
}

void ARRAY_DATA::clear() {
    slots.clear();
    defined_count = 0;
}

bool ARRAY_DATA::is_defined(int position) const {
    return in_range(position) && slots.is_defined(static_cast<size_t>(position));
}

UNION_DATA* ARRAY_DATA::get(int position) const {
    return in_range(position) ? slots.cell(static_cast<size_t>(position)) : nullptr;
}

const char* ARRAY_DATA::set(int position, UNION_DATA* cell, int mode) {
    if (!in_range(position)) return nullptr;
    bool added = false;
    const char* message = slots.store(static_cast<size_t>(position), cell, mode, &added);
    if (added) ++defined_count;
    return message;
}

void ARRAY_DATA::remove(int position) {
    if (!is_defined(position)) return;
    std::unique_ptr<UNION_DATA> old = slots.release(static_cast<size_t>(position));
    --defined_count;
}

bool ARRAY_DATA::operator==(const ARRAY_DATA& other) const {
    return equal_containers(tag_array, const_cast<ARRAY_DATA*>(this), const_cast<ARRAY_DATA*>(&other));
}

const char* ARRAY_DATA::sort(UNION_DATA** keys, bool ascending) {
    std::vector<int> permutation(slots.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    const char* message = sort_values(keys, permutation.data(), static_cast<int>(slots.size()), ascending);
    // A sort that a message stopped leaves the slots as they were.
    if (message != nullptr) return message;
    slots.permute(permutation.data());  // slot i takes the element of slot permutation[i]
    return nullptr;
}

const char* ARRAY_DATA::check_defined() const {
    if (slots.empty() || slot_count < 1) return nullptr;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!slots.is_defined(i)) {
            return keep_message(format_string(msg_text("teselenicdef"), static_cast<int>(i)));
        }
    }
    return nullptr;
}

const char* ARRAY_DATA::copy_from(const ARRAY_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old cells: the source may lie
    // inside one of them.
    SLOT_ROW fresh(source.slots.size());
    int defined = 0;
    const char* message = fresh.copy_from(source.slots, &defined);
    SLOT_ROW old = std::exchange(slots, std::move(fresh));
    slot_count = source.slot_count;
    defined_count = defined;
    old.clear();
    return message;
}

}  // namespace morvu
