#include "host/base/Zormanip.h"

#include <gtest/gtest.h>

using namespace zorbase;

TEST(ZormanipTest, ErasingAndRemovingCharacters) {
    EXPECT_EQ(erase_white(" a\tb\r\nc\f\vd_ "), "abcd_");
    EXPECT_EQ(remove_char(',', ",a,,b,"), "ab");
    EXPECT_EQ(remove_char('\0', std::string("a\0b", 3)), "ab");
    EXPECT_EQ(booltostr(true) + booltostr(false), "TrueFalse");
}

TEST(ZormanipTest, SplitLineAppendsEveryPieceInOrder) {
    std::vector<std::string> list{"kept"};
    Split_line("a;b;;c;", ';', list);
    Split_line("", ';', list);
    Split_line("whole", ';', list);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "a", "b", "", "c", "", "whole"}));
}

TEST(ZormanipTest, LeftJustifyClampsTheWidth) {
    EXPECT_EQ(LJ("ab", 5), "ab   ");
    EXPECT_EQ(LJ("", 0), " ");
    EXPECT_EQ(LJ("", -9), " ");
    EXPECT_EQ(LJ("abc", 2), "abc");
    EXPECT_EQ(LJ("x", 256), LJ("x", 255));
    EXPECT_EQ(LJ("x", INT32_MAX).size(), 255u);
    EXPECT_EQ(LJ(std::string(300, 'q'), 255).size(), 300u);
}
