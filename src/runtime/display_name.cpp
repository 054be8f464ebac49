#include "runtime/display_name.h"

namespace morvu {

std::string display_name(std::string_view name) {
    std::string text;
    text.reserve(name.size() + 2);
    for (char byte : name) {
        if (byte == module_separator) text += "::";
        else text += byte;
    }
    return text;
}

std::string internal_name(std::string_view shown) {
    std::string name;
    name.reserve(shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == ':' && i + 1 < shown.size() && shown[i + 1] == ':') {
            name += module_separator;
            ++i;
        } else {
            name += shown[i];
        }
    }
    return name;
}

}  // namespace morvu
