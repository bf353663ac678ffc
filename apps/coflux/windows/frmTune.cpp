#include "frmTune.h"

#include "TuneCharts.h"

#include "Deposition.h"
#include "TuningReport.h"
#include "TuningRun.h"

#include "common/DialogService.h"
#include "instrument/OutputSlots.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace coflux {

namespace {

using tlv880::tuning::Aggressiveness;
using tlv880::tuning::LoopTermSet;

int ShownNumber(int j)
{
    return tlv880::OutputNumberOfSlot(j);
}

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The box's number; NaN for text that is none, so that the process refuses it with its message.
double BoxValue(const QLineEdit* box)
{
    bool ok = false;
    const double value = box->text().trimmed().toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

QPen Pen(const QColor& colour, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(colour);
    pen.setWidthF(1.5);
    pen.setStyle(style);
    return pen;
}

const QColor kCurrentColour(128, 128, 128), kProposedColour(0, 90, 200), kModelColour(220, 40, 30),
    kSoakColour(0, 150, 80);

} // namespace

frmTune::frmTune(Deposition& core, QWidget* parent) : QWidget(parent, Qt::Window), m_core(core)
{
    setObjectName(QStringLiteral("frmTune"));
    setWindowTitle(QStringLiteral("Loop Tuning"));
    BuildControls();
    FillOutputs();
    connect(m_cboOutput, &QComboBox::currentIndexChanged, this, &frmTune::Refresh);
    connect(m_cmdStart, &QPushButton::clicked, this, &frmTune::StartTuning);
    connect(m_cmdApply, &QPushButton::clicked, this, &frmTune::ApplyTerms);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_core.Tuning(), &TuningRun::changed, this, &frmTune::Refresh);
    connect(&m_core, &Deposition::outputChanged, this, [this](int j) {
        if (j == OutNum()) {
            FillOutputs(); // a new name
            Refresh();
        }
    });
    connect(&m_core, &Deposition::setupLoaded, this, [this] {
        FillOutputs();
        Refresh();
    });
    Refresh();
}

void frmTune::BuildControls()
{
    auto named = [this](auto* widget, const char* name, const QString& tip) {
        widget->setObjectName(QLatin1String(name));
        widget->setToolTip(tip);
        return widget;
    };
    m_cboOutput = named(new QComboBox(this), "cboOutput",
                        QStringLiteral("Output to tune: one fed by sensors, in Manual or Auto."));
    m_txtStartPower = named(new QLineEdit(this), "txtStartPower",
                            QStringLiteral("Power in % the step starts from; empty: the output's "
                                           "present power."));
    m_txtStartPower->setPlaceholderText(QStringLiteral("present"));
    m_txtStep = named(new QLineEdit(QStringLiteral("5.0"), this), "txtStep",
                      QStringLiteral("Open-loop power step in % (0.5 to 50), never above the "
                                     "output's maximum power."));
    m_chkStepDown = named(new QCheckBox(QStringLiteral("Step back down"), this), "chkStepDown",
                          QStringLiteral("A second step back to the start power, fitted with "
                                         "the first."));
    m_cboAggressiveness =
        named(new QComboBox(this), "cboAggressiveness",
              QStringLiteral("Calm, normal or fast: at most 1, 3 or 5 % predicted overshoot."));
    for (Aggressiveness a : {Aggressiveness::Calm, Aggressiveness::Normal, Aggressiveness::Fast})
        m_cboAggressiveness->addItem(QLatin1String(tlv880::tuning::AggressivenessName(a)),
                                     static_cast<int>(a));
    m_cboAggressiveness->setCurrentIndex(1);
    m_cmdStart = named(new QPushButton(QStringLiteral("&Start"), this), "cmdStart",
                       QStringLiteral("Start the power step on the output (the deposition must "
                                      "be running)."));
    m_cmdApply = named(new QPushButton(QStringLiteral("&Apply"), this), "cmdApply",
                       QStringLiteral("Write the proposed terms to the output, as the output "
                                      "editor would."));
    m_cmdClose = named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose",
                       QStringLiteral("Close the window; a run goes on."));
    m_lblState = named(new QLabel(this), "lblState", QString());
    m_lblState->setWordWrap(true);
    m_lblModel = named(new QLabel(this), "lblModel", QString());
    m_lblModel->setWordWrap(true);
    m_lblPrediction = named(new QLabel(this), "lblPrediction", QString());
    m_lblPrediction->setWordWrap(true);
    m_grdTerms = named(new QTableWidget(3, 3, this), "grdTerms",
                       QStringLiteral("Loop terms: as the output has them, as proposed, and as "
                                      "proposed for a start after a soak."));
    m_grdTerms->setHorizontalHeaderLabels(
        {QStringLiteral("Current"), QStringLiteral("Proposed"), QStringLiteral("After soak")});
    m_grdTerms->setVerticalHeaderLabels(
        {QStringLiteral("P"), QStringLiteral("I (s)"), QStringLiteral("D (s)")});
    m_grdTerms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdTerms->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grdTerms->setMaximumHeight(120);
    m_chtStep = new TuneChart(QStringLiteral("chtStep"), QStringLiteral("Step response"),
                              QStringLiteral("Rate (Å/s)"), QStringLiteral("Power (%)"), this);
    m_chtRate = new TuneChart(QStringLiteral("chtRate"), QStringLiteral("Predicted rate"),
                              QStringLiteral("Rate (Å/s)"), QString(), this);
    m_chtPower = new TuneChart(QStringLiteral("chtPower"), QStringLiteral("Predicted power"),
                               QStringLiteral("Power (%)"), QString(), this);

    auto* options = new QHBoxLayout;
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    options->addWidget(label(QStringLiteral("Output")));
    options->addWidget(m_cboOutput);
    options->addWidget(label(QStringLiteral("Start power (%)")));
    options->addWidget(m_txtStartPower);
    options->addWidget(label(QStringLiteral("Step (%)")));
    options->addWidget(m_txtStep);
    options->addWidget(m_chkStepDown);
    options->addWidget(label(QStringLiteral("Aggressiveness")));
    options->addWidget(m_cboAggressiveness);
    options->addWidget(m_cmdStart);
    options->addStretch(1);

    auto* side = new QVBoxLayout;
    side->addWidget(m_lblModel);
    side->addWidget(m_grdTerms);
    side->addStretch(1);
    auto* grid = new QGridLayout;
    grid->addWidget(m_chtStep, 0, 0);
    grid->addLayout(side, 0, 1);
    grid->addWidget(m_chtRate, 1, 0);
    grid->addWidget(m_chtPower, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdApply);
    buttons->addWidget(m_cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(m_lblState);
    layout->addLayout(grid, 1);
    layout->addWidget(m_lblPrediction);
    layout->addLayout(buttons);
    resize(980, 720);
}

