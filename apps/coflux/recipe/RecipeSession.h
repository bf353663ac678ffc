#pragma once
// RecipeSession: one recipe loaded and run on the process, as the Process window and the
// headless run use it. Loading reads and checks the whole file (and that the cards have every
// output and sensor it names); starting asks the process to get ready, opens the progress log
// beside the data log and starts the run. No widget.

#include "RecipeProcess.h"
#include "RecipeProgressLog.h"
#include "RecipeRun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <QString>
#include <QTimer>
#include <optional>

#include <memory>

namespace coflux {

// The process as a recipe session needs it: the commands of a run, what the cards have, and
// getting ready for a run and back.
class RecipeHost : public RecipeProcess {
public:
    virtual bool OutputPresent(int slot) const = 0;
    virtual bool SensorPresent(int sensor) const = 0;
    // Whether the material table has a material of that name.
    virtual bool MaterialKnown(const QString& name) const = 0;
    // Gets the process ready to run the recipe (the deposition running, the recipe's outputs
    // at power 0). Returns an empty text when ready, else why not; then nothing has changed.
    virtual QString BeginRecipe(const Recipe& recipe) = 0;
    // The run has ended; `completed` is false after an abort or a failure (every output is
    // already at power 0 then).
    virtual void EndRecipe(bool completed) = 0;
    // The data log's path; the progress log goes beside it.
    virtual QString DataLogPath() const = 0;
    // The sensors measuring each output and what their crystals can still take now, for the
    // layer check shown before a run (RecipeReading's fields); false when the process cannot
    // tell.
    virtual bool CrystalState(std::array<int, kProcessOutputs>& /*outputSensors*/,
                              std::array<double, kProcessSensors>& /*sensorLeft*/) const
    {
        return false;
    }
};

class RecipeSession : public QObject {
    Q_OBJECT
public:
    explicit RecipeSession(RecipeHost& host, QObject* parent = nullptr);
    ~RecipeSession() override;

    // Reads and checks a recipe file. Returns an empty text when it is loaded, else the
    // message naming the file, the layer and the key; the recipe loaded before is then
    // dropped. Refused while a run is in progress.
    QString Load(const QString& path);
    bool HasRecipe() const { return m_loaded; }
    const Recipe& LoadedRecipe() const { return m_recipe; }
    const QString& FilePath() const { return m_path; }
    // A run of the loaded recipe has started since it was loaded (its state is then the run's).
    bool RanSinceLoad() const { return m_ranSinceLoad; }

    // The layer check of loaded layer `layer` (0-based) on the crystals as they stand now, worn
    // by the layers before it as planned: the shortfalls (empty: the crystals hold it);
    // nullopt when the process cannot tell.
    std::optional<QStringList> CrystalCheckNow(int layer) const;

    // Starts the loaded recipe. Returns an empty text when it runs, else why not.
    QString Start();
    // Every output to power 0 and the run ends as aborted (nothing while no run is going).
    void Abort(const QString& reason);

    // How long a run may go without a reading before it fails (every output to power 0): the
    // cards stopped measuring. 10 s by default.
    void setNoReadingSeconds(double seconds) { m_noReadingSeconds = seconds; }

    RecipeRun& Run() { return m_run; }
    const RecipeRun& Run() const { return m_run; }
    // The progress log of the current or last run (empty before the first).
    QString ProgressLogPath() const { return m_log ? m_log->Path() : QString(); }

signals:
    void recipeLoaded(const QString& path);
    // A file was refused; the recipe loaded before is gone.
    void loadRefused(const QString& message);
    void started();

private:
    RecipeHost& m_host;
    RecipeRun m_run;
    std::unique_ptr<RecipeProgressLog> m_log;
    Recipe m_recipe;
    QString m_path;
    bool m_loaded = false;
    bool m_ranSinceLoad = false;
    double m_noReadingSeconds = 10;
    QElapsedTimer m_sinceReading;
    QTimer m_watch; // looks at the time since the last reading while a run goes
};

} // namespace coflux
