// The view: the one way in which windows reach whoever works with them. A person works through
// the Qt view (platform/ui/qt); tests and headless runs work through the scripted user. Dialog
// code never talks to a view directly: CDialog::DoModal, the controls, the message boxes, the
// common dialogs and the popup menus do.
//
// A window's state (captions, texts, selections, items...) lives in our own objects. A view reads
// it to show it, and feeds a person's input back through the same entry points the scripted user
// calls (CButton::Click, CEdit::UserSetText, CListCtrl::UserSelect ...), which raise the
// notifications to the parent's message map.
#pragma once

#include "platform/base/Geometry.h"
#include "platform/base/MessageBox.h"
#include "platform/base/String.h"

#include <vector>

class CWnd;
class CDialog;
class CMenu;

namespace vq {

// A file dialog (open or save). The caller fills the first block; the view fills the results.
struct FileDialogRequest {
    bool open = true;   // open (true) or save (false)
    CString title;      // caption; empty: the view's default ("打开" / "另存为")
    CString initialDir; // folder shown first; empty: the view's choice
    CString fileName;   // file name (or path) proposed first
    CString defaultExt; // without the dot; appended to a typed name without extension
    // Filters as (description, patterns) pairs, e.g. ("文本文件 (*.txt)", "*.txt;*.csv").
    std::vector<std::pair<CString, CString>> filters;
    int filterIndex = 1;          // the filter shown first, from 1
    bool multiSelect = false;     // open: several files may be chosen
    bool overwritePrompt = false; // save: ask before replacing an existing file
    bool fileMustExist = false;   // open: only existing files
    CWnd* owner = nullptr;

    // Results (when the view returns true): the chosen paths (one unless multiSelect) and the
    // filter chosen (from 1).
    std::vector<CString> paths;
    int chosenFilterIndex = 1;
};

// The colour dialog: the colour shown first, and the chosen one.
struct ColorDialogRequest {
    COLORREF color = 0;
    bool fullOpen = false;
    CWnd* owner = nullptr;
};

// The font dialog: the font shown first, and the chosen one. Height is in pixels (negative:
// character height, as fonts are given in the dialog code); pointSize is in tenths of a point.
struct FontDialogRequest {
    CString faceName;
    int height = 0;
    int pointSize = 0;
    int weight = 400; // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    COLORREF color = 0;
    bool withEffects = true; // colour, underline and strike-out offered
    CWnd* owner = nullptr;
};

class DialogView {
public:
    virtual ~DialogView() = default;

    // Runs the modal loop of a dialog whose controls exist and whose OnInitDialog has run. Returns
    // when the dialog ends (CDialog::EndDialog calls EndModal); the result is the dialog's own.
    // Nested: a handler running inside this loop may call RunModal for another dialog.
    virtual INT_PTR RunModal(CDialog& dialog) = 0;
    // Ends the modal loop of the dialog (called by CDialog::EndDialog with the result).
    virtual void EndModal(CDialog& dialog, INT_PTR result) = 0;

    // A modeless window (CDialog::Create, CWnd::CreateEx of a custom window) has been created and
    // is shown; it is being destroyed (before its children and the object go).
    virtual void WindowCreated(CWnd& window) = 0;
    virtual void WindowDestroyed(CWnd& window) = 0;

    // The code changed the state of a window or control (text, caption, enabled, visible, items,
    // selection, position...): the view shows the new state when it next gets the chance.
    virtual void ControlChanged(CWnd& window) = 0;
    // A custom-painted window needs painting (CWnd::Invalidate); the view calls its OnPaint.
    virtual void Invalidate(CWnd& window) = 0;
    // The keyboard focus moved to this window (CWnd::SetFocus).
    virtual void FocusChanged(CWnd& window) = 0;
    // A top-level window is to be the one worked with next, and may ask a question of its own (as
    // the host closes it): the view brings it to the front and shows its next box over it.
    virtual void BringToFront(CWnd& window) {}

