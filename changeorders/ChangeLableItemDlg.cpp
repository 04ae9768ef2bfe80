#include "changeorders/ChangeLableItemDlg.h"

#include "controls/SpecialCharDlg.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"

#include <cstdlib>

namespace {

using Dlg = CChangeLableItemDlg;

std::vector<vq::ControlTemplate> LabelItemControls() {
    return {vq::Label("更改标记："),
            vq::EditBox(Dlg::kLabelId),
            vq::PushButton(Dlg::kLabelCharId, "...", vq::kBeside),
            vq::Label("更改分区：", vq::kBeside),
            vq::EditBox(Dlg::kAreaId, vq::kBeside),
            vq::Label("更改处数："),
            vq::EditBox(Dlg::kCountId),
            vq::Label("涉及文件号：", vq::kBeside),
            vq::EditBox(Dlg::kFileSerialId, vq::kBeside),
            vq::Label("更改者："),
            vq::EditBox(Dlg::kChangerId, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
            vq::PushButton(Dlg::kChangerPickId, "...", vq::kBeside),
            vq::Label("更改日期：", vq::kBeside),
            vq::EditBox(Dlg::kDateId, vq::kBeside),
            vq::Label("更改原因："),
            vq::EditBox(Dlg::kResionId),
            vq::Label("更改内容："),
            vq::EditBox(Dlg::kContentId, vq::kNoLayoutFlags,
                        ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL),
            vq::Label("备   注："),
            vq::EditBox(Dlg::kRemarkId),
            vq::DefPushButton(IDOK, "确定"),
            vq::PushButton(IDCANCEL, "取消", vq::kBeside)};
}

const vq::DialogTemplate kPartLabelTemplate{"图纸更改标记项", LabelItemControls(), CSize(520, 360)};
const vq::DialogTemplate kOrderLabelTemplate{"设计更改标记项", LabelItemControls(), CSize(520, 360)};
const vq::TemplateRegistration kPartLabelRegistration(CChangeLableItemDlg::IDD, kPartLabelTemplate);
const vq::TemplateRegistration kOrderLabelRegistration(CChangeLableItemDlg::IDD_ECO, kOrderLabelTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CChangeLableItemDlg, CDialog)
    ON_BN_CLICKED(CChangeLableItemDlg::kLabelCharId, &CChangeLableItemDlg::OnPickLabelChar)
    ON_BN_CLICKED(CChangeLableItemDlg::kChangerPickId, &CChangeLableItemDlg::OnBrowseChanger)
END_MESSAGE_MAP()

CChangeLableItemDlg::CChangeLableItemDlg(CWnd* parent, ChangeLabelTable table)
    : CDialog(table == ChangeLabelTable::Part ? IDD : IDD_ECO, parent), m_table(table) {}

void CChangeLableItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kAreaId, m_strChangeArea);
    DDX_Text(pDX, kContentId, m_strContent);
    DDX_Text(pDX, kCountId, m_strChangeCount);
    DDX_Text(pDX, kDateId, m_strChangeDate);
    DDX_Text(pDX, kLabelId, m_strChangeLabel);
    DDX_Text(pDX, kChangerId, m_strChanger);
    DDX_Text(pDX, kRemarkId, m_strRemark);
    DDX_Text(pDX, kResionId, m_strResion);
    DDX_Text(pDX, kFileSerialId, m_strFileSerial);
}

CString CChangeLableItemDlg::FormatCoordinate(double value) {
    CString text;
    text.Format("%2f", value);
    return text;
}

CString CChangeLableItemDlg::TableName() const {
    return m_table == ChangeLabelTable::Part ? "PartChangeLabel" : "ECOFileChangeLabel";
}

bool CChangeLableItemDlg::KeyComplete() const {
    if (m_table == ChangeLabelTable::Part)
        return !m_strPartCode.IsEmpty() && !m_strRevNo.IsEmpty();
    return !m_strECOGroup.IsEmpty() && !m_strECONo.IsEmpty() && !m_strDocType.IsEmpty();
}

CString CChangeLableItemDlg::KeyCondition() const {
    CString condition;
    if (m_table == ChangeLabelTable::Part)
        condition.Format("PartCode='%s' AND RevNo='%s'", SqlQuote(m_strPartCode), SqlQuote(m_strRevNo));
    else
        condition.Format("ECOGroup='%s' AND ECONo='%s' AND DocType='%s'", SqlQuote(m_strECOGroup),
                         SqlQuote(m_strECONo), SqlQuote(m_strDocType));
    return condition;
}

