// The Qt Widgets view (vq::QtDialogView() in platform/ui/View.h) and what tests and the host may
// ask of it directly. Nothing here names a Qt type.
#pragma once

#include "platform/ui/DC.h"

#include <functional>

class CDialog;

namespace vq {

// Builds the Qt view of a dialog whose controls exist (as after OnInitDialog), lays it out off
// screen and returns its picture, without running a loop.
CBitmap RenderDialogInQt(CDialog& dialog);

// How many of the screen's own pixels one pixel of the view takes on the screen its windows open
// on (1.25 at a scale of 125 %, QT_SCALE_FACTOR or the desktop's): a window's size times this is
// what it takes of the screen.
double ViewScreenScale();

// Called from the event loop after a top-level window of the view has been destroyed (a
// modeless window closed); nullptr: nothing. Returns the handler it replaces.
std::function<void()> SetTopWindowGoneHandler(std::function<void()> handler);

// Saves the picture of a window that is not a dialog (the host's main window) the way
// SaveDialogScreenshot saves a dialog's: with a title bar, into VQ_SCREENSHOT_DIR when it is set.
void SaveWindowScreenshot(const CBitmap& picture, const CString& caption);

// The file name SaveDialogScreenshot gives a dialog of this caption ("<caption>.png" with the
// characters a file name cannot hold replaced).
CString ScreenshotFileName(const CString& caption);
// One entry of the file dialog's type list, "description (patterns)" with the patterns separated
// by blanks; a description that already ends in its patterns ("表格文件(*.tbl)") is not followed
// by them a second time.
CString FileDialogNameFilter(const CString& description, const CString& patterns);

} // namespace vq

// A person's input through the widgets of a window the Qt view shows, for tests of the view:
// each acts on the widget exactly as the mouse or keyboard would. False when the window has no
// widget (it is not shown by the Qt view) or the widget cannot take that input.
namespace vq::qtinput {
// A left click on a button, check box or radio button; on other widgets in their middle.
bool Click(CWnd& control);
// A click on item `index` of a list box, report list (row) or combo box (entry); right click
// and double click on rows of lists.
bool ClickItem(CWnd& control, int index, bool right = false, bool doubleClick = false);
// A click in the middle of a cell (row, column) of a report list; with doubleClick, a double
// click there (press, release, double click).
bool ClickCell(CWnd& control, int row, int column, bool doubleClick = false);
// A click at a point of a window that paints itself (its client coordinates); right button,
// double click (press, release, double click) as asked.
bool ClickAt(CWnd& control, CPoint point, bool right = false, bool doubleClick = false);
// The context menu asked for with the right mouse button at a point of a widget (its client
// coordinates), as the window system asks for it after a right click.
bool ContextMenuAt(CWnd& control, CPoint point);
// Left button pressed at one point, the mouse moved with it held, released at another.
bool DragFromTo(CWnd& control, CPoint from, CPoint to);
// A click on a column header of a report list.
bool ClickColumn(CWnd& control, int column);
// Replaces the text of an edit field (or the edit part of a combo box) as typing does.
bool Type(CWnd& control, const CString& text);
// A key pressed in the widget (VK_RETURN, VK_ESCAPE, VK_TAB, VK_DOWN, VK_HOME ...), with Shift
// held when asked (Shift+Tab arrives as Qt's back-tab key).
bool Key(CWnd& control, UINT key, bool shift = false);
// The close box of a dialog.
bool Close(CWnd& dialog);
// Text typed at once into whatever widget holds the keyboard focus in the window of a dialog (or
// of one of its controls), one key a character, as a person types without choosing a field first.
bool TypeAtFocus(CWnd& window, const CString& text);
// A combination of keys, written as a shortcut is ("Ctrl+Tab", "Shift+Tab", "Alt+F", "F10", "Alt"
// alone), pressed and released in a control (which takes the focus first, as a click gives it) or
// in the host's main window (its focus widget takes it), as the keyboard delivers it: shortcuts
// and access keys first.
bool PressKeys(CWnd& control, const CString& keys);
bool PressKeysInMainWindow(const CString& keys);
// The window of a dialog minimised as its title bar's button does it; whether it is minimised.
bool Minimize(CWnd& window);
bool IsMinimized(CWnd& window);
// The window of a dialog restored as its taskbar entry does it: shown as it was before it was
// minimised, and active. Whether it is the active window.
bool Restore(CWnd& window);
bool IsActive(CWnd& window);
// Whether the window of a dialog is a window of its own to the window manager, which then gives it
// a taskbar entry, rather than a dialog kept with the window that owns it.
bool HasTaskbarEntry(CWnd& window);
// The menu of the main window's menu bar that the keyboard or mouse is on, without its '&' ("文件(F)"),
// empty when none; `open` tells whether its menu is shown.
CString MainWindowMenu(bool* open = nullptr);
// The message the status bar of the host's main window shows (empty when no main window is shown).
CString MainWindowStatus();
// A key pressed in the window on top: an open popup menu, message box or common dialog (their
// loops run posted messages, so a test answers them from a posted message). False when there is
// no such window.
bool KeyToTopWindow(UINT key);
// The message box on top: its text, the caption of the window it belongs to (empty when none),
// and a click on its button of this caption (with or without the '&': "是(Y)"), as the mouse
// gives it once the box's loop runs again. False when no message box is shown or it has no such
// button.
CString MessageBoxText();
CString MessageBoxOwnerCaption();
bool AnswerMessageBox(const CString& button);
// Chooses an entry of the menu bar of the host's main window, by the path of its texts ("文件/退出",
// with or without the '&', or without the access key: "文件(&F)" is "文件(F)" or "文件"). False when
// no main window is shown or it has no such enabled entry.
bool ChooseMainWindowMenu(const CString& path);
// The prompt for one value that the host's main window shows on top (the login account, an
// argument of an entry): its caption, its label and the value it starts from, its width, and the
// width its caption takes in a title bar's (bold) font. An empty caption when no prompt is shown.
struct ShownPromptState {
    CString caption;
    CString label;
    CString value;
    int width = 0;
    int captionWidth = 0;
};
ShownPromptState ShownPrompt();
// Replaces the value of the prompt on top and presses its OK, as the mouse does once its loop
// runs again (Cancel when `accept` is false). False when no prompt is shown.
bool AnswerPrompt(const CString& value, bool accept = true);
// Runs `action` once `ready` holds, looked at each time the event loop (the one running or a
// nested one) comes round; the action runs from an event of its own, so it may open a loop.
void WhenReady(std::function<bool()> ready, std::function<void()> action);
// The text the widget shows (edit, label, button, combo box), or the current row's first column.
CString ShownText(CWnd& control);
// Every item of a tree's widget, one line each ("\n" after each): two spaces per level, the
// text, then " +" when the item is open and " *" when it is selected.
CString ShownTree(CWnd& control);
// Where the widget stands in its dialog (empty when the window has no visible widget); a cell of
// a report list, as the list shows it.
CRect ShownRect(CWnd& control);
CRect ShownCellRect(CWnd& control, int row, int column);
// True when the widget of the window holds the keyboard focus.
bool HasFocus(CWnd& control);
} // namespace vq::qtinput
