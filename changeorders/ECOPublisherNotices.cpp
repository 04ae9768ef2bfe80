// The notice steps of publishing: the user directory, the notices to the managers of the handout
// departments and of the affected parts, their merging per receiver, and the mail job and
// message rows that deliver them.
#include "changeorders/ECOPublisher.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"

namespace {

std::string FoldCase(CString text) {
    text.MakeLower();
    return text.str();
}

// An address that can be mailed: it holds an "@" and does not begin with it.
bool IsMailable(const CString& address) {
    return address.Find('@') > 0;
}

CString LocalTime() {
    return CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
}

} // namespace

bool CECOPublisher::LoadUsers() {
    m_userByLogName.clear();
    m_userByName.clear();
    return ReadRows("SELECT UserLogName, UserName, EmailAddress FROM UserInformation", 3,
                    [this](const std::vector<CString>& row) {
                        ECOPublishRecord user;
                        user.Text3 = row[0];
                        user.Text4 = row[1];
                        user.Text5 = row[2];
                        const int index = m_arrUsers.Add(user);
                        // The first user with a key wins, as a walk from the top finds it.
                        m_userByLogName.emplace(FoldCase(user.Text3), index);
                        m_userByName.emplace(FoldCase(user.Text4), index);
                    });
}

CString CECOPublisher::FindUserEmail(CString key, int mode) {
    m_strFoundLogName.Empty();
    const auto& index = mode == 0 ? m_userByLogName : m_userByName;
    const auto found = index.find(FoldCase(key));
    if (found == index.end() || found->second >= m_arrUsers.GetSize())
        return CString();
    const ECOPublishRecord& user = m_arrUsers[found->second];
    if (mode != 0)
        m_strFoundLogName = user.Text3;
    return user.Text5;
}

void CECOPublisher::MergeNotice(CMailItem notice) {
    auto file = [&notice](CArray<CMailItem>& list, std::unordered_map<std::string, int>& index,
                          const CString& key) {
        const auto [at, added] = index.emplace(FoldCase(key), list.GetSize());
        if (added) {
            list.Add(notice);
            return;
        }
        // Appended in place: a receiver of many notices costs no more than their texts.
        CMailItem& entry = list[at->second];
        entry.Text += "\n\n";
        entry.Text += notice.Text;
    };
    if (IsMailable(notice.Address))
        file(m_arrMailItems, m_mailByAddress, notice.Address);
    file(m_arrMessageItems, m_messageByLogName, notice.LogName);
}

int CECOPublisher::NotifyHandoutDepartments() {
    const CString time = LocalTime();
    CString sql;
    sql.Format("SELECT DISTINCT Manager, Name FROM EnpartmentManage WHERE Name IN (SELECT Enpartment FROM "
               "ECOHandout "
               "WHERE ECOGroup='%s' AND ECONO='%s')",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo));
    return ReadRows(sql, 2,
                    [&](const std::vector<CString>& row) {
                        const CString address = FindUserEmail(row[0], 1);
                        CString text;
                        text.Format("更改单：%s 已发布，涉及到发放部门：%s，请注意签收...\n时间：%s",
                                    m_strECONo.c_str(), row[1].c_str(), time.c_str());
                        MergeNotice(CMailItem(m_strFoundLogName, address, kECOPublishSubject, text));
                    })
               ? 1
               : 0;
}

int CECOPublisher::NotifyPartManagers() {
    const CString time = LocalTime();
    CString sql;
    sql.Format("SELECT RelateType, PartCode, PartName, Manager FROM ECOPartNotify WHERE ECOGroup='%s' AND "
               "ECONo='%s'",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo));
    return ReadRows(sql, 4,
                    [&](const std::vector<CString>& row) {
                        const CString address = FindUserEmail(row[3], 0);
                        const char* format = row[0] == "直接"
                                                 ? "更改单：%s 已发布，涉及到您负责的零部件 "
                                                   "%s[%s]发生了更改，请注意跟踪...\n时间：%s"
                                                 : "更改单：%s 已发布，涉及到您负责的零部件 "
                                                   "%s[%s]有借用件发生了更改，请注意跟踪...\n时间：%s";
                        CString text;
                        text.Format(format, m_strECONo.c_str(), row[1].c_str(), row[2].c_str(), time.c_str());
                        MergeNotice(CMailItem(row[3], address, kECOPublishSubject, text));
                    })
               ? 1
               : 0;
}

int CECOPublisher::WriteMessageRows() {
    const CTime now = CTime::GetCurrentTime();
    const _variant_t time = now.Format("%Y-%m-%d %H:%M");
    const _variant_t date = now.Format("%Y-%m-%d");
    const _variant_t host = theApp.m_strHostIP;
    const _variant_t topic = CString(kECOPublishSubject);
    std::vector<std::vector<_variant_t>> rows;
    for (int i = 0; i < m_arrMessageItems.GetSize(); ++i) {
        const CMailItem& notice = m_arrMessageItems[i];
        if (!notice.LogName.IsEmpty())
            rows.push_back({_variant_t(notice.LogName), time, date, host, topic, _variant_t(notice.Text)});
    }
    if (rows.empty())
        return 1;
    return ExecuteBatch(
        "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
        "ReadFlag) VALUES('系统', ?, ?, ?, ?, ?, ?, 'N')",
        rows);
}

void CECOPublisher::SendNotices() {
    // The mail job first; its failures are shown inside it. A receiver without a usable address
    // is told by message only.
    if (!m_arrMailItems.IsEmpty()) {
        CMailSender job;
        job.SmtpPort = m_nSmtpPort;
        job.To = m_arrMailItems[0].Address;
        for (int i = 0; i < m_arrMailItems.GetSize(); ++i)
            job.Items.Add(m_arrMailItems[i]);
        job.Send(0);
    }
    for (int i = 0; i < m_arrMessageItems.GetSize(); ++i) {
        const CMailItem& notice = m_arrMessageItems[i];
        if (!notice.LogName.IsEmpty())
            theApp.NotifyMessageServer(notice.LogName, notice.Text);
    }
}
