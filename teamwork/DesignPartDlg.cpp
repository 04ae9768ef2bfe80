#include "teamwork/DesignPartDlg.h"

#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBrowseDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/ProjectTaskRecords.h"
#include "teamwork/SelectWorkPartDlg.h"
#include "teamwork/WorkPartIds.h"

#include <cstdlib>

using namespace teamwork::part_ids;

namespace {

constexpr DWORD kReadOnlyEdit = ES_AUTOHSCROLL | ES_READONLY;

const vq::DialogTemplate kDesignPartTemplate{
    "增加设计零部件",
    {vq::Label("零部件图号"),
     vq::EditBox(kPartCode),
     vq::PushButton(kSelectPart, "选择...", vq::kBeside),
     vq::PushButton(kBorrowPart, "借用...", vq::kBeside),
     vq::CheckBox(kQueryMode, "查询模式", vq::kBeside),
     vq::Label("零部件图名"),
     vq::EditBox(kPartName),
     vq::Label("存储日期"),
     vq::EditBox(kSaveDate, vq::kNoLayoutFlags, kReadOnlyEdit),
     vq::Label("是否已设计", vq::kBeside),
     vq::EditBox(kUsedFlag, vq::kBeside, kReadOnlyEdit),
     vq::Label("负责人"),
     vq::EditBox(kUserName, vq::kNoLayoutFlags, kReadOnlyEdit),
     vq::Label("对应任务号", vq::kBeside),
     vq::EditBox(kWorkId, vq::kBeside, kReadOnlyEdit),
     vq::CheckBox(kIsAssemble, "部件或产品"),
     vq::Label("委托", vq::kHidden),
     vq::EditBox(kTrastUser, vq::kHidden),
     vq::PushButton(kPickTrastUser, "...", vq::kBeside | vq::kHidden),
     vq::Label("备注"),
     vq::EditBox(kNote),
     vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

// A part code under a change task's second work ("[M]#002" after the first character) may stand
// in several structures while the change-task switch is on.
bool ChangeTaskParent(const CString& upCode) {
    return theApp.m_nUseChangeTask && upCode.Find("[M]#002") >= 1;
}

} // namespace

BEGIN_MESSAGE_MAP(CDesignPartDlg, CDialog)
    ON_BN_CLICKED(kSelectPart, &CDesignPartDlg::OnSelectPart)
    ON_BN_CLICKED(kBorrowPart, &CDesignPartDlg::OnBorrowPart)
    ON_BN_CLICKED(kPickTrastUser, &CDesignPartDlg::OnPickTrustUser)
END_MESSAGE_MAP()

CDesignPartDlg::CDesignPartDlg(CWnd* parent) : CDialog(kDesignPartTemplate, parent) {}

void CDesignPartDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kPartCode, PartCode);
    DDX_Text(pDX, kPartName, PartName);
    DDX_Text(pDX, kSaveDate, SaveDate);
    DDX_Text(pDX, kUsedFlag, UsedFlag);
    DDX_Text(pDX, kUserName, UserName);
    DDX_Text(pDX, kWorkId, WorkID);
    DDX_Check(pDX, kIsAssemble, IsAssemble);
    DDX_Text(pDX, kTrastUser, TrastUser);
    DDX_Text(pDX, kNote, Note);
    DDX_Check(pDX, kQueryMode, QueryMode);
}

BOOL CDesignPartDlg::OnInitDialog() {
    CWaitCursor wait;
    Connection = theApp.m_pConnPDM;
    CloseMode = theApp.m_nAdoCloseMode;
    LoginName = theApp.m_strLoginUser;
    UserName = LoginName;
    TrastUser = LoginName;
    SaveDate = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    OldPartCode = PartCode;
    if (PlaceInTree)
        IsAssemble = 1;
    if (!OldPartCode.IsEmpty()) {
        ShowStoredPart();
        m_storedPart = std::make_unique<CStoredRowEdit>(
            "TeamWorkPart",
            std::vector<std::pair<CString, CString>>{{"WorkID", WorkID}, {"PartCode", OldPartCode}});
        if (!m_storedPart->Open(PartFields()))
            m_storedPart.reset();
        if (PlaceInTree) {
            m_storedLink = std::make_unique<CStoredRowEdit>(
                "TeamWorkPartTree",
                std::vector<std::pair<CString, CString>>{{"WorkID", WorkID},
                                                         {"UpCode", UpCode.IsEmpty() ? WorkID : UpCode},
                                                         {"DCode", OldPartCode}});
            if (!m_storedLink->Open(LinkFields()))
                m_storedLink.reset();
        }
    }
    CDialog::OnInitDialog();
    return TRUE;
}

// --- Picking ----------------------------------------------------------------------------------

void CDesignPartDlg::OnSelectPart() {
    UpdateData(TRUE);
    CSelectWorkPartDlg dlg(this);
    dlg.m_strScopeCode = WorkID;
    dlg.m_bTaskScope = 0;
    dlg.m_strPartCode = PartCode;
    if (dlg.DoModal() == IDOK) {
        PartCode = dlg.m_strPartCode;
        PartName = dlg.m_strPartName;
    }
    UpdateData(FALSE);
}

