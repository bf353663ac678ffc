// The monitor's setup form: revisions, field limits, OK, Cancel and the display option.
#include "MonitorFixture.h"

#include "frmSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace monitor::test {
namespace {

class SetupForm : public MonitorTest {
protected:
    frmSetup& Open()
    {
        frmMain& w = LoadWindow();
        w.mnuViewSetup_Click();
        m_setup = w.findChild<frmSetup*>(QStringLiteral("frmSetup"));
        EXPECT_NE(m_setup, nullptr);
        tlv::DialogService::clearRequests();
        return *m_setup;
    }
    QLineEdit* Field(const QString& name) const { return m_setup->findChild<QLineEdit*>(name); }
    // Types into a field and checks it; returns the message shown, empty when accepted.
    QString Enter(const QString& name, const QString& text)
    {
        tlv::DialogService::clearRequests();
        QLineEdit* box = Field(name);
        box->setText(text);
        bool valid = true;
        m_setup->CheckEntry(box, valid);
        const QStringList shown = Messages();
        EXPECT_EQ(valid, shown.isEmpty()) << name.toStdString() << " " << text.toStdString();
        return shown.isEmpty() ? QString() : shown.first();
    }
    frmSetup* m_setup = nullptr;
};

TEST_F(SetupForm, ShowsTheCurrentSettingsAndRevisions)
{
    frmSetup& f = Open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("TLV-880 Monitor Setup"));
    EXPECT_EQ(Field(QStringLiteral("txtPeriod"))->text(), QStringLiteral(".25"));
    EXPECT_EQ(Field(QStringLiteral("txtFilter"))->text(), QStringLiteral("1"));
    EXPECT_EQ(Field(QStringLiteral("txtInit_0"))->text(), QStringLiteral("6.000"));
    EXPECT_EQ(Field(QStringLiteral("txtInit_1"))->text(), QStringLiteral("4.000"));
    EXPECT_EQ(Field(QStringLiteral("txtInit_2"))->text(), QStringLiteral("5.000"));
    EXPECT_EQ(f.findChild<QComboBox*>(QStringLiteral("cboShowSensors"))->currentText(),
              QStringLiteral("4"));
    EXPECT_TRUE(f.findChild<QRadioButton*>(QStringLiteral("optDisplay_0"))->isChecked());
    EXPECT_EQ(Field(QStringLiteral("txtLogFile"))->text(), QStringLiteral("TLV880.LOG"));
    // No card: every firmware revision reads 0.00; the start-up result 904 shows as 9.04.
    EXPECT_EQ(f.findChild<QLabel*>(QStringLiteral("lblRev_0"))->text(), QStringLiteral("9.04"));
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(f.findChild<QLabel*>(QStringLiteral("lblRev_%1").arg(n))->text(),
                  QStringLiteral("0.00"));
}

TEST_F(SetupForm, PeriodAndFilterLimits)
{
    Open();
    const QString period = QStringLiteral("Period must be between 0.1 and 2 !");
    EXPECT_EQ(Enter(QStringLiteral("txtPeriod"), QStringLiteral("0.1")), QString());
    EXPECT_EQ(Field(QStringLiteral("txtPeriod"))->text(), QStringLiteral(".10"));
    EXPECT_EQ(Enter(QStringLiteral("txtPeriod"), QStringLiteral("2")), QString());
    EXPECT_EQ(Field(QStringLiteral("txtPeriod"))->text(), QStringLiteral("2.00"));
    EXPECT_EQ(Enter(QStringLiteral("txtPeriod"), QStringLiteral("0.09")), period);
    EXPECT_EQ(Enter(QStringLiteral("txtPeriod"), QStringLiteral("2.01")), period);
    EXPECT_EQ(Enter(QStringLiteral("txtPeriod"), QStringLiteral("fast")), period);

    const QString filter = QStringLiteral("Filter must be between 1 and 10 !");
    EXPECT_EQ(Enter(QStringLiteral("txtFilter"), QStringLiteral("0")), filter);
    EXPECT_EQ(Enter(QStringLiteral("txtFilter"), QStringLiteral("11")), filter);
    EXPECT_EQ(Enter(QStringLiteral("txtFilter"), QStringLiteral("x")), filter);
    EXPECT_EQ(Enter(QStringLiteral("txtFilter"), QStringLiteral("1")), QString());
    EXPECT_EQ(Enter(QStringLiteral("txtFilter"), QStringLiteral("10")), QString());
}

