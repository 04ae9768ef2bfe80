// A program other than our host that calls the library (WindowCallTest starts it): linked with the
// library, it calls one entry function by name through the library's table of entries, on its
// main thread or on a second thread, prints the result and how many modeless windows are open,
// and returns from main without waiting for them (with --wait it first runs them until they
// close, as a host does). With --box it shows a yes/no message box through the library instead
// and prints the answer; with --reach it starts the library's Qt view and prints whether its
// windows reach a person, or why not. With --redline FILE it works the review window that the entry
// opens as a person sends a redline file: the first document chosen, 附加... pressed and FILE
// given in the window that asks for its name (the upload then runs in the entry's call).
//
//     vqoutsidecaller [--thread | --wait | --redline FILE] ENTRY [ARG...]
//     vqoutsidecaller --box | --reach
#include "host/EntryCall.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtApplication.h"
#include "platform/ui/qt/QtDialogView.h"

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

// The top-level dialog shown whose caption begins with `prefix`, or nullptr.
CDialog* ShownDialogStartingWith(const CString& prefix) {
    for (CWnd* window : vq::TopLevelWindows()) {
        auto* dialog = dynamic_cast<CDialog*>(window);
        if (dialog && dialog->GetWindowTextValue().Left(prefix.GetLength()) == prefix &&
            !vq::qtinput::ShownRect(*dialog).IsRectEmpty())
            return dialog;
    }
    return nullptr;
}

// Sends `file` as the redline file of the first document of the review window, once it shows.
void SendRedlineWhenTheReviewShows(const CString& file) {
    constexpr int kDocuments = 1001, kRedline = 1011, kFileName = 1182;
    vq::qtinput::WhenReady([] { return ShownDialogStartingWith("评审意见") != nullptr; },
                           [file] {
                               vq::qtinput::WhenReady(
                                   [] { return ShownDialogStartingWith("输入文件名") != nullptr; },
                                   [file] {
                                       CDialog* input = ShownDialogStartingWith("输入文件名");
                                       vq::qtinput::Type(*input->GetDlgItem(kFileName), file);
                                       vq::qtinput::Click(*input->GetDlgItem(IDOK));
                                   });
                               CDialog* review = ShownDialogStartingWith("评审意见");
                               vq::qtinput::ClickItem(*review->GetDlgItem(kDocuments), 0);
                               vq::qtinput::Click(*review->GetDlgItem(kRedline));
                           });
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
    if (args.size() >= 2 && args[0] == "--redline") {
        SendRedlineWhenTheReviewShows(CString(args[1]));
        args.erase(args.begin(), args.begin() + 2);
    }
    const vq::EntryInfo* entry = args.empty() ? nullptr : FindEntry(args[0]);
    if (!entry) {
        std::fprintf(stderr,
                     "usage: vqoutsidecaller [--thread | --wait | --redline FILE] ENTRY [ARG...] | --box\n");
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
