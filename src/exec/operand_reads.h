// Which operator methods only read their operand.
//
// An operator method gets its operand as a plain input parameter, that is as
// a copy. A method whose body can neither change anything but its own
// results nor run code of the user, and that names its parameter only to
// read a member of built-in type, cannot tell that copy from the operand
// itself: nothing can change the operand while the body runs, and the body
// never asks what the parameter is, only what its members hold. Such a
// method may have its parameter bound by reference, without the copy.
//
// The body qualifies when every statement assigns to one of the method's
// results, and every expression is built from literals, the arithmetic,
// comparison and logic operators, the method's results and the members of
// its own type, both declared bool, char, int, real or str, and "p.m" for
// the parameter p and such a member m of p's type. Anything else (a call, a
// block, another name) keeps the copy. The answer depends on the routine's
// tree alone.

#pragma once

namespace morvu {

struct TOKEN;

// The declared type (its definition node) of the one parameter of an
// operator function `routine` (its defining call node) when the function
// only reads it as above; null when the parameter must be copied.
const TOKEN* read_only_operand_type(TOKEN* routine);

}  // namespace morvu
