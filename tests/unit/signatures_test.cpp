#include "values/signatures.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace morvu {
namespace {

const std::string mark = "\xA7";

// The key of a routine with the given parameter types.
std::string key_of(const std::string& name, const std::vector<std::string>& types) {
    std::string key = name + mark;
    for (const std::string& type : types) key += type + ";";
    return key + mark;
}

struct SPLIT {
    std::string name = "untouched";
    std::vector<std::string> types;
    bool well_formed = true;
    int variadic = 0;
};

SPLIT split(const std::string& key) {
    SPLIT result;
    result.variadic = scan_param_types(key, result.name, result.types, result.well_formed);
    return result;
}

// A table whose entries define something (a non-zero node word).
void define(STR_INT_TABLE& table, const std::string& key) { table[key] = 1; }

TEST(SignatureScan, NamesTypesAndVariadicRuns) {
    SPLIT f = split(key_of("f", {"int", "str"}));
    EXPECT_EQ(f.name, "f");
    EXPECT_EQ(f.types, (std::vector<std::string>{"int", "str"}));
    EXPECT_EQ(f.variadic, 0);
    EXPECT_TRUE(f.well_formed);

    SPLIT constructor = split(key_of("", {"int"}));
    EXPECT_EQ(constructor.name, "");
    EXPECT_EQ(constructor.types, (std::vector<std::string>{"int"}));

    SPLIT none = split(key_of("g", {}));
    EXPECT_EQ(none.name, "g");
    EXPECT_TRUE(none.types.empty());

    SPLIT empty = split("");
    EXPECT_EQ(empty.name, "untouched");
    EXPECT_EQ(empty.variadic, 0);

    SPLIT broken = split(key_of("h", {"args", "int", "args"}));
    EXPECT_EQ(broken.variadic, 2);
    EXPECT_FALSE(broken.well_formed);
    SPLIT run = split(key_of("h", {"int", "args", "args"}));
    EXPECT_EQ(run.variadic, 2);
    EXPECT_TRUE(run.well_formed);
    SPLIT kinds = split(key_of("h", {"args", "args:$"}));
    EXPECT_FALSE(kinds.well_formed);
    EXPECT_TRUE(split(key_of("h", {"args:$", "args:$", "args:$"})).well_formed);
}

TEST(SignatureScan, EscapesSeparateNothingAndNeverOverrun) {
    // An escaped separator and ';' belong to the name.
    SPLIT escaped = split("a\\" + mark + "b\\;c" + mark + "int;" + mark);
    EXPECT_EQ(escaped.name, "a\\" + mark + "b\\;c");
    EXPECT_EQ(escaped.types, (std::vector<std::string>{"int"}));
    SPLIT in_type = split("f" + mark + "x\\;y;" + mark);
    EXPECT_EQ(in_type.types, (std::vector<std::string>{"x\\;y"}));

    // A trailing backslash ends the key; nothing past it is read.
    std::string truncated = "f" + mark + "int;\\";
    SPLIT tail = split(truncated);
    EXPECT_EQ(tail.name, "f");
    EXPECT_EQ(tail.types, (std::vector<std::string>{"int"}));
    std::string only_backslash(1, '\\');
    EXPECT_EQ(split(only_backslash).types.size(), 0u);
}

TEST(SignatureMatch, StrictCallsAgainstDefinitions) {
    STR_INT_TABLE procedures;
    define(procedures, key_of("f", {"int", "any"}));
    EXPECT_EQ(match_args_signature(procedures, key_of("f", {"int", "str"}), true), key_of("f", {"int", "any"}));
    EXPECT_EQ(match_args_signature(procedures, key_of("f", {"int"}), true), "");
    EXPECT_EQ(match_args_signature(procedures, key_of("g", {"int", "str"}), true), "");

    STR_INT_TABLE ints;
    define(ints, key_of("f", {"int", "int"}));
    EXPECT_EQ(match_args_signature(ints, key_of("f", {"int", "str"}), true), "");
    EXPECT_EQ(match_args_signature(ints, key_of("f", {"any", "int"}), true), "");  // a call's any is no int

    STR_INT_TABLE variadic;
    define(variadic, key_of("f", {"int", "args"}));
    EXPECT_EQ(match_args_signature(variadic, key_of("f", {"int", "str", "real"}), true), key_of("f", {"int", "args"}));
    EXPECT_EQ(match_args_signature(variadic, key_of("f", {"int"}), true), key_of("f", {"int", "args"}));
    EXPECT_EQ(match_args_signature(variadic, key_of("f", {"str", "int"}), true), "");

    STR_INT_TABLE tail;
    define(tail, key_of("p", {"args", "str"}));
    EXPECT_EQ(match_args_signature(tail, key_of("p", {"int", "int", "str"}), true), key_of("p", {"args", "str"}));
    EXPECT_EQ(match_args_signature(tail, key_of("p", {"int", "int", "int"}), true), "");

    STR_INT_TABLE constructors;
    define(constructors, key_of("", {}));
    define(constructors, key_of("", {"int"}));
    EXPECT_EQ(match_args_signature(constructors, key_of("", {"int"}), true), key_of("", {"int"}));
    EXPECT_EQ(match_args_signature(constructors, key_of("", {}), true), key_of("", {}));
}

TEST(SignatureMatch, LenientClashesOfNewDefinitions) {
    STR_INT_TABLE functions;
    define(functions, key_of("f", {"int", "str"}));
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"int", "any"}), false), key_of("f", {"int", "str"}));
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"any", "str"}), false), key_of("f", {"int", "str"}));
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"str", "any"}), false), "");
    // A new definition whose variadic entries break their run.
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"args", "int", "args"}), false), "!");
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"args", "int", "args"}), true), "");
    // Leniently a variadic entry on the new side stops the walks too.
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"args"}), false), key_of("f", {"int", "str"}));
}

