#include "projects/TaskFtpFolder.h"

#include "core/VqDesignTaskApp.h"
#include "platform/ftp/FtpConnection.h"

bool SetTaskFtpFolder(CFtpConnection* connection, const CString& folder) {
    if (!connection)
        return false;
    const char separator = folder.Find('\\') >= 0 ? '\\' : '/';
    const CString root = theApp.m_strFtpRootDir.IsEmpty() ? CString("\\") : theApp.m_strFtpRootDir;
    if (!connection->SetCurrentDirectory(root))
        return false;
    int start = 0;
    while (start <= folder.GetLength()) {
        int end = folder.Find(separator, start);
        if (end < 0)
            end = folder.GetLength();
        const CString part = folder.Mid(start, end - start);
        if (!part.IsEmpty() && !connection->SetCurrentDirectory(part))
            return false;
        start = end + 1;
    }
    return true;
}
