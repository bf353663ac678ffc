#include "frmProcess.h"
#include "HelpWindow.h"
#include "RecipePlan.h"
#include "RecipeProgress.h"
#include "RecipeSession.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace coflux {

namespace {

constexpr int kPhaseRole = Qt::UserRole;
// The marker of the current layer and phase, and of what is done.
const QString kCurrent = QStringLiteral("\u25B6 ");
const QString kDone = QStringLiteral("\u2713 ");
const QString kStopped = QStringLiteral("\u2717 ");

QString EndText(const RecipeLayer& layer)
{
    switch (layer.end) {
    case LayerEnd::OutputThickness:
        return QStringLiteral("to %1 k\u00c5 on output %2")
            .arg(layer.endThick, 0, 'f', 3)
            .arg(layer.endOutput);
    case LayerEnd::SensorThickness:
        return QStringLiteral("to %1 k\u00c5 on sensor %2")
            .arg(layer.endThick, 0, 'f', 3)
            .arg(layer.endSensor);
    case LayerEnd::Time:
        return QStringLiteral("for %1 s").arg(layer.endTime);
    }
    return {};
}

QString OutputsText(const RecipeLayer& layer)
{
    QStringList parts;
    for (const LayerOutput& o : layer.outputs)
        parts << QStringLiteral("output %1 at %2 \u00c5/s").arg(o.number).arg(o.rate);
    return parts.join(QStringLiteral(", "));
}

} // namespace

