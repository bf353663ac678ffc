#include "RecipeSession.h"

#include "RecipeCrystalCheck.h"
#include "RecipeFile.h"

#include <QDateTime>

namespace coflux {

RecipeSession::RecipeSession(RecipeHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_run(host)
{
    connect(&m_run, &RecipeRun::Finished, this, [this](RecipeRun::State state, const QString&) {
        m_watch.stop();
        m_host.EndRecipe(state == RecipeRun::State::Complete);
    });
    connect(&m_run, &RecipeRun::Updated, this, [this] { m_sinceReading.restart(); });
    m_watch.setInterval(200);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (m_sinceReading.elapsed() > qint64(m_noReadingSeconds * 1000))
            m_run.Fail(QStringLiteral("No readings for %1 s; the recipe is stopped.")
                           .arg(m_noReadingSeconds));
    });
}

RecipeSession::~RecipeSession() = default;

QString RecipeSession::Load(const QString& path)
{
    if (m_run.IsRunning()) return QStringLiteral("A recipe is running; abort it first.");
    m_loaded = false;
    m_ranSinceLoad = false;
    m_recipe = Recipe{};
    m_path = path;
    const RecipeLoad load = ReadRecipe(path);
    QString refused = load.error;
    if (load.recipe)
        refused = CheckRecipeAgainstCards(
            *load.recipe, path, [this](int slot) { return m_host.OutputPresent(slot); },
            [this](int sensor) { return m_host.SensorPresent(sensor); });
    if (load.recipe && refused.isEmpty())
        refused = CheckRecipeMaterials(
            *load.recipe, path, [this](const QString& name) { return m_host.MaterialKnown(name); });
    if (!load.recipe || !refused.isEmpty()) {
        emit loadRefused(refused);
        return refused;
    }
    m_recipe = *load.recipe;
    m_loaded = true;
    emit recipeLoaded(path);
    return {};
}

QString RecipeSession::Start()
{
    if (m_run.IsRunning()) return QStringLiteral("A recipe is running already.");
    if (!m_loaded) return QStringLiteral("No recipe is loaded.");
    QString refused = m_host.BeginRecipe(m_recipe);
    if (!refused.isEmpty()) return refused;
    m_log = std::make_unique<RecipeProgressLog>(m_run, RecipeLogPath(m_host.DataLogPath()));
    m_run.Start(m_recipe);
    m_log->Begin(m_path, QDateTime::currentDateTime());
    m_ranSinceLoad = true;
    m_sinceReading.start();
    m_watch.start();
    emit started();
    return {};
}

void RecipeSession::Abort(const QString& reason)
{
    m_run.Abort(reason);
}

std::optional<QStringList> RecipeSession::CrystalCheckNow(int layer) const
{
    if (!m_loaded || layer < 0 || layer >= int(m_recipe.layers.size())) return std::nullopt;
    std::array<int, kProcessOutputs> sensors{};
    std::array<double, kProcessSensors> left{};
    if (!m_host.CrystalState(sensors, left)) return std::nullopt;
    // The layers before it wear the same crystals first.
    for (int l = 0; l < layer; ++l) {
        const RecipeLayer& before = m_recipe.layers[size_t(l)];
        for (const LayerOutput& o : before.outputs) {
            const double needed = LayerThicknessNeeded(before, o);
            if (needed <= 0 || o.slot < 0 || o.slot >= kProcessOutputs) continue;
            for (int s = 0; s < kProcessSensors; ++s)
                if ((sensors[size_t(o.slot)] >> s) & 1) left[size_t(s)] -= needed;
        }
        if (before.end == LayerEnd::SensorThickness && before.endSensor >= 1 &&
            before.endSensor <= kProcessSensors)
            left[size_t(before.endSensor - 1)] -= before.endThick;
    }
    return CheckLayerCrystals(m_recipe.layers[size_t(layer)], sensors, left);
}

} // namespace coflux
