// The saved text form: exact texts of the writer, round trips through the
// reader for every kind of value, and the reader's refusals of damaged
// texts. Objects of user types use stand-in type nodes whose names and
// members the test's own type services report.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "exec/program_run.h"
#include "driver/globals.h"
#include "frontend/lexer.h"
#include "frontend/saved_type_names.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_services.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/saved_text.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::CELL;
using test::char_cell;
using test::element;
using test::int_cell;
using test::int_of;
using test::list_of;
using test::make_cell;
using test::raised_by;
using test::real_cell;
using test::said;
using test::str_cell;

std::string saved(UNION_DATA* cell) {
    const char* error = nullptr;
    std::string text = serialize_value(cell, nullptr, &error);
    EXPECT_EQ(error, nullptr) << said(error);
    return text;
}

// The writer's message for a value it refuses.
std::string refusal(UNION_DATA* cell) {
    const char* error = nullptr;
    serialize_value(cell, nullptr, &error);
    return said(error);
}

// Reads one saved value of the text into target: "<none>" on success,
// "<end>" for an empty input, else the message.
std::string read_text(UNION_DATA* target, const std::string& text, TOKEN* node = nullptr) {
    STR_DATA stream(text);
    const char* error = nullptr;
    if (!read_saved_value(target, &stream, node, &error)) return "<end>";
    return said(error);
}

// Writes the value, reads the text into a new any cell, and expects an equal
// value that writes the same text again.
void expect_round_trip(UNION_DATA* cell) {
    std::string text = saved(cell);
    CELL back = make_cell('v');
    ASSERT_EQ(read_text(back.get(), text), "<none>") << text;
    EXPECT_TRUE(is_equal_value(back.get(), cell, true)) << text;
    EXPECT_EQ(saved(back.get()), text);
}

// Every id is -1 again after a write, and the table of ids is empty.
void expect_ids_reset(UNION_DATA* root) {
    EXPECT_EQ(numbered_cell_count, 0u);
    std::vector<UNION_DATA*> cells{root};
    while (!cells.empty()) {
        UNION_DATA* cell = cells.back();
        cells.pop_back();
        EXPECT_EQ(saved_id_of(cell), -1);
        if (!is_link_cell(cell)) append_child_cells(cell, cells);
    }
}

CELL error_cell(char kind, const std::string& file, int line, const std::string& message) {
    CELL cell = make_cell('e');
    ERROR_DATA& error = *cell->error_data();
    error.kind = kind;
    error.file = file;
    error.line = line;
    error.message = message;
    return cell;
}

CELL bool_cell(uint16_t word) {
    CELL cell = make_cell('b');
    cell->bool_word() = word;
    return cell;
}

CELL oper_cell(char first, char second) {
    CELL cell = make_cell('o');
    cell->oper_chars()[0] = first;
    cell->oper_chars()[1] = second;
    return cell;
}

// ---- writer ----

TEST(SAVED_TEXT_WRITER, EmptyValuesAndScalarsHaveTheirExactTexts) {
    EXPECT_EQ(saved(make_cell('l').get()), "l0l");
    EXPECT_EQ(saved(make_cell('h').get()), "h0h");
    EXPECT_EQ(saved(make_cell('a').get()), "a0a");
    EXPECT_EQ(saved(make_cell('s').get()), "s0s");
    EXPECT_EQ(saved(make_cell('v').get()), "v");
    EXPECT_EQ(saved(bool_cell(0xFFFF).get()), "b2");
    EXPECT_EQ(saved(char_cell(0).get()), "x");
    EXPECT_EQ(saved(bool_cell(1).get()), "b1");
    EXPECT_EQ(saved(char_cell('A').get()), "cA");
    EXPECT_EQ(saved(int_cell(-42).get()), "i-42i");
    EXPECT_EQ(saved(oper_cell('+', '=').get()), "o+=o");
    EXPECT_EQ(saved(str_cell("hello").get()), "s5shello");
    EXPECT_EQ(saved(error_cell('u', "main", 3, "oops").get()), "e13eu:main:3:oops");
    // An any cell holding an int is written exactly like an int cell.
    EXPECT_EQ(saved(int_cell(7, 'v').get()), "i7i");
}

TEST(SAVED_TEXT_WRITER, RealsAreWrittenExactlyWhateverTheOutputPrecision) {
    const int before = output_precision();
    CELL number = real_cell("-1.234567890123");
    set_output_precision(2);
    EXPECT_EQ(saved(number.get()), "r-1.234567890123r");
    set_output_precision(0);
    EXPECT_EQ(saved(number.get()), "r-1.234567890123r");
    set_output_precision(before);
}

