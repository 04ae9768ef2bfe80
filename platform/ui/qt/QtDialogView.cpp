#include "platform/ui/qt/QtDialogView.h"

#include "platform/base/EndRequest.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/ImageBridge.h"
#include "platform/ui/Menu.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/EndGuard.h"
#include "platform/ui/qt/QtApplication.h"
#include "platform/ui/qt/QtControls.h"
#include "platform/ui/qt/SigpipeHeld.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <QKeySequence>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <utility>

// QtGui's way in for a key as the window system delivers it, before the key event itself: the key is
// offered to the application's shortcuts (actions, access keys, the menu bar's Alt). The input for
// tests below delivers keys through it, as a keyboard does.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* receiver, ulong timestamp, int key,
                                               Qt::KeyboardModifiers modifiers,
                                               const QString& text = QString(), bool autoRepeat = false,
                                               ushort count = 1);

namespace vq::qtview {
namespace {

QString Q(const CString& s) {
    return QString::fromUtf8(s.c_str(), s.GetLength());
}
CString C(const QString& s) {
    return CString(s.toUtf8().toStdString());
}

class DialogBinding;

// Every binding of the view, by the serial number of its window.
// Kept for the program's life: windows still open at exit are not torn down.
std::map<std::uint64_t, std::unique_ptr<Binding>>& Bindings() {
    static auto* bindings = new std::map<std::uint64_t, std::unique_ptr<Binding>>();
    return *bindings;
}

Binding* BindingOf(const CWnd& window) {
    auto it = Bindings().find(window.GetSerial());
    return it == Bindings().end() ? nullptr : it->second.get();
}

// The widget of the window that has the keyboard focus, or would have it once the window is
// active (a window shown off screen may never be).
QWidget* FocusIn(QWidget* window) {
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus->window() == window)
        return focus;
    return window ? window->focusWidget() : nullptr;
}

// The window whose widget holds the keyboard focus (or contains it) in this window, if any.
CWnd* FocusedWindow(QWidget* window) {
    for (QWidget* w = FocusIn(window); w; w = w->parentWidget())
        for (auto& [serial, binding] : Bindings())
            if (binding->Widget() == w)
                return &binding->Window();
    return nullptr;
}

// ---- The dialog window -----------------------------------------------------------------------

// The client area a window has on the smallest screen the users work on, 1024×768, less the task
// bar and the window's frame and title bar; and that frame and title bar. Both in the screen's own
// pixels, which a scale (QT_SCALE_FACTOR, the desktop's 125 %) makes more than one of the view's.
const QSize kSmallestScreenClient(1014, 698);
const QSize kWindowFrame(10, 30);

// The largest client area a dialog takes, in the view's pixels: the smallest screen's at the scale
// of the screen the window opens on (at 125 %, 811×558), and where a person sees the windows no
// more than that screen's work area leaves inside the window's frame.
QSize ScreenClient(const QWidget* window) {
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return kSmallestScreenClient;
    const double scale = std::max(1.0, screen->devicePixelRatio());
    auto inView = [scale](QSize size) {
        return QSize(static_cast<int>(size.width() / scale), static_cast<int>(size.height() / scale));
    };
    QSize client = inView(kSmallestScreenClient);
    if (vq::QtReachesAPerson())
        client = client.boundedTo(screen->availableGeometry().size() - inView(kWindowFrame));
    return client.expandedTo(QSize(1, 1));
}
// The least height a list, tree, multi-line field or painted window keeps when a dialog is
// squeezed to fit, and the least width.
constexpr int kSqueezedHeight = 72;
constexpr int kSqueezedWidth = 120;

// Nested layouts, and the frames holding them, keep the sizes they computed until each is
// invalidated: the window's own layout alone would go on using the rows' old sizes.
void InvalidateLayouts(QWidget* window) {
    for (QLayout* layout : window->findChildren<QLayout*>()) {
        layout->invalidate();
        if (QWidget* frame = layout->parentWidget(); frame && frame != window)
            frame->updateGeometry();
    }
    if (window->layout())
        window->layout()->invalidate();
}

// The least height a list, tree, multi-line field or painted window was given before a dialog
// squeezed it.
const char kNaturalHeight[] = "vqNaturalHeight";
// Marks the widget of a painted window (a drawing viewer, a chart): it shows what fits its size.
const char kPaintedWindow[] = "vqPaintedWindow";

// Shortens (or narrows) the widgets chosen, each in proportion to what it has above the least
// size, until the window's controls need no more than `limit`; false when there was nothing to
// take.
bool Squeeze(QWidget* window, Qt::Orientation side, int limit, bool painted) {
    const bool vertical = side == Qt::Vertical;
    auto length = [vertical](QSize size) { return vertical ? size.height() : size.width(); };
    auto least = [vertical](QWidget* w) { return vertical ? w->minimumHeight() : w->minimumWidth(); };
    const int floor = vertical ? kSqueezedHeight : kSqueezedWidth;
    const int excess = length(window->minimumSizeHint()) - limit;
    if (excess <= 0)
        return false;
    std::vector<QWidget*> squeezed;
    int spare = 0;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        const bool kind = painted ? child->property(kPaintedWindow).toBool()
                                  : qobject_cast<QAbstractScrollArea*>(child) != nullptr;
        if (kind && child->isVisibleTo(window) && least(child) > floor) {
            squeezed.push_back(child);
            spare += least(child) - floor;
        }
    }
    if (spare <= 0)
        return false;
    const double share = std::min(1.0, static_cast<double>(excess) / spare);
    for (QWidget* child : squeezed) {
        const int taken = static_cast<int>(std::ceil((least(child) - floor) * share));
        if (vertical) {
            if (!child->property(kNaturalHeight).isValid())
                child->setProperty(kNaturalHeight, child->minimumHeight());
            child->setMinimumHeight(child->minimumHeight() - taken);
        } else {
            child->setMinimumWidth(child->minimumWidth() - taken);
        }
    }
    // The window takes its new least size when its layout is activated.
    InvalidateLayouts(window);
    if (window->layout())
        window->layout()->activate();
    return true;
}

// A dialog whose controls need more height than it may take (the screen's, or less) shortens its
// lists, trees and multi-line fields, each in proportion to what it has above the least height,
// until the dialog fits; when that is not enough (at a scale of the screen that leaves fewer of
// the view's pixels), its painted windows as well.
void FitHeight(QWidget* window, int limit) {
    if (!Squeeze(window, Qt::Vertical, limit, false) && window->minimumSizeHint().height() <= limit)
        return;
    Squeeze(window, Qt::Vertical, limit, true);
    if (window->height() > limit)
        window->resize(window->width(), std::max(limit, window->minimumSizeHint().height()));
}

// The same across: a dialog wider than the screen leaves narrows its lists, trees and painted
// windows (a list scrolls sideways, a viewer shows less at once).
void FitWidth(QWidget* window, int limit) {
    if (!Squeeze(window, Qt::Horizontal, limit, false) && window->minimumSizeHint().width() <= limit)
        return;
    Squeeze(window, Qt::Horizontal, limit, true);
    if (window->width() > limit)
        window->resize(std::max(limit, window->minimumSizeHint().width()), window->height());
}

// Names the scroll area that holds the rows of a dialog too large for the screen.
const char kScrolledRows[] = "vqScrolledRows";

// The rows of a dialog too large for the screen, scrolled up and down; across only when they need
// more than the screen's width: the area is as wide as the rows beside its scroll bar, within
// `widest`, and follows the rows as they change.
class ScrolledRows : public QScrollArea {
public:
    ScrolledRows(QWidget* parent, int widest) : QScrollArea(parent), m_widest(widest) {}

    // The width the rows need beside the scroll bar, when the screen has it; else 0.
    int RowsAcross() const {
        const QWidget* rows = widget();
        const int across = rows ? rows->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width() +
                                      2 * frameWidth()
                                : 0;
        return across <= m_widest ? across : 0;
    }
    QSize minimumSizeHint() const override {
        return QScrollArea::minimumSizeHint().expandedTo(QSize(RowsAcross(), 0));
    }
    // Rows that fit across never scroll sideways.
    void FollowRows() {
        setHorizontalScrollBarPolicy(RowsAcross() > 0 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
        updateGeometry();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == widget() && e->type() == QEvent::LayoutRequest)
            FollowRows();
        return QScrollArea::eventFilter(watched, e);
    }

private:
    int m_widest;
};

// A dialog that needs more room than the screen has even with its lists and painted windows at
// their least sizes scrolls: the rows above its final row of buttons go into a scroll area, so that
// those buttons (确定, 取消) stay in sight and every other control is reached by scrolling (the
// area follows the keyboard focus). The window then takes the screen's room. True when the rows
// scroll (now or since before).
bool ScrollWhatDoesNotFit(QWidget* window, QSize screen) {
    if (window->findChild<QScrollArea*>(kScrolledRows, Qt::FindDirectChildrenOnly))
        return true;
    const QSize need = window->minimumSizeHint();
    auto* outer = qobject_cast<QBoxLayout*>(window->layout());
    if ((need.width() <= screen.width() && need.height() <= screen.height()) || !outer || outer->count() == 0)
        return false;
    QLayout* body = outer->itemAt(0)->layout();
    if (!body)
        return false;
    const int stretch = outer->stretch(0);
    outer->takeAt(0);
    body->setParent(nullptr);
    // The window's margins stay around the scroll area; the standard gap before its scroll bar.
    body->setContentsMargins(0, 0, 6, 0);
    auto* rows = new QWidget();
    rows->setLayout(body); // takes the rows' widgets along
    const QMargins margins = outer->contentsMargins();
    auto* scroll = new ScrolledRows(window, screen.width() - margins.left() - margins.right());
    scroll->setObjectName(QString::fromLatin1(kScrolledRows));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(rows);
    scroll->FollowRows();
    outer->insertWidget(0, scroll, stretch);
    InvalidateLayouts(window);
    outer->activate();
    window->resize(window->size().expandedTo(need).boundedTo(screen).expandedTo(window->minimumSizeHint()));
    return true;
}

void FitToScreen(QWidget* window) {
    const QSize screen = ScreenClient(window);
    FitWidth(window, screen.width());
    FitHeight(window, screen.height());
    ScrollWhatDoesNotFit(window, screen);
}

// Gives the lists, trees and multi-line fields that a dialog squeezed their natural heights back.
void RestoreNaturalHeights(QWidget* window) {
    for (QWidget* child : window->findChildren<QWidget*>()) {
        const QVariant natural = child->property(kNaturalHeight);
        if (natural.isValid())
            child->setMinimumHeight(natural.toInt());
    }
    InvalidateLayouts(window);
}

// The widgets of a dialog's controls that are shown (not hidden), in a fixed order.
std::vector<QWidget*> ShownOf(const std::vector<QPointer<QWidget>>& controls) {
    std::vector<QWidget*> shown;
    for (const QPointer<QWidget>& w : controls)
        if (w && !w->isHidden())
            shown.push_back(w);
    std::sort(shown.begin(), shown.end());
    return shown;
}

