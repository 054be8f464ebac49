// The writer of the saved text form, the numbering walk and the collection
// of object headers. The reader is in saved_text_reader.cpp.
//
// Every walk here keeps its own stack, so a value nested as deep as memory
// holds is numbered and written without deep recursion: the writer keeps a
// frame per container it is inside, which knows how far the container's
// text has come.

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

// The type table handed down inside an object: entry index by type.
struct TYPE_TABLE {
    std::unordered_map<const TOKEN*, int> index;
    std::vector<int> member_counts;  // by entry index; 0 for name-only entries
};

class WRITER {
public:
    WRITER(std::string& out, TOKEN* node) : out(out), node(node) {}

    // Writes the value of the cell; false after a failure, with the message
    // in saved_text_message.
    bool write_value(UNION_DATA* cell);

private:
    // A container whose elements are being written: its lowered tag, the
    // type table its elements see, and how far it has come.
    struct FRAME {
        char kind = 0;
        UNION_DATA* cell = nullptr;
        const TYPE_TABLE* types = nullptr;
        std::unique_ptr<TYPE_TABLE> own_types;  // an object that wrote the header
        size_t index = 0;                       // slot, bucket, node, group or row-major cell
        size_t member = 0;                      // object: member of the group; graph: 1 for the edges
        LIST_NODE* node = nullptr;              // list node, or hash pair
        bool value_next = false;                // hash: the pair's value comes next
        GRAPH_EDGE* edge = nullptr;
        std::unique_ptr<std::unordered_map<const GRAPH_EDGE*, int>> edge_numbers;  // graph
    };
    enum class STEP : uint8_t { failed, written, opened };

    std::string& out;
    TOKEN* node;
    std::vector<FRAME> frames;
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

    FRAME& open(char kind, UNION_DATA* cell, const TYPE_TABLE* types) {
        FRAME& frame = frames.emplace_back();
        frame.kind = kind;
        frame.cell = cell;
        frame.types = types;
        return frame;
    }

