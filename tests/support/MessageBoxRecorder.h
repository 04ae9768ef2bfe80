// Records every message box shown while it lives and answers them from a queue of expected
// boxes. A box that nobody expected fails the running test and is answered with its first button.
#pragma once

#include "platform/base/MessageBox.h"

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace vqtest {

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // Expect a box whose text contains textPart (empty: any text) and answer it; whileShown runs
    // while the box is up, before it is answered (what happens meanwhile elsewhere).
    void Expect(const CString& textPart, int answer = IDOK, std::function<void()> whileShown = {});
    // Runs whileShown once, when a box whose text contains textPart is shown, before it is
    // answered: another client's write at the moment a question is open. From then on a box that
    // this recorder does not expect is answered by the presenter that was in place when the
    // recorder was made (a scripted user, which fails its run on a box it does not expect).
    void WhenShown(const CString& textPart, std::function<void()> whileShown);
    // From now on a box that this recorder does not expect is answered by the presenter that was
    // in place when the recorder was made (a scripted user), as after WhenShown.
    void PassOnUnexpected() { m_passOn = true; }
    // Every box shown so far, in order.
    const std::vector<vq::MessageBoxRequest>& Shown() const { return m_shown; }
    // Texts of the boxes shown so far.
    std::vector<CString> Texts() const;
    // Expected boxes that have not been shown.
    int Pending() const { return static_cast<int>(m_expected.size()); }
    void Clear() {
        m_shown.clear();
        m_expected.clear();
        m_hooks.clear();
    }

private:
    int Answer(const vq::MessageBoxRequest& request);

    struct Expected {
        CString textPart;
        int answer;
        std::function<void()> whileShown;
    };
    std::deque<Expected> m_expected;
    std::vector<std::pair<CString, std::function<void()>>> m_hooks;
    bool m_passOn = false;
    std::vector<vq::MessageBoxRequest> m_shown;
    vq::MessageBoxPresenter m_previous;
};

} // namespace vqtest
