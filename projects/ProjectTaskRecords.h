// The rows of ProjectManage (and of the templates in ProjectTemplet): the path convention, the
// rules a number and a name obey, the numbering of a new task and of a project's first work
// task, the path rewrite when an item is renamed, the top-level project of an item, and whether
// anything hangs below an item.
//
// A top-level project has the path "项目管理"; a task has the names of its ancestors from the
// top-level project down to its parent, each followed by "\" (A\ below project A, A\B\ below
// its task B). The rows of the work tasks (TeamWorkManage) hang below a task by its number.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

namespace projects {

inline constexpr const char* kRootPath = "项目管理";
inline constexpr const char* kChangeTaskPath = "更改任务管理";
inline constexpr const char* kVariantDesignPath = "变异设计管理";
inline constexpr const char* kProductReviewPath = "产品评审管理";

// True for the paths of the rows that count as top-level items.
bool IsTopLevelPath(const CString& path);

// The path of the children of an item: its path (empty for "项目管理"), its name and "\".
CString ChildrenPath(const CString& path, const CString& name);

// "项目管理", "更改任务管理" and "产品评审管理" are no item names (letter case not counted).
bool IsReservedItemName(const CString& name);
// Rule for numbers and names: none of \ / : * ? " ' < > | [ ] and no ending "[M]" or "[P]"
// (letter case not counted). True when the text keeps the rule.
bool HasValidItemCharacters(const CString& text);
// The rule for numbers, which also name the task's folders on the file server: the characters'
// rule, a folder of its own (StoredFolderName), so no number of dots and blanks only (".",
// ".."), and only characters that the file server's code page 936 names hold (vq::HasGbkForm:
// "XM-é" written as "e" and U+0301, or with the ligature "ﬁ", would reach the server as another
// name). A number that breaks it gets NumberCharacterMessage.
bool HasValidItemNumber(const CString& number);
// The three-line messages of a number or a name that breaks that rule.
CString NumberCharacterMessage();
CString NameCharacterMessage();

// The file systems' limits that the names made from a number meet: a name (one component of a
// path) of at most 255 bytes, a whole path of less than 4096 bytes (PATH_MAX, its end included).
inline constexpr int kFileNameBytes = 255;
inline constexpr int kPathBytes = 4096;
// The room a local copy's name keeps for the document after the number: a short name such as
// "校对.rtf" or "A-1.dwg" (the 12 bytes of an 8.3 name), so that a number at the limit still leaves
// its documents fetchable.
inline constexpr int kDocumentNameRoom = 12;
// Empty when every name a project, task or work number leads to stays within those limits; else
// the message that names the limit the number passes, for `what` ("项目或任务编号"). The names:
//  - its folder on the file server ("Vq/Working/<number>", "Vq/Auditing/<number>"), in code page
//    936 as the FTP layer sends it, below the folder the session starts in;
//  - the local copies of its documents in a call folder of the working folder, in UTF-8, whose
//    names hold the number with a letter before it and "_" and a document name after it
//    ("T<number>_<file>", "<number>_<step>.rtf"), with kDocumentNameRoom for that name.
// Checked before anything is stored under the number: a number past them would be stored, but no
// document of its task could be fetched or stored ("文件名太长").
CString NumberNameLengthMessage(const CString& number, const CString& what = "项目或任务编号");

// The sequence of a new child from the numbers of the existing children: the text after the
// last "-" (the whole number without one), its leading digits as an integer (0 without any);
// the smallest integer from 1 that none uses, or the largest plus 1.
int NextChildSequence(const CStringArray& childNumbers);
// The parent's number, the separator and the sequence left-padded with "0" to the width.
CString FormatChildNumber(const CString& parentNo, int sequence, const CString& separator = "-",
                          int width = 2);

// The number proposed for a new task below the parent (its name and its path, "项目管理" for a
// top-level parent) in the table (ProjectManage or ProjectTemplet); empty when the parent's
// number cannot be read.
CString ProposeTaskNumber(const CString& table, const CString& parentName, const CString& parentPath,
                          int databaseType);

// The work number of the next work task directly below a task (or a simple project): the task's
// number, "#" and the smallest three-digit number that none of the works directly below it uses.
CString NextWorkNumber(const CString& taskNo);

// Rewrites the paths of every row below an item renamed from oldName to newName: in the rows
// whose path begins with the item's children path, that leading part is replaced; nothing else
// of any path changes. Runs the statements on the current connection; 1 when all ran.
int RewriteChildPaths(const CString& itemPath, const CString& oldName, const CString& newName);

// The number of the top-level project of an item; the item's own number when it is top-level;
// empty when the project cannot be found.
CString FindTopProjectNo(const CString& itemNo);

// Whether project tasks lie below the item (rows whose path begins with its children path).
bool HasTasksBelow(const CString& path, const CString& name);
// Whether tasks or work tasks (rows of TeamWorkManage with the item as UpWorkID) lie below it.
bool HasAnythingBelow(const CString& itemNo, const CString& path, const CString& name);

// The condition that a column holds a text that names the same file or folder as the text given
// on a file server that ignores case, the text taken as it is (SqlFolderKeyEquals, on the
// application's connection): equal under the one equality of numbers (vq::FoldCase) too.
CString NumberIs(const CString& column, const CString& number);
// The same for a project or task number, whose folders are named by its valid file name
// (MakeValidFileName): "XM-05+1-01" is taken as "XM-05#1-01" (SqlFileNameKeyEquals). Two numbers
// that meet it never both exist.
CString TaskNumberIs(const CString& column, const CString& number);
// Whether a row of ProjectManage other than the task's own (its number not stored exactly as the
// task's) has a number that names the task's folders on the file server (TaskNumberIs): 1 with
// that number in `other`, 0 when none has, -1 after a database error has been shown. Such rows
// were stored by another client or before the numbers were checked so; nothing may be written
// into those folders for either task.
int OtherTaskNamingFolders(const CString& storedNumber, CString& other);
// The box that names both tasks when a write into the task's folders is refused for that.
CString SharedTaskFolderText(const CString& storedNumber, const CString& other);
// The condition that it holds exactly the stored number (SqlExactEquals).
CString NumberIsExactly(const CString& column, const CString& storedNumber);

// The names of the locks (CSqlTransaction::Lock) that the writers of one project or project task
// (its review decisions, its deletion) and of one work task (its deletion, its state) take, so
// that each reads what the one before it committed.
CString ProjectTaskLockName(const CString& projectNo);
CString WorkTaskLockName(const CString& workId);

// A count read for a guard: the first column of the first row, 0 without a row; -1 after the
// database error has been shown, so that the guarded step can stop.
int QueryGuardCount(const CString& sql);

} // namespace projects
