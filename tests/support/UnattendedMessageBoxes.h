// Nobody sits at the screen of a test program: a message box that no test expects (no recorder,
// no scripted user answers it) is printed and gets its safe answer (Cancel, else No, else OK), as
// where no person can be asked, instead of waiting in an off-screen window until the run's time
// is up. This file's source is part of every test program, so the rule holds from its start.
#pragma once

#include "platform/base/MessageBox.h"

namespace vqtest {

// The presenter the library put in place when it was loaded (the one that shows boxes in the Qt
// view's windows), for the tests that answer boxes through those windows.
const vq::MessageBoxPresenter& LibraryMessageBoxPresenter();

} // namespace vqtest
