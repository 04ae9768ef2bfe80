// The version storage list: the caller's records in both lists, in order, and left to the caller.
#include "parts/VersionStoreDlg.h"
#include "parts/DocumentItem.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<CDocumentItem> Doc(const char* description, const char* type, const char* size) {
    auto doc = std::make_unique<CDocumentItem>();
    doc->DocumentType = description;
    doc->FileName = "hidden.dwg";
    doc->FileType = type;
    doc->FileBulk = size;
    doc->FileDate = "2026-01-01";
    doc->FileRemark = "备注";
    doc->RevNumber = "B";
    return doc;
}

TEST(VersionStoreDlg, ListsBothArraysAndLeavesTheRecordsToTheCaller) {
    auto v1 = Doc("版本图", "DWG", "1KB");
    auto t1 = Doc("任务图", "DWG", "2KB");
    auto t2 = Doc("任务表", "XLS", "3KB");
    std::vector<CString> upper, lower, headings;
    vq::ScriptedUser user;
    user.Dialog("版本存储")
        .Do([&](CDialog& d) {
            auto& dlg = static_cast<CVersionStoreDlg&>(d);
            // Every row shows the stored-version icon.
            ASSERT_NE(dlg.m_listTaskDocuments.GetImageList(LVSIL_SMALL), nullptr);
            EXPECT_EQ(dlg.m_listTaskDocuments.GetImageList(LVSIL_SMALL)->GetImageCount(), 1);
            for (int i = 0; i < dlg.m_listTaskDocuments.GetItemCount(); ++i)
                upper.push_back(dlg.m_listTaskDocuments.GetItemText(i, 0) + "|" +
                                dlg.m_listTaskDocuments.GetItemText(i, 1) + "|" +
                                dlg.m_listTaskDocuments.GetItemText(i, 2) + "|" +
                                dlg.m_listTaskDocuments.GetItemText(i, 3) + "|" +
                                dlg.m_listTaskDocuments.GetItemText(i, 4));
            for (int i = 0; i < dlg.m_listVersionDocuments.GetItemCount(); ++i)
                lower.push_back(dlg.m_listVersionDocuments.GetItemText(i, 0));
            headings.push_back(dlg.m_listTaskDocuments.GetColumnText(0));
            headings.push_back(dlg.m_listVersionDocuments.GetColumnText(0));
        })
        .Select(1183, 1)
        .Click(IDOK);
    CVersionStoreDlg dlg;
    dlg.m_arrVersionDocuments.Add(v1.get());
    dlg.m_arrTaskDocuments.Add(t1.get());
    dlg.m_arrTaskDocuments.Add(t2.get());
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(upper.size(), 2u);
    EXPECT_EQ(upper[0], "任务图|DWG|2KB|2026-01-01|备注");
    EXPECT_EQ(upper[1], "任务表|XLS|3KB|2026-01-01|备注");
    ASSERT_EQ(lower.size(), 1u);
    EXPECT_EQ(lower[0], "版本图");
    EXPECT_EQ(headings[0], "任务文档说明");
    EXPECT_EQ(headings[1], "版本文档说明");
    // The records are still the caller's and intact.
    EXPECT_EQ(t2->DocumentType, "任务表");
}

TEST(VersionStoreDlg, EmptyArraysStillConfirm) {
    vq::ScriptedUser user;
    user.Dialog("版本存储").Click(IDOK);
    CVersionStoreDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

} // namespace
