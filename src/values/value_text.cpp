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

// Writes the text of one value into `out`, recursively for its elements.
class TEXT_WRITER {
public:
    TEXT_WRITER(std::string& out, TEXT_FORM form) : out(out), form(form) {}

    // Null, or the message of a value without text form. Elements' messages
    // are dropped: only the outermost value's own result counts.
    const char* write(UNION_DATA* cell) {
        if (!is_defined_value(cell)) return nullptr;
        if (cell->being_written) {  // the value leads back into itself
            out += "..";
            return nullptr;
        }
        VALUE_DEPTH_GUARD guard;
        if (guard.exceeded()) return nullptr;
        cell->being_written = 1;
        const char* message = write_payload(cell);
        cell->being_written = 0;
        return message;
    }

private:
    std::string& out;
    TEXT_FORM form;

    bool key_form() const { return form == TEXT_FORM::key; }

    // The closing bracket replaces the separator after the last element;
    // without elements it follows the opening bracket.
    void close(char bracket, bool any_element) {
        if (any_element) out.back() = bracket;
        else out += bracket;
    }

    const char* write_payload(UNION_DATA* cell) {
        switch (lower_tag(cell->tag)) {
        case tag_any: break;
        case tag_reference:
        case tag_alias:
        case tag_call_alias: write(cell->target()); break;
        case tag_bool:
            if (cell->bool_word() == 1) out += "true";
            else if (cell->bool_word() == 0) out += "false";
            break;
        case tag_char:
            if (cell->char_byte() != 0) out += cell->char_byte();
            break;
        case tag_oper:
            for (int i = 0; i < 2; ++i)
                if (cell->oper_chars()[i] != 0) out += cell->oper_chars()[i];
            break;
        case tag_int: write_int(*cell->int_data()); break;
        case tag_real: write_real(*cell->real_data()); break;
        case tag_str:
            // Texts compare as zero-terminated strings, so keys stop there too.
            if (key_form()) out += cell->str_data()->text.c_str();
            else out += cell->str_data()->text;
            break;
        case tag_dir: out += cell->dir_data()->path_name; break;
        case tag_file: out += cell->file_data()->path_name; break;
        case tag_error: out += cell->error_data()->message; break;
        case tag_date:
        case tag_time:
        case tag_timezone:
        case tag_datetime: write_calendar(cell); break;
        case tag_list:
        case tag_args: write_list(*cell->list_data()); break;
        case tag_array: write_array(*cell->array_data()); break;
        case tag_array2: write_array2(*cell->array2_data()); break;
        case tag_hash: write_hash(*cell->hash_data(), true); break;
        case tag_set: write_hash(*cell->hash_data(), false); break;
        case tag_any2:
            write(&cell->any2_data()->first);
            out += "->";
            write(&cell->any2_data()->second);
            break;
        case tag_graph: write_graph(*cell->graph_data()); break;
        case tag_object: write_object(*cell->holder()->object); break;
        default:
            return keep_message(
                format_string(msg_text("ausdattypnicerl"), type_name_text(value_type_name(cell, true)).c_str()));
        }
        return nullptr;
    }

    void write_int(const INT_DATA& number) {
        if (!key_form()) {
            if (!number.is_empty()) out += number.to_text();
            return;
        }
        // A copy prints in plain digits ("007" read from text becomes 7), and
        // the empty number equals 0.
        if (number.is_zero()) out += '0';
        else out += INT_DATA(number).to_text();
    }

    void write_real(const REAL_DATA& number) {
        if (!key_form()) {
            if (!number.mantissa.is_empty()) out += number.to_text();
            return;
        }
        if (number.mantissa.is_zero()) out += '0';
        else out += REAL_DATA(number).to_text(-1);
    }

    // Calendar values show their padded text; empty ones show nothing.
    void write_calendar(UNION_DATA* cell) {
        char lowered = lower_tag(cell->tag);
        if (!key_form()) {
            switch (lowered) {
            case tag_date:
                if (!cell->date_data()->is_empty()) out += cell->date_data()->to_text(true);
                break;
            case tag_time:
                if (!cell->time_data()->is_empty()) out += cell->time_data()->to_text(true);
                break;
            case tag_timezone:
                if (!cell->timezone_data()->is_empty()) out += cell->timezone_data()->to_text(true);
                break;
            default:
                if (!cell->datetime_data()->is_empty()) out += cell->datetime_data()->to_text(true);
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
            out += DATE_DATA(*cell->date_data()).to_text(true);
            break;
        }
        case tag_time: {
            TIME_DATA copy(*cell->time_data());
            drop_zero_sign(copy.hours);
            out += copy.to_text(true);
            break;
        }
        case tag_timezone: {
            TIMEZONE_DATA copy(*cell->timezone_data());
            drop_zero_sign(copy.hours);
            out += copy.to_text(true);
            break;
        }
        default: out += cell->datetime_data()->total_seconds().to_text(); break;
        }
    }

    void write_list(LIST_DATA& list) {
        out += '(';
        for (LIST_NODE* node = list.head; node != nullptr; node = node->next) {
            write(&node->value);
            out += ',';
        }
        close(')', list.head != nullptr);
    }

