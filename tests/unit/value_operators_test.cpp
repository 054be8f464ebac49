#include "values/value_operators.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend/token.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_system.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/front_end_services.h"
#include "values/value_text.h"

namespace morvu {
namespace {

using test::CELL;
using test::char_cell;
using test::int_cell;
using test::list_of;
using test::make_cell;
using test::real_cell;
using test::said;
using test::set_of;
using test::str_cell;

CELL bool_cell(uint16_t word) {
    CELL cell = make_cell('b');
    cell->bool_word() = word;
    return cell;
}

std::string text_of(UNION_DATA* cell) {
    const char* error = nullptr;
    return value_to_text(cell, &error);
}

struct PRECISION_GUARD {
    int saved = working_precision();
    ~PRECISION_GUARD() { set_working_precision(saved); }
};

using COMPOUND_OP = const char* (*)(UNION_DATA*, UNION_DATA*);

// ---- operand checks ----

TEST(ValueOperatorChecks, UndefinedThenTypesThenEmptiness) {
    CELL hollow = make_cell('V');
    CELL one = int_cell(1);
    CELL empty_int = make_cell('i');
    CELL real = real_cell("1.0");
    EXPECT_EQ(said(check_binary_operands(hollow.get(), one.get(), "<")), "Operator <: left operand is undefined");
    EXPECT_EQ(said(check_binary_operands(one.get(), hollow.get(), "<")), "Operator <: right operand is undefined");
    EXPECT_EQ(said(check_binary_operands(one.get(), real.get(), "<")), "Operator '<': incompatible types");
    EXPECT_EQ(said(check_binary_operands(empty_int.get(), one.get(), "==")), "Operator ==: left operand is empty");
    EXPECT_EQ(said(check_binary_operands(one.get(), empty_int.get(), "<")), "Operator <: right operand is empty");
    // Only char, int, real and time are tested for emptiness.
    CELL empty_text = make_cell('s');
    EXPECT_EQ(check_binary_operands(empty_text.get(), empty_text.get(), "<"), nullptr);
    CELL empty_time = make_cell('t');
    EXPECT_EQ(said(check_binary_operands(empty_time.get(), empty_time.get(), "<")),
              "Operator <: left operand is empty");
    // An operand is taken one link step deep.
    CELL reference = make_cell('V');
    ASSERT_EQ(assign_link(reference.get(), one.get(), 'p'), nullptr);
    EXPECT_EQ(check_binary_operands(reference.get(), one.get(), "<"), nullptr);
}

// ---- equality and identity ----

TEST(ValueOperatorEquality, PerTypeComparison) {
    EXPECT_FALSE(is_equal_value(int_cell(1).get(), real_cell("1.0").get(), true));
    EXPECT_TRUE(is_equal_value(real_cell("1.50").get(), real_cell("1.5").get(), true));

    // Dates compare their numbers, whatever text each has cached.
    CELL d1 = make_cell('0');
    CELL d2 = make_cell('0');
    *d1->date_data() = DATE_DATA(INT_DATA(5), INT_DATA(1), INT_DATA(2024));
    *d2->date_data() = DATE_DATA(INT_DATA(5), INT_DATA(1), INT_DATA(2024));
    d1->date_data()->to_text(true);
    EXPECT_TRUE(compare_by_type(d1.get(), d2.get()));
    // One instant in two zones is one datetime.
    CELL t1 = make_cell('4');
    CELL t2 = make_cell('4');
    *t1->datetime_data() = DATETIME_DATA("2024-01-05", "12:00:00", "+01:00");
    *t2->datetime_data() = DATETIME_DATA("2024-01-05", "13:00:00", "+02:00");
    EXPECT_TRUE(compare_by_type(t1.get(), t2.get()));

    // Texts compare as zero-terminated strings.
    EXPECT_TRUE(compare_by_type(str_cell(std::string("ab\0x", 4)).get(), str_cell("ab").get()));
    EXPECT_FALSE(compare_by_type(str_cell("ab").get(), str_cell("abc").get()));

    CELL e1 = make_cell('e');
    CELL e2 = make_cell('e');
    e1->error_data()->message = e2->error_data()->message = "m";
    EXPECT_TRUE(compare_by_type(e1.get(), e2.get()));
    e2->error_data()->line = 3;
    EXPECT_FALSE(compare_by_type(e1.get(), e2.get()));

    CELL o1 = make_cell('o');
    CELL o2 = make_cell('o');
    operator_by_name(o1->oper_chars(), "+=", true);
    operator_by_name(o2->oper_chars(), "+", true);
    EXPECT_FALSE(compare_by_type(o1.get(), o2.get()));
    EXPECT_TRUE(compare_by_type(make_cell('n').get(), make_cell('n').get()));
    EXPECT_TRUE(compare_by_type(bool_cell(0xFFFF).get(), bool_cell(0xFFFF).get()));
    EXPECT_TRUE(compare_by_type(set_of({1, 2}).get(), set_of({2, 1}).get()));
    EXPECT_TRUE(compare_by_type(list_of({1, 2}).get(), list_of({1, 2}).get()));
    EXPECT_FALSE(compare_by_type(list_of({1, 2}).get(), list_of({2, 1}).get()));
}

TEST(ValueOperatorEquality, ObjectsByTypeAndMembers) {
    TOKEN point, other;
    point.text = std::string("point");
    other.text = std::string("other");
    auto object = [](TOKEN* type, int a) {
        CELL cell = make_cell('k');
        cell->holder()->type = type;
        auto* record = new OBJECT_RECORD();
        record->groups.resize(2);
        record->groups[0].type = type;
        record->groups[0].slots = std::make_unique<SLOT_ARRAY>(1);
        record->groups[0].slots->cells[0] = int_cell(a).release();
        cell->holder()->object = record;
        return cell;
    };
    EXPECT_TRUE(compare_by_type(object(&point, 1).get(), object(&point, 1).get()));
    EXPECT_FALSE(compare_by_type(object(&point, 1).get(), object(&point, 2).get()));
    EXPECT_FALSE(compare_by_type(object(&point, 1).get(), object(&other, 1).get()));
    EXPECT_FALSE(compare_by_type(object(&point, 1).get(), make_cell('k').get()));
    EXPECT_TRUE(compare_by_type(make_cell('k').get(), make_cell('k').get()));
}

TEST(ValueOperatorEquality, IdentityAndReferenceEquality) {
    CELL x = make_cell('i');
    dissolve_link_value(x.get());  // holds no value
    CELL r1 = make_cell('V');
    CELL r2 = make_cell('V');
    ASSERT_EQ(assign_link(r1.get(), x.get(), 'p'), nullptr);
    ASSERT_EQ(assign_link(r2.get(), x.get(), 'p'), nullptr);
    EXPECT_TRUE(cells_equal_ref(r1.get(), r2.get()));
    EXPECT_FALSE(cells_unequal_ref(r1.get(), r2.get()));
    EXPECT_TRUE(is_same_cell(r1.get(), x.get()));
    EXPECT_FALSE(is_other_cell(r1.get(), r2.get()));

    CELL five = int_cell(5);
    CELL to_five = make_cell('i');
    ASSERT_EQ(assign_link(to_five.get(), five.get(), 'p'), nullptr);
    EXPECT_FALSE(cells_equal_ref(to_five.get(), five.get()));  // a reference and a value
    EXPECT_TRUE(cells_unequal_ref(to_five.get(), five.get()));
    EXPECT_TRUE(cells_equal_ref(five.get(), int_cell(5).get()));
    EXPECT_TRUE(is_other_cell(five.get(), int_cell(5).get()));
}

// ---- logical and unary operators ----

TEST(ValueOperatorLogic, BoolsOnly) {
    bool result = false;
    EXPECT_EQ(said(op_not(bool_cell(0xFFFF).get(), &result)), "Operator !: right operand is empty");
    EXPECT_EQ(op_not(bool_cell(1).get(), &result), nullptr);
    EXPECT_FALSE(result);
    EXPECT_EQ(op_not(bool_cell(0).get(), &result), nullptr);
    EXPECT_TRUE(result);
    EXPECT_EQ(said(op_not(int_cell(1).get(), &result)), "Operator '!' not defined for type 'int'");

    // An empty bool counts as true for "||" and "&&".
    EXPECT_EQ(op_or(bool_cell(0).get(), bool_cell(0xFFFF).get(), &result), nullptr);
    EXPECT_TRUE(result);
    EXPECT_EQ(op_and(bool_cell(0xFFFF).get(), bool_cell(1).get(), &result), nullptr);
    EXPECT_TRUE(result);
    EXPECT_EQ(op_and(bool_cell(1).get(), bool_cell(0).get(), &result), nullptr);
    EXPECT_FALSE(result);
    EXPECT_EQ(said(op_or(int_cell(1).get(), int_cell(0).get(), &result)), "Operator '||' not defined for type 'int'");
    EXPECT_EQ(said(op_and(bool_cell(1).get(), int_cell(0).get(), &result)), "Operator '&&': incompatible types");
}

TEST(ValueOperatorUnary, SignsOfNumbers) {
    CELL number = int_cell(5);
    EXPECT_EQ(op_minus(number.get()), nullptr);
    EXPECT_EQ(text_of(number.get()), "-5");
    CELL real = real_cell("2.5");
    EXPECT_EQ(op_minus(real.get()), nullptr);
    EXPECT_EQ(text_of(real.get()), "-2.5");
    EXPECT_EQ(op_plus(real.get()), nullptr);
    EXPECT_EQ(said(op_minus(str_cell("a").get())), "Unary operator '-' not defined for type 'str'");
    EXPECT_EQ(said(op_plus(bool_cell(1).get())), "Unary operator '+' not defined for type 'bool'");
    EXPECT_EQ(said(op_plus(make_cell('i').get())), "Operator +: right operand is empty");
    EXPECT_EQ(said(op_minus(make_cell('V').get())), "Operator -: right operand is undefined");
}

// ---- compound assignments ----

struct COMPOUND_CASE {
    const char* op;
    COMPOUND_OP apply;
};
const COMPOUND_CASE compound_ops[] = {
    {"+=", op_add_assign}, {"-=", op_sub_assign}, {"*=", op_mul_assign},
    {"/=", op_div_assign}, {"%=", op_mod_assign}, {"^=", op_pow_assign},
};

// For every operator and left type: whether the operator knows the type,
// checked against a right operand of another type (the incompatible-types
// message) or the not-defined message.
TEST(ValueOperatorCompound, MatrixOfTypesAndMessages) {
    const std::map<std::string, std::string> known = {
        {"+=", "irslym"}, {"-=", "irm"}, {"*=", "irm"}, {"/=", "ir"}, {"%=", "i"}, {"^=", "i"},
    };
    for (const COMPOUND_CASE& c : compound_ops) {
        for (char tag : std::string("024abcdeghilmorstuyz")) {
            CELL left = make_cell(tag);
            CELL right = make_cell(tag == 'b' ? 'c' : 'b');  // never accepted with the left type
            std::string message = said(c.apply(left.get(), right.get()));
            std::string type = type_name_text(value_type_name(left.get(), true));
            if (known.at(c.op).find(tag) != std::string::npos)
                EXPECT_EQ(message, std::string("Operator '") + c.op + "': incompatible types") << c.op << tag;
            else
                EXPECT_EQ(message, std::string("Operator '") + c.op + "' not defined for type '" + type + "'")
                    << c.op << tag;
        }
        EXPECT_EQ(said(c.apply(make_cell('V').get(), int_cell(1).get())),
                  std::string("Operator ") + c.op + ": left operand is undefined");
        EXPECT_EQ(said(c.apply(int_cell(1).get(), make_cell('V').get())),
                  std::string("Operator ") + c.op + ": right operand is undefined");
    }
}

TEST(ValueOperatorCompound, NumbersWithEmptyOperands) {
    PRECISION_GUARD guard;
    // An empty left starts from the operator's start value.
    for (auto [apply, expected] : std::vector<std::pair<COMPOUND_OP, const char*>>{{op_add_assign, "5"},
                                                                                   {op_sub_assign, "-5"},
                                                                                   {op_mul_assign, "5"},
                                                                                   {op_div_assign, "0"},
                                                                                   {op_mod_assign, "0"}}) {
        CELL left = make_cell('i');
        EXPECT_EQ(apply(left.get(), int_cell(5).get()), nullptr);
        EXPECT_EQ(text_of(left.get()), expected);
    }
    CELL quarter = make_cell('r');
    EXPECT_EQ(op_div_assign(quarter.get(), int_cell(4).get()), nullptr);
    EXPECT_EQ(text_of(quarter.get()), "0.25");
    // An empty right changes nothing and reports nothing.
    CELL seven = int_cell(7);
    for (const COMPOUND_CASE& c : compound_ops) {
        EXPECT_EQ(c.apply(seven.get(), make_cell('i').get()), nullptr) << c.op;
        EXPECT_EQ(text_of(seven.get()), "7");
    }
    // "^=" takes no start value.
    CELL base = make_cell('i');
    EXPECT_EQ(said(op_pow_assign(base.get(), int_cell(2).get())), "Operator ^=: left operand is empty");
    CELL two = int_cell(2);
    EXPECT_EQ(op_pow_assign(two.get(), int_cell(100).get()), nullptr);
    EXPECT_EQ(text_of(two.get()), "1267650600228229401496703205376");
}

TEST(ValueOperatorCompound, IntAndRealArithmetic) {
    PRECISION_GUARD guard;
    CELL n = int_cell(17);
    EXPECT_EQ(op_sub_assign(n.get(), int_cell(3).get()), nullptr);
    EXPECT_EQ(op_div_assign(n.get(), int_cell(4).get()), nullptr);
    EXPECT_EQ(text_of(n.get()), "3");
    EXPECT_EQ(op_mod_assign(n.get(), int_cell(2).get()), nullptr);
    EXPECT_EQ(text_of(n.get()), "1");
    EXPECT_EQ(op_add_assign(n.get(), n.get()), nullptr);  // one cell on both sides
    EXPECT_EQ(text_of(n.get()), "2");
    EXPECT_EQ(op_mul_assign(n.get(), n.get()), nullptr);
    EXPECT_EQ(text_of(n.get()), "4");

    // Sums keep the scale; products are cut to the working precision.
    CELL r = real_cell("1.5");
    EXPECT_EQ(op_add_assign(r.get(), real_cell("1.25").get()), nullptr);
    EXPECT_EQ(r->real_data()->scale, 2);
    EXPECT_EQ(op_add_assign(r.get(), int_cell(1).get()), nullptr);
    EXPECT_EQ(text_of(r.get()), "3.75");
    EXPECT_EQ(op_mul_assign(r.get(), real_cell("1.5").get()), nullptr);
    EXPECT_EQ(r->real_data()->scale, 8);
    EXPECT_EQ(text_of(r.get()), "5.625");
    CELL third = real_cell("1");
    EXPECT_EQ(op_div_assign(third.get(), int_cell(3).get()), nullptr);
    EXPECT_EQ(text_of(third.get()), "0.33333333");
    CELL divisor = real_cell("0.50");
    CELL halved = real_cell("3");
    EXPECT_EQ(op_div_assign(halved.get(), divisor.get()), nullptr);
    EXPECT_EQ(text_of(halved.get()), "6");
    EXPECT_EQ(divisor->real_data()->scale, 2);  // the right operand keeps its scale
}

TEST(ValueOperatorCompound, DivisionByZeroLeavesLeftAlone) {
    PRECISION_GUARD guard;
    CELL n = int_cell(9);
    EXPECT_EQ(said(op_div_assign(n.get(), int_cell(0).get())), "Division by 0");
    EXPECT_EQ(said(op_mod_assign(n.get(), int_cell(0).get())), "Division by 0");
    EXPECT_EQ(text_of(n.get()), "9");
    CELL r = real_cell("1.0");
    EXPECT_EQ(said(op_div_assign(r.get(), real_cell("0.0").get())), "Division by 0");
    EXPECT_EQ(r->real_data()->scale, 1);
    EXPECT_EQ(text_of(r.get()), "1");
    // The divisor is taken whole, however many decimals beyond the working
    // precision it has: only a zero divisor is refused.
    EXPECT_EQ(op_div_assign(r.get(), real_cell("0.000000001").get()), nullptr);
    EXPECT_EQ(text_of(r.get()), "1000000000");
    EXPECT_EQ(r->real_data()->scale, 8);
    // An empty left is checked before it gets its start value.
    CELL empty = make_cell('r');
    EXPECT_EQ(said(op_div_assign(empty.get(), real_cell("0.000").get())), "Division by 0");
    EXPECT_TRUE(is_empty_value(empty.get()));
}

TEST(ValueOperatorCompound, TextsListsArgsAndSets) {
    CELL text = str_cell("ab");
    EXPECT_EQ(op_add_assign(text.get(), char_cell('c').get()), nullptr);
    EXPECT_EQ(op_add_assign(text.get(), make_cell('c').get()), nullptr);  // an empty char adds nothing
    EXPECT_EQ(op_add_assign(text.get(), str_cell("d").get()), nullptr);
    EXPECT_EQ(text->str_data()->text, "abcd");
    EXPECT_EQ(op_add_assign(text.get(), text.get()), nullptr);
    EXPECT_EQ(text->str_data()->text, "abcdabcd");
    EXPECT_EQ(said(op_add_assign(text.get(), int_cell(1).get())), "Operator '+=': incompatible types");
    EXPECT_EQ(said(op_sub_assign(text.get(), str_cell("a").get())), "Operator '-=' not defined for type 'str'");

    // Appending resets the read position.
    const char* error = nullptr;
    text->str_data()->begin_read(&error);
    char c = 0;
    text->str_data()->read_char(&c, false);
    text->str_data()->read_char(&c, false);
    EXPECT_EQ(c, 'b');
    op_add_assign(text.get(), char_cell('!').get());
    EXPECT_FALSE(text->str_data()->reading());
    text->str_data()->begin_read(&error);
    text->str_data()->read_char(&c, false);
    EXPECT_EQ(c, 'a');  // the next read starts over

    CELL list = list_of({1, 2});
    EXPECT_EQ(op_add_assign(list.get(), list_of({3}).get()), nullptr);
    EXPECT_EQ(text_of(list.get()), "(1,2,3)");
    EXPECT_EQ(said(op_add_assign(list.get(), list_of({3}, 'y').get())), "Operator '+=': incompatible types");
    CELL args = list_of({1}, 'y');
    EXPECT_EQ(op_add_assign(args.get(), list_of({2}, 'y').get()), nullptr);
    EXPECT_EQ(text_of(args.get()), "(1,2)");

    CELL set = set_of({1, 2});
    EXPECT_EQ(op_add_assign(set.get(), set_of({2, 3}).get()), nullptr);
    EXPECT_EQ(text_of(set.get()), "{1,2,3}");
    EXPECT_EQ(op_sub_assign(set.get(), set_of({1}).get()), nullptr);
    EXPECT_EQ(text_of(set.get()), "{2,3}");
    EXPECT_EQ(op_mul_assign(set.get(), set_of({3, 4}).get()), nullptr);
    EXPECT_EQ(text_of(set.get()), "{3}");
}

TEST(ValueOperatorCompound, OneContainerOnBothSides) {
    CELL list = list_of({1, 2});
    EXPECT_EQ(op_add_assign(list.get(), list.get()), nullptr);
    EXPECT_EQ(text_of(list.get()), "(1,2,1,2)");
    CELL reference = make_cell('V');
    ASSERT_EQ(assign_link(reference.get(), list.get(), 'p'), nullptr);
    EXPECT_EQ(op_add_assign(list.get(), reference.get()), nullptr);
    EXPECT_EQ(list->list_data()->node_count, 8);

    CELL set = set_of({1, 2, 3});
    EXPECT_EQ(op_sub_assign(set.get(), set.get()), nullptr);
    EXPECT_EQ(text_of(set.get()), "{}");
    CELL same = set_of({4, 5});
    EXPECT_EQ(op_add_assign(same.get(), same.get()), nullptr);
    EXPECT_EQ(op_mul_assign(same.get(), same.get()), nullptr);
    EXPECT_EQ(text_of(same.get()), "{4,5}");

    // A list appended into an element of itself.
    CELL outer = make_cell('l');
    outer->list_data()->append(list_of({7}).get(), 0);
    const char* message = nullptr;
    UNION_DATA* inner = outer->list_data()->at(0, &message);
    EXPECT_EQ(op_add_assign(inner, outer.get()), nullptr);
    EXPECT_EQ(text_of(outer.get()), "((7,(7)))");
}

TEST(ValueOperatorCompound, AnEmptyAnyCellTakesTheRightType) {
    CELL any = make_cell('v');
    EXPECT_EQ(op_add_assign(any.get(), make_cell('i').get()), nullptr);  // empty right: no change
    EXPECT_EQ(any->tag, 'v');
    EXPECT_EQ(op_add_assign(any.get(), int_cell(5).get()), nullptr);
    EXPECT_EQ(any->tag, 'i');
    EXPECT_EQ(text_of(any.get()), "5");

    CELL text = make_cell('v');
    EXPECT_EQ(op_add_assign(text.get(), str_cell("x").get()), nullptr);
    EXPECT_EQ(text_of(text.get()), "x");

    // A failing restart keeps the new type with its empty value.
    CELL power = make_cell('v');
    EXPECT_EQ(said(op_pow_assign(power.get(), int_cell(2).get())), "Operator ^=: left operand is empty");
    EXPECT_EQ(power->tag, 'i');
    EXPECT_TRUE(is_empty_value(power.get()));
    CELL flag = make_cell('v');
    EXPECT_EQ(said(op_add_assign(flag.get(), bool_cell(1).get())), "Operator '+=' not defined for type 'bool'");
    EXPECT_EQ(flag->tag, 'b');
}

// ---- oper values ----

TEST(ValueOperatorOper, ByName) {
    char chars[2] = {'x', 'y'};
    EXPECT_EQ(operator_by_name(chars, "+", true), nullptr);
    EXPECT_EQ(chars[0], '+');
    EXPECT_EQ(chars[1], 0);
    EXPECT_EQ(operator_by_name(chars, "^=", true), nullptr);
    EXPECT_EQ(std::string(chars, 2), "^=");
    EXPECT_EQ(said(operator_by_name(chars, "+++", true)), "Argument must have length 1 or 2");
    EXPECT_EQ(said(operator_by_name(chars, "", true)), "Argument must have length 1 or 2");
    EXPECT_EQ(said(operator_by_name(chars, "=<", true)), "Infeasible operator '=<'");
    EXPECT_EQ(said(operator_by_name(chars, "->", true)), "Infeasible operator '->'");
    EXPECT_EQ(std::string(chars, 2), "^=");  // unchanged on a message
    EXPECT_EQ(operator_by_name(chars, "=<", false), nullptr);
    EXPECT_EQ(std::string(chars, 2), "=<");
}

// ---- member access ----

// The scope look-up the tests install: body node to member names.
std::map<TOKEN*, std::map<std::string, TOKEN*>> member_tables;

TOKEN* lookup_member(TOKEN* body, const std::string& name) {
    auto table = member_tables.find(body);
    if (table == member_tables.end()) return nullptr;
    auto member = table->second.find(name);
    return member == table->second.end() ? nullptr : member->second;
}

// The member slot service the tests install, through the look-up above.
int member_slot_of(const TOKEN* type, const std::string& name) {
    TOKEN* declaration = lookup_member(last_list_item(const_cast<TOKEN*>(type)), name);
    return declaration != nullptr ? declaration->member_slot : -1;
}

struct TYPE_FIXTURE {
    TOKEN type;
    TOKEN body;
    std::vector<std::unique_ptr<TOKEN>> members;