void CDesignPartDlg::OnBorrowPart() {
    UpdateData(TRUE);
    CString code, name, product;
    bool chosen = false;
    if (QueryMode) {
        CPartSelectDlg dlg(this);
        dlg.m_strCode = PartCode;
        if (dlg.DoModal() == IDOK) {
            code = dlg.m_strSelCode;
            name = dlg.m_strSelName;
            product = dlg.m_strSelProduct;
            chosen = true;
        }
    } else {
        CPartBrowseDlg dlg(this);
        dlg.m_childFilter = 2;
        if (dlg.DoModal() == IDOK) {
            code = dlg.m_partCode;
            name = dlg.m_partName;
            product = dlg.m_resultProductCode;
            chosen = true;
        }
    }
    if (chosen) {
        PartCode = code;
        PartName = name;
        Note.Format("借用 %s", product);
    }
    UpdateData(FALSE);
}

void CDesignPartDlg::OnPickTrustUser() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg(this);
    dlg.m_strLogName = TrastUser;
    if (dlg.DoModal() == IDOK)
        TrastUser = dlg.m_strLogName;
    UpdateData(FALSE);
}

// --- Storing ----------------------------------------------------------------------------------

bool CDesignPartDlg::FindPartInTree() {
    CString sql;
    sql.Format("SELECT WorkID, UpCode, DName FROM TeamWorkPartTree WHERE DCode='%s'", SqlQuote(PartCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        CString message;
        if (!rs->IsEOF())
            message.Format("指定零部件已存在，位于：\n\n  任务：%s  \n\n  部件：%s  \n\n  的 %s[%s]...",
                           CString(vq::VisibleText(VariantToString(rs->GetCollect(0L)).str())),
                           CString(vq::VisibleText(VariantToString(rs->GetCollect(1L)).str())),
                           CString(vq::VisibleText(VariantToString(rs->GetCollect(2L)).str())),
                           CString(vq::VisibleText(PartCode.str())));
        if (CloseMode && rs->GetState() == adStateOpen)
            rs->Close();
        if (!message.IsEmpty()) {
            AfxMessageBox(message);
            return false;
        }
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

void CDesignPartDlg::ShowStoredPart() {
    const CString upCode = UpCode.IsEmpty() ? WorkID : UpCode;
    CString partSql, linkSql;
    partSql.Format(
        "SELECT UserName, TrastUser, IsAssemble FROM TeamWorkPart WHERE WorkID='%s' AND PartCode='%s'",
        SqlQuote(WorkID), SqlQuote(OldPartCode));
    linkSql.Format("SELECT Other1 FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s' AND DCode='%s'",
                   SqlQuote(WorkID), SqlQuote(upCode), SqlQuote(OldPartCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(partSql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            const CString declarer = VariantToString(rs->GetCollect(0L));
            if (!declarer.IsEmpty())
                UserName = declarer;
            const CString trusted = VariantToString(rs->GetCollect(1L));
            if (!trusted.IsEmpty())
                TrastUser = trusted;
            const CString assembly = VariantToString(rs->GetCollect(2L));
            if (!assembly.IsEmpty())
                IsAssemble = std::atoi(assembly) != 0 ? 1 : 0;
        }
        if (CloseMode && rs->GetState() == adStateOpen)
            rs->Close();
        if (PlaceInTree) {
            _RecordsetPtr link;
            link.CreateInstance();
            link->Open(linkSql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
            if (!link->IsEOF())
                Note = VariantToString(link->GetCollect(0L));
            if (CloseMode && link->GetState() == adStateOpen)
                link->Close();
        }
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

bool CDesignPartDlg::ReadReplacedPart(KeptPartColumns& kept) {
    CString sql;
    sql.Format("SELECT PartRev, UsedFlag, State FROM TeamWorkPart WHERE WorkID='%s' AND PartCode='%s'",
               SqlQuote(WorkID), SqlQuote(OldPartCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            kept.partRev = VariantToString(rs->GetCollect(0L));
            kept.usedFlag = VariantToString(rs->GetCollect(1L));
            kept.state = VariantToString(rs->GetCollect(2L));
        }
        if (CloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

std::vector<StoredField> CDesignPartDlg::PartFields() const {
    CString assembly;
    assembly.Format("%d", IsAssemble ? 1 : 0);
    return {{"PartCode", "零部件图号", PartCode},
            {"PartName", "零部件图名", PartName},
            {"UserName", "负责人", UserName},
            {"TrastUser", "委托", TrastUser},
            {"IsAssemble", "部件或产品", assembly, true}};
}

std::vector<StoredField> CDesignPartDlg::LinkFields() const {
    return {{"Other1", "备注", Note}};
}

bool CDesignPartDlg::MergeStoredPart() {
    CString unused;
    const std::vector<StoredField> part = PartFields();
    const std::vector<StoredField> link = LinkFields();
    if ((m_storedPart && !m_storedPart->PrepareUpdate(part, {}, false, unused)) ||
        (m_storedLink && !m_storedLink->PrepareUpdate(link, {}, false, unused)))
        return false;
    if (m_storedPart) {
        const std::vector<CString> merged = m_storedPart->MergedValues(part);
        PartName = merged[1];
        UserName = merged[2];
        TrastUser = merged[3];
        IsAssemble = std::atoi(merged[4]) != 0 ? 1 : 0;
    }
    if (m_storedLink)
        Note = m_storedLink->MergedValues(link)[0];
    return true;
}

bool CDesignPartDlg::StorePart(const CString& savedAt) {
    // A replaced part keeps its revision, its submitted flag and its state, as stored when the
    // work's lock is held.
    KeptPartColumns kept;
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return false;
    if (!OldPartCode.IsEmpty() && (!transaction.Lock(projects::WorkTaskLockName(WorkID)) ||
                                   !ReadReplacedPart(kept) || !MergeStoredPart()))
        return false;
    CString sql;
    if (PlaceInTree) {
        if (!OldPartCode.IsEmpty()) {
            sql.Format("DELETE FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s' AND DCode='%s'",
                       SqlQuote(WorkID), SqlQuote(UpCode), SqlQuote(OldPartCode));
            if (!theApp.ExecuteSql(sql))
                return false;
            sql.Format("DELETE FROM TeamWorkPart WHERE WorkID='%s' AND PartCode='%s'", SqlQuote(WorkID),
                       SqlQuote(OldPartCode));
            if (!theApp.ExecuteSql(sql))
                return false;
        }
        sql.Format("DELETE FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s' AND DCode='%s'",
                   SqlQuote(WorkID), SqlQuote(UpCode), SqlQuote(PartCode));
        if (!theApp.ExecuteSql(sql))
            return false;
        sql.Format(
            "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName, Other1) VALUES('%s', '%s', '%s', "
            "'%s', '%s')",
            SqlQuote(WorkID), SqlQuote(UpCode), SqlQuote(PartCode), SqlQuote(PartName), SqlQuote(Note));
        if (!theApp.ExecuteSql(sql))
            return false;
        if (!OldPartCode.IsEmpty()) {
            sql.Format("UPDATE TeamWorkPartTree SET UpCode='%s' WHERE WorkID='%s' AND UpCode='%s'",
                       SqlQuote(PartCode), SqlQuote(WorkID), SqlQuote(OldPartCode));
            if (!theApp.ExecuteSql(sql))
                return false;
        }
    }
    // Whether the code names a part already (of any work); read inside the transaction, so that
    // the row of the replaced part no longer counts.
    sql.Format("SELECT PartName FROM TeamWorkPart WHERE PartCode='%s'", SqlQuote(PartCode));
    CString existing;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF())
            existing = VariantToString(rs->GetCollect(0L));
        if (CloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    if (!existing.IsEmpty() && !PlaceInTree) {
        CString message;
        message.Format("零部件图号已存在：%s[%s]", CString(vq::VisibleText(PartCode.str())),
                       CString(vq::VisibleText(existing.str())));
        AfxMessageBox(message);
        return false;
    }
    // A part replaced under its own code gets its row back even when another work has a part of
    // that code: the row deleted above was this work's.
    const bool sameCode = !OldPartCode.IsEmpty() && PartCode.CompareNoCase(OldPartCode) == 0;
    if (existing.IsEmpty() || sameCode) {
        const CString usedFlag = kept.usedFlag.IsEmpty()
                                     ? CString("NULL")
                                     : CString(std::to_string(std::atoi(kept.usedFlag)).c_str());
        sql.Format(
            "INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, PartRev, UserName, TrastUser, SaveDate, "
            "UsedFlag, IsAssemble, State) VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s', %s, %d, '%s')",
            SqlQuote(WorkID), SqlQuote(PartCode), SqlQuote(PartName), SqlQuote(kept.partRev),
            SqlQuote(UserName), SqlQuote(TrastUser), SqlQuote(savedAt), usedFlag, IsAssemble ? 1 : 0,
            SqlQuote(kept.state));
        if (!theApp.ExecuteSql(sql))
            return false;
    }
    return transaction.Commit();
}

void CDesignPartDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    PartCode.Trim();
    PartName.Trim();
    UpdateData(FALSE);
    if (PartCode.IsEmpty()) {
        AfxMessageBox("未指定零部件图号...");
        return;
    }
    if (PartName.IsEmpty()) {
        AfxMessageBox("未指定零部件名称...");
        return;
    }
    CWaitCursor wait;
    const CString savedAt = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    if (PlaceInTree) {
        if (UpCode.IsEmpty())
            UpCode = WorkID;
        if (PartCode.CompareNoCase(OldPartCode) != 0 && !ChangeTaskParent(UpCode) && !FindPartInTree())
            return;
    }
    if (!StorePart(savedAt))
        return;
    EndDialog(IDOK);
}
