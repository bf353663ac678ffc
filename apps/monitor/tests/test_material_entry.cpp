// Material boxes, the number of sensors shown, saving and closing of the main window.
#include "MonitorFixture.h"

#include "frmSetup.h"

#include "tlvtest/MaterialPicking.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSettings>

namespace monitor::test {
namespace {

using MaterialEntry = MonitorTest;

// The number of sensors shown changed as the setup form's OK changes it, the rest as it is.
void ShowSensors(frmMain& w, int count)
{
    const MonitorSettings& s = w.Settings();
    SetupChange change{s.period,     s.maxFreq, s.minFreq, s.initFreq, s.filter,
                       s.logEnabled, s.logFile, s.onTop,   count,      s.display};
    ASSERT_EQ(w.Core().ApplySetup(change), QString());
}

bool Check(frmMain& w, QLineEdit* box, const QString& text)
{
    box->setText(text);
    bool valid = false;
    w.CheckEntry(box, valid);
    return valid;
}

TEST_F(MaterialEntry, EqualValueIsAcceptedAsTypedWithoutMarkingAChange)
{
    frmMain& w = LoadWindow();
    QLineEdit* density = Box(QStringLiteral("txtDensity_0"));
    EXPECT_TRUE(Check(w, density, QStringLiteral("10")));
    EXPECT_EQ(density->text(), QStringLiteral("10"));
    EXPECT_EQ(w.Settings().densityText[0], QStringLiteral("10.00"));
    EXPECT_FALSE(w.Settings().setupChanged);

    EXPECT_TRUE(Check(w, density, QStringLiteral("12.345")));
    EXPECT_EQ(density->text(), QStringLiteral("12.35"));
    EXPECT_EQ(w.Settings().densityText[0], QStringLiteral("12.35"));
    EXPECT_TRUE(w.Settings().setupChanged);

    QLineEdit* tooling = Box(QStringLiteral("txtTooling_1"));
    EXPECT_TRUE(Check(w, tooling, QStringLiteral("95")));
    EXPECT_EQ(tooling->text(), QStringLiteral("95.0"));
    QLineEdit* zFactor = Box(QStringLiteral("txtZFactor_2"));
    EXPECT_TRUE(Check(w, zFactor, QStringLiteral("0.5")));
    EXPECT_EQ(zFactor->text(), QStringLiteral("0.500"));
}

TEST_F(MaterialEntry, ValuesBeyondTheLimitsOrNotNumbersAreRefused)
{
    frmMain& w = LoadWindow();
    tlv::DialogService::clearRequests();
    struct Case {
        const char* box;
        const char* text;
        bool valid;
        const char* message;
    } cases[] = {
        {"txtDensity_0", "0.4", true, nullptr},
        {"txtDensity_0", "99.99", true, nullptr},
        {"txtDensity_0", "0.39", false, "Density must be between 0.4 and 99.99 !"},
        {"txtDensity_0", "100", false, "Density must be between 0.4 and 99.99 !"},
        {"txtTooling_0", "0", true, nullptr},
        {"txtTooling_0", "999", true, nullptr},
        {"txtTooling_0", "999.1", false, "Tooling must be between 0 and 999 !"},
        {"txtTooling_0", "abc", false, "Tooling must be between 0 and 999 !"},
        {"txtTooling_0", "", false, "Tooling must be between 0 and 999 !"},
        {"txtZFactor_0", "0.1", true, nullptr},
        {"txtZFactor_0", "9.999", true, nullptr},
        {"txtZFactor_0", "10", false, "Z Factor must be between 0.1 and 9.999 !"},
        {"txtZFactor_0", "1.5x", false, "Z Factor must be between 0.1 and 9.999 !"},
    };
    for (const Case& c : cases) {
        tlv::DialogService::clearRequests();
        QLineEdit* box = Box(QString::fromLatin1(c.box));
        const QString storedBefore = w.Settings().toolingText[0];
        EXPECT_EQ(Check(w, box, QString::fromLatin1(c.text)), c.valid) << c.box << " " << c.text;
        if (c.message) {
            ASSERT_EQ(Messages().size(), 1) << c.box << " " << c.text;
            EXPECT_EQ(Messages()[0], QString::fromLatin1(c.message));
            EXPECT_EQ(w.Settings().toolingText[0], storedBefore); // the stored value stays
        } else {
            EXPECT_TRUE(Messages().isEmpty()) << c.box << " " << c.text;
        }
    }
}

TEST_F(MaterialEntry, AcceptedEntryWhileRunningIsSentAtOnce)
{
    frmMain& w = LoadWindow();
    EXPECT_TRUE(Check(w, Box(QStringLiteral("txtDensity_1")), QStringLiteral("5")));
    EXPECT_TRUE(Materials().empty()); // stopped: sent at the next start
    w.cmdFSwitch_Click(0);
    m_lib->calls.clear();
    EXPECT_TRUE(Check(w, Box(QStringLiteral("txtZFactor_1")), QStringLiteral("0.9")));
    ASSERT_EQ(Materials().size(), 1u);
    EXPECT_EQ(Materials()[0].mask, 2);
    EXPECT_DOUBLE_EQ(Materials()[0].density, 5.0);
    EXPECT_DOUBLE_EQ(Materials()[0].zFactor, 0.9);
    EXPECT_DOUBLE_EQ(Materials()[0].tooling, 1.0);
    EXPECT_FALSE(Check(w, Box(QStringLiteral("txtZFactor_1")), QStringLiteral("0")));
    EXPECT_EQ(Materials().size(), 1u); // a refused entry sends nothing
}

TEST_F(MaterialEntry, LeavingARefusedBoxKeepsTheFocusThere)
{
    frmMain& w = LoadWindow();
    QLineEdit* box = Box(QStringLiteral("txtDensity_0"));
    box->setText(QStringLiteral("0"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &leave);
    QCoreApplication::processEvents();
    EXPECT_EQ(Messages().last(), QStringLiteral("Density must be between 0.4 and 99.99 !"));
    EXPECT_EQ(box->selectedText(), QStringLiteral("0"));
    EXPECT_EQ(w.Settings().densityText[0], QStringLiteral("10.00"));
}

TEST_F(MaterialEntry, EnterChecksTheBoxBeingEdited)
{
    frmMain& w = LoadWindow();
    QLineEdit* box = Box(QStringLiteral("txtTooling_3"));
    box->setText(QStringLiteral("1000"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    EXPECT_EQ(Messages().last(), QStringLiteral("Tooling must be between 0 and 999 !"));
    EXPECT_EQ(box->selectedText(), QStringLiteral("1000"));
    box->setText(QStringLiteral("50"));
    QApplication::sendEvent(box, &enter);
    EXPECT_EQ(box->text(), QStringLiteral("50.0"));
    EXPECT_EQ(w.Settings().toolingText[3], QStringLiteral("50.0"));
}

TEST_F(MaterialEntry, SensorCountChangesKeepStoredTextsAndSaveOnlyShownSensors)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"),
                     "[Setup]\r\nSensors=4\r\nSensor5=5.5,55,0.55\r\nSensor8=8.8,88,0.88\r\n");
    frmMain& w = LoadWindow();
    EXPECT_EQ(Box(QStringLiteral("txtDensity_4")), nullptr);

    // "Last Sensor:" 8 and OK in the setup form.
    w.mnuViewSetup_Click();
    auto* setup = w.findChild<frmSetup*>(QStringLiteral("frmSetup"));
    ASSERT_NE(setup, nullptr);
    setup->findChild<QComboBox*>(QStringLiteral("cboShowSensors"))->setCurrentIndex(7);
    setup->cmdFSwitch_Click(1);
    EXPECT_EQ(Grid()->rowCount(), 9);
    EXPECT_EQ(Box(QStringLiteral("txtDensity_4"))->text(), QStringLiteral("5.50"));
    EXPECT_EQ(Box(QStringLiteral("txtTooling_4"))->text(), QStringLiteral("55.0"));
    EXPECT_EQ(Box(QStringLiteral("txtZFactor_4"))->text(), QStringLiteral("0.550"));
    EXPECT_EQ(Box(QStringLiteral("txtDensity_7"))->text(), QStringLiteral("8.80"));
    EXPECT_EQ(Box(QStringLiteral("txtDensity_5"))->text(), QStringLiteral("10.00"));
    EXPECT_TRUE(w.Settings().setupChanged);

    // Shrinking removes rows and boxes but not the stored texts.
    ShowSensors(w, 2);
    w.InitForm();
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid()->rowCount(), 3);
    EXPECT_EQ(Box(QStringLiteral("txtDensity_2")), nullptr);
    EXPECT_EQ(Box(QStringLiteral("txtZFactor_7")), nullptr);
    EXPECT_EQ(w.Settings().densityText[4], QStringLiteral("5.50"));
    ShowSensors(w, 5);
    w.InitForm();
    EXPECT_EQ(Box(QStringLiteral("txtDensity_4"))->text(), QStringLiteral("5.50"));

    ShowSensors(w, 2);
    w.InitForm();
    ASSERT_TRUE(w.IniWrite(QStringLiteral("two.dat")));
    const QStringList lines = ReadLines(QStringLiteral("two.dat"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Sensor1=10.00,100.0,1.000")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Sensor2=10.00,100.0,1.000")));
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("Sensor3")));
}

