// Signature keys: how procedures and functions, overloaded by the types of
// their parameters, are filed and found.
//
// A key is the routine name, the byte 0xA7, each parameter's type name
// followed by ';', and a closing 0xA7; a constructor's name is empty, so its
// key starts with 0xA7. A backslash escapes the byte after it, which then
// separates nothing; escapes stay in the texts taken out of a key. The types
// "args" and "args:$" are variadic: they stand for any number of arguments,
// and a key may hold them only as one unbroken run of one kind.
//
// A call is matched strictly: a definition's "any" takes every argument type.
// A new definition is matched leniently against the existing ones to find a
// clash: "any" on either side agrees with everything.

#pragma once

#include <string>
#include <vector>

#include "runtime/hash_tables.h"

namespace morvu {

// Splits a key into its name and its type texts, in key order, and returns
// the number of variadic entries; clears well_formed (which the caller sets
// first) when those are not one run of one kind. An empty key returns 0 and
// leaves the outputs alone. Never reads past the key, even after a trailing
// backslash.
int scan_param_types(const std::string& key, std::string& name, std::vector<std::string>& types,
                     bool& well_formed);

// The first key of a procedure or function table (in the table's walk order,
// with its own cursor) that matches the given key; the empty text when none
// does; "!" when the given key's variadic entries are not one run and the
// match is lenient. Entries whose stored node is 0 define nothing and are
// passed over.
std::string match_args_signature(STR_INT_TABLE& table, const std::string& key, bool strict);

}  // namespace morvu