TEST(SAVED_TEXT_WRITER, ContainersWriteCountsThenElements) {
    CELL array = make_cell('a');
    array->array_data()->resize(2);
    array->array_data()->set(0, int_cell(7).get(), 0);
    EXPECT_EQ(saved(array.get()), "a2ai7iv");

    CELL grid = make_cell('z');
    grid->array2_data()->resize(1, 2);
    grid->array2_data()->set(0, 0, int_cell(1).get(), 0);
    EXPECT_EQ(saved(grid.get()), "z1z2zi1iv");

    CELL hash = make_cell('h');
    const char* message = nullptr;
    hash->hash_data()->insert(str_cell("k").get(), 0, int_cell(1).get(), 0, &message);
    EXPECT_EQ(saved(hash.get()), "h1hs1ski1i");

    // A set is written by its keys alone.
    EXPECT_EQ(saved(test::set_of({4}).get()), "m1mi4i");
    EXPECT_EQ(saved(list_of({1, 2}, 'y').get()), "y2yi1ii2i");
}

TEST(SAVED_TEXT_WRITER, ReferencesInsideTheValueAreNumberedAndIdsReset) {
    // The element and both references to it share one id.
    CELL list = list_of({5});
    UNION_DATA* first = element(list.get(), 0);
    list->list_data()->append(first, 1);
    list->list_data()->append(first, 1);
    EXPECT_EQ(saved(list.get()), "l3l$1$i5i@1@@1@");
    expect_ids_reset(list.get());

    CELL self = make_cell('l');
    self->list_data()->append(self.get(), 1);
    EXPECT_EQ(saved(self.get()), "$1$l1l@1@");
    expect_ids_reset(self.get());
}

TEST(SAVED_TEXT_WRITER, ExternalReferencesAndTypesWithoutSavedFormAreRefused) {
    CELL outside = int_cell(1);
    CELL list = list_of({2});
    list->list_data()->append(outside.get(), 1);
    EXPECT_EQ(refusal(list.get()), "pout() for external references not allowed");
    expect_ids_reset(list.get());

    // A reference handed over as the value itself points outside it.
    CELL reference = make_cell('v');
    ASSERT_EQ(assign_link(reference.get(), outside.get(), 'p'), nullptr);
    EXPECT_EQ(refusal(reference.get()), "pout() for external references not allowed");

    CELL holder = list_of({1});
    CELL file = make_cell('f');
    holder->list_data()->append(file.get(), 0);
    const char* error = nullptr;
    std::string text = serialize_value(holder.get(), nullptr, &error);
    EXPECT_EQ(said(error), "pout() for type 'file' not allowed");
    EXPECT_EQ(text, "l2li1i");  // what was written before the refusal
    expect_ids_reset(holder.get());
}

TEST(SAVED_TEXT_WRITER, GraphsNumberEdgesByTheirPlaceInTheEdgeList) {
    CELL empty = make_cell('g');
    EXPECT_EQ(saved(empty.get()), "g0g0g");

    CELL graph = make_cell('g');
    GRAPH_DATA& g = *graph->graph_data();
    g.append_node(int_cell(1).get(), 0);
    g.append_node(int_cell(2).get(), 0);
    EXPECT_EQ(saved(graph.get()), "g2g0g-1&1&i1i-1&1&i2i");
    ASSERT_EQ(g.add_edge(0, 1, int_cell(9).get(), 0), nullptr);
    // Node 0's chain: the edge outgoing; node 1's: the edge incoming.
    EXPECT_EQ(saved(graph.get()), "g2g1g0&1&i1i0&0&i2i0&1&-1&1&-1&1&0&i9i");
}

TEST(SAVED_TEXT_WRITER, NestingOfAnyDepthIsWrittenAndReadBack) {
    CELL value = int_cell(1);
    for (int level = 1; level < 200000; ++level) {
        CELL list = make_cell('l');
        list->list_data()->append(value.get(), 2);
        value = std::move(list);
    }
    std::string text = saved(value.get());
    EXPECT_EQ(text.size(), 199999 * 3 + 3);
    CELL back = make_cell('v');
    ASSERT_EQ(read_text(back.get(), text), "<none>");
    EXPECT_EQ(saved(back.get()), text);
    EXPECT_TRUE(is_equal_value(back.get(), value.get(), true));

    CELL deeper = make_cell('l');
    deeper->list_data()->append(value.get(), 2);
    EXPECT_EQ(saved(deeper.get()), "l1l" + text);
    EXPECT_EQ(read_text(back.get(), "l1l" + text), "<none>");
    EXPECT_TRUE(is_equal_value(back.get(), deeper.get(), true));
}