frmProcess::frmProcess(RecipeSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName(QStringLiteral("frmProcess"));
    setWindowTitle(QStringLiteral("Process"));

    m_cmdLoad = new QPushButton(QStringLiteral("&Load..."), this);
    m_cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    m_cmdLoad->setToolTip(QStringLiteral("Load a process recipe."));
    m_cmdStart = new QPushButton(QStringLiteral("&Start"), this);
    m_cmdStart->setObjectName(QStringLiteral("cmdStart"));
    m_cmdStart->setToolTip(QStringLiteral("Run the recipe layer after layer."));
    m_cmdAbort = new QPushButton(QStringLiteral("&Abort"), this);
    m_cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    m_cmdAbort->setToolTip(QStringLiteral("Abort the recipe: every output to power 0."));
    auto* cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setToolTip(QStringLiteral("Recipes, their phases and how the times left are "
                                       "estimated (F1)."));
    cmdHelp->setShortcut(QKeySequence::HelpContents);
    connect(cmdHelp, &QPushButton::clicked, this,
            [this] { ShowHelp(this, QStringLiteral("process.html")); });
    m_lblRecipe = new QLabel(QStringLiteral("No recipe loaded."), this);
    m_lblRecipe->setObjectName(QStringLiteral("lblRecipe"));
    m_lblElapsed = new QLabel(this);
    m_lblElapsed->setObjectName(QStringLiteral("lblElapsed"));
    m_lblRemaining = new QLabel(this);
    m_lblRemaining->setObjectName(QStringLiteral("lblRemaining"));
    m_lblLayerRemaining = new QLabel(this);
    m_lblLayerRemaining->setObjectName(QStringLiteral("lblLayerRemaining"));
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setWordWrap(true);
    m_lstLayers = new QTreeWidget(this);
    m_lstLayers->setObjectName(QStringLiteral("lstLayers"));
    m_lstLayers->setHeaderLabels({QStringLiteral("Layer and phase"), QStringLiteral("Details")});
    // Details wrap within the window rather than run off its edge.
    m_lstLayers->setWordWrap(true);
    m_lstLayers->setUniformRowHeights(false);
    m_lstLayers->header()->setStretchLastSection(true);
    m_lstLayers->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstLayers->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_lstLayers->setMinimumHeight(220);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdLoad);
    buttons->addWidget(cmdHelp);
    buttons->addStretch();
    buttons->addWidget(m_cmdStart);
    buttons->addWidget(m_cmdAbort);

    auto* times = new QHBoxLayout;
    times->addWidget(m_lblElapsed);
    times->addStretch();
    times->addWidget(m_lblLayerRemaining);
    times->addStretch();
    times->addWidget(m_lblRemaining);

    auto* bars = new QGridLayout;
    for (int n = 0; n < 6; ++n) {
        m_lblOutput[size_t(n)] = new QLabel(this);
        m_lblOutput[size_t(n)]->setObjectName(QStringLiteral("lblOutput_%1").arg(n + 1));
        m_prgOutput[size_t(n)] = new QProgressBar(this);
        m_prgOutput[size_t(n)]->setObjectName(QStringLiteral("prgOutput_%1").arg(n + 1));
        m_prgOutput[size_t(n)]->setRange(0, 1000);
        m_prgOutput[size_t(n)]->setFormat(QStringLiteral("%p %"));
        bars->addWidget(m_lblOutput[size_t(n)], n, 0);
        bars->addWidget(m_prgOutput[size_t(n)], n, 1);
        m_lblOutput[size_t(n)]->hide();
        m_prgOutput[size_t(n)]->hide();
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblRecipe);
    layout->addWidget(m_lstLayers, 1);
    layout->addLayout(times);
    layout->addLayout(bars);
    layout->addWidget(m_lblStatus);
    layout->addLayout(buttons);
    resize(560, 480);
    ::RestoreFormPosition(this, true);

    connect(m_cmdLoad, &QPushButton::clicked, this, &frmProcess::cmdLoad_Click);
    connect(m_cmdStart, &QPushButton::clicked, this, &frmProcess::cmdStart_Click);
    connect(m_cmdAbort, &QPushButton::clicked, this, &frmProcess::cmdAbort_Click);
    RecipeRun& run = m_session.Run();
    connect(&run, &RecipeRun::PhaseChanged, this, &frmProcess::MarkPhase);
    connect(&run, &RecipeRun::Updated, this, &frmProcess::ShowProgress);
    connect(&run, &RecipeRun::CrystalWarning, this, &frmProcess::ShowStatus);
    connect(&run, &RecipeRun::Finished, this, [this](RecipeRun::State, const QString& message) {
        MarkPhase();
        ShowProgress();
        ShowStatus(message);
        UpdateButtons();
    });
    connect(&m_session, &RecipeSession::recipeLoaded, this, [this] {
        FillLayers();
        ShowStatus(QStringLiteral("Recipe loaded."));
        UpdateButtons();
    });
    // A recipe loaded, refused or started elsewhere (the command line, a remote client) shows
    // here as well.
    connect(&m_session, &RecipeSession::loadRefused, this, [this](const QString& message) {
        m_lstLayers->clear();
        m_lblRecipe->setText(QStringLiteral("No recipe loaded."));
        ShowStatus(message);
        UpdateButtons();
    });
    connect(&m_session, &RecipeSession::started, this, [this] {
        MarkPhase();
        ShowProgress();
        ShowStatus(QStringLiteral("Running."));
        UpdateButtons();
    });

    if (m_session.HasRecipe()) FillLayers();
    ShowProgress();
    UpdateButtons();
}

void frmProcess::cmdLoad_Click()
{
    const QString folder =
        m_session.FilePath().isEmpty() ? QString() : QFileInfo(m_session.FilePath()).absolutePath();
    const QString path =
        tlv::DialogService::getOpenFileName(this, QStringLiteral("Open Recipe"), folder, QString(),
                                            QStringLiteral("Recipe files (*.rcp);;All files (*)"));
    if (!path.isEmpty()) LoadFile(path);
}

bool frmProcess::LoadFile(const QString& path)
{
    const QString error = m_session.Load(path);
    if (error.isEmpty()) return true;
    // The session's refusal has cleared the list already.
    tlv::DialogService::message(this, error, QMessageBox::Ok, QMessageBox::Warning);
    return false;
}

void frmProcess::cmdStart_Click()
{
    if (!m_session.HasRecipe() || m_session.Run().IsRunning()) return;
    const Recipe& recipe = m_session.LoadedRecipe();
    const QString question = QStringLiteral("Start the recipe \"%1\" (%2 layers)?")
                                 .arg(recipe.name)
                                 .arg(recipe.layers.size());
    if (tlv::DialogService::message(this, question, QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::Question, QString(),
                                    QMessageBox::No) != QMessageBox::Yes)
        return;
    StartWithoutQuestion();
}

