#pragma once
// frmCrystals: the "Crystal History" window of coflux. Lists every crystal's life per sensor
// from the history file (when it began, its start frequency, the film it took, when and how it
// ended) and the crystals in use, and follows the history as crystals end and begin.

#include <QWidget>

class QComboBox;
class QLabel;
class QTableWidget;

namespace coflux {

class CrystalHistory;
class Deposition;

class frmCrystals : public QWidget {
    Q_OBJECT
public:
    // The history must outlive the window.
    explicit frmCrystals(CrystalHistory& history, QWidget* parent = nullptr);

    void Fill(); // the rows of the chosen sensor ("All" or 1..8)

private:
    CrystalHistory& m_history;
    QComboBox* m_cboSensor = nullptr;
    QTableWidget* m_grdCrystals = nullptr;
    QLabel* m_lblFile = nullptr;
};

// Opens the window (or brings the open one to the front).
frmCrystals* ShowCrystalHistory(Deposition& process, QWidget* parent);

} // namespace coflux
