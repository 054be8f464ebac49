#include "values/value_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frontend/token.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/calendar_text.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::make_cell;
using test::real_cell;
using test::str_cell;

CELL list_of(std::initializer_list<UNION_DATA*> elements) {
    CELL list = make_cell('l');
    for (UNION_DATA* element : elements) list->list_data()->append(element, 0);
    return list;
}

void put(UNION_DATA* hash, UNION_DATA* key, UNION_DATA* value = nullptr) {
    const char* message = nullptr;
    hash->hash_data()->insert(key, 0, value, 0, &message);
    ASSERT_EQ(message, nullptr);
}

// The display text, expecting no message.
std::string text_of(UNION_DATA* cell) {
    const char* error = nullptr;
    std::string text = value_to_text(cell, &error);
    EXPECT_EQ(error, nullptr) << text;
    return text;
}

// The message of a display, with the text written so far.
std::string message_of(UNION_DATA* cell, std::string* text = nullptr) {
    const char* error = nullptr;
    const std::string& written = value_to_text(cell, &error);
    if (text != nullptr) *text = written;
    return error != nullptr ? std::string(error) : std::string("<none>");
}

std::string key_of(UNION_DATA* cell) {
    const char* message = nullptr;
    std::string text = value_key_text(cell, &message);
    EXPECT_EQ(message, nullptr);
    return text;
}

struct SETTINGS_GUARD {
    int precision = output_precision();
    std::string format = date_format;
    ~SETTINGS_GUARD() {
        set_output_precision(precision);
        date_format = format;
    }
};

// ---- scalar and calendar texts ----

TEST(ValueTextDisplay, ScalarsShowTheirValueAndEmptyOnesNothing) {
    SETTINGS_GUARD guard;
    CELL flag = make_cell('b');
    EXPECT_EQ(text_of(flag.get()), "");  // the empty bool
    flag->bool_word() = 0;
    EXPECT_EQ(text_of(flag.get()), "false");
    flag->bool_word() = 1;
    EXPECT_EQ(text_of(flag.get()), "true");

    CELL letter = make_cell('c');
    EXPECT_EQ(text_of(letter.get()), "");
    letter->char_byte() = 'x';
    EXPECT_EQ(text_of(letter.get()), "x");

    CELL oper = make_cell('o');
    oper->oper_chars()[0] = '+';
    EXPECT_EQ(text_of(oper.get()), "+");
    oper->oper_chars()[1] = '=';
    EXPECT_EQ(text_of(oper.get()), "+=");

    EXPECT_EQ(text_of(make_cell('i').get()), "");
    EXPECT_EQ(text_of(int_cell("-42").get()), "-42");
    EXPECT_EQ(text_of(make_cell('r').get()), "");
    CELL real = real_cell("2.5");
    EXPECT_EQ(text_of(real.get()), "2.5");
    set_output_precision(3);
    EXPECT_EQ(text_of(real.get()), "2.500");

    EXPECT_EQ(text_of(str_cell("a \"b\"\n").get()), "a \"b\"\n");  // no quotes, no escapes
    CELL dir = make_cell('d');
    dir->dir_data()->set_path("/tmp/x");
    EXPECT_EQ(text_of(dir.get()), "/tmp/x");
    CELL file = make_cell('f');
    file->file_data()->path_name = "notes.txt";
    EXPECT_EQ(text_of(file.get()), "notes.txt");
    CELL error = make_cell('e');
    error->error_data()->message = "bad";
    error->error_data()->file = "f.mrv";
    EXPECT_EQ(text_of(error.get()), "bad");
    EXPECT_EQ(text_of(make_cell('v').get()), "");
    EXPECT_EQ(text_of(make_cell('V').get()), "");
}

TEST(ValueTextDisplay, CalendarValuesArePadded) {
    SETTINGS_GUARD guard;
    CELL date = make_cell('0');
    EXPECT_EQ(text_of(date.get()), "");
    *date->date_data() = DATE_DATA(INT_DATA(5), INT_DATA(1), INT_DATA(2024));
    EXPECT_EQ(text_of(date.get()), "2024-01-05");
    date_format = "D.M.Y";
    EXPECT_EQ(text_of(date.get()), "05.01.2024");
    CELL time = make_cell('t');
    *time->time_data() = TIME_DATA(INT_DATA(1), INT_DATA(2), INT_DATA(3));
    EXPECT_EQ(text_of(time.get()), "01:02:03");
    CELL zone = make_cell('2');
    *zone->timezone_data() = TIMEZONE_DATA(INT_DATA(1), INT_DATA(0));
    EXPECT_EQ(text_of(zone.get()), "+01:00");
}

