#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/address_order.h"
#include "values/assign_rules.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace morvu {
namespace {

using test::int_cell;
using test::int_of;
using test::str_cell;

void fill(LIST_DATA& list, std::initializer_list<int> values) {
    for (int value : values) list.append(int_cell(value).get(), 0);
}

// The values from head to tail, checking the links both ways, the count and
// the cursor invariant on the way.
std::vector<int> contents(const LIST_DATA& list) {
    std::vector<int> values;
    const LIST_NODE* previous = nullptr;
    bool cursor_seen = list.cursor == nullptr;
    int position = 0;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next, ++position) {
        EXPECT_EQ(node->prev, previous);
        if (node == list.cursor) {
            EXPECT_EQ(list.cursor_index, position);
            cursor_seen = true;
        }
        values.push_back(int_of(&node->value));
        previous = node;
    }
    EXPECT_EQ(list.tail, previous);
    EXPECT_EQ(list.node_count, static_cast<int>(values.size()));
    EXPECT_TRUE(cursor_seen);
    if (list.cursor == nullptr) {
        EXPECT_EQ(list.cursor_index, -1);
    }
    return values;
}

TEST(ListStoreIndex, EmptyListAndOutOfRange) {
    LIST_DATA list;
    const char* message = nullptr;
    EXPECT_EQ(list.at(0, &message), nullptr);
    EXPECT_STREQ(message, "Infeasible index '0' in list of length '0'");
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.last(), nullptr);
    EXPECT_EQ(list.cursor_index, -1);

    fill(list, {10, 11, 12});
    ASSERT_NE(list.at(1, &message), nullptr);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(list.at(-1, &message), nullptr);
    EXPECT_STREQ(message, "Infeasible index '-1' in list of length '3'");
    EXPECT_EQ(list.at(3, &message), nullptr);
    EXPECT_STREQ(message, "Infeasible index '3' in list of length '3'");
    EXPECT_EQ(list.cursor_index, 1);  // failures leave the cursor alone

    EXPECT_STREQ(list.set_at(5, int_cell(0).get(), 0), "Infeasible index '5' in list of length '3'");
    EXPECT_STREQ(list.remove_at(-2), "Infeasible index '-2' in list of length '3'");
    EXPECT_EQ(contents(list), (std::vector<int>{10, 11, 12}));
}

TEST(ListStoreIndex, InsertAtTheEndAppendsAndBeyondFails) {
    LIST_DATA list;
    EXPECT_EQ(list.insert_at(0, int_cell(1).get(), 0), nullptr);  // empty list: appends
    fill(list, {2, 3});
    EXPECT_EQ(list.insert_at(3, int_cell(4).get(), 0), nullptr);
    EXPECT_STREQ(list.insert_at(5, int_cell(9).get(), 0), "Infeasible index '5' in list of length '4'");
    EXPECT_EQ(list.insert_at(2, int_cell(7).get(), 0), nullptr);
    EXPECT_EQ(list.cursor_index, 2);
    EXPECT_EQ(int_of(&list.cursor->value), 7);
    EXPECT_EQ(list.insert_at(0, int_cell(0).get(), 0), nullptr);
    // Inserting at 0 keeps the cursor on the old head, now at 1.
    EXPECT_EQ(list.cursor_index, 1);
    EXPECT_EQ(int_of(&list.cursor->value), 1);
    EXPECT_EQ(contents(list), (std::vector<int>{0, 1, 2, 7, 3, 4}));
}

