#include "types/scalar/str_building.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "types/scalar/str_methods.h"
#include "values/factories.h"

namespace morvu {

void append_plain_scalar(UNION_DATA* value, std::string& out, size_t limit) {
    if (!is_defined_value(value)) return;
    switch (lower_tag(value->tag)) {
    case tag_int: {
        const INT_DATA& number = *value->int_data();
        if (!number.is_empty()) number.append_text(out);
        return;
    }
    case tag_str: {
        const std::string& part = value->str_data()->text;
        const char* data = part.data();
        size_t length = std::min(part.size(), limit);
        // A short part is searched for its end without a library call.
        if (length <= 16) {
            for (size_t i = 0; i < length; ++i) {
                if (data[i] == '\0') {
                    length = i;
                    break;
                }
            }
        } else if (const void* end = std::memchr(data, '\0', length)) {
            length = static_cast<size_t>(static_cast<const char*>(end) - data);
        }
        out.append(data, length);  // the standard append copes with a part of out itself
        return;
    }
    default:
        if (value->char_byte() != 0) out += value->char_byte();
        return;
    }
}

bool plain_str_from_arguments(const DIRECT_CALL& call) {
    if (!plain_text_format()) return false;
    for (const RESULT_NODE* item = call.args.head; item != nullptr; item = item->next) {
        if (!is_plain_scalar(argument_value(item->item.cell))) return false;
    }
    // The text is written where the new str keeps it.
    call.results->append(make_str_value({}));
    std::string& text = call.results->tail->item.cell->str_data()->text;
    for (const RESULT_NODE* item = call.args.head; item != nullptr; item = item->next)
        append_plain_scalar(argument_value(item->item.cell), text);
    return true;
}

namespace {

// s.out(...) and s.outl(...) of plain values on a str variable: each value's
// text is written where the variable keeps its text, read as it is when its
// turn comes (the receiver as an argument gives what the earlier values
// left). False, with nothing written, for a receiver the handler refuses or
// checks further, a value of another kind, or a format in force.
bool plain_output(const DIRECT_CALL& call, bool newline) {
    if (!plain_text_format()) return false;
    // Receivers other than plain variables and handed-out places take the
    // handler, which knows their refusals.
    const uint32_t mode = call.receiver.mode;
    if (mode != access_variable && mode <= access_variable_input) return false;
    UNION_DATA* receiver = call.defined_receiver(tag_str);
    if (receiver == nullptr || iteration_mark(call.receiver.cell) != 0) return false;
    for (const RESULT_NODE* item = call.args.head; item != nullptr; item = item->next) {
        if (!is_plain_scalar(argument_value(item->item.cell))) return false;
    }
    STR_DATA& str = *receiver->str_data();
    make_room(str.text, 64);
    for (const RESULT_NODE* item = call.args.head; item != nullptr; item = item->next)
        append_plain_scalar(argument_value(item->item.cell), str.text);
    if (newline) str.text += '\n';
    // Every write ends the read under way; no value and no newline is no write.
    if (call.args.count > 0 || newline) str.reset_read();
    return true;
}

}  // namespace

bool plain_out_into_str(const DIRECT_CALL& call) { return plain_output(call, false); }
bool plain_outl_into_str(const DIRECT_CALL& call) { return plain_output(call, true); }

}  // namespace morvu
