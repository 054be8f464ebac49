#include "values/value_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/message_scratch.h"
#include "runtime/settings.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/text_utils.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/calendar_text.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

enum class TEXT_FORM { display, key };

// Puts the default date format in force for as long as it lives, so that a
// key text does not move with the program's date format.
class DEFAULT_DATE_FORMAT {
public:
    DEFAULT_DATE_FORMAT() : saved(std::move(date_format)) { date_format.clear(); }
    ~DEFAULT_DATE_FORMAT() { date_format = std::move(saved); }
    DEFAULT_DATE_FORMAT(const DEFAULT_DATE_FORMAT&) = delete;
    DEFAULT_DATE_FORMAT& operator=(const DEFAULT_DATE_FORMAT&) = delete;

private:
    std::string saved;
};

// A zero that carries a minus sign, as the hours of a time or zone may, is
// equal to every other zero; the key text writes it without the sign.
void drop_zero_sign(INT_DATA& number) {
    if (number.is_zero() && number.sign() < 0) number.set_sign(1);
}

// Writes the text of one value into `out`. Containers are written from an
// explicit stack of frames, one per container being written, each knowing
// how far it has come: the texts come out in the same order as a recursive
// writer would give them, and the machine stack stays flat whatever the
// depth. A frame's cell stays marked being_written until the frame ends. A
// container of plain values only is written at once, without a frame.
class TEXT_WRITER {
public:
    TEXT_WRITER(std::string& out, TEXT_FORM form) : root_out(out), form(form) {}

    // Null, or the message of a value without text form. Elements' messages
    // are dropped: only the outermost value's own result counts.
    const char* write(UNION_DATA* cell) {
        const FRAMES_IN_USE in_use;
        out = &root_out;
        const char* message = nullptr;
        if (!visit(cell, &message)) return message;
        while (frames.size() > in_use.base) {
            if (advance(frames.size() - 1)) continue;  // an element opened a frame of its own
            frames.back().cell->being_written = 0;
            drop_frame();
        }
        return message;
    }

private:
    enum class KIND : uint8_t { link, list, array, array2, hash, set, key_hash, key_set, graph, object, any2 };

    // A container being written (or a link whose target is), its phase
    // within the current element and its place among the elements.
    struct FRAME {
        KIND kind = KIND::link;
        UNION_DATA* cell = nullptr;  // marked while the frame lives
        std::string* out = nullptr;  // where the container's own text goes
        uint8_t phase = 0;
        bool any_element = false;
        size_t index = 0;
        size_t member = 0;
        LIST_NODE* node = nullptr;
        GRAPH_EDGE* edge = nullptr;
        bool sorts = false;  // key form: the frame's parts are sorted, in text_lists[texts]
        uint32_t texts = 0;
    };

    // The frames of every writer in use; a writer's own lie above base. The
    // frames that sort their parts keep them in text_lists, one list each,
    // in the order of the frames.
    static std::vector<FRAME> frames;
    static std::vector<std::vector<std::string>> text_lists;
    struct FRAMES_IN_USE {
        FRAMES_IN_USE() : base(frames.size()) {}
        ~FRAMES_IN_USE() {
            // An error on the way leaves marks to take off.
            while (frames.size() > base) {
                frames.back().cell->being_written = 0;
                drop_frame();
            }
            // What a very deep value needed is not kept.
            if (base == 0 && frames.capacity() > 4096) frames = {};
        }
        FRAMES_IN_USE(const FRAMES_IN_USE&) = delete;
        FRAMES_IN_USE& operator=(const FRAMES_IN_USE&) = delete;
        const size_t base;
    };

    std::string& root_out;
    TEXT_FORM form;
    std::string* out = nullptr;

    bool key_form() const { return form == TEXT_FORM::key; }

    // The closing bracket replaces the separator after the last element;
    // without elements it follows the opening bracket.
    void close(char bracket, bool any_element) {
        if (any_element) out->back() = bracket;
        else *out += bracket;
    }

