// The readings view: opened from the main window, grids sized to the cards, live sensor and
// analog rows with "Fail" and "?", crystal life, the Control column, the topmost window, its
// saved position and its reopening at start-up.

#include "instrument/CrystalForecastText.h"
#include "test_frmSupport.h"

#include "frmReadings.h"

#include <QTableWidget>

namespace coflux::test {
namespace {

class ReadingsTest : public EditorTest {
protected:
    frmReadings* Open()
    {
        m_main->ShowReadingsView();
        auto* view = OpenForm<frmReadings>();
        EXPECT_NE(view, nullptr);
        return view;
    }
    static QTableWidget* Grid(frmReadings* view, const char* name)
    {
        return Find<QTableWidget>(view, QLatin1String(name));
    }
    static QString Cell(QTableWidget* grid, int row, int column)
    {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    static QStringList Heads(QTableWidget* grid, Qt::Orientation orientation)
    {
        QStringList heads;
        const int count = orientation == Qt::Horizontal ? grid->columnCount() : grid->rowCount();
        for (int i = 0; i < count; ++i) {
            const QTableWidgetItem* item = orientation == Qt::Horizontal
                                               ? grid->horizontalHeaderItem(i)
                                               : grid->verticalHeaderItem(i);
            heads << (item ? item->text() : QString());
        }
        return heads;
    }
    // A reading whose sensor s has the given frequency (rate and thickness follow s).
    void Reading(int sensor, double frequency, double rate = 1.5, double thicknessA = 2500)
    {
        SensorArray sensors{};
        for (auto& row : sensors)
            row = {0, 0, 6000000, 0};
        sensors[static_cast<size_t>(sensor)] = {rate, thicknessA, frequency, 0};
        emit m_tlv->TLVReading(sensors, OutputArray{}, 10);
    }
};

TEST_F(ReadingsTest, GridsCarryTheirHeadsAndFollowTheCards)
{
    Start();
    frmReadings* view = Open();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Input Readings"));
    EXPECT_TRUE(view->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QTableWidget* sensors = Grid(view, "grdReading");
    QTableWidget* analog = Grid(view, "grdAnalog");
    EXPECT_EQ(Heads(sensors, Qt::Horizontal),
              (QStringList{"Rate (A/s) ", "Thick (kA) ", "Freq. (Hz) ", "Life (%)", "Control",
                           "Left (kA)", "Time left"}));
    EXPECT_EQ(Heads(analog, Qt::Horizontal), (QStringList{"Units", "Volts", "Control"}));
    EXPECT_EQ(sensors->rowCount(), 8);
    EXPECT_EQ(Heads(sensors, Qt::Vertical).first(), QStringLiteral("Sensor 1"));
    EXPECT_EQ(Heads(analog, Qt::Vertical).last(), QStringLiteral("Analog 4"));
    EXPECT_EQ(sensors->toolTip(), QStringLiteral("Readings from the TLV-770 card."));
    EXPECT_EQ(analog->toolTip(), QStringLiteral("Readings from the TLV-770 card."));
    const int fullHeight = view->sizeHint().height();
    view->close();
    m_main.reset();
    m_tlv.reset();

    Start(OneCard(0));
    view = Open();
    EXPECT_EQ(Grid(view, "grdReading")->rowCount(), 4);
    EXPECT_TRUE(Grid(view, "grdAnalog")->isHidden());
    EXPECT_LT(view->sizeHint().height(), fullHeight);
}

TEST_F(ReadingsTest, SensorRowsShowRateThicknessFrequencyAndLife)
{
    Start();
    frmReadings* view = Open();
    QTableWidget* grid = Grid(view, "grdReading");
    ASSERT_EQ(m_tlv->SensorInitFreq(), 6000000);
    ASSERT_EQ(m_tlv->SensorMinFreq(), 5000000);

    Reading(2, 6000000, 1.234, 12340);
    EXPECT_EQ(Cell(grid, 2, 0), QStringLiteral("1.23"));
    EXPECT_EQ(Cell(grid, 2, 1), QStringLiteral("12.34"));
    EXPECT_EQ(Cell(grid, 2, 2), QStringLiteral("6000000.0"));
    EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("100.0")) << "a new crystal";

    Reading(2, 5000000);
    EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral(".0")) << "at the minimum: no life left";
    Reading(2, 5750000);
    EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("75.0"));
    Reading(2, 4900000);
    EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("-10.0")) << "below the minimum";

    Reading(2, -1);
    EXPECT_EQ(Cell(grid, 2, 2), QStringLiteral("Fail"));
    EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("?"));
    Reading(2, 0.5);
    EXPECT_EQ(Cell(grid, 2, 2), QStringLiteral("Fail"));
    EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("?"));
}