// ---- round trips ----

TEST(SAVED_TEXT_READER, EveryScalarAndCalendarValueReadsBackEqual) {
    const int before = output_precision();
    set_output_precision(1);
    std::vector<CELL> values;
    values.push_back(int_cell("-123456789012345678901234567890"));
    values.push_back(real_cell("3.14159265358979"));
    values.push_back(real_cell("-0.5"));
    values.push_back(str_cell(std::string("a\xFFs:3s") + "i"));
    values.push_back(char_cell('s'));
    values.push_back(char_cell(0));
    values.push_back(bool_cell(0));
    values.push_back(bool_cell(1));
    values.push_back(bool_cell(0xFFFF));
    values.push_back(oper_cell('<', '='));
    values.push_back(oper_cell('%', 0));
    values.push_back(error_cell('s', "dir:with:colons.mrv", 12, "bad: worse: 1:2"));
    values.push_back(error_cell('u', "", 0, ""));
    values.push_back(make_cell('e'));
    for (const char* text : {"-30:05:59", "0:0:1"}) {
        CELL time = make_cell('t');
        *time->time_data() = TIME_DATA::from_text(text);
        values.push_back(std::move(time));
    }
    values.push_back(make_cell('t'));
    CELL date = make_cell('0');
    *date->date_data() = DATE_DATA::from_text("2024-02-29");
    values.push_back(std::move(date));
    values.push_back(make_cell('0'));
    for (const char* text : {"-03:30", "+14:00"}) {
        CELL zone = make_cell('2');
        *zone->timezone_data() = TIMEZONE_DATA::from_text(text);
        values.push_back(std::move(zone));
    }
    CELL moment = make_cell('4');
    *moment->datetime_data() = DATETIME_DATA::from_text("1999-12-01T23:59:01+05:45");
    values.push_back(std::move(moment));
    values.push_back(make_cell('4'));
    for (CELL& value : values) expect_round_trip(value.get());
    set_output_precision(before);
}

TEST(SAVED_TEXT_READER, ContainersReadBackWithTheirInnerReferences) {
    CELL list = list_of({5});
    UNION_DATA* first = element(list.get(), 0);
    list->list_data()->append(first, 1);
    CELL inner = list_of({8, 9});
    list->list_data()->append(inner.get(), 0);
    // A reference from deep inside back to the outer list.
    UNION_DATA* nested = element(list.get(), 2);
    nested->list_data()->append(list.get(), 1);
    expect_round_trip(list.get());

    CELL back = make_cell('v');
    ASSERT_EQ(read_text(back.get(), saved(list.get())), "<none>");
    EXPECT_EQ(follow_link(element(back.get(), 1)), element(back.get(), 0));
    EXPECT_EQ(follow_link(element(element(back.get(), 2), 2)), back.get());

    CELL array = make_cell('a');
    array->array_data()->resize(4);
    array->array_data()->set(1, str_cell("x").get(), 0);
    array->array_data()->set(3, list_of({1}).get(), 0);
    array->array_data()->set(2, array->array_data()->get(1), 1);
    expect_round_trip(array.get());

    CELL grid = make_cell('z');
    grid->array2_data()->resize(2, 3);
    grid->array2_data()->set(1, 2, int_cell(4).get(), 0);
    grid->array2_data()->set(0, 1, grid->array2_data()->get(1, 2), 1);
    expect_round_trip(grid.get());
    expect_round_trip(make_cell('z').get());

    CELL hash = make_cell('h');
    const char* message = nullptr;
    for (int i = 0; i < 300; ++i) hash->hash_data()->insert(int_cell(i).get(), 0, str_cell("v").get(), 0, &message);
    expect_round_trip(hash.get());
    expect_round_trip(test::set_of({3, 1, 4, 5, 9}).get());
}

