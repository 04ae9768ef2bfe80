// The maker's file store library: a document's content kept whole in a large-object column of a
// database row (CVQSaveFileToDB), and a work document's copy on the FTP server of the work
// documents (CVQTWSaveFileToFTP).
//
// Database store. The caller inserts the row and hands a SELECT of "DocSaved, DocContent" that
// selects exactly that row, the local file, the column name ("DocContent") and the database
// word ("PDM": the product database of the current entry call; "CAPP": the process-planning
// database):
//
//   CVQSaveFileToDB store;
//   CString sql;
//   sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(id));
//   if (!store.PushFileToDB(sql, localPath, "DocContent", "PDM")) ...
//   CString path = store.PopFileFromDB(sql, GetTempDirectory() + name, "DocContent", "PDM");
//
// PushFileToDB writes the file's bytes unchanged into the column and "1" into DocSaved; the
// row's other columns stay as they are. PopFileFromDB writes the stored bytes to the target path
// (complete or not at all: a partial file never replaces an existing one) and returns the path.
// A row whose DocSaved is empty, NULL or a "not stored" mark ("N", "0", "否" ...), or whose
// content is NULL, holds no stored content: PopFileFromDB fails for it and writes nothing.
//
// FTP store. Work documents are kept on the FTP server of the current entry call (the
// application's current FTP connection, which the holder opens below "Vq") in the folder
// "Working", under the stored name "<FileID><extension>". DeleteVQPDMFileInFTP removes that
// copy wherever it lies below "Vq" ("Working", "Auditing", "Proven"). When the entry call holds
// no FTP connection, the store logs on to the server of the configuration itself and logs off
// when it is destroyed. A stored name that would lead out of these folders (vq::StaysBelowFolder)
// is refused: nothing is put, fetched, looked for or removed for it.
#pragma once

#include "platform/base/File.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <memory>

class CFtpConnection;

class CVQSaveFileToDB {
public:
    CVQSaveFileToDB() = default;
    virtual ~CVQSaveFileToDB() = default;

    // Stores the whole file in the column of the one row the statement selects; 0 for failure
    // (no row, file unreadable, database error).
    int PushFileToDB(CString sql, CString localFile, CString column, CString database);
    // Writes the stored content of the row to targetFile; the path, or empty for failure.
    CString PopFileFromDB(CString sql, CString targetFile, CString column, CString database);
    // The work-document form: the statement selects the document's row of
    // TeamWorkResultPack; an empty target path means the temporary folder followed by the file
    // name (or the file id when the name is empty). The path written, or empty for failure.
    CString PopFileFromDB(CString sql, CString targetFile, CString column, CString fileId, CString fileName);
    // The work-document form of the push: the statement selects the document's row of
    // TeamWorkResultPack, and the project facts of CVQTWSaveFileToFTP::GetProjectInfoFromFileID
    // come with the file id. The bytes go to the product database as in the four-text form; the
    // facts only name the document's project and work.
    int PushFileToDB(CString sql, CString localFile, CString column, CString projectNo, CString workId,
                     CString fileId);

    // The connection of a database word; tests and the host may set the product connection
    // that "PDM" means (default: the current entry call's).
    static _ConnectionPtr ConnectionFor(const CString& database);

    // Why the last PopFileFromDB failed: no stored content (NotOnServer), a full local disk, or
    // another cause (None after a success).
    vq::FetchFailure GetLastFailure() const { return m_lastFailure; }

private:
    vq::FetchFailure m_lastFailure = vq::FetchFailure::None;
};

class CVQTWSaveFileToFTP {
public:
    CVQTWSaveFileToFTP();
    virtual ~CVQTWSaveFileToFTP();
    CVQTWSaveFileToFTP(const CVQTWSaveFileToFTP&) = delete;
    CVQTWSaveFileToFTP& operator=(const CVQTWSaveFileToFTP&) = delete;

    // The two project facts of a work document that the work-document push takes: the project
    // task number of its work task and the work id. Non-zero when the document and its work task
    // were found in the product database; the facts stay empty otherwise.
    int GetProjectInfoFromFileID(CString fileId, CString& projectNo, CString& workId);
    // Non-zero when the FTP server of the work documents can be used (the current entry call
    // holds an FTP connection, or the store could log on to the server of the configuration, and
    // the folder "Vq" can be reached).
    int InitVQPDMFTP();
    // Removes the stored copy "storedName" of the document fileId; 1 when a copy was removed.
    int DeleteVQPDMFileInFTP(CString fileId, CString storedName);
    // Whether a copy "storedName" lies below "Vq" ("Working", "Auditing", "Proven"): 1 when one
    // does, 0 when none does, -1 when the server could not be asked.
    int FindVQPDMFileInFTP(CString storedName);
    // Stores a local file as the copy "storedName" in "Working"; non-zero on success.
    int PutVQPDMFileToFTP(CString localFile, CString storedName);
    // Fetches the copy "storedName" (looked for in "Working", "Auditing", "Proven") to
    // localFile; non-zero on success.
    int GetVQPDMFileFromFTP(CString storedName, CString localFile);
    // Why the last GetVQPDMFileFromFTP failed (None after a success); NotOnServer when no folder
    // holds the copy.
    vq::FetchFailure GetLastFailure() const { return m_lastFailure; }

    // Tests may give the connection to use instead of the current entry call's.
    void SetConnection(CFtpConnection* connection) { m_pFtp = connection; }

private:
    CString FolderPath(const char* folder) const;

    CFtpConnection* m_pFtp = nullptr;
    std::unique_ptr<CFtpConnection> m_ownFtp; // the store's own logon, when the entry call has none
    CString m_strRoot;                        // the server folder that holds "Vq"
    vq::FetchFailure m_lastFailure = vq::FetchFailure::None;
};
