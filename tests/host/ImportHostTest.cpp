// The host runs the product structure import headless with a script on a workspace database.
#include "platform/base/TextCodec.h"
#include "tests/support/DbWorkspace.h"

#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(ImportHost, ScriptImportsACsvStructureIntoTheArchive) {
    vqtest::DbWorkspace ws(0);
    ws.Execute(
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P-1000', "
        "'减速机', 'JX', 'ZQ-250')");
    ws.WriteFile("install/qent/spt/vqbomspt.ini",
                 vq::Utf8ToGbk("[配置属性]\r\n父图号\r\n序号\r\n图号\r\n图名\r\n数量\r\n图幅\r\n[结束]\r\n"));
    const CString csv = ws.WriteFile(
        "in/bom.csv", vq::Utf8ToGbk("\"父图号\",\"序号\",\"图号\",\"图名\",\"数量\",\"图幅\"\r\n"
                                    "\"P-1000\",\"1\",\"P-1000-01\",\"箱体部件\",\"1\",\"A1\"\r\n"
                                    "\"P-1000-01\",\"1\",\"P-1000-01-01\",\"箱座\",\"1\",\"A2\"\r\n"
                                    "\"P-1000-01\",\"2\",\"P-1000-01-02\",\"箱盖\",\"2\",\"A2\"\r\n"));
    const std::string script = "dialog \"产品结构数据导入\"\n"
                               "click 1262\n"
                               "dialog ~\"选择产品\"\n"
                               "select 1003 \"P-1000\"\n"
                               "click 1236\n"
                               "click 1388\n"
                               "file \"" +
                               csv.str() +
                               "\" 4\n"
                               "dialog \"产品数据匹配\"\n"
                               "click 1\n"
                               "click 1329\n"
                               "message \"产品结构信息存储完毕...\" IDOK\n"
                               "click 2\n";
    const CString scriptPath = ws.WriteFile("in/import.script", script);
    vqtest::HostRun r =
        vqtest::RunHost("--headless --script " + scriptPath.str() + " ImportProductDataFromFile x zhangsan");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelAll_detail WHERE ProductDwgCode='P-1000'"), "3");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelAll_title WHERE Manager='zhangsan'"), "3");
    EXPECT_EQ(ws.QueryText("SELECT UpName FROM VqkorvelAll_detail WHERE Dcode='P-1000-01-02'"), "箱体部件");
}

// The server ends the session in the middle of a store: the import says in one box that the
// connection is lost and nothing was stored, stops without asking on every row, and the host
// prints the entry's result.
TEST(ImportHost, ALostConnectionEndsTheImportWithAMessageAndTheResult) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    vqtest::DbWorkspace ws(0);
    {
        _ConnectionPtr conn = ws.Connect();
        conn->Execute("CREATE FUNCTION end_session() RETURNS trigger LANGUAGE plpgsql AS "
                      "$$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$");
        conn->Execute("CREATE TRIGGER end_session BEFORE INSERT ON VqkorvelTeam_detail FOR EACH ROW "
                      "WHEN (NEW.Dcode = 'CUT') EXECUTE FUNCTION end_session()");
    }
    ws.WriteFile("install/qent/spt/vqbomspt.ini",
                 vq::Utf8ToGbk("[配置属性]\r\n父图号\r\n序号\r\n图号\r\n图名\r\n数量\r\n图幅\r\n[结束]\r\n"));
    const CString csv =
        ws.WriteFile("in/bom.csv", vq::Utf8ToGbk("\"父图号\",\"序号\",\"图号\",\"图名\",\"数量\",\"图幅\"\r\n"
                                                 "\"Q\",\"1\",\"A-1\",\"件\",\"1\",\"A1\"\r\n"
                                                 "\"Q\",\"2\",\"CUT\",\"件\",\"1\",\"\"\r\n"
                                                 "\"R\",\"1\",\"R-1\",\"件\",\"1\",\"\"\r\n"));
    const std::string script =
        "dialog \"产品结构数据导入\"\n"
        "click 1388\n"
        "file \"" +
        csv.str() +
        "\" 4\n"
        "dialog \"产品数据匹配\"\n"
        "click 1\n"
        "select 1062 1\n"
        "click 1329\n"
        "message \"产品结构信息存储失败，没有存储任何数据。\\n与数据库的连接已断开，操作不能继续。\" IDOK\n"
        "click 2\n";
    const CString scriptPath = ws.WriteFile("in/lost.script", script);
    vqtest::HostRun r =
        vqtest::RunHost("--headless --script " + scriptPath.str() + " ImportProductDataFromFile x zhangsan");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "0");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
}

// The session ends at the second parent of a batch (the parents of a batch go to the server in
// one statement): the whole store is lost with its transaction, and the one message says that
// nothing was stored and why, not how many rows of the file failed.
TEST(ImportHost, ALostConnectionInsideABatchStoresNothingAndSaysSo) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    vqtest::DbWorkspace ws(0);
    {
        _ConnectionPtr conn = ws.Connect();
        conn->Execute("CREATE FUNCTION end_session() RETURNS trigger LANGUAGE plpgsql AS "
                      "$$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$");
        conn->Execute("CREATE TRIGGER end_session BEFORE INSERT ON VqkorvelTeam_detail FOR EACH ROW "
                      "WHEN (NEW.Dcode = 'CUT') EXECUTE FUNCTION end_session()");
    }
    ws.WriteFile("install/qent/spt/vqbomspt.ini",
                 vq::Utf8ToGbk("[配置属性]\r\n父图号\r\n序号\r\n图号\r\n图名\r\n数量\r\n图幅\r\n[结束]\r\n"));
    const CString csv =
        ws.WriteFile("in/bom.csv", vq::Utf8ToGbk("\"父图号\",\"序号\",\"图号\",\"图名\",\"数量\",\"图幅\"\r\n"
                                                 "\"A\",\"1\",\"A-9\",\"件\",\"1\",\"\"\r\n"
                                                 "\"Q\",\"1\",\"A-1\",\"件\",\"1\",\"A1\"\r\n"
                                                 "\"Q\",\"2\",\"CUT\",\"件\",\"1\",\"\"\r\n"
                                                 "\"R\",\"1\",\"R-1\",\"件\",\"1\",\"\"\r\n"));
    const std::string script =
        "dialog \"产品结构数据导入\"\n"
        "click 1388\n"
        "file \"" +
        csv.str() +
        "\" 4\n"
        "dialog \"产品数据匹配\"\n"
        "click 1\n"
        "select 1062 1\n"
        "click 1329\n"
        "message \"产品结构信息存储失败，没有存储任何数据。\\n与数据库的连接已断开，操作不能继续。\" IDOK\n"
        "click 2\n";
    const CString scriptPath = ws.WriteFile("in/lost.script", script);
    vqtest::HostRun r =
        vqtest::RunHost("--headless --script " + scriptPath.str() + " ImportProductDataFromFile x zhangsan");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "0");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
}
