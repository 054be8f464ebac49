#include "eval/text_pieces.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/operator_handlers.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/memory_pages.h"
#include "runtime/str_stream.h"
#include "values/payload_records.h"

namespace morvu {

namespace {

// The text of a defined int, held in its payload word or in a record; none
// for the empty number.
void append_int_text(const UNION_DATA* value, std::string& out) {
    if (is_inline_int(value->payload)) {
        append_inline_int(value->payload, out);
        return;
    }
    const INT_DATA& number = *value->int_data();
    if (!number.is_empty()) number.append_text(out);
}

}  // namespace

// A text that outgrows its room moves to a larger block whose pages for
// what it holds and the step after are committed before the copy; one
// that reaches the next step of its room has that step committed.
void grow_text(std::string& text, size_t needed) {
    if (needed > text.capacity()) {
        std::string grown;
        grown.reserve(needed < (size_t{1} << 26) ? 4 * needed : 2 * needed);
        commit_pages(grown.data(), std::min(grown.capacity(), needed + text_commit_step));
        grown.append(text);
        text.swap(grown);
        return;
    }
    const size_t start = needed & ~(text_commit_step - 1);
    commit_pages(text.data() + start, std::min(text.capacity() - start, 2 * text_commit_step));
}

namespace {

// Appends a text up to its first NUL, at most `limit` bytes of it.
void append_up_to_nul(const std::string& part, std::string& out, size_t limit) {
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
}

}  // namespace

void append_plain_scalar(UNION_DATA* value, std::string& out, size_t limit) {
    if (!is_defined_value(value)) return;
    switch (lower_tag(value->tag)) {
    case tag_int: append_int_text(value, out); return;
    case tag_str: append_up_to_nul(value->str_data()->text, out, limit); return;
    case tag_error: append_up_to_nul(value->error_data()->message, out, std::string::npos); return;
    case tag_bool:
        if (value->bool_word() == 1) out += "true";
        else if (value->bool_word() == 0) out += "false";
        return;
    default:
        if (value->char_byte() != 0) out += value->char_byte();
        return;
    }
}

namespace {

// The cell of a variable name whose value a conversion reads: a declared
// variable or an input parameter (whose role sets only the mode of its
// item, which no conversion reads), or a member of the current object
// while FAST_MEMBERS holds it; null for other names.
UNION_DATA* readable_cell(const TOKEN* name) {
    const TOKEN* declaration = name->declaration;
    if (declaration == nullptr) return nullptr;
    if (declaration->member_slot >= 0) return fast_member_cell(name);
    return declaration->arg_role == arg_role_output_object ? nullptr : top_cell(declaration);
}

}  // namespace

bool TEXT_PIECES::read(TOKEN* subtree) {
    count = 0;
    if (subtree == nullptr) return true;
    const TOKEN_LIST& arguments = argument_list_of(subtree);
    if (arguments.count() > capacity) return false;
    for (TOKEN* argument : arguments) {
        const EVAL_HANDLER handler = argument->evaluator;
        if (handler == eval_char_literal) {
            pieces[count++] = PIECE{nullptr, argument->text && !argument->text->empty() ? (*argument->text)[0] : '\0'};
            continue;
        }
        UNION_DATA* cell = nullptr;
        if (handler == eval_variable) {
            cell = readable_cell(argument);
        } else if (handler == eval_str_literal || handler == eval_int_literal) {
            cell = argument->constant.get();  // made by the call's first run
        }
        if (cell == nullptr) return false;
        UNION_DATA* value = argument_value(cell);
        if (!is_plain_scalar(value)) return false;
        pieces[count++] = PIECE{value, '\0'};
    }
    return true;
}

void TEXT_PIECES::write(std::string& out, size_t limit) const {
    for (uint32_t i = 0; i < count; ++i) {
        UNION_DATA* value = pieces[i].value;
        if (value == nullptr) {
            if (pieces[i].byte != '\0') out.push_back(pieces[i].byte);
            continue;
        }
        const char tag = lower_tag(value->tag);
        if (tag == tag_int && value->payload != nullptr) {
            append_int_text(value, out);
            continue;
        }
        // A defined one-byte text other than out itself, such as a
        // separator, is its byte.
        if (tag == tag_str && value->payload != nullptr) {
            const std::string& part = value->str_data()->text;
            if (part.size() == 1 && &part != &out) {
                if (part[0] != '\0') out.push_back(part[0]);
                continue;
            }
        }
        // Only out itself is cut to what it held before: every other text
        // goes in whole.
        const bool is_out = tag == tag_str && value->payload != nullptr && &value->str_data()->text == &out;
        append_plain_scalar(value, out, is_out ? limit : std::string::npos);
    }
}

}  // namespace morvu
