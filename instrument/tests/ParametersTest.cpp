// Loop terms, PID/manual mode, power, output scaling, film material, zeroing, names and the
// per-output health settings: checks in their order, unit conversions and the storing rule.

#include "InstrumentRig.h"

#include <gtest/gtest.h>

#include <cmath>

using fake::Rig;

namespace {
// An output ready for manual power: 0..100 % allowed.
void allowPower(Rig& rig, short out, double maxPower = 100.0)
{
    ASSERT_EQ(rig.tlv->SendFullScale(out, 10.0, maxPower, 0.0), 0);
}
} // namespace

TEST(SendLoop, ChecksInOrderThenSendsAndStores)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->SendLoop(1000, 1e5, 100, 100, -1), 6); // rate first
    EXPECT_EQ(rig.lastErrorMessage(), "Rate must be: 0 <= Rate <= 999.9");
    EXPECT_EQ(rig.tlv->SendLoop(10, 1e5, 100, 100, -1), 7);
    EXPECT_EQ(rig.lastErrorMessage(), "PTerm must be: 0 <= PTerm <= 9999");
    EXPECT_EQ(rig.tlv->SendLoop(10, 50, 100, 100, -1), 8);
    EXPECT_EQ(rig.lastErrorMessage(), "ITerm must be: 0 <= ITerm <= 99.9");
    EXPECT_EQ(rig.tlv->SendLoop(10, 50, 1, 100, -1), 9);
    EXPECT_EQ(rig.lastErrorMessage(), "DTerm must be: 0 <= DTerm <= 99.9");
    EXPECT_EQ(rig.tlv->SendLoop(10, 50, 1, 1, -1), 5);
    EXPECT_EQ(rig.lastErrorMessage(), "Invalid Output Number.");
    EXPECT_EQ(rig.tlv->SendLoop(10, 50, 1, 1, 14), 5);
    EXPECT_EQ(rig.tlv->SendLoop(-0.1, 50, 1, 1, 0), 6);
    EXPECT_EQ(rig.lib->count("Xdc770Loop2"), 0);

    EXPECT_EQ(rig.tlv->SendLoop(999.9, 9999, 99.9, 99.9, 13), 0);
    const fake::Call* call = rig.lib->last("Xdc770Loop2");
    EXPECT_DOUBLE_EQ(call->args.at(0).toDouble(), 999.9);
    EXPECT_EQ(call->args.at(4).toInt(), 13);
    EXPECT_DOUBLE_EQ(rig.tlv->Rate(13), 999.9);
    EXPECT_DOUBLE_EQ(rig.tlv->PTerm(13), 9999);
    EXPECT_DOUBLE_EQ(rig.tlv->ITerm(13), 99.9);
    EXPECT_DOUBLE_EQ(rig.tlv->DTerm(13), 99.9);
    EXPECT_TRUE(rig.outputEvents->isEmpty()); // already in PID mode
}

TEST(SendLoop, LibraryRefusalStoresNothing)
{
    Rig rig;
    rig.lib->results["Xdc770Loop2"] = 1;
    EXPECT_EQ(rig.tlv->SendLoop(5, 1, 1, 1, 2), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected Loop Error on Output 3");
    EXPECT_DOUBLE_EQ(rig.tlv->Rate(2), 0.0);
}

TEST(LoopTerms, InPidModeSendWithTheOtherStoredTerms)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->SendLoop(5, 10, 2, 3, 0), 0);
    EXPECT_EQ(rig.tlv->setPTerm(0, 20), 0);
    const fake::Call* call = rig.lib->last("Xdc770Loop2");
    EXPECT_DOUBLE_EQ(call->args.at(0).toDouble(), 5);
    EXPECT_DOUBLE_EQ(call->args.at(1).toDouble(), 20);
    EXPECT_DOUBLE_EQ(call->args.at(2).toDouble(), 2);
    EXPECT_DOUBLE_EQ(call->args.at(3).toDouble(), 3);

    EXPECT_EQ(rig.tlv->setRate(0, 1000), 6);
    EXPECT_DOUBLE_EQ(rig.tlv->Rate(0), 5);
    rig.lib->results["Xdc770Loop2"] = 1;
    EXPECT_EQ(rig.tlv->setITerm(0, 4), 99);
    EXPECT_DOUBLE_EQ(rig.tlv->ITerm(0), 2);
    rig.lib->results.clear();
    EXPECT_EQ(rig.tlv->setDTerm(0, 9), 0);
    EXPECT_DOUBLE_EQ(rig.tlv->DTerm(0), 9);
}