TEST_F(SetupForm, FrequencyLimitsAgainstEachOther)
{
    Open(); // max 6, min 4, initial 5
    EXPECT_EQ(Enter(QStringLiteral("txtInit_0"), QStringLiteral("10")), QString());
    EXPECT_EQ(Field(QStringLiteral("txtInit_0"))->text(), QStringLiteral("10.000"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_0"), QStringLiteral("10.001")),
              QStringLiteral("Max. Frequency must be <= 10 MHZ !"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_0"), QStringLiteral("4.9")),
              QStringLiteral("Max. Frequency must be > Initial Frequency !"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_0"), QStringLiteral("5")),
              QString()); // equal to initial

    EXPECT_EQ(Enter(QStringLiteral("txtInit_1"), QStringLiteral("0.999")),
              QStringLiteral("Min. Frequency must be >= 1MHZ !"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_1"), QStringLiteral("5.1")),
              QStringLiteral("Min. Frequency must be < Initial Frequency !"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_1"), QStringLiteral("1")), QString());
    EXPECT_EQ(Enter(QStringLiteral("txtInit_1"), QStringLiteral("5")),
              QString()); // equal to initial

    EXPECT_EQ(Enter(QStringLiteral("txtInit_2"), QStringLiteral("5.5")),
              QStringLiteral("Initial Frequency must be be < Max. Frequency !"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_2"), QStringLiteral("4.5")),
              QStringLiteral("Initial Frequency must be > Min. Frequency !"));
    EXPECT_EQ(Enter(QStringLiteral("txtInit_2"), QStringLiteral("5")), QString());
    EXPECT_EQ(Enter(QStringLiteral("txtInit_2"), QStringLiteral("")),
              QStringLiteral("Initial Frequency must be be < Max. Frequency !"));
}

TEST_F(SetupForm, OkTakesEverythingOverAndSendsTheCardSettings)
{
    frmSetup& f = Open();
    Field(QStringLiteral("txtPeriod"))->setText(QStringLiteral(".50"));
    Field(QStringLiteral("txtFilter"))->setText(QStringLiteral("3"));
    Field(QStringLiteral("txtInit_0"))->setText(QStringLiteral("9.000"));
    Field(QStringLiteral("txtInit_1"))->setText(QStringLiteral("2.000"));
    Field(QStringLiteral("txtInit_2"))->setText(QStringLiteral("8.000"));
    f.findChild<QCheckBox*>(QStringLiteral("chkLog"))->setChecked(true);
    Field(QStringLiteral("txtLogFile"))->setText(QStringLiteral("film.log"));
    f.findChild<QComboBox*>(QStringLiteral("cboShowSensors"))->setCurrentIndex(23);
    m_lib->calls.clear();
    f.cmdFSwitch_Click(1);

    const MonitorSettings& s = m_window->Settings();
    ASSERT_EQ(Inits().size(), 1u);
    const std::array<double, 4> sent{9000000.0, 2000000.0, 8000000.0, 0.5};
    EXPECT_EQ(Inits()[0], sent);
    EXPECT_EQ(s.period, 0.5);
    EXPECT_EQ(s.maxFreq, 9000000.0);
    EXPECT_EQ(s.filter, 3);
    EXPECT_EQ(m_tlv->FilterSize(), 3);
    EXPECT_EQ(s.logEnabled, 1);
    EXPECT_EQ(s.logFile, QStringLiteral("film.log"));
    EXPECT_EQ(s.sensorsShown, 24);
    EXPECT_TRUE(s.setupChanged);
    EXPECT_EQ(Grid()->rowCount(), 25);
    EXPECT_NE(Box(QStringLiteral("txtZFactor_23")), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_window->findChild<frmSetup*>(QStringLiteral("frmSetup")), nullptr);

    // The polling interval follows the new period at the next start.
    m_window->cmdFSwitch_Click(0);
    EXPECT_EQ(m_window->RunTimer().interval(), 250);
}

TEST_F(SetupForm, OkRefusesAFieldThatWasNeverChecked)
{
    frmSetup& f = Open();
    Field(QStringLiteral("txtPeriod"))->setText(QStringLiteral("5"));
    f.findChild<QComboBox*>(QStringLiteral("cboShowSensors"))->setCurrentIndex(7);
    m_lib->calls.clear();
    f.cmdFSwitch_Click(1);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Period must be between 0.1 and 2 !")});
    EXPECT_TRUE(Inits().empty());
    EXPECT_EQ(m_window->Settings().period, 0.25);
    EXPECT_EQ(m_window->Settings().sensorsShown, 4);
    EXPECT_FALSE(m_window->Settings().setupChanged);
}

TEST_F(SetupForm, MassChosenThenCancelStaysInMassDisplay)
{
    frmSetup& f = Open();
    m_window->cmdFSwitch_Click(0);
    f.findChild<QRadioButton*>(QStringLiteral("optDisplay_1"))->click();
    EXPECT_EQ(m_window->Settings().display, DisplayMode::Mass);
    f.findChild<QComboBox*>(QStringLiteral("cboShowSensors"))->setCurrentIndex(9);
    f.cmdFSwitch_Click(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_window->Settings().display, DisplayMode::Mass);
    EXPECT_EQ(m_window->Settings().sensorsShown, 4); // nothing else taken over
    EXPECT_FALSE(m_window->Settings().setupChanged);

    LibReading r;
    r.rate[0] = 1.0;
    Queue(r);
    Tick();
    EXPECT_EQ(Cell(1, 1), QStringLiteral("100.0")); // density 10 x 1 A/s x 10
    EXPECT_EQ(Cell(0, 1), QStringLiteral("ng/cm2/s"));
}

} // namespace
} // namespace monitor::test
