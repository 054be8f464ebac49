// The writer of the saved text form, the numbering walk and the collection
// of object headers. The reader is in saved_text_reader.cpp.
//
// The numbering and collection walks use an explicit stack, so a value
// nested arbitrarily deep is walked without deep recursion; the writer
// itself recurses per level and refuses a value deeper than max_value_depth
// with "Stack overflow", as the other recursive walks over values do.

#include "values/saved_text.h"

#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/calendar.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

SAVED_TYPE_SERVICES saved_type_services;

// The failure of the writer or the reader, recorded where it happens and
// handed out (moved into keep_message) where the call returns.
std::string saved_text_message;

namespace {

// Calls visit on the cell and every cell held inside its value, parents
// before their children and children in value order; references are
// visited but not followed.
template <typename VISIT>
void walk_cells(UNION_DATA* root, VISIT visit) {
    std::vector<UNION_DATA*> stack{root};
    std::vector<UNION_DATA*> children;
    while (!stack.empty()) {
        UNION_DATA* cell = stack.back();
        stack.pop_back();
        visit(cell);
        if (is_link_cell(cell) || !is_nesting_tag(lower_tag(cell->tag))) continue;
        children.clear();
        append_child_cells(cell, children);
        for (auto child = children.rbegin(); child != children.rend(); ++child) stack.push_back(*child);
    }
}

// A header entry: the type, and for a type written with members the number
// of members its groups write (-1 for a name-only entry).
struct TYPE_ENTRY {
    TOKEN* type = nullptr;
    int member_count = -1;
};

// The collection walk with the member counts of the types met with members.
void collect_entries(UNION_DATA* root, std::vector<TYPE_ENTRY>& name_entries, std::vector<TYPE_ENTRY>& entries) {
    auto listed = [](const std::vector<TYPE_ENTRY>& list, const TOKEN* type) {
        for (const TYPE_ENTRY& entry : list)
            if (entry.type == type) return true;
        return false;
    };
    walk_cells(root, [&](UNION_DATA* cell) {
        if (is_link_cell(cell) || lower_tag(cell->tag) != tag_object) return;
        const OBJECT_HOLDER* holder = cell->holder();
        if (holder == nullptr || holder->type == nullptr) return;
        if (holder->object == nullptr) {
            if (!listed(name_entries, holder->type)) name_entries.push_back({holder->type, -1});
            return;
        }
        for (const GROUP_ENTRY& group : holder->object->groups) {
            if (group.type == nullptr) continue;
            if (group.slots) {
                if (!listed(entries, group.type)) entries.push_back({group.type, group.slots->count()});
            } else if (!listed(name_entries, group.type)) {
                name_entries.push_back({group.type, -1});
            }
        }
    });
    // A type listed with members is never listed again by name.
    std::vector<TYPE_ENTRY> kept;
    for (const TYPE_ENTRY& entry : name_entries)
        if (!listed(entries, entry.type)) kept.push_back(entry);
    name_entries.swap(kept);
}

void append_number(std::string& out, long long number) {
    char digits[24];
    int length = std::snprintf(digits, sizeof digits, "%lld", number);
    out.append(digits, static_cast<size_t>(length));
}

// The text of a calendar value as its display shows it; empty for an empty
// value.
template <typename CALENDAR>
const std::string& calendar_text(CALENDAR& value, const std::string& empty) {
    return value.is_empty() ? empty : value.to_text(true);
}

// Counts one level of a recursive walk for as long as it lives.
class LEVEL {
public:
    explicit LEVEL(int& depth) : depth(depth) { ++depth; }
    ~LEVEL() { --depth; }
    LEVEL(const LEVEL&) = delete;
    LEVEL& operator=(const LEVEL&) = delete;

private:
    int& depth;
};

// The type table handed down inside an object: entry index by type.
struct TYPE_TABLE {
    std::unordered_map<const TOKEN*, int> index;
    std::vector<int> member_counts;  // by entry index; 0 for name-only entries
};

class WRITER {
public:
    WRITER(std::string& out, TOKEN* node) : out(out), node(node) {}

    // Writes one cell; false after a failure, with the message in
    // saved_text_message.
    bool write(UNION_DATA* cell, const TYPE_TABLE* types);

private:
    std::string& out;
    TOKEN* node;
    int depth = 0;
    const std::string no_text;

    bool fail(std::string message) {
        saved_text_message = std::move(message);
        return false;
    }

