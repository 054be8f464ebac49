// The reader of the saved text form: the scanner, which takes exactly the
// characters of one saved value from a stream and checks their shape, and
// the parser, which builds the value from the scanned text.
//
// Nothing the parser builds touches the target until the whole text has been
// read and checked: the value is built in a scratch cell and moved into the
// target at the end, so a damaged text leaves the target as it was. Every
// element is read straight into the cell that finally holds it (a new list
// node, slot, graph node or member cell), so that the cells recorded for
// "$n$" and "@n@" are the final ones; the references are made only after the
// move. A hash key that is a reference is placed by the identity of the cell
// it refers to, so its pair joins the hash once the reference exists.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/display_name.h"
#include "runtime/error.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/saved_text.h"
#include "values/union_data.h"
#include "values/value_operators.h"
#include "values/value_text.h"

namespace morvu {

extern std::string saved_text_message;

namespace {

// The longest number field a saved text holds ("-2147483648" and room).
constexpr size_t max_number_length = 24;

// The type name of a letter, the context of the "Incomplete type" messages.
const char* letter_name(char letter) {
    switch (letter) {
    case 'a': return "array";
    case 'h': return "hash";
    case 'l': return "list";
    case 'm': return "set";
    case 'y': return "args";
    case 'c':
    case 'x': return "char";
    case 'o': return "oper";
    case 't': return "time";
    case 'z': return "array2";
    case '0': return "date";
    case '2': return "timezone";
    case '4': return "datetime";
    case 'b': return "bool";
    case 'r': return "real";
    case 'e': return "error";
    case 'i': return "int";
    case 'g': return "graph";
    case 's': return "str";
    case 'v': return "any";
    case '$':
    case '@': return "ref";
    default: return "type";
    }
}

bool damaged(const char* context) {
    saved_text_message = msg_text("unvdattyp");
    saved_text_message += " '";
    saved_text_message += context;
    saved_text_message += '\'';
    return false;
}

// A decimal number: an optional minus sign and at least one digit, within
// 32 bits.
bool parse_number(std::string_view digits, long long& value) {
    size_t i = 0;
    bool negative = false;
    if (i < digits.size() && digits[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == digits.size()) return false;
    long long result = 0;
    for (; i < digits.size(); ++i) {
        char c = digits[i];
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
        if (result > 2147483648LL) return false;
    }
    result = negative ? -result : result;
    if (result > INT32_MAX || result < INT32_MIN) return false;
    value = result;
    return true;
}

// [-]digits[.digits]
bool is_plain_decimal(std::string_view text) {
    size_t i = text.empty() || text[0] != '-' ? 0 : 1;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (digits == 0) return false;
    if (i == text.size()) return true;
    if (text[i] != '.' || ++i == text.size()) return false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i == text.size();
}

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// ---- scanner ----

class SCANNER {
public:
    SCANNER(STREAM_DATA* stream, std::string& text) : stream(stream), text(text) {}

    // One value at the given nesting level. 0: the input ended before its
    // first character; 1: a whole value; -1: damaged (the message is in
    // saved_text_message).
    int scan(const std::vector<int>* counts, int depth);

    // A number up to the terminator (or the second one); false when the
    // input ends or the number is malformed.
    bool number(long long& value, char terminator, char second, const char* context, char* ended = nullptr);

private:
    STREAM_DATA* stream;
    std::string& text;

    bool get(char& c) {
        if (stream->read_char(&c, false)) return false;
        text += c;
        return true;
    }
    // A value nested in the one of the given context.
    bool nested(const std::vector<int>* counts, int depth, const char* context) {
        int result = scan(counts, depth);
        if (result == 0) return damaged(context);
        return result > 0;
    }
    bool characters(long long n, const char* context) {
        char c;
        for (long long i = 0; i < n; ++i)
            if (!get(c)) return damaged(context);
        return true;
    }
    // Characters up to and including the letter.
    bool through(char letter, const char* context) {
        char c;
        do {
            if (!get(c)) return damaged(context);
        } while (c != letter);
        return true;
    }
    // A number in [low, high].
    bool bounded(long long& value, char terminator, long long low, long long high, const char* context) {
        if (!number(value, terminator, 0, context)) return false;
        return value >= low && value <= high ? true : damaged(context);
    }
    // Kept out of scan, whose frame every nesting level stacks.
    [[gnu::noinline]] bool scan_graph(const std::vector<int>* counts, int depth);
    [[gnu::noinline]] bool scan_header(int depth);
    [[gnu::noinline]] bool scan_body(const std::vector<int>* counts, int depth);
    [[gnu::noinline]] bool unknown(char letter);
};

bool SCANNER::number(long long& value, char terminator, char second, const char* context, char* ended) {
    std::string digits;
    char c;
    for (;;) {
        if (!get(c)) return damaged(context);
        if (c == terminator || (second != 0 && c == second)) break;
        if (digits.size() >= max_number_length) return damaged(context);
        digits += c;
    }
    if (ended != nullptr) *ended = c;
    return parse_number(digits, value) ? true : damaged(context);
}

int SCANNER::scan(const std::vector<int>* counts, int depth) {
    char letter;
    if (!get(letter)) return 0;
    long long n = 0;
    // Ids of reference targets prefix the value they belong to.
    while (letter == '$') {
        if (!bounded(n, '$', 1, INT32_MAX, "ref")) return -1;
        if (!get(letter)) {
            damaged("ref");
            return -1;
        }
    }
    const char* context = letter_name(letter);
    if (depth > max_value_depth) {
        damaged(context);
        return -1;
    }
    bool ok = true;
    switch (letter) {
    case 'a':
    case 'l':
    case 'y':
    case 'm':
    case 'h':
        ok = bounded(n, letter, 0, INT32_MAX, context);
        if (letter == 'h') n *= 2;
        for (long long i = 0; ok && i < n; ++i) ok = nested(counts, depth + 1, context);
        break;
    case 's':
    case 'e': ok = bounded(n, letter, 0, INT32_MAX, context) && characters(n, context); break;
    case 'i':
    case 'o':
    case 'r':
    case 't': ok = through(letter, context); break;
    case '0':
    case '2':
    case '4': ok = bounded(n, '.', 0, INT32_MAX, context) && characters(n, context); break;
    case 'b': {
        char digit;
        if (!get(digit)) ok = damaged(context);
        else if (digit < '0' || digit > '9') ok = damaged(context);
        break;
    }
    case 'c': ok = characters(1, context); break;
    case 'v':
    case 'x': break;
    case '@': ok = number(n, '@', 0, context) && (n >= 1 || n == -1 ? true : damaged(context)); break;
    case 'g': ok = scan_graph(counts, depth); break;
    case 'z': {
        long long rows = 0, cols = 0;
        ok = bounded(rows, 'z', 0, INT32_MAX, context) && bounded(cols, 'z', 0, INT32_MAX, context);
        if (ok && rows > 0 && cols > 0) {
            const long long cells = rows * cols;
            for (long long i = 0; ok && i < cells; ++i) ok = nested(counts, depth + 1, context);
        }
        break;
    }
    case 'K': ok = scan_header(depth); break;
    case 'k':
        // A body without a header above it has no member counts to read by.
        ok = counts != nullptr ? scan_body(counts, depth) : damaged("type");
        break;
    default: ok = unknown(letter); break;
    }
    return ok ? 1 : -1;
}

bool SCANNER::unknown(char letter) {
    saved_text_message = msg_text("unbdattyp");
    saved_text_message += " '";
    saved_text_message += letter;
    saved_text_message += '\'';
    return false;
}

bool SCANNER::scan_graph(const std::vector<int>* counts, int depth) {
    long long nodes = 0, edges = 0, value = 0;
    if (!bounded(nodes, 'g', 0, INT32_MAX, "graph") || !bounded(edges, 'g', 0, INT32_MAX, "graph")) return false;
    if (edges > 0 && nodes == 0) return damaged("graph");
    for (long long i = 0; i < nodes; ++i) {
        if (!bounded(value, '&', -1, edges - 1, "graph") || !bounded(value, '&', 0, 1, "graph")) return false;
        if (!nested(counts, depth + 1, "graph")) return false;
    }
    for (long long i = 0; i < edges; ++i) {
        if (!bounded(value, '&', 0, nodes - 1, "graph") || !bounded(value, '&', 0, nodes - 1, "graph")) return false;
        for (int side = 0; side < 2; ++side)
            if (!bounded(value, '&', -1, edges - 1, "graph") || !bounded(value, '&', 0, 1, "graph")) return false;
        if (!bounded(value, '&', 0, edges - 1, "graph")) return false;
        if (!nested(counts, depth + 1, "graph")) return false;
    }
    return true;
}

bool SCANNER::scan_header(int depth) {
    long long entries = 0;
    if (!bounded(entries, 'K', 0, INT32_MAX, "type")) return false;
    std::vector<int> counts;
    for (long long i = 0; i < entries; ++i) {
        // The name is every field before the first all-digit one.
        bool named = false;
        long long members = 0;
        for (;;) {
            std::string field;
            char c;
            for (;;) {
                if (!get(c)) return damaged("type");
                if (c == ':') break;
                field += c;
            }
            if (all_digits(field)) {
                if (!named || !parse_number(field, members)) return damaged("type");
                break;
            }
            if (field.empty()) return damaged("type");
            named = true;
        }
        counts.push_back(static_cast<int>(members));
        for (long long m = 0; m < members; ++m)
            if (!through(':', "type")) return false;
    }
    char c;
    if (!get(c)) return damaged("type");
    if (c != 'k') return damaged("type");
    return scan_body(&counts, depth);
}

bool SCANNER::scan_body(const std::vector<int>* counts, int depth) {
    const long long entries = static_cast<long long>(counts->size());
    long long groups = 0;
    char ended = 0;
    if (!number(groups, 'k', 'c', "type", &ended)) return false;
    if (ended == 'c') return groups >= 0 && groups < entries ? true : damaged("type");
    if (groups < 1) return damaged("type");
    for (long long g = 0; g < groups; ++g) {
        long long entry = 0;
        if (!number(entry, 'k', 'c', "type", &ended)) return false;
        if (entry < 0 || entry >= entries) return damaged("type");
        if (ended == 'c') continue;
        const int members = (*counts)[static_cast<size_t>(entry)];
        for (int m = 0; m < members; ++m)
            if (!nested(counts, depth + 1, "type")) return false;
    }
    return true;
}

// ---- parser ----

// One entry of an object header: the saved name, the type it names, the
// saved member names, and (made on first use) the slot of each saved member
// in the type's current members, -1 for a member that no longer exists.
struct HEADER_ENTRY {
    std::string name;
    TOKEN* type = nullptr;
    std::vector<std::string> members;
    std::vector<int> slots;
    bool slots_made = false;
};
using HEADER = std::vector<HEADER_ENTRY>;

void link_at_tail(LIST_DATA& list, LIST_NODE* node) {
    node->prev = list.tail;
    node->next = nullptr;
    if (list.tail != nullptr) list.tail->next = node;
    else list.head = node;
    list.tail = node;
    ++list.node_count;
}

void add_pair(HASH_DATA& hash, LIST_NODE* node, int bucket) {
    auto& list = hash.buckets[static_cast<size_t>(bucket)];
    if (!list) list = std::make_unique<LIST_DATA>();
    link_at_tail(*list, node);
    ++hash.pair_count;
    hash.cached_array.reset();
}

class PARSER {
public:
    PARSER(const std::string& text, TOKEN* node) : text(text), node(node) {}

    // Reads the whole text into target; null, or the message.
    const char* run(UNION_DATA* target);

private:
    // A pair whose key is a reference, or holds one: the key is placed by
    // the cell the reference leads to, so the pair joins its hash once the
    // references are made. first_reference and end_reference delimit the
    // references read inside the key.
    struct PENDING_PAIR {
        HASH_DATA* hash;
        char letter;  // 'h' or 'm'
        std::unique_ptr<LIST_NODE> node;
        bool by_reference;
        size_t first_reference;
        size_t end_reference;
    };

    const std::string& text;
    size_t position = 0;
    TOKEN* node;
    std::unordered_map<long long, UNION_DATA*> targets;
    std::vector<std::pair<long long, UNION_DATA*>> references;
    std::vector<PENDING_PAIR> pending_pairs;
    // Values of members that no longer exist: kept until the references are
    // made, since a reference may point into them.
    std::vector<std::unique_ptr<UNION_DATA>> dropped;
    char next() { return position < text.size() ? text[position++] : '\0'; }
    char peek() const { return position < text.size() ? text[position] : '\0'; }
    // The letter of the value that begins at from, after its "$n$" ids.
    char value_letter(size_t from) const {
        while (from < text.size() && text[from] == '$') {
            size_t end = text.find('$', from + 1);
            if (end == std::string::npos) return '\0';
            from = end + 1;
        }
        return from < text.size() ? text[from] : '\0';
    }
    bool number(long long& value, char terminator, const char* context, char second = 0, char* ended = nullptr);
    bool up_to(std::string_view& part, char terminator, const char* context);
    bool characters(std::string_view& part, long long n, const char* context);

    // Reads one value into cell. lands_in is the cell the value ends in (the
    // cell itself, or the target for the scratch cell of the top value):
    // "$n$" records it, and it must accept the value's type.
    bool read(UNION_DATA* cell, UNION_DATA* lands_in, HEADER* header);
    // The parts below are kept out of read, whose frame every nesting level
    // stacks.
    [[gnu::noinline]] bool refuse(const UNION_DATA* lands_in, const char* read_type);
    [[gnu::noinline]] bool accepts_object(const UNION_DATA* lands_in, const HEADER_ENTRY& entry);
    [[gnu::noinline]] bool read_scalar(UNION_DATA* cell, char letter);
    [[gnu::noinline]] bool read_error(UNION_DATA* cell);
    [[gnu::noinline]] bool read_array(UNION_DATA* cell, HEADER* header);
    [[gnu::noinline]] bool read_list(UNION_DATA* cell, char letter, HEADER* header);
    [[gnu::noinline]] bool read_array2(UNION_DATA* cell, HEADER* header);
    [[gnu::noinline]] bool read_hash(UNION_DATA* cell, char letter, HEADER* header);
    [[gnu::noinline]] bool read_graph(UNION_DATA* cell, HEADER* header);
    [[gnu::noinline]] bool read_headed_object(UNION_DATA* cell, UNION_DATA* lands_in);
    [[gnu::noinline]] bool read_header(HEADER& header);
    [[gnu::noinline]] bool read_body(UNION_DATA* cell, UNION_DATA* lands_in, HEADER& header);
    // Adds a pending pair to its hash; false for a key the hash holds already.
    bool join_hash(PENDING_PAIR& pair);
    bool read_dropped(HEADER* header) {
        dropped.push_back(std::make_unique<UNION_DATA>(tag_any));
        UNION_DATA* scratch = dropped.back().get();
        return read(scratch, scratch, header);
    }
};

bool PARSER::number(long long& value, char terminator, const char* context, char second, char* ended) {
    size_t start = position;
    while (position < text.size() && text[position] != terminator && (second == 0 || text[position] != second))
        ++position;
    if (position >= text.size()) return damaged(context);
    if (ended != nullptr) *ended = text[position];
    std::string_view digits(text.data() + start, position - start);
    ++position;
    return parse_number(digits, value) ? true : damaged(context);
}

bool PARSER::up_to(std::string_view& part, char terminator, const char* context) {
    size_t end = text.find(terminator, position);
    if (end == std::string::npos) return damaged(context);
    part = std::string_view(text.data() + position, end - position);
    position = end + 1;
    return true;
}

bool PARSER::characters(std::string_view& part, long long n, const char* context) {
    if (n < 0 || static_cast<unsigned long long>(n) > text.size() - position) return damaged(context);
    part = std::string_view(text.data() + position, static_cast<size_t>(n));
    position += static_cast<size_t>(n);
    return true;
}

bool PARSER::refuse(const UNION_DATA* lands_in, const char* read_type) {
    std::string target_type = type_name_text(value_type_name(lands_in, true));
    saved_text_message = format_string(msg_text("einnurfuegledattyp"), target_type.c_str(), read_type);
    return false;
}

bool PARSER::accepts_object(const UNION_DATA* lands_in, const HEADER_ENTRY& entry) {
    if (is_any_cell(lands_in)) return true;
    if (lower_tag(lands_in->tag) == tag_object) {
        const OBJECT_HOLDER* holder = lands_in->holder();
        if (holder == nullptr || holder->type == nullptr || holder->type == entry.type) return true;
    }
    return refuse(lands_in, display_name(entry.name).c_str());
}

bool PARSER::read(UNION_DATA* cell, UNION_DATA* lands_in, HEADER* header) {
    char letter = next();
    long long n = 0;
    while (letter == '$') {
        if (!number(n, '$', "ref")) return false;
        // Each id marks one cell.
        if (!targets.emplace(n, lands_in).second) return damaged("ref");
        letter = next();
    }
    if (letter == '@') {
        if (!number(n, '@', "ref")) return false;
        if (n != -1) references.emplace_back(n, lands_in);
        return true;
    }
    if (letter != 'K' && letter != 'k' && letter != 'v' && !is_any_cell(lands_in)) {
        const char read_tag = letter == 'x' ? 'c' : letter;
        if (lower_tag(lands_in->tag) != read_tag) return refuse(lands_in, letter_name(letter));
    }
    switch (letter) {
    case 'v':
        // A typed cell that held no value is written like an empty any cell.
        if (is_any_cell(cell)) clear_payload(cell);
        else destroy_payload(cell, false);
        return true;
    case 'a': return read_array(cell, header);
    case 'l':
    case 'y': return read_list(cell, letter, header);
    case 'h':
    case 'm': return read_hash(cell, letter, header);
    case 'z': return read_array2(cell, header);
    case 'g': return read_graph(cell, header);
    case 'K': return read_headed_object(cell, lands_in);
    case 'k':
        if (header == nullptr) return damaged("type");
        return read_body(cell, lands_in, *header);
    default: return read_scalar(cell, letter);
    }
}

bool PARSER::read_array(UNION_DATA* cell, HEADER* header) {
    long long n = 0;
    if (!number(n, 'a', "array")) return false;
    UNION_DATA fresh('a');
    ARRAY_DATA& array = *fresh.array_data();
    if (n > 0 && array.resize(static_cast<int>(n)) != 0) return damaged("array");
    for (long long i = 0; i < n; ++i) {
        if (peek() == 'v') {  // an undefined slot
            ++position;
            continue;
        }
        auto& slot = array.slots[static_cast<size_t>(i)];
        slot = std::make_unique<UNION_DATA>(tag_any);
        ++array.defined_count;
        if (!read(slot.get(), slot.get(), header)) return false;
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::read_list(UNION_DATA* cell, char letter, HEADER* header) {
    long long n = 0;
    if (!number(n, letter, letter_name(letter))) return false;
    UNION_DATA fresh(letter);
    LIST_DATA& list = *fresh.list_data();
    for (long long i = 0; i < n; ++i) {
        list.append_pair(nullptr, 0, nullptr, 0);
        if (!read(&list.tail->value, &list.tail->value, header)) return false;
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::read_array2(UNION_DATA* cell, HEADER* header) {
    long long rows = 0, cols = 0;
    if (!number(rows, 'z', "array2") || !number(cols, 'z', "array2")) return false;
    UNION_DATA fresh('z');
    ARRAY2_DATA& grid = *fresh.array2_data();
    if (rows > 0 && cols > 0) {
        if (grid.resize(static_cast<int>(rows), static_cast<int>(cols))) return damaged("array2");
        for (long long i = 0; i < rows * cols; ++i) {
            if (peek() == 'v') {
                ++position;
                continue;
            }
            auto& slot = grid.cells[static_cast<size_t>(i)];
            slot = std::make_unique<UNION_DATA>(tag_any);
            ++grid.count;
            if (!read(slot.get(), slot.get(), header)) return false;
        }
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::read_headed_object(UNION_DATA* cell, UNION_DATA* lands_in) {
    HEADER own;
    if (!read_header(own)) return false;
    if (next() != 'k') return damaged("type");
    return read_body(cell, lands_in, own);
}

bool PARSER::read_scalar(UNION_DATA* cell, char letter) {
    const char* context = letter_name(letter);
    std::string_view part;
    long long n = 0;
    switch (letter) {
    case 'i':
    case 'r':
    case 't':
    case '0':
    case '2':
    case '4': {
        if (letter == '0' || letter == '2' || letter == '4') {
            if (!number(n, '.', context) || !characters(part, n, context)) return false;
        } else if (!up_to(part, letter, context)) {
            return false;
        }
        // The writer writes a real in plain decimals; an exponent would let a
        // short text stand for millions of digits.
        if (letter == 'r' && !is_plain_decimal(part)) return damaged(context);
        UNION_DATA fresh(letter);
        // An empty calendar text is the empty value the new cell holds.
        bool calendar = letter != 'i' && letter != 'r';
        if (!(calendar && part.empty()) && read_value_text(&fresh, std::string(part)) != nullptr)
            return damaged(context);
        move_payload(cell, &fresh);
        return true;
    }
    case 'o': {
        if (!up_to(part, 'o', context)) return false;
        UNION_DATA fresh('o');
        if (operator_by_name(fresh.oper_chars(), std::string(part), true) != nullptr) return damaged(context);
        move_payload(cell, &fresh);
        return true;
    }
    case 's': {
        if (!number(n, 's', context) || !characters(part, n, context)) return false;
        UNION_DATA fresh('s');
        fresh.str_data()->text.assign(part);
        fresh.str_data()->reset_read();
        move_payload(cell, &fresh);
        return true;
    }
    case 'e': return read_error(cell);
    case 'b':
    case 'c':
    case 'x': {
        UNION_DATA fresh(letter == 'b' ? 'b' : 'c');
        if (letter == 'b') {
            char digit = next();
            fresh.bool_word() = digit == '0' ? 0 : digit == '2' ? 0xFFFF : 1;
        } else {
            fresh.char_byte() = letter == 'c' ? next() : '\0';
        }
        move_payload(cell, &fresh);
        return true;
    }
    default:
        saved_text_message = msg_text("unbdattyp");
        saved_text_message += " '";
        saved_text_message += letter;
        saved_text_message += '\'';
        return false;
    }
}

bool PARSER::read_error(UNION_DATA* cell) {
    long long n = 0;
    std::string_view inner;
    if (!number(n, 'e', "error") || !characters(inner, n, "error")) return false;
    UNION_DATA fresh('e');
    ERROR_DATA& error = *fresh.error_data();
    if (!inner.empty()) {
        // kind ":" file ":" line ":" message. A file name may hold ':', so
        // the file ends at the first ':' that a line number and a ':' follow;
        // the message runs to the end.
        if (inner.size() < 2 || inner[1] != ':') return damaged("error");
        std::string_view rest = inner.substr(2);
        size_t file_end = std::string_view::npos;
        size_t line_end = 0;
        for (size_t colon = rest.find(':'); colon != std::string_view::npos; colon = rest.find(':', colon + 1)) {
            size_t end = rest.find(':', colon + 1);
            if (end == std::string_view::npos) break;
            long long line = 0;
            if (parse_number(rest.substr(colon + 1, end - colon - 1), line)) {
                file_end = colon;
                line_end = end;
                break;
            }
        }
        if (file_end == std::string_view::npos) return damaged("error");
        long long line = 0;
        parse_number(rest.substr(file_end + 1, line_end - file_end - 1), line);
        error.kind = inner[0];
        error.file.assign(rest.substr(0, file_end));
        error.line = static_cast<int32_t>(line);
        error.message.assign(rest.substr(line_end + 1));
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::read_hash(UNION_DATA* cell, char letter, HEADER* header) {
    const char* context = letter_name(letter);
    long long n = 0;
    if (!number(n, letter, context)) return false;
    UNION_DATA fresh(letter);
    HASH_DATA& hash = *fresh.hash_data();
    for (long long i = 0; i < n; ++i) {
        auto pair = std::make_unique<LIST_NODE>();
        const bool by_reference = value_letter(position) == '@';
        const size_t first_reference = references.size();
        if (!read(&pair->key(), &pair->key(), header)) return false;
        const size_t end_reference = references.size();
        if (by_reference && end_reference == first_reference) return damaged(context);
        if (letter == 'h' && !read(&pair->value, &pair->value, header)) return false;
        if (end_reference > first_reference) {
            pending_pairs.push_back({&hash, letter, std::move(pair), by_reference, first_reference, end_reference});
            continue;
        }
        const char* message = nullptr;
        if (hash.contains(&pair->key(), false, &message)) return damaged(context);
        int bucket = HASH_DATA::bucket_of(&pair->key(), false, &message);
        if (message != nullptr) {
            saved_text_message = message;
            return false;
        }
        add_pair(hash, pair.release(), bucket);
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::read_graph(UNION_DATA* cell, HEADER* header) {
    long long nodes = 0, edges = 0;
    if (!number(nodes, 'g', "graph") || !number(edges, 'g', "graph")) return false;
    if (nodes < 0 || edges < 0 || (edges > 0 && nodes == 0)) return damaged("graph");
    UNION_DATA fresh('g');
    GRAPH_DATA& graph = *fresh.graph_data();
    graph.grow_nodes(static_cast<int>(nodes));
    // The saved numbers: per node (first edge, its direction), per edge
    // (source, target, next at source, its direction, next at target, its
    // direction, parallel index).
    std::vector<long long> node_fields(static_cast<size_t>(nodes) * 2);
    std::vector<long long> edge_fields(static_cast<size_t>(edges) * 7);
    std::vector<GRAPH_EDGE*> numbered(static_cast<size_t>(edges));
    auto in_range = [](long long value, long long low, long long high) { return value >= low && value <= high; };
    for (long long i = 0; i < nodes; ++i) {
        long long* f = &node_fields[static_cast<size_t>(i) * 2];
        if (!number(f[0], '&', "graph") || !number(f[1], '&', "graph")) return false;
        if (!in_range(f[0], -1, edges - 1) || !in_range(f[1], 0, 1)) return damaged("graph");
        auto* record = new GRAPH_NODE();
        record->index = static_cast<int>(i);
        graph.nodes[static_cast<size_t>(i)] = record;
        graph.node_count = static_cast<int>(i) + 1;
        if (!read(&record->value, &record->value, header)) return false;
    }
    for (long long j = 0; j < edges; ++j) {
        long long* f = &edge_fields[static_cast<size_t>(j) * 7];
        for (int k = 0; k < 7; ++k)
            if (!number(f[k], '&', "graph")) return false;
        if (!in_range(f[0], 0, nodes - 1) || !in_range(f[1], 0, nodes - 1) || !in_range(f[2], -1, edges - 1) ||
            !in_range(f[3], 0, 1) || !in_range(f[4], -1, edges - 1) || !in_range(f[5], 0, 1) ||
            !in_range(f[6], 0, edges - 1))
            return damaged("graph");
        // The edge id must stay within an int.
        if (f[6] * nodes + f[0] > INT32_MAX) return damaged("graph");
        auto* edge = new GRAPH_EDGE();
        edge->source = graph.nodes[static_cast<size_t>(f[0])];
        edge->target = graph.nodes[static_cast<size_t>(f[1])];
        edge->parallel_index = static_cast<int>(f[6]);
        edge->prev = graph.last_edge;
        if (graph.last_edge != nullptr) graph.last_edge->next = edge;
        else graph.first_edge = edge;
        graph.last_edge = edge;
        ++graph.edge_count;
        numbered[static_cast<size_t>(j)] = edge;
        if (!read(&edge->value, &edge->value, header)) return false;
    }
    auto edge_at = [&](long long number) { return number < 0 ? nullptr : numbered[static_cast<size_t>(number)]; };
    // Every entry (edge, direction) must stand exactly once in the chain of
    // its end node, and the chains must end.
    std::vector<uint8_t> seen(static_cast<size_t>(edges) * 2, 0);
    long long entries = 0;
    for (long long i = 0; i < nodes; ++i) {
        long long edge = node_fields[static_cast<size_t>(i) * 2];
        long long out = node_fields[static_cast<size_t>(i) * 2 + 1];
        while (edge >= 0) {
            const long long* f = &edge_fields[static_cast<size_t>(edge) * 7];
            if ((out ? f[0] : f[1]) != i) return damaged("graph");
            uint8_t& mark = seen[static_cast<size_t>(edge) * 2 + (out ? 1 : 0)];
            if (mark != 0) return damaged("graph");
            mark = 1;
            ++entries;
            long long following = out ? f[2] : f[4];
            out = out ? f[3] : f[5];
            edge = following;
        }
    }
    if (entries != edges * 2) return damaged("graph");
    // The edges from one source to one target carry the parallel indexes 0
    // to k - 1, each once.
    std::vector<std::tuple<long long, long long, long long>> pairs;
    pairs.reserve(static_cast<size_t>(edges));
    for (long long j = 0; j < edges; ++j) {
        const long long* f = &edge_fields[static_cast<size_t>(j) * 7];
        pairs.emplace_back(f[0], f[1], f[6]);
    }
    std::sort(pairs.begin(), pairs.end());
    for (size_t k = 0; k < pairs.size(); ++k) {
        bool first = k == 0 || std::get<0>(pairs[k]) != std::get<0>(pairs[k - 1]) ||
                     std::get<1>(pairs[k]) != std::get<1>(pairs[k - 1]);
        long long expected = first ? 0 : std::get<2>(pairs[k - 1]) + 1;
        if (std::get<2>(pairs[k]) != expected) return damaged("graph");
    }
    for (long long i = 0; i < nodes; ++i) {
        GRAPH_NODE* record = graph.nodes[static_cast<size_t>(i)];
        record->first_incident = edge_at(node_fields[static_cast<size_t>(i) * 2]);
        record->first_is_out = static_cast<uint8_t>(node_fields[static_cast<size_t>(i) * 2 + 1]);
    }
    for (long long j = 0; j < edges; ++j) {
        const long long* f = &edge_fields[static_cast<size_t>(j) * 7];
        GRAPH_EDGE* edge = numbered[static_cast<size_t>(j)];
        edge->next_at_source = edge_at(f[2]);
        edge->next_at_source_is_out = static_cast<uint8_t>(f[3]);
        edge->next_at_target = edge_at(f[4]);
        edge->next_at_target_is_out = static_cast<uint8_t>(f[5]);
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::read_header(HEADER& header) {
    long long entries = 0;
    if (!number(entries, 'K', "type")) return false;
    for (long long i = 0; i < entries; ++i) {
        HEADER_ENTRY entry;
        long long members = -1;
        std::string_view field;
        while (members < 0) {
            if (!up_to(field, ':', "type")) return false;
            if (all_digits(field)) {
                if (!parse_number(field, members) || entry.name.empty()) return damaged("type");
            } else {
                if (!entry.name.empty()) entry.name += ':';
                entry.name += field;
            }
        }
        for (long long m = 0; m < members; ++m) {
            if (!up_to(field, ':', "type")) return false;
            entry.members.emplace_back(field);
        }
        if (saved_type_services.find_type != nullptr) entry.type = saved_type_services.find_type(node, entry.name);
        if (entry.type == nullptr) {
            std::string message = format_string(msg_text("unbdattypxxx"), display_name(entry.name).c_str());
            // Without a calling node there is no place to raise it at.
            if (node == nullptr) {
                saved_text_message = std::move(message);
                return false;
            }
            raise_system_error(node, message);
        }
        header.push_back(std::move(entry));
    }
    return true;
}

bool PARSER::read_body(UNION_DATA* cell, UNION_DATA* lands_in, HEADER& header) {
    const auto entries = static_cast<long long>(header.size());
    long long groups = 0;
    char ended = 0;
    if (!number(groups, 'k', "type", 'c', &ended)) return false;
    if (ended == 'c') {
        // An empty object: the type without an object record.
        if (groups < 0 || groups >= entries) return damaged("type");
        const HEADER_ENTRY& entry = header[static_cast<size_t>(groups)];
        if (!accepts_object(lands_in, entry)) return false;
        UNION_DATA fresh('k');
        fresh.holder()->type = entry.type;
        move_payload(cell, &fresh);
        return true;
    }
    if (groups < 1) return damaged("type");
    // The object's own type is the one of its first group.
    long long entry_index = 0;
    if (!number(entry_index, 'k', "type", 'c', &ended)) return false;
    if (entry_index < 0 || entry_index >= entries) return damaged("type");
    if (!accepts_object(lands_in, header[static_cast<size_t>(entry_index)])) return false;
    UNION_DATA fresh('k');
    fresh.holder()->type = header[static_cast<size_t>(entry_index)].type;
    clear_payload(&fresh);  // a copy of the type's initial object
    OBJECT_RECORD* record = fresh.holder()->object;
    for (long long g = 0; g < groups; ++g) {
        if (g > 0) {
            if (!number(entry_index, 'k', "type", 'c', &ended)) return false;
            if (entry_index < 0 || entry_index >= entries) return damaged("type");
        }
        if (ended == 'c') continue;
        HEADER_ENTRY& entry = header[static_cast<size_t>(entry_index)];
        GROUP_ENTRY* group = nullptr;
        if (record != nullptr) {
            for (GROUP_ENTRY& candidate : record->groups) {
                if (candidate.type == entry.type) {
                    group = &candidate;
                    break;
                }
            }
        }
        if (!entry.slots_made) {
            // Saved members are matched by name with the type's members now.
            std::vector<std::string> names;
            if (saved_type_services.member_names != nullptr) saved_type_services.member_names(entry.type, names);
            for (const std::string& member : entry.members) {
                auto found = std::find(names.begin(), names.end(), member);
                entry.slots.push_back(found == names.end() ? -1 : static_cast<int>(found - names.begin()));
            }
            entry.slots_made = true;
        }
        for (size_t m = 0; m < entry.members.size(); ++m) {
            const int slot = entry.slots[m];
            UNION_DATA* member = nullptr;
            if (group != nullptr && group->slots && slot >= 0 && slot < group->slots->count())
                member = group->slots->cells[static_cast<size_t>(slot)];
            if (member == nullptr) {
                if (!read_dropped(&header)) return false;
                continue;
            }
            if (is_link_cell(member)) dissolve_link(member, true);
            if (!read(member, member, &header)) return false;
        }
    }
    move_payload(cell, &fresh);
    return true;
}

bool PARSER::join_hash(PENDING_PAIR& pair) {
    UNION_DATA* key = &pair.node->key();
    // A key whose reference could not be made has no place: it is dropped.
    if (pair.by_reference && !is_reference_tag(key->tag)) return true;
    const char* message = nullptr;
    if (pair.hash->contains(key, pair.by_reference, &message)) return false;
    const int bucket = HASH_DATA::bucket_of(key, pair.by_reference, &message);
    add_pair(*pair.hash, pair.node.release(), bucket);
    return true;
}

const char* PARSER::run(UNION_DATA* target) {
    UNION_DATA* lands_in = target;
    while (is_link_cell(lands_in) && lands_in->target() != nullptr) lands_in = lands_in->target();
    UNION_DATA scratch('v');
    const char top_letter = value_letter(0);
    if (!read(&scratch, lands_in, nullptr)) return keep_message(std::move(saved_text_message));
    if (position != text.size()) {
        damaged(letter_name(top_letter));
        return keep_message(std::move(saved_text_message));
    }
    // Every reference needs its target inside the text.
    for (const auto& [id, cell] : references) {
        if (targets.find(id) == targets.end()) {
            damaged("ref");
            return keep_message(std::move(saved_text_message));
        }
    }
    auto on_target = [&](size_t reference) { return targets[references[reference].first] == lands_in; };
    // Two reference keys of one hash may not name the same cell.
    std::vector<std::pair<HASH_DATA*, UNION_DATA*>> keys;
    for (const PENDING_PAIR& pair : pending_pairs)
        if (pair.by_reference) keys.emplace_back(pair.hash, targets[references[pair.first_reference].first]);
    std::sort(keys.begin(), keys.end());
    if (std::adjacent_find(keys.begin(), keys.end()) != keys.end()) {
        damaged("hash");
        return keep_message(std::move(saved_text_message));
    }
    // The references into the new value are made while it is still the
    // scratch cell's, and the pairs that wait for them join their hashes:
    // a failure there leaves the target alone.
    for (size_t i = 0; i < references.size(); ++i)
        if (!on_target(i)) assign_link(references[i].second, targets[references[i].first], 'p');
    std::vector<PENDING_PAIR*> after_move;
    for (PENDING_PAIR& pair : pending_pairs) {
        bool waits = false;
        for (size_t i = pair.first_reference; i < pair.end_reference && !waits; ++i) waits = on_target(i);
        if (waits) {
            after_move.push_back(&pair);
        } else if (!join_hash(pair)) {
            damaged(letter_name(pair.letter));
            return keep_message(std::move(saved_text_message));
        }
    }
    if (top_letter == 'v') {
        if (is_any_cell(lands_in)) clear_payload(lands_in);
        else destroy_payload(lands_in, false);
    } else if (top_letter != '@') {
        if (const char* message = move_value(lands_in, &scratch)) return message;
    }
    // The references to the target itself, and the pairs whose keys lead
    // there; a key found twice only now is dropped.
    for (size_t i = 0; i < references.size(); ++i)
        if (on_target(i)) assign_link(references[i].second, lands_in, 'p');
    for (PENDING_PAIR* pair : after_move) join_hash(*pair);
    return nullptr;
}

}  // namespace

int read_serial_number(STREAM_DATA* stream, std::string& text, char terminator, const char* context,
                       char second_terminator, const char** error) {
    SCANNER scanner(stream, text);
    long long value = 0;
    if (!scanner.number(value, terminator, second_terminator, context)) {
        *error = keep_message(std::move(saved_text_message));
        return 0;
    }
    *error = nullptr;
    return static_cast<int>(value);
}

bool read_serialized_text(STREAM_DATA* stream, std::string& text, bool begin, const char** error) {
    *error = nullptr;
    if (begin) {
        stream->begin_read(error);
        if (*error != nullptr) return true;
    }
    SCANNER scanner(stream, text);
    int result = scanner.scan(nullptr, 1);
    if (result < 0) *error = keep_message(std::move(saved_text_message));
    return result != 0;
}

const char* deserialize_value(UNION_DATA* target, STREAM_DATA* stream, TOKEN* node) {
    const char* error = nullptr;
    std::string text;
    if (!read_serialized_text(stream, text, true, &error)) {
        damaged("any");
        return keep_message(std::move(saved_text_message));
    }
    if (error != nullptr) return error;
    PARSER parser(text, node);
    return parser.run(target);
}

bool read_saved_value(UNION_DATA* target, STREAM_DATA* source, TOKEN* node, const char** error) {
    std::string text;
    if (!read_serialized_text(source, text, true, error)) return false;
    if (*error != nullptr) return true;
    PARSER parser(text, node);
    *error = parser.run(target);
    return true;
}

}  // namespace morvu
