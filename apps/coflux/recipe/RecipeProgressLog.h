#pragma once
// The progress log of recipe runs: a text file of its own beside the data log (the data log
// keeps its format), appended to line by line like every log of the system. It holds when a
// run started, every phase change, the notes of the run (rate ramps, crystal failures), what
// each layer deposited and how the run ended.

#include "RecipeRun.h"

#include <QDateTime>
#include <QObject>
#include <QString>

namespace coflux {

// The progress log that belongs beside a data log: the data log's folder and base name with
// "-recipe.log" ("C:/logs/TLV880.LOG" gives "C:/logs/TLV880-recipe.log").
QString RecipeLogPath(const QString& dataLogPath);

class RecipeProgressLog : public QObject {
    Q_OBJECT
public:
    // Writes the progress of `run` to `path` from the next Start on. Failed appends are
    // silent; the next line is tried again.
    RecipeProgressLog(RecipeRun& run, const QString& path, QObject* parent = nullptr);

    // The start lines of a run: an empty line, "Date: " with date and time, the recipe and its
    // file. Call right after RecipeRun::Start.
    void Begin(const QString& recipeFile, const QDateTime& when);

    const QString& Path() const { return m_path; }

private:
    void Append(const QString& line);
    void OnPhase(int layer, RecipeRun::Phase phase, double elapsed);
    void OnFinished(RecipeRun::State state, const QString& message);

    RecipeRun& m_run;
    QString m_path;
};

} // namespace coflux
