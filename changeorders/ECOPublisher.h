// CECOPublisher: publishes one change order. Its parts are recorded as released (ECOPartRelease)
// and as directly affected (ECOPartNotify, "直接"); the parts that use one of them as a direct
// component in the archive, collaborative-design or project-task structure are recorded as
// indirectly affected ("间接", one level up only); then the managers of the order's handout
// departments and of every affected part are told, one merged notice per receiver: one mail job
// with a mail per e-mail address and one MessageManage row per login name.
//
//   CECOPublisher publisher;
//   publisher.m_strECONo = number;
//   publisher.m_strECOGroup = "更改单";
//   publisher.Publish();
//
// The rows of a publication (release rows, notice rows and the receivers' message rows) are
// written as one transaction, the many rows of one kind as batches; the mails go out and the
// message server hears of the notices only after the commit. The first failure ends the
// publication: it is shown once (a lost connection in one message), nothing of the publication is
// kept, and publishing the order again writes it whole. Rows are only appended, so publishing an
// order twice records it twice.
//
// A caller that stores something else in the same transaction runs the two halves itself:
//
//   CSqlTransaction transaction;
//   ... its own statements ...
//   if (!publisher.WritePublication() || !transaction.Commit())
//       return false;                            // shown; nothing is kept
//   publisher.SendNotices();
#pragma once

#include "mail/MailSender.h"
#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// Five texts. A part: code, name, manager (login name), -, -. A user: -, -, login name, user
// name, e-mail address.
struct ECOPublishRecord {
    CString Text1;
    CString Text2;
    CString Text3;
    CString Text4;
    CString Text5;
};

class CECOPublisher {
public:
    CECOPublisher();
    virtual ~CECOPublisher();
    CECOPublisher(const CECOPublisher&) = delete;
    CECOPublisher& operator=(const CECOPublisher&) = delete;

    // Runs every step in a transaction of its own: 1 when the publication was stored, 0 after its
    // failure was shown (nothing of it is kept).
    int Publish();
    // The rows of the publication, on the caller's transaction; false after the failure was
    // shown (the caller rolls back).
    bool WritePublication();
    // After the commit: the mail job and the message server.
    void SendNotices();

    CString m_strECONo;
    CString m_strECOGroup;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    int m_nDatabaseType = 0;
    CArray<ECOPublishRecord> m_arrParts;
    CArray<ECOPublishRecord> m_arrUsers;
    CArray<CMailItem> m_arrMailItems;
    CArray<CMailItem> m_arrMessageItems;
    CString m_strFoundLogName;

    // Handed to the mail job (see CMailSender): the SMTP port, 0 for the client's own.
    int m_nSmtpPort = 0;

    // Statements this publisher ran or opened (inserts, updates, queries), for measurements.
    long StatementCount() const { return m_nStatements; }

    // The e-mail address of the first user whose login name (mode 0) or user name (other modes)
    // equals the key without regard to case; in the other modes the user's login name goes to
    // m_strFoundLogName. Empty when there is none.
    CString FindUserEmail(CString key, int mode);
    // Files a notice into the mail list (by address, only usable addresses) and the message list
    // (by login name), joining the texts of one receiver with an empty line.
    void MergeNotice(CMailItem notice);

private:
    int ProcessDirectImpact();
    int ProcessIndirectImpact();
    int QueryParentParts(CString sql);
    int ExecuteStatement(CString sql);
    // Inserts the indirect rows of m_arrParts as one batch.
    int InsertIndirectRows(const CString& date);
    // Runs a prepared insert for every set of values, in batches; 0 after the failure was shown.
    int ExecuteBatch(const char* sql, const std::vector<std::vector<_variant_t>>& rows);

    bool LoadUsers();
    int NotifyHandoutDepartments();
    int NotifyPartManagers();
    // The message rows of the receivers, in the order of m_arrMessageItems, as one batch.
    int WriteMessageRows();
    // Shows the first failure of a publication: the cause (a lost connection in one message),
    // then that nothing was kept. Later failures are not shown again.
    void ReportFailure(const _com_error& e, const CString& sql);

    // The table that holds the order's parts: ECOModifyPart for "修改单", else ECOChangePart.
    CString PartTable() const;
    // Reads a statement's rows, `columns` texts each; false after a reported error.
    bool ReadRows(const CString& sql, int columns,
                  const std::function<void(const std::vector<CString>&)>& onRow);

    long m_nStatements = 0;
    bool m_bFailed = false; // a statement of this publication failed
    // Case-folded keys of the lists: login name and user name to the first user with it; e-mail
    // address and login name to the notice of that receiver.
    std::unordered_map<std::string, int> m_userByLogName;
    std::unordered_map<std::string, int> m_userByName;
    std::unordered_map<std::string, int> m_mailByAddress;
    std::unordered_map<std::string, int> m_messageByLogName;
};

// The notice subject and topic of a published change order.
extern const char* const kECOPublishSubject; // "更改单发放自动通知"
