#include "platform/guard.h"

#include "platform/exception.h"

#include <cstdio>
#include <utility>

namespace {
UnhandledExceptionHandler& Handler()
{
    static UnhandledExceptionHandler handler;
    return handler;
}
}  // namespace

void SetUnhandledExceptionHandler(UnhandledExceptionHandler handler)
{
    Handler() = std::move(handler);
}

std::string ExceptionMessage(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void ReportUnhandled(std::exception_ptr error) noexcept
{
    try {
        if (Handler()) {
            Handler()(error);
            return;
        }
        std::fprintf(stderr, "tovik: %s\n", ExceptionMessage(error).c_str());
    } catch (...) {
        std::fputs("tovik: error while reporting an error\n", stderr);
    }
}
