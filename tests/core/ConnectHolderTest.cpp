#include "core/VqConnectHolder.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

const char* const kServerMessage = "请检查服务器是否正确安装,或网络是否正常工作?";

class ConnectHolderTest : public ::testing::Test {
protected:
    vqtest::DbWorkspace ws{0};
    vqtest::MessageBoxRecorder rec;
};

class ConnectHolderFtpTest : public ConnectHolderTest {
protected:
    void SetUp() override { ASSERT_TRUE(ftp.IsRunning()); }
    void UseServer(const CString& domainName, const CString& password = "vqpass") {
        vqtest::ConfigRow row;
        row.domainName = domainName;
        row.ftpUser = ftp.User();
        row.ftpPwd = password;
        ws.SetConfig(row);
    }
    int Connect(CVqConnectHolder& holder) { return holder.ConnectPDM() && holder.ConnectFTP() ? 1 : 0; }

    vqtest::FtpServer ftp;
};

} // namespace

TEST_F(ConnectHolderTest, MissingLocalDatabaseIsNamed) {
    std::filesystem::remove(ws.ConfigDatabasePath().str());
    rec.Expect("文件: " + ws.SystemDir() + "/vqdetail.mdb 不存在!");
    CVqConnectHolder holder;
    EXPECT_EQ(0, holder.ConnectPDM());
    EXPECT_FALSE(holder.m_pConnection);
    EXPECT_EQ(0, rec.Pending());

    // The FTP half reports the same file, then that the installation is incomplete.
    rec.Expect("vqdetail.mdb 不存在!");
    rec.Expect("软件没有正确安装");
    EXPECT_EQ(0, holder.ConnectFTP());
    EXPECT_EQ(3u, rec.Shown().size());
}

TEST_F(ConnectHolderTest, EmptyConfigIsReported) {
    ws.ClearConfig();
    rec.Expect("未配置服务器、数据库信息...");
    CVqConnectHolder holder;
    EXPECT_EQ(0, holder.ConnectPDM());
    EXPECT_FALSE(holder.m_pConnection);
    rec.Expect("未配置服务器、数据库信息...");
    EXPECT_EQ(0, holder.LoadFtpConfig());
}

TEST_F(ConnectHolderTest, OldConfigTableAsksForANewFile) {
    ws.ExecuteConfig("DROP TABLE Config; CREATE TABLE Config (PdmUser VARCHAR(50))");
    rec.Expect(""); // the database's own error text
    rec.Expect("需要更新文件vqdetail.mdb的版本...");
    CVqConnectHolder holder;
    EXPECT_EQ(0, holder.LoadDatabaseConfig());
    rec.Expect("");
    rec.Expect("需要更新文件vqdetail.mdb的版本...");
    EXPECT_EQ(0, holder.LoadFtpConfig());
    EXPECT_EQ(0, rec.Pending());
}

TEST_F(ConnectHolderTest, EmptyPdmUserLogsOnAsSa) {
    vqtest::ConfigRow row;
    row.pdmUser = "";
    row.password = "";
    ws.SetConfig(row);
    CVqConnectHolder holder;
    ASSERT_EQ(1, holder.ConnectPDM());
    EXPECT_EQ(CString("DSN=vqdetail;UID=sa;PWD="), holder.m_strAdoConnect);
    EXPECT_EQ(CString("ODBC;DATABASE=VQDETAIL;UID=sa;PWD=;DSN=vqdetail;"), holder.m_strPdmOdbc);
    ASSERT_TRUE(holder.m_pConnection);
    EXPECT_EQ(adStateOpen, holder.m_pConnection->GetState());

    EXPECT_EQ(1, holder.Disconnect());
    EXPECT_FALSE(holder.m_pConnection);
}

