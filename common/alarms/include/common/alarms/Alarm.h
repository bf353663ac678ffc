#pragma once
// One alarm as the operator sees it: what raised it, where, when, how severe, and whether it is
// still waiting for an acknowledgement or for its cause to go.

#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace tlv {

// Where an alarm comes from. Indices are zero-based (sensors 0..23, outputs by the number the
// program shows them with, less one; cards 0..5); `text` is how the program names it ("Output
// 1", "Sensor 5", "Card 2"). The broker and the remote interface count from 1.
struct AlarmSource {
    enum class Kind { None, Sensor, Output, Card };
    Kind kind = Kind::None;
    int index = -1;
    QString text;

    static AlarmSource sensor(int index);
    static AlarmSource output(int index, const QString& text);
    static AlarmSource card(int index);

    bool operator==(const AlarmSource&) const = default;
    // Same place (the text is only how it is shown).
    bool sameAs(const AlarmSource& other) const
    {
        return kind == other.kind && (kind == Kind::None || index == other.index);
    }
};

enum class AlarmSeverity { Warning, Alarm };

// Active: its cause is present and nobody has acknowledged it. Acknowledged: its cause is still
// present. Cleared: its cause has gone (acknowledged or not: `acknowledged` tells).
enum class AlarmState { Active, Acknowledged, Cleared };

struct Alarm {
    quint64 id = 0;    // from 1, unique while the program runs
    QString condition; // what raised it: "crystal", "rate", "power", ... (see AlarmConditions.h)
    AlarmSource source;
    AlarmSeverity severity = AlarmSeverity::Alarm;
    QString text;
    AlarmState state = AlarmState::Active;
    QDateTime raised;       // the instrument's clock
    QDateTime acknowledged; // null until acknowledged
    QDateTime cleared;      // null until its cause has gone
    QDateTime changed;      // the latest change (a warning that became an alarm: then)

    bool isOpen() const { return state != AlarmState::Cleared; }
    bool operator==(const Alarm&) const = default;
};

// What happened to an alarm (the model reports each change as it happens).
enum class AlarmChange { Raised, Acknowledged, Cleared };

// The words the log, the remote interface and the broker use.
QString AlarmStateWord(AlarmState state);       // "active", "acknowledged", "cleared"
QString AlarmSeverityWord(AlarmSeverity level); // "warning", "alarm"
QString AlarmChangeWord(AlarmChange change);    // "raised", "acknowledged", "cleared"

} // namespace tlv

Q_DECLARE_METATYPE(tlv::Alarm)
