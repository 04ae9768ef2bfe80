// The host program's main window: a menu of every entry function of the library, one menu per
// subsystem, each entry shown by its title beside its name. It asks for
// the login account once, for the other arguments of an entry at each call, calls the entry
// through the host's callback and shows the result in the status bar.
#include "platform/ui/Dialog.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/ImageBridge.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtApplication.h"
#include "platform/ui/qt/QtDialogView.h"
#include "platform/ui/qt/SigpipeHeld.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

struct HostState {
    VqHostInvoke invoke = nullptr;
    QString login;
    // The values last given to each argument (entry name, position) in this session.
    std::map<std::pair<std::string, int>, QString> lastValues;
    // The entry whose call left a window open (its menu text) and that window's caption, while the
    // status bar says so.
    QString openCall;
    CString openCaption;
};

// Room that a title bar takes besides its caption: the window's icon and its buttons.
constexpr int kTitleBarRoom = 160;

// Asks for one value (a whole number when `whole`), starting from `value`, in a prompt wide enough
// for the title bar to show its whole caption. False when the person cancels.
bool Prompt(QWidget* parent, const QString& title, const QString& label, QString& value, bool whole) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    if (whole) {
        dialog.setInputMode(QInputDialog::IntInput);
        dialog.setIntRange(-2147483647, 2147483647);
        dialog.setIntValue(value.toInt());
    } else {
        dialog.setTextValue(value);
    }
    // The dialog takes the width of what it holds: its label is made as wide as the caption needs.
    QFont titleFont = dialog.font();
    titleFont.setBold(true);
    int width = QFontMetrics(titleFont).horizontalAdvance(title) + kTitleBarRoom;
    if (const QScreen* screen = dialog.screen())
        width = std::min(width, screen->availableGeometry().width());
    const QStyle* style = dialog.style();
    if (auto* labelWidget = dialog.findChild<QLabel*>())
        labelWidget->setMinimumWidth(width - style->pixelMetric(QStyle::PM_LayoutLeftMargin) -
                                     style->pixelMetric(QStyle::PM_LayoutRightMargin));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = whole ? QString::number(dialog.intValue()) : dialog.textValue();
    return true;
}

bool AskLogin(QWidget* parent, HostState& state) {
    QString login = state.login.isEmpty() ? QStringLiteral("admin") : state.login;
    if (!Prompt(parent, QString::fromUtf8("登录"), QString::fromUtf8("登录帐号:"), login, false))
        return false;
    if (!login.trimmed().isEmpty())
        state.login = login.trimmed();
    return true;
}

// Asks for each argument but the login account, each starting from the value it was last given;
// false when the person cancels.
bool AskArguments(QWidget* parent, const vq::EntryInfo& entry, HostState& state,
                  std::vector<std::string>& args) {
    int count = static_cast<int>(std::strlen(entry.signature));
    for (int i = 0; i < count; ++i) {
        if (i + 1 == entry.loginArg) {
            args.push_back(state.login.toStdString());
            continue;
        }
        QString title = QString::fromUtf8(vq::EntryMenuText(entry).c_str());
        const CString name = vq::EntryArgumentName(entry, i);
        QString label =
            QString::fromUtf8("参数 %1 %2(%3):")
                .arg(i + 1)
                .arg(name.IsEmpty() ? QString() : QString::fromUtf8(name.c_str()) + QLatin1Char(' '))
                .arg(QString::fromUtf8(entry.signature[i] == 'i'   ? "整数"
                                       : entry.signature[i] == 'l' ? "文本列表，以|分隔"
                                                                   : "文本"));
        QString& value = state.lastValues[{entry.name, i}];
        if (!Prompt(parent, title, label, value, entry.signature[i] == 'i'))
            return false;
        args.push_back(value.toStdString());
    }
    return true;
}

// The main window's status bar as the library's status bar: the message, and a progress bar placed
// after the prompt while an operation shows its progress there.
class HostStatusBar : public vq::StatusBarSink {
public:
    explicit HostStatusBar(QStatusBar* bar) : m_bar(bar) {}
    ~HostStatusBar() override { DestroyProgress(); }

