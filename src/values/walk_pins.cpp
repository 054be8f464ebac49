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

// The pins over a payload held by a declared variable's own cell, in the
// order they began; never destroyed, like the orphans.
struct VARIABLE_WALK {
    const UNION_DATA* cell;
    const void* payload;
    bool text;
};

std::vector<VARIABLE_WALK>& variable_walks() {
    static auto* walks = new std::vector<VARIABLE_WALK>();
    return *walks;
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

bool walks_only_over_variables() {
    const std::vector<VARIABLE_WALK>& walks = variable_walks();
    if (static_cast<size_t>(running_walks) != walks.size()) return false;
    size_t texts = 0;
    for (size_t at = 0; at < walks.size(); ++at) {
        const VARIABLE_WALK& walk = walks[at];
        if (walk.cell->payload != walk.payload) return false;
        if (!walk.text) continue;
        bool counted = false;
        for (size_t before = 0; before < at && !counted; ++before) counted = walks[before].payload == walk.payload;
        if (!counted) ++texts;
    }
    // Each walked text keeps its state beside it; any further state may
    // belong to a text that copied a walk count.
    return texts_with_state == texts;
}

WALK_PIN::WALK_PIN(char lowered, void* payload, const UNION_DATA* holder)
    : lowered(lowered), payload(payload), count(iteration_counter(lowered, payload)) {
    if (count == nullptr) return;
    if (holder != nullptr && holder->scope_variable != 0 && holder->payload == payload) {
        variable_walks().push_back({holder, payload, lowered == tag_str});
        in_variable = true;
    }
    ++*count;
    ++running_walks;
}

WALK_PIN::~WALK_PIN() {
    if (count == nullptr) return;
    --*count;
    --running_walks;
    if (in_variable) {
        // Pins end in the reverse order of their start.
        std::vector<VARIABLE_WALK>& walks = variable_walks();
        for (size_t at = walks.size(); at > 0; --at) {
            if (walks[at - 1].payload != payload) continue;
            walks.erase(walks.begin() + static_cast<std::ptrdiff_t>(at - 1));
            break;
        }
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
