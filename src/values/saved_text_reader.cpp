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

// A key that a hash or set holds already. A hash refuses it as building a
// hash from such pairs does; a set's text is damaged.
bool key_twice(char letter) {
    if (letter != 'h') return damaged(letter_name(letter));
    saved_text_message = msg_text("schmehdef");
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

// The scanner keeps a frame per container it is inside: the type name of
// its messages, what is left of it, and for objects the member counts of
// their header.
class SCANNER {
public:
    SCANNER(STREAM_DATA* stream, std::string& text) : stream(stream), text(text) {}

    // One whole value. 0: the input ended before its first character; 1: a
    // whole value; -1: damaged (the message is in saved_text_message).
    int scan();

    // A number up to the terminator (or the second one); false when the
    // input ends or the number is malformed.
    bool number(long long& value, char terminator, char second, const char* context, char* ended = nullptr);

private:
    struct FRAME {
        char letter = 0;           // 'a' (any plain run of values), 'g' or 'k'
        const char* context = "";  // the type name of the container's messages
        long long values = 0;      // the values left of the run, the graph's nodes or the group's members
        long long edges = 0;       // graph: the edges left
        long long node_total = 0;  // graph: all its nodes
        long long edge_total = 0;  // graph: all its edges
        long long groups = 0;      // object: the groups left
        const std::vector<int>* counts = nullptr;      // the member counts of the object header in force
        std::unique_ptr<std::vector<int>> own_counts;  // the header that the object itself brought
    };
    enum class STEP : uint8_t { failed, done, value_due };

    STREAM_DATA* stream;
    std::string& text;
    std::vector<FRAME> frames;

    bool get(char& c) {
        if (stream->read_char(&c, false)) return false;
        text += c;
        return true;
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
    FRAME& open(char letter, const char* context, const std::vector<int>* counts) {
        FRAME& frame = frames.emplace_back();
        frame.letter = letter;
        frame.context = context;
        frame.counts = counts;
        return frame;
    }
    // One value, or the head of a container and a frame for the rest: 0
    // when the input ended before it, 1 when read or opened, -1 damaged.
    int scan_head(const std::vector<int>* counts);
    // What the frame at the top needs next: the fields before its next
    // value are read, then a value is due; or it is complete.
    STEP advance();
    bool open_graph(const std::vector<int>* counts);
    bool scan_header(std::unique_ptr<std::vector<int>>& counts);
    bool open_body(const std::vector<int>* counts, std::unique_ptr<std::vector<int>> own);
    bool unknown(char letter);
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

int SCANNER::scan() {
    int result = scan_head(nullptr);
    if (result <= 0) return result;
    while (!frames.empty()) {
        const STEP step = advance();
        if (step == STEP::failed) return -1;
        if (step == STEP::done) {
            frames.pop_back();
            continue;
        }
        // A value nested in the container of the top frame.
        const char* context = frames.back().context;
        result = scan_head(frames.back().counts);
        if (result == 0) damaged(context);
        if (result <= 0) return -1;
    }
    return 1;
}

int SCANNER::scan_head(const std::vector<int>* counts) {
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
    bool ok = true;
    switch (letter) {
    case 'a':
    case 'l':
    case 'y':
    case 'm':
    case 'h':
        ok = bounded(n, letter, 0, INT32_MAX, context);
        if (ok) open('a', context, counts).values = letter == 'h' ? 2 * n : n;
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
    case 'g': ok = open_graph(counts); break;
    case 'z': {
        long long rows = 0, cols = 0;
        ok = bounded(rows, 'z', 0, INT32_MAX, context) && bounded(cols, 'z', 0, INT32_MAX, context);
        if (ok && rows > 0 && cols > 0) open('a', context, counts).values = rows * cols;
        break;
    }
    case 'K': {
        std::unique_ptr<std::vector<int>> own;
        ok = scan_header(own);
        if (ok) {
            const std::vector<int>* table = own.get();
            ok = open_body(table, std::move(own));
        }
        break;
    }
    case 'k':
        // A body without a header above it has no member counts to read by.
        ok = counts != nullptr ? open_body(counts, nullptr) : damaged("type");
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

bool SCANNER::open_graph(const std::vector<int>* counts) {
    long long nodes = 0, edges = 0;
    if (!bounded(nodes, 'g', 0, INT32_MAX, "graph") || !bounded(edges, 'g', 0, INT32_MAX, "graph")) return false;
    if (edges > 0 && nodes == 0) return damaged("graph");
    FRAME& frame = open('g', "graph", counts);
    frame.values = nodes;
    frame.edges = edges;
    frame.node_total = nodes;
    frame.edge_total = edges;
    return true;
}

bool SCANNER::scan_header(std::unique_ptr<std::vector<int>>& counts) {
    long long entries = 0;
    if (!bounded(entries, 'K', 0, INT32_MAX, "type")) return false;
    counts = std::make_unique<std::vector<int>>();
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
        counts->push_back(static_cast<int>(members));
        for (long long m = 0; m < members; ++m)
            if (!through(':', "type")) return false;
    }
    char c;
    if (!get(c)) return damaged("type");
    if (c != 'k') return damaged("type");
    return true;
}

bool SCANNER::open_body(const std::vector<int>* counts, std::unique_ptr<std::vector<int>> own) {
    const long long entries = static_cast<long long>(counts->size());
    long long groups = 0;
    char ended = 0;
    if (!number(groups, 'k', 'c', "type", &ended)) return false;
    if (ended == 'c') return groups >= 0 && groups < entries ? true : damaged("type");
    if (groups < 1) return damaged("type");
    FRAME& frame = open('k', "type", counts);
    frame.groups = groups;
    frame.own_counts = std::move(own);
    return true;
}

SCANNER::STEP SCANNER::advance() {
    FRAME& frame = frames.back();
    long long value = 0;
    switch (frame.letter) {
    case 'g': {
        const long long edges = frame.edge_total;
        if (frame.values > 0) {
            --frame.values;
            if (!bounded(value, '&', -1, edges - 1, "graph") || !bounded(value, '&', 0, 1, "graph"))
                return STEP::failed;
            return STEP::value_due;
        }
        if (frame.edges == 0) return STEP::done;
        --frame.edges;
        // Source, target, the next edge at either end with its direction,
        // and the parallel index.
        const long long nodes = frame.node_total;
        if (!bounded(value, '&', 0, nodes - 1, "graph") || !bounded(value, '&', 0, nodes - 1, "graph"))
            return STEP::failed;
        for (int side = 0; side < 2; ++side)
            if (!bounded(value, '&', -1, edges - 1, "graph") || !bounded(value, '&', 0, 1, "graph"))
                return STEP::failed;
        if (!bounded(value, '&', 0, edges - 1, "graph")) return STEP::failed;
        return STEP::value_due;
    }
    case 'k': {
        const long long entries = static_cast<long long>(frame.counts->size());
        while (frame.values == 0) {
            if (frame.groups == 0) return STEP::done;
            --frame.groups;
            long long entry = 0;
            char ended = 0;
            if (!number(entry, 'k', 'c', "type", &ended)) return STEP::failed;
            if (entry < 0 || entry >= entries) {
                damaged("type");
                return STEP::failed;
            }
            if (ended == 'k') frame.values = (*frame.counts)[static_cast<size_t>(entry)];
        }
        --frame.values;
        return STEP::value_due;
    }
    default:
        if (frame.values == 0) return STEP::done;
        --frame.values;
        return STEP::value_due;
    }
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
    link_at_tail(hash.buckets.make_list(static_cast<size_t>(bucket)), node);
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

    // A container being read: the cell it goes to once whole, the container
    // itself, built aside meanwhile, the header its objects are read by,
    // and how far it has come. Elements are read straight into the cells
    // that keep them (see above).
    struct FRAME {
        char letter = 0;
        UNION_DATA* cell = nullptr;
        std::unique_ptr<UNION_DATA> fresh;
        HEADER* header = nullptr;
        std::unique_ptr<HEADER> own_header;  // an object that brought its header
        long long count = 0;                 // elements, pairs, grid cells or graph nodes
        long long index = 0;
        // hash and set: the pair being read (phase 1: its key is read, 2: the
        // pair) and the references inside its key
        std::unique_ptr<LIST_NODE> pair;
        uint8_t phase = 0;
        bool by_reference = false;
        size_t first_reference = 0;
        size_t end_reference = 0;
        // graph: its edges and the saved numbers (see read_graph)
        long long edges = 0;
        std::vector<long long> node_fields;
        std::vector<long long> edge_fields;
        std::vector<GRAPH_EDGE*> numbered;
        // object: its groups, the group being read and its member
        long long groups = 0;
        long long entry_index = 0;
        char ended = 0;
        HEADER_ENTRY* entry = nullptr;
        GROUP_ENTRY* group = nullptr;
        size_t member = 0;
        bool in_group = false;
    };
    enum class STEP : uint8_t { failed, done, opened };
    std::vector<FRAME> frames;

    STEP step_of(bool read) { return read ? STEP::done : STEP::failed; }
    FRAME& open(char letter, UNION_DATA* cell, UNION_DATA* fresh, HEADER* header) {
        FRAME& frame = frames.emplace_back();
        frame.letter = letter;
        frame.cell = cell;
        frame.fresh.reset(fresh);
        frame.header = header;
        return frame;
    }

    // Reads one whole value into cell. lands_in is the cell the value ends
    // in (the cell itself, or the target for the scratch cell of the top
    // value): "$n$" records it, and it must accept the value's type.
    bool read(UNION_DATA* cell, UNION_DATA* lands_in);
    // One value, or the head of a container and a frame for its elements.
    // An object's member (member) may take the empty value whatever its
    // type: the writer writes a member without value so.
    STEP read_head(UNION_DATA* cell, UNION_DATA* lands_in, HEADER* header, bool member);
    // Reads the next elements of the frame at index i; done when the frame's
    // container is whole and in its cell.
    STEP advance(size_t i);
    bool refuse(const UNION_DATA* lands_in, const char* read_type);
    bool accepts_object(const UNION_DATA* lands_in, const HEADER_ENTRY& entry);
    bool read_scalar(UNION_DATA* cell, char letter);
    bool read_error(UNION_DATA* cell);
    STEP open_array(UNION_DATA* cell, HEADER* header);
    STEP open_list(UNION_DATA* cell, char letter, HEADER* header);
    STEP open_array2(UNION_DATA* cell, HEADER* header);
    STEP open_hash(UNION_DATA* cell, char letter, HEADER* header);
    STEP open_graph(UNION_DATA* cell, HEADER* header);
    STEP open_body(UNION_DATA* cell, UNION_DATA* lands_in, HEADER* header, std::unique_ptr<HEADER> own);
    bool read_header(HEADER& header);
    STEP advance_hash(size_t i);
    STEP advance_graph(size_t i);
    STEP advance_body(size_t i);
    // The saved numbers of the edges and nodes of a graph read whole
    // checked, and its incidence chains made from them.
    bool finish_graph(FRAME& frame);
    // Adds a pending pair to its hash; false for a key the hash holds already.
    bool join_hash(PENDING_PAIR& pair);
    STEP read_dropped(HEADER* header) {
        dropped.push_back(std::make_unique<UNION_DATA>(tag_any));
        UNION_DATA* scratch = dropped.back().get();
        return read_head(scratch, scratch, header, false);
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

bool PARSER::read(UNION_DATA* cell, UNION_DATA* lands_in) {
    STEP step = read_head(cell, lands_in, nullptr, false);
    while (step != STEP::failed && !frames.empty()) {
        step = advance(frames.size() - 1);
        if (step == STEP::done) frames.pop_back();
    }
    return step != STEP::failed;
}

PARSER::STEP PARSER::read_head(UNION_DATA* cell, UNION_DATA* lands_in, HEADER* header, bool member) {
    char letter = next();
    long long n = 0;
    while (letter == '$') {
        if (!number(n, '$', "ref")) return STEP::failed;
        // Each id marks one cell.
        if (!targets.emplace(n, lands_in).second) return step_of(damaged("ref"));
        letter = next();
    }
    if (letter == '@') {
        if (!number(n, '@', "ref")) return STEP::failed;
        if (n != -1) references.emplace_back(n, lands_in);
        return STEP::done;
    }
    if (letter != 'K' && letter != 'k' && !is_any_cell(lands_in) && !(letter == 'v' && member)) {
        const char read_tag = letter == 'x' ? 'c' : letter;
        if (lower_tag(lands_in->tag) != read_tag) return step_of(refuse(lands_in, letter_name(letter)));
    }
    switch (letter) {
    case 'v':
        // A typed member that held no value is written like an empty any cell.
        if (is_any_cell(cell)) clear_payload(cell);
        else destroy_payload(cell, false);
        return STEP::done;
    case 'a': return open_array(cell, header);
    case 'l':
    case 'y': return open_list(cell, letter, header);
    case 'h':
    case 'm': return open_hash(cell, letter, header);
    case 'z': return open_array2(cell, header);
    case 'g': return open_graph(cell, header);
    case 'K': {
        auto own = std::make_unique<HEADER>();
        if (!read_header(*own)) return STEP::failed;
        if (next() != 'k') return step_of(damaged("type"));
        HEADER* table = own.get();
        return open_body(cell, lands_in, table, std::move(own));
    }
    case 'k':
        if (header == nullptr) return step_of(damaged("type"));
        return open_body(cell, lands_in, header, nullptr);
    default: return step_of(read_scalar(cell, letter));
    }
}

PARSER::STEP PARSER::open_array(UNION_DATA* cell, HEADER* header) {
    long long n = 0;
    if (!number(n, 'a', "array")) return STEP::failed;
    auto fresh = std::make_unique<UNION_DATA>('a');
    if (n > 0 && fresh->array_data()->resize(static_cast<int>(n)) != 0) return step_of(damaged("array"));
    open('a', cell, fresh.release(), header).count = n;
    return STEP::opened;
}

PARSER::STEP PARSER::open_list(UNION_DATA* cell, char letter, HEADER* header) {
    long long n = 0;
    if (!number(n, letter, letter_name(letter))) return STEP::failed;
    open(letter, cell, new UNION_DATA(letter), header).count = n;
    return STEP::opened;
}

PARSER::STEP PARSER::open_array2(UNION_DATA* cell, HEADER* header) {
    long long rows = 0, cols = 0;
    if (!number(rows, 'z', "array2") || !number(cols, 'z', "array2")) return STEP::failed;
    auto fresh = std::make_unique<UNION_DATA>('z');
    long long cells = 0;
    if (rows > 0 && cols > 0) {
        if (fresh->array2_data()->resize(static_cast<int>(rows), static_cast<int>(cols)))
            return step_of(damaged("array2"));
        cells = rows * cols;
    }
    open('z', cell, fresh.release(), header).count = cells;
    return STEP::opened;
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

PARSER::STEP PARSER::open_hash(UNION_DATA* cell, char letter, HEADER* header) {
    long long n = 0;
    if (!number(n, letter, letter_name(letter))) return STEP::failed;
    open(letter, cell, new UNION_DATA(letter), header).count = n;
    return STEP::opened;
}

PARSER::STEP PARSER::advance_hash(size_t i) {
    auto frame = [this, i]() -> FRAME& { return frames[i]; };  // reads may move the frames
    const char letter = frame().letter;
    const char* context = letter_name(letter);
    HASH_DATA& hash = *frame().fresh->hash_data();
    for (;;) {
        switch (frame().phase) {
        case 0: {  // the next pair's key
            if (frame().index == frame().count) {
                move_payload(frame().cell, frame().fresh.get());
                return STEP::done;
            }
            ++frame().index;
            frame().pair = std::make_unique<LIST_NODE>();
            frame().by_reference = value_letter(position) == '@';
            frame().first_reference = references.size();
            frame().phase = 1;
            UNION_DATA* key = &frame().pair->key();
            if (STEP step = read_head(key, key, frame().header, false); step != STEP::done) return step;
            break;
        }
        case 1: {  // its value
            frame().end_reference = references.size();
            if (frame().by_reference && frame().end_reference == frame().first_reference)
                return step_of(damaged(context));
            frame().phase = 2;
            if (letter == 'h') {
                UNION_DATA* value = &frame().pair->value;
                if (STEP step = read_head(value, value, frame().header, false); step != STEP::done) return step;
            }
            break;
        }
        default: {  // the pair is read whole
            frame().phase = 0;
            std::unique_ptr<LIST_NODE> pair = std::move(frame().pair);
            if (frame().end_reference > frame().first_reference) {
                pending_pairs.push_back({&hash, letter, std::move(pair), frame().by_reference, frame().first_reference,
                                         frame().end_reference});
                break;
            }
            const char* message = nullptr;
            if (hash.contains(&pair->key(), false, &message)) return step_of(key_twice(letter));
            int bucket = HASH_DATA::bucket_of(&pair->key(), false, &message);
            if (message != nullptr) {
                saved_text_message = message;
                return STEP::failed;
            }
            add_pair(hash, pair.release(), bucket);
            break;
        }
        }
    }
}

PARSER::STEP PARSER::open_graph(UNION_DATA* cell, HEADER* header) {
    long long nodes = 0, edges = 0;
    if (!number(nodes, 'g', "graph") || !number(edges, 'g', "graph")) return STEP::failed;
    if (nodes < 0 || edges < 0 || (edges > 0 && nodes == 0)) return step_of(damaged("graph"));
    auto fresh = std::make_unique<UNION_DATA>('g');
    fresh->graph_data()->grow_nodes(static_cast<int>(nodes));
    FRAME& frame = open('g', cell, fresh.release(), header);
    frame.count = nodes;
    frame.edges = edges;
    // The saved numbers: per node (first edge, its direction), per edge
    // (source, target, next at source, its direction, next at target, its
    // direction, parallel index).
    frame.node_fields.resize(static_cast<size_t>(nodes) * 2);
    frame.edge_fields.resize(static_cast<size_t>(edges) * 7);
    frame.numbered.resize(static_cast<size_t>(edges));
    return STEP::opened;
}

PARSER::STEP PARSER::advance_graph(size_t i) {
    auto frame = [this, i]() -> FRAME& { return frames[i]; };  // reads may move the frames
    GRAPH_DATA& graph = *frame().fresh->graph_data();
    const long long nodes = frame().count;
    const long long edges = frame().edges;
    auto in_range = [](long long value, long long low, long long high) { return value >= low && value <= high; };
    while (frame().index < nodes) {
        const long long at = frame().index++;
        long long* f = &frame().node_fields[static_cast<size_t>(at) * 2];
        if (!number(f[0], '&', "graph") || !number(f[1], '&', "graph")) return STEP::failed;
        if (!in_range(f[0], -1, edges - 1) || !in_range(f[1], 0, 1)) return step_of(damaged("graph"));
        auto* record = new GRAPH_NODE();
        record->index = static_cast<int>(at);
        graph.nodes[static_cast<size_t>(at)] = record;
        graph.node_count = static_cast<int>(at) + 1;
        if (STEP step = read_head(&record->value, &record->value, frame().header, false); step != STEP::done)
            return step;
    }
    while (frame().index < nodes + edges) {
        const long long j = frame().index++ - nodes;
        long long* f = &frame().edge_fields[static_cast<size_t>(j) * 7];
        for (int k = 0; k < 7; ++k)
            if (!number(f[k], '&', "graph")) return STEP::failed;
        if (!in_range(f[0], 0, nodes - 1) || !in_range(f[1], 0, nodes - 1) || !in_range(f[2], -1, edges - 1) ||
            !in_range(f[3], 0, 1) || !in_range(f[4], -1, edges - 1) || !in_range(f[5], 0, 1) ||
            !in_range(f[6], 0, edges - 1))
            return step_of(damaged("graph"));
        // The edge id must stay within an int.
        if (f[6] * nodes + f[0] > INT32_MAX) return step_of(damaged("graph"));
        auto* edge = new GRAPH_EDGE();
        edge->source = graph.nodes[static_cast<size_t>(f[0])];
        edge->target = graph.nodes[static_cast<size_t>(f[1])];
        edge->parallel_index = static_cast<int>(f[6]);
        edge->prev = graph.last_edge;
        if (graph.last_edge != nullptr) graph.last_edge->next = edge;
        else graph.first_edge = edge;
        graph.last_edge = edge;
        ++graph.edge_count;
        frame().numbered[static_cast<size_t>(j)] = edge;
        if (STEP step = read_head(&edge->value, &edge->value, frame().header, false); step != STEP::done) return step;
    }
    if (!finish_graph(frame())) return STEP::failed;
    move_payload(frame().cell, frame().fresh.get());
    return STEP::done;
}

bool PARSER::finish_graph(FRAME& frame) {
    GRAPH_DATA& graph = *frame.fresh->graph_data();
    const long long nodes = frame.count;
    const long long edges = frame.edges;
    const std::vector<long long>& node_fields = frame.node_fields;
    const std::vector<long long>& edge_fields = frame.edge_fields;
    const std::vector<GRAPH_EDGE*>& numbered = frame.numbered;
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

PARSER::STEP PARSER::open_body(UNION_DATA* cell, UNION_DATA* lands_in, HEADER* header, std::unique_ptr<HEADER> own) {
    const auto entries = static_cast<long long>(header->size());
    long long groups = 0;
    char ended = 0;
    if (!number(groups, 'k', "type", 'c', &ended)) return STEP::failed;
    if (ended == 'c') {
        // An empty object: the type without an object record.
        if (groups < 0 || groups >= entries) return step_of(damaged("type"));
        const HEADER_ENTRY& entry = (*header)[static_cast<size_t>(groups)];
        if (!accepts_object(lands_in, entry)) return STEP::failed;
        UNION_DATA fresh('k');
        fresh.holder()->type = entry.type;
        move_payload(cell, &fresh);
        return STEP::done;
    }
    if (groups < 1) return step_of(damaged("type"));
    // The object's own type is the one of its first group.
    long long entry_index = 0;
    if (!number(entry_index, 'k', "type", 'c', &ended)) return STEP::failed;
    if (entry_index < 0 || entry_index >= entries) return step_of(damaged("type"));
    if (!accepts_object(lands_in, (*header)[static_cast<size_t>(entry_index)])) return STEP::failed;
    auto fresh = std::make_unique<UNION_DATA>('k');
    fresh->holder()->type = (*header)[static_cast<size_t>(entry_index)].type;
    clear_payload(fresh.get());  // a copy of the type's initial object
    FRAME& frame = open('k', cell, fresh.release(), header);
    frame.own_header = std::move(own);
    frame.groups = groups;
    frame.entry_index = entry_index;
    frame.ended = ended;
    return STEP::opened;
}

PARSER::STEP PARSER::advance_body(size_t i) {
    auto frame = [this, i]() -> FRAME& { return frames[i]; };  // reads may move the frames
    HEADER& header = *frame().header;
    const auto entries = static_cast<long long>(header.size());
    OBJECT_RECORD* record = frame().fresh->holder()->object;
    for (;;) {
        if (!frame().in_group) {
            if (frame().index == frame().groups) {
                move_payload(frame().cell, frame().fresh.get());
                return STEP::done;
            }
            if (frame().index++ > 0) {
                if (!number(frame().entry_index, 'k', "type", 'c', &frame().ended)) return STEP::failed;
                if (frame().entry_index < 0 || frame().entry_index >= entries) return step_of(damaged("type"));
            }
            if (frame().ended == 'c') continue;
            HEADER_ENTRY& entry = header[static_cast<size_t>(frame().entry_index)];
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
            frame().entry = &entry;
            frame().group = group;
            frame().member = 0;
            frame().in_group = true;
        }
        const HEADER_ENTRY& entry = *frame().entry;
        if (frame().member >= entry.members.size()) {
            frame().in_group = false;
            continue;
        }
        const int slot = entry.slots[frame().member++];
        const GROUP_ENTRY* group = frame().group;
        UNION_DATA* member = nullptr;
        if (group != nullptr && group->slots && slot >= 0 && slot < group->slots->count())
            member = group->slots->cells[static_cast<size_t>(slot)];
        STEP step;
        if (member == nullptr) {
            step = read_dropped(&header);
        } else {
            if (is_link_cell(member)) dissolve_link(member, true);
            step = read_head(member, member, &header, true);
        }
        if (step != STEP::done) return step;
    }
}

PARSER::STEP PARSER::advance(size_t i) {
    auto frame = [this, i]() -> FRAME& { return frames[i]; };  // reads may move the frames
    switch (frame().letter) {
    case 'h':
    case 'm': return advance_hash(i);
    case 'g': return advance_graph(i);
    case 'k': return advance_body(i);
    case 'a':
    case 'z': {
        // Array slots and grid cells: 'v' leaves a slot undefined.
        while (frame().index < frame().count) {
            const auto at = static_cast<size_t>(frame().index++);
            if (peek() == 'v') {
                ++position;
                continue;
            }
            // Each element is read into a cell of its own: a later
            // reference may name it.
            auto made = std::make_unique<UNION_DATA>(tag_any);
            UNION_DATA* element = made.get();
            if (frame().letter == 'a') {
                ARRAY_DATA& array = *frame().fresh->array_data();
                array.slots.put_cell(at, std::move(made));
                ++array.defined_count;
            } else {
                ARRAY2_DATA& grid = *frame().fresh->array2_data();
                grid.cells.put_cell(at, std::move(made));
                ++grid.count;
            }
            if (STEP step = read_head(element, element, frame().header, false); step != STEP::done) return step;
        }
        break;
    }
    default: {  // lists and args
        LIST_DATA& list = *frame().fresh->list_data();
        while (frame().index < frame().count) {
            ++frame().index;
            list.append_pair(nullptr, 0, nullptr, 0);
            UNION_DATA* element = &list.tail->value;
            if (STEP step = read_head(element, element, frame().header, false); step != STEP::done) return step;
        }
        break;
    }
    }
    move_payload(frame().cell, frame().fresh.get());
    return STEP::done;
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
    if (!read(&scratch, lands_in)) return keep_message(std::move(saved_text_message));
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
    std::vector<std::tuple<HASH_DATA*, UNION_DATA*, char>> keys;
    for (const PENDING_PAIR& pair : pending_pairs)
        if (pair.by_reference)
            keys.emplace_back(pair.hash, targets[references[pair.first_reference].first], pair.letter);
    std::sort(keys.begin(), keys.end());
    const auto same_key = [](const auto& a, const auto& b) {
        return std::get<0>(a) == std::get<0>(b) && std::get<1>(a) == std::get<1>(b);
    };
    if (auto twice = std::adjacent_find(keys.begin(), keys.end(), same_key); twice != keys.end()) {
        key_twice(std::get<2>(*twice));
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
            key_twice(pair.letter);
            return keep_message(std::move(saved_text_message));
        }
    }
    if (top_letter == 'v') {
        clear_payload(lands_in);  // an any cell: a typed one has refused it
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
    int result = scanner.scan();
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
