#pragma once
// The setup file of coflux: an INI file with the sections "Card", "SENSOR1".."SENSOR8",
// "ANALOG1".."ANALOG4" and "OUTPUT1".."OUTPUT4", "OUTPUT13", "OUTPUT14", read and written key by
// key through cIniFile. A sensor section may also name the film material its density and
// Z-factor were picked as (key "Material"); the numbers alone decide the measurement. Only the
// file format lives here; the process applies what was read to the card
// (Deposition::OpenSetup).

#include "ProcessTables.h"

#include <QString>
#include <QStringList>

namespace coflux {

// The card settings kept in the setup file.
struct CardSettings {
    short Simulate = 1; // operating mode when a card is present (0 normal, 1 simulate)
    int Filter = 4;     // readings in the rate and thickness filter
    double FMax = 6100000;
    double FMin = 5000000;
    double FInit = 6000000;
    double Period = 0.25; // s
};

class CofluxSetupFile {
public:
    explicit CofluxSetupFile(QString path) : m_path(std::move(path)) {}

    const QString& Path() const { return m_path; }
    bool Exists() const;
    // Why the file cannot be a setup file (binary, too large, unreadable, no section, or only
    // sections of another program: "NAME is not a coflux setup file."), naming it; empty when
    // it can be read (or is missing). Such a file is never read or written.
    QString Refusal() const;

    // Reads the program flags, sensors 1..8, analog inputs 1..4 and outputs 1..4, 13, 14 into
    // `tables` and the card keys into `card`. A missing file or key gives the key's default.
    // A number outside the limits of its field (those its editor and the instrument accept)
    // takes the field's default too, and each such replacement is described in `replaced`:
    // "[OUTPUT1] FullScale=100 of Silver (limits -10 to 10): 10 is used".
    void Read(ProcessTables& tables, CardSettings& card, QStringList* replaced = nullptr) const;

    enum class WriteStatus { Written, CannotCreate, ReadOnly, Incomplete };
    // Writes every key in its fixed order (the file is created when missing). The program flags
    // XRate and ShowErrors follow the card keys, and only when the file does not already read
    // as they stand: flags that were not changed keep their text. ReadOnly: the file's own
    // write permission is off and nothing was written. `cause` receives the file system's
    // reason for CannotCreate.
    WriteStatus Write(const ProcessTables& tables, const CardSettings& card,
                      QString* cause = nullptr) const;

private:
    QString m_path;
};

} // namespace coflux
