#include "runtime/name_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace morvu {
namespace {

// Past a few entries the list answers from a set beside it; the set must
// follow every way the list changes.
TEST(NameList, ContainsFollowsEveryChangeOfALongList) {
    NAME_LIST names;
    for (int i = 0; i < 100; ++i) names.append("file" + std::to_string(i) + ".inc");
    EXPECT_TRUE(names.contains("file0.inc"));
    EXPECT_TRUE(names.contains("file99.inc"));
    EXPECT_FALSE(names.contains("file100.inc"));
    names.append("file100.inc");
    names.push_front("first.inc");
    EXPECT_TRUE(names.contains("file100.inc"));
    EXPECT_TRUE(names.contains("first.inc"));
    EXPECT_EQ(names.first(), "first.inc");
    EXPECT_EQ(names.count(), 102u);

    NAME_LIST copy = names;
    copy.append("only_in_copy.inc");
    EXPECT_TRUE(copy.contains("only_in_copy.inc"));
    EXPECT_FALSE(names.contains("only_in_copy.inc"));
    NAME_LIST moved = std::move(copy);
    EXPECT_TRUE(moved.contains("only_in_copy.inc"));
    EXPECT_TRUE(moved.contains("file50.inc"));
    copy = names;
    EXPECT_FALSE(copy.contains("only_in_copy.inc"));

    names.clear();
    EXPECT_FALSE(names.contains("file0.inc"));
    names.append("again");
    EXPECT_TRUE(names.contains("again"));
    EXPECT_FALSE(names.contains(""));
    names.append("");
    EXPECT_TRUE(names.contains(""));
}

}  // namespace
}  // namespace morvu
