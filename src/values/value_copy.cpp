#include "values/value_copy.h"

#include <array>
#include <cstdint>
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
#include "values/object_pins.h"
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

// The containers that nested copies have made empty, each with the cell
// whose value fills it; the outermost copy fills them (see value_copy.h).
// The payload, not its cell, is parked: a nested copy may be made aside and
// its payload then moved into the cell that keeps it.
struct PARKED_COPY {
    char lowered;
    void* payload;
    UNION_DATA* source;
};
std::vector<PARKED_COPY> parked_copies;

// Fills a parked container from its source; the containers among its
// elements are parked in turn.
void fill_parked(const PARKED_COPY& parked) {
    UNION_DATA* src = parked.source;
    switch (parked.lowered) {
    case tag_object:
        if (src->holder() != nullptr && src->holder()->object != nullptr)
            front_end_services.copy_members(*static_cast<OBJECT_RECORD*>(parked.payload), *src->holder()->object);
        break;
    case tag_array: copy_array_payload(*static_cast<ARRAY_DATA*>(parked.payload), *src->array_data()); break;
    case tag_list:
    case tag_args: static_cast<LIST_DATA*>(parked.payload)->copy_from(*src->list_data()); break;
    case tag_hash:
    case tag_set: copy_hash_payload(static_cast<HASH_DATA*>(parked.payload), src->hash_data()); break;
    case tag_any2: copy_any2_payload(static_cast<ANY2_DATA*>(parked.payload), src->any2_data()); break;
    case tag_graph: static_cast<GRAPH_DATA*>(parked.payload)->assign(*src->graph_data()); break;
    case tag_array2: copy_array2_payload(*static_cast<ARRAY2_DATA*>(parked.payload), *src->array2_data()); break;
    default: break;
    }
}

// The number of an int, or a text, into a cell that has a payload of the type.
[[gnu::always_inline]] inline void copy_int_or_text(UNION_DATA* dest, const UNION_DATA* src, char lowered) {
    if (lowered == tag_int) {
        if (is_inline_int(src->payload)) dest->int_data()->assign_int64(inline_int_value(src->payload));
        else *dest->int_data() = *src->int_data();
        return;
    }
    dest->str_data()->text = src->str_data()->text;
    dest->str_data()->reset_read();
}

