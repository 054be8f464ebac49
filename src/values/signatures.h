// Signature keys and method keys: how procedures, functions and the methods
// of the built-in types, overloaded by the types of their parameters, are
// filed and found.
//
// A key is the routine name, the byte 0xA7, each parameter's (or argument's)
// type name followed by ';', and a closing 0xA7 when there is at least one:
// "size\xA7int;\xA7", "bases\xA7". A constructor's (a type's call form's)
// name is empty, so its key starts with 0xA7. In the name, 0xA7, '\' and
// ';' are escaped by a backslash, which then separates nothing; escapes stay
// in the texts taken out of a key. In type names the module separator "::"
// of a qualified user type name is held as the byte 27, and the byte 0xFF
// (the NUL character of texts) may occur in names. The types
// "args" and "args:$" are variadic: they stand for any number of arguments,
// and a key may hold them only as one unbroken run of one kind.
//
// A call is matched strictly: a definition's "any" takes every argument type.
// A new definition is matched leniently against the existing ones to find a
// clash: "any" on either side agrees with everything.

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/hash_tables.h"

namespace morvu {

struct TOKEN;

// The byte that separates the parts of a key.
inline constexpr char method_key_mark = static_cast<char>(0xA7);

// ---- key tests ----

// The whole key equals a literal key.
inline bool key_is(const std::string& key, std::string_view literal) { return key == literal; }
// The key begins with the name and the mark (methods with open argument
// lists); `name_and_mark` is e.g. "set\xA7".
inline bool key_has_prefix(const std::string& key, std::string_view name_and_mark) {
    return key.size() >= name_and_mark.size() && key.compare(0, name_and_mark.size(), name_and_mark) == 0;
}
// The key is a call form (the type name used as a call): it starts with 0xA7.
inline bool is_call_form_key(const std::string& key) { return !key.empty() && key[0] == method_key_mark; }

// ---- shown forms ----

// "type:name" (just "name" for an empty type name); with_types appends the
// argument types in brackets: "int:m(int)", "f()".
std::string method_context(const TOKEN* node, std::string_view type_name, const std::string& key, bool with_types);

// The shown form of a key: escapes dropped, byte 27 as "::", byte 0xFF as
// "\0". *mark_position receives the output length before the first
// unescaped 0xA7, -1 when there is none (the pointer may be null).
std::string unescape_method_text(const std::string& key, int32_t* mark_position);

// The text with a backslash before every 0xA7, '\' and ';'.
std::string escape_method_text(const TOKEN* node, const std::string& text);

// "Type procedure", "Type function", "Procedure" or "Function".
const char* routine_type_word(bool is_type_routine, bool is_procedure);

// Splits a key into its name and its type texts, in key order, and returns
// the number of variadic entries; clears well_formed (which the caller sets
// first) when those are not one run of one kind. An empty key returns 0 and
// leaves the outputs alone. Never reads past the key, even after a trailing
// backslash.
int scan_param_types(const std::string& key, std::string& name, std::vector<std::string>& types, bool& well_formed);

// The routine name of a key, as scan_param_types takes it out: the key up
// to its first unescaped 0xA7, or all of it.
std::string_view routine_name_part(const std::string& key);

// The first key of a procedure or function table (in the table's walk order)
// that matches the given key; the empty text when none does; "!" when the
// given key's variadic entries are not one run and the match is lenient.
// Entries whose stored node is 0 define nothing and are passed over. The
// table's cursor is left alone: the candidates come from its group index by
// routine name.
std::string match_args_signature(STR_INT_TABLE& table, const std::string& key, bool strict);

}  // namespace morvu