// The server ends the session (a restart): the connection is opened again in place, so every
// reference to it works again; a connection that answers, or one whose transaction is still to
// be rolled back, is left as it is.
TEST_F(ConnectHolderTest, ALostSessionIsOpenedAgainInPlace) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    CVqConnectHolder holder;
    ASSERT_EQ(1, holder.ConnectPDM());
    const _ConnectionPtr lent = holder.m_pConnection;
    auto backend = [&lent] {
        CString pid;
        lent->Execute("SELECT pg_backend_pid()", nullptr, adCmdText)->GetCollect(0L).TryGetString(pid);
        return pid;
    };
    const CString first = backend();
    EXPECT_EQ(1, CVqConnectHolder::ReopenLostConnection(lent));
    EXPECT_EQ(backend(), first);

    lent->BeginTrans();
    ws.EndSession(lent);
    EXPECT_EQ(0, CVqConnectHolder::ReopenLostConnection(lent));
    EXPECT_THROW(lent->Execute("SELECT 1", nullptr, adCmdText), _com_error);
    try {
        lent->RollbackTrans();
    } catch (const _com_error&) {
        // The session that held the transaction is gone with it.
    }
    EXPECT_EQ(1, CVqConnectHolder::ReopenLostConnection(lent));
    EXPECT_NE(backend(), first);
    EXPECT_EQ(lent, holder.m_pConnection);
    EXPECT_EQ(0, rec.Pending());
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_F(ConnectHolderTest, DatabaseTypeOutOfRangeBuildsTheFirstKindOfTexts) {
    vqtest::ConfigRow row;
    row.pdmUser = "pdm";
    row.password = "pw";
    ws.SetConfig(row);
    ws.WriteSetting("VQCAPP配置", "数据源名称", "capp");
    for (const char* type : {"5", "-1"}) {
        ws.WriteSetting("数据库配置", "数据库类型", type);
        CVqConnectHolder holder;
        ASSERT_EQ(1, holder.LoadDatabaseConfig());
        EXPECT_EQ(0, holder.m_nDatabaseType);
        EXPECT_EQ(CString("ODBC;DATABASE=VQDETAIL;UID=pdm;PWD=pw;DSN=vqdetail;"), holder.m_strPdmOdbc);
        EXPECT_EQ(CString("ODBC;DATABASE=VQCAPP;UID=pdm;PWD=pw;DSN=capp;"), holder.m_strCappOdbc);
        EXPECT_EQ(CString("DSN=vqdetail;UID=pdm;PWD=pw"), holder.m_strAdoConnect);
    }

    ws.WriteSetting("数据库配置", "数据库类型", "1");
    ws.WriteSetting("数据库配置", "数据库名称", "server1");
    CVqConnectHolder one;
    ASSERT_EQ(1, one.LoadDatabaseConfig());
    EXPECT_EQ(CString("ODBC;DSN=vqdetail;SRVR=server1;DB=vqdetail;UID=pdm;PWD=pw"), one.m_strPdmOdbc);
    EXPECT_EQ(CString("ODBC;DSN=capp;SRVR=server1;DB=VQCAPP;UID=pdm;PWD=pw"), one.m_strCappOdbc);

    ws.WriteSetting("数据库配置", "数据库类型", "2");
    CVqConnectHolder two;
    ASSERT_EQ(1, two.LoadDatabaseConfig());
    EXPECT_EQ(CString("ODBC;DSN=vqdetail;UID=pdm;PWD=pw"), two.m_strPdmOdbc);
    EXPECT_EQ(CString("ODBC;DSN=capp;UID=pdm;PWD=pw"), two.m_strCappOdbc);
}

TEST_F(ConnectHolderTest, UnknownDataSourceReportsTheProductDatabase) {
    ws.WriteSetting("服务器参数配置", "PDM数据源", "nosuchsource");
    rec.Expect("");
    rec.Expect("不能正常连接网络产品数据库...");
    CVqConnectHolder holder;
    EXPECT_EQ(0, holder.ConnectPDM());
    EXPECT_FALSE(holder.m_pConnection);
    EXPECT_EQ(0, rec.Pending());
}

