#include "values/value_order.h"

#include <algorithm>
#include <compare>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
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
#include "values/value_text.h"

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
    // Read where it stands: the list frees it as the comparison ends.
    UNION_DATA* answer = follow_aliases(results.head->item.cell);
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

// ---- The order of lists ----
//
// Two lists are ordered in two steps. The first goes by their values:
// element by element, a proper prefix first, a link standing for its target.
// A pair of lists met again inside its own comparison (a cycle through
// links) counts there as neither less nor greater, and the elements after it
// decide; read from the other side the walk meets the same pairs, so this
// order is the mirror of its reverse. When neither list is less by value,
// they may still differ where only "==" looks: a link in the place of a
// value, links to different cells of equal values, links inside that lead
// to places that do not correspond, sets of which neither includes the
// other. The second step orders such lists by that structure, so that of two
// lists that "==" tells apart exactly one is less, whichever is asked first.

// A pair of lists being ordered by value, and the pair of elements it
// reaches next.
struct ORDER_FRAME {
    LIST_NODE* mine;
    LIST_NODE* theirs;
    // The pair of lists itself, for finding it again when a link leads back.
    const LIST_DATA* mine_list;
    const LIST_DATA* theirs_list;
};

// The frames of every ordering in progress; an ordering that user code
// starts while another one waits for it keeps its frames above the other's.
std::vector<ORDER_FRAME> order_frames;

// The frames of one ordering, dropped on every way out.
class ORDER_WALK {
public:
    ORDER_WALK() : base(order_frames.size()) {}
    ~ORDER_WALK() {
        order_frames.resize(base);
        if (base == 0 && order_frames.capacity() > 4096) order_frames = {};
    }
    ORDER_WALK(const ORDER_WALK&) = delete;
    ORDER_WALK& operator=(const ORDER_WALK&) = delete;

    const size_t base;
};

// The element pair of a frame is a pair of lists: it goes by a frame.
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

// The first step: *order is -1, 0 or 1 as mine comes before, with or after
// theirs by value. *plain tells that every element pair met was two values
// of fully ordered types, or two lists of such, without links: then 0
// means equal.
const char* value_order(LIST_DATA& mine, LIST_DATA& theirs, int* order, bool* plain) {
    *order = 0;
    *plain = true;
    const ORDER_WALK walk;
    order_frames.push_back({mine.head, theirs.head, &mine, &theirs});
    while (order_frames.size() > walk.base) {
        // User operators may order lists of their own meanwhile, above this
        // frame: it is read again by its place at every step.
        const size_t top = order_frames.size() - 1;
        LIST_NODE* x_node = order_frames[top].mine;
        LIST_NODE* y_node = order_frames[top].theirs;
        if (x_node == nullptr || y_node == nullptr) {
            if (x_node != y_node) {
                *order = x_node == nullptr ? -1 : 1;  // a proper prefix comes first
                return nullptr;
            }
            order_frames.pop_back();  // equal so far: the frame below goes on
            continue;
        }
        // The frame moves on first: a pair of lists that ends even leaves
        // it at its next pair.
        order_frames[top].mine = x_node->next;
        order_frames[top].theirs = y_node->next;
        UNION_DATA* x = &x_node->value;
        UNION_DATA* y = &y_node->value;
        // Two machine ints, the commonest pair: their order as "<" both
        // ways would find it, every check passed.
        if (int64_t a = 0, b = 0; cell_int(x, a) && cell_int(y, b)) {
            if (a == b) continue;
            *order = a < b ? -1 : 1;
            return nullptr;
        }
        if (is_link_cell(x) || is_link_cell(y)) *plain = false;
        if (is_list_pair(x)) {
            if (const char* message = check_binary_operands(x, y, "<")) return message;
            if (!is_open_pair(x, y, walk.base))
                order_frames.push_back({follow_link(x)->list_data()->head, follow_link(y)->list_data()->head,
                                        follow_link(x)->list_data(), follow_link(y)->list_data()});
            continue;  // a pair met again is neither less nor greater here
        }
        bool decided = false;
        if (const char* message = compare_less(x, y, &decided)) return message;
        if (decided) {
            *order = -1;
            return nullptr;
        }
        if (is_plain_ordered(x) && is_plain_ordered(y)) {
            compare_less(y, x, &decided);  // the same checks have passed
        } else {
            *plain = false;
            if (const char* message = op_greater(x, y, &decided)) return message;
        }
        if (decided) {
            *order = 1;
            return nullptr;
        }
    }
    return nullptr;
}

