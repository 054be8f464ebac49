// The lower layers reach the syntax tree, the pending exception and the
// user types only through services the upper layers install at start-up.
// These tests check that every service is in place and that the lower
// layers give the answers they gave when they read the tree themselves.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/process_state.h"
#include "types/method_call.h"
#include "values/front_end_services.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"
#include "values/value_operators.h"

namespace morvu {
namespace {

TEST(LayerHooks, EveryServiceIsInstalledAtStartUp) {
    EXPECT_NE(node_place, nullptr);
    EXPECT_NE(raise_pending_error, nullptr);
    EXPECT_NE(user_operator_caller, nullptr);
    EXPECT_NE(front_end_services.type_name, nullptr);
    EXPECT_NE(front_end_services.initial_object, nullptr);
    EXPECT_NE(front_end_services.copy_members, nullptr);
    EXPECT_NE(front_end_services.member_slot, nullptr);
    EXPECT_NE(front_end_services.is_smalltype, nullptr);
    EXPECT_NE(front_end_services.blocks_equal, nullptr);
    // The types reach user routines and blocks through the execution layer.
    EXPECT_NE(call_routine_entry, nullptr);
    EXPECT_NE(not_defined_entry, nullptr);
    EXPECT_NE(run_block_entry, nullptr);
}

// A system error names no routine and stands at its node's file and line,
// the program file for index -1 and an included file by its index.
TEST(LayerHooks, SystemErrorStandsAloneAtTheNodesPlace) {
    program_arguments = std::make_unique<PROGRAM_ARGUMENTS>();
    add_program_argument(*program_arguments, "main.mrv");
    file_name_table = std::make_unique<INT_STR_TABLE>();
    (*file_name_table)[2] = "lib.mrv";
    TOKEN node;
    node.line = 4;
    for (int index : {-1, 2}) {
        node.file_index = index;
        try {
            raise_system_error(&node, std::string("Broken"));
            ADD_FAILURE() << "raise_system_error returned";
        } catch (const ERROR& error) {
            EXPECT_EQ(error.file, index < 0 ? "main.mrv" : "lib.mrv");
            EXPECT_EQ(error.line, 4);
            EXPECT_EQ(error.message, "Broken");
            EXPECT_EQ(error.kind, error_kind_system);
        }
    }
    EXPECT_EQ(position_text(&node), "file 'lib.mrv', line '4'");
    file_name_table.reset();
    program_arguments.reset();
}

// Code values are equal when their blocks read alike, not only when they
// are the same block.
TEST(LayerHooks, CodeValuesCompareTheirBlocksByText) {
    TOKEN first;
    TOKEN second;
    TOKEN other;
    first.text = std::string("x");
    second.text = std::string("x");
    other.text = std::string("y");
    UNION_DATA a('x');
    UNION_DATA b('x');
    a.code_data()->block = &first;
    b.code_data()->block = &second;
    EXPECT_TRUE(is_equal_value(&a, &b, true));
    b.code_data()->block = &other;
    EXPECT_FALSE(is_equal_value(&a, &b, true));
    a.code_data()->block = nullptr;
    b.code_data()->block = nullptr;
}

}  // namespace
}  // namespace morvu
