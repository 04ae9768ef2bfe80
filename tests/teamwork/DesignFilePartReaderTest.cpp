// The design-file part reader in both dialects: the kinds of files it handles, an assembly whose
// model files lie in the database and on a real FTP server, a drawing and the other documents of
// its part, cyclic structures, names that would leave the document's folder or meet each other,
// and the failures it reports. The models go beside the document, into its call folder.
#include "teamwork/DesignFilePartReader.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Folders.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/maker/FileStore.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

using Kind = CDesignFilePartReader::FileKind;

class DesignFilePartReaderTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_nDocStorageMode = 1;
        theApp.m_arrDownloadFiles.RemoveAll();
        ASSERT_TRUE(server.IsRunning());
        connection.reset(session.GetFtpConnection(server.Host(), server.User(), server.Password(),
                                                  static_cast<INTERNET_PORT>(server.Port())));
        ASSERT_TRUE(connection);
        server.MakeFolder("Vq/Working");
        theApp.m_pFtpConnection = connection.get();
        // The assembly A-0 with the parts and the sub-assembly A-3 (holding A-1 again and
        // A-4, which comes back to A-3).
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES "
                   "('F-ASM', 'W#001', 'gear.SLDASM', 'A-0'), ('F-1', 'W#001', 'shaft.SLDPRT', 'A-1'),"
                   "('F-2', 'W#001', 'wheel.sldprt', 'A-2'), ('F-3', 'W#001', 'sub.SLDASM', 'A-3'),"
                   "('F-DRW', 'W#001', 'gear.SLDDRW', 'A-0'), ('F-DOC', 'W#001', 'gear.doc', 'A-0')");
        ws.Execute("INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname, PartFileID) VALUES "
                   "('A-0', 1, 'A-1', '轴', 'F-1'), ('A-0', 2, 'A-2', '齿轮', 'F-2'), ('A-0', 3, 'A-3', "
                   "'轴组', 'F-3'),"
                   "('A-3', 1, 'A-1', '轴', 'f-1'), ('A-3', 2, 'A-4', '套', 'F-4'), ('A-4', 1, 'A-3', "
                   "'轴组', 'F-3')");
        StoreInDatabase("F-1", "shaft model");
        StoreInDatabase("F-2", "wheel model");
        server.WriteFile("Vq/Working/F-3.SLDASM", "sub assembly");
        server.WriteFile("Vq/Working/F-4", "sleeve");
    }
    void TearDown() override {
        theApp.m_pFtpConnection = nullptr;
        connection.reset();
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_nDocStorageMode = 0;
        theApp.m_arrDownloadFiles.RemoveAll();
    }
    void StoreInDatabase(const CString& fileId, const std::string& content) {
        ws.Execute("INSERT INTO TeamWorkResultPack (FileID) VALUES ('" + fileId + "')");
        const CString local = ws.WriteFile("in/" + fileId.str(), content);
        CVQSaveFileToDB store;
        ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='" +
                                         fileId + "'",
                                     local, "DocContent", "PDM"),
                  1);
    }
    // A document of that name in the call folder, as a dialog fetched it there.
    CString Doc(const CString& name) { return copies.Path() + name; }
    std::string Temp(const CString& name) { return ws.ReadFile(copies.Path() + name); }
    bool Downloaded(const CString& name) {
        for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
            if (theApp.m_arrDownloadFiles[i] == copies.Path() + name)
                return true;
        return false;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::FtpServer server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
    vq::CallFolder copies;
};

} // namespace

TEST(DesignFileKind, TheFileNameDecidesTheKind) {
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("BRACKET.SLDDRW"), Kind::Drawing);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("bracket.idw"), Kind::Drawing);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("c:\\work\\plate.dft"), Kind::Drawing);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("A.ASM.DFT"), Kind::Model) << ".ASM is looked for first";
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("gear.iam"), Kind::Model);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("gear.sldasm"), Kind::Model);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("shaft.prt"), Kind::Model);
    // ".PRT" needs its dot: a SolidWorks part name holds ".SLDPRT".
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("BRACKET.SLDPRT"), Kind::NotHandled);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("/models.asm/notes.txt"), Kind::NotHandled);
    EXPECT_EQ(CDesignFilePartReader::GetFileKind("plan.doc"), Kind::NotHandled);
}