TEST(LoopTerms, InManualModeAreKeptForTheSwitchToPid)
{
    Rig rig;
    allowPower(rig, 0);
    ASSERT_EQ(rig.tlv->SendPower(0, 10), 0);
    ASSERT_EQ(rig.tlv->PIDMode(0), 3);
    rig.lib->calls.clear();
    EXPECT_EQ(rig.tlv->setPTerm(0, 50), 0);
    EXPECT_DOUBLE_EQ(rig.tlv->PTerm(0), 50);
    EXPECT_TRUE(rig.lib->calls.empty());
    // Limits still hold, or the later switch would be refused.
    EXPECT_EQ(rig.tlv->setRate(0, 1000), 6);
    EXPECT_DOUBLE_EQ(rig.tlv->Rate(0), 0);
    rig.outputEvents->clear();

    EXPECT_EQ(rig.tlv->setPIDMode(0, true), 0);
    EXPECT_EQ(rig.tlv->PIDMode(0), 2);
    EXPECT_DOUBLE_EQ(rig.lib->last("Xdc770Loop2")->args.at(1).toDouble(), 50);
    ASSERT_EQ(rig.outputEvents->count(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(0).toInt(), 2);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "Output 1 set to PID mode.");
    EXPECT_EQ(rig.outputEvents->at(0).at(2).toInt(), 0);
}

TEST(SendPower, LimitsConversionAndModeSwitch)
{
    Rig rig;
    allowPower(rig, 0, 40);
    EXPECT_EQ(rig.tlv->SendPower(0, 50), 15);
    // The message names 100 whatever the output's maximum is.
    EXPECT_EQ(rig.lastErrorMessage(), "Output Power must be: 0 <= Power <= 100");
    EXPECT_EQ(rig.tlv->SendPower(0, -1), 15);
    EXPECT_EQ(rig.tlv->SendPower(-1, 10), 5);
    EXPECT_EQ(rig.lib->count("Xdc770SetPower"), 0);

    rig.tlv->setOutputName(0, "Gold");
    EXPECT_EQ(rig.tlv->SendPower(0, 25), 0);
    EXPECT_DOUBLE_EQ(rig.lib->last("Xdc770SetPower")->args.at(1).toDouble(), 0.25);
    ASSERT_EQ(rig.outputEvents->count(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(0).toInt(), 3);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "Gold PID -> Manual Power 25.0% .");
    EXPECT_EQ(rig.tlv->SendPower(0, 30), 0);
    EXPECT_EQ(rig.outputEvents->count(), 1); // already manual

    rig.lib->results["Xdc770SetPower"] = 1;
    EXPECT_EQ(rig.tlv->SendPower(0, 30), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected SendPower Error on Output 1");
}

TEST(SendPower, FiftyPercentMessage)
{
    Rig rig;
    allowPower(rig, 4);
    ASSERT_EQ(rig.tlv->SendPower(4, 50), 0);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "Output 5 PID -> Manual Power 50.0% .");
}

TEST(PIDMode, FalseHoldsTheCurrentPower)
{
    Rig rig;
    allowPower(rig, 1);
    rig.lib->power[1] = 0.375;
    EXPECT_DOUBLE_EQ(rig.tlv->GetPower(1), 37.5);
    EXPECT_EQ(rig.tlv->setPIDMode(1, false), 0);
    EXPECT_EQ(rig.tlv->PIDMode(1), 3);
    EXPECT_DOUBLE_EQ(rig.lib->last("Xdc770SetPower")->args.at(1).toDouble(), 0.375);
    EXPECT_DOUBLE_EQ(rig.tlv->GetPower(14), 0.0);
    EXPECT_EQ(rig.lastErrorNumber(), 5);
    EXPECT_EQ(rig.tlv->PIDMode(-1), 0);
}

