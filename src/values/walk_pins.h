// A for/For walk reads the store of the value it walks directly, from its
// first element to its last: list and args nodes, hash and set buckets,
// array and grid slots, graph nodes and edges, the characters of a text, a
// file's stream, a directory's path. It pins that payload for its whole run.
//
// A pin raises the payload's iteration count, which makes the methods that
// change the store's structure refuse ("infeasible during iteration"). And a
// payload that is freed while pinned (its value destroyed or replaced by a
// path that does not ask the count, such as a method that removes the
// container holding it) is not freed but kept as an orphan until its last
// pin goes. So no loop body can free what a walk still reads.

#pragma once

#include <cstdint>

#include "values/type_tags.h"

namespace morvu {

class UNION_DATA;

// The iteration count of a payload of the lowered tag; null for the tags
// whose payloads keep none. A text's count is kept beside it from this call
// until its walks end.
int32_t* iteration_counter(char lowered, void* payload);

// The walks running over any value: every pin and every ITERATION_HOLD adds
// one while it lives. While it is 0 no payload can be under iteration, so the
// checks that look for one inside a value need not walk it.
extern int32_t running_walks;

// The lowered tags of the values that for and For walk.
inline bool is_walkable_tag(char lowered) {
    switch (lowered) {
    case tag_array:
    case tag_dir:
    case tag_file:
    case tag_graph:
    case tag_hash:
    case tag_list:
    case tag_set:
    case tag_str:
    case tag_args:
    case tag_array2: return true;
    default: return false;
    }
}

namespace detail {
bool keep_if_pinned(char lowered, void* payload);
}

// Called by the value core just before it frees a payload: true when a walk
// pins the payload, which then stays allocated until the walk ends.
inline bool keep_walked_payload(char lowered, void* payload) {
    return running_walks != 0 && is_walkable_tag(lowered) && detail::keep_if_pinned(lowered, payload);
}

// Whether every running walk is a pin over the payload of a declared
// variable's own cell that the cell still holds, and no other text keeps a
// walk count. A variable's own cell is never an element or member of a value,
// so then no value holds a walked payload inside it. Costs one look at each
// running walk, whatever the size of the values.
bool walks_only_over_variables();

// Pins a payload for the life of the object. The destructor lowers the
// count and frees an orphaned payload whose last pin it was. The holder, when
// given, is the cell whose payload is walked.
class WALK_PIN {
public:
    WALK_PIN(char lowered, void* payload, const UNION_DATA* holder = nullptr);
    ~WALK_PIN();
    WALK_PIN(const WALK_PIN&) = delete;
    WALK_PIN& operator=(const WALK_PIN&) = delete;

    // Whether the value the payload belonged to has let it go.
    bool orphaned() const;

private:
    char lowered;
    void* payload;
    int32_t* count;
    bool in_variable = false;  // listed among the walks over variables
};

}  // namespace morvu
