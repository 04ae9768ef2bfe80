#include "platform/maker/FileStore.h"

#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/db/Command.h"
#include "platform/db/SqlDialect.h"
#include "platform/db/SqlText.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/FtpFileFind.h"
#include "platform/maker/DBConnect.h"
#include "platform/maker/MakerEnvironment.h"

#include <cerrno>
#include <vector>

namespace {

constexpr const char* kFtpFolders[] = {"Working", "Auditing", "Proven"};

bool ReadWholeFile(const CString& path, std::vector<BYTE>& bytes) {
    CFile file;
    if (path.IsEmpty() || !file.Open(path, CFile::modeRead | CFile::typeBinary))
        return false;
    long long length = file.GetLength();
    if (length < 0) {
        file.Close();
        return false;
    }
    bytes.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < bytes.size()) {
        UINT piece = static_cast<UINT>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        UINT n = file.Read(bytes.data() + done, piece);
        if (n == 0)
            break;
        done += n;
    }
    file.Close();
    return done == bytes.size();
}

// The target is complete or untouched: a full disk never leaves a truncated copy to be opened.
bool WriteWholeFile(const CString& path, const std::vector<BYTE>& bytes) {
    return vq::ReplaceFileContent(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Whether a row's DocSaved mark says that the row holds a stored content. Empty, NULL and the
// marks other writers use for "not stored" say it does not.
bool MarksStoredContent(const _variant_t& saved) {
    if (saved.IsNull())
        return false;
    CString mark = CString(saved).Trim();
    mark.MakeUpper();
    for (const char* no : {"", "N", "NO", "0", "F", "FALSE", "否"})
        if (mark == no)
            return false;
    return true;
}

} // namespace

_ConnectionPtr CVQSaveFileToDB::ConnectionFor(const CString& database) {
    CVQDBConnect* maker = CVQDBConnect::GetCurDBConnect();
    if (database.CompareNoCase("CAPP") == 0) {
        if (_ConnectionPtr entry = vq::ActiveMakerEnvironment().EntryConnection(true))
            return entry;
        return maker ? maker->GetPtrCAPP() : _ConnectionPtr();
    }
    if (_ConnectionPtr entry = vq::ActiveMakerEnvironment().EntryConnection(false))
        return entry;
    return maker ? maker->GetPtrPDM() : _ConnectionPtr();
}

int CVQSaveFileToDB::PushFileToDB(CString sql, CString localFile, CString column, CString database) {
    _ConnectionPtr connection = ConnectionFor(database);
    std::vector<BYTE> bytes;
    if (!connection || column.IsEmpty() || !ReadWholeFile(localFile, bytes))
        return 0;
    // The row is the one the statement's own condition selects. An updatable recordset of the
    // two columns alone would find the row again by DocSaved, which many rows share.
    const CString table = CString(vq::db::SingleTableOf(sql.str()));
    CString upper = sql;
    upper.MakeUpper();
    const int where = upper.Find(" WHERE ");
    if (table.IsEmpty() || where < 0)
        return 0;
    try {
        _CommandPtr command;
        command.CreateInstance();
        command->PutActiveConnection(connection);
        command->PutCommandText("UPDATE " + table + " SET " + column + " = ?, DocSaved = '1' WHERE " +
                                sql.Mid(where + 7));
        command->PutCommandType(adCmdText);
        command->GetParameters()->Append(command->CreateParameter(column, adLongVarBinary, adParamInput,
                                                                  static_cast<long>(bytes.size()), _variant_t(bytes)));
        long affected = 0;
        command->Execute(&affected, nullptr, adCmdText);
        if (affected == 0)
            return 0;
    } catch (_com_error&) {
        return 0;
    }
    return 1;
}

CString CVQSaveFileToDB::PopFileFromDB(CString sql, CString targetFile, CString column, CString database) {
    m_lastFailure = vq::FetchFailure::Other;
    _ConnectionPtr connection = ConnectionFor(database);
    if (!connection || column.IsEmpty() || targetFile.IsEmpty())
        return CString();
    std::vector<BYTE> bytes;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (rs->IsEOF()) {
            rs->Close();
            m_lastFailure = vq::FetchFailure::NotOnServer;
            return CString();
        }
        // A row without a stored content is a failed fetch: handing out an empty file would
        // have the caller open it as if the document were there.
        _variant_t saved = rs->GetCollect("DocSaved");
        _variant_t content = rs->GetCollect(_variant_t(column));
        if (!MarksStoredContent(saved) || content.IsNull()) {
            rs->Close();
            m_lastFailure = vq::FetchFailure::NotOnServer;
            return CString();
        }
        bytes = content.Bytes();
        rs->Close();
    } catch (_com_error&) {
        return CString();
    }
    if (!WriteWholeFile(targetFile, bytes)) {
        if (vq::IsDiskFullError(errno))
            m_lastFailure = vq::FetchFailure::LocalDiskFull;
        return CString();
    }
    m_lastFailure = vq::FetchFailure::None;
    return targetFile;
}

CString CVQSaveFileToDB::PopFileFromDB(CString sql, CString targetFile, CString column, CString fileId,
                                       CString fileName) {
    if (targetFile.IsEmpty()) {
        const CString name = fileName.IsEmpty() ? fileId : fileName;
        if (!vq::StaysBelowFolder(name)) {
            m_lastFailure = vq::FetchFailure::Other;
            return CString();
        }
        targetFile = vq::WorkingFolder() + name;
    }
    return PopFileFromDB(sql, targetFile, column, CString("PDM"));
}

