#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace vqtest {

MessageBoxRecorder::MessageBoxRecorder() {
    m_previous = vq::SetMessageBoxPresenter([this](const vq::MessageBoxRequest& r) { return Answer(r); });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    vq::SetMessageBoxPresenter(std::move(m_previous));
    EXPECT_TRUE(m_expected.empty()) << "expected message box not shown: "
                                    << m_expected.front().textPart.c_str();
    EXPECT_TRUE(m_hooks.empty()) << "no message box shown for the action at: "
                                 << m_hooks.front().first.c_str();
}

void MessageBoxRecorder::Expect(const CString& textPart, int answer, std::function<void()> whileShown) {
    m_expected.push_back({textPart, answer, std::move(whileShown)});
}

std::vector<CString> MessageBoxRecorder::Texts() const {
    std::vector<CString> texts;
    for (const auto& r : m_shown)
        texts.push_back(r.text);
    return texts;
}

void MessageBoxRecorder::WhenShown(const CString& textPart, std::function<void()> whileShown) {
    m_hooks.emplace_back(textPart, std::move(whileShown));
    m_passOn = true;
}

int MessageBoxRecorder::Answer(const vq::MessageBoxRequest& request) {
    m_shown.push_back(request);
    for (auto hook = m_hooks.begin(); hook != m_hooks.end(); ++hook) {
        if (request.text.Find(hook->first) >= 0) {
            const std::function<void()> action = std::move(hook->second);
            m_hooks.erase(hook);
            action();
            break;
        }
    }
    if (!m_expected.empty() &&
        (m_expected.front().textPart.IsEmpty() || request.text.Find(m_expected.front().textPart) >= 0)) {
        Expected expected = std::move(m_expected.front());
        m_expected.pop_front();
        if (expected.whileShown)
            expected.whileShown();
        return expected.answer;
    }
    if (m_passOn && m_previous)
        return m_previous(request);
    ADD_FAILURE() << "unexpected message box [" << request.caption.c_str() << "]: " << request.text.c_str();
    switch (request.type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    default:
        return IDOK;
    }
}

} // namespace vqtest
