// A setup edited through every editor form, saved and loaded again by a new main window on a
// new instrument, gives the same tables and the same card configuration.

#include "test_frmSupport.h"

#include "frmFilm.h"
#include "frmInputs.h"
#include "frmRecorder.h"
#include "frmSetup.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace coflux::test {
namespace {

// What the card holds, as far as the instrument tells it.
struct CardConfiguration {
    double period, fmax, fmin, finit;
    int filter, opMode;
    std::array<int, 24> sensorLoops;
    std::array<int, 4> analogLoops;
    std::vector<std::array<double, 3>> materials; // sensors 1..8
    std::vector<std::array<double, 3>> scaling;   // outputs 1..4, 13, 14: full scale, max, slew

    bool operator==(const CardConfiguration&) const = default;
};

class RoundTripTest : public EditorTest {
protected:
    CardConfiguration Card()
    {
        CardConfiguration c{};
        c.period = m_tlv->Period();
        c.fmax = m_tlv->SensorMaxFreq();
        c.fmin = m_tlv->SensorMinFreq();
        c.finit = m_tlv->SensorInitFreq();
        c.filter = m_tlv->FilterSize();
        c.opMode = m_tlv->OpMode();
        for (short s = 0; s < 24; ++s)
            c.sensorLoops[static_cast<size_t>(s)] = m_tlv->SensorLoop(s);
        for (short a = 0; a < 4; ++a)
            c.analogLoops[static_cast<size_t>(a)] = m_tlv->AnalogLoop(a);
        for (short s = 0; s < kConfiguredSensors; ++s)
            c.materials.push_back({m_tlv->Density(s), m_tlv->ZFactor(s), m_tlv->Tooling(s)});
        for (int j : kShownOutputs) {
            const auto out = static_cast<short>(j);
            c.scaling.push_back({m_tlv->FSOut(out), m_tlv->MaxPower(out), m_tlv->SlewRate(out)});
        }
        return c;
    }

    template <typename Form> static void Set(Form* form, const char* name, const QString& text)
    {
        Enter(Find<QLineEdit>(form, QLatin1String(name)), text);
    }
    template <typename Control, typename Form> static Control* Get(Form* form, const char* name)
    {
        return Find<Control>(form, QLatin1String(name));
    }
    template <typename Form> static void Ok(Form* form)
    {
        Get<QPushButton>(form, "cmdFSwitch_0")->click();
    }

