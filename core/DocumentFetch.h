// Fetching a stored document to a local copy for the person to look at. The copy is written to a
// new file and takes its name only when it arrived whole, and it is opened only when this fetch
// wrote it: an older copy of the same name (copies stay in the temporary folder between runs) is
// never shown as the current document. When the fetch fails, the person is told that the
// document could not be fetched and, where it is known, why: the server (or the database) has no
// such document, or the local disk is full.
//
//   if (!FetchDocumentCopy(theApp.m_pFtpConnection, remote, local, fileName))
//       return;                       // the box has been shown
//   OpenDocumentFile(local);
#pragma once

#include "platform/base/File.h"
#include "platform/base/String.h"

class CFtpConnection;

// "不能取得文档<name>：" and the cause when it is known (服务器上没有该文件。, 服务器拒绝访问该文件。,
// 本地磁盘已满。, 文件名太长。, a name the file server cannot take; a server that is busy, refuses
// service, no longer accepts the logon or requires encryption, a data connection that cannot be
// opened or a file that another program holds, each followed by the server's line in `detail`
// when given); for another cause "不能取得文档<name>。" followed by what went wrong when that is
// known.
CString FetchFailureText(const CString& name, vq::FetchFailure why, const CString& detail = CString());
// Shows why the document could not be fetched; nothing when the person stopped the fetch. A
// known cause (not on the server, access refused, a full disk, a name) is always named; any other
// cause shows `otherwise` when given (the dialog's own message), else the text above.
void ReportFetchFailure(const CString& name, vq::FetchFailure why, const CString& otherwise = CString(),
                        const CString& detail = CString());
// Fetches `remote` (relative to the connection's current folder) to `local` and records the copy
// with the application object. On failure (no connection included) shows why through
// ReportFetchFailure and returns false; `local` then holds whatever it held before, which the
// caller must not open.
bool FetchDocumentCopy(CFtpConnection* ftp, const CString& remote, const CString& local, const CString& name,
                       const CString& otherwise = CString());
// The message for a failed store of `remote` on the FTP server: a full server disk and a refused
// access are said as such, with the server's reply ("451 Failure writing to local file."), and so
// are a busy server, one that refuses service, a logon no longer accepted, a server that requires
// encryption, a data connection that cannot be opened, a file that another program holds (each with
// the server's line), a name longer than the server keeps and a name it cannot take; any other
// failure gives `usual`.
CString StoreFailureText(const CFtpConnection* ftp, const CString& usual, const CString& remote);
// Shows StoreFailureText; nothing when the person stopped the store (取消, or closing the window it
// served), as for a fetch.
void ReportStoreFailure(const CFtpConnection* ftp, const CString& usual, const CString& remote);
// "增加文档失败，文件服务器上不能使用这个名称:" and the name, with what cannot be seen in it written
// out (vq::VisibleText): a name the file server cannot take, or one refused before anything is sent
// because it would lead out of its folder.
CString UnusableNameText(const CString& name);
