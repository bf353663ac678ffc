// Command-line options of the remote interface.
#include "common/remote/RemoteOptions.h"

namespace tlv::remote {

bool ParseEndpoint(const QString& text, RemoteEndpoint& endpoint, QString& error)
{
    QString host;
    QString port = text;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QStringLiteral("]:"));
        if (close < 0) {
            error = QStringLiteral("--remote: write an IPv6 address as [ADDR]:PORT");
            return false;
        }
        host = text.mid(1, close - 1);
        port = text.mid(close + 2);
    } else if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        host = text.left(colon);
        port = text.mid(colon + 1);
        if (host.contains(QLatin1Char(':'))) {
            // "::1:80" could be an address alone or an address and a port.
            error = QStringLiteral("--remote: write an IPv6 address as [ADDR]:PORT");
            return false;
        }
    }
    bool numeric = false;
    const uint number = port.toUInt(&numeric);
    if (!numeric || number > 65535 || port.isEmpty() || !port.front().isDigit()) {
        error = QStringLiteral("--remote: \"%1\" is not a port number 0 to 65535").arg(port);
        return false;
    }
    RemoteEndpoint parsed;
    parsed.port = static_cast<quint16>(number);
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        parsed.address = QHostAddress(QHostAddress::LocalHost);
    } else if (!host.isEmpty() && !parsed.address.setAddress(host)) {
        error = QStringLiteral("--remote: \"%1\" is not an IP address").arg(host);
        return false;
    }
    endpoint = parsed;
    return true;
}

RemoteOptions TakeRemoteOptions(QStringList& arguments)
{
    RemoteOptions options;
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i > 0 && argument == QLatin1String("--remote-control")) {
            options.control = true;
        } else if (i > 0 && (argument == QLatin1String("--remote") ||
                             argument.startsWith(QLatin1String("--remote=")))) {
            QString value;
            if (argument.contains(QLatin1Char('='))) {
                value = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                options.error = QStringLiteral("--remote needs [ADDR:]PORT");
                continue;
            }
            options.enabled = true;
            QString error;
            if (!ParseEndpoint(value, options.endpoint, error) && options.error.isEmpty())
                options.error = error;
        } else {
            rest.append(argument);
        }
    }
    if (options.control && !options.enabled && options.error.isEmpty())
        options.error = QStringLiteral("--remote-control needs --remote [ADDR:]PORT");
    arguments = rest;
    return options;
}

QString RemoteUsage()
{
    return QStringLiteral(
        "  --remote [ADDR:]PORT  serve remote commands on ADDR (default 127.0.0.1) and PORT\n"
        "                        (0 picks a free port)\n"
        "  --remote-control      let remote clients change settings and run the process\n");
}

} // namespace tlv::remote
