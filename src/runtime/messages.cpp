#include "runtime/messages.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace morvu {

namespace {

// Built once on first use: identifiers are distinct, so an index gives the
// same answer as walking the rows in order, without 365 comparisons on every
// error path.
const std::unordered_map<std::string_view, const char*>& catalogue_index() {
    static const auto index = [] {
        std::unordered_map<std::string_view, const char*> map;
        map.reserve(message_count * 2);
        for (const MESSAGE_ROW& row : message_catalogue) map.emplace(row.identifier, row.text);
        return map;
    }();
    return index;
}

std::string& concat_buffer() {
    static std::string buffer;
    return buffer;
}

}  // namespace

const char* msg_text(const char* identifier) {
    if (identifier == nullptr) return "";
    const auto& index = catalogue_index();
    auto it = index.find(identifier);
    return it == index.end() ? "" : it->second;
}

const char* msg_text_concat2(const char* first, const char* second) {
    std::string& buffer = concat_buffer();
    buffer.assign(msg_text(first));
    buffer.append(msg_text(second));
    return buffer.c_str();
}

void clear_msg_text() {
    concat_buffer().clear();
    concat_buffer().shrink_to_fit();
}

std::string format_string_v(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return std::string();
    std::string result(static_cast<size_t>(length), '\0');
    // vsnprintf writes the terminating NUL into the string's own terminator slot.
    std::vsnprintf(result.data(), result.size() + 1, format, args);
    return result;
}

std::string format_string(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = format_string_v(format, args);
    va_end(args);
    return result;
}

}  // namespace morvu
