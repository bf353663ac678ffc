#pragma once
// Shared helpers of the coflux window tests: an isolated program folder and settings per test,
// a dialog recorder that answers every message box, and setup-file writing.

#include "CofluxProgram.h"
#include "frmMain.h"

#include "common/DialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace coflux::test {

// Each test gets its own program folder ($TLV880_HOME) and empty user settings.
class CofluxWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        // User settings of this test alone: test programs run side by side and would otherwise
        // clear each other's remembered setup file and window positions.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_home.filePath("settings"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           m_home.filePath("settings"));
        InstallProgramInfo();
        ProgramSettings()->clear();
        m_dialogs = std::make_unique<tlv::DialogService::ScopedHandler>(
            [this](const tlv::DialogRequest& r) {
                m_requests.append(r);
                return m_answer ? m_answer(r)
                                : tlv::DialogAnswer(tlv::DialogService::defaultButtonOf(r.buttons));
            });
    }

    void TearDown() override
    {
        if (m_window) {
            m_answer = [](const tlv::DialogRequest&) { return tlv::DialogAnswer(QMessageBox::No); };
            m_window->close();
            m_window.reset();
        }
        m_dialogs.reset();
        ProgramSettings()->clear();
    }

    QString HomeFile(const QString& name) const { return m_home.filePath(name); }

    void WriteFile(const QString& name, const QString& text) const
    {
        QFile f(HomeFile(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }

    static QString ReadFile(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll());
    }

    frmMain& Open()
    {
        m_window = std::make_unique<frmMain>();
        return *m_window;
    }

    template <typename T> T* Find(const QString& name) const
    {
        T* w = m_window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << qPrintable(name);
        return w;
    }

    // Runs the calls queued for after the current handler (trip messages, class messages): the
    // process queues them, and the window queues the box once more.
    static void DeliverQueued()
    {
        for (int round = 0; round < 3; ++round)
            QCoreApplication::sendPostedEvents();
    }

    // Texts of the message boxes shown since the last call.
    QStringList TakeMessages()
    {
        QStringList texts;
        for (const auto& r : m_requests)
            texts << r.text;
        m_requests.clear();
        return texts;
    }

    QTemporaryDir m_home;
    std::unique_ptr<frmMain> m_window;
    QList<tlv::DialogRequest> m_requests;
    std::function<tlv::DialogAnswer(const tlv::DialogRequest&)> m_answer;
    std::unique_ptr<tlv::DialogService::ScopedHandler> m_dialogs;
};

} // namespace coflux::test
