#include "parts/ProductStructImportDlg.h"

#include "controls/ProgressDlg.h"
#include "controls/ProgressWnd.h"
#include "core/ComError.h"
#include "core/FileInfo.h"
#include "core/IndexPlans.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ParentDwgDlg.h"
#include "parts/ProductDataMatchDlg.h"
#include "parts/ProductSelectDlg.h"
#include "parts/ProductStructTables.h"
#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/base/WaitCursor.h"
#include "platform/maker/TableFile.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
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
// Titles written by one call of the prepared commands.
constexpr int kTitlesPerBatch = 500;
// A batch of parents ends at this many parents or lines, whichever comes first (its values are
// held in memory until it is written).
constexpr std::size_t kDetailUnitsPerBatch = 200;
constexpr std::size_t kDetailLinesPerBatch = 500;
// A quoted field may hold line ends; a quote left open ends its record after this many lines.
constexpr int kMaxRecordLines = 100;

// When a progress window is due for an update: at the first and the last step and every 50 ms
// between. Measuring and drawing its text for every line would cost more than storing the line.
class ProgressPace {
public:
    bool Due(int step, int count) {
        const auto now = std::chrono::steady_clock::now();
        if (step != 0 && step + 1 != count && now < m_next)
            return false;
        m_next = now + std::chrono::milliseconds(50);
        return true;
    }

private:
    std::chrono::steady_clock::time_point m_next;
};

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

// Text as a person writes it: no control characters other than TAB and line ends (a NUL would
// cut the field short), and no bytes that are not characters of code page 936 (read as U+FFFD).
bool IsPlainText(const CString& text) {
    const std::string& s = text.str();
    for (unsigned char c : s)
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
    return s.find("\xEF\xBF\xBD") == std::string::npos;
}

// A text file holds no NUL byte: a look at its beginning tells a binary file (a drawing, an
// archive) chosen by mistake. The file is read from its start afterwards.
bool LooksLikeText(CStdioFile& file) {
    char buffer[65536];
    UINT got = file.CFile::Read(buffer, sizeof buffer);
    bool text = std::memchr(buffer, '\0', got) == nullptr;
    file.SeekToBegin();
    return text;
}

// Shows why a statement of the store's own (savepoint, commit) failed. Once the connection is
// known to be lost every further failure would say the same, so it is said once.
void ReportStoreError(const _com_error& e) {
    if (theApp.m_bConnectionLost)
        return;
    ReportComError(e); // a lost connection in the system's words
    if (IsConnectionLost(e))
        theApp.m_bConnectionLost = TRUE;
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
    m_arrLines.RemoveAll();
    m_arrNoParentLines.RemoveAll();
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

bool CProductStructImportDlg::SplitQuotedLine(const CString& line, CStringArray& fields) {
    fields.RemoveAll();
    const std::string& s = line.str();
    std::size_t i = s.find('"');
    while (i != std::string::npos) {
        std::string field;
        bool closed = false;
        for (++i; i < s.size(); ++i) {
            if (s[i] != '"') {
                field += s[i];
            } else if (i + 1 < s.size() && s[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                closed = true;
                break;
            }
        }
        if (!closed)
            return false; // an opened field that is never closed
        fields.Add(CString(field));
        i = s.find('"', i + 1);
    }
    return true;
}

bool CProductStructImportDlg::SplitCsvLine(const CString& line, char separator, CStringArray& fields) {
    fields.RemoveAll();
    const std::string& s = line.str();
    std::string field;
    bool quoted = false;    // inside a quoted part of the field
    bool wasQuoted = false; // the field began with a quote
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < s.size() && s[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == separator) {
            fields.Add(CString(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '"' && !wasQuoted && CString(field).Trim(' ').IsEmpty()) {
            // A quote opens a field (spaces before it are dropped); text after the closing
            // quote up to the separator is kept, as spreadsheets read it.
            field.clear();
            quoted = wasQuoted = true;
        } else {
            field += c;
        }
    }
    fields.Add(CString(field));
    return !quoted;
}

char CProductStructImportDlg::CsvSeparator(const CString& header) {
    bool quoted = false;
    for (char c : header.str()) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ',' || c == ';'))
            return c;
    }
    return ',';
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
    if (!candidate.IsEmpty())
        m_levelStack.emplace_back(level, code);
    return candidate;
}

void CProductStructImportDlg::Refuse(const CString& reason) {
    m_refusedLines.push_back({m_nLineNumber, reason});
}

void CProductStructImportDlg::FileLine(CProductStructItem* item, int level, int kind) {
    if (item->m_strCode.IsEmpty() || !std::isfinite(item->m_dWeight)) {
        Refuse(item->m_strCode.IsEmpty() ? "图号为空" : "重量不是有效的数字");
        delete item;
        return;
    }
    if (kind == 3) {
        item->m_strUpCode = ParentFromLevel(level, item->m_strCode);
        if (item->m_strUpCode.IsEmpty() && !m_bSpecifyParent) {
            CString reason("装配级别无效");
            if (level > 1)
                reason.Format("装配级别%d跳级，前面没有第%d级", level, level - 1);
            Refuse(reason);
            m_arrNoParentLines.Add(item);
            return;
        }
    }
    if (m_bSpecifyParent) {
        item->m_strUpCode = m_strParentCode;
        item->m_strUpName = m_strParentName;
        item->m_strFrame = m_strParentFrame;
    }
    if (!item->m_strUpCode.IsEmpty()) {
        m_arrLines.Add(item);
    } else {
        Refuse("没有父图号");
        m_arrNoParentLines.Add(item);
    }
}

