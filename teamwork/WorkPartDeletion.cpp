#include "teamwork/WorkPartDeletion.h"

#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

// Codes per statement of one level of the walk.
constexpr int kCodesPerRead = 200;

CString Upper(CString text) {
    text.MakeUpper();
    return text;
}

// The first column of the first row as a number; false after showing a database error.
bool ReadCount(const CString& sql, int& count) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        count = rs->IsEOF() ? 0 : std::atoi(VariantToString(rs->GetCollect(0L)));
        if (theApp.m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
}

// The links below a set of parents: appends (parent, child) pairs.
bool ReadLinksBelow(const CString& workId, const CStringArray& parents, int first, int last,
                    CStringArray& ups, CStringArray& downs) {
    CString list;
    for (int i = first; i < last; ++i)
        list += (i > first ? ",'" : "'") + SqlQuote(parents[i]) + "'";
    CString sql;
    sql.Format("SELECT DISTINCT UpCode, DCode FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode IN (%s)",
               SqlQuote(workId), list);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            ups.Add(VariantToString(rs->GetCollect(0L)));
            downs.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
}

} // namespace

bool CollectLinkedParents(const CString& workId, const CString& code, CStringArray& parents) {
    parents.RemoveAll();
    std::set<CString> seen{Upper(code)};
    std::set<CString> listed;
    CStringArray level;
    level.Add(code);
    while (level.GetSize() > 0) {
        CStringArray ups, downs;
        for (int first = 0; first < level.GetSize(); first += kCodesPerRead) {
            const int last = std::min(static_cast<int>(level.GetSize()), first + kCodesPerRead);
            if (!ReadLinksBelow(workId, level, first, last, ups, downs))
                return false;
        }
        // The parents of this level in the order of the level, then the children not yet met.
        for (int i = 0; i < level.GetSize(); ++i) {
            for (int k = 0; k < ups.GetSize(); ++k) {
                if (ups[k].CompareNoCase(level[i]) == 0 && listed.insert(Upper(level[i])).second) {
                    parents.Add(level[i]);
                    break;
                }
            }
        }
        CStringArray next;
        for (int k = 0; k < downs.GetSize(); ++k)
            if (!downs[k].IsEmpty() && seen.insert(Upper(downs[k])).second)
                next.Add(downs[k]);
        level.RemoveAll();
        level.Append(next);
    }
    return true;
}

bool DeleteWorkPartRows(const CString& workId, const CString& parentCode, const CString& code) {
    // Reads first: a part whose design is stored keeps its rows; without a sure answer nothing goes.
    CString sql;
    sql.Format("SELECT count(*) FROM VqkorvelTeam_title WHERE TCode='%s'", SqlQuote(code));
    int stored = 0;
    if (!ReadCount(sql, stored))
        return false;
    CStringArray parents;
    if (!CollectLinkedParents(workId, code, parents))
        return false;

    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return false;
    const CString work = SqlQuote(workId);
    sql.Format("DELETE FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s' AND DCode='%s'", work,
               SqlQuote(parentCode), SqlQuote(code));
    if (!theApp.ExecuteSql(sql))
        return false;
    if (stored < 1) {
        sql.Format("DELETE FROM TeamWorkPart WHERE WorkID='%s' AND PartCode='%s'", work, SqlQuote(code));
        if (!theApp.ExecuteSql(sql))
            return false;
        sql.Format("DELETE FROM VqkorvelTeam_detail WHERE UpCode='%s' AND DCode='%s'", SqlQuote(parentCode),
                   SqlQuote(code));
        if (!theApp.ExecuteSql(sql))
            return false;
    }
    for (int i = 0; i < parents.GetSize(); ++i) {
        const CString parent = SqlQuote(parents[i]);
        if (stored < 1) {
            if (theApp.m_nDatabaseType == 2)
                sql.Format(
                    "DELETE FROM TeamWorkPart WHERE WorkID='%s' AND rtrim(PartCode) IN (SELECT rtrim(DCode) "
                    "FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s')",
                    work, work, parent);
            else
                sql.Format("DELETE FROM TeamWorkPart WHERE WorkID='%s' AND PartCode IN (SELECT DCode FROM "
                           "TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s')",
                           work, work, parent);
            if (!theApp.ExecuteSql(sql))
                return false;
        }
        sql.Format("DELETE FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s'", work, parent);
        if (!theApp.ExecuteSql(sql))
            return false;
    }
    return transaction.Commit();
}
