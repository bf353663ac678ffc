#pragma once
// The chart tests' waits on the event loop: the charts redraw from their own timer, so a test
// runs the loop until what it waits for has happened (the time-out only ends a test that
// hangs), or for a while to see that nothing happens.

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace tlv::charts::test {

template <typename Done> bool WaitFor(Done done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

inline void RunEventsFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace tlv::charts::test
