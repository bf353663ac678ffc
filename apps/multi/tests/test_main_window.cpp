// The main window over the card library double: card detection, the send commands and their
// target sets, the stored tables, the readings and the settings file.

#include "WindowFixture.h"

#include "tlvtest/MaterialPicking.h"

using namespace multi;
using namespace multi::testing;

namespace {

const QString kCardList0 = QStringLiteral("lstCard_0");
const QString kCardList1 = QStringLiteral("lstCard_1");
const QString kSensorList = QStringLiteral("lstSensor");
const QString kOutputList = QStringLiteral("lstOutputs");

TEST_F(WindowTest, WithoutCardsSixSimulatedCardsAndOnlySimulate)
{
    frmMain& w = Open();
    EXPECT_EQ(w.TLV880().NumCards(), 6);
    EXPECT_EQ(w.TLV880().OpMode(), 1);
    EXPECT_FALSE(Find<QRadioButton>(QStringLiteral("optSimulate_0"))->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optSimulate_1"))->isChecked());
    EXPECT_TRUE(Find<QLabel>(QStringLiteral("lblSim"))->isVisibleTo(&w));
    for (int card = 0; card < 6; ++card)
        EXPECT_EQ(Find<QGroupBox>(ArrayName("fraCard", card))->title(),
                  QStringLiteral("Card %1: ").arg(card + 1));
    EXPECT_EQ(List(kCardList0)->currentText(), QStringLiteral("Card 1"));
    EXPECT_EQ(List(kSensorList)->currentText(), QStringLiteral("Sensor 1"));
    EXPECT_EQ(List(kCardList1)->currentText(), QStringLiteral("Card 1"));
    EXPECT_EQ(List(kOutputList)->currentText(), QStringLiteral("Output 1"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("tlvmulti-Card Deposition"));
    // nothing is sent at start but the start-up and the card count
    EXPECT_TRUE(library->lines().isEmpty())
        << library->lines().join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowTest, TwoCardsShowRevisionsAndAllCardsOutput2AddressesOutputs1And3)
{
    frmMain& w = Open({300, 310});
    EXPECT_EQ(w.TLV880().NumCards(), 2);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optSimulate_0"))->isEnabled());
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_0"))->title(),
              QStringLiteral("Card 1: 3.00"));
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_1"))->title(),
              QStringLiteral("Card 2: 3.10"));
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_2"))->title(), QStringLiteral("Card 3: "));
    // The simulation is marked while the mode is Simulate, and only then.
    auto* sim = Find<QLabel>(QStringLiteral("lblSim"));
    EXPECT_EQ(sim->isVisibleTo(&w),
              Find<QRadioButton>(QStringLiteral("optSimulate_1"))->isChecked());
    Find<QRadioButton>(QStringLiteral("optSimulate_0"))->click();
    EXPECT_FALSE(sim->isVisibleTo(&w));
    Find<QRadioButton>(QStringLiteral("optSimulate_1"))->click();
    EXPECT_TRUE(sim->isVisibleTo(&w));

    Choose(kCardList1, 0);
    Choose(kOutputList, 2);
    Text("txtFullScale", 0)->setText(QStringLiteral("5"));
    Text("txtFullScale", 1)->setText(QStringLiteral("80"));
    Text("txtFullScale", 2)->setText(QStringLiteral("50"));
    Click("cmdFullScale");
    EXPECT_EQ(library->linesOf(QStringLiteral("FullScale")),
              (QStringList{QStringLiteral("FullScale 1 5 0.8 0.5"),
                           QStringLiteral("FullScale 3 5 0.8 0.5")}));
    EXPECT_EQ(ButtonColour(Button("cmdFullScale")), kOkColour);
    EXPECT_EQ(OutputKeyValue(w.Setup().outputs[1]), QStringLiteral("5,80,50"));
    EXPECT_EQ(OutputKeyValue(w.Setup().outputs[3]), QStringLiteral("5,80,50"));
    EXPECT_EQ(OutputKeyValue(w.Setup().outputs[0]), QStringLiteral("10,100,100"));
    EXPECT_EQ(OutputKeyValue(w.Setup().outputs[5]), QStringLiteral("10,100,100"));
}

TEST_F(WindowTest, SendAllStopsEachGroupAtItsFirstFailureAndGoesOn)
{
    Open();
    library->refuse = [](const QString& call) {
        return call.startsWith(QStringLiteral("Material 32 ")) ? 1 : 0; // sensor 5
    };
    Click("cmdDoIt");

    EXPECT_EQ(library->linesOf(QStringLiteral("Init")).size(), 1);
    EXPECT_EQ(ButtonColour(Button("cmdInit")), kOkColour);
    QStringList masks;
    for (const QString& call : library->linesOf(QStringLiteral("Material ")))
        masks << call.section(QLatin1Char(' '), 1, 1);
    EXPECT_EQ(masks, (QStringList{"1", "2", "4", "8", "16", "32"}));
    EXPECT_EQ(ButtonColour(Button("cmdMaterial")), kFailColour);

    EXPECT_EQ(library->linesOf(QStringLiteral("MapSensors")).size(), 24);
    const QStringList loops = library->linesOf(QStringLiteral("Loop "));
    ASSERT_EQ(loops.size(), 12);
    EXPECT_EQ(loops.first(), QStringLiteral("Loop 0 10 50 1 0"));
    EXPECT_EQ(loops.last(), QStringLiteral("Loop 11 10 50 1 0"));
    EXPECT_EQ(ButtonColour(Button("cmdLoop")), kOkColour);
    const QStringList scales = library->linesOf(QStringLiteral("FullScale"));
    ASSERT_EQ(scales.size(), 12);
    EXPECT_EQ(scales.last(), QStringLiteral("FullScale 11 10 1 1"));
    EXPECT_EQ(ButtonColour(Button("cmdFullScale")), kOkColour);

    // the groups run in their order: init, material, sensor loops, loops, full scale
    const QStringList calls = library->lines();
    EXPECT_LT(calls.indexOf(QStringLiteral("Material 32 1 1 1")),
              calls.indexOf(QRegularExpression(QStringLiteral("MapSensors .*"))));
    EXPECT_LT(calls.lastIndexOf(QRegularExpression(QStringLiteral("MapSensors .*"))),
              calls.indexOf(QStringLiteral("Loop 0 10 50 1 0")));
    EXPECT_LT(calls.indexOf(QStringLiteral("Loop 11 10 50 1 0")),
              calls.indexOf(QStringLiteral("FullScale 0 10 1 1")));
}

TEST_F(WindowTest, SendAllUsesTheStoredTablesAndSensorMap)
{
    WriteIni(QStringLiteral("[Sensor]\nSensor2=2.5,0.5,90,4\n[Loop]\nLoop2=20,60,2,0.5\n"
                            "[Output]\nOutput2=5,80,40\n"));
    Open({300});
    Click("cmdDoIt");
    EXPECT_TRUE(library->lines().contains(QStringLiteral("Material 2 2.5 0.5 0.9")));
    EXPECT_EQ(library->linesOf(QStringLiteral("Material ")).size(), 4); // one card
    EXPECT_TRUE(library->lines().contains(QStringLiteral("Loop 1 20 60 2 0.5")));
    EXPECT_TRUE(library->lines().contains(QStringLiteral("FullScale 1 5 0.8 0.4")));
    EXPECT_EQ(library->linesOf(QStringLiteral("Loop ")).size(), 2);
    EXPECT_EQ(window->TLV880().SensorLoop(1), 3);
}

TEST_F(WindowTest, MaterialGoesToTheTargetSetAndFillsTheTable)
{
    frmMain& w = Open();
    Choose(kCardList0, 2);
    Choose(kSensorList, 0);
    Text("txtMaterial", 0)->setText(QStringLiteral("2.5"));
    Text("txtMaterial", 1)->setText(QStringLiteral("0.5"));
    Text("txtMaterial", 2)->setText(QStringLiteral("90"));
    Click("cmdMaterial");
    EXPECT_EQ(library->linesOf(QStringLiteral("Material")),
              (QStringList{"Material 16 2.5 0.5 0.9", "Material 32 2.5 0.5 0.9",
                           "Material 64 2.5 0.5 0.9", "Material 128 2.5 0.5 0.9"}));
    EXPECT_EQ(ButtonColour(Button("cmdMaterial")), kOkColour);
    EXPECT_EQ(SensorKeyValue(w.Setup().sensors[6]), QStringLiteral("2.5,0.5,90,0"));
    EXPECT_EQ(SensorKeyValue(w.Setup().sensors[3]), QStringLiteral("1,1,100,0"));

    // naming one sensor shows its stored row; "All" keeps the boxes as they are
    Choose(kCardList0, 1);
    Choose(kSensorList, 3);
    EXPECT_EQ(Text("txtMaterial", 0)->text(), QStringLiteral("1"));
    Choose(kCardList0, 2);
    EXPECT_EQ(Text("txtMaterial", 0)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(Text("txtMaterial", 2)->text(), QStringLiteral("90"));
    Text("txtMaterial", 0)->setText(QStringLiteral("7"));
    Choose(kCardList0, 0);
    EXPECT_EQ(Text("txtMaterial", 0)->text(), QStringLiteral("7"));
}

TEST_F(WindowTest, APickedFilmFillsDensityAndZFactorForTheMaterialCommand)
{
    frmMain& w = Open();
    Choose(kCardList0, 1);
    Choose(kSensorList, 2);
    auto* picker = w.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial"));
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(picker->Shown());
    tlvtest::PickMaterial(picker, QStringLiteral("aluminium"));
    EXPECT_EQ(Text("txtMaterial", 0)->text(), QStringLiteral("2.70"));
    EXPECT_EQ(Text("txtMaterial", 1)->text(), QStringLiteral("1.080"));
    EXPECT_EQ(Text("txtMaterial", 2)->text(), QStringLiteral("100")) << "the tooling stays";
    EXPECT_TRUE(library->linesOf(QStringLiteral("Material")).isEmpty()) << "sent by the command";
    Click("cmdMaterial");
    EXPECT_EQ(library->linesOf(QStringLiteral("Material")),
              QStringList{QStringLiteral("Material 2 2.7 1.08 1")});
    EXPECT_EQ(SensorKeyValue(w.Setup().sensors[1]), QStringLiteral("2.70,1.080,100,0"));

    // The stored row of another sensor shows no film; back on this one, its film again.
    Choose(kSensorList, 3);
    EXPECT_FALSE(picker->Shown());
    Choose(kSensorList, 2);
    EXPECT_EQ(picker->ShownName(), QStringLiteral("Aluminium"));

    // Typed by hand, the numbers keep working and name no film; the instrument still judges
    // them as it always has.
    Text("txtMaterial", 1)->setText(QStringLiteral("12"));
    EXPECT_FALSE(picker->Shown());
    library->calls.clear();
    Click("cmdMaterial");
    EXPECT_TRUE(library->linesOf(QStringLiteral("Material")).isEmpty());
    EXPECT_EQ(ButtonColour(Button("cmdMaterial")), kFailColour);
}

TEST_F(WindowTest, FailedSendStopsTheWalkButStoresTheWholeTargetSet)
{
    frmMain& w = Open();
    Choose(kCardList0, 0);
    Choose(kSensorList, 0);
    library->refuse = [](const QString& call) {
        return call.startsWith(QStringLiteral("Material 4 ")) ? 1 : 0;
    };
    Text("txtMaterial", 0)->setText(QStringLiteral("3"));
    Click("cmdMaterial");
    EXPECT_EQ(library->linesOf(QStringLiteral("Material")).size(), 3);
    EXPECT_EQ(ButtonColour(Button("cmdMaterial")), kFailColour);
    EXPECT_EQ(w.Setup().sensors[23].density, QStringLiteral("3"));
}

TEST_F(WindowTest, EntriesThatAreNoNumberAreRefusedWithAMessage)
{
    frmMain& w = Open();
    Text("txtMaterial", 1)->setText(QStringLiteral("abc"));
    Click("cmdMaterial");
    EXPECT_TRUE(library->linesOf(QStringLiteral("Material")).isEmpty());
    EXPECT_EQ(ButtonColour(Button("cmdMaterial")), kFailColour);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, QStringLiteral("ZFactor must be a number, not \"abc\"."));
    EXPECT_EQ(w.Setup().sensors[0].zFactor, QStringLiteral("1"));

    Text("txtInit", 4)->setText(QString());
    Click("cmdInit");
    EXPECT_TRUE(library->linesOf(QStringLiteral("Init")).isEmpty());
    EXPECT_EQ(ButtonColour(Button("cmdInit")), kFailColour);
    EXPECT_EQ(seen.last().text, QStringLiteral("Filter must be a number, not \"\"."));
}

TEST_F(WindowTest, InitSendsTheCardSettingsAndShowsTheResult)
{
    frmMain& w = Open();
    Text("txtInit", 0)->setText(QStringLiteral(".5"));
    Text("txtInit", 4)->setText(QStringLiteral("7"));
    Click("cmdInit");
    EXPECT_EQ(library->linesOf(QStringLiteral("Init")),
              QStringList{QStringLiteral("Init 6100000 5000000 6000000 0.5")});
    EXPECT_EQ(w.TLV880().FilterSize(), 7);
    EXPECT_EQ(ButtonColour(Button("cmdInit")), kOkColour);

    // Settings the class refuses change nothing: the mode is not switched again (a switch
    // clears every sensor's zero) and the filter stays.
    const qsizetype simulateCalls = library->linesOf(QStringLiteral("Simulate")).size();
    Text("txtInit", 0)->setText(QStringLiteral("5")); // period beyond 2 s
    Text("txtInit", 4)->setText(QStringLiteral("3"));
    Click("cmdInit");
    EXPECT_EQ(library->linesOf(QStringLiteral("Init")).size(), 1);
    EXPECT_EQ(ButtonColour(Button("cmdInit")), kFailColour);
    EXPECT_EQ(library->linesOf(QStringLiteral("Simulate")).size(), simulateCalls);
    EXPECT_EQ(w.TLV880().FilterSize(), 7);
}

TEST_F(WindowTest, LoopAndPowerPanelFollowTheSelectedOutput)
{
    frmMain& w = Open();
    for (int i = 0; i < 4; ++i)
        Text("txtLoop", i)->setText(QStringList{"20", "30", "2", "0.5"}[i]);
    Click("cmdLoop");
    EXPECT_EQ(library->linesOf(QStringLiteral("Loop")),
              QStringList{QStringLiteral("Loop 0 20 30 2 0.5")});
    EXPECT_TRUE(Find<QLineEdit>(QStringLiteral("txtPower"))->text().isEmpty());
    EXPECT_EQ(LoopKeyValue(w.Setup().outputs[0]), QStringLiteral("20,30,2,0.5"));

    // the first manual power of a fresh start gives the output its stored full scale first
    Find<QLineEdit>(QStringLiteral("txtPower"))->setText(QStringLiteral("40"));
    Click("cmdPower");
    EXPECT_EQ(library->linesOf(QStringLiteral("FullScale")),
              QStringList{QStringLiteral("FullScale 0 10 1 1")});
    EXPECT_EQ(library->linesOf(QStringLiteral("SetPower")).last(),
              QStringLiteral("SetPower 0 0.4"));
    EXPECT_EQ(ButtonColour(Button("cmdPower")), kOkColour);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optPower_1"))->isChecked());
    EXPECT_EQ(w.TLV880().PIDMode(0), 3);

    // another output shows its own row, and showing it sends nothing
    const qsizetype before = library->lines().size();
    Choose(kOutputList, 2);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optPower_0"))->isChecked());
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("txtPower"))->text(), QStringLiteral("0"));
    EXPECT_EQ(Text("txtLoop", 0)->text(), QStringLiteral("10"));
    Choose(kOutputList, 1);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optPower_1"))->isChecked());
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("txtPower"))->text(), QStringLiteral("40"));
    EXPECT_EQ(Text("txtLoop", 0)->text(), QStringLiteral("20"));
    EXPECT_EQ(library->lines().size(), before);

    // the PID option hands the output back to its loop
    Find<QRadioButton>(QStringLiteral("optPower_0"))->click();
    EXPECT_EQ(library->lines().last(), QStringLiteral("Loop 0 20 30 2 0.5"));
    EXPECT_EQ(w.TLV880().PIDMode(0), 2);
    EXPECT_TRUE(w.Setup().outputs[0].pidChosen);
    EXPECT_FALSE(w.Setup().outputs[0].manualChosen);
}

