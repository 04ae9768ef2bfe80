#include "platform/ui/qt/QtControls.h"

#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/HeaderCtrl.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ProgressCtrl.h"
#include "platform/ui/RichEditCtrl.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "platform/ui/Static.h"
#include "platform/ui/TabCtrl.h"
#include "platform/ui/TreeCtrl.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/ImageBridge.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <map>

namespace vq::qtview {

namespace {

QString Q(const CString& s) {
    return QString::fromUtf8(s.c_str(), s.GetLength());
}
CString C(const QString& s) {
    return CString(s.toUtf8().toStdString());
}
QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
bool IsColor(COLORREF c) {
    return c != CLR_NONE && c != CLR_DEFAULT && c != static_cast<COLORREF>(-1);
}

Qt::Alignment ColumnAlignment(int format) {
    switch (format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight | Qt::AlignVCenter;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

QString ButtonText(const char* text) {
    QString s = QString::fromUtf8(text ? text : "");
    if (s.endsWith(QLatin1Char('&')) && !s.endsWith(QStringLiteral("&&")))
        s.chop(1);
    return s;
}

QString PlainLabelText(const char* text) {
    const QString s = QString::fromUtf8(text ? text : "");
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return out;
}

QPixmap ImageOf(const CImageList* images, int index) {
    if (!images || index < 0 || index >= images->GetImageCount())
        return QPixmap();
    return QPixmap::fromImage(ToQImage(images->GetImage(index)));
}

// ---- Binding ---------------------------------------------------------------------------------

Binding::Binding(CWnd& window, QWidget* widget)
    : m_window(&window), m_serial(window.GetSerial()), m_widget(widget) {
    window.SetViewData(this);
}

bool Binding::Alive() const {
    return ::IsWindow(m_window) && m_window->GetSerial() == m_serial;
}

Binding::~Binding() {
    if (Alive() && m_window->GetViewData() == this)
        m_window->SetViewData(nullptr);
    // Input from the widget no longer reaches the window.
    if (m_widget)
        m_widget->disconnect();
}

void Binding::Refresh() {
    if (!m_widget || !Alive())
        return;
    {
        m_refreshing = true;
        const QSignalBlocker block(m_widget);
        // A disabled top-level window keeps its windows usable (a transfer's window modal to it):
        // the view holds back its input instead (DisabledDialogInput).
        if (!m_widget->isWindow())
            m_widget->setEnabled(m_window->IsWindowEnabled());
        RefreshState();
        if (m_placedOverParent)
            PlaceOverParent();
        // Visibility follows the window's own style bit; a hidden parent hides it anyway.
        const bool visible = (m_window->GetStyle() & WS_VISIBLE) != 0;
        if (FollowsVisibility() && m_widget->isVisibleTo(m_widget->parentWidget()) != visible)
            m_widget->setVisible(visible);
        m_refreshing = false;
    }
    if (ShowsChildWindows())
        ShowChildWindows(*this);
}

QPoint Binding::ClientOrigin() const {
    if (auto* frame = qobject_cast<QFrame*>(m_widget.data()))
        return frame->contentsRect().topLeft();
    return QPoint(0, 0);
}

void Binding::PlaceOverParent() {
    CWnd* parent = m_window->GetParent();
    auto* parentBinding = parent ? static_cast<Binding*>(parent->GetViewData()) : nullptr;
    const QPoint origin = parentBinding ? parentBinding->ClientOrigin() : QPoint(0, 0);
    const CRect& rect = m_window->GetRectInParent();
    const QRect place(origin.x() + rect.left, origin.y() + rect.top,
                      std::max(0, static_cast<int>(rect.Width())),
                      std::max(0, static_cast<int>(rect.Height())));
    if (m_widget->geometry() != place)
        m_widget->setGeometry(place);
}

void Binding::ReportGeometry() {
    // A window placed over its parent control keeps the rectangle it has: the widget follows it.
    if (!m_widget || !m_widget->parentWidget() || !Alive() || m_placedOverParent)
        return;
    QWidget* top = m_widget->window();
    QPoint topLeft = m_widget->mapTo(top, QPoint(0, 0));
    // A control's rectangle is in its parent's client coordinates; for controls of a dialog that
    // is the dialog's own area.
    CWnd* parent = m_window->GetParent();
    if (parent && parent->GetViewData()) {
        auto* parentBinding = static_cast<Binding*>(parent->GetViewData());
        if (parentBinding->Widget() && parentBinding->Widget() != top)
            topLeft = m_widget->mapTo(parentBinding->Widget(), QPoint(0, 0));
    }
    m_window->ViewSetRect(
        CRect(topLeft.x(), topLeft.y(), topLeft.x() + m_widget->width(), topLeft.y() + m_widget->height()));
}

// ---- Messages for windows that take the input themselves -------------------------------------

namespace {

// Tab, Shift+Tab and Ctrl+Tab in a control that may take Tab itself (a list moving between its
// editable cells), or in a window placed over it (`over`, the widget of an editor of a cell; else
// nullptr): the control takes
// Tab when it asks for it (its PreTranslateMessage, told of Shift and Ctrl). Otherwise the focus
// goes on from the control's widget to the dialog's next (previous) control: Qt does that for a
// plain Tab in the control itself (false is returned), and here for Ctrl+Tab, which Qt leaves
// alone, and for Tab in a window over the control. False for any other key.
bool TabTakenOrPassedOn(CWnd& control, QWidget* widget, const QKeyEvent& press, QWidget* over) {
    const bool tab = press.key() == Qt::Key_Tab || press.key() == Qt::Key_Backtab;
    if (!tab || (press.modifiers() & Qt::AltModifier))
        return false;
    const bool backwards = press.key() == Qt::Key_Backtab || (press.modifiers() & Qt::ShiftModifier);
    const bool ctrl = (press.modifiers() & Qt::ControlModifier) != 0;
    const std::uint64_t serial = control.GetSerial();
    {
        vq::HeldKeys held(backwards, ctrl);
        if (vq::PreTranslateKey(control, VK_TAB))
            return true;
    }
    if (!::IsWindow(&control) || control.GetSerial() != serial)
        return true;
    if (!ctrl && !over)
        return false;
    // As a plain Tab pressed in the control's widget: the window moves the focus on from there. An
    // editor over the control ends first, as the control takes the focus back from it; its widget,
    // on its way out, is no stop.
    QPointer<QWidget> alive(widget);
    QPointer<QWidget> editor(over);
    if (over && control.GetParent())
        control.GetParent()->SetFocus();
    if (editor)
        editor->hide();
    if (!alive)
        return true;
    widget->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    QKeyEvent plain(QEvent::KeyPress, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                    backwards ? Qt::ShiftModifier : Qt::NoModifier);
    QApplication::sendEvent(widget->window(), &plain);
    return true;
}

// Keys on the widget of a window placed over its parent control (an editor over a cell): Tab
// and the keys that move between cells go to the window as key-downs, so that the window's class
// or the list under it moves the editor. Keys nobody takes stay with the widget.
class MoveKeyFilter : public QObject {
public:
    MoveKeyFilter(CWnd& window, QObject* parent)
        : QObject(parent), m_window(&window), m_serial(window.GetSerial()) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !::IsWindow(m_window) || m_window->GetSerial() != m_serial)
            return QObject::eventFilter(watched, event);
        const auto* press = static_cast<QKeyEvent*>(event);
        // Tab goes to the control under the window (a list moving between its cells), or on from
        // that control to the dialog's next one.
        if (press->key() == Qt::Key_Tab || press->key() == Qt::Key_Backtab) {
            auto* widget = qobject_cast<QWidget*>(watched);
            QWidget* under = widget && widget->parentWidget() ? widget->parentWidget() : widget;
            return under && TabTakenOrPassedOn(*m_window, under, *press, under != widget ? widget : nullptr);
        }
        if (press->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        switch (VirtualKeyOf(press->key())) {
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
            return DeliverKey(*m_window, VirtualKeyOf(press->key()));
        default:
            return false;
        }
    }

private:
    CWnd* m_window;
    std::uint64_t m_serial;
};

} // namespace

bool ClassHandles(const CWnd& window, UINT message) {
    return vq::MapHandlesMessage(window.GetMessageMap(), message);
}

bool DeliverKey(CWnd& target, UINT key) {
    if (vq::PreTranslateKey(target, key))
        return true;
    if (!ClassHandles(target, WM_KEYDOWN))
        return false;
    target.SendMessage(WM_KEYDOWN, key, 0);
    return true;
}

UINT VirtualKeyOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_F2:
        return VK_F2;
    case Qt::Key_F5:
        return VK_F5;
    default:
        return 0;
    }
}

void Binding::SetPlacedOverParent() {
    m_placedOverParent = true;
    if (m_widget)
        m_widget->installEventFilter(new MoveKeyFilter(*m_window, m_widget));
}

namespace {

// The flags of a mouse message for the buttons and keys held down.
UINT MouseFlags(const QMouseEvent* e) {
    UINT flags = 0;
    if (e->buttons() & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (e->buttons() & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (e->modifiers() & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (e->modifiers() & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

// Sends the mouse message for an event on the viewport of an item view to the view's window, at
// the point in the window's client area (which holds the header of a report list); the cursor
// position is set over that point first.
void SendMouseMessage(CWnd& window, QAbstractScrollArea* view, UINT message, const QMouseEvent* e) {
    const QPoint client =
        view->viewport()->mapTo(view, e->position().toPoint()) - view->contentsRect().topLeft();
    CPoint screen(client.x(), client.y());
    window.ClientToScreen(&screen);
    vq::SetCursorPosition(screen);
    window.SendMessage(message, MouseFlags(e),
                       MAKELPARAM(static_cast<WORD>(static_cast<short>(client.x())),
                                  static_cast<WORD>(static_cast<short>(client.y()))));
}

// True when a key event reached the view from a widget inside it (an editor over a cell) that
// let it pass: the view's own keys do not apply.
bool FromChildWidget(const QAbstractScrollArea* view) {
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != view->window())
        focus = view->window()->focusWidget(); // the window is not active (off screen)
    return focus && focus != view && focus != view->viewport() && view->isAncestorOf(focus);
}

} // namespace

namespace {

// ---- Buttons and labels ----------------------------------------------------------------------

// A button that draws itself (BS_OWNERDRAW): its DrawItem paints into an image the size of the
// widget, with the state a person sees (pressed, disabled, focused).
class OwnerDrawButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    CButton* button = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!::IsWindow(button))
            return QPushButton::paintEvent(e);
        CBitmap canvas;
        canvas.CreateBitmap(std::max(1, width()), std::max(1, height()));
        CDC dc(canvas);
        dc.FillSolidRect(0, 0, width(), height(), GetSysColor(COLOR_BTNFACE));
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(button->GetDlgCtrlID());
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState =
            (isDown() ? ODS_SELECTED : 0) | (isEnabled() ? 0 : ODS_DISABLED) | (hasFocus() ? ODS_FOCUS : 0);
        item.hwndItem = button;
        item.hDC = &dc;
        item.rcItem = CRect(0, 0, width(), height());
        button->DrawItem(&item);
        QPainter painter(this);
        painter.drawImage(0, 0, ToQImage(canvas));
    }
};

// A push button keeps room beside its text, as much as the small buttons beside fields have (the
// style's own hint leaves a long text touching its frame).
constexpr int kButtonTextPadding = 10;

class TextButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override {
        const QSize hint = QPushButton::sizeHint();
        if (text().isEmpty())
            return hint;
        QString shown = text();
        shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        return hint.expandedTo(QSize(fontMetrics().horizontalAdvance(shown) + 2 * kButtonTextPadding, 0));
    }
};

class ButtonBinding : public Binding {
public:
    ~ButtonBinding() override {
        if (auto* owner = dynamic_cast<OwnerDrawButton*>(Widget()))
            owner->button = nullptr;
    }
    ButtonBinding(CButton& button, QAbstractButton* widget) : Binding(button, widget), m_button(widget) {
        QObject::connect(widget, &QAbstractButton::clicked, widget, [this] {
            if (Refreshing() || !Alive())
                return;
            // The widget toggled itself; the button's own state decides what is shown.
            const std::uint64_t serial = Serial();
            static_cast<CButton&>(Window()).Click();
            RefreshIfAlive(serial);
        });
    }

protected:
    void RefreshState() override {
        const CString text = Window().GetWindowTextValue();
        const QString shown = ButtonText(text.c_str());
        if (m_button->text() != shown)
            m_button->setText(shown);
        if (auto* check = qobject_cast<QCheckBox*>(m_button)) {
            const int state = static_cast<CButton&>(Window()).GetCheck();
            check->setTristate(state == 2);
            check->setCheckState(state == 1   ? Qt::Checked
                                 : state == 2 ? Qt::PartiallyChecked
                                              : Qt::Unchecked);
        } else if (auto* radio = qobject_cast<QRadioButton*>(m_button)) {
            radio->setChecked(static_cast<CButton&>(Window()).GetCheck() == 1);
        }
    }

private:
    QAbstractButton* m_button;
};

class LabelBinding : public Binding {
public:
    LabelBinding(CStatic& label, QLabel* widget) : Binding(label, widget), m_label(widget) {
        widget->installEventFilter(&m_clicks);
        m_clicks.owner = this;
        const DWORD style = label.GetStyle();
        const DWORD type = style & 0x1F;
        if (type == SS_RIGHT)
            widget->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        else if (type == SS_CENTER)
            widget->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        else
            widget->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (type == SS_ETCHEDHORZ) {
            widget->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            widget->setFixedHeight(2);
        } else if (style & SS_SUNKEN) {
            widget->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        widget->setWordWrap(false);
    }

protected:
    void RefreshState() override {
        if ((Window().GetStyle() & 0x1F) == SS_ETCHEDHORZ)
            return;
        const QString text = PlainLabelText(Window().GetWindowTextValue().c_str());
        if (m_label->text() != text)
            m_label->setText(text);
    }

private:
    struct ClickFilter : QObject {
        LabelBinding* owner = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (owner && owner->Alive() &&
                (event->type() == QEvent::MouseButtonRelease ||
                 event->type() == QEvent::MouseButtonDblClick)) {
                auto& label = static_cast<CStatic&>(owner->Window());
                if (event->type() == QEvent::MouseButtonDblClick)
                    label.DoubleClick();
                else
                    label.Click();
            }
            return QObject::eventFilter(watched, event);
        }
    } m_clicks;
    QLabel* m_label;
};

class GroupBinding : public Binding {
public:
    GroupBinding(CWnd& group, QGroupBox* widget) : Binding(group, widget), m_box(widget) {}

protected:
    void RefreshState() override {
        const QString text = PlainLabelText(Window().GetWindowTextValue().c_str());
        if (m_box->title() != text)
            m_box->setTitle(text);
    }

private:
    QGroupBox* m_box;
};

// ---- Edit fields -----------------------------------------------------------------------------

class LineEditBinding : public Binding {
public:
    LineEditBinding(CEdit& edit, QLineEdit* widget) : Binding(edit, widget), m_line(widget) {
        QObject::connect(widget, &QLineEdit::textEdited, widget, [this](const QString& text) {
            if (Refreshing() || !Alive())
                return;
            // Refused input (digits only, read-only) or text cut at the limit: the field shows
            // what the control holds.
            const std::uint64_t serial = Serial();
            static_cast<CEdit&>(Window()).UserSetText(C(text));
            RefreshIfAlive(serial);
        });
    }

protected:
    void RefreshState() override {
        auto& edit = static_cast<CEdit&>(Window());
        const CString value = edit.GetWindowTextValue();
        const QString text = Q(value);
        if (m_line->text() != text)
            m_line->setText(text);
        // A selection the code made (all of the text, say, so that typing replaces it) is shown.
        int start = 0, end = 0;
        edit.GetSel(start, end);
        if (start != end) {
            const auto at = [&value](int bytes) {
                return static_cast<int>(
                    QString::fromUtf8(value.c_str(), std::clamp(bytes, 0, value.GetLength())).size());
            };
            if (m_line->selectionStart() != at(start) || m_line->selectionEnd() != at(end))
                m_line->setSelection(at(start), at(end) - at(start));
        }
        m_line->setReadOnly(edit.IsReadOnly());
        m_line->setEchoMode(edit.GetPasswordChar() || (edit.GetStyle() & ES_PASSWORD) ? QLineEdit::Password
                                                                                      : QLineEdit::Normal);
        const DWORD align = edit.GetStyle() & 0x3;
        m_line->setAlignment(align == ES_RIGHT    ? Qt::AlignRight
                             : align == ES_CENTER ? Qt::AlignHCenter
                                                  : Qt::AlignLeft);
    }

private:
    QLineEdit* m_line;
};

// In a multi-line field of a dialog Tab moves on to the next control, as everywhere else in the
// dialog, and Ctrl+Tab writes a tab into the text.
class CtrlTabWritesTab : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* text = qobject_cast<QPlainTextEdit*>(watched);
        if (!text || event->type() != QEvent::KeyPress)
            return false;
        const auto* press = static_cast<QKeyEvent*>(event);
        if (press->key() != Qt::Key_Tab || (press->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
            return false;
        if (!text->isReadOnly())
            text->insertPlainText(QStringLiteral("\t"));
        return true;
    }
};

class TextEditBinding : public Binding {
public:
    TextEditBinding(CWnd& edit, QPlainTextEdit* widget) : Binding(edit, widget), m_text(widget) {
        widget->setTabChangesFocus(true);
        widget->installEventFilter(new CtrlTabWritesTab(widget));
        QObject::connect(widget, &QPlainTextEdit::textChanged, widget, [this] {
            if (Refreshing() || !Alive())
                return;
            if (auto* rich = dynamic_cast<CRichEditCtrl*>(&Window())) {
                const std::uint64_t serial = Serial();
                QString text = m_text->toPlainText();
                text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
                if (!rich->UserSetText(C(text)))
                    RefreshIfAlive(serial);
            } else if (auto* edit = dynamic_cast<CEdit*>(&Window())) {
                const QString text = m_text->toPlainText();
                // Lines end in CR LF in an edit field's text.
                QString windows = text;
                windows.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
                const std::uint64_t serial = Serial();
                if (!edit->UserSetText(C(windows)))
                    RefreshIfAlive(serial);
            }
        });
        // A rich text whose class takes the right mouse button (a format menu) gets it in place
        // of the widget's own menu, with the person's selection passed on first.
        if (dynamic_cast<CRichEditCtrl*>(&edit) && ClassHandles(edit, WM_RBUTTONDOWN)) {
            widget->setContextMenuPolicy(Qt::CustomContextMenu);
            QObject::connect(
                widget, &QWidget::customContextMenuRequested, widget, [this](const QPoint& point) {
                    auto* rich = Alive() ? dynamic_cast<CRichEditCtrl*>(&Window()) : nullptr;
                    if (!rich)
                        return;
                    const QTextCursor cursor = m_text->textCursor();
                    const QString text = m_text->toPlainText();
                    auto offset = [&text](int position) {
                        return static_cast<long>(text.left(position).toUtf8().size());
                    };
                    rich->SetSel(offset(cursor.selectionStart()), offset(cursor.selectionEnd()));
                    rich->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x(), point.y()));
                });
        }
    }
    bool Expands() const override { return true; }

protected:
    void RefreshState() override {
        QString text = Q(Window().GetWindowTextValue());
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (m_text->toPlainText() != text)
            m_text->setPlainText(text);
        m_text->setReadOnly((Window().GetStyle() & ES_READONLY) != 0);
    }

private:
    QPlainTextEdit* m_text;
};

