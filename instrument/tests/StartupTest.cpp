// Start-up, simulate mode, SendInit, measurement start, counts and destruction of cTLV880a.

#include "InstrumentRig.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using fake::Rig;

namespace {
std::function<void(fake::Library&)> cards(std::array<int, 8> info, int result = 0)
{
    return [info, result](fake::Library& lib) {
        lib.startupInfo = info;
        lib.startupResult = result;
    };
}
} // namespace

TEST(Construction, WithoutCardStaysInSimulateModeWithDefaults)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->Revision(0), 904);
    EXPECT_EQ(rig.tlv->Revision(1), 0);
    EXPECT_EQ(rig.tlv->Revision(8), 0);
    EXPECT_EQ(rig.tlv->Revision(-1), 0);
    EXPECT_EQ(rig.tlv->OpMode(), 1);
    EXPECT_EQ(rig.tlv->NumCards(), 0);
    EXPECT_DOUBLE_EQ(rig.tlv->Period(), 0.1);
    EXPECT_DOUBLE_EQ(rig.tlv->SensorMaxFreq(), 10000000.0);
    EXPECT_DOUBLE_EQ(rig.tlv->SensorMinFreq(), 1000000.0);
    EXPECT_DOUBLE_EQ(rig.tlv->SensorInitFreq(), 5500000.0);
    EXPECT_EQ(rig.tlv->FilterSize(), 4);
    EXPECT_EQ(rig.tlv->OutputName(13), "Output 14");
    EXPECT_EQ(rig.tlv->SensorName(23), "Sensor 24");
    EXPECT_EQ(rig.tlv->PIDMode(0), 2);
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(3), -10.0);
    EXPECT_EQ(rig.tlv->SensorFailLimit(0), 3);
    EXPECT_DOUBLE_EQ(rig.tlv->Density(0), 0.4);
    EXPECT_DOUBLE_EQ(rig.tlv->ZFactor(0), 0.1);
    EXPECT_EQ(rig.tlv->SensorLoop(7), -1);
    EXPECT_EQ(rig.tlv->AnalogLoop(3), -1);
    EXPECT_FALSE(rig.tlv->TimerEnabled());
    EXPECT_FALSE(rig.tlv->FPEnabled());
    EXPECT_EQ(rig.tlv->FPInterval(), 250);
    EXPECT_EQ(rig.tlv->MedChange(), 15);
    EXPECT_EQ(rig.tlv->FastChange(), 40);
    auto* timer = rig.tlv->findChild<QTimer*>(QStringLiteral("TLVTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(rig.tlv->DLLName(), "libtlv880a.so");
    EXPECT_TRUE(rig.tlv->TimerDLLName().startsWith("libQt6Core"))
        << rig.tlv->TimerDLLName().toStdString();
}

TEST(Construction, StartsTheLibraryThenSwitchesToSimulate)
{
    auto lib = std::make_shared<fake::Library>();
    auto clock = std::make_shared<fake::Clock>();
    cTLV880a tlv(lib, clock);
    ASSERT_GE(lib->calls.size(), 2u);
    EXPECT_EQ(lib->calls[0].name, "Xdc770Startup2");
    EXPECT_EQ(lib->calls[0].args.at(0).toInt(), 0);
    EXPECT_EQ(lib->calls[1].name, "Xdc770Simulate");
    EXPECT_EQ(lib->calls[1].args.at(0).toInt(), 1);
}

TEST(Construction, CountsCardsUpToTheFirstEmptyEntry)
{
    Rig rig(cTLV880a::Build::Standard, cards({0, 300, 301, 0, 302, 0, 0, 0}, 0));
    EXPECT_EQ(rig.tlv->NumCards(), 2);
    EXPECT_EQ(rig.tlv->NumSensors(), 8);
    EXPECT_EQ(rig.tlv->NumOutputs(), 4);
    EXPECT_EQ(rig.tlv->NumAnalog(), 0);
    EXPECT_EQ(rig.tlv->Revision(2), 301);
}

TEST(StartupErrors, EveryResultHasItsMessage)
{
    const std::vector<std::pair<int, QString>> table{
        {901, "Two TLV-880 cards jumpered as slave."},
        {902, "Two TLV-880 cards jumpered as master."},
        {903, "TLV-880 is jumpered as a slave."},
        {904, "No TLV-880 card found."},
        {905, "No TLV-880 interrupt not enabled."},
        {906, "No TLV-880 driver found."},
        {900, "Unresolved TLV-880 startup error."},
        {907, "Unresolved TLV-880 startup error."},
    };
    for (const auto& [result, message] : table) {
        auto lib = std::make_shared<fake::Library>();
        lib->startupResult = result;
        // Construction's events reach no handler; a second start-up after a shutdown does.
        cTLV880a tlv(lib, std::make_shared<fake::Clock>());
        QSignalSpy errors(&tlv, &cTLV880a::TLVError);
        tlv.SendStartup(-1);
        EXPECT_EQ(tlv.SendStartup(0), 0);
        ASSERT_EQ(errors.count(), 1) << result;
        EXPECT_EQ(errors.at(0).at(0).toInt(), result);
        EXPECT_EQ(errors.at(0).at(1).toString(), message);
        EXPECT_EQ(tlv.Revision(0), result);
        EXPECT_EQ(tlv.OpMode(), 1);
    }
}

TEST(StartupErrors, ResultsBelow900AreSuccess)
{
    Rig rig(cTLV880a::Build::Standard, cards({0, 300, 0, 0, 0, 0, 0, 0}, 0));
    rig.tlv->SendStartup(-1);
    rig.lib->startupResult = 899;
    rig.tlv->SendStartup(0);
    EXPECT_TRUE(rig.errors->isEmpty());
}

TEST(Startup, SecondStartAndEarlyShutdownDoNothing)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->SendStartup(0), 0);
    EXPECT_EQ(rig.lib->count("Xdc770Startup2"), 0);
    EXPECT_EQ(rig.tlv->SendStartup(5), 0);
    EXPECT_EQ(rig.lib->count("Xdc770Startup2"), 0);
    rig.tlv->SendStartup(-1);
    EXPECT_EQ(rig.lib->count("Xdc770Startup2"), 1);
    rig.tlv->SendStartup(-1); // not started any more
    EXPECT_EQ(rig.lib->count("Xdc770Startup2"), 1);
}

