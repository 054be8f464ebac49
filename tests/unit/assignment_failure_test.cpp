// An assignment that fails leaves its target as it was, whatever part of it
// fails. Every allocation an assignment makes is made to fail in turn, and
// the target is compared with what it held before.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "test_support.h"
#include "values/assign_rules.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace {

// The allocations left before the one that fails; negative: none fails.
// The failure disarms itself, so that nothing fails while it unwinds.
long allocations_before_failure = -1;

void* allocate(std::size_t size) {
    if (allocations_before_failure == 0) {
        allocations_before_failure = -1;
        throw std::bad_alloc();
    }
    if (allocations_before_failure > 0) --allocations_before_failure;
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::list_of;
using test::make_cell;
using test::str_cell;

// A list holding a list ... depth levels, the innermost holding 1 and 2.
CELL nested(int depth) {
    CELL inner = list_of({1, 2});
    for (int level = 0; level < depth; ++level) {
        CELL outer = make_cell('l');
        outer->list_data()->append(inner.get(), 2);
        CELL tail = str_cell("a text too long to live inside its string");
        outer->list_data()->append(tail.get(), 0);
        inner = std::move(outer);
    }
    return inner;
}

// Runs the assignment with each of its allocations failing in turn: every
// failed run leaves dest equal to what it was and of the same tag; the run
// in which nothing fails makes dest equal to src.
void check_failures_leave_target(UNION_DATA* dest, UNION_DATA* src) {
    CELL before = make_cell('V');
    copy_construct_value(before.get(), dest);
    const char tag = dest->tag;
    for (long failing = 0;; ++failing) {
        bool failed = false;
        allocations_before_failure = failing;
        try {
            ASSERT_EQ(assign_value(dest, src), nullptr);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        allocations_before_failure = -1;
        if (!failed) break;
        ASSERT_EQ(dest->tag, tag) << "allocation " << failing;
        ASSERT_TRUE(is_equal_value(dest, before.get(), true)) << "allocation " << failing;
        ASSERT_EQ(copy_depth, 0);
        ASSERT_TRUE(copy_partners.empty());
    }
    EXPECT_TRUE(is_equal_value(dest, src, true));
}

TEST(AssignmentFailure, PlainValuesIntoAnyCellsOfAnotherType) {
    CELL dest = make_cell('v');
    CELL five = int_cell(5);
    ASSERT_EQ(assign_value(dest.get(), five.get()), nullptr);
    CELL text = str_cell("a text too long to live inside its string");
    check_failures_leave_target(dest.get(), text.get());
    CELL number = int_cell("123456789012345678901234567890123456789012345678901234567890");
    check_failures_leave_target(dest.get(), number.get());
}

TEST(AssignmentFailure, ValuesIntoTargetsOfTheirType) {
    CELL number = int_cell(5);
    CELL large = int_cell("123456789012345678901234567890123456789012345678901234567890");
    check_failures_leave_target(number.get(), large.get());
    CELL text = str_cell("short");
    CELL long_text = str_cell("a text too long to live inside its string");
    check_failures_leave_target(text.get(), long_text.get());
    CELL error = make_cell('e');
    error->error_data()->file = "a file name too long to live inside its string";
    error->error_data()->message = "a message too long to live inside its string";
    CELL other = make_cell('e');
    other->error_data()->file = "another file name too long to live inside its string";
    other->error_data()->message = "another message too long to live inside its string";
    check_failures_leave_target(error.get(), other.get());
}

TEST(AssignmentFailure, ContainersIntoContainers) {
    CELL dest = list_of({7, 8});
    CELL deep = nested(40);
    check_failures_leave_target(dest.get(), deep.get());
    CELL any_dest = make_cell('v');
    CELL other = nested(3);
    ASSERT_EQ(assign_value(any_dest.get(), other.get()), nullptr);
    check_failures_leave_target(any_dest.get(), deep.get());
}

TEST(AssignmentFailure, PairsWhoseHalfIsBuiltDeep) {
    // p = (7 -> root): the pair already held is kept whole when the copy
    // of the new one fails anywhere.
    CELL seven = int_cell(7);
    CELL eight = int_cell(8);
    CELL dest = make_cell(tag_any2);
    ASSERT_EQ(assign_value(&dest->any2_data()->first, seven.get()), nullptr);
    ASSERT_EQ(assign_value(&dest->any2_data()->second, eight.get()), nullptr);
    CELL deep = nested(40);
    CELL source = make_cell(tag_any2);
    ASSERT_EQ(assign_value(&source->any2_data()->first, seven.get()), nullptr);
    ASSERT_EQ(assign_value(&source->any2_data()->second, deep.get()), nullptr);
    check_failures_leave_target(dest.get(), source.get());
}

TEST(AssignmentFailure, ReferenceVariablesStayReferences) {
    // A plain assignment gives a reference variable a value of its own;
    // when that fails, it still refers to its target.
    CELL target = int_cell(3);
    CELL reference = make_cell('v');
    reference->scope_variable = 1;
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    CELL text = str_cell("a text too long to live inside its string");
    check_failures_leave_target(reference.get(), text.get());
    EXPECT_EQ(test::int_of(target.get()), 3);
}

}  // namespace
}  // namespace morvu
