#include "values/value_copy.h"

#include <cstring>
#include <utility>
#include <vector>

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
#include "values/front_end_services.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

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

// Looks for a cell inside the value of root (root itself excluded) that
// matches, in no set order; false when one matches. The containment walk:
// hash values and set keys. The work stack is kept from call to call, as
// this walk runs on every movement and the match test calls nothing that
// could walk again.
template <typename MATCH>
bool find_cell_within(const UNION_DATA* root, MATCH&& match) {
    static std::vector<UNION_DATA*> stack;
    stack.clear();
    append_child_cells(root, stack, false);
    while (!stack.empty()) {
        UNION_DATA* cell = stack.back();
        stack.pop_back();
        if (match(cell)) {
            stack.clear();
            return false;
        }
        append_child_cells(cell, stack, false);
    }
    return true;
}

// Whether cell is one of the member cells of the object that the non-link
// cell holder holds itself.
bool holds_member(const UNION_DATA* holder, const UNION_DATA* cell) {
    if (lower_tag(holder->tag) != tag_object || holder->holder() == nullptr || holder->holder()->object == nullptr)
        return false;
    for (const GROUP_ENTRY& group : holder->holder()->object->groups) {
        if (!group.slots) continue;
        for (const UNION_DATA* member : group.slots->cells)
            if (member == cell) return true;
    }
    return false;
}

// The equality partners of references are checked (check) or cleared.
bool structural_equal(UNION_DATA* cell, bool check) {
    return walk_value(cell, WALK::FULL, [check](UNION_DATA* c) {
        if (!check) {
            equality_partners.forget(c);
            return true;
        }
        if (!is_reference_tag(c->tag)) return true;
        UNION_DATA* partner = equality_partners.of(c);
        // A reference without partner was compared by a comparison of its
        // own (an any2 half, a hash key), which has checked it already.
        if (partner == nullptr) return true;
        UNION_DATA* target = c->target();
        UNION_DATA* partner_target = is_link_cell(partner) ? partner->target() : partner;
        UNION_DATA* target_partner = equality_partners.of(target);
        if (target_partner == nullptr) return partner_target == target;
        return partner_target == target_partner;
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
    // Only a nesting value holds links to re-point; either way the outermost
    // copy is over and its partners go.
    if (relink && is_nesting_tag(lower_tag(src->tag))) finish_copied_references(dest);
    copy_partners.clear();
    if (value_walk_depth == 0 && value_depth_overflow) {
        value_depth_overflow = false;
        discard_value(dest);
        return msg_text("staueb");
    }
    return nullptr;
}

// The number of an int, or a text, into a cell that has a payload of the type.
void copy_int_or_text(UNION_DATA* dest, const UNION_DATA* src, char lowered) {
    if (lowered == tag_int) {
        *dest->int_data() = *src->int_data();
        return;
    }
    dest->str_data()->text = src->str_data()->text;
    dest->str_data()->reset_read();
}

// Starts a deep copy; the outermost copy forgets an old overflow.
void start_copy() {
    if (copy_depth == 0 && value_walk_depth == 0) value_depth_overflow = false;
    ++copy_depth;
}

}  // namespace

// ---- walks ----

void append_child_cells(const UNION_DATA* cell, std::vector<UNION_DATA*>& out, bool with_hash_keys) {
    char lowered = lower_tag(cell->tag);
    if (lowered == tag_object) {
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
    case tag_array:
        for (const auto& slot : cell->array_data()->slots)
            if (slot) out.push_back(slot.get());
        break;
    case tag_hash:
    case tag_set:
        for (const auto& bucket : cell->hash_data()->buckets) {
            if (!bucket) continue;
            for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
                if (lowered == tag_set) {
                    out.push_back(&node->key());
                } else {
                    if (with_hash_keys) out.push_back(&node->key());
                    out.push_back(&node->value);
                }
            }
        }
        break;
    case tag_list:
    case tag_args:
        for (LIST_NODE* node = cell->list_data()->head; node != nullptr; node = node->next) out.push_back(&node->value);
        break;
    case tag_any2:
        out.push_back(&cell->any2_data()->first);
        out.push_back(&cell->any2_data()->second);
        break;
    case tag_graph: {
        const GRAPH_DATA* graph = cell->graph_data();
        for (int i = 0; i < graph->node_count; ++i) out.push_back(&graph->nodes[static_cast<size_t>(i)]->value);
        for (GRAPH_EDGE* edge = graph->first_edge; edge != nullptr; edge = edge->next) out.push_back(&edge->value);
        break;
    }
    case tag_array2:
        for (const auto& element : cell->array2_data()->cells)
            if (element) out.push_back(element.get());
        break;
    default: break;
    }
}