// A plain machine number into an any cell or an element that has no record
// of its own: the cell takes the payload word, the source keeps its form.
// Typed variables keep their records, which loops change in place. False,
// with nothing done, for any other pair.
bool copy_int_as_word(UNION_DATA* dest, const UNION_DATA* src) {
    if ((dest->payload != nullptr && !is_inline_int(dest->payload)) ||
        (!is_any_cell(dest) && dest->scope_variable != 0))
        return false;
    void* word = src->payload;
    if (!is_inline_int(word) && !inline_copy_of(*src->int_data(), word)) return false;
    dest->payload = word;
    if (dest->tag == tag_any || dest->tag == tag_nothing) dest->tag = raise_tag(tag_int);
    return true;
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
    case tag_array: {
        // Compact slots hold no cells: nothing is inside them or links to them.
        const SLOT_ROW& slots = cell->array_data()->slots;
        for (size_t at = 0; at < slots.size(); ++at)
            if (UNION_DATA* element = slots.owned_cell(at)) out.push_back(element);
        break;
    }
    case tag_hash:
    case tag_set: {
        const HASH_DATA* hash = cell->hash_data();
        for (const uint8_t b : hash->used_buckets()) {
            for (LIST_NODE* node = hash->buckets[b]->head; node != nullptr; node = node->next) {
                if (lowered == tag_set) {
                    out.push_back(&node->key());
                } else {
                    if (with_hash_keys) out.push_back(&node->key());
                    out.push_back(&node->value);
                }
            }
        }
        break;
    }
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
    case tag_array2: {
        const SLOT_ROW& slots = cell->array2_data()->cells;
        for (size_t at = 0; at < slots.size(); ++at)
            if (UNION_DATA* element = slots.owned_cell(at)) out.push_back(element);
        break;
    }
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

// ---- copy ----

COPY_SCOPE::~COPY_SCOPE() {
    if (--copy_depth != 0 || parked_copies.empty()) return;
    // Only an error leaves anything parked: the copy is being freed.
    parked_copies.clear();
    copy_partners.clear();
}

void COPY_SCOPE::finish(UNION_DATA* cell, bool relink) const {
    if (copy_depth != 1) return;
    while (!parked_copies.empty()) {
        const PARKED_COPY next = parked_copies.back();
        parked_copies.pop_back();
        fill_parked(next);
    }
    // A value that something outside links to (a loop's watch over the
    // element it walks) has partners, but its copy has links only when some
    // were made.
    if (relink && links_made != links_before) finish_copied_references(cell);
    copy_partners.clear();
}

void copy_construct_value(UNION_DATA* cell, UNION_DATA* src) {
    cell->tag = src->tag;
    // A member of an object being copied (a new object from its type's
    // prototype, a copy of an object) that is a number, a text or a value
    // kept in the cell is made as copy_value makes a container's element:
    // within the copy already running, a machine number as the payload word.
    const char lowered = lower_tag(src->tag);
    if (copy_depth != 0 && src->payload != nullptr && src->referrers == nullptr &&
        (lowered == tag_int || lowered == tag_str || is_scalar_tag(lowered))) {
        copy_value(cell, src, false);
        return;
    }
    if (lower_tag(src->tag) == tag_object) {
        cell->payload = new OBJECT_HOLDER{nullptr, src->holder() != nullptr ? src->holder()->type : nullptr};
    }
    COPY_SCOPE scope;
    init_payload(cell);
    const bool relink = deep_copy_payload(cell, src);
    // Only a nesting value holds links to re-point.
    scope.finish(cell, relink && is_nesting_tag(lower_tag(src->tag)));
}

void copy_value(UNION_DATA* dest, UNION_DATA* src, bool fresh) {
    // An int or a text, the common element, into a cell of its type or an
    // any cell holding nothing: the payload is copied, and nothing inside it
    // could link.
    const char lowered = lower_tag(src->tag);
    const bool takes_type = dest->tag == tag_any || dest->tag == tag_nothing || lower_tag(dest->tag) == lowered;
    // A plain machine number lands as a payload word, inside the copy of a
    // container too (the elements of a copied list), where it is known to
    // the copy's links by its cell as any copied value is.
    if (!fresh && lowered == tag_int && src->payload != nullptr && takes_type && copy_int_as_word(dest, src)) {
        if (copy_depth != 0) copy_partners.record(src, dest);
        return;
    }
    // The same inside the copy of a container: the text is paired with its
    // copy, as deep_copy_payload pairs it, for the links that re-point.
    if (!fresh && (lowered == tag_int || lowered == tag_str) && src->payload != nullptr && takes_type) {
        if (copy_depth != 0) copy_partners.record(src, dest);
        if (dest->tag == tag_any || dest->tag == tag_nothing) init_payload(dest, src);
        else if (dest->payload == nullptr) allocate_payload(dest, lowered);
        copy_int_or_text(dest, src, lowered);
        return;
    }
    // A bool, char or oper (the characters a text walk binds) lives in the
    // cell: the word is copied, as the general copy below ends up doing.
    if (!fresh && is_scalar_tag(lowered) && src->payload != nullptr && takes_type) {
        if (copy_depth != 0) copy_partners.record(src, dest);
        if (dest->tag == tag_any || dest->tag == tag_nothing) dest->tag = raise_tag(lowered);
        dest->scalar = src->scalar;
        dest->payload = &dest->scalar;
        return;
    }
    COPY_SCOPE scope;
    if (fresh) {
        init_payload(dest);
    } else {
        if (is_any_tag(dest->tag) && lower_tag(dest->tag) != lower_tag(src->tag)) destroy_payload(dest, false);
        if (is_link_cell(dest)) dissolve_link(dest, true);
        if (dest->tag == tag_any || dest->tag == tag_nothing) init_payload(dest, src);
        else if (!is_defined_value(dest)) init_payload(dest);
    }
    const bool relink = deep_copy_payload(dest, src);
    scope.finish(dest, relink && is_nesting_tag(lowered));
}

bool deep_copy_payload(UNION_DATA* dest, UNION_DATA* src) {
    if (!is_link_cell(src)) copy_partners.record(src, dest);
    char lowered = lower_tag(src->tag);
    if (is_link_tag(lowered)) {
        link_cell(dest, src->target(), lowered);
        // A copied link still leads where the original leads, read-only if
        // that one was or the value copied was given read-only.
        dest->access_mode = is_variable_mode(src->access_mode) ? copied_link_access : src->access_mode;
        return true;
    }
    // A copy nested in another parks the containers it makes.
    const bool nested = copy_depth > 1;
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
            auto* copy = new OBJECT_RECORD();
            if (nested) parked_copies.push_back({tag_object, copy, src});
            else front_end_services.copy_members(*copy, *from->object);
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
        const PARKED_COPY copy{lowered, dest->payload, src};
        if (nested) parked_copies.push_back(copy);
        else fill_parked(copy);
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
    case tag_error: *dest->error_data() = ERROR_DATA(*src->error_data()); break;  // whole or not at all
    case tag_file: dest->file_data()->set_path(src->file_data()->path_name); break;
    case tag_code: *dest->code_data() = *src->code_data(); break;
    default: break;
    }
    return true;
}