    FRAME new_frame(KIND kind, UNION_DATA* cell) const {
        FRAME frame;
        frame.kind = kind;
        frame.cell = cell;
        frame.out = out;
        return frame;
    }

    void open(KIND kind, UNION_DATA* cell) {
        frames.push_back(new_frame(kind, cell));
        if (kind == KIND::key_hash || kind == KIND::key_set || (kind == KIND::graph && key_form())) {
            frames.back().sorts = true;
            frames.back().texts = static_cast<uint32_t>(text_lists.size());
            text_lists.emplace_back();
        }
    }

    static void drop_frame() {
        if (frames.back().sorts) text_lists.pop_back();
        frames.pop_back();
    }

    // A cell whose text is written without a frame of its own.
    static bool is_plain(const UNION_DATA* cell) {
        const char lowered = lower_tag(cell->tag);
        return !is_nesting_tag(lowered) && !is_link_tag(lowered);
    }

    // A container: written at once as long as its elements are plain, then
    // from a frame, which is opened at the first element that is not (true).
    bool open_container(KIND kind, UNION_DATA* cell) {
        FRAME frame = new_frame(kind, cell);
        if (kind == KIND::list) frame.node = cell->list_data()->head;
        return advance(0, &frame);
    }

    // In advance over a frame given apart from the stack: the frame goes on
    // the stack, as it is, before an element that is not plain is visited.
    static bool promote(const FRAME* given) {
        frames.push_back(*given);
        return true;
    }

    // Writes one value, or opens a frame for its elements (true; the cell
    // stays marked until the frame ends). A value met again while its own
    // text is being written writes "..". Only the outermost value's message
    // counts.
    bool visit(UNION_DATA* cell, const char** message = nullptr) {
        if (is_plain(cell)) {
            write_plain(cell, message);
            return false;
        }
        if (!is_defined_value(cell)) return false;
        if (cell->being_written) {  // the value leads back into itself
            *out += "..";
            return false;
        }
        cell->being_written = 1;
        const bool opened = open_payload(cell);
        if (!opened) cell->being_written = 0;
        return opened;
    }

    // The text of a plain value: nothing for one without value.
    void write_plain(UNION_DATA* cell, const char** message) {
        if (cell->payload == nullptr) return;
        switch (lower_tag(cell->tag)) {
        case tag_any: break;
        case tag_bool:
            if (cell->bool_word() == 1) *out += "true";
            else if (cell->bool_word() == 0) *out += "false";
            break;
        case tag_char:
            if (cell->char_byte() != 0) *out += cell->char_byte();
            break;
        case tag_oper:
            for (int i = 0; i < 2; ++i)
                if (cell->oper_chars()[i] != 0) *out += cell->oper_chars()[i];
            break;
        case tag_int:
            // The plain form prints alike in every form of text.
            if (is_inline_int(cell->payload)) append_inline_int(cell->payload, *out);
            else write_int(*cell->int_data());
            break;
        case tag_real: write_real(*cell->real_data()); break;
        case tag_str:
            // Texts compare as zero-terminated strings, so keys stop there too.
            if (key_form()) *out += cell->str_data()->text.c_str();
            else *out += cell->str_data()->text;
            break;
        case tag_dir: *out += cell->dir_data()->path_name; break;
        case tag_file: *out += cell->file_data()->path_name; break;
        case tag_error: *out += cell->error_data()->message; break;
        case tag_date:
        case tag_time:
        case tag_timezone:
        case tag_datetime: write_calendar(cell); break;
        default:
            if (message != nullptr) {
                *message = keep_message(
                    format_string(msg_text("ausdattypnicerl"), type_name_text(value_type_name(cell, true)).c_str()));
            }
            break;
        }
    }

