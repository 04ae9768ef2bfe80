// One TCP connection of a client, the only socket code of the system (it also connects to a
// stream socket of this machine by its path). Every wait has a limit given by its caller (a
// negative limit waits without one); nothing here shows a message.
#pragma once

#include "platform/base/String.h"

#include <cstddef>

namespace vq {

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket() { Close(); }
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves host (a name or a numeric address) and connects to the first of its addresses
    // that accepts within timeoutMs. An earlier connection is closed first. False on failure.
    bool Connect(const CString& host, int port, int timeoutMs);
    // Connects to the stream socket of this machine at path ("@name": the abstract name "name")
    // within timeoutMs. An earlier connection is closed first. False on failure.
    bool ConnectLocal(const CString& path, int timeoutMs);
    bool IsOpen() const { return m_fd >= 0; }

    // 1 when data (or the end of the stream) can be read within timeoutMs, 0 when the time ran
    // out, -1 on an error or without a connection.
    int WaitReadable(int timeoutMs) const;
    // The same for room to send.
    int WaitWritable(int timeoutMs) const;

    // Receives what is there, at most size bytes, without waiting longer than timeoutMs for the
    // first byte: the number of bytes, 0 when the peer closed the connection, -1 on an error or
    // when the time ran out.
    long Receive(char* buffer, std::size_t size, int timeoutMs);
    // Sends every byte, waiting at most timeoutMs for room each time the peer does not read.
    bool SendAll(const char* data, std::size_t size, int timeoutMs);
    bool SendAll(const CString& text, int timeoutMs) {
        return SendAll(text.c_str(), text.str().size(), timeoutMs);
    }

    // Shuts the connection down in both directions and closes it.
    void Close();

private:
    int m_fd = -1;
};

// The port of a services database entry ("smtp", "tcp"); 0 when there is none.
int ServicePort(const char* name, const char* protocol);

} // namespace vq
