// The product picker: its modes, product rights, the model filter, sorting and the search box.
#include "parts/ProductSelectDlg.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include "core/EntryFrame.h"

namespace {

class ProductSelectTest : public ::testing::TestWithParam<int> {};

void AddCatalogue(const vqtest::DbWorkspace& ws) {
    ws.Execute(
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('p-200', "
        "'二号', 'JX', 'ZQ-350');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P-100', "
        "'一号', 'JX', 'ZQ-250');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('B-300', "
        "'泵', 'BF', 'IS-80');"
        "INSERT INTO ProductGroup (ProductStyle, ProductName, Manager) VALUES ('JX', '减速机', 'zhangsan');"
        "INSERT INTO ProductGroup (ProductStyle, ProductName, Manager) VALUES ('BF', '泵阀', 'lisi');"
        "INSERT INTO ProductRight (ProductDwgCode, UserLogName, ManageType) VALUES ('B-300', 'wangwu', "
        "'控制');"
        "INSERT INTO ProductRight (ProductDwgCode, UserLogName, ManageType) VALUES ('P-100', 'wangwu', "
        "'浏览')");
}

std::vector<std::string> Column(CDialog& d, int column) {
    auto& dlg = static_cast<CProductSelectDlg&>(d);
    std::vector<std::string> v;
    for (int i = 0; i < dlg.m_list.GetItemCount(); ++i)
        v.push_back(dlg.m_list.GetItemText(i, column).str());
    return v;
}

int SelectedRow(CDialog& d) {
    auto& dlg = static_cast<CProductSelectDlg&>(d);
    POSITION pos = dlg.m_list.GetFirstSelectedItemPosition();
    return pos ? dlg.m_list.GetNextSelectedItem(pos) : -1;
}

} // namespace

TEST_P(ProductSelectTest, WithoutProductRightsEveryProductIsListedSorted) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    CEntryFrame frame("wangwu");
    CProductSelectDlg dlg;
    dlg.m_strCode = "p-100";
    std::vector<std::string> codes;
    int selected = -1;
    CString caption;
    vq::ScriptedUser user;
    user.Dialog("选择产品 共 3 项")
        .Do([&](CDialog& d) {
            codes = Column(d, 0);
            selected = SelectedRow(d);
            d.GetWindowText(caption);
        })
        .Click(1236);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(codes, (std::vector<std::string>{"B-300", "P-100", "p-200"}));
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(dlg.m_strCode, "P-100");
    EXPECT_EQ(dlg.m_strName, "一号");
    EXPECT_EQ(dlg.m_strStyle, "JX");
    EXPECT_EQ(dlg.m_strStand, "ZQ-250");
}

TEST_P(ProductSelectTest, ProductRightsRestrictEveryAccountButAdmin) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    ws.WriteSetting("系统权限配置", "产品权限", "1");
    CEntryFrame frame("admin");
    struct Case {
        const char* account;
        const char* caption;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {"ADMIN", "选择产品 共 3 项", {"B-300", "P-100", "p-200"}},
        {"wangwu", "选择产品 - [wangwu]控制 共 1 项", {"B-300"}},              // a right of control only
        {"zhangsan", "选择产品 - [zhangsan]控制 共 2 项", {"P-100", "p-200"}}, // the class it manages
    };
    for (const Case& c : cases) {
        CProductSelectDlg dlg;
        dlg.m_strLoginUser = c.account;
        std::vector<std::string> codes;
        vq::ScriptedUser user;
        user.Dialog(c.caption).Do([&](CDialog& d) { codes = Column(d, 0); }).Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << c.account << ": " << user.Error().c_str();
        EXPECT_EQ(codes, c.codes) << c.account;
    }
    // An account without rights gets an empty list and OK asks for a row.
    CProductSelectDlg dlg;
    dlg.m_strLoginUser = "nobody";
    vq::ScriptedUser user;
    user.Dialog("选择产品 - [nobody]控制 共 0 项")
        .Click(1236)
        .Message("请选择列表内容...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ProductSelectTest, SearchFindsTheFirstCodeNotBeforeTheText) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    CEntryFrame frame("admin");
    CProductSelectDlg dlg;
    dlg.m_strCode = "not listed";
    std::vector<int> rows;
    vq::ScriptedUser user;
    user.Dialog("选择产品 共 3 项")
        .Do([&](CDialog& d) { rows.push_back(SelectedRow(d)); }) // not listed: row 0
        .Set(1076, "p-1")
        .Do([&](CDialog& d) { rows.push_back(SelectedRow(d)); })
        .Set(1076, "zzz")
        .Do([&](CDialog& d) { rows.push_back(SelectedRow(d)); })
        .Set(1076, "A")
        .Do([&](CDialog& d) { rows.push_back(SelectedRow(d)); })
        .Set(1076, "P-2")
        .Click(1236);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(dlg.m_strCode, "p-200");
}

