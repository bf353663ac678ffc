#pragma once
// frmReadings: the "Input Readings" view of coflux. A small always-on-top window with two grids
// that show, live, every sensor's rate, thickness, crystal frequency, remaining crystal life and
// use, and every analog input's scaled value, raw voltage and use.
//
// The view listens to the instrument's reading and analog events itself. It reads the process
// tables and the instrument through the deposition process, which owns both and outlives it.

#include "instrument/cTLV880a.h"

#include <QWidget>

class QTableWidget;

namespace coflux {

class Deposition;

class frmReadings : public QWidget {
    Q_OBJECT
public:
    explicit frmReadings(Deposition& core, QWidget* parent = nullptr);

    // Remaining crystal life in % for frequency f between the initial (100 %) and the minimum
    // (0 %) frequency; negative below the minimum. "?" when it cannot be told (no signal, or a
    // frequency window without width).
    static QString LifeText(double f, double initFreq, double minFreq);

public slots:
    void OnReading(const SensorArray& sensors, const OutputArray& outputs, double time);
    void OnAnalog(const AnalogArray& analog, double time);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildGrids();
    QString SensorControl(int sensor) const;
    QString AnalogControl(int input) const;
    void SetCell(QTableWidget* grid, int row, int column, const QString& text);

    Deposition& m_core;
    QTableWidget* m_grdReading = nullptr;
    QTableWidget* m_grdAnalog = nullptr;
    bool m_busy = false; // a sensor-grid update is running: a reading arriving now is dropped
};

} // namespace coflux