    // A link or a container: its text, or a frame opened for it (true).
    bool open_payload(UNION_DATA* cell) {
        switch (lower_tag(cell->tag)) {
        case tag_list:
        case tag_args: *out += '('; return open_container(KIND::list, cell);
        case tag_array: *out += '['; return open_container(KIND::array, cell);
        case tag_array2: *out += '['; return open_container(KIND::array2, cell);
        case tag_hash:
            *out += '[';
            if (!key_form()) return open_container(KIND::hash, cell);
            open(KIND::key_hash, cell);
            return true;
        case tag_set:
            *out += '{';
            if (!key_form()) return open_container(KIND::set, cell);
            open(KIND::key_set, cell);
            return true;
        case tag_object: *out += '<'; return open_container(KIND::object, cell);
        case tag_any2: open(KIND::any2, cell); return true;
        case tag_graph:
            *out += "<(";
            open(KIND::graph, cell);
            return true;
        default: {  // a link: its target is written while it stays marked
            const size_t mark = frames.size();
            open(KIND::link, cell);
            if (visit(cell->target())) return true;
            frames.resize(mark);
            return false;
        }
        }
    }

    // Writes the next parts of the frame at index i (or of the frame given)
    // until an element opens a frame of its own (true) or the frame's text
    // is complete (false).
    bool advance(size_t i, FRAME* given = nullptr) {
        // A visit that opens a frame may move the frames: f is looked up again
        // after each.
        FRAME* f = given != nullptr ? given : &frames[i];
        auto again = [&] { f = given != nullptr ? given : &frames[i]; };
        out = f->out;
        UNION_DATA* cell = f->cell;
        switch (f->kind) {
        case KIND::link: return false;  // its target is written
        case KIND::list:
            for (;;) {
                if (f->phase == 1) {
                    *out += ',';
                    f->phase = 0;
                }
                LIST_NODE* node = f->node;
                if (node == nullptr) break;
                if (given != nullptr && !is_plain(&node->value)) return promote(given);
                f->node = node->next;
                f->phase = 1;
                if (visit(&node->value)) return true;
                again();
            }
            close(')', cell->list_data()->head != nullptr);
            return false;
        case KIND::array: {
            const ARRAY_DATA& array = *cell->array_data();
            for (;;) {
                if (f->phase == 1) {
                    *out += ',';
                    f->phase = 0;
                    f->any_element = true;
                }
                size_t at = f->index;
                while (at < array.slots.size() && !array.slots.is_defined(at)) ++at;
                if (at >= array.slots.size()) break;
                SLOT_VIEW view;  // a compact slot is written from its word
                UNION_DATA* element = array.slots.view(at, view);
                if (given != nullptr && !is_plain(element)) return promote(given);
                f->index = at + 1;
                *out += std::to_string(at);
                *out += "->";
                f->phase = 1;
                if (visit(element)) return true;
                again();
            }
            close(']', f->any_element);
            return false;
        }
        case KIND::array2: {
            const ARRAY2_DATA& grid = *cell->array2_data();
            for (;;) {
                if (f->phase == 1) {
                    *out += ',';
                    f->phase = 0;
                    f->any_element = true;
                }
                size_t at = f->index;
                while (grid.cols > 0 && at < grid.cells.size() && !grid.cells.is_defined(at)) ++at;
                if (grid.cols <= 0 || at >= grid.cells.size()) break;
                SLOT_VIEW view;
                UNION_DATA* element = grid.cells.view(at, view);
                if (given != nullptr && !is_plain(element)) return promote(given);
                f->index = at + 1;
                char position[48];
                const int index = static_cast<int>(at);
                std::snprintf(position, sizeof position, "(%d,%d)->", index / grid.cols, index % grid.cols);
                *out += position;
                f->phase = 1;
                if (visit(element)) return true;
                again();
            }
            close(']', f->any_element);
            return false;
        }
        case KIND::hash:
        case KIND::set: {
            const bool with_values = f->kind == KIND::hash;
            for (;;) {
                switch (f->phase) {
                case 0: {
                    LIST_NODE* node = next_pair(*f);
                    if (node == nullptr) {
                        close(with_values ? ']' : '}', f->any_element);
                        return false;
                    }
                    f->node = node;
                    f->phase = 3;
                    break;
                }
                case 3:  // the pair's key
                    if (given != nullptr && !is_plain(&f->node->key())) return promote(given);
                    f->phase = 1;
                    if (visit(&f->node->key())) return true;
                    again();
                    break;
                case 1:
                    if (with_values) {
                        if (given != nullptr && !is_plain(&f->node->value)) return promote(given);
                        *out += "->";
                        f->phase = 2;
                        if (visit(&f->node->value)) return true;
                        again();
                        break;
                    }
                    [[fallthrough]];
                default:
                    *out += ',';
                    f->any_element = true;
                    f->phase = 0;
                    break;
                }
            }
        }
        case KIND::key_hash:
        case KIND::key_set: {
            // Bucket order holds for equal hashes, insertion order within a
            // bucket does not: each bucket's pairs go in sorted order.
            const bool with_values = f->kind == KIND::key_hash;
            const auto& buckets = cell->hash_data()->buckets;
            for (;;) {
                switch (f->phase) {
                case 0: {
                    LIST_NODE* node = f->node != nullptr ? f->node->next : nullptr;
                    if (node == nullptr) {
                        out = f->out;
                        append_sorted(text_lists[f->texts], true, f->any_element);
                        size_t at = f->index;
                        while (at < buckets.size() && buckets[at] == nullptr) ++at;
                        if (at >= buckets.size()) {
                            close(with_values ? ']' : '}', f->any_element);
                            return false;
                        }
                        f->index = at + 1;
                        f->node = nullptr;
                        node = buckets[at]->head;
                        if (node == nullptr) continue;
                    }
                    f->node = node;
                    text_lists[f->texts].emplace_back();
                    out = &text_lists[f->texts].back();
                    f->phase = 1;
                    if (visit(&node->key())) return true;
                    again();
                    break;
                }
                case 1:
                    out = &text_lists[f->texts].back();
                    if (with_values) {
                        *out += "->";
                        f->phase = 2;
                        if (visit(&f->node->value)) return true;
                        again();
                        break;
                    }
                    [[fallthrough]];
                default: f->phase = 0; break;
                }
            }
        }
        case KIND::graph: {
            const GRAPH_DATA& graph = *cell->graph_data();
            for (;;) {
                switch (f->phase) {
                case 0: {  // the node values
                    const size_t at = f->index;
                    if (at < static_cast<size_t>(graph.node_count)) {
                        f->index = at + 1;
                        f->phase = 1;
                        if (visit(&graph.nodes[at]->value)) return true;
                        again();
                        break;
                    }
                    close(')', graph.node_count > 0);
                    *out += ",{";
                    f->edge = graph.first_edge;
                    f->phase = 2;
                    break;
                }
                case 1:
                    *out += ',';
                    f->phase = 0;
                    break;
                case 2: {  // the edges
                    GRAPH_EDGE* edge = f->edge;
                    if (edge == nullptr) {
                        // Equal graphs may list their edges in different orders.
                        bool unused = false;
                        if (f->sorts) append_sorted(text_lists[f->texts], false, unused);
                        close('}', f->any_element);
                        *out += '>';
                        return false;
                    }
                    char address[48];
                    std::snprintf(address, sizeof address, "<%d->%d,",
                                  graph.node_count * edge->parallel_index + edge->source->index, edge->target->index);
                    if (f->sorts) {
                        text_lists[f->texts].emplace_back(address);
                        out = &text_lists[f->texts].back();
                    } else {
                        *out += address;
                    }
                    f->phase = 3;
                    if (visit(&edge->value)) return true;
                    again();
                    break;
                }
                default:
                    if (f->sorts) out = &text_lists[f->texts].back();
                    *out += ">,";
                    out = f->out;
                    f->any_element = true;
                    f->edge = f->edge->next;
                    f->phase = 2;
                    break;
                }
            }
        }
        case KIND::object: {
            // Members separated by "," within a group and by ";" between
            // groups; a group without members still gets its ";".
            const OBJECT_RECORD& object = *cell->holder()->object;
            for (;;) {
                if (f->phase == 1) {
                    *out += ',';
                    f->any_element = true;
                    f->phase = 0;
                }
                const size_t g = f->index;
                if (g >= object.groups.size()) {
                    close('>', !object.groups.empty());
                    return false;
                }
                const SLOT_ARRAY* slots = object.groups[g].slots.get();
                if (slots != nullptr && f->member < slots->cells.size()) {
                    UNION_DATA* member = slots->cells[f->member];
                    if (given != nullptr && member != nullptr && !is_plain(member)) return promote(given);
                    ++f->member;
                    f->phase = 1;
                    if (member != nullptr && visit(member)) return true;
                    again();
                    continue;
                }
                close(';', f->any_element);
                f->any_element = false;
                f->index = g + 1;
                f->member = 0;
            }
        }
        case KIND::any2:
            switch (f->phase) {
            case 0:
                f->phase = 1;
                if (visit(&cell->any2_data()->first)) return true;
                again();
                [[fallthrough]];
            case 1:
                f->phase = 2;
                *out += "->";
                if (visit(&cell->any2_data()->second)) return true;
                again();
                [[fallthrough]];
            default: return false;
            }
        }
        return false;
    }

