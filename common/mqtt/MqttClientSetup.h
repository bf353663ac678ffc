#pragma once
// What the publisher and the subscriber do alike before they connect: check the URL and the
// extras (a CA file alone turns TLS on, the password is the password file's first line), then
// give the client library the login and the TLS trust. Private to common_mqtt.

#include "common/mqtt/PublishTarget.h"

#include <QString>

struct mosquitto;

namespace tlv::mqtt {

void InitMosquittoOnce();

// The broker and prefix of `options` and the password to log in with. False with a message
// naming what is wrong.
bool ResolveTarget(const PublishOptions& options, PublishTarget& target, QString& password,
                   QString& error);

// Sets the login (when a user or password is given) and, for a TLS target, the CA to trust
// (the CA file, else the system's CAs). False with a message when TLS cannot be set up.
bool ApplyLoginAndTls(mosquitto* client, const PublishOptions& options, const QString& password,
                      const PublishTarget& target, QString& error);

// A client named "<program>-<host name>-<process id>" (at most 64 bytes) with a clean session,
// whose callbacks get `owner`; null when the library cannot make one.
mosquitto* NewClient(const QString& program, void* owner);

// Starts connecting; the network thread, once started, finishes the connection or retries it.
enum class ConnectStart {
    Started,
    UnknownHost, // does not mend itself: give up
    Unreachable, // nothing listening yet, network down: `why` says what; retried
};
ConnectStart ConnectAsync(mosquitto* client, const PublishTarget& target, QString& why);

// The broker as "HOST:PORT" for status texts.
QString BrokerAddress(const PublishTarget& target);

// Why the broker refused a connection (its CONNACK code) in words.
QString ConnackText(int rc);

} // namespace tlv::mqtt