TEST(ValueTextDisplay, TypesWithoutTextReportAndWriteNothing) {
    EXPECT_EQ(message_of(make_cell('n').get()), "Output of type 'sys' not allowed");
    EXPECT_EQ(message_of(make_cell('x').get()), "Output of type 'code' not allowed");
    // Containers pass over an element without text; only the outermost
    // value's own result counts.
    CELL one = int_cell("1");
    CELL sys = make_cell('n');
    CELL list = list_of({one.get(), sys.get(), one.get()});
    EXPECT_EQ(text_of(list.get()), "(1,,1)");
    // Without an error slot nothing is written.
    value_text_buffer = "stale";
    EXPECT_EQ(value_to_text(one.get(), nullptr), "");
}

// ---- containers ----

TEST(ValueTextDisplay, ListsArraysAndPairs) {
    CELL one = int_cell("1");
    CELL a = str_cell("a");
    CELL real = real_cell("2.5");
    EXPECT_EQ(text_of(list_of({one.get(), a.get(), real.get()}).get()), "(1,a,2.5)");
    CELL empty = make_cell('l');
    EXPECT_EQ(text_of(empty.get()), "()");
    EXPECT_EQ(text_of(list_of({empty.get()}).get()), "(())");
    CELL args = make_cell('y');
    args->list_data()->append(one.get(), 0);
    EXPECT_EQ(text_of(args.get()), "(1)");

    // An element that holds no value leaves nothing between its commas.
    CELL gap = list_of({one.get(), one.get(), one.get()});
    const char* message = nullptr;
    dissolve_link_value(gap->list_data()->at(1, &message));
    EXPECT_EQ(text_of(gap.get()), "(1,,1)");

    CELL array = make_cell('a');
    EXPECT_EQ(text_of(array.get()), "[]");
    array->array_data()->resize(3);
    EXPECT_EQ(text_of(array.get()), "[]");
    CELL x = str_cell("x");
    CELL z = str_cell("z");
    array->array_data()->set(0, x.get(), 0);
    array->array_data()->set(2, z.get(), 0);
    EXPECT_EQ(text_of(array.get()), "[0->x,2->z]");

    CELL grid = make_cell('z');
    EXPECT_EQ(text_of(grid.get()), "[]");
    grid->array2_data()->resize(2, 3);
    grid->array2_data()->set(0, 2, x.get(), 0);
    grid->array2_data()->set(1, 0, z.get(), 0);
    EXPECT_EQ(text_of(grid.get()), "[(0,2)->x,(1,0)->z]");

    CELL two = int_cell("2");
    CELL pair = make_cell('u');
    assign_value(&pair->any2_data()->first, one.get());
    assign_value(&pair->any2_data()->second, two.get());
    EXPECT_EQ(text_of(pair.get()), "1->2");
}

TEST(ValueTextDisplay, HashesAndSetsFollowBucketOrUnlessSorted) {
    CELL hash = make_cell('h');
    EXPECT_EQ(text_of(hash.get()), "[]");
    CELL k = str_cell("k");
    CELL one = int_cell("1");
    CELL two = int_cell("2");
    put(hash.get(), k.get(), one.get());
    EXPECT_EQ(text_of(hash.get()), "[k->1]");

    CELL set = make_cell('m');
    EXPECT_EQ(text_of(set.get()), "{}");
    put(set.get(), two.get());
    put(set.get(), one.get());
    EXPECT_EQ(text_of(set.get()), "{1,2}");  // buckets 49 and 50
    // A cached pair array (as after a sort) gives the order.
    set->hash_data()->build_array();
    std::reverse(set->hash_data()->cached_array->begin(), set->hash_data()->cached_array->end());
    EXPECT_EQ(text_of(set.get()), "{2,1}");
}