bool contains_cell(const UNION_DATA* cell, const OBJECT_HOLDER* holder) {
    char lowered = lower_tag(cell->tag);
    if (lowered == tag_object && cell->holder() == holder) return true;
    if (!is_nesting_tag(lowered)) return false;
    return !find_cell_within(
        cell, [holder](const UNION_DATA* c) { return lower_tag(c->tag) == tag_object && c->holder() == holder; });
}

bool is_within_value(const UNION_DATA* container, const UNION_DATA* cell) {
    if (container == cell) return true;
    if (!is_nesting_tag(lower_tag(container->tag))) return false;
    return !find_cell_within(container, [cell](const UNION_DATA* c) { return c == cell; });
}

bool is_within_value(const UNION_DATA* container, const UNION_DATA* cell, const UNION_DATA* root) {
    if (root != nullptr && (root == cell || holds_member(root, cell))) return container == cell || container == root;
    return is_within_value(container, cell);
}

// ---- equality ----

namespace {
int32_t open_tests = 0;  // outermost (top) equality tests under way
}  // namespace

bool is_equal_value(UNION_DATA* a, UNION_DATA* b, bool top) {
    // The outermost test forgets every partner at its end, also those of
    // cells outside the value that aliases inside it led to.
    struct OPEN_TEST {
        bool top;
        explicit OPEN_TEST(bool top) : top(top) { open_tests += top ? 1 : 0; }
        ~OPEN_TEST() {
            if (top && --open_tests == 0) equality_partners.clear();
        }
    } open_test(top);
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
        if (!top) equality_partners.record(a, b);  // checked afterwards by structural_equal
    } else if (a_reference || b_reference) {
        if (!top) return false;
        if (a_reference) x = a->target();
        else y = b->target();
    }
    bool result;
    if (lower_tag(x->tag) != lower_tag(y->tag)) result = false;
    else if (is_defined_value(x) != is_defined_value(y)) result = false;
    else if (equality_partners.of(a) != nullptr) result = true;  // met before
    else result = compare_by_type(x, y);
    if (top && !equality_partners.empty()) {
        // Without partners no reference was compared: nothing to check.
        if (result) result = structural_equal(x, true);
        structural_equal(x, false);
    }
    return result;
}

