// The output (film) editor driven through the main window: filling, the entry checks, the two
// assignment conflicts with their questions, the cross-output list and the change questions.

#include "test_frmSupport.h"

#include "frmFilm.h"

#include "tlvtest/MaterialPicking.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace coflux::test {
namespace {

class FilmTest : public EditorTest {
protected:
    // The tests give their outputs a full scale the card takes (-10..10 V), except where they
    // test a full scale outside that range.
    frmFilm* Open(int out, bool usableFullScale = true)
    {
        if (usableFullScale) Tables().Output(out).FullScale = 10;
        m_main->cmdEdit_Click(out);
        auto* form = OpenForm<frmFilm>();
        EXPECT_NE(form, nullptr);
        return form;
    }
    QLineEdit* Box(frmFilm* form, const char* name) { return Find<QLineEdit>(form, name); }
    QCheckBox* Sensor(frmFilm* form, int s)
    {
        return Find<QCheckBox>(form, QStringLiteral("chkSensor_%1").arg(s));
    }
    QRadioButton* Analog(frmFilm* form, int a)
    {
        return Find<QRadioButton>(form, QStringLiteral("optAnalog_%1").arg(a));
    }
    void Click(frmFilm* form, int button)
    {
        Find<QPushButton>(form, QStringLiteral("cmdFSwitch_%1").arg(button))->click();
    }
    // Output `out` fed by `sensor`, in the table and on the card.
    void AssignSensor(int out, int sensor)
    {
        Tables().Output(out).Input = WithSensor(Tables().Output(out).Input, sensor, true);
        m_tlv->setSensorLoop(static_cast<short>(sensor), out);
    }
};

TEST_F(FilmTest, FillsFromTheOutputRecordWithItsCaption)
{
    Start();
    OutputRecord& record = Tables().Output(1);
    record.Name = ProcessTables::FixedWidth(QStringLiteral("Silver"), kOutputNameLength);
    record.Mode = ModeAuto;
    record.PTerm = 12.5;
    record.ITerm = 1.25;
    record.Input = WithSensor(WithSensor(0, 1, true), 6, true);
    frmFilm* form = Open(1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Output 2"));
    EXPECT_EQ(Box(form, "txtFilm")->text(), QStringLiteral("Silver"));
    EXPECT_EQ(Box(form, "txtPTerm")->text(), QStringLiteral("12.5"));
    EXPECT_EQ(Box(form, "txtIterm")->text(), QStringLiteral("1.25"));
    EXPECT_EQ(Box(form, "txtDTerm")->text(), QStringLiteral("0.00"));
    EXPECT_EQ(Box(form, "txtFullScale")->text(), QStringLiteral("10.0"));
    EXPECT_TRUE(Sensor(form, 1)->isChecked());
    EXPECT_TRUE(Sensor(form, 6)->isChecked());
    EXPECT_FALSE(Sensor(form, 0)->isChecked());
    EXPECT_TRUE(Analog(form, 4)->isChecked());
    EXPECT_TRUE(Sensor(form, 0)->isEnabled());

    // Choosing an analog input disables the sensor boxes; "Sensors" enables them again.
    Analog(form, 2)->click();
    EXPECT_FALSE(Sensor(form, 0)->isEnabled());
    Analog(form, 4)->click();
    EXPECT_TRUE(Sensor(form, 0)->isEnabled());

    EXPECT_EQ(frmFilm::OutputCaption(12), QStringLiteral("Output A1"));
    EXPECT_EQ(frmFilm::OutputCaption(13), QStringLiteral("Output A2"));
}

TEST_F(FilmTest, OneCardHidesTheSecondCardsSensorsAndTheAnalogOptions)
{
    Start(OneCard());
    frmFilm* form = Open(0);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(Sensor(form, 3)->isHidden());
    EXPECT_TRUE(Sensor(form, 4)->isHidden());
    EXPECT_TRUE(Sensor(form, 7)->isHidden());
    EXPECT_TRUE(Analog(form, 0)->isHidden());
    EXPECT_FALSE(Analog(form, 4)->isHidden());
}

TEST_F(FilmTest, CrossOutputListNeverListsTheEditedOutput)
{
    Start();
    Tables().Flags.XRate = 1;
    Tables().Output(3).XOut = 12;
    for (int out : kShownOutputs) {
        frmFilm* form = Open(out);
        ASSERT_NE(form, nullptr);
        auto* list = Find<QComboBox>(form, QStringLiteral("cboXOut"));
        EXPECT_FALSE(list->isHidden());
        ASSERT_EQ(list->count(), 6) << "Disabled and the five other outputs";
        EXPECT_EQ(list->itemText(0), QStringLiteral("Disabled"));
        EXPECT_EQ(list->itemData(0).toInt(), -1);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_NE(list->itemData(i).toInt(), out) << "output " << out;
        EXPECT_EQ(list->currentData().toInt(), Tables().Output(out).XOut);
    }
    frmFilm* form = Open(3);
    auto* list = Find<QComboBox>(form, QStringLiteral("cboXOut"));
    EXPECT_EQ(list->currentText(), QStringLiteral("Output 13"));
    list->setCurrentIndex(list->findData(0));
    Click(form, 2);
    EXPECT_EQ(Tables().Output(3).XOut, 0);
}

TEST_F(FilmTest, CrossOutputListIsHiddenWithoutCrossRate)
{
    Start();
    frmFilm* form = Open(0);
    EXPECT_TRUE(Find<QComboBox>(form, QStringLiteral("cboXOut"))->isHidden());
    EXPECT_TRUE(Find<QLabel>(form, QStringLiteral("lblXOut"))->isHidden());
}

TEST_F(FilmTest, NameIsCutToTwelveCharactersAndStoredPadded)
{
    Start();
    frmFilm* form = Open(0);
    QLineEdit* name = Box(form, "txtFilm");
    Enter(name, QStringLiteral("Gold and Chromium"));
    EXPECT_EQ(name->text(), QStringLiteral("Gold and Chr"));
    Enter(name, QStringLiteral("Gold"));
    Click(form, 2);
    EXPECT_EQ(Tables().Output(0).Name, QStringLiteral("Gold        "));
}

TEST_F(FilmTest, EntriesAreCheckedAtAndBeyondTheirLimits)
{
    Start();
    frmFilm* form = Open(0);
    const LimitCase cases[] = {
        {"txtPTerm", "9999", "9999.0", "9999.1", "P term must be between 0 and 9999 !"},
        {"txtPTerm", "0", "0.0", "-0.1", "P term must be between 0 and 9999 !"},
        {"txtIterm", "99.9", "99.9", "100", "I term must be between 0 and 99.9 !"},
        {"txtDTerm", "0", "0.0", "-1", "D term must be between 0 and 99.9 !"},
        {"txtDTerm", "99.9", "99.9", "99.95", "D term must be between 0 and 99.9 !"},
        {"txtFullScale", "-10", "-10.0", "-10.1", "Full Scale must be between -10 and 10 !"},
        {"txtFullScale", "10", "10.0", "11", "Full Scale must be between -10 and 10 !"},
        {"txtMaxPower", "100", "100.0", "100.1", "Max. Power must be between 0 and 100 !"},
        {"txtSlewRate", "0", "0.0", "-5", "Slew Rate must be between 0 and 100 !"},
        {"txtSlewRate", "12.34", "12.3", "abc", "Slew Rate must be between 0 and 100 !"},
    };
    CheckLimits(form, cases);
}

TEST_F(FilmTest, LeavingARefusedEntryGivesItTheFocusBack)
{
    Start();
    frmFilm* form = Open(0);
    QLineEdit* pTerm = Box(form, "txtPTerm");
    QLineEdit* iTerm = Box(form, "txtIterm");
    Focus(pTerm);
    pTerm->setText(QStringLiteral("12345"));
    Focus(iTerm);
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("P term must be between 0 and 9999 !")});
    QCoreApplication::sendPostedEvents(); // the guard's queued refocus and selection
    EXPECT_EQ(form->focusWidget(), pTerm);
    EXPECT_EQ(pTerm->selectedText(), QStringLiteral("12345"));

