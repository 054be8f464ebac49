#include "values/assign_rules.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/array_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using CELL = std::unique_ptr<UNION_DATA>;

CELL make_cell(char tag, bool scope = true) {
    CELL cell = std::make_unique<UNION_DATA>(tag);
    cell->scope_variable = scope ? 1 : 0;
    return cell;
}

CELL int_cell(int value) {
    CELL cell = make_cell('i');
    *cell->int_data() = INT_DATA(value);
    return cell;
}

CELL str_cell(const std::string& text) {
    CELL cell = make_cell('s');
    cell->str_data()->text = text;
    return cell;
}

using test::element;
using test::int_of;

// A list of the given int values.
CELL int_list(std::initializer_list<int> values) {
    CELL list = make_cell('l');
    for (int value : values) {
        CELL number = int_cell(value);
        list->list_data()->append(number.get(), 0);
    }
    return list;
}

// An object of the type whose members are the given cells (taken over).
CELL object_cell(TOKEN* type, std::vector<UNION_DATA*> members, char tag = 'k') {
    CELL cell = make_cell(tag);
    if (cell->holder() == nullptr) cell->payload = new OBJECT_HOLDER();
    cell->holder()->type = type;
    auto* record = new OBJECT_RECORD();
    record->groups.resize(1);
    record->groups[0].type = type;
    record->groups[0].slots = std::make_unique<SLOT_ARRAY>();
    record->groups[0].slots->cells.assign(members.begin(), members.end());
    cell->holder()->object = record;
    return cell;
}

UNION_DATA* member(UNION_DATA* object, int index) {
    return follow_link(object)->holder()->object->groups[0].slots->cells[static_cast<size_t>(index)];
}

// ---- plain assignment ----

TEST(AssignRulesValue, SelfAssignmentSucceedsWithoutChange) {
    CELL x = int_cell(3);
    EXPECT_EQ(assign_value(x.get(), x.get()), nullptr);
    CELL text = str_cell("s");
    CELL reference = make_cell('s');
    ASSERT_EQ(assign_link(reference.get(), text.get(), 'p'), nullptr);
    EXPECT_EQ(assign_value(text.get(), reference.get()), nullptr);
    EXPECT_EQ(int_of(x.get()), 3);
    EXPECT_EQ(text->str_data()->text, "s");
}

TEST(AssignRulesValue, MessagesInCheckOrder) {
    CELL number = int_cell(1);
    CELL typed_str = str_cell("");
    EXPECT_STREQ(assign_value(typed_str.get(), number.get()), "Assignment only for equal types ('str' <- 'int')");

    // An alias of a reference cell reaches the reference: it cannot be copied,
    // but a type mismatch is named first.
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), number.get(), 'p'), nullptr);
    CELL alias_of_reference = make_cell('i');
    ASSERT_EQ(assign_link(alias_of_reference.get(), reference.get(), 'q'), nullptr);
    ASSERT_EQ(alias_of_reference->target(), reference.get());
    EXPECT_STREQ(assign_value(typed_str.get(), alias_of_reference.get()),
                 "Assignment only for equal types ('str' <- 'int')");
    CELL any = make_cell('V');
    EXPECT_STREQ(assign_value(any.get(), alias_of_reference.get()), "Assignment of a reference not allowed");

    CELL alias = make_cell('i');
    ASSERT_EQ(assign_link(alias.get(), number.get(), 'q'), nullptr);
    CELL list = make_cell('l');
    list->list_data()->append(alias.get(), 3);  // an alias of the alias cell itself
    EXPECT_STREQ(assign_value(any.get(), element(list.get(), 0)), "Assignment of an alias not allowed");
    EXPECT_FALSE(is_defined_value(any.get()));
}

TEST(AssignRulesValue, TypedReferrersPinTheTypeOfAnAnyVariable) {
    CELL any = make_cell('V');
    CELL one = int_cell(1);
    ASSERT_EQ(assign_value(any.get(), one.get()), nullptr);
    CELL typed_reference = make_cell('i');
    ASSERT_EQ(assign_link(typed_reference.get(), any.get(), 'p'), nullptr);
    CELL text = str_cell("t");
    EXPECT_STREQ(assign_value(any.get(), text.get()),
                 "Assigning object of type 'str' not allowed,\n  since references/aliases not only of type "
                 "'any' are pointing to the object of type 'any'");
    CELL two = int_cell(2);
    EXPECT_EQ(assign_value(any.get(), two.get()), nullptr);
    EXPECT_EQ(int_of(typed_reference.get()), 2);

    typed_reference->skip_flag = 1;  // an ignored referrer does not count
    EXPECT_FALSE(has_foreign_referrers(any.get()));
    typed_reference->skip_flag = 0;
    typed_reference.reset();
    CELL any_reference = make_cell('V');
    ASSERT_EQ(assign_link(any_reference.get(), any.get(), 'p'), nullptr);
    EXPECT_FALSE(has_foreign_referrers(any.get()));
    EXPECT_EQ(assign_value(any.get(), text.get()), nullptr);
    EXPECT_EQ(any->tag, 'S');
}

