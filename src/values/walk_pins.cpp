#include "values/walk_pins.h"

#include <algorithm>
#include <vector>

#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The payloads kept for a running walk after their value let them go. Never
// destroyed, like every table the value core may reach during static
// destruction.
std::vector<void*>& orphans() {
    static auto* kept = new std::vector<void*>();
    return *kept;
}

bool is_orphan(const void* payload) {
    const std::vector<void*>& kept = orphans();
    return std::find(kept.begin(), kept.end(), payload) != kept.end();
}

// Whether a listed pin other than the given one walks the payload.
bool listed_elsewhere(const WALK_PIN* except, const void* payload) {
    for (const WALK_PIN* pin = last_listed_walk; pin != nullptr; pin = pin->below())
        if (pin != except && pin->walked() == payload) return true;
    return false;
}

// Frees a payload through the value core, as a cell of its tag would.
void free_orphan(char lowered, void* payload) {
    UNION_DATA holder('V');
    holder.tag = lowered;
    holder.payload = payload;
    clear_value(&holder);
}

}  // namespace

int32_t running_walks = 0;

int32_t* iteration_counter(char lowered, void* payload) {
    if (payload == nullptr) return nullptr;
    switch (lowered) {
    case tag_array: return &static_cast<ARRAY_DATA*>(payload)->iteration_count;
    case tag_dir: return &static_cast<DIR_DATA*>(payload)->iteration_count;
    case tag_file: return &static_cast<FILE_DATA*>(payload)->iteration_count;
    case tag_graph: return &static_cast<GRAPH_DATA*>(payload)->iterations;
    case tag_hash:
    case tag_set: return &static_cast<HASH_DATA*>(payload)->iteration_count;
    case tag_list:
    case tag_args: return &static_cast<LIST_DATA*>(payload)->iteration_count;
    case tag_str: return static_cast<STR_DATA*>(payload)->walk_counter();
    case tag_array2: return &static_cast<ARRAY2_DATA*>(payload)->iterations;
    default: return nullptr;
    }
}

namespace detail {

bool keep_if_pinned(char lowered, void* payload) {
    if (payload == nullptr) return false;
    // A text's count is asked for without giving it one.
    if (lowered == tag_str) {
        if (static_cast<STR_DATA*>(payload)->walks() <= 0) return false;
    } else {
        int32_t* count = iteration_counter(lowered, payload);
        if (count == nullptr || *count <= 0) return false;
    }
    if (!is_orphan(payload)) orphans().push_back(payload);
    return true;
}

}  // namespace detail

int32_t listed_walks = 0;
const WALK_PIN* last_listed_walk = nullptr;
size_t listed_texts = 0;

WALK_PIN::WALK_PIN(char lowered, void* payload, const UNION_DATA* holder)
    : lowered(lowered), payload(payload), count(iteration_counter(lowered, payload)) {
    if (count == nullptr) return;
    if (holder != nullptr && holder->scope_variable != 0 && holder->payload == payload) {
        if (lowered == tag_str && !listed_elsewhere(this, payload)) ++listed_texts;
        variable_payload = &holder->payload;
        listed_below = const_cast<WALK_PIN*>(last_listed_walk);
        if (listed_below != nullptr) listed_below->listed_above = this;
        last_listed_walk = this;
        ++listed_walks;
    }
    ++*count;
    ++running_walks;
}

WALK_PIN::~WALK_PIN() {
    if (count == nullptr) return;
    --*count;
    --running_walks;
    if (variable_payload != nullptr) {
        // Pins end in the reverse order of their start, but the list does
        // not count on it.
        if (listed_above != nullptr) listed_above->listed_below = listed_below;
        else last_listed_walk = listed_below;
        if (listed_below != nullptr) listed_below->listed_above = listed_above;
        --listed_walks;
        if (lowered == tag_str && !listed_elsewhere(this, payload)) --listed_texts;
    }
    if (*count > 0) return;
    // A text keeps its count beside it only while walks run.
    if (lowered == tag_str) static_cast<STR_DATA*>(payload)->walks_ended();
    if (orphans().empty() || !is_orphan(payload)) {
        // A hash keeps a pair order that changed during its walks until the
        // last of them is over.
        if (lowered == tag_hash || lowered == tag_set) static_cast<HASH_DATA*>(payload)->walk_ended();
        return;
    }
    std::vector<void*>& kept = orphans();
    auto found = std::find(kept.begin(), kept.end(), payload);
    if (found == kept.end()) return;
    kept.erase(found);
    free_orphan(lowered, payload);
}

bool WALK_PIN::orphaned() const { return !orphans().empty() && is_orphan(payload); }

}  // namespace morvu