    // The next pair of a hash or set in display order: the cached array's
    // when there is one, else bucket by bucket.
    static LIST_NODE* next_pair(FRAME& frame) {
        HASH_DATA& hash = *frame.cell->hash_data();
        if (hash.cached_array) {
            if (frame.index >= hash.cached_array->size()) return nullptr;
            return (*hash.cached_array)[frame.index++];
        }
        LIST_NODE* next = frame.node != nullptr ? frame.node->next : nullptr;
        while (next == nullptr) {
            if (frame.index >= hash.buckets.size()) return nullptr;
            const auto& bucket = hash.buckets[frame.index++];
            if (bucket != nullptr) next = bucket->head;
        }
        return next;
    }

    // Appends the texts in sorted order (each followed by "," when asked)
    // and empties them.
    void append_sorted(std::vector<std::string>& texts, bool separated, bool& any_element) {
        std::sort(texts.begin(), texts.end());
        for (const std::string& text : texts) {
            *out += text;
            if (separated) *out += ',';
            any_element = true;
        }
        texts.clear();
    }

    void write_int(const INT_DATA& number) {
        if (!key_form()) {
            if (!number.is_empty()) *out += number.to_text();
            return;
        }
        // A copy prints in plain digits ("007" read from text becomes 7), and
        // the empty number equals 0.
        if (number.is_zero()) *out += '0';
        else *out += INT_DATA(number).to_text();
    }