TEST(AssignRulesValue, AssignmentOntoALinkDissolvesTheLinkFirst) {
    CELL x = int_cell(1);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);
    CELL five = int_cell(5);
    ASSERT_EQ(assign_value(reference.get(), five.get()), nullptr);
    EXPECT_EQ(reference->tag, 'i');
    EXPECT_EQ(first_referrer(x.get(), tag_reference), nullptr);
    EXPECT_EQ(int_of(reference.get()), 5);
    EXPECT_EQ(int_of(x.get()), 1);
}

// ---- movement ----

TEST(AssignRulesMove, MessagesInCheckOrder) {
    CELL x = int_cell(1);
    EXPECT_STREQ(move_value(x.get(), x.get()), "Self-movement not allowed");
    CELL text = str_cell("a");
    EXPECT_STREQ(move_value(text.get(), x.get()), "Movement only for equal types ('str' <- 'int')");
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);
    CELL alias_of_reference = make_cell('i');
    ASSERT_EQ(assign_link(alias_of_reference.get(), reference.get(), 'q'), nullptr);
    CELL dest = make_cell('i');
    EXPECT_STREQ(move_value(dest.get(), alias_of_reference.get()), "Movement of a reference not allowed");
    CELL alias = make_cell('i');
    ASSERT_EQ(assign_link(alias.get(), x.get(), 'q'), nullptr);
    CELL list = make_cell('l');
    list->list_data()->append(alias.get(), 3);
    EXPECT_STREQ(move_value(dest.get(), element(list.get(), 0)), "Movement of an alias not allowed");

    CELL any = make_cell('V');
    ASSERT_EQ(assign_value(any.get(), x.get()), nullptr);
    CELL typed = make_cell('i');
    ASSERT_EQ(assign_link(typed.get(), any.get(), 'p'), nullptr);
    EXPECT_STREQ(move_value(any.get(), text.get()),
                 "Moving object of type 'str' not allowed,\n  since references/aliases not only of type "
                 "'any' are pointing to the object of type 'any'");
    EXPECT_EQ(text->str_data()->text, "a");
}

TEST(AssignRulesMove, SourceKeepsItsTagWithoutValue) {
    CELL x = int_cell(8);
    CELL any = make_cell('V');
    ASSERT_EQ(move_value(any.get(), x.get()), nullptr);
    EXPECT_EQ(any->tag, 'I');
    EXPECT_EQ(int_of(any.get()), 8);
    EXPECT_EQ(x->tag, 'i');
    EXPECT_FALSE(is_defined_value(x.get()));
    // A moved small payload lives in its new cell.
    CELL flag = make_cell('b');
    flag->bool_word() = 1;
    CELL other = make_cell('b');
    ASSERT_EQ(move_value(other.get(), flag.get()), nullptr);
    EXPECT_EQ(other->payload, &other->scalar);
    EXPECT_EQ(other->bool_word(), 1);
    EXPECT_FALSE(is_defined_value(flag.get()));
}

TEST(AssignRulesMove, ObjectIntoItsOwnMemberIsACycle) {
    TOKEN type;
    type.text = std::string("node");
    CELL inner = make_cell('k');
    inner->holder()->type = &type;
    CELL object = object_cell(&type, {inner.release(), int_cell(1).release()});
    EXPECT_STREQ(move_value(member(object.get(), 0), object.get()), "Movement must be free of cycles");
    EXPECT_STREQ(move_value(member(object.get(), 1), object.get()), "Movement only for equal types ('int' <- 'node')");
    CELL list = int_list({1});
    CELL any_element = make_cell('V');
    list->list_data()->append(any_element.get(), 0);
    EXPECT_STREQ(move_value(element(list.get(), 1), list.get()), "Movement must be free of cycles");
    EXPECT_EQ(list->list_data()->node_count, 2);
}

