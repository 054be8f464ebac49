// Access modes say what may be done with a result or a variable's cell. Every
// UNION_DATA carries one and every RESULT_ITEM passes one on: 0 to 5 mark
// temporaries and constants, which a method that changes its receiver and an
// assignment refuse; 6 and above mark variables and other assignable places.
//
// A cell's own mode is 6, but for a loop variable bound to what may not be
// written through it (a set's element, a hash's key, an element of a
// read-only value) and for the links made to such a variable: those carry a
// read-only mode for as long as they stay links. The same holds for a link
// made to a read-only place (a parameter declared plainly, a member of a
// constant object) and for a reference made from such a link, a container's
// element included. Dissolving a link gives the cell 6 again.

#pragma once

#include <cstdint>

namespace morvu {

inline constexpr uint32_t access_literal = 0;              // literals, code values, range elements, most method results
inline constexpr uint32_t access_expression = 1;           // results of the arithmetic operators
inline constexpr uint32_t access_constant_input = 2;       // a parameter declared plainly in the input part
inline constexpr uint32_t access_function_result = 3;      // comparisons, logic, results built by some methods
inline constexpr uint32_t access_member_of_constant = 4;   // a member reached through a constant object
inline constexpr uint32_t access_constant_object = 5;      // `this` of a constant object
inline constexpr uint32_t access_variable = 6;             // plain variables; every new cell
inline constexpr uint32_t access_variable_input = 7;       // a parameter declared with ":$" in the input part
inline constexpr uint32_t access_output_object = 8;        // a parameter declared with ":$" in the output part
inline constexpr uint32_t access_handed_out = 9;           // a variable reached through a reference or alias handed out
inline constexpr uint32_t access_member_of_variable = 10;  // a member reached through a variable object
inline constexpr uint32_t access_variable_object = 11;     // `this` of a variable object

inline bool is_variable_mode(uint32_t mode) { return mode >= access_variable; }

// A place that may be read but not written where it stands: a parameter
// declared plainly, a member of a constant object, a constant object. A
// link made to such a place carries its mode; literals, expressions and
// function results are temporaries of their own and lend nothing.
inline bool is_read_only_place(uint32_t mode) {
    return mode == access_constant_input || mode == access_member_of_constant || mode == access_constant_object;
}

}  // namespace morvu
