#include "runtime/text_utils.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace morvu {

void replace_substring(std::string& text, const char* search, const char* replacement, bool all) {
    const size_t search_length = std::strlen(search);
    // An empty search would match at the same place forever: with the all
    // flag it replaces nothing.
    if (search_length == 0 && all) return;
    std::string result;
    result.reserve(text.size());
    size_t position = 0;
    while (true) {
        size_t found = text.find(search, position, search_length);
        if (found == std::string::npos) break;
        result.append(text, position, found - position);
        result.append(replacement);
        position = found + search_length;
        if (!all) break;
    }
    result.append(text, position, std::string::npos);
    text = std::move(result);
}

size_t find_last(std::string_view text, std::string_view search, size_t last) {
    const size_t length = search.size();
    if (length > text.size()) return std::string::npos;
    const size_t start = std::min(last, text.size() - length);
    if (length == 0) return start;
    const char* data = text.data();
    size_t end = start + 1;  // candidates lie before end
    while (end > 0) {
        const void* hit = memrchr(data, search[0], end);
        if (hit == nullptr) break;
        const size_t found = static_cast<size_t>(static_cast<const char*>(hit) - data);
        if (std::memcmp(data + found + 1, search.data() + 1, length - 1) == 0) return found;
        end = found;
    }
    return std::string::npos;
}

void replace_substring_reverse(std::string& text, const char* search, const char* replacement, bool all) {
    const size_t search_length = std::strlen(search);
    if (search_length == 0 || search_length > text.size()) return;
    // The occurrences are found back to front; their starts are collected
    // first and the text is built once, front to back, so that replacing
    // every occurrence stays linear in the length of the text.
    std::vector<size_t> starts;
    size_t limit = text.size() - search_length;  // the last start still possible
    while (true) {
        size_t found = find_last(text, std::string_view(search, search_length), limit);
        if (found == std::string::npos) break;
        starts.push_back(found);
        if (!all || found < search_length) break;
        limit = found - search_length;
    }
    if (starts.empty()) return;
    const size_t replacement_length = std::strlen(replacement);
    std::string result;
    result.reserve(text.size() - starts.size() * search_length + starts.size() * replacement_length);
    size_t position = 0;
    for (auto start = starts.rbegin(); start != starts.rend(); ++start) {
        result.append(text, position, *start - position);
        result.append(replacement, replacement_length);
        position = *start + search_length;
    }
    result.append(text, position, std::string::npos);
    text = std::move(result);
}

void trim_chars(std::string& text, const char* set) {
    if (*set == '\0') return;
    size_t first = text.find_first_not_of(set);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    size_t last = text.find_last_not_of(set);
    text = text.substr(first, last - first + 1);
}

void strip_prefixes(std::string& text, const char* const* prefixes, int count) {
    size_t p = 0;
    bool advanced = true;
    while (advanced) {
        advanced = false;
        for (int i = 0; i < count; ++i) {
            size_t length = std::strlen(prefixes[i]);
            if (length == 0) continue;
            while (text.compare(p, length, prefixes[i]) == 0 && p + length <= text.size()) {
                p += length;
                advanced = true;
            }
        }
    }
    text.erase(0, p);
}

void strip_suffixes(std::string& text, const char* const* suffixes, int count) {
    size_t p = 0;  // characters already counted at the end
    bool stripped = true;
    while (stripped) {
        stripped = false;
        for (int i = 0; i < count; ++i) {
            size_t length = std::strlen(suffixes[i]);
            if (length == 0) continue;
            while (p + length <= text.size() && text.compare(text.size() - p - length, length, suffixes[i]) == 0) {
                p += length;
                stripped = true;
            }
        }
    }
    text.erase(text.size() - p);
}

int str_xor_code(std::string_view text) {
    unsigned low = 0, high = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t i = 0;
    for (; i + 1 < size; i += 2) {
        low ^= bytes[i];
        high ^= bytes[i + 1];
    }
    if (i < size) low ^= bytes[i];
    return static_cast<int>(low + 256 * high);
}

namespace {

template <typename PREDICATE>
bool all_chars(const std::string& text, PREDICATE is_member) {
    if (text.empty()) return false;
    for (char c : text)
        if (!is_member(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

bool str_is_upper(const std::string& text) {
    return all_chars(text, [](unsigned char c) { return c >= 'A' && c <= 'Z'; });
}

bool str_is_lower(const std::string& text) {
    return all_chars(text, [](unsigned char c) { return c >= 'a' && c <= 'z'; });
}

bool str_is_digits(const std::string& text) {
    return all_chars(text, [](unsigned char c) { return c >= '0' && c <= '9'; });
}

bool str_is_alpha(const std::string& text) {
    return all_chars(text,
                     [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; });
}

bool str_is_integer(const std::string& text) {
    size_t start = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (start == text.size()) return false;
    for (size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

int64_t number_prefix_end(const char* text) {
    auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    int64_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    int64_t last = -1;
    while (is_digit(text[i])) last = i++;
    bool integer_digits = last >= 0;
    if (text[i] == '.') {
        if (is_digit(text[i + 1])) {
            ++i;
            while (is_digit(text[i])) last = i++;
        } else if (integer_digits) {
            ++i;  // "5." counts only when an exponent completes it
        }
    }
    if (last < 0) return -1;
    if (text[i] == 'e' || text[i] == 'E') {
        int64_t j = i + 1;
        if (text[j] == '+' || text[j] == '-') ++j;
        while (is_digit(text[j])) last = j++;
    }
    return last;
}

bool str_is_number(const std::string& text) {
    if (text.empty()) return false;
    return number_prefix_end(text.c_str()) == static_cast<int64_t>(text.size()) - 1;
}

int64_t str_rfind(const std::string& text, const std::string& search, int64_t count) {
    const int64_t size = static_cast<int64_t>(text.size());
    if (count < 0) count = 0;
    const int64_t part = size - count;  // length of the part searched
    if (part < 0 || static_cast<int64_t>(search.size()) > part) return search.empty() ? count - 1 : -1;
    size_t found = find_last(text, search, static_cast<size_t>(part - static_cast<int64_t>(search.size())));
    if (found == std::string::npos) return -1;
    return size - 1 - static_cast<int64_t>(found);
}

}  // namespace morvu
