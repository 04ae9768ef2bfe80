#include "platform/base/MessageBox.h"

#include <atomic>
#include <cstdio>
#include <utility>

namespace vq {
namespace {

// Never destroyed: a window destroyed as the program exits may still ask its question.
MessageBoxPresenter& Presenter() {
    static auto* presenter = new MessageBoxPresenter();
    return *presenter;
}

MessageBoxObserver& Observer() {
    static auto* observer = new MessageBoxObserver();
    return *observer;
}

std::atomic<unsigned long> g_boxesShown{0};

std::function<void()>& Prelude() {
    static auto* prelude = new std::function<void()>();
    return *prelude;
}

} // namespace

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    return std::exchange(Presenter(), std::move(presenter));
}

const MessageBoxPresenter& InstalledMessageBoxPresenter() {
    return Presenter();
}

MessageBoxObserver SetMessageBoxObserver(MessageBoxObserver observer) {
    return std::exchange(Observer(), std::move(observer));
}

std::function<void()> SetMessageBoxPrelude(std::function<void()> prelude) {
    return std::exchange(Prelude(), std::move(prelude));
}

int ShowMessageBox(const CString& caption, const CString& text, UINT type) {
    // The prelude's own boxes come before this one and run no prelude of their own.
    static bool inPrelude = false;
    if (Prelude() && !inPrelude) {
        inPrelude = true;
        try {
            Prelude()();
        } catch (...) {
            inPrelude = false;
            throw;
        }
        inPrelude = false;
    }
    MessageBoxRequest request{caption, text, type};
    ++g_boxesShown;
    if (Observer())
        Observer()(request);
    if (Presenter())
        return Presenter()(request);
    std::fprintf(stderr, "message box [%s]: %s\n", caption.c_str(), text.c_str());
    return SafeAnswer(type);
}

unsigned long MessageBoxesShown() {
    return g_boxesShown;
}

int SafeAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        return IDOK;
    }
}

CString DefaultMessageBoxCaption() {
    return "vqdesigntask";
}

} // namespace vq

int AfxMessageBox(const CString& text, UINT type, UINT /*helpId*/) {
    return vq::ShowMessageBox(vq::DefaultMessageBoxCaption(), text, type);
}
