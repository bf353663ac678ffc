#include "RecipeProgressLog.h"

#include "common/GenUtil.h"

#include <QFileInfo>

namespace coflux {

QString RecipeLogPath(const QString& dataLogPath)
{
    const QFileInfo info(dataLogPath);
    const QString name = info.completeBaseName() + QStringLiteral("-recipe.log");
    return info.path() == QLatin1String(".") && !dataLogPath.startsWith(QLatin1String("./"))
               ? name
               : info.path() + QLatin1Char('/') + name;
}

RecipeProgressLog::RecipeProgressLog(RecipeRun& run, const QString& path, QObject* parent)
    : QObject(parent), m_run(run), m_path(path)
{
    connect(&run, &RecipeRun::PhaseChanged, this, &RecipeProgressLog::OnPhase);
    connect(&run, &RecipeRun::Note, this, [this](double elapsed, const QString& text) {
        Append(RecipeRun::ElapsedText(elapsed) + QStringLiteral("  ") + text);
    });
    connect(&run, &RecipeRun::Finished, this, &RecipeProgressLog::OnFinished);
}

void RecipeProgressLog::Begin(const QString& recipeFile, const QDateTime& when)
{
    Append(QString());
    Append(QStringLiteral("Date: ") + when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    const size_t layers = m_run.CurrentRecipe().layers.size();
    Append(QStringLiteral("Recipe: %1 (%2), %3 %4")
               .arg(m_run.CurrentRecipe().name, recipeFile)
               .arg(layers)
               .arg(layers == 1 ? QStringLiteral("layer") : QStringLiteral("layers")));
}

void RecipeProgressLog::Append(const QString& line)
{
    AppendToTextFile(m_path, line, tlv::ErrorDisplay::Quiet);
}

void RecipeProgressLog::OnPhase(int layer, RecipeRun::Phase phase, double elapsed)
{
    const auto& layers = m_run.CurrentRecipe().layers;
    if (layer < 0 || layer >= int(layers.size())) return;
    // A layer's result is complete when its idle ramp begins.
    if (phase == RecipeRun::Phase::IdleRamp && !m_run.Results().empty()) {
        const LayerResult& result = m_run.Results().back();
        QStringList parts;
        for (const LayerResult::Output& o : result.outputs)
            parts << QStringLiteral("output %1 %2 kA%3")
                         .arg(o.number)
                         .arg(o.thick, 0, 'f', 3)
                         .arg(o.estimated ? QStringLiteral(" (estimated)") : QString());
        if (layers[size_t(layer)].end == LayerEnd::SensorThickness)
            parts << QStringLiteral("sensor %1 %2 kA")
                         .arg(layers[size_t(layer)].endSensor)
                         .arg(result.endSensorThick, 0, 'f', 3);
        Append(RecipeRun::PhaseLine(elapsed, layer, layers[size_t(layer)].name, phase) +
               QStringLiteral(" (layer ended after %1 s: %2)")
                   .arg(result.seconds, 0, 'f', 1)
                   .arg(parts.join(QStringLiteral(", "))));
        return;
    }
    Append(RecipeRun::PhaseLine(elapsed, layer, layers[size_t(layer)].name, phase));
}

void RecipeProgressLog::OnFinished(RecipeRun::State, const QString& message)
{
    Append(RecipeRun::ElapsedText(m_run.Elapsed()) + QStringLiteral("  ") + message);
}

} // namespace coflux
