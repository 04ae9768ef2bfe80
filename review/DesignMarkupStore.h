// CDesignMarkupStore: the redline markup of one reviewer's step of a design document, kept in the
// product database as a descriptive row of DesignMarkupManage and the markup file's bytes in a
// row of DesignMarkupPackage (one integer key, FileLogID, joins them). The design-document review
// dialog holds one store: it finds the stored markup when the step opens, downloads it for the
// viewer, stores the markup in hand when the reviewer confirms, and deletes markup that cannot be
// shown.
//
//   CDesignMarkupStore store;
//   store.m_strFileID = fileId; store.m_strAuditTask = step; store.m_strAuditDate = beginDate;
//   store.m_strWorkID = workId; store.m_strAuditor = login; store.m_strOpinion = opinion;
//   if (store.FindStoredMarkup()) path = store.DownloadMarkupFile();
//   ...
//   store.SaveMarkup(store.MarkupFileName());   // after the viewer wrote the markup file
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CDesignMarkupStore {
public:
    CDesignMarkupStore();
    virtual ~CDesignMarkupStore() = default;
    CDesignMarkupStore(const CDesignMarkupStore&) = delete;
    CDesignMarkupStore& operator=(const CDesignMarkupStore&) = delete;

    // Reads the stored markup of the step (document, review task, step begin date) into the
    // stored-markup members; 1 when a row was found. When several rows match, the last one read
    // is taken, or the first with firstRow. A database error is shown, sets m_bLookupFailed and
    // gives 0.
    int FindStoredMarkup(bool firstRow = false);
    // Writes the stored markup to "Vq_Markup_<FileLogID><FileType>" in the temporary folder and
    // records it among the temporary files; the path, or empty (after the failure text when the
    // package could not be read).
    CString DownloadMarkupFile(const CString& failureText = "批注文件下载失败!");
    // The file into which the viewer saves the markup in hand before it is stored:
    // "<temp>_Vq_<document>_<task>.rml" (Volo View above 1.0) or ".dwf"; empty with the AutoVue
    // tool, which stores nothing.
    CString MarkupFileName() const;
    // Stores the markup file when it exists and deletes the local file once stored: 1 when
    // stored, 0 when there is no file to store, -1 when the store failed (said in one box; the
    // file stays for another try).
    int SaveMarkup(const CString& path);
    // Stores the file as the step's markup in place of the one found at load. The new rows are
    // written and the file pushed before the old rows are deleted, all in one transaction under
    // the lock of the document's markup: a failure leaves the earlier markup as it was and is said
    // in one box once the transaction has ended. 1 when stored.
    int StoreMarkup(const CString& path);
    // Deletes the markup found at load (package, then row); 1, or 0 when a statement fails.
    int DeleteMarkupById();
    // Deletes the step's markup rows when the stored markup cannot be shown.
    int DeleteStoredMarkup();

    // The tool name written with a stored markup: "VoloView%g" above version 1.0, else
    // "VoloView1.0".
    CString MarkupToolName() const;

    // A step restarted in the minute its last review ended begins at the same date as that
    // review, so the date alone does not tell the rounds apart. Each ended review of a step is
    // logged with its begin date (TaskLogInformation); the rounds that share a begin date are
    // counted from 0, and the markup of round n > 0 is stored under "<begin date> #<n+1>". The
    // first round's rows carry the begin date alone, as they always have.
    CString StoredAuditDate() const;
    // The reviews of the step logged with its begin date.
    int LoggedRounds() const;
    // The round of the step's row in the review table: the logged reviews, less the one of the
    // row itself once it is complete ("已完成").
    void SetRoundOfStep(const CString& stepState);

    // The step (set by the caller).
    CString m_strFileID;
    CString m_strAuditTask;
    CString m_strAuditDate; // BeginDate of the reviewer's step row
    int m_nRound = 0;       // earlier rounds of the step with the same begin date
    CString m_strWorkID;
    CString m_strAuditor; // login account of the reviewer
    CString m_strOpinion;
    BOOL m_bAutoVue = FALSE;         // the AutoVue viewer is the redline tool: nothing is stored
    double m_dVoloViewVersion = 1.0; // [设计过程管理] "VoloView版本", read by the constructor

    // The stored markup found at load, or after a store.
    int m_bMarkupFound = 0;
    int m_bLookupFailed = 0;    // the last lookup met a database error
    long long m_nFileLogID = 0; // 0: none
    CString m_strFileBulk;
    CString m_strStoredAuditor;
    CString m_strSaveTime;
    CString m_strFileType;
    CString m_strMarkupTool;

    CStringArray m_arrTempFiles; // downloaded markup files

private:
    // The new key under the Oracle dialect (the sequence), 0 after the missing-sequence message.
    long long NextSequenceKey();
    CString InsertStatement(long long key, const CString& size, const CString& time,
                            const CString& ext) const;
    CString ReadBackStatement() const;
    // The rows and the file, on the open transaction: the key stored; 0 when the row cannot be read
    // back or the file not pushed; a failed statement throws.
    long long WriteRows(const _ConnectionPtr& connection, long long key, const CString& path,
                        const CString& size, const CString& time, const CString& ext);
    // Writes the rows and the file in one transaction; the key stored, or 0 after the failure was
    // said.
    long long WriteMarkup(long long key, const CString& path, const CString& size, const CString& time,
                          const CString& ext);
    // The one box of a failed store: the cause of a database error in the system's words (the
    // driver's own text where it has none), and that the decision was not stored. A lost
    // connection is said as everywhere else.
    void SayStoreFailed(const _com_error* error) const;
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
