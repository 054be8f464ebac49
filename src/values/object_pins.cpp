#include "values/object_pins.h"

#include <algorithm>
#include <vector>

#include "values/assign_rules.h"
#include "values/weak_cell.h"

namespace morvu {

int32_t running_object_pins = 0;

namespace {

// The pins alive, outermost first. Never destroyed, like the other tables
// the value core may reach during static destruction.
std::vector<OBJECT_PIN*>& pins() {
    static auto* alive = new std::vector<OBJECT_PIN*>();
    return *alive;
}

}  // namespace

namespace detail {

void rescue_pinned_object(UNION_DATA* cell) {
    if (lower_tag(cell->tag) != tag_object || cell->holder() == nullptr || cell->holder()->object == nullptr) return;
    UNION_DATA* home = nullptr;
    for (OBJECT_PIN* pin : pins()) {
        if (pin->variable != cell) continue;
        if (home == nullptr) {
            pin->kept = std::make_unique<UNION_DATA>(tag_any);
            move_payload(pin->kept.get(), cell);
            home = pin->kept.get();
        }
        link_cell(pin->alias.get(), home, link_kind_alias);
        pin->variable = nullptr;
    }
}

}  // namespace detail

OBJECT_PIN::OBJECT_PIN(RESULT_ITEM receiver) : current(receiver) {
    UNION_DATA* cell = receiver.cell != nullptr ? follow_aliases(receiver.cell) : nullptr;
    if (cell == nullptr || cell->tag != raise_tag(tag_object) || cell->holder() == nullptr ||
        cell->holder()->object == nullptr)
        return;
    variable = cell;
    receiver_cell = receiver.cell;
    alias = std::make_unique<UNION_DATA>(tag_any);
    link_cell(alias.get(), cell, link_kind_alias);
    current.cell = alias.get();
    current.owned = 0;
    pins().push_back(this);
    ++running_object_pins;
}

OBJECT_PIN::~OBJECT_PIN() {
    if (alias == nullptr) return;
    std::vector<OBJECT_PIN*>& alive = pins();
    alive.erase(std::find(alive.begin(), alive.end(), this));
    --running_object_pins;
    // Code values made in the body keep to the receiver, as they would have
    // without the pin, unless the object went with the pin.
    if (kept == nullptr && receiver_cell != nullptr) move_weak_cells(alias.get(), receiver_cell);
    alias.reset();  // unlinked before the object it may alias goes
    kept.reset();
}

}  // namespace morvu
