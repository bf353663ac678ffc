// The program's alarms through the remote interface:
//   ALAR:ACT?      <count>{,<id>,ACTIVE|ACKNOWLEDGED,WARNING|ALARM,"<raised>","<condition>",
//                  "<source>","<text>"}: every alarm whose cause is still present, oldest first
//                  (texts in ASCII: Å as A, ± as +/-);
//                  <raised> is the instrument's local time "2026-12-08T10:00:05"
//   ALAR:COUN?     <open>,<not acknowledged>
//   ALAR:ACK n|ALL acknowledges alarm n (an id from ALAR:ACT?, or one cleared since) or every
//                  alarm; a change, protected without --remote-control
#include "ScpiCommandTable.h"

#include "common/remote/ScpiSession.h"

#include <array>
#include <cmath>

namespace tlv::remote::detail {

namespace {

QByteArray Word(const QString& word)
{
    return word.toUpper().toUtf8();
}

// Alarm texts speak in Å/s and ±; the interface's answers are plain ASCII, as instrument
// clients read them by default.
QByteArray AsciiText(QString text)
{
    text.replace(QChar(0x00C5), QLatin1Char('A'));
    text.replace(QChar(0x00B1), QStringLiteral("+/-"));
    for (QChar& c : text)
        if (c.unicode() > 0x7E || (c.unicode() < 0x20 && c != QLatin1Char('\t')))
            c = QLatin1Char('?');
    return QuotedText(text);
}

Outcome Open(Context& c, const Parameters&, QByteArray& answer)
{
    AlarmModel* model = c.target.Alarms();
    if (!model) return Outcome::Error(UndefinedHeader);
    const QList<Alarm> alarms = model->open();
    answer = QByteArray::number(alarms.size());
    for (const Alarm& alarm : alarms) {
        answer += ',' + QByteArray::number(alarm.id) + ',' + Word(AlarmStateWord(alarm.state)) +
                  ',' + Word(AlarmSeverityWord(alarm.severity)) + ',' +
                  QuotedText(alarm.raised.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) + ',' +
                  QuotedText(alarm.condition) + ',' + AsciiText(alarm.source.text) + ',' +
                  AsciiText(alarm.text);
    }
    return Outcome::Ok();
}

Outcome Count(Context& c, const Parameters&, QByteArray& answer)
{
    AlarmModel* model = c.target.Alarms();
    if (!model) return Outcome::Error(UndefinedHeader);
    answer = QByteArray::number(model->open().size()) + ',' +
             QByteArray::number(model->unacknowledgedCount());
    return Outcome::Ok();
}

Outcome Acknowledge(Context& c, const Parameters& p, QByteArray&)
{
    AlarmModel* model = c.target.Alarms();
    if (!model) return Outcome::Error(UndefinedHeader);
    // Protected as every change, also in a program that otherwise only measures.
    if (!c.controlAllowed)
        return Outcome::Error(CommandProtected,
                              QStringLiteral("Start the program with --remote-control"));
    if (p[0].kind == ScpiParameter::Kind::Word && MatchesMnemonic(p[0].word, "ALL")) {
        model->acknowledgeAll();
        return Outcome::Ok();
    }
    if (p[0].kind != ScpiParameter::Kind::Number) return Outcome::Error(SyntaxError);
    const double id = p[0].number;
    if (id != std::floor(id) || id < 1 || id > 1e15 || !model->acknowledge(quint64(id)))
        return Outcome::Error(
            DataOutOfRange,
            QStringLiteral("No alarm %1").arg(QString::fromLatin1(ScpiSession::NumberText(id))));
    return Outcome::Ok();
}

constexpr std::array<Command, 3> kAlarmCommands{{
    {"ALARm:ACTive", true, 0, false, Open},
    {"ALARm:COUNt", true, 0, false, Count},
    {"ALARm:ACKnowledge", false, 1, false, Acknowledge},
}};

} // namespace

std::span<const Command> AlarmCommands()
{
    return kAlarmCommands;
}

} // namespace tlv::remote::detail
