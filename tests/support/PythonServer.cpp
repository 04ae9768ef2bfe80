#include "tests/support/PythonServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace vqtest {

int StartPythonServer(const char* script, const std::vector<std::string>& args, pid_t& pid) {
    pid = -1;
    int out[2];
    if (::pipe(out) != 0) {
        ADD_FAILURE() << "cannot create a pipe";
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string python = "/usr/bin/python3";
    std::vector<std::string> words = {python, "-c", script};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int rc = ::posix_spawn(&pid, python.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        pid = -1;
        ADD_FAILURE() << "cannot start " << python;
        return 0;
    }

    // The first line is the port; the server listens before it prints it.
    std::string line;
    for (;;) {
        pollfd pfd{out[0], POLLIN, 0};
        if (::poll(&pfd, 1, 15000) != 1)
            break;
        char ch;
        if (::read(out[0], &ch, 1) != 1 || ch == '\n')
            break;
        line += ch;
    }
    ::close(out[0]);
    return std::atoi(line.c_str());
}

void StopPythonServer(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    pid = -1;
}

} // namespace vqtest
