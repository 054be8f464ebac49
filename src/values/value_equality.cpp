// Value equality, walked with an explicit stack of frames instead of the
// machine stack: a frame holds two containers of one kind and the position
// its comparison has reached. The pairs are compared in the order a
// recursive comparison would take (depth first, elements in value order,
// the first unequal pair ending the walk), and a pair of plain values is
// compared on the spot, so that a flat container needs no frame beyond its
// own.
//
// A test marked top also checks, when its pair is equal and partners were
// recorded, that the references inside point to corresponding places; the
// halves of an any2 are such tests of their own, and each keeps a frame
// beneath its pair's frames until its check is made.

#include <cstring>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/calendar.h"
#include "values/front_end_services.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace morvu {

namespace {

int32_t open_tests = 0;  // outermost equality tests under way

enum class FRAME_KIND : uint8_t {
    top_end,  // the check of a top test, made when the pair above it ended equal
    object,
    list,
    array,
    array2,
    hash,
    set,
    graph,
    any2,
};

// Two containers of one kind (payloads, or object records) and how far
// their comparison has come.
struct EQUALITY_FRAME {
    FRAME_KIND kind = FRAME_KIND::top_end;
    void* mine = nullptr;  // top_end: the cell whose references are checked
    void* theirs = nullptr;
    size_t index = 0;                  // object: group; array, array2: slot; hash: next bucket; graph: node; any2: half
    size_t member = 0;                 // object: member of the group; graph: 1 once the nodes are done
    LIST_NODE* mine_node = nullptr;    // list: this side's next node
    LIST_NODE* theirs_node = nullptr;  // list, hash: the other side's next node
    GRAPH_EDGE* edge = nullptr;        // graph: this side's next edge
};

// Every walk in progress keeps its frames above those of the walk it runs
// within (a hash compares its keys by walks of their own).
std::vector<EQUALITY_FRAME> equality_stack;

// Drops a walk's frames when it ends by an error.
class WALK_BASE {
public:
    WALK_BASE() : base(equality_stack.size()) {}
    ~WALK_BASE() {
        equality_stack.resize(base);
        // What a very deep value needed is not kept.
        if (base == 0 && equality_stack.capacity() > 4096) equality_stack = {};
    }
    WALK_BASE(const WALK_BASE&) = delete;
    WALK_BASE& operator=(const WALK_BASE&) = delete;