void park_container_copy(UNION_DATA* cell, UNION_DATA* src) {
    const char lowered = lower_tag(src->tag);
    cell->tag = raise_tag(lowered);
    allocate_payload(cell, lowered);
    parked_copies.push_back({lowered, cell->payload, src});
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
            c->access_mode = access_variable;  // it leads into the copy, which is the copier's own
        }
        return true;
    });
    copy_partners.clear();
}

uint8_t copied_link_access = access_variable;
CELL_PARTNERS copy_partners;
CELL_PARTNERS equality_partners;
uint64_t links_made = 0;

void CELL_PARTNERS::record(const UNION_DATA* cell, UNION_DATA* partner) {
    if (is_link_cell(cell) || cell->referrers != nullptr) partners[cell] = partner;
}

bool moves_as_copy(UNION_DATA* top, std::vector<UNION_DATA*>& cells, const UNION_DATA* keep) {
    cells.clear();
    cells.push_back(top);
    for (size_t i = 0; i < cells.size(); ++i) {
        const UNION_DATA* cell = cells[i];
        if (cell == keep || cell->referrers != nullptr || cell->weak_held != 0 || cell->in_use != 0 ||
            cell->key_numbered != 0 || cell->being_written != 0)
            return false;
        // A copy's inner cells start as plain element cells.
        if (i != 0 && (cell->access_mode != access_variable || cell->scope_variable != 0)) return false;
        const char lowered = lower_tag(cell->tag);
        if (is_link_tag(lowered)) return false;
        if (lowered == tag_object) {
            append_child_cells(cell, cells);
            continue;
        }
        if (cell->payload == nullptr || lowered == tag_int || lowered == tag_real || is_scalar_tag(lowered)) continue;
        if (lowered == tag_str) {
            if (cell->str_data()->walks() > 0) return false;
            continue;
        }
        if (lowered == tag_list) {
            const LIST_DATA& list = *cell->list_data();
            if (list.iteration_count != 0 || list.cursor != nullptr || list.positions != nullptr) return false;
            for (const LIST_NODE* node = list.head; node != nullptr; node = node->next)
                if (node->has_own_key()) return false;
        } else if (lowered == tag_hash || lowered == tag_set) {
            if (cell->hash_data()->iteration_count != 0) return false;
        } else {
            return false;
        }
        append_child_cells(cell, cells);
    }
    return true;
}

void settle_taken_cells(const std::vector<UNION_DATA*>& cells) {
    for (UNION_DATA* cell : cells) {
        if (cell->payload == nullptr) continue;
        const char lowered = lower_tag(cell->tag);
        if (lowered == tag_str) {
            cell->str_data()->reset_read();
        } else if (lowered == tag_hash || lowered == tag_set) {
            cell->hash_data()->cached_array.reset();
            cell->hash_data()->array_outdated = false;
        }
    }
}

