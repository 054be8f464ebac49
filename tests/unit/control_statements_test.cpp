#include <gtest/gtest.h>

#include <memory>

#include "eval/evaluator.h"
#include "exec/control_counters.h"
#include "exec/control_statements.h"
#include "exec/pending_exception.h"
#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/assign_rules.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/walk_pins.h"
#include "tree_printer.h"

namespace morvu {
namespace {

// Every test leaves the process-wide counters as it found them: none.
class LoopProtocolTest : public ::testing::Test {
protected:
    void TearDown() override {
        release_counters();
        set_pending_exception(nullptr);
    }
};

TEST_F(LoopProtocolTest, ContinueOfOneIsConsumedAndTheLoopGoesOn) {
    pending_continue = std::make_unique<INT_DATA>(1);
    EXPECT_FALSE(loop_after_body());
    EXPECT_EQ(pending_continue, nullptr);
    EXPECT_FALSE(loop_after_body());  // nothing pending: go on
}

TEST_F(LoopProtocolTest, DeeperContinueLeavesAndIsCountedDown) {
    pending_continue = std::make_unique<INT_DATA>(2);
    EXPECT_TRUE(loop_after_body());
    loop_after_end();
    ASSERT_NE(pending_continue, nullptr);
    EXPECT_EQ(*pending_continue, INT_DATA(1));  // the next loop out goes on
    EXPECT_FALSE(loop_after_body());
    EXPECT_EQ(pending_continue, nullptr);
}

TEST_F(LoopProtocolTest, BreakLeavesOneLoopPerLevel) {
    pending_break = std::make_unique<INT_DATA>(2);
    EXPECT_TRUE(loop_after_body());
    loop_after_end();
    ASSERT_NE(pending_break, nullptr);
    EXPECT_TRUE(loop_after_body());
    loop_after_end();
    EXPECT_EQ(pending_break, nullptr);
}

TEST_F(LoopProtocolTest, ReturnAndExceptionLeaveEveryLoopUntouched) {
    pending_return = std::make_unique<INT_DATA>(1);
    EXPECT_TRUE(loop_after_body());
    loop_after_end();
    ASSERT_NE(pending_return, nullptr);  // routine calls consume it, loops never
    pending_return.reset();

    set_pending_exception(new PENDING_EXCEPTION('i'));
    EXPECT_TRUE(loop_after_body());
    loop_after_end();
    EXPECT_NE(pending_exception, nullptr);
}

TEST_F(LoopProtocolTest, ContinueOfOneWithABreakStillLeaves) {
    pending_continue = std::make_unique<INT_DATA>(1);
    pending_break = std::make_unique<INT_DATA>(1);
    EXPECT_TRUE(loop_after_body());
    EXPECT_EQ(pending_continue, nullptr);
    loop_after_end();
    EXPECT_EQ(pending_break, nullptr);
}

// ---- value_under_iteration ----

using test::int_cell;

TEST(ValueUnderIteration, SeesWalksOverTheValueAndOverNestedContainers) {
    UNION_DATA inner('l');
    inner.list_data()->append(int_cell(1).get(), 0);
    UNION_DATA outer('l');
    outer.list_data()->append(int_cell(2).get(), 0);
    outer.list_data()->append(&inner, 0);  // a copy of inner becomes the second element
    EXPECT_FALSE(value_under_iteration(&outer));

    {
        WALK_PIN pin('l', outer.list_data());
        EXPECT_TRUE(value_under_iteration(&outer));
    }

    UNION_DATA* nested = follow_link(&outer.list_data()->tail->value);
    ASSERT_EQ(lower_tag(nested->tag), 'l');
    {
        WALK_PIN pin('l', nested->list_data());
        EXPECT_TRUE(value_under_iteration(&outer));
        EXPECT_FALSE(value_under_iteration(&inner));  // the original is not walked
    }
    EXPECT_FALSE(value_under_iteration(&outer));  // every walk is over
}

TEST(ValueUnderIteration, InsidePairsAndTextsButNotThroughLinks) {
    UNION_DATA text('s');
    UNION_DATA pair('u');
    ASSERT_EQ(assign_value(&pair.any2_data()->second, &text), nullptr);
    WALK_PIN text_pin('s', follow_link(&pair.any2_data()->second)->str_data());
    EXPECT_TRUE(value_under_iteration(&pair));

    // A reference to a walked list: destroying the reference leaves the list
    // alone, so the reference is no obstacle.
    UNION_DATA list('l');
    WALK_PIN list_pin('l', list.list_data());
    UNION_DATA reference('V');
    ASSERT_EQ(assign_link(&reference, &list, 'p'), nullptr);
    EXPECT_FALSE(value_under_iteration(&reference));
}

TEST(CodeBlock, NullForValuesWithoutBlock) {
    UNION_DATA code('x');
    EXPECT_EQ(code_block(RESULT_ITEM{&code, 6, 0}), nullptr);
    UNION_DATA number('i');
    EXPECT_EQ(code_block(RESULT_ITEM{&number, 6, 0}), nullptr);
    EXPECT_EQ(code_block(RESULT_ITEM{}), nullptr);
}

// ---- repeat_loop (the repetition operator and the oper type's exec) ----

// The block of the program "x = <block>".
class RepeatLoopTest : public LoopProtocolTest {
protected:
    std::unique_ptr<TOKEN> root;

    void SetUp() override { install_evaluator(); }
    void TearDown() override {
        LoopProtocolTest::TearDown();
        current_statement = nullptr;  // it points into the tree freed with the fixture
    }

    TOKEN* block(const std::string& text) {
        root = test::parse_source("x = " + text);
        return root->right;
    }
};

TEST_F(RepeatLoopTest, RunsTheBlockCountTimes) {
    TOKEN* body = block("{out(\"r\")}");
    testing::internal::CaptureStdout();
    auto count = int_cell(3);
    repeat_loop(RESULT_ITEM{}, RESULT_ITEM{count.get(), 6, 0}, body);
    auto none = int_cell(-2);
    repeat_loop(RESULT_ITEM{}, RESULT_ITEM{none.get(), 6, 0}, body);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "rrr");
}

TEST_F(RepeatLoopTest, PassesCountersOnAndStopsOnceNothingCanRun) {
    // A count far beyond any machine integer still ends at once when the
    // remaining runs could do nothing.
    auto huge = std::make_unique<UNION_DATA>('i');
    *huge->int_data() = INT_DATA("1000000000000000000000000000000");
    repeat_loop(RESULT_ITEM{}, RESULT_ITEM{huge.get(), 6, 0}, block("{break(2)}"));
    ASSERT_NE(pending_break, nullptr);
    EXPECT_EQ(*pending_break, INT_DATA(2));  // not consumed
    pending_break.reset();

    repeat_loop(RESULT_ITEM{}, RESULT_ITEM{huge.get(), 6, 0}, block("{throw(1)}"));
    EXPECT_NE(pending_exception, nullptr);
}

}  // namespace
}  // namespace morvu
