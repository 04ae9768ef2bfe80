// Electronic signing of reviewed files in both dialects: a report signed through its table file
// and stored back, a Word document signed by a registered signing server, and the refusal when no
// server is registered.
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/com/WordSignServer.h"
#include "platform/maker/FileStore.h"
#include "platform/maker/TableFile.h"
#include "review/DesignReportSigner.h"
#include "review/WordDocSigner.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadBytes(const CString& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Marks the document: appends the bookmarks and values it was given.
class FakeSignServer : public vq::WordSignServer {
public:
    bool MarkBookmarks(const CString& path, const CString& values, const CString& bookmarks) override {
        std::ofstream file(path.c_str(), std::ios::binary | std::ios::app);
        file << "|" << bookmarks.c_str() << "=" << values.c_str();
        return static_cast<bool>(file);
    }
};

class ReviewSignerTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三')");
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体')");
        ws.Execute(
            "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, FileSize) VALUES ('R-1', 'XM-01#001', "
            "'r.tbl', '1KB'), ('W-1', 'XM-01#001', 'w.doc', '1KB')");
        ws.Execute("INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('R-1', '1'), ('W-1', '1')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        theApp.m_strUserName = "";
        theApp.m_nDocStorageMode = 0;
        theApp.m_nUseChangeTask = 0;
    }
    void TearDown() override {
        vq::RegisterOutsideObject(vq::kWordSignServer, {});
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0);
    }
    void Store(const char* fileId, const std::string& bytes) {
        const CString local = ws.WriteFile("in/content", bytes);
        CString sql;
        sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", fileId);
        ASSERT_EQ(CVQSaveFileToDB().PushFileToDB(sql, local, "DocContent", "PDM"), 1);
    }
    std::string Stored(const char* fileId) {
        CString sql;
        sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", fileId);
        CString path = CVQSaveFileToDB().PopFileFromDB(sql, ws.TempDir() + "/back", "DocContent", "PDM");
        return path.IsEmpty() ? std::string("<none>") : ReadBytes(path);
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(ReviewSignerTest, AReportIsSignedThroughItsTableFileAndStoredBack) {
    CStringArray ids, values;
    ids.Add("图号");
    values.Add("P-1000");
    ids.Add("更改单\\审核者");
    values.Add("");
    CArray<CAttribValueTable> tables;
    CAttribValueTable table;
    CStringArray labels;
    labels.Add("序号");
    table.SetAttribLables(labels);
    tables.Add(table);
    const CString source = ws.TempDir() + "/source.tbl";
    ASSERT_TRUE(WriteTableFile(source, ids, values, tables, CStringArray(), CStringArray()));
    Store("R-1", ReadBytes(source));

    CDesignReportSigner signer;
    signer.FileID = "R-1";
    EXPECT_EQ(signer.SignReport("审核[N]", "同意", 0), 1);

    const CString back = ws.WriteFile("out/signed.tbl", Stored("R-1"));
    CVQReadTblTool tool;
    tool.SetTblFile(back);
    ASSERT_EQ(tool.GetTitleItemIDAndValue(), 1);
    auto value = [&](const char* id) {
        for (int i = 0; i < tool.m_arrTitleItemIDs.GetSize(); ++i)
            if (tool.m_arrTitleItemIDs[i] == id)
                return tool.m_arrTitleItemValues[i];
        return CString("<missing>");
    };
    EXPECT_EQ(value("图号"), "P-1000");
    EXPECT_EQ(value("更改单\\审核者"), "张三");
    EXPECT_EQ(value("更改单\\审核意见"), "同意");
    EXPECT_EQ(value("更改单\\审核日期").GetLength(), 10);
    EXPECT_EQ(tool.m_arrDetailTables.GetSize(), 1) << "the detail areas stay";
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkResultPack WHERE FileID='R-1'"), "1");
    EXPECT_FALSE(PathFileExists(ws.WorkDir() + "/R_R-1.tbl")) << "the local copy goes";

    // The assisting forms.
    CString name, opinion, date;
    CDesignReportSigner::SignCells("会签[N]", 1, name, opinion, date);
    EXPECT_EQ(name, "更改单\\协助会签者");
    EXPECT_EQ(date, "更改单\\协助会签日期");
}

TEST_P(ReviewSignerTest, AReportThatIsNotATableFileIsNotStoredBack) {
    Store("R-1", "not a report");
    CDesignReportSigner signer;
    signer.FileID = "R-1";
    rec.Expect("不能正常存储签名后的工程文档文件...");
    EXPECT_EQ(signer.SignReport("审核", "同意", 0), 0);
    EXPECT_EQ(Stored("R-1"), "not a report");
    rec.Expect("报表文件的编号不能为空，不能正常进行电子签名...");
    signer.FileID = "";
    EXPECT_EQ(signer.SignReport("审核", "同意", 0), 0);
}

TEST_P(ReviewSignerTest, AWordDocumentIsSignedByTheRegisteredServer) {
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区1", "校对人|**|JD");
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区2", "没有分隔符");
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区3", "审核人|**|SH_NAME");
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区4", "审核人|**|SECOND");
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区21", "批准人|**|PZ");
    Store("W-1", "DOC");
    vq::RegisterOutsideObject(vq::kWordSignServer, [] { return std::make_unique<FakeSignServer>(); });
    CWordDocSigner signer;
    signer.FileID = "W-1";
    EXPECT_EQ(signer.SignDocument("审核"), 1);
    EXPECT_EQ(Stored("W-1"), "DOC|SH_NAME=张三") << "the first matching key wins; no date area";

    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区5", "审核日期|**|SH_DATE");
    EXPECT_EQ(signer.SignDocument("审核"), 1);
    const std::string twice = Stored("W-1");
    EXPECT_EQ(twice.rfind("DOC|SH_NAME=张三|SH_NAME@@SH_DATE=张三@@", 0), 0u) << twice;

    rec.Expect("不能正常获取该评审环节对应的书签名称,请检查配置...");
    EXPECT_EQ(signer.SignDocument("批准"), 0) << "keys above 20 are not read";
}

TEST_P(ReviewSignerTest, WithoutASigningServerTheDocumentStaysAsItWas) {
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区1", "审核人|**|SH");
    Store("W-1", "DOC");
    CWordDocSigner signer;
    signer.FileID = "W-1";
    rec.Expect("不能正常进行Word反签...");
    EXPECT_EQ(signer.SignDocument("审核"), 0);
    EXPECT_EQ(Stored("W-1"), "DOC");
    EXPECT_EQ(ws.QueryText("SELECT FileSize FROM TeamWorkResult WHERE FileID='W-1'"), "1KB");
}

TEST_P(ReviewSignerTest, AFailedStoreLeavesTheUnsignedContent) {
    ws.WriteSetting("Word文档反签信息设置", "Word文档反签区1", "审核人|**|SH");
    Store("W-1", "DOC");
    vq::RegisterOutsideObject(vq::kWordSignServer, [] { return std::make_unique<FakeSignServer>(); });
    // The work task is gone: the document's project cannot be found.
    ws.Execute("DELETE FROM TeamWorkManage");
    rec.Expect("取项目信息失败！");
    CWordDocSigner signer;
    signer.FileID = "W-1";
    EXPECT_EQ(signer.SignDocument("审核"), 0);
    EXPECT_EQ(Stored("W-1"), "DOC");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ReviewSignerTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
