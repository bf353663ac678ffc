#pragma once
// Shared test fixture: a library double that hands out queued readings, a fixed clock, an
// isolated program folder and user settings, and a dialog handler that records and answers.

#include "frmMain.h"

#include "common/DialogService.h"
#include "common/ProgramInfo.h"

#include "instrument/cTLV880a.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace monitor::test {

// One measurement as the library delivers it: per sensor rate, thickness and frequency.
struct LibReading {
    std::array<double, 24> rate{};
    std::array<double, 24> thickness{};
    std::array<double, 24> frequency{};
    LibReading() { frequency.fill(5000000.0); }
};

struct MaterialCall {
    int mask;
    double density, zFactor, tooling;
};

// The card library as the instrument sees it, without cards: every setting is accepted and
// recorded; readings come from a queue the test fills.
class FakeLibrary : public tlv::LibraryBinding {
public:
    std::deque<LibReading> waiting;
    std::vector<MaterialCall> materials;
    std::vector<std::array<double, 4>> inits; // max, min, initial, period
    int startMeasCalls = 0;
    std::vector<int> zeroedOutputs;
    std::function<void()> whileZeroing; // runs inside each zero call (events pumped meanwhile)
    std::vector<int> zeroedSensors;

    tlv::BoundResult Xdc770Startup2(int command, int* info) override
    {
        if (command == 0) {
            for (int i = 0; i < 8; ++i)
                info[i] = 0;
            return 904;
        }
        return 0;
    }
    tlv::BoundResult Xdc770Init(double fmax, double fmin, double finit, double period) override
    {
        inits.push_back({fmax, fmin, finit, period});
        return 0;
    }
    tlv::BoundResult Xdc770Material(int mask, double d, double z, double t) override
    {
        materials.push_back({mask, d, z, t});
        return 0;
    }
    tlv::BoundResult Xdc770MapSensors(const int*) override { return 0; }
    tlv::BoundResult Xdc770MapAnSensors(const int*) override { return 0; }
    tlv::BoundResult Xdc770Loop2(double, double, double, double, int) override { return 0; }
    tlv::BoundResult Xdc770SetPower(int, double) override { return 0; }
    tlv::BoundResult Xdc770FullScale(int, double, double, double) override { return 0; }
    tlv::BoundResult Xdc770GetPower(double*) override { return 0; }
    tlv::BoundResult Xdc770StartMeas() override
    {
        ++startMeasCalls;
        return 0;
    }
    tlv::BoundResult Xdc770Simulate(int) override { return 0; }
    tlv::BoundResult Xdc770GetReadings(double* readings, double* power) override
    {
        if (waiting.empty()) return 0;
        const int n = static_cast<int>(waiting.size());
        const LibReading r = waiting.front();
        waiting.pop_front();
        for (int i = 0; i < 24; ++i) {
            readings[i] = r.rate[i];
            readings[24 + i] = r.thickness[i];
            readings[48 + i] = r.frequency[i];
        }
        for (int o = 0; o < 14; ++o)
            power[o] = 0.0;
        return n;
    }
    tlv::BoundResult Xdc770GetAnReadings(double*, double*) override { return 0; }
    tlv::BoundResult Xdc770ZeroSensor(int sensor) override
    {
        zeroedSensors.push_back(sensor);
        return 0;
    }
    tlv::BoundResult Xdc770Zero2(int output) override
    {
        zeroedOutputs.push_back(output);
        if (whileZeroing) whileZeroing();
        return 0;
    }
    tlv::BoundResult GetSwitchData(short* pressed, short* knob) override
    {
        *pressed = 0;
        *knob = 0;
        return 0;
    }
    tlv::BoundResult DimBacklight(int) override { return 0; }
    QString failureMessage() const override { return {}; }
};

class FixedClock : public tlv::InstrumentClock {
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)); }
};

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window over the library double (not yet loaded).
    frmMain& CreateWindow();
    // Creates the main window and runs its start-up.
    frmMain& LoadWindow();
    // Writes a setup file into the program's folder.
    void WriteProgramFile(const QString& name, const QByteArray& content);
    QString ProgramFile(const QString& name) const;
    QStringList ReadLines(const QString& name) const;

    QLineEdit* Box(const QString& name) const;
    QTableWidget* Grid() const;
    QString Cell(int row, int column) const;
    // One tick of the window's polling timer.
    void Tick();

    QStringList Messages() const;

    std::unique_ptr<QTemporaryDir> m_home;
    std::shared_ptr<FakeLibrary> m_lib;
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<tlv::DialogService::ScopedHandler> m_dialogs;
    // The answer given to the next questions; messages are answered with OK.
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    QString m_fileAnswer;
};

} // namespace monitor::test