    // A message was posted (CWnd::PostMessage): the view calls vq::DispatchPostedMessages() when
    // it gets back to its loop.
    virtual void MessagePosted() = 0;
    // Lets pending input and repaints happen during a long operation (progress windows).
    virtual void ProcessPendingEvents() = 0;
    // Whether the display has gone (its X server ended or was killed): the program then ends as
    // the window system next meets it, which a long operation's step (an FTP transfer's) must not
    // be in the middle of. When it has gone, the end is asked for (vq::RequestEnd), as an end
    // signal asks for it, so that the operation stops on its own road and takes back what it left
    // half done; its window is then not touched again.
    virtual bool DisplayGone() { return false; }

    // Message boxes: the answer (IDOK, IDYES ...).
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
    // Common dialogs: true when the person chose (OK), false when cancelled.
    virtual bool RunFileDialog(FileDialogRequest& request) = 0;
    virtual bool RunColorDialog(ColorDialogRequest& request) = 0;
    virtual bool RunFontDialog(FontDialogRequest& request) = 0;
    // A popup menu at a screen point: the command id chosen, 0 when none.
    virtual UINT TrackPopupMenu(const CMenu& menu, CPoint screenPoint, CWnd* owner) = 0;
};

// The view in use: the one set with SetDialogView; else the Qt view.
DialogView& ActiveDialogView();
// Sets the view in use (nullptr: back to the default) and returns the one it replaces (nullptr
// when the default was in use).
DialogView* SetDialogView(DialogView* view);

// Whether somebody answers the windows of the view in use: a view was set (the scripted user, or a
// program that works the Qt view's widgets itself), the program answers the message boxes itself
// (it installed a presenter of its own), or the Qt view shows them to a person (decided once, as
// the view starts: not without a display, on a display that does not answer, nor on the
// off-screen or minimal platform). Where nobody does, the Qt view shows no modal dialog (it ends
// at once with Cancel), every message box takes its safe answer, and entry calls are refused.
bool SomebodyAnswers();

// From now on nothing the windows do reaches the display: the view in use becomes one that shows
// nothing (a dialog ends at once with Cancel, a box takes its safe answer, a window goes without
// being taken off the screen) and the wait cursor and painting go nowhere. For a program that
// ends: its windows can then be destroyed, each giving back what it holds, also when the display
// has gone or does not answer.
void LeaveTheDisplay();

// Whether the calling thread is the one the windows belong to (the program's main thread): a
// window is made and shown only there.
bool IsWindowThread();

// What an entry call asks first, before it opens anything: whether it is made on the thread the
// windows belong to (the program's main thread), and whether somebody answers its dialogs. When
// not, it says on standard error why and how the call can be made, and returns false: the entry
// then returns its failure value.
bool EntryCallCanShowDialogs();
// Counts an entry call refused before it did anything (by EntryCallCanShowDialogs, or for an
// argument the entry cannot take as given), so that a host can tell a refused call from one that
// ran and returned the same value.
void NoteEntryCallRefused();
// How many entry calls have been refused since the library was loaded.
unsigned long EntryCallsRefused();

// The Qt Widgets view (defined in platform/ui/qt/QtDialogView.cpp).
DialogView& QtDialogView();

// Saves a picture of the dialog as "<caption>.png" into the folder named by VQ_SCREENSHOT_DIR,
// when that is set (defined by the Qt view, which renders it offscreen); a caption pictured before
// gets the next free "<caption> (2).png", "<caption> (3).png" ..., never overwriting a picture.
// DoModal calls it once the dialog has opened and again as it closes, whichever view runs it.
void SaveDialogScreenshot(CDialog& dialog);

// Sends every message box (vq::ShowMessageBox, AfxMessageBox) to the view in use. Done when the
// library is loaded, so that every caller of an entry function gets its boxes where its dialogs
// are; a presenter installed later (the scripted user, a test's recorder) replaces it until it
// puts it back.
void ShowMessageBoxesInView();

// Runs the messages posted with CWnd::PostMessage, in order, to windows that still exist.
// Returns the number run. Views call this from their loops.
int DispatchPostedMessages();
// True while posted messages wait.
bool HasPostedMessages();

} // namespace vq
