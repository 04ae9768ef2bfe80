#include "platform/ui/View.h"

#include "platform/base/WaitCursor.h"
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/qt/QtApplication.h"

#include <cstdio>
#include <deque>

namespace vq {
namespace {

DialogView*& CurrentView() {
    static DialogView* view = nullptr;
    return view;
}

// Stands in for the Qt view in builds without one: dialogs end at once with Cancel and every
// question gets its safe answer; each is reported on standard error.
class FallbackView : public DialogView {
public:
    INT_PTR RunModal(CDialog& dialog) override {
        std::fprintf(stderr, "no view: dialog \"%s\" cancelled\n", dialog.GetWindowTextValue().c_str());
        dialog.EndDialog(IDCANCEL);
        return IDCANCEL;
    }
    void EndModal(CDialog&, INT_PTR) override {}
    void WindowCreated(CWnd&) override {}
    void WindowDestroyed(CWnd&) override {}
    void ControlChanged(CWnd&) override {}
    void Invalidate(CWnd&) override {}
    void FocusChanged(CWnd&) override {}
    void MessagePosted() override {}
    void ProcessPendingEvents() override { DispatchPostedMessages(); }
    int ShowMessageBox(const MessageBoxRequest& request) override {
        std::fprintf(stderr, "no view: message box [%s]: %s\n", request.caption.c_str(),
                     request.text.c_str());
        return SafeAnswer(request.type);
    }
    bool RunFileDialog(FileDialogRequest&) override { return false; }
    bool RunColorDialog(ColorDialogRequest&) override { return false; }
    bool RunFontDialog(FontDialogRequest&) override { return false; }
    UINT TrackPopupMenu(const CMenu&, CPoint, CWnd*) override { return 0; }
};

struct PostedMessage {
    CWnd* window;
    std::uint64_t serial;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Never destroyed: windows destroyed as the program exits may still post messages.
std::deque<PostedMessage>& PostedQueue() {
    static auto* queue = new std::deque<PostedMessage>();
    return *queue;
}

// Never destroyed: the view of a program that has left its display, to its very end.
DialogView& ViewOfNobody() {
    static auto* view = new FallbackView();
    return *view;
}

} // namespace

__attribute__((weak)) DialogView& QtDialogView() {
    return ViewOfNobody();
}

__attribute__((weak)) void SaveDialogScreenshot(CDialog&) {}

DialogView& ActiveDialogView() {
    if (CurrentView())
        return *CurrentView();
    return QtDialogView();
}

DialogView* SetDialogView(DialogView* view) {
    return std::exchange(CurrentView(), view);
}

void LeaveTheDisplay() {
    SetDialogView(&ViewOfNobody());
    SetWaitCursorHandler(nullptr);
    SetSurfaceChangedHandler(nullptr);
}

namespace {

// The presenter the library installs as it loads: boxes go to the view that shows the dialogs.
int ShowInView(const MessageBoxRequest& request) {
    return ActiveDialogView().ShowMessageBox(request);
}

// Whether the program answers the boxes itself: it installed a presenter of its own.
bool ProgramAnswersBoxes() {
    const MessageBoxPresenter& presenter = InstalledMessageBoxPresenter();
    if (!presenter)
        return false;
    using Function = int (*)(const MessageBoxRequest&);
    const Function* function = presenter.target<Function>();
    return !function || *function != &ShowInView;
}

} // namespace

bool SomebodyAnswers() {
    return CurrentView() != nullptr || ProgramAnswersBoxes() || QtReachesAPerson();
}

namespace {
unsigned long refusedCalls = 0;
} // namespace

void NoteEntryCallRefused() {
    ++refusedCalls;
}

unsigned long EntryCallsRefused() {
    return refusedCalls;
}

bool IsWindowThread() {
    return OnWindowThread();
}

bool EntryCallCanShowDialogs() {
    if (!OnWindowThread()) {
        NoteEntryCallRefused();
        std::fprintf(stderr,
                     "vqdesigntask: an entry function was called from a thread other than the program's "
                     "main thread, to which its windows belong: the call is refused.\n");
        return false;
    }
    if (SomebodyAnswers())
        return true;
    NoteEntryCallRefused();
    std::fprintf(
        stderr,
        "vqdesigntask: the call needs a display for its dialogs, and %s: it is refused. Call it on a "
        "display, or headless with a script: vqhost --headless --script FILE ENTRY [ARG...]\n",
        WhyQtReachesNobody().c_str());
    return false;
}

void ShowMessageBoxesInView() {
    SetMessageBoxPresenter(&ShowInView);
}

namespace {
// Whoever calls an entry function, its boxes are shown by the view that shows its dialogs: the
// presenter is in place from the moment the library is loaded.
const bool kBoxesInView = (ShowMessageBoxesInView(), true);
} // namespace

void PostWindowMessage(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostedQueue().push_back({&window, window.GetSerial(), message, wParam, lParam});
    ActiveDialogView().MessagePosted();
}

int DispatchPostedMessages() {
    int count = 0;
    // Messages posted while dispatching run in the same pass, after those before them.
    while (!PostedQueue().empty()) {
        PostedMessage posted = PostedQueue().front();
        PostedQueue().pop_front();
        if (!::IsWindow(posted.window) || posted.window->GetSerial() != posted.serial)
            continue;
        ++count;
        if (posted.message == WM_KEYDOWN)
            PressKey(*posted.window, static_cast<UINT>(posted.wParam));
        else
            posted.window->SendMessage(posted.message, posted.wParam, posted.lParam);
    }
    return count;
}

bool HasPostedMessages() {
    return !PostedQueue().empty();
}

} // namespace vq
