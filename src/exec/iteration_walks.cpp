#include "exec/iteration_walks.h"

#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_text.h"
#include "values/walk_pins.h"
#include "values/weak_cell.h"

namespace morvu {

namespace {

constexpr char stored_nul = '\xFF';

// A loop variable: the cell its bindings go to. It is held weakly, since a
// loop body may destroy it (a member of an object that is replaced, an
// element of a container). An alias binding writes the element access mode
// into the cell; restore_mode puts the cell's own mode back after every run
// of the body. When the walk ends, a variable still bound with a read-only
// mode keeps it: it writes no more through its last element after the walk
// than it did inside (dissolving the link takes the mode away).
class LOOP_VARIABLE {
public:
    LOOP_VARIABLE() = default;
    ~LOOP_VARIABLE() {
        restore_mode();
        UNION_DATA* target = held.get();
        if (target != nullptr && !is_variable_mode(bound_mode) && is_link_cell(target))
            target->access_mode = static_cast<uint8_t>(bound_mode);
    }
    LOOP_VARIABLE(const LOOP_VARIABLE&) = delete;
    LOOP_VARIABLE& operator=(const LOOP_VARIABLE&) = delete;

    void hold(UNION_DATA* cell) { held.reset(cell); }
    // The cell, or null once it has been destroyed.
    UNION_DATA* cell() const { return held.get(); }

    void write_mode(uint32_t mode) {
        UNION_DATA* target = held.get();
        if (target == nullptr) return;
        // A read-only mode left by an earlier binding ends with this one.
        if (!written) saved_mode = is_variable_mode(target->access_mode) ? target->access_mode : access_variable;
        written = true;
        target->access_mode = static_cast<uint8_t>(mode);
        bound_mode = mode;
    }
    void restore_mode() {
        if (!written) return;
        written = false;
        if (UNION_DATA* target = held.get()) target->access_mode = saved_mode;
    }

private:
    WEAK_CELL held;
    uint32_t saved_mode = access_variable;
    uint32_t bound_mode = access_variable;  // the mode of the last binding
    bool written = false;
};

// A new int cell holding the number: an index or an edge address. An int
// always fits the payload word, so the cell needs no number record.
std::unique_ptr<UNION_DATA> int_temporary(int value) { return std::unique_ptr<UNION_DATA>(new_inline_int_cell(value)); }

// Writes the number into a half of an edge address that holds an int in its
// payload word and that nothing links to or holds: what emptying the half
// and assigning it a new int would leave. False, with the half untouched,
// for any other half.
bool set_int_half(UNION_DATA* half, int value) {
    if (half->tag != raise_tag(tag_int) || !is_inline_int(half->payload) || half->referrers != nullptr ||
        half->in_use != 0)
        return false;
    return make_inline_int(value, half->payload);
}

// One line of the file, read character by character from its open input,
// without its line end: LF ends a line, and CR too unless the file is read
// in binary mode. False when the input ended before any character. A file
// whose input a loop body closed simply ends.
bool next_line(FILE_DATA* file, std::string& line) {
    line.clear();
    const bool binary = file->is_binary();
    bool any = false;
    char ch = 0;
    while (!file->read_char(&ch, false)) {
        any = true;
        if (ch == '\n' || (ch == '\r' && !binary)) break;
        line += ch == '\0' ? stored_nul : ch;
    }
    return any;
}

class WALK {
public:
    WALK(const ITERATION_REQUEST& request, ITERATION_BODY body) : request(request), body(body) {}
    void run();

private:
    static constexpr int max_variables = 3;

    const ITERATION_REQUEST& request;
    ITERATION_BODY body;
    bool backwards = false;
    UNION_DATA* store = nullptr;     // the cell that holds the walked payload
    char kind = 0;                   // its lowered tag
    std::optional<ARG_FRAME> frame;  // in place: a walk is started per call
    uint32_t count = 0;              // arguments after expansion
    uint32_t element_mode = 6;       // access mode of alias-bound loop variables
    int list_link_mode = 3;          // alias, or call-alias for an args receiver held as one
    TOKEN* block = nullptr;
    HELD_ITEM code_context;  // the object the code value was made in
    LOOP_VARIABLE variables[max_variables];
    const WALK_PIN* pin = nullptr;