bool compare_by_type(UNION_DATA* x, UNION_DATA* y) {
    equality_partners.record(x, y);
    if (!is_defined_value(x) && !is_defined_value(y)) return true;
    char type = lower_tag(x->tag);
    if (type == tag_object) {
        const OBJECT_RECORD* a = x->holder() != nullptr ? x->holder()->object : nullptr;
        const OBJECT_RECORD* b = y->holder() != nullptr ? y->holder()->object : nullptr;
        if (a == nullptr || b == nullptr) return a == b;
        if (x->holder()->type != y->holder()->type) return false;
        for (size_t g = 0; g < a->groups.size(); ++g) {
            const SLOT_ARRAY* mine = a->groups[g].slots.get();
            const SLOT_ARRAY* theirs = g < b->groups.size() ? b->groups[g].slots.get() : nullptr;
            if (mine == nullptr && theirs == nullptr) continue;
            if (mine == nullptr || theirs == nullptr) return false;
            for (size_t i = 0; i < mine->cells.size(); ++i) {
                UNION_DATA* m = mine->cells[i];
                UNION_DATA* n = i < theirs->cells.size() ? theirs->cells[i] : nullptr;
                if (m == nullptr || n == nullptr) {
                    if (m != n) return false;
                    continue;
                }
                if (!is_equal_value(m, n, false)) return false;
            }
        }
        return true;
    }
    if (type < '0' || type > 'z') return true;
    // A value tag without payload holds no value; is_equal_value has made
    // sure that both sides agree on that.
    if (x->payload == nullptr || y->payload == nullptr) return x->payload == y->payload;
    switch (type) {
    case tag_date: {
        const DATE_DATA& a = *x->date_data();
        const DATE_DATA& b = *y->date_data();
        return a.day == b.day && a.month == b.month && a.year == b.year;
    }
    case tag_time: {
        const TIME_DATA& a = *x->time_data();
        const TIME_DATA& b = *y->time_data();
        return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds;
    }
    case tag_timezone:
        return x->timezone_data()->hours == y->timezone_data()->hours &&
               x->timezone_data()->minutes == y->timezone_data()->minutes;
    case tag_datetime: return x->datetime_data()->total_seconds() == y->datetime_data()->total_seconds();
    case tag_array: return *x->array_data() == *y->array_data();
    case tag_bool: return x->bool_word() == y->bool_word();
    case tag_char: return x->char_byte() == y->char_byte();
    case tag_dir: return x->dir_data()->path_name == y->dir_data()->path_name;
    case tag_error: {
        const ERROR_DATA& a = *x->error_data();
        const ERROR_DATA& b = *y->error_data();
        return a.file == b.file && a.kind == b.kind && a.line == b.line && a.message == b.message;
    }
    case tag_file: return x->file_data()->path_name == y->file_data()->path_name;
    case tag_graph: return x->graph_data()->equals(*y->graph_data());
    case tag_hash: return x->hash_data()->equals(*y->hash_data(), true);
    case tag_set: return x->hash_data()->equals(*y->hash_data(), false);
    case tag_int: return *x->int_data() == *y->int_data();
    case tag_real: return *x->real_data() == *y->real_data();
    case tag_list:
    case tag_args: return x->list_data()->equals(*y->list_data());
    case tag_oper: return x->oper_chars()[0] == y->oper_chars()[0] && x->oper_chars()[1] == y->oper_chars()[1];
    case tag_str: return std::strcmp(x->str_data()->text.c_str(), y->str_data()->text.c_str()) == 0;
    case tag_any2:
        return is_equal_value(&x->any2_data()->first, &y->any2_data()->first, true) &&
               is_equal_value(&x->any2_data()->second, &y->any2_data()->second, true);
    case tag_code: {
        const TOKEN* a = x->code_data()->block;
        const TOKEN* b = y->code_data()->block;
        return front_end_services.blocks_equal != nullptr ? front_end_services.blocks_equal(a, b) : a == b;
    }
    case tag_array2: return x->array2_data()->equals(*y->array2_data());
    default: return true;  // sys, links, the empty value
    }
}

// ---- copy ----

const char* copy_construct_value(UNION_DATA* cell, UNION_DATA* src) {
    cell->tag = src->tag;
    if (lower_tag(src->tag) == tag_object) {
        cell->payload = new OBJECT_HOLDER{nullptr, src->holder() != nullptr ? src->holder()->type : nullptr};
    }
    start_copy();
    init_payload(cell);
    bool relink = deep_copy_payload(cell, src);
    return finish_copy(cell, src, relink);
}

