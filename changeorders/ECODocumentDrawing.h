// CECODocumentDrawing: a drawing attached to a change order (a row of ECORelateFile keyed by the
// order's group, number and the document's DocType) and its change labels in ECOFileChangeLabel,
// as the label management and the label browser read them.
//
//   CECODocumentDrawing drawing;
//   drawing.m_strECOGroup = group; drawing.m_strECONo = number; drawing.m_strDocType = docType;
//   const CString local = drawing.DownloadDocument(m_copies.Path()); // empty: none shown (the user was told)
//   double area[4];
//   if (drawing.ReadLabelArea(label, area)) viewer.ZoomToArea(area[0], area[1], area[2], area[3]);
//
// The copy is written into the folder the caller gives (a folder of its own, vq::CallFolder) as
// "M<number>_<file name>", both parts made valid file names, and recorded once among the
// application's downloaded files.
#pragma once

#include "platform/base/String.h"

class CECODocumentDrawing {
public:
    CString m_strECOGroup;
    CString m_strECONo;
    CString m_strDocType;

    // The document's FileName (empty without a row; a database error is reported).
    CString GetDocumentFileName();
    // The local path in the folder (ending with '/') the document is copied to.
    CString LocalPath(const CString& folder, const CString& fileName) const;
    // Fetches the document from the database into the folder. Empty, silently, for a
    // document without a row or file name; empty after "只能处理AutoCAD的设计图纸..." for a file
    // that is not a ".dwg" and after "文档下载失败!" when the content cannot be fetched.
    CString DownloadDocument(const CString& folder);
    // The stored rectangle of a label (LeftX, LeftY, RightX, RightY). False after
    // "无对应的更改标记位置信息..." when the label has no row, or after the database error and the
    // statement were shown.
    bool ReadLabelArea(const CString& label, double area[4]);
    // "ECOGroup='..' AND ECONo='..' AND DocType='..'", the values quoted.
    CString KeyCondition() const;
};