TEST_F(MaterialEntry, SaveWritesEveryKeyInOrderAndReadsBackTheSame)
{
    frmMain& w = LoadWindow();
    Check(w, Box(QStringLiteral("txtTooling_0")), QStringLiteral("120"));
    Box(QStringLiteral("txtDensity_1"))->setText(QStringLiteral("10")); // as typed, equal value
    ASSERT_TRUE(w.IniWrite(QStringLiteral("saved.dat")));
    const QStringList expected = {QStringLiteral("[Setup]"),
                                  QStringLiteral("OnTop=0"),
                                  QStringLiteral("Display=0"),
                                  QStringLiteral("Filter=1"),
                                  QStringLiteral("Sensors=4"),
                                  QStringLiteral("LogEnabled=0"),
                                  QStringLiteral("LogFile=TLV880.LOG"),
                                  QStringLiteral("Freq=6.0000,4.0000,5.0000"),
                                  QStringLiteral("Period=0.25"),
                                  QStringLiteral("Sensor1=10.00,120.0,1.000"),
                                  QStringLiteral("Sensor2=10,100.0,1.000"),
                                  QStringLiteral("Sensor3=10.00,100.0,1.000"),
                                  QStringLiteral("Sensor4=10.00,100.0,1.000")};
    EXPECT_EQ(ReadLines(QStringLiteral("saved.dat")), expected);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Monitor - [ saved.dat ]"));
    EXPECT_EQ(QSettings(QStringLiteral("TLV880"), QStringLiteral("tlvmonitor"))
                  .value(QStringLiteral("Setup File/Setup"))
                  .toString(),
              QStringLiteral("saved.dat"));

    m_lib->calls.clear();
    w.IniRead(QStringLiteral("saved.dat"));
    EXPECT_EQ(w.Settings().toolingText[0], QStringLiteral("120.0"));
    EXPECT_EQ(w.Settings().densityText[1], QStringLiteral("10.00"));
    ASSERT_EQ(Inits().size(), 1u);
}

