#include "tests/support/UnattendedMessageBoxes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

namespace vqtest {
namespace {

vq::MessageBoxPresenter& Library() {
    static vq::MessageBoxPresenter presenter;
    return presenter;
}

int AnswerUnattended(const vq::MessageBoxRequest& box) {
    std::fprintf(stderr, "unattended message box [%s]: %s\n", box.caption.c_str(), box.text.c_str());
    return vq::SafeAnswer(box.type);
}

// The tests of one program share its process, and a test may leave another presenter in place:
// every test starts with the unattended one.
class UnattendedAtEveryTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { vq::SetMessageBoxPresenter(&AnswerUnattended); }
};

// The library is loaded (and has installed its presenter) before the test program's own static
// objects are made.
const bool kUnattended = [] {
    Library() = vq::SetMessageBoxPresenter(&AnswerUnattended);
    ::testing::UnitTest::GetInstance()->listeners().Append(new UnattendedAtEveryTest);
    return true;
}();

} // namespace

const vq::MessageBoxPresenter& LibraryMessageBoxPresenter() {
    return Library();
}

} // namespace vqtest