    // "<letter><text><letter>" or "<letter><length><letter><text>" and
    // "<digit><length>.<text>".
    void closed(char letter, const std::string& text) {
        out += letter;
        out += text;
        out += letter;
    }
    void counted(char letter, const std::string& text) {
        out += letter;
        append_number(out, static_cast<long long>(text.size()));
        out += letter;
        out += text;
    }
    void dotted(char letter, const std::string& text) {
        out += letter;
        append_number(out, static_cast<long long>(text.size()));
        out += '.';
        out += text;
    }
    void count(char letter, long long n) {
        out += letter;
        append_number(out, n);
        out += letter;
    }
    void field(long long n) {
        append_number(out, n);
        out += '&';
    }

    // Kept out of write, whose frame every nesting level stacks.
    [[gnu::noinline]] void write_scalar(UNION_DATA* cell, char lowered);
    [[gnu::noinline]] void write_error(const ERROR_DATA& error);
    [[gnu::noinline]] bool write_graph(GRAPH_DATA& graph, const TYPE_TABLE* types);
    [[gnu::noinline]] bool write_object(UNION_DATA* cell, const TYPE_TABLE* types);
    [[gnu::noinline]] void write_header(UNION_DATA* cell, TYPE_TABLE& table);
    [[gnu::noinline]] bool fail_type(const UNION_DATA* cell);
    [[gnu::noinline]] bool fail_external() { return fail(format_string(msg_text("fueextrefnicerl"), "pout()")); }
};

bool WRITER::fail_type(const UNION_DATA* cell) {
    std::string type = type_name_text(value_type_name(cell, true));
    return fail(format_string(msg_text("fuedattypnicerl"), "pout()", type.c_str()));
}

void WRITER::write_error(const ERROR_DATA& error) {
    std::string inner(1, error.kind);
    inner += ':';
    inner += error.file;
    inner += ':';
    append_number(inner, error.line);
    inner += ':';
    inner += error.message;
    counted('e', inner);
}

bool WRITER::write_graph(GRAPH_DATA& graph, const TYPE_TABLE* types) {
    // Edges are numbered by their place in the graph-wide list.
    std::unordered_map<const GRAPH_EDGE*, int> numbers;
    numbers.reserve(static_cast<size_t>(graph.edge_count > 0 ? graph.edge_count : 0));
    int edge_total = 0;
    for (const GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next)
        numbers.emplace(edge, edge_total++);
    auto number = [&](const GRAPH_EDGE* edge) -> long long {
        if (edge == nullptr) return -1;
        auto found = numbers.find(edge);
        return found != numbers.end() ? found->second : -1;
    };
    out += 'g';
    append_number(out, graph.node_count);
    out += 'g';
    append_number(out, edge_total);
    out += 'g';
    for (int i = 0; i < graph.node_count; ++i) {
        GRAPH_NODE* node = graph.nodes[static_cast<size_t>(i)];
        field(number(node->first_incident));
        field(node->first_is_out ? 1 : 0);
        if (!write(&node->value, types)) return false;
    }
    for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next) {
        field(edge->source->index);
        field(edge->target->index);
        field(number(edge->next_at_source));
        field(edge->next_at_source_is_out ? 1 : 0);
        field(number(edge->next_at_target));
        field(edge->next_at_target_is_out ? 1 : 0);
        field(edge->parallel_index);
        if (!write(&edge->value, types)) return false;
    }
    return true;
}

void WRITER::write_header(UNION_DATA* cell, TYPE_TABLE& table) {
    std::vector<TYPE_ENTRY> name_entries;
    std::vector<TYPE_ENTRY> entries;
    collect_entries(cell, name_entries, entries);
    name_entries.insert(name_entries.end(), entries.begin(), entries.end());
    count('K', static_cast<long long>(name_entries.size()));
    std::vector<std::string> names;
    for (const TYPE_ENTRY& entry : name_entries) {
        table.index.emplace(entry.type, static_cast<int>(table.member_counts.size()));
        table.member_counts.push_back(entry.member_count < 0 ? 0 : entry.member_count);
        out += saved_type_services.type_name(node, entry.type);
        out += ':';
        if (entry.member_count < 0) {
            out += "0:";
            continue;
        }
        append_number(out, entry.member_count);
        out += ':';
        names.clear();
        if (saved_type_services.member_names != nullptr) saved_type_services.member_names(entry.type, names);
        for (int i = 0; i < entry.member_count; ++i) {
            if (static_cast<size_t>(i) < names.size()) out += names[static_cast<size_t>(i)];
            out += ':';
        }
    }
}

