#pragma once
// A card-library double whose output 0 drives a source seen by sensor 0: a lag behind a dead
// time above a threshold power, with Gaussian noise, one reading per Queue() on a clock the
// test steps. For tuning runs of the process and the Tune window.

#include "test_filmLibrary.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <random>

#include "Deposition.h"
#include "StepFit.h"
#include "TuningRun.h"

#include "CofluxProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace coflux::test {

using tlv880::tuning::SourceModel;

constexpr double kPeriod = 0.25; // the setup's period (the file names none)

// A source on output 0 seen by sensor 0: after the dead time its rate heads for
// gain x (power % - threshold) with the time constant, plus Gaussian noise.
class LagChamber {
public:
    explicit LagChamber(const SourceModel& model, double noise = 0) : m_model(model), m_noise(noise)
    {
        lib->during = [this](const tlvtest::Call& call) {
            if (call.name == QLatin1String("Xdc770SetPower") && call.args[0].toInt() == 0)
                lib->power[0] = call.args[1].toDouble();
        };
        lib->nextReading = [this](tlvtest::Reading& reading) { return Grow(reading); };
    }
    ~LagChamber()
    {
        lib->during = nullptr;
        lib->nextReading = nullptr;
    }
    LagChamber(const LagChamber&) = delete;
    LagChamber& operator=(const LagChamber&) = delete;

    void Queue() { m_pending = true; }
    bool failed = false; // the crystal of sensor 0 fails (frequency -1)

    const std::shared_ptr<tlvtest::RecordingLibrary> lib =
        std::make_shared<tlvtest::RecordingLibrary>();

private:
    bool Grow(tlvtest::Reading& reading)
    {
        if (!m_pending) return false;
        m_pending = false;
        constexpr int kSteps = 10;
        double sum = 0;
        for (int k = 0; k < kSteps; ++k) {
            m_delay.push_back(lib->power[0] * 100);
            while (m_delay.size() > size_t(std::lround(m_model.deadTime / kPeriod * kSteps)) + 1)
                m_delay.pop_front();
            const double steady =
                std::max(0.0, m_model.gain * (m_delay.front() - m_model.thresholdPower));
            m_rate += (steady - m_rate) * (1 - std::exp(-kPeriod / kSteps / m_model.timeConstant));
            sum += m_rate;
        }
        const double rate = sum / kSteps + m_gaussian(m_random) * m_noise;
        m_thickness += rate * kPeriod;
        reading.sensor(0, failed ? 0 : rate, failed ? 0 : m_thickness, failed ? -1 : 5.9e6);
        reading.power = lib->power;
        return true;
    }

    SourceModel m_model;
    double m_noise;
    std::mt19937 m_random{11};
    std::normal_distribution<double> m_gaussian{0, 1};
    std::deque<double> m_delay;
    double m_rate = 0, m_thickness = 0;
    bool m_pending = false;
};

// A deposition running the setup kSetup on the chamber, output 1 (Silver, Manual) steady at
// 40 % after Open.
const char* const kSetup = "[OUTPUT1]\nName=Silver\nMode=2\nInput=1\nThick=%1\nRate=5\n"
                           "PTerm=100\nITerm=1\nDTerm=0\nFullScale=10\nMaxPwr=%2\nSlewRate=100\n";

class TuningChamberTest : public ::testing::Test {
public: // the cases reach the chamber and the process
    void Open(const SourceModel& model, double noise = 0, double thick = 1000,
              double maxPower = 100)
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        InstallProgramInfo();
        m_chamber = std::make_unique<LagChamber>(model, noise);
        m_tlv = std::make_unique<cTLV880a>(m_chamber->lib, m_clock);
        m_core = std::make_unique<Deposition>(*m_tlv);
        m_core->setRemembersSetupFile(false);
        QFile file(QDir(m_home.path()).filePath(QStringLiteral("Run.dat")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QString::fromLatin1(kSetup).arg(thick).arg(maxPower).toUtf8());
        file.close();
        m_core->OpenSetup(QStringLiteral("Run.dat"));
        m_tlv->setTimerEnabled(false);
        ASSERT_TRUE(m_core->Start().ok());
        ASSERT_TRUE(m_core->SetManualPower(0, 40).ok());
        Ticks(40); // steady at 40 %
    }

    void TearDown() override
    {
        m_core.reset();
        m_tlv.reset();
        m_chamber.reset();
    }

    void Tick()
    {
        m_clock->advance(kPeriod);
        m_chamber->Queue();
        m_tlv->TLVTimer_Timer();
        QCoreApplication::sendPostedEvents();
    }
    void Ticks(int n)
    {
        for (int k = 0; k < n; ++k)
            Tick();
    }
    // Readings until the run ends (at most `limit` seconds).
    void RunToEnd(double limit = 400)
    {
        for (int k = 0; k < int(limit / kPeriod) && m_core->Tuning().Running(); ++k)
            Tick();
    }

    QTemporaryDir m_home;
    std::shared_ptr<tlvtest::StepClock> m_clock = RunClock();
    std::unique_ptr<LagChamber> m_chamber;
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<Deposition> m_core;
};

} // namespace coflux::test