    pTerm->setText(QStringLiteral("12.34"));
    Focus(iTerm);
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_EQ(pTerm->text(), QStringLiteral("12.3"));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form->focusWidget(), iTerm);
    EXPECT_EQ(iTerm->selectedText(), iTerm->text()) << "an entry selects all on taking the focus";
}

TEST_F(FilmTest, AFullScaleOutsideTheCardsRangeMustBeCorrectedBeforeApplying)
{
    Start();
    Tables().Output(0).ITerm = 1.25;
    Tables().Output(0).FullScale = 100;
    frmFilm* form = Open(0, false);
    EXPECT_EQ(Box(form, "txtFullScale")->text(), QStringLiteral("100.0"));
    Sensor(form, 0)->setChecked(true);
    Click(form, 0);
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Full Scale must be between -10 and 10 !")});
    EXPECT_EQ(form->focusWidget(), Box(form, "txtFullScale"));
    EXPECT_EQ(Tables().Output(0).Input, 0) << "nothing stored";

    Box(form, "txtFullScale")->setText(QStringLiteral("10"));
    Click(form, 0);
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_EQ(Tables().Output(0).FullScale, 10);
    EXPECT_EQ(Tables().Output(0).ITerm, 1.25) << "an untouched entry keeps its value";
    EXPECT_EQ(m_tlv->FSOut(0), 10) << "the card took the full scale";
}

