// The one service every message box of the system goes through. The window layer installs a
// presenter (the view in use: the Qt view for a person, the scripted user in headless runs);
// tests install a recorder that answers from a queue and fails on an unexpected box.
#pragma once

#include "platform/base/String.h"

#include <functional>

// Buttons (low nibble) and icons, with the framework's values.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;

// Answers (also the dialog command ids).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

namespace vq {

struct MessageBoxRequest {
    CString caption;
    CString text;
    UINT type = MB_OK;
};

using MessageBoxPresenter = std::function<int(const MessageBoxRequest&)>;

// Installs the presenter and returns the one it replaces (so a caller can restore it).
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);
// The presenter installed now (empty when there is none).
const MessageBoxPresenter& InstalledMessageBoxPresenter();

// Called with every box just before it is shown, whoever answers it (the Qt view keeps a picture
// of it when VQ_SCREENSHOT_DIR is set). Returns the observer it replaces.
using MessageBoxObserver = std::function<void(const MessageBoxRequest&)>;
MessageBoxObserver SetMessageBoxObserver(MessageBoxObserver observer);

// Runs before every box is shown (not before the boxes it shows itself): messages kept back for
// later are shown first, so that boxes keep the order in which they were raised. Returns the
// prelude it replaces.
std::function<void()> SetMessageBoxPrelude(std::function<void()> prelude);

// Shows a box through the installed presenter (the window layer installs the view's when the
// library is loaded). Without a presenter the text goes to standard error and the box gets its
// safe answer (SafeAnswer), never its first button: nobody has agreed to anything.
int ShowMessageBox(const CString& caption, const CString& text, UINT type = MB_OK);

// How many boxes have been shown so far: a reader that kept the count knows whether a person has
// been asked anything since (and others had the time to write meanwhile).
unsigned long MessageBoxesShown();

// The answer of a box that nobody can be asked: Cancel, else No, else OK (Abort for
// Abort/Retry/Ignore), so that a question is never taken as agreed.
int SafeAnswer(UINT type);

// The caption of boxes shown without one of their own.
CString DefaultMessageBoxCaption();

} // namespace vq

// The framework's message box of the application: the caption is the application's title.
int AfxMessageBox(const CString& text, UINT type = MB_OK, UINT helpId = 0);