TEST_P(DesignFilePartReaderTest, AnAssemblyFetchesEveryModelOnceFromTheDatabaseAndTheFtpServer) {
    vqtest::MessageBoxRecorder boxes;
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("T_gear.SLDASM"), "F-ASM"), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    // Every line of the structure below A-0, at every depth; the cycle back to A-3 ends there.
    ASSERT_GE(reader.m_arrDCode.GetSize(), 5);
    EXPECT_EQ(reader.m_arrDCode.GetSize(), reader.m_arrPartFileID.GetSize());
    EXPECT_EQ(reader.m_arrUpCode.GetSize(), reader.m_arrDName.GetSize());
    EXPECT_EQ(Temp("shaft.SLDPRT"), "shaft model");
    EXPECT_EQ(Temp("wheel.sldprt"), "wheel model");
    EXPECT_EQ(Temp("sub.SLDASM"), "sub assembly");
    EXPECT_EQ(Temp("F-4"), "sleeve") << "a document without a row is stored under its id";
    EXPECT_TRUE(Downloaded("shaft.SLDPRT"));
    EXPECT_TRUE(Downloaded("sub.SLDASM"));
    EXPECT_EQ(theApp.m_arrDownloadFiles.GetSize(), 4) << "F-1 and f-1 are one document";
}

TEST_P(DesignFilePartReaderTest, ADrawingFetchesTheOtherDocumentsOfItsPartAndTheStructure) {
    StoreInDatabase("F-ASM", "assembly");
    StoreInDatabase("F-DOC", "notes");
    vqtest::MessageBoxRecorder boxes;
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("gear.SLDDRW"), "F-DRW"), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Temp("gear.SLDASM"), "assembly");
    EXPECT_EQ(Temp("gear.doc"), "notes");
    EXPECT_EQ(Temp("shaft.SLDPRT"), "shaft model");
    EXPECT_FALSE(Downloaded("gear.SLDDRW")) << "the drawing itself is not fetched again";
}

TEST_P(DesignFilePartReaderTest, WithoutModelsNothingIsFetched) {
    ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('F-9', 'W#001', "
               "'lone.SLDDRW', "
               "'Z-9')");
    vqtest::MessageBoxRecorder boxes;
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("lone.SLDDRW"), "F-9"), 1);
    EXPECT_EQ(reader.ReadFileParts(Doc("plan.doc"), "F-DOC"), 0) << "a file of no handled kind";
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(theApp.m_arrDownloadFiles.GetSize(), 0);
}

TEST_P(DesignFilePartReaderTest, ADocumentWithoutPartIsReported) {
    ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('F-8', 'W#001', 'x.SLDASM')");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能正确读取设计文档对应的零部件信息...");
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("x.SLDASM"), "F-8"), 0);
    EXPECT_EQ(boxes.Pending(), 0);
}

TEST_P(DesignFilePartReaderTest, AFailedDownloadIsReportedAndTheOthersGoOn) {
    // In the database only: the copies on the FTP server are not looked for.
    theApp.m_nDocStorageMode = 0;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("下载文档失败！");
    boxes.Expect("下载文档失败！");
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("gear.SLDASM"), "F-ASM"), 1);
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(Temp("shaft.SLDPRT"), "shaft model");
    EXPECT_EQ(Temp("wheel.sldprt"), "wheel model");
    EXPECT_FALSE(Downloaded("sub.SLDASM"));
}