TEST(ListStoreCursor, FollowsItsNodeThroughInsertsAndDeletes) {
    LIST_DATA list;
    fill(list, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    const char* message = nullptr;
    EXPECT_EQ(int_of(list.at(5, &message)), 5);
    EXPECT_EQ(int_of(list.at(6, &message)), 6);
    EXPECT_EQ(int_of(list.at(5, &message)), 5);
    EXPECT_EQ(int_of(list.at(4, &message)), 4);
    EXPECT_EQ(int_of(list.at(8, &message)), 8);

    list.at(2, &message);
    list.prepend(int_cell(-1).get(), 0);
    EXPECT_EQ(list.cursor_index, 3);
    EXPECT_EQ(int_of(&list.cursor->value), 2);

    list.at(0, &message);
    list.remove_first();
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(list.cursor_index, -1);

    list.at(4, &message);
    list.remove_first();
    EXPECT_EQ(list.cursor_index, 3);
    EXPECT_EQ(int_of(&list.cursor->value), 4);

    list.last();
    list.remove_last();
    EXPECT_EQ(list.cursor, nullptr);

    list.append(int_cell(9).get(), 0);
    EXPECT_EQ(list.cursor, nullptr);  // appending never moves the cursor
    EXPECT_EQ(contents(list), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(ListStoreCursor, RemoveAtLeavesTheCursorOnThePredecessor) {
    LIST_DATA list;
    fill(list, {0, 1, 2, 3, 4});
    EXPECT_EQ(list.remove_at(2), nullptr);
    EXPECT_EQ(list.cursor_index, 1);
    EXPECT_EQ(int_of(&list.cursor->value), 1);
    EXPECT_EQ(list.remove_at(3), nullptr);  // the tail
    EXPECT_EQ(list.remove_at(0), nullptr);  // the head
    EXPECT_EQ(contents(list), (std::vector<int>{1, 3}));
}

TEST(ListStoreCursor, RemoveNodeClearsTheCursor) {
    LIST_DATA list;
    fill(list, {0, 1, 2, 3});
    const char* message = nullptr;
    list.at(3, &message);
    list.remove_node(list.head->next);
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(int_of(list.at(2, &message)), 3);
    list.remove_node(list.head);
    list.remove_node(list.tail);
    EXPECT_EQ(contents(list), (std::vector<int>{2}));
}

// Random operations against a vector: every position and every cursor move
// must agree with the model, whichever way the store walks.
TEST(ListStoreCursor, AgreesWithAModelUnderRandomOperations) {
    std::mt19937 random(12345);
    LIST_DATA list;
    std::vector<int> model;
    int next_value = 0;
    for (int step = 0; step < 3000; ++step) {
        int size = static_cast<int>(model.size());
        int index = static_cast<int>(random() % static_cast<unsigned>(size + 3)) - 1;
        const char* message = nullptr;
        switch (random() % 7) {
        case 0: {
            auto cell = int_cell(next_value);
            list.append(cell.get(), 0);
            model.push_back(next_value++);
            break;
        }
        case 1: {
            auto cell = int_cell(next_value);
            list.prepend(cell.get(), 0);
            model.insert(model.begin(), next_value++);
            break;
        }
        case 2: {
            auto cell = int_cell(next_value);
            message = list.insert_at(index, cell.get(), 0);
            if (index >= 0 && index <= size) {
                EXPECT_EQ(message, nullptr);
                model.insert(model.begin() + index, next_value);
            } else {
                EXPECT_NE(message, nullptr);
            }
            ++next_value;
            break;
        }
        case 3:
            message = list.remove_at(index);
            if (index >= 0 && index < size) model.erase(model.begin() + index);
            EXPECT_EQ(message == nullptr, index >= 0 && index < size);
            break;
        case 4:
            list.remove_first();
            if (!model.empty()) model.erase(model.begin());
            break;
        case 5:
            list.remove_last();
            if (!model.empty()) model.pop_back();
            break;
        default: {
            UNION_DATA* value = list.at(index, &message);
            if (index >= 0 && index < size) {
                ASSERT_NE(value, nullptr);
                EXPECT_EQ(int_of(value), model[static_cast<size_t>(index)]);
                EXPECT_EQ(list.cursor_index, index);
            } else {
                EXPECT_EQ(value, nullptr);
            }
            break;
        }
        }
        if (step % 50 == 0) {
            ASSERT_EQ(contents(list), model);
        }
    }
    ASSERT_EQ(contents(list), model);
}

// Reads at the cursor and next to it, in both directions and after the
// changes that move the cursor or its index, find the node a walk from the
// head finds, put the cursor there and count no far steps.
TEST(ListStoreCursor, ReadsNextToTheCursorFollowTheChain) {
    LIST_DATA list;
    std::vector<int> model(100);
    std::iota(model.begin(), model.end(), 0);
    for (int value : model) list.append(int_cell(value).get(), 0);
    std::mt19937 random(77);
    for (int step = 0; step < 2000; ++step) {
        switch (random() % 8) {
        case 0: {
            list.prepend(int_cell(-step).get(), 0);  // the cursor's index moves up by one
            model.insert(model.begin(), -step);
            break;
        }
        case 1:
            if (list.remove_at(0) == nullptr) model.erase(model.begin());
            break;
        case 2:
            list.append(int_cell(step).get(), 0);
            model.push_back(step);
            break;
        default: break;
        }
        ASSERT_FALSE(model.empty());
        // A change that dropped the cursor: the head is one step from a known node.
        if (list.cursor == nullptr) {
            EXPECT_EQ(int_of(list.at_valid(0)), model[0]);
        }
        const int last = static_cast<int>(model.size()) - 1;
        const int index = std::clamp(list.cursor_index + static_cast<int>(random() % 3) - 1, 0, last);
        EXPECT_EQ(int_of(list.at_valid(index)), model[static_cast<size_t>(index)]);
        EXPECT_EQ(list.cursor_index, index);
    }
    EXPECT_EQ(list.far_steps, 0);
    ASSERT_EQ(contents(list), model);
}

TEST(ListStoreAssign, SetAtReportsARefusedAssignment) {
    LIST_DATA list;
    fill(list, {1, 2});
    const char* message = nullptr;
    UNION_DATA* first = list.at(0, &message);
    // Moving an element onto itself is refused, and the refusal comes back.
    EXPECT_STREQ(list.set_at(0, first, 2), "Self-movement not allowed");
    EXPECT_EQ(int_of(list.at(0, &message)), 1);
    EXPECT_EQ(list.set_at(0, list.at(1, &message), 0), nullptr);
    EXPECT_EQ(list.set_at(1, int_cell(5).get(), 0), nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{2, 5}));
    EXPECT_EQ(list.at(0, &message)->scope_variable, 0);
}

TEST(ListStoreAssign, ListIntoItsOwnElement) {
    UNION_DATA list_cell('l');
    LIST_DATA& list = *list_cell.list_data();
    fill(list, {1, 2});
    EXPECT_EQ(list.set_at(0, &list_cell, 0), nullptr);
    const char* message = nullptr;
    UNION_DATA* inner = follow_link(list.at(0, &message));
    // What element 0 held during its own copy is the cell rules' affair;
    // the store must only stay whole.
    ASSERT_EQ(base_type_code(inner), 'l');
    EXPECT_EQ(inner->list_data()->node_count, 2);
    EXPECT_EQ(int_of(&inner->list_data()->tail->value), 2);
    EXPECT_EQ(list.node_count, 2);
    EXPECT_EQ(int_of(list.at(1, &message)), 2);
}

TEST(ListStoreAssign, AppendAllOfItselfDoublesOnce) {
    LIST_DATA list;
    fill(list, {1, 2, 3});
    EXPECT_EQ(list.append_all(list), nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{1, 2, 3, 1, 2, 3}));
    LIST_DATA other;
    fill(other, {7});
    other.append_all(list);
    EXPECT_EQ(contents(other), (std::vector<int>{7, 1, 2, 3, 1, 2, 3}));
}

TEST(ListStoreFind, ByValueAndByReference) {
    LIST_DATA bucket;
    auto one = int_cell(1);
    auto two = int_cell(2);
    bucket.append_pair(one.get(), 0, nullptr, 0);
    bucket.append_pair(two.get(), 1, nullptr, 0);  // a reference key to two
    auto another_two = int_cell(2);

    EXPECT_EQ(bucket.find(int_cell(1).get(), false), 0);
    EXPECT_EQ(bucket.cursor_index, 0);
    // The reference key is never matched by value, nor a value key by reference.
    EXPECT_EQ(bucket.find(another_two.get(), false), -1);
    EXPECT_EQ(bucket.cursor, nullptr);
    EXPECT_EQ(bucket.find(two.get(), true), 1);
    EXPECT_EQ(bucket.cursor_index, 1);
    EXPECT_EQ(bucket.find(another_two.get(), true), -1);
    EXPECT_EQ(bucket.find(one.get(), true), -1);
}

TEST(ListStoreCompare, EqualsIgnoresKeys) {
    LIST_DATA a, b;
    fill(a, {1, 2});
    b.append_pair(int_cell(40).get(), 0, int_cell(1).get(), 0);
    b.append_pair(int_cell(41).get(), 0, int_cell(2).get(), 0);
    EXPECT_TRUE(a.equals(b));
    b.append(int_cell(3).get(), 0);
    EXPECT_FALSE(a.equals(b));
    LIST_DATA empty1, empty2;
    EXPECT_TRUE(empty1.equals(empty2));
}

// "less" as a truth value, expecting no message.
bool less(std::initializer_list<int> mine, std::initializer_list<int> theirs) {
    LIST_DATA a, b;
    fill(a, mine);
    fill(b, theirs);
    bool result = false;
    EXPECT_EQ(a.less(b, &result), nullptr);
    return result;
}

TEST(ListStoreCompare, LessIsLexicographicWithAPrefixFirst) {
    EXPECT_TRUE(less({1, 2}, {1, 2, 3}));
    EXPECT_FALSE(less({1, 2, 3}, {1, 2}));
    EXPECT_FALSE(less({1, 2}, {1, 2}));
    EXPECT_TRUE(less({}, {0}));
    EXPECT_FALSE(less({}, {}));
    EXPECT_TRUE(less({1, 9}, {2}));
    EXPECT_FALSE(less({2}, {1, 9}));

    LIST_DATA numbers, texts;
    fill(numbers, {1});
    auto text = std::make_unique<UNION_DATA>('s');
    text->str_data()->text = "a";
    texts.append(text.get(), 0);
    bool result = false;
    EXPECT_STREQ(numbers.less(texts, &result), "Operator '<': incompatible types");
}

// Sorts the list by one int key per node (the i-th key for the i-th node).
const char* sort_by(LIST_DATA& list, const std::vector<std::unique_ptr<UNION_DATA>>& key_cells, bool ascending) {
    std::vector<UNION_DATA*> keys;
    for (const auto& cell : key_cells) keys.push_back(cell.get());
    return list.sort(keys.data(), ascending);
}

std::vector<std::unique_ptr<UNION_DATA>> int_keys(std::initializer_list<int> values) {
    std::vector<std::unique_ptr<UNION_DATA>> keys;
    for (int value : values) keys.push_back(int_cell(value));
    return keys;
}

TEST(ListStoreReorder, SortMovesNodesByTheirKeysAndClearsTheCursor) {
    LIST_DATA list;
    fill(list, {30, 10, 20});
    LIST_NODE* ten = list.head->next;
    // A reference makes the element's cell known by its identity.
    UNION_DATA reference('V');
    ASSERT_EQ(assign_link(&reference, &ten->value, 'p'), nullptr);
    list.at(1, nullptr);
    EXPECT_EQ(sort_by(list, int_keys({3, 1, 2}), true), nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(list.head, ten);  // nodes move, their cells with them
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(int_of(follow_link(&reference)), 10);
    EXPECT_EQ(sort_by(list, int_keys({1, 2, 3}), false), nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{30, 20, 10}));

    // The value cells themselves as keys.
    std::vector<UNION_DATA*> keys;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next) keys.push_back(&node->value);
    EXPECT_EQ(list.sort(keys.data(), true), nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{10, 20, 30}));
}