void frmTune::FillOutputs()
{
    // The names change with the setup; the chosen output stays chosen.
    const int chosen = OutNum();
    const QSignalBlocker quiet(m_cboOutput);
    m_cboOutput->clear();
    for (int j : kShownOutputs)
        if (m_core.IsPresentOutput(j))
            m_cboOutput->addItem(QStringLiteral("Output %1: %2")
                                     .arg(ShownNumber(j))
                                     .arg(m_core.Tables().Output(j).Name.trimmed()),
                                 j);
    if (const int index = m_cboOutput->findData(chosen); index >= 0)
        m_cboOutput->setCurrentIndex(index);
}

bool frmTune::setOutNum(int out)
{
    const int index = m_cboOutput->findData(out);
    if (index < 0) return false;
    m_cboOutput->setCurrentIndex(index);
    return true;
}

int frmTune::OutNum() const
{
    return m_cboOutput->currentIndex() >= 0 ? m_cboOutput->currentData().toInt() : -1;
}

bool frmTune::StartTuning()
{
    TuningOptions options;
    options.startPower =
        m_txtStartPower->text().trimmed().isEmpty() ? -1 : BoxValue(m_txtStartPower);
    options.step = BoxValue(m_txtStep);
    options.stepDown = m_chkStepDown->isChecked();
    options.aggressiveness =
        static_cast<Aggressiveness>(m_cboAggressiveness->currentData().toInt());
    const int j = OutNum();
    const CommandResult started = j >= 0
                                      ? m_core.Tuning().Start(j, options)
                                      : CommandResult::refused(CommandResult::Status::NotPresent,
                                                               QStringLiteral("There is no "
                                                                              "output to tune."));
    if (!started.ok()) tlv::DialogService::message(this, started.text);
    Refresh();
    return started.ok();
}

bool frmTune::ApplyTerms()
{
    const int j = OutNum();
    const CommandResult applied = m_core.Tuning().Apply(j);
    if (!applied.ok()) {
        tlv::DialogService::message(this, applied.text);
        return false;
    }
    const LoopTermSet& t = m_core.Tuning().Result().proposed.terms;
    m_lblState->setText(QStringLiteral("Proposed terms applied to output %1: P %2, I %3, D %4. "
                                       "Save the setup to keep them.")
                            .arg(ShownNumber(j))
                            .arg(Number(t.p, 1), Number(t.i, 1), Number(t.d, 1)));
    return true;
}

void frmTune::Refresh()
{
    const TuningResult& r = m_core.Tuning().Result();
    const int j = OutNum();
    const bool mine = j >= 0 && r.output == j && r.state != TuningResult::State::Idle;
    const bool done = mine && r.state == TuningResult::State::Done;
    m_cmdStart->setEnabled(!m_core.Tuning().Running());
    m_cmdApply->setEnabled(done);
    if (!mine)
        m_lblState->setText(
            j < 0 ? QStringLiteral("No output fed by sensors to tune.")
                  : QStringLiteral("Output %1 has not been tuned yet.").arg(ShownNumber(j)));
    else
        m_lblState->setText(
            r.state == TuningResult::State::Running
                ? QStringLiteral("Tuning output %1: %2").arg(ShownNumber(j)).arg(r.message)
                : r.message);
    ShowRecord(mine ? r : TuningResult{});
    ShowTerms(r, done);
    ShowPredictions(r, done);
}

