#include "projects/WorkNumbering.h"

#include "core/ComError.h"
#include "platform/db/SqlText.h"

#include <set>

namespace {

// The number given by the leading decimal digits of a suffix; 0 when it has none. Digits past
// what an int holds count as a number no new id can reach.
long long LeadingNumber(const CString& suffix) {
    long long number = 0;
    for (char c : suffix.str()) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + (c - '0');
        if (number > 0x7fffffffLL)
            return 0x7fffffffLL;
    }
    return number;
}

void CloseIfAsked(const _RecordsetPtr& rs, int closeMode) {
    if (closeMode && rs && rs->GetState() == adStateOpen)
        rs->Close();
}

} // namespace

CString FormatSerialNo3(int number) {
    CString text;
    text.Format("%d", number);
    while (text.GetLength() < 3)
        text = "0" + text;
    return text;
}

CString MakeNewWorkID(const _ConnectionPtr& connection, const CString& upWorkId, int closeMode) {
    const CString prefix = upWorkId + "#";
    // The prefix is matched literally (a task number may hold "_" or "%"), and as numbers are
    // compared: an id that differs from the new one only in letter case is the same id.
    const std::string foldedPrefix = vq::FoldCase(prefix.str());
    CString sql;
    sql.Format(
        "SELECT WorkID FROM TeamWorkManage WHERE %s ORDER BY WorkID",
        SqlFoldedPrefix(connection ? connection->GetEngine() : vq::db::Engine::Other, "WorkID", prefix));
    std::set<long long> used;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const std::string id = vq::FoldCase(VariantToString(rs->GetCollect(0L)).str());
            if (id.size() > foldedPrefix.size() && id.compare(0, foldedPrefix.size(), foldedPrefix) == 0)
                used.insert(LeadingNumber(CString(id.substr(foldedPrefix.size()))));
            rs->MoveNext();
        }
        CloseIfAsked(rs, closeMode);
    } catch (_com_error& e) {
        ReportComError(e);
        return CString();
    }
    long long number = 1;
    for (long long n : used) {
        if (n < number)
            continue;
        if (n > number)
            break;
        ++number;
    }
    return prefix + FormatSerialNo3(static_cast<int>(number));
}

bool IsWorkIDStored(const _ConnectionPtr& connection, const CString& workId, int closeMode) {
    CString sql;
    sql.Format(
        "SELECT count(*) FROM TeamWorkManage WHERE %s",
        SqlFoldedEquals(connection ? connection->GetEngine() : vq::db::Engine::Other, "WorkID", workId));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        bool stored = !rs->IsEOF() && VariantToString(rs->GetCollect(0L)) != "0";
        CloseIfAsked(rs, closeMode);
        return stored;
    } catch (_com_error&) {
        return false;
    }
}
