#include "projects/ProjectTaskTree.h"

#include "controls/TreeItemData.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/ImageList.h"

namespace projects {

void ReadProjectTaskRows(const CString& projectNo, std::vector<TaskRow>& rows) {
    CString sql;
    sql.Format("SELECT ProjectPath, ProjectName, ProjectNo, PreendedTime, WorkState, TaskType FROM ProjectManage "
               "WHERE ProjectNo LIKE '%s%%'%s OR ProjectNo='%s' ORDER BY ProjectPath, ProjectNo",
               SqlLikeLiteral(projectNo + "-"), kSqlLikeEscape, SqlQuote(projectNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            TaskRow row;
            row.path = VariantToString(rs->GetCollect(0L));
            row.name = VariantToString(rs->GetCollect(1L));
            row.number = VariantToString(rs->GetCollect(2L));
            row.endDate = VariantToString(rs->GetCollect(3L));
            row.state = VariantToString(rs->GetCollect(4L));
            row.type = VariantToString(rs->GetCollect(5L));
            rows.push_back(row);
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

std::string GroupKey(const CString& text) {
    CString lower = text;
    lower.MakeLower();
    return std::string(lower);
}

TaskRowsByPath::TaskRowsByPath(const std::vector<TaskRow>& rows) {
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        m_children[GroupKey(rows[i].path)].push_back(i);
}

const std::vector<int>& TaskRowsByPath::Children(const CString& path) const {
    static const std::vector<int> none;
    auto found = m_children.find(GroupKey(path));
    return found == m_children.end() ? none : found->second;
}

CString TaskNodeText(const CString& name, const CString& number) {
    CString text;
    text.Format("%s [%s]", name, number);
    return text;
}

CString TaskNodeKind(const CString& taskType) {
    return taskType.CompareNoCase("T") == 0 ? "_ProjectTask" : "_ProjectTask_V";
}

int TaskNodeImage(const CString& taskType) {
    return taskType.CompareNoCase("T") == 0 ? kGroupTaskImage : kDividedTaskImage;
}

void SetUpNodeImages(CTreeCtrlEx& tree, CImageList& images) {
    images.Create(kNodeStripBitmap, 16, 0, RGB(255, 0, 255));
    images.SetBkColor(GetSysColor(COLOR_WINDOW));
    tree.SetImageList(&images, TVSIL_NORMAL);
}

CTreeCursor AddRecordNode(CTreeCtrlEx& tree, CPtrArray& records, CTreeCursor parent, const CString& text,
                          int image, const CString& kind, const CString& code, const CString& name) {
    CTreeCursor node = tree.InsertItem(parent, text, image);
    auto* record = new TreeItemData{kind, code, name};
    records.Add(record);
    tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(record));
    return node;
}

CTreeCursor AddTaskNode(CTreeCtrlEx& tree, CPtrArray& records, CTreeCursor parent, const TaskRow& task) {
    return AddRecordNode(tree, records, parent, TaskNodeText(task.name, task.number),
                         TaskNodeImage(task.type), TaskNodeKind(task.type), task.number, task.name);
}

CString ReadProjectName(const CString& projectNo) {
    CString sql;
    sql.Format("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(projectNo));
    return theApp.GetSqlString(sql);
}

CTreeCursor StartProjectTree(CTreeCtrlEx& tree, CPtrArray& records, const CString& projectNo,
                             const CString& projectName) {
    tree.DeleteAllItems();
    DeleteTreeItemData(records);
    CString rootText;
    rootText.Format("项目：%s[%s] ...", projectName, projectNo);
    return AddRecordNode(tree, records, CTreeCursor(), rootText, kProjectImage, "_Project", projectNo,
                         projectName);
}

CTreeCursor SelectNodeAtCursor(CTreeCtrlEx& tree, CPoint& screen) {
    CPoint point;
    GetCursorPos(&point);
    screen = point;
    tree.ScreenToClient(&point);
    point.y -= 2;
    CTreeCursor node = tree.HitTest(point);
    if (node.m_item)
        tree.SelectItem(node);
    return node;
}

void ExpandAndShow(CTreeCtrlEx& tree, CTreeCursor node) {
    ExpandSubtree(tree, node);
    tree.EnsureVisible(node);
}

namespace {

HTREEITEM FindBelow(CTreeCtrlEx& tree, HTREEITEM item, const CString& upperText) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        CString text = tree.GetItemText(child);
        text.MakeUpper();
        if (text.Find(upperText) >= 0)
            return child;
        if (HTREEITEM found = FindBelow(tree, child, upperText))
            return found;
    }
    return nullptr;
}

} // namespace

void FindAndShowBelow(CTreeCtrlEx& tree, HTREEITEM from, const CString& text) {
    CString upperText = text;
    upperText.MakeUpper();
    if (HTREEITEM found = FindBelow(tree, from, upperText)) {
        tree.SelectItem(found);
        tree.Expand(found, TVE_EXPAND);
        tree.EnsureVisible(found);
    }
}

void ExpandSubtree(CTreeCtrlEx& tree, HTREEITEM node) {
    if (!node)
        return;
    tree.Expand(node, TVE_EXPAND);
    for (HTREEITEM child = tree.GetChildItem(node); child; child = tree.GetNextSiblingItem(child))
        ExpandSubtree(tree, child);
}

} // namespace projects
