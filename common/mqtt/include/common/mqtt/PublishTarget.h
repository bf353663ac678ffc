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

// Largest password file and CA file that are read: more is not such a file.
inline constexpr qint64 kPasswordFileMaxBytes = 64 * 1024;
inline constexpr qint64 kCaFileMaxBytes = 4 * 1024 * 1024;

// The first line of a password file, without its line end. False with a message when the file
// cannot be read, is not a regular file (a FIFO or a device would never end or never come) or
// is larger than kPasswordFileMaxBytes.
bool ReadPasswordFile(const QString& path, QString& password, QString& error);

// True when `path` is a regular file of at most `maxBytes` that can be opened for reading,
// checked without ever blocking on it; else false with a message naming the file as `what`
// ("password file", "CA file").
bool IsBoundedRegularFile(const QString& path, qint64 maxBytes, const QString& what,
                          QString& error);

// One line for --help describing the options above.
QString PublishUsage();

} // namespace tlv::mqtt
