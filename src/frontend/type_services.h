// What the value core asks of the front end about user types: the name by
// which a type is shown, the initial object every new object of a type is
// copied from, and the deep copy of an object record.
//
// The syntax-tree node does not yet carry its stack of value cells, so the
// initial object of each type is kept here, keyed by the type's declaring
// node, until the analysis of user types stores it in the node itself.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;
class UNION_DATA;
struct OBJECT_RECORD;

// The full name of a user type as seen from a place; empty when the type is
// not visible from there (callers then use the declaring node's own text).
std::string qualified_type_name(const TOKEN* place, const TOKEN* type);

// The cell holding the initial object of a user type, or null.
UNION_DATA* type_initial_object(const TOKEN* type);
// Records the cell holding the initial object of a user type (the caller
// keeps owning the cell); null forgets it.
void set_type_initial_object(const TOKEN* type, UNION_DATA* cell);

// Makes record a deep copy of source: the same groups with the same type
// nodes, every member cell copied (null stays null).
void copy_value_table(OBJECT_RECORD& record, const OBJECT_RECORD& source);

}  // namespace morvu