const char* copy_value(UNION_DATA* dest, UNION_DATA* src, bool fresh) {
    // An int or a text, the common element, into a cell of its type or an
    // any cell holding nothing: the payload is copied, and nothing inside it
    // could link or nest too deep.
    const char lowered = lower_tag(src->tag);
    if (!fresh && copy_depth == 0 && (lowered == tag_int || lowered == tag_str) && src->payload != nullptr &&
        (dest->tag == tag_any || dest->tag == tag_nothing || lower_tag(dest->tag) == lowered)) {
        if (value_walk_depth == 0) value_depth_overflow = false;
        if (dest->tag == tag_any || dest->tag == tag_nothing) init_payload(dest, src);
        else if (dest->payload == nullptr) allocate_payload(dest, lowered);
        copy_int_or_text(dest, src, lowered);
        return nullptr;
    }
    start_copy();
    if (fresh) {
        init_payload(dest);
    } else {
        if (is_any_tag(dest->tag) && lower_tag(dest->tag) != lower_tag(src->tag)) destroy_payload(dest, false);
        if (is_link_cell(dest)) dissolve_link(dest, true);
        if (dest->tag == tag_any || dest->tag == tag_nothing) init_payload(dest, src);
        else if (!is_defined_value(dest)) init_payload(dest);
    }
    bool relink = deep_copy_payload(dest, src);
    return finish_copy(dest, src, relink);
}

bool deep_copy_payload(UNION_DATA* dest, UNION_DATA* src) {
    if (!is_link_cell(src)) copy_partners.record(src, dest);
    char lowered = lower_tag(src->tag);
    if (is_link_tag(lowered)) {
        link_cell(dest, src->target(), lowered);
        return true;
    }
    if (lowered == tag_object) {
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
        case tag_array: copy_array_payload(*dest->array_data(), *src->array_data()); break;
        case tag_list:
        case tag_args: dest->list_data()->copy_from(*src->list_data()); break;
        case tag_hash:
        case tag_set: copy_hash_payload(dest->hash_data(), src->hash_data()); break;
        case tag_any2: copy_any2_payload(dest->any2_data(), src->any2_data()); break;
        case tag_graph: dest->graph_data()->assign(*src->graph_data()); break;
        case tag_array2: copy_array2_payload(*dest->array2_data(), *src->array2_data()); break;
        default: break;
        }
        return true;
    }
    switch (lowered) {
    case tag_date: dest->date_data()->assign(*src->date_data()); break;
    case tag_timezone: dest->timezone_data()->assign(*src->timezone_data()); break;
    case tag_datetime: dest->datetime_data()->assign(*src->datetime_data()); break;
    case tag_time: dest->time_data()->assign(*src->time_data()); break;
    case tag_int:
    case tag_str: copy_int_or_text(dest, src, lowered); break;
    case tag_real: *dest->real_data() = *src->real_data(); break;
    case tag_dir: dest->dir_data()->set_path(src->dir_data()->path_name); break;
    case tag_error: *dest->error_data() = *src->error_data(); break;
    case tag_file: dest->file_data()->set_path(src->file_data()->path_name); break;
    case tag_code: *dest->code_data() = *src->code_data(); break;
    default: break;
    }
    return true;
}

void finish_copied_references(UNION_DATA* cell) {
    // Without partners no cell inside the copy was a link's target.
    if (copy_partners.empty()) return;
    walk_value(cell, WALK::FULL, [](UNION_DATA* c) {
        if (!is_link_cell(c)) return true;
        if (UNION_DATA* copy = copy_partners.of(c->target())) {
            char kind = lower_tag(c->tag);
            unlink_cell(c);
            link_cell(c, copy, kind);
        }
        return true;
    });
    copy_partners.clear();
}

CELL_PARTNERS copy_partners;
CELL_PARTNERS equality_partners;

void CELL_PARTNERS::record(const UNION_DATA* cell, UNION_DATA* partner) {
    if (is_link_cell(cell) || cell->referrers != nullptr) partners[cell] = partner;
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

}  // namespace morvu
