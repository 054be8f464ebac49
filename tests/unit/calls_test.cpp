// Statement binding, the pending exception record and routine calls, on
// whole programs run through the driver: which executor each node keeps
// after its first execution, and what the call machinery leaves behind.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

#include "eval/evaluator.h"
#include "exec/assignment_statements.h"
#include "exec/control_counters.h"
#include "exec/output_statements.h"
#include "exec/pending_exception.h"
#include "exec/statement_binding.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/terminal.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

// Runs a program text through the driver and keeps its tree for
// inspection; the console output is captured.
class CALL_FIXTURE : public ::testing::Test {
protected:
    std::string path;
    std::string output;
    bool failed = false;

    void SetUp() override {
        char name[] = "/tmp/morvu_calls_XXXXXX";
        int descriptor = mkstemp(name);
        ASSERT_GE(descriptor, 0);
        close(descriptor);
        path = name;
        create_globals();
        add_program_argument(*program_arguments, path.c_str());
    }

    void TearDown() override {
        destroy_globals();
        std::remove(path.c_str());
    }

    void run(const std::string& source) {
        std::ofstream(path) << source;
        testing::internal::CaptureStdout();
        failed = run_program_file(*program_root, path, false, false);
        console_stream.flush();
        output = testing::internal::GetCapturedStdout();
    }

    // The n-th statement of the main block (0-based).
    TOKEN* statement(uint32_t n) const { return split_by_operator(*program_root, ';')[n]; }
};

using Calls = CALL_FIXTURE;

TEST_F(Calls, FirstExecutionBindsTheStatementForGood) {
    run("int x, i\n"
        "proc p(int v) { out(v) }\n"
        "for(i, 1, 2, { x = i; out(x); p(x); -x })\n");
    EXPECT_TRUE(failed);
    // Each statement of the loop body ran (at most) once before -x refused.
    TOKEN* body = statement(2)->left;
    while (body->block_mode == 0) body = body->right;
    TOKEN_LIST inner = split_by_operator(body, ';');
    ASSERT_EQ(inner.count(), 4u);
    EXPECT_EQ(inner[0]->executor, exec_assign);
    EXPECT_EQ(inner[1]->executor, exec_output);
    // A user call stays unbound: its routine depends on the argument types.
    EXPECT_EQ(inner[2]->executor, bind_operator_executor);
    EXPECT_EQ(inner[3]->executor, exec_not_executable);
    EXPECT_NE(output.find("Statement is not executable"), std::string::npos) << output;
    EXPECT_EQ(output.substr(0, 2), "11");
    // The parked argument lists are all gone.
    EXPECT_TRUE(inner[1]->left->result_stack.empty());
    EXPECT_TRUE(inner[2]->left->result_stack.empty());
}

TEST_F(Calls, AssignmentWithoutOperandIsRefusedAndStaysUnbound) {
    TOKEN node('+', '=', nullptr, -1, 3, 3);
    node.left = new TOKEN("x", &node, -1, 3, 3);
    node.executor = bind_operator_executor;
    std::string message;
    try {
        bind_operator_executor(&node, RESULT_ITEM{});
    } catch (const ERROR& error) {
        message = error.message;
    }
    EXPECT_EQ(message, "Operator '+=' needs two operands");
    EXPECT_EQ(node.executor, bind_operator_executor);
}

TEST_F(Calls, KeywordsBindOnlyCallsOfTheirExactName) {
    TOKEN call("outl", nullptr, -1, 1, 1);
    call.op1 = '(';
    EXPECT_TRUE(bind_keyword_executor(&call));
    EXPECT_EQ(call.executor, exec_output);
    TOKEN other("Outl", nullptr, -1, 1, 1);
    other.op1 = '(';
    other.executor = bind_operator_executor;
    EXPECT_FALSE(bind_keyword_executor(&other));
    EXPECT_EQ(other.executor, bind_operator_executor);
    TOKEN name("outl", nullptr, -1, 1, 1);  // a bare name is no call
    EXPECT_FALSE(bind_keyword_executor(&name));
}

TEST_F(Calls, RoutineCallsLeaveNoCounterBehind) {
    run("func f(int r) { r = 1\n return(1) }\n"
        "proc g { break(1) }\n"
        "int i = 0\n"
        "error e\n"
        "while ({ i < 2 }, { i += 1\n out(f()) })\n"
        "g()\n"
        "catch(e, { out(\"|\", e) })\n");
    EXPECT_FALSE(failed) << output;
    EXPECT_EQ(output, "11|Positive break value '1' without surrounding loop");
    EXPECT_FALSE(pending_return);
    EXPECT_FALSE(pending_break);
    EXPECT_FALSE(pending_continue);
}

TEST_F(Calls, PendingExceptionOwnsItsValue) {
    auto* first = new PENDING_EXCEPTION('e');
    ASSERT_NE(first->value, nullptr);
    EXPECT_EQ(first->kind, 'u');
    ERROR_DATA* data = first->value->error_data();
    data->file = "a.mrv";
    data->line = 4;
    data->message = "boom";
    data->kind = 's';
    set_pending_exception(first);
    const ERROR* error = pending_error_value();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->file, "a.mrv");
    EXPECT_EQ(error->line, 4);
    EXPECT_EQ(error->message, "boom");
    EXPECT_EQ(error->kind, 's');

    // A thrown value of another type is copied; the old record goes.
    UNION_DATA number('c');
    number.char_byte() = 'z';
    number.payload = &number.scalar;
    set_pending_exception(new PENDING_EXCEPTION(&number));
    EXPECT_EQ(pending_error_value(), nullptr);
    EXPECT_EQ(pending_exception->value->char_byte(), 'z');
    EXPECT_NE(pending_exception->value.get(), &number);
    set_pending_exception(nullptr);
    EXPECT_EQ(pending_exception, nullptr);
    EXPECT_EQ(pending_error_value(), nullptr);
}

}  // namespace
}  // namespace morvu