void CProductStructImportDlg::ParseDataLine(const CStringArray& fields, int kind) {
    int used = std::min(fields.GetSize(), m_arrColumnMap.GetSize());
    if (used < 1) {
        Refuse("没有数据");
        return;
    }
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

void CProductStructImportDlg::ReportRefusedLines() {
    constexpr std::size_t kShown = 5;
    CString text;
    if (m_arrLines.GetSize() == 0)
        text = "文件中没有可以导入的明细数据...";
    else
        text.Format("有 %d 行数据不能导入，已略去:", static_cast<int>(m_refusedLines.size()));
    for (std::size_t i = 0; i < m_refusedLines.size() && i < kShown; ++i)
        text.AppendFormat("\n第 %d 行: %s", m_refusedLines[i].line, m_refusedLines[i].reason);
    if (m_refusedLines.size() > kShown)
        text.AppendFormat("\n(另有 %d 行)", static_cast<int>(m_refusedLines.size() - kShown));
    AfxMessageBox(text);
}

// --- Reading ------------------------------------------------------------------------------------

namespace {

constexpr const char* kImportSection = "图纸入库配置";
constexpr const char* kImportFolderKey = "导入文件目录";

// The file dialog opens in the folder a file was last chosen from, kept in the settings; without
// one (or when it is gone) in the user's home folder, not in whatever folder the program was
// started from. The whole path is read: a folder may be longer than a settings buffer.
CString ImportFolder() {
    const CString settings = GetSettingsFilePath();
    const CString last = settings.IsEmpty()
                             ? CString()
                             : vq::ReadProfileString(kImportSection, kImportFolderKey, "", settings);
    const DWORD attributes = last.IsEmpty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributes(last);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return last;
    return vq::HomeFolder();
}

} // namespace

void CProductStructImportDlg::OnChooseFile() {
    if (m_bBusy)
        return;
    UpdateData(TRUE);
    if (m_arrLines.GetSize() > 0 &&
        vq::ShowMessageBox("操作提示", "覆盖当前列表中的明细数据?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    CFileDialog dlg(TRUE, "tbl", nullptr, OFN_HIDEREADONLY, kFileFilter, this);
    const CString folder = ImportFolder();
    dlg.m_ofn.lpstrInitialDir = folder;
    // The file type chosen last decides how a file is read: the next choice offers it again.
    dlg.m_ofn.nFilterIndex = m_nChosenFileKind;
    if (dlg.DoModal() != IDOK)
        return;
    m_nChosenFileKind = dlg.m_ofn.nFilterIndex;
    // A folder that cannot be remembered costs only the next dialog its starting place.
    WriteSetting(kImportSection, kImportFolderKey, dlg.GetFolderPath());
    ReadFile(dlg.GetPathName(), static_cast<int>(dlg.m_ofn.nFilterIndex));
}

void CProductStructImportDlg::ReadFile(const CString& path, int kind) {
    m_bBusy = true;
    m_nParentCount = 0;
    m_nSelectedParent = -1;
    m_listParents.DeleteAllItems();
    m_listLines.DeleteAllItems();
    DeleteLines();
    m_refusedLines.clear();

    auto* progress = new CProgressDlg(this);
    progress->Create(CProgressDlg::IDD, this);
    progress->CenterWindow();
    progress->ShowWindow(SW_SHOW);
    progress->m_progress.SetRange(0, 10);
    progress->m_progress.SetPos(6);
    progress->SetText("正在读取数据文件中的明细信息......");

    bool fill = true;
    bool read = false;
    switch (kind) {
    case 1:
        read = ReadTableFile(path);
        break;
    case 3:
        if (m_strProductCode.IsEmpty()) {
            AfxMessageBox("须先指定归档的产品信息...");
            fill = false;
            break;
        }
        m_levelStack.clear();
        m_levelStack.emplace_back(0, m_strProductCode);
        read = ReadTextFile(path, 3);
        break;
    default:
        read = ReadTextFile(path, kind == 2 ? 2 : 4);
        break;
    }
    progress->m_progress.SetPos(10);
    progress->DestroyWindow();
    delete progress;
    if (read && (m_arrLines.GetSize() == 0 || !m_refusedLines.empty()))
        ReportRefusedLines();
    if (fill) {
        FillLists();
        CString text;
        text.Format("共 %d 条明细", m_arrLines.GetSize());
        SetDlgItemText(1246, text);
    }
    m_bBusy = false;
}

bool CProductStructImportDlg::ReadTextFile(const CString& path, int kind) {
    CString text;
    if (!CFileInfo(path).Exists()) {
        text.Format("%s不在指定位置...", path);
        AfxMessageBox(text);
        return false;
    }
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead)) {
        text.Format("打不开文件%s...", path);
        AfxMessageBox(text);
        return false;
    }
    if (!LooksLikeText(file)) {
        file.Close();
        text.Format("%s不是文本文件，不能导入...", path);
        AfxMessageBox(text);
        return false;
    }
    m_arrColumnMap.RemoveAll();
    bool header = true;
    char separator = ',';
    CString line;
    CString record; // a comma-separated record goes on while a quoted field is open
    int number = 0;
    CStringArray fields;
    while (true) {
        bool more = file.ReadString(line) != FALSE;
        bool complete = true;
        if (more) {
            ++number;
            if (!line.IsEmpty() && line[line.GetLength() - 1] == '\r')
                line = line.Left(line.GetLength() - 1);
            if (record.IsEmpty()) {
                if (line.IsEmpty())
                    continue;
                m_nLineNumber = number;
                record = line;
            } else {
                record += "\n" + line;
            }
            if (kind == 4) {
                if (header)
                    separator = CsvSeparator(record);
                complete = SplitCsvLine(record, separator, fields);
                if (!complete && number - m_nLineNumber < kMaxRecordLines)
                    continue;
            }
        } else if (record.IsEmpty()) {
            break;
        } else {
            complete = kind != 4 || SplitCsvLine(record, separator, fields);
        }
        if (kind == 2)
            SplitTabLine(record, fields);
        else if (kind == 3)
            complete = SplitQuotedLine(record, fields);
        const bool plain = IsPlainText(record);
        record.Empty();
        if (header) {
            header = false;
            CProductDataMatchDlg match;
            match.m_nWithLevel = kind == 3 ? 1 : 0;
            match.m_arrSourceColumns.Copy(fields);
            if (match.DoModal() != IDOK) {
                m_arrColumnMap.RemoveAll();
                file.Close();
                return false;
            }
            m_arrColumnMap.Copy(match.m_arrResults);
            if (m_bIgnoreFirstLine)
                continue;
        }
        if (!plain)
            Refuse("含有不是文本的字符");
        else if (!complete)
            Refuse("引号没有配对");
        else
            ParseDataLine(fields, kind);
    }
    file.Close();
    return true;
}

bool CProductStructImportDlg::ReadTableFile(const CString& path) {
    if (!CFileInfo(path).Exists()) {
        CString text;
        text.Format("%s不在指定位置...", path);
        AfxMessageBox(text);
        return false;
    }
    m_arrTitleIDs.RemoveAll();
    m_arrTitleValues.RemoveAll();
    m_arrDetailIDs.RemoveAll();
    m_arrDetailNames.RemoveAll();
    m_arrColumnMap.RemoveAll();

    CVQReadTblTool tool;
    tool.SetTblFile(path);
    if (!tool.GetTitleItemIDAndValue() || !tool.GetDetailDefineDataAndValue()) {
        CString text;
        text.Format("%s不是VQPDM独立明细表文件，或含有不能识别的内容，不能导入...", path);
        AfxMessageBox(text);
        return false;
    }
    m_arrTitleIDs.Copy(tool.m_arrTitleItemIDs);
    m_arrTitleValues.Copy(tool.m_arrTitleItemValues);
    CArray<CAttribValueTable> tables;
    tables.Copy(tool.m_arrDetailTables);
    m_arrDetailIDs.Copy(tool.m_arrDetailIDs);
    m_arrDetailNames.Copy(tool.m_arrDetailNames);
    if (tables.GetSize() == 0) {
        AfxMessageBox("该报表无明细区，不能进行数据导入...");
        return false;
    }
    const CAttribValueTable& table = tables[0];
    CStringArray labels;
    table.GetAttribLableRecord(labels);
    CProductDataMatchDlg match;
    match.m_nWithLevel = 0;
    match.m_arrSourceColumns.Copy(labels);
    if (match.DoModal() != IDOK)
        return false;
    m_arrColumnMap.Copy(match.m_arrResults);

    int columns = labels.GetSize();
    CStringArray values;
    for (int row = 0; row < table.GetTableLogicSize(); ++row) {
        m_nLineNumber = row + 1;
        table.GetAttribValueRecord(row, values);
        if (values.GetSize() < columns)
            columns = values.GetSize();
        bool plain = true;
        for (const CString& value : values)
            plain = plain && IsPlainText(value);
        if (!plain) {
            Refuse("含有不是文本的字符");
            continue;
        }
        auto* item = new CProductStructItem;
        for (int i = 0; i < columns && i < m_arrColumnMap.GetSize(); ++i) {
            CString value = values[i];
            value.Trim(' ');
            ApplyAttribute(*item, m_arrColumnMap[i], value);
        }
        FileLine(item, 0, 1);
    }
    return true;
}

void CProductStructImportDlg::FillLists() {
    // The lines of each parent, and the name of the first line of each parent's code, found
    // once (the names of the parents only: a large file has far fewer parents than lines).
    m_linesByParent.clear();
    std::unordered_map<std::string, CString> nameOfCode;
    const int count = m_arrLines.GetSize();
    CProductStructItem line;
    for (int i = 0; i < count; ++i) {
        m_arrLines.Get(i, line);
        m_linesByParent[LowerKey(line.m_strUpCode)].push_back(i);
    }
    for (int i = 0; i < count; ++i) {
        m_arrLines.Get(i, line);
        std::string key = LowerKey(line.m_strCode);
        if (m_linesByParent.count(key))
            nameOfCode.emplace(std::move(key), line.m_strName);
    }

    CProgressWnd progress(this, "正在进行");
    progress.SetText((CString("需处理 %d 条明细数据......") + kStopHint).c_str(), count);
    progress.SetRange(0, count, 1);
    ProgressPace pace;
    ShowWindow(SW_SHOWNA);
    std::unordered_set<std::string> listed;
    for (int i = 0; i < count; ++i) {
        if (pace.Due(i, count)) {
            progress.SetText((CString("共 %d 条，正处理第 %d 条......") + kStopHint).c_str(), count, i + 1);
            progress.SetPos(i + 1);
            progress.PeekAndPump();
        }
        if (progress.m_cancelled || m_bClosing) {
            progress.Hide();
            break;
        }
        CProductStructItem line;
        m_arrLines.Get(i, line);
        CProductStructItem* item = &line;
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
        CProductStructItem line;
        m_arrLines.Get(index, line);
        CProductStructItem* item = &line;
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
    m_bStoreFailed = FALSE;

    auto* progress = new CProgressDlg(this);
    progress->Create(CProgressDlg::IDD, this);
    progress->CenterWindow();
    progress->ShowWindow(SW_SHOW);
    progress->m_progress.SetRange(0, 10);
    m_nKeptAssemblies = 0;
    m_strFailCause.Empty();
    m_bFailCauseShown = false;
    m_storedParents.clear();
    m_failedTitles.clear();
    m_bBoundStore = false;
    BeginStore();
    if (m_bOuterTransaction) {
        try {
            PrepareStoreCommands();
            m_bBoundStore = true;
        } catch (_com_error&) {
            // The text statements say what is wrong, statement by statement.
        }
    }
    PlanByIndex(true);
    bool goOn = !m_bStoreFailed;
    if (goOn && separate == 0) {
        progress->m_progress.SetPos(2);
        progress->SetText("正在存储标题信息......");
        goOn = StoreTitles();
    }
    if (goOn) {
        progress->m_progress.SetPos(6);
        progress->SetText("正在存储明细信息......");
        StoreDetails();
    }
    if (m_bStoreStopped && !m_bStoreFailed && m_bOuterTransaction)
        KeepWholeAssemblies(separate == 0);
    EndStore();
    PlanByIndex(false);
    m_titleDelete = m_titleInsert = m_detailDelete = m_detailInsert = nullptr;
    progress->m_progress.SetPos(10);
    progress->DestroyWindow();
    delete progress;

    AfxMessageBox(StoreMessage());
}

CString CProductStructImportDlg::StoreMessage() const {
    CString text;
    if (m_bAllOrNothing && m_bStoreFailed) {
        // The transaction is gone: whatever was written before the failure went with it.
        text = "产品结构信息存储失败，没有存储任何数据。";
        if (!m_strFailCause.IsEmpty())
            text += "\n" + m_strFailCause;
        return text;
    }
    if (m_bAllOrNothing && m_bStoreStopped) {
        if (m_nKeptAssemblies == 0)
            return "产品结构信息存储已中止，没有存储任何数据。";
        text.Format("产品结构信息存储已中止，已完整存储 %d 个装配，其余数据没有存储。", m_nKeptAssemblies);
        return text;
    }
    // Units committed one by one: those stored before a stop or a failure stay.
    text = m_bStoreStopped || m_bStoreFailed ? "产品结构信息存储已中止，已存储的数据保留..."
                                             : "产品结构信息存储完毕...";
    if (m_nFailedRows > 0)
        text.AppendFormat("\n有 %d 条数据未能存储。", m_nFailedRows);
    if (m_bStoreFailed && !m_bFailCauseShown && !m_strFailCause.IsEmpty())
        text += "\n" + m_strFailCause;
    return text;
}

// A stop keeps whole assemblies only. The transaction holds the lines of the parents stored
// before the stop, each whole (a failed parent was undone to its savepoint), but it also holds
// the title rows of every line, written before any line. Where titles were written, or a parent's
// own title failed, the transaction starts again and writes the assemblies to keep alone; without
// any, it is rolled back.
void CProductStructImportDlg::KeepWholeAssemblies(bool titlesStored) {
    std::vector<int> kept;
    for (int row : m_storedParents)
        if (m_failedTitles.count(LowerKey(m_listParents.GetItemText(row, 0))) == 0)
            kept.push_back(row);
    if (!kept.empty() && !titlesStored && kept.size() == m_storedParents.size()) {
        m_nKeptAssemblies = static_cast<int>(kept.size());
        return;
    }
    try {
        m_pConnection->RollbackTrans();
        m_bOuterTransaction = false;
        m_nRowsInTransaction = 0;
        if (kept.empty() || !m_bBoundStore)
            return;
        m_pConnection->BeginTrans();
        m_bOuterTransaction = true;
    } catch (_com_error& e) {
        ReportFailure(e);
        FailStore(0);
        return;
    }
    PlanByIndex(true);
    if (RestoreAssemblies(kept, titlesStored))
        m_nKeptAssemblies = static_cast<int>(kept.size());
}

// Writes the parents of the rows again, each with all its lines, and with titlesStored the titles
// of those parents and of their parts (a part that is a parent not kept is left out: nothing of
// it stays), through the prepared commands. False after a failure, which ends the store.
bool CProductStructImportDlg::RestoreAssemblies(const std::vector<int>& rows, bool titlesStored) {
    CWaitCursor wait;
    std::unordered_set<std::string> keptParents, codes;
    std::vector<DetailUnit> units;
    for (int row : rows) {
        const CString upCode = m_listParents.GetItemText(row, 0);
        keptParents.insert(LowerKey(upCode));
        codes.insert(LowerKey(upCode));
        auto group = m_linesByParent.find(LowerKey(upCode));
        if (group == m_linesByParent.end())
            continue;
        units.push_back({row, upCode, ParentName(row), &group->second});
        for (int index : group->second) {
            CProductStructItem line;
            m_arrLines.Get(index, line);
            codes.insert(LowerKey(line.m_strCode));
        }
    }
    std::unordered_set<std::string> parents;
    for (int r = 0; r < m_listParents.GetItemCount(); ++r) {
        std::string key = LowerKey(m_listParents.GetItemText(r, 0));
        if (keptParents.count(key) == 0)
            codes.erase(key);
        parents.insert(std::move(key));
    }
    try {
        if (titlesStored) {
            // Each code once, with the values of its last line (as the whole store leaves it).
            std::unordered_map<std::string, int> lastLine;
            for (int i = 0; i < m_arrLines.GetSize(); ++i) {
                CProductStructItem line;
                m_arrLines.Get(i, line);
                std::string key = LowerKey(line.m_strCode);
                if ((!line.m_strFrame.IsEmpty() || parents.count(key)) && codes.count(key) &&
                    m_failedTitles.count(key) == 0)
                    lastLine[key] = i;
            }
            std::vector<int> lines;
            for (const auto& entry : lastLine)
                lines.push_back(entry.second);
            std::sort(lines.begin(), lines.end());
            for (std::size_t first = 0; first < lines.size();
                 first += static_cast<std::size_t>(kTitlesPerBatch)) {
                std::vector<CString> batchCodes;
                std::vector<std::vector<_variant_t>> inserts;
                for (std::size_t k = first;
                     k < std::min(lines.size(), first + static_cast<std::size_t>(kTitlesPerBatch)); ++k) {
                    CProductStructItem line;
                    m_arrLines.Get(lines[k], line);
                    batchCodes.push_back(line.m_strCode);
                    inserts.push_back(TitleValues(line, m_strTitleTime));
                }
                m_titleDelete->ExecuteArray(CodeLists({}, batchCodes));
                m_titleInsert->ExecuteArray(inserts);
            }
        }
        std::vector<std::vector<_variant_t>> deletes, inserts;
        for (std::size_t k = 0; k < units.size(); ++k) {
            DetailValues(units[k], &deletes, inserts);
            if (inserts.size() >= kDetailLinesPerBatch || k + 1 == units.size()) {
                m_detailDelete->ExecuteArray(deletes);
                m_detailInsert->ExecuteArray(inserts);
                deletes.clear();
                inserts.clear();
            }
        }
    } catch (_com_error& e) {
        ReportFailure(e);
        FailStore(0);
        return false;
    }
    return true;
}

// The store's statements find their rows by lists of codes: while it runs the session plans by
// index (its first transaction sets it; a store that ends in a rollback takes it back with it).
void CProductStructImportDlg::PlanByIndex(bool on) {
    if (m_bBoundStore)
        PlanReadsByIndex(m_pConnection, on);
}

void CProductStructImportDlg::BeginStore() {
    m_bOuterTransaction = false;
    m_bAllOrNothing = false;
    m_nRowsInTransaction = 0;
    if (!m_pConnection || m_pConnection->InTransaction())
        return;
    vq::db::Engine engine = m_pConnection->GetEngine();
    if (engine != vq::db::Engine::SQLite && engine != vq::db::Engine::PostgreSQL)
        return;
    try {
        m_pConnection->BeginTrans();
        m_bOuterTransaction = true;
        m_bAllOrNothing = true;
        // The first exchange with the server: a session it has ended is found before anything is
        // written, and the store ends having stored nothing.
        m_pConnection->Execute("SELECT 1", nullptr, adCmdText);
    } catch (_com_error& e) {
        // A database that takes no writes (lost, read-only, full, locked) ends the store here,
        // having stored nothing; the last message says why.
        if (NoWriteCanSucceed(ClassifyDbError(e))) {
            m_bAllOrNothing = true;
            ReportFailure(e);
            FailStore(0);
        }
        // Otherwise the statements that follow say what is wrong; without a transaction each unit
        // commits on its own.
    }
}

bool CProductStructImportDlg::EndStore() {
    if (!m_bOuterTransaction)
        return !m_bStoreFailed;
    if (m_bStoreFailed) {
        FailStore(0);
        return false;
    }
    try {
        m_pConnection->CommitTrans();
        m_bOuterTransaction = false;
        m_nRowsInTransaction = 0;
        return true;
    } catch (_com_error& e) {
        ReportFailure(e);
        FailStore(0);
        return false;
    }
}

void CProductStructImportDlg::FailStore(int rowsOfUnit) {
    // What was not committed is gone (or goes now): count it, and write nothing more.
    m_bStoreFailed = TRUE;
    m_nFailedRows += rowsOfUnit;
    if (m_bOuterTransaction) {
        m_nFailedRows += m_nRowsInTransaction;
        m_nRowsInTransaction = 0;
        m_bOuterTransaction = false;
    }
    m_bUnitTransaction = false;
    if (m_pConnection && m_pConnection->InTransaction()) {
        try {
            m_pConnection->RollbackTrans();
        } catch (_com_error&) {
            // The connection is gone or the transaction already ended: nothing was kept.
        }
    }
}

bool CProductStructImportDlg::BeginUnit() {
    m_bUnitTransaction = false;
    if (!m_pConnection)
        return false;
    try {
        if (m_bOuterTransaction) {
            m_pConnection->Execute("SAVEPOINT vq_store_unit");
        } else if (!m_pConnection->InTransaction()) {
            m_pConnection->BeginTrans();
            m_bUnitTransaction = true;
        }
        return true;
    } catch (_com_error& e) {
        ReportFailure(e);
        return false;
    }
}

bool CProductStructImportDlg::EndUnit(bool keep, int rows) {
    if (!m_pConnection)
        return false;
    bool counted = false;
    try {
        if (m_bOuterTransaction) {
            if (!keep)
                m_pConnection->Execute("ROLLBACK TO SAVEPOINT vq_store_unit");
            m_pConnection->Execute("RELEASE SAVEPOINT vq_store_unit");
            if (keep) {
                m_nRowsInTransaction += rows;
                counted = true;
            }
        } else if (m_bUnitTransaction) {
            m_bUnitTransaction = false;
            if (keep)
                m_pConnection->CommitTrans();
            else
                m_pConnection->RollbackTrans();
        }
        return true;
    } catch (_com_error& e) {
        ReportFailure(e);
        // A unit to be kept is lost with the transaction, unless its rows are already counted
        // among the uncommitted ones; a failed unit counted its rows itself.
        FailStore(keep && !counted ? rows : 0);
        return false;
    }
}

bool CProductStructImportDlg::AskStop(const CString&, const char* question) {
    if (theApp.m_bConnectionLost || m_bStoreFailed)
        return true; // every further statement would fail the same way: the final message says it
    // The failing statement has been shown with its cause (ExecuteSql): the question follows.
    return vq::ShowMessageBox("操作提示", question, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// --- Statements of the store --------------------------------------------------------------------
// Where the store runs in one transaction (SQLite, PostgreSQL) it writes through prepared commands
// with bound values: the titles and the details in batches of units (one call per statement and
// batch). When a batch or a unit fails, it is undone and run again statement by statement as
// text, so that the failing statement is shown and asked about as always; a database that takes
// no writes (a lost connection, read-only, full, locked) ends the store at once.

_CommandPtr CProductStructImportDlg::PreparedCommand(const CString& text) {
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(m_pConnection);
    cmd->PutCommandText(text);
    cmd->PutPrepared(true);
    return cmd;
}

void CProductStructImportDlg::PrepareStoreCommands() {
    const CString file = m_nStoreArea != 1 ? CString() : CString("FileID, ");
    const CString fileValue = m_nStoreArea != 1 ? CString() : CString("'_X_SAVE_', ");
    CString sql;
    // Deletes by one code (by parent and code), which the database layer runs for all codes of a
    // call as one statement.
    sql.Format("DELETE FROM %s WHERE Tcode=?", m_strTitleTable);
    m_titleDelete = PreparedCommand(sql);
    sql.Format(
        "INSERT INTO %s (%sTcode, Tname, Tframe, TMaterial, TWeight, Ttime, ProductDwgCode, Tother1, "
        "Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, Manager, State) VALUES(%s?, ?, ?, ?, ?, "
        "?, ?, ?, '#', ?, ?, ?, 'A', 'A', ?, '数据导入')",
        m_strTitleTable, file, fileValue);
    m_titleInsert = PreparedCommand(sql);
    sql.Format("DELETE FROM %s WHERE UpCode=? AND Dcode=?", m_strDetailTable);
    m_detailDelete = PreparedCommand(sql);
    sql.Format(
        "INSERT INTO %s (%sUpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dweight, Dremark, "
        "Dstand, Dstyle, Dother1, Dother2, ProductDwgCode) VALUES(%s?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?)",
        m_strDetailTable, file, fileValue);
    m_detailInsert = PreparedCommand(sql);
}

// The values of the deletes of a list of codes: one set per code, after the leading values.
std::vector<std::vector<_variant_t>> CProductStructImportDlg::CodeLists(const std::vector<_variant_t>& leading,
                                                                        const std::vector<CString>& codes) const {
    std::vector<std::vector<_variant_t>> lists;
    for (const CString& code : codes) {
        std::vector<_variant_t>& list = lists.emplace_back(leading);
        list.push_back(code);
    }
    return lists;
}

// A weight as the text statements store it ("%f": six decimals).
double CProductStructImportDlg::StoredWeight(double weight) {
    return ParseDouble(SqlNumber(weight));
}

CString CProductStructImportDlg::TitleName(const CProductStructItem& line) const {
    if (line.m_strName.IsEmpty() && line.m_strCode.CompareNoCase(m_strProductCode) == 0)
        return m_strProductName;
    return line.m_strName;
}

std::vector<_variant_t> CProductStructImportDlg::TitleValues(const CProductStructItem& line,
                                                             const CString& now) const {
    return {line.m_strCode,
            TitleName(line),
            line.m_strFrame,
            line.m_strMaterial,
            StoredWeight(line.m_dWeight),
            now,
            m_strProductDwgCode,
            line.m_strTitleOther1,
            line.m_strTitleOther3,
            line.m_strTitleOther4,
            line.m_strTitleOther5,
            m_strLoginUser};
}

CString CProductStructImportDlg::ParentName(int row) const {
    const CString upName = m_listParents.GetItemText(row, 1);
    if (upName.IsEmpty() && m_listParents.GetItemText(row, 0).CompareNoCase(m_strProductCode) == 0)
        return m_strProductName;
    return upName;
}

void CProductStructImportDlg::ReportFailure(const _com_error& e) {
    const DbFailure failure = ClassifyDbError(e);
    // In one transaction a failure stored nothing, and the store's last message says so and why,
    // in one box. Unit by unit, a database that takes no writes is said there too; any other
    // failure is shown as it happens. The next action opens a lost connection again.
    const bool saidAtTheEnd =
        m_bAllOrNothing || (NoWriteCanSucceed(failure) && failure != DbFailure::ConnectionLost);
    if (saidAtTheEnd) {
        if (failure == DbFailure::ConnectionLost)
            theApp.m_bConnectionLost = TRUE;
    } else {
        ReportStoreError(e);
    }
    if (!m_strFailCause.IsEmpty())
        return;
    m_bFailCauseShown = !saidAtTheEnd;
    m_strFailCause = failure != DbFailure::Other ? DbFailureText(failure) : CString(e.Description());
}

bool CProductStructImportDlg::RunStatement(const CString& sql) {
    try {
        _Connection::CheckUsable(m_pConnection);
        m_pConnection->Execute(sql, nullptr, adCmdText);
        return true;
    } catch (_com_error& e) {
        if (NoWriteCanSucceed(ClassifyDbError(e))) {
            ReportFailure(e);
            FailStore(0);
        } else {
            theApp.ReportSqlError(e, sql);
        }
    }
    return false;
}

bool CProductStructImportDlg::StoreTitleBatch(TitleBatch& batch, const CString& now) {
    if (batch.lines.empty())
        return true;
    const int units = static_cast<int>(batch.lines.size());
    TitleBatch pending;
    std::swap(pending, batch);
    try {
        m_pConnection->Execute("SAVEPOINT vq_store_batch");
        m_titleDelete->ExecuteArray(CodeLists({}, pending.codesInOrder));
        m_titleInsert->ExecuteArray(pending.inserts);
        m_pConnection->Execute("RELEASE SAVEPOINT vq_store_batch");
        m_nRowsInTransaction += units;
        return true;
    } catch (_com_error& e) {
        // A database that takes no writes ends the store: the next statement would fail the same
        // way (SQLite may have rolled the whole transaction back already).
        if (NoWriteCanSucceed(ClassifyDbError(e))) {
            ReportFailure(e);
            FailStore(units);
            return false;
        }
        try {
            m_pConnection->Execute("ROLLBACK TO SAVEPOINT vq_store_batch");
            m_pConnection->Execute("RELEASE SAVEPOINT vq_store_batch");
        } catch (_com_error& undo) {
            ReportFailure(undo);
            FailStore(units);
            return false;
        }
    }
    for (std::size_t k = 0; k < pending.lines.size(); ++k) {
        CProductStructItem line;
        m_arrLines.Get(pending.lines[k], line);
        if (!StoreTitleUnit(line, pending.names[k], now))
            return false;
    }
    return true;
}

bool CProductStructImportDlg::StoreTitles() {
    CWaitCursor wait;
    UpdateData(TRUE);
    m_strTitleTime = theApp.GetServerDateTime();
    const CString& now = m_strTitleTime;
    std::unordered_set<std::string> parents;
    for (int r = 0; r < m_listParents.GetItemCount(); ++r)
        parents.insert(LowerKey(m_listParents.GetItemText(r, 0)));

    const int count = m_arrLines.GetSize();
    CProgressWnd progress(this, "正在进行");
    progress.SetText((CString("需处理 %d 条明细数据......") + kStopHint).c_str(), count);
    progress.SetRange(0, count, 1);
    ProgressPace pace;
    TitleBatch batch;
    for (int i = 0; i < count; ++i) {
        if (pace.Due(i, count)) {
            progress.SetText((CString("共 %d 条，正处理第 %d 条......") + kStopHint).c_str(), count, i + 1);
            progress.SetPos(i + 1);
            progress.PeekAndPump();
        }
        if (progress.m_cancelled || m_bClosing) {
            // Stopping means stopping: no lines are stored, and so no assembly is whole.
            m_bStoreStopped = TRUE;
            progress.Hide();
            return false;
        }
        CProductStructItem line;
        m_arrLines.Get(i, line);
        if (line.m_strFrame.IsEmpty() && parents.count(LowerKey(line.m_strCode)) == 0)
            continue;
        const CString name = TitleName(line);
        if (!m_bBoundStore) {
            if (!StoreTitleUnit(line, name, now))
                return false;
            continue;
        }
        // A code twice in one batch would have its row twice: the earlier unit goes first.
        if (!batch.codes.insert(LowerKey(line.m_strCode)).second) {
            if (!StoreTitleBatch(batch, now))
                return false;
            batch.codes.insert(LowerKey(line.m_strCode));
        }
        batch.lines.push_back(i);
        batch.names.push_back(name);
        batch.codesInOrder.push_back(line.m_strCode);
        batch.inserts.push_back(TitleValues(line, now));
        if (static_cast<int>(batch.lines.size()) >= kTitlesPerBatch && !StoreTitleBatch(batch, now))
            return false;
    }
    return StoreTitleBatch(batch, now);
}

// One title as text statements in a unit of its own; false when the store must stop.
bool CProductStructImportDlg::StoreTitleUnit(const CProductStructItem& line, const CString& name,
                                             const CString& now) {
    const CProductStructItem* item = &line;
    if (!BeginUnit()) {
        FailStore(1);
        return false;
    }
    CString sql;
    sql.Format("DELETE FROM %s WHERE Tcode='%s'", m_strTitleTable, SqlQuote(item->m_strCode));
    // A title is one row: counted once, whether its delete, its insert or both failed.
    bool counted = false;
    if (!RunStatement(sql)) {
        ++m_nFailedRows;
        counted = true;
        m_failedTitles.insert(LowerKey(item->m_strCode));
        if (AskStop(sql, "插入标题出错，是否退出?")) {
            EndUnit(false, 1);
            m_bStoreStopped = TRUE;
            return false;
        }
    }
    if (m_nStoreArea != 1)
        sql.Format(
            "INSERT INTO %s (Tcode, Tname, Tframe, TMaterial, TWeight, Ttime, ProductDwgCode, Tother1, "
            "Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, Manager, State) VALUES('%s', '%s', "
            "'%s', '%s', %s, '%s', '%s', '%s', '#', '%s', '%s', '%s', 'A', 'A', '%s', '数据导入')",
            m_strTitleTable, SqlQuote(item->m_strCode), SqlQuote(name), SqlQuote(item->m_strFrame),
            SqlQuote(item->m_strMaterial), SqlNumber(item->m_dWeight), SqlQuote(now),
            SqlQuote(m_strProductDwgCode), SqlQuote(item->m_strTitleOther1), SqlQuote(item->m_strTitleOther3),
            SqlQuote(item->m_strTitleOther4), SqlQuote(item->m_strTitleOther5), SqlQuote(m_strLoginUser));
    else
        sql.Format("INSERT INTO %s (FileID, Tcode, Tname, Tframe, TMaterial, TWeight, Ttime, ProductDwgCode, "
                   "Tother1, Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, Manager, State) "
                   "VALUES('_X_SAVE_', '%s', '%s', '%s', '%s', %s, '%s', '%s', '%s', '#', '%s', '%s', '%s', "
                   "'A', "
                   "'A', '%s', '数据导入')",
                   m_strTitleTable, SqlQuote(item->m_strCode), SqlQuote(name), SqlQuote(item->m_strFrame),
                   SqlQuote(item->m_strMaterial), SqlNumber(item->m_dWeight), SqlQuote(now),
                   SqlQuote(m_strProductDwgCode), SqlQuote(item->m_strTitleOther1),
                   SqlQuote(item->m_strTitleOther3), SqlQuote(item->m_strTitleOther4),
                   SqlQuote(item->m_strTitleOther5), SqlQuote(m_strLoginUser));
    if (!RunStatement(sql)) {
        // The old title row comes back: a failed insert loses nothing.
        bool kept = m_bStoreFailed ? false : EndUnit(false, 1);
        if (!counted)
            ++m_nFailedRows;
        m_failedTitles.insert(LowerKey(item->m_strCode));
        if (!kept || AskStop(sql, "插入标题出错，是否退出?")) {
            m_bStoreStopped = TRUE;
            return false;
        }
        return true;
    }
    return EndUnit(true, 1);
}

bool CProductStructImportDlg::StoreDetails() {
    CWaitCursor wait;
    const int rows = m_listParents.GetItemCount();
    CProgressWnd progress(this, "正在进行");
    progress.SetText((CString("需处理 %d 条明细数据......") + kStopHint).c_str(), rows);
    progress.SetRange(0, rows, 1);
    ProgressPace pace;
    std::vector<DetailUnit> batch;
    std::size_t batchLines = 0;
    for (int r = 0; r < rows; ++r) {
        if (pace.Due(r, rows)) {
            progress.SetText((CString("共 %d 条，正处理第 %d 条......") + kStopHint).c_str(), rows, r + 1);
            progress.SetPos(r + 1);
            progress.PeekAndPump();
        }
        if (progress.m_cancelled || m_bClosing) {
            // The parents before stay stored.
            StoreDetailBatch(batch);
            m_bStoreStopped = TRUE;
            progress.Hide();
            return false;
        }
        const CString upCode = m_listParents.GetItemText(r, 0);
        auto group = m_linesByParent.find(LowerKey(upCode));
        if (group == m_linesByParent.end())
            continue;
        const DetailUnit unit{r, upCode, ParentName(r), &group->second};
        if (!m_bBoundStore) {
            if (!StoreDetailUnit(unit))
                return false;
            continue;
        }
        batch.push_back(unit);
        batchLines += unit.lines->size();
        if (batch.size() >= kDetailUnitsPerBatch || batchLines >= kDetailLinesPerBatch) {
            batchLines = 0;
            if (!StoreDetailBatch(batch))
                return false;
        }
    }
    return StoreDetailBatch(batch);
}

// One parent's deletes and inserts as text statements in a unit of their own; false when the
// store must stop.
bool CProductStructImportDlg::StoreDetailUnit(const DetailUnit& unit) {
    const int rows = static_cast<int>(unit.lines->size());
    if (!BeginUnit()) {
        FailStore(rows);
        return false;
    }
    bool stop = false;
    bool failed = false;
    StoreDetailsAsText(unit.upCode, unit.upName, *unit.lines, failed, stop);
    // A failed parent keeps its old lines whole; going on continues with the next parent.
    if (failed)
        m_nFailedRows += rows;
    if (!EndUnit(!failed, rows))
        return false;
    if (!failed)
        m_storedParents.push_back(unit.row);
    if (stop) {
        m_bStoreStopped = TRUE;
        return false;
    }
    return true;
}

// The parents of a batch, all together; when that fails, parent by parent, each as two
// statements through the prepared commands inside one savepoint. When a parent fails there the
// batch is undone: the parents before it are stored again, the failing one statement by
// statement as text (which shows and asks as always), the rest as a batch again. A database that
// takes no writes (a lost connection, read-only, full) ends the store, counting what the
// transaction lost.
bool CProductStructImportDlg::StoreDetailBatch(std::vector<DetailUnit>& batch) {
    if (batch.empty())
        return true;
    std::vector<DetailUnit> units;
    std::swap(units, batch);
    if (units.size() > 1) {
        switch (StoreDetailsAsSet(units)) {
        case SetResult::Stored:
            return true;
        case SetResult::Stop:
            return false;
        case SetResult::Failed:
            break; // parent by parent: the failing one is found, shown and asked about as always
        }
    }
    return StoreDetailsByParent(units);
}

// All parents of a batch inside a savepoint: their deletes as one call, their inserts as one
// call. Failed: undone, nothing counted; Stop: the store has ended (the connection is lost, or
// undoing failed). A database that takes no writes loses the rows of the whole batch, which went
// to the server together.
CProductStructImportDlg::SetResult CProductStructImportDlg::StoreDetailsAsSet(const std::vector<DetailUnit>& units) {
    std::unordered_set<std::string> parents;
    for (const DetailUnit& unit : units)
        // A parent twice (in two spellings) deletes what its first unit wrote: run them in order.
        if (!parents.insert(LowerKey(unit.upCode)).second)
            return SetResult::Failed;
    int rows = 0;
    for (const DetailUnit& unit : units)
        rows += static_cast<int>(unit.lines->size());
    try {
        m_pConnection->Execute("SAVEPOINT vq_store_batch");
        std::vector<std::vector<_variant_t>> deletes, inserts;
        const std::unordered_set<std::string> stored = ParentsWithLines(units);
        for (const DetailUnit& unit : units)
            DetailValues(unit, stored.count(LowerKey(unit.upCode)) ? &deletes : nullptr, inserts);
        if (!deletes.empty())
            m_detailDelete->ExecuteArray(deletes);
        m_detailInsert->ExecuteArray(inserts);
        m_pConnection->Execute("RELEASE SAVEPOINT vq_store_batch");
    } catch (_com_error& e) {
        if (NoWriteCanSucceed(ClassifyDbError(e))) {
            ReportFailure(e);
            m_nFailedRows += rows;
            FailStore(0);
            m_bStoreStopped = TRUE;
            return SetResult::Stop;
        }
        try {
            m_pConnection->Execute("ROLLBACK TO SAVEPOINT vq_store_batch");
            m_pConnection->Execute("RELEASE SAVEPOINT vq_store_batch");
        } catch (_com_error& undo) {
            ReportFailure(undo);
            FailStore(rows);
            return SetResult::Stop;
        }
        return SetResult::Failed;
    }
    m_nRowsInTransaction += rows;
    for (const DetailUnit& unit : units)
        m_storedParents.push_back(unit.row);
    return SetResult::Stored;
}

// The parents of a batch that have lines stored already, in lower case: only their lines need a
// delete first. A delete costs a search of the index for each line even when nothing is there,
// and most parents of an import are new: one search per parent finds those that are not.
std::unordered_set<std::string> CProductStructImportDlg::ParentsWithLines(const std::vector<DetailUnit>& units) {
    CString list;
    for (const DetailUnit& unit : units)
        list.AppendFormat(list.IsEmpty() ? "'%s'" : ",'%s'", SqlQuote(unit.upCode));
    CString sql;
    sql.Format("SELECT DISTINCT UpCode FROM %s WHERE UpCode IN (%s)", m_strDetailTable, list);
    std::unordered_set<std::string> parents;
    for (_RecordsetPtr rs = m_pConnection->Execute(sql); !rs->IsEOF(); rs->MoveNext())
        parents.insert(LowerKey(VariantToString(rs->GetCollect(0L))));
    return parents;
}

// The parents of a batch one after another (see StoreDetailBatch).
bool CProductStructImportDlg::StoreDetailsByParent(std::vector<DetailUnit>& units) {
    if (units.empty())
        return true;
    auto rowsOf = [&](std::size_t first, std::size_t end) {
        int rows = 0;
        for (std::size_t k = first; k < end; ++k)
            rows += static_cast<int>(units[k].lines->size());
        return rows;
    };
    try {
        m_pConnection->Execute("SAVEPOINT vq_store_batch");
    } catch (_com_error& e) {
        ReportFailure(e);
        FailStore(rowsOf(0, 1));
        return false;
    }
    std::size_t failing = units.size();
    _com_error error(S_OK);
    for (std::size_t k = 0; k < units.size(); ++k) {
        try {
            StoreDetailsBound(units[k]);
        } catch (_com_error& e) {
            failing = k;
            error = e;
            break;
        }
    }
    if (failing == units.size()) {
        try {
            m_pConnection->Execute("RELEASE SAVEPOINT vq_store_batch");
        } catch (_com_error& e) {
            ReportFailure(e);
            FailStore(rowsOf(0, units.size()));
            return false;
        }
        m_nRowsInTransaction += rowsOf(0, units.size());
        for (const DetailUnit& unit : units)
            m_storedParents.push_back(unit.row);
        return true;
    }
    if (NoWriteCanSucceed(ClassifyDbError(error))) {
        ReportFailure(error);
        m_nFailedRows += rowsOf(failing, failing + 1);
        m_nRowsInTransaction += rowsOf(0, failing); // written in the transaction that is lost
        try {
            m_pConnection->Execute("ROLLBACK TO SAVEPOINT vq_store_batch");
        } catch (_com_error& e) {
            ReportFailure(e);
        }
        FailStore(0);
        m_bStoreStopped = TRUE;
        return false;
    }
    try {
        m_pConnection->Execute("ROLLBACK TO SAVEPOINT vq_store_batch");
        m_pConnection->Execute("RELEASE SAVEPOINT vq_store_batch");
    } catch (_com_error& e) {
        ReportFailure(e);
        FailStore(rowsOf(0, failing + 1));
        return false;
    }
    std::vector<DetailUnit> before(units.begin(), units.begin() + static_cast<long>(failing));
    std::vector<DetailUnit> after(units.begin() + static_cast<long>(failing) + 1, units.end());
    return StoreDetailsByParent(before) && StoreDetailUnit(units[failing]) && StoreDetailsByParent(after);
}

// The deletes and inserts of one parent as text statements, inside its unit.
void CProductStructImportDlg::StoreDetailsAsText(const CString& upCode, const CString& upName,
                                                 const std::vector<int>& lines, bool& failed, bool& stop) {
    CString sql;
    for (int index : lines) {
        CProductStructItem line;
        m_arrLines.Get(index, line);
        CProductStructItem* item = &line;
        sql.Format("DELETE FROM %s WHERE UpCode='%s' AND Dcode='%s'", m_strDetailTable, SqlQuote(upCode),
                   SqlQuote(item->m_strCode));
        if (!RunStatement(sql) && AskStop(sql, "删除明细出错，是否退出?")) {
            stop = true;
            failed = true;
            break;
        }
    }
    int position = 1;
    for (std::size_t k = 0; !stop && k < lines.size(); ++k, ++position) {
        CProductStructItem line;
        m_arrLines.Get(lines[k], line);
        CProductStructItem* item = &line;
        if (item->m_nItem < 1) {
            item->m_nItem = position;
            m_arrLines.SetItem(lines[k], position);
        }
        if (m_nStoreArea != 1)
            sql.Format("INSERT INTO %s (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, "
                       "Dweight, Dremark, "
                       "Dstand, Dstyle, Dother1, Dother2, ProductDwgCode) VALUES('%s', '%s', %d, '%s', "
                       "'%s', '%s', "
                       "%d, %s, '%s', '%s', '%s', '%s', '%s', '%s')",
                       m_strDetailTable, SqlQuote(item->m_strUpCode), SqlQuote(upName), item->m_nItem,
                       SqlQuote(item->m_strCode), SqlQuote(item->m_strName), SqlQuote(item->m_strMaterial),
                       item->m_nQuantity, SqlNumber(item->m_dWeight), SqlQuote(item->m_strRemark),
                       SqlQuote(item->m_strStand), SqlQuote(item->m_strStyle), SqlQuote(item->m_strOther1),
                       SqlQuote(item->m_strOther2), SqlQuote(m_strProductDwgCode));
        else
            sql.Format("INSERT INTO %s (FileID, UpCode, UpName, Ditem, Dcode, Dname, DMaterial, "
                       "Dquantity, Dweight, "
                       "Dremark, Dstand, Dstyle, Dother1, Dother2, ProductDwgCode) VALUES('_X_SAVE_', "
                       "'%s', '%s', "
                       "%d, '%s', '%s', '%s', %d, %s, '%s', '%s', '%s', '%s', '%s', '%s')",
                       m_strDetailTable, SqlQuote(item->m_strUpCode), SqlQuote(upName), item->m_nItem,
                       SqlQuote(item->m_strCode), SqlQuote(item->m_strName), SqlQuote(item->m_strMaterial),
                       item->m_nQuantity, SqlNumber(item->m_dWeight), SqlQuote(item->m_strRemark),
                       SqlQuote(item->m_strStand), SqlQuote(item->m_strStyle), SqlQuote(item->m_strOther1),
                       SqlQuote(item->m_strOther2), SqlQuote(m_strProductDwgCode));
        if (!RunStatement(sql)) {
            failed = true;
            stop = AskStop(sql, "插入明细信息出错，是否退出?");
            break;
        }
    }
}

// The values of one parent's inserts, and of its deletes unless deletes is null (a parent without
// stored lines), through the prepared commands.
void CProductStructImportDlg::DetailValues(const DetailUnit& unit, std::vector<std::vector<_variant_t>>* deletes,
                                           std::vector<std::vector<_variant_t>>& inserts) {
    std::vector<CString> codes;
    int position = 1;
    for (std::size_t k = 0; k < unit.lines->size(); ++k, ++position) {
        const int index = (*unit.lines)[k];
        CProductStructItem item;
        m_arrLines.Get(index, item);
        if (item.m_nItem < 1) {
            item.m_nItem = position;
            m_arrLines.SetItem(index, position);
        }
        if (deletes)
            codes.push_back(item.m_strCode);
        inserts.push_back({item.m_strUpCode, unit.upName, item.m_nItem, item.m_strCode, item.m_strName,
                           item.m_strMaterial, item.m_nQuantity, StoredWeight(item.m_dWeight),
                           item.m_strRemark, item.m_strStand, item.m_strStyle, item.m_strOther1,
                           item.m_strOther2, m_strProductDwgCode});
    }
    if (deletes)
        for (auto& set : CodeLists({unit.upCode}, codes))
            deletes->push_back(std::move(set));
}

// One parent's deletes and inserts through the prepared commands; database errors throw.
void CProductStructImportDlg::StoreDetailsBound(const DetailUnit& unit) {
    std::vector<std::vector<_variant_t>> deletes, inserts;
    DetailValues(unit, &deletes, inserts);
    m_detailDelete->ExecuteArray(deletes);
    m_detailInsert->ExecuteArray(inserts);
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