// The height the hidden controls add to the least height of a dialog when they are shown.
int HiddenControlsHeight(QWidget* window, const std::vector<QPointer<QWidget>>& controls) {
    std::vector<QWidget*> hidden;
    for (const QPointer<QWidget>& w : controls)
        if (w && w->isHidden())
            hidden.push_back(w);
    if (hidden.empty())
        return 0;
    InvalidateLayouts(window);
    const int without = window->minimumSizeHint().height();
    for (QWidget* w : hidden)
        w->setHidden(false);
    InvalidateLayouts(window);
    const int with = window->minimumSizeHint().height();
    for (QWidget* w : hidden)
        w->setHidden(true);
    InvalidateLayouts(window);
    return std::max(0, with - without);
}

class DialogWindow : public QDialog {
public:
    explicit DialogWindow(QWidget* parent) : QDialog(parent) {}
    CDialog* dialog = nullptr;
    std::uint64_t serial = 0;

    // The widgets of the controls laid out in the dialog (not the placeholders others cover).
    const std::vector<QPointer<QWidget>>& Controls() const { return m_controls; }
    void AddControl(QWidget* control) {
        m_controls.push_back(control);
        control->installEventFilter(this);
    }
    // Starts following which controls are shown: those shown now, and the least height they need
    // with lists at their natural heights.
    void FollowShownControls(int naturalLeastHeight) {
        m_shown = ShownOf(m_controls);
        m_leastHeight = naturalLeastHeight;
        m_following = true;
    }

protected:
    bool Alive() const { return dialog && ::IsWindow(dialog) && dialog->GetSerial() == serial; }

    // The close box: the dialog decides (OnClose); it closes by ending itself. Qt hears that the
    // window closed when it did: a program that quits its application closes every window first,
    // and stays running when one of them says it did not.
    void closeEvent(QCloseEvent* e) override {
        if (!Alive()) {
            e->accept();
            return;
        }
        e->ignore();
        dialog->SendMessage(WM_CLOSE);
        if (!Alive() || !isVisible())
            e->accept();
    }
    // Qt's own Escape and Enter handling is replaced by the dialog's (through its keys).
    void reject() override {}
    void accept() override {}
    void keyPressEvent(QKeyEvent* e) override {
        if (!Alive())
            return QDialog::keyPressEvent(e);
        UINT key = 0;
        switch (e->key()) {
        case Qt::Key_Escape:
            key = VK_ESCAPE;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            key = VK_RETURN;
            break;
        case Qt::Key_Delete:
            key = VK_DELETE;
            break;
        case Qt::Key_Insert:
            key = VK_INSERT;
            break;
        case Qt::Key_F2:
            key = VK_F2;
            break;
        case Qt::Key_F5:
            key = VK_F5;
            break;
        default:
            return QDialog::keyPressEvent(e);
        }
        CWnd* target = FocusedWindow(this);
        if (!target || target->GetTopLevelParent() != dialog)
            target = dialog;
        vq::PressKey(*target, key);
    }
    void resizeEvent(QResizeEvent* e) override;

public:
    // The window is to be active once it is back from being minimised.
    void ActivateWhenBack() {
        m_activateWhenBack = true;
        QTimer::singleShot(300, this, [this] { ActivateIfBack(); });
    }

protected:
    // A window that takes no input while a window it owns works (the dialog a transfer serves, and
    // the transfer's window) goes and comes back with it: minimising one minimises the other, and
    // restoring either (from its taskbar entry) restores both, the owned window in front. So a
    // window manager that minimises a window with the one over it never leaves one of them behind.
    // A person who comes back to the waiting window finds the owned window in front of it.
    void changeEvent(QEvent* e) override {
        QDialog::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange) {
            // The platform reports each change of state after it happened, also those made here:
            // the others follow once the changes have settled, so that a late report of an earlier
            // state does not send the windows back and forth.
            // The window that changed last leads.
            const bool was = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
            if (was != isMinimized()) {
                Leader() = this;
                FollowTimer()->start(150);
            }
            if (m_activateWhenBack && !isMinimized())
                QTimer::singleShot(0, this, [this] { ActivateIfBack(); });
        } else if (e->type() == QEvent::ActivationChange && isActiveWindow() && m_activateWhenBack) {
            m_activateWhenBack = false;
        } else if (e->type() == QEvent::ActivationChange && isActiveWindow() && Waits()) {
            // A window manager activates the waiting window for a moment as the owned window is
            // minimised, before it minimises the waiting one too: only a waiting window that stays
            // active and shown brings back an owned window that is minimised.
            RaiseOwned(false);
            QTimer::singleShot(600, this, [this] {
                if (isActiveWindow() && !isMinimized() && Waits())
                    RaiseOwned(true);
            });
        }
    }
    // The height the window had when the first control was shown or hidden since its layout last
    // took its place (its layout may make it grow before the window hears of the change).
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (m_following && m_heightBefore == 0 &&
            (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent))
            m_heightBefore = height();
        return QDialog::eventFilter(watched, e);
    }
    // Controls shown later may ask for more room than the screen has.
    bool event(QEvent* e) override {
        const bool handled = QDialog::event(e);
        if (e->type() == QEvent::LayoutRequest) {
            if (const int before = std::exchange(m_heightBefore, 0))
                HeightFollowsShownControls(before);
            FitToScreen(this);
        }
        return handled;
    }

private:
    void ActivateIfBack() {
        QWidget* modal = QApplication::activeModalWidget();
        if (m_activateWhenBack && isVisible() && !isMinimized() && !isActiveWindow() &&
            (!modal || modal == this))
            activateWindow();
    }
    static QWidget* OwnerOf(QWidget* window) {
        return window->parentWidget() ? window->parentWidget()->window() : nullptr;
    }
    // The window whose minimised state changed last, and the timer after which the windows that go
    // with it follow it.
    static QPointer<DialogWindow>& Leader() {
        static auto* leader = new QPointer<DialogWindow>();
        return *leader;
    }
    static QTimer* FollowTimer() {
        static QPointer<QTimer> timer;
        if (!timer) {
            timer = new QTimer(QCoreApplication::instance());
            timer->setSingleShot(true);
            QObject::connect(timer, &QTimer::timeout, [] {
                if (DialogWindow* leader = Leader())
                    leader->FollowMinimised(leader->isMinimized());
            });
        }
        return timer;
    }
    // The dialog's code has disabled it (CWnd::EnableWindow) while a window it owns works.
    bool Waits() const { return Alive() && !dialog->IsWindowEnabled(); }
    static void SetMinimised(QWidget* window, bool minimised) {
        if (window->isMinimized() != minimised)
            window->setWindowState(minimised ? window->windowState() | Qt::WindowMinimized
                                             : window->windowState() & ~Qt::WindowMinimized);
    }
    std::vector<QWidget*> ShownOwnedWindows() const {
        std::vector<QWidget*> owned;
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isWindow() && child->isVisible() && dynamic_cast<DialogWindow*>(child))
                owned.push_back(child);
        return owned;
    }
    void FollowMinimised(bool minimised) {
        if (auto* owner = dynamic_cast<DialogWindow*>(OwnerOf(this)); owner && owner->Waits())
            SetMinimised(owner, minimised);
        if (!Waits())
            return;
        for (QWidget* owned : ShownOwnedWindows())
            SetMinimised(owned, minimised);
        if (!minimised)
            RaiseOwned(true);
    }
    // Raises the windows this one owns that are shown (restoring those that are minimised when
    // asked) over it, and makes the newest of them active.
    void RaiseOwned(bool restoreMinimised) {
        QWidget* newest = nullptr;
        for (QWidget* owned : ShownOwnedWindows()) {
            if (owned->isMinimized() && !restoreMinimised)
                continue;
            SetMinimised(owned, false);
            owned->raise();
            newest = owned;
        }
        if (newest)
            newest->activateWindow();
    }

    // Controls that appear (a form's lower part expanded) make the window taller by the room they
    // need, within the screen; controls that go make it shorter by the room they needed, so that
    // showing and hiding switch between two heights. Controls that take each other's place (a list
    // for a tree) leave the height as it was.
    void HeightFollowsShownControls(int heightBefore) {
        std::vector<QWidget*> now = ShownOf(m_controls);
        if (now == m_shown)
            return;
        std::vector<QWidget*> appeared, went;
        std::set_difference(now.begin(), now.end(), m_shown.begin(), m_shown.end(),
                            std::back_inserter(appeared));
        std::set_difference(m_shown.begin(), m_shown.end(), now.begin(), now.end(), std::back_inserter(went));
        m_shown = std::move(now);
        const int before = m_leastHeight;
        RestoreNaturalHeights(this);
        m_leastHeight = minimumSizeHint().height();
        if (isMaximized() || isFullScreen())
            return; // the screen's size stays
        int target = heightBefore;
        if (appeared.empty() != went.empty())
            target = std::clamp(heightBefore + m_leastHeight - before, 0, ScreenClient(this).height());
        FitHeight(this, target);
        resize(width(), std::max(target, minimumSizeHint().height()));
    }

    bool m_activateWhenBack = false;
    std::vector<QPointer<QWidget>> m_controls;
    std::vector<QWidget*> m_shown;
    int m_leastHeight = 0;
    int m_heightBefore = 0;
    bool m_following = false;
};

// Input to a dialog that its code has disabled goes nowhere, while the windows it owns (a
// transfer's window modal to it) stay usable, as owned windows of a disabled window are. Its close
// box still reaches the dialog, which decides.
class DisabledDialogInput : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* top = widget ? dynamic_cast<DialogWindow*>(widget->window()) : nullptr;
        return top && top->dialog && ::IsWindow(top->dialog) && top->dialog->GetSerial() == top->serial &&
               !top->dialog->IsWindowEnabled();
    }
};

void BlockInputToDisabledDialogs() {
    static DisabledDialogInput* filter = nullptr;
    if (filter || !QCoreApplication::instance())
        return;
    filter = new DisabledDialogInput();
    QCoreApplication::instance()->installEventFilter(filter);
}

class DialogBinding : public Binding {
public:
    DialogBinding(CDialog& dialog, DialogWindow* window) : Binding(dialog, window), m_window(window) {
        window->dialog = &dialog;
        window->serial = dialog.GetSerial();
    }
    ~DialogBinding() override {
        if (m_window)
            m_window->dialog = nullptr;
    }

    // Null once the widget is gone (a window owned by another goes with its owner's widget).
    DialogWindow* DialogWidget() const { return m_window.data(); }
    std::vector<std::uint64_t>& Children() { return m_children; }
    // Set once the view has put the dialog on the screen; until then (while it is built, or
    // rendered for a picture) the dialog's visible style does not show it.
    bool shown = false;
    // Where controls created later are placed (before the bottom row of buttons).
    QGridLayout* grid = nullptr;
    int insertRow = 0;

    // Placeholders of the template (serial) whose place a window created in code took (serial).
    std::vector<std::pair<std::uint64_t, std::uint64_t>> coveredPlaceholders;

