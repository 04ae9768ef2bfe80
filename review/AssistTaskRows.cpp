#include "review/AssistTaskRows.h"

#include "core/ComError.h"
#include "core/StoredRowEdit.h"
#include "platform/ui/ListCtrl.h"

#include <algorithm>

CString AssistTaskChangedLine(const CString& taskName, bool deleted) {
    CString line;
    line.Format(deleted ? "协助评审任务：%s 已被其他用户删除\n" : "协助评审任务：%s 已被其他用户修改\n",
                CString(vq::VisibleText(taskName.str()).c_str()));
    return line;
}

bool FindChangedAssistTasks(const CListCtrl& list, const std::vector<int>& rows, int nameColumn,
                            int columnCount, const std::vector<int>& compared,
                            const std::function<CString(const CString& taskName)>& selectTask,
                            CString& changed) {
    for (int row : rows) {
        const CString name = list.GetItemText(row, nameColumn);
        std::vector<CString> stored;
        bool found = false;
        if (!ReadFirstRowTexts(selectTask(name), stored, found))
            return false;
        bool same = found;
        for (int c = 0; same && c < columnCount && c < static_cast<int>(stored.size()); ++c) {
            if (!compared.empty() && std::find(compared.begin(), compared.end(), c) == compared.end())
                continue;
            CString shown = list.GetItemText(row, c);
            same = shown.Trim() == stored[static_cast<std::size_t>(c)];
        }
        if (!same)
            changed += AssistTaskChangedLine(name, !found);
    }
    return true;
}

void SayAssistTasksChanged(const CString& changed, const char* what) {
    ShowDbMessage(changed + "本次没有" + what + "选中的协助评审任务。");
}
