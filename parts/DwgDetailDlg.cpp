#include "parts/DwgDetailDlg.h"

#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/ItemText.h"
#include "core/Revision.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBorrowQueryDlg.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"

#include <cstdlib>

namespace {

const vq::DialogTemplate kDwgDetailTemplate{
    "图纸的详细信息",
    {vq::ReportList(1033, vq::kNoLayoutFlags, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::ReportList(1030, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::GroupFrame("", 1055), vq::Label("", vq::kNoLayoutFlags, 0, 1283), vq::PushButton(1317, "使用性..."),
     vq::PushButton(1381, "更改历史...", vq::kBeside), vq::DefPushButton(IDCANCEL, "退出", vq::kBeside)}};

struct SheetEntry {
    int height;
    const char* name;
    int divisor;
};
const SheetEntry kLandscape[] = {{1189, "A0", 841}, {841, "A1", 594}, {594, "A2", 420},
                                 {420, "A3", 297},  {297, "A4", 210}, {210, "A5", 148}};
const SheetEntry kPortrait[] = {{841, "A0", 1189}, {594, "A1", 841}, {420, "A2", 594},
                                {297, "A3", 420},  {210, "A4", 297}, {148, "A5", 210}};

// The line rows compare by the number of their item ("序号").
int CompareItemNumbers(LPARAM a, LPARAM b, LPARAM) {
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    return std::atoi(left->GetField(0)) - std::atoi(right->GetField(0));
}

} // namespace

CString CDwgSheetSize::GetSheetSizeText(CString sheetSize, CString dimensions, CString orientation) {
    if (sheetSize.CompareNoCase("自定义") != 0)
        return sheetSize;
    const int star = dimensions.Find('*');
    const int width = std::atoi(star < 0 ? dimensions : dimensions.Left(star));
    const int height = star < 0 ? 0 : std::atoi(dimensions.Mid(star + 1));
    int multiple = 1;
    const bool landscape = orientation == "横置";
    for (const SheetEntry& entry : landscape ? kLandscape : kPortrait) {
        if (entry.height == height) {
            m_strBaseName = entry.name;
            multiple = width / entry.divisor;
            break;
        }
    }
    if (multiple == 0)
        return m_strBaseName;
    CString text;
    text.Format("%s*%d", m_strBaseName, multiple);
    return text;
}

BEGIN_MESSAGE_MAP(CDwgDetailDlg, CDialog)
    ON_BN_CLICKED(1317, &CDwgDetailDlg::OnWhereUsed)
    ON_BN_CLICKED(1381, &CDwgDetailDlg::OnChangeHistory)
END_MESSAGE_MAP()

CDwgDetailDlg::CDwgDetailDlg(CWnd* parent) : CDialog(kDwgDetailTemplate, parent) {}

CDwgDetailDlg::~CDwgDetailDlg() {
    FreeItemTexts();
}

void CDwgDetailDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1033, m_titleList);
    DDX_Control(pDX, 1030, m_lineList);
}

void CDwgDetailDlg::FreeItemTexts() {
    DeleteItemTexts(m_arrItemTexts);
}

void CDwgDetailDlg::OnDestroy() {
    FreeItemTexts();
    CDialog::OnDestroy();
}

bool CDwgDetailDlg::IsRevisionFamily() const {
    return m_strTablePrefix.CompareNoCase("VqkorvelVer") == 0;
}