// ---- Combo and list boxes --------------------------------------------------------------------

class ComboBinding : public Binding {
public:
    ComboBinding(CComboBox& combo, QComboBox* widget) : Binding(combo, widget), m_combo(widget) {
        widget->setEditable(combo.HasEditField());
        QObject::connect(widget, qOverload<int>(&QComboBox::activated), widget, [this](int index) {
            if (Refreshing() || !Alive())
                return;
            static_cast<CComboBox&>(Window()).UserSelect(index);
        });
        if (widget->lineEdit())
            QObject::connect(widget->lineEdit(), &QLineEdit::textEdited, widget, [this](const QString& text) {
                if (!Refreshing() && Alive())
                    static_cast<CComboBox&>(Window()).UserSetText(C(text));
            });
    }

protected:
    void RefreshState() override {
        auto& combo = static_cast<CComboBox&>(Window());
        const QSignalBlocker block(m_combo);
        QStringList items;
        for (int i = 0; i < combo.GetCount(); ++i)
            items << Q(combo.GetLBText(i));
        QStringList shown;
        for (int i = 0; i < m_combo->count(); ++i)
            shown << m_combo->itemText(i);
        if (items != shown) {
            m_combo->clear();
            m_combo->addItems(items);
        }
        m_combo->setCurrentIndex(combo.GetCurSel());
        if (m_combo->lineEdit()) {
            const QString text = Q(combo.GetWindowTextValue());
            if (m_combo->lineEdit()->text() != text)
                m_combo->lineEdit()->setText(text);
        }
    }

private:
    QComboBox* m_combo;
};

