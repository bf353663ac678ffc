#pragma once
// Waiting for what arrives through the Qt event loop (timers, sockets, queued signals): the loop
// turns between the looks, with a short pause so that an idle wait does not spin a core.

#include "tlvtest/Wait.h"

#include <QCoreApplication>

namespace tlvtest {

template <typename Done> bool WaitForEvents(Done&& done, std::chrono::milliseconds limit = 15s)
{
    return WaitUntil(std::forward<Done>(done), limit, [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(1ms);
    });
}

} // namespace tlvtest
