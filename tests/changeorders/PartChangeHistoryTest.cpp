// The part change history in both dialects: the releases of a part over its revisions filtered by
// whether the change reached the drawing, the modification notices still being prepared, the
// commands of a row opening their dialogs, the order's sheet out of the file store (kept among the
// downloaded files), the sort and the export compared byte for byte.
#include "changeorders/PartChangeHistoryDlg.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/TextCodec.h"
#include "platform/maker/FileStore.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/Button.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/RecordingShell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Dlg = CPartChangeHistoryDlg;

const char* const kHistory =
    "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev) VALUES ('P-1', '箱座', 'JX', 'B');"
    "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, SaveDate, IsChanged, RevNo) VALUES "
    "('更改单', 'JX/01', 'P-1', '箱座', '2026-11-11', '是', 'A');"
    "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, SaveDate, IsChanged, RevNo) VALUES "
    "('更改单', 'JX-02', 'P-1', '箱座', '2026-10-02', '否', 'B');"
    "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, SaveDate, IsChanged, RevNo) VALUES "
    "('更改单', 'JX-03', 'P-2', '箱盖', '2026-11-12', '否', 'A');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, SaveDate, State) VALUES ('M-1', '李四', '2026-11-21', '临时');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, SaveDate, State) VALUES ('M-2', '李四', '2026-11-22', '正式');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, SaveDate, State) VALUES ('M-3', '李四', '2026-11-23', '评审');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, SaveDate, State) VALUES ('M-4', '李四', '2026-11-24', '临时');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('M-1', 'P-1', '箱座');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('M-2', 'P-1', '箱座');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('M-3', 'P-1', '箱座');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('M-4', 'P-2', '箱盖')";

using vqtest::RecordingShell;

class PartChangeHistoryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldLogin = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "lisi";
        theApp.m_strUserName = "李四";
        ws.Execute(kHistory);
        dlg.m_strPartCode = "P-1";
        dlg.m_bLockPart = 1;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_strLoginUser = m_oldLogin;
    }
    static CListCtrl& List(CDialog& d) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(Dlg::kListId)); }
    static std::vector<CString> Column(CDialog& d, int column) {
        std::vector<CString> texts;
        for (int row = 0; row < List(d).GetItemCount(); ++row)
            texts.push_back(List(d).GetItemText(row, column));
        return texts;
    }
    static std::vector<CString> Row(CDialog& d, int row) {
        std::vector<CString> texts;
        for (int c = 0; c < 8; ++c)
            texts.push_back(List(d).GetItemText(row, c));
        return texts;
    }
    static CString Text(CDialog& d, int id) {
        CString text;
        d.GetDlgItem(id)->GetWindowText(text);
        return text;
    }
    static bool Enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled() != 0; }
    static void Unselect(CDialog& d) {
        for (int row = 0; row < List(d).GetItemCount(); ++row)
            List(d).SetItemState(row, 0, LVIS_SELECTED);
    }
    void Run(vq::ScriptedUser& user) {
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }

    vqtest::DbWorkspace ws{GetParam()};
    CPartChangeHistoryDlg dlg;
    CString m_oldLogin;
};

} // namespace

TEST_P(PartChangeHistoryTest, OpensOnAllFormalReleasesOfTheFixedPart) {
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Dlg::kPartNameId), "箱座");
            EXPECT_EQ(Text(d, Dlg::kManagerId), "lisi");
            EXPECT_EQ(Text(d, Dlg::kStateComboId), "所有正式");
            EXPECT_EQ(Column(d, 2), (std::vector<CString>{"JX/01", "JX-02"}));
            EXPECT_EQ(Row(d, 1),
                      (std::vector<CString>{"2", "更改单", "JX-02", "P-1", "箱座", "2026-10-02", "否", "B"}));
            // The part is fixed; the controls of another use of the dialog stay disabled.
            for (int id : {Dlg::kPartButtonId, Dlg::kProductCheckId, Dlg::kSearchModeId, Dlg::kAllProductsId,
                           Dlg::kResponsibleId, Dlg::kManagerButtonId})
                EXPECT_FALSE(Enabled(d, id)) << id;
            for (int id : {Dlg::kBorrowId, Dlg::kOrderPropId, Dlg::kAuditResultId, Dlg::kStartId, Dlg::kExportId})
                EXPECT_TRUE(Enabled(d, id)) << id;
            // The first row is selected.
            EXPECT_TRUE(List(d).GetItemState(0, LVIS_SELECTED) & LVIS_SELECTED);
        })
        .Click("退出");
    Run(user);
}

