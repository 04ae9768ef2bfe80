// vqhost: the host program. Loads libvqdesigntask.so, lists its entry functions and calls one
// by name, either for a person (the library's dialogs in Qt windows) or headless, driven by a
// script, printing every dialog and message box and finally the entry's result.
//
//   vqhost --list
//   vqhost [--headless] [--script FILE] ENTRY [ARG...]
//   vqhost                      (main window with a menu of every entry function)
//
// The library is looked up in VQ_LIBRARY, then beside the host's folder. A run that nobody
// answers (--list, --headless, --script) first asks the library whether the installation and its
// settings can be read, and when not says why on standard error and ends with status 1.

#include "core/Settings.h"
#include "host/EntryCall.h"
#include "platform/os/SharedLibrary.h"
#include "platform/ui/HostSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string FindLibrary(const char* argv0) {
    if (const char* env = std::getenv("VQ_LIBRARY"); env && *env)
        return env;
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::absolute(argv0);
    for (auto dir : {exe.parent_path(), exe.parent_path().parent_path()}) {
        auto candidate = dir / "libvqdesigntask.so";
        if (std::filesystem::exists(candidate, ec))
            return candidate.string();
    }
    return "libvqdesigntask.so";
}

int Usage() {
    std::fprintf(stderr, "usage: vqhost --list\n"
                         "       vqhost [--headless] [--script FILE] ENTRY [ARG...]\n"
                         "       vqhost            (opens the main window)\n");
    return 2;
}

// Called back by the main window of the library for a person's menu choice.
int InvokeFromWindow(const vq::EntryInfo* entry, const char* const* args, int argCount, char* resultText,
                     int resultSize) {
    std::vector<std::string> list(args, args + argCount);
    vqhost::EntryResult r = vqhost::CallEntry(*entry, list);
    const std::string& text = r.ok ? r.text : r.error;
    if (resultText && resultSize > 0) {
        std::snprintf(resultText, static_cast<std::size_t>(resultSize), "%s", text.c_str());
    }
    return r.ok ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    bool list = false, headless = false;
    const char* script = nullptr;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--list")
            list = true;
        else if (a == "--headless")
            headless = true;
        else if (a == "--script" && i + 1 < argc)
            script = argv[++i];
        else if (a == "--help" || a == "-h")
            return Usage();
        else if (a.rfind("--", 0) == 0 && rest.empty())
            return Usage();
        else
            rest.push_back(a);
    }
    if (script)
        headless = true;

    vq::SharedLibrary library;
    std::string path = FindLibrary(argv[0]);
    // The library needs some 75 libraries (Qt, ODBC, curl and theirs); a call binds only the
    // functions it reaches, so the host starts without binding all of them first.
    if (!library.Load(path, vq::SharedLibrary::Binding::AtFirstCall)) {
        std::fprintf(stderr, "vqhost: %s\n", library.Error().c_str());
        return 1;
    }
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(library.Symbol("VqEntryTable"));
    if (!table) {
        std::fprintf(stderr, "vqhost: %s exports no entry table\n", path.c_str());
        return 1;
    }
    int count = 0;
    const vq::EntryInfo* entries = table(&count);

    // A run that nobody answers cannot have an installation fault put to a person: it is said
    // once, here, and the run ends (a person's call says it in a box of its own).
    if (list || headless) {
        auto fault =
            reinterpret_cast<decltype(&VqHostInstallationFault)>(library.Symbol("VqHostInstallationFault"));
        if (const char* text = fault ? fault() : nullptr; text && *text) {
            std::fprintf(stderr, "vqhost: %s\n", text);
            return 1;
        }
    }

    if (list) {
        for (int i = 0; i < count; ++i)
            std::printf("%s %s%s%s%s%s\n", entries[i].name, vqhost::DescribeEntry(entries[i]).c_str(),
                        *entries[i].title ? "  " : "", entries[i].title, entries[i].subsystem ? "  @" : "",
                        entries[i].subsystem ? entries[i].subsystem->title : "");
        return 0;
    }

    // Whatever the library keeps running ends before the host does, so that the program's exit
    // (and a leak check at it) finds only the host's own thread.
    auto end = reinterpret_cast<decltype(&VqHostEnd)>(library.Symbol("VqHostEnd"));
    auto ended = [end](int status) {
        if (end)
            end();
        return status;
    };

    // Ctrl+C, Ctrl+\, a closed terminal, SIGTERM or any other signal that would end the host close
    // the windows first, so that what they hold (a step marked as under review) is given back; a
    // headless run stops its script and unwinds first.
    if (auto catchSignals = reinterpret_cast<decltype(&VqHostCatchEndSignals)>(
            library.Symbol(headless ? "VqHostCatchEndSignalsHeadless" : "VqHostCatchEndSignals")))
        catchSignals();

    if (rest.empty()) {
        if (headless)
            return Usage();
        auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(library.Symbol("VqHostRunWindow"));
        if (!run) {
            std::fprintf(stderr, "vqhost: the library has no main window\n");
            return 1;
        }
        return ended(run(entries, count, &InvokeFromWindow));
    }

    const vq::EntryInfo* entry = vqhost::FindEntry(entries, count, rest[0]);
    if (!entry) {
        std::fprintf(stderr, "vqhost: no entry function %s (see vqhost --list)\n", rest[0].c_str());
        return 1;
    }
    std::vector<std::string> args(rest.begin() + 1, rest.end());

    if (headless) {
        auto start = reinterpret_cast<decltype(&VqHostStartHeadless)>(library.Symbol("VqHostStartHeadless"));
        if (!start || !start(script))
            return 1;
    }
    // A call the library refused before it did anything (nobody could answer its dialogs, a login
    // it cannot take as given) returns the value of a call that failed: the host fails with it.
    auto refusedCalls = reinterpret_cast<decltype(&VqHostRefusedCalls)>(library.Symbol("VqHostRefusedCalls"));
    const unsigned long refusedBefore = refusedCalls ? refusedCalls() : 0;
    vqhost::EntryResult r = vqhost::CallEntry(*entry, args);
    if (r.ok && refusedCalls && refusedCalls() != refusedBefore) {
        if (headless)
            if (auto finish =
                    reinterpret_cast<decltype(&VqHostFinishHeadless)>(library.Symbol("VqHostFinishHeadless")))
                finish();
        std::printf("result: %s\n", r.text.c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "vqhost: the call of %s was refused\n", entry->name);
        return ended(2);
    }
    int status = 0;
    if (!headless && r.ok) {
        // The call's windows that stay open (modeless windows) are the person's until the last
        // of them is closed: the call, and the host, end with them, not before.
        if (auto wait =
                reinterpret_cast<decltype(&VqHostWaitForWindows)>(library.Symbol("VqHostWaitForWindows")))
            wait();
        std::printf("result: %s\n", r.text.c_str());
        std::fflush(stdout);
        return ended(0);
    }
    if (headless) {
        auto finish =
            reinterpret_cast<decltype(&VqHostFinishHeadless)>(library.Symbol("VqHostFinishHeadless"));
        if (!finish || !finish())
            status = 1;
    }
    if (!r.ok) {
        std::fprintf(stderr, "vqhost: %s\n", r.error.c_str());
        return ended(2);
    }
    std::printf("result: %s\n", r.text.c_str());
    std::fflush(stdout);
    return ended(status);
}
