#include "platform/wait_pump.h"

#include "platform/poll_pump.h"

namespace {
WaitPump* installed = nullptr;
}

WaitPump& DefaultWaitPump()
{
    if (installed)
        return *installed;
    static PollPump fallback;
    return fallback;
}

void SetDefaultWaitPump(WaitPump* pump)
{
    installed = pump;
}
