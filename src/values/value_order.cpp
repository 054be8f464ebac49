#include "values/value_order.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/error.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/calendar.h"
#include "values/cell_holds.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/result_list.h"
#include "values/union_data.h"
#include "values/value_copy.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

std::string held_type_name(UNION_DATA* cell) { return type_name_text(value_type_name(cell, true)); }

// The shared two-part message "Operator '<' for type '%s': ..." of a user
// operator that answered wrongly.
const char* user_operator_failure(const char* second_part, UNION_DATA* left) {
    return keep_message(format_string(msg_text_concat2("operkledattyp", second_part), held_type_name(left).c_str()));
}

// "<" by the operator "<" that the user type of left defines.
const char* user_less(UNION_DATA* left, UNION_DATA* right, bool* result) {
    RESULT_LIST results;
    if (user_operator_caller != nullptr) {
        std::string unused;
        user_operator_caller(unused, current_statement, "<", RESULT_ITEM{left, access_constant_input, 0},
                             RESULT_ITEM{right, access_constant_input, 0}, results);
    }
    if (results.count == 0) {
        return keep_message(format_string(msg_text("fehopekledattyp"), held_type_name(left).c_str()));
    }
    if (results.count > 1) return user_operator_failure("erwgen1erg", left);
    RESULT_ITEM item = pop(results);
    std::unique_ptr<UNION_DATA> owned(item.owned ? item.cell : nullptr);
    UNION_DATA* answer = follow_aliases(item.cell);
    if (lower_tag(answer->tag) != tag_bool) return user_operator_failure("erwbooerg", left);
    *result = answer->bool_word() != 0;  // an empty bool counts as true
    return nullptr;
}

// The equality test that follows "<" in "<=" and ">" reads both operands
// again. When "<" may run code of the user (an object's own operator, or one
// reached through the elements of a list), that code may let go of the
// operands' containers: both stay held until the test is over.
class ORDER_HOLDS {
public:
    ORDER_HOLDS(UNION_DATA* left, UNION_DATA* right) : scope(runs_user_code(left)) {
        if (!runs_user_code(left)) return;
        hold_unowned(left);
        hold_unowned(right);
    }

private:
    static bool runs_user_code(UNION_DATA* left) {
        const char tag = lower_tag(follow_link(left)->tag);
        return tag == tag_object || tag == tag_list || tag == tag_args;
    }

    HOLD_SCOPE scope;
};

// Lexicographic comparison field by field: the first field that differs
// decides.
template <typename... FIELDS>
bool fields_less(const FIELDS&... pairs) {
    for (const auto& [a, b] : {pairs...}) {
        if (*a < *b) return true;
        if (*b < *a) return false;
    }
    return false;
}

using INT_PAIR = std::pair<const INT_DATA*, const INT_DATA*>;

// Set while lists are compared that hold no object at any depth. "<" on
// their elements then runs no user operator, so its answer may be reused
// for ">" instead of being asked again; asking twice at every level of
// nested lists would cost time exponential in their depth.
bool order_runs_no_user_code = false;

bool is_list_value(UNION_DATA* cell) {
    char type = base_type_code(cell);
    return (type == tag_list || type == tag_args) && is_defined_value(follow_link(cell));
}

// Whether "<" between two lists can reach an object's own operator: an
// element that is an object, or a list holding one at any depth.
bool may_reach_user_order(LIST_DATA& list) {
    std::vector<LIST_DATA*> pending{&list};
    std::unordered_set<const LIST_DATA*> seen{&list};  // lists may contain themselves
    while (!pending.empty()) {
        LIST_DATA* current = pending.back();
        pending.pop_back();
        for (LIST_NODE* node = current->head; node != nullptr; node = node->next) {
            UNION_DATA* element = &node->value;
            if (base_type_code(element) == tag_object) return true;
            if (is_list_value(element) && seen.insert(follow_link(element)->list_data()).second)
                pending.push_back(follow_link(element)->list_data());
        }
    }
    return false;
}