namespace {

// What a plain member holds, by its tag: the value an overwrite copies and
// how (none: the tag of no plain member, links among them).
enum class PLAIN_KIND : uint8_t { none, int_number, text, real, in_cell };

constexpr PLAIN_KIND plain_kind_of(char tag) {
    switch (lower_tag(tag)) {
    case tag_int: return PLAIN_KIND::int_number;
    case tag_str: return PLAIN_KIND::text;
    case tag_real: return PLAIN_KIND::real;
    case tag_bool:
    case tag_char: return PLAIN_KIND::in_cell;
    default: return PLAIN_KIND::none;
    }
}

constexpr auto plain_kinds = [] {
    std::array<PLAIN_KIND, 256> kinds{};
    for (size_t tag = 0; tag < kinds.size(); ++tag) kinds[tag] = plain_kind_of(static_cast<char>(tag));
    return kinds;
}();

}  // namespace

bool is_plain_member(const UNION_DATA* cell) {
    return cell->payload != nullptr && cell->referrers == nullptr &&
           plain_kinds[static_cast<unsigned char>(cell->tag)] != PLAIN_KIND::none;
}

bool holds_plain_values_only(const UNION_DATA* cell) {
    if (lower_tag(cell->tag) != tag_list || cell->payload == nullptr || cell->referrers != nullptr) return false;
    const LIST_DATA& store = *cell->list_data();
    for (const LIST_NODE* node = store.head; node != nullptr; node = node->next)
        if (!is_plain_member(&node->value)) return false;
    return true;
}

bool is_overwritable_member(const UNION_DATA* member) {
    if (member->payload == nullptr || !known_to_nothing(member)) return false;
    switch (plain_kinds[static_cast<unsigned char>(member->tag)]) {
    case PLAIN_KIND::none: return false;
    case PLAIN_KIND::text: return member->str_data()->walks() == 0;
    default: return true;
    }
}

namespace {

// Whether every member cell of the record passes the test (a missing member
// cell passes); the test is inlined into each use.
template <typename TEST>
bool every_member(const OBJECT_RECORD& record, TEST test) {
    for (const GROUP_ENTRY& group : record.groups) {
        if (!group.slots) continue;
        for (const UNION_DATA* member : group.slots->cells)
            if (member != nullptr && !test(member)) return false;
    }
    return true;
}

}  // namespace

bool every_member_overwritable(const OBJECT_RECORD& record) {
    return every_member(record, [](const UNION_DATA* member) { return is_overwritable_member(member); });
}

bool every_member_plain(const OBJECT_RECORD& record) {
    return every_member(record, [](const UNION_DATA* member) { return is_plain_member(member); });
}

void copy_member_groups(OBJECT_RECORD& dest, const OBJECT_RECORD& source,
                        void (*copy_row)(SLOT_ARRAY& dest, const SLOT_ARRAY& source)) {
    dest.groups.clear();
    dest.groups.resize(source.groups.size());
    for (size_t g = 0; g < source.groups.size(); ++g) {
        const GROUP_ENTRY& from = source.groups[g];
        GROUP_ENTRY& to = dest.groups[g];
        to.type = from.type;
        if (!from.slots) continue;
        to.slots = std::make_unique<SLOT_ARRAY>();
        copy_row(*to.slots, *from.slots);
    }
}

