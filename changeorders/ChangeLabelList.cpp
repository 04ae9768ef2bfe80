#include "changeorders/ChangeLabelList.h"

#include "changeorders/ChangeOrderState.h"

#include "controls/ListHelpers.h"
#include "controls/ProgressDlg.h"
#include "controls/SortListCtrl.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Messages.h"

#include <cstdlib>
#include <utility>

vq::ControlTemplate ChangeLabelListTemplate(int id, UINT layout, int width, int height) {
    vq::ControlTemplate list = vq::ReportList(id, layout, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    list.rect = CRect(0, 0, width, height);
    return list;
}

std::vector<vq::ControlTemplate> ChangeLabelMaintainControls(std::vector<vq::ControlTemplate> head,
                                                             int listId, int addId, int modifyId,
                                                             int deleteId, int checkId, int viewerId,
                                                             bool exitFirst) {
    std::vector<vq::ControlTemplate> controls{
        vq::Label("更改标记列表：（先缩放图形的更改位置，然后维护更改标记内容）"),
        ChangeLabelListTemplate(listId, vq::kNoLayoutFlags, 640, 150),
        vq::CustomWindow(viewerId, vq::kFill, 0, CRect(0, 0, 640, 400))};
    const vq::ControlTemplate exit = vq::PushButton(IDCANCEL, "退出", vq::kRightColumn);
    if (exitFirst)
        controls.push_back(exit);
    controls.insert(controls.end(), {vq::PushButton(addId, "增加...", vq::kRightColumn),
                                     vq::PushButton(modifyId, "修改...", vq::kRightColumn, WS_DISABLED),
                                     vq::PushButton(deleteId, "删除...", vq::kRightColumn, WS_DISABLED),
                                     vq::CheckBox(checkId, "检查标记", vq::kRightColumn)});
    if (!exitFirst)
        controls.push_back(exit);
    controls.insert(controls.end(), head.begin(), head.end());
    return controls;
}

void SetUpChangeLabelList(CSortListCtrl& list, CImageList& rows, bool full) {
    if (!rows.GetSafeHandle()) {
        rows.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
        if (HICON icon = vq::LoadIconResource(148))
            rows.Add(icon);
    }
    list.SetImageList(&rows, LVSIL_SMALL);
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    int column = 0;
    if (full) {
        for (const auto& [text, width] : {std::pair<const char*, int>{"更改标记", 90},
                                          {"更改分区", 100},
                                          {"更改处数", 90},
                                          {"文件号", 100},
                                          {"更改人", 100},
                                          {"更改日期", 110}})
            list.InsertColumn(column++, text, LVCFMT_LEFT, width);
    } else {
        for (const auto& [text, width] :
             {std::pair<const char*, int>{"更改标记", 90}, {"分区", 60}, {"处数", 50}})
            list.InsertColumn(column++, text, LVCFMT_LEFT, width);
    }
}

void SetUpSortArrows(CSortListCtrl& list, CImageList& arrows) {
    if (!arrows.GetSafeHandle())
        arrows.Create(344, 16, 10, RGB(0, 0, 0));
    list.m_header.SetImageList(&arrows);
}

void ReadChangeLabelRows(CListCtrl& list, const CString& sql, const _ConnectionPtr& connection, int closeMode,
                         int columns, CPtrArray& records) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        AppendItemTextRows(list, rs, columns, records);
        if (closeMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

bool ReadPartLabelArea(const _ConnectionPtr& connection, int closeMode, const CString& partCode,
                       const CString& revision, const CString& label, double area[4]) {
    CString sql;
    sql.Format(
        "SELECT LeftX, LeftY, RightX, RightY FROM PartChangeLabel WHERE PartCode='%s' AND RevNo='%s' AND "
        "ChangeLabel='%s'",
        SqlQuote(partCode), SqlQuote(revision), SqlQuote(label));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        const bool found = !rs->IsEOF();
        if (found)
            for (long f = 0; f < 4; ++f)
                area[f] = std::atof(VariantToString(rs->GetCollect(f)));
        if (closeMode)
            rs->Close();
        if (!found)
            AfxMessageBox("无对应的更改标记位置信息...");
        return found;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
}

bool IsRowNewlySelected(const NMHDR* pNMHDR) {
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    return info->iItem >= 0 && (info->uNewState & LVIS_SELECTED) && !(info->uOldState & LVIS_SELECTED);
}

CLabelProgress::CLabelProgress(const char* text) : m_dlg(new CProgressDlg) {
    m_dlg->Create(CProgressDlg::IDD, nullptr);
    m_dlg->CenterWindow();
    m_dlg->ShowWindow(SW_SHOW);
    m_dlg->m_progress.SetRange(0, 10);
    m_dlg->m_progress.SetPos(3);
    m_dlg->SetText(text);
}

CLabelProgress::~CLabelProgress() {
    m_dlg->ShowWindow(SW_HIDE);
    delete m_dlg;
}

void CLabelProgress::SetPos(int pos) {
    m_dlg->m_progress.SetPos(pos);
}

bool LockLabelAsListed(CSqlTransaction& transaction, const CListCtrl& list, int row, const CString& table,
                       const std::vector<std::pair<CString, CString>>& key) {
    const CString label = list.GetItemText(row, 0);
    CString lock = table;
    CString condition;
    const char* separator = ":";
    for (const auto& [column, value] : key) {
        lock += separator + value;
        separator = "|";
        condition += column + "='" + SqlQuote(value) + "' AND ";
    }
    lock += separator + label;
    lock.MakeUpper();
    if (!transaction.Lock(lock))
        return false;
    const CString sql = "SELECT ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate FROM " +
                        table + " WHERE " + condition + "ChangeLabel='" + SqlQuote(label) + "'";
    std::vector<CString> stored;
    bool found = false;
    if (!ReadFirstRowTexts(sql, stored, found))
        return false;
    bool same = found;
    for (int c = 0; same && c < static_cast<int>(stored.size()); ++c) {
        CString shown = list.GetItemText(row, c);
        same = shown.Trim() == stored[c];
    }
    if (same)
        return true;
    const CString visible(vq::VisibleText(label.str()));
    CString text;
    if (!found)
        text.Format("更改标记项 %s 已被其他用户删除...", visible);
    else
        text.Format("更改标记项 %s 已被其他用户修改，本次没有删除。", visible);
    ShowDbMessage(text);
    return false;
}