BOOL CChangeLableItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;

    if (!KeyComplete()) {
        AfxMessageBox(m_table == ChangeLabelTable::Part ? "无对应的零部件图号或版本信息..."
                                                        : "无对应的更改单属性信息...");
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        return FALSE;
    }
    if (m_bNewLabel) {
        CString sql;
        sql.Format(m_nDatabaseType == 2 ? "SELECT UserName FROM UserInformation WHERE rtrim(UserLogName)='%s'"
                                        : "SELECT UserName FROM UserInformation WHERE UserLogName='%s'",
                   SqlQuote(theApp.m_strLoginUser));
        m_strChanger = theApp.GetSqlString(sql);
        m_strChangeDate = CTime::GetCurrentTime().Format("%Y-%m-%d");
    } else {
        m_strOldLabel = m_strChangeLabel;
        LoadLabel();
        std::vector<std::pair<CString, CString>> key;
        if (m_table == ChangeLabelTable::Part)
            key = {{"PartCode", m_strPartCode}, {"RevNo", m_strRevNo}};
        else
            key = {{"ECOGroup", m_strECOGroup}, {"ECONo", m_strECONo}, {"DocType", m_strDocType}};
        key.emplace_back("ChangeLabel", m_strOldLabel);
        m_storedRow = std::make_unique<CStoredRowEdit>(TableName(), std::move(key));
        if (!m_bUseViewRect) {
            m_dLeftX = m_dStoredLeftX;
            m_dLeftY = m_dStoredLeftY;
            m_dRightX = m_dStoredRightX;
            m_dRightY = m_dStoredRightY;
        }
        // The form read the label's own position: a working rectangle taken instead is the
        // user's change.
        std::vector<StoredField> opened = StoredFields();
        const double stored[] = {m_dStoredLeftX, m_dStoredLeftY, m_dStoredRightX, m_dStoredRightY};
        for (std::size_t i = 0; i < 4; ++i)
            opened[opened.size() - 4 + i].value = FormatCoordinate(stored[i]);
        m_storedRow->Open(opened);
    }
    if (m_bReadOnly && !m_bEditOverride)
        MakeReadOnly();
    UpdateData(FALSE);
    return TRUE;
}

void CChangeLableItemDlg::MakeReadOnly() {
    for (int id : {kLabelId, kAreaId, kCountId, kFileSerialId, kDateId, kResionId, kContentId, kRemarkId})
        static_cast<CEdit*>(GetDlgItem(id))->SetReadOnly(TRUE);
    for (int id : {static_cast<int>(IDOK), kLabelCharId, kChangerPickId})
        GetDlgItem(id)->EnableWindow(FALSE);
}

