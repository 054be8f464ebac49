#include "values/array_store.h"

#include <numeric>
#include <string>
#include <utility>

#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/value_sort.h"

namespace morvu {

std::unique_ptr<UNION_DATA> make_array_element(UNION_DATA* cell, int mode, const char** message) {
    auto element = std::make_unique<UNION_DATA>(tag_any);
    *message = copy_into_slot(element.get(), cell, mode);
    return element;
}

const char* copy_array_slots(const std::vector<std::unique_ptr<UNION_DATA>>& source,
                             std::vector<std::unique_ptr<UNION_DATA>>& copy, int* defined) {
    copy = std::vector<std::unique_ptr<UNION_DATA>>(source.size());
    FIRST_MESSAGE message;
    *defined = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == nullptr) continue;
        const char* failure = nullptr;
        copy[i] = make_array_element(source[i].get(), 4, &failure);
        message.note(failure);
        ++*defined;
    }
    return message.result();
}

ARRAY_DATA::~ARRAY_DATA() { clear(); }

bool ARRAY_DATA::in_range(int position) const { return position >= 0 && position < slot_count && !slots.empty(); }

int ARRAY_DATA::resize(int size) {
    if (size < 1) return 1;
    clear();
    if (size != slot_count) {
        slots = std::vector<std::unique_ptr<UNION_DATA>>(static_cast<size_t>(size));
        slot_count = size;
    }
    return 0;
}

void ARRAY_DATA::clear() {
    for (auto& slot : slots) {
        // Empty the slot before its cell goes, so that the array is
        // consistent while the cell's links are dissolved.
        std::unique_ptr<UNION_DATA> cell = std::move(slot);
    }
    defined_count = 0;
}

bool ARRAY_DATA::is_defined(int position) const {
    return in_range(position) && slots[static_cast<size_t>(position)] != nullptr;
}

UNION_DATA* ARRAY_DATA::get(int position) const {
    return in_range(position) ? slots[static_cast<size_t>(position)].get() : nullptr;
}

const char* ARRAY_DATA::set(int position, UNION_DATA* cell, int mode) {
    if (!in_range(position)) return nullptr;
    // The new element first: cell may be the element it replaces, or lie
    // inside it.
    const char* message = nullptr;
    std::unique_ptr<UNION_DATA> element = make_array_element(cell, mode, &message);
    std::unique_ptr<UNION_DATA> old = std::exchange(slots[static_cast<size_t>(position)], std::move(element));
    if (old == nullptr) ++defined_count;
    return message;  // old goes here
}

void ARRAY_DATA::remove(int position) {
    if (!is_defined(position)) return;
    std::unique_ptr<UNION_DATA> old = std::move(slots[static_cast<size_t>(position)]);
    --defined_count;
}

bool ARRAY_DATA::operator==(const ARRAY_DATA& other) const {
    return equal_containers(tag_array, const_cast<ARRAY_DATA*>(this), const_cast<ARRAY_DATA*>(&other));
}

const char* ARRAY_DATA::sort(UNION_DATA** keys, bool ascending) {
    std::vector<int> permutation(slots.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    const char* message = sort_values(keys, permutation.data(), static_cast<int>(slots.size()), ascending);
    // Slot i takes the cell of slot permutation[i], also after a sort that a
    // message stopped half-way.
    std::vector<std::unique_ptr<UNION_DATA>> old = std::exchange(slots, {});
    slots.resize(old.size());
    for (size_t i = 0; i < old.size(); ++i) slots[i] = std::move(old[static_cast<size_t>(permutation[i])]);
    return message;
}

const char* ARRAY_DATA::check_defined() const {
    if (slots.empty() || slot_count < 1) return nullptr;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i] == nullptr) {
            return keep_message(format_string(msg_text("teselenicdef"), static_cast<int>(i)));
        }
    }
    return nullptr;
}

const char* ARRAY_DATA::copy_from(const ARRAY_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old cells: the source may lie
    // inside one of them.
    std::vector<std::unique_ptr<UNION_DATA>> fresh;
    int defined = 0;
    const char* message = copy_array_slots(source.slots, fresh, &defined);
    std::vector<std::unique_ptr<UNION_DATA>> old = std::exchange(slots, std::move(fresh));
    slot_count = source.slot_count;
    defined_count = defined;
    old.clear();
    return message;
}

}  // namespace morvu
