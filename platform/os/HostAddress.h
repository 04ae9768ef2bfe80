// The machine's own network address, as other clients and the servers see it in the rows and
// messages this machine writes.
#pragma once

#include "platform/base/String.h"

namespace vq {

// The first IPv4 address of this machine's host name in dotted form ("192.168.1.20"); empty when
// the host name cannot be read or does not resolve.
CString LocalHostAddress();

// This machine's host name as the system knows it ("localhost" when it cannot be read).
CString LocalHostName();

} // namespace vq