// What finds a cell of a list again when a link leads to it: a list by its
// payload (so that the list ordered and a list element are found through a
// link to their cells), any other cell by itself.
const void* identity_of(UNION_DATA* cell) {
    const char type = lower_tag(cell->tag);
    if ((type == tag_list || type == tag_args) && cell->payload != nullptr) return cell->payload;
    return cell;
}

// A rank for a cell that is no part of the lists ordered: the number that
// reference keys of hashes give a cell, in the order cells are first
// ranked, so that the answer is the same on every run.
uint64_t outside_rank(UNION_DATA* cell) { return reference_key_number(cell); }

// The descriptor of a set key by which sets that neither includes the other
// are ordered: a key held by value by its type and text, a reference key
// after them by the rank of the cell it refers to.
struct KEY_DESCRIPTOR {
    bool by_reference;
    char type;
    std::string text;
    uint64_t rank;

    auto operator<=>(const KEY_DESCRIPTOR&) const = default;
};

std::vector<KEY_DESCRIPTOR> key_descriptors(HASH_DATA& set) {
    std::vector<KEY_DESCRIPTOR> keys;
    keys.reserve(static_cast<size_t>(set.pair_count));
    for (auto& bucket : set.buckets) {
        if (bucket == nullptr) continue;
        for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
            UNION_DATA* key = &node->key();
            if (is_reference_tag(key->tag)) {
                keys.push_back({true, 0, {}, outside_rank(follow_link(key))});
            } else {
                const char* unused = nullptr;
                keys.push_back({false, lower_tag(key->tag), value_to_text(key, &unused), 0});
            }
        }
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Two sets at one place of two lists whose values tie: neither is a proper
// subset of the other. Unequal ones go by their size, then by their keys.
int set_order(UNION_DATA* x, UNION_DATA* y) {
    HASH_DATA& mine = *x->hash_data();
    HASH_DATA& theirs = *y->hash_data();
    if (mine.equals(theirs, false)) return 0;
    if (mine.pair_count != theirs.pair_count) return mine.pair_count < theirs.pair_count ? -1 : 1;
    const auto order = key_descriptors(mine) <=> key_descriptors(theirs);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

using PLACES = std::unordered_map<const void*, size_t>;

// Two link targets at one place: one inside its list comes before one
// outside, two inside go by their places, two different cells outside by
// their ranks.
int target_order(UNION_DATA* x, const PLACES& mine, UNION_DATA* y, const PLACES& theirs) {
    const auto x_place = mine.find(identity_of(x));
    const auto y_place = theirs.find(identity_of(y));
    const bool x_inside = x_place != mine.end();
    const bool y_inside = y_place != theirs.end();
    if (x_inside != y_inside) return x_inside ? -1 : 1;
    if (x_inside) return x_place->second < y_place->second ? -1 : (x_place->second > y_place->second ? 1 : 0);
    if (x == y) return 0;
    return outside_rank(x) < outside_rank(y) ? -1 : 1;
}

// The second step, for two lists that tie by value: their elements are
// walked alike, each pair given one place on both sides, but not through
// links, whose targets are compared after the walk. A value held in place
// comes before a link. 0 when nothing tells the lists apart.
int structure_order(LIST_DATA& mine, LIST_DATA& theirs) {
    PLACES mine_places{{&mine, 0}};
    PLACES their_places{{&theirs, 0}};
    std::vector<std::pair<LIST_NODE*, LIST_NODE*>> pending{{mine.head, theirs.head}};
    std::vector<std::pair<UNION_DATA*, UNION_DATA*>> targets;
    size_t place = 1;
    while (!pending.empty()) {
        auto [x_node, y_node] = pending.back();
        pending.pop_back();
        for (; x_node != nullptr && y_node != nullptr; x_node = x_node->next, y_node = y_node->next) {
            UNION_DATA* x = follow_aliases(&x_node->value);
            UNION_DATA* y = follow_aliases(&y_node->value);
            const bool x_link = is_reference_tag(x->tag);
            if (x_link != is_reference_tag(y->tag)) return x_link ? 1 : -1;
            mine_places.emplace(identity_of(x), place);
            their_places.emplace(identity_of(y), place);
            ++place;
            if (x_link) {
                targets.emplace_back(x->target(), y->target());
                continue;
            }
            switch (lower_tag(x->tag)) {
            case tag_list:
            case tag_args:
                if (x->payload != nullptr && y->payload != nullptr)
                    pending.emplace_back(x->list_data()->head, y->list_data()->head);
                break;
            case tag_set:
                if (x->payload != nullptr && y->payload != nullptr) {
                    if (const int order = set_order(x, y)) return order;
                }
                break;
            default: break;
            }
        }
    }
    for (const auto& [x, y] : targets)
        if (const int order = target_order(x, mine_places, y, their_places)) return order;
    return 0;
}

// The order of two lists: -1, 0 or 1 in *order.
const char* list_order(LIST_DATA& mine, LIST_DATA& theirs, int* order) {
    bool plain = true;
    if (const char* message = value_order(mine, theirs, order, &plain)) return message;
    if (*order == 0 && !plain) *order = structure_order(mine, theirs);
    return nullptr;
}

}  // namespace

const char* LIST_DATA::less(LIST_DATA& other, bool* result) {
    int order = 0;
    const char* message = list_order(*this, other, &order);
    *result = order < 0;
    return message;
}

namespace {

// "<" of two operands that have passed check_binary_operands (whose verdict
// does not depend on the operator it names), their aliases followed: left
// names the type in a message.
[[gnu::always_inline]] inline const char* checked_less(UNION_DATA* left, UNION_DATA* right, bool* result) {
    UNION_DATA* l = follow_link(left);
    UNION_DATA* r = follow_link(right);
    switch (lower_tag(l->tag)) {
    case tag_list:
    case tag_args: {
        int order = 0;
        const char* message = list_order(*l->list_data(), *r->list_data(), &order);
        *result = order < 0;
        return message;
    }
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

}  // namespace

const char* compare_less(UNION_DATA* left, UNION_DATA* right, bool* result) {
    // An alias names its target, which may be a reference (a list element
    // given to "@"): the reference then stands for its target, as in "==".
    left = follow_aliases(left);
    right = follow_aliases(right);
    if (const char* message = check_binary_operands(left, right, "<")) return message;
    return checked_less(left, right, result);
}

namespace {

// "<", "<=", ">" or ">=" of two lists, after their operand checks: their
// order, -1, 0 or 1, is compared with 0 by the operator.
template <typename ANSWER>
const char* order_of_lists(UNION_DATA* left, UNION_DATA* right, bool* result, ANSWER answer) {
    int order = 0;
    if (const char* message = list_order(*follow_link(left)->list_data(), *follow_link(right)->list_data(), &order))
        return message;
    *result = answer(order);
    return nullptr;
}

// Two objects: ">" and ">=" ask the right one's "<" about the left one, so
// that a type whose "<" reads fewer members than its "==" never answers ">"
// both ways.
bool are_objects(UNION_DATA* left, UNION_DATA* right) {
    return base_type_code(left) == tag_object && base_type_code(right) == tag_object;
}

bool is_list_operand(UNION_DATA* cell) {
    const char type = base_type_code(cell);
    return type == tag_list || type == tag_args;
}

}  // namespace

const char* op_less_equal(UNION_DATA* left, UNION_DATA* right, bool* result) {
    left = follow_aliases(left);
    right = follow_aliases(right);
    if (const char* message = check_binary_operands(left, right, "<=")) return message;
    const ORDER_HOLDS holds(left, right);
    // Lists answer by their order, which "==" agrees with.
    if (is_list_operand(left)) return order_of_lists(left, right, result, [](int order) { return order <= 0; });
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
    if (is_list_operand(left)) return order_of_lists(left, right, result, [](int order) { return order > 0; });
    if (are_objects(left, right)) return compare_less(right, left, result);
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
    if (are_objects(left, right)) return op_less_equal(right, left, result);
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
        // The order of "<" and its relatives: a list is "<=" another when
        // it comes before it or they are equal.
        int order = 0;
        if ((*message = list_order(*a->list_data(), *b->list_data(), &order)) != nullptr) return -1;
        return order <= 0 ? 1 : 0;
    }
    if ((*message = check_binary_operands(a, b, "<=")) != nullptr) return -1;
    bool less = false;
    // The check just made is the one "<" makes, unless an operand is an
    // alias still (a reference's target may be one).
    const bool plain = follow_aliases(a) == a && follow_aliases(b) == b;
    if ((*message = plain ? checked_less(a, b, &less) : compare_less(a, b, &less)) != nullptr) return -1;
    if (less) return 1;
    return is_equal_value(a, b, true) ? 1 : 0;
}

}  // namespace morvu
