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
    if (length < 0) return format_string_piecewise(format, args);  // longer than an int counts
    if (length == 0) return std::string();
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

std::string format_string_piecewise(const char* format, va_list args) {
    std::string out;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char* start = p++;
        bool left = false;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') left |= *p++ == '-';
        size_t width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + static_cast<size_t>(*p++ - '0');
        size_t precision = std::string::npos;
        if (*p == '.') {
            precision = 0;
            for (++p; *p >= '0' && *p <= '9'; ++p) precision = precision * 10 + static_cast<size_t>(*p - '0');
        }
        int longs = 0;  // 'l' counts 1, "ll" 2; 'z', 'j' and 't' count as 2: 64 bits here
        while (*p == 'l' || *p == 'h' || *p == 'z' || *p == 'j' || *p == 't') {
            longs += *p == 'l' ? 1 : *p == 'h' ? 0 : 2;
            ++p;
        }
        const std::string spec(start, static_cast<size_t>(p - start) + 1);
        switch (*p) {
        case '%': out += '%'; break;
        case 's': {
            const char* text = va_arg(args, const char*);
            std::string_view piece = text == nullptr ? "(null)" : text;
            if (precision < piece.size()) piece = piece.substr(0, precision);
            const size_t pad = width > piece.size() ? width - piece.size() : 0;
            if (!left) out.append(pad, ' ');
            out.append(piece);
            if (left) out.append(pad, ' ');
            break;
        }
        case 'c': out += format_string(spec.c_str(), va_arg(args, int)); break;
        case 'd':
        case 'i':
            if (longs >= 2) out += format_string(spec.c_str(), va_arg(args, long long));
            else if (longs == 1) out += format_string(spec.c_str(), va_arg(args, long));
            else out += format_string(spec.c_str(), va_arg(args, int));  // a short is promoted
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (longs >= 2) out += format_string(spec.c_str(), va_arg(args, unsigned long long));
            else if (longs == 1) out += format_string(spec.c_str(), va_arg(args, unsigned long));
            else out += format_string(spec.c_str(), va_arg(args, unsigned));
            break;
        default: return out;  // no conversion of ours: the rest cannot be read
        }
        if (*p != '\0') ++p;
    }
    return out;
}

std::string format_numbers(const char* format, const std::string& first, const std::string& second) {
    std::string texts;
    for (const char* p = format; *p != '\0'; ++p) {
        texts += *p;
        if (*p != '%') continue;
        if (p[1] == 'd') {
            texts += 's';
            ++p;
        } else if (p[1] == '%') {
            texts += *++p;
        }
    }
    return format_string(texts.c_str(), first.c_str(), second.c_str());
}

}  // namespace morvu
