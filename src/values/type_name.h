// The name of a value's type: a constant text for a built-in type, or the
// declaring node of a user type. Type checks compare these names, messages
// show them. A user type is shown by its name as seen from a place (the
// current statement when no place is given), modules separated by "::".

#pragma once

#include <string>

namespace morvu {

struct TOKEN;
class UNION_DATA;

// A constant text for built-in types ("?" for unknown tags), or the
// declaring node of a user type.
struct TYPE_NAME {
    const char* text = nullptr;
    TOKEN* type = nullptr;
    bool is_user_type = false;
};

// The type of a cell; with held an any cell names what it holds, without it
// "any". Links name their final target's type.
TYPE_NAME value_type_name(const UNION_DATA* cell, bool held);
// The type code that type_code_of_name gives for value_type_name(cell,
// true): the held tag of a built-in type, tag_object for objects and
// unknown tags. Without the name's text.
char held_type_code_of(const UNION_DATA* cell);
// Equal texts, or the same user-type declaration.
bool same_type_name(const TYPE_NAME& a, const TYPE_NAME& b);
// The shown form of a type name.
std::string type_name_text(const TYPE_NAME& name);
// The shown name of a user type as seen from place; "" for no type.
std::string user_type_text(const TOKEN* place, const TOKEN* type);

}  // namespace morvu
