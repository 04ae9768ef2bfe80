// The drawing download request query in both dialects: each filter alone and together, a user's
// "*" and literal "%"/"_" in the drawing number, equal and reversed time ranges, sorting with
// renumbering, the comma-separated export compared byte for byte, and the entry function.
#include "teamwork/TeamWorkPrintSearchDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/TextCodec.h"
#include "platform/base/Time.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

extern "C" int TeamWorkPrintSearchMain(CString drawingNo, CString login);

namespace {

using D = CTeamWorkPrintSearchDlg;
using Rows = std::vector<std::vector<std::string>>;

std::string ReadBytes(const CString& path) {
    std::ifstream in(path.str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The rows of the list, each with the given columns.
Rows ListRows(CDialog& d, std::initializer_list<int> columns) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId));
    Rows rows;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        std::vector<std::string> cells;
        for (int c : columns)
            cells.push_back(list->GetItemText(row, c).str());
        rows.push_back(cells);
    }
    return rows;
}

class PrintSearchTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO TeamWorkPrintMain (ApplyNo, Applicator, ApplyDate, Checker, CheckDate, CheckReason, "
                   "Printer, PrintDate, Other1) VALUES "
                   "('AP1', 'zhangsan', '2026-11-10 09:00:00', 'lisi', '2026-11-10 10:00:00', '同意', 'wangwu', "
                   "'2026-11-11 08:00:00', '已下载'),"
                   "('AP2', 'lisi', '2026-11-12 14:30:00', 'admin', '2026-11-12 15:00:00', '同意, 按期归还', '', "
                   "'', '已批准'),"
                   "('AP3', 'zhangsan', '2026-11-20 16:00:00', '', '', '', '', '', '申请'),"
                   "('AP4', 'zhangsan', '2026-12-20 16:00:00', '', '', '', '', '', '申请')");
        ws.Execute("INSERT INTO TeamWorkPrintFile (ApplyNo, FileID, Other1, Other2, Other3, Other4) VALUES "
                   "('AP1', 'P-1000', 'P-1000-01', '箱座', 'A', 'p1.dwg'),"
                   "('AP1', 'P-1000', 'P-1000-02', '箱盖 \"大\"', 'B', 'p2.dwg'),"
                   "('AP2', 'P-1000', 'P-1000-01', '箱座', 'A', 'p1.dwg'),"
                   "('AP3', 'P-2000', 'A_1', '特殊', 'A', 'x.dwg'),"
                   "('AP3', 'P-2000', 'AB1', '普通?', 'A', 'y.dwg'),"
                   "('AP4', 'P-2000', 'P-1000-03', '下月', 'A', 'z.dwg')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    // November 2026 as the apply-time range.
    static void November(vq::ScriptedUser& user) {
        user.Set(D::kFromDateId, "2026-11-01").Set(D::kToDateId, "2026-11-30");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

TEST_P(PrintSearchTest, OpensWithLastThirtyDaysAndWholeDaysAndRunsNoQuery) {
    CTeamWorkPrintSearchDlg dlg;
    dlg.Applicant = "zhangsan";
    CString from, to, fromTime, toTime;
    int rows = -1;
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询")
        .Do([&](CDialog& d) {
            from = d.GetDlgItem(D::kFromDateId)->GetWindowTextValue();
            to = d.GetDlgItem(D::kToDateId)->GetWindowTextValue();
            fromTime = d.GetDlgItem(D::kFromTimeId)->GetWindowTextValue();
            toTime = d.GetDlgItem(D::kToTimeId)->GetWindowTextValue();
            rows = dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId))->GetItemCount();
            CString applicant;
            d.GetDlgItemText(D::kApplicantId, applicant);
            EXPECT_EQ(applicant, "zhangsan");
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    const CTime now = CTime::GetCurrentTime();
    EXPECT_EQ(to, now.Format("%Y-%m-%d"));
    EXPECT_EQ(from, (now - CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d"));
    EXPECT_EQ(fromTime, "00:00:00");
    EXPECT_EQ(toTime, "23:59:59");
    EXPECT_EQ(rows, 0);
}

TEST_P(PrintSearchTest, EachFilterAloneAndTogether) {
    CTeamWorkPrintSearchDlg dlg;
    dlg.Applicant = "zhangsan";
    Rows mine, all, byNumber, both;
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询");
    November(user);
    user.Click("查询")
        .Column(D::kListId, 2)
        .Do([&](CDialog& d) { mine = ListRows(d, {0, 2, 7}); })
        .Set(D::kApplicantId, "")
        .Click("查询")
        .Column(D::kListId, 2)
        .Do([&](CDialog& d) { all = ListRows(d, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}); })
        .Set(D::kDrawingNoId, "1000-01")
        .Click("查询")
        .Column(D::kListId, 7)
        .Do([&](CDialog& d) { byNumber = ListRows(d, {2, 7}); })
        .Set(D::kApplicantId, "LISI")
        .Click("查询")
        .Do([&](CDialog& d) { both = ListRows(d, {0, 2, 7}); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(mine, (Rows{{"1", "A_1", "zhangsan"},
                          {"2", "AB1", "zhangsan"},
                          {"3", "P-1000-01", "zhangsan"},
                          {"4", "P-1000-02", "zhangsan"}}));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[3], (std::vector<std::string>{"P-1000", "P-1000-01", "箱座", "A", "p1.dwg", "已批准", "lisi",
                                                "2026-11-12 14:30:00", "admin", "2026-11-12 15:00:00",
                                                "同意, 按期归还", "", ""}));
    EXPECT_EQ(byNumber, (Rows{{"P-1000-01", "lisi"}, {"P-1000-01", "zhangsan"}}));
    EXPECT_EQ(both, (Rows{{"1", "P-1000-01", "lisi"}}));
}

TEST_P(PrintSearchTest, AsteriskMatchesAnyTextButPercentAndUnderscoreAreLiteral) {
    CTeamWorkPrintSearchDlg dlg;
    Rows star, underscore, quote;
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询");
    November(user);
    user.Set(D::kApplicantId, "")
        .Set(D::kDrawingNoId, "P*02")
        .Click("查询")
        .Do([&](CDialog& d) { star = ListRows(d, {2}); })
        .Set(D::kDrawingNoId, "A_")
        .Click("查询")
        .Do([&](CDialog& d) { underscore = ListRows(d, {2}); })
        .Set(D::kDrawingNoId, "x' OR 'a'='a")
        .Click("查询")
        .Do([&](CDialog& d) { quote = ListRows(d, {2}); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(star, (Rows{{"P-1000-02"}}));
    EXPECT_EQ(underscore, (Rows{{"A_1"}}));
    EXPECT_TRUE(quote.empty());
}

TEST_P(PrintSearchTest, EqualTimesMatchThePrefixAndAReversedRangeStopsTheQuery) {
    CTeamWorkPrintSearchDlg dlg;
    dlg.DrawingNo = "P";
    Rows equal, reversed;
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询")
        .Set(D::kFromDateId, "2026-11-12")
        .Set(D::kToDateId, "2026-11-12")
        .Set(D::kFromTimeId, "2000-02-01 14:30:00")
        .Set(D::kToTimeId, "2000-02-01 14:30:00")
        .Click("查询")
        .Do([&](CDialog& d) { equal = ListRows(d, {2, 7}); })
        .Set(D::kFromDateId, "2026-11-30")
        .Set(D::kToDateId, "2026-11-01")
        .Click("查询")
        .Message("开始时间与结束时间不匹配...", IDOK)
        .Do([&](CDialog& d) { reversed = ListRows(d, {2}); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(equal, (Rows{{"P-1000-01", "lisi"}}));
    EXPECT_TRUE(reversed.empty()); // the former rows are gone and no unbounded query ran
}

TEST_P(PrintSearchTest, ColumnClicksSortAscendingThenDescendingAndRenumber) {
    CTeamWorkPrintSearchDlg dlg;
    Rows ascending, descending, byName;
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询");
    November(user);
    user.Click("查询")
        .Column(D::kListId, 2)
        .Do([&](CDialog& d) { ascending = ListRows(d, {0, 2}); })
        .Column(D::kListId, 2)
        .Do([&](CDialog& d) { descending = ListRows(d, {0, 2}); })
        .Column(D::kListId, 3)
        .Do([&](CDialog& d) { byName = ListRows(d, {3, 2}); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ascending, (Rows{{"1", "A_1"}, {"2", "AB1"}, {"3", "P-1000-01"}, {"4", "P-1000-01"}, {"5", "P-1000-02"}}));
    EXPECT_EQ(descending, (Rows{{"1", "P-1000-02"}, {"2", "P-1000-01"}, {"3", "P-1000-01"}, {"4", "AB1"}, {"5", "A_1"}}));
    // A "?" inside a name keeps the fields after it in place.
    ASSERT_EQ(byName.size(), 5u);
    EXPECT_EQ(byName[0], (std::vector<std::string>{"普通?", "AB1"}));
}

TEST_P(PrintSearchTest, ExportQuotesSpecialCellsAndEndsLinesWithCrLf) {
    ws.Execute("DELETE FROM TeamWorkPrintFile; DELETE FROM TeamWorkPrintMain");
    ws.Execute("INSERT INTO TeamWorkPrintMain (ApplyNo, Applicator, ApplyDate, Checker, CheckDate, CheckReason, "
               "Printer, PrintDate, Other1) VALUES "
               "('E1', 'zhangsan', '2026-11-10 09:00:00', 'lisi', '2026-11-10 10:00:00', '同意, 按期归还', '', '', "
               "'已批准'),"
               "('E2', 'lisi', '2026-11-12 14:30:00', '', '', '第一行\r\n第二行', '', '', "
               "'申请')");
    ws.Execute("INSERT INTO TeamWorkPrintFile (ApplyNo, FileID, Other1, Other2, Other3, Other4) VALUES "
               "('E1', 'P-1000', 'P-1', '箱盖 \"大\"', 'A', 'p1.dwg'),"
               "('E2', 'P-1000', 'P-2', '箱座', 'B', 'p2.dwg')");
    CTeamWorkPrintSearchDlg dlg;
    const CString path = ws.TempDir() + "/requests.csv";
    const CString unwritable = ws.TempDir() + "/no/such/folder/requests.csv";
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询").Click("导出...").Message("无图纸下载申请查询结果...", IDOK);
    November(user);
    user.Click("查询")
        .Column(D::kListId, 2)
        .Click("导出...")
        .File(path, 1)
        .Message("图纸下载申请查询结果导出完毕...", IDOK)
        .Click("导出...")
        .File(unwritable, 1)
        .Message("不能打开文件 " + unwritable, IDOK)
        .Click("导出...")
        .File("", 1)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    const std::string expected =
        vq::Utf8ToGbk("1,P-1000,P-1,\"箱盖 \"\"大\"\"\",A,p1.dwg,已批准,zhangsan,2026-11-10 09:00:00,lisi,"
                      "2026-11-10 10:00:00,\"同意, 按期归还\",,\r\n"
                      "2,P-1000,P-2,箱座,B,p2.dwg,申请,lisi,2026-11-12 14:30:00,,,\"第一行\r\n第二行\",,\r\n");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_P(PrintSearchTest, EntryFunctionPresetsTheDrawingNumberAndTheLoginAsApplicant) {
    theApp.m_pConnPDM = nullptr;
    CString number, applicant;
    vq::ScriptedUser user;
    user.Dialog("图纸申请下载情况查询")
        .Do([&](CDialog& d) {
            d.GetDlgItemText(D::kDrawingNoId, number);
            d.GetDlgItemText(D::kApplicantId, applicant);
        })
        .Click("退出");
    EXPECT_EQ(TeamWorkPrintSearchMain("P-1000", "lisi"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(number, "P-1000");
    EXPECT_EQ(applicant, "lisi");
    ws.ClearConfig();
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    EXPECT_EQ(TeamWorkPrintSearchMain("P-1000", "lisi"), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PrintSearchTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

} // namespace