// A pair of lists being ordered, and the pair of elements it has reached.
// An element pair that is a pair of lists is ordered by a frame of its own
// above this one, whose answer the phase says what to do with.
struct ORDER_FRAME {
    LIST_NODE* mine;
    LIST_NODE* theirs;
    // The pair of lists itself, for finding it again when a link leads back.
    const LIST_DATA* mine_list;
    const LIST_DATA* theirs_list;
    enum : uint8_t {
        start,    // the current element pair is next
        less,     // the answer is "<" of the element pair
        greater,  // the answer is "<" of the element pair, asked by its ">"
    } phase = start;
    bool owns_pure = false;  // this frame's element pair marked the comparisons pure
    // Every element pair so far was two plain values of a fully ordered
    // type, or two lists of such values: cells without links, for which
    // "neither < nor >" is equality and equality is that of each pair.
    bool plain = true;
};

// The frames of every ordering in progress; an ordering that user code
// starts while another one waits for it keeps its frames above the other's.
std::vector<ORDER_FRAME> order_frames;

// The frames of one ordering, dropped with their marks on every way out.
class ORDER_WALK {
public:
    ORDER_WALK() : base(order_frames.size()) {}
    ~ORDER_WALK() {
        while (order_frames.size() > base) pop();
        if (base == 0 && order_frames.capacity() > 4096) order_frames = {};
    }
    ORDER_WALK(const ORDER_WALK&) = delete;
    ORDER_WALK& operator=(const ORDER_WALK&) = delete;

    static void pop() {
        if (order_frames.back().owns_pure) order_runs_no_user_code = false;
        order_frames.pop_back();
    }

    const size_t base;
};

// The element pair of a frame is a pair of lists: its "<" goes by a frame.
bool is_list_pair(UNION_DATA* x) {
    const char type = lower_tag(follow_link(x)->tag);
    return type == tag_list || type == tag_args;
}

// Types whose "<" is a total order that agrees with equality.
bool is_plain_ordered(const UNION_DATA* cell) {
    switch (cell->tag) {
    case tag_int:
    case tag_real:
    case tag_str:
    case tag_char:
    case tag_date:
    case tag_time:
    case tag_timezone:
    case tag_datetime:
    case raise_tag(tag_int):
    case raise_tag(tag_real):
    case raise_tag(tag_str):
    case raise_tag(tag_char):
    case raise_tag(tag_date):
    case raise_tag(tag_time):
    case raise_tag(tag_timezone):
    case raise_tag(tag_datetime): return true;
    default: return false;
    }
}

void open_order(UNION_DATA* x, UNION_DATA* y) {
    LIST_DATA* mine = follow_link(x)->list_data();
    LIST_DATA* theirs = follow_link(y)->list_data();
    order_frames.push_back({mine->head, theirs->head, mine, theirs});
}

// Whether the walk that began at base is ordering the element pair x, y,
// two lists, already: links have led back into it. Only a link can lead
// back, so only then is the stack searched.
bool is_open_pair(UNION_DATA* x, UNION_DATA* y, size_t base) {
    if (!is_link_cell(x) && !is_link_cell(y)) return false;
    const LIST_DATA* mine = follow_link(x)->list_data();
    const LIST_DATA* theirs = follow_link(y)->list_data();
    for (size_t i = base; i < order_frames.size(); ++i)
        if (order_frames[i].mine_list == mine && order_frames[i].theirs_list == theirs) return true;
    return false;
}

}  // namespace

