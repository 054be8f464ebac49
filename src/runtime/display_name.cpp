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

}  // namespace morvu