    void SetText(const CString& text) override {
        m_bar->showMessage(QString::fromUtf8(text.c_str()));
        m_bar->repaint(); // painted now: the operation keeps the event loop busy
    }
    bool CreateProgress(const CString& prompt) override {
        if (m_progress)
            return true;
        const QFontMetrics metrics(m_bar->font());
        const int left = prompt.IsEmpty() ? 0
                                          : metrics.horizontalAdvance(QString::fromUtf8(prompt.c_str())) +
                                                2 * metrics.averageCharWidth();
        const int width = m_bar->width() - left;
        if (width < 20)
            return false;
        m_progress = new QProgressBar(m_bar);
        m_progress->setRange(0, 100);
        m_progress->setTextVisible(false);
        m_progress->setMaximumWidth(std::min(width, 500));
        m_bar->addPermanentWidget(m_progress, 1);
        m_progress->show();
        return true;
    }
    void SetProgress(int pos) override {
        if (!m_progress)
            return;
        m_progress->setValue(std::clamp(pos, 0, 100));
        m_progress->repaint();
    }
    void DestroyProgress() override {
        if (!m_progress)
            return;
        m_bar->removeWidget(m_progress);
        delete m_progress;
        m_progress = nullptr;
    }

private:
    QStatusBar* m_bar;
    QProgressBar* m_progress = nullptr;
};

// Calls an entry chosen from a menu: asks for the login account once and the other arguments,
// and shows the result in the status bar.
void RunEntry(QMainWindow& window, HostState& state, const vq::EntryInfo* entry) {
    if (entry->loginArg > 0 && state.login.isEmpty() && !AskLogin(&window, state))
        return;
    std::vector<std::string> args;
    if (!AskArguments(&window, *entry, state, args))
        return;
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    char result[512] = {};
    const std::vector<CDialog*> before = vq::ModelessWindows();
    int ok = state.invoke(entry, argv.data(), static_cast<int>(argv.size()), result, sizeof result);
    const QString name = QString::fromUtf8(vq::EntryMenuText(*entry).c_str());
    // A window the call left open (a review) is still the person's work: its result is not yet
    // the call's, so the status bar names the window instead.
    state.openCall.clear();
    state.openCaption.Empty();
    for (CDialog* open : vq::ModelessWindows())
        if (ok && std::find(before.begin(), before.end(), open) == before.end()) {
            state.openCall = name;
            state.openCaption = open->GetWindowTextValue();
            window.statusBar()->showMessage(QString::fromUtf8("%1: 窗口仍打开: %2")
                                                .arg(name, QString::fromUtf8(state.openCaption.c_str())));
            return;
        }
    window.statusBar()->showMessage(QString::fromUtf8("%1: %2 %3")
                                        .arg(name)
                                        .arg(ok ? QString::fromUtf8("结果") : QString::fromUtf8("错误"))
                                        .arg(QString::fromUtf8(result)));
}

// Once the window a call left open has closed, the status bar says so.
void NoteClosedWindow(QMainWindow& window, HostState& state) {
    if (state.openCall.isEmpty())
        return;
    for (CDialog* open : vq::ModelessWindows())
        if (open->GetWindowTextValue() == state.openCaption)
            return;
    window.statusBar()->showMessage(QString::fromUtf8("%1: 窗口已关闭").arg(state.openCall));
    state.openCall.clear();
    state.openCaption.Empty();
}

// A menu's title with its access key as the system's menus show it: "文件(&F)".
QString WithAccessKey(const CString& title, char key) {
    QString text = QString::fromUtf8(title.c_str());
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (key)
        text += QStringLiteral("(&") + QLatin1Char(key) + QLatin1Char(')');
    return text;
}

// One menu per subsystem, opened from the keyboard by its access key; each entry shows its title
// beside its name.
void AddEntryMenus(QMainWindow& window, HostState& state, const vq::EntryInfo* entries, int count) {
    for (const vq::EntryGroup& group : vq::GroupEntries(entries, count)) {
        QMenu* menu = window.menuBar()->addMenu(WithAccessKey(group.title, group.accessKey));
        for (const vq::EntryInfo* entry : group.entries)
            menu->addAction(QString::fromUtf8(vq::EntryMenuText(*entry).c_str()),
                            [&window, &state, entry] { RunEntry(window, state, entry); });
    }
}

// Closing the main window (its close box, 文件→退出) closes the windows entries left open first,
// each through its cancel road, which asks before typed work is thrown away; the main window
// closes only when none of them stays open, and the program ends with it.
class QuitClosesEveryWindow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Close)
            return false;
        if (!vq::CloseModelessWindows(vq::CloseWith::Cancel)) {
            event->ignore();
            return true;
        }
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
        return false;
    }
};