bool WRITER::write_object(UNION_DATA* cell, const TYPE_TABLE* types) {
    const OBJECT_HOLDER* holder = cell->holder();
    std::unique_ptr<TYPE_TABLE> own;
    if (types == nullptr) {
        if (saved_type_services.type_name == nullptr) return fail_type(cell);
        own = std::make_unique<TYPE_TABLE>();
        write_header(cell, *own);
        types = own.get();
    }
    auto entry_of = [types](const TOKEN* type) {
        auto found = types->index.find(type);
        return found != types->index.end() ? found->second : -1;
    };
    const OBJECT_RECORD* record = holder->object;
    if (record == nullptr || record->groups.empty()) {
        int entry = entry_of(holder->type);
        if (entry < 0) return fail_type(cell);
        out += 'k';
        append_number(out, entry);
        out += 'c';
        return true;
    }
    count('k', record->group_count());
    for (const GROUP_ENTRY& group : record->groups) {
        int entry = entry_of(group.type);
        if (entry < 0) return fail_type(cell);
        append_number(out, entry);
        if (!group.slots) {
            out += 'c';
            continue;
        }
        out += 'k';
        // Exactly the entry's member count, so that the reader finds the end
        // of the group.
        const int members = types->member_counts[static_cast<size_t>(entry)];
        for (int i = 0; i < members; ++i) {
            UNION_DATA* member = i < group.slots->count() ? group.slots->cells[static_cast<size_t>(i)] : nullptr;
            if (member == nullptr) {
                out += 'v';
            } else if (!write(member, types)) {
                return false;
            }
        }
    }
    return true;
}

void WRITER::write_scalar(UNION_DATA* cell, char lowered) {
    switch (lowered) {
    case tag_bool: {
        const uint16_t word = cell->bool_word();
        out += 'b';
        out += word == 0 ? '0' : word == 0xFFFF ? '2' : '1';
        return;
    }
    case tag_char:
        if (cell->char_byte() == 0) {
            out += 'x';
        } else {
            out += 'c';
            out += cell->char_byte();
        }
        return;
    case tag_int: closed('i', cell->int_data()->to_text()); return;
    case tag_real:
        // Every decimal, whatever the output precision: the text read back
        // must give the same number.
        closed('r', cell->real_data()->to_text(-1));
        return;
    case tag_oper: {
        std::string chars;
        for (int i = 0; i < 2; ++i)
            if (cell->oper_chars()[i] != 0) chars += cell->oper_chars()[i];
        closed('o', chars);
        return;
    }
    case tag_time: closed('t', calendar_text(*cell->time_data(), no_text)); return;
    case tag_str: counted('s', cell->str_data()->text); return;
    case tag_error: write_error(*cell->error_data()); return;
    case tag_date: dotted('0', calendar_text(*cell->date_data(), no_text)); return;
    case tag_timezone: dotted('2', calendar_text(*cell->timezone_data(), no_text)); return;
    case tag_datetime: dotted('4', calendar_text(*cell->datetime_data(), no_text)); return;
    default: return;
    }
}