TEST(Simulate, NormalModeNeedsACard)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->setOpMode(0), 0);
    EXPECT_EQ(rig.tlv->OpMode(), 1);
    ASSERT_EQ(rig.outputEvents->count(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(0).toInt(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "TLV880 set to simulate mode.");
    EXPECT_EQ(rig.outputEvents->at(0).at(2).toInt(), 0);
    EXPECT_EQ(rig.lib->last("Xdc770Simulate")->args.at(0).toInt(), 1);
}

TEST(Simulate, NormalModeWithACard)
{
    Rig rig(cTLV880a::Build::Standard, cards({0, 300, 0, 0, 0, 0, 0, 0}, 0));
    EXPECT_EQ(rig.tlv->SendSimulate(0), 0);
    EXPECT_EQ(rig.tlv->OpMode(), 0);
    ASSERT_EQ(rig.outputEvents->count(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(0).toInt(), 0);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "TLV880 set to normal mode.");
}

TEST(Simulate, RefusedModesChangeNothing)
{
    Rig rig(cTLV880a::Build::Standard, cards({0, 300, 0, 0, 0, 0, 0, 0}, 0));
    EXPECT_EQ(rig.tlv->SendSimulate(2), 17);
    EXPECT_EQ(rig.lastErrorMessage(), "TLV mode must be Normal(0) or Simulate(1)");
    EXPECT_EQ(rig.lib->count("Xdc770Simulate"), 0);
    rig.lib->results["Xdc770Simulate"] = 1;
    EXPECT_EQ(rig.tlv->SendSimulate(0), 99);
    EXPECT_EQ(rig.lastErrorNumber(), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected SendSimulate Error");
    EXPECT_EQ(rig.tlv->OpMode(), 1);
    EXPECT_TRUE(rig.outputEvents->isEmpty());
}

TEST(Init, StoresAndSetsThePollInterval)
{
    Rig rig;
    auto* timer = rig.tlv->findChild<QTimer*>(QStringLiteral("TLVTimer"));
    EXPECT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, 0.25), 0);
    EXPECT_EQ(timer->interval(), 125);
    EXPECT_DOUBLE_EQ(rig.tlv->Period(), 0.25);
    const fake::Call* call = rig.lib->last("Xdc770Init");
    ASSERT_NE(call, nullptr);
    EXPECT_DOUBLE_EQ(call->args.at(3).toDouble(), 0.25);

    EXPECT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, 2.01), 2);
    EXPECT_EQ(rig.lastErrorMessage(), "Period must be: 0.1 <= Period <= 2");
    EXPECT_EQ(timer->interval(), 125);
    EXPECT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, 0.09), 2);
    EXPECT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, std::nan("")), 2);
    EXPECT_EQ(rig.lib->count("Xdc770Init"), 1);
}

