// What the value core asks of the front end about user types: the name by
// which a type is shown, the prototype object every new object of a type is
// copied from, the deep copy of an object record, the slots of the member
// variables and the smalltype mark. The value layer reaches them through
// its front_end_services (values/front_end_services.h), installed here.
//
// A type's prototype is the current cell of its type-definition node's value
// stack (var_storage.h), pushed by the basic initialisation of user types; a
// type that has not been initialised has none.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;
class UNION_DATA;
struct OBJECT_RECORD;

// The full name of a user type as seen from a place; empty when the type is
// not visible from there (callers then use the declaring node's own text).
// Defined with the type extensions.
std::string qualified_type_name(const TOKEN* place, const TOKEN* type);

// The cell holding the prototype object of a user type, or null.
UNION_DATA* type_initial_object(const TOKEN* type);
// Makes a deep copy of the cell the prototype of a user type, in place of
// the one it has; null removes every prototype of the type.
void set_type_initial_object(const TOKEN* type, UNION_DATA* cell);

// Makes record a deep copy of source: the same groups with the same type
// nodes, every member cell copied (null stays null).
void copy_value_table(OBJECT_RECORD& record, const OBJECT_RECORD& source);

// Installs the answers above as the value layer's front_end_services.
void install_front_end_services();

}  // namespace morvu
