// The keys that the exact sort of a container compares.
//
// A sort compares the element cells themselves, in place, unless an element
// holds an object of a user type at any depth (a reference followed one
// step, as the order does): that object's own operator "<" runs user code,
// which may replace element values while the sort still holds the cells and
// walks inside them. The keys are then copies made beforehand, which no
// program can reach. The caller keeps the container pinned (walk_pins.h)
// for the length of the sort, so that its structure stays as it is.

#pragma once

#include <memory>
#include <vector>

#include "values/union_data.h"

namespace morvu {

class ELEMENT_KEYS {
public:
    // One key per element cell, in the given order.
    explicit ELEMENT_KEYS(std::vector<UNION_DATA*> elements);

    UNION_DATA** data() { return keys.data(); }

private:
    std::vector<UNION_DATA*> keys;
    std::vector<std::unique_ptr<UNION_DATA>> copies;
};

// Whether comparing the value of the cell can run user code: it, or a value
// held inside it, is an object (links followed one step, as the order does;
// each cell visited once, so values that refer to themselves end).
bool may_run_user_order(UNION_DATA* cell);

}  // namespace morvu
