#include "values/factories.h"

#include <memory>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"
#include "values/front_end_services.h"

namespace morvu {

namespace {

RESULT_ITEM owned_item(UNION_DATA* cell, uint32_t mode = access_literal) { return RESULT_ITEM{cell, mode, 1}; }

// A defined int or text held by a cell of its own (no link) into a new any
// cell: the payload the plain assignment gives it, without the checks that
// such a pair always passes. A cell that links point to, while a copy of an
// enclosing value runs, must be paired by the general copy. False, with
// nothing done, for any other source.
bool give_plain_copy(UNION_DATA* cell, const UNION_DATA* source) {
    const char lowered = lower_tag(source->tag);
    if ((lowered != tag_int && lowered != tag_str) || is_link_cell(source) || source->payload == nullptr ||
        (copy_depth != 0 && source->referrers != nullptr))
        return false;
    if (lowered == tag_str) {
        cell->payload = new STR_DATA(source->str_data()->text);
    } else if (is_inline_int(source->payload)) {
        cell->payload = source->payload;
    } else if (!inline_copy_of(*source->int_data(), cell->payload)) {
        auto number = std::make_unique<INT_DATA>();
        *number = *source->int_data();  // the assignment the general copy makes
        cell->payload = number.release();
    }
    cell->tag = raise_tag(lowered);
    return true;
}

}  // namespace

RESULT_ITEM make_bool_value(bool value, uint32_t mode) {
    auto* cell = new UNION_DATA(tag_bool);
    cell->bool_word() = value ? 1 : 0;
    return owned_item(cell, mode);
}

RESULT_ITEM make_char_value(char value) {
    auto* cell = new UNION_DATA(tag_char);
    cell->char_byte() = value;
    return owned_item(cell);
}

RESULT_ITEM make_int_value_from_number(int64_t value) {
    // A machine int needs no record: the number lies in the payload word,
    // unless it is one of the few beyond what the word holds.
    void* word = nullptr;
    if (!make_inline_int(value, word)) {
        auto* cell = new UNION_DATA(tag_int);
        cell->int_data()->assign_int64(value);
        return owned_item(cell);
    }
    auto* cell = new UNION_DATA(tag_nothing);
    cell->tag = tag_int;
    cell->payload = word;
    return owned_item(cell);
}

RESULT_ITEM make_int_value(const INT_DATA& value, uint32_t mode) {
    auto* cell = new UNION_DATA(tag_int);
    *cell->int_data() = value;
    return owned_item(cell, mode);
}

RESULT_ITEM make_real_value(const REAL_DATA& value) {
    auto* cell = new UNION_DATA(tag_real);
    *cell->real_data() = value;
    return owned_item(cell);
}

RESULT_ITEM make_time_value(const TIME_DATA& value) {
    auto* cell = new UNION_DATA(tag_time);
    cell->time_data()->assign(value);
    return owned_item(cell);
}

RESULT_ITEM make_date_value(const DATE_DATA& value) {
    auto* cell = new UNION_DATA(tag_date);
    cell->date_data()->assign(value);
    return owned_item(cell);
}

RESULT_ITEM make_timezone_value(const TIMEZONE_DATA& value) {
    auto* cell = new UNION_DATA(tag_timezone);
    cell->timezone_data()->assign(value);
    return owned_item(cell);
}

RESULT_ITEM make_datetime_value(const DATETIME_DATA& value) {
    auto* cell = new UNION_DATA(tag_datetime);
    cell->datetime_data()->assign(value);
    return owned_item(cell);
}

RESULT_ITEM make_str_value(std::string text) {
    auto* cell = new UNION_DATA(tag_str);
    cell->str_data()->text = std::move(text);
    cell->str_data()->reset_read();
    return owned_item(cell);
}

RESULT_ITEM make_oper_value(char first, char second) {
    auto* cell = new UNION_DATA(tag_oper);
    cell->oper_chars()[0] = first;
    cell->oper_chars()[1] = second;
    return owned_item(cell);
}

RESULT_ITEM make_any2_value(UNION_DATA* first, uint32_t first_mode, UNION_DATA* second, uint32_t second_mode,
                            const char** message) {
    // The halves are made as container elements first and then assigned into
    // the pair, so that only copies and references reach it: a half made as
    // an alias is replaced by a copy of what it stands for.
    const char* refusal = nullptr;
    ANY2_DATA made(first, static_cast<int>(first_mode), second, static_cast<int>(second_mode), &refusal);
    auto cell = std::make_unique<UNION_DATA>(tag_any2);
    if (refusal == nullptr) refusal = copy_any2_payload(cell->any2_data(), &made);
    if (message != nullptr) {
        *message = refusal;
        if (refusal != nullptr) return RESULT_ITEM{};
    }
    return owned_item(cell.release());
}

const char* make_copy_value(RESULT_LIST& list, UNION_DATA* source, int mode, bool first_flag, bool second_flag) {
    char tag = source->tag;
    bool linked = is_reference_mode(mode) || mode == assign_mode_alias || tag == tag_alias ||
                  tag == raise_tag(tag_alias) || tag == tag_call_alias || tag == raise_tag(tag_call_alias);
    uint32_t access = first_flag    ? (linked ? access_variable_input : access_constant_input)
                      : second_flag ? (linked ? access_output_object : access_literal)
                                    : (linked ? access_handed_out : access_function_result);
    auto* cell = new UNION_DATA(tag_any);
    if (mode == assign_mode_alias) {
        // The alias handed out for a stored element (h[k], l[i]): a new cell
        // holds nothing and nothing links to it, so no refusal of an alias
        // assignment applies, and it becomes an any alias of the target.
        const char lowered = lower_tag(tag);
        UNION_DATA* target = lowered == tag_alias || lowered == tag_call_alias ? source->target() : source;
        cell->tag = tag_nothing;
        link_cell(cell, target, link_kind_alias);
        list.append(RESULT_ITEM{cell, access, 1});
        return nullptr;
    }
    if ((mode == assign_mode_plain || mode == assign_mode_keep_reference || mode == -1) &&
        give_plain_copy(cell, source)) {
        list.append(RESULT_ITEM{cell, access, 1});
        return nullptr;
    }
    // The flag lets alias and call-alias assignment take the new cell.
    cell->scope_variable = 1;
    const char* message = assign_by_mode(cell, source, mode);
    cell->scope_variable = 0;
    if (message != nullptr) {
        delete cell;
        return message;
    }
    list.append(RESULT_ITEM{cell, access, 1});
    return nullptr;
}

void make_small_object(UNION_DATA* destination, UNION_DATA* source) {
    OBJECT_HOLDER* from = source->holder();
    OBJECT_HOLDER* to = destination->holder();
    if (from == nullptr || to == nullptr) return;
    UNION_DATA* initial = initial_object_of(from->type);
    bool copied = initial != nullptr && initial->holder() != nullptr && initial->holder()->object != nullptr;
    auto* record = new OBJECT_RECORD();
    // One copy protocol around all members, so that links between them end
    // inside the new object.
    COPY_SCOPE scope;
    if (copied) front_end_services.copy_members(*record, *initial->holder()->object);
    OBJECT_RECORD* old = to->object;
    to->object = record;
    to->type = from->type;
    destroy_object_record(old);
    if (copied) scope.finish(destination, true);
}

bool is_smalltype_value(const UNION_DATA* cell, bool lowered) {
    char tag = lowered ? lower_tag(cell->tag) : cell->tag;
    switch (tag) {
    case tag_date:
    case tag_timezone:
    case tag_datetime:
    case tag_bool:
    case tag_char:
    case tag_error:
    case tag_int:
    case tag_oper:
    case tag_real:
    case tag_str:
    case tag_time: return true;
    case tag_object: {
        const OBJECT_HOLDER* holder = cell->holder();
        if (holder == nullptr || holder->type == nullptr || front_end_services.is_smalltype == nullptr) return false;
        return front_end_services.is_smalltype(holder->type);
    }
    default: return false;
    }
}

}  // namespace morvu