// Item views take the mouse and keys themselves: the selection is the window's, never Qt's.
class ListBoxWidget : public QListWidget {
public:
    using QListWidget::QListWidget;
    CListBox* box = nullptr;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        setFocus();
        if (!::IsWindow(box) || e->button() != Qt::LeftButton)
            return;
        if (ClassHandles(*box, WM_LBUTTONDOWN)) {
            SendMouseMessage(*box, this, WM_LBUTTONDOWN, e);
            return;
        }
        QListWidgetItem* item = itemAt(e->pos());
        if (item)
            box->UserSelect(row(item), (e->modifiers() & Qt::ControlModifier) != 0);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!::IsWindow(box) || e->button() != Qt::LeftButton)
            return;
        if (ClassHandles(*box, WM_LBUTTONDBLCLK)) {
            SendMouseMessage(*box, this, WM_LBUTTONDBLCLK, e);
            return;
        }
        if (QListWidgetItem* item = itemAt(e->pos()))
            box->UserDoubleClick(row(item));
    }
    void mouseMoveEvent(QMouseEvent*) override {}
    void keyPressEvent(QKeyEvent* e) override {
        if (!::IsWindow(box) || box->GetCount() == 0)
            return QListWidget::keyPressEvent(e);
        int current = box->GetCaretIndex() >= 0 ? box->GetCaretIndex() : box->GetCurSel();
        int target = -1;
        switch (e->key()) {
        case Qt::Key_Up:
            target = std::max(0, current - 1);
            break;
        case Qt::Key_Down:
            target = std::min(box->GetCount() - 1, current + 1);
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = box->GetCount() - 1;
            break;
        default:
            return QListWidget::keyPressEvent(e);
        }
        if (target != current || box->GetCurSel() != target)
            box->UserSelect(target);
    }
};

class ListBoxBinding : public Binding {
public:
    ListBoxBinding(CListBox& box, ListBoxWidget* widget) : Binding(box, widget), m_list(widget) {
        widget->box = &box;
        widget->setSelectionMode(QAbstractItemView::MultiSelection);
        widget->setFocusPolicy(Qt::StrongFocus);
    }
    ~ListBoxBinding() override { m_list->box = nullptr; }
    bool Expands() const override { return true; }

protected:
    void RefreshState() override {
        auto& box = static_cast<CListBox&>(Window());
        QStringList items;
        for (int i = 0; i < box.GetCount(); ++i)
            items << Q(box.GetText(i));
        bool same = m_list->count() == box.GetCount();
        for (int i = 0; same && i < m_list->count(); ++i)
            same = m_list->item(i)->text() == items[i];
        if (!same) {
            m_list->clear();
            m_list->addItems(items);
        }
        for (int i = 0; i < m_list->count(); ++i)
            m_list->item(i)->setSelected(box.GetSel(i) > 0);
        const int caret = box.GetCaretIndex() >= 0 ? box.GetCaretIndex() : box.GetCurSel();
        if (caret >= 0 && caret < m_list->count())
            m_list->scrollToItem(m_list->item(caret));
    }

private:
    ListBoxWidget* m_list;
};

// ---- Report lists ----------------------------------------------------------------------------

class ReportWidget;

// Rows of owner-drawn lists are drawn by the list's own DrawItem into an image.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    CListCtrl* list = nullptr;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!::IsWindow(list))
            return QStyledItemDelegate::paint(painter, option, index);
        if (index.column() != 0)
            return; // the row is drawn whole with the first column
        QRect rowRect = option.rect;
        const auto* view = qobject_cast<const QTreeWidget*>(option.widget);
        if (view)
            rowRect.setWidth(view->header()->length());
        CBitmap canvas;
        canvas.CreateBitmap(std::max(1, rowRect.width()), std::max(1, rowRect.height()));
        CDC dc(canvas);
        dc.FillSolidRect(0, 0, rowRect.width(), rowRect.height(), list->GetBkColor());
        DRAWITEMSTRUCT item;
        item.CtlType = 102; // ODT_LISTVIEW
        item.CtlID = static_cast<UINT>(list->GetDlgCtrlID());
        item.itemID = static_cast<UINT>(index.row());
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = (list->GetItemState(index.row(), LVIS_SELECTED) ? ODS_SELECTED : 0) |
                         (list->GetItemState(index.row(), LVIS_FOCUSED) ? ODS_FOCUS : 0);
        item.hwndItem = list;
        item.hDC = &dc;
        item.rcItem = CRect(0, 0, rowRect.width(), rowRect.height());
        item.itemData = static_cast<ULONG_PTR>(list->GetItemData(index.row()));
        list->DrawItem(&item);
        painter->drawImage(rowRect.topLeft(), ToQImage(canvas));
    }
};