    void write_real(const REAL_DATA& number) {
        if (!key_form()) {
            if (!number.mantissa.is_empty()) number.append_text(*out, output_precision());
            return;
        }
        if (number.mantissa.is_zero()) *out += '0';
        else *out += REAL_DATA(number).to_text(-1);
    }

    // Calendar values show their padded text; empty ones show nothing.
    void write_calendar(UNION_DATA* cell) {
        char lowered = lower_tag(cell->tag);
        if (!key_form()) {
            switch (lowered) {
            case tag_date:
                if (!cell->date_data()->is_empty()) *out += cell->date_data()->to_text(true);
                break;
            case tag_time:
                if (!cell->time_data()->is_empty()) *out += cell->time_data()->to_text(true);
                break;
            case tag_timezone:
                if (!cell->timezone_data()->is_empty()) *out += cell->timezone_data()->to_text(true);
                break;
            default:
                if (!cell->datetime_data()->is_empty()) *out += cell->datetime_data()->to_text(true);
                break;
            }
            return;
        }
        // The store compares calendar values number by number, and every
        // zero equals every other: so copies (plain digits) are written even
        // when empty, which then reads as all zeros, and zero hours lose a
        // minus sign. One instant is one key in every zone, so a datetime is
        // placed by its absolute seconds.
        switch (lowered) {
        case tag_date: {
            DEFAULT_DATE_FORMAT default_format;
            *out += DATE_DATA(*cell->date_data()).to_text(true);
            break;
        }
        case tag_time: {
            TIME_DATA copy(*cell->time_data());
            drop_zero_sign(copy.hours);
            *out += copy.to_text(true);
            break;
        }
        case tag_timezone: {
            TIMEZONE_DATA copy(*cell->timezone_data());
            drop_zero_sign(copy.hours);
            *out += copy.to_text(true);
            break;
        }
        default: *out += cell->datetime_data()->total_seconds().to_text(); break;
        }
    }
};