    bool ShowsChildWindows() const override { return false; }
    void ReportGeometry() override {
        for (std::uint64_t serial : m_children) {
            auto it = Bindings().find(serial);
            if (it != Bindings().end())
                it->second->ReportGeometry();
        }
        // A covered placeholder keeps the rectangle of the window over it, so that the two are
        // paired again when the dialog is built anew (a picture first, then the dialog shown).
        for (const auto& [placeholder, cover] : coveredPlaceholders) {
            auto p = Bindings().find(placeholder);
            auto c = Bindings().find(cover);
            if (p != Bindings().end() && c != Bindings().end() && p->second->Alive() && c->second->Alive())
                p->second->Window().ViewSetRect(c->second->Window().GetRectInParent());
        }
        // The dialog's own rectangle is in screen coordinates; its client area is the window.
        const QRect frame = m_window->geometry();
        Window().ViewSetRect(CRect(frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1));
    }

protected:
    void RefreshState() override;
    bool FollowsVisibility() const override { return shown; }

private:
    QPointer<DialogWindow> m_window;
    std::vector<std::uint64_t> m_children;
};

void DialogWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (Alive())
        if (Binding* b = BindingOf(*dialog))
            b->ReportGeometry();
}

// ---- Layout ----------------------------------------------------------------------------------

enum class Role { Label, Field, Button, Check, Fill, Frame, Other };

Role RoleOf(CWnd& window, const Binding& binding) {
    using K = vq::ControlKind;
    const vq::ControlTemplate* t = window.GetTemplate();
    if (t && (t->layout & vq::kFill))
        return Role::Fill;
    switch (window.GetControlKind()) {
    case K::Static:
        return (window.GetStyle() & 0x1F) == SS_ETCHEDHORZ ? Role::Other : Role::Label;
    case K::Edit:
    case K::ComboBox:
    case K::DropDownList:
    case K::DateTime:
    case K::Progress:
    case K::Spin:
        return binding.Expands() ? Role::Fill : Role::Field;
    case K::PushButton:
        return Role::Button;
    case K::CheckBox:
    case K::RadioButton:
        return Role::Check;
    case K::GroupBox:
        return Role::Frame;
    default:
        return binding.Expands() ? Role::Fill : Role::Other;
    }
}

// Sizes that make lists, trees and painted windows usable at first sight: the size their
// template gives them, else one of the kind's own.
void SetNaturalSize(CWnd& window, QWidget* widget) {
    using K = vq::ControlKind;
    const vq::ControlTemplate* t = window.GetTemplate();
    const CRect hint = t ? t->rect : CRect();
    if (window.GetControlKind() == K::Window)
        widget->setProperty(kPaintedWindow, true);
    const bool sized = !hint.IsRectEmpty() &&
                       (window.GetControlKind() == K::Window || window.GetControlKind() == K::ListCtrl ||
                        window.GetControlKind() == K::TreeCtrl || window.GetControlKind() == K::ListBox);
    if (sized) {
        widget->setMinimumSize(hint.Width(), hint.Height());
        return;
    }
    switch (window.GetControlKind()) {
    case K::ListCtrl:
        widget->setMinimumSize(320, 150);
        break;
    case K::TreeCtrl:
        widget->setMinimumSize(240, 220);
        break;
    case K::ListBox:
        widget->setMinimumSize(180, 110);
        break;
    case K::Edit:
        if (window.GetStyle() & ES_MULTILINE)
            widget->setMinimumHeight(66);
        break;
    case K::RichEdit:
        widget->setMinimumHeight(90);
        break;
    default:
        break;
    }
}

struct Row {
    std::vector<Binding*> items;
    std::vector<Role> roles;
    bool AllButtons() const {
        return !roles.empty() &&
               std::all_of(roles.begin(), roles.end(), [](Role r) { return r == Role::Button; });
    }
    bool HasFill() const { return std::find(roles.begin(), roles.end(), Role::Fill) != roles.end(); }
    bool HasWide() const {
        return std::any_of(roles.begin(), roles.end(),
                           [](Role r) { return r == Role::Fill || r == Role::Field; });
    }
};

// The standard gap between controls (beside and below each other) and the dialog's margin, as a
// well-made Qt dialog has them.
constexpr int kGap = 6;
constexpr int kMargin = 11;

QHBoxLayout* NewRowBox() {
    auto* box = new QHBoxLayout();
    box->setSpacing(kGap);
    return box;
}

// A push button with a short text ("...", ">", "<<") beside a field is as wide as its text needs,
// not as wide as the buttons of a button row.
void FitSmallButton(Binding& b) {
    auto* button = qobject_cast<QPushButton*>(b.Widget());
    if (!button || b.Window().GetControlKind() != vq::ControlKind::PushButton)
        return;
    const QString text = ButtonText(b.Window().GetWindowTextValue().c_str());
    const int textWidth = button->fontMetrics().horizontalAdvance(text);
    if (text.isEmpty() || textWidth > 40)
        return;
    const int width = std::max(textWidth + 20, button->sizeHint().height());
    if (width < button->sizeHint().width())
        button->setFixedWidth(width);
}

// Adds the controls of a row from `from` to `to` to a box, fields and lists taking the width.
// Buttons that stand between two lists are stacked in a column between them, in the middle.
void AddRowItems(QHBoxLayout* box, const Row& row, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        const Role role = row.roles[i];
        if (role == Role::Button && i > from && row.roles[i - 1] == Role::Fill) {
            std::size_t end = i;
            while (end < to && row.roles[end] == Role::Button)
                ++end;
            if (end < to && row.roles[end] == Role::Fill) {
                auto* column = new QVBoxLayout();
                column->setSpacing(kGap);
                column->addStretch(1);
                for (std::size_t k = i; k < end; ++k)
                    column->addWidget(row.items[k]->Widget());
                column->addStretch(1);
                box->addLayout(column);
                i = end - 1;
                continue;
            }
        }
        if (role == Role::Button)
            FitSmallButton(*row.items[i]);
        // A label before a list stands at the list's top, as the label that opens a row does.
        if (role == Role::Label && i + 1 < to && row.roles[i + 1] == Role::Fill) {
            box->addWidget(row.items[i]->Widget(), 0, Qt::AlignTop);
            continue;
        }
        box->addWidget(row.items[i]->Widget(), role == Role::Field || role == Role::Fill ? 1 : 0);
    }
}

// The free height goes to the rows of lists and trees that are shown: a row whose lists are all
// hidden (a list standing in for a tree, say) gives up its share instead of leaving a blank.
class RowStretch : public QObject {
public:
    RowStretch(QGridLayout* grid, int row, std::vector<QWidget*> widgets)
        : QObject(grid), m_grid(grid), m_row(row), m_widgets(widgets.begin(), widgets.end()) {
        for (QWidget* w : widgets)
            w->installEventFilter(this);
        Update();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
            Update();
        return QObject::eventFilter(watched, event);
    }

private:
    void Update() {
        const bool shown = std::any_of(m_widgets.begin(), m_widgets.end(),
                                       [](const QPointer<QWidget>& w) { return w && !w->isHidden(); });
        if (m_grid)
            m_grid->setRowStretch(m_row, shown ? 1 : 0);
    }

    QPointer<QGridLayout> m_grid;
    int m_row;
    std::vector<QPointer<QWidget>> m_widgets;
};

// A separator line (an etched horizontal static) runs across its row.
bool IsHorizontalLine(const Binding& b) {
    const auto* frame = qobject_cast<const QFrame*>(b.Widget());
    return frame && frame->frameShape() == QFrame::HLine;
}

// Places one row in a grid of two columns (labels, fields).
void PlaceRow(QGridLayout* grid, int r, const Row& row, bool finalButtons) {
    if (row.AllButtons()) {
        QHBoxLayout* box = NewRowBox();
        if (finalButtons)
            box->addStretch(1);
        for (Binding* b : row.items)
            box->addWidget(b->Widget());
        if (!finalButtons)
            box->addStretch(1);
        grid->addLayout(box, r, 0, 1, 2);
        return;
    }
    if (row.items.size() >= 2 && row.roles[0] == Role::Label) {
        // Beside a field of several lines the label stands at its top.
        grid->addWidget(row.items[0]->Widget(), r, 0,
                        Qt::AlignLeft | (row.HasFill() ? Qt::AlignTop : Qt::AlignVCenter));
        QHBoxLayout* box = NewRowBox();
        AddRowItems(box, row, 1, row.items.size());
        if (!row.HasWide())
            box->addStretch(1);
        grid->addLayout(box, r, 1);
    } else if (row.items.size() == 1 && (row.roles[0] == Role::Fill || row.roles[0] == Role::Field ||
                                         IsHorizontalLine(*row.items[0]))) {
        grid->addWidget(row.items[0]->Widget(), r, 0, 1, 2);
    } else {
        QHBoxLayout* box = NewRowBox();
        AddRowItems(box, row, 0, row.items.size());
        if (!row.HasWide())
            box->addStretch(1);
        grid->addLayout(box, r, 0, 1, 2);
    }
    if (row.HasFill()) {
        std::vector<QWidget*> fills;
        for (std::size_t i = 0; i < row.items.size(); ++i)
            if (row.roles[i] == Role::Fill)
                fills.push_back(row.items[i]->Widget());
        new RowStretch(grid, r, fills);
    }
}

QGridLayout* NewGrid() {
    auto* grid = new QGridLayout();
    grid->setSpacing(kGap);
    grid->setColumnStretch(1, 1);
    return grid;
}

// The controls of the column on the right, one row under the other from the top; lists in it
// share its height, else the rows stay at the top.
QVBoxLayout* NewRightColumn(const std::vector<Row>& rows) {
    auto* column = new QVBoxLayout();
    column->setSpacing(kGap);
    bool fills = false;
    for (const Row& row : rows) {
        const int stretch = row.HasFill() ? 1 : 0;
        fills = fills || row.HasFill();
        if (row.items.size() == 1) {
            column->addWidget(row.items[0]->Widget(), stretch);
            continue;
        }
        QHBoxLayout* box = NewRowBox();
        AddRowItems(box, row, 0, row.items.size());
        if (!row.HasWide())
            box->addStretch(1);
        column->addLayout(box, stretch);
    }
    if (!fills)
        column->addStretch(1);
    return column;
}