// A root names where the destination lies only when it is the destination or
// holds it as a direct member; any other root is ignored and the walk over
// the source still finds the cycle.
TEST(AssignRulesMove, ARootSparesTheWalkButNoRefusal) {
    TOKEN type;
    type.text = std::string("node");
    CELL inner = make_cell('k');
    inner->holder()->type = &type;
    CELL object = object_cell(&type, {inner.release(), make_cell('V').release()});
    UNION_DATA* first = member(object.get(), 0);
    EXPECT_STREQ(move_value_with_root(first, object.get(), object.get()), "Movement must be free of cycles");

    CELL stranger = object_cell(&type, {make_cell('V').release()});
    EXPECT_STREQ(move_value_with_root(first, object.get(), stranger.get()), "Movement must be free of cycles");
    CELL reference = make_cell('V');
    ASSERT_EQ(assign_link(reference.get(), object.get(), 'p'), nullptr);
    EXPECT_STREQ(move_value_with_root(first, object.get(), reference.get()), "Movement must be free of cycles");
    reference.reset();

    // Two levels down: the outer object is no direct holder of the cell.
    CELL outer = object_cell(&type, {object.release()});
    UNION_DATA* deep = member(member(outer.get(), 0), 1);
    EXPECT_STREQ(move_value_with_root(deep, outer.get(), outer.get()), "Movement must be free of cycles");

    // A free cell as its own root takes the value.
    CELL free_cell = make_cell('V');
    EXPECT_EQ(move_value_with_root(free_cell.get(), outer.get(), free_cell.get()), nullptr);
    EXPECT_EQ(member(free_cell.get(), 0)->holder()->type, &type);
}

// ---- links ----

TEST(AssignRulesLink, ReferenceChecksInOrder) {
    CELL x = int_cell(1);
    CELL r1 = make_cell('i');
    ASSERT_EQ(assign_link(r1.get(), x.get(), 'p'), nullptr);
    CELL other = make_cell('i');
    EXPECT_STREQ(assign_link(x.get(), other.get(), 'p'), "Cascading reference not allowed");
    EXPECT_STREQ(assign_link(other.get(), other.get(), 'p'), "Self-reference not allowed");
    CELL text = str_cell("");
    EXPECT_STREQ(assign_link(text.get(), x.get(), 'p'), "Reference assignment only for equal types ('str' <- 'int')");
    // A reference to a reference refers to its target.
    CELL r2 = make_cell('i');
    ASSERT_EQ(assign_link(r2.get(), r1.get(), 'p'), nullptr);
    EXPECT_EQ(r2->target(), x.get());
    EXPECT_EQ(first_referrer(x.get(), tag_reference), r2.get());

    CELL any = make_cell('V');
    ASSERT_EQ(assign_value(any.get(), x.get()), nullptr);
    CELL typed_alias = make_cell('i');
    ASSERT_EQ(assign_link(typed_alias.get(), any.get(), 'q'), nullptr);
    EXPECT_STREQ(assign_link(any.get(), text.get(), 'p'),
                 "Reference on object of type 'str' not allowed,\n  since aliases not only of type 'any' are "
                 "pointing to the object of type 'any'");
}