TEST_F(MaterialEntry, ReadOnlySetupFileIsNotWritten)
{
    frmMain& w = LoadWindow();
    WriteProgramFile(QStringLiteral("locked.dat"), "[Setup]\r\nSensors=3\r\n");
    QFile::setPermissions(ProgramFile(QStringLiteral("locked.dat")),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    tlv::DialogService::clearRequests();
    EXPECT_FALSE(w.IniWrite(QStringLiteral("locked.dat")));
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_EQ(Messages()[0], QStringLiteral("locked.dat is Read Only!"));
    EXPECT_EQ(tlv::DialogService::requests()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Monitor - [ tlvmonitor.dat ]"));
    EXPECT_EQ(ReadLines(QStringLiteral("locked.dat")),
              (QStringList{QStringLiteral("[Setup]"), QStringLiteral("Sensors=3")}));
}

TEST_F(MaterialEntry, ClosingAfterAChangeAsksToSave)
{
    frmMain& w = LoadWindow();
    w.show();
    EXPECT_TRUE(Check(w, Box(QStringLiteral("txtDensity_0")), QStringLiteral("3")));

    m_answer = QMessageBox::Cancel;
    tlv::DialogService::clearRequests();
    EXPECT_FALSE(w.close());
    ASSERT_EQ(tlv::DialogService::requests().size(), 1);
    const tlv::DialogRequest question = tlv::DialogService::requests()[0];
    EXPECT_EQ(question.title, QStringLiteral("Quitting"));
    EXPECT_EQ(question.text, QStringLiteral("Save current setup to tlvmonitor.dat ?"));
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(w.isVisible());

    // Saving does not clear the flag: the question comes again at the next close.
    m_answer = QMessageBox::Yes;
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(ReadLines(QStringLiteral("tlvmonitor.dat"))
                    .contains(QStringLiteral("Sensor1=3.00,100.0,1.000")));
    EXPECT_TRUE(QSettings(QStringLiteral("TLV880"), QStringLiteral("tlvmonitor"))
                    .contains(QStringLiteral("Form Positions/frmMain")));
    w.show();
    tlv::DialogService::clearRequests();
    m_answer = QMessageBox::No;
    EXPECT_TRUE(w.close());
    EXPECT_EQ(tlv::DialogService::requests().size(), 1);
}

TEST_F(MaterialEntry, FailedSaveOnClosingKeepsTheWindowOpen)
{
    frmMain& w = LoadWindow();
    w.show();
    EXPECT_TRUE(Check(w, Box(QStringLiteral("txtDensity_0")), QStringLiteral("3")));
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), "[Setup]\r\n");
    QFile::setPermissions(ProgramFile(QStringLiteral("tlvmonitor.dat")), QFileDevice::ReadOwner);
    m_answer = QMessageBox::Yes;
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Messages().last(), QStringLiteral("tlvmonitor.dat is Read Only!"));
}

