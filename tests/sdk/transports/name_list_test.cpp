// The name-list form every list function of the C interface writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdk/transports/name_list.h"

using kavex::WriteNameList;

namespace {

// Buffer prefilled with a marker so bytes the helper must not touch show.
std::string Write(const std::vector<std::string>& names, int size, int* result)
{
    std::string buffer(static_cast<size_t>(size < 0 ? 0 : size) + 4, '#');
    *result = WriteNameList(names, buffer.data(), size);
    return buffer;
}

} // namespace

TEST(NameList, CutsAtTheFirstNameThatDoesNotFit)
{
    int n = 0;
    // "ab\0cd\0\0" needs exactly seven bytes.
    EXPECT_EQ(Write({"ab", "cd"}, 7, &n), std::string("ab\0cd\0\0####", 11));
    EXPECT_EQ(n, 7);
    // One byte short: "cd" is left out whole, never cut.
    EXPECT_EQ(Write({"ab", "cd"}, 6, &n), std::string("ab\0\0######", 10));
    EXPECT_EQ(n, 4);
    // A later, shorter name that would fit does not come back in.
    EXPECT_EQ(Write({"abc", "toolongname", "x"}, 8, &n), std::string("abc\0\0#######", 12));
    EXPECT_EQ(n, 5);
    // The first name already too long: an empty list.
    EXPECT_EQ(Write({"abcdef"}, 7, &n), std::string("\0##########", 11));
    EXPECT_EQ(n, 1);
}

TEST(NameList, EmptyListsAndNoRoom)
{
    int n = 0;
    EXPECT_EQ(Write({}, 1, &n), std::string("\0####", 5));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Write({"a"}, 0, &n), "####");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(Write({"a"}, -5, &n), "####");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(WriteNameList({"a"}, nullptr, 100), 0);
}

TEST(NameList, NoNameEndsTheListEarly)
{
    // An empty name, or one with a NUL inside, would put a double NUL into
    // the middle of the list.
    int n = 0;
    EXPECT_EQ(Write({"a", "", "b"}, 16, &n).substr(0, 5), std::string("a\0b\0\0", 5));
    EXPECT_EQ(n, 5);
    EXPECT_EQ(Write({std::string("a\0z", 3), "b"}, 16, &n).substr(0, 5), std::string("a\0b\0\0", 5));
    EXPECT_EQ(n, 5);
}
