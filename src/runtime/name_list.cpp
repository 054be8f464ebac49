#include "runtime/name_list.h"

#include <algorithm>

namespace morvu {

namespace {

// Up to this many texts a search is cheaper than a set.
constexpr size_t unindexed_count = 8;

}  // namespace

bool NAME_LIST::contains(std::string_view text) const {
    if (!index) {
        if (names.size() <= unindexed_count)
            return std::any_of(names.begin(), names.end(), [text](const std::string& name) { return name == text; });
        index = std::make_unique<std::unordered_set<std::string_view>>(names.begin(), names.end());
    }
    return index->count(text) != 0;
}

}  // namespace morvu
