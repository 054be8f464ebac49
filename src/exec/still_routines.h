// Which routines only read the containers and objects given to their plain
// parameters.
//
// A plain input parameter given a variable that is an alias (a ':$'
// parameter passed on, a walk's variable, a variable made an alias with
// '$') gets a copy of the value, where a plain variable would be referred
// to; so does a parameter of a small type given an object, wherever the
// object is held. The copy cannot be told from a reference when the routine
// is still: while it runs nothing outside its own activation changes (it
// assigns only to its own variables of built-in types and to its ':$'
// parameters as below, makes no links, calls only routines that are still
// as well), and it uses the parameter only to read what the value holds: as
// the receiver of a method that reads, the list a walk goes over, the object
// whose member it reads, or the argument of such a parameter of a still
// routine.
// Such a parameter may refer to the value instead of copying it.
//
// The answers depend on the program's tree alone and are made for all its
// routines at once, from the program given once its analysis is done.

#pragma once

#include <cstdint>
#include <vector>

namespace morvu {

struct TOKEN;

// The program whose routines are asked about (its root), or null.
void set_analysed_program(TOKEN* root);

// Whether the plain input parameter (its name node in the routine's
// parameter list) may refer to an alias's value instead of copying it, and
// the positions of the routine's ':$' parameters. The routine may add to a
// ':$' list parameter at its ends and assign to a ':$' parameter of a
// scalar type: the value may be referred to only when each of them is
// given a declared variable's own cell (which no value holds) other than
// the value's.
struct PARAMETER_LENDING {
    bool lends = false;
    const std::vector<uint32_t>* variable_inputs = nullptr;
};
PARAMETER_LENDING parameter_lending(const TOKEN* parameter);

// Whether a run of the routine (its defining call node) changes nothing
// outside its own activation whatever it is given: it is still and has no
// ':$' parameters. The answer holds while the tree's shape and the
// routine tables stay as they are.
bool keeps_to_own_activation(const TOKEN* routine);

}  // namespace morvu
