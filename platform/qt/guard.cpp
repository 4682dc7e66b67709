#include "platform/qt/guard.h"

#include <algorithm>

#include "platform/qt/app_services.h"
#include "platform/qt/dialogs.h"

namespace vos {

namespace {

std::string messageOf(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return ex.what();
    } catch (...) {
        return "Erreur inattendue";
    }
}

}  // namespace

// A box runs a nested event loop, in which timers and port events may fail
// again: such errors are queued (an error identical to the one on screen or
// already queued is dropped, so a failing 2-ms timer does not pile up boxes)
// and shown one after the other once the box is dismissed.
void reportException(std::exception_ptr e) noexcept {
    try {
        AppServices& s = appServices();
        std::string text = messageOf(e);
        if (s.errorBoxUp) {
            if (text != s.errorShown &&
                std::find(s.pendingErrors.begin(), s.pendingErrors.end(), text) == s.pendingErrors.end())
                s.pendingErrors.push_back(std::move(text));
            return;
        }
        s.errorBoxUp = true;
        for (;;) {
            s.errorShown = text;
            try {
                showErrorBox(text);
            } catch (...) {
                // A box that cannot be shown must not take the program down.
            }
            if (s.pendingErrors.empty()) break;
            text = std::move(s.pendingErrors.front());
            s.pendingErrors.pop_front();
        }
        s.errorShown.clear();
        s.errorBoxUp = false;
    } catch (...) {
        // Out of memory while reporting: nothing sensible is left to do.
    }
}

bool guarded(const std::function<void()>& fn) noexcept {
    try {
        if (fn) fn();
        return true;
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}

}  // namespace vos
