#pragma once
// A recipe run on the deposition process of coflux with the real card library in simulate
// mode: the instrument's poll is off and readings are handed to the process one by one at
// stepped times (a quarter of a second apart), so what the recipe commands (modes, powers, rate
// setpoints, zeroing) is checked on the process without waiting on the wall clock.

#include "CofluxHost.h"
#include "DepositionRecipeHost.h"
#include "RecipeSession.h"

#include "CofluxProgram.h"
#include "Deposition.h"

#include "common/DialogService.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace coflux::test {

// Outputs 1 and 2 fed by sensors 1 and 2; output 3 fed by nothing; sensor 3 a monitor.
inline const char* kSetup = "[Card]\nLogEnabled=0\nPeriod=.25\nFilter=1\n"
                            "[OUTPUT1]\nName=Silver\nMode=3\nInput=1\nThick=0.05\nFullScale=10\n"
                            "[OUTPUT2]\nName=Copper\nMode=0\nInput=2\nThick=0.05\nFullScale=10\n"
                            "[OUTPUT3]\nName=Spare\nMode=0\nInput=0\n"
                            "[SENSOR3]\nMonitor=%1\nThickSP=0.02\n";

inline const char* kRecipe = "[RECIPE]\nLayers=1\n"
                             "[LAYER1]\nName=Film\nOutputs=1\nEndOutput=1\nEndThick=0.1\n"
                             "ShutterHold=2\nShutterTimeout=60\n"
                             "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=2\nSoak1Time=1\n"
                             "IdlePower=5\nIdleTime=2\n";

class RecipeOnDeposition : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.filePath("cfg"));
        InstallProgramInfo();
    }

    void Open(bool monitor = false)
    {
        // The logs go to the test's own folder, never to the working folder.
        Write("test.dat",
              QString(kSetup)
                  .arg(monitor ? 1 : 0)
                  .replace("[Card]\n", "[Card]\nLogFile=" + m_home.filePath("TLV880.LOG") + "\n")
                  .toUtf8());
        m_recipe = Write("film.rcp", kRecipe);
        m_instrument = std::make_unique<cTLV880a>();
        m_dep = std::make_unique<Deposition>(*m_instrument);
        m_dep->setRemembersSetupFile(false);
        ASSERT_TRUE(m_dep->OpenSetup("test.dat").loaded);
        m_instrument->setTimerEnabled(false); // readings come from the test only
        m_recipes = std::make_unique<ProcessRecipes>(*m_dep);
        session = &m_recipes->Session();
    }

    QString Write(const QString& name, const QByteArray& text)
    {
        QFile f(m_home.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    }

    // One reading of a source on output 1 whose rate follows its power (0.25 Å/s per % above
    // 10 %) in open loop, seen by sensor 1; sensor 3 sees the same film.
    void Reading()
    {
        m_time += 0.25;
        const double power = m_instrument->GetPower(0);
        // Under rate control the loop holds the setpoint (the library's own loop runs on its own
        // simulated crystals, not on these readings).
        if (m_dep->Mode(0) == ModeAuto && m_dep->RunState() == RunRunning)
            m_rate = m_dep->RateSetpoint(0);
        else
            m_rate += (0.25 * std::max(0.0, power - 10) - m_rate) * 0.25;
        m_thick += m_rate * 0.25;
        m_monitor += m_rate * 0.25;
        SensorArray sensors{};
        OutputArray outputs{};
        sensors[0] = {m_rate, m_thick, 5.9e6, 0};
        sensors[2] = {m_rate, m_monitor, 5.9e6, 0};
        outputs[0] = {m_rate, m_thick, power, 0};
        m_dep->TLVReading(sensors, outputs, m_time);
        QCoreApplication::processEvents(); // the process's queued signals
    }

    void Step(int readings)
    {
        for (int i = 0; i < readings && session->Run().IsRunning(); ++i)
            Reading();
    }

    QTemporaryDir m_home;
    tlv::DialogService::ScopedHandler m_dialogs{tlv::DialogAnswer(QMessageBox::Ok)};
    std::unique_ptr<cTLV880a> m_instrument;
    std::unique_ptr<Deposition> m_dep;
    std::unique_ptr<ProcessRecipes> m_recipes; // goes before the process
    RecipeSession* session = nullptr;
    QString m_recipe;
    double m_time = 36000;
    double m_rate = 0;
    double m_thick = 0;
    double m_monitor = 0;
};

} // namespace coflux::test
