#include "changeorders/ECOPublisher.h"

#include "changeorders/ECOConfigure.h"
#include "controls/ProgressDlg.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/Command.h"
#include "platform/db/SqlText.h"

#include <memory>

const char* const kECOPublishSubject = "更改单发放自动通知";

namespace {

CString LocalDate() {
    return CTime::GetCurrentTime().Format("%Y-%m-%d");
}

// The progress window of a publication: shown while it lives, destroyed with it.
class PublishProgress {
public:
    PublishProgress() : m_dlg(std::make_unique<CProgressDlg>(nullptr)) {
        m_dlg->Create(CProgressDlg::IDD, nullptr);
        m_dlg->CenterWindow();
        m_dlg->ShowWindow(SW_SHOW);
        m_dlg->m_progress.SetRange(0, 100);
    }
    ~PublishProgress() {
        m_dlg->ShowWindow(SW_HIDE);
        m_dlg->DestroyWindow();
    }
    void Step(int pos, const CString& text = CString()) {
        if (!text.IsEmpty())
            m_dlg->SetText(text);
        m_dlg->m_progress.SetPos(pos);
    }

private:
    std::unique_ptr<CProgressDlg> m_dlg;
};

} // namespace

CECOPublisher::CECOPublisher()
    : m_strECOGroup(kModifyNoticeGroup), m_pConnection(theApp.m_pConnPDM),
      m_nAdoCloseMode(theApp.m_nAdoCloseMode), m_strLoginUser(theApp.m_strLoginUser),
      m_nDatabaseType(theApp.m_nDatabaseType) {}

CECOPublisher::~CECOPublisher() {
    m_arrParts.RemoveAll();
    m_arrUsers.RemoveAll();
    m_arrMailItems.RemoveAll();
    m_arrMessageItems.RemoveAll();
    m_pConnection = nullptr;
}

CString CECOPublisher::PartTable() const {
    return m_strECOGroup == kModifyNoticeGroup ? "ECOModifyPart" : "ECOChangePart";
}

int CECOPublisher::Publish() {
    CWaitCursor wait;
    m_bFailed = false;
    try {
        m_pConnection->BeginTrans();
    } catch (_com_error& e) {
        ReportFailure(e, CString());
        return 0;
    }
    if (!WritePublication()) {
        try {
            m_pConnection->RollbackTrans();
        } catch (_com_error&) {
            // Already shown; the connection ends the transaction when it closes.
        }
        return 0;
    }
    try {
        m_pConnection->CommitTrans();
    } catch (_com_error& e) {
        ReportFailure(e, CString());
        try {
            m_pConnection->RollbackTrans();
        } catch (_com_error&) {
        }
        return 0;
    }
    SendNotices();
    return 1;
}

bool CECOPublisher::WritePublication() {
    CWaitCursor wait;
    m_bFailed = false;
    m_arrMailItems.RemoveAll();
    m_mailByAddress.clear();
    m_arrMessageItems.RemoveAll();
    m_messageByLogName.clear();
    {
        PublishProgress progress;
        progress.Step(25, "正在发布更改单，并进行直接影响面处理...");
        if (!ProcessDirectImpact())
            return false;
        progress.Step(45, "正在发布更改单，并进行间接影响面处理...");
        if (!ProcessIndirectImpact())
            return false;
        progress.Step(65, "正在自动进行邮件通知...");
        if (!NotifyHandoutDepartments())
            return false;
        progress.Step(85);
        if (!NotifyPartManagers())
            return false;
        progress.Step(100);
    }
    return WriteMessageRows() != 0;
}

void CECOPublisher::ReportFailure(const _com_error& e, const CString& sql) {
    if (m_bFailed)
        return;
    m_bFailed = true;
    CString kept;
    kept.Format("更改单：%s 未能发布，没有保存任何发布记录。", m_strECONo.c_str());
    if (IsConnectionLost(e)) {
        // Every later statement would fail the same way: one message says all of it.
        theApp.m_bConnectionLost = TRUE;
        AfxMessageBox(DbFailureText(DbFailure::ConnectionLost) + "\n" + kept);
        return;
    }
    if (sql.IsEmpty())
        ReportComError(e);
    else
        theApp.ReportSqlError(e, sql);
    AfxMessageBox(kept);
}

int CECOPublisher::ExecuteStatement(CString sql) {
    if (sql.IsEmpty())
        return 1;
    ++m_nStatements;
    try {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(m_pConnection);
        cmd->PutCommandText(sql);
        cmd->PutCommandType(adCmdText);
        cmd->Execute(nullptr, nullptr, adCmdUnknown);
        return 1;
    } catch (_com_error& e) {
        ReportFailure(e, sql);
        return 0;
    }
}