// On vsftpd with a named account the work documents lie in "Vq" of the account's login folder,
// chrooted or below the machine's root. Storage mode 1 takes a document from the database first,
// mode 2 from the server first; each falls back to the other.
TEST_P(DesignFilePartReaderTest, OnVsftpdModelsComeFromTheLoginFolderInModesOneAndTwo) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    for (bool chrooted : {false, true}) {
        vqtest::VsftpdServer vsftpd(chrooted);
        ASSERT_TRUE(vsftpd.IsRunning());
        std::unique_ptr<CFtpConnection> named(session.GetFtpConnection(
            vsftpd.Host(), vsftpd.User(), vsftpd.Password(), static_cast<INTERNET_PORT>(vsftpd.Port())));
        ASSERT_TRUE(named);
        theApp.m_pFtpConnection = named.get();
        vsftpd.WriteFile("Vq/Working/F-1.SLDPRT", "shaft on the server");
        vsftpd.WriteFile("Vq/Working/F-3.SLDASM", "sub assembly on the server");
        vsftpd.WriteFile("Vq/Working/F-4", "sleeve on the server");
        for (int mode : {1, 2}) {
            SCOPED_TRACE(std::string(chrooted ? "chrooted" : "below the machine's root") + ", mode " +
                         std::to_string(mode));
            theApp.m_nDocStorageMode = mode;
            vqtest::MessageBoxRecorder boxes;
            CDesignFilePartReader reader;
            EXPECT_EQ(reader.ReadFileParts(Doc("gear.SLDASM"), "F-ASM"), 1);
            EXPECT_TRUE(boxes.Shown().empty());
            EXPECT_EQ(Temp("shaft.SLDPRT"), mode == 1 ? "shaft model" : "shaft on the server");
            EXPECT_EQ(Temp("wheel.sldprt"), "wheel model");
            EXPECT_EQ(Temp("sub.SLDASM"), "sub assembly on the server");
            EXPECT_EQ(Temp("F-4"), "sleeve on the server");
        }
        theApp.m_pFtpConnection = nullptr;
    }
}

TEST_P(DesignFilePartReaderTest, WithoutTheFtpServerItsModelsCannotBeFetched) {
    theApp.m_nDocStorageMode = 2;
    theApp.m_pFtpConnection = nullptr;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("下载文档失败！");
    boxes.Expect("下载文档失败！");
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("gear.SLDASM"), "F-ASM"), 1);
    EXPECT_EQ(boxes.Pending(), 0);
    // The database still has the contents of the documents it holds.
    EXPECT_EQ(Temp("shaft.SLDPRT"), "shaft model");
}

TEST_P(DesignFilePartReaderTest, StoredNamesStayInTheDocumentsFolderAndNeverOverwriteEachOther) {
    ws.Execute("UPDATE TeamWorkResult SET FileName='../../escape.SLDPRT' WHERE FileID='F-1'");
    ws.Execute("UPDATE TeamWorkResult SET FileName='C:\\work\\same.prt' WHERE FileID='F-2'");
    ws.Execute("UPDATE TeamWorkResult SET FileName='same.PRT' WHERE FileID='F-3'");
    server.WriteFile("Vq/Working/F-3.PRT", "sub assembly");
    vqtest::MessageBoxRecorder boxes;
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts(Doc("gear.SLDASM"), "F-ASM"), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Temp("escape.SLDPRT"), "shaft model");
    EXPECT_FALSE(std::filesystem::exists((ws.Root() + "/../escape.SLDPRT").str()));
    EXPECT_EQ(Temp("same.prt"), "wheel model");
    EXPECT_EQ(Temp("F-3_same.PRT"), "sub assembly");
}

// A document given without its folder has nothing beside it to put the models in: none is written
// anywhere (not into the process's current folder, not into the shared working folder), and one box
// says so.
TEST_P(DesignFilePartReaderTest, ADocumentWithoutFolderGetsNoModelsWrittenAnywhere) {
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("下载文档失败！");
    CDesignFilePartReader reader;
    EXPECT_EQ(reader.ReadFileParts("gear.SLDASM", "F-ASM"), 0);
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(theApp.m_arrDownloadFiles.GetSize(), 0);
    EXPECT_FALSE(std::filesystem::exists("shaft.SLDPRT"));
    EXPECT_TRUE(ws.WorkDirEntries().size() <= 1u) << "only the call folder of the fixture";
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignFilePartReaderTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
