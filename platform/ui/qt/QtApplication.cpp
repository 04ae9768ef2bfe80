#include "platform/ui/qt/QtApplication.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QThreadPool>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace vq {
namespace {

QtMessageHandler previous = nullptr;
// Set when EnsureQtApplication had Qt draw off screen for want of a display.
bool offScreenForWantOfADisplay = false;

// The off-screen platform reports every size hint it cannot pass on; that says nothing about us.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (previous)
        previous(type, context, message);
    else
        fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

void EnsureQtApplication() {
    if (QCoreApplication::instance()) {
        LoadChineseTranslations();
        return;
    }
    auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    const bool platformChosen = isSet("QT_QPA_PLATFORM");
    const bool haveDisplay = isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
    if (!platformChosen && !haveDisplay) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        offScreenForWantOfADisplay = true;
    }
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "vqdesigntask";
    static char* argv[] = {name, nullptr};
    previous = qInstallMessageHandler(FilterMessages);
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
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

bool QtHasChosenPlatform() {
    return !offScreenForWantOfADisplay;
}

bool QtTextsTranslated() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel") != QLatin1String("Cancel");
}

void EndQtBackgroundThreads() {
    // waitForDone also ends the idle threads, which otherwise stay for their expiry time.
    QThreadPool::globalInstance()->waitForDone();
}

} // namespace vq
