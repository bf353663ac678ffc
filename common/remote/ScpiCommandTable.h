#pragma once
// The shape of the remote interface's command table, shared by the files that fill it: each
// command is a header path, whether it is a query, its parameter count, whether it changes
// anything and the handler that runs it. The dispatcher (ScpiSession) checks the header, the
// parameter count and write protection before a handler runs.

#include "common/remote/RemoteTarget.h"
#include "common/remote/ScpiErrors.h"
#include "common/remote/ScpiParser.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <span>

namespace tlv::remote::detail {

using Parameters = QList<ScpiParameter>;

struct Context {
    RemoteTarget& target;
    ErrorQueue& errors;
    bool controlAllowed; // for a command that checks protection itself (acknowledging alarms)
};

using Handler = Outcome (*)(Context&, const Parameters&, QByteArray&);

struct Command {
    const char* path; // mnemonics as patterns, or "*NAME"
    bool query;
    int parameters; // exactly this many
    bool changes;   // refused unless control is allowed
    Handler run;
};

// A bare file name: no folder part, not "." or "..", nothing that could leave the folder.
bool IsBareFileName(const QString& name);

// A text as a string answer: in double quotes, its own quotes doubled, line ends as blanks
// (they would split the answer).
QByteArray QuotedText(const QString& text);

// A channel number 1..count, given as a whole number; the zero-based index on success
// ("<what> are 1 to <count>" when it is out of range).
Outcome Channel(const ScpiParameter& parameter, int count, const char* what, int& index);

// The process recipe's commands (PROCess:RECipe:...).
std::span<const Command> RecipeCommands();
// The film materials' commands (MATerial:..., SENSor:MATerial).
std::span<const Command> MaterialCommands();

// Loop tuning of an output (OUTPut:TUNE:...).
std::span<const Command> TuneCommands();

// The program's alarms (ALARm:...).
std::span<const Command> AlarmCommands();

// A channel number 1..count, given as a whole number; the zero-based index on success.
Outcome Channel(const ScpiParameter& parameter, int count, const char* what, int& index);

} // namespace tlv::remote::detail
