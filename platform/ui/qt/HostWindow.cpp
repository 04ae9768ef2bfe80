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

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct HostState {
    VqHostInvoke invoke = nullptr;
    QString login;
};

bool AskLogin(QWidget* parent, HostState& state) {
    bool ok = false;
    QString login =
        QInputDialog::getText(parent, QString::fromUtf8("登录"), QString::fromUtf8("登录帐号:"),
                              QLineEdit::Normal, state.login.isEmpty() ? "admin" : state.login, &ok);
    if (ok && !login.trimmed().isEmpty())
        state.login = login.trimmed();
    return ok;
}

// Asks for each argument but the login account; false when the person cancels.
bool AskArguments(QWidget* parent, const vq::EntryInfo& entry, const HostState& state,
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
        bool ok = false;
        if (entry.signature[i] == 'i') {
            int v = QInputDialog::getInt(parent, title, label, 0, -2147483647, 2147483647, 1, &ok);
            args.push_back(std::to_string(v));
        } else {
            args.push_back(
                QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), &ok).toStdString());
        }
        if (!ok)
            return false;
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
    int ok = state.invoke(entry, argv.data(), static_cast<int>(argv.size()), result, sizeof result);
    window.statusBar()->showMessage(QString::fromUtf8("%1: %2 %3")
                                        .arg(QString::fromUtf8(vq::EntryMenuText(*entry).c_str()))
                                        .arg(ok ? QString::fromUtf8("结果") : QString::fromUtf8("错误"))
                                        .arg(QString::fromUtf8(result)));
}

// One menu per subsystem; each entry shows its title beside its name.
void AddEntryMenus(QMainWindow& window, HostState& state, const vq::EntryInfo* entries, int count) {
    for (const vq::EntryGroup& group : vq::GroupEntries(entries, count)) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromUtf8(group.title.c_str()));
        for (const vq::EntryInfo* entry : group.entries)
            menu->addAction(QString::fromUtf8(vq::EntryMenuText(*entry).c_str()),
                            [&window, &state, entry] { RunEntry(window, state, entry); });
    }
}

// Closing the main window (its close box, 文件→退出) closes the windows entries left open first,
// each as its own close box does; the main window closes only when none of them stays open, and
// the program ends with it.
class QuitClosesEveryWindow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Close)
            return false;
        if (!vq::CloseModelessWindows(vq::CloseWith::CloseBox)) {
            event->ignore();
            return true;
        }
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
        return false;
    }
};

} // namespace

extern "C" void VqHostWaitForWindows() {
    if (vq::ModelessWindows().empty())
        return;
    // Nobody can see them: each is closed as its close box closes it, and what stays open after
    // its questions had their safe answers goes as the host goes.
    if (!vq::QtHasChosenPlatform()) {
        if (!vq::CloseModelessWindows(vq::CloseWith::CloseBox))
            vq::CloseModelessWindows(vq::CloseWith::Destroy);
        return;
    }
    QEventLoop loop;
    auto previous = vq::SetTopWindowGoneHandler([&loop] {
        if (vq::ModelessWindows().empty())
            loop.quit();
    });
    loop.exec();
    vq::SetTopWindowGoneHandler(std::move(previous));
}

extern "C" int VqHostRunWindow(const vq::EntryInfo* entries, int count, VqHostInvoke invoke) {
    vq::EnsureQtApplication();
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

    QMenu* file = window.menuBar()->addMenu(QString::fromUtf8("文件"));
    file->addAction(QString::fromUtf8("登录帐号..."), [&] { AskLogin(&window, state); });
    file->addSeparator();
    file->addAction(QString::fromUtf8("退出"), [&] { window.close(); });
    QuitClosesEveryWindow quit;
    window.installEventFilter(&quit);

    AddEntryMenus(window, state, entries, count);

    HostStatusBar statusBar(window.statusBar());
    vq::StatusBarSink* previousSink = vq::SetStatusBarSink(&statusBar);
    window.show();
    // A picture of the main window, as the dialogs keep theirs, once it has been laid out.
    QTimer::singleShot(0, &window, [&window] {
        vq::SaveWindowScreenshot(vq::FromQImage(window.grab().toImage()), window.windowTitle().toUtf8().constData());
    });
    const int code = QApplication::exec();
    vq::SetStatusBarSink(previousSink);
    return code;
}
