#pragma once
// Shared set-up of the window tests: private folders for settings files, every dialog answered
// and recorded, and the main window built on the card library double.

#include "FindControl.h"
#include "FormHelpers.h"
#include "frmMain.h"

#include "common/DialogService.h"
#include "tlvtest/PrivateHome.h"
#include "tlvtest/RecordingLibrary.h"
#include "tlvtest/StepClock.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

namespace multi::testing {

class WindowTest : public ::testing::Test {
protected:
    WindowTest()
        : dialogs([this](const tlv::DialogRequest& request) {
              seen << request;
              return tlv::DialogAnswer(QMessageBox::Ok);
          })
    {
    }

    // Builds the window over the double; cards: firmware versions of the installed cards.
    frmMain& Open(std::initializer_list<int> cards = {})
    {
        size_t n = 0;
        for (int revision : cards)
            library->startupInfo[++n] = revision;
        library->startupResult = cards.size() > 0 && *cards.begin() > 0 ? 0 : 904;
        window = std::make_unique<frmMain>(std::make_unique<cTLV880a>(
            library,
            std::make_shared<tlvtest::StepClock>(QDateTime(QDate(2026, 1, 5), QTime(10, 0)))));
        library->calls.clear();
        return *window;
    }

    // The library double as the window tests expect it: one unread set of analog inputs (all
    // zero) at every poll.
    static std::shared_ptr<tlvtest::RecordingLibrary> NewLibrary()
    {
        auto lib = std::make_shared<tlvtest::RecordingLibrary>();
        lib->steadyAnalog = true;
        return lib;
    }

    QString IniPath() const { return home.filePath(QStringLiteral("tlvmulti.INI")); }
    void WriteIni(const QString& text)
    {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    QString ReadIni() const
    {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    template <typename T> T* Find(const QString& name) const
    {
        return FindControl<T>(window.get(), name);
    }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(QLatin1String(name)); }
    QLineEdit* Text(const char* name, int i) const { return Find<QLineEdit>(ArrayName(name, i)); }
    QLabel* Label(const char* name, int i) const { return Find<QLabel>(ArrayName(name, i)); }
    QComboBox* List(const QString& name) const { return Find<QComboBox>(name); }
    void Click(const char* name) const { Button(name)->click(); }
    void Choose(const QString& list, int index) const { List(list)->setCurrentIndex(index); }

    tlvtest::PrivateHome home;
    QList<tlv::DialogRequest> seen;
    tlv::DialogService::ScopedHandler dialogs;
    std::shared_ptr<tlvtest::RecordingLibrary> library = NewLibrary();
    std::unique_ptr<frmMain> window;
};

} // namespace multi::testing