    void write_array(ARRAY_DATA& array) {
        out += '[';
        bool any_element = false;
        for (size_t i = 0; i < array.slots.size(); ++i) {
            UNION_DATA* element = array.slots[i].get();
            if (element == nullptr) continue;
            out += std::to_string(i);
            out += "->";
            write(element);
            out += ',';
            any_element = true;
        }
        close(']', any_element);
    }

    void write_array2(ARRAY2_DATA& grid) {
        out += '[';
        bool any_element = false;
        for (size_t i = 0; i < grid.cells.size() && grid.cols > 0; ++i) {
            UNION_DATA* element = grid.cells[i].get();
            if (element == nullptr) continue;
            char position[48];
            int index = static_cast<int>(i);
            std::snprintf(position, sizeof position, "(%d,%d)->", index / grid.cols, index % grid.cols);
            out += position;
            write(element);
            out += ',';
            any_element = true;
        }
        close(']', any_element);
    }

    // One pair: the key's text, and for a hash "->" and the value's text.
    void write_pair(LIST_NODE* node, bool with_values) {
        write(&node->key());
        if (with_values) {
            out += "->";
            write(&node->value);
        }
    }

    void write_hash(HASH_DATA& hash, bool with_values) {
        char open = with_values ? '[' : '{';
        char closing = with_values ? ']' : '}';
        out += open;
        bool any_element = false;
        if (key_form()) {
            // Bucket order holds for equal hashes, insertion order within a
            // bucket does not: each bucket's pairs go in sorted order.
            for (auto& bucket : hash.buckets) {
                if (bucket == nullptr) continue;
                std::vector<std::string> texts;
                for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
                    std::string text;
                    TEXT_WRITER(text, form).write_pair(node, with_values);
                    texts.push_back(std::move(text));
                }
                std::sort(texts.begin(), texts.end());
                for (const std::string& text : texts) {
                    out += text;
                    out += ',';
                    any_element = true;
                }
            }
        } else if (hash.cached_array) {
            for (LIST_NODE* node : *hash.cached_array) {
                write_pair(node, with_values);
                out += ',';
                any_element = true;
            }
        } else {
            for (auto& bucket : hash.buckets) {
                if (bucket == nullptr) continue;
                for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
                    write_pair(node, with_values);
                    out += ',';
                    any_element = true;
                }
            }
        }
        close(closing, any_element);
    }

    void write_graph(GRAPH_DATA& graph) {
        out += "<(";
        for (int i = 0; i < graph.node_count; ++i) {
            write(&graph.nodes[static_cast<size_t>(i)]->value);
            out += ',';
        }
        close(')', graph.node_count > 0);
        out += ",{";
        // Equal graphs may list their edges in different orders.
        std::vector<std::string> sorted_edges;
        bool any_edge = false;
        for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next) {
            char address[48];
            std::snprintf(address, sizeof address, "<%d->%d,",
                          graph.node_count * edge->parallel_index + edge->source->index, edge->target->index);
            if (key_form()) {
                std::string text = address;
                TEXT_WRITER(text, form).write(&edge->value);
                text += ">,";
                sorted_edges.push_back(std::move(text));
            } else {
                out += address;
                write(&edge->value);
                out += ">,";
            }
            any_edge = true;
        }
        std::sort(sorted_edges.begin(), sorted_edges.end());
        for (const std::string& text : sorted_edges) out += text;
        close('}', any_edge);
        out += '>';
    }

    // Members separated by "," within a group and by ";" between groups; a
    // group without members still gets its ";".
    void write_object(OBJECT_RECORD& object) {
        out += '<';
        for (GROUP_ENTRY& group : object.groups) {
            bool any_member = false;
            if (group.slots != nullptr) {
                for (UNION_DATA* member : group.slots->cells) {
                    if (member != nullptr) write(member);
                    out += ',';
                    any_member = true;
                }
            }
            close(';', any_member);
        }
        close('>', !object.groups.empty());
    }
};

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
    std::unique_ptr<NUMBER> old(static_cast<NUMBER*>(target->payload));
    target->payload = fresh.release();
}

const char* conversion_failure(const std::string& text, const char* type_name) {
    return keep_message(format_string(msg_text("umwzeiketnicmoe"), text.c_str(), type_name));
}

}  // namespace

const std::string& value_to_text(UNION_DATA* cell, const char** error) {
    value_text_buffer.clear();
    if (error == nullptr) return value_text_buffer;
    if (value_walk_depth == 0) value_depth_overflow = false;
    const char* message = write_value_text(cell);
    if (value_walk_depth == 0 && value_depth_overflow) {
        const char* overflow = take_depth_overflow();
        if (message == nullptr) message = overflow;
    }
    *error = message;
    return value_text_buffer;
}

const char* write_value_text(UNION_DATA* cell) {
    return TEXT_WRITER(value_text_buffer, TEXT_FORM::display).write(cell);
}

std::string value_key_text(UNION_DATA* cell, const char** message) {
    std::string text;
    bool overflow_before = value_depth_overflow;
    const char* failure = TEXT_WRITER(text, TEXT_FORM::key).write(cell);
    if (!overflow_before && value_depth_overflow) {
        const char* overflow = take_depth_overflow();
        if (failure == nullptr) failure = overflow;
    }
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
        if (!cell->int_data()->to_int64(number)) return false;
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
