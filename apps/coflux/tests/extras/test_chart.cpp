// The chart of coflux: what the main window's readings put into the chart history, the chart
// window opened from the View menu, its remembered visibility, thickness read against each
// output's setpoint on aligned time axes, breaks where readings stopped, and a bounded history
// over a long run.

#include "ChartRecorder.h"
#include "CofluxTestSupport.h"
#include "RecipeSession.h"
#include "frmChart.h"

#include "common/charts/LiveChartView.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTextBrowser>
#include <QValueAxis>

#include <cmath>

namespace coflux::test {
namespace {

using tlv::charts::ChartModel;

class CofluxChart : public CofluxWindowTest {
protected:
    // Output 1 "Silver" under rate control from sensor 1, output 2 "Cu" manual, others Off.
    void WriteCoDeposition()
    {
        WriteFile(QStringLiteral("Default.dat"),
                  QStringLiteral("[OUTPUT1]\nMode=3\nName=Silver\nInput=1\nThick=0.5\n"
                                 "[OUTPUT2]\nMode=2\nName=Cu\nInput=2\nThick=1.25\n"));
    }

    // A reading as the instrument raises it: rate Å/s, thickness Å, power %.
    void Reading(double time, double rate, double thickAngstrom, double power)
    {
        SensorArray sensors{};
        OutputArray outputs{};
        for (int j : {0, 1})
            outputs[static_cast<std::size_t>(j)] = {rate * (j + 1), thickAngstrom * (j + 1),
                                                    power + j};
        emit m_window->Instrument().TLVReading(sensors, outputs, time);
    }

