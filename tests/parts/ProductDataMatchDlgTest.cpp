// Column matching remembered by position in "vqbomspt.ini", and the parent drawing dialog.
#include "parts/ProductDataMatchDlg.h"
#include "parts/ParentDwgDlg.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

namespace {

const char* const kMatchFile = "install/qent/spt/vqbomspt.ini";

std::vector<std::string> Strings(const CStringArray& a) {
    std::vector<std::string> v;
    for (const CString& s : a)
        v.push_back(s.str());
    return v;
}

void SetColumns(CProductDataMatchDlg& dlg, std::initializer_list<const char*> columns) {
    for (const char* c : columns)
        dlg.m_arrSourceColumns.Add(c);
}

std::vector<std::string> ShownAttributes(CDialog& d) {
    auto& dlg = static_cast<CProductDataMatchDlg&>(d);
    std::vector<std::string> v;
    for (int i = 0; i < dlg.m_listColumns.GetItemCount(); ++i)
        v.push_back(dlg.m_listColumns.GetItemText(i, 1).str());
    return v;
}

} // namespace

TEST(ProductDataMatchDlg, RememberedAttributesApplyByPosition) {
    vqtest::Workspace ws;
    ws.WriteFile(kMatchFile, vq::Utf8ToGbk("[配置属性]\r\n图号\r\n图名\r\n[结束]\r\n"));
    CProductDataMatchDlg dlg;
    SetColumns(dlg, {"a", "b", "c"});
    std::vector<std::string> shown;
    vq::ScriptedUser user;
    user.Dialog("产品数据匹配").Do([&](CDialog& d) { shown = ShownAttributes(d); }).Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(shown, (std::vector<std::string>{"图号", "图名", ""}));
    EXPECT_EQ(Strings(dlg.m_arrResults), (std::vector<std::string>{"图号", "图名", ""}));
    // Confirming writes one line per row, the empty one included.
    EXPECT_EQ(vq::GbkToUtf8(ws.ReadFile(kMatchFile)), "[配置属性]\r\n图号\r\n图名\r\n\r\n[结束]\r\n");
}

TEST(ProductDataMatchDlg, ABlockWithoutEndDropsOnlyALastLineWithoutLineEnd) {
    vqtest::Workspace ws;
    ws.WriteFile(kMatchFile, vq::Utf8ToGbk("junk\n[配置属性]\n父图号\n\n序号\n图号"));
    CProductDataMatchDlg dlg;
    SetColumns(dlg, {"a", "b", "c", "d", "e"});
    std::vector<std::string> shown;
    vq::ScriptedUser user;
    user.Dialog("产品数据匹配").Do([&](CDialog& d) { shown = ShownAttributes(d); }).Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(shown, (std::vector<std::string>{"父图号", "", "序号", "", ""}));
    // Cancel writes nothing.
    EXPECT_EQ(vq::GbkToUtf8(ws.ReadFile(kMatchFile)), "junk\n[配置属性]\n父图号\n\n序号\n图号");
}

TEST(ProductDataMatchDlg, OnlyAsManyRowsAsAttributesOfferedGetRemembered) {
    vqtest::Workspace ws;
    std::string text = "[配置属性]\n";
    for (int i = 0; i < 20; ++i)
        text += "备注\n";
    text += "[结束]\n";
    ws.WriteFile(kMatchFile, vq::Utf8ToGbk(text));
    for (int withLevel : {0, 1}) {
        CProductDataMatchDlg dlg;
        dlg.m_nWithLevel = withLevel;
        for (int i = 0; i < 20; ++i)
            dlg.m_arrSourceColumns.Add(CString("c"));
        std::vector<std::string> shown;
        vq::ScriptedUser user;
        user.Dialog("产品数据匹配").Do([&](CDialog& d) { shown = ShownAttributes(d); }).Click(IDCANCEL);
        dlg.DoModal();
        int filled = 0;
        for (const std::string& s : shown)
            filled += s.empty() ? 0 : 1;
        EXPECT_EQ(filled, withLevel ? 19 : 18);
    }
}

