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

int MessageBoxRecorder::Answer(const vq::MessageBoxRequest& request) {
    m_shown.push_back(request);
    if (!m_expected.empty() &&
        (m_expected.front().textPart.IsEmpty() || request.text.Find(m_expected.front().textPart) >= 0)) {
        Expected expected = std::move(m_expected.front());
        m_expected.pop_front();
        if (expected.whileShown)
            expected.whileShown();
        return expected.answer;
    }
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