void frmTune::ShowRecord(const TuningResult& r)
{
    m_chtStep->clear();
    m_chtStep->addLine(QStringLiteral("Rate"), r.times, r.rates, Pen(kProposedColour));
    if (r.state == TuningResult::State::Done && !r.fit.modelRates.empty())
        m_chtStep->addLine(QStringLiteral("Model"), r.times, r.fit.modelRates,
                           Pen(kModelColour, Qt::DashLine));
    m_chtStep->addLine(QStringLiteral("Power"), r.times, r.powers, Pen(kCurrentColour), true);
    m_chtStep->fit();
}

void frmTune::ShowTerms(const TuningResult& r, bool done)
{
    const int j = OutNum();
    const auto cell = [this](int row, int column, const QString& text) {
        m_grdTerms->setItem(row, column, new QTableWidgetItem(text));
    };
    const auto column = [&cell](int c, const LoopTermSet* t) {
        const double values[] = {t ? t->p : 0, t ? t->i : 0, t ? t->d : 0};
        for (int row = 0; row < 3; ++row)
            cell(row, c, t ? Number(values[row], 1) : QStringLiteral("-"));
    };
    LoopTermSet current;
    if (j >= 0) {
        const OutputRecord& out = m_core.Tables().Output(j);
        current = {out.PTerm, out.ITerm, out.DTerm};
    }
    column(0, j >= 0 ? &current : nullptr);
    column(1, done ? &r.proposed.terms : nullptr);
    column(2, done ? &r.soakProposed.terms : nullptr);
    if (!done) {
        m_lblModel->clear();
        return;
    }
    const tlv880::tuning::SourceModel& m = r.fit.model;
    m_lblModel->setText(
        QStringLiteral("Model: gain %1 Å/s per %, time constant %2 s, dead time %3 s, threshold "
                       "%4 %; fit quality %5, rate noise %6 Å/s.\nProposed by %7 (%8); soak at "
                       "%9 % before rate control for the last column.")
            .arg(Number(m.gain, 4), Number(m.timeConstant, 2), Number(m.deadTime, 2),
                 Number(m.thresholdPower, 1), Number(r.fit.fitQuality, 3),
                 Number(r.fit.rateNoise, 3),
                 QLatin1String(tlv880::tuning::TuningRuleName(r.proposed.rule)),
                 QLatin1String(tlv880::tuning::AggressivenessName(r.options.aggressiveness)),
                 Number(r.soakPower, 1)));
}

void frmTune::ShowPredictions(const TuningResult& r, bool done)
{
    m_chtRate->clear();
    m_chtPower->clear();
    if (!done) {
        m_lblPrediction->clear();
        m_chtRate->fit();
        m_chtPower->fit();
        return;
    }
    const auto& current = r.predictedCurrent;
    const auto& proposed = r.predictedProposed;
    m_chtRate->addLine(QStringLiteral("Current"), current.times, current.rates,
                       Pen(kCurrentColour));
    m_chtRate->addLine(QStringLiteral("Proposed"), proposed.times, proposed.rates,
                       Pen(kProposedColour));
    if (!proposed.times.empty())
        m_chtRate->addLine(QStringLiteral("Setpoint"), {0, proposed.times.back()},
                           {r.setpoint, r.setpoint}, Pen(Qt::black, Qt::DashLine));
    m_chtPower->addLine(QStringLiteral("Current"), current.times, current.powers,
                        Pen(kCurrentColour));
    m_chtPower->addLine(QStringLiteral("Proposed"), proposed.times, proposed.powers,
                        Pen(kProposedColour));
    m_chtPower->addLine(QStringLiteral("After soak"), r.predictedSoak.times, r.predictedSoak.powers,
                        Pen(kSoakColour, Qt::DotLine));
    m_chtRate->addLine(QStringLiteral("After soak"), r.predictedSoak.times, r.predictedSoak.rates,
                       Pen(kSoakColour, Qt::DotLine));
    m_chtRate->fit();
    m_chtPower->fit();
    m_lblPrediction->setText(
        QStringLiteral("Predicted at %1 Å/s from power 0 - current: %2\nproposed: %3\nafter a "
                       "soak at %4 %: %5")
            .arg(Number(r.setpoint, 2), PredictionText(current), PredictionText(proposed),
                 Number(r.soakPower, 1), PredictionText(r.predictedSoak)));
}

frmTune* ShowTune(Deposition& core, QWidget* parent, int out)
{
    auto* window =
        parent ? parent->findChild<frmTune*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) window = new frmTune(core, parent);
    if (out >= 0) window->setOutNum(out);
    window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace coflux
