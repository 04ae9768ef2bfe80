#include "projects/ProjectTaskRecords.h"

#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"
#include "platform/db/SqlText.h"
#include "projects/WorkNumbering.h"

#include <cstdlib>
#include <set>

namespace projects {

namespace {

constexpr const char* kForbiddenCharacters = "\\/:*?\"'<>|[]";

// The characters of the rule as the messages list them: each followed by a blank.
CString ForbiddenCharacterLine() {
    CString line = "       ";
    for (const char* c = kForbiddenCharacters; *c; ++c) {
        line += *c;
        line += ' ';
    }
    line.TrimRight();
    return line + ", ";
}

CString CharacterMessage(const char* firstLine) {
    return CString(firstLine) + "\n" + ForbiddenCharacterLine() + "\n或不能以[M]、[P]做为结尾";
}

// The integer of the leading digits of a text; 0 without any. Long digit runs saturate.
int LeadingNumber(const CString& text) {
    long long value = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > 1000000000)
            return 1000000000;
    }
    return static_cast<int>(value);
}

} // namespace

bool IsTopLevelPath(const CString& path) {
    return path == kRootPath || path == kChangeTaskPath || path == kVariantDesignPath ||
           path == kProductReviewPath;
}

CString ChildrenPath(const CString& path, const CString& name) {
    const CString base = path == kRootPath ? CString() : path;
    return base + name + "\\";
}

bool IsReservedItemName(const CString& name) {
    return name.CompareNoCase(kRootPath) == 0 || name.CompareNoCase(kChangeTaskPath) == 0 ||
           name.CompareNoCase(kProductReviewPath) == 0;
}

bool HasValidItemCharacters(const CString& text) {
    if (text.FindOneOf(kForbiddenCharacters) >= 0)
        return false;
    const CString end = text.Right(3);
    return end.CompareNoCase("[M]") != 0 && end.CompareNoCase("[P]") != 0;
}

bool HasValidItemNumber(const CString& number) {
    return HasValidItemCharacters(number) && !StoredFolderName(number).IsEmpty() &&
           vq::HasGbkForm(number.str());
}

CString NumberCharacterMessage() {
    return CharacterMessage("项目或任务编号不能包含以下字母");
}

CString NumberNameLengthMessage(const CString& number, const CString& what) {
    const CString folder = MakeValidFileName(number);
    // "项目或任务编号太长：它的本地文档副本名至少有 258 字节，超过了文件名 255 字节的上限，..."
    const auto tooLong = [&what](const char* names, std::size_t bytes, bool path) {
        CString text;
        text.Format("%s太长：%s有 %d 字节，超过了%s %d 字节的上限，请使用较短的编号!", what, names,
                    static_cast<int>(bytes), path ? "路径" : "文件名", path ? kPathBytes : kFileNameBytes);
        return text;
    };
    // On the file server: the folder name, and the path of a document in it.
    const std::size_t serverName = vq::Utf8ToGbk(folder.str()).size();
    if (serverName > static_cast<std::size_t>(kFileNameBytes))
        return tooLong("它在文件服务器上的文件夹名", serverName, false);
    CString root = theApp.m_strFtpRootDir;
    root.Replace('\\', '/');
    if (root.IsEmpty() || root.Right(1) != "/")
        root += "/";
    const std::size_t serverPath =
        vq::Utf8ToGbk((root + "Vq/Auditing/").str()).size() + serverName + 1 + kDocumentNameRoom;
    if (serverPath >= static_cast<std::size_t>(kPathBytes))
        return tooLong("它在文件服务器上的文档路径至少", serverPath, true);
    // On the local disk: the copies' names, and their paths in a call folder.
    const std::size_t localName = 1 + static_cast<std::size_t>(folder.GetLength()) + 1 + kDocumentNameRoom;
    if (localName > static_cast<std::size_t>(kFileNameBytes))
        return tooLong("它的本地文档副本名至少", localName, false);
    const std::size_t localPath = vq::CallFolderPathLength() + localName;
    if (localPath >= static_cast<std::size_t>(kPathBytes))
        return tooLong("它的本地文档副本路径至少", localPath, true);
    return CString();
}

CString NameCharacterMessage() {
    return CharacterMessage("项目或任务名称不能包含以下字母");
}

int NextChildSequence(const CStringArray& childNumbers) {
    std::set<int> used;
    int largest = 0;
    for (int i = 0; i < childNumbers.GetSize(); ++i) {
        const CString& number = childNumbers[i];
        const int dash = number.ReverseFind('-');
        const int value = LeadingNumber(dash >= 0 ? number.Mid(dash + 1) : number);
        used.insert(value);
        if (value > largest)
            largest = value;
    }
    for (int candidate = 1; candidate <= largest; ++candidate) {
        if (!used.count(candidate))
            return candidate;
    }
    return largest + 1;
}

CString FormatChildNumber(const CString& parentNo, int sequence, const CString& separator, int width) {
    CString digits;
    digits.Format("%d", sequence);
    while (digits.GetLength() < width)
        digits = "0" + digits;
    return parentNo + separator + digits;
}

