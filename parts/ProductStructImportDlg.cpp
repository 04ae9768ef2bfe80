#include "parts/ProductStructImportDlg.h"

#include "controls/ProgressDlg.h"
#include "controls/ProgressWnd.h"
#include "core/ComError.h"
#include "core/FileInfo.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ParentDwgDlg.h"
#include "parts/ProductDataMatchDlg.h"
#include "parts/ProductSelectDlg.h"
#include "parts/ProductStructTables.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/maker/TableFile.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <unordered_set>

namespace {

const vq::DialogTemplate kImportTemplate{
    "产品结构数据导入",
    {vq::PushButton(1388, "选择文件..."), vq::CheckBox(1221, "忽略第一行", vq::kBeside),
     vq::CheckBox(1158, "指定父图号", vq::kBeside),
     vq::EditBox(1060, vq::kBeside, ES_AUTOHSCROLL | WS_DISABLED), vq::Label("明细存储到:"),
     vq::DropDownList(1062, vq::kBeside), vq::EditBox(1191, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(1262, "存入产品...", vq::kBeside), vq::ReportList(1051),
     vq::ReportList(1030, vq::kBeside), vq::Label("", vq::kNoLayoutFlags, 0, 1245),
     vq::Label("", vq::kBeside, 0, 1246), vq::PushButton(1329, "存储..."),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)}};

constexpr const char* kFileFilter =
    "VQPDM独立明细表 (*.tbl)|*.tbl|带父图号的明细表 (*.txt)|*.txt|带级别的明细表 "
    "(*.txt)|*.txt|带分号的明细表 (*.csv)|*.csv||";
constexpr const char* kStopHint = "\n\n      中止操作请按<取消>键...";
constexpr int kUnitsPerCommit = 500;

std::string LowerKey(const CString& text) {
    CString key(text);
    key.MakeLower();
    return key.str();
}

// atoi: leading white space, a sign and digits; 0 when there are none; out-of-range values clamp.
int ParseInt(const CString& text) {
    const char* s = text.c_str();
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

// The decimal digits of the text in order, as a number ("1-2" gives 12).
int DigitsValue(const CString& text) {
    long long v = 0;
    for (char c : text.str()) {
        if (c >= '0' && c <= '9') {
            v = v * 10 + (c - '0');
            if (v > INT_MAX)
                v = INT_MAX;
        }
    }
    return static_cast<int>(v);
}

void DeleteItems(CObArray& items) {
    for (CObject* item : items)
        delete item;
    items.RemoveAll();
}

CProductStructItem* LineAt(const CObArray& items, int i) {
    return static_cast<CProductStructItem*>(items[i]);
}

} // namespace

BEGIN_MESSAGE_MAP(CProductStructImportDlg, CDialog)
    ON_BN_CLICKED(1388, &CProductStructImportDlg::OnChooseFile)
    ON_BN_CLICKED(1262, &CProductStructImportDlg::OnChooseProduct)
    ON_BN_CLICKED(1158, &CProductStructImportDlg::OnSpecifyParent)
    ON_BN_CLICKED(1329, &CProductStructImportDlg::OnStore)
    ON_NOTIFY(LVN_ITEMCHANGED, 1051, &CProductStructImportDlg::OnParentChanged)
END_MESSAGE_MAP()

CProductStructImportDlg::CProductStructImportDlg(CWnd* parent) : CDialog(kImportTemplate, parent) {}

CProductStructImportDlg::~CProductStructImportDlg() {
    DeleteLines();
}

void CProductStructImportDlg::DeleteLines() {
    DeleteItems(m_arrLines);
    DeleteItems(m_arrNoParentLines);
    m_linesByParent.clear();
}

void CProductStructImportDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1051, m_listParents);
    DDX_Control(pDX, 1030, m_listLines);
    DDX_Control(pDX, 1062, m_comboArea);
    DDX_Text(pDX, 1191, m_strProductCode);
    DDX_Check(pDX, 1221, m_bIgnoreFirstLine);
    DDX_CBIndex(pDX, 1062, m_nStoreArea);
    DDX_Check(pDX, 1158, m_bSpecifyParent);
    DDX_Text(pDX, 1060, m_strParentCode);
}

