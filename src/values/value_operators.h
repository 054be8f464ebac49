// The meaning of the language's operators on values: the operand checks,
// equality and identity, the logical and unary operators, the compound
// assignments ("+=" .. "^="), oper values made from operator texts, and the
// access to a member variable of an object. The ordering operators ("<" and
// its relatives) are in value_order.h, sorting in value_sort.h.
//
// An operand is taken one link step deep: a reference, alias or call-alias
// stands for its target, and an operand's type is its base_type_code. Every
// operation returns null on success or a message, and never throws; a
// formatted message is kept by keep_message for a few more, so the caller
// raises or copies it at once. On a message no operand has changed, except
// that an any operand holding the empty value keeps the type a compound
// assignment gave it before failing.
//
// The evaluator computes "a + b" as a copy of a followed by "+=" with b.

#pragma once

#include <string>

#include "values/result_list.h"

namespace morvu {

class UNION_DATA;
struct TOKEN;

// The side an operand check names: the left operand of a binary operator is
// "left", its right operand and the operand of a unary operator "right".
enum class OPERAND_SIDE { left, right };
// The undefined test ("operand is undefined") or the empty test ("operand
// is empty").
enum class OPERAND_TEST { undefined, empty };

// One operand check on the cell one link step deep; op is the operator text
// as the message shows it.
const char* check_operands(UNION_DATA* cell, OPERAND_SIDE side, const char* op, OPERAND_TEST test);

// Both operands defined, of the same type, and for char, int, real and time
// both non-empty.
const char* check_binary_operands(UNION_DATA* left, UNION_DATA* right, const char* op);

// "@@" and "!@": the same cell, each operand one link step deep.
bool is_same_cell(UNION_DATA* a, UNION_DATA* b);
bool is_other_cell(UNION_DATA* a, UNION_DATA* b);
// "??" and "!?": two references compare their targets, a reference and a
// non-reference differ, anything else compares by value.
bool cells_equal_ref(UNION_DATA* a, UNION_DATA* b);
bool cells_unequal_ref(UNION_DATA* a, UNION_DATA* b);

// "!", "||", "&&" on bools. An empty bool counts as true for "||" and "&&";
// "!" refuses it.
const char* op_not(UNION_DATA* operand, bool* result);
const char* op_or(UNION_DATA* left, UNION_DATA* right, bool* result);
const char* op_and(UNION_DATA* left, UNION_DATA* right, bool* result);

// Unary "+" only checks; unary "-" negates an int or real in place.
const char* op_plus(UNION_DATA* operand);
const char* op_minus(UNION_DATA* operand);

// The compound assignments; left changes in place. An empty right number
// changes nothing; an empty left number starts from 0 ("+=", "-=", "%=") or
// 1 ("*=", "/="). A zero divisor, also a real one that the working precision
// cuts to zero, gives "Division by 0".
const char* op_add_assign(UNION_DATA* left, UNION_DATA* right);
const char* op_sub_assign(UNION_DATA* left, UNION_DATA* right);
const char* op_mul_assign(UNION_DATA* left, UNION_DATA* right);
const char* op_div_assign(UNION_DATA* left, UNION_DATA* right);
const char* op_mod_assign(UNION_DATA* left, UNION_DATA* right);
const char* op_pow_assign(UNION_DATA* left, UNION_DATA* right);

// Fills the two characters of an oper value from an operator text (the
// second 0 for a one-character operator). With check, a text that is not 1
// or 2 characters long or not an operator gives its message and leaves the
// value unchanged; without, the first two characters are taken as they are.
const char* operator_by_name(char* oper_chars, const std::string& text, bool check);

// The member variable `name` of the object a cell holds, or null with the
// message in *message. With basic_type (a type-definition node) only that
// type's members are searched. Type names in messages are seen from context.
UNION_DATA* attribute_access(UNION_DATA* object, TOKEN* basic_type, const std::string& name, const TOKEN* context,
                             const char** message);

// ---- services of the execution subsystem, installed by it ----

// Calls the operator method that the user type of left's cell defines for
// op and appends its results; leaves the list empty when the type has none.
// The text out is not used here. Until installed, no type has an operator.
using USER_OPERATOR_CALLER = void (*)(std::string& text_out, const TOKEN* statement, const char* op, RESULT_ITEM left,
                                      RESULT_ITEM right, RESULT_LIST& results);
extern USER_OPERATOR_CALLER user_operator_caller;

}  // namespace morvu
