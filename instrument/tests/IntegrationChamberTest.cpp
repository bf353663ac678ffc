// cTLV880a over the real libtlv880a.so in normal mode, on an emulated master card whose output 0
// drives a source of a chamber file and whose channel 0 carries a crystal near its end of life:
// the instrument's crystal rule declares the failure once the card gives no count.

#include "instrument/cTLV880a.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(EmulatedChamber, WornCrystalRaisesCrystalFailure)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString chamber = folder.filePath(QStringLiteral("worn.chamber"));
    {
        QFile file(chamber);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // 10 A/s of film of density 10 lowers the crystal by about 80 Hz/s: its end of life,
        // 150 Hz down, comes within seconds.
        file.write("[Chamber]\nseed=5\n[Source Gun]\noutput=0\npreset=sputter\n"
                   "[Crystal Worn]\nsensor=0\nfeed=Gun\nfrequency=6000000\nfail=5999850\n"
                   "weak=0\n");
    }
    qputenv("TLV880_EMU_CHAMBER", QFile::encodeName(chamber));

    cTLV880a tlv;
    ASSERT_EQ(tlv.Revision(0), 0);
    ASSERT_EQ(tlv.SendInit(6050000, 5000000, 6000000, 0.1), 0);
    ASSERT_EQ(tlv.SendMaterial(0, 10, 1, 100), 0);
    ASSERT_EQ(tlv.setSensorLoop(0, 0), 0);
    ASSERT_EQ(tlv.setOpMode(0), 0);
    ASSERT_EQ(tlv.SendStartMeas(), 0);
    ASSERT_EQ(tlv.ClearBuff(), 0);

    QSignalSpy events(&tlv, &cTLV880a::TLVSensorEvent);
    QSignalSpy readings(&tlv, &cTLV880a::TLVReading);
    ASSERT_EQ(tlv.SendFullScale(0, 10, 100, 100), 0);
    ASSERT_EQ(tlv.SendPower(0, 100), 0);
    tlv.setTimerEnabled(true);
    auto failureRaised = [&] {
        for (const QList<QVariant>& event : events) {
            if (event.at(0).toInt() == 1) return true;
        }
        return false;
    };
    // The library's threads and the poll timer run at their own pace; the bound on the wait only
    // ends a test that hangs.
    for (int i = 0; i < 600 && !failureRaised(); ++i)
        events.wait(100);
    tlv.setTimerEnabled(false);
    ASSERT_TRUE(failureRaised());
    for (const QList<QVariant>& event : events) {
        if (event.at(0).toInt() != 1) continue;
        EXPECT_TRUE(event.at(1).toString().endsWith(QStringLiteral(" Crystal Failure.")))
            << event.at(1).toString().toStdString();
        EXPECT_EQ(event.at(2).toInt(), 0);
    }
    ASSERT_FALSE(readings.isEmpty());
    const SensorArray sensors = readings.last().at(0).value<SensorArray>();
    EXPECT_EQ(sensors[0][2], -1) << "no count: no signal";
    EXPECT_EQ(sensors[1][2], 6000000) << "a channel without chamber crystal keeps its frequency";

    EXPECT_EQ(tlv.SendPower(0, 0), 0);
    EXPECT_EQ(tlv.SendSimulate(1), 0);
}
