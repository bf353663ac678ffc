#pragma once
// Shared set-up of the coflux editor-form tests: the recording card-library double with a chosen
// card configuration, a main window on it with isolated settings and program folder, and a
// dialog handler that records every message and answers questions from a queue.

#include "CofluxProgram.h"
#include "FocusSupport.h"
#include "frmMain.h"

#include "common/DialogService.h"
#include "instrument/cTLV880a.h"
#include "tlvtest/RecordingLibrary.h"

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

// Card configurations: the start-up result (entry 0), then the firmware revisions of cards 1..6
// (0 = no card) and of the analog section (entry 7).
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
        m_lib = std::make_shared<tlvtest::RecordingLibrary>();
        m_lib->startupInfo = info;
        m_lib->startupResult = info[0];
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

    // Each entry, typed at its limit, is taken and shown as `shown` without a message; typed
    // beyond it, it is refused with `message` and left as typed, focused and selected for the
    // correction; then it goes back to its limit.
    struct LimitCase {
        const char* box;
        const char* atLimit;
        const char* shown;
        const char* beyond;
        const char* message;
    };
    template <size_t N> void CheckLimits(QWidget* form, const LimitCase (&cases)[N])
    {
        for (const LimitCase& c : cases) {
            SCOPED_TRACE(c.box);
            auto* box = Find<QLineEdit>(form, QLatin1String(c.box));
            Enter(box, QLatin1String(c.atLimit));
            EXPECT_EQ(box->text(), QLatin1String(c.shown));
            EXPECT_TRUE(TakeTexts().empty());

            Enter(box, QLatin1String(c.beyond));
            EXPECT_EQ(TakeTexts(), std::vector<QString>{QLatin1String(c.message)});
            EXPECT_EQ(box->text(), QLatin1String(c.beyond)) << "a refused entry is left as typed";
            EXPECT_EQ(form->focusWidget(), box);
            EXPECT_EQ(box->selectedText(), box->text());
            Enter(box, QLatin1String(c.atLimit));
        }
    }

    // The records, written directly to set a state up.
    ProcessTables& Tables() { return m_main->Core().TablesForTesting(); }

    QTemporaryDir m_home;
    std::shared_ptr<tlvtest::RecordingLibrary> m_lib;
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<tlv::DialogService::ScopedHandler> m_dialogs;
    std::vector<tlv::DialogRequest> m_seen;
    std::deque<QMessageBox::StandardButton> m_answers;
};

} // namespace coflux::test
