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

#include <cstddef>
#include <cstdint>

#include "runtime/str_stream.h"
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

    // Whether the variable's own cell it was listed with still holds the
    // payload (only asked of a listed pin).
    bool in_place() const { return *variable_payload == payload; }

    // The listed pin begun before this one, or null.
    const WALK_PIN* below() const { return listed_below; }

    const void* walked() const { return payload; }

private:
    char lowered;
    void* payload;
    int32_t* count;
    void* const* variable_payload = nullptr;  // listed: the payload word of the variable's own cell
    WALK_PIN* listed_below = nullptr;
    WALK_PIN* listed_above = nullptr;
};

// The pins over the payload of a declared variable's own cell, listed with
// that cell when they began: how many run, the last one begun, and how many
// distinct texts they walk. Every other running walk (a pin given no such
// holder, an ITERATION_HOLD) may be over a value that sits inside another
// value; there are running_walks - listed_walks of them, a count kept exact
// as walks begin and end.
extern int32_t listed_walks;
extern const WALK_PIN* last_listed_walk;
extern size_t listed_texts;

// What the running walks tell of a payload when every one of them is a pin
// over the payload of a declared variable's own cell that the cell still
// holds, and no other text keeps a walk count: a payload other than a text
// (whose count a copy may share or a reset let go) is walked exactly when it
// is one of theirs, since only pins and holds raise a count, and no value
// holds a walked payload
// inside it, since a variable's own cell is never an element or member of a
// value. Unknown otherwise. Answered with no look at any walk while one may
// be over a value inside a value, else with one look at each running walk,
// whatever the size of the values.
enum class LISTED_WALKS : uint8_t { not_walked, walked, unknown };

inline LISTED_WALKS listed_walks_over(const void* payload) {
    if (running_walks != listed_walks) return LISTED_WALKS::unknown;
    bool walked = false;
    for (const WALK_PIN* pin = last_listed_walk; pin != nullptr; pin = pin->below()) {
        if (!pin->in_place()) return LISTED_WALKS::unknown;
        walked |= pin->walked() == payload;
    }
    // Each walked text keeps its state beside it; any further state may
    // belong to a text that copied a walk count.
    if (texts_with_state != listed_texts) return LISTED_WALKS::unknown;
    return walked ? LISTED_WALKS::walked : LISTED_WALKS::not_walked;
}

// Whether the running walks are all such pins, so that no value holds a
// walked payload inside it.
inline bool walks_only_over_variables() { return listed_walks_over(nullptr) != LISTED_WALKS::unknown; }

}  // namespace morvu