TEST_F(MaterialEntry, OpenReadsTheProgramFolderFileAndRebuildsTheWindow)
{
    frmMain& w = LoadWindow();
    WriteProgramFile(QStringLiteral("eight.dat"), "[Setup]\r\nSensors=8\r\nSensor7=7,70,0.7\r\n");
    m_fileAnswer = QStringLiteral("/some/other/folder/eight.dat");
    w.mnuOpen_Click();
    EXPECT_EQ(tlv::DialogService::requests().last().title, QStringLiteral("Open Setup File"));
    EXPECT_EQ(tlv::DialogService::requests().last().directory, m_home->path());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Monitor - [ eight.dat ]"));
    EXPECT_EQ(Grid()->rowCount(), 9);
    EXPECT_EQ(Box(QStringLiteral("txtDensity_6"))->text(), QStringLiteral("7.00"));
    EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("cboZeroSensor"))->count(), 9);
    // A display refresh addresses only rows that exist.
    w.cmdFSwitch_Click(0);
    Queue(LibReading());
    Tick();
    EXPECT_EQ(Cell(8, 3), QStringLiteral("5000000.0"));

    // Save As also writes into the program's folder, under the picked name.
    m_fileAnswer = QStringLiteral("/some/other/folder/copy.dat");
    w.mnuSave_Click();
    EXPECT_TRUE(
        ReadLines(QStringLiteral("copy.dat")).contains(QStringLiteral("Sensor7=7.00,70.0,0.700")));
}