TEST(SignatureMatch, TablesOrderAndUndefinedEntries) {
    STR_INT_TABLE ordered(0, true);
    define(ordered, key_of("f", {"any"}));
    define(ordered, key_of("f", {"int"}));
    EXPECT_EQ(match_args_signature(ordered, key_of("f", {"int"}), true), key_of("f", {"any"}));
    // An entry that a look-up created with the default word defines nothing.
    STR_INT_TABLE table;
    table[key_of("f", {"int"})];
    EXPECT_EQ(match_args_signature(table, key_of("f", {"int"}), true), "");
    define(table, key_of("f", {"any"}));
    EXPECT_EQ(match_args_signature(table, key_of("f", {"int"}), true), key_of("f", {"any"}));
    // Procedures and functions live in tables of their own.
    STR_INT_TABLE procedures, functions;
    define(procedures, key_of("f", {"int"}));
    EXPECT_EQ(match_args_signature(functions, key_of("f", {"int"}), true), "");
}

// The match as a walk over the whole table: the first key in the table's
// walk order with the name and agreeing types. The indexed match must give
// the same key, whatever buckets the candidates landed in.
std::string match_by_walk(STR_INT_TABLE& table, const std::string& key, bool strict) {
    std::vector<std::string> keys;
    std::string stored;
    for (bool more = table.first(stored); more; more = table.next(stored)) keys.push_back(stored);
    for (const std::string& candidate : keys) {
        if (*table.find(candidate) == 0) continue;
        STR_INT_TABLE single(0, false, 97);
        define(single, candidate);
        if (match_args_signature(single, key, strict) == candidate) return candidate;
    }
    return std::string();
}

TEST(SignatureMatch, LargeTablesAnswerAsTheWalkWould) {
    const std::vector<std::string> names = {"f", "g", "size", "", "a\\" + mark + "b"};
    const std::vector<std::string> types = {"int", "str", "any", "real", "args", "list", "T", "geo\x1Bsquare"};
    std::mt19937 random(35);
    auto pick = [&random](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    auto random_key = [&] {
        std::vector<std::string> chosen(random() % 4);
        for (std::string& type : chosen) type = pick(types);
        return key_of(pick(names), chosen);
    };
    for (bool is_ordered : {false, true}) {
        STR_INT_TABLE table(0, is_ordered, 97);
        for (int i = 0; i < 300; ++i) {
            std::string key = random_key();
            if (i % 7 == 0) table[key];  // looked up, defines nothing
            else define(table, key);
        }
        for (int i = 0; i < 300; ++i) {
            std::string key = random_key();
            for (bool strict : {true, false}) {
                std::string expected = match_by_walk(table, key, strict);
                std::string found = match_args_signature(table, key, strict);
                if (found != "!") {
                    EXPECT_EQ(found, expected) << "strict " << strict;
                }
            }
        }
        // Definitions made after the first match are candidates too.
        define(table, key_of("late", {"int"}));
        EXPECT_EQ(match_args_signature(table, key_of("late", {"int"}), true), key_of("late", {"int"}));
    }
}

TEST(SignatureMatch, RoutineNamePartStopsAtTheFirstMark) {
    EXPECT_EQ(routine_name_part(key_of("f", {"int"})), "f");
    EXPECT_EQ(routine_name_part("plain"), "plain");
    EXPECT_EQ(routine_name_part(mark + "int;" + mark), "");
    EXPECT_EQ(routine_name_part("a\\" + mark + "b" + mark), "a\\" + mark + "b");
    EXPECT_EQ(routine_name_part("tail\\"), "tail\\");
}

}  // namespace
}  // namespace morvu
