#include "types/scalar/str_building.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "types/scalar/str_methods.h"
#include "values/factories.h"

namespace morvu {

bool plain_text_format() { return str_format.widths.empty() && !str_format.out_spc; }

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

}  // namespace morvu