TEST_F(MaterialEntry, PickingAMaterialFillsTheRowThroughTheBoxesOwnChecks)
{
    frmMain& w = LoadWindow();
    auto* picker = w.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial_1"));
    ASSERT_NE(picker, nullptr);
    ASSERT_NE(w.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial_3")), nullptr);
    EXPECT_EQ(w.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial_4")), nullptr);
    EXPECT_FALSE(picker->Shown());

    tlvtest::PickMaterial(picker, QStringLiteral("Gold"));
    EXPECT_EQ(Box(QStringLiteral("txtDensity_1"))->text(), QStringLiteral("19.30"));
    EXPECT_EQ(Box(QStringLiteral("txtZFactor_1"))->text(), QStringLiteral("0.381"));
    EXPECT_EQ(Box(QStringLiteral("txtTooling_1"))->text(), QStringLiteral("100.0"));
    EXPECT_EQ(w.Settings().densityText[1], QStringLiteral("19.30"));
    EXPECT_EQ(w.Settings().zFactorText[1], QStringLiteral("0.381"));
    EXPECT_EQ(w.Settings().materialName[1], QStringLiteral("Gold"));
    EXPECT_TRUE(w.Settings().setupChanged);
    EXPECT_TRUE(Materials().empty()) << "stopped: sent at the next start";

    // While measuring, a picked film is sent at once.
    w.cmdFSwitch_Click(0);
    m_lib->calls.clear();
    tlvtest::PickMaterial(picker, QStringLiteral("Silver (Ag)"));
    ASSERT_FALSE(Materials().empty());
    EXPECT_EQ(Materials().back().mask, 2);
    EXPECT_DOUBLE_EQ(Materials().back().density, 10.5);
    EXPECT_DOUBLE_EQ(Materials().back().zFactor, 0.529);

    // Numbers typed by hand keep working: they name the material they match, or none.
    EXPECT_TRUE(Check(w, Box(QStringLiteral("txtZFactor_1")), QStringLiteral("0.6")));
    EXPECT_FALSE(picker->Shown());
    EXPECT_EQ(w.Settings().materialName[1], QString());
    EXPECT_FALSE(Check(w, Box(QStringLiteral("txtZFactor_1")), QStringLiteral("12")));
    EXPECT_EQ(Messages().last(), QStringLiteral("Z Factor must be between 0.1 and 9.999 !"));
    EXPECT_TRUE(Check(w, Box(QStringLiteral("txtZFactor_1")), QStringLiteral(".529")));
    EXPECT_EQ(picker->ShownName(), QStringLiteral("Silver"));
    EXPECT_EQ(w.Settings().materialName[1], QStringLiteral("Silver"));
}

TEST_F(MaterialEntry, AMaterialsNameRoundTripsAndAFileWithoutNamesStaysAsItWas)
{
    const QByteArray old =
        "[Setup]\r\nOnTop=0\r\nDisplay=0\r\nFilter=1\r\nSensors=2\r\n"
        "LogEnabled=0\r\nLogFile=TLV880.LOG\r\nFreq=6.0000,4.0000,5.0000\r\n"
        "Period=0.25\r\nSensor1=10.50,100.0,0.529\r\nSensor2=10.00,100.0,1.000\r\n";
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), old);
    frmMain& w = LoadWindow();
    EXPECT_EQ(w.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial_0"))->ShownName(),
              QStringLiteral("Silver"))
        << "numbers of a material show its name";
    EXPECT_EQ(w.Settings().materialName[0], QString());
    ASSERT_TRUE(w.IniWrite(QStringLiteral("tlvmonitor.dat")));
    QFile file(ProgramFile(QStringLiteral("tlvmonitor.dat")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    file.close();

    tlvtest::PickMaterial(w.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial_1")),
                          QStringLiteral("Magnesium fluoride"));
    ASSERT_TRUE(w.IniWrite(QStringLiteral("tlvmonitor.dat")));
    const QStringList lines = ReadLines(QStringLiteral("tlvmonitor.dat"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Sensor2=3.18,100.0,0.637")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Material2=Magnesium fluoride")));
    EXPECT_FALSE(lines.join(' ').contains(QStringLiteral("Material1")));

    // A fresh program reads the name back from the remembered file.
    m_window.reset();
    frmMain& fresh = LoadWindow();
    EXPECT_EQ(fresh.Settings().densityText[1], QStringLiteral("3.18"));
    EXPECT_EQ(fresh.Settings().zFactorText[1], QStringLiteral("0.637"));
    EXPECT_EQ(fresh.Settings().materialName[1], QStringLiteral("Magnesium fluoride"));
    EXPECT_EQ(fresh.findChild<tlv::MaterialPicker*>(QStringLiteral("cboMaterial_1"))->ShownName(),
              QStringLiteral("Magnesium fluoride"));
}

} // namespace
} // namespace monitor::test