TEST_F(ConnectHolderFtpTest, AnonymousLogonCreatesTheFoldersOnce) {
    UseServer(ftp.Url());
    {
        CVqConnectHolder holder;
        ASSERT_EQ(1, Connect(holder));
        ASSERT_NE(nullptr, holder.m_pFtpConnection);
        EXPECT_EQ(CString("/"), holder.m_strFtpCurrentDir);
        for (const char* folder : {"Vq", "Vq/Auditing", "Vq/Proven", "Vq/Working"})
            EXPECT_TRUE(ftp.IsFolder(folder)) << folder;
        CString current;
        holder.m_pFtpConnection->GetCurrentDirectory(current);
        EXPECT_EQ(CString("/Vq"), current);
        EXPECT_EQ(1, holder.Disconnect());
        EXPECT_EQ(nullptr, holder.m_pFtpConnection);
        EXPECT_EQ(nullptr, holder.m_pInternetSession);
    }
    // A second call finds "Vq" and keeps what is in it.
    ftp.WriteFile("Vq/Working/T1/a.dwg", "drawing");
    CVqConnectHolder again;
    ASSERT_EQ(1, Connect(again));
    CString current;
    again.m_pFtpConnection->GetCurrentDirectory(current);
    EXPECT_EQ(CString("/"), current);
    EXPECT_EQ("drawing", ftp.ReadFile("Vq/Working/T1/a.dwg"));
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_F(ConnectHolderFtpTest, MissingFoldersBelowAnExistingVqAreCompleted) {
    ftp.WriteFile("Vq/Proven/P1/a.dwg", "released");
    UseServer(ftp.Url());
    CVqConnectHolder holder;
    ASSERT_EQ(1, Connect(holder));
    EXPECT_TRUE(ftp.IsFolder("Vq/Auditing"));
    EXPECT_TRUE(ftp.IsFolder("Vq/Working"));
    EXPECT_EQ("released", ftp.ReadFile("Vq/Proven/P1/a.dwg"));
}

// A listing that fails at logon (here the server refuses every listing) does not make the holder
// create folders that are there: it looks for each by entering it, and makes only the missing one.
TEST_F(ConnectHolderTest, AFailedListingAtLogonMakesOnlyTheMissingFolders) {
    vqtest::FtpServer ftp(vqtest::FtpFault::ListingsRefused);
    ASSERT_TRUE(ftp.IsRunning());
    for (const char* folder : {"Vq/Auditing", "Vq/Proven"})
        ftp.MakeFolder(folder);
    vqtest::ConfigRow row;
    row.domainName = ftp.Url();
    ws.SetConfig(row);
    CVqConnectHolder holder;
    ASSERT_EQ(1, holder.ConnectFTP());
    EXPECT_EQ(1, ftp.Received("MKD"));
    EXPECT_TRUE(ftp.IsFolder("Vq/Working"));
    CString current;
    holder.m_pFtpConnection->GetCurrentDirectory(current);
    EXPECT_EQ(CString("/"), current);
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_F(ConnectHolderFtpTest, NamedUserOnABareHostName) {
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    UseServer("localhost:" + CString(std::to_string(ftp.Port())));
    CVqConnectHolder holder;
    ASSERT_EQ(1, Connect(holder));
    EXPECT_EQ(0, holder.m_nAnonymousFtp);
    EXPECT_TRUE(ftp.IsFolder("Vq/Working"));
}

// A refused account, or a busy server, is told once, in the server's words: nothing of the
// server's installation or the network is at fault.
TEST_F(ConnectHolderFtpTest, WrongPasswordShowsTheServersReplyAndNothingElse) {
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    UseServer(ftp.Url(), "wrong");
    rec.Expect("530");
    CVqConnectHolder holder;
    EXPECT_EQ(0, Connect(holder));
    EXPECT_EQ(nullptr, holder.m_pFtpConnection);
    EXPECT_EQ(0, rec.Pending());
    EXPECT_EQ(1u, rec.Shown().size());
    EXPECT_FALSE(ftp.Exists("Vq"));

    // A server at its limit of sessions is said to be busy, once, with its line.
    vqtest::FtpServer busy(vqtest::FtpFault::TooManyConnections);
    ASSERT_TRUE(busy.IsRunning());
    UseServer(busy.Url());
    rec.Clear();
    rec.Expect("FTP服务器繁忙，连接数已达到上限，请稍后再试。\n"
               "421 Too many connections. Service temporarily unavailable.");
    EXPECT_EQ(0, Connect(holder));
    EXPECT_EQ(0, rec.Pending());
    EXPECT_EQ(1u, rec.Shown().size());

    // So is a server that refuses service as it greets, and one that takes encrypted sessions only.
    const struct {
        vqtest::FtpFault fault;
        const char* text;
    } refusing[] = {
        {vqtest::FtpFault::ServiceUnavailable,
         "FTP服务器暂时停止服务，请稍后再试，或与FTP服务器的管理员联系。\n"
         "421 Service not available, closing control connection."},
        {vqtest::FtpFault::TlsRequiredOnLogon,
         "FTP服务器只接受加密的连接，本程序不支持加密连接，请与FTP服务器的管理员联系。\n"
         "550 SSL/TLS required on the control channel"},
    };
    for (const auto& server : refusing) {
        SCOPED_TRACE(server.text);
        vqtest::FtpServer refuses(server.fault);
        ASSERT_TRUE(refuses.IsRunning());
        UseServer(refuses.Url());
        rec.Clear();
        rec.Expect(server.text);
        EXPECT_EQ(0, Connect(holder));
        EXPECT_EQ(0, rec.Pending());
        ASSERT_EQ(1u, rec.Shown().size());
        EXPECT_EQ(rec.Shown()[0].text, CString(server.text));
    }

    // A server that refuses the connection is said as such, with what to check, in one box.
    int refusingPort = 0;
    const int refusingSocket = vqtest::RefusingPortOnLoopback(refusingPort);
    ASSERT_GE(refusingSocket, 0);
    const CString address = "127.0.0.1:" + CString(std::to_string(refusingPort));
    UseServer(address);
    rec.Clear();
    rec.Expect("");
    EXPECT_EQ(0, Connect(holder));
    ::close(refusingSocket);
    ASSERT_EQ(1u, rec.Shown().size());
    EXPECT_EQ(rec.Shown()[0].text,
              "无法连接FTP服务器 " + address + "：服务器拒绝了连接。\n" + CString(kServerMessage));
}

namespace {

// Notes the caption of every window that opens without a dialog loop of its own (a progress
// window), and presses the 取消 of the first one as soon as it lets input run, as a person does
// once it appears.
class PressingCancelOfTheWait : public vq::ScriptedUser {
public:
    std::vector<CString> opened;
    bool pressed = false;

    void WindowCreated(CWnd& window) override {
        opened.push_back(window.GetWindowTextValue());
        if (!m_wait && !pressed)
            m_wait = &window;
    }
    void WindowDestroyed(CWnd& window) override {
        if (&window == m_wait)
            m_wait = nullptr;
    }
    void ProcessPendingEvents() override {
        vq::ScriptedUser::ProcessPendingEvents();
        if (!m_wait || pressed)
            return;
        for (CWnd* child : m_wait->GetChildren())
            if (auto* button = dynamic_cast<CButton*>(child);
                button && button->GetWindowTextValue().Trim() == "取消") {
                pressed = true;
                button->Click();
                return;
            }
    }

private:
    CWnd* m_wait = nullptr;
};

} // namespace

// A server slow to answer (a logon of some seconds) shows a window that says the logon waits for
// it, before the logon ends; its 取消 ends the logon at once, quietly: no box, no connection, and
// nothing made on the server.
TEST_F(ConnectHolderFtpTest, AServerSlowToAnswerShowsTheWaitAndItsCancelEndsTheLogonQuietly) {
    vqtest::FtpServer slow(vqtest::FtpFault::SlowReplies);
    ASSERT_TRUE(slow.IsRunning());
    UseServer(slow.Url());
    PressingCancelOfTheWait user;
    CVqConnectHolder holder;
    ASSERT_EQ(1, holder.ConnectPDM());
    EXPECT_EQ(0, holder.ConnectFTP());
    EXPECT_EQ(user.opened, std::vector<CString>{"正在连接FTP服务器"});
    EXPECT_TRUE(user.pressed);
    EXPECT_FALSE(user.Failed()) << user.Error().c_str();
    EXPECT_TRUE(rec.Shown().empty());
    EXPECT_EQ(nullptr, holder.m_pFtpConnection);
    EXPECT_FALSE(slow.Exists("Vq"));
}

// vsftpd serving a local account: refused with a wrong password (in words, then the server's
// line, in one box), and with the right one "Vq" and its folders are made in the account's login folder,
// whether the server chroots the account into it or shows it below the machine's root.
TEST_F(ConnectHolderTest, VsftpdAccountGetsVqInItsLoginFolder) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    for (bool chrooted : {false, true}) {
        SCOPED_TRACE(chrooted ? "chrooted" : "below the machine's root");
        vqtest::VsftpdServer ftp(chrooted);
        ASSERT_TRUE(ftp.IsRunning());
        vqtest::ConfigRow row;
        row.domainName = ftp.Url();
        row.ftpUser = ftp.User();
        row.ftpPwd = "wrong";
        ws.SetConfig(row);
        rec.Expect("FTP服务器拒绝了登录的用户名或密码:\n530 Login incorrect.");
        {
            CVqConnectHolder holder;
            EXPECT_EQ(0, holder.ConnectPDM() && holder.ConnectFTP() ? 1 : 0);
        }
        EXPECT_EQ(0, rec.Pending());
        EXPECT_EQ(1u, rec.Shown().size());
        EXPECT_FALSE(ftp.Exists("Vq"));

        row.ftpPwd = ftp.Password();
        ws.SetConfig(row);
        CVqConnectHolder holder;
        ASSERT_EQ(1, holder.ConnectPDM() && holder.ConnectFTP() ? 1 : 0);
        EXPECT_EQ(CString("/"), holder.m_strFtpCurrentDir);
        EXPECT_TRUE(ftp.IsFolder("Vq/Auditing"));
        EXPECT_TRUE(ftp.IsFolder("Vq/Proven"));
        EXPECT_TRUE(ftp.IsFolder("Vq/Working"));
        rec.Clear();
    }
}

TEST_F(ConnectHolderFtpTest, UrlOfAnotherServiceConnectsToNothing) {
    UseServer("http://127.0.0.1:" + CString(std::to_string(ftp.Port())));
    rec.Expect(kServerMessage);
    CVqConnectHolder holder;
    EXPECT_EQ(0, Connect(holder));
    EXPECT_EQ(1u, rec.Shown().size());
    EXPECT_FALSE(ftp.Exists("Vq"));
}

TEST_F(ConnectHolderFtpTest, ServerNameThatIsNoAddress) {
    UseServer("file server");
    rec.Expect("服务器名称不符!\n" + CString(kServerMessage));
    CVqConnectHolder holder;
    EXPECT_EQ(0, Connect(holder));
    EXPECT_EQ(0, rec.Pending());
    EXPECT_EQ(1u, rec.Shown().size());
}

// Values holding a separator or a brace are quoted as ODBC wants them; plain values stay as they
// are, and no blank follows a separator.
TEST_F(ConnectHolderTest, ConnectionTextQuotesValuesWithSeparators) {
    vqtest::ConfigRow row;
    row.pdmUser = "pdm";
    row.password = "pa;ss}word";
    ws.SetConfig(row);
    CVqConnectHolder holder;
    ASSERT_EQ(1, holder.LoadDatabaseConfig());
    EXPECT_EQ(CString("DSN=vqdetail;UID=pdm;PWD={pa;ss}}word}"), holder.m_strAdoConnect);
    EXPECT_EQ(OdbcConnectionValue("plain"), "plain");
    EXPECT_EQ(OdbcConnectionValue(" a"), "{ a}");
    EXPECT_EQ(OdbcConnectionValue("{x}"), "{{x}}}");
}

// The shared-server setup of the README: the data source names the server only, and the
// account of Config logs on through UID and PWD of the connection text alone.
TEST_F(ConnectHolderTest, LogsOnThroughTheAccountOfConfigAlone) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    const std::string role = "vq_designer_" + std::to_string(::getpid());
    ws.Execute(CString("CREATE ROLE " + role + " LOGIN"));
    const std::string ini = std::getenv("ODBCINI");
    std::string text = ws.ReadFile(CString(ini));
    text.erase(text.find("Username=sa\n"), std::string("Username=sa\n").size());
    ws.WriteFile(CString(ini), text);
    vqtest::ConfigRow row;
    row.pdmUser = CString(role);
    row.password = "pa;ss}word";
    ws.SetConfig(row);
    {
        CVqConnectHolder holder;
        ASSERT_EQ(1, holder.ConnectPDM());
        _RecordsetPtr rs = holder.m_pConnection->Execute("SELECT current_user");
        EXPECT_EQ(CString(rs->GetCollect(0L)), CString(role));
        holder.Disconnect();
    }
    ws.Execute(CString("DROP ROLE " + role));
}