TEST(ValueTextDisplay, GraphsListNodesThenEdges) {
    CELL graph = make_cell('g');
    EXPECT_EQ(text_of(graph.get()), "<(),{}>");
    CELL a = str_cell("a");
    CELL b = str_cell("b");
    CELL e = str_cell("e");
    GRAPH_DATA& g = *graph->graph_data();
    ASSERT_EQ(g.append_node(a.get(), 0), nullptr);
    EXPECT_EQ(text_of(graph.get()), "<(a),{}>");
    ASSERT_EQ(g.append_node(b.get(), 0), nullptr);
    ASSERT_EQ(g.add_edge(0, 1, e.get(), 0), nullptr);
    ASSERT_EQ(g.add_edge(2, 1, a.get(), 0), nullptr);  // parallel index 1: id 1 x 2 + 0
    ASSERT_EQ(g.add_edge(1, 1, b.get(), 0), nullptr);
    EXPECT_EQ(text_of(graph.get()), "<(a,b),{<0->1,e>,<2->1,a>,<1->1,b>}>");
}

TEST(ValueTextDisplay, ObjectsSeparateMembersAndGroups) {
    TOKEN type;
    type.text = std::string("pair");
    CELL object = make_cell('k');
    object->holder()->type = &type;
    auto* record = new OBJECT_RECORD();
    object->holder()->object = record;
    EXPECT_EQ(text_of(object.get()), "<>");
    record->groups.resize(2);
    for (int g = 0; g < 2; ++g) {
        record->groups[g].type = &type;
        record->groups[g].slots = std::make_unique<SLOT_ARRAY>(2);
        for (int m = 0; m < 2; ++m)
            record->groups[g].slots->cells[m] = str_cell(std::string(1, static_cast<char>('a' + 2 * g + m))).release();
    }
    EXPECT_EQ(text_of(object.get()), "<a,b;c,d>");
    record->groups[0].slots.reset();  // a group without members keeps its ';'
    EXPECT_EQ(text_of(object.get()), "<;c,d>");
    CELL no_object = make_cell('k');
    EXPECT_EQ(text_of(no_object.get()), "");
}

// ---- cycles ----

TEST(ValueTextCycles, ABackReferenceIsWrittenAsTwoDots) {
    CELL list = make_cell('l');
    CELL one = int_cell("1");
    list->list_data()->append(one.get(), 0);
    list->list_data()->append(list.get(), 1);
    EXPECT_EQ(text_of(list.get()), "(1,..)");

    // Two references to itself: each prints "..", the text ends.
    list->list_data()->append(list.get(), 1);
    EXPECT_EQ(text_of(list.get()), "(1,..,..)");

    // A cycle through a nested list.
    CELL outer = make_cell('l');
    CELL inner = make_cell('l');
    outer->list_data()->append(inner.get(), 0);
    const char* message = nullptr;
    UNION_DATA* nested = outer->list_data()->at(0, &message);
    follow_link(nested)->list_data()->append(outer.get(), 1);
    follow_link(nested)->list_data()->append(outer.get(), 1);
    EXPECT_EQ(text_of(outer.get()), "((..,..))");

    // Every mark is clear again.
    EXPECT_EQ(list->being_written, 0);
    for (LIST_NODE* node = list->list_data()->head; node != nullptr; node = node->next)
        EXPECT_EQ(node->value.being_written, 0);
    EXPECT_EQ(outer->being_written, 0);
    EXPECT_EQ(nested->being_written, 0);
}

