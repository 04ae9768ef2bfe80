// Works the first window an entry function opens with the keyboard alone, as a person without a
// mouse does, in the Qt view off screen, and prints what it found (HostTest runs it in place of the
// host on the demo workspace):
//
//     window "CAPTION" WIDTHxHEIGHT      the window's client area, in the screen's pixels (more than
//                                        the view's at a scale: QT_SCALE_FACTOR=1.25)
//     tab misses "BUTTON"                an enabled button Tab never reached going round
//     shift+tab misses "BUTTON"          ... nor Shift+Tab
//     tab lost the focus                 Tab took the focus to no control of the window
//     tab stops on spin ID               Tab stopped on the arrows of a spin
//     box "TEXT"                         a message box (answered with Esc)
//     esc after typing: closes | stays   a word typed where the window opened, then Esc (a question
//                                        it asks is printed as a box before this line)
//
// Then it closes whatever is still open and prints the entry's result.
//
//     vqkeywalk ENTRY [ARG...]
#include "host/EntryCall.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <QApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

// The newest dialog the view shows, or nullptr.
CDialog* ShownDialog() {
    CDialog* shown = nullptr;
    for (CWnd* window : vq::TopLevelWindows())
        if (auto* dialog = dynamic_cast<CDialog*>(window);
            dialog && !vq::qtinput::ShownRect(*dialog).IsRectEmpty())
            shown = dialog;
    return shown;
}

// The control of the dialog holding the keyboard focus (a window over a control counts as that
// control, a group frame holds the controls inside it), or nullptr.
CWnd* FocusedControl(CDialog& dialog) {
    for (CWnd* control : dialog.GetChildren())
        if (control->GetControlKind() != vq::ControlKind::GroupBox && control->IsWindowVisible() &&
            vq::qtinput::HasFocus(*control))
            return control;
    return nullptr;
}

std::set<std::string> EnabledButtons(CDialog& dialog) {
    std::set<std::string> buttons;
    for (CWnd* control : dialog.GetChildren())
        if (control->GetControlKind() == vq::ControlKind::PushButton && control->IsWindowVisible() &&
            control->IsWindowEnabled())
            buttons.insert(control->GetWindowTextValue().str());
    return buttons;
}

// Presses the keys where the focus is, going round the dialog; prints the buttons never reached.
void WalkRound(CDialog& dialog, const char* keys, const char* name) {
    std::set<std::string> missed = EnabledButtons(dialog);
    const int presses = 2 * static_cast<int>(dialog.GetChildren().size()) + 20;
    for (int press = 0; press < presses && ::IsWindow(&dialog); ++press) {
        CWnd* focused = FocusedControl(dialog);
        if (!focused) {
            std::printf("%s lost the focus\n", name);
            break;
        }
        if (focused->GetControlKind() == vq::ControlKind::PushButton)
            missed.erase(focused->GetWindowTextValue().str());
        // The arrows of a spin are worked with the mouse; the keys stay with the field beside them.
        if (focused->GetControlKind() == vq::ControlKind::Spin)
            std::printf("%s stops on spin %d\n", name, focused->GetDlgCtrlID());
        // A window over the control (an editor of a cell) takes the keys where it has the focus.
        CWnd* target = focused;
        for (CWnd* over : focused->GetChildren())
            if (vq::qtinput::HasFocus(*over))
                target = over;
        vq::qtinput::PressKeys(*target, keys);
    }
    for (const std::string& button : missed)
        std::printf("%s misses \"%s\"\n", name, button.c_str());
}

enum class Phase { Walk, Esc, Close, Done };

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // the probe ends once it has said everything
    std::vector<std::string> args(argv + 1, argv + argc);
    int count = 0;
    const vq::EntryInfo* entries = VqEntryTable(&count);
    const vq::EntryInfo* entry = args.empty() ? nullptr : vqhost::FindEntry(entries, count, args[0]);
    if (!entry) {
        std::fprintf(stderr, "usage: vqkeywalk ENTRY [ARG...]\n");
        return 2;
    }
    args.erase(args.begin());
    vq::SetDialogView(&vq::QtDialogView());
    vq::ShowMessageBoxesInView();

    Phase phase = Phase::Walk;
    CDialog* walked = nullptr;
    bool returned = false;
    std::string result;
    auto finish = [&] {
        phase = Phase::Done;
        std::printf("result: %s\n", result.c_str());
        std::fflush(stdout);
        QCoreApplication::quit();
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const CString box = vq::qtinput::MessageBoxText();
        if (!box.IsEmpty()) {
            std::printf("box \"%s\"\n", box.c_str());
            vq::qtinput::KeyToTopWindow(VK_ESCAPE);
            return;
        }
        CDialog* dialog = ShownDialog();
        switch (phase) {
        case Phase::Walk: {
            if (!dialog) {
                if (returned)
                    finish(); // the entry opened no window
                return;
            }
            walked = dialog;
            CWnd* opensIn = FocusedControl(*dialog);
            const CRect client = vq::qtinput::ShownRect(*dialog);
            const double scale = vq::ViewScreenScale();
            std::printf("window \"%s\" %ldx%ld\n", dialog->GetWindowTextValue().c_str(),
                        std::lround(client.Width() * scale), std::lround(client.Height() * scale));
            WalkRound(*dialog, "Tab", "tab");
            if (::IsWindow(dialog))
                WalkRound(*dialog, "Shift+Tab", "shift+tab");
            std::fflush(stdout);
            // Esc may ask first: it is pressed from an event of its own, so that the ticks answer
            // the question while its box waits.
            QTimer::singleShot(0, [&phase, dialog, opensIn] {
                if (::IsWindow(dialog)) {
                    // Where the window opened, as a person who starts typing at once.
                    if (opensIn && ::IsWindow(opensIn))
                        vq::qtinput::PressKeys(*opensIn, "Shift");
                    vq::qtinput::TypeAtFocus(*dialog, "工装设计");
                    CWnd* focused = FocusedControl(*dialog);
                    vq::qtinput::Key(focused ? *focused : *dialog, VK_ESCAPE);
                }
                phase = Phase::Esc;
            });
            phase = Phase::Done;
            return;
        }
        case Phase::Esc:
            std::printf("esc after typing: %s\n",
                        dialog == walked && ::IsWindow(walked) ? "stays" : "closes");
            std::fflush(stdout);
            phase = Phase::Close;
            return;
        case Phase::Close:
            vq::CloseModelessWindows(vq::CloseWith::Destroy);
            if (CDialog* modal = ShownDialog())
                modal->EndDialog(IDCANCEL);
            else if (returned)
                finish();
            return;
        case Phase::Done:
            return;
        }
    });
    tick.start(20);
    // A modeless window stays open after the call returns: it is worked and closed by the ticks.
    QTimer::singleShot(0, [&] {
        const vqhost::EntryResult called = vqhost::CallEntry(*entry, args);
        result = called.ok ? called.text : called.error;
        returned = true;
    });
    return QApplication::exec();
}
