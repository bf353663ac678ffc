#pragma once

#include "common/ProgramInfo.h"
#include <QDialog>

#include <QString>

class QLabel;
class QPushButton;

namespace tlv {

// The about box of a program: caption "About " + product name, five lines and an OK button
// (`cmdOK`) that closes it. The lines are the labels `lblAbout_0` .. `lblAbout_4`:
//  0. product name, a line break, " Ver. " major "." minor immediately followed by revision;
//  1. the legal notice;
//  2. the operating system and its version ("Windows Version: 10.0.19045" on Windows,
//     "Linux Version: 6.1.0-18-amd64" on Linux);
//  3. "Memory Avail/Free: " total physical memory in KiB "K / " free memory in KiB "K";
//  4. "Directory: " + the program's folder.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QString lineText(int index) const;

    // The lines as shown (for a given program description), without the widgets.
    static QString VersionLine(const ProgramInfo& info);
    static QString SystemLine();
    static QString MemoryLine();
    static QString DirectoryLine();

private:
    QLabel* m_lines[5] = {};
    QPushButton* cmdOK = nullptr;
};

} // namespace tlv
