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
