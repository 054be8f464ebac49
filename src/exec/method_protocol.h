// The contract every built-in type's method handlers share. call_routine
// calls a type's function handler (calls inside expressions, results appended
// to a list) or its procedure handler (calls written as statements, the
// type's call form among them) with the method key and a CALL_ARGS block;
// a handler answers false for a key that is not one of its own, without
// raising or changing anything.
//
// A method key is the method name, the byte 0xA7, each argument's type name
// followed by ';', and a closing 0xA7 when there is at least one argument:
// "size\xA7int;\xA7", "bases\xA7"; an empty name is the type's call form. In
// the name, 0xA7, '\' and ';' are escaped by a backslash; in type names the
// module separator "::" is held as the byte 27.
//
// Every handler first sets its routine name with method_context ("type:name")
// and raises its errors with routine kind 'f' (function handler) or 'p'
// (procedure handler), that name and error kind 's'. The text routines here
// return process-wide strings, valid until the next call of the same routine.

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "eval/result_list.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;
class INT_DATA;

// The byte that separates the parts of a method key.
inline constexpr char method_key_mark = static_cast<char>(0xA7);

// The argument block of one call, owned by whoever prepared it (call_routine
// or a caller with a prepared block) and only read by handlers.
struct CALL_ARGS {
    std::string key;
    std::vector<RESULT_ITEM> args;  // one per argument, in call order

    int32_t count() const { return static_cast<int32_t>(args.size()); }
    const RESULT_ITEM& operator[](int32_t index) const { return args[static_cast<size_t>(index)]; }
};

// ---- key tests ----

// The whole key equals a literal key (exact test).
inline bool key_is(const std::string& key, std::string_view literal) { return key == literal; }
// The key begins with the method name and 0xA7 (methods with open argument
// lists); `name_and_mark` is the name followed by the mark, e.g. "set\xA7".
inline bool key_has_prefix(const std::string& key, std::string_view name_and_mark) {
    return key.size() >= name_and_mark.size() && key.compare(0, name_and_mark.size(), name_and_mark) == 0;
}
// The key is a call form (the type name used as a call): it starts with 0xA7.
inline bool is_call_form_key(const std::string& key) { return !key.empty() && key[0] == method_key_mark; }

// ---- text routines ----

// "type:name" (just "name" for an empty type name); with_types appends the
// argument types in brackets: "int:m(int)", "f()". The result is shared by
// every caller: a handler copies it into its own context string, since a
// method it runs (a code argument, a user routine) may ask for another.
const std::string& method_context(const TOKEN* node, const char* type_name, const std::string& key,
                                  bool with_types);

// The shown form of a key: escapes dropped, byte 27 as "::", byte 0xFF as
// "\0". *mark_position receives the output length before the first
// unescaped 0xA7, -1 when there is none (the pointer may be null).
const std::string& unescape_method_text(const std::string& key, int32_t* mark_position);

// The text with a backslash before every 0xA7, '\' and ';'.
const std::string& escape_method_text(const TOKEN* node, const std::string& text);

// "Type procedure", "Type function", "Procedure" or "Function".
const char* routine_type_word(bool is_type_routine, bool is_procedure);

// Refuses a constant receiver (access mode 0 to 5, 7 for an args value) of a
// method that changes it: raises "<context> <refusal>" without routine kind
// and name; returns for variables and for the modes that only strict refuses
// when strict is clear. An empty type name puts key (then a message text)
// in place of the context.
void raise_infeasible_for_constant(const TOKEN* node, RESULT_ITEM item, const char* type_name,
                                   const std::string& key, bool strict);

// Refuses a container that a for/For walk is iterating: raises
// "<context> infeasible during iteration"; returns otherwise.
void raise_infeasible_during_iteration(const TOKEN* node, RESULT_ITEM item, const char* type_name,
                                       const std::string& key);

// Empties the strings of the text routines (global clean-up).
void reset_method_buffers();

// ---- arguments ----

// An int as a machine integer, saturated at the int range: values beyond it
// give INT32_MAX or INT32_MIN, so range checks refuse them instead of seeing
// a wrapped value. An empty int gives 0.
int32_t machine_int(const INT_DATA& value);

// The cell an item stands for after following its alias and call-alias
// links to their end (tags 'q', 'Q', 'j', 'J'); null for an item without cell.
UNION_DATA* follow_aliases(UNION_DATA* cell);

// Argument i's int value as a machine integer (machine_int), the cell taken
// through its aliases and at most one more reference. The argument must have
// passed the int type check.
int32_t int_argument(const CALL_ARGS& call_args, int32_t index);

}  // namespace morvu
