#pragma once
// Shared set-up of the coflux editor-form tests: a card-library double with a chosen card
// configuration that records what the instrument sends, a main window on it with isolated
// settings and program folder, and a dialog handler that records every message and answers
// questions from a queue.

#include "CofluxProgram.h"
#include "frmMain.h"

#include "common/DialogService.h"
#include "instrument/cTLV880a.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

namespace coflux::test {

// Accepts every call; start-up reports the chosen cards. Records materials and sensor maps.
class FakeLibrary : public tlv::LibraryBinding {
public:
    struct Material {
        int mask;
        double density, zFactor, tooling;
    };

    // Firmware revisions of cards 1..6 (0 = no card) and of the analog section (entry 7).
    std::array<int, 8> info{906, 0, 0, 0, 0, 0, 0, 0};
    std::vector<Material> materials;
    std::vector<std::array<int, 24>> sensorMaps;
    std::vector<std::array<int, 4>> analogMaps;
    std::vector<std::array<double, 4>> inits;   // fmax, fmin, finit, period
    std::vector<std::pair<int, double>> powers; // output, power fraction

    tlv::BoundResult Xdc770Startup2(int command, int* out) override
    {
        if (command == 0)
            for (size_t i = 1; i < info.size(); ++i)
                out[i] = info[i];
        return command == 0 ? info[0] : 0;
    }
    tlv::BoundResult Xdc770Init(double fmax, double fmin, double finit, double period) override
    {
        inits.push_back({fmax, fmin, finit, period});
        return 0;
    }
    tlv::BoundResult Xdc770Material(int mask, double density, double z, double tooling) override
    {
        materials.push_back({mask, density, z, tooling});
        return 0;
    }
    tlv::BoundResult Xdc770MapSensors(const int* map) override
    {
        std::array<int, 24> copy{};
        std::copy(map, map + 24, copy.begin());
        sensorMaps.push_back(copy);
        return 0;
    }
    tlv::BoundResult Xdc770MapAnSensors(const int* map) override
    {
        std::array<int, 4> copy{};
        std::copy(map, map + 4, copy.begin());
        analogMaps.push_back(copy);
        return 0;
    }
    tlv::BoundResult Xdc770Loop2(double, double, double, double, int) override { return 0; }
    tlv::BoundResult Xdc770SetPower(int output, double power) override
    {
        powers.push_back({output, power});
        return 0;
    }
    tlv::BoundResult Xdc770FullScale(int, double, double, double) override { return 0; }
    tlv::BoundResult Xdc770GetPower(double* power) override
    {
        std::fill(power, power + 14, 0.0);
        return 0;
    }
    tlv::BoundResult Xdc770StartMeas() override { return 0; }
    tlv::BoundResult Xdc770Simulate(int) override { return 0; }
    tlv::BoundResult Xdc770GetReadings(double*, double*) override { return 0; }
    tlv::BoundResult Xdc770GetAnReadings(double*, double*) override { return 0; }
    tlv::BoundResult Xdc770ZeroSensor(int) override { return 0; }
    tlv::BoundResult Xdc770Zero2(int) override { return 0; }
    tlv::BoundResult GetSwitchData(short* pressed, short* knob) override
    {
        *pressed = 0;
        *knob = 0;
        return 0;
    }
    tlv::BoundResult DimBacklight(int) override { return 0; }
    QString failureMessage() const override { return {}; }
};

// Card configurations.
inline std::array<int, 8> NoCard()
{
    return {906, 0, 0, 0, 0, 0, 0, 0};
}
inline std::array<int, 8> OneCard(int analogRevision = 0)
{
    return {0, 510, 0, 0, 0, 0, 0, analogRevision};
}
inline std::array<int, 8> TwoCards(int analogRevision = 0)
{
    return {0, 510, 512, 0, 0, 0, 0, analogRevision};
}

// A main window on a library double, in its own program folder and settings.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        // The settings store finds its folder once per process: one folder for all tests,
        // emptied before each.
        static QTemporaryDir settingsHome;
        qputenv("XDG_CONFIG_HOME", (settingsHome.path() + QStringLiteral("/config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (settingsHome.path() + QStringLiteral("/data")).toLocal8Bit());
        InstallProgramInfo();
        ProgramSettings()->clear();
        m_dialogs = std::make_unique<tlv::DialogService::ScopedHandler>(
            [this](const tlv::DialogRequest& request) -> tlv::DialogAnswer {
                m_seen.push_back(request);
                if (request.kind != tlv::DialogKind::Question || m_answers.empty())
                    return tlv::DialogService::defaultButtonOf(request.buttons);
                const auto answer = m_answers.front();
                m_answers.pop_front();
                return answer;
            });
    }

    void TearDown() override
    {
        m_main.reset();
        m_tlv.reset();
        m_dialogs.reset();
    }

    // Builds the instrument on the double with the given cards, then the main window.
    void Start(const std::array<int, 8>& info = NoCard())
    {
        m_lib = std::make_shared<FakeLibrary>();
        m_lib->info = info;
        m_tlv = std::make_unique<cTLV880a>(m_lib, tlv::makeSystemClock());
        m_main = std::make_unique<frmMain>(nullptr, m_tlv.get());
        m_seen.clear();
    }

    // The next questions are answered with these buttons, in order.
    void Answer(std::initializer_list<QMessageBox::StandardButton> buttons)
    {
        m_answers.insert(m_answers.end(), buttons.begin(), buttons.end());
    }

    // Texts of the messages and questions seen since the last call.
    std::vector<QString> TakeTexts()
    {
        std::vector<QString> texts;
        for (const auto& request : m_seen)
            texts.push_back(request.text);
        m_seen.clear();
        return texts;
    }

    // The one open top-level window of a type, as the main window opened it.
    template <typename Form> Form* OpenForm()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<Form*>(w); form && form->isVisible()) return form;
        return nullptr;
    }

    template <typename Control> static Control* Find(QWidget* form, const QString& name)
    {
        auto* control = form->findChild<Control*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }

    // Types text into an entry and presses Enter in it.
    static void Enter(QLineEdit* box, const QString& text)
    {
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    ProcessTables& Tables() { return m_main->Tables(); }

    QTemporaryDir m_home;
    std::shared_ptr<FakeLibrary> m_lib;
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<tlv::DialogService::ScopedHandler> m_dialogs;
    std::vector<tlv::DialogRequest> m_seen;
    std::deque<QMessageBox::StandardButton> m_answers;
};

} // namespace coflux::test
