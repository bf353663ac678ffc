#include "common/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#if defined(Q_OS_LINUX)
#include <sys/sysinfo.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace tlv {

namespace {

struct Memory {
    quint64 total = 0; // bytes
    quint64 free = 0;
};

Memory physicalMemory()
{
    Memory memory;
#if defined(Q_OS_LINUX)
    struct sysinfo info {};
    if (sysinfo(&info) == 0) {
        memory.total = quint64(info.totalram) * info.mem_unit;
        memory.free = quint64(info.freeram) * info.mem_unit;
    }
#elif defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status)) {
        memory.total = status.ullTotalPhys;
        memory.free = status.ullAvailPhys;
    }
#endif
    return memory;
}

} // namespace

QString frmAbout::VersionLine(const ProgramInfo& info)
{
    return info.productName + QStringLiteral("\n Ver. ") + QString::number(info.major) +
           QLatin1Char('.') + QString::number(info.minor) + QString::number(info.revision);
}

QString frmAbout::SystemLine()
{
    QString system = QSysInfo::kernelType();
    if (system == QLatin1String("winnt"))
        system = QStringLiteral("Windows");
    else if (!system.isEmpty())
        system[0] = system[0].toUpper();
    return system + QStringLiteral(" Version: ") + QSysInfo::kernelVersion();
}

QString frmAbout::MemoryLine()
{
    const Memory memory = physicalMemory();
    return QStringLiteral("Memory Avail/Free: ") + QString::number(memory.total / 1024) +
           QStringLiteral("K / ") + QString::number(memory.free / 1024) + QLatin1Char('K');
}

QString frmAbout::DirectoryLine()
{
    return QStringLiteral("Directory: ") + ProgramFolder();
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    const ProgramInfo info = Program();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + info.productName);

    const QString texts[5] = {VersionLine(info), info.legalNotice, SystemLine(), MemoryLine(),
                              DirectoryLine()};
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 5; ++i) {
        m_lines[i] = new QLabel(texts[i], this);
        m_lines[i]->setObjectName(QStringLiteral("lblAbout_%1").arg(i));
        m_lines[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(m_lines[i]);
    }
    QFont title = m_lines[0]->font();
    title.setBold(true);
    m_lines[0]->setFont(title);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

QString frmAbout::lineText(int index) const
{
    return index >= 0 && index < 5 ? m_lines[index]->text() : QString();
}

} // namespace tlv
