// Writes the seed corpus of the reader's fuzz target: the saved texts of
// values of every kind, one file each, into the directory given as the one
// argument.

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/str_stream.h"
#include "stand_in_types.h"
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

using namespace morvu;

namespace {

using CELL = std::unique_ptr<UNION_DATA>;

CELL cell(char tag) { return std::make_unique<UNION_DATA>(tag); }

CELL int_cell(int value) {
    CELL number = cell('i');
    *number->int_data() = INT_DATA(value);
    return number;
}

CELL str_cell(const std::string& text) {
    CELL str = cell('s');
    str->str_data()->text = text;
    return str;
}

UNION_DATA* last_element(UNION_DATA* list) { return &list->list_data()->tail->value; }

std::vector<CELL> seed_values() {
    std::vector<CELL> values;
    values.push_back(int_cell(-42));
    CELL real = cell('r');
    *real->real_data() = REAL_DATA("-3.14159");
    values.push_back(std::move(real));
    values.push_back(str_cell("hello"));
    CELL letter = cell('c');
    letter->char_byte() = 'A';
    values.push_back(std::move(letter));
    values.push_back(cell('c'));
    CELL truth = cell('b');
    truth->bool_word() = 1;
    values.push_back(std::move(truth));
    CELL oper = cell('o');
    oper->oper_chars()[0] = '+';
    oper->oper_chars()[1] = '=';
    values.push_back(std::move(oper));
    CELL error = cell('e');
    error->error_data()->file = "main";
    error->error_data()->line = 3;
    error->error_data()->message = "oops";
    values.push_back(std::move(error));
    CELL time = cell('t');
    *time->time_data() = TIME_DATA::from_text("12:30:05");
    values.push_back(std::move(time));
    CELL date = cell('0');
    *date->date_data() = DATE_DATA::from_text("2024-02-29");
    values.push_back(std::move(date));
    CELL zone = cell('2');
    *zone->timezone_data() = TIMEZONE_DATA::from_text("-03:30");
    values.push_back(std::move(zone));
    CELL moment = cell('4');
    *moment->datetime_data() = DATETIME_DATA::from_text("1999-12-01T23:59:01+05:45");
    values.push_back(std::move(moment));
    values.push_back(cell('v'));

    // A list with references to its element and to itself.
    CELL list = cell('l');
    list->list_data()->append(int_cell(5).get(), 0);
    list->list_data()->append(last_element(list.get()), 1);
    list->list_data()->append(list.get(), 1);
    values.push_back(std::move(list));

    CELL array = cell('a');
    array->array_data()->resize(3);
    array->array_data()->set(0, str_cell("x").get(), 0);
    array->array_data()->set(2, array->array_data()->get(0), 1);
    values.push_back(std::move(array));

    CELL grid = cell('z');
    grid->array2_data()->resize(2, 2);
    grid->array2_data()->set(1, 1, int_cell(4).get(), 0);
    values.push_back(std::move(grid));

    const char* message = nullptr;
    CELL hash = cell('h');
    for (int i = 0; i < 4; ++i) hash->hash_data()->insert(int_cell(i).get(), 0, str_cell("v").get(), 0, &message);
    values.push_back(std::move(hash));
    CELL set = cell('m');
    set->hash_data()->insert(str_cell("k").get(), 0, nullptr, 0, &message);
    values.push_back(std::move(set));

    // A hash whose key is a reference to a list element.
    CELL keyed = cell('l');
    keyed->list_data()->append(int_cell(5).get(), 0);
    keyed->list_data()->append(cell('h').get(), 0);
    last_element(keyed.get())->hash_data()->insert(&keyed->list_data()->head->value, 1, int_cell(7).get(), 0, &message);
    values.push_back(std::move(keyed));

    CELL graph = cell('g');
    GRAPH_DATA& g = *graph->graph_data();
    for (int i = 0; i < 3; ++i) g.append_node(int_cell(i).get(), 0);
    g.add_edge(0, 1, int_cell(10).get(), 0);
    g.add_edge(3, 1, int_cell(11).get(), 0);
    g.add_edge(2, 2, int_cell(12).get(), 0);
    g.add_edge(1, 0, &g.nodes[2]->value, 1);
    values.push_back(std::move(graph));

    // Objects: one alone, one inside a list inside another, an empty one.
    CELL object = fuzz::stand_in_object(0);
    *object->holder()->object->groups[0].slots->cells[0]->int_data() = INT_DATA(9);
    CELL nested = fuzz::stand_in_object(1);
    nested->holder()->object->groups[0].slots->cells[0]->list_data()->append(object.get(), 0);
    UNION_DATA* y = object->holder()->object->groups[0].slots->cells[1];
    CELL empty = cell('k');
    empty->holder()->type = fuzz::stand_in_types()[1].node.get();
    move_payload(y, empty.get());
    values.push_back(std::move(object));
    values.push_back(std::move(nested));
    return values;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    fuzz::install_stand_in_types();
    std::vector<CELL> values = seed_values();
    for (size_t i = 0; i < values.size(); ++i) {
        const char* error = nullptr;
        std::string text = serialize_value(values[i].get(), nullptr, &error);
        if (error != nullptr) {
            std::fprintf(stderr, "seed %zu: %s\n", i, error);
            return 1;
        }
        std::ofstream(std::string(argv[1]) + "/seed_" + std::to_string(i)) << text;
    }
    values.clear();
    for (auto& type : fuzz::stand_in_types()) set_type_initial_object(type.node.get(), nullptr);
    fuzz::stand_in_types().clear();
    return 0;
}