bool WRITER::write(UNION_DATA* cell, const TYPE_TABLE* types) {
    LEVEL level(depth);
    if (depth > max_value_depth) return fail(msg_text("staueb"));
    const char tag = cell->tag;
    if (is_reference_tag(tag)) {
        const UNION_DATA* target = cell->target();
        const int32_t id = target != nullptr ? saved_id_of(target) : -1;
        if (id < 1) return fail_external();
        out += '@';
        append_number(out, id);
        out += '@';
        return true;
    }
    if (const int32_t id = saved_id_of(cell); id > 0) {
        out += '$';
        append_number(out, id);
        out += '$';
    }
    const char lowered = lower_tag(tag);
    if (is_link_tag(lowered)) return fail_type(cell);
    if (lowered == tag_object) {
        // An object cell that names no type holds no value.
        if (cell->holder() == nullptr || cell->holder()->type == nullptr) {
            out += 'v';
            return true;
        }
    } else if (!is_defined_value(cell) || lowered == tag_any) {
        out += 'v';
        return true;
    }
    switch (lowered) {
    case tag_bool:
    case tag_char:
    case tag_int:
    case tag_real:
    case tag_oper:
    case tag_time:
    case tag_str:
    case tag_error:
    case tag_date:
    case tag_timezone:
    case tag_datetime: write_scalar(cell, lowered); return true;
    case tag_array: {
        ARRAY_DATA& array = *cell->array_data();
        count('a', array.slot_count);
        for (int i = 0; i < array.slot_count; ++i) {
            UNION_DATA* slot =
                static_cast<size_t>(i) < array.slots.size() ? array.slots[static_cast<size_t>(i)].get() : nullptr;
            if (slot == nullptr) {
                out += 'v';
            } else if (!write(slot, types)) {
                return false;
            }
        }
        return true;
    }
    case tag_list:
    case tag_args: {
        LIST_DATA& list = *cell->list_data();
        count(lowered, list.node_count);
        for (LIST_NODE* node = list.head; node != nullptr; node = node->next)
            if (!write(&node->value, types)) return false;
        return true;
    }
    case tag_hash:
    case tag_set: {
        HASH_DATA& hash = *cell->hash_data();
        count(lowered, hash.pair_count);
        for (const auto& bucket : hash.buckets) {
            if (!bucket) continue;
            for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
                if (!write(&node->key(), types)) return false;
                if (lowered == tag_hash && !write(&node->value, types)) return false;
            }
        }
        return true;
    }
    case tag_array2: {
        ARRAY2_DATA& grid = *cell->array2_data();
        out += 'z';
        append_number(out, grid.rows);
        out += 'z';
        append_number(out, grid.cols);
        out += 'z';
        if (grid.rows < 1 || grid.cols < 1) return true;
        for (int row = 0; row < grid.rows; ++row) {
            for (int col = 0; col < grid.cols; ++col) {
                UNION_DATA* element = grid.get(row, col);
                if (element == nullptr) {
                    out += 'v';
                } else if (!write(element, types)) {
                    return false;
                }
            }
        }
        return true;
    }
    case tag_graph: return write_graph(*cell->graph_data(), types);
    case tag_object: return write_object(cell, types);
    default: return fail_type(cell);
    }
}

}  // namespace

namespace {

std::unordered_map<const UNION_DATA*, int32_t>& saved_ids() {
    static std::unordered_map<const UNION_DATA*, int32_t> ids;
    return ids;
}

}  // namespace

size_t numbered_cell_count = 0;

int32_t saved_id_of(const UNION_DATA* cell) {
    if (numbered_cell_count == 0) return -1;
    auto& ids = saved_ids();
    auto found = ids.find(cell);
    return found == ids.end() ? -1 : found->second;
}

void number_referenced_cells(UNION_DATA* cell, int pass, bool is_root) {
    static int32_t counter = 1;
    if (pass == 0 && is_root) counter = 1;
    auto& ids = saved_ids();
    walk_cells(cell, [pass, &ids](UNION_DATA* visited) {
        switch (pass) {
        case 0: ids[visited] = 0; break;
        case 1:
            if (is_reference_tag(visited->tag)) {
                UNION_DATA* target = visited->target();
                if (target == nullptr) break;
                auto found = ids.find(target);
                if (found != ids.end() && found->second == 0) found->second = counter++;
            }
            break;
        default: ids.erase(visited); break;
        }
    });
    numbered_cell_count = ids.size();
}

void collect_object_types(UNION_DATA* cell, std::vector<TOKEN*>& name_types, std::vector<TOKEN*>& types, bool is_root) {
    std::vector<TYPE_ENTRY> name_entries;
    std::vector<TYPE_ENTRY> entries;
    for (TOKEN* type : name_types) name_entries.push_back({type, -1});
    for (TOKEN* type : types) entries.push_back({type, 0});
    collect_entries(cell, name_entries, entries);
    name_types.clear();
    types.clear();
    for (const TYPE_ENTRY& entry : name_entries) name_types.push_back(entry.type);
    for (const TYPE_ENTRY& entry : entries) types.push_back(entry.type);
    (void)is_root;  // every call here is complete, so the removal always runs
}

std::string serialize_value(UNION_DATA* cell, TOKEN* node, const char** error) {
    std::string out;
    number_referenced_cells(cell, 0, true);
    number_referenced_cells(cell, 1, false);
    WRITER writer(out, node);
    bool written = writer.write(cell, nullptr);
    number_referenced_cells(cell, 2, false);
    *error = written ? nullptr : keep_message(std::move(saved_text_message));
    return out;
}

void clear_serialize_texts() {
    saved_text_message.clear();
    saved_text_message.shrink_to_fit();
}

}  // namespace morvu
