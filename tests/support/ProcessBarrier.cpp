#include "tests/support/ProcessBarrier.h"

#include "core/VqDesignTaskApp.h"

#include <cstdint>
#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

namespace vqtest {

namespace {

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size) {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = read(fd, bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// One child: runs the body and reports its index, the length and the text in one write, which the
// pipe keeps whole as long as it is not longer than PIPE_BUF.
[[noreturn]] void RunChild(int index, const BarrierBody& body, int ready, int go, int told) {
    const std::string result = body(index, [ready, go] {
        const char byte = 'r';
        char answer = 0;
        if (write(ready, &byte, 1) != 1 || read(go, &answer, 1) != 1)
            _exit(2);
    });
    std::string message(2 * sizeof(std::uint32_t), '\0');
    const std::uint32_t head[2] = {static_cast<std::uint32_t>(index),
                                   static_cast<std::uint32_t>(result.size())};
    std::memcpy(message.data(), head, sizeof head);
    message += result;
    _exit(WriteAll(told, message.data(), message.size()) ? 0 : 3);
}

} // namespace

std::vector<std::optional<std::string>> RunAtBarrier(int count, const BarrierBody& body) {
    std::vector<std::optional<std::string>> results(static_cast<std::size_t>(count));
    theApp.m_pConnPDM = nullptr; // a child must not close the parent's session
    int ready[2], go[2], told[2];
    if (pipe(ready) != 0 || pipe(go) != 0 || pipe(told) != 0)
        return results;
    std::vector<pid_t> children;
    for (int index = 0; index < count; ++index) {
        const pid_t child = fork();
        if (child < 0)
            break;
        if (child == 0) {
            close(ready[0]);
            close(go[1]);
            close(told[0]);
            RunChild(index, body, ready[1], go[0], told[1]);
        }
        children.push_back(child);
    }
    close(ready[1]);
    close(go[0]);
    close(told[1]);
    // Every process has arrived (or ended): all go at once.
    int arrived = 0;
    char byte = 0;
    while (arrived < static_cast<int>(children.size()) && read(ready[0], &byte, 1) == 1)
        ++arrived;
    const std::string goes(children.size(), 'g');
    [[maybe_unused]] const bool sent = WriteAll(go[1], goes.data(), goes.size());
    close(go[1]);
    std::uint32_t head[2];
    while (ReadAll(told[0], head, sizeof head)) {
        std::string text(head[1], '\0');
        if (!ReadAll(told[0], text.data(), text.size()))
            break;
        if (head[0] < results.size())
            results[head[0]] = std::move(text);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
    }
    close(ready[0]);
    close(told[0]);
    return results;
}

} // namespace vqtest
