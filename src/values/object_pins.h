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
// Pins nest as the calls do: they form a chain from the innermost out, so a
// pin leaving is nearly always the innermost one. Several pins on one
// variable share the cell the outermost of them keeps the object in. The
// alias lives in the pin itself, as a method call makes one every time.

#pragma once

#include <cstdint>
#include <memory>

#include "values/result_list.h"
#include "values/union_data.h"

namespace morvu {

class OBJECT_PIN;

// The innermost pin alive: while it is null no destruction needs to ask for one.
extern OBJECT_PIN* innermost_object_pin;

namespace detail {
void rescue_pinned_object(UNION_DATA* cell);
bool has_pin_on(const UNION_DATA* cell);
}  // namespace detail

// Called by the value core before an any cell's value is destroyed: when a
// pin stands for the cell's object, the object moves to the pin.
inline void keep_pinned_object(UNION_DATA* cell) {
    if (innermost_object_pin != nullptr) detail::rescue_pinned_object(cell);
}

// Whether a pin stands for the cell's object: a method runs on it, and a
// new value for the cell must leave that object whole.
inline bool is_pinned_object(const UNION_DATA* cell) {
    return innermost_object_pin != nullptr && detail::has_pin_on(cell);
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
    friend bool detail::has_pin_on(const UNION_DATA* cell);

    void leave_chain();

    // The alias is made only for a pinned object. The pin may be const to its
    // holder while the body and a rescue change what it keeps.
    union ALIAS_SLOT {
        ALIAS_SLOT() {}
        ~ALIAS_SLOT() {}
        UNION_DATA cell;
    };

    RESULT_ITEM current;
    UNION_DATA* receiver_cell = nullptr;       // the cell the call was given
    mutable UNION_DATA* variable = nullptr;    // the any cell the object was found in
    OBJECT_PIN* outer = nullptr;               // the pin alive before this one
    mutable std::unique_ptr<UNION_DATA> kept;  // the object, once the variable let it go
    mutable ALIAS_SLOT alias;                  // the body's view of it
    bool pinned = false;
};

}  // namespace morvu
