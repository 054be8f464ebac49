// Every message identifier the code asks for must stand in the catalogue: an
// unknown one yields the empty text, and the user would see a blank message.
// The sources are scanned for the identifiers they pass to msg_text and to
// every function of ours that takes a parameter named `identifier`.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "runtime/messages.h"

namespace {

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> source_texts() {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(MORVU_SOURCE_DIR)) {
        const auto extension = entry.path().extension();
        if (extension != ".cpp" && extension != ".h") continue;
        if (entry.path().filename() == "message_catalogue.cpp") continue;
        texts.push_back(read_file(entry.path()));
    }
    return texts;
}

bool in_catalogue(const std::string& identifier) {
    for (const auto& row : morvu::message_catalogue) {
        if (identifier == row.identifier) return true;
    }
    return false;
}

bool is_word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Adds the names of the functions that `text` declares with a parameter
// written "const char* identifier" (blanks optional around the star): the
// name before the leftmost '(' that precedes the parameter with no ';', '{'
// or ')' in between.
void add_identifier_takers(const std::string& text, std::set<std::string>& takers) {
    const std::string parameter = "identifier";
    const std::string type = "const char";
    for (size_t at = text.find(parameter); at != std::string::npos; at = text.find(parameter, at + 1)) {
        const size_t end = at + parameter.size();
        if (end < text.size() && is_word_char(text[end])) continue;
        size_t p = at;
        while (p > 0 && is_blank(text[p - 1])) --p;
        if (p == 0 || text[p - 1] != '*') continue;
        --p;
        while (p > 0 && is_blank(text[p - 1])) --p;
        if (p < type.size() || text.compare(p - type.size(), type.size(), type) != 0) continue;
        p -= type.size();
        std::string name;
        for (size_t q = p; q > 0 && text[q - 1] != ';' && text[q - 1] != '{' && text[q - 1] != ')'; --q) {
            if (text[q - 1] != '(') continue;
            size_t word_end = q - 1;
            while (word_end > 0 && is_blank(text[word_end - 1])) --word_end;
            size_t word_start = word_end;
            while (word_start > 0 && is_word_char(text[word_start - 1])) --word_start;
            if (word_start < word_end) name = text.substr(word_start, word_end - word_start);
        }
        if (!name.empty()) takers.insert(name);
    }
}

// The string literals that are direct arguments of the call whose argument
// list starts at `from` (not those of nested calls); only the first unless
// `all`. Literals that cannot be identifiers (upper case, blanks) are left out.
std::vector<std::string> direct_literals(const std::string& text, size_t from, bool all) {
    std::vector<std::string> found;
    int depth = 1;
    for (size_t i = from; i < text.size() && depth > 0; ++i) {
        const char c = text[i];
        if (c == '(') ++depth;
        else if (c == ')') --depth;
        else if (c == ';' || c == '{') break;
        else if (c == '"') {
            size_t end = text.find('"', i + 1);
            if (end == std::string::npos) break;
            std::string literal = text.substr(i + 1, end - i - 1);
            i = end;
            if (depth != 1) continue;
            bool identifier = literal.size() >= 3;
            for (char ch : literal) identifier = identifier && ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'));
            if (identifier) found.push_back(literal);
            if (!all && !found.empty()) break;
        }
    }
    return found;
}

}  // namespace

TEST(MessageIdentifiers, EveryIdentifierTheCodeNamesIsInTheCatalogue) {
    const std::vector<std::string> texts = source_texts();
    ASSERT_FALSE(texts.empty());

    // The functions that take an identifier: msg_text and its kin, and every
    // function declared with a `const char* identifier` parameter.
    std::set<std::string> takers = {"msg_text", "msg_text_concat2"};
    for (const std::string& text : texts) add_identifier_takers(text, takers);

    std::set<std::string> unknown;
    size_t seen = 0;
    for (const std::string& text : texts) {
        for (const std::string& name : takers) {
            for (size_t at = text.find(name + "("); at != std::string::npos; at = text.find(name + "(", at + 1)) {
                if (at > 0 && (std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_')) continue;
                // msg_text may choose between identifiers (a ternary); the
                // other takers name theirs first.
                const bool all = name.rfind("msg_text", 0) == 0;
                for (const std::string& identifier : direct_literals(text, at + name.size() + 1, all)) {
                    ++seen;
                    if (!in_catalogue(identifier)) unknown.insert(identifier);
                }
            }
        }
    }
    EXPECT_GT(seen, 200u);
    std::string list;
    for (const std::string& identifier : unknown) list += identifier + " ";
    EXPECT_TRUE(unknown.empty()) << "not in the catalogue: " << list;
}