    static int FindSeries(const ChartModel& model, const QString& name)
    {
        for (int id = 0; id < model.seriesCount(); ++id)
            if (model.name(id) == name) return id;
        return -1;
    }
};

TEST_F(CofluxChart, ReadingsOfOutputsThatAreOnGoIntoTheHistoryWithTheSetpoint)
{
    WriteCoDeposition();
    frmMain& main = Open();
    ChartRecorder* recorder = main.ChartHistory();
    ASSERT_NE(recorder, nullptr) << "the history runs from the start, window open or not";

    Reading(3600.0, 5.0, 250.0, 48.0);
    Reading(3600.25, 5.5, 251.0, 48.5);

    ChartModel& rate = recorder->RateChart();
    ChartModel& power = recorder->PowerChart();
    ChartModel& thick = recorder->ThickChart();
    EXPECT_EQ(rate.seriesCount(), 2) << "Silver and Cu; the outputs that are Off have none";
    const int silverRate = FindSeries(rate, QStringLiteral("Silver"));
    ASSERT_GE(silverRate, 0);
    ASSERT_EQ(rate.ring(silverRate).size(), 2u);
    EXPECT_DOUBLE_EQ(rate.ring(silverRate).newest().v, 5.5);
    EXPECT_DOUBLE_EQ(rate.ring(silverRate).newest().t - rate.ring(silverRate).at(0).t, 0.25);

    const int cuPower = FindSeries(power, QStringLiteral("Cu"));
    ASSERT_GE(cuPower, 0);
    EXPECT_DOUBLE_EQ(power.ring(cuPower).newest().v, 49.5);

    const int silverThick = FindSeries(thick, QStringLiteral("Silver"));
    const int silverSetpoint = FindSeries(thick, QStringLiteral("Silver setpoint"));
    ASSERT_GE(silverThick, 0);
    ASSERT_GE(silverSetpoint, 0);
    EXPECT_NEAR(thick.ring(silverThick).newest().v, 50.2, 1e-9)
        << "0.251 kÅ of the 0.5 kÅ setpoint in force";
    EXPECT_DOUBLE_EQ(thick.level(silverSetpoint), 0.5);
    EXPECT_DOUBLE_EQ(thick.level(FindSeries(thick, QStringLiteral("Cu setpoint"))), 1.25);
    EXPECT_EQ(thick.companion(silverSetpoint), silverThick);

    main.ChannelMode(0, ModeOff);
    Reading(3600.5, 6.0, 252.0, 49.0);
    EXPECT_EQ(rate.ring(silverRate).size(), 2u) << "an output switched Off adds nothing";
    EXPECT_TRUE(std::isnan(thick.level(silverSetpoint))) << "nor shows a setpoint";
}

TEST_F(CofluxChart, TheViewMenuOpensTheChartAndItsVisibilityIsRemembered)
{
    WriteCoDeposition();
    frmMain& main = Open();
    auto* action = main.findChild<QAction*>(QStringLiteral("mnuViewChart"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("C&hart"));
    action->trigger();

    auto* chart = main.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    for (int i = 0; i < 20; ++i)
        Reading(100 + i * 0.25, 5.0, 10.0 * i, 48.0);
    chart->RateView()->refreshNow();
    ASSERT_TRUE(chart->RateView()->lineDrawn(0));
    EXPECT_NEAR(chart->RateView()->points(0).front().x(), -19 * 0.25 / 60, 1e-9);
    action->trigger();
    EXPECT_EQ(main.findChildren<frmChart*>().size(), 1) << "one chart window, raised again";

    m_answer = [](const tlv::DialogRequest&) { return tlv::DialogAnswer(QMessageBox::No); };
    main.close();
    m_window.reset();
    EXPECT_EQ(ProgramSettings()->value(QStringLiteral("frmChart/Form Visible")).toString(),
              QStringLiteral("True"));

    frmMain& again = Open();
    auto* reopened = again.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(reopened, nullptr) << "open at the last close, open at the next start";
    EXPECT_TRUE(reopened->isVisible());
    reopened->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    again.close();
    m_window.reset();
    EXPECT_EQ(ProgramSettings()->value(QStringLiteral("frmChart/Form Visible")).toString(),
              QStringLiteral("False"));
}

TEST_F(CofluxChart, EachOutputReadsAgainstItsOwnSetpointOnTimeAxesThatLineUp)
{
    WriteFile(QStringLiteral("Default.dat"),
              QStringLiteral("[OUTPUT1]\nMode=3\nName=Thin\nInput=1\nThick=0.3\n"
                             "[OUTPUT2]\nMode=2\nName=Thick\nInput=2\nThick=100\n"));
    frmMain& main = Open();
    main.findChild<QAction*>(QStringLiteral("mnuViewChart"))->trigger();
    auto* chart = main.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    // A run that takes both outputs to their setpoints: 300 Å and 100,000 Å.
    for (int i = 0; i <= 40; ++i) {
        SensorArray sensors{};
        OutputArray outputs{};
        outputs[0] = {1.0, 300.0 * i / 40, 20.0 + i};
        outputs[1] = {250.0, 100000.0 * i / 40, 80.0 - i};
        emit main.Instrument().TLVReading(sensors, outputs, 3600 + i * 0.25);
    }
    tlv::charts::LiveChartView* thick = chart->ThickView();
    thick->refreshNow();
    const auto* axis = qobject_cast<QValueAxis*>(thick->chart()->axes(Qt::Vertical).value(0));
    ASSERT_NE(axis, nullptr);
    const double height = axis->max() - axis->min();
    for (int id = 0; id < thick->lineCount(); ++id) {
        if (thick->model().kind(id) != ChartModel::Kind::Line) continue;
        const QList<QPointF> line = thick->points(id);
        ASSERT_FALSE(line.isEmpty()) << thick->model().name(id).toStdString();
        EXPECT_GT(line.back().y() - axis->min(), height / 2)
            << thick->model().name(id).toStdString() << " at its setpoint";
    }
    const int thinSetpoint = FindSeries(thick->model(), QStringLiteral("Thin setpoint"));
    EXPECT_EQ(thick->legendText(thinSetpoint), QStringLiteral("Thin setpoint (0.3 kÅ)"));

    // Power (0..100 %) and thickness (%) labels are wider than the rate's: the plot areas
    // still start at one x, at the smallest size too, with no label cut short.
    for (QSize size : {QSize(1000, 900), QSize(1, 1)}) {
        chart->resize(size);
        // Layouts run from posted events; timers (the instrument's poll) are left alone.
        for (int pass = 0; pass < 4; ++pass) {
            QCoreApplication::sendPostedEvents();
            for (tlv::charts::LiveChartView* view : {chart->RateView(), chart->PowerView(), thick})
                view->refreshNow();
        }
        const qreal left = chart->RateView()->chart()->plotArea().left();
        for (tlv::charts::LiveChartView* view : {chart->PowerView(), thick})
            EXPECT_NEAR(view->chart()->plotArea().left(), left, 0.5) << size.width();
        for (tlv::charts::LiveChartView* view : {chart->RateView(), chart->PowerView(), thick})
            for (QAbstractAxis* a : view->chart()->axes())
                EXPECT_FALSE(a->labelsTruncated()) << view->objectName().toStdString();
    }
}

TEST_F(CofluxChart, ReadingsThatStopForMoreThanTwoPeriodsBreakTheLines)
{
    WriteCoDeposition();
    frmMain& main = Open();
    ChartRecorder* recorder = main.ChartHistory();
    const double period = main.Instrument().Period();
    for (double n : {0.0, 1.0, 2.0, 4.0, 5.0, 8.5}) // two periods are no gap; 3.5 are
        Reading(3600 + n * period, 5.0, 100.0, 40.0);
    tlv::charts::LiveChartView view(recorder->RateChart());
    view.setSpanSeconds(60);
    view.refreshNow();
    const auto runs = view.runs(FindSeries(recorder->RateChart(), QStringLiteral("Silver")));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 5);
    EXPECT_EQ(runs[1].size(), 1);
}

TEST_F(CofluxChart, TwoHoursAtTheShortestPeriodKeepTheHistoryBounded)
{
    WriteCoDeposition();
    frmMain& main = Open();
    ChartRecorder* recorder = main.ChartHistory();
    ASSERT_NE(recorder, nullptr);
    Reading(0, 1, 1, 1); // makes the series from the window's readings
    const std::size_t capacity = ChartModel::RingCapacity();
    for (int i = 1; i <= 72000; ++i)
        recorder->Record(i * 0.1);
    for (ChartModel* model :
         {&recorder->RateChart(), &recorder->PowerChart(), &recorder->ThickChart()})
        for (int id = 0; id < model->seriesCount(); ++id) {
            if (model->kind(id) == ChartModel::Kind::Level) continue;
            EXPECT_EQ(model->ring(id).size(), capacity);
            EXPECT_EQ(model->ring(id).capacity(), capacity);
        }
}

// A layer that reached its setpoint keeps reading 100 % after the setpoint changes: each
// reading is kept against the setpoint in force when it was taken.
TEST_F(CofluxChart, AFinishedLayerKeepsItsPercentageAfterTheSetpointChanges)
{
    WriteFile(QStringLiteral("Default.dat"),
              QStringLiteral("[OUTPUT1]\nMode=2\nName=Silver\nInput=1\nThick=0.1\n"));
    frmMain& main = Open();
    ChartModel& thick = main.ChartHistory()->ThickChart();
    for (int i = 0; i <= 10; ++i)
        Reading(3600 + i * 0.25, 4.0, 10.0 * i, 30.0); // up to 100 Å = 0.1 kÅ
    const int silver = FindSeries(thick, QStringLiteral("Silver"));
    const int setpoint = FindSeries(thick, QStringLiteral("Silver setpoint"));
    ASSERT_GE(silver, 0);
    EXPECT_DOUBLE_EQ(thick.ring(silver).newest().v, 100.0);

    ASSERT_TRUE(main.Core().SetThicknessSetpoint(0, 0.3).ok());
    for (int i = 1; i <= 10; ++i)
        Reading(3602.5 + i * 0.25, 4.0, 10.0 * i, 30.0); // the next layer: up to 0.1 of 0.3 kÅ
    const tlv::charts::SeriesRing& ring = thick.ring(silver);
    ASSERT_EQ(ring.size(), 21u);
    EXPECT_DOUBLE_EQ(ring.at(10).v, 100.0) << "the finished layer still reads 100 %";
    EXPECT_NEAR(ring.newest().v, 100.0 / 3, 1e-9);
    EXPECT_DOUBLE_EQ(thick.level(setpoint), 0.3) << "the line at 100 % is the setpoint now";

    main.findChild<QAction*>(QStringLiteral("mnuViewChart"))->trigger();
    auto* chart = main.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    chart->ThickView()->refreshNow();
    double highest = 0;
    for (const QPointF& p : chart->ThickView()->points(silver))
        highest = std::max(highest, p.y());
    EXPECT_DOUBLE_EQ(highest, 100.0) << "drawn as kept, not against today's setpoint";
    EXPECT_EQ(chart->ThickView()->legendText(setpoint), QStringLiteral("Silver setpoint (0.3 kÅ)"));
}

// While a loop on its sensors holds an output, the rate chart has its setpoint in force and
// the tolerance band around it; power is drawn from 0 to 100 %, and the time axis can show
// the time of day.
TEST_F(CofluxChart, RateSetpointAndToleranceBandWhileTheLoopHoldsTheOutput)
{
    WriteFile(QStringLiteral("Default.dat"),
              QStringLiteral("[OUTPUT1]\nMode=3\nName=Silver\nInput=1\nRate=5\nThick=100\n"
                             "FullScale=10\n"));
    frmMain& main = Open();
    main.Instrument().setTimerEnabled(false);
    ChartModel& rate = main.ChartHistory()->RateChart();
    Reading(3600, 5.0, 0, 40);
    EXPECT_EQ(FindSeries(rate, QStringLiteral("Silver setpoint")), -1) << "stopped: no loop";
    main.cmdFSwitch_Click(0);
    Reading(3600.25, 5.2, 1, 40);
    Reading(3600.5, 5.1, 2, 40);
    const int setpoint = FindSeries(rate, QStringLiteral("Silver setpoint"));
    ASSERT_GE(setpoint, 0);
    EXPECT_EQ(rate.kind(setpoint), ChartModel::Kind::Setpoint);
    EXPECT_EQ(rate.companion(setpoint), FindSeries(rate, QStringLiteral("Silver")));
    EXPECT_DOUBLE_EQ(rate.ring(setpoint).newest().v, 5.0);
    EXPECT_DOUBLE_EQ(rate.ring(setpoint + 1).newest().v, 5.25) << "±5 % of 5 Å/s";
    EXPECT_DOUBLE_EQ(rate.ring(setpoint + 2).newest().v, 4.75);
    EXPECT_EQ(rate.kind(setpoint + 1), ChartModel::Kind::Band);
    main.cmdFSwitch_Click(1); // held: no loop, the setpoint line breaks
    Reading(3600.75, 0, 2, 0);
    EXPECT_TRUE(std::isnan(rate.ring(setpoint).newest().v));

    main.findChild<QAction*>(QStringLiteral("mnuViewChart"))->trigger();
    auto* chart = main.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    chart->PowerView()->refreshNow();
    const auto* axis =
        qobject_cast<QValueAxis*>(chart->PowerView()->chart()->axes(Qt::Vertical).value(0));
    EXPECT_DOUBLE_EQ(axis->min(), 0);
    EXPECT_DOUBLE_EQ(axis->max(), 100);
    // Its Help shows the chart window's page.
    chart->findChild<QPushButton*>(QStringLiteral("cmdHelp"))->click();
    QWidget* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("frmHelp")) help = w;
    ASSERT_NE(qobject_cast<QTextBrowser*>(help), nullptr);
    EXPECT_EQ(qobject_cast<QTextBrowser*>(help)->source().fileName(),
              QStringLiteral("charts.html"));
    help->close();
    chart->ClockBox()->click();
    for (tlv::charts::LiveChartView* view :
         {chart->RateView(), chart->PowerView(), chart->ThickView()})
        EXPECT_TRUE(view->timeLabels().contains(QStringLiteral("01:00")))
            << "01:00:00.75 is the newest";
}

// A recipe marks where each layer begins, with its name, and reads each layer's thickness
// against that layer's end: the first layer keeps its 100 % while the second counts anew.
TEST_F(CofluxChart, RecipeLayersAreMarkedAndEachReadsAgainstItsOwnEnd)
{
    WriteFile(QStringLiteral("Default.dat"),
              QStringLiteral("[Card]\nPeriod=.25\n[OUTPUT1]\nMode=3\nName=Silver\nInput=1\n"
                             "Rate=5\nThick=100\nFullScale=10\n"));
    WriteFile(QStringLiteral("two.rcp"),
              QStringLiteral("[RECIPE]\nName=Two\nLayers=2\n"
                             "[LAYER1]\nName=Seed\nOutputs=1\nEndOutput=1\nEndThick=0.05\n"
                             "ShutterHold=1\n[LAYER1 OUTPUT1]\nRate=5\nIdleTime=1\n"
                             "[LAYER2]\nName=Cap\nOutputs=1\nEndOutput=1\nEndThick=0.1\n"
                             "ShutterHold=1\n[LAYER2 OUTPUT1]\nRate=5\nIdleTime=1\n"));
    frmMain& main = Open();
    main.Instrument().setTimerEnabled(false);
    RecipeSession& session = main.Host().Recipes();
    ASSERT_EQ(session.Load(HomeFile(QStringLiteral("two.rcp"))), QString());
    ASSERT_EQ(session.Start(), QString());
    double t = 3600;
    double angstrom = 0;
    while (session.Run().IsRunning() && t < 3700) {
        t += 0.25;
        const double r = main.Core().Mode(0) == ModeAuto ? main.Instrument().Rate(0) : 0.0;
        angstrom += r * 0.25;
        Reading(t, r, angstrom, 40);
    }
    ASSERT_EQ(session.Run().CurrentState(), RecipeRun::State::Complete)
        << session.Run().Message().toStdString();

    ChartModel& thick = main.ChartHistory()->ThickChart();
    ASSERT_EQ(thick.markers().size(), 2u);
    EXPECT_EQ(thick.markers()[0].label, QStringLiteral("Layer 1 Seed"));
    EXPECT_EQ(thick.markers()[1].label, QStringLiteral("Layer 2 Cap"));
    EXPECT_EQ(main.ChartHistory()->RateChart().markers().size(), 2u);
    const tlv::charts::SeriesRing& ring = thick.ring(FindSeries(thick, QStringLiteral("Silver")));
    double seedHighest = 0;
    double capHighest = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const auto& p = ring.at(i);
        if (std::isnan(p.v)) continue;
        (p.t < thick.markers()[1].t ? seedHighest : capHighest) =
            std::max(p.t < thick.markers()[1].t ? seedHighest : capHighest, p.v);
    }
    EXPECT_GE(seedHighest, 100.0) << "the first layer reached its end";
    EXPECT_LT(seedHighest, 110.0);
    EXPECT_GE(capHighest, 100.0);
    EXPECT_LT(capHighest, 110.0) << "counted from the second layer's start, against 0.1 kÅ";
}

} // namespace
} // namespace coflux::test