    [[noreturn]] void fail(const std::string& message) const {
        raise_error(request.node, request.routine_kind, request.routine.c_str(), message, error_kind_system);
    }
    void check(const char* failure) const {
        if (failure != nullptr) fail(frame->message(false));
    }
    void check_rule(const char* message) const {
        if (message != nullptr) fail(message);
    }

    void check_arguments();
    void require_variable(uint32_t index) {
        // A link made read-only (a variable a walk bound so, or a link made
        // to such a one) is bound anew: the walks that bind aliases replace
        // the link, those of texts and directories assign to the variable
        // itself, which cuts it loose. A file walk's lines are read into
        // what the variable leads to.
        if (kind != 'f' && rebinds_own_link((*frame)[index].cell, (*frame)[index].mode)) return;
        check(frame->check_variable(index, false));
    }
    void hold_variables(uint32_t how_many, bool keep_call_alias);

    UNION_DATA* live(int index) const;
    void bind_alias(int index, UNION_DATA* element, int mode) { bind_alias(index, element, mode, element_mode); }
    void bind_alias(int index, UNION_DATA* element, int mode, uint32_t access);
    void bind_copy(int index, UNION_DATA* source);
    void bind_character(char ch);
    void bind_pair(int pair_index, int first, int second);
    bool run_body(bool end_when_orphaned = true);