std::vector<TEXT_WRITER::FRAME> TEXT_WRITER::frames;
std::vector<std::vector<std::string>> TEXT_WRITER::text_lists;

// A fresh payload for a variable that holds none, so that a conversion can
// store into it.
void make_payload(UNION_DATA* target) {
    if (!is_defined_value(target)) init_payload(target);
}

// Puts a new number in the place of a variable's int or real payload.
template <typename NUMBER>
void replace_payload(UNION_DATA* target, NUMBER* number) {
    std::unique_ptr<NUMBER> fresh(number);
    make_payload(target);
    // An int held in the payload word has no record to free.
    std::unique_ptr<NUMBER> old(is_inline_int(target->payload) ? nullptr : static_cast<NUMBER*>(target->payload));
    target->payload = fresh.release();
}

const char* conversion_failure(const std::string& text, const char* type_name) {
    return keep_message(format_string(msg_text("umwzeiketnicmoe"), text.c_str(), type_name));
}

}  // namespace

const std::string& value_to_text(UNION_DATA* cell, const char** error) {
    value_text_buffer.clear();
    if (error == nullptr) return value_text_buffer;
    *error = write_value_text(cell);
    return value_text_buffer;
}

const char* write_value_text(UNION_DATA* cell) {
    return TEXT_WRITER(value_text_buffer, TEXT_FORM::display).write(cell);
}

std::string value_key_text(UNION_DATA* cell, const char** message) {
    std::string text;
    const char* failure = TEXT_WRITER(text, TEXT_FORM::key).write(cell);
    if (message != nullptr) *message = failure;
    return text;
}

bool scalar_key_view(const UNION_DATA* cell, KEY_DIGITS& digits, std::string_view* view) {
    if (cell->payload == nullptr) return false;
    switch (cell->tag) {
    case tag_str:
    case raise_tag(tag_str): {
        const std::string& text = cell->str_data()->text;
        *view = std::string_view(text.c_str());
        return true;
    }
    case tag_int:
    case raise_tag(tag_int): {
        int64_t number = 0;
        if (!cell_int64(cell, number)) return false;
        auto [end, failure] = std::to_chars(digits.text, digits.text + sizeof digits.text, number);
        if (failure != std::errc()) return false;
        *view = std::string_view(digits.text, static_cast<size_t>(end - digits.text));
        return true;
    }
    default: return false;
    }
}