CString ProposeTaskNumber(const CString& table, const CString& parentName, const CString& parentPath,
                          int databaseType) {
    const CString path = parentPath.IsEmpty() ? CString(kRootPath) : parentPath;
    const CString childPath = ChildrenPath(path, parentName);
    const bool oracle = databaseType == 2;
    CString sql;
    sql.Format("SELECT ProjectNo FROM %s WHERE %s='%s'", table, oracle ? "rtrim(ProjectPath)" : "ProjectPath",
               SqlQuote(childPath));
    CStringArray numbers;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            numbers.Add(VariantToString(rs->GetCollect(0L)));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return CString();
    }
    sql.Format("SELECT ProjectNo FROM %s WHERE %s='%s' AND %s='%s'", table,
               oracle ? "rtrim(ProjectName)" : "ProjectName", SqlQuote(parentName),
               oracle ? "rtrim(ProjectPath)" : "ProjectPath", SqlQuote(path));
    const CString parentNo = theApp.GetSqlString(sql);
    if (parentNo.IsEmpty())
        return CString();
    return FormatChildNumber(parentNo, NextChildSequence(numbers));
}

// The system has one numbering of work tasks (projects/WorkNumbering.h); the first work task of
// a task is numbered by it like every other.
CString NextWorkNumber(const CString& taskNo) {
    return MakeNewWorkID(theApp.m_pConnPDM, taskNo, theApp.m_nAdoCloseMode);
}

int RewriteChildPaths(const CString& itemPath, const CString& oldName, const CString& newName) {
    const CString oldPrefix = ChildrenPath(itemPath, oldName);
    const CString newPrefix = ChildrenPath(itemPath, newName);
    CString sql;
    sql.Format("SELECT ProjectNo, ProjectPath FROM ProjectManage WHERE ProjectPath LIKE '%s%%'%s",
               SqlLikeLiteral(oldPrefix), kSqlLikeEscape);
    CStringArray numbers, paths;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            numbers.Add(VariantToString(rs->GetCollect(0L)));
            paths.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    for (int i = 0; i < numbers.GetSize(); ++i) {
        // The comparison of LIKE ignores letter case, so the leading part is cut by its length.
        if (paths[i].Left(oldPrefix.GetLength()).CompareNoCase(oldPrefix) != 0)
            continue;
        const CString path = newPrefix + paths[i].Mid(oldPrefix.GetLength());
        sql.Format("UPDATE ProjectManage SET ProjectPath='%s' WHERE ProjectNo = '%s' AND ProjectPath='%s'",
                   SqlQuote(path), SqlQuote(numbers[i]), SqlQuote(paths[i]));
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    return 1;
}

CString FindTopProjectNo(const CString& itemNo) {
    CString sql;
    sql.Format("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(itemNo));
    const CString path = theApp.GetSqlString(sql);
    if (IsTopLevelPath(path))
        return itemNo;
    const int slash = path.Find('\\');
    const CString name = slash >= 0 ? path.Left(slash) : path;
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
               SqlQuote(name));
    return theApp.GetSqlString(sql);
}

bool HasTasksBelow(const CString& path, const CString& name) {
    CString sql;
    sql.Format("SELECT COUNT(*) FROM ProjectManage WHERE ProjectPath LIKE '%s%%'%s",
               SqlLikeLiteral(ChildrenPath(path, name)), kSqlLikeEscape);
    return theApp.GetSqlInt(sql) > 0;
}

bool HasAnythingBelow(const CString& itemNo, const CString& path, const CString& name) {
    if (HasTasksBelow(path, name))
        return true;
    CString sql;
    sql.Format("SELECT COUNT(*) FROM TeamWorkManage WHERE UpWorkID='%s'", SqlQuote(itemNo));
    return theApp.GetSqlInt(sql) > 0;
}

namespace {
vq::db::Engine AppEngine() {
    return theApp.m_pConnPDM ? theApp.m_pConnPDM->GetEngine() : vq::db::Engine::Other;
}
} // namespace

CString NumberIs(const CString& column, const CString& number) {
    return SqlFolderKeyEquals(AppEngine(), column, number);
}

CString TaskNumberIs(const CString& column, const CString& number) {
    return SqlFileNameKeyEquals(AppEngine(), column, number);
}

int OtherTaskNamingFolders(const CString& storedNumber, CString& other) {
    other.Empty();
    CString sql;
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE %s AND NOT %s",
               TaskNumberIs("ProjectNo", storedNumber), NumberIsExactly("ProjectNo", storedNumber));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF())
            other = VariantToStoredText(rs->GetCollect(0L));
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return other.IsEmpty() ? 0 : 1;
    } catch (_com_error& e) {
        ReportComError(e);
        return -1;
    }
}

CString SharedTaskFolderText(const CString& storedNumber, const CString& other) {
    CString text;
    text.Format("任务编号 %s 与现有任务编号 %s 在文件服务器(FTP)上对应同一个文件夹 %s，为免写入另一任务的"
                "文件夹，没有保存，请通知系统管理员处理...",
                CString(vq::VisibleText(storedNumber.str())), CString(vq::VisibleText(other.str())),
                CString(vq::VisibleText(StoredFolderName(storedNumber).str())));
    return text;
}

CString NumberIsExactly(const CString& column, const CString& storedNumber) {
    return SqlExactEquals(AppEngine(), column, storedNumber);
}

CString ProjectTaskLockName(const CString& projectNo) {
    CString name = "ProjectManage:" + projectNo;
    name.MakeUpper();
    return name;
}

CString WorkTaskLockName(const CString& workId) {
    CString name = "TeamWorkManage:" + workId;
    name.MakeUpper();
    return name;
}

int QueryGuardCount(const CString& sql) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int value = 0;
        if (!rs->IsEOF())
            value = std::atoi(VariantToString(rs->GetCollect(0L)));
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return value;
    } catch (_com_error& e) {
        ReportComError(e);
        return -1;
    }
}

} // namespace projects