TEST(ValueTextNesting, PlainElementsBeforeAndAfterNestedOnes) {
    // A container is written at once while its elements are plain and
    // goes on from where it was at the first nested one.
    CELL two = int_cell(2);
    CELL one = int_cell(1);
    CELL inner = list_of({two.get()});
    CELL list = list_of({one.get()});
    list->list_data()->append(inner.get(), 0);
    list->list_data()->append(int_cell(3).get(), 0);
    EXPECT_EQ(text_of(list.get()), "(1,(2),3)");
    CELL array = make_cell('a');
    array->array_data()->resize(3);
    array->array_data()->set(0, int_cell(1).get(), 0);
    array->array_data()->set(1, inner.get(), 0);
    array->array_data()->set(2, int_cell(3).get(), 0);
    EXPECT_EQ(text_of(array.get()), "[0->1,1->(2),2->3]");
    CELL hash = make_cell('h');
    put(hash.get(), int_cell(1).get(), int_cell(1).get());
    put(hash.get(), int_cell(2).get(), inner.get());
    put(hash.get(), int_cell(3).get(), int_cell(3).get());
    EXPECT_EQ(text_of(hash.get()), "[1->1,2->(2),3->3]");
    CELL outer = make_cell('l');
    outer->list_data()->append(list.get(), 0);
    outer->list_data()->append(array.get(), 0);
    outer->list_data()->append(hash.get(), 0);
    EXPECT_EQ(text_of(outer.get()), "((1,(2),3),[0->1,1->(2),2->3],[1->1,2->(2),3->3])");
}

TEST(ValueTextCycles, ReferencesToOneValueThatIsNoCyclePrintInFull) {
    CELL target = int_cell("5");
    CELL list = make_cell('l');
    list->list_data()->append(target.get(), 1);
    list->list_data()->append(target.get(), 1);
    EXPECT_EQ(text_of(list.get()), "(5,5)");
}

TEST(ValueTextCycles, NestingOfAnyDepthIsWrittenWhole) {
    CELL inner = make_cell('l');
    for (int level = 0; level < 200000; ++level) {
        CELL outer = make_cell('l');
        outer->list_data()->append(inner.get(), 2);
        inner = std::move(outer);
    }
    std::string text;
    EXPECT_EQ(message_of(inner.get(), &text), "<none>");
    EXPECT_EQ(text, std::string(200001, '(') + std::string(200001, ')'));
    EXPECT_EQ(key_of(inner.get()), text);
}

// ---- key texts ----

TEST(ValueTextKey, KeysDoNotMoveWithTheSettings) {
    SETTINGS_GUARD guard;
    CELL typed = make_cell('i');
    ASSERT_EQ(read_value_text(typed.get(), "007"), nullptr);
    EXPECT_EQ(text_of(typed.get()), "007");  // shown as typed, placed as 7
    EXPECT_EQ(key_of(typed.get()), "7");
    EXPECT_EQ(key_of(int_cell("-0").get()), "0");
    EXPECT_EQ(key_of(make_cell('i').get()), "0");  // the empty number equals 0
    CELL real = real_cell("1.50");
    set_output_precision(0);
    EXPECT_EQ(key_of(real.get()), "1.5");
    EXPECT_EQ(key_of(make_cell('r').get()), "0");

    CELL date = make_cell('0');
    *date->date_data() = DATE_DATA(INT_DATA(5), INT_DATA(1), INT_DATA("02024"));
    date_format = "D/M/Y";
    EXPECT_EQ(key_of(date.get()), "2024-01-05");
    EXPECT_EQ(date_format, "D/M/Y");  // restored

    // One instant in two zones is one key.
    CELL here = make_cell('4');
    CELL there = make_cell('4');
    *here->datetime_data() = DATETIME_DATA("2024-01-05", "12:00:00", "+01:00");
    *there->datetime_data() = DATETIME_DATA("2024-01-05", "13:00:00", "+02:00");
    date_format.clear();
    EXPECT_EQ(key_of(here.get()), key_of(there.get()));
}

TEST(ValueTextKey, EqualToTheDisplayInTheDefaultStateForPlainKeys) {
    CELL one = int_cell("12");
    CELL text = str_cell("abc");
    CELL real = real_cell("0.25");
    CELL list = list_of({one.get(), text.get(), real.get()});
    CELL date = make_cell('0');
    *date->date_data() = DATE_DATA(INT_DATA(5), INT_DATA(1), INT_DATA(824));
    CELL time = make_cell('t');
    *time->time_data() = TIME_DATA(INT_DATA(-3), INT_DATA(4), INT_DATA(5));
    CELL zone = make_cell('2');
    *zone->timezone_data() = TIMEZONE_DATA(INT_DATA(-9), INT_DATA(30));
    CELL set = make_cell('m');
    put(set.get(), one.get());
    put(set.get(), text.get());
    for (UNION_DATA* cell :
         {one.get(), text.get(), real.get(), list.get(), date.get(), time.get(), zone.get(), set.get()}) {
        std::string display = text_of(cell);
        EXPECT_EQ(key_of(cell), display);
    }
}

