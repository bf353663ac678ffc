// The shared signal path: a signal becomes an event of the event loop, the handlers before come
// back, a closed pipe is a write error that is reported once.

#include "common/TerminationSignals.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

using tlv::TerminationSignals;

void (*CurrentHandler(int signal))(int)
{
    struct sigaction now = {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(TerminationSignals, EachSignalArrivesFromTheEventLoopWithItsNumber)
{
    TerminationSignals watch;
    ASSERT_TRUE(watch.watching());
    QSignalSpy received(&watch, &TerminationSignals::received);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        ASSERT_EQ(std::raise(signal), 0); // the process lives on
    // Nothing is delivered from inside the handler: only the event loop reports.
    EXPECT_EQ(received.count(), 0);
    while (received.count() < 4)
        ASSERT_TRUE(received.wait(5000));
    ASSERT_EQ(received.count(), 4);
    EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
    EXPECT_EQ(received.at(2).at(0).toInt(), SIGHUP);
    EXPECT_EQ(received.at(3).at(0).toInt(), SIGQUIT);
    EXPECT_EQ(watch.count(), 4);
    EXPECT_EQ(TerminationSignals::Name(SIGHUP), "SIGHUP");
    EXPECT_EQ(TerminationSignals::Name(SIGQUIT), "SIGQUIT");
}

TEST(TerminationSignals, NestedWatchesReceiveInTurnAndHandlersComeBack)
{
    ASSERT_EQ(CurrentHandler(SIGTERM), SIG_DFL);
    ASSERT_EQ(CurrentHandler(SIGPIPE), SIG_DFL);
    {
        TerminationSignals outer;
        QSignalSpy outerReceived(&outer, &TerminationSignals::received);
        EXPECT_EQ(CurrentHandler(SIGPIPE), SIG_IGN);
        {
            TerminationSignals inner;
            QSignalSpy innerReceived(&inner, &TerminationSignals::received);
            std::raise(SIGHUP);
            ASSERT_TRUE(innerReceived.wait(5000));
        }
        EXPECT_EQ(outerReceived.count(), 0);
        EXPECT_EQ(CurrentHandler(SIGPIPE), SIG_IGN); // still the outer's
        std::raise(SIGTERM);
        ASSERT_TRUE(outerReceived.wait(5000));
        EXPECT_EQ(outerReceived.at(0).at(0).toInt(), SIGTERM);
    }
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE})
        EXPECT_EQ(CurrentHandler(signal), SIG_DFL) << signal;
}

TEST(TerminationSignals, AClosedPipeIsAWriteErrorReportedOnce)
{
    TerminationSignals watch; // SIGPIPE ignored: the write fails instead of ending the test
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    std::FILE* out = ::fdopen(ends[1], "w");
    ASSERT_NE(out, nullptr);

    // Standard error goes to a file for a moment, to read the report.
    std::FILE* report = std::tmpfile();
    std::fflush(stderr);
    const int savedErr = ::dup(2);
    ::dup2(::fileno(report), 2);
    const bool first = tlv::PrintLine(out, QStringLiteral("Deposition started."), "coflux");
    const bool second = tlv::PrintLine(out, QStringLiteral("Deposition halted."), "coflux");
    std::fflush(stderr);
    ::dup2(savedErr, 2);
    ::close(savedErr);
    std::fclose(out);

    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    std::rewind(report);
    char text[256] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, report);
    std::fclose(report);
    EXPECT_EQ(QString::fromLocal8Bit(text, qsizetype(n)),
              "coflux: standard output cannot be written: Broken pipe\n");
}

} // namespace