int CVQSaveFileToDB::PushFileToDB(CString sql, CString localFile, CString column, CString projectNo,
                                  CString workId, CString fileId) {
    if (fileId.IsEmpty())
        return 0;
    (void)projectNo;
    (void)workId;
    return PushFileToDB(sql, localFile, column, CString("PDM"));
}

int CVQTWSaveFileToFTP::GetProjectInfoFromFileID(CString fileId, CString& projectNo, CString& workId) {
    projectNo.Empty();
    workId.Empty();
    _ConnectionPtr connection = CVQSaveFileToDB::ConnectionFor("PDM");
    if (!connection || fileId.IsEmpty())
        return 0;
    CString sql;
    sql.Format("SELECT b.TaskNo, a.WorkID FROM TeamWorkResult a, TeamWorkManage b WHERE a.WorkID = b.WorkID "
               "AND a.FileID = '%s'",
               SqlQuote(fileId));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (rs->IsEOF()) {
            rs->Close();
            return 0;
        }
        _variant_t task = rs->GetCollect(_variant_t(0L));
        _variant_t work = rs->GetCollect(_variant_t(1L));
        if (!task.IsNull())
            projectNo = CString(task).Trim();
        if (!work.IsNull())
            workId = CString(work).Trim();
        rs->Close();
    } catch (_com_error&) {
        projectNo.Empty();
        workId.Empty();
        return 0;
    }
    return 1;
}

CString CVQTWSaveFileToFTP::FolderPath(const char* folder) const {
    CString root = m_strRoot;
    root.Replace('\\', '/');
    if (root.IsEmpty() || root[root.GetLength() - 1] != '/')
        root += '/';
    return root + "Vq/" + folder;
}

CVQTWSaveFileToFTP::CVQTWSaveFileToFTP() = default;

CVQTWSaveFileToFTP::~CVQTWSaveFileToFTP() = default;

int CVQTWSaveFileToFTP::InitVQPDMFTP() {
    if (!m_pFtp)
        m_pFtp = vq::ActiveMakerEnvironment().EntryFtpConnection();
    if (!m_pFtp) {
        m_ownFtp = vq::ActiveMakerEnvironment().OpenFtpConnection();
        m_pFtp = m_ownFtp.get();
    }
    if (!m_pFtp)
        return 0;
    m_strRoot = vq::ActiveMakerEnvironment().EntryFtpRootFolder();
    CString vq = FolderPath("");
    vq = vq.Left(vq.GetLength() - 1);
    CString current;
    m_pFtp->GetCurrentDirectory(current);
    if (!m_pFtp->SetCurrentDirectory(vq))
        return 0;
    m_pFtp->SetCurrentDirectory(current);
    return 1;
}

int CVQTWSaveFileToFTP::DeleteVQPDMFileInFTP(CString fileId, CString storedName) {
    if (!m_pFtp && !InitVQPDMFTP())
        return 0;
    if (storedName.IsEmpty())
        storedName = fileId;
    if (!vq::StaysBelowFolder(storedName))
        return 0;
    int removed = 0;
    for (const char* folder : kFtpFolders) {
        if (m_pFtp->Remove(FolderPath(folder) + "/" + storedName))
            removed = 1;
    }
    return removed;
}

int CVQTWSaveFileToFTP::FindVQPDMFileInFTP(CString storedName) {
    if (!vq::StaysBelowFolder(storedName))
        return -1; // not looked for: such a name never leads out of the folders
    if (!m_pFtp && !InitVQPDMFTP())
        return -1;
    for (const char* folder : kFtpFolders) {
        std::vector<FtpDirEntry> entries;
        if (!m_pFtp->ListDirectory(FolderPath(folder), entries)) {
            // A folder that is not there holds no copy; a server that does not answer may.
            CString current;
            m_pFtp->GetCurrentDirectory(current);
            CString vq = FolderPath("");
            if (!m_pFtp->SetCurrentDirectory(vq.Left(vq.GetLength() - 1)))
                return -1;
            m_pFtp->SetCurrentDirectory(current);
            continue;
        }
        for (const FtpDirEntry& entry : entries) {
            if (!entry.isDirectory && entry.name == storedName)
                return 1;
        }
    }
    return 0;
}

int CVQTWSaveFileToFTP::PutVQPDMFileToFTP(CString localFile, CString storedName) {
    if (!vq::StaysBelowFolder(storedName) || (!m_pFtp && !InitVQPDMFTP()))
        return 0;
    return m_pFtp->PutFile(localFile, FolderPath("Working") + "/" + storedName) ? 1 : 0;
}

int CVQTWSaveFileToFTP::GetVQPDMFileFromFTP(CString storedName, CString localFile) {
    m_lastFailure = vq::FetchFailure::Other;
    if (!vq::StaysBelowFolder(storedName) || (!m_pFtp && !InitVQPDMFTP()))
        return 0;
    // Not on the server only when no folder has it; any other failure says more.
    m_lastFailure = vq::FetchFailure::NotOnServer;
    for (const char* folder : kFtpFolders) {
        if (m_pFtp->GetFile(FolderPath(folder) + "/" + storedName, localFile, FALSE)) {
            m_lastFailure = vq::FetchFailure::None;
            return 1;
        }
        if (m_pFtp->GetLastFailure() != vq::FetchFailure::NotOnServer)
            m_lastFailure = m_pFtp->GetLastFailure();
    }
    return 0;
}