TEST(Init, FrequencyWindowChecks)
{
    Rig rig;
    const QString message = "Frequency must be: 1000000 <= XFMin <= XFInit <= XFmax <= 10000000";
    // Each value in range, but the initial frequency above the maximum.
    EXPECT_EQ(rig.tlv->SendInit(6000000, 1000000, 7000000, 0.25), 1);
    EXPECT_EQ(rig.lastErrorMessage(), message);
    EXPECT_EQ(rig.tlv->SendInit(10000001, 1000000, 5500000, 0.25), 1);
    EXPECT_EQ(rig.tlv->SendInit(10000000, 999999, 5500000, 0.25), 1);
    EXPECT_EQ(rig.tlv->SendInit(10000000, 6000000, 5500000, 0.25), 1);
    // The frequency check comes first.
    EXPECT_EQ(rig.tlv->SendInit(6000000, 1000000, 7000000, 5.0), 1);
    EXPECT_EQ(rig.lib->count("Xdc770Init"), 0);
    EXPECT_DOUBLE_EQ(rig.tlv->SensorMaxFreq(), 10000000.0);
}

TEST(Init, LibraryRefusalKeepsEverything)
{
    Rig rig;
    rig.lib->results["Xdc770Init"] = 1;
    EXPECT_EQ(rig.tlv->SendInit(6000000, 5000000, 5500000, 0.5), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unresolved Init Error");
    EXPECT_DOUBLE_EQ(rig.tlv->Period(), 0.1);
    EXPECT_DOUBLE_EQ(rig.tlv->SensorMaxFreq(), 10000000.0);
}

TEST(Init, PeriodAndSensorFrequencyGoThroughSendInit)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->setSensorFrequency(6000000, 5000000, 5900000), 0);
    EXPECT_EQ(rig.tlv->setPeriod(0.5), 0);
    const fake::Call* call = rig.lib->last("Xdc770Init");
    EXPECT_DOUBLE_EQ(call->args.at(0).toDouble(), 6000000);
    EXPECT_DOUBLE_EQ(call->args.at(1).toDouble(), 5000000);
    EXPECT_DOUBLE_EQ(call->args.at(2).toDouble(), 5900000);
    EXPECT_DOUBLE_EQ(call->args.at(3).toDouble(), 0.5);
    EXPECT_EQ(rig.tlv->setPeriod(3.0), 2);
    EXPECT_DOUBLE_EQ(rig.tlv->Period(), 0.5);
}

TEST(Counts, StandardBuild)
{
    Rig none;
    EXPECT_EQ(none.tlv->NumSensors(), 0);
    EXPECT_EQ(none.tlv->NumOutputs(), 0);
    EXPECT_EQ(none.tlv->NumAnalog(), 0);
    EXPECT_TRUE(none.tlv->NumSensorValid(23));
    EXPECT_FALSE(none.tlv->NumSensorValid(24));
    EXPECT_TRUE(none.tlv->NumOutputValid(13));
    EXPECT_FALSE(none.tlv->NumOutputValid(-1));
    EXPECT_TRUE(none.tlv->NumAnalogValid(3));
    EXPECT_FALSE(none.tlv->NumAnalogValid(4));

    Rig one(cTLV880a::Build::Standard, cards({0, 300, 0, 0, 0, 0, 0, 300}, 0));
    EXPECT_EQ(one.tlv->NumAnalog(), 4);
    EXPECT_TRUE(one.tlv->NumSensorValid(3));
    EXPECT_FALSE(one.tlv->NumSensorValid(4));
    EXPECT_TRUE(one.tlv->NumOutputValid(1));
    EXPECT_FALSE(one.tlv->NumOutputValid(2));
    EXPECT_TRUE(one.tlv->NumOutputValid(12));
    EXPECT_TRUE(one.tlv->NumOutputValid(13));
    EXPECT_TRUE(one.tlv->NumAnalogValid(0));

    Rig plain(cTLV880a::Build::Standard, cards({0, 300, 0, 0, 0, 0, 0, 0}, 0));
    EXPECT_FALSE(plain.tlv->NumOutputValid(12));
    EXPECT_FALSE(plain.tlv->NumAnalogValid(0));
}