TEST_F(FilmTest, RefusedEntryStopsApplyingAndNothingIsStored)
{
    Start();
    frmFilm* form = Open(0);
    Box(form, "txtPTerm")->setText(QStringLiteral("50"));
    Box(form, "txtMaxPower")->setText(QStringLiteral("150"));
    Click(form, 0);
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Max. Power must be between 0 and 100 !")});
    EXPECT_EQ(Tables().Output(0).PTerm, 10);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FilmTest, UnassignedSensorIsTakenWithoutAQuestion)
{
    Start();
    frmFilm* form = Open(1);
    Sensor(form, 4)->setChecked(true);
    Click(form, 0);
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_TRUE(InputHasSensor(Tables().Output(1).Input, 4));
    EXPECT_EQ(m_tlv->SensorLoop(4), 1);
    EXPECT_EQ(OpenForm<frmFilm>(), nullptr) << "OK closes the form";
}

TEST_F(FilmTest, SensorOfAnotherOutputIsReplacedOnYes)
{
    Start();
    AssignSensor(0, 2);
    frmFilm* form = Open(1);
    Sensor(form, 2)->setChecked(true);
    Answer({QMessageBox::Yes});
    Click(form, 2);
    ASSERT_EQ(m_seen.size(), 1u);
    EXPECT_EQ(m_seen[0].text, QStringLiteral("Sensor 3 is already assigned to Output 1.\r\n"
                                             "Do you want to replace that output assignment?"));
    EXPECT_EQ(m_seen[0].title, QStringLiteral("Sensor Assigment Error"));
    EXPECT_EQ(m_seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(m_seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_FALSE(InputHasSensor(Tables().Output(0).Input, 2));
    EXPECT_TRUE(InputHasSensor(Tables().Output(1).Input, 2));
    EXPECT_EQ(m_tlv->SensorLoop(2), 1);
}

TEST_F(FilmTest, NoKeepsTheOtherOutputsSensorAndTheRestOfTheAssignment)
{
    Start();
    AssignSensor(0, 2);
    frmFilm* form = Open(1);
    Sensor(form, 2)->setChecked(true);
    Sensor(form, 3)->setChecked(true);
    Answer({QMessageBox::No});
    Click(form, 2);
    EXPECT_EQ(m_seen.size(), 1u);
    EXPECT_FALSE(Sensor(form, 2)->isChecked());
    EXPECT_TRUE(Sensor(form, 3)->isChecked());
    EXPECT_TRUE(InputHasSensor(Tables().Output(0).Input, 2));
    EXPECT_FALSE(InputHasSensor(Tables().Output(1).Input, 2));
    EXPECT_TRUE(InputHasSensor(Tables().Output(1).Input, 3));
    EXPECT_EQ(m_tlv->SensorLoop(2), 0);
    EXPECT_EQ(m_tlv->SensorLoop(3), 1);
}

TEST_F(FilmTest, UncheckingASensorFreesIt)
{
    Start();
    AssignSensor(1, 5);
    AssignSensor(1, 6);
    frmFilm* form = Open(1);
    Sensor(form, 5)->setChecked(false);
    Click(form, 2);
    EXPECT_FALSE(InputHasSensor(Tables().Output(1).Input, 5));
    EXPECT_EQ(m_tlv->SensorLoop(5), -1);
    EXPECT_EQ(m_tlv->SensorLoop(6), 1);
}

TEST_F(FilmTest, AnalogInputOfAnotherOutputIsReplacedOnYesAndKeptOnNo)
{
    Start();
    Tables().Output(0).Input = WithAnalog(0, 1);
    m_tlv->setAnalogLoop(1, 0);

    frmFilm* form = Open(1);
    Analog(form, 1)->click();
    Answer({QMessageBox::No});
    Click(form, 2);
    ASSERT_EQ(m_seen.size(), 1u);
    EXPECT_EQ(m_seen[0].text, QStringLiteral("Analog input 2 is already assigned to Output 1.\r\n"
                                             "Do you want to replace that output assignment?"));
    EXPECT_EQ(m_seen[0].title, QStringLiteral("Analog Input Assigment Error"));
    EXPECT_EQ(m_seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(InputAnalog(Tables().Output(0).Input), 1);
    EXPECT_EQ(InputAnalog(Tables().Output(1).Input), -1);
    EXPECT_EQ(m_tlv->AnalogLoop(1), 0);
    EXPECT_TRUE(Analog(form, 4)->isChecked()) << "the selection shows the output's own input";
    m_seen.clear();

    Analog(form, 1)->click();
    Answer({QMessageBox::Yes});
    Click(form, 2);
    EXPECT_EQ(m_seen.size(), 1u);
    EXPECT_EQ(InputAnalog(Tables().Output(0).Input), -1);
    EXPECT_EQ(InputAnalog(Tables().Output(1).Input), 1);
    EXPECT_EQ(m_tlv->AnalogLoop(1), 1);
}

TEST_F(FilmTest, ChoosingSensorsReleasesTheAnalogInput)
{
    Start();
    Tables().Output(2).Input = WithAnalog(0, 3);
    m_tlv->setAnalogLoop(3, 2);
    frmFilm* form = Open(2);
    EXPECT_TRUE(Analog(form, 3)->isChecked());
    Analog(form, 4)->click();
    Click(form, 2);
    EXPECT_EQ(InputAnalog(Tables().Output(2).Input), -1);
    EXPECT_EQ(m_tlv->AnalogLoop(3), -1);
}

TEST_F(FilmTest, SwitchingOutputAsksToSaveChanges)
{
    Start();
    for (int out : kShownOutputs)
        Tables().Output(out).FullScale = 10;
    frmFilm* form = Open(0);
    Box(form, "txtPTerm")->setText(QStringLiteral("20"));
    Answer({QMessageBox::No});
    m_main->cmdEdit_Click(1);
    EXPECT_EQ(TakeTexts(), std::vector<QString>{QStringLiteral("Save Output 1 Changes?")});
    EXPECT_EQ(Tables().Output(0).PTerm, 10);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Output 2"));

    Box(form, "txtPTerm")->setText(QStringLiteral("30"));
    Answer({QMessageBox::Yes});
    m_main->cmdEdit_Click(0);
    EXPECT_EQ(TakeTexts(), std::vector<QString>{QStringLiteral("Save Output 2 Changes?")});
    EXPECT_EQ(Tables().Output(1).PTerm, 30);

    m_main->cmdEdit_Click(1); // nothing changed: no question
    EXPECT_TRUE(TakeTexts().empty());
}

TEST_F(FilmTest, ClosingAsksOnlyWhenChanged)
{
    Start();
    frmFilm* form = Open(0);
    form->close();
    EXPECT_TRUE(TakeTexts().empty());

    form = Open(0);
    Sensor(form, 0)->setChecked(true);
    Answer({QMessageBox::Yes});
    form->close();
    EXPECT_EQ(TakeTexts(), std::vector<QString>{QStringLiteral("Save Output 1 Changes?")});
    EXPECT_TRUE(InputHasSensor(Tables().Output(0).Input, 0));

    form = Open(0);
    Box(form, "txtSlewRate")->setText(QStringLiteral("50"));
    Click(form, 1); // Cancel: no question, nothing stored
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_EQ(Tables().Output(0).SlewRate, 100);
}

TEST_F(FilmTest, APickedMaterialGoesToEverySensorOfTheFilm)
{
    Start();
    AssignSensor(0, 0);
    AssignSensor(0, 1);
    Tables().Sensor(2).Density = 19.3; // another output's sensor, already gold
    Tables().Sensor(2).ZFactor = 0.381;
    frmFilm* form = Open(0);
    auto* picker = Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial"));
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(picker->Shown()) << "density 10, Z-factor 1: no material";
    tlvtest::PickMaterial(picker, QStringLiteral("Chromium"));
    EXPECT_TRUE(form->Changed());
    Sensor(form, 3)->setChecked(true); // a sensor added in the same edit gets the film too
    Click(form, 2);
    EXPECT_TRUE(TakeTexts().empty());
    for (int s : {0, 1, 3}) {
        EXPECT_DOUBLE_EQ(Tables().Sensor(s).Density, 7.20) << s;
        EXPECT_DOUBLE_EQ(Tables().Sensor(s).ZFactor, 0.305) << s;
        EXPECT_EQ(Tables().Sensor(s).Material, QStringLiteral("Chromium")) << s;
    }
    EXPECT_DOUBLE_EQ(Tables().Sensor(2).Density, 19.3) << "not a sensor of this film";
    EXPECT_DOUBLE_EQ(Tables().Sensor(0).Tooling, 100);
    EXPECT_FALSE(form->Changed());
    form->close();

    // Opened again it shows the film's material; sensors of different films show none.
    form = Open(0);
    EXPECT_EQ(Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial"))->ShownName(),
              QStringLiteral("Chromium"));
    form->close();
    AssignSensor(1, 2);
    AssignSensor(1, 4);
    form = Open(1);
    EXPECT_FALSE(Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial"))->Shown());
    EXPECT_FALSE(form->Changed());
}

} // namespace
} // namespace coflux::test
