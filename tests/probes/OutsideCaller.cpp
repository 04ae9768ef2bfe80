// A program other than our host that calls the library (WindowCallTest starts it): linked with the
// library, it calls one entry function by name through the library's table of entries, on its
// main thread or on a second thread, prints the result and how many modeless windows are open,
// and returns from main without waiting for them (with --wait it first runs them until they
// close, as a host does). With --box it shows a yes/no message box through the library instead
// and prints the answer; with --reach it starts the library's Qt view and prints whether its
// windows reach a person, or why not.
//
//     vqoutsidecaller [--thread | --wait] ENTRY [ARG...]
//     vqoutsidecaller --box | --reach
#include "host/EntryCall.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/qt/QtApplication.h"

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

const vq::EntryInfo* FindEntry(const std::string& name) {
    int count = 0;
    const vq::EntryInfo* entries = VqEntryTable(&count);
    return vqhost::FindEntry(entries, count, name);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--reach") {
        const std::string why = vq::WhyQtReachesNobody();
        std::printf("reaches: %s\n", why.empty() ? "a person" : ("nobody, " + why).c_str());
        return 0;
    }
    if (args.size() == 1 && args[0] == "--box") {
        std::printf("answer: %d\n", AfxMessageBox("是否继续?", MB_YESNO | MB_ICONQUESTION));
        return 0;
    }
    const bool onThread = !args.empty() && args[0] == "--thread";
    const bool wait = !args.empty() && args[0] == "--wait";
    if (onThread || wait)
        args.erase(args.begin());
    const vq::EntryInfo* entry = args.empty() ? nullptr : FindEntry(args[0]);
    if (!entry) {
        std::fprintf(stderr, "usage: vqoutsidecaller [--thread | --wait] ENTRY [ARG...] | --box\n");
        return 2;
    }
    args.erase(args.begin());
    vqhost::EntryResult result;
    if (onThread) {
        std::thread call([&] { result = vqhost::CallEntry(*entry, args); });
        call.join();
    } else {
        result = vqhost::CallEntry(*entry, args);
    }
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return 2;
    }
    std::printf("result: %s\nopen windows: %zu\n", result.text.c_str(), vq::ModelessWindows().size());
    std::fflush(stdout);
    if (wait)
        VqHostWaitForWindows();
    return 0;
}