BOOL CDwgDetailDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    for (int i = 0; i < 5; ++i) {
        CString key, def;
        key.Format("标题其他%d", i + 1);
        def.Format("其他%d", i + 1);
        m_strTitleOther[i] = ReadSetting("产品属性", key, def);
    }
    m_strLineRemark = ReadSetting("产品属性", "明细备注", "备注");
    m_strLineStyle = ReadSetting("产品属性", "明细类型", "类型");
    m_strLineStand = ReadSetting("产品属性", "明细规格", "规格");
    m_strLineOther1 = ReadSetting("产品属性", "明细其他1", "其他1");
    m_strLineOther2 = ReadSetting("产品属性", "明细其他2", "其他2");
    m_nDecimalQuantity = ReadSettingInt("初设数据配置", "件数为小数", "0");

    m_titleList.SetExtendedStyle(m_titleList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_titleList.InsertColumn(0, "标题栏项", LVCFMT_LEFT, 80);
    m_titleList.InsertColumn(1, "属性值", LVCFMT_LEFT, 180);
    const CString rows[] = {"图号",
                            "图名",
                            "材料",
                            "重量",
                            "比例",
                            "图幅",
                            "尺寸",
                            "类型",
                            "标准",
                            "布局",
                            "装订线",
                            "设计者",
                            "设计时间",
                            "存库时间",
                            "入库产品",
                            "参数表图号",
                            m_strTitleOther[0],
                            m_strTitleOther[1],
                            "当前版本号",
                            "最新版本号",
                            "参数",
                            m_strTitleOther[2],
                            m_strTitleOther[3],
                            m_strTitleOther[4],
                            "负责人",
                            "状态"};
    int n = 0;
    for (const CString& label : rows)
        m_titleList.InsertItem(n++, label);

    m_lineList.SetExtendedStyle(m_lineList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    const struct {
        CString text;
        int width;
    } columns[] = {{"序号", 40},         {"图号", 90},         {"图名", 90},          {"材料", 50},
                   {"重量", 40},         {"总重", 40},         {"数量", 40},          {m_strLineRemark, 90},
                   {m_strLineStyle, 40}, {m_strLineStand, 40}, {m_strLineOther1, 50}, {m_strLineOther2, 50}};
    n = 0;
    for (const auto& column : columns)
        m_lineList.InsertColumn(n++, column.text, LVCFMT_LEFT, column.width);

    if (m_strRevision.IsEmpty()) {
        CString sql;
        sql.Format("SELECT CurrentRev FROM %s_title WHERE TCode='%s'", m_strTablePrefix,
                   SqlQuote(m_strPartCode));
        m_strRevision = theApp.GetSqlString(sql);
    }
    ShowTitle();
    ShowLines();
    SortLines();
    SetDlgItemText(1283, "图形预览只在VQ60中的相关模块提供...");
    if (!m_bChangeHistory)
        GetDlgItem(1381)->EnableWindow(FALSE);
    return TRUE;
}

void CDwgDetailDlg::ShowTitle() {
    CString sql =
        "SELECT * FROM " + m_strTablePrefix + "_title WHERE Tcode='" + SqlQuote(m_strPartCode) + "'";
    if (IsRevisionFamily())
        sql += " AND LateRev='" + SqlQuote(m_strRevision) + "'";
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            FieldsPtr fields = rs->GetFields();
            const long count = std::min<long>(27, fields->GetCount());
            CString frame, size, layout;
            int row = 0;
            int frameRow = -1;
            for (long i = 0; i < count; ++i) {
                if (i == 14) // the note is not part of the title block
                    continue;
                Field* field = fields->GetItem(i);
                const CString name = field->GetName();
                CString value = VariantToString(field->GetValue());
                if (name.CompareNoCase("Tframe") == 0) {
                    frame = value;
                    frameRow = row;
                } else if (name.CompareNoCase("TSize") == 0) {
                    size = value;
                } else if (name.CompareNoCase("TLayout") == 0) {
                    layout = value;
                } else if (name.CompareNoCase("CurrentRev") == 0 || name.CompareNoCase("LateRev") == 0) {
                    value = GetNextRevision(value, 1);
                }
                m_titleList.SetItemText(row++, 1, value);
            }
            if (frameRow >= 0) {
                CDwgSheetSize sheet;
                m_titleList.SetItemText(frameRow, 1, sheet.GetSheetSizeText(frame, size, layout));
            }
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CDwgDetailDlg::ShowLines() {
    CString sql = "SELECT Ditem,Dcode,Dname,Dmaterial,Dweight,Dtweight,Dquantity,"
                  "Dremark,Dstyle,Dstand,Dother1,Dother2 FROM " +
                  m_strTablePrefix + "_detail WHERE UpCode='" + SqlQuote(m_strPartCode) + "'";
    if (IsRevisionFamily())
        sql += " AND ParentRev='" + SqlQuote(m_strRevision) + "'";
    m_lineList.DeleteAllItems();
    FreeItemTexts();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const int row =
                m_lineList.InsertItem(m_lineList.GetItemCount(), VariantToString(rs->GetCollect(0L)));
            for (long i = 1; i < 12; ++i)
                m_lineList.SetItemText(row, static_cast<int>(i), VariantToString(rs->GetCollect(i)));
            if (m_nDecimalQuantity) {
                m_lineList.SetItemText(row, 5, m_lineList.GetItemText(row, 4));
                m_lineList.SetItemText(row, 6, "1");
            }
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CDwgDetailDlg::SortLines() {
    for (int row = 0; row < m_lineList.GetItemCount(); ++row) {
        auto* item = new CItemText;
        for (int column = 0; column < 12; ++column)
            item->SetField(column, m_lineList.GetItemText(row, column));
        m_arrItemTexts.Add(item);
        m_lineList.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
    }
    m_lineList.SortItems(&CompareItemNumbers, 0);
}

void CDwgDetailDlg::OnWhereUsed() {
    CPartBorrowQueryDlg dlg(this);
    dlg.m_strPartCode = m_strPartCode;
    dlg.DoModal();
}

void CDwgDetailDlg::OnChangeHistory() {
    vq::OpenPartChangeHistory(m_strPartCode, m_strRevision, 1);
}
