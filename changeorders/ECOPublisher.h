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
// Publishing never fails as a whole: each step shows its own errors and the next one runs; rows
// are only appended, so publishing an order twice records it twice.
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

    // Runs every step; 1 in every case.
    int Publish();

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
    // Inserts the indirect rows of m_arrParts through one prepared statement.
    void InsertIndirectRows(const CString& date);

    void LoadUsers();
    int NotifyHandoutDepartments();
    int NotifyPartManagers();
    int SendMessages();

    // The table that holds the order's parts: ECOModifyPart for "修改单", else ECOChangePart.
    CString PartTable() const;
    // Reads a statement's rows, `columns` texts each; false after a reported error.
    bool ReadRows(const CString& sql, int columns,
                  const std::function<void(const std::vector<CString>&)>& onRow);

    long m_nStatements = 0;
    // Case-folded keys of the lists: login name and user name to the first user with it; e-mail
    // address and login name to the notice of that receiver.
    std::unordered_map<std::string, int> m_userByLogName;
    std::unordered_map<std::string, int> m_userByName;
    std::unordered_map<std::string, int> m_mailByAddress;
    std::unordered_map<std::string, int> m_messageByLogName;
};

// The notice subject and topic of a published change order.
extern const char* const kECOPublishSubject; // "更改单发放自动通知"
