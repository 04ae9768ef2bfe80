// The file store: whole files into and out of a large-object column, byte for byte.
#include "platform/maker/FileStore.h"
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/FtpServer.h"
#include "tests/support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <memory>

namespace {

class FileStoreTest : public ::testing::TestWithParam<int> {};

const char* const kSelect = "SELECT DocSaved, DocContent FROM StoreProbe WHERE FileID='%s'";

CString Select(const char* id) {
    CString sql;
    sql.Format(kSelect, CString(id));
    return sql;
}

CString BlobType() {
    return vqtest::DbWorkspace::OnPostgreSQL() ? "BYTEA" : "BLOB";
}

std::string AllBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

} // namespace

TEST_P(FileStoreTest, PushedFilesComeBackByteForByte) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("CREATE TABLE StoreProbe (FileID VARCHAR(50) PRIMARY KEY, FileName VARCHAR(100), DocSaved "
               "VARCHAR(10), DocContent " +
               BlobType() +
               ");"
               "INSERT INTO StoreProbe (FileID, FileName) VALUES ('f1', 'a.dwg');"
               "INSERT INTO StoreProbe (FileID, FileName) VALUES ('f2', 'empty.txt');"
               "INSERT INTO StoreProbe (FileID, FileName) VALUES ('f3', 'other')");
    CEntryFrame frame("admin");
    ASSERT_TRUE(frame.IsOpen());
    const std::string content = AllBytes(300 * 1024); // every byte value, zeros included
    const CString source = ws.WriteFile("in/a.dwg", content);
    const CString empty = ws.WriteFile("in/empty.txt", "");

    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB(Select("f1"), source, "DocContent", "PDM"), 1);
    ASSERT_EQ(store.PushFileToDB(Select("f2"), empty, "DocContent", "PDM"), 1);
    EXPECT_FALSE(ws.QueryText("SELECT DocSaved FROM StoreProbe WHERE FileID='f1'").IsEmpty());
    EXPECT_EQ(ws.QueryText("SELECT FileName FROM StoreProbe WHERE FileID='f1'"), "a.dwg");
    EXPECT_TRUE(ws.QueryText("SELECT DocSaved FROM StoreProbe WHERE FileID='f3'").IsEmpty());

    CString target = ws.TempDir() + "/out.dwg";
    EXPECT_EQ(store.PopFileFromDB(Select("f1"), target, "DocContent", "PDM"), target);
    EXPECT_EQ(ws.ReadFile(target), content);
    CString emptyTarget = ws.TempDir() + "/empty.txt";
    EXPECT_EQ(store.PopFileFromDB(Select("f2"), emptyTarget, "DocContent", "PDM"), emptyTarget);
    EXPECT_EQ(ws.ReadFile(emptyTarget), "");

    // The work-document form: an empty target means the temporary folder and the file name.
    CString popped = store.PopFileFromDB(Select("f1"), "", "DocContent", "f1", "copy.dwg");
    EXPECT_EQ(popped, ws.WorkDir() + "/copy.dwg");
    EXPECT_EQ(ws.ReadFile(popped), content);

    // Pushing again replaces the content whole.
    const CString smaller = ws.WriteFile("in/b.dwg", "short");
    ASSERT_EQ(store.PushFileToDB(Select("f1"), smaller, "DocContent", "PDM"), 1);
    EXPECT_EQ(store.PopFileFromDB(Select("f1"), target, "DocContent", "PDM"), target);
    EXPECT_EQ(ws.ReadFile(target), "short");
}

TEST_P(FileStoreTest, FailuresReportZeroOrEmptyAndLeaveFilesAlone) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute(
        "CREATE TABLE StoreProbe (FileID VARCHAR(50) PRIMARY KEY, DocSaved VARCHAR(10), DocContent BLOB);"
        "INSERT INTO StoreProbe (FileID) VALUES ('unsaved');"
        "INSERT INTO StoreProbe (FileID, DocSaved, DocContent) VALUES ('said-no', 'N', '');"
        "INSERT INTO StoreProbe (FileID, DocSaved) VALUES ('no-content', '1')");
    CEntryFrame frame("admin");
    ASSERT_TRUE(frame.IsOpen());
    CVQSaveFileToDB store;
    const CString source = ws.WriteFile("in/a.bin", "abc");
    // No row selected, a missing file, a bad statement.
    EXPECT_EQ(store.PushFileToDB(Select("none"), source, "DocContent", "PDM"), 0);
    EXPECT_EQ(store.PushFileToDB(Select("unsaved"), ws.Root() + "/missing.bin", "DocContent", "PDM"), 0);
    EXPECT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM NoSuchTable", source, "DocContent", "PDM"),
              0);
    // A row that holds nothing gives nothing, and an existing target file is not touched.
    const CString target = ws.WriteFile("tmp/keep.bin", "old content");
    EXPECT_TRUE(store.PopFileFromDB(Select("unsaved"), target, "DocContent", "PDM").IsEmpty());
    EXPECT_TRUE(store.PopFileFromDB(Select("none"), target, "DocContent", "PDM").IsEmpty());
    // A row that says it holds nothing, or says it holds something but has no content, is no
    // document: it is not handed out as an empty file.
    EXPECT_TRUE(store.PopFileFromDB(Select("said-no"), target, "DocContent", "PDM").IsEmpty());
    EXPECT_TRUE(store.PopFileFromDB(Select("no-content"), target, "DocContent", "PDM").IsEmpty());
    EXPECT_EQ(store.GetLastFailure(), vq::FetchFailure::NotOnServer);
    const CString fresh = ws.TempDir() + "/fresh.bin";
    EXPECT_TRUE(store.PopFileFromDB(Select("said-no"), fresh, "DocContent", "said-no", "x.bin").IsEmpty());
    EXPECT_FALSE(PathFileExists(fresh));
    EXPECT_EQ(ws.ReadFile(target), "old content");
}