int CECOPublisher::ProcessDirectImpact() {
    const CString table = PartTable();
    const CString date = LocalDate();
    CString sql;
    sql.Format(
        "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, SaveDate) SELECT '%s', "
        "'%s', PartCode, PartName, '否', '%s' FROM %s WHERE ECONo='%s'",
        SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(date), table, SqlQuote(m_strECONo));
    if (!ExecuteStatement(sql))
        return 0;
    sql.Format(
        "INSERT INTO ECOPartNotify (ECOGroup, ECONo, RelateType, PartCode, PartName, ReleaseUser, "
        "ReleaseDate) SELECT '%s', '%s', '直接', PartCode, PartName, '%s', '%s' FROM %s WHERE ECONo='%s'",
        SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strLoginUser), SqlQuote(date), table,
        SqlQuote(m_strECONo));
    if (!ExecuteStatement(sql))
        return 0;
    // One form for every engine: a correlated subquery limited to this order's direct rows (the
    // joined UPDATE ... FROM form names the target table twice and would reach every order's
    // rows; and an earlier publication's indirect rows keep the manager of their parent). A part
    // code with several archive title rows takes the greatest manager instead of failing.
    sql.Format("UPDATE ECOPartNotify SET Manager=(SELECT MAX(A.Manager) FROM VqkorvelAll_title A WHERE "
               "A.TCode=ECOPartNotify.PartCode) WHERE ECOGroup='%s' AND ECONo='%s' AND RelateType='直接'",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo));
    return ExecuteStatement(sql);
}

bool CECOPublisher::ReadRows(const CString& sql, int columns,
                             const std::function<void(const std::vector<CString>&)>& onRow) {
    ++m_nStatements;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        std::vector<CString> row(static_cast<std::size_t>(columns));
        while (!rs->IsEOF()) {
            for (long c = 0; c < columns; ++c)
                row[static_cast<std::size_t>(c)] = VariantToString(rs->GetCollect(c));
            onRow(row);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportFailure(e, CString());
        return false;
    }
}

int CECOPublisher::QueryParentParts(CString sql) {
    return ReadRows(sql, 3,
                    [this](const std::vector<CString>& row) {
                        ECOPublishRecord part;
                        part.Text1 = row[0];
                        part.Text2 = row[1];
                        part.Text3 = row[2];
                        m_arrParts.Add(part);
                    })
               ? 1
               : 0;
}

int CECOPublisher::ProcessIndirectImpact() {
    m_arrParts.RemoveAll();
    m_arrUsers.RemoveAll();
    if (!LoadUsers())
        return 0;
    const CString table = PartTable();
    static const char* const kFamilies[] = {"VqkorvelAll", "VqkorvelTeam", "VqkorvelTask"};
    for (const char* family : kFamilies) {
        CString sql;
        sql.Format(
            "SELECT TCode, TName, Manager FROM %s_title WHERE TCode IN (SELECT UpCode FROM %s_detail WHERE "
            "Dcode IN (SELECT PartCode FROM %s WHERE ECONO='%s'))",
            family, family, table, SqlQuote(m_strECONo));
        if (!QueryParentParts(sql))
            return 0;
    }
    return InsertIndirectRows(LocalDate());
}

int CECOPublisher::InsertIndirectRows(const CString& date) {
    if (m_arrParts.IsEmpty())
        return 1;
    static const char* const kInsert =
        "INSERT INTO ECOPartNotify (ECOGroup, ECONo, RelateType, PartCode, PartName, Manager, ReleaseUser, "
        "ReleaseDate) VALUES(?, ?, '间接', ?, ?, ?, ?, ?)";
    std::vector<std::vector<_variant_t>> rows;
    rows.reserve(static_cast<std::size_t>(m_arrParts.GetSize()));
    const _variant_t group(m_strECOGroup), number(m_strECONo), user(m_strLoginUser), day(date);
    for (int i = 0; i < m_arrParts.GetSize(); ++i) {
        const ECOPublishRecord& part = m_arrParts[i];
        rows.push_back({group, number, _variant_t(part.Text1), _variant_t(part.Text2), _variant_t(part.Text3),
                        user, day});
    }
    return ExecuteBatch(kInsert, rows);
}

int CECOPublisher::ExecuteBatch(const char* sql, const std::vector<std::vector<_variant_t>>& rows) {
    ++m_nStatements;
    try {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(m_pConnection);
        cmd->PutCommandText(sql);
        cmd->PutCommandType(adCmdText);
        cmd->PutPrepared(true);
        cmd->ExecuteArray(rows);
        return 1;
    } catch (_com_error& e) {
        ReportFailure(e, sql);
        return 0;
    }
}