TEST(AssignRulesLink, AliasChecksInOrder) {
    CELL x = int_cell(1);
    CELL dest = make_cell('i');
    CELL alias = make_cell('i');
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(alias.get(), dest.get(), 'q'), nullptr);
    ASSERT_EQ(assign_link(reference.get(), dest.get(), 'p'), nullptr);
    EXPECT_STREQ(assign_link(dest.get(), x.get(), 'q'), "Cascading alias not allowed");
    alias.reset();
    EXPECT_STREQ(assign_link(dest.get(), x.get(), 'q'), "Reference on alias not allowed");
    CELL temporary = make_cell('i', false);
    EXPECT_STREQ(assign_link(temporary.get(), x.get(), 'q'), "Alias assignment only allowed for scope variables");
    EXPECT_STREQ(assign_link(x.get(), x.get(), 'q'), "Self-alias not allowed");
    CELL text = str_cell("");
    EXPECT_STREQ(assign_link(text.get(), x.get(), 'q'), "Alias assignment only for equal types ('str' <- 'int')");
    // An alias of an alias links to its target; an alias of a reference to
    // the reference cell.
    CELL a1 = make_cell('i');
    CELL a2 = make_cell('i');
    ASSERT_EQ(assign_link(a1.get(), x.get(), 'q'), nullptr);
    ASSERT_EQ(assign_link(a2.get(), a1.get(), 'q'), nullptr);
    EXPECT_EQ(a2->target(), x.get());
    CELL a3 = make_cell('i');
    ASSERT_EQ(assign_link(a3.get(), reference.get(), 'q'), nullptr);
    EXPECT_EQ(a3->target(), reference.get());

    // A typed call-alias pins the type of an any variable for aliases too.
    CELL any = make_cell('V');
    ASSERT_EQ(assign_value(any.get(), x.get()), nullptr);
    CELL typed_call_alias = make_cell('i');
    ASSERT_EQ(assign_link(typed_call_alias.get(), any.get(), 'j'), nullptr);
    EXPECT_STREQ(assign_link(any.get(), text.get(), 'q'),
                 "Alias on object of type 'str' not allowed,\n  since references not only of type 'any' are "
                 "pointing to the object of type 'any'");
    EXPECT_EQ(assign_link(any.get(), x.get(), 'q'), nullptr);
    EXPECT_EQ(any->tag, 'Q');
}

TEST(AssignRulesLink, CallAliasChecksInOrder) {
    CELL x = int_cell(1);
    CELL dest = make_cell('i');
    CELL reference = make_cell('i');
    CELL alias = make_cell('i');
    CELL call_alias = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), dest.get(), 'p'), nullptr);
    ASSERT_EQ(assign_link(alias.get(), dest.get(), 'q'), nullptr);
    ASSERT_EQ(assign_link(call_alias.get(), dest.get(), 'j'), nullptr);
    EXPECT_STREQ(assign_link(dest.get(), x.get(), 'j'), "Reference on call-alias not allowed");
    reference.reset();
    EXPECT_STREQ(assign_link(dest.get(), x.get(), 'j'), "Alias on call-alias not allowed");
    alias.reset();
    EXPECT_STREQ(assign_link(dest.get(), x.get(), 'j'), "Cascading call-alias not allowed");
    CELL temporary = make_cell('i', false);
    EXPECT_STREQ(assign_link(temporary.get(), x.get(), 'j'), "Call-alias assignment only allowed for scope variables");
    EXPECT_STREQ(assign_link(x.get(), x.get(), 'j'), "Self-call-alias not allowed");
    CELL text = str_cell("");
    EXPECT_STREQ(assign_link(text.get(), x.get(), 'j'), "Call-alias assignment only for equal types ('str' <- 'int')");
    CELL any = make_cell('V');
    ASSERT_EQ(assign_link(any.get(), x.get(), 'j'), nullptr);
    EXPECT_EQ(any->tag, 'J');
    EXPECT_EQ(first_referrer(x.get(), tag_call_alias), any.get());
}

TEST(AssignRulesLink, ChainsBackToTheDestinationAreCycles) {
    // An element made as an alias of an alias cell keeps that alias cell as
    // its target, so following it leads back to the destination.
    CELL a = int_cell(1);
    CELL b = make_cell('i');
    ASSERT_EQ(assign_link(b.get(), a.get(), 'q'), nullptr);
    CELL list = make_cell('l');
    list->list_data()->append(b.get(), 3);
    EXPECT_STREQ(assign_link(a.get(), element(list.get(), 0), 'p'), "Reference assignment must be free of cycles");

    CELL c = int_cell(1);
    CELL d = make_cell('i');
    ASSERT_EQ(assign_link(d.get(), c.get(), 'j'), nullptr);
    CELL holder = make_cell('l');
    holder->list_data()->append(d.get(), 7);
    EXPECT_STREQ(assign_link(c.get(), element(holder.get(), 0), 'q'), "Alias assignment must be free of cycles");
}