// What is wrong with the table of entries a host gives the main window, or nullptr when nothing
// is: the menus read every entry of it, so a count beyond the library's own table or an entry
// without its texts would read what is not there.
const char* EntryTableFault(const vq::EntryInfo* entries, int count) {
    int own = 0;
    VqEntryTable(&own);
    if (count < 0 || count > own)
        return "its count is not that of a table of the library's entry functions";
    if (count > 0 && !entries)
        return "it is missing";
    for (int i = 0; i < count; ++i) {
        const vq::EntryInfo& entry = entries[i];
        if (!entry.name || !entry.title || !entry.arguments || !entry.function ||
            !std::memchr(entry.signature, '\0', sizeof entry.signature))
            return "an entry of it lacks its name, title, argument names, function or signature";
    }
    return nullptr;
}

} // namespace

extern "C" void VqHostWaitForWindows() {
    if (vq::ModelessWindows().empty())
        return;
    // Nobody answers them: they go at once, each giving back what it holds.
    if (!vq::SomebodyAnswers()) {
        vq::CloseModelessWindows(vq::CloseWith::Destroy);
        return;
    }
    const vq::SigpipeHeld displayWritesFailQuietly;
    QEventLoop loop;
    auto previous = vq::SetTopWindowGoneHandler([&loop] {
        if (vq::ModelessWindows().empty())
            loop.quit();
    });
    loop.exec();
    vq::SetTopWindowGoneHandler(std::move(previous));
}

extern "C" int VqHostRunWindow(const vq::EntryInfo* entries, int count, VqHostInvoke invoke) {
    if (const char* fault = EntryTableFault(entries, count)) {
        std::fprintf(stderr,
                     "vqhost: the main window is not opened: the table of entry functions given to it (%d "
                     "entries) is not usable, %s.\n",
                     count, fault);
        return 1;
    }
    vq::EnsureQtApplication();
    if (!vq::SomebodyAnswers()) {
        std::fprintf(stderr,
                     "vqhost: the main window needs a display, and %s. Call an entry headless with a "
                     "script instead: vqhost --headless --script FILE ENTRY [ARG...]\n",
                     vq::WhyQtReachesNobody().c_str());
        return 1;
    }
    vq::ShowMessageBoxesInView();
    HostState state;
    state.invoke = invoke;

    QMainWindow window;
    window.setWindowTitle(QString::fromUtf8("vqhost — 设计过程管理"));
    window.resize(720, 420);
    auto* label = new QLabel(QString::fromUtf8("从菜单选择一个功能。"), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.statusBar()->showMessage(QString::fromUtf8("就绪"));

    // A person without a mouse reaches every menu as in the system's other programs: Alt or F10
    // goes to the menu bar, Alt and a menu's letter opens it, Ctrl+Q quits.
    QMenu* file = window.menuBar()->addMenu(QString::fromUtf8("文件(&F)"));
    file->addAction(QString::fromUtf8("登录帐号(&L)..."), [&] { AskLogin(&window, state); });
    file->addSeparator();
    QAction* quitAction = file->addAction(QString::fromUtf8("退出(&X)"), [&] { window.close(); });
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QShortcut menuKey(QKeySequence(Qt::Key_F10), &window);
    QObject::connect(&menuKey, &QShortcut::activated, &window,
                     [&window] { window.menuBar()->setActiveAction(window.menuBar()->actions().value(0)); });
    QuitClosesEveryWindow quit;
    window.installEventFilter(&quit);

    AddEntryMenus(window, state, entries, count);

    HostStatusBar statusBar(window.statusBar());
    vq::StatusBarSink* previousSink = vq::SetStatusBarSink(&statusBar);
    std::function<void()> previousGone;
    previousGone = vq::SetTopWindowGoneHandler([&] {
        NoteClosedWindow(window, state);
        if (previousGone)
            previousGone();
    });
    window.show();
    // A picture of the main window, as the dialogs keep theirs, once it has been laid out.
    if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"); dir && *dir)
        QTimer::singleShot(0, &window, [&window] {
            vq::SaveWindowScreenshot(vq::FromQImage(window.grab().toImage()),
                                     window.windowTitle().toUtf8().constData());
        });
    const int code = QApplication::exec();
    vq::SetTopWindowGoneHandler(std::move(previousGone));
    vq::SetStatusBarSink(previousSink);
    return code;
}
