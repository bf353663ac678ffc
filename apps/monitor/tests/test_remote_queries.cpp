// Remote queries of the monitor: they answer from the core's newest poll, in the grid's units,
// and the monitor offers nothing that changes it.
#include "MonitorFixture.h"
#include "MonitorRemoteTarget.h"

#include "common/remote/ScpiSession.h"

namespace monitor::test {
namespace {

using RemoteQueries = MonitorTest;

TEST_F(RemoteQueries, AnswerTheNewestPollInKiloAngstrom)
{
    frmMain& w = LoadWindow();
    MonitorRemoteTarget target(w.Core());
    tlv::remote::ScpiSession session(target, true);
    EXPECT_EQ(session.Execute("*IDN?")->split(',').mid(0, 3),
              (QList<QByteArray>{"TLV880", "TLVMONITOR", "0"}));
    EXPECT_EQ(session.Execute("PROC:STAT?"), QByteArray("STOP"));

    w.cmdFSwitch_Click(0);
    LibReading reading;
    reading.rate[1] = 2.5;
    reading.thickness[1] = 1234.5; // Å
    reading.frequency[1] = 5900000.0;
    reading.frequency[23] = -1.0; // failed crystal: its code, as the library reports it
    Queue(reading);
    Tick();

    EXPECT_EQ(session.Execute("PROC:STAT?"), QByteArray("RUN"));
    EXPECT_EQ(session.Execute("MEAS:SENS? 2"), QByteArray("2.5,1.2345,5900000"));
    EXPECT_EQ(session.Execute("MEAS:SENS? 24"), QByteArray("0,0,-1"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("1.235")); // the grid shows the same reading
}

TEST_F(RemoteQueries, OfferNoControlAndNoOutputs)
{
    frmMain& w = LoadWindow();
    MonitorRemoteTarget target(w.Core());
    tlv::remote::ScpiSession session(target, true);
    for (const char* line : {"PROC:STAR", "OUTP:RATE 1,1", "MMEM:LOAD \"a.dat\"", "MEAS:OUTP? 1",
                             "MEAS:ANAL? 1", "OUTP:MODE? 1"}) {
        EXPECT_FALSE(session.Execute(line).has_value()) << line;
        EXPECT_EQ(session.Execute("SYST:ERR?"), QByteArray("-113,\"Undefined header\"")) << line;
    }
    EXPECT_EQ(w.Settings().runState, 0);
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770StartMeas")), 0);
}

} // namespace
} // namespace monitor::test
