#pragma once
// The command-line options that start the remote interface:
//   --remote [ADDR:]PORT   listen on ADDR (default 127.0.0.1, the loopback only) and PORT
//                          (0 picks a free port); IPv6 addresses go in brackets: [::1]:5025
//   --remote-control       let clients change settings and run the process
// Both also take the form --remote=VALUE.

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace tlv::remote {

struct RemoteEndpoint {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 0;
};

struct RemoteOptions {
    bool enabled = false; // --remote given
    bool control = false; // --remote-control given
    RemoteEndpoint endpoint;
    QString error; // not empty when an option is malformed
};

// Parses "[ADDR:]PORT"; false (and `error` set) when it is not an address and a port.
bool ParseEndpoint(const QString& text, RemoteEndpoint& endpoint, QString& error);

// Takes the remote options out of `arguments` (the first entry is the program) and leaves the
// rest for the program's own parser.
RemoteOptions TakeRemoteOptions(QStringList& arguments);

// The usage lines of the options, for a program's --help.
QString RemoteUsage();

} // namespace tlv::remote