// A time or zone whose hours are a zero carrying a minus sign.
INT_DATA minus_zero() {
    INT_DATA zero(0);
    zero.set_sign(-1);
    return zero;
}

TEST(ValueTextKey, EqualValuesGetEqualTexts) {
    SETTINGS_GUARD guard;
    std::vector<std::pair<CELL, CELL>> pairs;
    auto add = [&](CELL a, CELL b) { pairs.emplace_back(std::move(a), std::move(b)); };
    add(int_cell("007"), int_cell("7"));
    add(make_cell('i'), int_cell("0"));  // the empty number equals 0
    add(real_cell("1.50"), real_cell("1.5"));
    add(make_cell('r'), real_cell("0.00"));
    add(str_cell(std::string("a\0b", 3)), str_cell("a"));  // texts compare up to a NUL

    // An empty calendar value equals its all-zero form.
    CELL midnight = make_cell('t');
    *midnight->time_data() = TIME_DATA(INT_DATA(0), INT_DATA(0), INT_DATA(0));
    add(make_cell('t'), std::move(midnight));
    CELL utc = make_cell('2');
    *utc->timezone_data() = TIMEZONE_DATA(INT_DATA(0), INT_DATA(0));
    add(make_cell('2'), std::move(utc));
    CELL zero_date = make_cell('0');
    *zero_date->date_data() = DATE_DATA(INT_DATA(0), INT_DATA(0), INT_DATA(0));
    add(make_cell('0'), std::move(zero_date));
    // Hours compare as numbers, so a minus on zero hours does not count.
    CELL west = make_cell('t');
    *west->time_data() = TIME_DATA(minus_zero(), INT_DATA(30), INT_DATA(0));
    CELL east = make_cell('t');
    *east->time_data() = TIME_DATA(INT_DATA(0), INT_DATA(30), INT_DATA(0));
    add(std::move(west), std::move(east));
    CELL west_zone = make_cell('2');
    *west_zone->timezone_data() = TIMEZONE_DATA(minus_zero(), INT_DATA(30));
    CELL east_zone = make_cell('2');
    *east_zone->timezone_data() = TIMEZONE_DATA(INT_DATA(0), INT_DATA(30));
    add(std::move(west_zone), std::move(east_zone));
    // A datetime is its instant, an empty one too.
    CELL empty_instant = make_cell('4');
    CELL same_instant = make_cell('4');
    DATETIME_DATA& instant = *same_instant->datetime_data();
    instant.zone = TIMEZONE_DATA(INT_DATA(2), INT_DATA(0));
    instant.from_seconds(empty_instant->datetime_data()->total_seconds() + INT_DATA(7200));
    add(std::move(empty_instant), std::move(same_instant));

    // Containers of such keys, and graphs whose edges came in another order.
    CELL seven = int_cell("7");
    CELL typed_seven = int_cell("007");
    add(list_of({typed_seven.get()}), list_of({seven.get()}));
    CELL first_graph = make_cell('g');
    CELL second_graph = make_cell('g');
    for (GRAPH_DATA* g : {first_graph->graph_data(), second_graph->graph_data()}) {
        ASSERT_EQ(g->append_node(seven.get(), 0), nullptr);
        ASSERT_EQ(g->append_node(seven.get(), 0), nullptr);
    }
    ASSERT_EQ(first_graph->graph_data()->add_edge(0, 1, seven.get(), 0), nullptr);
    ASSERT_EQ(first_graph->graph_data()->add_edge(1, 0, typed_seven.get(), 0), nullptr);
    ASSERT_EQ(second_graph->graph_data()->add_edge(1, 0, seven.get(), 0), nullptr);
    ASSERT_EQ(second_graph->graph_data()->add_edge(0, 1, seven.get(), 0), nullptr);
    add(std::move(first_graph), std::move(second_graph));

    for (size_t i = 0; i < pairs.size(); ++i) {
        UNION_DATA* a = pairs[i].first.get();
        UNION_DATA* b = pairs[i].second.get();
        ASSERT_TRUE(is_equal_value(a, b, true)) << "pair " << i;
        EXPECT_EQ(key_of(a), key_of(b)) << "pair " << i;
        // Whatever the settings.
        set_output_precision(2);
        date_format = "D/M/Y";
        EXPECT_EQ(key_of(a), key_of(b)) << "pair " << i;
        set_output_precision(-1);
        date_format.clear();
    }
}

