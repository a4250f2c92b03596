// The value conversions of the generated members: the three ways a
// VARIANT_BOOL reaches the engine, the back-style offset and the float a
// ruler length is read as.
#include <gtest/gtest.h>

#include <cstring>

#include "member_conversions.h"

namespace {

using namespace quillmark;

TEST(MemberConversions, FlagsReachTheEngineInTheirThreeForms) {
    struct Case {
        VARIANT_BOOL in;
        int zeroOne;
        int signedFlag;
        unsigned char byte;
    };
    const Case cases[] = {
        {VARIANT_TRUE, 1, -1, 1},
        {VARIANT_FALSE, 0, 0, 0},
        {1, 1, 1, 1},
        {static_cast<VARIANT_BOOL>(5), 1, 5, 1},
        {static_cast<VARIANT_BOOL>(-2), 1, -2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "VARIANT_BOOL " << c.in);
        EXPECT_EQ(c.zeroOne, Flag01(c.in));
        EXPECT_EQ(c.signedFlag, FlagSigned(c.in));
        EXPECT_EQ(c.byte, FlagByte(c.in));
    }
    EXPECT_EQ(VARIANT_TRUE, Bool(1));
    EXPECT_EQ(VARIANT_TRUE, Bool(-1));
    EXPECT_EQ(VARIANT_FALSE, Bool(0));
}

TEST(MemberConversions, BackStylesCarryTheEnginesOffset) {
    struct Case {
        int in;
        EngineValue stored;
    };
    // 3 or less gets 3000 added; larger values pass unchanged.
    const Case set[] = {{1, 3001}, {2, 3002}, {3, 3003}, {0, 3000}, {4, 4}, {3002, 3002}};
    for (const Case& c : set) EXPECT_EQ(c.stored, BackStyleIn(c.in)) << c.in;
    // 3000 or more loses 3000; smaller values pass unchanged.
    const Case get[] = {{1, 3001}, {2, 3002}, {3, 3003}, {0, 3000}, {2999, 2999}, {5, 5}};
    for (const Case& c : get) EXPECT_EQ(c.in, BackStyleOut(c.stored)) << c.stored;
    // Only attribute 16 of the tool defaults is translated.
    EXPECT_EQ(3002, ToolDefaultIn(QMK_BackStyle, 2));
    EXPECT_EQ(2, ToolDefaultIn(QMK_PenWidth, 2));
    EXPECT_EQ(2, ToolDefaultOut(QMK_BackStyle, 3002));
    EXPECT_EQ(3002, ToolDefaultOut(QMK_PenWidth, 3002));
}

TEST(MemberConversions, RulerLengthIsTheFloatOfTheValuesBits) {
    float length = 12.5f;
    EngineValue bits = 0;
    std::memcpy(&bits, &length, sizeof bits);
    EXPECT_EQ(12.5f, FloatBits(bits));
    EXPECT_EQ(0.0f, FloatBits(0));
}

TEST(MemberConversions, OutPointersAreCheckedTogether) {
    long a = 0, b = 0;
    EXPECT_FALSE(AnyNull());
    EXPECT_FALSE(AnyNull(&a, &b));
    EXPECT_TRUE(AnyNull(&a, static_cast<long*>(nullptr)));
    EXPECT_TRUE(AnyNull(static_cast<BSTR*>(nullptr)));
}

} // namespace

namespace {

TEST(MemberConversions, OnlyVariantTrueItselfMakesAByteFlagOfOne) {
    EXPECT_EQ(1, *quillmark::At(quillmark::ExactTrueByte(VARIANT_TRUE)));
    EXPECT_EQ(0, *quillmark::At(quillmark::ExactTrueByte(1)));
    EXPECT_EQ(0, *quillmark::At(quillmark::ExactTrueByte(VARIANT_FALSE)));
}

} // namespace

namespace {

TEST(MemberConversions, TextSettersAcceptOnlyTheirValues) {
    for (long v : {0L, 900L, 1800L, 2700L}) EXPECT_TRUE(quillmark::IsTextOrientation(v)) << v;
    for (long v : {450L, -900L, 3600L, 1L}) EXPECT_FALSE(quillmark::IsTextOrientation(v)) << v;
    for (long v : {7000L, 7001L, 7002L}) EXPECT_TRUE(quillmark::IsTextJustification(v)) << v;
    for (long v : {0L, 6999L, 7003L}) EXPECT_FALSE(quillmark::IsTextJustification(v)) << v;
}

} // namespace