// The header of a report list: columns the header control draws itself (HDF_OWNERDRAW) are
// painted by its DrawItem over the face the style gives a column, so images such as sort arrows
// stand where the header's class puts them.
class ReportHeader : public QHeaderView {
public:
    explicit ReportHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}
    CListCtrl* list = nullptr;

protected:
    CHeaderCtrl* OwnerDrawn(int column) const {
        if (!::IsWindow(list))
            return nullptr;
        CHeaderCtrl* header = list->GetHeaderCtrl();
        HDITEM item;
        item.mask = HDI_FORMAT;
        if (!header || !header->GetItem(column, &item) || !(item.fmt & HDF_OWNERDRAW))
            return nullptr;
        return header;
    }
    void paintSection(QPainter* painter, const QRect& rect, int column) const override {
        CHeaderCtrl* header = rect.isEmpty() ? nullptr : OwnerDrawn(column);
        if (!header)
            return QHeaderView::paintSection(painter, rect, column);
        QImage face(rect.size(), QImage::Format_RGB32);
        face.fill(palette().color(QPalette::Button));
        {
            QPainter facePainter(&face);
            QStyleOptionHeader option;
            initStyleOption(&option);
            option.rect = QRect(QPoint(0, 0), rect.size());
            option.section = column;
            option.text.clear();
            option.icon = QIcon();
            style()->drawControl(QStyle::CE_Header, &option, &facePainter, this);
        }
        CBitmap canvas = FromQImage(face);
        {
            CDC dc(canvas);
            // Texts stand on the face the style drew, in the header's text colour.
            const QColor faceColor = palette().color(QPalette::Button);
            const QColor textColor = palette().color(QPalette::ButtonText);
            dc.SetBkMode(TRANSPARENT);
            dc.SetBkColor(RGB(faceColor.red(), faceColor.green(), faceColor.blue()));
            dc.SetTextColor(RGB(textColor.red(), textColor.green(), textColor.blue()));
            DRAWITEMSTRUCT item;
            item.CtlType = ODT_HEADER;
            item.CtlID = static_cast<UINT>(header->GetDlgCtrlID());
            item.itemID = static_cast<UINT>(column);
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = 0;
            item.hwndItem = header;
            item.hDC = &dc;
            item.rcItem = CRect(0, 0, rect.width(), rect.height());
            header->DrawItem(&item);
        }
        painter->drawImage(rect.topLeft(), ToQImage(canvas));
    }
};

class ReportWidget : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    CListCtrl* list = nullptr;
    // Called when the area that shows the rows changed its size.
    std::function<void()> viewportResized;
    // The width that shows every column beside the frame and a vertical scroll bar: what the list
    // asks for in the row it shares with other controls (its dialog does not widen for it; with
    // less the list scrolls). Set when the list's columns come or go, not while a person drags a
    // column's edge.
    int columnsWidth = 0;

    QSize sizeHint() const override {
        return QSize(std::max(minimumWidth(), columnsWidth), QTreeWidget::sizeHint().height());
    }

    int RowAt(const QPoint& pos) const {
        QTreeWidgetItem* item = itemAt(pos);
        return item ? indexOfTopLevelItem(item) : -1;
    }
    int ColumnAt(const QPoint& pos) const {
        const int column = header()->logicalIndexAt(pos.x());
        return column < 0 ? 0 : column;
    }

protected:
    bool viewportEvent(QEvent* e) override {
        const bool result = QTreeWidget::viewportEvent(e);
        if (e->type() == QEvent::Resize && viewportResized)
            viewportResized();
        return result;
    }
    void mousePressEvent(QMouseEvent* e) override {
        setFocus();
        if (!::IsWindow(list))
            return;
        const int row = RowAt(e->pos());
        const int column = ColumnAt(e->pos());
        if (e->button() == Qt::RightButton) {
            list->UserRightClick(row, column);
            return;
        }
        if (e->button() != Qt::LeftButton)
            return;
        if (row >= 0 && (list->GetExtendedStyle() & LVS_EX_CHECKBOXES) && column == 0 &&
            e->pos().x() - header()->sectionViewportPosition(0) < 20) {
            list->UserCheck(row, !list->GetCheck(row));
            return;
        }
        // A class of list that takes presses itself (to edit a cell, say) gets the message.
        if (ClassHandles(*list, WM_LBUTTONDOWN)) {
            SendMouseMessage(*list, this, WM_LBUTTONDOWN, e);
            return;
        }
        list->UserSelect(row, (e->modifiers() & Qt::ControlModifier) != 0, column);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!::IsWindow(list) || e->button() != Qt::LeftButton)
            return;
        if (ClassHandles(*list, WM_LBUTTONDBLCLK)) {
            SendMouseMessage(*list, this, WM_LBUTTONDBLCLK, e);
            return;
        }
        list->UserDoubleClick(RowAt(e->pos()), ColumnAt(e->pos()));
    }
    void mouseMoveEvent(QMouseEvent*) override {}
    void contextMenuEvent(QContextMenuEvent*) override {}
    bool event(QEvent* e) override {
        if (e->type() == QEvent::KeyPress && ::IsWindow(list) && !FromChildWidget(this) &&
            TabTakenOrPassedOn(*list, this, *static_cast<QKeyEvent*>(e), nullptr))
            return true;
        return QTreeWidget::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        // Keys an editor over a cell let pass go on to the dialog.
        if (FromChildWidget(this)) {
            e->ignore();
            return;
        }
        if (::IsWindow(list) && ClassHandles(*list, WM_KEYDOWN) &&
            !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const UINT key = VirtualKeyOf(e->key());
            switch (key) {
            case VK_UP:
            case VK_DOWN:
            case VK_LEFT:
            case VK_RIGHT:
            case VK_HOME:
            case VK_END:
            case VK_PRIOR:
            case VK_NEXT:
            case VK_SPACE:
                if (DeliverKey(*list, key))
                    return;
                break;
            default:
                break;
            }
        }
        if (!::IsWindow(list) || list->GetItemCount() == 0)
            return QTreeWidget::keyPressEvent(e);
        int current = list->GetNextItem(-1, LVNI_FOCUSED);
        if (current < 0)
            current = list->GetNextItem(-1, LVNI_SELECTED);
        const int last = list->GetItemCount() - 1;
        const int page = std::max(1, viewport()->height() / std::max(1, list->GetRowHeight()) - 1);
        int target = -1;
        switch (e->key()) {
        case Qt::Key_Up:
            target = std::max(0, current - 1);
            break;
        case Qt::Key_Down:
            target = std::min(last, current + 1);
            break;
        case Qt::Key_PageUp:
            target = std::max(0, current - page);
            break;
        case Qt::Key_PageDown:
            target = std::min(last, current + page);
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = last;
            break;
        case Qt::Key_Space:
            if (current >= 0 && (list->GetExtendedStyle() & LVS_EX_CHECKBOXES))
                list->UserCheck(current, !list->GetCheck(current));
            return;
        default:
            return QTreeWidget::keyPressEvent(e);
        }
        list->UserSelect(target);
        list->EnsureVisible(target, FALSE);
    }
};

