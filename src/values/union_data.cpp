#include "values/union_data.h"

#include <utility>
#include <vector>

#include "values/result_list.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/object_pins.h"
#include "values/payload_records.h"
#include "values/front_end_services.h"
#include "values/walk_pins.h"
#include "values/weak_cell.h"

namespace morvu {

int32_t copy_depth = 0;
std::string value_text_buffer;

void clear_static_texts() {
    value_text_buffer.clear();
    value_text_buffer.shrink_to_fit();
}

namespace {

// Frees a detached payload at once. Nested payloads free their element cells,
// whose own nested payloads go to the work list below.
void free_payload_now(char lowered, void* payload) {
    if (keep_walked_payload(lowered, payload)) return;  // the walk frees it when it ends
    switch (lowered) {
    case tag_date: delete static_cast<DATE_DATA*>(payload); break;
    case tag_timezone: delete static_cast<TIMEZONE_DATA*>(payload); break;
    case tag_datetime: delete static_cast<DATETIME_DATA*>(payload); break;
    case tag_time: delete static_cast<TIME_DATA*>(payload); break;
    case tag_array: delete static_cast<ARRAY_DATA*>(payload); break;
    case tag_dir: delete static_cast<DIR_DATA*>(payload); break;
    case tag_error: delete static_cast<ERROR_DATA*>(payload); break;
    case tag_file: delete static_cast<FILE_DATA*>(payload); break;
    case tag_hash:
    case tag_set: delete static_cast<HASH_DATA*>(payload); break;
    case tag_int:
        if (!is_inline_int(payload)) delete static_cast<INT_DATA*>(payload);
        break;
    case tag_object: destroy_object_record(static_cast<OBJECT_RECORD*>(payload)); break;
    case tag_list:
    case tag_args: delete static_cast<LIST_DATA*>(payload); break;
    case tag_real: delete static_cast<REAL_DATA*>(payload); break;
    case tag_str: delete static_cast<STR_DATA*>(payload); break;
    case tag_any2: delete static_cast<ANY2_DATA*>(payload); break;
    case tag_code: delete static_cast<CODE_DATA*>(payload); break;
    case tag_graph: delete static_cast<GRAPH_DATA*>(payload); break;
    case tag_array2: delete static_cast<ARRAY2_DATA*>(payload); break;
    default: break;  // scalars live in the cell
    }
}

// A text payload (or none) freed as free_payload_now frees it, without
// the dispatch on its type: the text of every temporary goes this way.
[[gnu::always_inline]] inline void free_text_payload(void* payload) {
    if (payload != nullptr && !keep_walked_payload(tag_str, payload)) delete static_cast<STR_DATA*>(payload);
}

// Destruction of nested values runs from this work list instead of the
// machine stack: while one payload is being freed, the nested payloads that
// its element cells give up are parked here and freed one after another.
struct PARKED_PAYLOAD {
    char lowered;
    void* payload;
};
std::vector<PARKED_PAYLOAD>& parked_payloads() {
    static std::vector<PARKED_PAYLOAD> list;
    return list;
}
bool freeing_payloads = false;

// Dissolves every link cell pointing at the cell: the references first, then
// the aliases, then the call-aliases, each kind newest first.
void dissolve_referrers(UNION_DATA* cell) {
    for (char kind : {tag_reference, tag_alias, tag_call_alias}) {
        UNION_DATA* referrer = first_referrer(cell, kind);
        while (referrer != nullptr) {
            UNION_DATA* next = referrer_of_kind(referrer->link()->next, kind);
            clear_payload(referrer);  // dissolves the link, unlinking it from the list
            referrer = next;
        }
    }
}

// Gives an object cell the empty value of its type: a copy of the type's
// initial object, or no object when the type has none.
void reset_object(UNION_DATA* cell) {
    OBJECT_HOLDER* holder = cell->holder();
    if (holder == nullptr) return;
    UNION_DATA* initial = initial_object_of(holder->type);
    if (initial != nullptr && initial != cell) {
        assign_value(cell, initial);
    } else if (initial == nullptr && holder->object != nullptr) {
        OBJECT_RECORD* old = holder->object;
        holder->object = nullptr;
        release_payload('k', old);
    }
}

}  // namespace

// ---- payloads and links ----

void allocate_payload(UNION_DATA* cell, char lowered) {
    switch (lowered) {
    case tag_date: cell->payload = new DATE_DATA(); break;
    case tag_timezone: cell->payload = new TIMEZONE_DATA(); break;
    case tag_datetime: cell->payload = new DATETIME_DATA(); break;
    case tag_time: cell->payload = new TIME_DATA(); break;
    case tag_array: cell->payload = new ARRAY_DATA(); break;
    case tag_bool:
        cell->scalar.bool_word = 0xFFFF;
        cell->payload = &cell->scalar;
        break;
    case tag_char:
        cell->scalar.char_byte = 0;
        cell->payload = &cell->scalar;
        break;
    case tag_oper:
        cell->scalar.oper_chars[0] = 0;
        cell->scalar.oper_chars[1] = 0;
        cell->payload = &cell->scalar;
        break;
    case tag_sys:
        cell->scalar.bool_word = 0;
        cell->payload = &cell->scalar;
        break;
    case tag_dir: cell->payload = new DIR_DATA(); break;
    case tag_error: cell->payload = new ERROR_DATA(); break;
    case tag_file: cell->payload = new FILE_DATA(); break;
    case tag_hash:
    case tag_set: cell->payload = new HASH_DATA(); break;
    case tag_int: cell->payload = new INT_DATA(); break;
    case tag_list:
    case tag_args: cell->payload = new LIST_DATA(); break;
    case tag_real: cell->payload = new REAL_DATA(); break;
    case tag_str: cell->payload = new STR_DATA(); break;
    case tag_any2: cell->payload = new ANY2_DATA(); break;
    case tag_code: cell->payload = new CODE_DATA(); break;
    case tag_graph: cell->payload = new GRAPH_DATA(); break;
    case tag_array2: cell->payload = new ARRAY2_DATA(); break;
    default: break;
    }
}

void release_payload(char lowered, void* payload) {
    if (payload == nullptr) return;
    if (!is_nesting_tag(lowered)) {
        free_payload_now(lowered, payload);
        return;
    }
    if (freeing_payloads) {
        parked_payloads().push_back({lowered, payload});
        return;
    }
    freeing_payloads = true;
    free_payload_now(lowered, payload);
    auto& parked = parked_payloads();
    while (!parked.empty()) {
        PARKED_PAYLOAD next = parked.back();
        parked.pop_back();
        free_payload_now(next.lowered, next.payload);
    }
    freeing_payloads = false;
}

void unlink_cell(UNION_DATA* cell) {
    LINK_RECORD* record = cell->link();
    if (record == nullptr || record->prev == nullptr) return;
    UNION_DATA* before = record->prev;
    UNION_DATA* after = record->next;
    if (before->referrers == cell) before->referrers = after;  // first in the list: before is the target
    else before->link()->next = after;
    if (after != nullptr) after->link()->prev = before;
    record->prev = nullptr;
    record->next = nullptr;
}

void drop_link_record(UNION_DATA* cell) {
    unlink_cell(cell);
    delete cell->link();
    cell->payload = nullptr;
}

// ---- construction and destruction ----

// The kinds made most often are told first: the temporaries of int
// arithmetic and text building, and the cell of a result to come (an empty
// any cell is made inline and never comes here).
void UNION_DATA::make_empty_value() {
    if (tag == tag_int) {
        payload = new INT_DATA();
        return;
    }
    if (tag == tag_str) {
        payload = new STR_DATA();
        return;
    }
    switch (tag) {
    case tag_nothing: return;
    // The readings' results and the characters a text walk hands out: the
    // empty value lives in the cell itself.
    case tag_bool:
        scalar.bool_word = 0xFFFF;
        payload = &scalar;
        return;
    case tag_char:
        scalar.char_byte = 0;
        payload = &scalar;
        return;
    case tag_object:
    case raise_tag(tag_object): payload = new OBJECT_HOLDER(); break;
    default: break;
    }
    init_payload(this);
}

UNION_DATA::~UNION_DATA() {
    if (weak_held != 0) cut_weak_cells(this);
    if (key_numbered != 0) forget_key_number(this);
    // The common cells nobody links to need no detaching: the temporaries of
    // arithmetic and text building (a walk may still hold a text), numbers
    // and texts in any cells (the keys and elements of containers), empty
    // any cells, and the aliases handed out for elements, which only leave
    // their target's list.
    if (referrers == nullptr) {
        switch (tag) {
        case tag_int:
            if (!is_inline_int(payload)) delete static_cast<INT_DATA*>(payload);
            return;
        case tag_str: free_text_payload(payload); return;
        case tag_any:
        case tag_nothing:
        case tag_bool:  // the value lives in the cell
        case tag_char: return;
        default:
            if (is_link_tag(tag)) {
                drop_link_record(this);
                return;
            }
            if (tag == raise_tag(tag_int)) {
                if (!is_inline_int(payload)) delete static_cast<INT_DATA*>(payload);
                return;
            }
            if (tag == raise_tag(tag_str)) {
                free_text_payload(payload);
                return;
            }
        }
    }
    clear_value(this);
}

INT_DATA* UNION_DATA::box_inline_int() const {
    auto* number = new INT_DATA();
    number->assign_int64(inline_int_value(payload));
    const_cast<UNION_DATA*>(this)->payload = number;  // the same value, in the form every reader knows
    return number;
}

const char* UNION_DATA::assign_ref_on_this(UNION_DATA* src) { return assign_link(this, src, 'p'); }
const char* UNION_DATA::assign_alias_on_this(UNION_DATA* src) { return assign_link(this, src, 'q'); }
const char* UNION_DATA::assign_or_ref_on_this(UNION_DATA* src) { return assign_by_mode(this, src, 4); }

void init_payload(UNION_DATA* cell, const UNION_DATA* source) {
    if (source != nullptr) {
        if (source->tag == tag_any || source->tag == tag_nothing) cell->tag = source->tag;
        else cell->tag = raise_tag(lower_tag(source->tag));
    }
    char lowered = lower_tag(cell->tag);
    if (lowered == tag_object) {
        if (source == nullptr) return;
        TOKEN* type = source->holder() != nullptr ? source->holder()->type : nullptr;
        if (cell->payload == nullptr) cell->payload = new OBJECT_HOLDER{nullptr, type};
        else cell->holder()->type = type;
        return;
    }
    if (!is_value_tag(lowered)) return;
    if (cell->payload != nullptr && cell->payload != &cell->scalar) {
        void* old = cell->payload;
        cell->payload = nullptr;
        release_payload(lowered, old);
    }
    allocate_payload(cell, lowered);
}

UNION_DATA* new_int_cell(std::unique_ptr<INT_DATA> number) {
    auto* cell = new UNION_DATA(tag_nothing);  // holds nothing yet: no empty number to replace
    cell->tag = 'i';
    cell->payload = number.release();
    return cell;
}

void init_object_cell(UNION_DATA* cell, OBJECT_HOLDER* holder) {
    cell->tag = 'k';
    cell->payload = holder;
}

void clear_value(UNION_DATA* cell) {
    destroy_payload(cell, true);  // leaves no link: a link cell is dissolved
    if (cell->tag == tag_object) delete cell->holder();
    cell->payload = nullptr;
}

void destroy_payload(UNION_DATA* cell, bool detach) {
    char tag = cell->tag;
    if (is_any_tag(tag)) {
        keep_pinned_object(cell);  // a method running on the object sees it to its end
        cell->tag = lower_tag(tag);
        if (detach) detach_referrers(cell);
        destroy_payload(cell, false);
        char before = cell->tag;
        cell->tag = 'V';
        if (before == 'k') delete cell->holder();
        cell->payload = nullptr;
        return;
    }
    if (detach) detach_referrers(cell);
    switch (tag) {
    case tag_call_alias:
    case tag_reference:
    case tag_alias: dissolve_link(cell, false); return;
    case tag_object: {
        OBJECT_HOLDER* holder = cell->holder();
        if (holder != nullptr && holder->object != nullptr) {
            OBJECT_RECORD* record = holder->object;
            holder->object = nullptr;
            release_payload('k', record);
        }
        return;
    }
    case tag_any: cell->tag = 'V'; return;
    default: break;
    }
    if (!is_value_tag(tag) || cell->payload == nullptr) return;
    void* payload = cell->payload;
    cell->payload = nullptr;  // never left pointing at freed storage
    if (!is_scalar_tag(tag)) release_payload(tag, payload);
}

void clear_payload(UNION_DATA* cell) {
    char tag = cell->tag;
    if (is_any_tag(tag)) {
        keep_pinned_object(cell);
        cell->tag = lower_tag(tag);
        destroy_payload(cell, false);
        char before = cell->tag;
        cell->tag = 'v';
        if (before == 'k') delete cell->holder();
        cell->payload = nullptr;
        return;
    }
    if (is_link_tag(tag)) {
        dissolve_link(cell, true);
        return;
    }
    if (tag == tag_object) {
        reset_object(cell);
        return;
    }
    if (!is_value_tag(tag)) return;
    if (cell->payload == nullptr) {
        allocate_payload(cell, tag);
        return;
    }
    switch (tag) {
    case tag_date: cell->date_data()->clear(); break;
    case tag_timezone: cell->timezone_data()->clear(); break;
    case tag_datetime: cell->datetime_data()->clear(); break;
    case tag_time: cell->time_data()->clear(); break;
    case tag_array: cell->array_data()->clear(); break;
    case tag_hash:
    case tag_set: cell->hash_data()->clear(); break;
    case tag_list:
    case tag_args: cell->list_data()->clear(); break;
    case tag_graph: cell->graph_data()->clear(); break;
    case tag_array2: cell->array2_data()->clear(); break;
    case tag_int: *cell->int_data() = INT_DATA(); break;
    case tag_real: *cell->real_data() = REAL_DATA(); break;
    case tag_bool: cell->scalar.bool_word = 0xFFFF; break;
    case tag_char: cell->scalar.char_byte = 0; break;
    case tag_oper: cell->scalar.oper_chars[0] = cell->scalar.oper_chars[1] = 0; break;
    case tag_code: cell->code_data()->block = nullptr; break;
    case tag_dir: cell->dir_data()->set_path(std::string()); break;
    case tag_file: cell->file_data()->set_path(std::string()); break;  // closes the file first
    case tag_str:
        cell->str_data()->text.clear();
        cell->str_data()->reset_read();
        break;
    case tag_error: *cell->error_data() = ERROR_DATA(); break;
    case tag_any2:
        clear_payload(&cell->any2_data()->first);
        clear_payload(&cell->any2_data()->second);
        break;
    default: break;
    }
}

void dissolve_link(UNION_DATA* cell, bool keep_default) {
    UNION_DATA* final_target = cell->target();
    while (is_link_cell(final_target)) final_target = final_target->target();
    char lowered = lower_tag(final_target->tag);
    drop_link_record(cell);
    cell->tag = lowered;
    // A read-only mode that a walk gave the link goes with it.
    cell->access_mode = access_variable;
    if (lowered != tag_object) {
        if (keep_default) init_payload(cell);
        return;
    }
    TOKEN* type = final_target->holder() != nullptr ? final_target->holder()->type : nullptr;
    cell->payload = new OBJECT_HOLDER{nullptr, type};
    if (keep_default) reset_object(cell);
}

void null_payload(UNION_DATA* cell) {
    char lowered = lower_tag(cell->tag);
    if (lowered == tag_object) {
        if (cell->holder() != nullptr) cell->holder()->object = nullptr;
    } else if (is_value_tag(lowered)) {
        cell->payload = nullptr;
    }
}

void dissolve_link_value(UNION_DATA* cell) {
    destroy_payload(cell, false);
    null_payload(cell);
}

void detach_referrers(UNION_DATA* cell) {
    if (cell->referrers != nullptr) dissolve_referrers(cell);
    if (is_link_cell(cell)) unlink_cell(cell);
}

bool leave_to_process_end(UNION_DATA* cell) {
    if (cell->payload == nullptr || cell->weak_held != 0) return false;
    size_t elements = 0;
    switch (cell->tag) {
    case tag_hash:
    case tag_set:
    case raise_tag(tag_hash):
    case raise_tag(tag_set): elements = static_cast<size_t>(cell->hash_data()->pair_count); break;
    case tag_list:
    case tag_args:
    case raise_tag(tag_list):
    case raise_tag(tag_args): elements = static_cast<size_t>(cell->list_data()->node_count); break;
    default: return false;
    }
    // A small container is freed as cheaply as it is left.
    if (elements < 4096 || running_walks != 0) return false;
    static auto* left = new std::vector<std::pair<char, void*>>();  // never freed: what it holds stays reachable
    left->emplace_back(cell->tag, cell->payload);
    cell->payload = nullptr;
    return true;
}

// ---- queries ----

bool is_defined_value_of_any_tag(const UNION_DATA* cell) {
    if (cell->tag == tag_nothing) return false;
    char lowered = lower_tag(cell->tag);
    switch (lowered) {
    case tag_call_alias:
    case tag_reference:
    case tag_alias:
    case tag_any: return true;
    case tag_object: return cell->holder() != nullptr && cell->holder()->object != nullptr;
    default: return is_value_tag(lowered) && cell->payload != nullptr;
    }
}

bool is_empty_value(const UNION_DATA* cell) {
    char lowered = lower_tag(cell->tag);
    // Ints and texts, asked about on every checked operand, first.
    if (lowered == tag_int)
        return cell->payload == nullptr || (!is_inline_int(cell->payload) && cell->int_data()->is_empty());
    if (lowered == tag_str) return cell->payload == nullptr || cell->str_data()->text.empty();
    if (is_link_tag(lowered)) return false;
    if (lowered == tag_object) {
        const OBJECT_HOLDER* holder = cell->holder();
        if (holder == nullptr) return true;
        UNION_DATA* initial = initial_object_of(holder->type);
        if (initial == nullptr) return holder->object == nullptr;
        return is_equal_value(const_cast<UNION_DATA*>(cell), initial, true);
    }
    if (!is_value_tag(lowered) || cell->payload == nullptr) return true;
    switch (lowered) {
    case tag_date: return cell->date_data()->is_empty();
    case tag_timezone: return cell->timezone_data()->is_empty();
    case tag_datetime: return cell->datetime_data()->is_empty();
    case tag_time: return cell->time_data()->is_empty();
    case tag_array: return cell->array_data()->defined_count == 0;
    case tag_bool: return cell->scalar.bool_word >= 0xFFFF;
    case tag_char: return cell->scalar.char_byte == 0;
    case tag_dir: return cell->dir_data()->path_name.empty();
    case tag_error: {
        const ERROR_DATA* error = cell->error_data();
        return error->file.empty() && error->line == 0 && error->message.empty() && error->kind == 'u';
    }
    case tag_file: return cell->file_data()->path_name.empty();
    case tag_hash:
    case tag_set: return cell->hash_data()->pair_count == 0;
    case tag_int: return !is_inline_int(cell->payload) && cell->int_data()->is_empty();
    case tag_list:
    case tag_args: return cell->list_data()->node_count == 0;
    case tag_oper: return cell->scalar.oper_chars[0] == 0 && cell->scalar.oper_chars[1] == 0;
    case tag_real: return cell->real_data()->mantissa.is_empty();
    case tag_str: return cell->str_data()->text.empty();
    case tag_any2: {
        const UNION_DATA* first = &cell->any2_data()->first;
        const UNION_DATA* second = &cell->any2_data()->second;
        const auto nested = [](const UNION_DATA* half) {
            return lower_tag(half->tag) == tag_any2 && half->payload != nullptr;
        };
        // A pair of plain halves, the common one, needs no walk.
        if (!nested(first) && !nested(second)) return is_empty_value(first) && is_empty_value(second);
        // Pairs may hold pairs to any depth: walk them with a work list.
        std::vector<const UNION_DATA*> halves{second, first};
        while (!halves.empty()) {
            const UNION_DATA* half = halves.back();
            halves.pop_back();
            if (lower_tag(half->tag) == tag_any2 && half->payload != nullptr) {
                halves.push_back(&half->any2_data()->second);
                halves.push_back(&half->any2_data()->first);
            } else if (!is_empty_value(half)) {
                return false;
            }
        }
        return true;
    }
    case tag_code: return cell->code_data()->block == nullptr;
    case tag_graph: return cell->graph_data()->node_count == 0;
    case tag_array2: return cell->array2_data()->count == 0;
    default: return true;  // sys is always empty
    }
}

void destroy_any2_payload(ANY2_DATA* pair) {
    clear_value(&pair->second);
    clear_value(&pair->first);
}

void clear_value_list(RESULT_LIST& list) {
    RESULT_NODE* node = list.head;
    while (node != nullptr) {
        RESULT_NODE* next = node->next;
        if (node->item.owned && node->item.cell != nullptr) delete node->item.cell;
        delete node;
        node = next;
    }
    list.count = 0;
    list.head = nullptr;
    list.tail = nullptr;
}

}  // namespace morvu
