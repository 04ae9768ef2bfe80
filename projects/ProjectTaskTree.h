// What the work breakdown and the structure display share: the task rows of one project read in
// one query, their grouping by path (children of a path, in row order), the text, kind and image
// of a task node, the node image strip, the tree's nodes with their records, the root node of a
// project, the node a right click hits, and expanding a whole subtree.
//
// Paths are grouped in a map without regard to letter case, so that every child of a path is
// found whatever the database's collation put between rows of equal paths.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <map>
#include <string>
#include <vector>

class CImageList;

namespace projects {

struct TaskRow {
    CString path;
    CString name;
    CString number;
    CString endDate;
    CString state;
    CString type;
};

// Node images of the strip: a node of image n shows n + 1 while selected.
inline constexpr int kProjectImage = 2;
inline constexpr int kDividedTaskImage = 4; // "_ProjectTask_V"
inline constexpr int kGroupTaskImage = 6;   // "_ProjectTask", task type "T"
inline constexpr int kWorkImage = 8;        // "_Task_V", a work of another type than "W"
inline constexpr int kRealWorkImage = 10;   // "_Task", a work of type "W"
inline constexpr unsigned kNodeStripBitmap = 130;

// The rows of the project and of every task below it (numbers that begin with the project's
// number and "-"), ordered by path and number. A database error is shown with the statement;
// the rows read so far are kept.
void ReadProjectTaskRows(const CString& projectNo, std::vector<TaskRow>& rows);

// The indexes of the rows of each path, in row order.
class TaskRowsByPath {
public:
    explicit TaskRowsByPath(const std::vector<TaskRow>& rows);
    // The rows whose path equals the given one without regard to letter case (empty when none).
    const std::vector<int>& Children(const CString& path) const;

private:
    std::map<std::string, std::vector<int>> m_children;
};

// The text of a task or work node: the name and the number ("%s [%s]").
CString TaskNodeText(const CString& name, const CString& number);
// Kind tag and image of a task node by its task type ("T", letter case not counted, is a
// work-group task).
CString TaskNodeKind(const CString& taskType);
int TaskNodeImage(const CString& taskType);

// Loads the node image strip into `images` and gives it to the tree.
void SetUpNodeImages(CTreeCtrlEx& tree, CImageList& images);

// Adds a node below `parent` (the tree's top when empty) with a TreeItemData record of kind, code
// and name as its item data; the record is kept in `records`, which owns it.
CTreeCursor AddRecordNode(CTreeCtrlEx& tree, CPtrArray& records, CTreeCursor parent, const CString& text,
                          int image, const CString& kind, const CString& code, const CString& name);
// Adds the node of a task row below `parent`.
CTreeCursor AddTaskNode(CTreeCtrlEx& tree, CPtrArray& records, CTreeCursor parent, const TaskRow& task);

// The name of the project with the number; empty when there is none.
CString ReadProjectName(const CString& projectNo);
// Empties the tree and its records and adds the project's root node ("项目：<name>[<number>] ...").
CTreeCursor StartProjectTree(CTreeCtrlEx& tree, CPtrArray& records, const CString& projectNo,
                             const CString& projectName);

// The node under the mouse cursor, selected; empty when the cursor is over no node. `screen` is
// the cursor's screen position (where a context menu opens).
CTreeCursor SelectNodeAtCursor(CTreeCtrlEx& tree, CPoint& screen);

// Expands the node and every node below it.
void ExpandSubtree(CTreeCtrlEx& tree, HTREEITEM node);
// Expands the node's subtree and scrolls the node into view.
void ExpandAndShow(CTreeCtrlEx& tree, CTreeCursor node);
// Selects, expands and scrolls into view the first node below `from` (depth first) whose text
// contains `text` (ASCII letters without regard to case); nothing when there is none.
void FindAndShowBelow(CTreeCtrlEx& tree, HTREEITEM from, const CString& text);

// A lower-case copy for grouping keys (ASCII letters).
std::string GroupKey(const CString& text);

} // namespace projects
