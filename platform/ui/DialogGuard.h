#pragma once
// CDialog::Guarded, for the files that implement CDialog (Dialog.cpp,
// UserInput.cpp) and no one else: dialog code reaches it through Dispatch
// and the User* calls.

#include "platform/MessageBox.h"
#include "platform/ui/Dialog.h"

#include <exception>
#include <string>

namespace platform::ui {

template <class F> void CDialog::Guarded(F&& f) {
    // The framework's handler boundary: a failure is shown and the dialog
    // carries on as if the handler had returned.
    std::string what;
    try {
        f();
        return;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "An unsupported operation was attempted.";
    }
    if (what.empty())
        what = "An unsupported operation was attempted.";
    AfxMessageBox(what.c_str(), platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

} // namespace platform::ui
