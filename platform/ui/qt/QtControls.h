// The widgets of the Qt view: one binding per window keeps a Qt widget and our window object in
// step. Refresh shows the window's state in the widget; a person's input on the widget goes back
// through the window's own entry points (CButton::Click, CEdit::UserSetText ...), so the dialog
// code hears the same notifications as from the scripted user.
#pragma once

#include "platform/base/Types.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class CWnd;
class CImageList;

namespace vq::qtview {

class Binding {
public:
    Binding(CWnd& window, QWidget* widget);
    virtual ~Binding();
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    CWnd& Window() const { return *m_window; }
    QWidget* Widget() const { return m_widget; }
    std::uint64_t Serial() const { return m_serial; }
    // True while the window this binding shows still exists (it may go before its binding does).
    bool Alive() const;

    // Shows the window's current state (enabled, visible, text, items ...).
    void Refresh();
    // The widget took its place: tells the window its rectangle in its parent's client area.
    virtual void ReportGeometry();
    // Whether the widget should take free space in the layout.
    virtual bool Expands() const { return false; }
    // The picture of a self-painting window must be painted anew (Invalidate) or shown as it is.
    virtual void Repaint(bool paintAgain) {}

    // Child windows a control creates while it runs (an editor over a cell of a list, say) are
    // shown over the control's widget at their own rectangles: these are their serial numbers.
    // Dialogs lay their controls out instead.
    virtual bool ShowsChildWindows() const { return true; }
    std::vector<std::uint64_t>& ChildWindows() { return m_childWindows; }
    // The widget stands over its parent control's widget where the window's rectangle says, and
    // hands the keys that move between cells (Tab, arrows) to the window.
    void SetPlacedOverParent();
    bool PlacedOverParent() const { return m_placedOverParent; }
    // Where the window's client area starts in its widget (inside the frame of framed widgets).
    virtual QPoint ClientOrigin() const;

protected:
    virtual void RefreshState() {}
    void PlaceOverParent();
    // Whether Refresh shows and hides the widget with the window's visible style.
    virtual bool FollowsVisibility() const { return true; }
    // True while Refresh writes into the widget (input signals are ignored then).
    bool Refreshing() const { return m_refreshing; }

private:
    CWnd* m_window;
    std::uint64_t m_serial;
    QPointer<QWidget> m_widget;
    bool m_refreshing = false;
    bool m_placedOverParent = false;
    std::vector<std::uint64_t> m_childWindows;
};

// Gives the child windows of the control their widgets and takes them from windows that went
// away (defined by the view, which keeps every binding). Binding::Refresh calls it.
void ShowChildWindows(Binding& control);

// Whether the window's class takes this message itself (WM_LBUTTONDOWN, WM_KEYDOWN ...): an
// entry for it in the class's message map (ON_WM_xxx or ON_MESSAGE). Input on such windows
// reaches them as the message; other windows get the view's own handling of the input.
bool ClassHandles(const CWnd& window, UINT message);

// A key pressed in the window, for keys the view hands over to the windows (Tab, arrows...):
// PreTranslateMessage from the window up to its top-level window, then WM_KEYDOWN when the
// window's class takes key-downs. False when nobody took it: the widget's own handling goes on.
bool DeliverKey(CWnd& target, UINT key);
// The key code of a Qt key (0 for keys the windows are not told about).
UINT VirtualKeyOf(int qtKey);

// Shows the state of the window with this serial number again, if it still has a binding (after a
// person's input that the window may have refused; the input may also have closed the window).
void RefreshIfAlive(std::uint64_t serial);

// Makes the widget and binding for a control (not for dialogs); the widget gets the parent.
Binding* CreateBinding(CWnd& window, QWidget* parent);

// The width a control's widget asks for to show its content whole (a report list: its columns),
// 0 when it asks for none.
int NaturalWidthOf(const QWidget* widget);

// The image of an image list as a Qt pixmap (null when there is none).
QPixmap ImageOf(const CImageList* images, int index);

// Turns the framework's mnemonic marks ("&O" underlines O, "&&" is "&") into Qt's (the same
// marks, so the text stays; only a lone trailing "&" is dropped).
QString ButtonText(const char* text);
// The text of a label: the marks are removed.
QString PlainLabelText(const char* text);

} // namespace vq::qtview
