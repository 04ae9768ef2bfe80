// Simple MAPI: the interface through which a program hands a mail to the desktop's mail program.
// Linux has no such interface; a mail program (or a test) that offers one registers it as the
// outside object kSimpleMapiLibrary (platform/com/OutsideObjects.h). Results are 0 for success,
// as the interface defines them.
#pragma once

#include "platform/base/String.h"
#include "platform/com/OutsideObjects.h"

#include <vector>

namespace vq {

constexpr const char* kSimpleMapiLibrary = "MAPI32.DLL";

constexpr unsigned long MAPI_LOGON_UI = 0x00000001;
constexpr unsigned long MAPI_PASSWORD_UI = 0x00020000;
constexpr unsigned long MAPI_TO = 1;

struct MapiRecipient {
    unsigned long recipientClass = MAPI_TO;
    CString name;
    CString address;
};

// The message handed over: texts are UTF-8; no originator, no attached files.
struct MapiMessage {
    CString subject;
    CString noteText;
    unsigned long flags = 0;
    std::vector<MapiRecipient> recipients;
};

class SimpleMapi : public OutsideObject {
public:
    virtual unsigned long Logon(unsigned long flags, unsigned long* session) = 0;
    virtual unsigned long SendMail(unsigned long session, const MapiMessage& message,
                                   unsigned long flags) = 0;
    virtual unsigned long Logoff(unsigned long session) = 0;
};

} // namespace vq
