// The one Qt application object of the library, created when it is first needed: by a dialog
// of the Qt view, by painting or by an image. The host may have made one already.
#pragma once

#include <string>

namespace vq {
// Makes sure a QApplication exists. Making it decides, once, whether the view's windows reach a
// person (QtReachesAPerson): only on the X and Wayland platforms, on a display that answers;
// elsewhere nobody sees them, and Qt draws off screen (a display that cannot be opened, or a
// platform that would crash, abort or wait, never ends the program).
void EnsureQtApplication();
// Installs Qt's Chinese translations into the application object (once); EnsureQtApplication
// calls it, a host that made its own application object calls it before any window opens.
void LoadChineseTranslations();
// Whether a person could see and answer the view's windows: decided once, as the application
// object is made (or found made by the host, by the platform it runs on).
bool QtReachesAPerson();
// Why nobody sees the view's windows ("there is no display ..."); empty when a person does.
std::string WhyQtReachesNobody();
// Whether the calling thread is the one the windows belong to: the thread of the application
// object, or before there is one, the program's main thread.
bool OnWindowThread();
// Whether Qt's own texts are shown translated (its standard "Cancel" is not English).
bool QtTextsTranslated();
// Ends the threads that Qt keeps for background work (the pooled threads that scale pictures),
// after the work under way; they would otherwise outlive the program's last call.
void EndQtBackgroundThreads();
} // namespace vq
