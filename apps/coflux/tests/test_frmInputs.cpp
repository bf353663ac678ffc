// The input editor through the main window: filling, fitting to the cards, the entry checks, the
// material-sending rule and the change question.

#include "test_frmSupport.h"

#include "frmInputs.h"

#include "tlvtest/MaterialPicking.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace coflux::test {
namespace {

class InputsTest : public EditorTest {
protected:
    frmInputs* Open()
    {
        m_main->ShowInputSetup();
        auto* form = OpenForm<frmInputs>();
        EXPECT_NE(form, nullptr);
        return form;
    }
    static QLineEdit* Box(frmInputs* form, const char* name, int index)
    {
        return Find<QLineEdit>(form, QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
    }
    static void Click(frmInputs* form, int button)
    {
        Find<QPushButton>(form, QStringLiteral("cmdFSwitch_%1").arg(button))->click();
    }
};

TEST_F(InputsTest, FillsEveryRowInItsFormat)
{
    Start();
    Tables().Sensor(2).Tooling = 87.25;
    Tables().Sensor(2).ThickSP = 1.5;
    Tables().Sensor(2).Monitor = -1;
    Tables().Analog(1).Units = QStringLiteral("mTorr ");
    Tables().Analog(1).Gain = 2.5;
    Tables().Analog(1).AnalogSP = -3.25;
    frmInputs* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Input Setup"));
    EXPECT_EQ(Box(form, "txtDensity", 0)->text(), QStringLiteral("10.00"));
    EXPECT_EQ(Box(form, "txtZFactor", 0)->text(), QStringLiteral("1.000"));
    EXPECT_EQ(Box(form, "txtTooling", 2)->text(), QStringLiteral("87.3"));
    EXPECT_EQ(Box(form, "txtThick", 2)->text(), QStringLiteral("1.500"));
    EXPECT_TRUE(Find<QCheckBox>(form, QStringLiteral("chkSensor_2"))->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(form, QStringLiteral("chkSensor_1"))->isChecked());
    EXPECT_EQ(Box(form, "txtUnits", 1)->text(), QStringLiteral("mTorr"));
    EXPECT_EQ(Box(form, "txtGain", 1)->text(), QStringLiteral("2.50"));
    EXPECT_EQ(Box(form, "txtOffset", 1)->text(), QStringLiteral("0.00"));
    EXPECT_EQ(Box(form, "txtAinSP", 1)->text(), QStringLiteral("-3.25"));
    EXPECT_FALSE(form->Changed()) << "a freshly filled form holds the tables";
}

TEST_F(InputsTest, OneCardWithoutAnalogBoardHidesRowsAndShortensTheWindow)
{
    Start(TwoCards(300));
    frmInputs* full = Open();
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(Box(full, "txtDensity", 7)->isHidden());
    EXPECT_FALSE(Find<QGroupBox>(full, QStringLiteral("fraAnalog"))->isHidden());
    const int fullHeight = full->sizeHint().height();
    full->close();
    m_main.reset();
    m_tlv.reset();

    Start(OneCard(0));
    frmInputs* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(Box(form, "txtDensity", 3)->isHidden());
    EXPECT_TRUE(Box(form, "txtDensity", 4)->isHidden());
    EXPECT_TRUE(Box(form, "txtThick", 7)->isHidden());
    EXPECT_TRUE(Find<QLabel>(form, QStringLiteral("lblSensor_7"))->isHidden());
    EXPECT_TRUE(Find<QGroupBox>(form, QStringLiteral("fraAnalog"))->isHidden());
    EXPECT_LT(form->sizeHint().height(), fullHeight);
}

TEST_F(InputsTest, EntriesAreCheckedAtAndBeyondTheirLimits)
{
    Start();
    frmInputs* form = Open();
    const LimitCase cases[] = {
        {"txtAinSP_0", "-10", "-10.00", "-10.01", "Aanlog setpoint must be between -10V and +10V!"},
        {"txtAinSP_3", "10", "10.00", "10.01", "Aanlog setpoint must be between -10V and +10V!"},
        {"txtThick_0", "999.9", "999.900", "1000", "Thickness must be between 0 and 999.9 !"},
        {"txtThick_7", "0", "0.000", "-0.001", "Thickness must be between 0 and 999.9 !"},
        {"txtDensity_1", "0.4", "0.40", "0.39", "Density must be between 0.4 and 99.99 !"},
        {"txtDensity_1", "99.99", "99.99", "100", "Density must be between 0.4 and 99.99 !"},
        {"txtZFactor_5", "9.999", "9.999", "10", "Z Factor must be between 0.1 and 9.999 !"},
        {"txtZFactor_5", "0.1", "0.100", "0.09", "Z Factor must be between 0.1 and 9.999 !"},
        {"txtTooling_6", "999", "999.0", "999.1", "Tooling must be between 0 and 999 !"},
        {"txtGain_2", "-2.5", "-2.5", "x2", "Gain must be a number !"},
    };
    CheckLimits(form, cases);
    QLineEdit* units = Box(form, "txtUnits", 0);
    Enter(units, QStringLiteral("Angstrom"));
    EXPECT_EQ(units->text(), QStringLiteral("Angstr"));
}

TEST_F(InputsTest, MaterialIsSentAtOnceOnlyForSensorsThatFeedNoLoop)
{
    Start();
    m_tlv->setSensorLoop(0, 0); // sensor 1 feeds output 1
    frmInputs* form = Open();
    Box(form, "txtDensity", 0)->setText(QStringLiteral("19.3"));
    Box(form, "txtDensity", 1)->setText(QStringLiteral("19.3"));
    Box(form, "txtTooling", 1)->setText(QStringLiteral("110"));
    m_lib->calls.clear();
    Click(form, 0);

    EXPECT_EQ(Tables().Sensor(0).Density, 19.3) << "stored for the next setup load";
    EXPECT_EQ(Tables().Sensor(1).Density, 19.3);
    EXPECT_EQ(Tables().Sensor(1).Tooling, 110);
    // Each call carries the sensor mask, the density, the z factor and the tooling fraction.
    const auto materials = m_lib->all(QStringLiteral("Xdc770Material"));
    const auto forMask = [&](int mask) {
        return std::find_if(materials.begin(), materials.end(),
                            [mask](const tlvtest::Call& c) { return c.args[0].toInt() == mask; });
    };
    EXPECT_EQ(forMask(1), materials.end()) << "sensor 1 feeds a loop";
    const auto sent = forMask(2);
    ASSERT_NE(sent, materials.end());
    EXPECT_DOUBLE_EQ(sent->args[1].toDouble(), 19.3);
    EXPECT_DOUBLE_EQ(sent->args[3].toDouble(), 1.10);
    EXPECT_EQ(OpenForm<frmInputs>(), nullptr);
}

TEST_F(InputsTest, OutOfRangeValueFromTheSetupFileMustBeCorrectedBeforeApplying)
{
    Start();
    Tables().Sensor(5).Density = 0.2; // a hand-edited setup file
    frmInputs* form = Open();
    m_lib->calls.clear();
    Click(form, 0);
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Density must be between 0.4 and 99.99 !")});
    EXPECT_EQ(form->focusWidget(), Box(form, "txtDensity", 5));
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770Material")), 0)
        << "nothing is sent until it is corrected";
}

TEST_F(InputsTest, ApplyStoresMonitorsSetpointsAndAnalogScaling)
{
    Start();
    frmInputs* form = Open();
    Find<QCheckBox>(form, QStringLiteral("chkSensor_3"))->setChecked(true);
    Box(form, "txtThick", 3)->setText(QStringLiteral("2.5"));
    Find<QCheckBox>(form, QStringLiteral("chkAnalog_2"))->setChecked(true);
    Box(form, "txtAinSP", 2)->setText(QStringLiteral("4.5"));
    Box(form, "txtGain", 2)->setText(QStringLiteral("100"));
    Box(form, "txtOffset", 2)->setText(QStringLiteral("-1.5"));
    Box(form, "txtUnits", 2)->setText(QStringLiteral("Torr"));
    Click(form, 2);
    EXPECT_EQ(Tables().Sensor(3).Monitor, -1);
    EXPECT_EQ(Tables().Sensor(3).ThickSP, 2.5);
    EXPECT_EQ(Tables().Analog(2).Monitor, -1);
    EXPECT_EQ(Tables().Analog(2).AnalogSP, 4.5);
    EXPECT_EQ(Tables().Analog(2).Gain, 100);
    EXPECT_EQ(Tables().Analog(2).Offset, -1.5);
    EXPECT_EQ(Tables().Analog(2).Units, QStringLiteral("Torr"));
    EXPECT_FALSE(form->Changed());
}

TEST_F(InputsTest, ClosingAsksToSaveOnlyWhenChanged)
{
    Start();
    frmInputs* form = Open();
    form->close();
    EXPECT_TRUE(TakeTexts().empty());

    form = Open();
    Box(form, "txtZFactor", 4)->setText(QStringLiteral("0.5"));
    Answer({QMessageBox::No});
    form->close();
    EXPECT_EQ(TakeTexts(), std::vector<QString>{QStringLiteral("Save Input Setup Changes?")});
    EXPECT_EQ(Tables().Sensor(4).ZFactor, 1);

    form = Open();
    Find<QCheckBox>(form, QStringLiteral("chkAnalog_0"))->setChecked(true);
    Answer({QMessageBox::Yes});
    form->close();
    EXPECT_EQ(TakeTexts(), std::vector<QString>{QStringLiteral("Save Input Setup Changes?")});
    EXPECT_EQ(Tables().Analog(0).Monitor, -1);
}

TEST_F(InputsTest, PickingAMaterialFillsTheRowAndApplySetsTheSensorsFilm)
{
    Start();
    frmInputs* form = Open();
    auto* picker = Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial_2"));
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(picker->Shown()) << "density 10 and Z-factor 1 are no material";
    tlvtest::PickMaterial(picker, QStringLiteral("Aluminium"));
    EXPECT_EQ(Box(form, "txtDensity", 2)->text(), QStringLiteral("2.70"));
    EXPECT_EQ(Box(form, "txtZFactor", 2)->text(), QStringLiteral("1.080"));
    EXPECT_EQ(Box(form, "txtDensity", 1)->text(), QStringLiteral("10.00")) << "its own row only";
    EXPECT_TRUE(form->Changed());
    m_lib->calls.clear();
    Click(form, 2);
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_DOUBLE_EQ(Tables().Sensor(2).Density, 2.70);
    EXPECT_DOUBLE_EQ(Tables().Sensor(2).ZFactor, 1.080);
    EXPECT_EQ(Tables().Sensor(2).Material, QStringLiteral("Aluminium"));
    EXPECT_EQ(Tables().Sensor(1).Material, QString());
    const auto materials = m_lib->all(QStringLiteral("Xdc770Material"));
    const auto sent = std::find_if(materials.begin(), materials.end(),
                                   [](const tlvtest::Call& c) { return c.args[0].toInt() == 4; });
    ASSERT_NE(sent, materials.end()) << "a free sensor gets its film at once";
    EXPECT_DOUBLE_EQ(sent->args[1].toDouble(), 2.70);
    EXPECT_DOUBLE_EQ(sent->args[2].toDouble(), 1.080);
    EXPECT_FALSE(form->Changed());

    // Opened again, the row shows the material it holds.
    form->close();
    form = Open();
    EXPECT_EQ(Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial_2"))->ShownName(),
              QStringLiteral("Aluminium"));
    EXPECT_FALSE(form->Changed());
}

TEST_F(InputsTest, NumbersTypedByHandShowTheirMaterialOrNoneAndKeepTheFormsLimits)
{
    Start();
    frmInputs* form = Open();
    auto* picker = Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial_0"));
    Box(form, "txtDensity", 0)->setText(QStringLiteral("19.3"));
    Box(form, "txtZFactor", 0)->setText(QStringLiteral(".381"));
    EXPECT_EQ(picker->ShownName(), QStringLiteral("Gold"));
    Box(form, "txtZFactor", 0)->setText(QStringLiteral("0.4"));
    EXPECT_FALSE(picker->Shown());

    // A picked material's numbers stay editable and are checked as typed ones are.
    tlvtest::PickMaterial(picker, QStringLiteral("Copper (Cu)"));
    EXPECT_EQ(Box(form, "txtZFactor", 0)->text(), QStringLiteral("0.437"));
    Enter(Box(form, "txtZFactor", 0), QStringLiteral("10"));
    EXPECT_EQ(TakeTexts(),
              std::vector<QString>{QStringLiteral("Z Factor must be between 0.1 and 9.999 !")});
    Box(form, "txtZFactor", 0)->setText(QStringLiteral("0.45"));
    Click(form, 0);
    EXPECT_TRUE(TakeTexts().empty());
    EXPECT_DOUBLE_EQ(Tables().Sensor(0).Density, 8.93);
    EXPECT_DOUBLE_EQ(Tables().Sensor(0).ZFactor, 0.45);
    EXPECT_EQ(Tables().Sensor(0).Material, QString()) << "numbers of no material name none";
}

TEST_F(InputsTest, AFilmSetElsewhereShowsUnlessTheOperatorHasEditsPending)
{
    Start();
    frmInputs* form = Open();
    ASSERT_TRUE(m_main->Core().SetSensorMaterial(3, QStringLiteral("Gold")).ok());
    EXPECT_EQ(Box(form, "txtDensity", 3)->text(), QStringLiteral("19.30"));
    EXPECT_EQ(Find<tlv::MaterialPicker>(form, QStringLiteral("cboMaterial_3"))->ShownName(),
              QStringLiteral("Gold"));
    EXPECT_FALSE(form->Changed());

    Box(form, "txtTooling", 5)->setText(QStringLiteral("90")); // the operator's own edit
    ASSERT_TRUE(m_main->Core().SetSensorMaterial(4, QStringLiteral("Silver")).ok());
    EXPECT_EQ(Box(form, "txtTooling", 5)->text(), QStringLiteral("90"));
    EXPECT_EQ(Box(form, "txtDensity", 4)->text(), QStringLiteral("10.00"));
}

} // namespace
} // namespace coflux::test