TEST_P(PartChangeHistoryTest, StateComboFiltersAfterAskingAndOnlyOnAChange) {
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Select(Dlg::kStateComboId, 0)
        .Message("数据发生变化，是否更新显示...", IDYES)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 2), (std::vector<CString>{"JX-02"})); })
        // The same index again runs nothing and asks nothing.
        .Select(Dlg::kStateComboId, 0)
        .Select(Dlg::kStateComboId, 1)
        .Message("数据发生变化，是否更新显示...", IDNO)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 2), (std::vector<CString>{"JX-02"})); })
        .Click("开始...")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 2), (std::vector<CString>{"JX/01"}));
            EXPECT_EQ(Column(d, 6), (std::vector<CString>{"是"}));
        })
        .Select(Dlg::kStateComboId, 3)
        .Message("数据发生变化，是否更新显示...", IDYES)
        .Do([](CDialog& d) {
            // Notices of the part in any state but "正式", with the dialog's part and no version.
            std::vector<CString> numbers = Column(d, 2);
            std::sort(numbers.begin(), numbers.end());
            EXPECT_EQ(numbers, (std::vector<CString>{"M-1", "M-3"}));
            const int row = List(d).GetItemText(0, 2) == "M-1" ? 0 : 1;
            EXPECT_EQ(Row(d, row),
                      (std::vector<CString>{Row(d, row)[0], "修改单", "M-1", "P-1", "箱座", "2026-11-21", "临时", ""}));
        })
        .Click("退出");
    Run(user);
}

TEST_P(PartChangeHistoryTest, EmptyPartCodeOpensWithoutAQuery) {
    dlg.m_strPartCode.Empty();
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Do([](CDialog& d) {
            EXPECT_EQ(List(d).GetItemCount(), 0);
            EXPECT_EQ(Text(d, Dlg::kPartNameId), "");
            EXPECT_FALSE(Enabled(d, Dlg::kOrderPropId));
        })
        // With no part, another state asks nothing.
        .Select(Dlg::kStateComboId, 0)
        .Click("导出...")
        .Message("列表中无查询结果...", IDOK)
        .Click("退出");
    Run(user);
}

TEST_P(PartChangeHistoryTest, RowCommandsOpenTheirDialogs) {
    ws.Execute("INSERT INTO ECOChangeManage (ECONo, SaveUser, State) VALUES ('JX/01', '张三', '正式')");
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Click("单据属性...")
        .Dialog("更改通知单 - 改底图")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, 1301), "JX/01"); })
        .Click(IDCANCEL)
        .Dialog("零部件更改历史")
        .Click("评审结果...")
        .Dialog("更修单评审结果")
        .Click(IDCANCEL)
        .Dialog("零部件更改历史")
        .Click("涉及借用...")
        .DialogContaining("零部件借用性查询")
        .Click(IDCANCEL)
        .Dialog("零部件更改历史")
        .Click("图纸属性...")
        .Dialog("选择零部件版本")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(1381)->IsWindowEnabled()); })
        .Click(IDCANCEL)
        .Dialog("零部件更改历史")
        .Select(Dlg::kStateComboId, 3)
        .Message("数据发生变化，是否更新显示...", IDYES)
        .Select(Dlg::kListId, "1")
        .Click("单据属性...")
        .Dialog("修改通知单 - 改蓝图")
        .Click(IDCANCEL)
        .Dialog("零部件更改历史")
        .Do([](CDialog& d) { Unselect(d); })
        .Click("单据属性...")
        .Message("请选择列表项...", IDOK)
        .Click("评审结果...")
        .Message("请选择列表项...", IDOK)
        .Click("涉及借用...")
        .Message("请选择列表项...", IDOK)
        .Click("图纸属性...")
        .Message("请选择列表项...", IDOK)
        .Click("退出");
    Run(user);
}

TEST_P(PartChangeHistoryTest, OrderSheetIsFetchedKeptAndRecorded) {
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "tbl");
    ws.Execute("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileBulk) VALUES "
               "('更改单', 'JX/01', '_VQ_ECO', '1KB')");
    const CString source = ws.WriteFile("sheet.tbl", "sheet\r\nbytes\x01");
    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECOGroup='更改单' AND "
                                 "ECONo='JX/01' AND DocType='_VQ_ECO'",
                                 source, "DocContent", "PDM"),
              1);
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .DoubleClick(Dlg::kListId, 1)
        .Message("没有对应的更改单，检查是否采用新的更改单编制方式填写...", IDOK)
        .DoubleClick(Dlg::kListId, 0)
        .Click("退出");
    Run(user);
    ASSERT_EQ(shell.opened.size(), 1u);
    // The "/" of the number is not allowed in a file name.
    EXPECT_EQ(ws.CopyInCallFolder(shell.opened[0]), "MJX#01_ECO.tbl");
    // The file is the dialog's own, in a folder that goes with it.
    EXPECT_EQ(ws.ReadFile(shell.opened[0]), "sheet\r\nbytes\x01");
    bool recorded = false;
    for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
        recorded = recorded || theApp.m_arrDownloadFiles[i] == shell.opened[0];
    EXPECT_TRUE(recorded);
}

