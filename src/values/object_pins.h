// A user method reaches its object through the cell of its receiver. When
// that cell is an any variable, the method's body may give the variable a
// new value (holder = 0 inside holder.swap()) and so destroy the object the
// method runs on. An OBJECT_PIN stands in between for the method's run: the
// body's current item is an alias of the variable that the pin owns. Should
// the variable let the object go, the object moves into a cell of the pin's
// own first and the alias follows it there. So the body sees its object to
// its end, the variable holds its new value, and the object goes when the
// method returns.
//
// Pins nest as the calls do. Several pins on one variable share the cell the
// outermost of them keeps the object in.

#pragma once

#include <cstdint>
#include <memory>

#include "values/result_list.h"
#include "values/union_data.h"

namespace morvu {

// The pins alive: while it is 0 no destruction needs to ask for one.
extern int32_t running_object_pins;

namespace detail {
void rescue_pinned_object(UNION_DATA* cell);
}

// Called by the value core before an any cell's value is destroyed: when a
// pin stands for the cell's object, the object moves to the pin.
inline void keep_pinned_object(UNION_DATA* cell) {
    if (running_object_pins != 0) detail::rescue_pinned_object(cell);
}

class OBJECT_PIN {
public:
    // Pins when the receiver's cell, after its aliases, is an any cell
    // holding an object; any other receiver is passed on unchanged.
    explicit OBJECT_PIN(RESULT_ITEM receiver);
    ~OBJECT_PIN();
    OBJECT_PIN(const OBJECT_PIN&) = delete;
    OBJECT_PIN& operator=(const OBJECT_PIN&) = delete;

    // The current item the method's body runs with.
    RESULT_ITEM item() const { return current; }

private:
    friend void detail::rescue_pinned_object(UNION_DATA* cell);

    RESULT_ITEM current;
    UNION_DATA* receiver_cell = nullptr;  // the cell the call was given
    UNION_DATA* variable = nullptr;       // the any cell the object was found in
    std::unique_ptr<UNION_DATA> alias;    // the body's view of it
    std::unique_ptr<UNION_DATA> kept;     // the object, once the variable let it go
};

}  // namespace morvu