TEST(SAVED_TEXT_READER, HashKeysThatAreReferencesJoinTheirHash) {
    CELL list = list_of({5});
    CELL hash = make_cell('h');
    list->list_data()->append(hash.get(), 0);
    UNION_DATA* first = element(list.get(), 0);
    const char* message = nullptr;
    element(list.get(), 1)->hash_data()->insert(first, 1, int_cell(7).get(), 0, &message);
    ASSERT_EQ(message, nullptr);
    std::string text = saved(list.get());
    EXPECT_EQ(text, "l2l$1$i5ih1h@1@i7i");

    // Hash equality cannot match reference keys across two values, so the
    // pair is looked up by the cell its key refers to.
    CELL back = make_cell('v');
    ASSERT_EQ(read_text(back.get(), text), "<none>");
    EXPECT_EQ(saved(back.get()), text);
    HASH_DATA& read_hash = *element(back.get(), 1)->hash_data();
    EXPECT_EQ(read_hash.pair_count, 1);
    UNION_DATA* value = read_hash.get(element(back.get(), 0), true, &message);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(int_of(value), 7);

    // A key that refers to the hash itself joins it once the hash is the
    // target's; a key that holds a reference once the reference exists.
    CELL self = make_cell('h');
    self->hash_data()->insert(self.get(), 1, int_cell(1).get(), 0, &message);
    text = saved(self.get());
    EXPECT_EQ(text, "$1$h1h@1@i1i");
    CELL target = make_cell('h');
    ASSERT_EQ(read_text(target.get(), text), "<none>");
    ASSERT_EQ(target->hash_data()->pair_count, 1);
    EXPECT_EQ(int_of(target->hash_data()->get(target.get(), true, &message)), 1);

    CELL holder = list_of({5});
    holder->list_data()->append(make_cell('m').get(), 0);
    CELL key = make_cell('l');
    key->list_data()->append(element(holder.get(), 0), 1);
    element(holder.get(), 1)->hash_data()->insert(key.get(), 0, nullptr, 0, &message);
    text = saved(holder.get());
    EXPECT_EQ(text, "l2l$1$i5im1ml1l@1@");
    ASSERT_EQ(read_text(back.get(), text), "<none>");
    EXPECT_EQ(saved(back.get()), text);
    UNION_DATA* read_key = &element(back.get(), 1)
                                ->hash_data()
                                ->buckets[static_cast<size_t>(HASH_DATA::bucket_of(key.get(), false, &message))]
                                ->head->key();
    EXPECT_EQ(follow_link(element(read_key, 0)), element(back.get(), 0));
}

TEST(SAVED_TEXT_READER, GraphsKeepTheirIncidenceChainsAndParallelIndexes) {
    CELL graph = make_cell('g');
    GRAPH_DATA& g = *graph->graph_data();
    for (int i = 0; i < 4; ++i) g.append_node(int_cell(i).get(), 0);
    auto add = [&](int id, int target, int value) { return g.add_edge(id, target, int_cell(value).get(), 0); };
    ASSERT_EQ(add(0, 1, 10), nullptr);
    ASSERT_EQ(add(4, 1, 11), nullptr);  // parallel index 1 from 0 to 1
    ASSERT_EQ(add(2, 2, 12), nullptr);  // a loop
    ASSERT_EQ(add(3, 0, 13), nullptr);
    ASSERT_EQ(add(1, 3, 14), nullptr);
    ASSERT_EQ(add(0, 1, 15), nullptr);  // enters the pair at index 0
    g.delete_edge_at(3, 0);
    g.reverse_edges();
    g.reverse_incidence(g.nodes[1]);
    // An edge whose value refers to a node value.
    ASSERT_EQ(g.set_edge_value(1, 3, &g.nodes[2]->value, 1), nullptr);
    expect_round_trip(graph.get());
}

TEST(SAVED_TEXT_READER, TypedTargetsAcceptEveryLetterOfTheirType) {
    CELL letter = char_cell('q');
    EXPECT_EQ(read_text(letter.get(), "x"), "<none>");
    EXPECT_EQ(letter->tag, 'c');
    EXPECT_EQ(letter->char_byte(), 0);

    CELL list = list_of({1});
    EXPECT_EQ(read_text(list.get(), "$1$l1l@1@"), "<none>");
    EXPECT_EQ(list->tag, 'l');
    EXPECT_EQ(follow_link(element(list.get(), 0)), list.get());

    CELL number = int_cell(3);
    EXPECT_EQ(read_text(number.get(), "i5i"), "<none>");
    EXPECT_EQ(int_of(number.get()), 5);
    // A typed cell without value is written as v; read into a typed target
    // v is refused like any letter of another type, and the target keeps
    // its value.
    CELL moved = make_cell('v');
    ASSERT_EQ(move_value(moved.get(), number.get()), nullptr);
    EXPECT_EQ(saved(number.get()), "v");
    CELL other = int_cell(8);
    EXPECT_EQ(read_text(other.get(), "v"), "Reading only for equal types ('int' <- 'any')");
    EXPECT_EQ(int_of(other.get()), 8);
    EXPECT_EQ(read_text(other.get(), "$1$v"), "Reading only for equal types ('int' <- 'any')");
    EXPECT_EQ(int_of(other.get()), 8);

    // A reference variable reads into the cell it refers to.
    CELL target = int_cell(1);
    CELL reference = make_cell('v');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    EXPECT_EQ(read_text(reference.get(), "i9i"), "<none>");
    EXPECT_EQ(int_of(target.get()), 9);
}