TEST(ListStoreReorder, SortMovesPlainValuesAndKeepsTheNodes) {
    // No cell is known by its identity: the values change nodes, and the
    // nodes keep the order they were made in.
    LIST_DATA list;
    fill(list, {30, 10, 20});
    std::vector<LIST_NODE*> nodes;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next) nodes.push_back(node);
    list.at(2, nullptr);
    EXPECT_EQ(sort_by(list, int_keys({3, 1, 2}), true), nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(list.head, nodes[0]);
    EXPECT_EQ(list.head->next, nodes[1]);
    EXPECT_EQ(list.tail, nodes[2]);
    EXPECT_EQ(list.cursor, nullptr);

    // A text and a number trade places with their types.
    LIST_DATA mixed;
    mixed.append(int_cell(5).get(), 0);
    UNION_DATA text('s');
    text.str_data()->text = "five";
    mixed.append(&text, 0);
    EXPECT_EQ(sort_by(mixed, int_keys({2, 1}), true), nullptr);
    EXPECT_EQ(lower_tag(mixed.head->value.tag), 's');
    EXPECT_EQ(mixed.head->value.str_data()->text, "five");
    EXPECT_EQ(int_of(&mixed.tail->value), 5);
}

TEST(ListStoreReorder, ALargeSortedListLetsGoOfEveryElement) {
    // Enough elements for the numbers to be freed by address; one element
    // is known to a reference, and a text sits among the numbers.
    UNION_DATA reference('V');
    {
        LIST_DATA list;
        std::vector<int> values;
        for (int i = 0; i < 3000; ++i) values.push_back((i * 7919) % 3000);
        for (int value : values) list.append(int_cell(value).get(), 0);
        UNION_DATA text('s');
        text.str_data()->text = "middle";
        list.append(&text, 0);
        std::vector<UNION_DATA*> keys;
        for (LIST_NODE* node = list.head; node != nullptr; node = node->next) keys.push_back(&node->value);
        keys.pop_back();
        list.remove_last();
        ASSERT_EQ(list.sort(keys.data(), true), nullptr);
        EXPECT_EQ(int_of(list.at(0, nullptr)), 0);
        EXPECT_EQ(int_of(list.at(2999, nullptr)), 2999);
        list.append(&text, 0);
        ASSERT_EQ(assign_link(&reference, list.at(1234, nullptr), 'p'), nullptr);
        EXPECT_EQ(int_of(follow_link(&reference)), 1234);
        list.clear();
        EXPECT_EQ(list.node_count, 0);
        EXPECT_FALSE(is_link_cell(&reference));
        list.append(int_cell(5).get(), 0);
        EXPECT_EQ(contents(list), (std::vector<int>{5}));
    }
    EXPECT_FALSE(is_link_cell(&reference));
}

// Two lists of the same ints: one sorted by sort_plain_ints, the other by
// the general sort of its value cells.
struct TWIN_LISTS {
    LIST_DATA fast;
    LIST_DATA general;

    explicit TWIN_LISTS(const std::vector<int>& values) {
        for (int value : values) {
            fast.append(int_cell(value).get(), 0);
            general.append(int_cell(value).get(), 0);
        }
    }
    void sort_general(bool ascending) {
        std::vector<UNION_DATA*> keys;
        for (LIST_NODE* node = general.head; node != nullptr; node = node->next) keys.push_back(&node->value);
        ASSERT_EQ(general.sort(keys.data(), ascending), nullptr);
    }
};

