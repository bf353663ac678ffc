#pragma once
// CrystalHistory: the life of every crystal of sensors 1 to 8, kept in "crystals.csv" in the
// program's folder. A crystal's life begins at the first reading of its sensor, when a crystal
// reads again after a failure (a fresh one near the initial frequency), or when its frequency
// jumps up to near the initial one (a crystal changed while the program ran). It ends when the
// crystal fails (a failure code in three readings in a row) or is replaced; the file then gets its
// row: the sensor, when it began, its start frequency, the film it took (kÅ of its own film, by the
// Z-match relation from the frequencies) and when and how it ended. No widget, no card traffic:
// it watches the deposition process's readings.

#include "ReadingArrays.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <array>

namespace coflux {

class Deposition;

struct CrystalLifeRow {
    int sensor = 0; // 1..8
    QDateTime started;
    double startFrequency = 0; // Hz
    double film = 0;           // kÅ of its own film
    QDateTime ended;           // invalid while in use
    QString cause;             // "failed (frequency too low)", "replaced"; empty while in use
};

class CrystalHistory : public QObject {
    Q_OBJECT
public:
    // Watches `process` (which must outlive it) and appends to `path`.
    CrystalHistory(Deposition& process, QString path, QObject* parent = nullptr);

    const QString& Path() const { return m_path; }
    // The ended crystals in the file, oldest first, then the crystals in use.
    QList<CrystalLifeRow> Rows() const;
    // The file's header line and one row as the file holds them.
    static QString HeaderLine();
    static QString RowLine(const CrystalLifeRow& row);

signals:
    void changed(); // a crystal ended or began

private:
    struct Crystal {
        bool inUse = false;
        CrystalLifeRow row;
        double lastGood = 0; // Hz, the latest valid frequency
        int failedReadings = 0;
        double failureCode = 0;
    };
    void OnReading(const ReadingArrays& readings);
    void Begin(int s, double frequency);
    void End(int s, const QString& cause);
    double Film(int s, double from, double to) const;
    bool NearInitial(double frequency) const;

    Deposition& m_process;
    QString m_path;
    std::array<Crystal, kConfiguredSensors> m_crystals{};
};

} // namespace coflux
