#include "tests/support/UnattendedMessageBoxes.h"

#include <cstdio>
#include <utility>

namespace vqtest {
namespace {

vq::MessageBoxPresenter& Library() {
    static vq::MessageBoxPresenter presenter;
    return presenter;
}

// The library is loaded (and has installed its presenter) before the test program's own static
// objects are made.
const bool kUnattended = [] {
    Library() = vq::SetMessageBoxPresenter([](const vq::MessageBoxRequest& box) {
        std::fprintf(stderr, "unattended message box [%s]: %s\n", box.caption.c_str(), box.text.c_str());
        return vq::SafeAnswer(box.type);
    });
    return true;
}();

} // namespace

const vq::MessageBoxPresenter& LibraryMessageBoxPresenter() {
    return Library();
}

} // namespace vqtest
