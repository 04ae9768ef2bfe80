// The simple MAPI way of the mail job: each mail is handed to the desktop's mail program.
#include "mail/MailSender.h"

#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/com/SimpleMapi.h"

namespace {

constexpr std::size_t kMaxSubjectBytes = 255;
constexpr std::size_t kMaxRecipients = 64;

// The subject's length as the mail program counts it: in code page 936 bytes.
bool SubjectTooLong(const CString& subject) {
    return vq::Utf8ToGbk(subject.str()).size() > kMaxSubjectBytes;
}

} // namespace

int CMailSender::SendByMapi(int flag, int quiet) {
    CWaitCursor wait;
    if (Items.IsEmpty()) {
        AfxMessageBox("没有邮件发送信息!", MB_OK);
        return 0;
    }
    const char* const kSubjectTooLong = "邮件主题长度不能超过255, 请检查...";
    const char* const kNoAt = "邮件收件人的地址要包含'@'，不能发送邮件...";
    if (flag == 0) {
        for (int i = 0; i < Items.GetSize(); ++i) {
            const CMailItem& item = Items[i];
            if (SubjectTooLong(item.Subject)) {
                AfxMessageBox(kSubjectTooLong, MB_OK);
                return 0;
            }
            if (item.Address.Find('@') < 0 && Mode != 1) {
                AfxMessageBox(kNoAt, MB_OK);
                return 0;
            }
            if (MapiSendMail(item.Address, item.Subject, item.Text, quiet) != 0) {
                AfxMessageBox("邮件发送失败!", MB_OK);
                return 0;
            }
        }
        return 1;
    }
    if (flag == 1) {
        CString list;
        for (int i = 0; i < Items.GetSize(); ++i) {
            if (Items[i].Address.Find('@') < 0 && Mode != 1) {
                AfxMessageBox(kNoAt, MB_OK);
                return 0;
            }
            list += Items[i].Address + ";";
        }
        if (SubjectTooLong(Items[0].Subject)) {
            AfxMessageBox(kSubjectTooLong, MB_OK);
            return 0;
        }
        list.Delete(list.GetLength() - 1);
        if (MapiSendMail(list, Items[0].Subject, Items[0].Text, quiet) != 0) {
            AfxMessageBox("邮件发送失败!", MB_OK);
            return 0;
        }
    }
    return 1;
}

int CMailSender::MapiSendMail(const char* to, const char* subject, const char* text, int quiet) {
    if (GetPrivateProfileInt("Mail", "MAPI", 0, "win.ini") == 0)
        return 1;
    std::unique_ptr<vq::OutsideObject> library = vq::CreateOutsideObject(vq::kSimpleMapiLibrary);
    auto* mapi = dynamic_cast<vq::SimpleMapi*>(library.get());
    if (!mapi)
        return 2;
    unsigned long session = 0;
    if (mapi->Logon(vq::MAPI_LOGON_UI | vq::MAPI_PASSWORD_UI, &session) != 0)
        return 3;
    vq::MapiMessage message;
    message.subject = subject ? subject : "";
    message.noteText = text ? text : "";
    const CString list = to ? to : "";
    for (int start = 0; start <= list.GetLength() && message.recipients.size() < kMaxRecipients;) {
        int end = list.Find(';', start);
        if (end < 0)
            end = list.GetLength();
        CString piece = list.Mid(start, end - start);
        if (!piece.IsEmpty()) {
            vq::MapiRecipient recipient;
            recipient.name = recipient.address = "SMTP:" + piece;
            message.recipients.push_back(recipient);
        }
        start = end + 1;
    }
    unsigned long result = mapi->SendMail(session, message, quiet ? 0 : vq::MAPI_LOGON_UI);
    mapi->Logoff(session);
    return result != 0 ? 4 : 0;
}
