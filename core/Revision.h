// Part revisions: the letters A to Z, then the numbers 26 to 99; an installation may show them as
// two-digit numbers from 00 instead ([零部件配置] "替换版本号" non-zero).
#pragma once

#include "platform/base/String.h"

// mode 0: the revision after current ("" gives "A", "Z" gives "26", "9" gives "10");
// mode 1: current in number form when the setting is on ("C" gives "02");
// any other mode: current in letter form when the setting is on ("03" gives "D").
// Returns an empty text after a message for a malformed revision or one past 99.
CString GetNextRevision(CString current, int mode);
