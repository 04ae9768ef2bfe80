// A scripted user who presses the cancel button of a progress window once it shows a text (a
// row number, say): the loop behind it stops at that step, whatever the machine's speed.
#pragma once

#include "controls/ProgressWnd.h"
#include "platform/ui/ScriptedUser.h"

#include <utility>

namespace vqtest {

class CancellingUser : public vq::ScriptedUser {
public:
    explicit CancellingUser(CString rowText) : m_rowText(std::move(rowText)) {}
    void ControlChanged(CWnd& window) override {
        auto* progress = dynamic_cast<CProgressWnd*>(window.GetParent());
        if (progress && &window == &progress->m_message && window.GetWindowTextValue().Find(m_rowText) >= 0)
            m_target = progress;
    }
    void ProcessPendingEvents() override {
        vq::ScriptedUser::ProcessPendingEvents();
        if (m_target) {
            m_target->m_cancelButton.Click();
            m_target = nullptr;
        }
    }

private:
    CString m_rowText;
    CProgressWnd* m_target = nullptr;
};

} // namespace vqtest