// Lays the controls out: labels beside their fields, lists and trees taking the free space,
// push buttons in rows (the last row at the bottom right), group frames around what follows them,
// and the controls marked for the column on the right in that column beside all the rest.
void LayOut(DialogBinding& dialog, const std::vector<Binding*>& controls) {
    std::vector<Row> rows;
    std::vector<Row> rightColumn;
    bool labelOpen = false;
    for (Binding* b : controls) {
        CWnd& w = b->Window();
        const Role role = RoleOf(w, *b);
        const vq::ControlTemplate* t = w.GetTemplate();
        const bool beside = t && (t->layout & vq::kBeside);
        if (t && (t->layout & vq::kRightColumn)) {
            if (rightColumn.empty() || !beside)
                rightColumn.push_back(Row{});
            rightColumn.back().items.push_back(b);
            rightColumn.back().roles.push_back(role);
            continue;
        }
        if (!rows.empty() && beside) {
            rows.back().items.push_back(b);
            rows.back().roles.push_back(role);
        } else if (!rows.empty() && labelOpen &&
                   (role == Role::Field ||
                    (role == Role::Fill && (w.GetControlKind() == vq::ControlKind::Edit ||
                                            w.GetControlKind() == vq::ControlKind::RichEdit)))) {
            rows.back().items.push_back(b);
            rows.back().roles.push_back(role);
            labelOpen = false;
            continue;
        } else {
            rows.push_back(Row{{b}, {role}});
        }
        labelOpen = rows.back().items.size() == 1 && role == Role::Label;
    }
    // Buttons one under the other become one row of buttons.
    std::vector<Row> merged;
    for (Row& row : rows) {
        if (!merged.empty() && row.AllButtons() && merged.back().AllButtons()) {
            merged.back().items.insert(merged.back().items.end(), row.items.begin(), row.items.end());
            merged.back().roles.insert(merged.back().roles.end(), row.roles.begin(), row.roles.end());
        } else {
            merged.push_back(std::move(row));
        }
    }
    const bool finalBar = !merged.empty() && merged.back().AllButtons();

    auto* outer = new QVBoxLayout(dialog.Widget());
    outer->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    outer->setSpacing(kGap * 2);
    QGridLayout* top = NewGrid();
    if (rightColumn.empty()) {
        outer->addLayout(top, 1);
    } else {
        auto* sides = new QHBoxLayout();
        sides->setSpacing(kGap * 2);
        sides->addLayout(top, 1);
        sides->addLayout(NewRightColumn(rightColumn));
        outer->addLayout(sides, 1);
    }
    int topRow = 0, frameRow = 0, frameTopRow = 0;
    bool topHasFill = false;
    QGridLayout* frameGrid = nullptr;
    const std::size_t body = finalBar ? merged.size() - 1 : merged.size();
    for (std::size_t i = 0; i < body; ++i) {
        const Row& row = merged[i];
        if (row.items.size() == 1 && row.roles[0] == Role::Frame) {
            // A group frame holds the rows after it, up to the next frame.
            auto* frame = static_cast<QGroupBox*>(row.items[0]->Widget());
            frameGrid = NewGrid();
            frame->setLayout(frameGrid);
            frameTopRow = topRow++;
            top->addWidget(frame, frameTopRow, 0, 1, 2);
            frameRow = 0;
            continue;
        }
        if (frameGrid) {
            PlaceRow(frameGrid, frameRow++, row, false);
            if (row.HasFill()) {
                top->setRowStretch(frameTopRow, 1);
                topHasFill = true;
            }
        } else {
            PlaceRow(top, topRow++, row, false);
            topHasFill = topHasFill || row.HasFill();
        }
    }
    if (!topHasFill)
        top->setRowStretch(topRow, 1); // the rows stay at the top when the dialog grows
    dialog.grid = top;
    dialog.insertRow = topRow;
    if (finalBar) {
        auto* bar = new QGridLayout();
        PlaceRow(bar, 0, merged.back(), true);
        outer->addLayout(bar);
    }
}

// ---- Building and forgetting dialogs ---------------------------------------------------------

// Forgets the binding of a window and those of the windows shown over it.
void Forget(std::uint64_t serial) {
    auto it = Bindings().find(serial);
    if (it == Bindings().end())
        return;
    const std::vector<std::uint64_t> children = it->second->ChildWindows();
    Bindings().erase(it);
    for (std::uint64_t child : children)
        Forget(child);
}

// Forgets a binding and takes its widget off the screen (deleted once Qt is back in its loop, as
// the widget's own event handling may still be running).
void Remove(std::uint64_t serial) {
    auto found = Bindings().find(serial);
    if (found == Bindings().end())
        return;
    QPointer<QWidget> widget = found->second->Widget();
    Forget(serial);
    if (widget) {
        widget->hide();
        widget->deleteLater();
    }
}

// Puts a control that appeared after the dialog was built at the end of its rows.
void AddLateControl(DialogBinding& dialog, CWnd& child) {
    Binding* b = CreateBinding(child, dialog.Widget());
    Bindings()[child.GetSerial()].reset(b);
    dialog.Children().push_back(child.GetSerial());
    SetNaturalSize(child, b->Widget());
    if (DialogWindow* window = dialog.DialogWidget())
        window->AddControl(b->Widget());
    if (dialog.grid) {
        dialog.grid->addWidget(b->Widget(), dialog.insertRow, 0, 1, 2);
        if (b->Expands())
            dialog.grid->setRowStretch(dialog.insertRow, 1);
        ++dialog.insertRow;
    }
    b->Refresh();
    b->Widget()->show();
}

void DialogBinding::RefreshState() {
    auto& dialog = static_cast<CDialog&>(Window());
    const QString caption = Q(dialog.GetWindowTextValue());
    if (m_window->windowTitle() != caption)
        m_window->setWindowTitle(caption);
    // Controls that went away lose their widgets; new ones get theirs.
    std::set<std::uint64_t> present;
    for (CWnd* child : dialog.GetChildren())
        present.insert(child->GetSerial());
    for (auto it = m_children.begin(); it != m_children.end();) {
        if (!present.count(*it)) {
            Remove(*it);
            it = m_children.erase(it);
        } else {
            ++it;
        }
    }
    for (CWnd* child : dialog.GetChildren())
        if (std::find(m_children.begin(), m_children.end(), child->GetSerial()) == m_children.end())
            AddLateControl(*this, *child);
}

// The window whose widget is this one or holds it, if any.
CWnd* WindowOfWidget(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        for (auto& [serial, binding] : Bindings())
            if (binding->Widget() == w)
                return binding->Alive() ? &binding->Window() : nullptr;
    return nullptr;
}

// The keyboard focus left the widget of a window shown over its parent control (an editor over a
// cell) for another widget of ours, by a click or by Tab: the window loses the focus as it would
// under the mouse and keyboard of the system, which ends an edit.
void FocusMoved(QWidget* old, QWidget* now) {
    if (!old || !now)
        return;
    CWnd* left = WindowOfWidget(old);
    Binding* leftBinding = left ? BindingOf(*left) : nullptr;
    if (!leftBinding || !leftBinding->PlacedOverParent() || CWnd::GetFocus() != left)
        return;
    CWnd* target = WindowOfWidget(now);
    if (target && target != left)
        target->SetFocus();
}

void FollowFocus() {
    static bool following = false;
    if (following || !qApp)
        return;
    following = true;
    QObject::connect(qApp, &QApplication::focusChanged, qApp, &FocusMoved);
}

// Windows that a control shows over itself: every child but the header of a report list, which
// its widget shows.
bool ShownOverControl(const CWnd& child) {
    return child.GetControlKind() != vq::ControlKind::Header &&
           child.GetControlKind() != vq::ControlKind::Dialog;
}

} // namespace

void ShowChildWindows(Binding& control) {
    if (!control.Widget() || !control.Alive())
        return;
    CWnd& window = control.Window();
    std::vector<std::uint64_t>& shown = control.ChildWindows();
    std::set<std::uint64_t> present;
    for (CWnd* child : window.GetChildren())
        if (ShownOverControl(*child))
            present.insert(child->GetSerial());
    for (auto it = shown.begin(); it != shown.end();) {
        if (!present.count(*it)) {
            Remove(*it);
            it = shown.erase(it);
        } else {
            ++it;
        }
    }
    // Children copied first: creating a widget may run code that changes the family.
    const std::vector<CWnd*> children = window.GetChildren();
    const std::uint64_t serial = control.Serial();
    for (CWnd* child : children) {
        if (Bindings().find(serial) == Bindings().end() || !::IsWindow(&window) ||
            window.GetSerial() != serial)
            return; // the control went away meanwhile
        if (!::IsWindow(child) || child->GetParent() != &window || !ShownOverControl(*child) ||
            BindingOf(*child))
            continue;
        Binding* b = CreateBinding(*child, control.Widget());
        const std::uint64_t childSerial = child->GetSerial();
        Bindings()[childSerial].reset(b);
        control.ChildWindows().push_back(childSerial);
        b->SetPlacedOverParent();
        FollowFocus();
        QPointer<QWidget> widget = b->Widget();
        b->Refresh();
        if (!widget || Bindings().find(childSerial) == Bindings().end())
            continue;
        widget->raise();
        if (CWnd::GetFocus() == child && widget->isVisible())
            widget->setFocus();
    }
}

namespace {

// The size a dialog's layout asks for when its lists, trees, multi-line fields and painted windows
// count with the natural sizes given to them (SetNaturalSize) rather than Qt's generous default
// for scrolling widgets (256×192 each), which stacked up makes a dialog taller than a screen. The
// dialog's own size then gives the room it has to them. A report list counts with its natural
// width, not with that of its columns: a list of many columns scrolls sideways rather than
// widening its dialog, which opens as wide as its template and the texts of its rows ask.
QSize NaturalSize(QWidget* window) {
    std::vector<std::pair<QWidget*, QSize>> bounded;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractScrollArea*>(child))
            continue;
        // Only the sides a natural size was given for; the other keeps Qt's hint.
        const QSize least = child->minimumSize();
        if (least.width() <= 0 && least.height() <= 0)
            continue;
        bounded.emplace_back(child, child->maximumSize());
        const QSize floor = least.expandedTo(child->minimumSizeHint());
        child->setMaximumSize(least.width() > 0 ? floor.width() : child->maximumWidth(),
                              least.height() > 0 ? floor.height() : child->maximumHeight());
    }
    InvalidateLayouts(window);
    const QSize size = window->sizeHint();
    for (auto& [child, maximum] : bounded)
        child->setMaximumSize(maximum);
    InvalidateLayouts(window);
    return size;
}

// The controls that take the width of a row with a report list share it in proportion to the
// width each asks for (a report list: that of its columns; lists, trees and list boxes: their
// natural width; other controls: their own hint), rather than equally, so that a list of many
// columns beside a tree or a panel gets the room to show them.
void ShareRowsByNaturalWidths(QWidget* window) {
    for (QBoxLayout* box : window->findChildren<QBoxLayout*>()) {
        std::vector<std::pair<QWidget*, int>> shares;
        bool columns = false;
        for (int i = 0; i < box->count(); ++i) {
            QWidget* widget = box->itemAt(i)->widget();
            if (!widget || box->stretch(i) == 0)
                continue;
            const int natural = NaturalWidthOf(widget);
            columns = columns || natural > 0;
            const int hint = qobject_cast<QAbstractItemView*>(widget) ? 0 : widget->sizeHint().width();
            shares.emplace_back(widget, std::max({1, widget->minimumWidth(), natural, hint}));
        }
        if (columns && shares.size() > 1)
            for (const auto& [widget, share] : shares)
                box->setStretchFactor(widget, share);
    }
}

// A window without a caption (WS_CAPTION is two bits: WS_BORDER alone is none) has no title bar.
bool HasTitleBar(const CWnd& window) {
    return (window.GetStyle() & WS_CAPTION) == WS_CAPTION;
}

