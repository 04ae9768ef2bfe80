// Numbers of change orders in both dialects: the five numbering modes through the number button,
// the lowest free serial with gaps, odd serial values and the width, withdrawal and
// re-application, and reservations that cannot be written.
#include "changeorders/ECONumbering.h"
#include "changeorders/ECOConfigure.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class ECONumberingTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        numbering.m_strYear = "2005";
        numbering.m_strSaveUser = "张三";
        numbering.m_strSaveDate = "2005-03-04 10:20";
        numbering.m_strProductStyle = "A";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    void Reserve(const char* group, const char* series, const char* serial) {
        ws.Execute(CString("INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, ECONo) VALUES ('") + group +
                   "', '" + series + "', " + serial + ", 'x')");
    }
    CString Query(const CString& sql) const { return ws.QueryText(sql); }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    CECONumbering numbering;
};

} // namespace

TEST(ECONumberingFormatTest, FillsToTheWidthAndNeverCuts) {
    CECONumbering numbering;
    numbering.m_nNoWidth = 3;
    EXPECT_EQ(numbering.FormatSerialNo(7), "007");
    EXPECT_EQ(numbering.FormatSerialNo(1234), "1234");
    numbering.m_nNoWidth = 1;
    EXPECT_EQ(numbering.FormatSerialNo(12), "12");
}

TEST_P(ECONumberingTest, TheLowestFreeSerialIsReservedAndRecorded) {
    numbering.m_nNoWidth = 3;
    EXPECT_EQ(numbering.ApplySerialNo("S"), "S-001");
    EXPECT_EQ(Query("SELECT ECONo FROM ECOSerialNo WHERE NoGroup='S' AND SerialNo=1"), "S-001");
    EXPECT_EQ(Query("SELECT UserName FROM ECOSerialNo WHERE NoGroup='S'"), "张三");
    EXPECT_EQ(Query("SELECT SaveDate FROM ECOSerialNo WHERE NoGroup='S'"), "2005-03-04 10:20");
    EXPECT_EQ(Query("SELECT ECOGroup FROM ECOSerialNo WHERE NoGroup='S'"), "更改单");
    // 1, 2, 4 taken: 3, then 5.
    Reserve("更改单", "T", "1");
    Reserve("更改单", "T", "2");
    Reserve("更改单", "T", "4");
    EXPECT_EQ(numbering.ApplySerialNo("T"), "T-003");
    EXPECT_EQ(numbering.ApplySerialNo("T"), "T-005");
    // 2 and 3 taken (1 withdrawn): 1.
    Reserve("更改单", "U", "2");
    Reserve("更改单", "U", "3");
    EXPECT_EQ(numbering.ApplySerialNo("U"), "U-001");
    // Serials of 0 or below count for nothing; another group's serials neither.
    Reserve("更改单", "V", "0");
    Reserve("更改单", "V", "-4");
    Reserve("修改单", "V", "1");
    EXPECT_EQ(numbering.ApplySerialNo("V"), "V-001");
    numbering.m_strGroup = kModifyNoticeGroup;
    EXPECT_EQ(numbering.ApplySerialNo("V"), "V-002");
}

TEST_P(ECONumberingTest, WithdrawalFreesTheSerialOfItsGroupOnly) {
    numbering.m_nNoWidth = 2;
    EXPECT_EQ(numbering.ApplySerialNo("S"), "S-01");
    EXPECT_EQ(numbering.ApplySerialNo("S"), "S-02");
    numbering.m_strGroup = kModifyNoticeGroup;
    EXPECT_EQ(numbering.ApplySerialNo("S"), "S-01");
    EXPECT_EQ(numbering.DeleteSerialNo("S-01"), 1);
    numbering.m_strGroup = kChangeNoticeGroup;
    EXPECT_EQ(Query("SELECT count(*) FROM ECOSerialNo WHERE ECOGroup='更改单'"), "2");
    EXPECT_EQ(numbering.DeleteSerialNo("S-01"), 1);
    EXPECT_EQ(numbering.ApplySerialNo("S"), "S-01");
    EXPECT_EQ(numbering.ApplySerialNo("S"), "S-03");
}