TEST(ListStorePlainInts, SortTheWayTheGeneralSortDoes) {
    std::mt19937 random(3);
    for (int length : {64, 65, 1000, 70000}) {
        for (int spread : {1 << 30, 10000000}) {
            std::vector<int> values;
            for (int i = 0; i < length; ++i) values.push_back(static_cast<int>(random() % spread) - spread / 2);
            for (bool ascending : {true, false}) {
                TWIN_LISTS lists(values);
                lists.fast.at(3, nullptr);
                ASSERT_TRUE(lists.fast.sort_plain_ints(ascending)) << length << " " << spread;
                lists.sort_general(ascending);
                EXPECT_EQ(contents(lists.fast), contents(lists.general));
                EXPECT_EQ(lists.fast.cursor, nullptr);
            }
        }
    }
    // Already in order, and in reverse order.
    std::vector<int> rising(500);
    std::iota(rising.begin(), rising.end(), -250);
    for (bool ascending : {true, false}) {
        TWIN_LISTS lists(rising);
        ASSERT_TRUE(lists.fast.sort_plain_ints(ascending));
        lists.sort_general(ascending);
        EXPECT_EQ(contents(lists.fast), contents(lists.general));
    }
}

TEST(ListStorePlainInts, EqualNumbersThatLookAlikeNeedNoGeneralSort) {
    // Equal numbers made by arithmetic, and equal numbers that keep the
    // same text of their own ("07" twice), beside numbers of other values.
    std::vector<int> values;
    for (int i = 0; i < 200; ++i) {
        if ((i * 37) % 50 - 20 != 7) values.push_back((i * 37) % 50 - 20);
    }
    for (bool ascending : {true, false}) {
        TWIN_LISTS lists(values);
        for (LIST_DATA* list : {&lists.fast, &lists.general}) {
            for (LIST_NODE* node : {list->head, list->tail}) {
                delete node->value.int_data();
                node->value.payload = new INT_DATA("07");
            }
        }
        ASSERT_TRUE(lists.fast.sort_plain_ints(ascending));
        lists.sort_general(ascending);
        std::vector<std::string> fast_texts;
        std::vector<std::string> general_texts;
        for (LIST_NODE* node = lists.fast.head; node != nullptr; node = node->next)
            fast_texts.push_back(node->value.int_data()->to_text());
        for (LIST_NODE* node = lists.general.head; node != nullptr; node = node->next)
            general_texts.push_back(node->value.int_data()->to_text());
        EXPECT_EQ(fast_texts, general_texts);
        EXPECT_EQ(std::count(fast_texts.begin(), fast_texts.end(), "07"), 2);
    }
    // Nothing but ties.
    TWIN_LISTS same(std::vector<int>(100, -3));
    ASSERT_TRUE(same.fast.sort_plain_ints(false));
    EXPECT_EQ(contents(same.fast), std::vector<int>(100, -3));
}

// Elements hold their ints in the payload word; a reader may have given some
// of them a record. Plain records join the words' sort and become words; a
// number that cannot become a word (here one with an extra group, as
// INT_DATA(long) makes it) sends the whole list to the records' sort, which
// still orders it and lets every element go.
TEST(ListStorePlainInts, WordsAndRecordsSortTogether) {
    std::mt19937 random(5);
    std::vector<int64_t> values;
    for (int i = 0; i < 3000; ++i) values.push_back(static_cast<int64_t>(random() % 20000) - 10000);
    auto fill_plain = [&values](LIST_DATA& list) {
        for (int64_t value : values) {
            test::CELL cell = test::make_cell('i');
            cell->int_data()->assign_int64(value);  // the form arithmetic gives
            list.append(cell.get(), 0);
        }
    };
    auto sorted = [&values](bool ascending) {
        std::vector<int> expected(values.begin(), values.end());
        if (ascending) std::sort(expected.begin(), expected.end());
        else std::sort(expected.rbegin(), expected.rend());
        return expected;
    };
    for (bool ascending : {true, false}) {
        LIST_DATA list;
        fill_plain(list);
        int position = 0;
        for (LIST_NODE* node = list.head; node != nullptr; node = node->next, ++position) {
            ASSERT_TRUE(is_inline_int(node->value.payload));
            if (position % 7 == 0) node->value.int_data();
        }
        ASSERT_TRUE(list.sort_plain_ints(ascending));
        for (LIST_NODE* node = list.head; node != nullptr; node = node->next)
            EXPECT_TRUE(is_inline_int(node->value.payload));
        EXPECT_EQ(contents(list), sorted(ascending));  // reading each record boxes it
    }
    LIST_DATA list;
    fill_plain(list);
    test::CELL grouped = int_cell(123456);
    list.append(grouped.get(), 0);
    ASSERT_FALSE(is_inline_int(list.tail->value.payload));
    ASSERT_TRUE(list.sort_plain_ints(false));
    EXPECT_EQ(int_of(&list.head->value), 123456);
    EXPECT_EQ(list.head->value.int_data()->limb_count(), 3);
    list.remove_first();
    EXPECT_EQ(contents(list), sorted(false));
    list.clear();
    EXPECT_EQ(list.node_count, 0);
}

