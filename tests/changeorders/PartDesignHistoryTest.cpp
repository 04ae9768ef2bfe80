// The part design history in both dialects: the documents of a part in the work tasks that began
// within the date range (compared as text), a range of one day, the day after as start, a reversed
// range, picking a part, the row commands and the entry function.
#include "changeorders/PartDesignHistoryDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

extern "C" int ShowPartECODesignHistory(CString partCode, CString login);

namespace {

using Dlg = CPartDesignHistoryDlg;

CString Day(int daysFromToday) {
    return (COleDateTime::GetCurrentTime() + COleDateTimeSpan(daysFromToday, 0, 0, 0)).Format("%Y-%m-%d");
}

class PartDesignHistoryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('P-1', '箱座');"
                   "INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('P-2', '箱盖');");
        AddTask("W-OLD", Day(-60));                   // exactly the start day, no time: not listed
        AddTask("W-START", Day(-60) + " 08:00:00");   // on the start day with a time
        AddTask("W-TODAY", Day(0) + " 09:30:00");
        AddTask("W-NEXT", Day(1) + " 00:00:00");      // after the end day
        AddTask("W-MID", "2026-03-05 10:00:00");
        AddTask("W-MID2", "2026-03-06 10:00:00");
        AddDocument("W-START", "F-START", "P-1");
        AddDocument("W-TODAY", "F-TODAY", "P-1");
        AddDocument("W-TODAY", "F-OTHER", "P-2");
        AddDocument("W-OLD", "F-OLD", "P-1");
        AddDocument("W-NEXT", "F-NEXT", "P-1");
        AddDocument("W-MID", "F-MID", "P-1");
        AddDocument("W-MID2", "F-MID2", "P-1");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    void AddTask(const CString& id, const CString& begin) {
        ws.Execute("INSERT INTO TeamWorkManage (WorkID, WorkName, BeginTime, Manager) VALUES ('" + id + "', '任务" +
                   id + "', '" + begin + "', 'zhangsan')");
    }
    void AddDocument(const CString& work, const CString& file, const CString& part) {
        ws.Execute("INSERT INTO TeamWorkResult (WorkID, FileID, FilePrompt, FileName, PartCode, State, "
                   "AuditingModel, AuditorName, AuditingType) VALUES ('" +
                   work + "', '" + file + "', '零件图', 'a.dwg', '" + part + "', '评审', '三级评审', 'a|*|b', '按组')");
    }
    static CListCtrl& List(CDialog& d) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(Dlg::kListId)); }
    static std::vector<CString> Files(CDialog& d) {
        std::vector<CString> texts;
        for (int row = 0; row < List(d).GetItemCount(); ++row)
            texts.push_back(List(d).GetItemText(row, 2));
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    // Reloads the list the way a person does: picks the part again through the part search.
    static void PickAgain(vq::ScriptedUser& user, const CString& code) {
        user.Click(Dlg::kPartButtonId)
            .Dialog("选择零部件")
            .Set(1038, code)
            .Click(1244)
            .Do([](CDialog& d) { dynamic_cast<CListCtrl*>(d.GetDlgItem(1051))->UserSelect(0); })
            .Click(IDOK)
            .Dialog("零部件设计历史");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(PartDesignHistoryTest, DefaultRangeListsTheLastSixtyDays) {
    vq::ScriptedUser user;
    user.Dialog("零部件设计历史")
        .Do([](CDialog& d) {
            CString name;
            d.GetDlgItem(Dlg::kPartNameId)->GetWindowText(name);
            EXPECT_EQ(name, "箱座");
            EXPECT_EQ(Files(d), (std::vector<CString>{"F-START", "F-TODAY"}));
            const int row = List(d).GetItemText(0, 2) == "F-TODAY" ? 0 : 1;
            for (int c = 0; c < 7; ++c)
                EXPECT_EQ(List(d).GetItemText(row, c),
                          (std::vector<CString>{"W-TODAY", "任务W-TODAY", "F-TODAY", "零件图", Day(0) + " 09:30:00",
                                                "zhangsan", "评审"})[c]);
            CString from, to;
            d.GetDlgItem(Dlg::kDateFromId)->GetWindowText(from);
            d.GetDlgItem(Dlg::kDateToId)->GetWindowText(to);
            EXPECT_EQ(from, Day(-60));
            EXPECT_EQ(to, Day(0));
        })
        .Click("退出");
    Dlg dlg;
    dlg.m_strPartCode = "P-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartDesignHistoryTest, DateChangesTakeEffectWhenThePartIsPickedAgain) {
    vq::ScriptedUser user;
    user.Dialog("零部件设计历史").Set(Dlg::kDateFromId, "2026-03-05").Set(Dlg::kDateToId, "2026-03-05");
    user.Do([](CDialog& d) { EXPECT_EQ(Files(d), (std::vector<CString>{"F-START", "F-TODAY"})); });
    PickAgain(user, "P-1");
    // One day: the tasks that began on it.
    user.Do([](CDialog& d) { EXPECT_EQ(Files(d), (std::vector<CString>{"F-MID"})); });
    // The start one day after the end: the tasks that began on the start day.
    user.Set(Dlg::kDateFromId, "2026-03-06");
    PickAgain(user, "P-1");
    user.Do([](CDialog& d) { EXPECT_EQ(Files(d), (std::vector<CString>{"F-MID2"})); });
    // Two days later still: no date limit, after saying so.
    user.Set(Dlg::kDateFromId, "2026-03-07");
    user.Click(Dlg::kPartButtonId)
        .Dialog("选择零部件")
        .Set(1038, "P-1")
        .Click(1244)
        .Do([](CDialog& d) { dynamic_cast<CListCtrl*>(d.GetDlgItem(1051))->UserSelect(0); })
        .Click(IDOK)
        .Message("开始日期与结束日期不匹配...", IDOK)
        .Dialog("零部件设计历史")
        .Do([](CDialog& d) {
            EXPECT_EQ(Files(d),
                      (std::vector<CString>{"F-MID", "F-MID2", "F-NEXT", "F-OLD", "F-START", "F-TODAY"}));
        })
        .Click("退出");
    Dlg dlg;
    dlg.m_strPartCode = "P-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartDesignHistoryTest, EmptyPartOpensEmptyAndPickingFillsIt) {
    vq::ScriptedUser user;
    user.Dialog("零部件设计历史").Do([](CDialog& d) { EXPECT_EQ(List(d).GetItemCount(), 0); });
    // Without a row the row commands do nothing.
    user.Click("文档属性...").Click("评审流程...").Click("评审结果...");
    PickAgain(user, "P-2");
    user.Do([](CDialog& d) {
            EXPECT_EQ(Files(d), (std::vector<CString>{"F-OTHER"}));
            CString name;
            d.GetDlgItem(Dlg::kPartNameId)->GetWindowText(name);
            EXPECT_EQ(name, "箱盖");
        })
        .Click("退出");
    Dlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartDesignHistoryTest, RowCommandsOpenTheirDialogs) {
    vq::ScriptedUser user;
    user.Dialog("零部件设计历史")
        .Select(Dlg::kListId, "W-TODAY")
        .Click("文档属性...")
        .Dialog("工作文档属性")
        .Click(IDCANCEL)
        .Dialog("零部件设计历史")
        .DoubleClick(Dlg::kListId, "W-TODAY")
        .Dialog("工作文档属性")
        .Click(IDCANCEL)
        .Dialog("零部件设计历史")
        .Click("评审流程...")
        .Dialog("任务评审流程图")
        .Click(IDCANCEL)
        .Dialog("零部件设计历史")
        // Without "红线批注工具" in the settings: the results with viewer and markup.
        .Click("评审结果...")
        .Dialog("设计文档评审结果")
        .Click(IDCANCEL)
        .Dialog("零部件设计历史")
        .Do([this](CDialog&) { ws.WriteSetting("设计过程管理", "红线批注工具", "2"); })
        .Click("评审结果...")
        .Dialog("工作文档评审结果")
        .Click(IDCANCEL)
        .Dialog("零部件设计历史")
        .Click("退出");
    Dlg dlg;
    dlg.m_strPartCode = "P-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartDesignHistoryTest, DateConditionAndStatement) {
    bool reversed = true;
    EXPECT_EQ(Dlg::DateCondition(COleDateTime(2026, 3, 5, 0, 0, 0), COleDateTime(2026, 3, 31, 23, 0, 0), &reversed),
              "A.BeginTime>'2026-03-05' AND A.BeginTime<'2026-04-01'");
    EXPECT_FALSE(reversed);
    EXPECT_EQ(Dlg::DateCondition(COleDateTime(2027, 1, 1, 0, 0, 0), COleDateTime(2026, 12, 31, 0, 0, 0), &reversed),
              "A.BeginTime LIKE '2027-01-01%' ESCAPE '\\'");
    EXPECT_EQ(Dlg::DateCondition(COleDateTime(2027, 1, 2, 0, 0, 0), COleDateTime(2026, 12, 31, 0, 0, 0), &reversed),
              "");
    EXPECT_TRUE(reversed);
    Dlg dlg;
    dlg.m_strPartCode = "P'1";
    EXPECT_EQ(dlg.BuildLoadSql(""), "SELECT A.WorkID, A.WorkName, B.FileID, B.FilePrompt, A.BeginTime, A.Manager, "
                                    "B.State FROM TeamWorkManage A, TeamWorkResult B WHERE A.WorkID=B.WorkID AND "
                                    "B.PartCode='P''1'");
}

TEST_P(PartDesignHistoryTest, EntryReturnsOneWhateverTheUserDoes) {
    theApp.m_pConnPDM = nullptr; // the entry opens its own connection
    vq::ScriptedUser user;
    user.Dialog("零部件设计历史")
        .Do([](CDialog& d) { EXPECT_EQ(Files(d), (std::vector<CString>{"F-START", "F-TODAY"})); })
        .Click("退出");
    EXPECT_EQ(ShowPartECODesignHistory("P-1", "zhangsan"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartDesignHistoryTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