TEST_P(ECONumberingTest, TheFiveModesOfTheNumberButton) {
    numbering.m_nNoWidth = 2;
    CString number;
    numbering.m_nNoMode = 1; // model + separator + year
    EXPECT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "A-2005-01");
    EXPECT_EQ(Query("SELECT NoGroup FROM ECOSerialNo WHERE ECONo='A-2005-01'"), "A-2005");

    numbering.m_nNoMode = 2; // one series per year, the model in front
    number.Empty();
    EXPECT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "A-2005-01");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOSerialNo WHERE NoGroup='-2005' AND ECONo='A-2005-01'"), "1");
    numbering.m_strProductStyle = "B";
    number.Empty();
    EXPECT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "B-2005-02");

    numbering.m_nNoMode = 3; // the product code of the model
    ws.Execute(
        "INSERT INTO ProductGroup (ProductStyle, ProductName, ProductCode) VALUES ('B', '泵', ' PC7 ')");
    EXPECT_EQ(numbering.GetProductCodeByStyle("B"), "PC7");
    number.Empty();
    EXPECT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "PC7-2005-01");
    numbering.m_strProductStyle = "A"; // no product code
    number.Empty();
    rec.Expect("该产品型号无指定的产品代号...");
    EXPECT_EQ(numbering.ApplyNumber(number), 0);
    EXPECT_TRUE(number.IsEmpty());

    numbering.m_nNoMode = 4; // year + personal code, applied when a new order opens
    numbering.m_nNoWidth = 3;
    rec.Expect("个人代号不能为空...");
    EXPECT_TRUE(numbering.ApplyPersonalNumber().IsEmpty());
    numbering.m_strPersonalCode = "ZS";
    EXPECT_EQ(numbering.ApplyPersonalNumber(), "2005ZS-001");

    numbering.m_nNoMode = 0; // typed by hand; the button (disabled there) has no series prefix
    number.Empty();
    EXPECT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "-2005-003"); // the series of mode 2 holds 1 and 2
    numbering.m_strProductStyle.Empty();
    number.Empty();
    rec.Expect("产品型号不能为空");
    EXPECT_EQ(numbering.ApplyNumber(number), 0);
}

TEST_P(ECONumberingTest, ReapplyingAsksAndWithdrawsTheHeldNumber) {
    numbering.m_nNoMode = 1;
    CString number;
    ASSERT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "A-2005-1");
    rec.Expect("编号已申请，是否撤消已申请的编号?", IDNO);
    EXPECT_EQ(numbering.ApplyNumber(number), 0);
    EXPECT_EQ(number, "A-2005-1");
    rec.Expect("编号已申请，是否撤消已申请的编号?", IDYES);
    EXPECT_EQ(numbering.ApplyNumber(number), 1);
    EXPECT_EQ(number, "A-2005-1"); // the withdrawn serial is the lowest free one again
    EXPECT_EQ(Query("SELECT count(*) FROM ECOSerialNo"), "1");
}

TEST_P(ECONumberingTest, AReservationThatCannotBeWrittenLeavesNoNumber) {
    ws.Execute("DROP TABLE ECOSerialNo");
    numbering.m_nNoMode = 2;
    CString number;
    rec.Expect(""); // the database error
    rec.Expect("不能正常进行申请...");
    rec.Expect("申请编号未成功...");
    EXPECT_EQ(numbering.ApplyNumber(number), 0);
    EXPECT_TRUE(number.IsEmpty());
    rec.Expect("");
    rec.Expect("执行出错的SQL语句");
    rec.Expect("不能正常删除编号...");
    EXPECT_EQ(numbering.DeleteSerialNo("A-2005-1"), 0);
}

// The server ends the session (a restart): the loss is said once, and the requests that meet it
// before the connection is opened again (the next action of a window opens it) fail without a
// further box, reading no reason of their own from the missing answers (no product without a
// code, no blamed statement, no failed request on top).
TEST_P(ECONumberingTest, ALostSessionIsSaidOnceWithNoReasonReadFromIt) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    ws.EndSession(theApp.m_pConnPDM);
    const CString lost = "与数据库的连接已断开，操作不能继续。";
    CString number;
    rec.Expect(lost);
    for (int mode : {3, 1}) {
        numbering.m_nNoMode = mode;
        EXPECT_EQ(numbering.ApplyNumber(number), 0);
    }
    EXPECT_EQ(numbering.DeleteSerialNo("A-2005-1"), 0);
    EXPECT_EQ(rec.Shown().size(), 1u);
    EXPECT_TRUE(theApp.m_bConnectionLost);
    theApp.m_bConnectionLost = FALSE;
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECONumberingTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