TEST(AssignRulesLink, LinkOntoDataThatItsAssignmentRemovesIsRefused) {
    TOKEN type;
    type.text = std::string("box");
    CELL object = object_cell(&type, {int_cell(4).release()}, 'K');
    EXPECT_STREQ(assign_link(object.get(), member(object.get(), 0), 'p'),
                 "Reference assignment not allowed on data to be removed");
    EXPECT_STREQ(assign_link(object.get(), member(object.get(), 0), 'q'),
                 "Alias assignment not allowed on data to be removed");
    EXPECT_STREQ(assign_link(object.get(), member(object.get(), 0), 'j'),
                 "Call-alias assignment not allowed on data to be removed");
    // The same for any container: l @ l[0].
    CELL outer = make_cell('V');
    CELL inner = int_list({1, 2});
    CELL lists = make_cell('l');
    lists->list_data()->append(inner.get(), 0);
    ASSERT_EQ(assign_value(outer.get(), lists.get()), nullptr);
    EXPECT_STREQ(assign_link(outer.get(), element(outer.get(), 0), 'p'),
                 "Reference assignment not allowed on data to be removed");
    EXPECT_EQ(outer->tag, 'L');
    EXPECT_EQ(int_of(element(element(outer.get(), 0), 1)), 2);
}

// ---- containers assigned from their own elements ----

TEST(AssignRulesSelfContained, PlainAssignmentFromAnElementCopiesItFirst) {
    CELL inner = int_list({1, 2});
    CELL l = make_cell('l');
    l->list_data()->append(inner.get(), 0);
    l->list_data()->append(inner.get(), 0);
    ASSERT_EQ(assign_value(l.get(), element(l.get(), 0)), nullptr);
    EXPECT_EQ(l->list_data()->node_count, 2);
    EXPECT_EQ(int_of(element(l.get(), 1)), 2);

    // An any variable holding a list takes one of its int elements.
    CELL any = make_cell('V');
    ASSERT_EQ(assign_value(any.get(), inner.get()), nullptr);
    ASSERT_EQ(assign_value(any.get(), element(any.get(), 1)), nullptr);
    EXPECT_EQ(any->tag, 'I');
    EXPECT_EQ(int_of(any.get()), 2);
}

TEST(AssignRulesSelfContained, ReferencesToTheElementFollowTheNewValue) {
    // l[0] is a list whose element refers to l[0] itself; after l = l[0] that
    // element refers to l.
    CELL l = make_cell('l');
    CELL empty = make_cell('l');
    l->list_data()->append(empty.get(), 0);
    UNION_DATA* first = element(l.get(), 0);
    first->list_data()->append(first, 1);
    ASSERT_EQ(assign_value(l.get(), first), nullptr);
    EXPECT_EQ(element(l.get(), 0)->target(), l.get());
}

TEST(AssignRulesSelfContained, MovementFromAnElementTakesItsPayloadFirst) {
    CELL inner = int_list({7});
    CELL l = make_cell('l');
    l->list_data()->append(inner.get(), 0);
    ASSERT_EQ(move_value(l.get(), element(l.get(), 0)), nullptr);
    EXPECT_EQ(l->list_data()->node_count, 1);
    EXPECT_EQ(int_of(element(l.get(), 0)), 7);

    CELL any = make_cell('V');
    ASSERT_EQ(assign_value(any.get(), inner.get()), nullptr);
    ASSERT_EQ(move_value(any.get(), element(any.get(), 0)), nullptr);
    EXPECT_EQ(int_of(any.get()), 7);
}

TEST(AssignRulesSelfContained, ArraySlotSetFromItsOwnElement) {
    CELL array = make_cell('a');
    ASSERT_EQ(array->array_data()->resize(2), 0);
    CELL inner = int_list({3, 4});
    array->array_data()->set(0, inner.get(), 0);
    array->array_data()->set(0, element(array->array_data()->get(0), 1), 0);
    EXPECT_EQ(int_of(array->array_data()->get(0)), 4);
    array->array_data()->set(1, inner.get(), 0);
    array->array_data()->set(1, element(array->array_data()->get(1), 0), 2);
    EXPECT_EQ(int_of(array->array_data()->get(1)), 3);
}

// ---- modes ----