TEST_F(WindowTest, ZeroUsesZeroAllOrTheOutputsTheSensorsFeed)
{
    frmMain& w = Open();
    SensorMap map{};
    map.fill(-1);
    map[0] = 1;
    w.MapSensors(map);
    library->calls.clear();

    Click("cmdZero"); // card 1, sensor 1 feeds output 1
    EXPECT_EQ(library->linesOf(QStringLiteral("Zero")), QStringList{QStringLiteral("Zero 1")});
    EXPECT_EQ(ButtonColour(Button("cmdZero")), kOkColour);

    library->calls.clear();
    Choose(kSensorList, 2); // feeds no output: the instrument refuses output -1
    Click("cmdZero");
    EXPECT_TRUE(library->linesOf(QStringLiteral("Zero")).isEmpty());
    EXPECT_EQ(ButtonColour(Button("cmdZero")), kFailColour);

    Choose(kCardList0, 0);
    Choose(kSensorList, 0);
    Click("cmdZero");
    EXPECT_EQ(library->linesOf(QStringLiteral("Zero")).size(), 12);
    EXPECT_EQ(ButtonColour(Button("cmdZero")), kOkColour);
}

TEST_F(WindowTest, ZeroNeverWrapsAnOutputNumberBeyondRangeOntoAnotherOutput)
{
    // The file names output 65537 for sensor 1: output index 65536, which the 16-bit channel of
    // the instrument would read as output 0 if it were passed on as it stands.
    WriteIni(QStringLiteral("[Sensor]\nSensor1=1,1,100,65537\n"));
    frmMain& w = Open();
    ASSERT_EQ(w.Setup().sensors[0].output, 65536);

    Click("cmdZero"); // card 1, sensor 1
    EXPECT_TRUE(library->linesOf(QStringLiteral("Zero")).isEmpty());
    EXPECT_EQ(ButtonColour(Button("cmdZero")), kFailColour);
}

TEST_F(WindowTest, ErrorsAreShownOnlyWhenTheFileAsksForThem)
{
    Open();
    window->TLV880().SendPower(20, 0);
    EXPECT_TRUE(seen.isEmpty());
    window.reset();

    WriteIni(QStringLiteral("[Card]\nShowErrors=1\n"));
    Open();
    window->TLV880().SendPower(20, 0);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, QStringLiteral("TLV880 Error: 5\nInvalid Output Number."));
    EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
}

TEST_F(WindowTest, MissingCardLibraryIsReportedOnceEvenWithoutShowErrors)
{
    library->libraryMissing = true;
    frmMain& w = Open();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text,
              QStringLiteral("TLV880 Error: 98\nThe card library libtlv880a.so was not found."));
    EXPECT_EQ(w.TLV880().NumCards(), 6);
    Click("cmdMaterial");
    EXPECT_EQ(ButtonColour(Button("cmdMaterial")), kFailColour);
    EXPECT_EQ(seen.size(), 1);
}

} // namespace
