// Which routines only read the containers given to their plain parameters.
//
// A plain input parameter given a variable that is an alias (a ':$'
// parameter passed on, a walk's variable, a variable made an alias with
// '$') gets a copy of the value, where a plain variable would be referred
// to. The copy cannot be told from a reference when the routine is still:
// while it runs nothing outside its own activation changes (it assigns only
// to its own variables of built-in types, makes no links, calls only
// routines that are still as well), and it uses the parameter only to read
// what the value holds: as the receiver of a method that reads, the list a
// walk goes over, or the argument of such a parameter of a still routine.
// Such a parameter may refer to the value instead of copying it.
//
// The answers depend on the program's tree alone and are made for all its
// routines at once, from the program given once its analysis is done.

#pragma once

namespace morvu {

struct TOKEN;

// The program whose routines are asked about (its root), or null.
void set_analysed_program(TOKEN* root);

// Whether the plain input parameter (its name node in the routine's
// parameter list) may refer to an alias's value instead of copying it.
bool reads_parameter_only(const TOKEN* parameter);

}  // namespace morvu
