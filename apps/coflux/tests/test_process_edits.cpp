// The editors' commands on the process alone, without a widget: which output a sensor or an
// analog input feeds when another output takes it, the backup rule, what a recorder leaves, and
// what the input editor and the card setup apply.

#include "Deposition.h"

#include "test_backupChamber.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

const char* const kTwoFilms = "[Card]\nPeriod=.1\nFilter=1\n"
                              "[OUTPUT1]\nName=Silver\nMode=2\nInput=3\nFullScale=10\n"
                              "[OUTPUT2]\nName=Gold\nMode=2\nInput=4\nFullScale=10\n";

class ProcessEdits : public ChamberTest {
protected:
    void SetUp() override
    {
        ChamberTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Write(QStringLiteral("Run.dat"), kTwoFilms));
        ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
        m_tlv.setTimerEnabled(false);
    }

    // The output editor's edit of output j as it stands, fed by `sensors`.
    OutputEdit EditOf(int j, int sensors) const
    {
        const OutputRecord& out = m_core.Tables().Output(j);
        OutputEdit edit;
        edit.name = out.Name;
        edit.pTerm = out.PTerm;
        edit.iTerm = out.ITerm;
        edit.dTerm = out.DTerm;
        edit.fullScale = out.FullScale;
        edit.maxPower = out.MaxPwr;
        edit.slewRate = out.SlewRate;
        edit.sensors = sensors;
        return edit;
    }
};

TEST_F(ProcessEdits, ASensorTakenByAnotherOutputLeavesTheFirst)
{
    ASSERT_EQ(m_core.SensorOwner(1), 0);
    ASSERT_EQ(m_core.SensorOwner(2), 1);
    QSignalSpy changed(&m_core, &Deposition::outputChanged);

    OutputEdit edit = EditOf(1, 0b110); // Gold takes sensor 2 from Silver, keeps sensor 3
    edit.name = QStringLiteral("Platinum");
    ASSERT_TRUE(m_core.EditOutput(1, edit).ok());

    EXPECT_EQ(m_core.Tables().Output(0).Input, 1) << "Silver keeps sensor 1 only";
    EXPECT_EQ(m_core.Tables().Output(1).Input, 6);
    EXPECT_EQ(m_core.SensorOwner(0), 0);
    EXPECT_EQ(m_core.SensorOwner(1), 1);
    EXPECT_EQ(m_core.SensorOwner(2), 1);
    EXPECT_EQ(m_core.Tables().Output(1).Name, QStringLiteral("Platinum    "));
    ASSERT_GE(changed.size(), 1);
    EXPECT_EQ(changed.last().at(0).toInt(), 1);

    // Unchecking a sensor lets the card's loop go too.
    ASSERT_TRUE(m_core.EditOutput(1, EditOf(1, 0b100)).ok());
    EXPECT_EQ(m_core.SensorOwner(1), -1);
    EXPECT_EQ(m_core.Tables().Output(1).Input, 4);
}

TEST_F(ProcessEdits, AnAnalogInputFeedsOneOutputAndTakesPrecedenceOverSensors)
{
    OutputEdit silver = EditOf(0, 0b011);
    silver.analog = 0;
    ASSERT_TRUE(m_core.EditOutput(0, silver).ok());
    ASSERT_EQ(m_core.AnalogOwner(0), 0);
    EXPECT_EQ(InputAnalog(m_core.Tables().Output(0).Input), 0);

    // The operator kept the analog input with Silver: Gold's inputs stay as they were.
    OutputEdit gold = EditOf(1, 0b100);
    gold.analog = 0;
    gold.keepInputs = true;
    ASSERT_TRUE(m_core.EditOutput(1, gold).ok());
    EXPECT_EQ(m_core.AnalogOwner(0), 0);
    EXPECT_EQ(m_core.Tables().Output(1).Input, 4);

    gold.keepInputs = false;
    ASSERT_TRUE(m_core.EditOutput(1, gold).ok());
    EXPECT_EQ(m_core.AnalogOwner(0), 1);
    EXPECT_EQ(InputAnalog(m_core.Tables().Output(0).Input), -1) << "Silver let it go";
    EXPECT_EQ(InputAnalog(m_core.Tables().Output(1).Input), 0);

    // Back to sensors: the analog input is released on the card as in the table.
    ASSERT_TRUE(m_core.EditOutput(1, EditOf(1, 0b100)).ok());
    EXPECT_EQ(m_core.AnalogOwner(0), -1);
    EXPECT_EQ(m_core.Tables().Output(1).Input, 4);
}