const char* LIST_DATA::less(LIST_DATA& other, bool* result) {
    // Each element pair decides when "<" or ">" holds for it, and the next
    // pair is asked only when neither does. Lists of lists are ordered from
    // the walk's own frames, in the order a recursive comparison would take.
    const ORDER_WALK walk;
    order_frames.push_back({head, other.head, this, &other});
    // What the frame that ended last found: "<"; that both its lists ended
    // together; and whether it was plain.
    bool answer = false;
    bool ended_together = false;
    bool ended_plain = false;
    while (order_frames.size() > walk.base) {
        // User operators may order lists of their own meanwhile.
        const size_t top = order_frames.size() - 1;
        auto frame = [top]() -> ORDER_FRAME& { return order_frames[top]; };
        // Neither "<" nor ">" for the element pair: the next one.
        auto next_pair = [&frame] {
            if (frame().owns_pure) order_runs_no_user_code = false;
            frame().owns_pure = false;
            frame().mine = frame().mine->next;
            frame().theirs = frame().theirs->next;
            frame().phase = ORDER_FRAME::start;
        };
        if (frame().phase == ORDER_FRAME::start) {
            // The other list leads: running out of this list first makes it
            // a proper prefix, running out of the other leaves "not less".
            if (frame().theirs == nullptr || frame().mine == nullptr) {
                answer = frame().theirs != nullptr;
                ended_together = frame().theirs == nullptr && frame().mine == nullptr;
                ended_plain = frame().plain;
                ORDER_WALK::pop();
                continue;
            }
            UNION_DATA* x = &frame().mine->value;
            UNION_DATA* y = &frame().theirs->value;
            if (!order_runs_no_user_code && is_list_value(x) && is_list_value(y) &&
                !may_reach_user_order(*follow_link(x)->list_data()) &&
                !may_reach_user_order(*follow_link(y)->list_data())) {
                frame().owns_pure = true;
                order_runs_no_user_code = true;
            }
            frame().phase = ORDER_FRAME::less;
            if (is_list_pair(x)) {
                if (const char* message = check_binary_operands(x, y, "<")) return message;
                if (!is_open_pair(x, y, walk.base)) {
                    open_order(x, y);
                    continue;
                }
                // Met again: neither "<" nor ">", as equality takes a pair
                // met again as equal; the pair's open frame decides.
                frame().plain = false;
                next_pair();
                continue;
            }
            frame().plain = frame().plain && is_plain_ordered(x) && is_plain_ordered(y);
            if (const char* message = compare_less(x, y, &answer)) return message;
        }
        UNION_DATA* x = &frame().mine->value;
        UNION_DATA* y = &frame().theirs->value;
        bool decided = false;
        if (frame().phase == ORDER_FRAME::less) {
            if (answer) {
                ended_together = false;
                ORDER_WALK::pop();  // less
                continue;
            }
            if (order_runs_no_user_code && is_list_value(x)) {
                // ">" of two lists is "not <" and "not ==", and "<" has just
                // answered after the same operand checks. Plain lists tell
                // their equality by how their ordering ended.
                const bool plain = ended_plain && !is_link_cell(x) && !is_link_cell(y);
                decided = plain ? !ended_together : !is_equal_value(x, y, true);
                frame().plain = frame().plain && plain;
            } else if (is_list_pair(x)) {
                // ">" asks "<" again, after its own operand checks.
                if (const char* message = check_binary_operands(x, y, ">")) return message;
                if (const char* message = check_binary_operands(x, y, "<")) return message;
                frame().phase = ORDER_FRAME::greater;
                open_order(x, y);
                continue;
            } else if (const char* message = op_greater(x, y, &decided)) {
                return message;
            }
        } else {
            decided = !answer && !is_equal_value(x, y, true);
            frame().plain = false;
        }
        if (decided) {
            answer = false;
            ended_together = false;
            ended_plain = frame().plain;
            ORDER_WALK::pop();  // greater
            continue;
        }
        next_pair();
    }
    *result = answer;
    return nullptr;
}

const char* compare_less(UNION_DATA* left, UNION_DATA* right, bool* result) {
    // An alias names its target, which may be a reference (a list element
    // given to "@"): the reference then stands for its target, as in "==".
    left = follow_aliases(left);
    right = follow_aliases(right);
    if (const char* message = check_binary_operands(left, right, "<")) return message;
    UNION_DATA* l = follow_link(left);
    UNION_DATA* r = follow_link(right);
    switch (lower_tag(l->tag)) {
    case tag_list:
    case tag_args: return l->list_data()->less(*r->list_data(), result);
    case tag_str: *result = std::strcmp(l->str_data()->text.c_str(), r->str_data()->text.c_str()) < 0; return nullptr;
    case tag_time: {
        const TIME_DATA& a = *l->time_data();
        const TIME_DATA& b = *r->time_data();
        *result = fields_less(INT_PAIR{&a.hours, &b.hours}, INT_PAIR{&a.minutes, &b.minutes},
                              INT_PAIR{&a.seconds, &b.seconds});
        return nullptr;
    }
    case tag_date: {
        const DATE_DATA& a = *l->date_data();
        const DATE_DATA& b = *r->date_data();
        *result = fields_less(INT_PAIR{&a.year, &b.year}, INT_PAIR{&a.month, &b.month}, INT_PAIR{&a.day, &b.day});
        return nullptr;
    }
    case tag_timezone: {
        const TIMEZONE_DATA& a = *l->timezone_data();
        const TIMEZONE_DATA& b = *r->timezone_data();
        *result = fields_less(INT_PAIR{&a.hours, &b.hours}, INT_PAIR{&a.minutes, &b.minutes});
        return nullptr;
    }
    case tag_datetime:
        *result = l->datetime_data()->total_seconds() < r->datetime_data()->total_seconds();
        return nullptr;
    case tag_char:
        // Signed codes: a code of 128 or more sorts before every code below 128.
        *result = static_cast<signed char>(l->char_byte()) < static_cast<signed char>(r->char_byte());
        return nullptr;
    case tag_int: {
        int64_t a = 0;
        int64_t b = 0;
        if ((is_inline_int(l->payload) || is_inline_int(r->payload)) && cell_int64(l, a) && cell_int64(r, b))
            *result = a < b;
        else *result = *l->int_data() < *r->int_data();
        return nullptr;
    }
    case tag_real: *result = *l->real_data() < *r->real_data(); return nullptr;
    case tag_set: *result = l->hash_data()->is_proper_subset(*r->hash_data()); return nullptr;
    case tag_object: return user_less(l, r, result);
    default: return keep_message(format_string(msg_text("openicdeffuedattyp"), "<", held_type_name(left).c_str()));
    }
}