TEST(SAVED_TEXT_READER, TheLiteralExamplesReadAsDescribed) {
    CELL array = make_cell('a');
    ASSERT_EQ(read_text(array.get(), "a3ai1ivi3i"), "<none>");
    EXPECT_EQ(array->array_data()->slot_count, 3);
    EXPECT_EQ(array->array_data()->defined_count, 2);
    EXPECT_FALSE(array->array_data()->is_defined(1));

    CELL list = make_cell('v');
    ASSERT_EQ(read_text(list.get(), "l2l$1$i5i@1@"), "<none>");
    EXPECT_TRUE(is_reference_tag(element(list.get(), 1)->tag));
    EXPECT_EQ(follow_link(element(list.get(), 1)), element(list.get(), 0));
}

TEST(SAVED_TEXT_READER, TheScannerStopsAtTheEndOfOneValue) {
    STR_DATA stream("i5ii6il1ls2sab");
    std::vector<std::string> texts;
    std::string text;
    const char* error = nullptr;
    while (read_serialized_text(&stream, text, true, &error)) {
        ASSERT_EQ(error, nullptr);
        texts.push_back(text);
        text.clear();
    }
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(texts, (std::vector<std::string>{"i5i", "i6i", "l1ls2sab"}));

    STR_DATA numbers("12;-7|");
    numbers.begin_read(&error);
    text.clear();
    EXPECT_EQ(read_serial_number(&numbers, text, ';', "ref", 0, &error), 12);
    EXPECT_EQ(read_serial_number(&numbers, text, 'x', "ref", '|', &error), -7);
    EXPECT_EQ(text, "12;-7|");
    EXPECT_EQ(read_serial_number(&numbers, text, ';', "ref", 0, &error), 0);
    EXPECT_EQ(said(error), "Incomplete type 'ref'");

    CELL target = int_cell(1);
    STR_DATA parsed("i77i");
    EXPECT_EQ(deserialize_value(target.get(), &parsed, nullptr), nullptr);
    EXPECT_EQ(int_of(target.get()), 77);
}

TEST(SAVED_TEXT_READER, DamagedTextsAreRefusedAndTheTargetKeepsItsValue) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"i12", "Incomplete type 'int'"},
        {"q", "Unknown type 'q'"},
        {"l2li1i", "Incomplete type 'list'"},
        {"s5sab", "Incomplete type 'str'"},
        {"l-1l", "Incomplete type 'list'"},
        {"l99999999999l", "Incomplete type 'list'"},
        {"l1x", "Incomplete type 'list'"},
        {"l1l@5@", "Incomplete type 'ref'"},
        {"l2l$1$i1i$1$i2i", "Incomplete type 'ref'"},
        {"k1k0k", "Incomplete type 'type'"},
        {"l1lk0c", "Incomplete type 'type'"},
        {"b", "Incomplete type 'bool'"},
        {"bx", "Incomplete type 'bool'"},
        {"i1.5i", "Incomplete type 'int'"},
        {"r1x2r", "Incomplete type 'real'"},
        {"r1e9000000r", "Incomplete type 'real'"},
        {"r.5r", "Incomplete type 'real'"},
        {"o+xo", "Incomplete type 'oper'"},
        {"t99:99t", "Incomplete type 'time'"},
        {"e3eabc", "Incomplete type 'error'"},
        {"m2mi1ii1i", "Incomplete type 'set'"},
        {"h2hi1ivi1iv", "Keys multiply defined"},
        {"h2hi007is1sai7is1sb", "Keys multiply defined"},
        {"l2l$1$i5ih2h@1@i1i@1@i2i", "Keys multiply defined"},
        {"z-1z2z", "Incomplete type 'array2'"},
        // Graphs: a node count of zero with edges, positions beyond the node
        // count, edge numbers beyond the edge count, broken chains, gaps in
        // the parallel indexes.
        {"g0g1g0&0&-1&1&-1&1&0&v", "Incomplete type 'graph'"},
        {"g1g0g0&1&v", "Incomplete type 'graph'"},
        {"g1g1g0&1&v0&1&-1&1&-1&1&0&v", "Incomplete type 'graph'"},
        {"g2g1g0&1&v-1&1&v0&1&-1&1&-1&1&0&v", "Incomplete type 'graph'"},
        {"g2g1g0&1&v0&1&v0&1&-1&1&-1&1&0&v", "Incomplete type 'graph'"},
        {"g2g1g0&1&v0&0&v0&1&0&1&-1&1&0&v", "Incomplete type 'graph'"},
        {"g2g1g0&1&v0&0&v0&1&-1&1&-1&1&1&v", "Incomplete type 'graph'"},
        {"g2g1g0&2&v0&0&v0&1&-1&1&-1&1&0&v", "Incomplete type 'graph'"},
    };
    for (const auto& [text, message] : cases) {
        CELL target = int_cell(41, 'v');
        EXPECT_EQ(read_text(target.get(), text), message) << text;
        EXPECT_EQ(int_of(target.get()), 41) << text;
    }
    CELL target = make_cell('v');
    EXPECT_EQ(read_text(target.get(), ""), "<end>");

    CELL text = str_cell("old");
    EXPECT_EQ(read_text(text.get(), "i5i"), "Reading only for equal types ('str' <- 'int')");
    EXPECT_EQ(read_text(text.get(), "l0l"), "Reading only for equal types ('str' <- 'list')");
    EXPECT_EQ(text->str_data()->text, "old");

    // Nesting of any depth is read; one value short at the bottom is
    // damaged there.
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "l1l";
    EXPECT_EQ(read_text(target.get(), deep), "Incomplete type 'list'");
    EXPECT_EQ(read_text(target.get(), deep + "v"), "<none>");
    EXPECT_EQ(saved(target.get()), deep + "v");
}

