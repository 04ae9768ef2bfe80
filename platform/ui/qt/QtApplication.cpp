#include "platform/ui/qt/QtApplication.h"

#include "platform/ui/qt/DisplayProbe.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QThread>
#include <QThreadPool>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace vq {
namespace {

// How long a display may take to answer before nobody is taken to be there.
constexpr int kDisplayAnswerMs = 3000;

QtMessageHandler previous = nullptr;

// The off-screen platform reports every size hint it cannot pass on; that says nothing about us.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints")) ||
        message.contains(QLatin1String("does not support raise()")))
        return;
    if (previous)
        previous(type, context, message);
    else
        fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool DrawsOffScreen(const std::string& platform) {
    return platform == "offscreen" || platform == "minimal" || platform == "minimalegl";
}

// Who sees the view's windows, decided once as the view starts.
struct ViewStart {
    bool decided = false;
    bool person = false;
    std::string why; // why nobody does
};

ViewStart& Start() {
    static ViewStart start;
    return start;
}

// The platform Qt is to start on (never empty). Where a display answers, Qt starts on it and draws
// off screen should it still not get in; where nobody would see the windows, it draws off screen
// at once.
std::string ChoosePlatform(ViewStart& start) {
    const std::string chosen = Environment("QT_QPA_PLATFORM");
    const std::string display = Environment("DISPLAY");
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    const std::string first = chosen.substr(0, chosen.find(';'));
    const std::string name = first.substr(0, first.find(':'));
    start.person = true;
    if (DrawsOffScreen(name)) {
        start.person = false;
        start.why = "Qt draws off screen (QT_QPA_PLATFORM=" + chosen + ")";
        return chosen;
    }
    if (!name.empty() && name != "xcb" && name.rfind("wayland", 0) != 0)
        return chosen; // a platform of its own (a frame buffer, VNC): its user knows it
    const bool wantsX = name.empty() ? !display.empty() : name == "xcb";
    const bool wantsWayland = name.empty() ? !wayland.empty() : !wantsX;
    if (wantsX && XDisplayAnswers(display, kDisplayAnswerMs))
        return name.empty() ? "xcb;offscreen" : chosen + ";offscreen";
    if (wantsWayland && WaylandDisplayAnswers(wayland.empty() ? "wayland-0" : wayland, kDisplayAnswerMs))
        return name.empty() ? "wayland;offscreen" : chosen + ";offscreen";
    start.person = false;
    if (display.empty() && wayland.empty())
        start.why = "there is no display (DISPLAY and WAYLAND_DISPLAY are not set)";
    else
        start.why = "the display \"" + (wantsX || wayland.empty() ? display : wayland) + "\" does not answer";
    return "offscreen";
}

// The platform a running application object draws on: nobody sees the off-screen and minimal
// platforms, nor a program's application object that shows no windows. `ours`: made by us on the
// platform ChoosePlatform chose (a display that answered, then could not be opened).
void DecideFromRunningApplication(ViewStart& start, bool ours) {
    start.decided = true;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        start.person = false;
        start.why = "the program's Qt application object shows no windows";
        return;
    }
    const std::string platform = QGuiApplication::platformName().toStdString();
    if (!ours)
        start.person = true;
    if (!start.person || !DrawsOffScreen(platform))
        return;
    start.person = false;
    start.why = ours ? "Qt could not open the display \"" + Environment("DISPLAY") + "\""
                     : "Qt draws off screen (its platform is \"" + platform + "\")";
}

} // namespace

void EnsureQtApplication() {
    ViewStart& start = Start();
    if (QCoreApplication::instance()) {
        if (!start.decided)
            DecideFromRunningApplication(start, false);
        LoadChineseTranslations();
        return;
    }
    // QApplication keeps references to argc and argv for its whole life; "-platform" given on its
    // command line goes before QT_QPA_PLATFORM, which stays as it was for the programs we start.
    static std::string platform;
    static char name[] = "vqdesigntask";
    static char option[] = "-platform";
    static char* argv[] = {name, option, nullptr, nullptr};
    static int argc = 3;
    platform = ChoosePlatform(start);
    argv[2] = platform.data();
    previous = qInstallMessageHandler(FilterMessages);
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    DecideFromRunningApplication(start, true);
    LoadChineseTranslations();
}

// Qt's own texts (the file dialog's buttons and labels, the standard OK and Cancel) in Chinese,
// like every text of the system; from the translation files Qt ships. Without them Qt stays
// English, which is no reason to stop.
void LoadChineseTranslations() {
    static bool loaded = false;
    if (loaded || !QCoreApplication::instance())
        return;
    loaded = true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QString::fromLatin1(name), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

bool QtReachesAPerson() {
    EnsureQtApplication();
    return Start().person;
}

std::string WhyQtReachesNobody() {
    return QtReachesAPerson() ? std::string() : Start().why;
}

bool OnWindowThread() {
    if (const QCoreApplication* app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    return ::gettid() == ::getpid();
}

bool QtTextsTranslated() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel") != QLatin1String("Cancel");
}

void EndQtBackgroundThreads() {
    // waitForDone also ends the idle threads, which otherwise stay for their expiry time.
    QThreadPool::globalInstance()->waitForDone();
}

} // namespace vq