TEST(ProductDataMatchDlg, AssigningAndClearingWorkOnTheSelectedRow) {
    vqtest::Workspace ws;
    CProductDataMatchDlg dlg;
    SetColumns(dlg, {"代号", "名称"});
    vq::ScriptedUser user;
    user.Dialog("产品数据匹配")
        .Select(1000, 1)
        .Select(1092, "图名")
        .Click(1338)
        .Select(1000, 0)
        .Select(1092, "图号")
        .Click(1338)
        .Click(1161)
        .Select(1092, "装配级别") // not offered without the level flag
        .Select(1092, "父图号")
        .Click(1338)
        .Click(IDOK);
    dlg.DoModal();
    // The script stops at the entry that is not offered.
    EXPECT_FALSE(user.Succeeded());
    CProductDataMatchDlg again;
    SetColumns(again, {"代号", "名称"});
    vq::ScriptedUser second;
    second.Dialog("产品数据匹配")
        .Select(1000, 1)
        .Select(1092, "图名")
        .Click(1338)
        .Select(1000, 0)
        .DoubleClick(1092, "图号")
        .Select(1000, 1)
        .Click(1161)
        .Click(IDOK);
    ASSERT_EQ(again.DoModal(), IDOK);
    EXPECT_TRUE(second.Succeeded()) << second.Error().c_str();
    EXPECT_EQ(Strings(again.m_arrResults), (std::vector<std::string>{"图号", ""}));
}

TEST(ProductDataMatchDlg, WithoutASelectedRowAssigningAsksForOne) {
    vqtest::Workspace ws;
    CProductDataMatchDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("产品数据匹配")
        .Click(1338)
        .Message("请先选择明细列项...", IDOK)
        .Click(1161)
        .Message("请先选择明细列项...", IDOK)
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_arrResults.GetSize(), 0);
}

TEST(ProductDataMatchDlg, AnUnwritableMatchingFileKeepsTheDialogOpen) {
    vqtest::Workspace ws;
    // A folder where the file should be: it cannot be opened for writing.
    ws.WriteFile("install/qent/spt/vqbomspt.ini/x", "");
    CProductDataMatchDlg dlg;
    SetColumns(dlg, {"a"});
    vq::ScriptedUser user;
    user.Dialog("产品数据匹配").Click(IDOK).MessageContaining("vqbomspt.ini 打不开!", IDOK).Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(ProductDataMatchDlg, AFullDiskKeepsTheOldMatchingAndTheDialogOpen) {
    vqtest::Workspace ws;
    ws.WriteFile(kMatchFile, vq::Utf8ToGbk("[配置属性]\r\n图号\r\n[结束]\r\n"));
    CProductDataMatchDlg dlg;
    for (int i = 0; i < 2000; ++i)
        dlg.m_arrSourceColumns.Add("column");
    vq::ScriptedUser user;
    user.Dialog("产品数据匹配").Click(IDOK).MessageContaining("vqbomspt.ini 打不开!", IDOK).Click(IDCANCEL);
    {
        vqtest::FileSizeLimit full(64);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(vq::GbkToUtf8(ws.ReadFile(kMatchFile)), "[配置属性]\r\n图号\r\n[结束]\r\n");
    EXPECT_EQ(dlg.m_arrResults.GetSize(), 0);
}

TEST(ParentDwgDlg, NeedsAParentNumberAndReturnsTheThreeValues) {
    vqtest::Workspace ws;
    CParentDwgDlg dlg;
    dlg.m_strParentName = "旧名";
    vq::ScriptedUser user;
    user.Dialog("指定父图")
        .Click(IDOK)
        .Message("父图号不能为空！", IDOK)
        .Set(1060, "ASM-1")
        .Set(1162, "A1")
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strParentCode, "ASM-1");
    EXPECT_EQ(dlg.m_strParentName, "旧名");
    EXPECT_EQ(dlg.m_strParentFrame, "A1");
}
