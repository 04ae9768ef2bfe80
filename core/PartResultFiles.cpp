// The current result documents of a part: of the documents that hold a drawing page of the part,
// the one saved last for each page.
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"

#include <vector>

namespace {

struct PageRow {
    CString fileId, pageNum, pageCount, saveDate;
};

// Keeps one row per page number (compared without regard to case): of two rows of one page the
// one with the greater SaveDate stays, the later one on equal dates. The search starts again
// from the first row after each removal, so the outcome follows the row order as read.
void KeepLatestPerPage(std::vector<PageRow>& rows) {
    bool removed = true;
    while (removed) {
        removed = false;
        for (std::size_t i = 0; i < rows.size() && !removed; ++i) {
            for (std::size_t j = i + 1; j < rows.size(); ++j) {
                if (rows[i].pageNum.CompareNoCase(rows[j].pageNum) != 0)
                    continue;
                const bool earlierIsNewer = rows[i].saveDate.Compare(rows[j].saveDate) > 0;
                rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(earlierIsNewer ? j : i));
                removed = true;
                break;
            }
        }
    }
}

} // namespace

CString CVqDesignTaskApp::GetPartResultFiles(CString partCode) {
    CString sql;
    sql.Format(
        "SELECT A.FileID, A.PageNum, A.PageCount, B.SaveDate From TeamWorkPartResult A, TeamWorkResult B "
        "WHERE A.PartCode='%s' AND A.FileID=B.FileID",
        SqlQuote(partCode));
    std::vector<PageRow> rows;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            rows.push_back({VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L)),
                            VariantToString(rs->GetCollect(2L)), VariantToString(rs->GetCollect(3L))});
            rs->MoveNext();
        }
        if (m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return "''";
    }
    KeepLatestPerPage(rows);
    // Each id is quoted as a SQL literal: the list is put into a statement as it stands.
    CString list;
    for (const PageRow& row : rows) {
        if (!list.IsEmpty())
            list += ",";
        list += "'" + SqlQuote(row.fileId) + "'";
    }
    return list.IsEmpty() ? CString("''") : list;
}