TEST(Counts, NumCardsAcceptsOneToSix)
{
    Rig rig;
    rig.tlv->setNumCards(7);
    EXPECT_EQ(rig.tlv->NumCards(), 0);
    rig.tlv->setNumCards(0);
    EXPECT_EQ(rig.tlv->NumCards(), 0);
    rig.tlv->setNumCards(6);
    EXPECT_EQ(rig.tlv->NumCards(), 6);
    EXPECT_EQ(rig.tlv->NumSensors(), 24);
}

TEST(Counts, MonitorBuild)
{
    Rig none(cTLV880a::Build::Monitor);
    EXPECT_EQ(none.tlv->NumSensors(), 24);
    EXPECT_EQ(none.tlv->NumOutputs(), 14);
    EXPECT_EQ(none.tlv->NumAnalog(), 4);
    none.tlv->setNumCards(2); // the monitor cannot set the card count
    EXPECT_EQ(none.tlv->NumCards(), 0);

    Rig analog(cTLV880a::Build::Monitor, cards({0, 300, 300, 0, 0, 0, 0, 300}, 0));
    EXPECT_EQ(analog.tlv->NumSensors(), 8);
    EXPECT_EQ(analog.tlv->NumOutputs(), 6);
    EXPECT_EQ(analog.tlv->NumAnalog(), 4);
    Rig plain(cTLV880a::Build::Monitor, cards({0, 300, 0, 0, 0, 0, 0, 0}, 0));
    EXPECT_EQ(plain.tlv->NumOutputs(), 2);
    EXPECT_EQ(plain.tlv->NumAnalog(), 0);
}

TEST(StartMeas, ClearsStatusAndParksDualSpares)
{
    Rig rig;
    rig.tlv->setSensorDual(2, true);
    rig.tlv->setSensorLoop(2, 1);
    rig.tlv->setSensorEnabled(0, false);
    rig.sensorEvents->clear();
    rig.lib->calls.clear();

    EXPECT_EQ(rig.tlv->SendStartMeas(), 0);
    EXPECT_TRUE(rig.tlv->SensorEnabled(0));
    EXPECT_FALSE(rig.tlv->SensorEnabled(3)); // the spare of the dual head 2/3
    EXPECT_EQ(rig.tlv->SensorLoop(3), 1);    // and it follows its partner's loop
    int cleared = 0;
    for (const QList<QVariant>& e : *rig.sensorEvents)
        cleared += e.at(0).toInt() == -1 && e.at(1).toString() == "Sensor status cleared.";
    EXPECT_EQ(cleared, 24);
    // Sensor 3's disabled event follows its own "cleared" event.
    const QList<QVariant>& disabled = rig.sensorEvents->at(4);
    EXPECT_EQ(disabled.at(0).toInt(), 0);
    EXPECT_EQ(disabled.at(1).toString(), "Sensor 4 Sensor Disabled.");
    EXPECT_EQ(disabled.at(2).toInt(), 3);
    // The library's map takes sensor 0 back and leaves the spare out.
    const std::vector<int> map = rig.lib->lastMap();
    ASSERT_EQ(map.size(), 24u);
    EXPECT_EQ(map[2], 1);
    EXPECT_EQ(map[3], -1);
    EXPECT_EQ(rig.lib->calls.back().name, "Xdc770StartMeas");
}

TEST(StartMeas, ReenabledSensorsReturnToTheLibraryMap)
{
    Rig rig;
    rig.tlv->setSensorLoop(0, 0);
    rig.tlv->setSensorEnabled(0, false);
    EXPECT_EQ(rig.lib->lastMap()[0], -1);
    rig.tlv->SendStartMeas();
    EXPECT_EQ(rig.lib->lastMap()[0], 0);
}