    void EditEverything()
    {
        m_main->ShowCardSetup();
        auto* setup = OpenForm<frmSetup>();
        ASSERT_NE(setup, nullptr);
        Set(setup, "txtInit_0", QStringLiteral("7"));
        Set(setup, "txtInit_2", QStringLiteral("6.5"));
        Set(setup, "txtInit_1", QStringLiteral("4.5"));
        Set(setup, "txtPeriod", QStringLiteral("0.5"));
        Set(setup, "txtFilter", QStringLiteral("6"));
        Get<QCheckBox>(setup, "chkLog")->setChecked(true);
        Get<QLineEdit>(setup, "txtLogFile")->setText(QStringLiteral("dep.log"));
        Ok(setup);

        m_main->ShowInputSetup();
        auto* inputs = OpenForm<frmInputs>();
        ASSERT_NE(inputs, nullptr);
        Set(inputs, "txtDensity_2", QStringLiteral("8.9"));
        Set(inputs, "txtZFactor_2", QStringLiteral("0.437"));
        Set(inputs, "txtTooling_2", QStringLiteral("95.5"));
        Get<QCheckBox>(inputs, "chkSensor_2")->setChecked(true);
        Set(inputs, "txtThick_2", QStringLiteral("1.25"));
        Set(inputs, "txtGain_1", QStringLiteral("2"));
        Set(inputs, "txtOffset_1", QStringLiteral("-0.5"));
        Set(inputs, "txtUnits_1", QStringLiteral("mTorr"));
        Get<QCheckBox>(inputs, "chkAnalog_1")->setChecked(true);
        Set(inputs, "txtAinSP_1", QStringLiteral("3.5"));
        Ok(inputs);

        m_main->ChannelMode(0, ModeAuto);
        m_main->cmdEdit_Click(0);
        auto* film = OpenForm<frmFilm>();
        ASSERT_NE(film, nullptr);
        Set(film, "txtFilm", QStringLiteral("Copper"));
        Set(film, "txtPTerm", QStringLiteral("25"));
        Set(film, "txtIterm", QStringLiteral("2.5"));
        Set(film, "txtDTerm", QStringLiteral("0.5"));
        Set(film, "txtFullScale", QStringLiteral("10"));
        Set(film, "txtMaxPower", QStringLiteral("80"));
        Set(film, "txtSlewRate", QStringLiteral("50"));
        Get<QCheckBox>(film, "chkSensor_1")->setChecked(true);
        Get<QCheckBox>(film, "chkSensor_2")->setChecked(true);
        Ok(film);

        m_main->ChannelMode(1, ModeManual);
        m_main->cmdEdit_Click(1);
        film = OpenForm<frmFilm>();
        ASSERT_NE(film, nullptr);
        Set(film, "txtFilm", QStringLiteral("Heater"));
        Set(film, "txtFullScale", QStringLiteral("5"));
        Get<QRadioButton>(film, "optAnalog_1")->click();
        Ok(film);

        m_main->ChannelMode(2, ModeRecord);
        m_main->cmdEdit_Click(2);
        auto* recorder = OpenForm<frmRecorder>();
        ASSERT_NE(recorder, nullptr);
        Get<QRadioButton>(recorder, "optInput_12")->click(); // records output 1
        Get<QRadioButton>(recorder, "optScale_5")->click();
        Ok(recorder);
    }
};

void ExpectSameTables(const ProcessTables& a, const ProcessTables& b)
{
    for (int j : kShownOutputs) {
        SCOPED_TRACE(j);
        const OutputRecord& x = a.Output(j);
        const OutputRecord& y = b.Output(j);
        EXPECT_EQ(x.Name, y.Name);
        EXPECT_EQ(x.Mode, y.Mode);
        EXPECT_EQ(x.Thick, y.Thick);
        EXPECT_EQ(x.Rate, y.Rate);
        EXPECT_EQ(x.PTerm, y.PTerm);
        EXPECT_EQ(x.ITerm, y.ITerm);
        EXPECT_EQ(x.DTerm, y.DTerm);
        EXPECT_EQ(x.FullScale, y.FullScale);
        EXPECT_EQ(x.MaxPwr, y.MaxPwr);
        EXPECT_EQ(x.SlewRate, y.SlewRate);
        EXPECT_EQ(x.Input, y.Input);
        EXPECT_EQ(x.RecScale, y.RecScale);
        EXPECT_EQ(x.XOut, y.XOut);
    }
    for (int s = 0; s < kConfiguredSensors; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(a.Sensor(s).Density, b.Sensor(s).Density);
        EXPECT_EQ(a.Sensor(s).ZFactor, b.Sensor(s).ZFactor);
        EXPECT_EQ(a.Sensor(s).Tooling, b.Sensor(s).Tooling);
        EXPECT_EQ(a.Sensor(s).Monitor != 0, b.Sensor(s).Monitor != 0); // a flag: any non-zero
        EXPECT_EQ(a.Sensor(s).ThickSP, b.Sensor(s).ThickSP);
    }
    for (int i = 0; i < kAnalogInputs; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.Analog(i).Gain, b.Analog(i).Gain);
        EXPECT_EQ(a.Analog(i).Offset, b.Analog(i).Offset);
        EXPECT_EQ(a.Analog(i).Units.trimmed(), b.Analog(i).Units.trimmed());
        EXPECT_EQ(a.Analog(i).Monitor != 0, b.Analog(i).Monitor != 0);
        EXPECT_EQ(a.Analog(i).AnalogSP, b.Analog(i).AnalogSP);
    }
    EXPECT_EQ(a.Flags.LogEnabled, b.Flags.LogEnabled);
    EXPECT_EQ(a.Flags.LogFile, b.Flags.LogFile);
}

TEST_F(RoundTripTest, EditedSetupSavedAndLoadedGivesTheSameTablesAndCard)
{
    Start();
    EditEverything();
    EXPECT_TRUE(TakeTexts().empty()) << "no entry was refused and nothing was asked";

    // What the editing produced, in the tables and on the card.
    EXPECT_EQ(Tables().Output(0).Input, WithSensor(WithSensor(0, 1, true), 2, true));
    EXPECT_EQ(InputAnalog(Tables().Output(1).Input), 1);
    EXPECT_EQ(Tables().Output(2).Input, WithOutput(0, 0));
    EXPECT_EQ(Tables().Output(2).RecScale, 5);
    EXPECT_EQ(m_tlv->SensorLoop(1), 0);
    EXPECT_EQ(m_tlv->AnalogLoop(1), 1);
    EXPECT_EQ(m_tlv->FSOut(0), 10);
    EXPECT_EQ(m_tlv->Period(), 0.5);

    ASSERT_TRUE(m_main->IniWrite(QStringLiteral("Edited.dat")));
    const ProcessTables edited = Tables();
    const CardConfiguration card = Card();

    m_main.reset();
    m_tlv.reset();
    Start(); // a new program run: it loads the setup file that was saved last
    EXPECT_EQ(m_main->SetupFileName(), QStringLiteral("Edited.dat"));
    ExpectSameTables(edited, Tables());
    EXPECT_TRUE(card == Card()) << "the card configuration after loading differs";
    EXPECT_EQ(card.sensorLoops, Card().sensorLoops);
    EXPECT_EQ(card.materials, Card().materials);
    EXPECT_EQ(card.scaling, Card().scaling);
}

} // namespace
} // namespace coflux::test
