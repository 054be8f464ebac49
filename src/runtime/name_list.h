// NAME_LIST is an ordered list of texts: the lines of a source file, the
// include directories, the names of the files a tree includes, and the name
// sets of the analysis passes. The list owns its texts. Texts are appended at
// the end and, where a caller asks for it, put at the front; both ends are
// cheap. Order is insertion order; duplicates are allowed.
//
// A list that is asked whether it holds a text keeps, once it has grown past
// a few entries, a set of views of its texts beside them, so that the name
// sets answer at once however many files a program includes. The deque never
// moves a text, so the views stay valid until clear().

#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace morvu {

class NAME_LIST {
public:
    using const_iterator = std::deque<std::string>::const_iterator;

    NAME_LIST() = default;
    NAME_LIST(std::initializer_list<std::string> texts) : names(texts) {}
    NAME_LIST(const NAME_LIST& other) : names(other.names) {}
    NAME_LIST& operator=(const NAME_LIST& other) {
        if (this != &other) {
            names = other.names;
            index.reset();
        }
        return *this;
    }
    NAME_LIST(NAME_LIST&& other) noexcept = default;
    NAME_LIST& operator=(NAME_LIST&& other) noexcept = default;

    uint32_t count() const { return static_cast<uint32_t>(names.size()); }
    bool empty() const { return names.empty(); }

    void append(std::string text) {
        names.push_back(std::move(text));
        if (index) index->insert(names.back());
    }
    void push_front(std::string text) {
        names.push_front(std::move(text));
        if (index) index->insert(names.front());
    }
    void clear() {
        names.clear();
        index.reset();
    }

    // True when some entry holds exactly these bytes.
    bool contains(std::string_view text) const;

    const std::string& first() const { return names.front(); }
    const std::string& last() const { return names.back(); }
    const std::string& operator[](uint32_t index) const { return names[index]; }

    const_iterator begin() const { return names.begin(); }
    const_iterator end() const { return names.end(); }

private:
    std::deque<std::string> names;
    mutable std::unique_ptr<std::unordered_set<std::string_view>> index;  // made by contains()
};

}  // namespace morvu
