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

bool DrawsOffScreen(const std::string& platform) {
    return platform == "offscreen" || platform == "minimal" || platform == "minimalegl";
}

// Who sees the view's windows, decided once as the view starts.
struct ViewStart {
    bool decided = false;
    bool person = false;
    std::string display; // the display Qt was started on
    std::string why;     // why nobody does
};

ViewStart& Start() {
    static ViewStart start;
    return start;
}

// The platform a running application object draws on: a person sees the windows only on the X and
// Wayland platforms, and not those of a program's application object that shows no windows.
// `ours`: made by us on the platform ChooseQtPlatform chose (a display that answered, then could
// not be opened).
void DecideFromRunningApplication(ViewStart& start, bool ours) {
    start.decided = true;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        start.person = false;
        start.why = "the program's Qt application object shows no windows";
        return;
    }
    const std::string platform = QGuiApplication::platformName().toStdString();
    if (!ours) {
        start.person = PlatformReachesAPerson(platform);
        if (!start.person)
            start.why =
                DrawsOffScreen(platform)
                    ? "Qt draws off screen (its platform is \"" + platform + "\")"
                    : "Qt's platform \"" + platform + "\" shows the windows to nobody who can answer them";
        return;
    }
    if (!start.person || !DrawsOffScreen(platform))
        return;
    start.person = false;
    start.why = "Qt could not open the display \"" + start.display + "\"";
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
    // The probe's connection to the display stays open until Qt has opened its own.
    QtPlatformChoice choice;
    ChooseQtPlatform(choice, kDisplayAnswerMs);
    start.person = choice.person;
    start.display = choice.display;
    start.why = choice.why;
    platform = choice.platform;
    argv[2] = platform.data();
    previous = qInstallMessageHandler(FilterMessages);
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    choice.probe.Close();
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