TEST(ValueTextKey, NestedSetsIgnoreInsertionOrder) {
    // "a" and "" share bucket 0, so the two sets hold them in different orders.
    CELL first = make_cell('m');
    CELL second = make_cell('m');
    CELL a = str_cell("a");
    CELL empty = str_cell("");
    put(first.get(), a.get());
    put(first.get(), empty.get());
    put(second.get(), empty.get());
    put(second.get(), a.get());
    EXPECT_NE(text_of(first.get()), text_of(second.get()));
    EXPECT_EQ(key_of(first.get()), key_of(second.get()));

    const char* message = nullptr;
    value_key_text(make_cell('n').get(), &message);
    EXPECT_STREQ(message, "Output of type 'sys' not allowed");
}

// ---- reading values from text ----

std::string read_message(UNION_DATA* cell, const std::string& text) {
    const char* message = read_value_text(cell, text);
    return message != nullptr ? std::string(message) : std::string("<none>");
}

TEST(ValueTextRead, ScalarsConvertOrReport) {
    CELL flag = make_cell('b');
    EXPECT_EQ(read_message(flag.get(), "true"), "<none>");
    EXPECT_EQ(flag->bool_word(), 1);
    EXPECT_EQ(read_message(flag.get(), "false"), "<none>");
    EXPECT_EQ(flag->bool_word(), 0);
    EXPECT_EQ(read_message(flag.get(), "yes"), "Conversion of string 'yes' into type 'bool' not possible");
    EXPECT_EQ(flag->bool_word(), 0);

    CELL letter = make_cell('c');
    EXPECT_EQ(read_message(letter.get(), "ab"), "Conversion of string 'ab' into type 'char' not possible");
    EXPECT_EQ(read_message(letter.get(), ""), "Conversion of string '' into type 'char' not possible");
    EXPECT_EQ(read_message(letter.get(), "q"), "<none>");
    EXPECT_EQ(letter->char_byte(), 'q');

    CELL number = int_cell("3");
    EXPECT_EQ(read_message(number.get(), "12x"), "Conversion of string '12x' into type 'int' not possible");
    EXPECT_EQ(text_of(number.get()), "3");
    EXPECT_EQ(read_message(number.get(), "-7"), "<none>");
    EXPECT_EQ(text_of(number.get()), "-7");
    EXPECT_EQ(read_message(number.get(), "+8"), "<none>");
    EXPECT_EQ(*number->int_data(), INT_DATA(8));

    CELL real = make_cell('r');
    EXPECT_EQ(read_message(real.get(), "2.5e1"), "<none>");
    EXPECT_EQ(*real->real_data(), REAL_DATA(25));
    EXPECT_EQ(read_message(real.get(), "2.5."), "Conversion of string '2.5.' into type 'real' not possible");
    // An exponent the decimal cannot hold is no number: no exception escapes.
    EXPECT_EQ(read_message(real.get(), "1e99999999999"),
              "Conversion of string '1e99999999999' into type 'real' not possible");
    EXPECT_EQ(*real->real_data(), REAL_DATA(25));

    CELL text = str_cell("old");
    EXPECT_EQ(read_message(text.get(), "new text"), "<none>");
    EXPECT_EQ(text->str_data()->text, "new text");
}

