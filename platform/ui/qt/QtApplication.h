// The one Qt application object of the library, created when it is first needed: by a dialog
// of the Qt view, by painting or by an image. The host may have made one already.
#pragma once

namespace vq {
// Makes sure a QApplication exists. Without a display (neither DISPLAY nor WAYLAND_DISPLAY set)
// and without QT_QPA_PLATFORM, Qt is told to draw off screen instead of failing to start.
void EnsureQtApplication();
// Installs Qt's Chinese translations into the application object (once); EnsureQtApplication
// calls it, a host that made its own application object calls it before any window opens.
void LoadChineseTranslations();
// Whether a person could see the view's windows: false when Qt draws off screen because the
// process has no display (EnsureQtApplication chose that), true when a display or the platform
// (QT_QPA_PLATFORM) was given.
bool QtHasChosenPlatform();
// Whether Qt's own texts are shown translated (its standard "Cancel" is not English).
bool QtTextsTranslated();
// Ends the threads that Qt keeps for background work (the pooled threads that scale pictures),
// after the work under way; they would otherwise outlive the program's last call.
void EndQtBackgroundThreads();
} // namespace vq
