// What the value layer asks the front end about syntax-tree nodes. A value of
// a user type only holds the declaring node of its type, a code value its
// block; the front end owns the nodes, the type scopes and the prototype
// objects, and installs these services at start-up (frontend/type_services.h).
// Until they are installed no user type has a name, a prototype or members,
// and code values are equal only when they hold the same block.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;
class UNION_DATA;
struct OBJECT_RECORD;

struct FRONT_END_SERVICES {
    // The name of a user type as seen from place: qualified by its modules
    // and enclosing types where they are needed, the declaring node's own
    // text where the type is not visible from there.
    std::string (*type_name)(const TOKEN* place, const TOKEN* type) = nullptr;
    // The cell holding the prototype object of a user type, or null.
    UNION_DATA* (*initial_object)(const TOKEN* type) = nullptr;
    // Makes record a deep copy of source: the same groups with the same type
    // nodes, every member cell copied (null stays null).
    void (*copy_members)(OBJECT_RECORD& record, const OBJECT_RECORD& source) = nullptr;
    // The slot of the member variable `name` in the group of the type, or -1
    // when the type's own body declares no such variable.
    int (*member_slot)(const TOKEN* type, const std::string& name) = nullptr;
    // Whether the type was declared a smalltype.
    bool (*is_smalltype)(const TOKEN* type) = nullptr;
    // Whether two code blocks are the same text (trees_equal).
    bool (*blocks_equal)(const TOKEN* a, const TOKEN* b) = nullptr;
};
extern FRONT_END_SERVICES front_end_services;

// The service's type name, or "" before it is installed.
inline std::string user_type_name_of(const TOKEN* place, const TOKEN* type) {
    return front_end_services.type_name != nullptr ? front_end_services.type_name(place, type) : std::string();
}

// The prototype object of a user type; null before the service is installed.
inline UNION_DATA* initial_object_of(const TOKEN* type) {
    return front_end_services.initial_object != nullptr ? front_end_services.initial_object(type) : nullptr;
}

}  // namespace morvu