BOOL CProductStructImportDlg::OnInitDialog() {
    m_pConnection = theApp.m_pConnPDM;
    m_strLoginUser = theApp.m_strLoginUser;
    CDialog::OnInitDialog();
    m_comboArea.AddString("归档数据区");
    m_comboArea.AddString("协同设计区");
    m_comboArea.SetCurSel(m_nStoreArea);
    for (CListCtrl* list : {&m_listParents, &m_listLines})
        list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listParents.InsertColumn(0, "父图号", LVCFMT_LEFT, 80);
    m_listParents.InsertColumn(1, "父图名", LVCFMT_LEFT, 80);
    m_listParents.InsertColumn(2, "图幅", LVCFMT_LEFT, 40);
    int column = 0;
    for (const auto& [text, width] : std::initializer_list<std::pair<const char*, int>>{{"序号", 40},
                                                                                        {"图号", 70},
                                                                                        {"图名", 100},
                                                                                        {"材料", 90},
                                                                                        {"规格", 120},
                                                                                        {"数量", 40},
                                                                                        {"备注", 90},
                                                                                        {"编码", 90}})
        m_listLines.InsertColumn(column++, text, LVCFMT_LEFT, width);
    return TRUE;
}

// --- Parsing -------------------------------------------------------------------------------------