TEST(SendFullScale, ChecksInOrderAndConverts)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->SendFullScale(14, 20, 200, 200), 5);
    EXPECT_EQ(rig.tlv->SendFullScale(0, 10.01, 200, 200), 14);
    EXPECT_EQ(rig.lastErrorMessage(), "Ouput voltage must be: -10 <= Output Voltage <= 10");
    EXPECT_EQ(rig.tlv->SendFullScale(0, -10, 100.5, 200), 15);
    EXPECT_EQ(rig.lastErrorMessage(), "Output Power must be: 0 <= Power <= 100");
    EXPECT_EQ(rig.tlv->SendFullScale(0, -10, 100, 100.5), 16);
    EXPECT_EQ(rig.lastErrorMessage(), "Slew Rate must be: 0 <= Slew Rate <= 100");
    EXPECT_EQ(rig.lib->count("Xdc770FullScale"), 0);

    EXPECT_EQ(rig.tlv->SendFullScale(12, 5, 80, 20), 0);
    const fake::Call* call = rig.lib->last("Xdc770FullScale");
    EXPECT_EQ(call->args.at(0).toInt(), 12);
    EXPECT_DOUBLE_EQ(call->args.at(1).toDouble(), 5);
    EXPECT_DOUBLE_EQ(call->args.at(2).toDouble(), 0.8);
    EXPECT_DOUBLE_EQ(call->args.at(3).toDouble(), 0.2);
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(12), 5);
    EXPECT_DOUBLE_EQ(rig.tlv->MaxPower(12), 80);
    EXPECT_DOUBLE_EQ(rig.tlv->SlewRate(12), 20);

    rig.lib->results["Xdc770FullScale"] = 1;
    EXPECT_EQ(rig.tlv->SendFullScale(12, 6, 70, 10), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected FullScale Error on Output 13");
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(12), 5);
}

TEST(SendFullScale, LetsSendTheOtherStoredValues)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->SendFullScale(3, 5, 80, 20), 0);
    EXPECT_EQ(rig.tlv->setSlewRate(3, 30), 0);
    EXPECT_DOUBLE_EQ(rig.lib->last("Xdc770FullScale")->args.at(2).toDouble(), 0.8);
    EXPECT_EQ(rig.tlv->setMaxPower(3, 60), 0);
    EXPECT_DOUBLE_EQ(rig.lib->last("Xdc770FullScale")->args.at(3).toDouble(), 0.3);
    EXPECT_EQ(rig.tlv->setFSOut(3, -4), 0);
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(3), -4);
    EXPECT_EQ(rig.tlv->setFSOut(3, 11), 14);
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(3), -4);
    // A value the library refused is not kept either.
    rig.lib->results["Xdc770FullScale"] = 1;
    EXPECT_EQ(rig.tlv->setFSOut(3, 2), 99);
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(3), -4);
    EXPECT_EQ(rig.tlv->setMaxPower(-1, 2), 5);
    EXPECT_DOUBLE_EQ(rig.tlv->FSOut(20), 0.0);
    EXPECT_EQ(rig.lastErrorMessage(), "Invalid Output Number.");
}