// ---- objects of user types ----

// Stand-in type nodes with the names and members the services report.
std::map<const TOKEN*, std::string> type_names;
std::map<const TOKEN*, std::vector<std::string>> type_members;

std::string stand_in_type_name(const TOKEN*, const TOKEN* type) { return type_names[type]; }
void stand_in_member_names(const TOKEN* type, std::vector<std::string>& names) { names = type_members[type]; }
TOKEN* stand_in_find_type(TOKEN*, const std::string& name) {
    for (const auto& [type, text] : type_names)
        if (text == name) return const_cast<TOKEN*>(type);
    return nullptr;
}

class SAVED_OBJECTS : public ::testing::Test {
protected:
    SAVED_TYPE_SERVICES saved_services;
    std::vector<std::unique_ptr<TOKEN>> types;

    void SetUp() override {
        saved_services = saved_type_services;
        saved_type_services.type_name = stand_in_type_name;
        saved_type_services.member_names = stand_in_member_names;
        saved_type_services.find_type = stand_in_find_type;
    }

    void TearDown() override {
        for (auto& type : types) set_type_initial_object(type.get(), nullptr);
        type_names.clear();
        type_members.clear();
        saved_type_services = saved_services;
    }

    // A type whose initial object has one group with the given members.
    TOKEN* declare(const std::string& name, std::vector<std::pair<std::string, CELL>> members,
                   const std::string& saved_name = "") {
        types.push_back(std::make_unique<TOKEN>(name.substr(name.rfind(':') + 1).c_str(), nullptr, -1, 1, 1));
        TOKEN* type = types.back().get();
        type_names[type] = saved_name.empty() ? name : saved_name;
        redeclare(type, std::move(members));
        return type;
    }

    // Gives the type new members and a new initial object.
    void redeclare(TOKEN* type, std::vector<std::pair<std::string, CELL>> members) {
        std::vector<std::string> names;
        CELL initial = make_cell('k');
        auto* record = new OBJECT_RECORD();
        record->groups.resize(1);
        record->groups[0].type = type;
        record->groups[0].slots = std::make_unique<SLOT_ARRAY>(static_cast<int32_t>(members.size()));
        for (size_t i = 0; i < members.size(); ++i) {
            names.push_back(members[i].first);
            record->groups[0].slots->cells[i] = members[i].second.release();
        }
        initial->holder()->type = type;
        initial->holder()->object = record;
        type_members[type] = names;
        set_type_initial_object(type, initial.get());
    }

    static CELL object_of(TOKEN* type) {
        CELL cell = make_cell('k');
        cell->holder()->type = type;
        clear_payload(cell.get());
        return cell;
    }

    static UNION_DATA* member(UNION_DATA* object, int slot) {
        return follow_link(object)->holder()->object->groups[0].slots->cells[static_cast<size_t>(slot)];
    }
};

