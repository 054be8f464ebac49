// str:(...) of plain values and s.out(...) of them, written straight into
// the text that receives them (eval/text_pieces.h writes each value).

#include "eval/text_pieces.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "types/scalar/str_methods.h"
#include "values/factories.h"

namespace morvu {

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