TEST_P(ProductSelectTest, ColumnClicksSortAndTheSearchOnlyWorksOnColumnZeroAscending) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    CEntryFrame frame("admin");
    CProductSelectDlg dlg;
    std::vector<std::vector<std::string>> orders;
    std::vector<bool> searchEnabled;
    auto look = [&](CDialog& d) {
        orders.push_back(Column(d, 0));
        searchEnabled.push_back(d.GetDlgItem(1076)->IsWindowEnabled() != FALSE);
    };
    vq::ScriptedUser user;
    user.DialogContaining("选择产品")
        .Column(1003, 1) // by name ascending
        .Do(look)
        .Column(1003, 0) // column 0 showed no arrow any more: ascending
        .Do(look)
        .Column(1003, 0) // now descending
        .Do(look)
        .Column(1003, 0) // ascending again
        .Do(look)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(orders.size(), 4u);
    // 泵, 二号, 一号: the names in code page 936 order (UTF-8 bytes would give the reverse).
    EXPECT_EQ(orders[0], (std::vector<std::string>{"B-300", "p-200", "P-100"}));
    EXPECT_EQ(orders[1], (std::vector<std::string>{"B-300", "P-100", "p-200"}));
    EXPECT_EQ(orders[2], (std::vector<std::string>{"p-200", "P-100", "B-300"}));
    EXPECT_EQ(orders[3], (std::vector<std::string>{"B-300", "P-100", "p-200"}));
    EXPECT_EQ(searchEnabled, (std::vector<bool>{false, true, false, true}));
}

TEST_P(ProductSelectTest, ShowAllQuestionKeepsOrNarrowsToTheModel) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    CEntryFrame frame("admin");
    for (int answer : {IDYES, IDNO}) {
        CProductSelectDlg dlg;
        dlg.m_bAskShowAll = TRUE;
        dlg.m_strStyle = "jx";
        dlg.m_strStand = "ZQ-350";
        std::vector<std::string> codes;
        vq::ScriptedUser user;
        user.Message("是否显示所有产品信息?", answer)
            .Do([&](CDialog& d) { codes = Column(d, 0); })
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        if (answer == IDYES)
            EXPECT_EQ(codes.size(), 3u);
        else
            EXPECT_EQ(codes, (std::vector<std::string>{"p-200"}));
    }
}

TEST_P(ProductSelectTest, ModelFilterRadioButtonsRefillTheList) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    CEntryFrame frame("admin");
    CProductSelectDlg dlg;
    dlg.m_strFilterStyle = "JX";
    std::vector<std::vector<std::string>> lists;
    vq::ScriptedUser user;
    user.Dialog("选择产品 共 2 项")
        .Do([&](CDialog& d) { lists.push_back(Column(d, 0)); })
        .Check(1007, 1)
        .Do([&](CDialog& d) { lists.push_back(Column(d, 0)); })
        .Check(1050, 1)
        .Do([&](CDialog& d) { lists.push_back(Column(d, 0)); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[0], (std::vector<std::string>{"P-100", "p-200"}));
    EXPECT_EQ(lists[1].size(), 3u);
    EXPECT_EQ(lists[2].size(), 2u);
}