// A full disk while a fetched document is written: the good local copy stays, and the fetch
// reports nothing instead of a truncated file for the viewer.
TEST_P(FileStoreTest, AFullDiskKeepsTheLocalCopy) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("CREATE TABLE StoreProbe (FileID VARCHAR(50) PRIMARY KEY, DocSaved VARCHAR(10), DocContent " +
               BlobType() + ");INSERT INTO StoreProbe (FileID) VALUES ('f1')");
    CEntryFrame frame("admin");
    ASSERT_TRUE(frame.IsOpen());
    CVQSaveFileToDB store;
    const std::string content = AllBytes(256 * 1024);
    ASSERT_EQ(store.PushFileToDB(Select("f1"), ws.WriteFile("in/a.dwg", content), "DocContent", "PDM"), 1);
    const CString target = ws.WriteFile("tmp/a.dwg", "good old copy");
    {
        vqtest::FileSizeLimit full(64 * 1024);
        EXPECT_TRUE(store.PopFileFromDB(Select("f1"), target, "DocContent", "PDM").IsEmpty());
        EXPECT_EQ(store.GetLastFailure(), vq::FetchFailure::LocalDiskFull);
    }
    EXPECT_EQ(ws.ReadFile(target), "good old copy");
    EXPECT_EQ(store.PopFileFromDB(Select("f1"), target, "DocContent", "PDM"), target);
    EXPECT_EQ(store.GetLastFailure(), vq::FetchFailure::None);
    EXPECT_EQ(ws.ReadFile(target), content);
    // A link at a copy's name in the working folder is replaced by the copy; the file it points to
    // keeps its content.
    const CString outside = ws.WriteFile("elsewhere/precious.txt", "precious");
    const CString planted = ws.WorkDir() + "/Tf1_a.dwg";
    std::filesystem::create_symlink(outside.str(), planted.str());
    EXPECT_EQ(store.PopFileFromDB(Select("f1"), planted, "DocContent", "PDM"), planted);
    EXPECT_EQ(ws.ReadFile(outside), "precious");
    EXPECT_EQ(ws.ReadFile(planted), content);
}

TEST_P(FileStoreTest, APushGoesToTheSelectedRowOfATableWithoutKey) {
    vqtest::DbWorkspace ws(GetParam());
    // Content rows without a key whose DocSaved marks are alike: the push must not be taken for
    // another document's row.
    ws.Execute("CREATE TABLE StoreProbe (FileID VARCHAR(50), DocSaved VARCHAR(10), DocContent " + BlobType() + ")");
    ws.Execute("INSERT INTO StoreProbe (FileID, DocSaved) VALUES ('f1', '1'), ('f2', '1')");
    CEntryFrame frame("admin");
    ASSERT_TRUE(frame.IsOpen());
    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB(Select("f1"), ws.WriteFile("in/one", "one"), "DocContent", "PDM"), 1);
    ASSERT_EQ(store.PushFileToDB(Select("f2"), ws.WriteFile("in/two", "two"), "DocContent", "PDM"), 1);
    EXPECT_EQ(ws.ReadFile(store.PopFileFromDB(Select("f1"), ws.TempDir() + "/1", "DocContent", "PDM")), "one");
    EXPECT_EQ(ws.ReadFile(store.PopFileFromDB(Select("f2"), ws.TempDir() + "/2", "DocContent", "PDM")), "two");
    EXPECT_EQ(store.PushFileToDB(Select("f9"), ws.WriteFile("in/nine", "nine"), "DocContent", "PDM"), 0)
        << "no row: nothing stored";
}