void frmProcess::StartWithoutQuestion()
{
    FillLayers();
    const QString error = m_session.Start();
    if (error.isEmpty()) return;
    ShowStatus(error);
    tlv::DialogService::message(this, error, QMessageBox::Ok, QMessageBox::Warning);
    UpdateButtons();
}

void frmProcess::cmdAbort_Click()
{
    if (!m_session.Run().IsRunning()) return;
    if (tlv::DialogService::message(
            this, QStringLiteral("Abort the recipe? Every output goes to power 0."),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QString(),
            QMessageBox::No) != QMessageBox::Yes)
        return;
    m_session.Abort(QStringLiteral("Recipe aborted by the operator."));
}

void frmProcess::closeEvent(QCloseEvent* event)
{
    // The run goes on without its window; the window opens again from the menu, where it was.
    ::SaveFormPosition(this);
    event->accept();
}

void frmProcess::FillLayers()
{
    const Recipe& recipe = m_session.LoadedRecipe();
    m_lblRecipe->setText(QStringLiteral("Recipe \"%1\" (%2), %3 layers, planned %4")
                             .arg(recipe.name, QFileInfo(m_session.FilePath()).fileName())
                             .arg(recipe.layers.size())
                             .arg(RecipeRun::ElapsedText([&recipe] {
                                 double total = 0;
                                 for (const RecipeLayer& layer : recipe.layers)
                                     total += PlannedLayerTime(layer);
                                 return total;
                             }())));
    m_lstLayers->clear();
    for (size_t i = 0; i < recipe.layers.size(); ++i) {
        const RecipeLayer& layer = recipe.layers[i];
        auto* item = new QTreeWidgetItem(m_lstLayers);
        item->setText(0, QStringLiteral("Layer %1 %2").arg(i + 1).arg(layer.name));
        // One line each for the outputs, the end and the crystal check, so the details fit
        // the column instead of running off its edge.
        item->setText(1, QStringLiteral("%1,\n%2").arg(OutputsText(layer), EndText(layer)));
        // What the crystals can take, before the run starts.
        if (const auto shortfalls = m_session.CrystalCheckNow(int(i))) {
            const QString check = shortfalls->isEmpty() ? QStringLiteral("crystals hold the layer")
                                                        : shortfalls->join(QStringLiteral("; "));
            item->setText(1, item->text(1) + QStringLiteral(";\n") + check);
            item->setToolTip(1, check);
            if (!shortfalls->isEmpty()) item->setForeground(1, QColor(192, 0, 0));
        }
        if (item->toolTip(1).isEmpty()) item->setToolTip(1, item->text(1));
        std::vector<RecipeRun::Phase> phases;
        if (PlannedPreConditionTime(layer) > 0) phases.push_back(RecipeRun::Phase::PreConditioning);
        phases.insert(phases.end(), {RecipeRun::Phase::ShutterDelay, RecipeRun::Phase::Deposit,
                                     RecipeRun::Phase::IdleRamp});
        for (RecipeRun::Phase phase : phases) {
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, RecipeRun::PhaseName(phase));
            child->setData(0, kPhaseRole, int(phase));
        }
        item->setExpanded(true);
    }
    MarkPhase();
}

QTreeWidgetItem* frmProcess::PhaseItem(int layer, int phase) const
{
    QTreeWidgetItem* item = m_lstLayers->topLevelItem(layer);
    if (!item) return nullptr;
    for (int c = 0; c < item->childCount(); ++c)
        if (item->child(c)->data(0, kPhaseRole).toInt() == phase) return item->child(c);
    return nullptr;
}