TEST_F(ProcessEdits, ABackupThatFeedsTheFilmIsRefusedAndNothingChanges)
{
    OutputEdit edit = EditOf(0, 0b011);
    edit.name = QStringLiteral("Copper");
    edit.backup = 1;
    const CommandResult refused = m_core.EditOutput(0, edit);
    EXPECT_EQ(refused.status, CommandResult::Status::OutOfRange);
    EXPECT_EQ(
        refused.text,
        QStringLiteral("Sensor 2 feeds this film already; its backup must be another sensor."));
    EXPECT_EQ(m_core.CheckOutputEdit(0, edit).text, refused.text);
    EXPECT_EQ(m_core.Tables().Output(0).Name.trimmed(), QStringLiteral("Silver"));
    EXPECT_EQ(m_core.Tables().Output(0).Backup, -1);

    // A sensor that does not feed the film may back it up.
    edit.backup = 4;
    edit.backupTooling = 110;
    ASSERT_TRUE(m_core.EditOutput(0, edit).ok());
    EXPECT_EQ(m_core.Tables().Output(0).Backup, 4);
    EXPECT_EQ(m_core.Tables().Output(0).BackupTooling, 110);
    EXPECT_EQ(m_core.EditOutput(7, edit).status, CommandResult::Status::NotPresent);
}

TEST_F(ProcessEdits, ARecorderLeavesTheInputsOfItsFormerLoop)
{
    RecorderEdit edit;
    edit.input = WithOutput(0, 0); // output 2 records output 1
    edit.scale = 3;
    ASSERT_TRUE(m_core.EditRecorder(1, edit).ok());
    EXPECT_EQ(m_core.SensorOwner(2), -1) << "sensor 3 left the loop";
    EXPECT_EQ(m_core.Tables().Output(1).Input, edit.input);
    EXPECT_EQ(m_core.Tables().Output(1).RecScale, 3);

    edit.scale.reset();
    edit.input = WithOutput(0, 12);
    ASSERT_TRUE(m_core.EditRecorder(1, edit).ok());
    EXPECT_EQ(m_core.Tables().Output(1).RecScale, 3) << "no scale given: it stays";
    EXPECT_EQ(m_core.EditRecorder(-1, edit).status, CommandResult::Status::NotPresent);
}

TEST_F(ProcessEdits, TheInputEditorAppliesEveryRecordAndNamesTheFirstRefusal)
{
    QSignalSpy changed(&m_core, &Deposition::inputsChanged);
    InputsEdit edit;
    edit.analogs[1] = AnalogEdit{2.5, 0.5, -3.25, QStringLiteral("mTorr and more"), true};
    SensorEdit gold{true, 1.5, 19.3, 0.381, 95, QStringLiteral("Gold")};
    SensorEdit wrong{false, 0, 0.01, 1, 100, QString()}; // density below the class's limit
    edit.sensors[0] = gold;
    edit.sensors[1] = wrong;
    const double before = m_core.Tables().Sensor(1).Density;

    const CommandResult result = m_core.EditInputs(edit);
    EXPECT_EQ(result.status, CommandResult::Status::OutOfRange);
    EXPECT_TRUE(result.text.startsWith(QStringLiteral("Density must be between ")))
        << result.text.toStdString();
    const AnalogRecord& analog = m_core.Tables().Analog(1);
    EXPECT_EQ(analog.Gain, 2.5);
    EXPECT_EQ(analog.AnalogSP, -3.25);
    EXPECT_EQ(analog.Units, QStringLiteral("mTorr ")) << "cut to the units' width";
    EXPECT_EQ(analog.Monitor, -1);
    const SensorRecord& sensor = m_core.Tables().Sensor(0);
    EXPECT_EQ(sensor.Monitor, -1);
    EXPECT_EQ(sensor.ThickSP, 1.5);
    EXPECT_EQ(sensor.Density, 19.3);
    EXPECT_EQ(sensor.Material, QStringLiteral("Gold"));
    EXPECT_EQ(m_core.Tables().Sensor(1).Density, before) << "the refused film is not taken";
    EXPECT_FALSE(changed.isEmpty());
}

TEST_F(ProcessEdits, TheCardSetupReachesTheCardAndTheLog)
{
    QSignalSpy changed(&m_core, &Deposition::cardChanged);
    CardEdit edit;
    edit.logEnabled = true;
    edit.logFile = HomeFile(QStringLiteral("edit.log"));
    edit.maxFrequency = m_tlv.SensorMaxFreq();
    edit.minFrequency = m_tlv.SensorMinFreq();
    edit.initFrequency = m_tlv.SensorInitFreq();
    edit.period = 0.25;
    edit.filter = 4;
    ASSERT_TRUE(m_core.EditCard(edit).ok());
    EXPECT_EQ(m_core.Tables().Flags.LogEnabled, 1);
    EXPECT_EQ(m_core.Tables().Flags.LogFile, edit.logFile);
    EXPECT_DOUBLE_EQ(m_tlv.Period(), 0.25);
    EXPECT_EQ(m_tlv.FilterSize(), 4);
    EXPECT_EQ(changed.size(), 1);

    edit.minFrequency = edit.maxFrequency + 1000; // the card refuses a minimum above the maximum
    EXPECT_EQ(m_core.EditCard(edit).status, CommandResult::Status::Failed);
}

} // namespace
} // namespace coflux::test
