#include "review/AuditFlowList.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/Command.h"
#include "platform/db/SqlText.h"

#include <set>
#include <string>

namespace {

// The notice row, prepared once for the batch and run with bound values.
_CommandPtr NoticeCommand() {
    _CommandPtr command;
    command.CreateInstance();
    command->PutActiveConnection(theApp.m_pConnPDM);
    command->PutCommandText(
        "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, "
        "Content, ReadFlag) VALUES('系统', ?, ?, ?, ?, '系统工作消息', ?, 'N')");
    command->PutCommandType(adCmdText);
    const char* names[] = {"Reseiver", "SendTime", "SendDate", "MachineIP", "Content"};
    for (const char* name : names)
        command->GetParameters()->Append(command->CreateParameter(name, adBSTR, adParamInput, 2000));
    return command;
}

bool InsertNotice(_CommandPtr& command, const CString& recipient, const CString& time, const CString& date,
                  const CString& text, CString& firstError) {
    const CString values[] = {recipient, time, date, theApp.m_strHostIP, text};
    for (long i = 0; i < 5; ++i)
        command->GetParameters()->GetItem(_variant_t(i))->PutValue(_variant_t(values[i]));
    try {
        command->Execute(nullptr, nullptr, adCmdText);
        return true;
    } catch (_com_error& e) {
        if (firstError.IsEmpty())
            firstError = CString(e.Description());
        const DbFailure failure = ClassifyDbError(e);
        if (failure == DbFailure::ConnectionLost)
            theApp.m_bConnectionLost = TRUE;
        return false;
    }
}

} // namespace

CAuditFlowList::~CAuditFlowList() {
    RemoveAll();
}

int CAuditFlowList::AddStep(const CString& recipient, int kind, const CString& stepName,
                            const CString& memberName) {
    if (recipient.IsEmpty())
        return 1;
    auto* item = new AuditNoticeItem;
    item->m_strRecipient = recipient;
    item->m_nKind = kind;
    item->m_strStepName = stepName;
    item->m_strMemberName = memberName;
    m_arrItems.Add(item);
    return 1;
}

int CAuditFlowList::AddItem(AuditNoticeItem* item) {
    if (!item)
        return 0;
    for (int i = 0; i < m_arrItems.GetSize(); ++i) {
        if (m_arrItems[i] == item)
            return 1;
    }
    m_arrItems.Add(item);
    return 1;
}

void CAuditFlowList::RemoveAll() {
    for (int i = 0; i < m_arrItems.GetSize(); ++i)
        delete m_arrItems[i];
    m_arrItems.RemoveAll();
}

CString CAuditFlowList::ReadWorkName() {
    CString sql;
    sql.Format("SELECT WorkName FROM TeamWorkManage WHERE WorkID = '%s'", SqlQuote(m_strWorkID));
    return theApp.GetSqlString(sql);
}

int CAuditFlowList::SendAuditResultMessages() {
    if (m_strWorkName.IsEmpty()) {
        if (m_strWorkID.IsEmpty())
            return 1;
        m_strWorkName = ReadWorkName();
    }
    const CTime now = CTime::GetCurrentTime();
    const CString date = now.Format("%Y-%m-%d");
    const CString time = now.Format("%Y-%m-%d %H:%M");
    std::set<std::string> sent[4];
    int failed = 0;
    CString firstError;
    _CommandPtr command = NoticeCommand();
    for (int i = 0; i < m_arrItems.GetSize(); ++i) {
        const AuditNoticeItem& item = *m_arrItems[i];
        if (item.m_nKind < 0 || item.m_nKind > 3 || item.m_strRecipient.IsEmpty())
            continue;
        if (!sent[item.m_nKind].insert(item.m_strRecipient.str()).second)
            continue;
        CString text;
        switch (item.m_nKind) {
        case AuditNoticeItem::NextAuditor:
            text.Format("辛苦了， 需要您对任务 %s [%s] 的工作文档进行 %s", m_strWorkName, m_strWorkID,
                        item.m_strStepName);
            break;
        case AuditNoticeItem::Passed:
            text.Format("恭喜您，您提交的工作任务 %s [%s] 的部分文档在 %s 评审通过", m_strWorkName,
                        m_strWorkID, item.m_strStepName);
            break;
        case AuditNoticeItem::NotPassed:
            text.Format("对不起，您提交的工作任务 %s [%s] 的部分文档在 %s 未评审通过，需要再修改",
                        m_strWorkName, m_strWorkID, item.m_strStepName);
            break;
        default:
            text.Format("您负责的工作组成员：%s 的工作任务 %s [%s] 的部分文档 在 %s 未评审通过，需要再修改",
                        item.m_strMemberName, m_strWorkName, m_strWorkID, item.m_strStepName);
            break;
        }
        // One failed row does not cost the other recipients their notices; the failures are said
        // once, after the batch.
        if (!InsertNotice(command, item.m_strRecipient, time, date, text, firstError)) {
            ++failed;
            if (theApp.m_bConnectionLost)
                break;
            continue;
        }
        theApp.NotifyMessageServer(item.m_strRecipient, text);
    }
    if (failed > 0) {
        CString text;
        text.Format("有 %d 条评审通知未能写入消息表：\n%s", failed, firstError);
        AfxMessageBox(text);
        return 0;
    }
    return 1;
}