namespace {

// The copy of a plain member, as copy_construct_value makes it inside a
// running copy: a machine int as the payload word, any other value in a new
// payload of its own.
UNION_DATA* copy_plain_member(const UNION_DATA* src) {
    auto* cell = new UNION_DATA(tag_nothing);
    cell->tag = src->tag;
    switch (lower_tag(src->tag)) {
    case tag_int: {
        void* word = src->payload;
        if (is_inline_int(word) || inline_copy_of(*src->int_data(), word)) {
            cell->payload = word;
        } else {
            auto* number = new INT_DATA();
            cell->payload = number;
            *number = *src->int_data();
        }
        break;
    }
    case tag_str: cell->payload = new STR_DATA(src->str_data()->text); break;
    case tag_real: {
        auto* number = new REAL_DATA();
        cell->payload = number;
        *number = *src->real_data();
        break;
    }
    default:  // bool and char live in the cell
        cell->scalar = src->scalar;
        cell->payload = &cell->scalar;
        break;
    }
    return cell;
}

void copy_plain_row(SLOT_ARRAY& dest, const SLOT_ARRAY& source) {
    const auto& members = source.cells;
    dest.cells.assign(members.size(), nullptr);
    for (size_t i = 0; i < members.size(); ++i)
        if (members[i] != nullptr) dest.cells[i] = copy_plain_member(members[i]);
}

// The kind of a member that is plain (is_plain_member); none otherwise.
inline PLAIN_KIND plain_member_kind(const UNION_DATA* cell) {
    if (cell->payload == nullptr || cell->referrers != nullptr) return PLAIN_KIND::none;
    return plain_kinds[static_cast<unsigned char>(cell->tag)];
}

// Whether a member of the record being overwritten may take the plain
// member from's value in place.
inline bool takes_member_in_place(const UNION_DATA* to, const UNION_DATA* from, bool to_checked) {
    if (to == nullptr || from == nullptr) return to == from;
    return to->tag == from->tag && plain_member_kind(from) != PLAIN_KIND::none &&
           (to_checked || is_overwritable_member(to));
}

// Gives to (which takes_member_in_place passed) the value of from, in the
// form copy_plain_member would give it.
inline void overwrite_member(UNION_DATA* to, const UNION_DATA* from) {
    switch (plain_kinds[static_cast<unsigned char>(from->tag)]) {
    case PLAIN_KIND::int_number: {
        void* word = from->payload;
        if (is_inline_int(word) || inline_copy_of(*from->int_data(), word)) {
            if (!is_inline_int(to->payload)) delete static_cast<INT_DATA*>(to->payload);
            to->payload = word;
        } else {
            if (is_inline_int(to->payload)) to->payload = new INT_DATA();
            *static_cast<INT_DATA*>(to->payload) = *from->int_data();
        }
        break;
    }
    case PLAIN_KIND::text:
        to->str_data()->text = from->str_data()->text;
        to->str_data()->reset_read();
        break;
    case PLAIN_KIND::real: *to->real_data() = *from->real_data(); break;
    default: to->scalar = from->scalar; break;
    }
}

}  // namespace

namespace {

// Whether the member to may take from's value by a word alone: both ints in
// the payload word, or both bools or chars (in the cell). The test of
// takes_member_in_place for the commonest members, read in one pass.
inline bool takes_word(const UNION_DATA* to, const UNION_DATA* from, bool to_checked) {
    if (to == nullptr || from == nullptr || to->tag != from->tag || from->payload == nullptr ||
        from->referrers != nullptr)
        return false;
    const char lowered = lower_tag(to->tag);
    if (lowered == tag_int) {
        if (!is_inline_int(from->payload) || !is_inline_int(to->payload)) return false;
    } else if ((lowered != tag_bool && lowered != tag_char) || from->payload != &from->scalar ||
               to->payload != &to->scalar) {
        return false;
    }
    // is_overwritable_member for a value that lives in the cell or its word.
    return to_checked || known_to_nothing(to);
}

// overwrite_members for records of one group whose members all take their
// values by a word; false, with nothing written, for any other pair.
[[gnu::always_inline]] inline bool overwrite_words(OBJECT_RECORD& record, const OBJECT_RECORD& source,
                                                   bool record_checked) {
    const auto& target = record.groups;
    const auto& groups = source.groups;
    if (groups.size() != 1 || target.size() != 1 || target[0].type != groups[0].type || !target[0].slots ||
        !groups[0].slots)
        return false;
    const auto& into = target[0].slots->cells;
    const auto& out_of = groups[0].slots->cells;
    const size_t count = out_of.size();
    if (into.size() != count) return false;
    for (size_t i = 0; i < count; ++i)
        if (!takes_word(into[i], out_of[i], record_checked)) return false;
    for (size_t i = 0; i < count; ++i) {
        if (is_inline_int(out_of[i]->payload)) into[i]->payload = out_of[i]->payload;
        else into[i]->scalar = out_of[i]->scalar;
    }
    return true;
}

}  // namespace

