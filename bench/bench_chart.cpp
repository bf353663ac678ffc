// Cost of the live chart: appending one reading (what the reading path pays) and one redraw of a
// full chart (what each batch of at most ten a second pays), for coflux's busiest chart: six
// outputs with 30 minutes of history at the shortest period, a case per span shown (1, 5 and 30
// minutes), the update alone and the update with the chart painted.

#include "common/charts/LiveChartView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

using tlv::charts::ChartModel;
using tlv::charts::LiveChartView;

constexpr int kOutputs = 6;

// Readings of a slow sine, or, with `noise` (peak to peak), of a steady level with that noise on
// it, as a controlled rate reads: then every pixel column holds a spread of readings and each line
// zigzags through the same few rows of pixels all along the plot.
void Fill(ChartModel& model, int lines, std::size_t points, double noise = 0)
{
    for (int id = 0; id < lines; ++id)
        model.addSeries(QStringLiteral("Output %1").arg(id + 1));
    unsigned seed = 12345;
    for (std::size_t i = 0; i < points; ++i)
        for (int id = 0; id < lines; ++id) {
            const double t = static_cast<double>(i) * 0.1;
            if (noise == 0) {
                model.append(id, t, 5 + std::sin(static_cast<double>(i) * 0.01 + id));
                continue;
            }
            seed = seed * 1103515245u + 12345u;
            const double unit = static_cast<double>((seed >> 16) & 0x7FFFu) / 0x7FFF;
            model.append(id, t, 5 + id * 0.5 + noise * (unit - 0.5));
        }
}

// Shows the view (on the offscreen platform) and lets the chart lay itself out, so the plot area
// has its size and the lines are painted; a view never shown has an empty plot.
void LayOut(LiveChartView& view)
{
    view.show();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    view.refreshNow();
}

void BM_AppendReading(benchmark::State& state)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    Fill(model, kOutputs, ChartModel::RingCapacity());
    double t = 1e5;
    for (auto _ : state) {
        for (int id = 0; id < kOutputs; ++id)
            model.append(id, t, 5.0);
        t += 0.1;
    }
    state.SetLabel("6 outputs per reading");
}
BENCHMARK(BM_AppendReading);

void BM_ChartUpdate(benchmark::State& state)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    Fill(model, kOutputs, ChartModel::RingCapacity());
    LiveChartView view(model);
    view.resize(900, 300);
    view.setSpanSeconds(state.range(0) * 60.0);
    LayOut(view);
    double t = ChartModel::RingCapacity() * 0.1;
    for (auto _ : state) {
        for (int id = 0; id < kOutputs; ++id)
            model.append(id, t, 5.0);
        t += 0.1;
        view.refreshNow();
    }
    state.SetLabel(QStringLiteral("%1 min shown, 6 lines").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_ChartUpdate)->Arg(1)->Arg(5)->Arg(30)->Unit(benchmark::kMicrosecond);

// One update of a chart as the window shows it: the history full (18,001 points × 6 lines),
// the view laid out and painted after the update, as each batch costs the GUI thread. `noise`
// is the peak-to-peak spread of the readings (0: smooth lines).
void RunPaintedUpdates(benchmark::State& state, double noise, const char* label)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    Fill(model, kOutputs, ChartModel::RingCapacity(), noise);
    LiveChartView view(model);
    view.resize(900, 300);
    view.setSpanSeconds(state.range(0) * 60.0);
    LayOut(view);
    QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
    double t = ChartModel::RingCapacity() * 0.1;
    for (auto _ : state) {
        for (int id = 0; id < kOutputs; ++id)
            model.append(
                id, t, noise > 0 ? 5 + id * 0.5 + noise / 2 * std::sin(t * 7) : 5.0 + std::sin(t));
        t += 0.1;
        view.refreshNow();
        QPainter painter(&canvas);
        view.render(&painter);
    }
    state.SetLabel(QStringLiteral("%1 min shown, %2, painted")
                       .arg(state.range(0))
                       .arg(QLatin1String(label))
                       .toStdString());
}

void BM_ChartUpdatePainted(benchmark::State& state)
{
    RunPaintedUpdates(state, 0.0, "6 lines");
}
BENCHMARK(BM_ChartUpdatePainted)->Arg(1)->Arg(5)->Arg(30)->Unit(benchmark::kMicrosecond);

// The same with steady, noisy readings (0.2 Å/s peak to peak, the lines 0.5 Å/s apart), as a rate
// chart shows while the loops hold their setpoints.
void BM_ChartUpdatePaintedNoisy(benchmark::State& state)
{
    RunPaintedUpdates(state, 0.2, "6 noisy lines");
}
BENCHMARK(BM_ChartUpdatePaintedNoisy)->Arg(1)->Arg(5)->Arg(30)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
