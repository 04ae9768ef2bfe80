#include "platform/ui/HostSupport.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtApplication.h"

#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<vq::ScriptedUser>& HeadlessUser() {
    static std::unique_ptr<vq::ScriptedUser> user;
    return user;
}

void PrintLine(const CString& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The report lists of a dialog that has opened: the headers, then one line per row, the columns
// separated by " | ", so that a headless run shows what the dialog lists.
void PrintReportLists(CDialog& dialog) {
    for (CWnd* child : dialog.GetChildren()) {
        auto* list = dynamic_cast<CListCtrl*>(child);
        if (!list || list->GetColumnCount() == 0)
            continue;
        CString line;
        line.Format("  list %d:", list->GetDlgCtrlID());
        for (int c = 0; c < list->GetColumnCount(); ++c)
            line += (c ? " | " : " ") + list->GetColumnText(c);
        PrintLine(line);
        for (int row = 0; row < list->GetItemCount(); ++row) {
            line = "   ";
            for (int c = 0; c < list->GetColumnCount(); ++c)
                line += (c ? " | " : " ") + list->GetItemText(row, c);
            PrintLine(line);
        }
    }
}

} // namespace

namespace vq {

std::vector<CDialog*> ModelessWindows() {
    std::vector<CDialog*> open;
    for (CWnd* window : TopLevelWindows()) {
        auto* dialog = dynamic_cast<CDialog*>(window);
        if (dialog && ::IsWindow(dialog) && !dialog->IsModal())
            open.push_back(dialog);
    }
    return open;
}

bool CloseModelessWindows(CloseWith how) {
    // Closing one window may close others: each is looked at only while it still exists.
    for (CWnd* window : TopLevelWindows()) {
        auto* dialog = dynamic_cast<CDialog*>(window);
        if (!::IsWindow(window) || !dialog || dialog->IsModal())
            continue;
        if (how == CloseWith::Destroy) {
            dialog->DestroyWindow();
            continue;
        }
        const std::uint64_t serial = dialog->GetSerial();
        ActiveDialogView().BringToFront(*dialog);
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        // A modeless dialog that ends hides itself; one that destroyed itself may be gone.
        if (::IsWindow(window) && window->GetSerial() == serial && !window->IsWindowVisible())
            window->DestroyWindow();
    }
    return ModelessWindows().empty();
}

void DestroyEveryWindow() {
    std::vector<CWnd*> windows = TopLevelWindows();
    std::vector<std::uint64_t> serials;
    for (CWnd* window : windows)
        serials.push_back(window->GetSerial());
    for (std::size_t i = windows.size(); i-- > 0;)
        if (::IsWindow(windows[i]) && windows[i]->GetSerial() == serials[i])
            windows[i]->DestroyWindow();
}

namespace {
struct ClosesWindows {
    ~ClosesWindows() {
        // Windows belong to the program's main thread; a program that exits from another one while
        // its main thread goes on leaves them alone.
        if (TopLevelWindows().empty() || !OnWindowThread())
            return;
        // The display may be gone, or Qt half taken down by now.
        LeaveTheDisplay();
        DestroyEveryWindow();
    }
};
} // namespace

void CloseWindowsAtTheEnd() {
    // Destroyed in the reverse order of construction: before every object made earlier.
    static ClosesWindows closer;
    (void)closer;
}

} // namespace vq

extern "C" void VqHostEnd() {
    vq::EndQtBackgroundThreads();
}

extern "C" unsigned long VqHostRefusedCalls() {
    return vq::EntryCallsRefused();
}

extern "C" int VqHostStartHeadless(const char* scriptPath) {
    auto user = std::make_unique<vq::ScriptedUser>();
    if (scriptPath && !user->LoadFile(scriptPath)) {
        std::fprintf(stderr, "vqhost: %s\n", user->Error().c_str());
        return 0;
    }
    user->StopAtEndRequest();
    user->SetLogSink(&PrintLine);
    user->SetDialogSink(&PrintReportLists);
    HeadlessUser() = std::move(user);
    return 1;
}

extern "C" int VqHostFinishHeadless() {
    auto user = std::move(HeadlessUser());
    if (!user)
        return 0;
    // Windows the entry call left open (modeless windows) are worked by the rest of the script,
    // then closed as the host closes them when it ends.
    if (!user->Failed() && user->NextIsWindow())
        user->RunModeless();
    vq::CloseModelessWindows(vq::CloseWith::Destroy);
    // A signal asked the host to end: the windows have given back what they held, and the host
    // ends by that signal, as it would have without catching it.
    vq::EndIfSignalled();
    if (user->Failed()) {
        std::fprintf(stderr, "vqhost: script stopped: %s\n", user->Error().c_str());
        return 0;
    }
    if (user->Remaining() > 0) {
        std::fprintf(stderr, "vqhost: script stopped with %d action(s) unused\n", user->Remaining());
        return 0;
    }
    return 1;
}