void CChangeLableItemDlg::LoadLabel() {
    if (m_strChangeLabel.IsEmpty())
        return;
    CString sql;
    sql.Format("SELECT ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, Resion, Content, Remark, "
               "LeftX, LeftY, RightX, RightY FROM %s WHERE %s AND ChangeLabel='%s'",
               TableName(), KeyCondition(), SqlQuote(m_strChangeLabel));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (rs->IsEOF()) {
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        } else {
            CString* const texts[] = {&m_strChangeArea, &m_strChangeCount, &m_strFileSerial, &m_strChanger,
                                      &m_strChangeDate, &m_strResion,      &m_strContent,    &m_strRemark};
            long field = 0;
            for (CString* text : texts)
                *text = VariantToString(rs->GetCollect(field++));
            double* const corners[] = {&m_dStoredLeftX, &m_dStoredLeftY, &m_dStoredRightX, &m_dStoredRightY};
            for (double* corner : corners)
                *corner = std::atof(VariantToString(rs->GetCollect(field++)));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
}

int CChangeLableItemDlg::CountLabels() {
    CString sql;
    sql.Format("SELECT count(*) FROM %s WHERE %s AND ChangeLabel='%s'", TableName(), KeyCondition(),
               SqlQuote(m_strChangeLabel));
    return theApp.GetSqlInt(sql) > 0 ? 1 : 0;
}

CString CChangeLableItemDlg::InsertSql() const {
    CString keyColumns, keyValues, sql;
    if (m_table == ChangeLabelTable::Part) {
        keyColumns = "PartCode, RevNo";
        keyValues.Format("'%s','%s'", SqlQuote(m_strPartCode), SqlQuote(m_strRevNo));
    } else {
        keyColumns = "ECOGroup, ECONo, DocType";
        keyValues.Format("'%s','%s','%s'", SqlQuote(m_strECOGroup), SqlQuote(m_strECONo),
                         SqlQuote(m_strDocType));
    }
    sql.Format("INSERT INTO %s (%s, ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, "
               "Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES(%s,'%s','%s','%s','%s','%s',"
               "'%s','%s','%s','%s','%2f', '%2f','%2f','%2f')",
               TableName(), keyColumns, keyValues, SqlQuote(m_strChangeLabel), SqlQuote(m_strChangeArea),
               SqlQuote(m_strChangeCount), SqlQuote(m_strFileSerial), SqlQuote(m_strChanger),
               SqlQuote(m_strChangeDate), SqlQuote(m_strResion), SqlQuote(m_strContent),
               SqlQuote(m_strRemark), m_dLeftX, m_dLeftY, m_dRightX, m_dRightY);
    return sql;
}

std::vector<StoredField> CChangeLableItemDlg::StoredFields() const {
    return {{"ChangeLabel", "更改标记", m_strChangeLabel},
            {"ChangeArea", "更改分区", m_strChangeArea},
            {"ChangeCount", "更改处数", m_strChangeCount},
            {"FileSerial", "涉及文件号", m_strFileSerial},
            {"Changer", "更改者", m_strChanger},
            {"ChangeDate", "更改日期", m_strChangeDate},
            {"Resion", "更改原因", m_strResion},
            {"Content", "更改内容", m_strContent},
            {"Remark", "备注", m_strRemark},
            {"LeftX", "标记位置", FormatCoordinate(m_dLeftX)},
            {"LeftY", "标记位置", FormatCoordinate(m_dLeftY)},
            {"RightX", "标记位置", FormatCoordinate(m_dRightX)},
            {"RightY", "标记位置", FormatCoordinate(m_dRightY)}};
}

bool CChangeLableItemDlg::Write(const CString& sql, bool checkUnique) {
    try {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(m_pConnection);
        cmd->PutCommandText(sql);
        cmd->PutCommandType(adCmdText);
        cmd->Execute(nullptr, nullptr, adCmdUnknown);
        return true;
    } catch (_com_error& e) {
        // Another user may have stored the same mark between the count and the write: the
        // schema's unique key refuses the row, and the user is told so in the same words.
        if (checkUnique && ClassifyDbError(e) == DbFailure::Other && CountLabels())
            ShowDbMessage("该更改标记项已存在，请重新输入...");
        else
            theApp.ReportSqlError(e, sql);
        return false;
    }
}

bool CChangeLableItemDlg::StoreChanges() {
    if (!m_storedRow || !m_storedRow->IsOpen())
        return false;
    const bool checkUnique = m_strChangeLabel.CompareNoCase(m_strOldLabel) != 0;
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !transaction.Lock(m_storedRow->LockName()))
        return false;
    const std::vector<StoredField> fields = StoredFields();
    CString sql;
    if (!m_storedRow->PrepareUpdate(fields, {}, false, sql) || (!sql.IsEmpty() && !Write(sql, checkUnique)) ||
        !transaction.Commit())
        return false;
    m_storedRow->Written(fields);
    return true;
}

void CChangeLableItemDlg::OnOK() {
    UpdateData(TRUE);
    m_strChangeLabel.Trim();
    if (m_strChangeLabel.IsEmpty()) {
        AfxMessageBox("更改标记信息不能为空，请重新输入...");
        return;
    }
    CWaitCursor wait;
    const bool checkUnique = m_bNewLabel || m_strChangeLabel.CompareNoCase(m_strOldLabel) != 0;
    if (checkUnique && CountLabels()) {
        AfxMessageBox("该更改标记项已存在，请重新输入...");
        return;
    }
    if (m_bNewLabel ? !Write(InsertSql(), true) : !StoreChanges())
        return;
    EndDialog(IDOK);
}

void CChangeLableItemDlg::OnPickLabelChar() {
    UpdateData(TRUE);
    CSpecialCharDlg dlg(nullptr);
    if (dlg.DoModal() == IDOK && !dlg.m_strChar.IsEmpty())
        m_strChangeLabel = dlg.m_strChar;
    UpdateData(FALSE);
}

void CChangeLableItemDlg::OnBrowseChanger() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg;
    if (dlg.DoModal() == IDOK)
        m_strChanger = dlg.m_strUserName;
    UpdateData(FALSE);
}

void ShowLabelRow(CListCtrl& list, int row, const CChangeLableItemDlg& item, CPtrArray& records) {
    if (row < 0 || row >= list.GetItemCount())
        return;
    const CString texts[] = {item.m_strChangeLabel, item.m_strChangeArea, item.m_strChangeCount,
                             item.m_strFileSerial,  item.m_strChanger,    item.m_strChangeDate};
    auto* record = new CItemText;
    records.Add(record);
    for (int c = 0; c < 6; ++c) {
        list.SetItemText(row, c, texts[c]);
        record->SetField(c, texts[c]);
    }
    list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
}