DialogBinding* Build(CDialog& dialog, QWidget* parent) {
    EnsureQtApplication();
    BlockInputToDisabledDialogs();
    auto* window = new DialogWindow(parent);
    auto* binding = new DialogBinding(dialog, window);
    Bindings()[dialog.GetSerial()].reset(binding);
    // A dialog over another window is kept with it by the window manager, and some window managers
    // give it no taskbar entry of its own: the person finds it through its owner's. A window without
    // an owner, and one that asks for an entry of its own (a progress window, which a person may
    // minimise by itself), is a window of its own to the window manager, with its own entry.
    if (!parent || (dialog.GetExStyle() & WS_EX_APPWINDOW))
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
    window->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // A dialog without a caption (a progress window) has no title bar.
    if (!HasTitleBar(dialog))
        window->setWindowFlag(Qt::FramelessWindowHint, true);
    QFont font = window->font();
    font.setFamilies({QString::fromUtf8(vq::DefaultFontFace())});
    font.setPixelSize(vq::kViewFontPixels);
    window->setFont(font);

    // Controls created in code over a placeholder of the template take the placeholder's place.
    std::vector<CWnd*> order;
    std::vector<CWnd*> late;
    for (CWnd* child : dialog.GetChildren())
        (child->GetTemplate() ? order : late).push_back(child);
    std::vector<CWnd*> hiddenPlaceholders;
    for (CWnd* child : late) {
        auto at = std::find_if(order.begin(), order.end(), [&](CWnd* c) {
            return !child->GetRectInParent().IsRectEmpty() &&
                   c->GetRectInParent() == child->GetRectInParent();
        });
        if (at != order.end()) {
            hiddenPlaceholders.push_back(*at);
            binding->coveredPlaceholders.emplace_back((*at)->GetSerial(), child->GetSerial());
            order.insert(at + 1, child);
        } else {
            order.push_back(child);
        }
    }
    std::vector<Binding*> controls;
    for (CWnd* child : order) {
        Binding* b = CreateBinding(*child, window);
        Bindings()[child->GetSerial()].reset(b);
        binding->Children().push_back(child->GetSerial());
        SetNaturalSize(*child, b->Widget());
        controls.push_back(b);
        if (std::find(hiddenPlaceholders.begin(), hiddenPlaceholders.end(), child) ==
            hiddenPlaceholders.end())
            window->AddControl(b->Widget());
    }
    LayOut(*binding, controls);
    binding->Refresh();
    for (Binding* b : controls)
        b->Refresh();
    ShareRowsByNaturalWidths(window);
    for (CWnd* placeholder : hiddenPlaceholders)
        if (Binding* b = BindingOf(*placeholder))
            b->Widget()->hide();

    const vq::DialogTemplate* t = dialog.GetDialogTemplate();
    window->adjustSize();
    // Dialogs with lists, trees or painted windows get room to show them.
    const bool roomy = std::any_of(controls.begin(), controls.end(), [](Binding* b) { return b->Expands(); });
    QSize size = NaturalSize(window).expandedTo(QSize(roomy ? 460 : 280, 0));
    // A dialog without lists or trees keeps the height its rows need: a taller one would only
    // add empty space above its buttons.
    if (t && t->size.cx > 0 && t->size.cy > 0)
        size = size.expandedTo(QSize(t->size.cx, roomy ? t->size.cy : 0));
    // Controls it keeps hidden for now (a lower part, a panel) have their room kept on the screen,
    // so that showing them makes the window taller, not its lists shorter (up to half the screen).
    const int hidden = HiddenControlsHeight(window, window->Controls());
    const QSize screen = ScreenClient(window);
    const int limit = screen.height() - std::min(hidden, screen.height() / 2);
    window->FollowShownControls(window->minimumSizeHint().height());
    FitWidth(window, screen.width());
    FitHeight(window, limit);
    // Rows that scroll have the screen's height: showing the hidden controls needs no room kept.
    const bool scrolls = ScrollWhatDoesNotFit(window, screen);
    window->resize(size.boundedTo(QSize(screen.width(), scrolls ? screen.height() : limit))
                       .expandedTo(window->minimumSizeHint()));
    return binding;
}

// Removes the widgets of a dialog; `later` when the dialog's own event handling may still be running.
void ForgetDialog(std::uint64_t dialogSerial, bool later) {
    auto it = Bindings().find(dialogSerial);
    if (it == Bindings().end())
        return;
    auto* binding = static_cast<DialogBinding*>(it->second.get());
    QWidget* widget = binding->DialogWidget();
    // The windows this one owns (modeless windows created over it) are Qt children of its widget
    // and go with it: they are forgotten first, so that no binding is left with deleted widgets
    // when such a window is destroyed after its owner.
    if (widget) {
        std::vector<std::uint64_t> owned;
        for (const auto& [serial, other] : Bindings()) {
            auto* dialogBinding = dynamic_cast<DialogBinding*>(other.get());
            QWidget* top = dialogBinding ? dialogBinding->DialogWidget() : nullptr;
            for (QWidget* w = top ? top->parentWidget() : nullptr; w; w = w->parentWidget())
                if (w == widget) {
                    owned.push_back(serial);
                    break;
                }
        }
        for (std::uint64_t serial : owned)
            ForgetDialog(serial, later);
    }
    for (std::uint64_t serial : binding->Children())
        Forget(serial);
    Forget(dialogSerial);
    if (widget) {
        widget->hide();
        if (later)
            widget->deleteLater();
        else
            delete widget;
    }
}

// The dialog's picture after layout, as a person would see it.
// The control a dialog opened in (the focus of its windows) holds the keyboard focus of its Qt
// window from the first key a person types: the window's focus widget before it is shown, and once
// more as the loop runs (showing a window may give the focus to its first widget).
void FocusWhereTheDialogOpened(QWidget* window) {
    CWnd* focus = CWnd::GetFocus();
    Binding* b = focus ? BindingOf(*focus) : nullptr;
    if (!b || !b->Widget() || b->Widget()->window() != window)
        return;
    b->Widget()->setFocus(Qt::OtherFocusReason);
    QTimer::singleShot(0, b->Widget(), [w = QPointer<QWidget>(b->Widget())] {
        if (w)
            w->setFocus();
    });
}

QImage Grab(QWidget* window) {
    window->ensurePolished();
    if (window->layout())
        window->layout()->activate();
    return window->grab().toImage();
}

// The picture of a window built only to be pictured, with the keyboard focus where the dialog
// opened, as a person sees the window: for the moment of the picture the window is shown off screen
// and is the active one, then the window active before is active again.
QImage GrabWithFocus(QWidget* window) {
    CWnd* focus = CWnd::GetFocus();
    Binding* b = focus ? BindingOf(*focus) : nullptr;
    if (!b || !b->Widget() || b->Widget()->window() != window)
        return Grab(window);
    const QPointer<QWidget> active = QApplication::activeWindow();
    window->show();
    b->Widget()->setFocus(Qt::OtherFocusReason);
    QApplication::setActiveWindow(window);
    const QImage image = Grab(window);
    QApplication::setActiveWindow(active);
    window->hide();
    return image;
}

// The picture in a window frame for screenshots: a border, and when titled a title bar above
// showing the caption. A picture taken at a scale of the screen (its pixels the screen's) is framed
// at that scale, the frame drawn in the view's pixels as the window system draws it there.
QImage InWindowFrame(const QImage& client, const QString& caption, bool titled) {
    const qreal scale = client.devicePixelRatio();
    const int width = qRound(client.width() / scale);
    const int height = qRound(client.height() / scale);
    const int top = titled ? 28 : 1;
    QImage framed(qRound((width + 2) * scale), qRound((height + top + 1) * scale), QImage::Format_RGB32);
    framed.setDevicePixelRatio(scale);
    framed.fill(QColor(120, 120, 120));
    QPainter p(&framed);
    if (titled) {
        p.fillRect(QRect(1, 1, width, top - 1), QColor(232, 236, 242));
        QFont font;
        font.setFamilies({QString::fromUtf8(vq::DefaultFontFace())});
        font.setPixelSize(vq::kViewFontPixels);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(10, 1, width - 40, top - 1), Qt::AlignVCenter | Qt::AlignLeft, caption);
        p.drawText(QRect(width - 26, 1, 20, top - 1), Qt::AlignCenter, QStringLiteral("\u00d7"));
    }
    p.drawImage(QPointF(1, top), client);
    p.end();
    return framed;
}

// The path of the next picture of this caption in the screenshot folder: "<caption>.png", else
// the first free "<caption> (2).png", "<caption> (3).png" ... Empty when no folder is set.
QString NextScreenshotPath(const CString& caption) {
    const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
    if (!dir || !*dir)
        return QString();
    const QDir folder(QString::fromUtf8(dir));
    QDir().mkpath(folder.path());
    const QString file = Q(ScreenshotFileName(caption));
    QString path = folder.filePath(file);
    const QString stem = file.left(file.size() - 4); // without ".png"
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1 (%2).png").arg(stem).arg(n));
    return path;
}

void SavePicture(const QImage& client, const CString& caption, bool titled = true) {
    const QString path = NextScreenshotPath(caption);
    if (!path.isEmpty())
        InWindowFrame(client, Q(caption), titled).save(path, "PNG");
}

// Gives a message box the icon and buttons of the request. `ids` maps each button to its
// answer; `escape` is the button Escape and the close box stand for (nullptr when none). Returns
// the answer of the first button.
int FillMessageBox(QMessageBox& box, const MessageBoxRequest& request, std::map<QAbstractButton*, int>& ids,
                   QPushButton*& escape) {
    box.setWindowTitle(Q(request.caption));
    box.setText(Q(request.text));
    switch (request.type & MB_ICONMASK) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    struct Choice {
        int id;
        const char* text;
        QMessageBox::ButtonRole role;
    };
    std::vector<Choice> choices;
    switch (request.type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        choices = {{IDOK, "确定", QMessageBox::AcceptRole}, {IDCANCEL, "取消", QMessageBox::RejectRole}};
        break;
    case MB_ABORTRETRYIGNORE:
        choices = {{IDABORT, "中止(&A)", QMessageBox::RejectRole},
                   {IDRETRY, "重试(&R)", QMessageBox::AcceptRole},
                   {IDIGNORE, "忽略(&I)", QMessageBox::AcceptRole}};
        break;
    case MB_YESNOCANCEL:
        choices = {{IDYES, "是(&Y)", QMessageBox::YesRole},
                   {IDNO, "否(&N)", QMessageBox::NoRole},
                   {IDCANCEL, "取消", QMessageBox::RejectRole}};
        break;
    case MB_YESNO:
        choices = {{IDYES, "是(&Y)", QMessageBox::YesRole}, {IDNO, "否(&N)", QMessageBox::NoRole}};
        break;
    case MB_RETRYCANCEL:
        choices = {{IDRETRY, "重试(&R)", QMessageBox::AcceptRole},
                   {IDCANCEL, "取消", QMessageBox::RejectRole}};
        break;
    default:
        choices = {{IDOK, "确定", QMessageBox::AcceptRole}};
        break;
    }
    escape = nullptr;
    std::vector<QPushButton*> buttons;
    for (const Choice& c : choices) {
        QPushButton* b = box.addButton(QString::fromUtf8(c.text), c.role);
        ids[b] = c.id;
        buttons.push_back(b);
        if (c.id == IDCANCEL || (choices.size() == 1 && c.id == IDOK))
            escape = b;
    }
    const std::size_t defIndex = (request.type & MB_DEFBUTTON3) ? 2 : (request.type & MB_DEFBUTTON2) ? 1 : 0;
    box.setDefaultButton(buttons[std::min(defIndex, buttons.size() - 1)]);
    if (escape)
        box.setEscapeButton(escape);
    return choices.front().id;
}

