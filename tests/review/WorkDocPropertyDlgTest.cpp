// The work document properties in both dialects: the fields, the log rows of opening and
// browsing, the hidden browse box, and a document whose content cannot be fetched.
#include "teamwork/WorkDocPropertyDlg.h"
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "platform/com/DocViewer.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using D = CWorkDocPropertyDlg;

// Records each path it opens and, in `beside`, what the files of its folder held then (the copies
// go with the dialog).
class RecordingViewer : public vq::DocumentViewer {
public:
    RecordingViewer(std::vector<CString>& opened, std::map<std::string, std::string>& beside)
        : m_opened(opened), m_beside(beside) {}
    bool OpenFile(const CString& path) override {
        m_opened.push_back(path);
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(path.str()).parent_path(), error)) {
            std::ifstream in(entry.path(), std::ios::binary);
            m_beside[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in),
                                                              std::istreambuf_iterator<char>());
        }
        return true;
    }
    void SetViewCacheMode(bool) override {}
    void ResetViewCache() override {}
    void SetCachedFileName(const CString&) override {}

private:
    std::vector<CString>& m_opened;
    std::map<std::string, std::string>& m_beside;
};

class WorkDocPropertyTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName) VALUES "
                   "('XM-01', 'XM-01', 'XM-01#001', 'zhangsan', '箱体设计')");
        ws.Execute(
            "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, "
            "FileLabel, SaveDate, State, AuditingModel, AuditorName, Other3) VALUES ('F-1', 'XM-01#001', "
            "'箱座图', 'a.txt', '1KB', '2026-11-20', '文本', 'L', '2026-11-21', '评审', '三级评审', "
            "'a|*|b', '2026-11-22 10:00:00'), ('F-2', 'XM-09#001', '孤立文档', 'b.txt', '', '', '', '', "
            "'', '', '', '', '')");
        ASSERT_TRUE(frame.IsOpen());
        theApp.m_nDatabaseType = GetParam();
        Store("F-1", "content");
        vq::SetDocumentViewerFactory([this](const CString&) -> std::unique_ptr<vq::DocumentViewer> {
            return std::make_unique<RecordingViewer>(opened, beside);
        });
    }
    void TearDown() override { vq::SetDocumentViewerFactory(nullptr); }
    void Store(const CString& fileId, const std::string& content) {
        ws.Execute("INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('" + fileId + "', '')");
        const CString source = ws.WriteFile("in/" + fileId.str(), content);
        CVQSaveFileToDB store;
        ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='" +
                                         fileId + "'",
                                     source, "DocContent", "PDM"),
                  1);
    }
    CString LogCount() const { return ws.QueryText("SELECT count(*) FROM TeamWorkLog WHERE LogType='浏览'"); }

    vqtest::DbWorkspace ws{GetParam()};
    CEntryFrame frame{"zhangsan"};
    std::vector<CString> opened;
    std::map<std::string, std::string> beside; // the files beside the documents opened, as they were then
};

} // namespace

TEST_P(WorkDocPropertyTest, ShowsTheDocumentAndItsTaskAndBrowsesOnEveryTick) {
    CWorkDocPropertyDlg dlg;
    dlg.FileID = "F-1";
    vq::ScriptedUser user;
    user.Dialog("工作文档属性")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(D::kFilePromptId)->GetWindowTextValue(), "箱座图");
            EXPECT_EQ(d.GetDlgItem(D::kWorkNameId)->GetWindowTextValue(), "箱体设计");
            EXPECT_EQ(d.GetDlgItem(D::kManagerId)->GetWindowTextValue(), "zhangsan");
            EXPECT_EQ(d.GetDlgItem(D::kModelId)->GetWindowTextValue(), "三级评审");
            EXPECT_EQ(d.GetDlgItem(D::kAuditorsId)->GetWindowTextValue(), "a|*|b");
            EXPECT_EQ(d.GetDlgItem(D::kSubmitDateId)->GetWindowTextValue(), "2026-11-22 10:00:00");
            EXPECT_TRUE(d.GetDlgItem(D::kBrowseId)->IsWindowVisible());
        })
        .Check(D::kBrowseId, 1)
        .Check(D::kBrowseId, 0)
        .Check(D::kBrowseId, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(d.SendMessage(D::kUncheckBrowse), 1);
            EXPECT_EQ(d.IsDlgButtonChecked(D::kBrowseId), 0u);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0].Find("TF-1_a.txt"), -1) << opened[0];
    EXPECT_EQ(LogCount(), "3") << "one row for opening, one for each browse";
    EXPECT_EQ(ws.QueryText("SELECT LogPrompt FROM TeamWorkLog WHERE LogPrompt LIKE '%属性信息'"),
              "在任务 箱体设计[XM-01#001] 中浏览文档：箱座图[F-1] 的属性信息");
}

TEST_P(WorkDocPropertyTest, MissingTaskMissingContentAndNoBrowseBox) {
    CWorkDocPropertyDlg dlg;
    dlg.FileID = "F-2";
    vq::ScriptedUser user;
    user.Dialog("工作文档属性")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(D::kWorkIdId)->GetWindowTextValue(), "XM-09#001");
            EXPECT_EQ(d.GetDlgItem(D::kWorkNameId)->GetWindowTextValue(), "");
            EXPECT_EQ(d.GetDlgItem(D::kManagerId)->GetWindowTextValue(), "");
        })
        .Check(D::kBrowseId, 1)
        .Message("不能取得文档b.txt：服务器上没有该文件。", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(LogCount(), "1");
    CWorkDocPropertyDlg hidden;
    hidden.FileID = "F-1";
    hidden.ShowBrowse = 0;
    user.Dialog("工作文档属性")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(D::kBrowseId)->IsWindowVisible()); })
        .Click(IDCANCEL);
    hidden.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    // No id at all: an empty form, and still the log row of opening.
    CWorkDocPropertyDlg empty;
    user.Dialog("工作文档属性").Click(IDCANCEL);
    empty.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(LogCount(), "3");
}

// A stored name with a folder in it is fetched under a plain name in the dialog's own folder; a 3D
// drawing brings the other documents of its part beside it before it is opened, and all of them go
// with the dialog.
TEST_P(WorkDocPropertyTest, ADrawingStoredWithAFolderIsBrowsedWithTheDocumentsOfItsPart) {
    ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, PartCode) VALUES ('F-3', "
               "'XM-01#001', '支架图', 'dir\\BRACKET.SLDDRW', 'B-1'), ('F-4', 'XM-01#001', '支架', "
               "'bracket.SLDPRT', 'B-1')");
    Store("F-3", "drawing");
    Store("F-4", "model");
    vq::ScriptedUser user;
    user.Dialog("工作文档属性").Check(D::kBrowseId, 1).Click(IDCANCEL);
    {
        CWorkDocPropertyDlg dlg;
        dlg.FileID = "F-3";
        dlg.DoModal();
    }
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(ws.CopyInCallFolder(opened[0]), "TF-3_dir#BRACKET.SLDDRW");
    EXPECT_EQ(beside["TF-3_dir#BRACKET.SLDDRW"], "drawing");
    EXPECT_EQ(beside["bracket.SLDPRT"], "model");
    EXPECT_TRUE(ws.WorkDirEntries().empty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, WorkDocPropertyTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