const char* op_less_equal(UNION_DATA* left, UNION_DATA* right, bool* result) {
    left = follow_aliases(left);
    right = follow_aliases(right);
    if (const char* message = check_binary_operands(left, right, "<=")) return message;
    const ORDER_HOLDS holds(left, right);
    bool less = false;
    if (const char* message = compare_less(left, right, &less)) return message;
    *result = less || is_equal_value(left, right, true);
    return nullptr;
}

const char* op_greater(UNION_DATA* left, UNION_DATA* right, bool* result) {
    left = follow_aliases(left);
    right = follow_aliases(right);
    if (const char* message = check_binary_operands(left, right, ">")) return message;
    if (base_type_code(left) == tag_set) {
        *result = follow_link(left)->hash_data()->is_proper_superset(*follow_link(right)->hash_data());
        return nullptr;
    }
    const ORDER_HOLDS holds(left, right);
    bool less = false;
    if (const char* message = compare_less(left, right, &less)) return message;
    *result = !less && !is_equal_value(left, right, true);
    return nullptr;
}

const char* op_greater_equal(UNION_DATA* left, UNION_DATA* right, bool* result) {
    left = follow_aliases(left);
    right = follow_aliases(right);
    if (const char* message = check_binary_operands(left, right, ">=")) return message;
    if (base_type_code(left) == tag_set) {
        *result = follow_link(left)->hash_data()->includes_keys(*follow_link(right)->hash_data());
        return nullptr;
    }
    bool less = false;
    if (const char* message = compare_less(left, right, &less)) return message;
    *result = !less;
    return nullptr;
}

int sort_less_equal(UNION_DATA* a, UNION_DATA* b, const char** message) {
    *message = nullptr;
    const SORT_OPERAND x = sort_operand(a);
    const SORT_OPERAND y = sort_operand(b);
    a = x.value;
    b = y.value;
    if (a == b) return 1;
    if (x.tag != y.tag) {
        *message = msg_text("inkdattyp");
        return -1;
    }
    if (lower_tag(a->tag) == tag_list) {
        // A list is "<=" another when it is lexicographically smaller or a
        // prefix of it (equal lists included).
        LIST_NODE* x = a->list_data()->head;
        LIST_NODE* y = b->list_data()->head;
        for (; x != nullptr; x = x->next, y = y->next) {
            if (y == nullptr) return 0;
            bool decided = false;
            if ((*message = compare_less(&x->value, &y->value, &decided)) != nullptr) return -1;
            if (decided) return 1;
            if ((*message = op_greater(&x->value, &y->value, &decided)) != nullptr) return -1;
            if (decided) return 0;
        }
        return 1;
    }
    if ((*message = check_binary_operands(a, b, "<=")) != nullptr) return -1;
    bool less = false;
    if ((*message = compare_less(a, b, &less)) != nullptr) return -1;
    if (less) return 1;
    return is_equal_value(a, b, true) ? 1 : 0;
}

}  // namespace morvu