TEST_P(PartChangeHistoryTest, SheetThatCannotBeReadSaysBoth) {
    ws.Execute("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileBulk) VALUES "
               "('更改单', 'JX-02', '_VQ_ECO', '1KB')");
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .DoubleClick(Dlg::kListId, 1)
        .Message("不能取得文档更改单JX-02：服务器上没有该文件。", IDOK)
        .Message("没有对应的更改单，检查是否采用新的更改单编制方式填写...", IDOK)
        .Click("退出");
    Run(user);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_P(PartChangeHistoryTest, ExportWritesTheSortedRowsByteForByte) {
    const CString path = ws.TempDir() + "/历史.txt";
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Column(Dlg::kListId, 5) // 更改日期: JX-02 first
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (std::vector<CString>{"1", "2"})); })
        .Click("导出...")
        .File(ws.TempDir() + "/历史.csv")
        .Message("该文件必须是TXT类型的文本文件!", IDOK)
        .Click("导出...")
        .File(path)
        .Message("存储完毕，是否打开该文件?", IDYES)
        .Click("退出");
    Run(user);
    auto line = [](std::vector<std::string> fields) {
        static const std::size_t widths[] = {6, 10, 25, 30, 30, 15, 10};
        std::string out;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string bytes = vq::Utf8ToGbk(fields[i]);
            if (i < 7 && bytes.size() < widths[i])
                bytes.resize(widths[i], ' ');
            out += bytes;
        }
        return out + "\r\n";
    };
    const std::string expected =
        vq::Utf8ToGbk("产品或零部件图号: P-1\r\n\r\n") +
        vq::Utf8ToGbk("-----------------------图纸更改历史记录------------------------\r\n\r\n") +
        line({"序号", "类型", "编号", "图号", "图名", "更改日期", "已更新", "版本"}) + "\r\n" +
        line({"1", "更改单", "JX-02", "P-1", "箱座", "2026-10-02", "否", "B"}) +
        line({"2", "更改单", "JX/01", "P-1", "箱座", "2026-11-11", "是", "A"});
    const std::string written = ws.ReadFile(path);
    EXPECT_EQ(written, expected);
    // Two-byte characters take two bytes of their column: "更改单" fills 6 of 10.
    EXPECT_NE(written.find(vq::Utf8ToGbk("更改单") + "    JX-02"), std::string::npos);
    EXPECT_EQ(written.find("\r\r"), std::string::npos);
    EXPECT_TRUE(ws.ReadFile(ws.TempDir() + "/历史.csv").empty());
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], path);
}

TEST_P(PartChangeHistoryTest, ExportToAFolderThatCannotBeWrittenSaysSo) {
    const CString path = ws.TempDir() + "/missing/历史.txt";
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Click("导出...")
        .File(path)
        .Message("不能打开文件 " + path, IDOK)
        .Click("退出");
    Run(user);
}

TEST_P(PartChangeHistoryTest, ByProductClassIsKeptInTheSettings) {
    ws.WriteSetting("选择产品", "按产品大类", "1");
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Do([](CDialog& d) { EXPECT_EQ(dynamic_cast<CButton*>(d.GetDlgItem(Dlg::kByProductClassId))->GetCheck(), 1); })
        .Check(Dlg::kByProductClassId, 0)
        .Click("退出");
    Run(user);
    EXPECT_EQ(ReadSettingInt("选择产品", "按产品大类", "9"), 0);
}

TEST_P(PartChangeHistoryTest, PartTextIsQuotedInTheStatements) {
    dlg.m_strPartCode = "P'1";
    dlg.m_strPartName = "O'Neil";
    EXPECT_EQ(dlg.BuildQuerySql(Dlg::kAllFormal),
              "SELECT ECOGroup, ECONo, PartCode, PartName, SaveDate, IsChanged, RevNo FROM ECOPartRelease WHERE "
              "PartCode='P''1'");
    EXPECT_EQ(dlg.BuildQuerySql(Dlg::kPreparing),
              "SELECT '修改单', ECONo, 'P''1', 'O''Neil', SaveDate, State, '' FROM ECOModifyManage WHERE "
              "State<>'正式' AND ECONo IN (SELECT ECONo FROM ECOModifyPart WHERE PartCode='P''1')");
    ws.Execute("INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, IsChanged) VALUES ('更改单', 'Q-1', "
               "'P''1', '否')");
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 2), (std::vector<CString>{"Q-1"})); })
        .Click("退出");
    Run(user);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartChangeHistoryTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

TEST_P(PartChangeHistoryTest, FailedQueryShowsTheStatementAndKeepsTheRowButtonsOff) {
    ws.Execute("DROP TABLE ECOModifyManage");
    vq::ScriptedUser user;
    user.Dialog("零部件更改历史")
        .Select(Dlg::kStateComboId, 3)
        .Message("数据发生变化，是否更新显示...", IDYES)
        .AnyMessage(IDOK)
        .MessageContaining("FROM ECOModifyManage WHERE State<>'正式'", IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(List(d).GetItemCount(), 0);
            for (int id : {Dlg::kBorrowId, Dlg::kOrderPropId, Dlg::kAuditResultId})
                EXPECT_FALSE(Enabled(d, id)) << id;
        })
        .Click("退出");
    Run(user);
}