TEST(FileStore, WithoutAConnectionNothingIsStored) {
    vqtest::Workspace ws;
    CVQSaveFileToDB store;
    const CString source = ws.WriteFile("a.bin", "abc");
    EXPECT_EQ(store.PushFileToDB(Select("f1"), source, "DocContent", "PDM"), 0);
    EXPECT_TRUE(store.PopFileFromDB(Select("f1"), ws.TempDir() + "/x", "DocContent", "PDM").IsEmpty());
    CVQTWSaveFileToFTP ftp;
    EXPECT_EQ(ftp.InitVQPDMFTP(), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, FileStoreTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

TEST(FileStore, WorkDocumentCopiesOnTheFtpServer) {
    vqtest::Workspace ws;
    vqtest::FtpServer server;
    ASSERT_TRUE(server.IsRunning());
    CInternetSession session("vqtest");
    std::unique_ptr<CFtpConnection> connection(session.GetFtpConnection(
        server.Host(), server.User(), server.Password(), static_cast<INTERNET_PORT>(server.Port())));
    ASSERT_TRUE(connection);
    CVQTWSaveFileToFTP missing;
    missing.SetConnection(connection.get());
    // Without the folder "Vq" the store cannot work.
    EXPECT_EQ(missing.InitVQPDMFTP(), 0);
    for (const char* folder : {"Vq", "Vq/Working", "Vq/Auditing", "Vq/Proven"})
        ASSERT_TRUE(connection->CreateDirectory(folder));

    CVQTWSaveFileToFTP store;
    store.SetConnection(connection.get());
    ASSERT_EQ(store.InitVQPDMFTP(), 1);
    const std::string content = AllBytes(70000);
    const CString local = ws.WriteFile("doc.dwg", content);
    ASSERT_EQ(store.PutVQPDMFileToFTP(local, "F001.dwg"), 1);
    EXPECT_EQ(ws.ReadFile(server.Root() + "/Vq/Working/F001.dwg"), content);
    const CString back = ws.TempDir() + "/back.dwg";
    ASSERT_EQ(store.GetVQPDMFileFromFTP("F001.dwg", back), 1);
    EXPECT_EQ(ws.ReadFile(back), content);
    // A released copy lies in "Proven": it is found and removed there too.
    ws.WriteFile(server.Root() + "/Vq/Proven/F002.doc", "released");
    EXPECT_EQ(store.DeleteVQPDMFileInFTP("F002", "F002.doc"), 1);
    EXPECT_EQ(store.DeleteVQPDMFileInFTP("F001", "F001.dwg"), 1);
    EXPECT_EQ(store.DeleteVQPDMFileInFTP("F001", "F001.dwg"), 0);
    EXPECT_EQ(ws.ReadFile(server.Root() + "/Vq/Working/F001.dwg"), "");
    EXPECT_EQ(store.GetVQPDMFileFromFTP("F001.dwg", back), 0);
}

// On vsftpd with a named account the store works in "Vq" of the login folder, where the
// connection holder makes it: chrooted, and below the machine's root.
TEST(FileStore, WorkDocumentCopiesOnVsftpdLieInTheLoginFolder) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    vqtest::Workspace ws;
    for (bool chrooted : {false, true}) {
        SCOPED_TRACE(chrooted ? "chrooted" : "below the machine's root");
        vqtest::VsftpdServer server(chrooted);
        ASSERT_TRUE(server.IsRunning());
        for (const char* folder : {"Vq/Working", "Vq/Auditing", "Vq/Proven"})
            server.MakeFolder(folder);
        CInternetSession session("vqtest");
        std::unique_ptr<CFtpConnection> connection(session.GetFtpConnection(
            server.Host(), server.User(), server.Password(), static_cast<INTERNET_PORT>(server.Port())));
        ASSERT_TRUE(connection);
        CVQTWSaveFileToFTP store;
        store.SetConnection(connection.get());
        ASSERT_EQ(store.InitVQPDMFTP(), 1);
        const std::string content = AllBytes(70000);
        const CString local = ws.WriteFile("doc.dwg", content);
        ASSERT_EQ(store.PutVQPDMFileToFTP(local, "F001.dwg"), 1);
        EXPECT_EQ(server.ReadFile("Vq/Working/F001.dwg"), content);
        // Stored again: the new content replaces the old under the same name.
        ASSERT_EQ(store.PutVQPDMFileToFTP(ws.WriteFile("signed.dwg", "signed"), "F001.dwg"), 1);
        EXPECT_EQ(store.FindVQPDMFileInFTP("F001.dwg"), 1);
        const CString back = ws.TempDir() + "/back.dwg";
        ASSERT_EQ(store.GetVQPDMFileFromFTP("F001.dwg", back), 1);
        EXPECT_EQ(ws.ReadFile(back), "signed");
        EXPECT_EQ(store.DeleteVQPDMFileInFTP("F001", "F001.dwg"), 1);
        EXPECT_FALSE(server.Exists("Vq/Working/F001.dwg"));
        EXPECT_EQ(store.FindVQPDMFileInFTP("F001.dwg"), 0);
    }
}
