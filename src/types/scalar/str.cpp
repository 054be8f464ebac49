#include "types/scalar/str.h"

namespace morvu {

int str_rfind(const std::string& text, const std::string& search, int count) {
    const long size = static_cast<long>(text.size());
    if (count < 0) count = 0;
    long part = size - count;  // length of the part searched
    if (part < 0 || static_cast<long>(search.size()) > part) return search.empty() ? count - 1 : -1;
    size_t found = text.rfind(search, static_cast<size_t>(part - static_cast<long>(search.size())));
    if (found == std::string::npos) return -1;
    return static_cast<int>(size - 1 - static_cast<long>(found));
}

}  // namespace morvu

namespace morvu {

// The methods of str are added with the type's own work; until then no key is one of them.
bool str_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, RESULT_ITEM) { return false; }

bool str_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM, RESULT_ITEM) { return false; }

}  // namespace morvu
