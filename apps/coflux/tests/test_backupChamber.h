#pragma once
// A chamber on the recording card-library double with one source (output 1) seen by two
// crystals: sensor 1 above the substrate, and sensor 5 off to the side, which catches 80 % of
// the flux and reads true film with a tooling of 125 %. A crystal reads nothing (frequency -3,
// thickness and rate 0, as the library gives a used-up crystal) once its own film reaches its
// end of life. The source turns 1 % of power into 1 Å/s on the substrate; the double holds
// the power it was last given, as a rate loop on target does. The film on the substrate since
// the output's last zero is the truth a layer is measured against.

#include "CofluxHost.h"
#include "CofluxProgram.h"
#include "Deposition.h"
#include "test_filmLibrary.h"

#include "instrument/cTLV880a.h"
#include "tlvtest/RecordingLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace coflux::test {

class BackupChamber {
public:
    static constexpr double kPeriod = 0.1;
    static constexpr int kPrimary = 0;
    static constexpr int kBackup = 4;

    BackupChamber()
    {
        m_map.fill(-1);
        m_tooling.fill(1);
        m_failAt.fill(1e12);
        m_frequency.fill(5.9e6);
        lib->during = [this](const tlvtest::Call& call) { Follow(call); };
        lib->nextReading = [this](tlvtest::Reading& reading) { return Grow(reading); };
    }
    ~BackupChamber()
    {
        lib->during = nullptr;
        lib->nextReading = nullptr;
    }
    BackupChamber(const BackupChamber&) = delete;
    BackupChamber& operator=(const BackupChamber&) = delete;

    // The crystal of sensor s gives out when it carries this much film of its own (Å).
    void FailAt(int s, double film) { m_failAt[static_cast<size_t>(s)] = film; }
    // The frequency the crystal of sensor s reads while it works (5.9 MHz unless set).
    void SetFrequency(int s, double hz) { m_frequency[static_cast<size_t>(s)] = hz; }
    // The next poll finds one reading and one analog reading.
    void Queue()
    {
        m_pending = true;
        lib->analog.push_back({});
    }
    double Truth() const { return m_truth; } // Å on the substrate since the last zero
    double Film(int s) const { return m_film[static_cast<size_t>(s)]; } // Å on the crystal
    bool Failed(int s) const { return Film(s) >= m_failAt[static_cast<size_t>(s)]; }

    const std::shared_ptr<tlvtest::RecordingLibrary> lib =
        std::make_shared<tlvtest::RecordingLibrary>();

private:
    static double Sight(size_t s) { return s == kPrimary ? 1.0 : s == kBackup ? 0.8 : 0.0; }

    void Follow(const tlvtest::Call& call)
    {
        const QString& name = call.name;
        if (name == QLatin1String("Xdc770SetPower")) {
            const int output = call.args[0].toInt();
            if (output >= 0 && output < tlv880::kOutputs)
                lib->power[static_cast<size_t>(output)] = call.args[1].toDouble();
        } else if (name == QLatin1String("Xdc770MapSensors")) {
            for (size_t s = 0; s < m_map.size(); ++s)
                m_map[s] = call.args[static_cast<qsizetype>(s)].toInt();
        } else if (name == QLatin1String("Xdc770Material")) {
            const int mask = call.args[0].toInt();
            for (size_t s = 0; s < m_tooling.size(); ++s)
                if ((mask >> s) & 1) m_tooling[s] = call.args[3].toDouble();
        } else if (name == QLatin1String("Xdc770ZeroSensor")) {
            m_zero[static_cast<size_t>(call.args[0].toInt())] = Read(call.args[0].toInt());
        } else if (name == QLatin1String("Xdc770Zero2")) {
            const int output = call.args[0].toInt();
            for (size_t s = 0; s < m_map.size(); ++s)
                if (m_map[s] == output) m_zero[s] = Read(static_cast<int>(s));
            if (output == 0) m_truth = 0;
        }
    }

    // The sensor's own reading of its film, with its tooling, before its zero.
    double Read(int s) const
    {
        const auto i = static_cast<size_t>(s);
        return m_film[i] * m_tooling[i];
    }

    bool Grow(tlvtest::Reading& reading)
    {
        if (!m_pending) return false;
        m_pending = false;
        const double flux = lib->power[0] * 100; // Å/s on the substrate
        m_truth += flux * kPeriod;
        for (size_t s = 0; s < m_film.size(); ++s) {
            m_film[s] += flux * Sight(s) * kPeriod;
            if (Failed(static_cast<int>(s))) {
                reading.sensor(static_cast<int>(s), 0, 0, -3);
                continue;
            }
            reading.sensor(static_cast<int>(s), flux * Sight(s) * m_tooling[s],
                           Read(static_cast<int>(s)) - m_zero[s], m_frequency[s]);
        }
        reading.power = lib->power;
        return true;
    }

    bool m_pending = false;
    double m_truth = 0;
    std::array<int, tlv880::kSensors> m_map{};
    std::array<double, tlv880::kSensors> m_tooling{};
    std::array<double, tlv880::kSensors> m_film{};
    std::array<double, tlv880::kSensors> m_zero{};
    std::array<double, tlv880::kSensors> m_failAt{};
    std::array<double, tlv880::kSensors> m_frequency{};
};

// The deposition process on the chamber, in a program folder of its own; the test is the
// instrument's timer and steps its clock.
class ChamberTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        InstallProgramInfo();
        m_core.setRemembersSetupFile(false);
    }
    void TearDown() override { qunsetenv("TLV880_HOME"); }

    QString HomeFile(const QString& name) const { return QDir(m_home.path()).filePath(name); }
    void Write(const QString& name, const QByteArray& text) const
    {
        QFile file(HomeFile(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // One reading a period after the last; then the process's queued signals.
    void Tick()
    {
        m_clock->advance(BackupChamber::kPeriod);
        m_chamber.Queue();
        m_tlv.TLVTimer_Timer();
        QCoreApplication::processEvents();
    }

    QTemporaryDir m_home;
    BackupChamber m_chamber; // outlives the instrument
    std::shared_ptr<tlvtest::StepClock> m_clock = RunClock();
    cTLV880a m_tlv{m_chamber.lib, m_clock};
    Deposition m_core{m_tlv};
    ProcessRecipes m_recipes{m_core}; // the recipe session of the process
};

} // namespace coflux::test
