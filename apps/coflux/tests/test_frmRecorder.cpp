// The recorder editor through the main window: captions, choosing input and scale with the
// scale enabling, applying, the live readings, the change questions, and the recorder values
// that a Record-mode output then sends (0 % and the clamped 100 %).

#include "test_frmSupport.h"

#include "frmRecorder.h"

#include <QPushButton>
#include <QRadioButton>

namespace coflux::test {
namespace {

class RecorderTest : public EditorTest {
protected:
    frmRecorder* Open(int out)
    {
        m_main->ChannelMode(out, ModeRecord);
        m_main->cmdEdit_Click(out);
        auto* form = OpenForm<frmRecorder>();
        EXPECT_NE(form, nullptr);
        return form;
    }
    static QRadioButton* Input(frmRecorder* form, int option)
    {
        return Find<QRadioButton>(form, QStringLiteral("optInput_%1").arg(option));
    }
    static QRadioButton* Scale(frmRecorder* form, int scale)
    {
        return Find<QRadioButton>(form, QStringLiteral("optScale_%1").arg(scale));
    }
    static std::vector<int> EnabledScales(frmRecorder* form)
    {
        std::vector<int> enabled;
        for (int i = 0; i < frmRecorder::kScales; ++i)
            if (Scale(form, i)->isEnabled()) enabled.push_back(i);
        return enabled;
    }
    static void Click(frmRecorder* form, int button)
    {
        Find<QPushButton>(form, QStringLiteral("cmdFSwitch_%1").arg(button))->click();
    }
    // One reading event: sensor 0 and output 1 carry the given values.
    void Reading(double rate, double thicknessA, double power = 0)
    {
        SensorArray sensors{};
        OutputArray outputs{};
        sensors[0] = {rate, thicknessA, 6000000, 0};
        outputs[0] = {0, 0, power, 0};
        outputs[1] = {rate, thicknessA, power, 0};
        emit m_tlv->TLVReading(sensors, outputs, 100);
    }
};

TEST_F(RecorderTest, CaptionsNameTheOutputsAndTheScales)
{
    Start();
    Tables().Output(2).Name = ProcessTables::FixedWidth(QStringLiteral("Copper"), 12);
    frmRecorder* form = Open(0);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Recorder: Output 1"));
    EXPECT_EQ(Input(form, 14)->text(), QStringLiteral("Copper"));
    EXPECT_EQ(Input(form, 24)->text(), QStringLiteral("Output 13"));
    EXPECT_EQ(Input(form, 9)->text(), QStringLiteral("2"));
    EXPECT_EQ(Input(form, 9)->toolTip(), QStringLiteral("Set analog input as recorder input."));
    EXPECT_EQ(Input(form, 25)->toolTip(), QStringLiteral("Set control loop as recorder input."));
    EXPECT_EQ(Scale(form, 0)->text(), QStringLiteral("10 A/s"));
    EXPECT_EQ(Scale(form, 0)->toolTip(), QStringLiteral("Recorder output is 10A/s full scale"));
    EXPECT_EQ(Scale(form, 7)->text(), QStringLiteral("10 Volts"));
    EXPECT_EQ(Scale(form, 3)->toolTip(), QStringLiteral("Recorder output is 1000A full scale."));

    m_main->ChannelMode(13, ModeRecord);
    m_main->cmdEdit_Click(13);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Recorder: Output A2"));
}

TEST_F(RecorderTest, OneCardHidesSecondCardInputsAndAnalogOptions)
{
    Start(OneCard(0));
    frmRecorder* form = Open(0);
    EXPECT_FALSE(Input(form, 3)->isHidden());
    EXPECT_TRUE(Input(form, 4)->isHidden());
    EXPECT_TRUE(Input(form, 8)->isHidden());
    EXPECT_FALSE(Input(form, 13)->isHidden());
    EXPECT_TRUE(Input(form, 14)->isHidden());
    EXPECT_TRUE(Input(form, 24)->isHidden());
}

TEST_F(RecorderTest, FillsFromTheInputFieldAndTheScale)
{
    Start();
    Tables().Output(0).Input = WithSensor(0, 5, true);
    Tables().Output(0).RecScale = 3;
    Tables().Output(1).Input = WithAnalog(0, 2);
    Tables().Output(1).RecScale = 7;
    Tables().Output(2).Input = WithOutput(0, 12);
    Tables().Output(2).RecScale = 5;
    frmRecorder* form = Open(0);
    EXPECT_TRUE(Input(form, 5)->isChecked());
    EXPECT_TRUE(Scale(form, 3)->isChecked());
    Open(1);
    EXPECT_TRUE(Input(form, 10)->isChecked());
    EXPECT_TRUE(Scale(form, 7)->isChecked());
    Open(2);
    EXPECT_TRUE(Input(form, 24)->isChecked());
    EXPECT_TRUE(Scale(form, 5)->isChecked());
    EXPECT_FALSE(form->Changed());
}

TEST_F(RecorderTest, ChoosingAnInputEnablesOnlyItsScales)
{
    Start();
    frmRecorder* form = Open(0);
    Input(form, 1)->click();
    EXPECT_EQ(EnabledScales(form), (std::vector<int>{0, 1, 2, 3}));
    Input(form, 11)->click();
    EXPECT_EQ(EnabledScales(form), (std::vector<int>{6, 7}));
    EXPECT_TRUE(Scale(form, 6)->isChecked()) << "the chosen scale moves to one of the kind";
    Input(form, 25)->click();
    EXPECT_EQ(EnabledScales(form), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(Scale(form, 0)->isChecked());
}

TEST_F(RecorderTest, ApplyStoresTheInputAndScale)
{
    Start();
    frmRecorder* form = Open(3);
    Input(form, 13)->click();
    Scale(form, 4)->click();
    Click(form, 2);
    EXPECT_EQ(Tables().Output(3).Input, WithOutput(0, 1));
    EXPECT_EQ(Tables().Output(3).RecScale, 4);
    Input(form, 9)->click();
    Click(form, 0);
    EXPECT_EQ(Tables().Output(3).Input, WithAnalog(0, 1));
    EXPECT_EQ(Tables().Output(3).RecScale, 6);
    EXPECT_EQ(OpenForm<frmRecorder>(), nullptr);
}

TEST_F(RecorderTest, LoopInputsThatAreNoLongerUsedLeaveTheOutput)
{
    Start();
    m_tlv->setSensorLoop(1, 3);
    m_tlv->setSensorLoop(2, 3);
    m_tlv->setAnalogLoop(0, 2); // another output keeps its input
    frmRecorder* form = Open(3);
    Input(form, 2)->click();
    Click(form, 2);
    EXPECT_EQ(m_tlv->SensorLoop(1), -1);
    EXPECT_EQ(m_tlv->SensorLoop(2), 3) << "the recorded sensor stays where it was";
    EXPECT_EQ(m_tlv->AnalogLoop(0), 2);
}

TEST_F(RecorderTest, ShowsLiveInputAndOutputReadings)
{
    Start();
    Tables().Output(0).FullScale = 10;
    Tables().Output(1).Input = WithAnalog(0, 3); // output 2 is fed by analog input 4
    frmRecorder* form = Open(0);
    auto* input = Find<QLineEdit>(form, QStringLiteral("txtInput"));
    auto* output = Find<QLineEdit>(form, QStringLiteral("txtOutput"));
    auto* unit = Find<QLabel>(form, QStringLiteral("lblInputRdg"));

    Input(form, 0)->click();
    Scale(form, 1)->click();
    Reading(1.234, 12340, 50);
    EXPECT_EQ(unit->text(), QStringLiteral("Rate(A)"));
    EXPECT_EQ(input->text(), QStringLiteral("1.23"));
    EXPECT_EQ(output->text(), QStringLiteral("5.0"));

    Scale(form, 2)->click();
    Reading(1.234, 12340, 50);
    EXPECT_EQ(unit->text(), QStringLiteral("Thick(kA)"));
    EXPECT_EQ(input->text(), QStringLiteral("12.34"));

    Input(form, 12)->click(); // output 1, sensor-fed
    Scale(form, 5)->click();
    Reading(1.234, 12340, 45.67);
    EXPECT_EQ(unit->text(), QStringLiteral("Power(%)"));
    EXPECT_EQ(input->text(), QStringLiteral("45.7"));

    Input(form, 13)->click(); // output 2, fed by analog input 4: only the analog event shows it
    Scale(form, 5)->click();
    Reading(9, 9000, 9);
    EXPECT_EQ(input->text(), QStringLiteral("45.7"));

    Input(form, 11)->click(); // analog input 4 on the 10 V scale
    Scale(form, 7)->click();
    emit m_tlv->TLVAnalog(AnalogArray{0, 0, 0, 2.5}, 100);
    EXPECT_EQ(unit->text(), QStringLiteral("Volts"));
    EXPECT_EQ(input->text(), QStringLiteral("2.500"));
    Input(form, 9)->click();
    emit m_tlv->TLVAnalog(AnalogArray{0, -1.25, 0, 0}, 101);
    EXPECT_EQ(input->text(), QStringLiteral("-1.250"));
}

TEST_F(RecorderTest, ChangesAreAskedForOnSwitchingAndClosing)
{
    Start();
    frmRecorder* form = Open(0);
    Input(form, 2)->click();
    Answer({QMessageBox::Yes});
    Open(1);
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Save Recorder: Output 1 Changes?")});
    EXPECT_EQ(Tables().Output(0).Input, WithSensor(0, 2, true));

    Input(form, 3)->click();
    Answer({QMessageBox::No});
    form->close();
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Save Recorder: Output 2 Changes?")});
    EXPECT_EQ(Tables().Output(1).Input, 0);
}

// The card keeps a sensor of the output's former loop: OK, Update and a Yes to the closing
// question leave the form open with the choice, and the table keeps the output as it was.
TEST_F(RecorderTest, ARefusedApplyKeepsTheFormOpenAndStoresNothing)
{
    Start();
    frmRecorder* form = Open(0);
    m_tlv->setSensorLoop(1, 0); // sensor 2 fed output 1's loop
    const int before = Tables().Output(0).Input;
    m_lib->refuse = [](const QString& line) {
        return line.startsWith(QLatin1String("MapSensors")) ? 1 : 0;
    };
    Input(form, 4)->click();
    Click(form, 0);
    EXPECT_EQ(OpenForm<frmRecorder>(), form);
    Click(form, 2);
    EXPECT_EQ(Tables().Output(0).Input, before);
    EXPECT_EQ(m_tlv->SensorLoop(1), 0);

    Answer({QMessageBox::Yes});
    EXPECT_FALSE(form->close());
    const auto texts = TakeTexts();
    EXPECT_NE(
        std::find(texts.begin(), texts.end(), QStringLiteral("Save Recorder: Output 1 Changes?")),
        texts.end());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Tables().Output(0).Input, before);

    m_lib->refuse = nullptr; // the card lets go: the same OK now applies and closes
    Click(form, 0);
    EXPECT_EQ(OpenForm<frmRecorder>(), nullptr);
    EXPECT_EQ(Tables().Output(0).Input, WithSensor(0, 4, true));
    EXPECT_EQ(m_tlv->SensorLoop(1), -1);
}

// What a Record-mode output sends with the chosen input and scale.
TEST_F(RecorderTest, RecordModeSendsZeroForOtherKindsAndClampsAtFullScale)
{
    Start();
    Tables().Output(0).FullScale = 10;
    frmRecorder* form = Open(0);
    Input(form, 0)->click();
    Scale(form, 3)->click();
    Click(form, 0);
    m_main->Core().ApplyOutputSetup(0); // full scale and maximum power reach the card

    const auto sent = [this](double rate, double thicknessA) {
        m_lib->calls.clear();
        Reading(rate, thicknessA);
        for (const tlvtest::Call& call : m_lib->all(QStringLiteral("Xdc770SetPower")))
            if (call.args[0].toInt() == 0) return call.args[1].toDouble() * 100;
        return -1.0;
    };
    EXPECT_DOUBLE_EQ(sent(0, 500000), 50) << "scale 1000 kA with 500 kA";
    Tables().Output(0).RecScale = 2;
    EXPECT_DOUBLE_EQ(sent(0, 150000), 100) << "scale 100 kA with 150 kA, clamped";
    Tables().Output(0).RecScale = 0;
    EXPECT_DOUBLE_EQ(sent(-2, 0), 0) << "a negative rate";
    EXPECT_DOUBLE_EQ(sent(10, 0), 100) << "10 A/s on the 10 A/s scale";
    Tables().Output(0).RecScale = 4;
    EXPECT_DOUBLE_EQ(sent(5, 5000), 0) << "a sensor on a power scale";
    Tables().Output(0).RecScale = 7;
    EXPECT_DOUBLE_EQ(sent(5, 5000), 0) << "a sensor on a volt scale";
}

} // namespace
} // namespace coflux::test
