#include "values/object_pins.h"

#include <new>
#include <vector>

#include "values/assign_rules.h"
#include "values/value_copy.h"
#include "values/weak_cell.h"

namespace morvu {

OBJECT_PIN* innermost_object_pin = nullptr;

namespace detail {

void rescue_pinned_object(UNION_DATA* cell) {
    if (lower_tag(cell->tag) != tag_object || cell->holder() == nullptr || cell->holder()->object == nullptr) return;
    // The pins on the cell, outermost first: the outermost keeps the object.
    std::vector<OBJECT_PIN*> on_cell;
    for (OBJECT_PIN* pin = innermost_object_pin; pin != nullptr; pin = pin->outer) {
        if (pin->variable == cell) on_cell.push_back(pin);
    }
    UNION_DATA* home = nullptr;
    for (auto at = on_cell.rbegin(); at != on_cell.rend(); ++at) {
        OBJECT_PIN* pin = *at;
        if (home == nullptr) {
            pin->kept = std::make_unique<UNION_DATA>(tag_any);
            move_payload(pin->kept.get(), cell);
            home = pin->kept.get();
        }
        link_cell(&pin->alias.cell, home, link_kind_alias);
        pin->variable = nullptr;
    }
}

bool has_pin_on(const UNION_DATA* cell) {
    for (const OBJECT_PIN* pin = innermost_object_pin; pin != nullptr; pin = pin->outer)
        if (pin->variable == cell) return true;
    return false;
}

}  // namespace detail

OBJECT_PIN::OBJECT_PIN(RESULT_ITEM receiver) : current(receiver) {
    UNION_DATA* cell = receiver.cell != nullptr ? follow_aliases(receiver.cell) : nullptr;
    if (cell == nullptr || cell->tag != raise_tag(tag_object) || cell->holder() == nullptr ||
        cell->holder()->object == nullptr)
        return;
    variable = cell;
    receiver_cell = receiver.cell;
    // A fresh any cell linked as an alias of the variable, first among the
    // variable's referrers, as a general link would make it.
    UNION_DATA* view = ::new (&alias.cell) UNION_DATA(tag_any);
    ++links_made;
    auto* record = new LINK_RECORD;
    record->target = cell;
    record->prev = cell;
    record->next = cell->referrers;
    if (cell->referrers != nullptr) cell->referrers->link()->prev = view;
    cell->referrers = view;
    view->payload = record;
    view->tag = raise_tag(link_kind_alias);
    current.cell = view;
    current.owned = 0;
    pinned = true;
    outer = innermost_object_pin;
    innermost_object_pin = this;
}

// Pins end in the order they began unless a run of the program left a
// method's frame before an inner one's.
void OBJECT_PIN::leave_chain() {
    if (innermost_object_pin == this) [[likely]] {
        innermost_object_pin = outer;
        return;
    }
    for (OBJECT_PIN* pin = innermost_object_pin; pin != nullptr; pin = pin->outer) {
        if (pin->outer == this) {
            pin->outer = outer;
            return;
        }
    }
}

OBJECT_PIN::~OBJECT_PIN() {
    if (!pinned) return;
    leave_chain();
    // Code values made in the body keep to the receiver, as they would have
    // without the pin, unless the object went with the pin.
    if (kept == nullptr && receiver_cell != nullptr) move_weak_cells(&alias.cell, receiver_cell);
    alias.cell.~UNION_DATA();  // unlinked before the object it may alias goes
    kept.reset();
}

}  // namespace morvu
