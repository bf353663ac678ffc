#pragma once
// Where a program publishes its readings: the broker address and topic prefix taken from a
// publish URL, and the optional login and TLS files that go with it.

#include <QString>
#include <QStringList>

namespace tlv::mqtt {

// mqtt://HOST[:PORT]/PREFIX (plain, port 1883) or mqtts://HOST[:PORT]/PREFIX (TLS, port 8883).
struct PublishTarget {
    QString host;
    int port = 1883;
    QString prefix; // topic prefix, without leading or trailing '/'
    bool tls = false;
};

// Parses a publish URL. On failure returns false and a message naming what is wrong.
bool ParsePublishUrl(const QString& url, PublishTarget& target, QString& error);

// Everything a program needs to publish: the URL as typed and the optional extras.
struct PublishOptions {
    QString url;          // empty: publishing is off
    QString user;         // empty: no login
    QString passwordFile; // file whose first line is the password
    QString caFile;       // CA certificate for TLS; set alone it also turns TLS on

    bool enabled() const { return !url.isEmpty(); }
};

// Per-user settings of a program (settings group "Publish": keys "URL", "User", "PasswordFile",
// "CAFile"); missing keys leave publishing off.
PublishOptions ReadPublishSettings(const QString& programTitle);

// Takes the publish options out of a program's arguments: --publish URL, --publish-user NAME,
// --publish-password-file FILE, --publish-cafile FILE (also as --option=value). Each one found
// replaces the value in `options`; the arguments left are returned in `rest`. False with a
// message when an option lacks its value.
bool TakePublishArguments(const QStringList& arguments, PublishOptions& options, QStringList& rest,
                          QString& error);

// The first line of a password file, without its line end. False with a message when the file
// cannot be read.
bool ReadPasswordFile(const QString& path, QString& password, QString& error);

// One line for --help describing the options above.
QString PublishUsage();

} // namespace tlv::mqtt
