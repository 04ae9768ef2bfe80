// The settings file "qent\spt\vqpdmcad.ini" below the installation folder, shared with the host
// client. Every read and write goes to the file at the moment it is made (a read reuses the last
// parse of the file while the file is unchanged).
#pragma once

#include "platform/base/String.h"

// The native path of the settings file; empty after the installation-folder message. While an
// entry call runs (a CSettingsCallScope lives) the file is found once and its path kept: every
// decision reads several settings, and finding the file reads vqpdm.txt and looks up each folder
// of the path without regard to case.
CString GetSettingsFilePath();

// What keeps the settings from being read, without showing anything: the installation's fault
// (InstallationFault), or a settings file that is not code page 936 text (one saved in UTF-8,
// say), named with what is wrong with it. Empty when the settings can be read, and when no
// installation is named at all (the entry call says so itself).
CString SettingsFault();
// Says SettingsFault in one box, as an entry call does before it reads or writes any setting;
// true when there was something to say (the call then ends without opening anything).
bool SaidSettingsFault();

extern "C" {
// The host's question before a run that nobody answers (--list, --headless, --script): the text of
// SettingsFault in UTF-8, empty when there is none. Valid until the next call.
const char* VqHostInstallationFault();
}

// Keeps the settings file's path for as long as it lives (scopes may nest; the path is found again
// once the outermost ends, so an installation moved between two calls is followed).
class CSettingsCallScope {
public:
    CSettingsCallScope();
    ~CSettingsCallScope();
    CSettingsCallScope(const CSettingsCallScope&) = delete;
    CSettingsCallScope& operator=(const CSettingsCallScope&) = delete;
};

// The value (def when the file, section or key is missing), read through a 100-byte buffer: at most
// 99 bytes of the file's code page 936 text, cut before a character that would not fit.
CString ReadSetting(LPCTSTR section, LPCTSTR key, LPCTSTR def);
// The decimal value of ReadSetting's text; a text that is not a number counts as 0.
int ReadSettingInt(LPCTSTR section, LPCTSTR key, LPCTSTR def);
// Writes the value; FALSE when the settings file cannot be found or written.
BOOL WriteSetting(LPCTSTR section, LPCTSTR key, LPCTSTR value);
