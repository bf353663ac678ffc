#include "MonitorFixture.h"

#include "tlvtest/StepClock.h"

#include <QFile>
#include <QSettings>
#include <QTextStream>

namespace monitor::test {

void MonitorTest::SetUp()
{
    m_home = std::make_unique<tlvtest::PrivateHome>();
    ASSERT_TRUE(m_home->isValid());

    tlv::ProgramInfo info;
    info.title = QString::fromLatin1(kProgramTitle);
    info.productName = QString::fromLatin1(kProductName);
    tlv::SetProgramInfo(info);
    QSettings(QStringLiteral("TLV880"), info.title).clear();

    m_dialogs = std::make_unique<tlv::DialogService::ScopedHandler>(
        [this](const tlv::DialogRequest& request) -> tlv::DialogAnswer {
            if (request.kind == tlv::DialogKind::Open || request.kind == tlv::DialogKind::Save)
                return m_fileAnswer.isEmpty() ? tlv::DialogAnswer::cancelled()
                                              : tlv::DialogAnswer(m_fileAnswer);
            if (request.kind == tlv::DialogKind::Question) return m_answer;
            return QMessageBox::Ok;
        });
    m_lib = std::make_shared<tlvtest::RecordingLibrary>();
}

void MonitorTest::TearDown()
{
    m_window.reset();
    m_tlv.reset();
    m_dialogs.reset();
    m_home.reset();
}

frmMain& MonitorTest::CreateWindow()
{
    m_tlv = std::make_unique<cTLV880a>(
        m_lib, std::make_shared<tlvtest::StepClock>(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))),
        nullptr, cTLV880a::Build::Monitor);
    m_window = std::make_unique<frmMain>(m_tlv.get());
    return *m_window;
}

frmMain& MonitorTest::LoadWindow()
{
    CreateWindow();
    m_window->Form_Load();
    return *m_window;
}

QString MonitorTest::ProgramFile(const QString& name) const
{
    return m_home->filePath(name);
}

void MonitorTest::WriteProgramFile(const QString& name, const QByteArray& content)
{
    QFile file(ProgramFile(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QStringList MonitorTest::ReadLines(const QString& name) const
{
    QFile file(ProgramFile(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    // Setup files and logs may end their lines with CR LF or LF alone.
    QStringList lines =
        QString::fromUtf8(file.readAll()).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QLineEdit* MonitorTest::Box(const QString& name) const
{
    return m_window->findChild<QLineEdit*>(name);
}

QTableWidget* MonitorTest::Grid() const
{
    return m_window->findChild<QTableWidget*>(QStringLiteral("grdReading"));
}

QString MonitorTest::Cell(int row, int column) const
{
    const QTableWidgetItem* item = Grid()->item(row, column);
    return item ? item->text() : QString();
}

void MonitorTest::Tick()
{
    m_window->tmrRun_Timer();
}

QStringList MonitorTest::Messages() const
{
    QStringList texts;
    for (const tlv::DialogRequest& request : tlv::DialogService::requests())
        texts << request.text;
    return texts;
}

void MonitorTest::Queue(const LibReading& reading)
{
    tlvtest::Reading r;
    for (int i = 0; i < 24; ++i)
        r.sensor(i, reading.rate[i], reading.thickness[i], reading.frequency[i]);
    m_lib->readings.push_back(r);
}

std::vector<MaterialCall> MonitorTest::Materials() const
{
    std::vector<MaterialCall> sent;
    for (const tlvtest::Call& c : m_lib->all(QStringLiteral("Xdc770Material")))
        sent.push_back(
            {c.args[0].toInt(), c.args[1].toDouble(), c.args[2].toDouble(), c.args[3].toDouble()});
    return sent;
}

std::vector<std::array<double, 4>> MonitorTest::Inits() const
{
    std::vector<std::array<double, 4>> sent;
    for (const tlvtest::Call& c : m_lib->all(QStringLiteral("Xdc770Init")))
        sent.push_back({c.args[0].toDouble(), c.args[1].toDouble(), c.args[2].toDouble(),
                        c.args[3].toDouble()});
    return sent;
}

std::vector<int> MonitorTest::ZeroedOutputs() const
{
    std::vector<int> zeroed;
    for (const tlvtest::Call& c : m_lib->all(QStringLiteral("Xdc770Zero2")))
        zeroed.push_back(c.args[0].toInt());
    return zeroed;
}

std::vector<int> MonitorTest::ZeroedSensors() const
{
    std::vector<int> zeroed;
    for (const tlvtest::Call& c : m_lib->all(QStringLiteral("Xdc770ZeroSensor")))
        zeroed.push_back(c.args[0].toInt());
    return zeroed;
}

} // namespace monitor::test