const char* read_value_text(UNION_DATA* cell, const std::string& text) {
    UNION_DATA* target = follow_link(cell);
    char type = is_any_cell(target) ? 'v' : lower_tag(target->tag);
    if (type == tag_any && target->tag == raise_tag(tag_str)) type = 's';  // an any variable holding a str
    switch (type) {
    case tag_bool:
        if (text != "true" && text != "false") return conversion_failure(text, "bool");
        make_payload(target);
        target->bool_word() = text == "true" ? 1 : 0;
        return nullptr;
    case tag_char:
        if (text.size() != 1) return conversion_failure(text, "char");
        make_payload(target);
        target->char_byte() = text[0];
        return nullptr;
    case tag_int: {
        if (!str_is_integer(text)) return conversion_failure(text, "int");
        // A new number from the text keeps the digits as typed ("007"); a
        // '+' is no part of them.
        replace_payload(target, new INT_DATA(text[0] == '+' ? text.c_str() + 1 : text.c_str()));
        return nullptr;
    }
    case tag_real:
        // A number whose exponent the decimal cannot hold is no number here.
        if (!str_is_number(text) || !REAL_DATA::text_in_range(text.c_str())) return conversion_failure(text, "real");
        replace_payload(target, new REAL_DATA(text.c_str()));
        return nullptr;
    case tag_date: {
        std::string day, month, year;
        if (!date_text_parse(text, day, month, year)) return conversion_failure(text, "date");
        make_payload(target);
        *target->date_data() = DATE_DATA(calendar_number(day), calendar_number(month), calendar_number(year));
        return nullptr;
    }
    case tag_time: {
        std::string hours, minutes, seconds;
        if (!time_text_parse(text, hours, minutes, seconds)) return conversion_failure(text, "time");
        make_payload(target);
        *target->time_data() = TIME_DATA(calendar_number(hours), calendar_number(minutes), calendar_number(seconds));
        return nullptr;
    }
    case tag_timezone: {
        std::string hours, minutes;
        if (!timezone_text_parse(text, hours, minutes)) return conversion_failure(text, "timezone");
        make_payload(target);
        *target->timezone_data() = TIMEZONE_DATA(calendar_number(hours), calendar_number(minutes));
        return nullptr;
    }
    case tag_datetime: {
        std::string date_text, time_text, zone_text;
        if (!datetime_text_parse(text, date_text, time_text, zone_text)) return conversion_failure(text, "datetime");
        make_payload(target);
        *target->datetime_data() = DATETIME_DATA(date_text, time_text, zone_text);
        return nullptr;
    }
    case tag_str:
        make_payload(target);
        target->str_data()->text = text;
        target->str_data()->reset_read();
        return nullptr;
    case tag_any: {
        UNION_DATA temporary('s');
        temporary.str_data()->text = text;
        return assign_value(target, &temporary);
    }
    default:
        return keep_message(
            format_string(msg_text("eindattypnicerl"), type_name_text(value_type_name(cell, false)).c_str()));
    }
}

char type_code_of_name(std::string_view name) {
    // Names are compared only with the names of their own length and first
    // letter.
    auto is = [name](std::string_view type_name) { return name == type_name; };
    if (name.empty()) return tag_object;
    switch (name.size()) {
    case 3:
        switch (name[0]) {
        case 'i': return is("int") ? tag_int : tag_object;
        case 's': return is("str") ? tag_str : is("set") ? tag_set : is("sys") ? tag_sys : tag_object;
        case 'd': return is("dir") ? tag_dir : tag_object;
        case 'a': return is("any") ? tag_any : tag_object;
        default: return tag_object;
        }
    case 4:
        switch (name[0]) {
        case 'b': return is("bool") ? tag_bool : tag_object;
        case 'r': return is("real") ? tag_real : tag_object;
        case 'c': return is("char") ? tag_char : is("code") ? tag_code : tag_object;
        case 'f': return is("file") ? tag_file : tag_object;
        case 'l': return is("list") ? tag_list : tag_object;
        case 'a': return is("args") ? tag_args : is("any2") ? tag_any2 : tag_object;
        case 'h': return is("hash") ? tag_hash : tag_object;
        case 'o': return is("oper") ? tag_oper : tag_object;
        case 't': return is("time") ? tag_time : tag_object;
        case 'd': return is("date") ? tag_date : tag_object;
        default: return tag_object;
        }
    case 5: return is("array") ? tag_array : is("error") ? tag_error : is("graph") ? tag_graph : tag_object;
    case 6: return is("array2") ? tag_array2 : tag_object;
    case 8: return is("timezone") ? tag_timezone : is("datetime") ? tag_datetime : tag_object;
    default: return tag_object;
    }
}

}  // namespace morvu
