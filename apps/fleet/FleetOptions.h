#pragma once
// How tlvfleet is started: the broker and topic prefix to watch with the same options and the
// same "Publish" settings group as the programs that publish there, and the event log file.

#include "common/mqtt/PublishTarget.h"

#include <QStringList>

namespace fleet {

inline constexpr char kProgramTitle[] = "tlvfleet";
inline constexpr char kProductName[] = "TLV-880 Fleet";
inline constexpr char kDefaultEventLog[] = "tlvfleet.log";

struct FleetOptions {
    tlv::mqtt::PublishOptions broker;
    QString eventLog; // empty: kDefaultEventLog in the program's folder
};

// The user's settings (group "Publish" of tlvfleet), then `arguments` (without the program's
// name): --publish URL, --publish-user, --publish-password-file, --publish-cafile as the
// publishing programs take them, and --event-log FILE. False with a message for an option
// without its value or an argument the program does not know.
bool ParseFleetArguments(const QStringList& arguments, const tlv::mqtt::PublishOptions& saved,
                         FleetOptions& options, QString& error);

// The option lines of --help.
QString FleetUsage();

} // namespace fleet
