// The card setup form through the main window: filling with revisions and start-up status, the
// entry checks of period, filter and the three frequencies, applying, and the simulate box.

#include "test_frmSupport.h"

#include "frmSetup.h"

#include <QCheckBox>
#include <QPushButton>

namespace coflux::test {
namespace {

class SetupTest : public EditorTest {
protected:
    frmSetup* Open()
    {
        m_main->ShowCardSetup();
        auto* form = OpenForm<frmSetup>();
        EXPECT_NE(form, nullptr);
        return form;
    }
    static QLineEdit* Box(frmSetup* form, const char* name)
    {
        return Find<QLineEdit>(form, QLatin1String(name));
    }
    static QString Label(frmSetup* form, const char* name)
    {
        return Find<QLabel>(form, QLatin1String(name))->text();
    }
    static void Click(frmSetup* form, int button)
    {
        Find<QPushButton>(form, QStringLiteral("cmdFSwitch_%1").arg(button))->click();
    }
};

TEST_F(SetupTest, WithoutACardShowsTheDefaultsAndKeepsSimulationOn)
{
    Start();
    frmSetup* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Card Setup"));
    EXPECT_EQ(Box(form, "txtInit_0")->text(), QStringLiteral("6.100"));
    EXPECT_EQ(Box(form, "txtInit_1")->text(), QStringLiteral("5.000"));
    EXPECT_EQ(Box(form, "txtInit_2")->text(), QStringLiteral("6.000"));
    EXPECT_EQ(Box(form, "txtPeriod")->text(), QStringLiteral(".25"));
    EXPECT_EQ(Box(form, "txtFilter")->text(), QStringLiteral("4"));
    EXPECT_EQ(Box(form, "txtLogFile")->text(), QStringLiteral("TLV880.LOG"));
    EXPECT_FALSE(Find<QCheckBox>(form, QStringLiteral("chkLog"))->isChecked());
    auto* simulate = Find<QCheckBox>(form, QStringLiteral("chkSimulate"));
    EXPECT_TRUE(simulate->isChecked());
    EXPECT_FALSE(simulate->isEnabled());
    EXPECT_EQ(Label(form, "lblRev_1"), QStringLiteral("0.00"));
    EXPECT_EQ(Box(form, "txtError")->text(), QStringLiteral("Error: Driver not found."));
    EXPECT_TRUE(Box(form, "txtError")->isReadOnly());

    Click(form, 0);
    EXPECT_EQ(m_tlv->OpMode(), 1) << "no card: simulation stays on";
}

TEST_F(SetupTest, WithCardsShowsRevisionsAndLetsSimulationBeSwitchedOff)
{
    Start(TwoCards(300));
    frmSetup* form = Open();
    EXPECT_EQ(Label(form, "lblRev_1"), QStringLiteral("5.10"));
    EXPECT_EQ(Label(form, "lblRev_2"), QStringLiteral("5.12"));
    EXPECT_EQ(Label(form, "lblRev_7"), QStringLiteral("3.00"));
    EXPECT_EQ(Box(form, "txtError")->text(), QStringLiteral("DLL Loaded"));
    auto* simulate = Find<QCheckBox>(form, QStringLiteral("chkSimulate"));
    EXPECT_TRUE(simulate->isEnabled());
    EXPECT_TRUE(simulate->isChecked()) << "the setup file's default is simulation";
    simulate->setChecked(false);
    Click(form, 2);
    EXPECT_EQ(m_tlv->OpMode(), 0);
}

TEST_F(SetupTest, StatusTextsOfTheStartUpResult)
{
    EXPECT_EQ(frmSetup::StatusText(0), QStringLiteral("DLL Loaded"));
    EXPECT_EQ(frmSetup::StatusText(899), QStringLiteral("DLL Loaded"));
    EXPECT_EQ(frmSetup::StatusText(900), QStringLiteral("Error: 9.00"));
    EXPECT_EQ(frmSetup::StatusText(901), QStringLiteral("Error: Jumper conflict."));
    EXPECT_EQ(frmSetup::StatusText(902), QStringLiteral("Error: Two cards jumpered as master."));
    EXPECT_EQ(frmSetup::StatusText(903), QStringLiteral("Error: No card jumpered as master."));
    EXPECT_EQ(frmSetup::StatusText(904), QStringLiteral("Error: No card found."));
    EXPECT_EQ(frmSetup::StatusText(905), QStringLiteral("Errror: Interrupt not enabled."));
    EXPECT_EQ(frmSetup::StatusText(906), QStringLiteral("Error: Driver not found."));
    EXPECT_EQ(frmSetup::StatusText(907), QStringLiteral("Error: 9.07"));
}

struct EntryCase {
    const char* box;
    const char* text;
    const char* shownOrMessage; // the reformatted text, or the refusal message
    bool accepted;
};

TEST_F(SetupTest, EntriesAreCheckedAtAndBeyondTheirLimits)
{
    Start();
    frmSetup* form = Open();
    // Window at the start: max 6.1, min 5, initial 6 MHz.
    const EntryCase cases[] = {
        {"txtPeriod", "0.1", ".10", true},
        {"txtPeriod", "2", "2.00", true},
        {"txtPeriod", "2.01", "Period must be between 0.1 and 2 !", false},
        {"txtPeriod", "0.09", "Period must be between 0.1 and 2 !", false},
        {"txtFilter", "10", "10", true},
        {"txtFilter", "1", "1", true},
        {"txtFilter", "3.7", "3", true},
        {"txtFilter", "11", "Filter must be between 1 and 10 !", false},
        {"txtFilter", "0", "Filter must be between 1 and 10 !", false},
        {"txtInit_0", "10", "10.000", true},
        {"txtInit_0", "10.001", "Max. Frequency must be <= 10 MHZ !", false},
        {"txtInit_0", "6", "Max. Frequency must be > Initial Frequency !", false},
        {"txtInit_0", "6.1", "6.100", true},
        {"txtInit_1", "1", "1.000", true},
        {"txtInit_1", "0.999", "Min. Frequency must be >= 1MHZ !", false},
        {"txtInit_1", "6", "Min. Frequency must be < Initial Frequency !", false},
        {"txtInit_1", "5", "5.000", true},
        {"txtInit_2", "6.1", "Initial Frequency must be be < Max. Frequency !", false},
        {"txtInit_2", "5", "Initial Frequency must be > Min. Frequency !", false},
        {"txtInit_2", "5.5", "5.500", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + c.text);
        QLineEdit* box = Box(form, c.box);
        Enter(box, QLatin1String(c.text));
        if (c.accepted) {
            EXPECT_EQ(box->text(), QLatin1String(c.shownOrMessage));
            EXPECT_TRUE(TakeTexts().empty());
        } else {
            EXPECT_EQ(TakeTexts(), std::vector<QString>{QLatin1String(c.shownOrMessage)});
            EXPECT_EQ(form->focusWidget(), box);
            EXPECT_EQ(box->selectedText(), box->text());
        }
    }
}

TEST_F(SetupTest, ApplySendsTheWindowInHertzTheFilterAndTheLogSettings)
{
    Start();
    frmSetup* form = Open();
    Enter(Box(form, "txtInit_0"), QStringLiteral("7"));
    Enter(Box(form, "txtInit_2"), QStringLiteral("5.5"));
    Enter(Box(form, "txtInit_1"), QStringLiteral("4.25"));
    Enter(Box(form, "txtPeriod"), QStringLiteral("0.5"));
    Enter(Box(form, "txtFilter"), QStringLiteral("8"));
    Find<QCheckBox>(form, QStringLiteral("chkLog"))->setChecked(true);
    Box(form, "txtLogFile")->setText(QStringLiteral("/tmp/run.log"));
    m_lib->calls.clear();
    Click(form, 0);

    EXPECT_EQ(m_lib->linesOf(QStringLiteral("Init ")),
              QStringList{QStringLiteral("Init 7000000 4250000 5500000 0.5")});
    EXPECT_EQ(m_tlv->SensorMaxFreq(), 7000000);
    EXPECT_EQ(m_tlv->Period(), 0.5);
    EXPECT_EQ(m_tlv->FilterSize(), 8);
    EXPECT_EQ(Tables().Flags.LogEnabled, 1);
    EXPECT_EQ(Tables().Flags.LogFile, QStringLiteral("/tmp/run.log"));
    EXPECT_EQ(OpenForm<frmSetup>(), nullptr);
}

TEST_F(SetupTest, UntouchedValuesKeepTheirFullPrecision)
{
    Start();
    ASSERT_EQ(m_tlv->SendInit(6123456, 5000000, 6000000, 0.125), 0);
    frmSetup* form = Open();
    EXPECT_EQ(Box(form, "txtInit_0")->text(), QStringLiteral("6.123"));
    EXPECT_EQ(Box(form, "txtPeriod")->text(), QStringLiteral(".13"));
    m_lib->calls.clear();
    Click(form, 2);
    EXPECT_EQ(m_lib->linesOf(QStringLiteral("Init ")),
              QStringList{QStringLiteral("Init 6123456 5000000 6000000 0.125")});

    Enter(Box(form, "txtInit_0"), QStringLiteral("6.2"));
    Click(form, 2);
    EXPECT_EQ(m_lib->linesOf(QStringLiteral("Init ")).constLast(),
              QStringLiteral("Init 6200000 5000000 6000000 0.125"));
}

TEST_F(SetupTest, RefusedEntryBlocksApplyingAndCancelSendsNothing)
{
    Start();
    frmSetup* form = Open();
    Box(form, "txtFilter")->setText(QStringLiteral("12"));
    m_lib->calls.clear();
    Click(form, 0);
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Filter must be between 1 and 10 !")});
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770Init")), 0);
    EXPECT_TRUE(form->isVisible());

    Click(form, 1);
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770Init")), 0);
    EXPECT_EQ(m_tlv->FilterSize(), 4);
    EXPECT_TRUE(TakeTexts().empty()) << "Cancel asks nothing";
}

TEST_F(SetupTest, ClosingDropsTheChangesWithoutAQuestion)
{
    Start();
    frmSetup* form = Open();
    Box(form, "txtFilter")->setText(QStringLiteral("7"));
    Find<QCheckBox>(form, QStringLiteral("chkLog"))->setChecked(true);
    Box(form, "txtPeriod")->setText(QStringLiteral("99")); // not even a refused entry keeps it
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(TakeTexts().empty()) << "the card setup asks nothing on closing";
    EXPECT_EQ(OpenForm<frmSetup>(), nullptr);
    EXPECT_EQ(m_tlv->FilterSize(), 4);
    EXPECT_DOUBLE_EQ(m_tlv->Period(), 0.25);
    EXPECT_EQ(Tables().Flags.LogEnabled, 0);
}

} // namespace
} // namespace coflux::test