TEST(ListStorePlainInts, LeaveToTheGeneralSortWhatOnlyItOrders) {
    std::vector<int> values;
    for (int i = 0; i < 100; ++i) values.push_back((i * 37) % 100);
    // The list is untouched, cursor included, whenever the answer is no.
    auto texts = [](const LIST_DATA& list) {
        std::vector<std::string> shown;
        for (LIST_NODE* node = list.head; node != nullptr; node = node->next)
            shown.push_back(node->value.int_data()->to_text());
        return shown;
    };
    auto declines = [&texts](LIST_DATA& list) {
        const std::vector<std::string> before = texts(list);
        list.at(5, nullptr);
        EXPECT_FALSE(list.sort_plain_ints(true));
        EXPECT_EQ(texts(list), before);
        EXPECT_EQ(list.cursor_index, 5);
    };
    {
        LIST_DATA shorter;
        for (int i = 0; i < 63; ++i) shorter.append(int_cell(63 - i).get(), 0);
        declines(shorter);
    }
    {
        // Equal numbers that print alike but keep different groups: a copy
        // of "007" keeps the groups of its text.
        LIST_DATA groups;
        for (int value : values) groups.append(int_cell(value).get(), 0);
        groups.append(int_cell("007").get(), 0);
        declines(groups);
    }
    {
        // Equal numbers that print differently: "07" read into an element.
        LIST_DATA text;
        for (int value : values) text.append(int_cell(value).get(), 0);
        delete text.head->value.int_data();
        text.head->value.payload = new INT_DATA("07");
        declines(text);
        EXPECT_EQ(text.head->value.int_data()->to_text(), "07");
    }
    {
        // A zero that carries a minus sign beside a plain one.
        LIST_DATA zeros;
        for (int value : values) zeros.append(int_cell(value).get(), 0);
        zeros.append(int_cell(0).get(), 0);
        zeros.head->value.int_data()->set_sign(-1);
        declines(zeros);
    }
    {
        // A number beyond 64 bits, and a span of keys too wide to pack.
        LIST_DATA wide;
        for (int value : values) wide.append(int_cell(value).get(), 0);
        wide.append(int_cell("100000000000000000000").get(), 0);
        declines(wide);
        wide.remove_last();
        wide.append(int_cell("-9223372036854775808").get(), 0);
        wide.append(int_cell("9223372036854775807").get(), 0);
        declines(wide);
    }
    {
        // A text among the numbers, a typed int cell beside any cells
        // holding ints, and an element known to a reference.
        LIST_DATA mixed;
        for (int value : values) mixed.append(int_cell(value).get(), 0);
        mixed.append(str_cell("x").get(), 0);
        mixed.remove_last();
        EXPECT_TRUE(mixed.sort_plain_ints(true));
        mixed.append(str_cell("x").get(), 0);
        EXPECT_FALSE(mixed.sort_plain_ints(true));
        mixed.remove_last();
        mixed.head->value.tag = tag_int;
        declines(mixed);
        mixed.head->value.tag = raise_tag(tag_int);
        UNION_DATA reference('V');
        ASSERT_EQ(assign_link(&reference, &mixed.tail->value, 'p'), nullptr);
        declines(mixed);
    }
}

// ---- elements made and let go of ----

// The element an append makes must be what the general copy makes in a
// fresh any cell: same tag, same definedness, equal value, and a payload of
// its own (a value kept in the cell points at the element's own word; an
// int held in the payload word is a value, which equal ints share).
void expect_append_like_copy(UNION_DATA* source, int mode) {
    LIST_DATA list;
    EXPECT_EQ(list.append(source, mode), nullptr);
    UNION_DATA expected('v');
    EXPECT_EQ(copy_into_slot(&expected, source, mode), nullptr);
    UNION_DATA& element = list.head->value;
    EXPECT_EQ(element.tag, expected.tag) << "source tag " << source->tag << ", mode " << mode;
    EXPECT_EQ(is_defined_value(&element), is_defined_value(&expected));
    if (is_defined_value(&expected) && !is_link_cell(&expected)) {
        EXPECT_TRUE(is_equal_value(&element, &expected, true));
    }
    if (element.payload != nullptr && !is_link_cell(&element)) {
        if (!is_inline_int(element.payload)) {
            EXPECT_NE(element.payload, source->payload);
        }
        if (is_scalar_tag(lower_tag(element.tag))) {
            EXPECT_EQ(element.payload, &element.scalar);
        }
    }
    EXPECT_TRUE(copy_partners.empty());
}

TEST(ListStoreElements, AppendMakesWhatTheGeneralCopyMakes) {
    test::CELL big = test::make_cell('i');
    *big->int_data() = INT_DATA("-123456789012345678901234567890");
    test::CELL real = test::make_cell('r');
    *real->real_data() = REAL_DATA("2.5");
    test::CELL text = test::make_cell('s');
    text->str_data()->text = "text";
    test::CELL letter = test::make_cell('c');
    letter->char_byte() = 'x';
    test::CELL flag = test::make_cell('b');
    flag->bool_word() = 1;
    test::CELL any_int = int_cell(7, 'v');
    test::CELL blank_int = test::make_cell('i');  // the empty int
    test::CELL nothing = test::make_cell('V');
    test::CELL inner = test::make_cell('l');
    inner->list_data()->append(int_cell(1).get(), 0);
    test::CELL five = int_cell(5);
    UNION_DATA reference('V');
    ASSERT_EQ(assign_link(&reference, big.get(), 'p'), nullptr);
    for (int mode : {-1, assign_mode_plain, assign_mode_keep_reference}) {
        for (UNION_DATA* source : {five.get(), big.get(), real.get(), text.get(), letter.get(), flag.get(),
                                   any_int.get(), blank_int.get(), nothing.get(), inner.get(), &reference}) {
            expect_append_like_copy(source, mode);
        }
    }
    // Later changes to the source leave the element alone.
    LIST_DATA list;
    list.append(text.get(), 0);
    list.append(letter.get(), 0);
    text->str_data()->text = "changed";
    letter->char_byte() = 'y';
    EXPECT_EQ(list.head->value.str_data()->text, "text");
    EXPECT_EQ(list.tail->value.char_byte(), 'x');
}

TEST(ListStoreElements, SortedSmallValuesKeepTheirWordInTheirOwnCell) {
    // Chars live inside the cell: after the values have moved between the
    // nodes, each cell's payload must still be its own word, so that a
    // movement out of the element takes the right value.
    LIST_DATA list;
    for (char letter : {'c', 'a', 'b'}) {
        test::CELL cell = test::make_cell('c');
        cell->char_byte() = letter;
        list.append(cell.get(), 0);
    }
    std::vector<UNION_DATA*> keys;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next) keys.push_back(&node->value);
    ASSERT_EQ(list.sort(keys.data(), true), nullptr);
    std::string order;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next) {
        EXPECT_EQ(node->value.payload, &node->value.scalar);
        order += node->value.char_byte();
    }
    EXPECT_EQ(order, "abc");
    UNION_DATA moved('v');
    EXPECT_EQ(copy_into_slot(&moved, &list.head->value, assign_mode_movement), nullptr);
    EXPECT_EQ(moved.char_byte(), 'a');
}

TEST(ListStoreElements, NodesLetGoOfLinkedAndPlainCellsAlike) {
    // Elements known to references among plain ones: a removed element's
    // references dissolve, the plain values just go, and a reference to an
    // element left in the list holds until the list goes.
    UNION_DATA reference('V');
    UNION_DATA to_text('V');
    {
        LIST_DATA list;
        fill(list, {1, 2, 3});
        test::CELL text = test::make_cell('s');
        text->str_data()->text = "held";
        list.append(text.get(), 0);
        ASSERT_EQ(assign_link(&reference, list.at(1, nullptr), 'p'), nullptr);
        ASSERT_EQ(assign_link(&to_text, list.at(3, nullptr), 'p'), nullptr);
        list.remove_at(1);
        EXPECT_FALSE(is_link_cell(&reference));
        EXPECT_TRUE(is_link_cell(&to_text));
        EXPECT_EQ(follow_link(&to_text)->str_data()->text, "held");
    }
    EXPECT_FALSE(is_link_cell(&to_text));
}