    TYPE_FIXTURE(const char* name, std::vector<std::string> member_names) {
        type.text = std::string(name);
        type.left = &body;  // the type's body is the last item of its chain
        body.block_mode = 1;
        for (size_t i = 0; i < member_names.size(); ++i) {
            members.push_back(std::make_unique<TOKEN>());
            members.back()->member_slot = static_cast<int32_t>(i);
            member_tables[&body][member_names[i]] = members.back().get();
        }
    }
    ~TYPE_FIXTURE() {
        member_tables.erase(&body);
        type.left = nullptr;
    }
};

TEST(ValueOperatorMembers, AttributeAccessThroughTheTypeScopes) {
    FRONT_END_SERVICES saved = front_end_services;
    front_end_services.member_slot = member_slot_of;
    TYPE_FIXTURE point("point", {"x", "y"});
    TYPE_FIXTURE base("base", {"id"});
    CELL object = make_cell('k');
    object->holder()->type = &point.type;
    const char* message = nullptr;
    EXPECT_EQ(attribute_access(object.get(), nullptr, "x", nullptr, &message), nullptr);
    EXPECT_STREQ(message, "Object is not defined");

    auto* record = new OBJECT_RECORD();
    record->groups.resize(2);
    record->groups[0].type = &point.type;
    record->groups[0].slots = std::make_unique<SLOT_ARRAY>(2);
    record->groups[0].slots->cells[0] = int_cell(1).release();
    record->groups[0].slots->cells[1] = int_cell(2).release();
    record->groups[1].type = &base.type;
    record->groups[1].slots = std::make_unique<SLOT_ARRAY>(1);
    record->groups[1].slots->cells[0] = int_cell(9).release();
    object->holder()->object = record;

    UNION_DATA* y = attribute_access(object.get(), nullptr, "y", nullptr, &message);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(y, record->groups[0].slots->cells[1]);
    EXPECT_EQ(attribute_access(object.get(), nullptr, "id", nullptr, &message), record->groups[1].slots->cells[0]);
    EXPECT_EQ(attribute_access(object.get(), &base.type, "id", nullptr, &message), record->groups[1].slots->cells[0]);

    EXPECT_EQ(attribute_access(object.get(), nullptr, "z", nullptr, &message), nullptr);
    EXPECT_STREQ(message, "Type 'point' has no variable 'z'");
    EXPECT_EQ(attribute_access(object.get(), &base.type, "x", nullptr, &message), nullptr);
    EXPECT_STREQ(message, "Type 'point' has no basic type 'base' with variable 'x'");

    // Through a reference to the object.
    CELL reference = make_cell('V');
    ASSERT_EQ(assign_link(reference.get(), object.get(), 'p'), nullptr);
    EXPECT_EQ(attribute_access(reference.get(), nullptr, "x", nullptr, &message), record->groups[0].slots->cells[0]);

    EXPECT_EQ(attribute_access(int_cell(1).get(), nullptr, "x", nullptr, &message), nullptr);
    EXPECT_STREQ(message, "Access to attribute 'x' of object of built-in type 'int' not possible");
    front_end_services = saved;
}

}  // namespace
}  // namespace morvu
