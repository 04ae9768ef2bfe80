#include "core/Revision.h"

#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

namespace {

class RevisionTest : public ::testing::Test {
protected:
    void NumberForm(bool on) { ws.WriteSetting("零部件配置", "替换版本号", on ? "1" : "0"); }

    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
};

} // namespace

TEST_F(RevisionTest, NextRevisionThroughLettersAndNumbers) {
    EXPECT_EQ(GetNextRevision("", 0), "A");
    EXPECT_EQ(GetNextRevision("a", 0), "B");
    EXPECT_EQ(GetNextRevision("Y", 0), "Z");
    EXPECT_EQ(GetNextRevision("Z", 0), "26");
    EXPECT_EQ(GetNextRevision("26", 0), "27");
    EXPECT_EQ(GetNextRevision("98", 0), "99");
    EXPECT_EQ(GetNextRevision("00", 0), "01");
    EXPECT_EQ(GetNextRevision("08", 0), "09");
    EXPECT_EQ(GetNextRevision("09", 0), "10");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RevisionTest, NinetyNineIsTheLast) {
    boxes.Expect("版本太多，已超过99项...");
    EXPECT_EQ(GetNextRevision("99", 0), "");
    EXPECT_EQ(boxes.Shown()[0].type, MB_OK);
}

TEST_F(RevisionTest, MalformedRevisionsShowTheFormatMessage) {
    for (const char* bad : {"ABC", "100", "AB", "1A", "#", "版", "A版"}) {
        boxes.Expect("版本格式不对...");
        EXPECT_EQ(GetNextRevision(bad, 0), "") << bad;
    }
    boxes.Expect("版本格式不对...");
    EXPECT_EQ(GetNextRevision("ABC", 1), ""); // too long in every mode
}

TEST_F(RevisionTest, OneDigitRevisionsAdvanceAsNumbers) {
    EXPECT_EQ(GetNextRevision("5", 0), "6");
    EXPECT_EQ(GetNextRevision("9", 0), "10");
    EXPECT_EQ(GetNextRevision("0", 0), "1");
}

TEST_F(RevisionTest, NumberFormOnlyWhenTheSettingIsOn) {
    EXPECT_EQ(GetNextRevision("c", 1), "C");
    EXPECT_EQ(GetNextRevision("", 1), "A");
    EXPECT_EQ(GetNextRevision("03", 2), "03");
    NumberForm(true);
    EXPECT_EQ(GetNextRevision("", 1), "00");
    EXPECT_EQ(GetNextRevision("A", 1), "00");
    EXPECT_EQ(GetNextRevision("C", 1), "02");
    EXPECT_EQ(GetNextRevision("K", 1), "10");
    EXPECT_EQ(GetNextRevision("Z", 1), "25");
    EXPECT_EQ(GetNextRevision("26", 1), "26");
    EXPECT_EQ(GetNextRevision("5", 1), "5");
    EXPECT_EQ(GetNextRevision("", 0), "A");
    EXPECT_EQ(GetNextRevision("07", 0), "08"); // advancing ignores the form
    NumberForm(false);
    EXPECT_EQ(GetNextRevision("C", 1), "C"); // the setting is read at each call
}

TEST_F(RevisionTest, LetterFormOnlyWhenTheSettingIsOn) {
    NumberForm(true);
    EXPECT_EQ(GetNextRevision("03", 2), "D");
    EXPECT_EQ(GetNextRevision("00", 7), "A");
    EXPECT_EQ(GetNextRevision("25", 2), "Z");
    EXPECT_EQ(GetNextRevision("30", 2), "30");
    EXPECT_EQ(GetNextRevision("b", 2), "B");
    EXPECT_EQ(GetNextRevision("1A", 2), "1A"); // not a number: unchanged
    EXPECT_EQ(GetNextRevision("", 2), "A");
}
