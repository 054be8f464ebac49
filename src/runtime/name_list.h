// NAME_LIST is an ordered list of texts: the lines of a source file, the
// include directories, the names of the files a tree includes, and the name
// sets of the analysis passes. The list owns its texts. Texts are appended at
// the end and, where a caller asks for it, put at the front; both ends are
// cheap. Order is insertion order; duplicates are allowed.

#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace morvu {

class NAME_LIST {
public:
    using const_iterator = std::deque<std::string>::const_iterator;

    NAME_LIST() = default;
    NAME_LIST(std::initializer_list<std::string> texts) : names(texts) {}

    uint32_t count() const { return static_cast<uint32_t>(names.size()); }
    bool empty() const { return names.empty(); }

    void append(std::string text) { names.push_back(std::move(text)); }
    void push_front(std::string text) { names.push_front(std::move(text)); }
    void clear() { names.clear(); }

    // True when some entry holds exactly these bytes.
    bool contains(std::string_view text) const;

    const std::string& first() const { return names.front(); }
    const std::string& last() const { return names.back(); }
    const std::string& operator[](uint32_t index) const { return names[index]; }

    const_iterator begin() const { return names.begin(); }
    const_iterator end() const { return names.end(); }

private:
    std::deque<std::string> names;
};

}  // namespace morvu