std::vector<std::pair<std::string, CELL>> ints(std::initializer_list<std::pair<const char*, int>> list) {
    std::vector<std::pair<std::string, CELL>> members;
    for (const auto& [name, value] : list) members.emplace_back(name, int_cell(value));
    return members;
}

TEST_F(SAVED_OBJECTS, ObjectsCarryOneHeaderOfTheirTypes) {
    TOKEN* t = declare("T", ints({{"x", 0}, {"y", 0}}));
    CELL object = object_of(t);
    *member(object.get(), 0)->int_data() = INT_DATA(1);
    *member(object.get(), 1)->int_data() = INT_DATA(2);
    EXPECT_EQ(saved(object.get()), "K1KT:2:x:y:k1k0ki1ii2i");

    CELL empty = make_cell('k');
    empty->holder()->type = t;
    EXPECT_EQ(saved(empty.get()), "K1KT:0:k0c");

    // Objects inside a top-level list each write their own header.
    CELL list = make_cell('l');
    list->list_data()->append(object.get(), 0);
    list->list_data()->append(empty.get(), 0);
    EXPECT_EQ(saved(list.get()), "l2lK1KT:2:x:y:k1k0ki1ii2iK1KT:0:k0c");
    expect_round_trip(list.get());
}

TEST_F(SAVED_OBJECTS, ObjectsNestedInsideAnObjectUseItsHeader) {
    TOKEN* inner = declare("Outer:Inner", ints({{"a", 4}}));
    std::vector<std::pair<std::string, CELL>> outer_members;
    outer_members.emplace_back("items", make_cell('l'));
    outer_members.emplace_back("alone", make_cell('v'));
    TOKEN* outer = declare("Outer", std::move(outer_members));
    CELL object = object_of(outer);
    CELL part = object_of(inner);
    member(object.get(), 0)->list_data()->append(part.get(), 0);
    CELL empty = make_cell('k');
    empty->holder()->type = inner;
    ASSERT_EQ(assign_value(member(object.get(), 1), empty.get()), nullptr);
    std::string text = saved(object.get());
    EXPECT_EQ(text, "K2KOuter:2:items:alone:Outer:Inner:1:a:k1k0kl1lk1k1ki4ik1c");
    expect_round_trip(object.get());
}

TEST_F(SAVED_OBJECTS, TheObjectTakesTheTypeOfItsOwnEntry) {
    // A self-containing type lists its name-only member type first.
    TOKEN* leaf = declare("Leaf", {});
    std::vector<std::pair<std::string, CELL>> tree_members;
    CELL no_leaf = make_cell('k');
    no_leaf->holder()->type = leaf;
    tree_members.emplace_back("leaf", std::move(no_leaf));
    tree_members.emplace_back("n", int_cell(6));
    TOKEN* tree = declare("Tree", std::move(tree_members));
    CELL object = object_of(tree);
    std::string text = saved(object.get());
    EXPECT_EQ(text, "K2KLeaf:0:Tree:2:leaf:n:k1k1kk0ci6i");

    CELL typed = object_of(tree);
    *member(typed.get(), 1)->int_data() = INT_DATA(0);
    EXPECT_EQ(read_text(typed.get(), text), "<none>");
    EXPECT_TRUE(is_equal_value(typed.get(), object.get(), true));

    CELL other = object_of(leaf);
    EXPECT_EQ(read_text(other.get(), text), "Reading only for equal types ('Leaf' <- 'Tree')");
    CELL number = int_cell(1);
    EXPECT_EQ(read_text(number.get(), text), "Reading only for equal types ('int' <- 'Tree')");
}

TEST_F(SAVED_OBJECTS, MembersAreMatchedByNameAfterTheTypeChanged) {
    TOKEN* t = declare("T", ints({{"x", 0}, {"y", 0}}));
    CELL object = object_of(t);
    *member(object.get(), 0)->int_data() = INT_DATA(1);
    *member(object.get(), 1)->int_data() = INT_DATA(2);
    // The dropped member y is a reference target: the reference must not
    // outlive it.
    CELL list = make_cell('l');
    list->list_data()->append(object.get(), 0);
    list->list_data()->append(member(element(list.get(), 0), 1), 1);
    std::string text = saved(list.get());
    EXPECT_EQ(text, "l2lK1KT:2:x:y:k1k0ki1i$1$i2i@1@");

    redeclare(t, ints({{"z", 9}, {"x", 0}}));
    CELL back = make_cell('v');
    ASSERT_EQ(read_text(back.get(), text), "<none>");
    UNION_DATA* read_object = element(back.get(), 0);
    EXPECT_EQ(int_of(member(read_object, 0)), 9);  // z keeps its initial value
    EXPECT_EQ(int_of(member(read_object, 1)), 1);  // x is restored
    EXPECT_FALSE(is_link_cell(element(back.get(), 1)));
}