bool copy_plain_members(OBJECT_RECORD& dest, const OBJECT_RECORD& source) {
    // Outside a copy the general copy gives ints records, not words.
    if (copy_depth == 0 || !every_member_plain(source)) return false;
    if (dest.groups.empty() && source.groups.size() == 1 && source.groups[0].slots) {
        // A kept record of the type takes the values in place.
        const GROUP_ENTRY& group = source.groups[0];
        if (OBJECT_RECORD* kept = take_kept_record(group.type, group.slots->cells.size())) {
            if (overwrite_words(*kept, source, true)) {
                dest.groups = std::move(kept->groups);
                delete kept;
                return true;
            }
            discard_kept_record(kept);
        }
    }
    copy_member_groups(dest, source, copy_plain_row);
    return true;
}

bool overwrite_members(OBJECT_RECORD& record, const OBJECT_RECORD& source, bool record_checked) {
    auto& target = record.groups;
    const auto& groups = source.groups;
    const size_t group_count = groups.size();
    if (target.size() != group_count) return false;
    if (overwrite_words(record, source, record_checked)) return true;
    // Every member is checked before the first is written: the record takes
    // the values whole or not at all.
    for (size_t g = 0; g < group_count; ++g) {
        const SLOT_ARRAY* into = target[g].slots.get();
        const SLOT_ARRAY* out_of = groups[g].slots.get();
        if (target[g].type != groups[g].type || (into == nullptr) != (out_of == nullptr)) return false;
        if (into == nullptr) continue;
        const size_t count = out_of->cells.size();
        if (into->cells.size() != count) return false;
        UNION_DATA* const* to = into->cells.data();
        const UNION_DATA* const* from = out_of->cells.data();
        for (size_t i = 0; i < count; ++i)
            if (!takes_member_in_place(to[i], from[i], record_checked)) return false;
    }
    for (size_t g = 0; g < group_count; ++g) {
        if (!target[g].slots) continue;
        const auto& members = groups[g].slots->cells;
        UNION_DATA* const* to = target[g].slots->cells.data();
        const size_t count = members.size();
        for (size_t i = 0; i < count; ++i)
            if (members[i] != nullptr) overwrite_member(to[i], members[i]);
    }
    return true;
}

bool assign_object_in_place(UNION_DATA* dest, const UNION_DATA* src) {
    // Links to dest itself see its new value either way; a method running on
    // its object must keep the old one.
    if (lower_tag(dest->tag) != tag_object || lower_tag(src->tag) != tag_object || is_pinned_object(dest)) return false;
    const OBJECT_HOLDER* to = dest->holder();
    const OBJECT_HOLDER* from = src->holder();
    if (to == nullptr || from == nullptr || to->type == nullptr || to->type != from->type || to->object == nullptr ||
        from->object == nullptr)
        return false;
    return overwrite_members(*to->object, *from->object);
}

bool assign_list_in_place(UNION_DATA* dest, const UNION_DATA* src) {
    if (copy_depth != 0 || lower_tag(dest->tag) != tag_list || lower_tag(src->tag) != tag_list ||
        dest->payload == nullptr || src->payload == nullptr)
        return false;
    LIST_DATA& to = *dest->list_data();
    const LIST_DATA& from = *src->list_data();
    if (&to == &from || to.node_count != from.node_count || to.iteration_count != 0) return false;
    // Every element is checked before the first is written, as for the
    // members of an object; an element with a key cell of its own is no
    // plain element.
    const LIST_NODE* y = from.head;
    for (LIST_NODE* x = to.head; x != nullptr; x = x->next, y = y->next) {
        if (y == nullptr || x->value.key_follows != 0 || y->value.key_follows != 0 ||
            !takes_member_in_place(&x->value, &y->value, false))
            return false;
    }
    if (y != nullptr) return false;
    y = from.head;
    for (LIST_NODE* x = to.head; x != nullptr; x = x->next, y = y->next) overwrite_member(&x->value, &y->value);
    return true;
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
