#pragma once
// Wraps a handler for a signal connection: the handler runs inside
// RunGuarded, so an exception ends up in the error display instead of
// unwinding through Qt's frames.

#include "platform/guard.h"

#include <utility>

template <typename F>
auto Guarded(F handler)
{
    return [handler = std::move(handler)]() noexcept { RunGuarded(handler); };
}