// Keeps a picture of every message box, whoever answers it, when VQ_SCREENSHOT_DIR is set.
void SaveMessageBoxScreenshot(const MessageBoxRequest& request) {
    const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
    if (!dir || !*dir)
        return;
    EnsureQtApplication();
    QMessageBox box;
    std::map<QAbstractButton*, int> ids;
    QPushButton* escape = nullptr;
    FillMessageBox(box, request, ids, escape);
    box.setAttribute(Qt::WA_DontShowOnScreen, true);
    box.adjustSize();
    SavePicture(Grab(&box), request.caption);
}

const bool kMessageBoxPictures = (SetMessageBoxObserver(SaveMessageBoxScreenshot), true);

// The window brought to the front for the question it may ask next (QtView::BringToFront).
QPointer<QWidget>& NextBoxOwner() {
    static auto* owner = new QPointer<QWidget>();
    return *owner;
}

// The window a message box belongs to: the modal dialog on top, else a window brought to the front
// for its question, else the window that has the focus (a modeless window whose command raised
// the box), else the newest window of the view that is shown; nullptr when the view shows none.
QWidget* MessageBoxOwner() {
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    if (QPointer<QWidget> front = std::exchange(NextBoxOwner(), nullptr); front && front->isVisible())
        return front;
    if (QWidget* active = QApplication::activeWindow(); active && active->isVisible())
        return active;
    std::uint64_t newest = 0;
    QWidget* owner = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* w = dynamic_cast<DialogWindow*>(top); w && w->isVisible() && w->serial >= newest) {
            newest = w->serial;
            owner = w;
        }
    return owner;
}

QWidget* WidgetOf(CWnd* window) {
    for (CWnd* w = window; w; w = w->GetParent())
        if (Binding* b = BindingOf(*w))
            return b->Widget() ? b->Widget()->window() : nullptr;
    return QApplication::activeWindow();
}

// Never destroyed, as the other registers of windows: windows may still go as the program exits.
std::function<void()>& TopWindowGone() {
    static auto* handler = new std::function<void()>();
    return *handler;
}

// ---- The view --------------------------------------------------------------------------------

class QtView : public DialogView {
public:
    QtView() {
        SetSurfaceChangedHandler([](CWnd& window) {
            if (Binding* b = BindingOf(window))
                b->Repaint(false);
        });
        // Long operations show the wait cursor over every window of the view.
        SetWaitCursorHandler([](bool shown) {
            if (!QCoreApplication::instance())
                return;
            if (shown)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            else
                QApplication::restoreOverrideCursor();
        });
    }

    INT_PTR RunModal(CDialog& dialog) override {
        // Nobody would answer it: it ends at once, as a dialog cancelled.
        if (!SomebodyAnswers()) {
            std::fprintf(stderr, "dialog \"%s\" not shown: %s\n", dialog.GetWindowTextValue().c_str(),
                         WhyQtReachesNobody().c_str());
            dialog.EndDialog(IDCANCEL);
            return dialog.GetModalResult();
        }
        // The program may end while the dialog is open (exit() from its own loop, or its display
        // gone): the dialog then still gives back what it holds.
        CloseWindowsAtTheEnd();
        const SigpipeHeld displayWritesFailQuietly;
        FlushChanges();
        DialogBinding* binding = Build(dialog, WidgetOf(dialog.GetParentWindow()));
        DialogWindow* window = binding->DialogWidget();
        window->setModal(true);
        Center(window);
        const std::uint64_t serial = dialog.GetSerial();
        FocusWhereTheDialogOpened(window);
        QTimer::singleShot(0, window, [window] {
            if (window->dialog)
                if (Binding* b = BindingOf(*window->dialog))
                    b->ReportGeometry();
        });
        // Messages posted before Qt was running (in OnInitDialog, say) run once the loop starts.
        if (HasPostedMessages())
            MessagePosted();
        binding->shown = true;
        if (!dialog.HasEnded())
            window->exec();
        if (::IsWindow(&dialog) && dialog.GetSerial() == serial)
            ForgetDialog(dialog.GetSerial(), false);
        return dialog.GetModalResult();
    }

    void EndModal(CDialog& dialog, INT_PTR result) override {
        if (Binding* b = BindingOf(dialog))
            static_cast<DialogBinding*>(b)->DialogWidget()->done(static_cast<int>(result));
    }

    void WindowCreated(CWnd& window) override {
        if (window.GetParent() || BindingOf(window))
            return;
        auto* dialog = dynamic_cast<CDialog*>(&window);
        if (!dialog)
            return; // a top-level window without a dialog template has nothing to show
        EnsureQtApplication();
        DialogBinding* binding = Build(*dialog, WidgetOf(dialog->GetParentWindow()));
        // A window that outlives the call that opened it gives back what it holds however the
        // program ends.
        CloseWindowsAtTheEnd();
        DialogWindow* w = binding->DialogWidget();
        w->setModal(false);
        Center(w);
        binding->shown = true;
        FocusWhereTheDialogOpened(w);
        if (dialog->GetStyle() & WS_VISIBLE)
            w->show();
        binding->ReportGeometry();
    }

    void WindowDestroyed(CWnd& window) override {
        if (window.GetParent())
            return;
        ForgetDialog(window.GetSerial(), true);
        // Told once the window is gone altogether, from the loop.
        if (TopWindowGone() && QCoreApplication::instance())
            QTimer::singleShot(0, QCoreApplication::instance(), [] {
                if (TopWindowGone())
                    TopWindowGone()();
            });
    }

    void ControlChanged(CWnd& window) override {
        for (CWnd* w = &window; w; w = w->GetParent()) {
            if (BindingOf(*w)) {
                m_dirty.insert(w->GetSerial());
                ScheduleFlush();
                return;
            }
        }
    }

    void Invalidate(CWnd& window) override {
        // A window without a widget of its own (the header of a list) is part of its parent's.
        for (CWnd* w = &window; w; w = w->GetParent())
            if (Binding* b = BindingOf(*w)) {
                b->Repaint(true);
                return;
            }
    }

    void FocusChanged(CWnd& window) override {
        if (Binding* b = BindingOf(window))
            if (b->Widget() && b->Widget()->isVisible())
                b->Widget()->setFocus();
    }

    void BringToFront(CWnd& window) override {
        Binding* b = BindingOf(window);
        QWidget* widget = b && b->Widget() ? b->Widget()->window() : nullptr;
        if (!widget || !widget->isVisible())
            return;
        // A minimised window is restored first (to the size it had, maximised or not): what it
        // brings to the front is seen with it.
        if (widget->isMinimized()) {
            // A window manager may take the activation of a window it has not shown again yet for
            // nothing: it is asked again once the window is back.
            if (auto* dialog = dynamic_cast<DialogWindow*>(widget))
                dialog->ActivateWhenBack();
            widget->setWindowState((widget->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        }
        widget->raise();
        widget->activateWindow();
        NextBoxOwner() = widget;
    }

    void MessagePosted() override {
        if (!QCoreApplication::instance())
            return;
        QTimer::singleShot(0, [] { DispatchPostedMessages(); });
    }

    void ProcessPendingEvents() override {
        // A display that has gone would end the program here, at Qt's next look at its events, in
        // the middle of the loop's step; Qt ends it in the event loop the loop returns to instead,
        // where the windows give back what they hold.
        if (DisplayGone())
            return;
        FlushChanges();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        DispatchPostedMessages();
    }

    bool DisplayGone() override {
        if (!vq::DisplayConnectionBroken())
            return false;
        vq::RequestEnd();
        return true;
    }

    int ShowMessageBox(const MessageBoxRequest& request) override {
        // Where nobody sees the box it gets its safe answer, as a box of a failed script does. (A
        // program that works the widgets itself has set this view, and answers it.)
        if (!SomebodyAnswers()) {
            std::fprintf(stderr, "message box [%s]: %s\n", request.caption.c_str(), request.text.c_str());
            return SafeAnswer(request.type);
        }
        BeforeLoop();
        const SigpipeHeld displayWritesFailQuietly;
        QMessageBox box(MessageBoxOwner());
        std::map<QAbstractButton*, int> ids;
        QPushButton* escape = nullptr;
        const int first = FillMessageBox(box, request, ids, escape);
        box.exec();
        auto it = ids.find(box.clickedButton());
        if (it != ids.end())
            return it->second;
        return escape ? ids[escape] : first;
    }

    bool RunFileDialog(FileDialogRequest& request) override {
        if (!SomebodyAnswers())
            return false;
        BeforeLoop();
        const SigpipeHeld displayWritesFailQuietly;
        QFileDialog dialog(WidgetOf(request.owner));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setWindowTitle(request.title.IsEmpty() ? QString::fromUtf8(request.open ? "打开" : "另存为")
                                                      : Q(request.title));
        dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        if (request.open)
            dialog.setFileMode(request.multiSelect     ? QFileDialog::ExistingFiles
                               : request.fileMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.overwritePrompt)
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!request.defaultExt.IsEmpty())
            dialog.setDefaultSuffix(Q(request.defaultExt));
        QStringList filters;
        for (const auto& [description, patterns] : request.filters)
            filters << Q(FileDialogNameFilter(description, patterns));
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            const int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size())) - 1;
            dialog.selectNameFilter(filters[index]);
        }
        if (!request.initialDir.IsEmpty())
            dialog.setDirectory(Q(request.initialDir));
        if (!request.fileName.IsEmpty())
            dialog.selectFile(Q(request.fileName));
        if (dialog.exec() != QDialog::Accepted)
            return false;
        request.paths.clear();
        for (const QString& file : dialog.selectedFiles())
            request.paths.push_back(C(QDir::toNativeSeparators(file)));
        const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
        request.chosenFilterIndex = chosen >= 0 ? chosen + 1 : 1;
        return !request.paths.empty();
    }

    bool RunColorDialog(ColorDialogRequest& request) override {
        if (!SomebodyAnswers())
            return false;
        BeforeLoop();
        const QColor initial(GetRValue(request.color), GetGValue(request.color), GetBValue(request.color));
        const QColor chosen = QColorDialog::getColor(
            initial, WidgetOf(request.owner), QString::fromUtf8("颜色"), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid())
            return false;
        request.color = RGB(chosen.red(), chosen.green(), chosen.blue());
        return true;
    }

    bool RunFontDialog(FontDialogRequest& request) override {
        if (!SomebodyAnswers())
            return false;
        BeforeLoop();
        QFont initial;
        if (!request.faceName.IsEmpty())
            initial.setFamily(Q(request.faceName));
        if (request.pointSize > 0)
            initial.setPointSizeF(request.pointSize / 10.0);
        else if (request.height != 0)
            initial.setPixelSize(std::abs(request.height));
        initial.setWeight(
            static_cast<QFont::Weight>(std::clamp(request.weight > 0 ? request.weight : 400, 100, 900)));
        initial.setItalic(request.italic);
        initial.setUnderline(request.underline);
        initial.setStrikeOut(request.strikeOut);
        bool ok = false;
        const QFont chosen =
            QFontDialog::getFont(&ok, initial, WidgetOf(request.owner), QString::fromUtf8("字体"),
                                 QFontDialog::DontUseNativeDialog);
        if (!ok)
            return false;
        request.faceName = C(chosen.family());
        const double points =
            chosen.pointSizeF() > 0 ? chosen.pointSizeF() : chosen.pixelSize() * 72.0 / 96.0;
        request.pointSize = static_cast<int>(points * 10 + 0.5);
        request.height = -static_cast<int>(points * 96 / 72 + 0.5);
        request.weight = chosen.weight() >= QFont::Bold ? 700 : chosen.weight();
        request.italic = chosen.italic();
        request.underline = chosen.underline();
        request.strikeOut = chosen.strikeOut();
        return true;
    }

    UINT TrackPopupMenu(const CMenu& menu, CPoint screenPoint, CWnd* owner) override {
        if (!SomebodyAnswers())
            return 0;
        BeforeLoop();
        QMenu popup(WidgetOf(owner));
        std::map<QAction*, UINT> ids;
        Fill(popup, menu, ids);
        QAction* chosen = popup.exec(QPoint(screenPoint.x, screenPoint.y));
        auto it = ids.find(chosen);
        return it == ids.end() ? 0 : it->second;
    }

    // Before a loop of Qt starts: Qt is running, the widgets show every change, and messages
    // posted while Qt was not yet running are dispatched by the loop.
    void BeforeLoop() {
        EnsureQtApplication();
        FlushChanges();
        if (HasPostedMessages())
            MessagePosted();
    }

    // Shows every pending change in the widgets.
    void FlushChanges() {
        m_flushScheduled = false;
        while (!m_dirty.empty()) {
            const std::uint64_t serial = *m_dirty.begin();
            m_dirty.erase(m_dirty.begin());
            auto it = Bindings().find(serial);
            if (it != Bindings().end())
                it->second->Refresh();
        }
    }

