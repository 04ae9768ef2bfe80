// The FTP layer in a program that has not linked libcurl, as the release build runs it: the first
// session loads the library. The test that starts it (FtpConnectionTest) reads what it prints:
//
//     vqcurlprobe HOST PORT USER PASSWORD REMOTE LOCAL
//
// "libcurl at start: no" (or "yes"), then either "session refused: <the session's error>" or the
// results of fetching REMOTE to LOCAL, storing LOCAL back as "/stored.bin" and listing "/".
//
//     vqcurlprobe --exit-while-storing HOST PORT USER PASSWORD LOCAL REMOTE
//
// stores LOCAL as REMOTE and calls exit(3) from the transfer's display once the server has taken
// some of it, as a program does whose display has gone (Xlib exits in whatever call meets it).
#include "platform/ftp/InternetSession.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

class ExitingDisplay : public FtpTransferDisplay {
public:
    bool Update(const FtpTransferState& state) override {
        if (state.done > 0) {
            std::printf("exit at %llu of %llu bytes\n", static_cast<unsigned long long>(state.done),
                        static_cast<unsigned long long>(state.total));
            std::fflush(stdout);
            std::exit(3);
        }
        return true;
    }
};

int ExitWhileStoring(char** argv) {
    try {
        CInternetSession session("VQQENT");
        std::unique_ptr<CFtpConnection> ftp(session.GetFtpConnection(
            argv[0], argv[2], argv[3], static_cast<INTERNET_PORT>(std::atoi(argv[1])), FALSE));
        SetFtpTransferDisplayFactory([] { return std::make_unique<ExitingDisplay>(); });
        std::printf("stored: %d\n", ftp->PutFile(argv[4], argv[5]) ? 1 : 0);
    } catch (CInternetException& e) {
        std::printf("session refused: %s\n", e.ErrorText().c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 8 && std::string(argv[1]) == "--exit-while-storing")
        return ExitWhileStoring(argv + 2);
    if (argc != 7)
        return 2;
    void* early = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD);
    std::printf("libcurl at start: %s\n", early ? "yes" : "no");
    if (early)
        ::dlclose(early);
    try {
        CInternetSession session("VQQENT");
        std::unique_ptr<CFtpConnection> ftp(session.GetFtpConnection(
            argv[1], argv[3], argv[4], static_cast<INTERNET_PORT>(std::atoi(argv[2])), FALSE));
        std::printf("fetched: %d\n", ftp->GetFile(argv[5], argv[6], FALSE) ? 1 : 0);
        std::printf("stored: %d\n", ftp->PutFile(argv[6], "/stored.bin") ? 1 : 0);
        std::vector<FtpDirEntry> entries;
        std::printf("listed: %d\n", ftp->ListDirectory("/", entries) ? 1 : 0);
        for (const FtpDirEntry& entry : entries)
            std::printf("entry: %s\n", entry.name.c_str());
    } catch (CInternetException& e) {
        std::printf("session refused: %s\n", e.ErrorText().c_str());
        return 1;
    }
    return 0;
}
