#pragma once
// The guard: every callback from the window system into the program passes
// through here. An exception that escapes is shown in the application's error
// box (title "Vostrelle", the exception's message) and the event loop goes on
// with the next event. Qt never sees an exception.
//
// While an error box is up, its nested loop keeps serving timers and port
// events; an error raised meanwhile does not stack a second box: it waits and
// is shown when the first box closes.
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace vos {

// The program's own ordinary error (French message for the operator).
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows the error box for the exception (or queues it while a box is up).
void reportException(std::exception_ptr e) noexcept;

// Runs fn, reporting whatever escapes. Returns false if something escaped.
bool guarded(const std::function<void()>& fn) noexcept;

template <class... A>
std::function<void(A...)> guard(std::function<void(A...)> fn) {
    return [fn = std::move(fn)](A... a) {
        if (fn) guarded([&] { fn(a...); });
    };
}

}  // namespace vos