private:
    void ScheduleFlush() {
        if (m_flushScheduled || !QCoreApplication::instance())
            return;
        m_flushScheduled = true;
        QTimer::singleShot(0, [this] { FlushChanges(); });
    }

    static void Center(QWidget* window) {
        QWidget* parent = window->parentWidget();
        QRect area =
            parent ? parent->window()->geometry()
                   : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                       : QRect(0, 0, 1280, 800));
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }

    static void Fill(QMenu& popup, const CMenu& menu, std::map<QAction*, UINT>& ids) {
        for (const CMenu::Item& item : menu.Items()) {
            if (item.flags & MF_SEPARATOR) {
                popup.addSeparator();
                continue;
            }
            const QString text = ButtonText(item.text.c_str());
            if ((item.flags & MF_POPUP) && item.subMenu) {
                QMenu* sub = popup.addMenu(text);
                Fill(*sub, *item.subMenu, ids);
                sub->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
                continue;
            }
            QAction* action = popup.addAction(text);
            action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            if (item.flags & MF_CHECKED) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            if (item.flags & MF_DEFAULT) {
                QFont bold = action->font();
                bold.setBold(true);
                action->setFont(bold);
            }
            ids[action] = item.id;
        }
    }

    std::set<std::uint64_t> m_dirty;
    bool m_flushScheduled = false;
};

QtView& TheView() {
    static QtView view;
    return view;
}

} // namespace

void RefreshIfAlive(std::uint64_t serial) {
    auto it = Bindings().find(serial);
    if (it != Bindings().end())
        it->second->Refresh();
}

} // namespace vq::qtview

namespace vq {

DialogView& QtDialogView() {
    return qtview::TheView();
}

CString FileDialogNameFilter(const CString& description, const CString& patterns) {
    QString wanted = qtview::Q(patterns);
    wanted.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString shown = qtview::Q(description).trimmed();
    const qsizetype open = shown.lastIndexOf(QLatin1Char('('));
    if (open >= 0 && shown.endsWith(QLatin1Char(')'))) {
        QString inside = shown.mid(open + 1, shown.size() - open - 2);
        inside.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (inside.simplified() == wanted.simplified()) {
            const QString name = shown.left(open).trimmed();
            return qtview::C((name.isEmpty() ? QString() : name + QLatin1Char(' ')) + QStringLiteral("(%1)").arg(wanted));
        }
    }
    return qtview::C(QStringLiteral("%1 (%2)").arg(qtview::Q(description), wanted));
}

CString ScreenshotFileName(const CString& caption) {
    QString name = QString::fromUtf8(caption.c_str()).trimmed();
    for (QChar& ch : name)
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch == QLatin1Char(':') ||
            ch == QLatin1Char('*') || ch == QLatin1Char('?') || ch == QLatin1Char('"') ||
            ch == QLatin1Char('<') || ch == QLatin1Char('>') || ch == QLatin1Char('|') || ch.unicode() < 0x20)
            ch = QLatin1Char('_');
    if (name.isEmpty())
        name = QStringLiteral("dialog");
    return CString((name + QStringLiteral(".png")).toUtf8().toStdString());
}

double ViewScreenScale() {
    EnsureQtApplication();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

CBitmap RenderDialogInQt(CDialog& dialog) {
    using namespace qtview;
    EnsureQtApplication();
    // A dialog the view shows already is pictured as it stands.
    if (Binding* existing = BindingOf(dialog)) {
        TheView().FlushChanges();
        return FromQImage(Grab(existing->Widget()));
    }
    DialogBinding* binding = Build(dialog, nullptr);
    binding->DialogWidget()->setAttribute(Qt::WA_DontShowOnScreen, true);
    const QImage image = GrabWithFocus(binding->DialogWidget());
    // The controls learn where the layout put them (hit tests, placement of later windows).
    binding->ReportGeometry();
    ForgetDialog(dialog.GetSerial(), false);
    return FromQImage(image);
}

void SaveDialogScreenshot(CDialog& dialog) {
    const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
    if (!dir || !*dir)
        return;
    qtview::SavePicture(ToQImage(RenderDialogInQt(dialog)), dialog.GetWindowTextValue(),
                        qtview::HasTitleBar(dialog));
}

void SaveWindowScreenshot(const CBitmap& picture, const CString& caption) {
    qtview::SavePicture(ToQImage(picture), caption);
}

std::function<void()> SetTopWindowGoneHandler(std::function<void()> handler) {
    return std::exchange(qtview::TopWindowGone(), std::move(handler));
}

} // namespace vq

// ---- Input for tests of the view -------------------------------------------------------------

namespace vq::qtinput {
namespace {

QWidget* WidgetFor(CWnd& control) {
    qtview::TheView().FlushChanges();
    qtview::Binding* b = qtview::BindingOf(control);
    return b ? b->Widget() : nullptr;
}

void SendClick(QWidget* target, QPoint at, Qt::MouseButton button, bool doubleClick) {
    const QPointF local(at);
    const QPointF global(target->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    if (doubleClick) {
        QMouseEvent twice(QEvent::MouseButtonDblClick, local, global, button, button, Qt::NoModifier);
        QApplication::sendEvent(target, &twice);
    }
}

} // namespace

bool Click(CWnd& control) {
    QWidget* w = WidgetFor(control);
    if (!w)
        return false;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // The press takes the focus, as the mouse's does, before the button acts.
        if (button->focusPolicy() & Qt::ClickFocus)
            button->setFocus(Qt::MouseFocusReason);
        button->click();
        return true;
    }
    SendClick(w, w->rect().center(), Qt::LeftButton, false);
    return true;
}

bool ClickItem(CWnd& control, int index, bool right, bool doubleClick) {
    QWidget* w = WidgetFor(control);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (index < 0 || index >= combo->count())
            return false;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        return true;
    }
    const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        if (index < 0 || index >= list->count())
            return false;
        SendClick(list->viewport(), list->visualItemRect(list->item(index)).center(), button, doubleClick);
        return true;
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        if (index < 0 || index >= tree->topLevelItemCount())
            return false;
        const QRect rect = tree->visualItemRect(tree->topLevelItem(index));
        // Right of the check box area, inside the first column.
        SendClick(tree->viewport(), QPoint(rect.left() + 24, rect.center().y()), button, doubleClick);
        return true;
    }
    return false;
}

bool ClickCell(CWnd& control, int row, int column, bool doubleClick) {
    auto* tree = qobject_cast<QTreeWidget*>(WidgetFor(control));
    if (!tree || row < 0 || row >= tree->topLevelItemCount() || column < 0 || column >= tree->columnCount())
        return false;
    QHeaderView* header = tree->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    tree->visualItemRect(tree->topLevelItem(row)).center().y());
    SendClick(tree->viewport(), at, Qt::LeftButton, doubleClick);
    return true;
}

bool ClickAt(CWnd& control, CPoint point, bool right, bool doubleClick) {
    QWidget* w = WidgetFor(control);
    if (!w)
        return false;
    SendClick(w, QPoint(point.x, point.y), right ? Qt::RightButton : Qt::LeftButton, doubleClick);
    return true;
}

bool ContextMenuAt(CWnd& control, CPoint point) {
    QWidget* w = WidgetFor(control);
    if (!w)
        return false;
    // A scrolling widget gets the request on its viewport, as from the window system.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
        w = area->viewport();
    const QPoint at(point.x, point.y);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &request);
    return true;
}