TEST(SendMaterial, ChecksInOrderMaskAndToolingFactor)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->SendMaterial(24, 0, 0, -1), 10);
    EXPECT_EQ(rig.lastErrorMessage(), "Invalid Sensor Number.");
    EXPECT_EQ(rig.tlv->SendMaterial(3, 0.39, 0, -1), 11);
    EXPECT_EQ(rig.lastErrorMessage(), "Density must be: 0.4 <= Density <= 99.99");
    // The Z-factor is checked before the tooling.
    EXPECT_EQ(rig.tlv->SendMaterial(3, 99.99, 10, -1), 13);
    EXPECT_EQ(rig.lastErrorMessage(), "ZFactor must be: 0.1 <= ZFactor <= 9.999");
    EXPECT_EQ(rig.tlv->SendMaterial(3, 99.99, 9.999, 999.5), 12);
    EXPECT_EQ(rig.lastErrorMessage(), "Tooling must be: 0 <= Tooling <= 999");
    EXPECT_EQ(rig.lib->count("Xdc770Material"), 0);

    EXPECT_EQ(rig.tlv->SendMaterial(3, 19.3, 0.381, 100), 0);
    const fake::Call* call = rig.lib->last("Xdc770Material");
    EXPECT_EQ(call->args.at(0).toInt(), 8);
    EXPECT_DOUBLE_EQ(call->args.at(3).toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(rig.tlv->Density(3), 19.3);
    EXPECT_DOUBLE_EQ(rig.tlv->ZFactor(3), 0.381);
    EXPECT_DOUBLE_EQ(rig.tlv->Tooling(3), 100);

    EXPECT_EQ(rig.tlv->setTooling(3, 90), 0);
    EXPECT_DOUBLE_EQ(rig.lib->last("Xdc770Material")->args.at(1).toDouble(), 19.3);
    EXPECT_EQ(rig.tlv->setDensity(3, 2.7), 0);
    EXPECT_EQ(rig.tlv->setZFactor(3, 1.08), 0);
    call = rig.lib->last("Xdc770Material");
    EXPECT_DOUBLE_EQ(call->args.at(1).toDouble(), 2.7);
    EXPECT_DOUBLE_EQ(call->args.at(2).toDouble(), 1.08);
    EXPECT_DOUBLE_EQ(call->args.at(3).toDouble(), 0.9);

    rig.lib->results["Xdc770Material"] = 1;
    EXPECT_EQ(rig.tlv->setDensity(23, 5), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected Material Error on Sensor 24");
    EXPECT_DOUBLE_EQ(rig.tlv->Density(23), 0.4);
}

TEST(Zeroing, SensorOutputAndAll)
{
    Rig rig(cTLV880a::Build::Standard, [](fake::Library& lib) {
        lib.startupInfo = {0, 300, 0, 0, 0, 0, 0, 300};
        lib.startupResult = 0;
    });
    EXPECT_EQ(rig.tlv->ZeroSensor(24), 10);
    EXPECT_EQ(rig.tlv->ZeroSensor(5), 0);
    EXPECT_EQ(rig.lib->last("Xdc770ZeroSensor")->args.at(0).toInt(), 5);
    rig.lib->results["Xdc770ZeroSensor"] = 1;
    EXPECT_EQ(rig.tlv->ZeroSensor(5), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected ZeroThickness Error");

    EXPECT_EQ(rig.tlv->ZeroThickness(-1), 5);
    rig.lib->results["Xdc770Zero2"] = 1;
    EXPECT_EQ(rig.tlv->ZeroThickness(1), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected ZeroThickness Error");
    EXPECT_EQ(rig.tlv->ZeroAll(), 99);
    EXPECT_EQ(rig.lastErrorMessage(), "Unexpected ZeroThcikness Error");

    // One card with the analog section: outputs 0, 1, 12 and 13 are zeroed.
    rig.lib->results.clear();
    rig.lib->calls.clear();
    EXPECT_EQ(rig.tlv->ZeroAll(), 0);
    std::vector<int> zeroed;
    for (const fake::Call& c : rig.lib->calls)
        if (c.name == "Xdc770Zero2") zeroed.push_back(c.args.at(0).toInt());
    EXPECT_EQ(zeroed, (std::vector<int>{0, 1, 12, 13}));
}

TEST(Names, StoredOnlyWithIndexChecks)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->setSensorName(2, "Crystal A"), 0);
    EXPECT_EQ(rig.tlv->SensorName(2), "Crystal A");
    EXPECT_EQ(rig.tlv->setSensorName(24, "x"), 10);
    EXPECT_EQ(rig.tlv->SensorName(-1), "");
    EXPECT_EQ(rig.lastErrorNumber(), 10);
    EXPECT_EQ(rig.tlv->setOutputName(14, "x"), 5);
    EXPECT_EQ(rig.tlv->OutputName(14), "");
    EXPECT_EQ(rig.lastErrorNumber(), 5);
    EXPECT_TRUE(rig.lib->calls.empty());
}

TEST(SensorDual, PairsAlwaysMatch)
{
    Rig rig;
    rig.tlv->setSensorDual(4, true);
    EXPECT_TRUE(rig.tlv->SensorDual(5));
    rig.tlv->setSensorDual(5, false);
    EXPECT_FALSE(rig.tlv->SensorDual(4));
    EXPECT_EQ(rig.tlv->setSensorDual(24, true), 10);
}

TEST(HealthSettings, StoredPerOutputWithIndexCheck)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->setControlError(13, 5), 0);
    EXPECT_EQ(rig.tlv->setControlErrorLimit(13, 10), 0);
    EXPECT_EQ(rig.tlv->setSensorFailLimit(13, 4), 0);
    EXPECT_EQ(rig.tlv->setSensorQuality(13, 2.5), 0);
    EXPECT_EQ(rig.tlv->setSensorQualityLimit(13, 6), 0);
    EXPECT_EQ(rig.tlv->setSensorStabilityLimit(13, 500), 0);
    EXPECT_EQ(rig.tlv->setSensorStabilitySingle(13, 100), 0);
    EXPECT_DOUBLE_EQ(rig.tlv->ControlError(13), 5);
    EXPECT_EQ(rig.tlv->ControlErrorLimit(13), 10);
    EXPECT_EQ(rig.tlv->SensorFailLimit(13), 4);
    EXPECT_DOUBLE_EQ(rig.tlv->SensorQuality(13), 2.5);
    EXPECT_EQ(rig.tlv->SensorQualityLimit(13), 6);
    EXPECT_EQ(rig.tlv->SensorStabilityLimit(13), 500);
    EXPECT_EQ(rig.tlv->SensorStabilitySingle(13), 100);
    EXPECT_EQ(rig.tlv->setSensorFailLimit(14, 1), 5);
    EXPECT_EQ(rig.tlv->SensorQualityLimit(-1), 0);
    EXPECT_EQ(rig.lastErrorNumber(), 5);
    EXPECT_TRUE(rig.lib->calls.empty());
}
