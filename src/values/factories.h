// The value factories: every built-in method, operator and function that
// produces a new value hands it to the evaluator as an owned RESULT_ITEM.
// Each factory constructs a fresh cell of its type (empty payload, access
// mode 6), stores a copy of its argument into the payload and returns the
// item {cell, mode, owned}; the mode is 0 (a temporary) unless the factory
// takes it. The caller appends the item to a RESULT_LIST, which frees the cell
// later. Factories never keep the caller's objects, and a calendar value's
// cached text is not copied.

#pragma once

#include <cstdint>
#include <string>

#include "values/result_list.h"

namespace morvu {

class UNION_DATA;
class INT_DATA;
class REAL_DATA;
class TIME_DATA;
class DATE_DATA;
class TIMEZONE_DATA;
class DATETIME_DATA;

RESULT_ITEM make_bool_value(bool value, uint32_t mode);
RESULT_ITEM make_char_value(char value);
RESULT_ITEM make_int_value_from_number(int64_t value);
RESULT_ITEM make_int_value(const INT_DATA& value, uint32_t mode = 0);
RESULT_ITEM make_real_value(const REAL_DATA& value);
RESULT_ITEM make_time_value(const TIME_DATA& value);
RESULT_ITEM make_date_value(const DATE_DATA& value);
RESULT_ITEM make_timezone_value(const TIMEZONE_DATA& value);
RESULT_ITEM make_datetime_value(const DATETIME_DATA& value);
RESULT_ITEM make_str_value(std::string text);
// second is 0 for a one-character operator.
RESULT_ITEM make_oper_value(char first, char second);
// A pair whose halves are made from two cells by their assignment modes, as
// container elements are; a half that is a reference stays one. A half that
// cannot be made gives, with a message pointer, the refusal there and an
// item without cell; without one, a pair with both halves empty.
RESULT_ITEM make_any2_value(UNION_DATA* first, uint32_t first_mode, UNION_DATA* second, uint32_t second_mode,
                            const char** message = nullptr);

// Appends to the list a new any cell that receives source by assign_by_mode
// with the assignment mode. The item's access mode says how it was made:
// linked (mode 1 or 3, or an alias or call-alias source) gives 7 with the
// first flag, 8 with only the second, else 9; otherwise 2, 0 or 3 likewise.
// Returns the assignment rule's message (nothing appended), or null.
const char* make_copy_value(RESULT_LIST& list, UNION_DATA* source, int mode, bool first_flag, bool second_flag);

// Gives a freshly constructed object cell a copy of the initial object of
// the source's user type, and that type.
void make_small_object(UNION_DATA* destination, UNION_DATA* source);

// Whether the value is of a kind that is copied rather than shared: the
// scalar, text and calendar types, error, and objects of a type declared
// smalltype. With lowered an any tag counts as the type it holds.
bool is_smalltype_value(const UNION_DATA* cell, bool lowered);

}  // namespace morvu