TEST(ListStoreElements, ListElementsShareTheEmptyKeyAndPairsOwnTheirs) {
    LIST_DATA list;
    fill(list, {1, 2});
    list.prepend(int_cell(0).get(), 0);
    list.insert_at(1, int_cell(9).get(), 0);
    test::CELL key = int_cell(42);
    list.append_pair(key.get(), 0, int_cell(3).get(), 0);
    std::vector<bool> own;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next) own.push_back(node->has_own_key());
    EXPECT_EQ(own, (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(&list.head->key(), &LIST_NODE::no_key);
    EXPECT_EQ(int_of(&list.tail->key()), 42);

    // A copy keeps each node's kind; the shared key is never written.
    LIST_DATA copy;
    ASSERT_EQ(copy.copy_from(list), nullptr);
    own.clear();
    for (LIST_NODE* node = copy.head; node != nullptr; node = node->next) own.push_back(node->has_own_key());
    EXPECT_EQ(own, (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(int_of(&copy.tail->key()), 42);
    EXPECT_NE(&copy.tail->key(), &list.tail->key());
    EXPECT_EQ(LIST_NODE::no_key.tag, 'v');
    EXPECT_EQ(LIST_NODE::no_key.payload, nullptr);

    // A node made by new has a key cell of its own, which a list takes over
    // and deletes with the node.
    std::unique_ptr<LIST_NODE> made(new LIST_NODE());
    ASSERT_TRUE(made->has_own_key());
    ASSERT_EQ(assign_value(&made->key(), key.get()), nullptr);
    test::CELL text = test::make_cell('s');
    text->str_data()->text = "long enough not to fit in the string itself";
    ASSERT_EQ(assign_value(&made->value, text.get()), nullptr);
    made.reset();
}

TEST(AddressOrder, PointersComeOutInTheOrderOfTheirAddresses) {
    // Addresses far apart need more than one pass; duplicates stay.
    std::vector<int> near(5000);
    auto far = std::make_unique<int[]>(70000);
    std::vector<int*> pointers;
    for (size_t i = 0; i < near.size(); i += 3) pointers.push_back(&near[i]);
    for (size_t i = 0; i < 70000; i += 7) pointers.push_back(&far[i]);
    pointers.push_back(&near[3]);
    std::mt19937 shuffle_source(7);
    std::shuffle(pointers.begin(), pointers.end(), shuffle_source);
    std::vector<int*> expected = pointers;
    std::sort(expected.begin(), expected.end(), std::less<int*>());
    sort_by_address(pointers);
    EXPECT_EQ(pointers, expected);
    std::vector<int*> one{&near[0]};
    sort_by_address(one);
    EXPECT_EQ(one.size(), 1u);
}

TEST(ListStoreReorder, SortTiesAndFailures) {
    // The partition exchanges items that equal its pivot: equal keys come
    // out in reverse order, in both directions.
    LIST_DATA pair;
    fill(pair, {7, 8});
    EXPECT_EQ(sort_by(pair, int_keys({5, 5}), true), nullptr);
    EXPECT_EQ(contents(pair), (std::vector<int>{8, 7}));
    LIST_DATA three;
    fill(three, {7, 8, 9});
    EXPECT_EQ(sort_by(three, int_keys({5, 5, 5}), false), nullptr);
    EXPECT_EQ(contents(three), (std::vector<int>{9, 8, 7}));
    LIST_DATA mixed;
    fill(mixed, {1, 2, 3, 4});
    // Pivot key 1 (node 2): nodes 1 and 4 exchange, then the upper half
    // (nodes 3 and 1, both key 2) exchanges once more.
    EXPECT_EQ(sort_by(mixed, int_keys({2, 1, 2, 1}), true), nullptr);
    std::vector<int> values = contents(mixed);
    EXPECT_EQ(values, (std::vector<int>{4, 2, 1, 3}));

    // A failed sort leaves the nodes, and the cursor, as they were.
    LIST_DATA list;
    fill(list, {1, 2, 3});
    list.first();
    auto keys = int_keys({3, 2, 1});
    keys[1] = std::make_unique<UNION_DATA>('s');
    EXPECT_STREQ(sort_by(list, keys, true), "incompatible types");
    EXPECT_EQ(contents(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.cursor, list.head);
    EXPECT_EQ(list.cursor_index, 0);

    LIST_DATA single;
    fill(single, {4});
    single.first();
    EXPECT_EQ(sort_by(single, int_keys({0}), true), nullptr);
    EXPECT_EQ(contents(single), (std::vector<int>{4}));
}

TEST(ListStoreReorder, Reverse) {
    LIST_DATA list;
    fill(list, {1});
    list.first();
    list.reverse();
    EXPECT_EQ(list.cursor_index, 0);  // a single node keeps its cursor

    list.append(int_cell(2).get(), 0);
    list.reverse();
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(contents(list), (std::vector<int>{2, 1}));
    fill(list, {3, 4});
    list.reverse();
    EXPECT_EQ(contents(list), (std::vector<int>{4, 3, 1, 2}));
}

TEST(ListStoreCopy, CopyKeepsKeysAndReplacesOldNodes) {
    LIST_DATA source;
    auto outside = int_cell(8);
    source.append_pair(int_cell(1).get(), 0, int_cell(10).get(), 0);
    source.append_pair(outside.get(), 1, outside.get(), 1);
    LIST_DATA copy;
    fill(copy, {5, 6, 7});
    EXPECT_EQ(copy.copy_from(source), nullptr);
    EXPECT_EQ(contents(copy), (std::vector<int>{10, 8}));
    EXPECT_EQ(int_of(&copy.head->key()), 1);
    EXPECT_EQ(copy.tail->value.target(), outside.get());
    EXPECT_EQ(copy.tail->key().target(), outside.get());
    EXPECT_EQ(copy.copy_from(copy), nullptr);
    EXPECT_EQ(contents(copy), (std::vector<int>{10, 8}));
    copy.clear();
    EXPECT_EQ(contents(copy), std::vector<int>{});
}

// Positions of the nodes.

// The list's positions, when it has them, name its nodes in chain order.
void expect_positions_agree(const LIST_DATA& list) {
    if (list.positions == nullptr) return;
    ASSERT_EQ(list.positions->count(), list.node_count);
    int position = 0;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next, ++position)
        ASSERT_EQ(list.positions->at(position), node) << "position " << position;
}

// Reads far from every known node until the list has its positions.
void make_positions(LIST_DATA& list) {
    for (int i = 0; list.positions == nullptr && i < list.node_count; ++i)
        list.at((i * 7919 + list.node_count / 3) % list.node_count, nullptr);
    ASSERT_NE(list.positions, nullptr);
    expect_positions_agree(list);
}

std::vector<int> counting(int from, int count) {
    std::vector<int> values(static_cast<size_t>(count));
    std::iota(values.begin(), values.end(), from);
    return values;
}

void fill(LIST_DATA& list, const std::vector<int>& values) {
    for (int value : values) list.append(int_cell(value).get(), 0);
}

TEST(ListStorePositions, MadeByFarReadsOfLongListsOnly) {
    LIST_DATA list;
    fill(list, counting(0, 1000));
    // Reads one step from a known node never make them: consecutive reads
    // both ways, the ends, the same index again.
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(int_of(list.at(i, nullptr)), i);
    for (int i = 999; i >= 0; --i) EXPECT_EQ(int_of(list.at(i, nullptr)), i);
    for (int i = 0; i < 1000; ++i) {
        list.at(i % 2 == 0 ? 0 : 999, nullptr);
        list.at(i % 2 == 0 ? 1 : 998, nullptr);
        list.at(i % 2 == 0 ? 1 : 998, nullptr);
    }
    EXPECT_EQ(list.positions, nullptr);
    // A few reads that walk far do.
    for (int index : {300, 700, 100, 900, 450}) EXPECT_EQ(int_of(list.at(index, nullptr)), index);
    ASSERT_NE(list.positions, nullptr);
    expect_positions_agree(list);
    for (int i = 0; i < 1000; ++i) {
        const int index = (i * 7919) % 1000;
        EXPECT_EQ(int_of(list.at(index, nullptr)), index);
        EXPECT_EQ(list.cursor_index, index);
        EXPECT_EQ(&list.cursor->value, list.at(index, nullptr));
    }

    // A short list walks a few steps to anywhere: it never has positions.
    LIST_DATA short_list;
    fill(short_list, counting(0, 31));
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(int_of(short_list.at((i * 7) % 31, nullptr)), (i * 7) % 31);
    EXPECT_EQ(short_list.positions, nullptr);

    // Emptied, the list forgets them and walks again.
    list.clear();
    EXPECT_EQ(list.positions, nullptr);
    fill(list, counting(5, 40));
    EXPECT_EQ(int_of(list.at(20, nullptr)), 25);
    EXPECT_EQ(list.positions, nullptr);
}

// Random changes of a list that has positions, against a vector: after each
// one the positions name the chain's nodes and every read agrees.
// Reads that alternate between two positions a few steps apart, as a merge
// of two neighbouring runs does, walk past the cursor's neighbours on every
// read: the steps add up and make the positions within one sweep of the
// list, so the far walking stays within one list length whatever the
// distance.
TEST(ListStorePositions, MadeByReadsAlternatingBetweenTwoPositions) {
    for (int width : {3, 16, 500}) {
        LIST_DATA list;
        fill(list, counting(0, 2000));
        for (int i = 0; i + width < 2000; ++i) {
            ASSERT_EQ(int_of(list.at(i, nullptr)), i);
            ASSERT_EQ(int_of(list.at(i + width, nullptr)), i + width);
            if (list.positions == nullptr) {
                ASSERT_LT(list.far_steps, list.node_count) << "width " << width;
            }
        }
        ASSERT_NE(list.positions, nullptr) << "width " << width;
        expect_positions_agree(list);
        EXPECT_EQ(list.cursor_index, 1999);
    }
}

TEST(ListStorePositions, FollowEveryChangeOfTheChain) {
    std::mt19937 random(2024);
    LIST_DATA list;
    std::vector<int> model = counting(0, 200);
    fill(list, model);
    make_positions(list);
    int next_value = 1000;
    int remade = 0;
    for (int step = 0; step < 4000; ++step) {
        const int size = static_cast<int>(model.size());
        const int index = size == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(size));
        switch (random() % 12) {
        case 0:
            list.append(int_cell(next_value).get(), 0);
            model.push_back(next_value++);
            break;
        case 1:
            list.prepend(int_cell(next_value).get(), 0);
            model.insert(model.begin(), next_value++);
            break;
        case 2:
        case 3: {
            const int gap = static_cast<int>(random() % static_cast<unsigned>(size + 1));
            ASSERT_EQ(list.insert_at(gap, int_cell(next_value).get(), 0), nullptr);
            model.insert(model.begin() + gap, next_value++);
            break;
        }
        case 4:
        case 5:
            if (size == 0) break;
            ASSERT_EQ(list.remove_at(index), nullptr);
            model.erase(model.begin() + index);
            break;
        case 6:
            list.remove_first();
            if (size > 0) model.erase(model.begin());
            break;
        case 7:
            list.remove_last();
            if (size > 0) model.pop_back();
            break;
        case 8:
            if (size == 0) break;
            ASSERT_EQ(list.set_at(index, int_cell(next_value).get(), 0), nullptr);
            model[static_cast<size_t>(index)] = next_value++;
            break;
        case 9:
            if (random() % 8 != 0) break;
            list.reverse();
            std::reverse(model.begin(), model.end());
            break;
        case 10: {
            if (random() % 8 != 0 || size < 2) break;
            // Sometimes an element known by a reference: the nodes move
            // instead of their values.
            UNION_DATA reference('V');
            if (random() % 2 == 0) {
                ASSERT_EQ(assign_link(&reference, list.at(index, nullptr), 'p'), nullptr);
            }
            std::vector<UNION_DATA*> keys;
            for (LIST_NODE* node = list.head; node != nullptr; node = node->next) keys.push_back(&node->value);
            const bool ascending = random() % 2 == 0;
            ASSERT_EQ(list.sort(keys.data(), ascending), nullptr);
            if (ascending) std::sort(model.begin(), model.end());
            else std::sort(model.begin(), model.end(), std::greater<>());
            break;
        }
        default:
            for (int read = 0; read < 5 && size > 0; ++read) {
                const int at = static_cast<int>(random() % static_cast<unsigned>(size));
                ASSERT_EQ(int_of(list.at(at, nullptr)), model[static_cast<size_t>(at)]);
            }
        }
        ASSERT_NO_FATAL_FAILURE(expect_positions_agree(list));
        if (list.positions == nullptr && list.node_count >= 64) {
            make_positions(list);
            ++remade;
        }
        if (step % 100 == 0) {
            ASSERT_EQ(contents(list), model);
        }
    }
    ASSERT_EQ(contents(list), model);
    EXPECT_EQ(remade, 0);  // no change needed to drop them
    // Removing a node by its address cannot tell its position: the
    // positions go, and the next far reads make them again.
    list.remove_node(list.head->next);
    model.erase(model.begin() + 1);
    EXPECT_EQ(list.positions, nullptr);
    make_positions(list);
    for (int i = 0; i < list.node_count; ++i) ASSERT_EQ(int_of(list.at(i, nullptr)), model[static_cast<size_t>(i)]);
}

// A list used as a queue (added at the tail, taken at the head) keeps its
// positions in step without their room growing with the traffic.
TEST(ListStorePositions, QueueAndStackTraffic) {
    LIST_DATA list;
    fill(list, counting(0, 100));
    make_positions(list);
    for (int i = 100; i < 20000; ++i) {
        list.append(int_cell(i).get(), 0);
        list.remove_first();
        if (i % 97 == 0) {
            ASSERT_EQ(int_of(list.at(50, nullptr)), i - 49);
            ASSERT_NO_FATAL_FAILURE(expect_positions_agree(list));
        }
    }
    EXPECT_EQ(list.positions->count(), 100);
    EXPECT_LT(list.positions->room(), 1000u);
    // Put in front and taken from the tail, then the other way round.
    for (int i = 0; i < 5000; ++i) {
        list.prepend(int_cell(-i).get(), 0);
        list.remove_last();
    }
    for (int i = 0; i < 5000; ++i) {
        list.remove_first();
        list.append(int_cell(i).get(), 0);
    }
    ASSERT_NO_FATAL_FAILURE(expect_positions_agree(list));
    EXPECT_EQ(contents(list), counting(4900, 100));
    while (list.node_count > 0) list.remove_at(list.node_count / 2);
    EXPECT_EQ(list.positions->count(), 0);
    EXPECT_EQ(list.first(), nullptr);

    // Grown long and taken back to a few elements from either end, the
    // positions give back the room they no longer need.
    fill(list, counting(0, 100000));
    EXPECT_GE(list.positions->room(), 100000u);
    for (int i = 0; i < 49990; ++i) {
        list.remove_last();
        list.remove_first();
    }
    EXPECT_LT(list.positions->room(), 1000u);
    EXPECT_EQ(contents(list), counting(49990, 20));
    ASSERT_NO_FATAL_FAILURE(expect_positions_agree(list));
}

// Values moved from one list into another, each list read far apart, and a
// list copied over one that has positions.
TEST(ListStorePositions, MovesBetweenListsAndCopies) {
    LIST_DATA from;
    LIST_DATA to;
    std::vector<int> from_model = counting(0, 300);
    std::vector<int> to_model = counting(1000, 100);
    fill(from, from_model);
    fill(to, to_model);
    make_positions(from);
    make_positions(to);
    for (int i = 0; i < 250; ++i) {
        const int source = (i * 37) % static_cast<int>(from_model.size());
        const int gap = (i * 53) % (static_cast<int>(to_model.size()) + 1);
        ASSERT_EQ(to.insert_at(gap, from.at(source, nullptr), assign_mode_movement), nullptr);
        to_model.insert(to_model.begin() + gap, from_model[static_cast<size_t>(source)]);
        ASSERT_EQ(from.remove_at(source), nullptr);
        from_model.erase(from_model.begin() + source);
    }
    ASSERT_NO_FATAL_FAILURE(expect_positions_agree(from));
    ASSERT_NO_FATAL_FAILURE(expect_positions_agree(to));
    EXPECT_EQ(contents(from), from_model);
    EXPECT_EQ(contents(to), to_model);

    // The copy's chain is new: its old positions go, the source keeps its own.
    ASSERT_EQ(to.copy_from(from), nullptr);
    EXPECT_EQ(to.positions, nullptr);
    ASSERT_NE(from.positions, nullptr);
    EXPECT_EQ(contents(to), from_model);
    for (int i = 0; i < 50; ++i) {
        const int index = (i * 31) % to.node_count;
        ASSERT_EQ(int_of(to.at(index, nullptr)), from_model[static_cast<size_t>(index)]);
        ASSERT_EQ(int_of(from.at(index, nullptr)), from_model[static_cast<size_t>(index)]);
    }
    // Every element of one list appended to the other, itself included.
    to.append_all(to);
    to.append_all(from);
    std::vector<int> doubled = from_model;
    doubled.insert(doubled.end(), from_model.begin(), from_model.end());
    doubled.insert(doubled.end(), from_model.begin(), from_model.end());
    make_positions(to);
    EXPECT_EQ(contents(to), doubled);
}

// A walk along the links, as for and For make it, sees every element once
// while positioned reads and writes, which make the positions, run between
// its steps.
TEST(ListStorePositions, WalksInterleavedWithPositionedAccess) {
    LIST_DATA list;
    fill(list, counting(0, 500));
    std::vector<int> seen;
    int step = 0;
    for (LIST_NODE* node = list.head; node != nullptr; node = node->next, ++step) {
        seen.push_back(int_of(&node->value));
        const int far = (step * 7919) % 500;
        ASSERT_EQ(list.set_at(far, list.at(far, nullptr), 0), nullptr);  // onto itself
        ASSERT_EQ(int_of(list.at(499 - far, nullptr)), 499 - far);
    }
    EXPECT_EQ(seen, counting(0, 500));
    ASSERT_NE(list.positions, nullptr);
    seen.clear();
    for (LIST_NODE* node = list.tail; node != nullptr; node = node->prev) {
        seen.insert(seen.begin(), int_of(&node->value));
        list.at(static_cast<int>(seen.size() * 13) % 500, nullptr);
    }
    EXPECT_EQ(seen, counting(0, 500));
    ASSERT_NO_FATAL_FAILURE(expect_positions_agree(list));
}

}  // namespace
}  // namespace morvu