TEST_F(SAVED_OBJECTS, HeadersAndBodiesAreChecked) {
    declare("T", ints({{"x", 0}}));
    TOKEN node("pin", nullptr, -1, 7, 7);
    ERROR error = raised_by([&node] {
        CELL target = make_cell('v');
        read_text(target.get(), "K1KGone:0:k0c", &node);
    });
    EXPECT_EQ(error.message, "Unknown type 'Gone'");
    EXPECT_EQ(error.line, 7);
    EXPECT_EQ(error.kind, 's');

    CELL target = int_cell(5, 'v');
    EXPECT_EQ(read_text(target.get(), "K1KT:1:x:k1k1ki1i"), "Incomplete type 'type'");
    EXPECT_EQ(read_text(target.get(), "K1KT:1:x:k0k"), "Incomplete type 'type'");
    EXPECT_EQ(read_text(target.get(), "K1K5:1:x:k1k0ki1i"), "Incomplete type 'type'");
    EXPECT_EQ(read_text(target.get(), "K1KT:1:x:x1k0ki1i"), "Incomplete type 'type'");
    EXPECT_EQ(int_of(target.get()), 5);
}

// ---- the front end's type services ----

class SAVED_PROGRAM_TYPES : public ::testing::Test {
protected:
    std::filesystem::path directory;
    std::unique_ptr<TOKEN> root;

    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("morvu_saved_text_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory);
        create_globals();
        add_program_argument(*program_arguments, "main.mrv");
    }

    void TearDown() override {
        if (root) root->destroy_tree();
        root.reset();
        destroy_globals();
        std::filesystem::remove_all(directory);
    }

    void analyse(const std::string& module, const std::string& text) {
        std::filesystem::path path = directory / "shapes.inc";
        std::ofstream(path) << module;
        NAME_LIST lines;
        lines.append("need m(\"" + path.string() + "\")");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            lines.append(text.substr(start, end - start));
            start = end + 1;
        }
        root = parse_program("main.mrv", lines, true);
        ASSERT_TRUE(root);
        analyse_program(root.get(), "main.mrv");
    }

    CELL object_of(const std::string& saved_name) {
        TOKEN* type = find_saved_type(root.get(), saved_name);
        EXPECT_NE(type, nullptr) << saved_name;
        CELL cell = make_cell('k');
        cell->holder()->type = type;
        clear_payload(cell.get());
        return cell;
    }
};

TEST_F(SAVED_PROGRAM_TYPES, NestedTypesOfModulesAreSavedAndFoundByTheirFullNames) {
    analyse("bigtype T {\n  bigtype In { int a(3)\n str s(\"q\") }\n  In i\n  int v(2)\n}\n",
            "bigtype Top { int z(1) }\n");
    const std::string module_type = std::string("m") + char(27) + "T";
    TOKEN* outer = find_saved_type(root.get(), module_type);
    TOKEN* inner = find_saved_type(root.get(), module_type + ":In");
    ASSERT_NE(outer, nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(find_saved_type(root.get(), "In"), nullptr);
    EXPECT_EQ(find_saved_type(root.get(), module_type + "::In"), nullptr);
    EXPECT_EQ(find_saved_type(root.get(), "Top:In"), nullptr);
    EXPECT_EQ(saved_type_name(root.get(), outer), module_type);
    EXPECT_EQ(saved_type_name(root.get(), inner), module_type + ":In");
    std::vector<std::string> names;
    saved_member_names(inner, names);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "s"}));

    CELL object = object_of(module_type);
    const char* error = nullptr;
    std::string text = serialize_value(object.get(), root.get(), &error);
    ASSERT_EQ(error, nullptr) << error;
    EXPECT_EQ(text, "K2K" + module_type + ":2:i:v:" + module_type + ":In:2:a:s:k1k0kk1k1ki3is1sqi2i");
    CELL typed = object_of(module_type);
    *typed->holder()->object->groups[0].slots->cells[1]->int_data() = INT_DATA(8);
    EXPECT_EQ(read_text(typed.get(), text, root.get()), "<none>");
    EXPECT_TRUE(is_equal_value(typed.get(), object.get(), true));

    CELL top = object_of("Top");
    EXPECT_EQ(read_text(top.get(), text, root.get()), "Reading only for equal types ('Top' <- 'm::T')");
}

}  // namespace
}  // namespace morvu
