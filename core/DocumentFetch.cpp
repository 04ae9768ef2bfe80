#include "core/DocumentFetch.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ftp/FtpConnection.h"

CString FetchFailureText(const CString& name, vq::FetchFailure why, const CString& detail) {
    switch (why) {
    case vq::FetchFailure::NotOnServer:
        return "不能取得文档" + name + "：服务器上没有该文件。";
    case vq::FetchFailure::AccessDenied:
        return "不能取得文档" + name + "：服务器拒绝访问该文件。";
    case vq::FetchFailure::LocalDiskFull:
        return "不能取得文档" + name + "：本地磁盘已满。";
    case vq::FetchFailure::NameTooLong:
        return "不能取得文档" + name + "：文件名太长。";
    case vq::FetchFailure::UnusableName:
        return "不能取得文档" + name + "：文件服务器上不能使用这个文件名。";
    case vq::FetchFailure::ServerBusy:
    case vq::FetchFailure::LoginRefused:
    case vq::FetchFailure::EncryptionRequired:
    case vq::FetchFailure::ServiceUnavailable:
    case vq::FetchFailure::NoDataConnection:
    case vq::FetchFailure::FileInUse:
        // The connection's text is the cause followed by the server's line.
        return "不能取得文档" + name + "：" + (detail.IsEmpty() ? FtpServerFailureText(why) : detail);
    default:
        break;
    }
    return detail.IsEmpty() ? "不能取得文档" + name + "。" : "不能取得文档" + name + "：\n" + detail;
}

void ReportFetchFailure(const CString& name, vq::FetchFailure why, const CString& otherwise,
                        const CString& detail) {
    // The person stopped the fetch (or the program is ending): nothing to tell.
    if (why == vq::FetchFailure::Cancelled)
        return;
    const bool named = why != vq::FetchFailure::Other && why != vq::FetchFailure::None;
    AfxMessageBox(named || otherwise.IsEmpty() ? FetchFailureText(name, why, detail) : otherwise);
}

bool FetchDocumentCopy(CFtpConnection* ftp, const CString& remote, const CString& local, const CString& name,
                       const CString& otherwise) {
    if (!ftp) {
        ReportFetchFailure(name, vq::FetchFailure::Other, otherwise);
        return false;
    }
    if (!ftp->GetFile(remote, local, FALSE, FILE_ATTRIBUTE_NORMAL, FTP_TRANSFER_TYPE_BINARY, 1)) {
        ReportFetchFailure(name, ftp->GetLastFailure(), otherwise, ftp->GetLastErrorText());
        return false;
    }
    theApp.AddUniqueFile(local);
    return true;
}

CString StoreFailureText(const CFtpConnection* ftp, const CString& usual, const CString& remote) {
    switch (ftp ? ftp->GetLastFailure() : vq::FetchFailure::Other) {
    case vq::FetchFailure::ServerDiskFull:
        return "增加文档失败，服务器磁盘已满：\n" + ftp->GetLastErrorText();
    case vq::FetchFailure::AccessDenied:
        return "增加文档失败，服务器拒绝写入该文件：\n" + ftp->GetLastErrorText();
    case vq::FetchFailure::NameTooLong:
        return "增加文档失败，文件名太长:\n" + CString(vq::VisibleText(remote.str()));
    case vq::FetchFailure::UnusableName:
        return UnusableNameText(remote);
    case vq::FetchFailure::Cancelled:
        return "增加文档失败，文件传输已取消。";
    case vq::FetchFailure::ServerBusy:
    case vq::FetchFailure::LoginRefused:
    case vq::FetchFailure::EncryptionRequired:
    case vq::FetchFailure::ServiceUnavailable:
    case vq::FetchFailure::NoDataConnection:
    case vq::FetchFailure::FileInUse:
        return "增加文档失败，" + ftp->GetLastErrorText();
    default:
        break;
    }
    return usual;
}

void ReportStoreFailure(const CFtpConnection* ftp, const CString& usual, const CString& remote) {
    if (ftp && ftp->GetLastFailure() == vq::FetchFailure::Cancelled)
        return;
    AfxMessageBox(StoreFailureText(ftp, usual, remote));
}

CString UnusableNameText(const CString& name) {
    return "增加文档失败，文件服务器上不能使用这个名称:\n" + CString(vq::VisibleText(name.str()));
}
