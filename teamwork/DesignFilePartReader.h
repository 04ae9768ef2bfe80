// CDesignFilePartReader: fetches the model files that a three-dimensional drawing or assembly
// refers to, so that a viewer can show the document. Given a work document (its file name and
// FileID in TeamWorkResult) it finds the part of the document and
//   - for a 3D drawing (.DFT, .IDW, .SLDDRW), fetches the other documents of the same part;
//   - for a 3D drawing or model (.ASM, .IAM, .SLDASM, .PRT), reads the collaborative-design
//     structure below the part (every depth) and fetches the model document of each line.
// Files of other kinds are not handled. Each file is written beside the document (into the folder
// of the path given, the call folder its caller fetched it to) under its own file name, where the
// viewer of the document looks for it, and recorded in the application's list of downloaded files.
// A document given without a folder has nowhere to put them: nothing is read, and one box says
// "下载文档失败！".
//
//   CDesignFilePartReader reader;
//   reader.ReadFileParts(localPath, fileId);   // then open the document itself
//
// Contents come from where the document storage mode keeps them: 0 the database
// (TeamWorkResultPack), 1 the database and else the FTP server, 2 the FTP server and else the
// database.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <map>

class CDesignFilePartReader {
public:
    enum class FileKind { NotHandled, Model, Drawing };

    CDesignFilePartReader();
    virtual ~CDesignFilePartReader();
    CDesignFilePartReader(const CDesignFilePartReader&) = delete;
    CDesignFilePartReader& operator=(const CDesignFilePartReader&) = delete;

    // 1 when the reading ran to its end; 0 for a file kind not handled, a document without part
    // code or without a folder, or a cancel in the structure step.
    int ReadFileParts(CString fileName, CString fileId);
    // The other documents of the drawing's part; 0 after a cancel or a database error.
    int ReadDrawingModels(CString fileName, CString fileId, CString partCode);
    // The model documents of the structure below the part; 0 after a cancel.
    int ReadAssemblyModels(CString fileName, CString fileId, CString partCode);
    // Fill the four arrays with the structure below the part code.
    void ReadSubPartsOracle(CString partCode);
    void ReadSubPartsProc(CString partCode);
    // Writes one document's content beside the document being read; 1 when written and recorded.
    int DownloadDocument(CString fileId);

    // The kind of a file by the texts its upper-cased name (without folder) contains.
    static FileKind GetFileKind(const CString& fileName);

    _ConnectionPtr m_pConnection;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    // The lines of the last structure read, in parallel.
    CStringArray m_arrUpCode;
    CStringArray m_arrDCode;
    CStringArray m_arrDName;
    CStringArray m_arrPartFileID;

private:
    // Fetches each file under a progress window; 0 when the person cancelled.
    int DownloadWithProgress(const CStringArray& fileIds, const CString& firstText);
    void ClearLines();
    // The local path for a document: its own name in the folder of the document being read,
    // unless this reader already wrote another document under that name.
    CString LocalPathFor(const CString& fileId, const CString& fileName);
    CString FetchContent(const CString& fileId, const CString& fileName, const CString& localPath);

    // The folder of the document being read, ending with '/'; empty when it was given without one.
    CString m_folder;
    // Upper-cased local path -> the FileID written there by this reader.
    std::map<CString, CString> m_written;
};
