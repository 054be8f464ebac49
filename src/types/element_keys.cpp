#include "types/element_keys.h"

#include <unordered_set>
#include <utility>

namespace morvu {

namespace {

// The cell the order compares for a cell: aliases followed to their end,
// then one more link step.
UNION_DATA* compared_value(UNION_DATA* cell) { return follow_link(follow_aliases(cell)); }

}  // namespace

bool may_run_user_order(UNION_DATA* cell) {
    UNION_DATA* value = compared_value(cell);
    char type = lower_tag(value->tag);
    if (type == tag_object) return true;
    if (!is_nesting_tag(type)) return false;  // the common case: a scalar or a text
    std::vector<UNION_DATA*> pending{value};
    std::unordered_set<const UNION_DATA*> seen{value};
    std::vector<UNION_DATA*> children;
    while (!pending.empty()) {
        UNION_DATA* current = pending.back();
        pending.pop_back();
        children.clear();
        append_child_cells(current, children);
        for (UNION_DATA* child : children) {
            UNION_DATA* inner = compared_value(child);
            type = lower_tag(inner->tag);
            if (type == tag_object) return true;
            if (is_nesting_tag(type) && seen.insert(inner).second) pending.push_back(inner);
        }
    }
    return false;
}

ELEMENT_KEYS::ELEMENT_KEYS(std::vector<UNION_DATA*> elements) : keys(std::move(elements)) {
    bool user_code = false;
    for (UNION_DATA* key : keys) {
        if (may_run_user_order(key)) {
            user_code = true;
            break;
        }
    }
    if (!user_code) return;
    copies.reserve(keys.size());
    for (UNION_DATA*& key : keys) {
        // The copy keeps the tag of the cell the order starts from, so that
        // it compares exactly as the element does.
        auto copy = std::make_unique<UNION_DATA>(tag_nothing);
        copy_construct_value(copy.get(), follow_aliases(key));
        key = copy.get();
        copies.push_back(std::move(copy));
    }
}

}  // namespace morvu
