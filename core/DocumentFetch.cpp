#include "core/DocumentFetch.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ftp/FtpConnection.h"

CString FetchFailureText(const CString& name, vq::FetchFailure why, const CString& detail) {
    switch (why) {
    case vq::FetchFailure::NotOnServer:
        return "不能取得文档" + name + "：服务器上没有该文件。";
    case vq::FetchFailure::LocalDiskFull:
        return "不能取得文档" + name + "：本地磁盘已满。";
    default:
        break;
    }
    return detail.IsEmpty() ? "不能取得文档" + name + "。" : "不能取得文档" + name + "：\n" + detail;
}

void ReportFetchFailure(const CString& name, vq::FetchFailure why, const CString& otherwise,
                        const CString& detail) {
    const bool named = why == vq::FetchFailure::NotOnServer || why == vq::FetchFailure::LocalDiskFull;
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
    if (ftp && ftp->GetLastFailure() == vq::FetchFailure::ServerDiskFull)
        return "增加文档失败，服务器磁盘已满：\n" + ftp->GetLastErrorText();
    if (ftp && ftp->GetLastFailure() == vq::FetchFailure::NameTooLong)
        return "增加文档失败，文件名太长:\n" + remote;
    return usual;
}