    // Writes one cell, or its opening and a frame for its elements.
    STEP visit(UNION_DATA* cell, const TYPE_TABLE* types);
    // Writes the next elements of the frame at index i.
    STEP advance(size_t i);
    STEP step_of(bool written) { return written ? STEP::written : STEP::failed; }
    void write_scalar(UNION_DATA* cell, char lowered);
    void write_error(const ERROR_DATA& error);
    STEP open_graph(UNION_DATA* cell, const TYPE_TABLE* types);
    STEP open_object(UNION_DATA* cell, const TYPE_TABLE* types);
    void write_header(UNION_DATA* cell, TYPE_TABLE& table);
    bool fail_type(const UNION_DATA* cell);
    bool fail_external() { return fail(format_string(msg_text("fueextrefnicerl"), "pout()")); }
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

WRITER::STEP WRITER::open_graph(UNION_DATA* cell, const TYPE_TABLE* types) {
    const GRAPH_DATA& graph = *cell->graph_data();
    // Edges are numbered by their place in the graph-wide list.
    auto numbers = std::make_unique<std::unordered_map<const GRAPH_EDGE*, int>>();
    numbers->reserve(static_cast<size_t>(graph.edge_count > 0 ? graph.edge_count : 0));
    int edge_total = 0;
    for (const GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next)
        numbers->emplace(edge, edge_total++);
    out += 'g';
    append_number(out, graph.node_count);
    out += 'g';
    append_number(out, edge_total);
    out += 'g';
    FRAME& frame = open(tag_graph, cell, types);
    frame.edge_numbers = std::move(numbers);
    frame.edge = graph.first_edge;
    return STEP::opened;
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

WRITER::STEP WRITER::open_object(UNION_DATA* cell, const TYPE_TABLE* types) {
    const OBJECT_HOLDER* holder = cell->holder();
    // The outermost object writes the header of every type inside it.
    std::unique_ptr<TYPE_TABLE> own;
    if (types == nullptr) {
        if (saved_type_services.type_name == nullptr) return step_of(fail_type(cell));
        own = std::make_unique<TYPE_TABLE>();
        write_header(cell, *own);
        types = own.get();
    }
    const OBJECT_RECORD* record = holder->object;
    if (record == nullptr || record->groups.empty()) {
        auto found = types->index.find(holder->type);
        if (found == types->index.end()) return step_of(fail_type(cell));
        out += 'k';
        append_number(out, found->second);
        out += 'c';
        return STEP::written;
    }
    count('k', record->group_count());
    FRAME& frame = open(tag_object, cell, types);
    frame.own_types = std::move(own);
    return STEP::opened;
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
    case tag_int:
        if (is_inline_int(cell->payload)) {
            std::string text;
            append_inline_int(cell->payload, text);
            closed('i', text);
        } else {
            closed('i', cell->int_data()->to_text());
        }
        return;
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

WRITER::STEP WRITER::visit(UNION_DATA* cell, const TYPE_TABLE* types) {
    const char tag = cell->tag;
    if (is_reference_tag(tag)) {
        const UNION_DATA* target = cell->target();
        const int32_t id = target != nullptr ? saved_id_of(target) : -1;
        if (id < 1) return step_of(fail_external());
        out += '@';
        append_number(out, id);
        out += '@';
        return STEP::written;
    }
    if (const int32_t id = saved_id_of(cell); id > 0) {
        out += '$';
        append_number(out, id);
        out += '$';
    }
    const char lowered = lower_tag(tag);
    if (is_link_tag(lowered)) return step_of(fail_type(cell));
    if (lowered == tag_object) {
        // An object cell that names no type holds no value.
        if (cell->holder() == nullptr || cell->holder()->type == nullptr) {
            out += 'v';
            return STEP::written;
        }
    } else if (!is_defined_value(cell) || lowered == tag_any) {
        out += 'v';
        return STEP::written;
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
    case tag_datetime: write_scalar(cell, lowered); return STEP::written;
    case tag_array: count('a', cell->array_data()->slot_count); break;
    case tag_list:
    case tag_args: {
        count(lowered, cell->list_data()->node_count);
        open(lowered, cell, types).node = cell->list_data()->head;
        return STEP::opened;
    }
    case tag_hash:
    case tag_set: count(lowered, cell->hash_data()->pair_count); break;
    case tag_array2: {
        const ARRAY2_DATA& grid = *cell->array2_data();
        out += 'z';
        append_number(out, grid.rows);
        out += 'z';
        append_number(out, grid.cols);
        out += 'z';
        if (grid.rows < 1 || grid.cols < 1) return STEP::written;
        break;
    }
    case tag_graph: return open_graph(cell, types);
    case tag_object: return open_object(cell, types);
    default: return step_of(fail_type(cell));
    }
    open(lowered, cell, types);
    return STEP::opened;
}

WRITER::STEP WRITER::advance(size_t i) {
    auto frame = [this, i]() -> FRAME& { return frames[i]; };  // visits may move the frames
    UNION_DATA* cell = frame().cell;
    const TYPE_TABLE* types = frame().types;
    // Each element either is written at once (the loop goes on) or opens a
    // frame (the walk goes there first).
    auto element = [&](UNION_DATA* value) {
        if (value != nullptr) return visit(value, types);
        out += 'v';  // an undefined slot
        return STEP::written;
    };
    STEP step = STEP::written;
    switch (frame().kind) {
    case tag_array: {
        const ARRAY_DATA& array = *cell->array_data();
        while (step == STEP::written && frame().index < static_cast<size_t>(array.slot_count)) {
            const size_t at = frame().index++;
            SLOT_VIEW view;  // a compact slot is written from its word
            step = element(at < array.slots.size() ? array.slots.view(at, view) : nullptr);
        }
        break;
    }
    case tag_list:
    case tag_args:
        while (step == STEP::written && frame().node != nullptr) {
            LIST_NODE* node = frame().node;
            frame().node = node->next;
            step = element(&node->value);
        }
        break;
    case tag_hash:
    case tag_set: {
        const HASH_DATA& hash = *cell->hash_data();
        while (step == STEP::written) {
            if (frame().value_next) {
                frame().value_next = false;
                step = element(&frame().node->value);
                continue;
            }
            LIST_NODE* next = frame().node != nullptr ? frame().node->next : nullptr;
            while (next == nullptr && frame().index < hash.buckets.size()) {
                const auto& bucket = hash.buckets[frame().index++];
                if (bucket) next = bucket->head;
            }
            if (next == nullptr) break;
            frame().node = next;
            frame().value_next = frame().kind == tag_hash;
            step = element(&next->key());
        }
        break;
    }
    case tag_array2: {
        // Row by row, which is the slot order.
        const ARRAY2_DATA& grid = *cell->array2_data();
        const size_t cells = static_cast<size_t>(grid.rows) * static_cast<size_t>(grid.cols);
        while (step == STEP::written && frame().index < cells) {
            const size_t at = frame().index++;
            SLOT_VIEW view;
            step = element(at < grid.cells.size() ? grid.cells.view(at, view) : nullptr);
        }
        break;
    }
    case tag_graph: {
        const GRAPH_DATA& graph = *cell->graph_data();
        auto number = [&](const GRAPH_EDGE* edge) -> long long {
            if (edge == nullptr) return -1;
            auto found = frame().edge_numbers->find(edge);
            return found != frame().edge_numbers->end() ? found->second : -1;
        };
        while (step == STEP::written && frame().index < static_cast<size_t>(graph.node_count)) {
            GRAPH_NODE* graph_node = graph.nodes[frame().index++];
            field(number(graph_node->first_incident));
            field(graph_node->first_is_out ? 1 : 0);
            step = element(&graph_node->value);
        }
        while (step == STEP::written && frame().edge != nullptr) {
            GRAPH_EDGE* edge = frame().edge;
            frame().edge = edge->next;
            field(edge->source->index);
            field(edge->target->index);
            field(number(edge->next_at_source));
            field(edge->next_at_source_is_out ? 1 : 0);
            field(number(edge->next_at_target));
            field(edge->next_at_target_is_out ? 1 : 0);
            field(edge->parallel_index);
            step = element(&edge->value);
        }
        break;
    }
    case tag_object: {
        const OBJECT_RECORD& record = *cell->holder()->object;
        while (step == STEP::written) {
            const size_t g = frame().index;
            if (g >= record.groups.size()) break;
            const GROUP_ENTRY& group = record.groups[g];
            auto found = types->index.find(group.type);
            if (found == types->index.end()) return step_of(fail_type(cell));
            // Exactly the entry's member count, so that the reader finds the
            // end of the group.
            const int members = group.slots ? types->member_counts[static_cast<size_t>(found->second)] : 0;
            if (frame().member == 0) {
                append_number(out, found->second);
                if (!group.slots) {
                    out += 'c';
                    ++frame().index;
                    continue;
                }
                out += 'k';
            }
            if (frame().member >= static_cast<size_t>(members)) {
                ++frame().index;
                frame().member = 0;
                continue;
            }
            const size_t m = frame().member++;
            step = element(m < group.slots->cells.size() ? group.slots->cells[m] : nullptr);
        }
        break;
    }
    default: break;
    }
    return step;
}

bool WRITER::write_value(UNION_DATA* cell) {
    STEP step = visit(cell, nullptr);
    while (step != STEP::failed && !frames.empty()) {
        step = advance(frames.size() - 1);
        if (step == STEP::written) frames.pop_back();  // the container is complete
    }
    return step != STEP::failed;
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
    bool written = writer.write_value(cell);
    number_referenced_cells(cell, 2, false);
    *error = written ? nullptr : keep_message(std::move(saved_text_message));
    return out;
}

void clear_serialize_texts() {
    saved_text_message.clear();
    saved_text_message.shrink_to_fit();
}

}  // namespace morvu