    const size_t base;
};

enum class STEP : uint8_t { unequal, equal, opened };

STEP step_of(bool equal) { return equal ? STEP::equal : STEP::unequal; }

// Checks (check) or clears the equality partners of the references inside
// the cell's value.
bool structural_equal(UNION_DATA* cell, bool check) {
    std::vector<UNION_DATA*> stack{cell};
    std::vector<UNION_DATA*> children;
    while (!stack.empty()) {
        UNION_DATA* c = stack.back();
        stack.pop_back();
        if (!check) {
            equality_partners.forget(c);
        } else if (is_reference_tag(c->tag)) {
            // A reference without partner was compared by a comparison of
            // its own (an any2 half, a hash key), which has checked it
            // already.
            if (UNION_DATA* partner = equality_partners.of(c)) {
                UNION_DATA* target = c->target();
                UNION_DATA* partner_target = is_link_cell(partner) ? partner->target() : partner;
                UNION_DATA* target_partner = equality_partners.of(target);
                if (target_partner == nullptr ? partner_target != target : partner_target != target_partner)
                    return false;
            }
        }
        children.clear();
        append_child_cells(c, children);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    return true;
}

// The end of a top test whose pair compared as `equal`: the references'
// places are checked, and the partners inside x forgotten.
bool end_top(UNION_DATA* x, bool equal) {
    if (equality_partners.empty()) return equal;  // no reference was compared
    if (equal) equal = structural_equal(x, true);
    structural_equal(x, false);
    return equal;
}

void open(FRAME_KIND kind, void* mine, void* theirs) {
    EQUALITY_FRAME& frame = equality_stack.emplace_back();
    frame.kind = kind;
    frame.mine = mine;
    frame.theirs = theirs;
}

STEP advance(size_t i, EQUALITY_FRAME* given = nullptr);

// Two containers whose elements are compared at once as long as they are
// plain; a frame goes on the stack only before a pair that may open one of
// its own (opened).
STEP open_and_compare(FRAME_KIND kind, void* mine, void* theirs, LIST_NODE* mine_node = nullptr,
                      LIST_NODE* theirs_node = nullptr) {
    EQUALITY_FRAME frame;
    frame.kind = kind;
    frame.mine = mine;
    frame.theirs = theirs;
    frame.mine_node = mine_node;
    frame.theirs_node = theirs_node;
    return advance(0, &frame);
}

// An element whose comparison opens no frame: no link and nothing nested.
bool is_plain(const UNION_DATA* cell) {
    const char lowered = lower_tag(cell->tag);
    return !is_nesting_tag(lowered) && !is_link_tag(lowered);
}

// In advance over a frame given apart from the stack: the frame goes on the
// stack, as it is, before a pair that may open a frame is compared.
STEP promote(const EQUALITY_FRAME* given) {
    equality_stack.push_back(*given);
    return STEP::opened;
}

// Two container payloads of the lowered type: decided by their shapes, or a
// frame opened for their elements.
STEP open_containers(char lowered, void* mine, void* theirs) {
    switch (lowered) {
    case tag_array: {
        const auto* a = static_cast<ARRAY_DATA*>(mine);
        const auto* b = static_cast<ARRAY_DATA*>(theirs);
        if (a->slot_count != b->slot_count) return STEP::unequal;
        if (a->slot_count == 0) return STEP::equal;
        return open_and_compare(FRAME_KIND::array, mine, theirs);
    }
    case tag_array2: {
        const auto* a = static_cast<ARRAY2_DATA*>(mine);
        const auto* b = static_cast<ARRAY2_DATA*>(theirs);
        if (a->rows != b->rows || a->cols != b->cols || a->cells.size() != b->cells.size()) return STEP::unequal;
        return open_and_compare(FRAME_KIND::array2, mine, theirs);
    }
    case tag_graph:
        if (static_cast<GRAPH_DATA*>(mine)->node_count != static_cast<GRAPH_DATA*>(theirs)->node_count)
            return STEP::unequal;
        open(FRAME_KIND::graph, mine, theirs);
        return STEP::opened;
    case tag_hash:
    case tag_set:
        if (static_cast<HASH_DATA*>(mine)->pair_count != static_cast<HASH_DATA*>(theirs)->pair_count)
            return STEP::unequal;
        return open_and_compare(lowered == tag_hash ? FRAME_KIND::hash : FRAME_KIND::set, mine, theirs);
    case tag_list:
    case tag_args: {
        auto* a = static_cast<LIST_DATA*>(mine);
        auto* b = static_cast<LIST_DATA*>(theirs);
        if (a->node_count != b->node_count) return STEP::unequal;
        if (a->node_count == 0) return STEP::equal;
        return open_and_compare(FRAME_KIND::list, mine, theirs, a->head, b->head);
    }
    case tag_any2: open(FRAME_KIND::any2, mine, theirs); return STEP::opened;
    default: return STEP::equal;
    }
}

// Whether the payloads of two defined cells of one scalar type are equal:
// bool, char, int, real, oper or str.
bool scalar_payloads_equal(char type, UNION_DATA* x, UNION_DATA* y) {
    switch (type) {
    case tag_bool: return x->bool_word() == y->bool_word();
    case tag_char: return x->char_byte() == y->char_byte();
    case tag_int: {
        int64_t a = 0;
        int64_t b = 0;
        if ((is_inline_int(x->payload) || is_inline_int(y->payload)) && cell_int64(x, a) && cell_int64(y, b))
            return a == b;
        return *x->int_data() == *y->int_data();
    }
    case tag_real: return *x->real_data() == *y->real_data();
    case tag_oper: return x->oper_chars()[0] == y->oper_chars()[0] && x->oper_chars()[1] == y->oper_chars()[1];
    default: return std::strcmp(x->str_data()->text.c_str(), y->str_data()->text.c_str()) == 0;
    }
}

// A cell of one of those scalar types, or any other cell that holds no
// link and nests nothing; its comparison opens no frame.
bool is_scalar_cell(const UNION_DATA* cell) {
    switch (lower_tag(cell->tag)) {
    case tag_bool:
    case tag_char:
    case tag_int:
    case tag_real:
    case tag_oper:
    case tag_str: return true;
    default: return false;
    }
}

// Two defined objects of one type compared member by member on the spot,
// as long as each member pair met is two scalars held in place: 1 equal,
// 0 unequal, -1 at the first member that is anything else (a link, a
// container, another object, a differing shape), where the walk takes over
// from the start. Such members record no partners and hold no references,
// so the answer is the walk's.
[[gnu::noinline]] int plain_objects_equal(UNION_DATA* x, UNION_DATA* y) {
    const OBJECT_HOLDER* mine_holder = x->holder();
    const OBJECT_HOLDER* their_holder = y->holder();
    if (mine_holder == nullptr || their_holder == nullptr || mine_holder->object == nullptr ||
        their_holder->object == nullptr || mine_holder->type != their_holder->type || !is_defined_value(x) ||
        !is_defined_value(y))
        return -1;
    const auto& mine = mine_holder->object->groups;
    const auto& theirs = their_holder->object->groups;
    if (mine.size() != theirs.size()) return -1;
    for (size_t g = 0; g < mine.size(); ++g) {
        const SLOT_ARRAY* a = mine[g].slots.get();
        const SLOT_ARRAY* b = theirs[g].slots.get();
        if (a == nullptr || b == nullptr || a->cells.size() != b->cells.size()) return -1;
        for (size_t m = 0; m < a->cells.size(); ++m) {
            UNION_DATA* p = a->cells[m];
            UNION_DATA* q = b->cells[m];
            if (p == nullptr || q == nullptr || !is_scalar_cell(p) || !is_scalar_cell(q)) return -1;
            const char type = lower_tag(p->tag);
            if (type != lower_tag(q->tag)) return 0;
            const bool defined = is_defined_value(p);
            if (defined != is_defined_value(q)) return 0;
            if (!defined) continue;
            if (p->payload == nullptr || q->payload == nullptr) {
                if (p->payload != q->payload) return 0;
                continue;
            }
            if (!scalar_payloads_equal(type, p, q)) return 0;
        }
    }
    return 1;
}

// The payloads of two cells of the same lowered type, links already
// resolved: decided at once, or a frame opened for their elements.
STEP open_payloads(UNION_DATA* x, UNION_DATA* y) {
    equality_partners.record(x, y);
    if (!is_defined_value(x) && !is_defined_value(y)) return STEP::equal;
    const char type = lower_tag(x->tag);
    if (type == tag_object) {
        OBJECT_RECORD* a = x->holder() != nullptr ? x->holder()->object : nullptr;
        OBJECT_RECORD* b = y->holder() != nullptr ? y->holder()->object : nullptr;
        if (a == nullptr || b == nullptr) return step_of(a == b);
        if (x->holder()->type != y->holder()->type) return STEP::unequal;
        return open_and_compare(FRAME_KIND::object, a, b);
    }
    if (type < '0' || type > 'z') return STEP::equal;
    // A value tag without payload holds no value; the caller has made sure
    // that both sides agree on that.
    if (x->payload == nullptr || y->payload == nullptr) return step_of(x->payload == y->payload);
    switch (type) {
    case tag_date: {
        const DATE_DATA& a = *x->date_data();
        const DATE_DATA& b = *y->date_data();
        return step_of(a.day == b.day && a.month == b.month && a.year == b.year);
    }
    case tag_time: {
        const TIME_DATA& a = *x->time_data();
        const TIME_DATA& b = *y->time_data();
        return step_of(a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds);
    }
    case tag_timezone:
        return step_of(x->timezone_data()->hours == y->timezone_data()->hours &&
                       x->timezone_data()->minutes == y->timezone_data()->minutes);
    case tag_datetime: return step_of(x->datetime_data()->total_seconds() == y->datetime_data()->total_seconds());
    case tag_bool:
    case tag_char:
    case tag_int:
    case tag_real:
    case tag_oper:
    case tag_str: return step_of(scalar_payloads_equal(type, x, y));
    case tag_dir: return step_of(x->dir_data()->path_name == y->dir_data()->path_name);
    case tag_error: {
        const ERROR_DATA& a = *x->error_data();
        const ERROR_DATA& b = *y->error_data();
        return step_of(a.file == b.file && a.kind == b.kind && a.line == b.line && a.message == b.message);
    }
    case tag_file: return step_of(x->file_data()->path_name == y->file_data()->path_name);
    case tag_code: {
        const TOKEN* a = x->code_data()->block;
        const TOKEN* b = y->code_data()->block;
        return step_of(front_end_services.blocks_equal != nullptr ? front_end_services.blocks_equal(a, b) : a == b);
    }
    case tag_array:
    case tag_array2:
    case tag_graph:
    case tag_hash:
    case tag_set:
    case tag_list:
    case tag_args:
    case tag_any2: return open_containers(type, x->payload, y->payload);
    default: return STEP::equal;  // sys, links, the empty value
    }
}

// One pair as is_equal_value compares it, up to the opening of its
// elements.
STEP visit(UNION_DATA* a, UNION_DATA* b, bool top) {
    // An alias or call-alias is another name of its target.
    a = follow_aliases(a);
    b = follow_aliases(b);
    UNION_DATA* x = a;
    UNION_DATA* y = b;
    const bool a_reference = is_reference_tag(a->tag);
    const bool b_reference = is_reference_tag(b->tag);
    if (a_reference && b_reference) {
        x = a->target();
        y = b->target();
        if (!top) equality_partners.record(a, b);  // checked by the top test's end
    } else if (a_reference || b_reference) {
        if (!top) return STEP::unequal;
        if (a_reference) x = a->target();
        else y = b->target();
    }
    const size_t mark = equality_stack.size();
    if (top) open(FRAME_KIND::top_end, x, nullptr);
    STEP step;
    if (lower_tag(x->tag) != lower_tag(y->tag)) step = STEP::unequal;
    else if (is_defined_value(x) != is_defined_value(y)) step = STEP::unequal;
    else if (equality_partners.of(a) != nullptr) step = STEP::equal;  // met before
    else step = open_payloads(x, y);
    if (!top || step == STEP::opened) return step;
    equality_stack.resize(mark);
    return step_of(end_top(x, step == STEP::equal));
}

// Compares the next elements of the frame at index i (or of the frame
// given) until one opens a frame of its own (opened) or the frame's pair is
// decided.
STEP advance(size_t i, EQUALITY_FRAME* given) {
    // A visit that opens a frame, and a key's look-up, may move the stack:
    // f is looked up again after each.
    EQUALITY_FRAME* f = given != nullptr ? given : &equality_stack[i];
    auto again = [&] { f = given != nullptr ? given : &equality_stack[i]; };
    switch (f->kind) {
    case FRAME_KIND::object: {
        const auto& mine = static_cast<OBJECT_RECORD*>(f->mine)->groups;
        const auto& theirs = static_cast<OBJECT_RECORD*>(f->theirs)->groups;
        for (;;) {
            const size_t g = f->index;
            if (g >= mine.size()) return STEP::equal;
            const SLOT_ARRAY* a = mine[g].slots.get();
            const SLOT_ARRAY* b = g < theirs.size() ? theirs[g].slots.get() : nullptr;
            if (a == nullptr || b == nullptr) {
                if (a != b) return STEP::unequal;
                ++f->index;
                continue;
            }
            const size_t m = f->member;
            if (m >= a->cells.size()) {
                ++f->index;
                f->member = 0;
                continue;
            }
            UNION_DATA* x = a->cells[m];
            UNION_DATA* y = m < b->cells.size() ? b->cells[m] : nullptr;
            if (x == nullptr || y == nullptr) {
                if (x != y) return STEP::unequal;
                f->member = m + 1;
                continue;
            }
            if (given != nullptr && !is_plain(x)) return promote(given);
            f->member = m + 1;
            if (STEP step = visit(x, y, false); step != STEP::equal) return step;
            again();
        }
    }
    case FRAME_KIND::list: {
        // The place is kept here and written back when the frame stops.
        LIST_NODE* mine = f->mine_node;
        LIST_NODE* theirs = f->theirs_node;
        while (mine != nullptr && theirs != nullptr) {
            UNION_DATA* x = &mine->value;
            UNION_DATA* y = &theirs->value;
            if (given != nullptr && !is_plain(x)) {
                f->mine_node = mine;
                f->theirs_node = theirs;
                return promote(given);
            }
            mine = mine->next;
            theirs = theirs->next;
            if (STEP step = visit(x, y, false); step != STEP::equal) {
                again();
                f->mine_node = mine;
                f->theirs_node = theirs;
                return step;
            }
        }
        return STEP::equal;
    }
    case FRAME_KIND::array:
    case FRAME_KIND::array2: {
        const bool grid = f->kind == FRAME_KIND::array2;
        const SLOT_ROW& mine =
            grid ? static_cast<ARRAY2_DATA*>(f->mine)->cells : static_cast<ARRAY_DATA*>(f->mine)->slots;
        const SLOT_ROW& theirs =
            grid ? static_cast<ARRAY2_DATA*>(f->theirs)->cells : static_cast<ARRAY_DATA*>(f->theirs)->slots;
        // The place is kept here and written back when the frame stops.
        for (size_t at = f->index; at < mine.size() && at < theirs.size(); ++at) {
            const uintptr_t a = mine.word(at);
            const uintptr_t b = theirs.word(at);
            if (a == undefined_slot || b == undefined_slot) {
                if (a != b) return STEP::unequal;
                continue;
            }
            // Two compact slots are equal when their words are: a word is
            // the one form of its value.
            if (is_compact_word(a) && is_compact_word(b)) {
                if (a != b) return STEP::unequal;
                continue;
            }
            SLOT_VIEW x_view;
            SLOT_VIEW y_view;
            UNION_DATA* x = mine.view(at, x_view);
            UNION_DATA* y = theirs.view(at, y_view);
            if (given != nullptr && !is_plain(x)) {
                f->index = at;
                return promote(given);
            }
            if (STEP step = visit(x, y, false); step != STEP::equal) {
                again();
                f->index = at + 1;
                return step;
            }
        }
        return STEP::equal;
    }
    case FRAME_KIND::hash:
    case FRAME_KIND::set: {
        const bool values = f->kind == FRAME_KIND::hash;
        HASH_DATA& mine = *static_cast<HASH_DATA*>(f->mine);
        HASH_DATA& theirs = *static_cast<HASH_DATA*>(f->theirs);
        for (;;) {
            LIST_NODE* node = f->theirs_node;
            if (node == nullptr) {
                const size_t b = f->index;
                if (b >= mine.buckets.size()) return STEP::equal;
                ++f->index;
                const LIST_DATA* a = mine.buckets[b].get();
                const LIST_DATA* other = theirs.buckets[b].get();
                if (other == nullptr) {
                    if (a != nullptr) return STEP::unequal;
                    continue;
                }
                if (a == nullptr || a->node_count != other->node_count) return STEP::unequal;
                f->theirs_node = other->head;
                continue;
            }
            if (f->member == 0) {
                // The pair of this hash with the other's key.
                LIST_NODE* found = mine.find_key_of(node);  // a walk of its own
                again();
                if (found == nullptr) return STEP::unequal;
                if (!values) {
                    f->theirs_node = node->next;
                    continue;
                }
                f->mine_node = found;
                f->member = 1;
            }
            // Their values.
            LIST_NODE* found = f->mine_node;
            if (given != nullptr && !is_plain(&found->value)) return promote(given);
            f->theirs_node = node->next;
            f->member = 0;
            if (STEP step = visit(&found->value, &node->value, false); step != STEP::equal) return step;
            again();
        }
    }
    case FRAME_KIND::graph: {
        const GRAPH_DATA& mine = *static_cast<GRAPH_DATA*>(f->mine);
        const GRAPH_DATA& theirs = *static_cast<GRAPH_DATA*>(f->theirs);
        while (f->member == 0) {
            const size_t n = f->index;
            if (n >= static_cast<size_t>(mine.node_count)) {
                if (mine.edge_count != theirs.edge_count) return STEP::unequal;
                f->member = 1;
                f->edge = mine.first_edge;
                break;
            }
            ++f->index;
            if (STEP step = visit(&mine.nodes[n]->value, &theirs.nodes[n]->value, false); step != STEP::equal)
                return step;
            again();
        }
        while (f->edge != nullptr) {
            GRAPH_EDGE* edge = f->edge;
            f->edge = edge->next;
            const int64_t id = static_cast<int64_t>(edge->parallel_index) * mine.node_count + edge->source->index;
            if (id > INT32_MAX) return STEP::unequal;  // no address of the other graph can name it
            GRAPH_EDGE* match = theirs.find_edge(static_cast<int>(id), edge->target->index);
            if (match == nullptr) return STEP::unequal;
            if (STEP step = visit(&edge->value, &match->value, false); step != STEP::equal) return step;
            again();
        }
        return STEP::equal;
    }
    case FRAME_KIND::any2: {
        // Each half is a test of its own.
        auto* mine = static_cast<ANY2_DATA*>(f->mine);
        auto* theirs = static_cast<ANY2_DATA*>(f->theirs);
        while (f->index < 2) {
            const bool first = f->index == 0;
            ++f->index;
            STEP step = first ? visit(&mine->first, &theirs->first, true) : visit(&mine->second, &theirs->second, true);
            if (step != STEP::equal) return step;
            again();
        }
        return STEP::equal;
    }
    case FRAME_KIND::top_end: break;
    }
    return STEP::equal;
}

// Runs the frames above base to the end; the answer for the pair that
// opened the lowest of them.
bool run_walk(size_t base) {
    while (equality_stack.size() > base) {
        EQUALITY_FRAME& frame = equality_stack.back();
        STEP step;
        if (frame.kind == FRAME_KIND::top_end) {
            // The pair above ended equal.
            auto* x = static_cast<UNION_DATA*>(frame.mine);
            equality_stack.pop_back();
            step = step_of(end_top(x, true));
        } else {
            step = advance(equality_stack.size() - 1);
            if (step == STEP::opened) continue;
            equality_stack.pop_back();
        }
        if (step == STEP::equal) continue;
        // Unequal: so is every pair below, and each top test still open
        // forgets its partners, as it would on its way out.
        while (equality_stack.size() > base) {
            const EQUALITY_FRAME below = equality_stack.back();
            equality_stack.pop_back();
            if (below.kind == FRAME_KIND::top_end) end_top(static_cast<UNION_DATA*>(below.mine), false);
        }
        return false;
    }
    return true;
}

}  // namespace

bool is_equal_value(UNION_DATA* a, UNION_DATA* b, bool top) {
    // Two scalars compared outside any other test: no partners to record,
    // no references inside to match up.
    if (top && open_tests == 0) {
        UNION_DATA* x = follow_aliases(a);
        UNION_DATA* y = follow_aliases(b);
        if (is_scalar_cell(x) && is_scalar_cell(y)) {
            const char type = lower_tag(x->tag);
            if (type != lower_tag(y->tag)) return false;
            const bool defined = is_defined_value(x);
            if (defined != is_defined_value(y)) return false;
            if (!defined) return true;
            if (x->payload == nullptr || y->payload == nullptr) return x->payload == y->payload;
            return scalar_payloads_equal(type, x, y);
        }
        // Two objects of plain members, the values a sort by a type's own
        // "<" asks about after each "not less".
        if (lower_tag(x->tag) == tag_object && lower_tag(y->tag) == tag_object) [[unlikely]] {
            const int plain = plain_objects_equal(x, y);
            if (plain >= 0) return plain == 1;
        }
    }
    // The outermost test forgets every partner at its end, also those of
    // cells outside the value that aliases inside it led to.
    struct OPEN_TEST {
        bool top;
        explicit OPEN_TEST(bool top) : top(top) { open_tests += top ? 1 : 0; }
        ~OPEN_TEST() {
            if (top && --open_tests == 0) equality_partners.clear();
        }
    } open_test(top);
    const WALK_BASE walk;
    const STEP step = visit(a, b, top);
    return step == STEP::opened ? run_walk(walk.base) : step == STEP::equal;
}

bool compare_by_type(UNION_DATA* x, UNION_DATA* y) {
    const WALK_BASE walk;
    const STEP step = open_payloads(x, y);
    return step == STEP::opened ? run_walk(walk.base) : step == STEP::equal;
}

bool equal_containers(char lowered, void* mine, void* theirs) {
    const WALK_BASE walk;
    const STEP step = open_containers(lowered, mine, theirs);
    return step == STEP::opened ? run_walk(walk.base) : step == STEP::equal;
}

}  // namespace morvu