TEST(AssignRulesModes, DispatchByMode) {
    CELL x = int_cell(1);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_by_mode(reference.get(), x.get(), 1), nullptr);
    CELL a = make_cell('V');
    ASSERT_EQ(assign_by_mode(a.get(), reference.get(), 4), nullptr);
    EXPECT_EQ(a->tag, 'P');
    EXPECT_EQ(a->target(), x.get());
    CELL b = make_cell('V');
    ASSERT_EQ(assign_by_mode(b.get(), x.get(), 4), nullptr);
    EXPECT_EQ(b->tag, 'I');
    CELL c = make_cell('V');
    ASSERT_EQ(assign_by_mode(c.get(), b.get(), 5), nullptr);
    EXPECT_EQ(int_of(c.get()), 1);
    EXPECT_FALSE(is_defined_value(b.get()));
    CELL d = make_cell('V');
    ASSERT_EQ(assign_by_mode(d.get(), reference.get(), 6), nullptr);
    EXPECT_EQ(d->tag, 'P');
    CELL e = make_cell('V');
    ASSERT_EQ(assign_by_mode(e.get(), x.get(), 6), nullptr);
    EXPECT_EQ(e->tag, 'I');
    CELL f = make_cell('V');
    ASSERT_EQ(assign_by_mode(f.get(), x.get(), 7), nullptr);
    EXPECT_EQ(f->tag, 'J');
    CELL g = make_cell('V');
    EXPECT_EQ(assign_by_mode(g.get(), x.get(), 12), nullptr);
    EXPECT_EQ(g->tag, 'V');
    x->scope_variable = 0;
    CELL h = make_cell('V', false);
    EXPECT_STREQ(assign_by_mode(h.get(), x.get(), 3), "Alias assignment only allowed for scope variables");
}

TEST(AssignRulesSlot, ElementsByMode) {
    CELL x = int_cell(2);
    CELL alias = make_cell('i');
    ASSERT_EQ(assign_link(alias.get(), x.get(), 'q'), nullptr);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);

    UNION_DATA copy('v');
    ASSERT_EQ(copy_into_slot(&copy, alias.get(), 0), nullptr);
    EXPECT_EQ(copy.tag, 'I');
    UNION_DATA to_target('v');
    copy_into_slot(&to_target, alias.get(), 1);
    EXPECT_EQ(to_target.tag, 'P');
    EXPECT_EQ(to_target.target(), x.get());
    UNION_DATA of_alias('v');
    copy_into_slot(&of_alias, alias.get(), 3);
    EXPECT_EQ(of_alias.tag, 'Q');
    EXPECT_EQ(of_alias.target(), alias.get());
    UNION_DATA ref_kept('v');
    copy_into_slot(&ref_kept, reference.get(), 4);
    EXPECT_EQ(ref_kept.target(), x.get());
    UNION_DATA call_alias('v');
    copy_into_slot(&call_alias, alias.get(), 7);
    EXPECT_EQ(call_alias.tag, 'J');
    EXPECT_EQ(call_alias.target(), alias.get());
    UNION_DATA nothing('v');
    copy_into_slot(&nothing, x.get(), 42);
    EXPECT_EQ(nothing.tag, 'v');

    CELL source = int_cell(9);
    UNION_DATA moved('v');
    copy_into_slot(&moved, source.get(), 5);
    EXPECT_EQ(int_of(&moved), 9);
    EXPECT_FALSE(is_defined_value(source.get()));
}

TEST(AssignRulesSlot, ModeSixLinksByTheSourcesKindElseCopies) {
    CELL x = int_cell(6);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);
    CELL alias = make_cell('i');
    ASSERT_EQ(assign_link(alias.get(), x.get(), 'q'), nullptr);
    UNION_DATA plain('v');
    ASSERT_EQ(copy_into_slot(&plain, x.get(), 6), nullptr);
    EXPECT_EQ(plain.tag, 'I');
    EXPECT_EQ(int_of(&plain), 6);
    EXPECT_TRUE(is_defined_value(x.get()));
    UNION_DATA linked('v');
    copy_into_slot(&linked, reference.get(), 6);
    EXPECT_EQ(linked.tag, 'P');
    EXPECT_EQ(linked.target(), x.get());
    UNION_DATA aliased('v');
    copy_into_slot(&aliased, alias.get(), 6);
    EXPECT_EQ(aliased.tag, 'Q');
    EXPECT_EQ(aliased.target(), alias.get());
}

TEST(AssignRulesMembers, OnThisHelpers) {
    CELL x = int_cell(1);
    CELL a = make_cell('i');
    EXPECT_EQ(a->assign_ref_on_this(x.get()), nullptr);
    EXPECT_EQ(a->tag, 'p');
    CELL b = make_cell('i');
    EXPECT_EQ(b->assign_alias_on_this(x.get()), nullptr);
    EXPECT_EQ(b->tag, 'q');
    CELL c = make_cell('i');
    EXPECT_EQ(c->assign_or_ref_on_this(a.get()), nullptr);
    EXPECT_EQ(c->tag, 'p');
    EXPECT_EQ(c->target(), x.get());
}

}  // namespace
}  // namespace morvu