TEST(StartMeas, LibraryRefusal)
{
    Rig rig;
    rig.lib->results["Xdc770StartMeas"] = 1;
    EXPECT_EQ(rig.tlv->SendStartMeas(), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected StartMeas Error");
    EXPECT_FALSE(rig.tlv->TimerEnabled()); // the program switches the poll on itself
}

TEST(Destruction, SimulateThenShutDownWithoutRaisingEvents)
{
    auto lib = std::make_shared<fake::Library>();
    {
        cTLV880a tlv(lib, std::make_shared<fake::Clock>());
        tlv.setTimerEnabled(true);
        lib->calls.clear();
        QObject::connect(&tlv, &cTLV880a::TLVOutputEvent,
                         [] { FAIL() << "no event may leave a dying instrument"; });
    }
    ASSERT_EQ(lib->calls.size(), 2u);
    EXPECT_EQ(lib->calls[0].name, "Xdc770Simulate");
    EXPECT_EQ(lib->calls[0].args.at(0).toInt(), 1);
    EXPECT_EQ(lib->calls[1].name, "Xdc770Startup2");
    EXPECT_EQ(lib->calls[1].args.at(0).toInt(), -1);
}

TEST(Unbound, MissingExportReports98AndReturnsSafely)
{
    Rig rig;
    rig.lib->missing << "Xdc770Init"
                     << "Xdc770GetReadings";
    EXPECT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, 0.25), 98);
    EXPECT_EQ(rig.lastErrorNumber(), 98);
    EXPECT_TRUE(rig.lastErrorMessage().contains("Xdc770Init"));
    EXPECT_DOUBLE_EQ(rig.tlv->Period(), 0.1);

    // A timer reports the same failure once, a direct call every time.
    rig.errors->clear();
    rig.tlv->TLVTimer_Timer();
    rig.tlv->TLVTimer_Timer();
    EXPECT_EQ(rig.errors->count(), 1);
    SensorArray s{};
    OutputArray o{};
    int count = -5;
    EXPECT_EQ(rig.tlv->GetReadings(s, o, count), 98);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(rig.errors->count(), 2);
}

TEST(Unbound, MissingLibraryAtStartup)
{
    auto lib = std::make_shared<fake::Library>();
    lib->missing << "Xdc770Startup2"
                 << "Xdc770Simulate";
    auto tlv = std::make_unique<cTLV880a>(lib, std::make_shared<fake::Clock>());
    EXPECT_EQ(tlv->Revision(0), 0);
    EXPECT_EQ(tlv->OpMode(), 1);
    QSignalSpy errors(tlv.get(), &cTLV880a::TLVError);
    EXPECT_EQ(tlv->SendStartup(0), 0); // tries again, reports again
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toInt(), 98);
    lib->calls.clear();
    tlv.reset(); // never started: nothing to switch off
    EXPECT_TRUE(lib->calls.empty());
}

TEST(Unbound, RealBindingNamesTheMissingFile)
{
    qputenv("TLV880_LIBRARY", "/nonexistent/libtlv880a.so");
    auto binding = tlv::makeLibraryBinding();
    int info[8] = {};
    EXPECT_FALSE(binding->Xdc770Startup2(0, info).has_value());
    EXPECT_TRUE(binding->failureMessage().contains("/nonexistent/libtlv880a.so"))
        << binding->failureMessage().toStdString();
    EXPECT_FALSE(binding->Xdc770Init(1, 1, 1, 1).has_value());

    // A library without the exports: the missing one is named.
    qputenv("TLV880_LIBRARY", "libm.so.6");
    auto other = tlv::makeLibraryBinding();
    EXPECT_FALSE(other->Xdc770Init(1, 1, 1, 1).has_value());
    EXPECT_EQ(other->failureMessage(), "The card library libm.so.6 has no export Xdc770Init.");
    qunsetenv("TLV880_LIBRARY");
}

// An installed library has only its versioned name (no development link): the binding must find
// it there as well, without giving up the order TLV880_LIBRARY, program folder, search path.
TEST(Unbound, CandidatesPreferTheExplicitFileThenTheProgramFolderThenTheSearchPath)
{
    const QString plain = tlv::libraryFileName();
    const QString versioned = tlv::versionedLibraryFileName();
    ASSERT_TRUE(versioned.startsWith(plain + ".")) << versioned.toStdString();

    EXPECT_EQ(tlv::libraryCandidates("/opt/x/libtlv880a.so", "/usr/bin"),
              QStringList{"/opt/x/libtlv880a.so"});
    EXPECT_EQ(tlv::libraryCandidates({}, {}), (QStringList{plain, versioned}));

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_EQ(tlv::libraryCandidates({}, folder.path()), (QStringList{plain, versioned}))
        << "files absent from the program folder are not tried there";

    QFile(folder.filePath(versioned)).open(QIODevice::WriteOnly);
    EXPECT_EQ(tlv::libraryCandidates({}, folder.path()),
              (QStringList{folder.filePath(versioned), plain, versioned}));

    QFile(folder.filePath(plain)).open(QIODevice::WriteOnly);
    EXPECT_EQ(tlv::libraryCandidates({}, folder.path()),
              (QStringList{folder.filePath(plain), folder.filePath(versioned), plain, versioned}));
}