// The local configuration database is only read: it keeps its journal mode (a read-only system
// folder could not hold the files of another one) and refuses writes.
TEST_F(ConnectHolderTest, TheConfigurationDatabaseIsOnlyRead) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the product database is on the server; the file is the same";
    ws.ExecuteConfig("PRAGMA journal_mode=DELETE");
    const std::string path = ws.ConfigDatabasePath().str();
    CVqConnectHolder holder;
    ASSERT_EQ(1, holder.ConnectPDM());
    std::ifstream file(path, std::ios::binary);
    char header[20] = {};
    file.read(header, sizeof header);
    EXPECT_EQ(header[18], 1) << "the file was switched to another journal mode";
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    _ConnectionPtr local;
    local.CreateInstance();
    local->Open(CString("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + path + ";UID=sa;PWD="), "", "",
                adConnectUnspecified);
    EXPECT_THROW(local->Execute("UPDATE Config SET PdmUser='x'"), _com_error);
}

// A data source whose database file is missing is not given an empty new one: the holder says
// that the product database cannot be opened.
TEST_F(ConnectHolderTest, AMissingProductDatabaseFileIsNotCreated) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "a file of SQLite";
    const std::string path = ws.ProductDatabasePath().str();
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
    rec.Expect("");
    rec.Expect("不能正常连接网络产品数据库...");
    CVqConnectHolder holder;
    EXPECT_EQ(0, holder.ConnectPDM());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(0, rec.Pending());
}

// What the configuration file is, said in words: another kind of file, or a database without
// the configuration table.
TEST_F(ConnectHolderTest, AConfigurationFileThatIsNoneSaysSo) {
    const std::string path = ws.ConfigDatabasePath().str();
    for (const char* suffix : {"-wal", "-shm"})
        std::filesystem::remove(path + suffix);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "[Config]\nPdmUser=sa\n";
    rec.Expect("file is not a database");
    rec.Expect("不是配置数据库，或已损坏!");
    CVqConnectHolder holder;
    EXPECT_EQ(0, holder.LoadDatabaseConfig());
    rec.Expect("file is not a database");
    rec.Expect("不是配置数据库，或已损坏!");
    EXPECT_EQ(0, holder.LoadFtpConfig());

    // A SQLite file without any table.
    std::filesystem::remove(path);
    {
        _ConnectionPtr c;
        c.CreateInstance();
        c->Open(CString("DRIVER=SQLite3;Database=" + path));
        c->Execute("PRAGMA user_version=1");
    }
    rec.Expect("no such table");
    rec.Expect("中没有配置信息，文件是空的或不完整!");
    EXPECT_EQ(0, holder.LoadDatabaseConfig());
    EXPECT_EQ(0, rec.Pending());
}