TEST_P(ProductSelectTest, MultipleSelectionReturnsEveryChosenRow) {
    vqtest::DbWorkspace ws(GetParam());
    AddCatalogue(ws);
    CEntryFrame frame("admin");
    CProductSelectDlg dlg;
    dlg.m_bMultiSelect = TRUE;
    vq::ScriptedUser user;
    user.DialogContaining("选择产品")
        .Do([](CDialog& d) {
            auto& list = static_cast<CProductSelectDlg&>(d).m_list;
            list.UserSelect(0);
            list.UserSelect(2, true);
        })
        .Click(1236);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    std::vector<std::string> codes;
    for (const CString& c : dlg.m_arrCodes)
        codes.push_back(c.str());
    EXPECT_EQ(codes, (std::vector<std::string>{"B-300", "p-200"}));
    EXPECT_EQ(dlg.m_arrNames.GetSize(), 2);
    EXPECT_EQ(dlg.m_strCode, "B-300");
}

TEST_P(ProductSelectTest, OtherModesListTheirTables) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute(
        "CREATE TABLE IF NOT EXISTS ProjectManage (ProjectNo VARCHAR(50), ProjectName VARCHAR(100), "
        "ProjectManager VARCHAR(50), PreendedTime VARCHAR(20), ProjectPath VARCHAR(255));"
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager, PreendedTime, ProjectPath) "
        "VALUES ('XM-1', '新机型', 'zhangsan', '2026-12-31', '项目管理');"
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager, PreendedTime, ProjectPath) "
        "VALUES ('XM-2', '改型', 'lisi', '2027-01-31', '项目管理');"
        "CREATE TABLE IF NOT EXISTS ViewManage (ViewName VARCHAR(100), ViewPrompt VARCHAR(255));"
        "INSERT INTO ViewManage (ViewName, ViewPrompt) VALUES ('工艺视图', '');"
        "CREATE TABLE IF NOT EXISTS VqEngineerTable (ContentName VARCHAR(100), TCode VARCHAR(100), "
        "Other1 VARCHAR(100));"
        "INSERT INTO VqEngineerTable (ContentName, TCode, Other1) VALUES ('表1', 'P-1', 'P');"
        "INSERT INTO VqEngineerTable (ContentName, TCode, Other1) VALUES ('表2', 'O''K', 'P')");
    CEntryFrame frame("admin");
    {
        // Projects: preselected by name as well as by number.
        CProductSelectDlg dlg;
        dlg.m_nMode = 1;
        dlg.m_strCode = "改型";
        CString selectedName;
        vq::ScriptedUser user;
        user.Dialog("选择项目 共 2 项")
            .Do([&](CDialog& d) {
                selectedName = static_cast<CProductSelectDlg&>(d).m_list.GetItemText(SelectedRow(d), 1);
            })
            .DoubleClick(1003, "XM-1");
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(selectedName, "改型");
        EXPECT_EQ(dlg.m_strCode, "XM-1");
        EXPECT_EQ(dlg.m_strName, "新机型");
    }
    {
        CProductSelectDlg dlg;
        dlg.m_nMode = 5;
        std::vector<std::string> names, prompts, kinds;
        vq::ScriptedUser user;
        user.Dialog("选择视图 共 4 项")
            .Do([&](CDialog& d) {
                names = Column(d, 0);
                prompts = Column(d, 1);
                kinds = Column(d, 2);
            })
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(names, (std::vector<std::string>{"设计视图", "产品视图", "零部件视图", "工艺视图"}));
        EXPECT_EQ(prompts[3], "未指定提示符...");
        EXPECT_EQ(kinds[3], "用户定义");
    }
    {
        CProductSelectDlg dlg;
        dlg.m_nMode = 9;
        dlg.m_strDrawingCode = "O'K";
        vq::ScriptedUser user;
        user.Dialog("选择工程表格名称 共 1 项").Click(1236);
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(dlg.m_strCode, "表2");
    }
    {
        // Work-order numbers have no source: the list stays empty.
        CProductSelectDlg dlg;
        dlg.m_nMode = 3;
        vq::ScriptedUser user;
        user.Dialog("选择施工单号 共 0 项").Click(1236).Message("请选择列表内容...", IDOK).Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProductSelectTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
