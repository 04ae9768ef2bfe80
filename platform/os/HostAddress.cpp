#include "platform/os/HostAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vq {

CString LocalHostAddress() {
    char name[255] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return CString();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0 || !result)
        return CString();
    CString address;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    if (result->ai_addr && inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
        address = text;
    freeaddrinfo(result);
    return address;
}

CString LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return CString("localhost");
    return CString(name);
}

} // namespace vq
