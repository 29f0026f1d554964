#pragma once
// Exceptions never cross a frame of the event loop: every handler runs inside
// RunGuarded, which hands an escaping exception to the unhandled-exception
// handler (the GUI sets it to the default error display).

#include <exception>
#include <functional>
#include <string>

using UnhandledExceptionHandler = std::function<void(std::exception_ptr)>;

void SetUnhandledExceptionHandler(UnhandledExceptionHandler handler);
void ReportUnhandled(std::exception_ptr error) noexcept;

// The message an exception carries: Exception::Message(), what(), or a
// fixed text for objects that are no std::exception.
std::string ExceptionMessage(std::exception_ptr error);

template <typename F>
void RunGuarded(F&& f) noexcept
{
    try {
        f();
    } catch (...) {
        ReportUnhandled(std::current_exception());
    }
}
