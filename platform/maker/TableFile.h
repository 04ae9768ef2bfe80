// The maker's table-file library: reads and writes ".tbl" files, a title area of named items
// and detail areas of labelled columns and rows. The format is described in TableFile.md.
//
//   CVQReadTblTool tool;
//   tool.SetTblFile(path);
//   if (tool.GetTitleItemIDAndValue() && tool.GetDetailDefineDataAndValue() &&
//       tool.m_arrDetailTables.GetSize() > 0) {
//       CAttribValueTable table = tool.m_arrDetailTables[0];
//       CStringArray labels, values;
//       table.GetAttribLableRecord(labels);
//       for (int i = 0; i < table.GetTableLogicSize(); ++i)
//           table.GetAttribValueRecord(i, values);
//   }
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

// One detail area: its column labels and rows of values.
class CAttribValueTable {
public:
    CAttribValueTable() = default;
    CAttribValueTable(const CAttribValueTable&) = default;
    CAttribValueTable& operator=(const CAttribValueTable&) = default;
    ~CAttribValueTable() = default;

    // The column labels in column order; returns their number.
    int GetAttribLableRecord(CStringArray& labels) const;
    // The number of rows.
    int GetTableLogicSize() const { return m_rows.GetSize(); }
    // The values of one row in column order; returns their number (0 for a bad index, with an
    // empty array).
    int GetAttribValueRecord(int row, CStringArray& values) const;

    // Building a table for writing.
    void SetAttribLables(const CStringArray& labels) { m_labels.Copy(labels); }
    void AddAttribValueRecord(const CStringArray& values);

private:
    CStringArray m_labels;
    CArray<CStringArray> m_rows;
};

class CVQReadTblTool {
public:
    CVQReadTblTool() = default;
    ~CVQReadTblTool() = default;
    CVQReadTblTool(const CVQReadTblTool&) = delete;
    CVQReadTblTool& operator=(const CVQReadTblTool&) = delete;

    void SetTblFile(const CString& path) {
        m_strTblFile = path;
        m_nLoaded = -1;
    }
    CString GetTblFile() const { return m_strTblFile; }

    // Reads the title area into m_arrTitleItemIDs and m_arrTitleItemValues; non-zero on
    // success (the file could be read and is a table file).
    int GetTitleItemIDAndValue();
    // Reads the detail areas into m_arrDetailTables, with each area's id and name beside it
    // in m_arrDetailIDs and m_arrDetailNames; non-zero on success.
    int GetDetailDefineDataAndValue();

    // Editing a report: sets the value of the title item whose id is the cell path (e.g.
    // "更改单\审核者"), adding the item when the report has none of that id. The report is read
    // on the first call; 0 when it is not a table file.
    int SetTitleDataBySrc(const CString& cellPath, const CString& value);
    // With mode 1 writes the report as read and edited to path (a temporary file renamed over
    // it); non-zero on success. 0 for another mode or a report that could not be read.
    int Serialize(int mode, const CString& path);

    CStringArray m_arrTitleItemIDs;
    CStringArray m_arrTitleItemValues;
    CArray<CAttribValueTable> m_arrDetailTables;
    CStringArray m_arrDetailIDs;
    CStringArray m_arrDetailNames;

private:
    bool Parse();

    CString m_strTblFile;
    int m_nLoaded = -1; // -1: not read yet; 0: not a table file; 1: read
};

// Writes a table file: the title items (ids and values in pairs) and the detail areas with their
// ids and names (missing ids are numbered from 1, missing names are empty). FALSE when the file
// cannot be written.
BOOL WriteTableFile(const CString& path, const CStringArray& titleIds, const CStringArray& titleValues,
                    const CArray<CAttribValueTable>& tables, const CStringArray& tableIds,
                    const CStringArray& tableNames);
