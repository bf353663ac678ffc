#include "common/mqtt/PublishTarget.h"

#include <QFile>
#include <QSettings>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tlv::mqtt {

bool ParsePublishUrl(const QString& url, PublishTarget& target, QString& error)
{
    const QString text = url.trimmed();
    const QUrl parsed(text, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() ||
        (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))) {
        error =
            QStringLiteral("Bad publish URL \"%1\": expected mqtt://HOST[:PORT]/PREFIX").arg(text);
        return false;
    }
    if (parsed.host().isEmpty()) {
        error = QStringLiteral("Bad publish URL \"%1\": no broker host").arg(text);
        return false;
    }
    if (!parsed.userInfo().isEmpty() || parsed.hasQuery() || parsed.hasFragment()) {
        error = QStringLiteral("Bad publish URL \"%1\": give the login with --publish-user and "
                               "--publish-password-file, nothing after the prefix")
                    .arg(text);
        return false;
    }
    PublishTarget result;
    result.tls = scheme == QLatin1String("mqtts");
    result.host = parsed.host();
    result.port = parsed.port(result.tls ? 8883 : 1883);
    if (result.port < 1 || result.port > 65535) {
        error = QStringLiteral("Bad publish URL \"%1\": port out of range").arg(text);
        return false;
    }
    QString prefix = parsed.path();
    while (prefix.startsWith(QLatin1Char('/')))
        prefix.remove(0, 1);
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    // Wildcards and empty levels would make topics a subscriber cannot address one by one.
    if (prefix.isEmpty() || prefix.contains(QLatin1Char('+')) ||
        prefix.contains(QLatin1Char('#')) || prefix.contains(QLatin1String("//"))) {
        error = QStringLiteral("Bad publish URL \"%1\": the topic prefix must be non-empty, "
                               "without '+', '#' or empty levels")
                    .arg(text);
        return false;
    }
    result.prefix = prefix;
    target = result;
    return true;
}

PublishOptions ReadPublishSettings(const QString& programTitle)
{
    QSettings settings(QStringLiteral("TLV880"), programTitle);
    settings.beginGroup(QStringLiteral("Publish"));
    PublishOptions options;
    options.url = settings.value(QStringLiteral("URL")).toString().trimmed();
    options.user = settings.value(QStringLiteral("User")).toString();
    options.passwordFile = settings.value(QStringLiteral("PasswordFile")).toString();
    options.caFile = settings.value(QStringLiteral("CAFile")).toString();
    return options;
}

bool TakePublishArguments(const QStringList& arguments, PublishOptions& options, QStringList& rest,
                          QString& error)
{
    struct Option {
        const char* name;
        QString PublishOptions::*field;
    };
    static const Option known[] = {{"--publish", &PublishOptions::url},
                                   {"--publish-user", &PublishOptions::user},
                                   {"--publish-password-file", &PublishOptions::passwordFile},
                                   {"--publish-cafile", &PublishOptions::caFile}};
    rest.clear();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const Option* match = nullptr;
        QString value;
        bool hasValue = false;
        for (const Option& option : known) {
            const QString name = QString::fromLatin1(option.name);
            if (arg == name) {
                match = &option;
            } else if (arg.startsWith(name + QLatin1Char('='))) {
                match = &option;
                value = arg.mid(name.size() + 1);
                hasValue = true;
            }
            if (match) break;
        }
        if (!match) {
            rest << arg;
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(match->name));
                return false;
            }
            value = arguments[++i];
        }
        options.*(match->field) = value;
    }
    return true;
}

namespace {

// Opens without blocking (a FIFO with no writer would wait for ever) and checks what the open
// file is; -1 with the message when it is no bounded regular file.
int OpenBoundedRegularFile(const QString& path, qint64 maxBytes, const QString& what,
                           QString& error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error =
            QStringLiteral("Cannot read the %1 \"%2\": %3")
                .arg(what, path, QString::fromStdString(std::generic_category().message(errno)));
        return -1;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = QStringLiteral("The %1 \"%2\" is not a regular file").arg(what, path);
    } else if (info.st_size > maxBytes) {
        error =
            QStringLiteral("The %1 \"%2\" is larger than %3 bytes").arg(what, path).arg(maxBytes);
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

} // namespace

bool IsBoundedRegularFile(const QString& path, qint64 maxBytes, const QString& what, QString& error)
{
    const int fd = OpenBoundedRegularFile(path, maxBytes, what, error);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool ReadPasswordFile(const QString& path, QString& password, QString& error)
{
    const QString what = QStringLiteral("password file");
    const int fd = OpenBoundedRegularFile(path, kPasswordFileMaxBytes, what, error);
    if (fd < 0) return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = QStringLiteral("Cannot read the %1 \"%2\": %3").arg(what, path, file.errorString());
        return false;
    }
    QByteArray line = file.readLine(kPasswordFileMaxBytes);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    password = QString::fromUtf8(line);
    return true;
}

QString PublishUsage()
{
    return QStringLiteral(
        "  --publish mqtt://HOST[:PORT]/PREFIX   publish readings, state and events to an MQTT "
        "broker\n"
        "  --publish-user NAME                   log in to the broker as NAME\n"
        "  --publish-password-file FILE          the login's password (first line of FILE)\n"
        "  --publish-cafile FILE                 connect with TLS, trusting the CA in FILE\n");
}

} // namespace tlv::mqtt