    void walk_list();
    void walk_set_or_hash();
    void walk_str();
    void walk_file();
    void walk_dir();
    void walk_array();
    void walk_array2();
    void walk_graph();
};

void WALK::run() {
    backwards = request.member->text && *request.member->text == "For";
    UNION_DATA* value = request.receiver.cell != nullptr ? argument_value(request.receiver.cell) : nullptr;
    if (value == nullptr) fail(msg_text("insnicdef"));
    if (const char* message = is_object_defined(value)) fail(message);
    store = value;
    while (is_link_cell(store) && store->target() != nullptr) store = store->target();
    kind = lower_tag(store->tag);

    frame.emplace(request.member->left, request.this_item, true);
    count = frame->count();
    check_arguments();

    UNION_DATA* code = follow_link(frame->value(count - 1));
    block = code->code_data()->block;
    code_context = code->code_data()->this_item;
    if (body.uses_code_context && code_context.gone()) fail(msg_text("insexinic"));

    const uint32_t mode = request.receiver.mode;
    if (request.code == tag_args) {
        element_mode = mode == 7 || mode == 8 ? mode : mode < 6 ? 4 : 6;
    } else {
        element_mode = is_variable_mode(mode) ? access_variable : access_member_of_constant;
    }
    const bool args_call_alias = request.code == tag_args && mode == access_variable_input;
    if (args_call_alias) list_link_mode = 7;

    WALK_PIN walk_pin(kind, store->payload, store);
    pin = &walk_pin;
    switch (kind) {
    case 'l':
    case 'y':
        hold_variables(1, args_call_alias);
        walk_list();
        break;
    case 'h':
    case 'm':
        hold_variables(count - 1, false);
        walk_set_or_hash();
        break;
    case 's':
        hold_variables(1, false);
        walk_str();
        break;
    case 'f':
        hold_variables(1, false);
        walk_file();
        break;
    case 'd':
        hold_variables(1, false);
        walk_dir();
        break;
    case 'a':
        hold_variables(count - 1, false);
        walk_array();
        break;
    case 'z':
        hold_variables(count - 1, false);
        walk_array2();
        break;
    case 'g':
        hold_variables(count >= 3 ? 2 : 1, false);
        walk_graph();
        break;
    default: break;
    }
}

void WALK::check_arguments() {
    const uint32_t last = count == 0 ? 0 : count - 1;
    switch (kind) {
    case 'l':
    case 'y':
    case 'm':
    case 's':
    case 'f':
        check(frame->check_count(2));
        require_variable(0);
        break;
    case 'h':
    case 'a':
        check(frame->check_count_range(2, 3));
        require_variable(0);
        if (count == 3) require_variable(1);
        break;
    case 'z':
        check(frame->check_count_range(3, 4));
        require_variable(0);
        require_variable(1);
        if (count == 4) require_variable(2);
        break;
    case 'g':
        check(frame->check_count_range(2, 5));
        require_variable(0);
        if (count >= 3) {
            check(frame->check_variable(1, true));
            check(frame->check_type(1, 'u', false));
        }
        if (count >= 4) {
            check(frame->check_type(2, 'i', true));
            const char* message = nullptr;
            if (store->graph_data()->node_value(frame->int_value(2), false, message) == nullptr) fail(message);
        }
        if (count == 5) {
            check(frame->check_type(3, 'c', true));
            const char direction = frame->value(3)->char_byte();
            if (direction != '*' && direction != '-' && direction != '+') fail(msg_text("erwricmalminplu"));
        }
        break;
    case 'd':
        check(frame->check_count_range(4, -1));
        require_variable(0);
        check(frame->check_type(1, 'b', true));
        break;
    default: break;
    }
    // A code value without a block would run nothing: it is refused as empty.
    check(frame->check_type(last, 'x', true));
}

// The loop variables are the first arguments. A call-alias variable binds
// the cell it leads to, except in a list walk over an args value held as a
// call-alias, whose elements are themselves handed on as call-aliases.
void WALK::hold_variables(uint32_t how_many, bool keep_call_alias) {
    for (uint32_t i = 0; i < how_many && i < static_cast<uint32_t>(max_variables); ++i) {
        UNION_DATA* cell = (*frame)[i].cell;
        if (!keep_call_alias && (cell->tag == tag_call_alias || cell->tag == raise_tag(tag_call_alias)) &&
            cell->target() != nullptr)
            cell = cell->target();
        variables[i].hold(cell);
    }
}

UNION_DATA* WALK::live(int index) const {
    UNION_DATA* cell = variables[index].cell();
    if (cell == nullptr) fail(msg_text("insexinic"));
    return cell;
}

void WALK::bind_alias(int index, UNION_DATA* element, int mode, uint32_t access) {
    UNION_DATA* cell = live(index);
    // Binding dissolves the previous link, and its mode with it: the mode is
    // written afterwards.
    check_rule(assign_by_mode(cell, element, mode));
    variables[index].write_mode(access);
}

void WALK::bind_copy(int index, UNION_DATA* source) { check_rule(assign_by_mode(live(index), source, 0)); }

// A char variable, or an any variable nothing links to, takes the character
// into its own word, as assigning it a char value does; any other variable
// is assigned one.
void WALK::bind_character(char ch) {
    UNION_DATA* cell = live(0);
    const char tag = cell->tag;
    if (cell->referrers == nullptr &&
        (tag == tag_char || tag == raise_tag(tag_char) || tag == tag_any || tag == tag_nothing)) {
        if (tag == tag_any || tag == tag_nothing) cell->tag = raise_tag(tag_char);
        cell->scalar = SCALAR_WORD{};
        cell->scalar.char_byte = ch;
        cell->payload = &cell->scalar;
        return;
    }
    UNION_DATA character(tag_char);
    character.char_byte() = ch;
    bind_copy(0, &character);
}

// Writes an edge address into the two halves of the pair variable. The
// variable was an any2 when the walk began; a body may have changed that.
void WALK::bind_pair(int pair_index, int first, int second) {
    UNION_DATA* cell = live(pair_index);
    // The address is computed, not the graph's own: the variable stays the
    // routine's own to read and write, even over a read-only graph.
    variables[pair_index].write_mode(access_variable);
    UNION_DATA* value = argument_value(cell);
    while (value != nullptr && is_link_cell(value) && value->target() != nullptr) value = value->target();
    if (value == nullptr || lower_tag(value->tag) != tag_any2 || value->payload == nullptr) {
        check(frame->check_type(static_cast<uint32_t>(pair_index), 'u', false));
        fail(msg_text("insnicdef"));
    }
    ANY2_DATA* halves = value->any2_data();
    // From the second step on the halves hold the ints of the step before.
    if (set_int_half(&halves->first, first) && set_int_half(&halves->second, second)) return;
    std::unique_ptr<UNION_DATA> id = int_temporary(first);
    std::unique_ptr<UNION_DATA> target = int_temporary(second);
    clear_payload(&halves->first);
    check_rule(assign_by_mode(&halves->first, id.get(), 4));
    clear_payload(&halves->second);
    check_rule(assign_by_mode(&halves->second, target.get(), 4));
}

// Runs the code once; true when the walk must end: the body says so, or the
// walked value let its payload go (unless the walk reads its value anew at
// every step).
bool WALK::run_body(bool end_when_orphaned) {
    RESULT_ITEM context{};
    if (body.uses_code_context) {
        if (code_context.gone()) fail(msg_text("insexinic"));
        context = code_context.item();
    }
    const bool stop = body.run(body.context, block, context);
    for (LOOP_VARIABLE& variable : variables) variable.restore_mode();
    return stop || (end_when_orphaned && pin->orphaned());
}

void WALK::walk_list() {
    LIST_DATA* list = store->list_data();
    for (LIST_NODE* node = backwards ? list->tail : list->head; node != nullptr;
         node = backwards ? node->prev : node->next) {
        bind_alias(0, &node->value, list_link_mode);
        if (run_body()) return;
    }
}

// A set binds the key cells, a hash the key cells and, with a second
// variable, the value cells. A key's place follows its value, so the key
// variable is bound read-only. The cached pair array is walked as a snapshot
// taken at the start, so a body that drops or rebuilds the cache does not
// pull it from under the walk.
void WALK::walk_set_or_hash() {
    HASH_DATA* hash = store->hash_data();
    const bool with_value = kind == 'h' && count == 3;
    auto visit = [this, with_value](LIST_NODE* pair) {
        bind_alias(0, &pair->key(), 3, access_constant_object);
        if (with_value) bind_alias(1, &pair->value, 3);
        return run_body();
    };
    if (hash->cached_array) {
        const std::vector<LIST_NODE*> pairs = *hash->cached_array;
        const size_t n = pairs.size();
        for (size_t k = 0; k < n; ++k) {
            if (visit(pairs[backwards ? n - 1 - k : k])) return;
        }
        return;
    }
    // The used buckets, read from the mask as the walk reaches them: a
    // bucket the body fills ahead of the walk is visited, as it would be by
    // looking at every bucket in turn.
    const HASH_DATA::BUCKETS& buckets = hash->buckets;
    for (int b = backwards ? buckets.last_used_upto(HASH_DATA::bucket_count - 1) : buckets.first_used_from(0); b >= 0;
         b = backwards ? buckets.last_used_upto(b - 1) : buckets.first_used_from(b + 1)) {
        LIST_DATA* bucket = buckets.list(static_cast<size_t>(b));
        if (bucket == nullptr) continue;
        for (LIST_NODE* pair = backwards ? bucket->tail : bucket->head; pair != nullptr;
             pair = backwards ? pair->prev : pair->next) {
            if (visit(pair)) return;
        }
    }
}

// The text that the walked cell holds now: the body may assign the str
// variable a new text, move one into it or make it a link to another str.
// Null when the cell is gone or holds no text any more.
const STR_DATA* current_text(const WEAK_CELL& walked) {
    UNION_DATA* cell = walked.get();
    while (cell != nullptr && is_link_cell(cell)) cell = cell->target();
    if (cell == nullptr || lower_tag(cell->tag) != tag_str || cell->payload == nullptr) return nullptr;
    return cell->str_data();
}

// The length is taken once; every step reads the character at its position
// in the variable's current text, and the walk ends at the first position
// past that text's end.
void WALK::walk_str() {
    const WEAK_CELL walked(store);
    const size_t n = store->str_data()->text.size();
    for (size_t k = 0; k < n; ++k) {
        const STR_DATA* text = current_text(walked);
        const size_t position = backwards ? n - 1 - k : k;
        if (text == nullptr || position >= text->text.size()) return;
        bind_character(text->text[position]);
        if (run_body(false)) return;
    }
}

// The file is reopened for reading; a char variable receives characters,
// any other variable lines converted into its type. For reads everything
// first and walks it from the end. The file stays open for reading.
void WALK::walk_file() {
    FILE_DATA* file = store->file_data();
    std::string mode = file->mode;
    if (mode.empty() || mode[0] != 'i') mode = 'i';
    file->close();
    const char* message = nullptr;
    file->open(mode, &message);
    if (message != nullptr) fail(message);

    const bool characters = base_type_code(live(0)) == tag_char;
    auto bind_line = [this](const std::string& line) { check_rule(read_value_text(live(0), line)); };

    if (!backwards) {
        if (characters) {
            char ch = 0;
            while (!file->read_char(&ch, false)) {
                bind_character(ch == '\0' ? stored_nul : ch);
                if (run_body()) return;
            }
        } else {
            std::string line;
            while (next_line(file, line)) {
                bind_line(line);
                if (run_body()) return;
            }
        }
        return;
    }
    if (characters) {
        std::string content;
        char ch = 0;
        while (!file->read_char(&ch, false)) content += ch;
        for (auto it = content.rbegin(); it != content.rend(); ++it) {
            bind_character(*it == '\0' ? stored_nul : *it);
            if (run_body()) return;
        }
        return;
    }
    std::vector<std::string> lines;
    std::string line;
    while (next_line(file, line)) lines.push_back(line);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        bind_line(*it);
        if (run_body()) return;
    }
}

// The variable's type chooses what is listed: files for a file variable,
// directories for a dir variable, both for an any variable without value;
// nothing for any other type. Files come first, then directories, each list
// in pattern order; For reverses both lists.
void WALK::walk_dir() {
    const char selects = base_type_code(live(0));
    const bool files = selects == 'f' || selects == 'v';
    const bool directories = selects == 'd' || selects == 'v';
    const bool recursive = frame->value(1)->bool_word() == 1;
    const std::string& path = store->dir_data()->path_name;
    std::list<std::string> file_names;
    std::list<std::string> directory_names;
    for (uint32_t i = 2; i + 1 < count; ++i) {
        check(frame->check_type(i, 's', true));
        if (!files && !directories) continue;
        const std::string& pattern = frame->value(i)->str_data()->text;
        if (files) expand_wildcards(path, pattern, true, false, recursive, backwards, file_names);
        if (directories) expand_wildcards(path, pattern, false, true, recursive, backwards, directory_names);
    }
    // A recursive listing names each entry by its path already; a plain one
    // gives bare names, which the directory's path goes in front of.
    auto full_path = [&](const std::string& name) { return recursive || path == "." ? name : path + "/" + name; };
    if (!file_names.empty()) {
        UNION_DATA file('f');
        for (const std::string& name : file_names) {
            file.file_data()->set_path(full_path(name));
            bind_copy(0, &file);
            if (run_body()) return;
        }
    }
    if (!directory_names.empty()) {
        UNION_DATA directory('d');
        for (const std::string& name : directory_names) {
            directory.dir_data()->set_path(full_path(name));
            bind_copy(0, &directory);
            if (run_body()) return;
        }
    }
}

// The index variable is bound to a new int that goes after the body, so
// assigning to it never changes the walk; being computed, it is writable
// even when the array is read-only.
void WALK::walk_array() {
    ARRAY_DATA* array = store->array_data();
    const int size = static_cast<int>(array->slots.size());
    const bool with_value = count == 3;
    for (int k = 0; k < size; ++k) {
        const int i = backwards ? size - 1 - k : k;
        if (!array->is_defined(i)) continue;
        std::unique_ptr<UNION_DATA> index = int_temporary(i);
        bind_alias(0, index.get(), 3, access_variable);
        if (with_value) bind_alias(1, array->get(i), 3);  // the loop variable needs the slot's cell
        const bool stop = run_body();
        index.reset();
        if (stop) return;
    }
}

void WALK::walk_array2() {
    ARRAY2_DATA* grid = store->array2_data();
    const int rows = grid->rows;
    const int cols = grid->cols;
    const bool with_value = count == 4;
    for (int r0 = 0; r0 < rows; ++r0) {
        const int r = backwards ? rows - 1 - r0 : r0;
        for (int c0 = 0; c0 < cols; ++c0) {
            const int c = backwards ? cols - 1 - c0 : c0;
            UNION_DATA* slot = grid->get(r, c);
            if (slot == nullptr) continue;
            std::unique_ptr<UNION_DATA> row = int_temporary(r);
            std::unique_ptr<UNION_DATA> col = int_temporary(c);
            bind_alias(0, row.get(), 3, access_variable);
            bind_alias(1, col.get(), 3, access_variable);
            if (with_value) bind_alias(2, slot, 3);
            const bool stop = run_body();
            row.reset();
            col.reset();
            if (stop) return;
        }
    }
}

// Nodes by position; all edges along the graph-wide list; or the entries of
// one node's incidence chain, taken as a snapshot so that a loop edge, which
// stands in the chain twice, is met once each way and the walk never leaves
// the chain. For walks the snapshot from its end, oldest edge first.
void WALK::walk_graph() {
    GRAPH_DATA* graph = store->graph_data();
    auto bind_edge = [this, graph](GRAPH_EDGE* edge) {
        bind_alias(0, &edge->value, 3);
        bind_pair(1, edge->parallel_index * graph->node_count + edge->source->index, edge->target->index);
        return run_body();
    };
    if (count == 2) {
        const int n = graph->node_count;
        for (int k = 0; k < n; ++k) {
            const int i = backwards ? n - 1 - k : k;
            if (i >= graph->node_count) continue;
            bind_alias(0, &graph->nodes[static_cast<size_t>(i)]->value, 3);
            if (run_body()) return;
        }
        return;
    }
    if (count == 3) {
        const int n = graph->edge_count;
        GRAPH_EDGE* edge = backwards ? graph->last_edge : graph->first_edge;
        for (int k = 0; k < n && edge != nullptr; ++k) {
            GRAPH_EDGE* following = backwards ? edge->prev : edge->next;
            if (bind_edge(edge)) return;
            edge = following;
        }
        return;
    }
    const int index = frame->int_value(2);
    const char direction = count == 5 ? frame->value(3)->char_byte() : '*';
    const GRAPH_NODE* node = graph->nodes[static_cast<size_t>(index)];
    const int steps = graph->degree(index, '*');
    std::vector<INCIDENCE_ENTRY> entries;
    entries.reserve(static_cast<size_t>(steps));
    for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr && static_cast<int>(entries.size()) < steps;
         entry = next_entry(entry)) {
        entries.push_back(entry);
    }
    const size_t n = entries.size();
    for (size_t k = 0; k < n; ++k) {
        const INCIDENCE_ENTRY& entry = entries[backwards ? n - 1 - k : k];
        if (!direction_selects(direction, entry.is_out)) continue;
        if (bind_edge(entry.edge)) return;
    }
}

}  // namespace

bool is_iteration_member(const std::string& name, char code) {
    // Asked of every member call: the length and letters first.
    return name.size() == 3 && name[1] == 'o' && name[2] == 'r' && (name[0] == 'f' || name[0] == 'F') &&
           is_walkable_tag(code);
}

void run_iteration(const ITERATION_REQUEST& request, ITERATION_BODY body) { WALK(request, body).run(); }

}  // namespace morvu