void frmProcess::MarkPhase()
{
    const RecipeRun& run = m_session.Run();
    const int current = run.Layer();
    // Time-power appears in the list only when a crystal failure brought it.
    if (run.CurrentPhase() == RecipeRun::Phase::TimePower &&
        !PhaseItem(current, int(RecipeRun::Phase::TimePower))) {
        if (QTreeWidgetItem* deposit = PhaseItem(current, int(RecipeRun::Phase::Deposit))) {
            auto* child = new QTreeWidgetItem;
            child->setText(0, RecipeRun::PhaseName(RecipeRun::Phase::TimePower));
            child->setData(0, kPhaseRole, int(RecipeRun::Phase::TimePower));
            deposit->parent()->insertChild(deposit->parent()->indexOfChild(deposit) + 1, child);
        }
    }
    const RecipeRun::State state = run.CurrentState();
    const bool stopped = state == RecipeRun::State::Aborted || state == RecipeRun::State::Failed;
    for (int l = 0; l < m_lstLayers->topLevelItemCount(); ++l) {
        QTreeWidgetItem* layer = m_lstLayers->topLevelItem(l);
        const bool started = state != RecipeRun::State::Idle && current >= 0;
        const bool isCurrent = started && l == current && (run.IsRunning() || stopped);
        const bool done =
            started && (l < current || (l == current && state == RecipeRun::State::Complete));
        const QString mark = stopped ? kStopped : kCurrent;
        layer->setText(0, (isCurrent ? mark
                           : done    ? kDone
                                     : QString()) +
                              QStringLiteral("Layer %1 %2")
                                  .arg(l + 1)
                                  .arg(m_session.LoadedRecipe().layers[size_t(l)].name));
        QFont font = layer->font(0);
        font.setBold(isCurrent);
        layer->setFont(0, font);
        QTreeWidgetItem* here = isCurrent ? PhaseItem(l, int(run.CurrentPhase())) : nullptr;
        const int hereIndex = here ? layer->indexOfChild(here) : -1;
        for (int c = 0; c < layer->childCount(); ++c) {
            QTreeWidgetItem* child = layer->child(c);
            const auto phase = RecipeRun::Phase(child->data(0, kPhaseRole).toInt());
            const bool before = done || (isCurrent && c < hereIndex);
            child->setText(0, (child == here ? mark
                               : before      ? kDone
                                             : QString()) +
                                  RecipeRun::PhaseName(phase));
            QFont childFont = child->font(0);
            childFont.setBold(child == here);
            child->setFont(0, childFont);
        }
        if (here) m_lstLayers->setCurrentItem(here);
    }
}

void frmProcess::ShowProgress()
{
    const RecipeRun& run = m_session.Run();
    m_lblElapsed->setText(QStringLiteral("Elapsed: %1").arg(RecipeRun::ElapsedText(run.Elapsed())));
    // The times left follow the measured settling and rate (RecipeProgress).
    const RecipeEstimate estimate = run.Estimate();
    m_lblRemaining->setText(
        QStringLiteral("Remaining: %1").arg(RecipeRun::ElapsedText(run.EstimatedRemaining())));
    m_lblLayerRemaining->setText(estimate.running && estimate.layer >= 0
                                     ? QStringLiteral("Layer %1 ends in %2 (%3 % done)")
                                           .arg(estimate.layer + 1)
                                           .arg(RecipeRun::ElapsedText(estimate.layerRemaining))
                                           .arg(std::lround(estimate.layerDone * 100))
                                     : QString());
    const bool depositing = run.IsRunning() && (run.CurrentPhase() == RecipeRun::Phase::Deposit ||
                                                run.CurrentPhase() == RecipeRun::Phase::TimePower);
    for (int n = 1; n <= 6; ++n) {
        QLabel* label = m_lblOutput[size_t(n - 1)];
        QProgressBar* bar = m_prgOutput[size_t(n - 1)];
        const RecipeLayer* layer = run.IsRunning() && run.Layer() >= 0
                                       ? &run.CurrentRecipe().layers[size_t(run.Layer())]
                                       : nullptr;
        const bool shown = layer && layer->Output(n);
        label->setVisible(shown);
        bar->setVisible(shown);
        if (!shown) continue;
        const double thick = depositing ? run.OutputThickness(n) : 0.0;
        const double target = run.OutputTarget(n);
        label->setText(QStringLiteral("Output %1: %2 / %3 k\u00c5")
                           .arg(n)
                           .arg(thick, 0, 'f', 3)
                           .arg(target, 0, 'f', 3));
        bar->setValue(target > 0 ? int(std::min(1.0, thick / target) * 1000) : 0);
    }
}

void frmProcess::UpdateButtons()
{
    const bool running = m_session.Run().IsRunning();
    m_cmdLoad->setEnabled(!running);
    m_cmdStart->setEnabled(!running && m_session.HasRecipe());
    m_cmdAbort->setEnabled(running);
}

void frmProcess::ShowStatus(const QString& text)
{
    m_lblStatus->setText(text);
}

} // namespace coflux