void CProductStructImportDlg::SplitTabLine(const CString& line, CStringArray& fields) {
    fields.RemoveAll();
    const std::string& s = line.str();
    std::size_t start = 0;
    while (true) {
        std::size_t tab = s.find('\t', start);
        CString field(s.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        fields.Add(field.Trim(' '));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
}

void CProductStructImportDlg::SplitQuotedLine(const CString& line, CStringArray& fields) {
    fields.RemoveAll();
    const std::string& s = line.str();
    std::size_t open = s.find('"');
    while (open != std::string::npos) {
        std::size_t close = s.find('"', open + 1);
        if (close == std::string::npos)
            break; // an opened field that is never closed is dropped
        fields.Add(CString(s.substr(open + 1, close - open - 1)));
        open = s.find('"', close + 1);
    }
}

double CProductStructImportDlg::ParseDouble(const CString& text) {
    const char* s = text.c_str();
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v')
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    double v = 0;
    auto result = std::from_chars(s, s + std::char_traits<char>::length(s), v);
    if (result.ec != std::errc())
        return 0;
    return negative ? -v : v;
}

CString CProductStructImportDlg::SqlNumber(double value) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return "0.000000";
    return CString(buffer, static_cast<int>(result.ptr - buffer));
}

int CProductStructImportDlg::ApplyAttribute(CProductStructItem& item, const CString& attribute,
                                            const CString& value) {
    struct Text {
        const char* name;
        CString CProductStructItem::*field;
    };
    static const Text kTexts[] = {{"父图号", &CProductStructItem::m_strUpCode},
                                  {"父图名", &CProductStructItem::m_strUpName},
                                  {"图号", &CProductStructItem::m_strCode},
                                  {"图名", &CProductStructItem::m_strName},
                                  {"图幅", &CProductStructItem::m_strFrame},
                                  {"材料", &CProductStructItem::m_strMaterial},
                                  {"规格", &CProductStructItem::m_strStand},
                                  {"类型", &CProductStructItem::m_strStyle},
                                  {"备注", &CProductStructItem::m_strRemark},
                                  {"其他1", &CProductStructItem::m_strOther1},
                                  {"其他2", &CProductStructItem::m_strOther2},
                                  {"标题其他1", &CProductStructItem::m_strTitleOther1},
                                  {"标题其他2", &CProductStructItem::m_strTitleOther2},
                                  {"标题其他3", &CProductStructItem::m_strTitleOther3},
                                  {"标题其他4", &CProductStructItem::m_strTitleOther4},
                                  {"标题其他5", &CProductStructItem::m_strTitleOther5}};
    for (const Text& t : kTexts) {
        if (attribute == t.name) {
            item.*t.field = value;
            return -1;
        }
    }
    if (attribute == "序号")
        item.m_nItem = ParseInt(value);
    else if (attribute == "数量")
        item.m_nQuantity = ParseInt(value);
    else if (attribute == "重量")
        item.m_dWeight = ParseDouble(value);
    else if (attribute == "装配级别")
        return DigitsValue(value);
    return -1;
}

CString CProductStructImportDlg::ParentFromLevel(int level, const CString& code) {
    if (level < 1 || code.IsEmpty())
        return CString();
    CString candidate;
    for (std::size_t i = 0; i < m_levelStack.size();) {
        if (m_levelStack[i].first == level - 1) {
            candidate = m_levelStack[i].second;
            ++i;
        } else if (m_levelStack[i].first >= level) {
            m_levelStack.erase(m_levelStack.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
    m_levelStack.emplace_back(level, code);
    return candidate;
}

void CProductStructImportDlg::FileLine(CProductStructItem* item, int level, int kind) {
    if (kind == 3)
        item->m_strUpCode = ParentFromLevel(level, item->m_strCode);
    if (m_bSpecifyParent) {
        item->m_strUpCode = m_strParentCode;
        item->m_strUpName = m_strParentName;
        item->m_strFrame = m_strParentFrame;
    }
    if (!item->m_strUpCode.IsEmpty())
        m_arrLines.Add(item);
    else
        m_arrNoParentLines.Add(item);
}

void CProductStructImportDlg::ParseDataLine(const CStringArray& fields, int kind) {
    int used = std::min(fields.GetSize(), m_arrColumnMap.GetSize());
    if (used < 1)
        return;
    auto* item = new CProductStructItem;
    int level = 0;
    for (int i = 0; i < used; ++i) {
        CString value = fields[i];
        value.Trim(' ');
        int l = ApplyAttribute(*item, m_arrColumnMap[i], value);
        if (l >= 0)
            level = l;
    }
    FileLine(item, level, kind);
}

// --- Reading ------------------------------------------------------------------------------------

void CProductStructImportDlg::OnChooseFile() {
    if (m_bBusy)
        return;
    UpdateData(TRUE);
    if (m_arrLines.GetSize() > 0 &&
        vq::ShowMessageBox("操作提示", "覆盖当前列表中的明细数据?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    CFileDialog dlg(TRUE, "tbl", nullptr, OFN_HIDEREADONLY, kFileFilter, this);
    if (dlg.DoModal() != IDOK)
        return;
    ReadFile(dlg.GetPathName(), static_cast<int>(dlg.m_ofn.nFilterIndex));
}

void CProductStructImportDlg::ReadFile(const CString& path, int kind) {
    m_bBusy = true;
    m_nParentCount = 0;
    m_nSelectedParent = -1;
    m_listParents.DeleteAllItems();
    m_listLines.DeleteAllItems();
    DeleteLines();

    auto* progress = new CProgressDlg(this);
    progress->Create(CProgressDlg::IDD, this);
    progress->CenterWindow();
    progress->ShowWindow(SW_SHOW);
    progress->m_progress.SetRange(0, 10);
    progress->m_progress.SetPos(6);
    progress->SetText("正在读取数据文件中的明细信息......");

    bool fill = true;
    switch (kind) {
    case 1:
        ReadTableFile(path);
        break;
    case 3:
        if (m_strProductCode.IsEmpty()) {
            AfxMessageBox("须先指定归档的产品信息...");
            fill = false;
            break;
        }
        m_levelStack.clear();
        m_levelStack.emplace_back(0, m_strProductCode);
        ReadTextFile(path, 3);
        break;
    default:
        ReadTextFile(path, kind == 2 ? 2 : 4);
        break;
    }
    progress->m_progress.SetPos(10);
    progress->DestroyWindow();
    delete progress;
    if (fill) {
        FillLists();
        CString text;
        text.Format("共 %d 条明细", m_arrLines.GetSize());
        SetDlgItemText(1246, text);
    }
    m_bBusy = false;
}

void CProductStructImportDlg::ReadTextFile(const CString& path, int kind) {
    CString text;
    if (!CFileInfo(path).Exists()) {
        text.Format("%s不在指定位置...", path);
        AfxMessageBox(text);
        return;
    }
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead)) {
        text.Format("打不开文件%s...", path);
        AfxMessageBox(text);
        return;
    }
    m_arrColumnMap.RemoveAll();
    bool header = true;
    CString line;
    CStringArray fields;
    while (file.ReadString(line)) {
        if (!line.IsEmpty() && line[line.GetLength() - 1] == '\r')
            line = line.Left(line.GetLength() - 1);
        if (line.IsEmpty())
            continue;
        if (kind == 2)
            SplitTabLine(line, fields);
        else
            SplitQuotedLine(line, fields);
        if (header) {
            header = false;
            CProductDataMatchDlg match;
            match.m_nWithLevel = kind == 3 ? 1 : 0;
            match.m_arrSourceColumns.Copy(fields);
            if (match.DoModal() != IDOK) {
                m_arrColumnMap.RemoveAll();
                break;
            }
            m_arrColumnMap.Copy(match.m_arrResults);
            if (m_bIgnoreFirstLine)
                continue;
        }
        ParseDataLine(fields, kind);
    }
    file.Close();
}

void CProductStructImportDlg::ReadTableFile(const CString& path) {
    if (!CFileInfo(path).Exists()) {
        CString text;
        text.Format("%s不在指定位置...", path);
        AfxMessageBox(text);
        return;
    }
    m_arrTitleIDs.RemoveAll();
    m_arrTitleValues.RemoveAll();
    m_arrDetailIDs.RemoveAll();
    m_arrDetailNames.RemoveAll();
    m_arrColumnMap.RemoveAll();

    CVQReadTblTool tool;
    tool.SetTblFile(path);
    if (!tool.GetTitleItemIDAndValue())
        return;
    m_arrTitleIDs.Copy(tool.m_arrTitleItemIDs);
    m_arrTitleValues.Copy(tool.m_arrTitleItemValues);
    if (!tool.GetDetailDefineDataAndValue())
        return;
    CArray<CAttribValueTable> tables;
    tables.Copy(tool.m_arrDetailTables);
    m_arrDetailIDs.Copy(tool.m_arrDetailIDs);
    m_arrDetailNames.Copy(tool.m_arrDetailNames);
    if (tables.GetSize() == 0) {
        AfxMessageBox("该报表无明细区，不能进行数据导入...");
        return;
    }
    const CAttribValueTable& table = tables[0];
    CStringArray labels;
    table.GetAttribLableRecord(labels);
    CProductDataMatchDlg match;
    match.m_nWithLevel = 0;
    match.m_arrSourceColumns.Copy(labels);
    if (match.DoModal() != IDOK)
        return;
    m_arrColumnMap.Copy(match.m_arrResults);

    int columns = labels.GetSize();
    CStringArray values;
    for (int row = 0; row < table.GetTableLogicSize(); ++row) {
        table.GetAttribValueRecord(row, values);
        if (values.GetSize() < columns)
            columns = values.GetSize();
        auto* item = new CProductStructItem;
        for (int i = 0; i < columns && i < m_arrColumnMap.GetSize(); ++i) {
            CString value = values[i];
            value.Trim(' ');
            ApplyAttribute(*item, m_arrColumnMap[i], value);
        }
        FileLine(item, 0, 1);
    }
}

void CProductStructImportDlg::FillLists() {
    // The lines of each parent, and the name of the first line of each code, found once.
    m_linesByParent.clear();
    std::unordered_map<std::string, CString> nameOfCode;
    const int count = m_arrLines.GetSize();
    for (int i = 0; i < count; ++i) {
        CProductStructItem* item = LineAt(m_arrLines, i);
        m_linesByParent[LowerKey(item->m_strUpCode)].push_back(i);
        nameOfCode.emplace(LowerKey(item->m_strCode), item->m_strName);
    }

    CProgressWnd progress(this, "正在进行");
    progress.SetText((CString("需处理 %d 条明细数据......") + kStopHint).c_str(), count);
    progress.SetRange(0, count, 1);
    ShowWindow(SW_SHOWNA);
    std::unordered_set<std::string> listed;
    for (int i = 0; i < count; ++i) {
        progress.SetText((CString("共 %d 条，正处理第 %d 条......") + kStopHint).c_str(), count, i + 1);
        progress.StepIt();
        progress.PeekAndPump();
        if (progress.m_cancelled || m_bClosing) {
            progress.Hide();
            break;
        }
        CProductStructItem* item = LineAt(m_arrLines, i);
        if (item->m_strUpCode.IsEmpty())
            continue;
        std::string key = LowerKey(item->m_strUpCode);
        if (!listed.insert(key).second)
            continue;
        int row = m_listParents.GetItemCount();
        m_listParents.InsertItem(row, item->m_strUpCode);
        auto name = nameOfCode.find(key);
        m_listParents.SetItemText(row, 1, name == nameOfCode.end() ? CString() : name->second);
        m_listParents.SetItemText(row, 2, item->m_strFrame);
    }
    m_nParentCount = m_listParents.GetItemCount();
    CString text;
    text.Format("共 %d 个装配", m_nParentCount);
    SetDlgItemText(1245, text);
}

void CProductStructImportDlg::OnParentChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* info = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    *pResult = 0;
    if (m_nParentCount < 1 || info->iItem < 0 || !(info->uNewState & LVIS_SELECTED))
        return;
    if (info->iItem == m_nSelectedParent)
        return;
    m_nSelectedParent = info->iItem;
    ShowLinesOf(info->iItem);
}

void CProductStructImportDlg::ShowLinesOf(int row) {
    m_listLines.DeleteAllItems();
    auto it = m_linesByParent.find(LowerKey(m_listParents.GetItemText(row, 0)));
    if (it == m_linesByParent.end())
        return;
    int n = 0;
    for (int index : it->second) {
        CProductStructItem* item = LineAt(m_arrLines, index);
        CString text;
        text.Format("%d", n + 1);
        m_listLines.InsertItem(n, text);
        m_listLines.SetItemText(n, 1, item->m_strCode);
        m_listLines.SetItemText(n, 2, item->m_strName);
        m_listLines.SetItemText(n, 3, item->m_strMaterial);
        text.Format("%d", item->m_nQuantity);
        m_listLines.SetItemText(n, 5, text);
        m_listLines.SetItemText(n, 6, item->m_strRemark);
        ++n;
    }
}

// --- Product and parent --------------------------------------------------------------------------

void CProductStructImportDlg::OnChooseProduct() {
    if (m_bBusy)
        return;
    UpdateData(TRUE);
    CProductSelectDlg dlg;
    dlg.m_nMode = 0;
    dlg.m_strCode = m_strProductCode;
    if (dlg.DoModal() != IDOK)
        return;
    m_strProductCode = dlg.m_strCode;
    m_strProductName = dlg.m_strName;
    UpdateData(FALSE);
}

void CProductStructImportDlg::OnSpecifyParent() {
    UpdateData(TRUE);
    if (!m_bSpecifyParent)
        return;
    CParentDwgDlg dlg;
    dlg.m_strParentCode = m_strParentCode;
    dlg.m_strParentName = m_strParentName;
    dlg.m_strParentFrame = m_strParentFrame;
    if (dlg.DoModal() != IDOK)
        return;
    m_strParentCode = dlg.m_strParentCode;
    m_strParentName = dlg.m_strParentName;
    m_strParentFrame = dlg.m_strParentFrame;
    UpdateData(FALSE);
}

// --- Storing -------------------------------------------------------------------------------------

void CProductStructImportDlg::OnStore() {
    if (m_bBusy)
        return;
    m_bBusy = true;
    Store();
    m_bBusy = false;
}

void CProductStructImportDlg::Store() {
    const int separate = ReadSettingInt("图纸入库配置", "标题明细分开入库", "0");
    UpdateData(TRUE);
    if (m_nStoreArea != 1) {
        if (m_strProductCode.IsEmpty()) {
            AfxMessageBox("未选择存入产品...");
            return;
        }
        m_strProductDwgCode = m_strProductCode;
        ProductTableNames tables = GetProductTables(ProductFamily::Archive);
        m_strTitleTable = tables.title;
        m_strDetailTable = tables.detail;
    } else {
        m_strProductDwgCode = kImportSaveMark;
        ProductTableNames tables = GetProductTables(ProductFamily::Team);
        m_strTitleTable = tables.title;
        m_strDetailTable = tables.detail;
    }
    if (m_arrLines.GetSize() == 0) {
        AfxMessageBox("无明细数据，请选择数据文件...");
        return;
    }
    m_nFailedRows = 0;
    m_bStoreStopped = FALSE;

    auto* progress = new CProgressDlg(this);
    progress->Create(CProgressDlg::IDD, this);
    progress->CenterWindow();
    progress->ShowWindow(SW_SHOW);
    progress->m_progress.SetRange(0, 10);
    BeginStore();
    bool goOn = true;
    if (separate == 0) {
        progress->m_progress.SetPos(2);
        progress->SetText("正在存储标题信息......");
        goOn = StoreTitles();
    }
    if (goOn) {
        progress->m_progress.SetPos(6);
        progress->SetText("正在存储明细信息......");
        StoreDetails();
    }
    EndStore();
    {
        _ConnectionPtr c2;
        c2.CreateInstance();
        c2->Open(m_pConnection->GetConnectionString());
        _RecordsetPtr r = c2->Execute("SELECT COUNT(*) FROM VqkorvelAll_detail WHERE Dname<>'old'");
        r = m_pConnection->Execute("SELECT COUNT(*) FROM VqkorvelAll_detail WHERE Dname<>'old'");
    }
    progress->m_progress.SetPos(10);
    progress->DestroyWindow();
    delete progress;

    CString text =
        m_bStoreStopped ? "产品结构信息存储已中止，已存储的数据保留..." : "产品结构信息存储完毕...";
    if (m_nFailedRows > 0)
        text.AppendFormat("\n有 %d 条数据未能存储。", m_nFailedRows);
    AfxMessageBox(text);
}

void CProductStructImportDlg::BeginStore() {
    m_bOuterTransaction = false;
    m_nUnitsInTransaction = 0;
    if (!m_pConnection || m_pConnection->InTransaction())
        return;
    vq::db::Engine engine = m_pConnection->GetEngine();
    if (engine != vq::db::Engine::SQLite && engine != vq::db::Engine::PostgreSQL)
        return;
    try {
        m_pConnection->BeginTrans();
        m_bOuterTransaction = true;
    } catch (_com_error&) {
        m_bOuterTransaction = false;
    }
}

void CProductStructImportDlg::EndStore() {
    if (!m_bOuterTransaction)
        return;
    m_bOuterTransaction = false;
    try {
        m_pConnection->CommitTrans();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CProductStructImportDlg::BeginUnit() {
    m_bUnitTransaction = false;
    if (!m_pConnection)
        return;
    try {
        if (m_bOuterTransaction) {
            m_pConnection->Execute("SAVEPOINT vq_store_unit");
        } else if (!m_pConnection->InTransaction()) {
            m_pConnection->BeginTrans();
            m_bUnitTransaction = true;
        }
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CProductStructImportDlg::EndUnit(bool keep) {
    if (!m_pConnection)
        return;
    try {
        if (m_bOuterTransaction) {
            if (!keep)
                m_pConnection->Execute("ROLLBACK TO SAVEPOINT vq_store_unit");
            m_pConnection->Execute("RELEASE SAVEPOINT vq_store_unit");
            // Commit now and then, so that a long store holds its locks for a bounded time.
            if (++m_nUnitsInTransaction >= kUnitsPerCommit) {
                m_pConnection->CommitTrans();
                m_pConnection->BeginTrans();
                m_nUnitsInTransaction = 0;
            }
        } else if (m_bUnitTransaction) {
            m_bUnitTransaction = false;
            if (keep)
                m_pConnection->CommitTrans();
            else
                m_pConnection->RollbackTrans();
        }
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

bool CProductStructImportDlg::AskStop(const CString& sql, const char* question) {
    AfxMessageBox(sql);
    return vq::ShowMessageBox("操作提示", question, MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool CProductStructImportDlg::StoreTitles() {
    CWaitCursor wait;
    UpdateData(TRUE);
    const CString now = theApp.GetServerDateTime();
    std::unordered_set<std::string> parents;
    for (int r = 0; r < m_listParents.GetItemCount(); ++r)
        parents.insert(LowerKey(m_listParents.GetItemText(r, 0)));

    const int count = m_arrLines.GetSize();
    CProgressWnd progress(this, "正在进行");
    progress.SetText((CString("需处理 %d 条明细数据......") + kStopHint).c_str(), count);
    progress.SetRange(0, count, 1);
    for (int i = 0; i < count; ++i) {
        progress.SetText((CString("共 %d 条，正处理第 %d 条......") + kStopHint).c_str(), count, i + 1);
        progress.StepIt();
        progress.PeekAndPump();
        if (progress.m_cancelled || m_bClosing) {
            m_bStoreStopped = TRUE;
            progress.Hide();
            return !m_bClosing;
        }
        CProductStructItem* item = LineAt(m_arrLines, i);
        if (item->m_strFrame.IsEmpty() && parents.count(LowerKey(item->m_strCode)) == 0)
            continue;
        CString name = item->m_strName;
        if (name.IsEmpty() && item->m_strCode.CompareNoCase(m_strProductCode) == 0)
            name = m_strProductName;

        BeginUnit();
        CString sql;
        sql.Format("DELETE FROM %s WHERE Tcode='%s'", m_strTitleTable, SqlQuote(item->m_strCode));
        if (!theApp.ExecuteSql(sql)) {
            ++m_nFailedRows;
            if (AskStop(sql, "插入标题出错，是否退出?")) {
                EndUnit(false);
                m_bStoreStopped = TRUE;
                return true;
            }
        }
        if (m_nStoreArea != 1)
            sql.Format(
                "INSERT INTO %s (Tcode, Tname, Tframe, TMaterial, TWeight, Ttime, ProductDwgCode, Tother1, "
                "Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, Manager, State) VALUES('%s', '%s', "
                "'%s', '%s', %s, '%s', '%s', '%s', '#', '%s', '%s', '%s', 'A', 'A', '%s', '数据导入')",
                m_strTitleTable, SqlQuote(item->m_strCode), SqlQuote(name), SqlQuote(item->m_strFrame),
                SqlQuote(item->m_strMaterial), SqlNumber(item->m_dWeight), SqlQuote(now),
                SqlQuote(m_strProductDwgCode), SqlQuote(item->m_strTitleOther1),
                SqlQuote(item->m_strTitleOther3), SqlQuote(item->m_strTitleOther4),
                SqlQuote(item->m_strTitleOther5), SqlQuote(m_strLoginUser));
        else
            sql.Format(
                "INSERT INTO %s (FileID, Tcode, Tname, Tframe, TMaterial, TWeight, Ttime, ProductDwgCode, "
                "Tother1, Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, Manager, State) "
                "VALUES('_X_SAVE_', '%s', '%s', '%s', '%s', %s, '%s', '%s', '%s', '#', '%s', '%s', '%s', "
                "'A', "
                "'A', '%s', '数据导入')",
                m_strTitleTable, SqlQuote(item->m_strCode), SqlQuote(name), SqlQuote(item->m_strFrame),
                SqlQuote(item->m_strMaterial), SqlNumber(item->m_dWeight), SqlQuote(now),
                SqlQuote(m_strProductDwgCode), SqlQuote(item->m_strTitleOther1),
                SqlQuote(item->m_strTitleOther3), SqlQuote(item->m_strTitleOther4),
                SqlQuote(item->m_strTitleOther5), SqlQuote(m_strLoginUser));
        if (!theApp.ExecuteSql(sql)) {
            // The old title row comes back: a failed insert loses nothing.
            EndUnit(false);
            ++m_nFailedRows;
            if (AskStop(sql, "插入标题出错，是否退出?")) {
                m_bStoreStopped = TRUE;
                return true;
            }
            continue;
        }
        EndUnit(true);
    }
    return true;
}

bool CProductStructImportDlg::StoreDetails() {
    CWaitCursor wait;
    const int rows = m_listParents.GetItemCount();
    CProgressWnd progress(this, "正在进行");
    progress.SetText((CString("需处理 %d 条明细数据......") + kStopHint).c_str(), rows);
    progress.SetRange(0, rows, 1);
    for (int r = 0; r < rows; ++r) {
        progress.SetText((CString("共 %d 条，正处理第 %d 条......") + kStopHint).c_str(), rows, r + 1);
        progress.StepIt();
        progress.PeekAndPump();
        if (progress.m_cancelled || m_bClosing) {
            m_bStoreStopped = TRUE;
            progress.Hide();
            return false;
        }
        const CString upCode = m_listParents.GetItemText(r, 0);
        CString upName = m_listParents.GetItemText(r, 1);
        if (upName.IsEmpty() && upCode.CompareNoCase(m_strProductCode) == 0)
            upName = m_strProductName;
        auto group = m_linesByParent.find(LowerKey(upCode));
        if (group == m_linesByParent.end())
            continue;
        const std::vector<int>& lines = group->second;

        // The parent's deletes and inserts form one unit.
        BeginUnit();
        bool stop = false;
        bool failed = false;
        CString sql;
        for (int index : lines) {
            CProductStructItem* item = LineAt(m_arrLines, index);
            sql.Format("DELETE FROM %s WHERE UpCode='%s' AND Dcode='%s'", m_strDetailTable, SqlQuote(upCode),
                       SqlQuote(item->m_strCode));
            if (!theApp.ExecuteSql(sql) && AskStop(sql, "删除明细出错，是否退出?")) {
                stop = true;
                failed = true;
                break;
            }
        }
        int position = 1;
        for (std::size_t k = 0; !stop && k < lines.size(); ++k, ++position) {
            CProductStructItem* item = LineAt(m_arrLines, lines[k]);
            if (item->m_nItem < 1)
                item->m_nItem = position;
            if (m_nStoreArea != 1)
                sql.Format("INSERT INTO %s (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, "
                           "Dweight, Dremark, "
                           "Dstand, Dstyle, Dother1, Dother2, ProductDwgCode) VALUES('%s', '%s', %d, '%s', "
                           "'%s', '%s', "
                           "%d, %s, '%s', '%s', '%s', '%s', '%s', '%s')",
                           m_strDetailTable, SqlQuote(item->m_strUpCode), SqlQuote(upName), item->m_nItem,
                           SqlQuote(item->m_strCode), SqlQuote(item->m_strName),
                           SqlQuote(item->m_strMaterial), item->m_nQuantity, SqlNumber(item->m_dWeight),
                           SqlQuote(item->m_strRemark), SqlQuote(item->m_strStand),
                           SqlQuote(item->m_strStyle), SqlQuote(item->m_strOther1),
                           SqlQuote(item->m_strOther2), SqlQuote(m_strProductDwgCode));
            else
                sql.Format("INSERT INTO %s (FileID, UpCode, UpName, Ditem, Dcode, Dname, DMaterial, "
                           "Dquantity, Dweight, "
                           "Dremark, Dstand, Dstyle, Dother1, Dother2, ProductDwgCode) VALUES('_X_SAVE_', "
                           "'%s', '%s', "
                           "%d, '%s', '%s', '%s', %d, %s, '%s', '%s', '%s', '%s', '%s', '%s')",
                           m_strDetailTable, SqlQuote(item->m_strUpCode), SqlQuote(upName), item->m_nItem,
                           SqlQuote(item->m_strCode), SqlQuote(item->m_strName),
                           SqlQuote(item->m_strMaterial), item->m_nQuantity, SqlNumber(item->m_dWeight),
                           SqlQuote(item->m_strRemark), SqlQuote(item->m_strStand),
                           SqlQuote(item->m_strStyle), SqlQuote(item->m_strOther1),
                           SqlQuote(item->m_strOther2), SqlQuote(m_strProductDwgCode));
            if (!theApp.ExecuteSql(sql)) {
                failed = true;
                stop = AskStop(sql, "插入明细信息出错，是否退出?");
                break;
            }
        }
        // A failed parent keeps its old lines whole; going on continues with the next parent.
        EndUnit(!failed);
        if (failed)
            m_nFailedRows += static_cast<int>(lines.size());
        if (stop) {
            m_bStoreStopped = TRUE;
            return false;
        }
    }
    return true;
}

// --- Closing -------------------------------------------------------------------------------------

void CProductStructImportDlg::OnCancel() {
    m_bClosing = TRUE;
    CDialog::OnCancel();
}

void CProductStructImportDlg::OnDestroy() {
    CDialog::OnDestroy();
    DeleteLines();
}