TEST(ValueTextRead, CalendarTextsParse) {
    CELL date = make_cell('0');
    EXPECT_EQ(read_message(date.get(), "2024-2-3"), "<none>");
    EXPECT_EQ(text_of(date.get()), "2024-02-03");
    EXPECT_EQ(read_message(date.get(), "2023-02-29"),
              "Conversion of string '2023-02-29' into type 'date' not possible");
    EXPECT_EQ(text_of(date.get()), "2024-02-03");

    CELL time = make_cell('t');
    EXPECT_EQ(read_message(time.get(), "1:2:3"), "<none>");
    EXPECT_EQ(text_of(time.get()), "01:02:03");
    EXPECT_EQ(read_message(time.get(), "1:60"), "Conversion of string '1:60' into type 'time' not possible");

    CELL zone = make_cell('2');
    EXPECT_EQ(read_message(zone.get(), "-3:30"), "<none>");
    EXPECT_EQ(text_of(zone.get()), "-03:30");
    EXPECT_EQ(read_message(zone.get(), "15:00"), "Conversion of string '15:00' into type 'timezone' not possible");

    CELL moment = make_cell('4');
    EXPECT_EQ(read_message(moment.get(), "2024-01-05T12:00:00+01:00"), "<none>");
    EXPECT_EQ(text_of(moment.get()), moment->datetime_data()->to_text(true));
    EXPECT_FALSE(moment->datetime_data()->is_empty());
    EXPECT_EQ(read_message(moment.get(), "2024-01-05"),
              "Conversion of string '2024-01-05' into type 'datetime' not possible");
}

TEST(ValueTextRead, AnyVariablesTakeAStrAndOtherTypesRefuse) {
    CELL any = make_cell('V');
    CELL seven = int_cell("7");
    ASSERT_EQ(assign_value(any.get(), seven.get()), nullptr);
    EXPECT_EQ(any->tag, 'I');
    EXPECT_EQ(read_message(any.get(), "12"), "<none>");
    EXPECT_EQ(any->tag, 'S');
    EXPECT_EQ(any->str_data()->text, "12");
    EXPECT_EQ(read_message(any.get(), "again"), "<none>");
    EXPECT_EQ(any->str_data()->text, "again");
    CELL nothing = make_cell('V');
    EXPECT_EQ(read_message(nothing.get(), "x"), "<none>");
    EXPECT_EQ(nothing->tag, 'S');

    EXPECT_EQ(read_message(make_cell('l').get(), "(1)"), "Input of type 'list' not allowed");
    EXPECT_EQ(read_message(make_cell('n').get(), "x"), "Input of type 'sys' not allowed");

    // Through a reference the target changes.
    CELL target = int_cell("1");
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    EXPECT_EQ(read_message(reference.get(), "99"), "<none>");
    EXPECT_EQ(*target->int_data(), INT_DATA(99));

    // A variable that holds no value gets one.
    CELL hollow = int_cell("1");
    dissolve_link_value(hollow.get());
    ASSERT_FALSE(is_defined_value(hollow.get()));
    EXPECT_EQ(read_message(hollow.get(), "4"), "<none>");
    EXPECT_EQ(text_of(hollow.get()), "4");
}

TEST(ValueTextTypeCodes, EveryBuiltInNameAndUserTypes) {
    for (char tag : std::string("024abcdefghilmnorstuvxyz")) {
        CELL cell = make_cell(tag);
        std::string name = type_name_text(value_type_name(cell.get(), true));
        EXPECT_EQ(type_code_of_name(name), tag) << name;
    }
    EXPECT_EQ(type_code_of_name("datetime"), '4');
    EXPECT_EQ(type_code_of_name("point"), 'k');
    EXPECT_EQ(type_code_of_name(""), 'k');
    EXPECT_EQ(type_code_of_name("Int"), 'k');
}

TEST(ValueTextTypeCodes, HeldCodeAgreesWithTheCodeOfTheName) {
    auto code_by_name = [](const UNION_DATA* cell) {
        TYPE_NAME name = value_type_name(cell, true);
        return name.is_user_type ? 'k' : type_code_of_name(name.text);
    };
    // Every tag, raised ones too: built-in types, objects, the empty any
    // cell, unknown tags.
    for (char tag : std::string("0123456789abcdefghiklmnorstuvxyzVABCDEFGHIKLMNORSTUXYZ")) {
        CELL cell = make_cell(tag);
        EXPECT_EQ(held_type_code_of(cell.get()), code_by_name(cell.get())) << tag;
    }
    // Links name what they lead to.
    CELL target = str_cell("x");
    CELL reference = make_cell('v');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    EXPECT_EQ(held_type_code_of(reference.get()), 's');
    EXPECT_EQ(code_by_name(reference.get()), 's');
}

}  // namespace
}  // namespace morvu