class ReportBinding : public Binding {
public:
    ReportBinding(CListCtrl& list, ReportWidget* widget) : Binding(list, widget), m_view(widget) {
        widget->list = &list;
        m_header = new ReportHeader(widget);
        m_header->list = &list;
        widget->setHeader(m_header);
        // Sorting off first: it would make the header unclickable. The owner sorts its rows.
        widget->setSortingEnabled(false);
        widget->setRootIsDecorated(false);
        widget->setItemsExpandable(false);
        widget->setUniformRowHeights(true);
        widget->setSelectionMode(QAbstractItemView::MultiSelection);
        widget->setSelectionBehavior(QAbstractItemView::SelectRows);
        widget->setAllColumnsShowFocus(true);
        widget->header()->setSectionsMovable(false);
        widget->header()->setStretchLastSection(false);
        widget->header()->setSectionsClickable(true);
        widget->header()->setHighlightSections(false);
        if (list.GetStyle() & LVS_OWNERDRAWFIXED) {
            m_delegate.list = &list;
            widget->setItemDelegate(&m_delegate);
        }
        QObject::connect(widget->header(), &QHeaderView::sectionClicked, widget,
                         [this](int column) { static_cast<CListCtrl&>(Window()).UserColumnClick(column); });
        QObject::connect(widget->header(), &QHeaderView::sectionResized, widget,
                         [this](int column, int, int size) {
                             if (!Refreshing() && !m_fitting)
                                 static_cast<CListCtrl&>(Window()).SetColumnWidth(column, size);
                         });
        widget->viewportResized = [this] { FitLastColumn(); };
        QObject::connect(widget->verticalScrollBar(), &QScrollBar::valueChanged, widget,
                         [this] { ReportMetrics(); });
        QObject::connect(widget->horizontalScrollBar(), &QScrollBar::valueChanged, widget,
                         [this] { ReportMetrics(); });
    }
    ~ReportBinding() override {
        m_view->viewportResized = nullptr;
        m_view->list = nullptr;
        m_delegate.list = nullptr;
        if (m_header)
            m_header->list = nullptr;
    }
    bool Expands() const override { return true; }
    void Repaint(bool) override {
        m_view->viewport()->update();
        if (m_header)
            m_header->viewport()->update();
    }
    void ReportGeometry() override {
        Binding::ReportGeometry();
        ReportMetrics();
    }

    void ReportMetrics() {
        auto& list = static_cast<CListCtrl&>(Window());
        int rowHeight =
            m_view->topLevelItemCount() > 0 ? m_view->visualItemRect(m_view->topLevelItem(0)).height() : 0;
        if (rowHeight <= 0)
            rowHeight = list.GetRowHeight();
        QTreeWidgetItem* top = m_view->itemAt(QPoint(1, 1));
        const int topIndex = top ? m_view->indexOfTopLevelItem(top) : 0;
        const int headerHeight = m_view->header()->isHidden() ? 0 : m_view->header()->height();
        list.ViewSetMetrics(headerHeight, rowHeight, topIndex, m_view->horizontalScrollBar()->value());
    }

protected:
    void RefreshState() override {
        auto& list = static_cast<CListCtrl&>(Window());
        const int columns = std::max(1, list.GetColumnCount());
        const DWORD ex = list.GetExtendedStyle();
        const bool checks = (ex & LVS_EX_CHECKBOXES) != 0;
        CImageList* small = list.GetImageList(LVSIL_SMALL);
        CImageList* headerImages = list.GetHeaderCtrl() ? list.GetHeaderCtrl()->GetImageList() : nullptr;

        // Columns: headings, widths, alignment and header images.
        m_view->setColumnCount(columns);
        auto* headerItem = m_view->headerItem();
        for (int c = 0; c < list.GetColumnCount(); ++c) {
            headerItem->setText(c, Q(list.GetColumnText(c)));
            headerItem->setTextAlignment(c, ColumnAlignment(list.GetColumnFormat(c)));
            int image = -1;
            if (list.GetHeaderCtrl()) {
                HDITEM hd;
                hd.mask = 0x20; // HDI_IMAGE
                if (list.GetHeaderCtrl()->GetItem(c, &hd))
                    image = hd.iImage;
            }
            headerItem->setIcon(c, image >= 0 ? QIcon(ImageOf(headerImages, image)) : QIcon());
            if (c + 1 < list.GetColumnCount() && m_view->header()->sectionSize(c) != list.GetColumnWidth(c))
                m_view->header()->resizeSection(c, std::max(0, list.GetColumnWidth(c)));
        }
        FitLastColumn();
        if (list.GetColumnCount() != m_columnCount) {
            m_columnCount = list.GetColumnCount();
            int width = 0;
            for (int c = 0; c < m_columnCount; ++c)
                width += std::max(0, list.GetColumnWidth(c));
            m_view->columnsWidth =
                width > 0 ? width + 2 * m_view->frameWidth() + m_view->verticalScrollBar()->sizeHint().width() : 0;
            m_view->updateGeometry();
        }
        m_view->setHeaderHidden((list.GetStyle() & LVS_NOCOLUMNHEADER) != 0);
        if (small)
            m_view->setIconSize(QSize(small->GetImageSize().cx, small->GetImageSize().cy));

        // Rows.
        const int rows = list.GetItemCount();
        while (m_view->topLevelItemCount() > rows)
            delete m_view->takeTopLevelItem(m_view->topLevelItemCount() - 1);
        while (m_view->topLevelItemCount() < rows)
            m_view->addTopLevelItem(new QTreeWidgetItem());
        const COLORREF textColor = list.GetTextColor();
        for (int r = 0; r < rows; ++r) {
            QTreeWidgetItem* item = m_view->topLevelItem(r);
            for (int c = 0; c < list.GetColumnCount(); ++c) {
                const QString text = Q(list.GetItemText(r, c));
                if (item->text(c) != text)
                    item->setText(c, text);
                item->setTextAlignment(c, ColumnAlignment(list.GetColumnFormat(c)));
            }
            const int image = list.GetItemImage(r);
            item->setIcon(0, small && image >= 0 ? QIcon(ImageOf(small, image)) : QIcon());
            if (checks)
                item->setCheckState(0, list.GetCheck(r) ? Qt::Checked : Qt::Unchecked);
            else
                item->setData(0, Qt::CheckStateRole, QVariant());
            if (IsColor(textColor) && textColor != 0)
                item->setForeground(0, ToQColor(textColor));
            item->setSelected(list.GetItemState(r, LVIS_SELECTED) != 0);
        }
        const int focused = list.GetNextItem(-1, LVNI_FOCUSED);
        if (focused >= 0 && focused < rows)
            m_view->setCurrentItem(m_view->topLevelItem(focused), 0, QItemSelectionModel::NoUpdate);

        // Looks: grid lines, colours.
        QString sheet;
        if (ex & LVS_EX_GRIDLINES)
            sheet += QStringLiteral(
                "QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }"
                "QTreeView::item:selected { background: palette(highlight); color: "
                "palette(highlighted-text); }");
        if (IsColor(list.GetBkColor()) && list.GetBkColor() != RGB(255, 255, 255))
            sheet += QStringLiteral("QTreeView { background: %1; }").arg(ToQColor(list.GetBkColor()).name());
        if (m_view->styleSheet() != sheet)
            m_view->setStyleSheet(sheet);

        // Scrolling: the first visible row and the sideways offset are the list's.
        const int topIndex = list.GetTopIndex();
        if (topIndex >= 0 && topIndex < rows) {
            QTreeWidgetItem* top = m_view->itemAt(QPoint(1, 1));
            if (!top || m_view->indexOfTopLevelItem(top) != topIndex)
                m_view->scrollToItem(m_view->topLevelItem(topIndex), QAbstractItemView::PositionAtTop);
        }
        if (m_view->horizontalScrollBar()->value() != list.ViewScrollX())
            m_view->horizontalScrollBar()->setValue(list.ViewScrollX());
        Repaint(true);
    }

private:
    // The last column is shown as wide as the list when the columns are narrower than the list,
    // so that no blank strip stands beside them; the list keeps the width it gave the column.
    // Rows a list draws itself follow the widths it knows, so its columns stay as they are.
    void FitLastColumn() {
        if (!Alive())
            return;
        auto& list = static_cast<CListCtrl&>(Window());
        const int last = list.GetColumnCount() - 1;
        if (last < 0 || last >= m_view->header()->count())
            return;
        int others = 0;
        for (int c = 0; c < last; ++c)
            others += m_view->header()->sectionSize(c);
        const bool ownerDrawn = (list.GetStyle() & LVS_OWNERDRAWFIXED) != 0;
        const int width =
            std::max({0, list.GetColumnWidth(last), ownerDrawn ? 0 : m_view->viewport()->width() - others});
        if (m_view->header()->sectionSize(last) == width)
            return;
        m_fitting = true;
        m_view->header()->resizeSection(last, width);
        m_fitting = false;
    }

    ReportWidget* m_view;
    QPointer<ReportHeader> m_header;
    OwnerDrawDelegate m_delegate;
    bool m_fitting = false;
    int m_columnCount = -1;
};

// ---- Trees -----------------------------------------------------------------------------------

HTREEITEM HandleOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<HTREEITEM>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