bool DragFromTo(CWnd& control, CPoint from, CPoint to) {
    QWidget* w = WidgetFor(control);
    if (!w)
        return false;
    const QPointF start(from.x, from.y);
    const QPointF end(to.x, to.y);
    QMouseEvent press(QEvent::MouseButtonPress, start, w->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent move(QEvent::MouseMove, end, w->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, end, w->mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    return true;
}

bool ClickColumn(CWnd& control, int column) {
    auto* tree = qobject_cast<QTreeWidget*>(WidgetFor(control));
    if (!tree || column < 0 || column >= tree->columnCount())
        return false;
    QHeaderView* header = tree->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    SendClick(header->viewport(), at, Qt::LeftButton, false);
    return true;
}

bool Type(CWnd& control, const CString& text) {
    QWidget* w = WidgetFor(control);
    QLineEdit* line = qobject_cast<QLineEdit*>(w);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        line = combo->lineEdit();
    if (line) {
        line->setFocus();
        line->selectAll();
        line->insert(QString::fromUtf8(text.c_str()));
        return true;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->setPlainText(
            QString::fromUtf8(text.c_str()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        return true;
    }
    return false;
}

static int QtKey(UINT key) {
    switch (key) {
    case VK_RETURN:
        return Qt::Key_Return;
    case VK_ESCAPE:
        return Qt::Key_Escape;
    case VK_UP:
        return Qt::Key_Up;
    case VK_DOWN:
        return Qt::Key_Down;
    case VK_LEFT:
        return Qt::Key_Left;
    case VK_RIGHT:
        return Qt::Key_Right;
    case VK_DELETE:
        return Qt::Key_Delete;
    case VK_SPACE:
        return Qt::Key_Space;
    case VK_TAB:
        return Qt::Key_Tab;
    case VK_HOME:
        return Qt::Key_Home;
    case VK_END:
        return Qt::Key_End;
    case VK_PRIOR:
        return Qt::Key_PageUp;
    case VK_NEXT:
        return Qt::Key_PageDown;
    case VK_INSERT:
        return Qt::Key_Insert;
    case VK_F2:
        return Qt::Key_F2;
    default:
        return 0;
    }
}

bool Key(CWnd& control, UINT key, bool shift) {
    QWidget* w = WidgetFor(control);
    int qtKey = QtKey(key);
    if (!w || !qtKey)
        return false;
    if (shift && qtKey == Qt::Key_Tab)
        qtKey = Qt::Key_Backtab;
    w->setFocus();
    // As Qt delivers keys: to the widget, and on to its parents while nobody takes it.
    for (QWidget* target = w; target; target = target->parentWidget()) {
        QKeyEvent press(QEvent::KeyPress, qtKey, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        if (press.isAccepted())
            break;
    }
    return true;
}

namespace {

// A key pressed and released as the window system delivers it: first as a possible shortcut (an
// action's keys, a menu bar's access key, Alt alone for the menu bar), then to the widget, which
// passes on what it does not take to its parents.
void PressAndRelease(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QPointer<QWidget> alive(target);
    if (!qt_sendShortcutOverrideEvent(target, 0, key, modifiers, text) && alive) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &press);
    }
    // A modifier key released no longer holds itself down.
    const Qt::KeyboardModifiers held = key == Qt::Key_Alt       ? modifiers & ~Qt::AltModifier
                                       : key == Qt::Key_Control ? modifiers & ~Qt::ControlModifier
                                       : key == Qt::Key_Shift   ? modifiers & ~Qt::ShiftModifier
                                                                : modifiers;
    if (QWidget* now = alive ? alive.data() : QApplication::focusWidget()) {
        QKeyEvent release(QEvent::KeyRelease, key, held, text);
        QApplication::sendEvent(now, &release);
    }
}

// The widget that takes the keys in a top-level window: its focus widget, else the window.
QWidget* KeyTarget(QWidget* window) {
    QWidget* focus = window ? qtview::FocusIn(window) : nullptr;
    return focus ? focus : window;
}

QMainWindow* ShownMainWindow() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(top); main && main->isVisible())
            return main;
    return nullptr;
}

// Presses the keys of a combination written as a shortcut is ("Ctrl+Tab", "Alt+F", "F10"; "Alt"
// alone) into the widget.
bool PressCombination(QWidget* target, const CString& keys) {
    if (!target)
        return false;
    const QString written = qtview::Q(keys);
    if (written.compare(QStringLiteral("Alt"), Qt::CaseInsensitive) == 0) {
        PressAndRelease(target, Qt::Key_Alt, Qt::AltModifier, QString());
        return true;
    }
    const QKeySequence sequence(written);
    if (sequence.isEmpty())
        return false;
    const QKeyCombination combination = sequence[0];
    const int key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (key == Qt::Key_Tab)
        text = QStringLiteral("\t");
    else if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde && !(modifiers & Qt::ControlModifier))
        text = QChar(key).toLower();
    PressAndRelease(target, key, modifiers, text);
    return true;
}

} // namespace

bool TypeAtFocus(CWnd& window, const CString& text) {
    QWidget* w = WidgetFor(window);
    QWidget* target = w ? KeyTarget(w->window()) : nullptr;
    if (!target)
        return false;
    for (const QChar c : qtview::Q(text)) {
        QPointer<QWidget> alive(target);
        PressAndRelease(target, Qt::Key_unknown, Qt::NoModifier, QString(c));
        if (!alive)
            break;
    }
    return true;
}

bool PressKeys(CWnd& control, const CString& keys) {
    QWidget* w = WidgetFor(control);
    if (!w)
        return false;
    w->setFocus();
    return PressCombination(KeyTarget(w->window()), keys);
}

bool PressKeysInMainWindow(const CString& keys) {
    QMainWindow* main = ShownMainWindow();
    return main && PressCombination(KeyTarget(main), keys);
}

bool Minimize(CWnd& window) {
    QWidget* w = WidgetFor(window);
    if (!w || !w->window()->isVisible())
        return false;
    w->window()->showMinimized();
    return true;
}

bool IsMinimized(CWnd& window) {
    QWidget* w = WidgetFor(window);
    return w && w->window()->isMinimized();
}

bool Restore(CWnd& window) {
    QWidget* w = WidgetFor(window);
    if (!w || !w->window()->isVisible())
        return false;
    QWidget* top = w->window();
    top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
    top->raise();
    top->activateWindow();
    return true;
}

bool IsActive(CWnd& window) {
    QWidget* w = WidgetFor(window);
    return w && w->window()->isActiveWindow();
}

bool HasTaskbarEntry(CWnd& window) {
    QWidget* w = WidgetFor(window);
    return w && w->window()->windowType() == Qt::Window;
}

CString MainWindowStatus() {
    QMainWindow* main = ShownMainWindow();
    return main ? qtview::C(main->statusBar()->currentMessage()) : CString();
}

CString MainWindowMenu(bool* open) {
    QMainWindow* main = ShownMainWindow();
    QAction* active = main ? main->menuBar()->activeAction() : nullptr;
    if (open)
        *open = active && active->menu() && active->menu()->isVisible();
    return active ? qtview::C(QString(active->text()).remove(QLatin1Char('&'))) : CString();
}

bool KeyToTopWindow(UINT key) {
    QWidget* top = QApplication::activePopupWidget();
    if (!top)
        top = QApplication::activeModalWidget();
    const int qtKey = QtKey(key);
    if (!top || !qtKey)
        return false;
    QWidget* target = top->focusWidget() ? top->focusWidget() : top;
    for (; target; target = target->parentWidget()) {
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        if (press.isAccepted() || target == top)
            break;
    }
    return true;
}

// The message box the view shows on top, if any.
QMessageBox* MessageBoxOnTop() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

CString MessageBoxText() {
    QMessageBox* box = MessageBoxOnTop();
    return box && box->isVisible() ? qtview::C(box->text()) : CString();
}

CString MessageBoxOwnerCaption() {
    QMessageBox* box = MessageBoxOnTop();
    QWidget* owner = box ? box->parentWidget() : nullptr;
    return owner ? qtview::C(owner->window()->windowTitle()) : CString();
}

bool AnswerMessageBox(const CString& button) {
    QMessageBox* box = MessageBoxOnTop();
    if (!box || !box->isVisible())
        return false;
    const QString wanted = QString(qtview::Q(button)).remove(QLatin1Char('&'));
    for (QAbstractButton* b : box->buttons()) {
        if (QString(b->text()).remove(QLatin1Char('&')) != wanted)
            continue;
        // As the mouse does, once the loop of the box runs again.
        QTimer::singleShot(0, b, [b] { b->click(); });
        return true;
    }
    return false;
}

bool ChooseMainWindowMenu(const CString& path) {
    const QStringList names = QString(qtview::Q(path)).remove(QLatin1Char('&')).split(QLatin1Char('/'));
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* main = qobject_cast<QMainWindow*>(top);
        if (!main || !main->isVisible())
            continue;
        QList<QAction*> actions = main->menuBar()->actions();
        for (int i = 0; i < names.size(); ++i) {
            QAction* found = nullptr;
            for (QAction* action : actions) {
                // With or without its access key: "文件(&F)" is named "文件(F)" or "文件".
                const QString text = action->text();
                static const QRegularExpression accessKey(QStringLiteral("\\(&[^)]\\)"));
                if (QString(text).remove(QLatin1Char('&')) == names[i] ||
                    QString(text).remove(accessKey) == names[i])
                    found = action;
            }
            if (!found || !found->isEnabled())
                return false;
            if (i + 1 == names.size()) {
                found->trigger();
                return true;
            }
            if (!found->menu())
                return false;
            actions = found->menu()->actions();
        }
    }
    return false;
}

ShownPromptState ShownPrompt() {
    auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!prompt || !prompt->isVisible())
        return {};
    QFont titleFont = prompt->font();
    titleFont.setBold(true);
    const bool whole = prompt->inputMode() == QInputDialog::IntInput;
    return {qtview::C(prompt->windowTitle()), qtview::C(prompt->labelText()),
            qtview::C(whole ? QString::number(prompt->intValue()) : prompt->textValue()), prompt->width(),
            QFontMetrics(titleFont).horizontalAdvance(prompt->windowTitle())};
}

bool AnswerPrompt(const CString& value, bool accept) {
    auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!prompt || !prompt->isVisible())
        return false;
    if (prompt->inputMode() == QInputDialog::IntInput)
        prompt->setIntValue(qtview::Q(value).toInt());
    else
        prompt->setTextValue(qtview::Q(value));
    QTimer::singleShot(0, prompt, [prompt, accept] { accept ? prompt->accept() : prompt->reject(); });
    return true;
}

void WhenReady(std::function<bool()> ready, std::function<void()> action) {
    EnsureQtApplication();
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, ready = std::move(ready), action = std::move(action)]() mutable {
                         if (!ready())
                             return;
                         timer->stop();
                         timer->deleteLater();
                         // Run from an event of its own: the action may open a nested loop.
                         QTimer::singleShot(0, QCoreApplication::instance(), std::move(action));
                     });
    timer->start();
}

bool Close(CWnd& dialog) {
    QWidget* w = WidgetFor(dialog);
    if (!w)
        return false;
    w->close();
    return true;
}

CString ShownText(CWnd& control) {
    QWidget* w = WidgetFor(control);
    QString text;
    if (auto* line = qobject_cast<QLineEdit*>(w))
        text = line->text();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        text = plain->toPlainText();
    else if (auto* label = qobject_cast<QLabel*>(w))
        text = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        text = combo->currentText();
    else if (auto* tree = qobject_cast<QTreeWidget*>(w))
        text = tree->currentItem() ? tree->currentItem()->text(0) : QString();
    else if (auto* list = qobject_cast<QListWidget*>(w))
        text = list->currentItem() ? list->currentItem()->text() : QString();
    return CString(text.toUtf8().toStdString());
}

namespace {
void AddShownItems(const QTreeWidgetItem& item, int depth, QString& out) {
    out += QString(depth * 2, QLatin1Char(' ')) + item.text(0) + (item.isExpanded() ? " +" : "") +
           (item.isSelected() ? " *" : "") + "\n";
    for (int i = 0; i < item.childCount(); ++i)
        AddShownItems(*item.child(i), depth + 1, out);
}
} // namespace

CString ShownTree(CWnd& control) {
    auto* tree = qobject_cast<QTreeWidget*>(WidgetFor(control));
    if (!tree)
        return CString();
    QString text;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        AddShownItems(*tree->topLevelItem(i), 0, text);
    return CString(text.toUtf8().toStdString());
}

CRect ShownRect(CWnd& control) {
    QWidget* w = WidgetFor(control);
    if (!w || !w->isVisible())
        return CRect();
    const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
    return CRect(at.x(), at.y(), at.x() + w->width(), at.y() + w->height());
}

CRect ShownCellRect(CWnd& control, int row, int column) {
    auto* tree = qobject_cast<QTreeWidget*>(WidgetFor(control));
    if (!tree || row < 0 || row >= tree->topLevelItemCount() || column < 0 || column >= tree->columnCount())
        return CRect();
    const QRect item = tree->visualItemRect(tree->topLevelItem(row));
    const QPoint at = tree->viewport()->mapTo(
        tree->window(), QPoint(tree->header()->sectionViewportPosition(column), item.top()));
    return CRect(at.x(), at.y(), at.x() + tree->header()->sectionSize(column), at.y() + item.height());
}

bool HasFocus(CWnd& control) {
    QWidget* w = WidgetFor(control);
    QWidget* focus = w ? qtview::FocusIn(w->window()) : nullptr;
    return focus && (focus == w || w->isAncestorOf(focus));
}

} // namespace vq::qtinput
