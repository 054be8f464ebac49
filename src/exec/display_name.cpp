#include "exec/display_name.h"

namespace morvu {

namespace {

std::string& display_text(bool flag) {
    static std::string texts[2];
    return texts[flag ? 1 : 0];
}

}  // namespace

const std::string& display_name(const char* name, bool flag) {
    std::string& text = display_text(flag);
    text.clear();
    if (name == nullptr) return text;
    for (const char* p = name; *p != 0; ++p) {
        if (*p == module_separator) text += "::"; else text += *p;
    }
    return text;
}

void clear_display_names() {
    display_text(false).clear();
    display_text(false).shrink_to_fit();
    display_text(true).clear();
    display_text(true).shrink_to_fit();
}

}  // namespace morvu