class TreeWidget : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    CTreeCtrl* tree = nullptr;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        setFocus();
        if (!::IsWindow(tree))
            return;
        QTreeWidgetItem* item = itemAt(e->pos());
        HTREEITEM handle = HandleOf(item);
        if (e->button() == Qt::RightButton) {
            tree->UserRightClick(handle);
            return;
        }
        if (e->button() == Qt::LeftButton && ClassHandles(*tree, WM_LBUTTONDOWN)) {
            SendMouseMessage(*tree, this, WM_LBUTTONDOWN, e);
            return;
        }
        if (e->button() != Qt::LeftButton || !item)
            return;
        const QRect rect = visualItemRect(item);
        // Left of the item: the expand button.
        if (e->pos().x() < rect.left()) {
            if (tree->ItemHasChildren(handle))
                tree->UserExpand(handle, !(tree->GetItemState(handle, TVIS_EXPANDED) & TVIS_EXPANDED));
            return;
        }
        if ((tree->GetStyle() & TVS_CHECKBOXES) && e->pos().x() < rect.left() + 20) {
            tree->UserCheck(handle, !tree->GetCheck(handle));
            return;
        }
        tree->UserSelect(handle);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!::IsWindow(tree) || e->button() != Qt::LeftButton)
            return;
        if (ClassHandles(*tree, WM_LBUTTONDBLCLK)) {
            SendMouseMessage(*tree, this, WM_LBUTTONDBLCLK, e);
            return;
        }
        if (QTreeWidgetItem* item = itemAt(e->pos()))
            tree->UserDoubleClick(HandleOf(item));
    }
    void mouseMoveEvent(QMouseEvent*) override {}
    void contextMenuEvent(QContextMenuEvent*) override {}
    void keyPressEvent(QKeyEvent* e) override {
        if (!::IsWindow(tree))
            return QTreeWidget::keyPressEvent(e);
        HTREEITEM current = tree->GetSelectedItem();
        if (!current) {
            if (HTREEITEM first = tree->GetRootItem())
                tree->UserSelect(first);
            return;
        }
        const bool expanded = (tree->GetItemState(current, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        switch (e->key()) {
        case Qt::Key_Up:
            if (HTREEITEM prev = tree->GetPrevVisibleItem(current))
                tree->UserSelect(prev);
            return;
        case Qt::Key_Down:
            if (HTREEITEM next = tree->GetNextVisibleItem(current))
                tree->UserSelect(next);
            return;
        case Qt::Key_Left:
            if (expanded)
                tree->UserExpand(current, false);
            else if (HTREEITEM parent = tree->GetParentItem(current))
                tree->UserSelect(parent);
            return;
        case Qt::Key_Right:
            if (!expanded && tree->ItemHasChildren(current))
                tree->UserExpand(current, true);
            else if (HTREEITEM child = tree->GetChildItem(current))
                tree->UserSelect(child);
            return;
        case Qt::Key_Space:
            if (tree->GetStyle() & TVS_CHECKBOXES)
                tree->UserCheck(current, !tree->GetCheck(current));
            return;
        default:
            return QTreeWidget::keyPressEvent(e);
        }
    }
};

class TreeBinding : public Binding {
public:
    TreeBinding(CTreeCtrl& tree, TreeWidget* widget) : Binding(tree, widget), m_view(widget) {
        widget->tree = &tree;
        widget->setHeaderHidden(true);
        widget->setColumnCount(1);
        widget->setSelectionMode(QAbstractItemView::SingleSelection);
        widget->setRootIsDecorated((tree.GetStyle() & TVS_LINESATROOT) != 0 ||
                                   (tree.GetStyle() & TVS_HASBUTTONS) != 0);
        widget->setUniformRowHeights(true);
        widget->setExpandsOnDoubleClick(false);
        widget->setItemsExpandable(false);
        QObject::connect(widget->verticalScrollBar(), &QScrollBar::valueChanged, widget,
                         [this] { ReportMetrics(); });
    }
    ~TreeBinding() override { m_view->tree = nullptr; }
    bool Expands() const override { return true; }
    void ReportGeometry() override {
        Binding::ReportGeometry();
        ReportMetrics();
    }
    void ReportMetrics() {
        auto& tree = static_cast<CTreeCtrl&>(Window());
        QTreeWidgetItem* first = m_view->topLevelItemCount() ? m_view->topLevelItem(0) : nullptr;
        int rowHeight = first ? m_view->visualItemRect(first).height() : 0;
        if (rowHeight <= 0)
            rowHeight = tree.GetItemHeight();
        const int topRow = rowHeight > 0 ? m_view->verticalScrollBar()->value() : 0;
        tree.ViewSetMetrics(rowHeight, topRow);
    }

protected:
    // A tree item as the widget shows it, with what was last written into it: a refresh compares
    // each item with its tree item and writes only what changed, and builds items only for tree
    // items that are new where they stand, so that filling a tree while the view refreshes now
    // and then (a progress window pumping events) costs no more Qt work than the items added.
    class MirrorItem : public QTreeWidgetItem {
    public:
        explicit MirrorItem(HTREEITEM item) : handle(item) {
            setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(item)));
        }
        HTREEITEM handle;
        CString text;
        int image = -1; // the image shown; -1: none
        int check = -1; // the check box shown; -1: none
        bool bold = false;
        bool indicator = false;
        bool expanded = false;
    };

    struct Looks {
        CImageList* images = nullptr;
        int imageCount = 0;
        bool checks = false;
        friend bool operator==(const Looks&, const Looks&) = default;
    };

    // Writes what differs between the item and its tree item (the expansion, which needs the item
    // in the widget, is left to ShowExpansion).
    void Update(MirrorItem& item, HTREEITEM node) {
        auto& tree = static_cast<CTreeCtrl&>(Window());
        CString text = tree.GetItemText(node);
        if (text != item.text) {
            item.setText(0, Q(text));
            item.text = std::move(text);
        }
        int image = 0, selectedImage = 0;
        tree.GetItemImage(node, image, selectedImage);
        const bool selected = tree.GetSelectedItem() == node;
        const int shown = m_looks.images ? (selected ? selectedImage : image) : -1;
        if (shown != item.image) {
            item.setIcon(0, shown >= 0 ? IconOf(shown) : QIcon());
            item.image = shown;
        }
        const int check = m_looks.checks ? (tree.GetCheck(node) ? 1 : 0) : -1;
        if (check != item.check) {
            if (check >= 0)
                item.setCheckState(0, check ? Qt::Checked : Qt::Unchecked);
            else
                item.setData(0, Qt::CheckStateRole, QVariant());
            item.check = check;
        }
        const bool bold = (tree.GetItemState(node, TVIS_BOLD) & TVIS_BOLD) != 0;
        if (bold != item.bold) {
            if (bold) {
                QFont font = m_view->font();
                font.setBold(true);
                item.setFont(0, font);
            } else {
                item.setData(0, Qt::FontRole, QVariant());
            }
            item.bold = bold;
        }
        const bool indicator = tree.ItemHasChildren(node) && !tree.GetChildItem(node);
        if (indicator != item.indicator) {
            item.setChildIndicatorPolicy(indicator ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicatorWhenChildless);
            item.indicator = indicator;
        }
        if (selected)
            m_selectedItem = &item;
    }

    // A new item for a tree item and its branch, not yet in the widget.
    MirrorItem* Build(HTREEITEM node) {
        auto& tree = static_cast<CTreeCtrl&>(Window());
        auto* item = new MirrorItem(node);
        Update(*item, node);
        for (HTREEITEM child = tree.GetChildItem(node); child; child = tree.GetNextSiblingItem(child))
            item->addChild(Build(child));
        return item;
    }

    // Opens and closes the items of a branch in the widget as their tree items are.
    void ShowExpansion(MirrorItem& item, bool wholeBranch) {
        auto& tree = static_cast<CTreeCtrl&>(Window());
        const bool expanded = (tree.GetItemState(item.handle, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        if (expanded != item.expanded) {
            item.setExpanded(expanded);
            item.expanded = expanded;
        }
        if (wholeBranch)
            for (int i = 0; i < item.childCount(); ++i)
                ShowExpansion(static_cast<MirrorItem&>(*item.child(i)), true);
    }

    // Brings the widget's items below parentItem (the top level when null) in step with the
    // children of the tree item: the leading items that still stand for the same tree items are
    // updated in place; from the first that does not on, the widget's items go and new ones come.
    void Mirror(HTREEITEM parent, QTreeWidgetItem* parentItem) {
        auto& tree = static_cast<CTreeCtrl&>(Window());
        const int count = parentItem ? parentItem->childCount() : m_view->topLevelItemCount();
        HTREEITEM node = parent ? tree.GetChildItem(parent) : tree.GetRootItem();
        int row = 0;
        for (; node && row < count; node = tree.GetNextSiblingItem(node), ++row) {
            auto* item =
                static_cast<MirrorItem*>(parentItem ? parentItem->child(row) : m_view->topLevelItem(row));
            if (item->handle != node)
                break;
            Update(*item, node);
            Mirror(node, item);
            ShowExpansion(*item, false);
        }
        if (row == 0 && count > 0) {
            // The whole level goes at once (one removal for the view, not one per item).
            if (parentItem)
                qDeleteAll(parentItem->takeChildren());
            else
                m_view->clear();
        } else {
            for (int i = count - 1; i >= row; --i)
                delete (parentItem ? parentItem->takeChild(i) : m_view->takeTopLevelItem(i));
        }
        QList<QTreeWidgetItem*> added;
        for (; node; node = tree.GetNextSiblingItem(node))
            added.append(Build(node));
        if (added.isEmpty())
            return;
        if (parentItem)
            parentItem->addChildren(added);
        else
            m_view->addTopLevelItems(added);
        for (QTreeWidgetItem* item : added)
            ShowExpansion(static_cast<MirrorItem&>(*item), true);
    }

    // The icon of an image of the tree's list, made once per image.
    QIcon IconOf(int image) {
        auto found = m_icons.find(image);
        if (found == m_icons.end())
            found = m_icons.emplace(image, QIcon(ImageOf(m_looks.images, image))).first;
        return found->second;
    }

    void RefreshState() override {
        auto& tree = static_cast<CTreeCtrl&>(Window());
        const int scroll = m_view->verticalScrollBar()->value();
        CImageList* images = tree.GetImageList(TVSIL_NORMAL);
        const Looks looks{images, images ? images->GetImageCount() : 0,
                          (tree.GetStyle() & TVS_CHECKBOXES) != 0};
        if (!(looks == m_looks)) {
            // Other images or check boxes: every item is made anew.
            m_view->clear();
            m_icons.clear();
            m_looks = looks;
        }
        m_selectedItem = nullptr;
        if (m_looks.images)
            m_view->setIconSize(QSize(m_looks.images->GetImageSize().cx, m_looks.images->GetImageSize().cy));
        Mirror(nullptr, nullptr);
        m_view->verticalScrollBar()->setValue(scroll);
        const QList<QTreeWidgetItem*> shownSelected = m_view->selectedItems();
        if (m_selectedItem ? (shownSelected.size() != 1 || shownSelected.front() != m_selectedItem)
                           : !shownSelected.isEmpty()) {
            m_view->clearSelection();
            if (m_selectedItem)
                m_selectedItem->setSelected(true);
        }
        if (m_view->currentItem() != m_selectedItem)
            m_view->setCurrentItem(m_selectedItem, 0, QItemSelectionModel::NoUpdate);
        QString sheet;
        if (IsColor(tree.GetBkColor()))
            sheet = QStringLiteral("QTreeView { background: %1; }").arg(ToQColor(tree.GetBkColor()).name());
        if (m_view->styleSheet() != sheet)
            m_view->setStyleSheet(sheet);
    }

private:
    TreeWidget* m_view;
    QTreeWidgetItem* m_selectedItem = nullptr;
    Looks m_looks;
    std::map<int, QIcon> m_icons;
};

// ---- Other common controls -------------------------------------------------------------------

class ProgressBinding : public Binding {
public:
    ProgressBinding(CProgressCtrl& bar, QProgressBar* widget) : Binding(bar, widget), m_bar(widget) {
        widget->setTextVisible(false);
    }

protected:
    void RefreshState() override {
        auto& bar = static_cast<CProgressCtrl&>(Window());
        int lower = 0, upper = 0;
        bar.GetRange(lower, upper);
        m_bar->setRange(std::min(lower, upper), std::max(lower, upper));
        m_bar->setValue(std::clamp(bar.GetPos(), m_bar->minimum(), m_bar->maximum()));
        if (IsColor(bar.GetBarColor())) {
            QPalette palette = m_bar->palette();
            palette.setColor(QPalette::Highlight, ToQColor(bar.GetBarColor()));
            m_bar->setPalette(palette);
        }
    }

private:
    QProgressBar* m_bar;
};

class SpinBinding : public Binding {
public:
    SpinBinding(CSpinButtonCtrl& spin, QWidget* widget) : Binding(spin, widget) {
        auto* layout = new QVBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* up = new QToolButton(widget);
        auto* down = new QToolButton(widget);
        up->setArrowType(Qt::UpArrow);
        down->setArrowType(Qt::DownArrow);
        // The arrows are worked with the mouse; the keyboard goes from the field beside them to
        // the next control, not through the arrows.
        for (QToolButton* b : {up, down}) {
            b->setFixedSize(18, 11);
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
            layout->addWidget(b);
        }
        QObject::connect(up, &QToolButton::clicked, widget, [this] {
            if (Alive())
                static_cast<CSpinButtonCtrl&>(Window()).UserDelta(1);
        });
        QObject::connect(down, &QToolButton::clicked, widget, [this] {
            if (Alive())
                static_cast<CSpinButtonCtrl&>(Window()).UserDelta(-1);
        });
        widget->setFixedSize(18, 22);
    }
};

// The field of a date picker keys as the system's picker does: Tab and Shift+Tab go on to the
// next and previous control (not through the year, month and day first), and the arrows to the
// left and right select the previous and next part of the date; up and down change the part.
class DateEdit : public QDateTimeEdit {
public:
    using QDateTimeEdit::QDateTimeEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
    void keyPressEvent(QKeyEvent* e) override {
        const bool left = e->key() == Qt::Key_Left;
        if ((!left && e->key() != Qt::Key_Right) || (e->modifiers() & ~Qt::KeypadModifier) ||
            sectionCount() == 0)
            return QDateTimeEdit::keyPressEvent(e);
        const int section = std::clamp(currentSectionIndex() + (left ? -1 : 1), 0, sectionCount() - 1);
        setCurrentSectionIndex(section);
        setSelectedSection(currentSection());
        e->accept();
    }
};

// A date picker, or a time picker when its format holds only time sections ("HH:mm:ss"): the
// widget edits date and time, so both kinds of picker can be set by a person.
class DateBinding : public Binding {
public:
    DateBinding(CDateTimeCtrl& picker, QDateTimeEdit* widget) : Binding(picker, widget), m_date(widget) {
        widget->setCalendarPopup(true);
        QObject::connect(widget, &QDateTimeEdit::dateTimeChanged, widget, [this](const QDateTime& value) {
            if (Refreshing() || !Alive())
                return;
            auto& picker = static_cast<CDateTimeCtrl&>(Window());
            const QDate date = value.date();
            const QTime time = value.time();
            SYSTEMTIME st;
            picker.GetTime(&st);
            st.wYear = static_cast<WORD>(date.year());
            st.wMonth = static_cast<WORD>(date.month());
            st.wDay = static_cast<WORD>(date.day());
            st.wDayOfWeek = static_cast<WORD>(date.dayOfWeek() % 7);
            st.wHour = static_cast<WORD>(time.hour());
            st.wMinute = static_cast<WORD>(time.minute());
            st.wSecond = static_cast<WORD>(time.second());
            picker.UserSetTime(&st);
        });
    }

protected:
    void RefreshState() override {
        auto& picker = static_cast<CDateTimeCtrl&>(Window());
        const CString format = picker.GetFormat();
        // Set only when it changes: setting it again moves the person's place back to the first part.
        const QString shownFormat = format.IsEmpty() ? QStringLiteral("yyyy-MM-dd") : Q(format);
        if (m_date->displayFormat() != shownFormat)
            m_date->setDisplayFormat(shownFormat);
        SYSTEMTIME st;
        if (picker.GetTime(&st) == GDT_VALID) {
            const QDateTime value(QDate(st.wYear, st.wMonth, st.wDay), QTime(st.wHour, st.wMinute, st.wSecond));
            if (value.isValid() && m_date->dateTime() != value)
                m_date->setDateTime(value);
        }
    }

private:
    QDateTimeEdit* m_date;
};

class TabBinding : public Binding {
public:
    TabBinding(CTabCtrl& tabs, QTabBar* widget) : Binding(tabs, widget), m_tabs(widget) {
        widget->setExpanding(false);
        widget->setDrawBase(true);
        QObject::connect(widget, &QTabBar::currentChanged, widget, [this](int index) {
            if (Refreshing() || !Alive())
                return;
            const std::uint64_t serial = Serial();
            static_cast<CTabCtrl&>(Window()).UserSelect(index);
            RefreshIfAlive(serial);
        });
    }
    void ReportGeometry() override {
        Binding::ReportGeometry();
        static_cast<CTabCtrl&>(Window()).ViewSetTabHeight(m_tabs->sizeHint().height());
    }

protected:
    void RefreshState() override {
        auto& tabs = static_cast<CTabCtrl&>(Window());
        while (m_tabs->count() > tabs.GetItemCount())
            m_tabs->removeTab(m_tabs->count() - 1);
        while (m_tabs->count() < tabs.GetItemCount())
            m_tabs->addTab(QString());
        for (int i = 0; i < tabs.GetItemCount(); ++i) {
            const QString text = PlainLabelText(tabs.GetItemText(i).c_str());
            if (m_tabs->tabText(i) != text)
                m_tabs->setTabText(i, text);
        }
        if (tabs.GetCurSel() >= 0)
            m_tabs->setCurrentIndex(tabs.GetCurSel());
    }

private:
    QTabBar* m_tabs;
};

// ---- Windows that paint themselves -----------------------------------------------------------

class SurfaceWidget : public QWidget {
public:
    CWnd* window = nullptr;
    bool needsPaint = true;

    explicit SurfaceWidget(QWidget* parent) : QWidget(parent) {
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void Send(UINT message, const QMouseEvent* e) {
        if (!::IsWindow(window) || !ClassHandles(*window, message))
            return;
        const QPoint p = e->position().toPoint();
        window->SendMessage(message, MouseFlags(e),
                            MAKELPARAM(static_cast<WORD>(static_cast<short>(p.x())),
                                       static_cast<WORD>(static_cast<short>(p.y()))));
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (!::IsWindow(window)) {
            painter.fillRect(rect(), palette().window());
            return;
        }
        CBitmap surface = WindowSurface(*window);
        if (needsPaint || surface.Width() != width() || surface.Height() != height()) {
            needsPaint = false;
            PaintWindow(*window);
            surface = WindowSurface(*window);
        }
        painter.drawImage(0, 0, ToQImage(surface));
    }
    void resizeEvent(QResizeEvent*) override { needsPaint = true; }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            Send(WM_LBUTTONDOWN, e);
        else if (e->button() == Qt::RightButton)
            Send(WM_RBUTTONDOWN, e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            Send(WM_LBUTTONUP, e);
        else if (e->button() == Qt::RightButton)
            Send(WM_RBUTTONUP, e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            Send(WM_LBUTTONDBLCLK, e);
    }
    void mouseMoveEvent(QMouseEvent* e) override { Send(WM_MOUSEMOVE, e); }
};

class SurfaceBinding : public Binding {
public:
    SurfaceBinding(CWnd& window, SurfaceWidget* widget) : Binding(window, widget), m_surface(widget) {
        widget->window = &window;
        // The size its template gives it, else the one it was created with; not the rectangle a
        // layout gave it since (a dialog pictured, then shown, would grow with every build).
        const vq::ControlTemplate* t = window.GetTemplate();
        const CRect rect = t && !t->rect.IsRectEmpty() ? t->rect : window.GetRectInParent();
        if (!rect.IsRectEmpty())
            widget->setMinimumSize(rect.Width(), rect.Height());
        else
            widget->setMinimumSize(120, 80);
    }
    // The widget may have gone before the binding (with the window of its dialog).
    ~SurfaceBinding() override {
        if (m_surface)
            m_surface->window = nullptr;
    }
    bool Expands() const override { return true; }
    void Repaint(bool paintAgain) override {
        if (!m_surface)
            return;
        if (paintAgain)
            m_surface->needsPaint = true;
        m_surface->update();
    }

protected:
    void RefreshState() override { m_surface->update(); }

private:
    QPointer<SurfaceWidget> m_surface;
};

// A control kind the view has no widget for: its text, so that nothing goes missing.
class PlainBinding : public Binding {
public:
    PlainBinding(CWnd& window, QLabel* widget) : Binding(window, widget), m_label(widget) {}

protected:
    void RefreshState() override { m_label->setText(PlainLabelText(Window().GetWindowTextValue().c_str())); }

private:
    QLabel* m_label;
};

} // namespace

int NaturalWidthOf(const QWidget* widget) {
    const auto* report = dynamic_cast<const ReportWidget*>(widget);
    return report ? report->columnsWidth : 0;
}

Binding* CreateBinding(CWnd& window, QWidget* parent) {
    using K = vq::ControlKind;
    switch (window.GetControlKind()) {
    case K::PushButton: {
        if ((window.GetStyle() & BS_TYPEMASK) == BS_OWNERDRAW) {
            auto* w = new OwnerDrawButton(parent);
            w->button = static_cast<CButton*>(&window);
            w->setAutoDefault(false);
            // It draws more than its text (a colour swatch, an arrow): the size its template
            // gives it is the least it needs.
            const CRect& rect = window.GetRectInParent();
            w->setMinimumSize(std::max(40, rect.Width()), std::max(24, rect.Height()));
            return new ButtonBinding(static_cast<CButton&>(window), w);
        }
        auto* w = new TextButton(parent);
        w->setAutoDefault(false);
        // The button Enter presses is shown as the default one: a default push button, or the one
        // whose id is its dialog's default id (an OK button without the style).
        const auto* dialog = dynamic_cast<const CDialog*>(window.GetParent());
        w->setDefault((window.GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON ||
                      (dialog && window.GetDlgCtrlID() == static_cast<int>(LOWORD(dialog->GetDefID()))));
        return new ButtonBinding(static_cast<CButton&>(window), w);
    }
    case K::CheckBox:
        return new ButtonBinding(static_cast<CButton&>(window), new QCheckBox(parent));
    case K::RadioButton: {
        auto* w = new QRadioButton(parent);
        w->setAutoExclusive(false);
        return new ButtonBinding(static_cast<CButton&>(window), w);
    }
    case K::GroupBox:
        return new GroupBinding(window, new QGroupBox(parent));
    case K::Static:
        if (auto* label = dynamic_cast<CStatic*>(&window))
            return new LabelBinding(*label, new QLabel(parent));
        return new PlainBinding(window, new QLabel(parent));
    case K::Edit:
        if (auto* edit = dynamic_cast<CEdit*>(&window)) {
            if (edit->IsMultiLine())
                return new TextEditBinding(*edit, new QPlainTextEdit(parent));
            return new LineEditBinding(*edit, new QLineEdit(parent));
        }
        break;
    case K::ComboBox:
    case K::DropDownList:
        if (auto* combo = dynamic_cast<CComboBox*>(&window))
            return new ComboBinding(*combo, new QComboBox(parent));
        break;
    case K::ListBox:
        if (auto* box = dynamic_cast<CListBox*>(&window))
            return new ListBoxBinding(*box, new ListBoxWidget(parent));
        break;
    case K::ListCtrl:
        if (auto* list = dynamic_cast<CListCtrl*>(&window))
            return new ReportBinding(*list, new ReportWidget(parent));
        break;
    case K::TreeCtrl:
        if (auto* tree = dynamic_cast<CTreeCtrl*>(&window))
            return new TreeBinding(*tree, new TreeWidget(parent));
        break;
    case K::Progress:
        if (auto* bar = dynamic_cast<CProgressCtrl*>(&window))
            return new ProgressBinding(*bar, new QProgressBar(parent));
        break;
    case K::Spin:
        if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(&window))
            return new SpinBinding(*spin, new QWidget(parent));
        break;
    case K::DateTime:
        if (auto* picker = dynamic_cast<CDateTimeCtrl*>(&window))
            return new DateBinding(*picker, new DateEdit(parent));
        break;
    case K::Tab:
        if (auto* tabs = dynamic_cast<CTabCtrl*>(&window))
            return new TabBinding(*tabs, new QTabBar(parent));
        break;
    case K::RichEdit:
        return new TextEditBinding(window, new QPlainTextEdit(parent));
    case K::Window:
        return new SurfaceBinding(window, new SurfaceWidget(parent));
    default:
        break;
    }
    return new PlainBinding(window, new QLabel(parent));
}

} // namespace vq::qtview
