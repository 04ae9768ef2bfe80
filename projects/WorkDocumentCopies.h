// The copies of work documents on the FTP server, as the deletions of a work task and of a
// project subtree remove them: the documents are read before their rows go, the rows are
// deleted, and then the copies; a copy that is still on the server afterwards (or that could
// not be looked for) is named to the user, so that nothing is left behind unnoticed.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <set>
#include <string>
#include <vector>

class CVQTWSaveFileToFTP;

struct WorkDocumentRef {
    CString fileId;
    CString fileName;
    // The name of the copy on the server: the FileID followed by the extension of the file name
    // (with its dot; nothing when the name has none).
    CString StoredName() const;
};

// Reads "SELECT FileID, FileName ..." rows. A database error is shown, then the statement (caption
// "操作提示"), and false is returned.
bool ReadWorkDocuments(const CString& sql, std::vector<WorkDocumentRef>& documents);

// Removes the copy of each document; appends "FileID (stored name)" of every copy that is still on
// the server or could not be looked for.
void RemoveWorkDocumentCopies(CVQTWSaveFileToFTP& store, const std::vector<WorkDocumentRef>& documents,
                              CStringArray& leftovers);

// The keys (vq::FolderNameKey) of the folder names of every task's number: on a server that
// ignores case, a copy whose name has one of these keys is that task's folder. A database error
// is shown, and false returned.
bool ReadTaskFolderKeys(std::set<std::string>& keys);

// Takes out of `documents` each copy whose name a server that ignores case reads as a name that
// stays: the folder of a task (its key in `taskFolderKeys`), or a copy of a document that stays
// (a row of TeamWorkResult that `stayingDocuments`, a condition on it, selects) by its FileID or
// by its stored name. Such a copy was stored at that name by another client, or is the other
// document's own copy: it is not removed, and "FileID (stored name)" of it is appended to `kept`.
// A database error is shown, and false returned with `documents` as it was.
bool KeepCopiesOfStayingNames(std::vector<WorkDocumentRef>& documents,
                              const std::set<std::string>& taskFolderKeys, const CString& stayingDocuments,
                              CStringArray& kept);

// Tells the user, in one box, which tasks kept their rows and everything on the server because
// their number could not be used ("path\name [number]" each; keptBelowDeleted: the rows above
// some of them are deleted, so that no tree shows them), which folders stayed because they are
// also the folders of tasks that stay (both numbers name one folder on the server), which
// document copies stayed because their names are also those of a task's folder or of another
// document's copy there, which contents could not be removed from the FTP server, and which
// folders were never on it because the server cannot hold their names; nothing when there are
// none. The texts are shown as given: the caller writes stored names with vq::VisibleText.
void ReportFtpLeftovers(const CStringArray& leftovers, const CStringArray& keptTasks = CStringArray(),
                        bool keptBelowDeleted = false, const CStringArray& sharedFolders = CStringArray(),
                        const CStringArray& sharedCopies = CStringArray(),
                        const CStringArray& unnamableFolders = CStringArray());
