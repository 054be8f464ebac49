// The front end's answers to the saved text form about user types: the name
// under which a type is saved, its member names by slot, and the type a saved
// name designates. They are installed as the value layer's
// saved_type_services at start-up.
//
// A saved name is the type's full name as seen from the calling node, its
// enclosing types joined by ':' ("Outer:Inner"). Module separators stay the
// byte 27 inside a saved name, so that ':' only ever joins nesting levels.

#pragma once

#include <string>
#include <vector>

namespace morvu {

struct TOKEN;

std::string saved_type_name(const TOKEN* place, const TOKEN* type);

// The member names of the type's own body, indexed by member slot.
void saved_member_names(const TOKEN* type, std::vector<std::string>& names);

// The type-definition node of a saved name seen from place, or null.
TOKEN* find_saved_type(TOKEN* place, const std::string& name);

// Installs the three services above (start-up).
void install_saved_type_services();

}  // namespace morvu