TEST_F(ReadingsTest, ForecastColumnsShowWhatTheCrystalCanStillTake)
{
    Start();
    frmReadings* view = Open();
    QTableWidget* grid = Grid(view, "grdReading");
    const SensorRecord& sensor = Tables().Sensor(2); // as sent to the card at loading
    const auto expected = tlv::ForecastCrystal(5500000, 5000000, 6000000, sensor.Density,
                                               sensor.ZFactor, sensor.Tooling, 2.0);
    ASSERT_TRUE(expected && expected->secondsLeft);
    Reading(2, 5500000, 2.0);
    EXPECT_EQ(Cell(grid, 2, 5), QString::number(expected->thicknessLeft, 'f', 2));
    EXPECT_EQ(Cell(grid, 2, 6), tlv::TimeLeftText(expected));
    Reading(2, 5500000, 0);
    EXPECT_EQ(Cell(grid, 2, 6), QStringLiteral("--")) << "not depositing: no time";
    Reading(2, -3);
    EXPECT_EQ(Cell(grid, 2, 5), QStringLiteral("--")) << "a failed crystal has no forecast";
    EXPECT_EQ(Cell(grid, 2, 6), QStringLiteral("--"));
}

TEST_F(ReadingsTest, LifeCannotBeToldWithoutAFrequencyWindow)
{
    EXPECT_EQ(frmReadings::LifeText(6000000, 6000000, 6000000), QStringLiteral("?"));
    EXPECT_EQ(frmReadings::LifeText(5500000, 6000000, 5000000), QStringLiteral("50.0"));
}

TEST_F(ReadingsTest, ControlColumnNamesTheOutputElseMonitorElseNone)
{
    Start();
    Tables().Output(1).Name = ProcessTables::FixedWidth(QStringLiteral("Silver"), 12);
    Tables().Sensor(0).Monitor = -1;
    Tables().Sensor(1).Monitor = -1;
    m_tlv->setSensorLoop(0, 1);
    Tables().Output(0).Name = ProcessTables::FixedWidth(QStringLiteral("Gold"), 12);
    Tables().Analog(2).Monitor = -1;
    m_tlv->setAnalogLoop(3, 0); // an analog input takes its output from the sensors: not 1
    frmReadings* view = Open();
    Reading(0, 5900000);
    QTableWidget* grid = Grid(view, "grdReading");
    EXPECT_EQ(Cell(grid, 0, 4), QStringLiteral("Silver")) << "the loop wins over Monitor";
    EXPECT_EQ(Cell(grid, 1, 4), QStringLiteral("Monitor"));
    EXPECT_EQ(Cell(grid, 2, 4), QStringLiteral("None"));

    Tables().Analog(1).Gain = 2;
    Tables().Analog(1).Offset = 0.5;
    emit m_tlv->TLVAnalog(AnalogArray{0.25, 2.25, -1, 3}, 10);
    QTableWidget* analog = Grid(view, "grdAnalog");
    EXPECT_EQ(Cell(analog, 1, 0), QStringLiteral("5.00"));
    EXPECT_EQ(Cell(analog, 1, 1), QStringLiteral("2.250"));
    EXPECT_EQ(Cell(analog, 0, 0), QStringLiteral(".250"));
    EXPECT_EQ(Cell(analog, 2, 1), QStringLiteral("-1.000"));
    EXPECT_EQ(Cell(analog, 0, 2), QStringLiteral("None"));
    EXPECT_EQ(Cell(analog, 2, 2), QStringLiteral("Monitor"));
    EXPECT_EQ(Cell(analog, 3, 2), QStringLiteral("Gold"));
}

TEST_F(ReadingsTest, PositionIsSavedAndTheViewReopensAtStartUp)
{
    Start();
    frmReadings* view = Open();
    view->move(40, 60);
    view->close();
    const QString saved =
        ProgramSettings()->value(QStringLiteral("Form Positions/frmReadings")).toString();
    EXPECT_TRUE(saved.startsWith(QStringLiteral("L="))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral(";S=0;"))) << saved.toStdString();

    Open();
    Answer({QMessageBox::No}); // do not save the setup on quitting
    m_main->close();
    EXPECT_EQ(ProgramSettings()->value(QStringLiteral("frmReadings/Form Visible")).toString(),
              QStringLiteral("True"));
    m_main.reset();
    m_main = std::make_unique<frmMain>(nullptr, m_tlv.get());
    EXPECT_NE(OpenForm<frmReadings>(), nullptr) << "open at the last exit: opened again";
}

} // namespace
} // namespace coflux::test
