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
#include "values/payload_records.h"
#include "values/front_end_services.h"
#include "values/value_operators.h"
#include "values/walk_pins.h"
#include "values/weak_cell.h"

namespace morvu {

int32_t copy_depth = 0;
std::string rule_message;
std::string value_text_buffer;
int32_t value_walk_depth = 0;
bool value_depth_overflow = false;

void clear_static_texts() {
    rule_message.clear();
    rule_message.shrink_to_fit();
    value_text_buffer.clear();
    value_text_buffer.shrink_to_fit();
}

const char* take_depth_overflow() {
    if (!value_depth_overflow) return nullptr;
    value_depth_overflow = false;
    return msg_text("staueb");
}

namespace {

// ---- payloads by tag ----

bool is_scalar_tag(char lowered) {
    return lowered == 'b' || lowered == 'c' || lowered == 'o' || lowered == 'n';
}

// Tags that carry a payload of their own (not links, not 'v', not 'k').
bool is_value_tag(char lowered) {
    switch (lowered) {
    case '0': case '2': case '4': case 'a': case 'b': case 'c': case 'd': case 'e': case 'f':
    case 'g': case 'h': case 'i': case 'l': case 'm': case 'n': case 'o': case 'r': case 's':
    case 't': case 'u': case 'x': case 'y': case 'z':
        return true;
    default:
        return false;
    }
}

// A new empty payload for a value tag; scalars are set in the cell itself.
void allocate_payload(UNION_DATA* cell, char lowered) {
    switch (lowered) {
    case '0': cell->payload = new DATE_DATA(); break;
    case '2': cell->payload = new TIMEZONE_DATA(); break;
    case '4': cell->payload = new DATETIME_DATA(); break;
    case 't': cell->payload = new TIME_DATA(); break;
    case 'a': cell->payload = new ARRAY_DATA(); break;
    case 'b': cell->scalar.bool_word = 0xFFFF; cell->payload = &cell->scalar; break;
    case 'c': cell->scalar.char_byte = 0; cell->payload = &cell->scalar; break;
    case 'o':
        cell->scalar.oper_chars[0] = 0;
        cell->scalar.oper_chars[1] = 0;
        cell->payload = &cell->scalar;
        break;
    case 'n': cell->scalar.sys_word = 0; cell->payload = &cell->scalar; break;
    case 'd': cell->payload = new DIR_DATA(); break;
    case 'e': cell->payload = new ERROR_DATA(); break;
    case 'f': cell->payload = new FILE_DATA(); break;
    case 'h': case 'm': cell->payload = new HASH_DATA(); break;
    case 'i': cell->payload = new INT_DATA(); break;
    case 'l': case 'y': cell->payload = new LIST_DATA(); break;
    case 'r': cell->payload = new REAL_DATA(); break;
    case 's': cell->payload = new STR_DATA(); break;
    case 'u': cell->payload = new ANY2_DATA(); break;
    case 'x': cell->payload = new CODE_DATA(); break;
    case 'g': cell->payload = new GRAPH_DATA(); break;
    case 'z': cell->payload = new ARRAY2_DATA(); break;
    default: break;
    }
}

// Frees a detached payload at once. Nested payloads free their element cells,
// whose own nested payloads go to the work list below.
void free_payload_now(char lowered, void* payload) {
    if (keep_walked_payload(lowered, payload)) return;  // the walk frees it when it ends
    switch (lowered) {
    case '0': delete static_cast<DATE_DATA*>(payload); break;
    case '2': delete static_cast<TIMEZONE_DATA*>(payload); break;
    case '4': delete static_cast<DATETIME_DATA*>(payload); break;
    case 't': delete static_cast<TIME_DATA*>(payload); break;
    case 'a': delete static_cast<ARRAY_DATA*>(payload); break;
    case 'd': delete static_cast<DIR_DATA*>(payload); break;
    case 'e': delete static_cast<ERROR_DATA*>(payload); break;
    case 'f': delete static_cast<FILE_DATA*>(payload); break;
    case 'h': case 'm': delete static_cast<HASH_DATA*>(payload); break;
    case 'i': delete static_cast<INT_DATA*>(payload); break;
    case 'k': destroy_object_record(static_cast<OBJECT_RECORD*>(payload)); break;
    case 'l': case 'y': delete static_cast<LIST_DATA*>(payload); break;
    case 'r': delete static_cast<REAL_DATA*>(payload); break;
    case 's': delete static_cast<STR_DATA*>(payload); break;
    case 'u': delete static_cast<ANY2_DATA*>(payload); break;
    case 'x': delete static_cast<CODE_DATA*>(payload); break;
    case 'g': delete static_cast<GRAPH_DATA*>(payload); break;
    case 'z': delete static_cast<ARRAY2_DATA*>(payload); break;
    default: break;  // scalars live in the cell
    }
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

// The head of the target's referrer list of a link kind.
UNION_DATA*& referrer_head(UNION_DATA* target, char kind) {
    if (kind == 'p') return target->references;
    if (kind == 'q') return target->aliases;
    return target->call_aliases;
}

// Takes a link cell out of its target's list of the given kind.
void unlink_cell(UNION_DATA* cell, char kind) {
    UNION_DATA* before = cell->prev;
    if (before == nullptr) return;
    UNION_DATA*& head = referrer_head(before, kind);
    if (head == cell) head = cell->next;  // first in the list: before is the target
    else before->next = cell->next;
    if (cell->next != nullptr) cell->next->prev = before;
    cell->prev = nullptr;
    cell->next = nullptr;
}

// Dissolves every link cell in the cell's three referrer lists.
void dissolve_referrers(UNION_DATA* cell) {
    for (UNION_DATA** head : {&cell->references, &cell->aliases, &cell->call_aliases}) {
        UNION_DATA* referrer = *head;
        while (referrer != nullptr) {
            UNION_DATA* next = referrer->next;
            clear_payload(referrer);  // dissolves the link, unlinking it from this list
            referrer->prev = nullptr;
            referrer->next = nullptr;
            referrer = next;
        }
        *head = nullptr;
    }
}

// ---- walks over the element cells of a value ----

enum class WALK {
    FULL,      // hash keys and values, set keys: the walk of re-linking and equality
    CONTAINS,  // hash values, set keys: the walk of the containment tests
};

// Visits the cell and every cell inside its value, depth first in walk
// order, without recursion. visit returns false to stop the walk; the result
// is whether the walk ran to its end.
template <typename VISIT>
bool walk_value(UNION_DATA* root, WALK walk, VISIT&& visit) {
    std::vector<UNION_DATA*> stack{root};
    std::vector<UNION_DATA*> children;
    while (!stack.empty()) {
        UNION_DATA* cell = stack.back();
        stack.pop_back();
        if (!visit(cell)) return false;
        children.clear();
        append_child_cells(cell, children, walk == WALK::FULL);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    return true;
}

// The equality partners of references are checked (check) or cleared.
bool structural_equal(UNION_DATA* cell, bool check) {
    return walk_value(cell, WALK::FULL, [check](UNION_DATA* c) {
        if (!check) {
            c->equality_partner = nullptr;
            return true;
        }
        if (!is_reference_tag(c->tag)) return true;
        UNION_DATA* partner = c->equality_partner;
        // A reference without partner was compared by a comparison of its
        // own (an any2 half, a hash key), which has checked it already.
        if (partner == nullptr) return true;
        UNION_DATA* target = c->target();
        UNION_DATA* partner_target = is_link_cell(partner) ? partner->target() : partner;
        if (target->equality_partner == nullptr) return partner_target == target;
        return partner_target == target->equality_partner;
    });
}

// Makes a deep copy that overflowed hold no value.
void discard_value(UNION_DATA* cell) {
    destroy_payload(cell, false);
    null_payload(cell);
}

// The end of the deep copy protocol; reports an overflow at the outermost copy.
const char* finish_copy(UNION_DATA* dest, UNION_DATA* src, bool relink) {
    --copy_depth;
    if (copy_depth != 0) return nullptr;
    if (relink) {
        if (is_nesting_tag(lower_tag(src->tag))) {
            relink_copied_references(dest, false);
            relink_copied_references(src, true);
        } else {
            src->copy_partner = nullptr;  // nothing inside that could link
        }
    }
    if (value_walk_depth == 0 && value_depth_overflow) {
        value_depth_overflow = false;
        discard_value(dest);
        return msg_text("staueb");
    }
    return nullptr;
}

// Starts a deep copy; the outermost copy forgets an old overflow.
void start_copy() {
    if (copy_depth == 0 && value_walk_depth == 0) value_depth_overflow = false;
    ++copy_depth;
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

// ---- child cells ----

void append_child_cells(const UNION_DATA* cell, std::vector<UNION_DATA*>& out, bool with_hash_keys) {
    char lowered = lower_tag(cell->tag);
    if (lowered == 'k') {
        const OBJECT_HOLDER* holder = cell->holder();
        if (holder == nullptr || holder->object == nullptr) return;
        for (const GROUP_ENTRY& group : holder->object->groups) {
            if (!group.slots) continue;
            for (UNION_DATA* member : group.slots->cells)
                if (member != nullptr) out.push_back(member);
        }
        return;
    }
    if (cell->payload == nullptr || !is_nesting_tag(lowered)) return;
    switch (lowered) {
    case 'a':
        for (const auto& slot : cell->array_data()->slots)
            if (slot) out.push_back(slot.get());
        break;
    case 'h': case 'm':
        for (const auto& bucket : cell->hash_data()->buckets) {
            if (!bucket) continue;
            for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
                if (lowered == 'm') {
                    out.push_back(&node->key);
                } else {
                    if (with_hash_keys) out.push_back(&node->key);
                    out.push_back(&node->value);
                }
            }
        }
        break;
    case 'l': case 'y':
        for (LIST_NODE* node = cell->list_data()->head; node != nullptr; node = node->next)
            out.push_back(&node->value);
        break;
    case 'u':
        out.push_back(&cell->any2_data()->first);
        out.push_back(&cell->any2_data()->second);
        break;
    case 'g': {
        const GRAPH_DATA* graph = cell->graph_data();
        for (int i = 0; i < graph->node_count; ++i) out.push_back(&graph->nodes[static_cast<size_t>(i)]->value);
        for (GRAPH_EDGE* edge = graph->first_edge; edge != nullptr; edge = edge->next)
            out.push_back(&edge->value);
        break;
    }
    case 'z':
        for (const auto& element : cell->array2_data()->cells)
            if (element) out.push_back(element.get());
        break;
    default:
        break;
    }
}

// ---- construction and destruction ----

UNION_DATA::UNION_DATA(char tag) : tag(tag) {
    if (tag == 'i') {  // the temporary result of int arithmetic
        payload = new INT_DATA();
        return;
    }
    if (tag == 'k' || tag == 'K') payload = new OBJECT_HOLDER();
    init_payload(this);
}

UNION_DATA::~UNION_DATA() {
    if (weak_held != 0) cut_weak_cells(this);
    // An int nobody links to, the common temporary, needs no detaching.
    if (tag == 'i' && references == nullptr && aliases == nullptr && call_aliases == nullptr) {
        delete int_data();
        return;
    }
    clear_value(this);
}

const char* UNION_DATA::assign_ref_on_this(UNION_DATA* src) { return assign_link(this, src, 'p'); }
const char* UNION_DATA::assign_alias_on_this(UNION_DATA* src) { return assign_link(this, src, 'q'); }
const char* UNION_DATA::assign_or_ref_on_this(UNION_DATA* src) { return assign_by_mode(this, src, 4); }

void init_payload(UNION_DATA* cell, const UNION_DATA* source) {
    if (source != nullptr) {
        if (source->tag == 'v' || source->tag == 'V') cell->tag = source->tag;
        else cell->tag = raise_tag(lower_tag(source->tag));
    }
    char lowered = lower_tag(cell->tag);
    if (lowered == 'k') {
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

const char* copy_construct_value(UNION_DATA* cell, UNION_DATA* src) {
    cell->tag = src->tag;
    if (lower_tag(src->tag) == 'k') {
        cell->payload = new OBJECT_HOLDER{nullptr, src->holder() != nullptr ? src->holder()->type : nullptr};
    }
    start_copy();
    init_payload(cell);
    bool relink = deep_copy_payload(cell, src);
    return finish_copy(cell, src, relink);
}

UNION_DATA* new_int_cell(std::unique_ptr<INT_DATA> number) {
    auto* cell = new UNION_DATA('V');  // holds nothing yet: no empty number to replace
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
    if (cell->tag == 'k') delete cell->holder();
    cell->payload = nullptr;
}

void destroy_payload(UNION_DATA* cell, bool detach) {
    char tag = cell->tag;
    if (is_any_tag(tag)) {
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
    case 'j': case 'p': case 'q':
        dissolve_link(cell, false);
        return;
    case 'k': {
        OBJECT_HOLDER* holder = cell->holder();
        if (holder != nullptr && holder->object != nullptr) {
            OBJECT_RECORD* record = holder->object;
            holder->object = nullptr;
            release_payload('k', record);
        }
        return;
    }
    case 'v':
        cell->tag = 'V';
        return;
    default:
        break;
    }
    if (!is_value_tag(tag) || cell->payload == nullptr) return;
    void* payload = cell->payload;
    cell->payload = nullptr;  // never left pointing at freed storage
    if (!is_scalar_tag(tag)) release_payload(tag, payload);
}

void clear_payload(UNION_DATA* cell) {
    char tag = cell->tag;
    if (is_any_tag(tag)) {
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
    if (tag == 'k') {
        reset_object(cell);
        return;
    }
    if (!is_value_tag(tag)) return;
    if (cell->payload == nullptr) {
        allocate_payload(cell, tag);
        return;
    }
    switch (tag) {
    case '0': cell->date_data()->clear(); break;
    case '2': cell->timezone_data()->clear(); break;
    case '4': cell->datetime_data()->clear(); break;
    case 't': cell->time_data()->clear(); break;
    case 'a': cell->array_data()->clear(); break;
    case 'h': case 'm': cell->hash_data()->clear(); break;
    case 'l': case 'y': cell->list_data()->clear(); break;
    case 'g': cell->graph_data()->clear(); break;
    case 'z': cell->array2_data()->clear(); break;
    case 'i': *cell->int_data() = INT_DATA(); break;
    case 'r': *cell->real_data() = REAL_DATA(); break;
    case 'b': cell->scalar.bool_word = 0xFFFF; break;
    case 'c': cell->scalar.char_byte = 0; break;
    case 'o': cell->scalar.oper_chars[0] = cell->scalar.oper_chars[1] = 0; break;
    case 'x': cell->code_data()->block = nullptr; break;
    case 'd': cell->dir_data()->set_path(std::string()); break;
    case 'f': cell->file_data()->set_path(std::string()); break;  // closes the file first
    case 's':
        cell->str_data()->text.clear();
        cell->str_data()->reset_read();
        break;
    case 'e': *cell->error_data() = ERROR_DATA(); break;
    case 'u':
        clear_payload(&cell->any2_data()->first);
        clear_payload(&cell->any2_data()->second);
        break;
    default: break;
    }
}

void dissolve_link(UNION_DATA* cell, bool keep_default) {
    char kind = lower_tag(cell->tag);
    UNION_DATA* final_target = cell->target();
    while (is_link_cell(final_target)) final_target = final_target->target();
    char lowered = lower_tag(final_target->tag);
    unlink_cell(cell, kind);
    cell->tag = lowered;
    cell->payload = nullptr;
    if (lowered != 'k') {
        if (keep_default) init_payload(cell);
        return;
    }
    TOKEN* type = final_target->holder() != nullptr ? final_target->holder()->type : nullptr;
    cell->payload = new OBJECT_HOLDER{nullptr, type};
    if (keep_default) reset_object(cell);
}

void null_payload(UNION_DATA* cell) {
    char lowered = lower_tag(cell->tag);
    if (lowered == 'k') {
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
    if (cell->references != nullptr || cell->aliases != nullptr || cell->call_aliases != nullptr)
        dissolve_referrers(cell);
    if (is_link_cell(cell)) unlink_cell(cell, lower_tag(cell->tag));
}

// ---- queries ----

bool is_defined_value(const UNION_DATA* cell) {
    if (cell->tag == 'V') return false;
    char lowered = lower_tag(cell->tag);
    switch (lowered) {
    case 'j': case 'p': case 'q': case 'v':
        return true;
    case 'k':
        return cell->holder() != nullptr && cell->holder()->object != nullptr;
    default:
        return is_value_tag(lowered) && cell->payload != nullptr;
    }
}

bool is_empty_value(const UNION_DATA* cell) {
    char lowered = lower_tag(cell->tag);
    if (is_link_tag(lowered)) return false;
    if (lowered == 'k') {
        const OBJECT_HOLDER* holder = cell->holder();
        if (holder == nullptr) return true;
        UNION_DATA* initial = initial_object_of(holder->type);
        if (initial == nullptr) return holder->object == nullptr;
        return is_equal_value(const_cast<UNION_DATA*>(cell), initial, true);
    }
    if (!is_value_tag(lowered) || cell->payload == nullptr) return true;
    switch (lowered) {
    case '0': return cell->date_data()->is_empty();
    case '2': return cell->timezone_data()->is_empty();
    case '4': return cell->datetime_data()->is_empty();
    case 't': return cell->time_data()->is_empty();
    case 'a': return cell->array_data()->defined_count == 0;
    case 'b': return cell->scalar.bool_word >= 0xFFFF;
    case 'c': return cell->scalar.char_byte == 0;
    case 'd': return cell->dir_data()->path_name.empty();
    case 'e': {
        const ERROR_DATA* error = cell->error_data();
        return error->file.empty() && error->line == 0 && error->message.empty() && error->kind == 'u';
    }
    case 'f': return cell->file_data()->path_name.empty();
    case 'h': case 'm': return cell->hash_data()->pair_count == 0;
    case 'i': return cell->int_data()->is_empty();
    case 'l': case 'y': return cell->list_data()->node_count == 0;
    case 'o': return cell->scalar.oper_chars[0] == 0 && cell->scalar.oper_chars[1] == 0;
    case 'r': return cell->real_data()->mantissa.is_empty();
    case 's': return cell->str_data()->text.empty();
    case 'u': {
        // Pairs may hold pairs to any depth: walk them with a work list.
        std::vector<const UNION_DATA*> halves{&cell->any2_data()->second, &cell->any2_data()->first};
        while (!halves.empty()) {
            const UNION_DATA* half = halves.back();
            halves.pop_back();
            if (lower_tag(half->tag) == 'u' && half->payload != nullptr) {
                halves.push_back(&half->any2_data()->second);
                halves.push_back(&half->any2_data()->first);
            } else if (!is_empty_value(half)) {
                return false;
            }
        }
        return true;
    }
    case 'x': return cell->code_data()->block == nullptr;
    case 'g': return cell->graph_data()->node_count == 0;
    case 'z': return cell->array2_data()->count == 0;
    default: return true;  // sys is always empty
    }
}

bool contains_cell(const UNION_DATA* cell, const OBJECT_HOLDER* holder) {
    char lowered = lower_tag(cell->tag);
    if (lowered == 'k' && cell->holder() == holder) return true;
    if (!is_nesting_tag(lowered)) return false;
    bool found = false;
    walk_value(const_cast<UNION_DATA*>(cell), WALK::CONTAINS, [&](UNION_DATA* c) {
        if (lower_tag(c->tag) == 'k' && c->holder() == holder) found = true;
        return !found;
    });
    return found;
}

bool is_within_value(const UNION_DATA* container, const UNION_DATA* cell) {
    if (container == cell) return true;
    if (!is_nesting_tag(lower_tag(container->tag))) return false;
    bool found = false;
    walk_value(const_cast<UNION_DATA*>(container), WALK::CONTAINS, [&](UNION_DATA* c) {
        found = c == cell;
        return !found;
    });
    return found;
}

bool is_equal_value(UNION_DATA* a, UNION_DATA* b, bool top) {
    if (top && value_walk_depth == 0) value_depth_overflow = false;
    VALUE_DEPTH_GUARD guard;
    if (guard.exceeded()) return false;
    // An alias or call-alias is another name of its target.
    a = follow_aliases(a);
    b = follow_aliases(b);
    UNION_DATA* x = a;
    UNION_DATA* y = b;
    bool a_reference = is_reference_tag(a->tag);
    bool b_reference = is_reference_tag(b->tag);
    if (a_reference && b_reference) {
        x = a->target();
        y = b->target();
        if (!top) a->equality_partner = b;  // checked afterwards by structural_equal
    } else if (a_reference || b_reference) {
        if (!top) return false;
        if (a_reference) x = a->target(); else y = b->target();
    }
    bool result;
    if (lower_tag(x->tag) != lower_tag(y->tag)) result = false;
    else if (is_defined_value(x) != is_defined_value(y)) result = false;
    else if (a->equality_partner != nullptr) result = true;  // met before
    else result = compare_by_type(x, y);
    if (top) {
        if (result) result = structural_equal(x, true);
        structural_equal(x, false);
    }
    return result;
}

// ---- copy ----

const char* copy_value(UNION_DATA* dest, UNION_DATA* src, bool fresh) {
    start_copy();
    if (fresh) {
        init_payload(dest);
    } else {
        if (is_any_tag(dest->tag) && lower_tag(dest->tag) != lower_tag(src->tag))
            destroy_payload(dest, false);
        if (is_link_cell(dest)) dissolve_link(dest, true);
        if (dest->tag == 'v' || dest->tag == 'V') init_payload(dest, src);
        else if (!is_defined_value(dest)) init_payload(dest);
    }
    bool relink = deep_copy_payload(dest, src);
    return finish_copy(dest, src, relink);
}

bool deep_copy_payload(UNION_DATA* dest, UNION_DATA* src) {
    if (!is_link_cell(src)) src->copy_partner = dest;
    char lowered = lower_tag(src->tag);
    if (is_link_tag(lowered)) {
        link_cell(dest, src->target(), lowered);
        return true;
    }
    if (lowered == 'k') {
        const OBJECT_HOLDER* from = src->holder();
        if (dest->holder() == nullptr) dest->payload = new OBJECT_HOLDER();
        OBJECT_HOLDER* to = dest->holder();
        OBJECT_RECORD* old = to->object;
        TOKEN* type = from != nullptr ? from->type : nullptr;
        if (from == nullptr || from->object == nullptr) {
            to->object = nullptr;
            to->type = type;
            release_payload('k', old);
            return true;
        }
        if (!contains_cell(dest, from)) {
            VALUE_DEPTH_GUARD guard;
            if (value_depth_overflow || guard.exceeded()) return true;
            auto* copy = new OBJECT_RECORD();
            front_end_services.copy_members(*copy, *from->object);
            to->object = copy;
            to->type = type;
            release_payload('k', old);
            return true;
        }
        // src lies inside dest's own object, which is about to go: take its
        // record over instead of copying it.
        to->object = from->object;
        src->holder()->object = nullptr;
        to->type = type;
        release_payload('k', old);
        return false;
    }
    if (!is_value_tag(lowered)) return true;
    if (src->payload == nullptr) {
        // Nothing to copy: the destination keeps its tag and holds no value.
        void* old = dest->payload;
        dest->payload = nullptr;
        if (old != &dest->scalar) release_payload(lower_tag(dest->tag), old);
        return true;
    }
    if (lower_tag(dest->tag) != lowered) {
        // A destination that does not hold the source's type yet.
        destroy_payload(dest, false);
        init_payload(dest, src);
    } else if (dest->payload == nullptr) {
        allocate_payload(dest, lowered);
    }
    if (is_scalar_tag(lowered)) {
        dest->scalar = src->scalar;
        return true;
    }
    if (is_nesting_tag(lowered)) {
        VALUE_DEPTH_GUARD guard;
        if (value_depth_overflow || guard.exceeded()) return true;
        switch (lowered) {
        case 'a': copy_array_payload(*dest->array_data(), *src->array_data()); break;
        case 'l': case 'y': dest->list_data()->copy_from(*src->list_data()); break;
        case 'h': case 'm': copy_hash_payload(dest->hash_data(), src->hash_data()); break;
        case 'u': copy_any2_payload(dest->any2_data(), src->any2_data()); break;
        case 'g': dest->graph_data()->assign(*src->graph_data()); break;
        case 'z': copy_array2_payload(*dest->array2_data(), *src->array2_data()); break;
        default: break;
        }
        return true;
    }
    switch (lowered) {
    case '0': dest->date_data()->assign(*src->date_data()); break;
    case '2': dest->timezone_data()->assign(*src->timezone_data()); break;
    case '4': dest->datetime_data()->assign(*src->datetime_data()); break;
    case 't': dest->time_data()->assign(*src->time_data()); break;
    case 'i': *dest->int_data() = *src->int_data(); break;
    case 'r': *dest->real_data() = *src->real_data(); break;
    case 'd': dest->dir_data()->set_path(src->dir_data()->path_name); break;
    case 'e': *dest->error_data() = *src->error_data(); break;
    case 'f': dest->file_data()->set_path(src->file_data()->path_name); break;
    case 's':
        dest->str_data()->text = src->str_data()->text;
        dest->str_data()->reset_read();
        break;
    case 'x': *dest->code_data() = *src->code_data(); break;
    default: break;
    }
    return true;
}

void relink_copied_references(UNION_DATA* cell, bool clear_only) {
    walk_value(cell, WALK::FULL, [clear_only](UNION_DATA* c) {
        if (clear_only) {
            c->copy_partner = nullptr;
            return true;
        }
        if (is_link_cell(c) && c->target()->copy_partner != nullptr) {
            char kind = lower_tag(c->tag);
            UNION_DATA* copy = c->target()->copy_partner;
            unlink_cell(c, kind);
            link_cell(c, copy, kind);
        }
        return true;
    });
}

void copy_hash_payload(HASH_DATA* dest, HASH_DATA* src) { dest->copy_from(*src); }

const char* copy_any2_payload(ANY2_DATA* dest, ANY2_DATA* src) {
    clear_payload(&dest->first);
    clear_payload(&dest->second);
    for (auto [to, from] : {std::pair{&dest->first, &src->first}, std::pair{&dest->second, &src->second}}) {
        const char* refusal = is_reference_tag(from->tag) ? assign_link(to, from, 'p') : assign_value(to, from);
        if (refusal != nullptr) {
            // No half stays made when one could not be.
            clear_payload(&dest->first);
            clear_payload(&dest->second);
            return refusal;
        }
    }
    return nullptr;
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
