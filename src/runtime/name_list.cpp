#include "runtime/name_list.h"

#include <algorithm>

namespace morvu {

bool NAME_LIST::contains(std::string_view text) const {
    return std::any_of(names.begin(), names.end(), [text](const std::string& name) { return name == text; });
}

}  // namespace morvu
