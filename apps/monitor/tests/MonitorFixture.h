#pragma once
// Shared test fixture: the recording double of the card library with readings the test queues,
// a clock that stands still, a program folder and user settings of the test's own, and a dialog
// handler that records and answers.

#include "frmMain.h"

#include "common/DialogService.h"
#include "common/ProgramInfo.h"

#include "instrument/cTLV880a.h"
#include "tlvtest/PrivateHome.h"
#include "tlvtest/RecordingLibrary.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
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

    // Hands a reading to the library double; the next poll takes it.
    void Queue(const LibReading& reading);
    // What the window sent to the library, call by call.
    std::vector<MaterialCall> Materials() const;
    std::vector<std::array<double, 4>> Inits() const; // max, min, initial, period
    std::vector<int> ZeroedOutputs() const;
    std::vector<int> ZeroedSensors() const;

    std::unique_ptr<tlvtest::PrivateHome> m_home;
    std::shared_ptr<tlvtest::RecordingLibrary> m_lib;
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<tlv::DialogService::ScopedHandler> m_dialogs;
    // The answer given to the next questions; messages are answered with OK.
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    QString m_fileAnswer;
};

} // namespace monitor::test
