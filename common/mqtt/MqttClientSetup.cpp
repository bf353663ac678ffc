#include "MqttClientSetup.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <mosquitto.h>

#include <cerrno>
#include <system_error>

namespace tlv::mqtt {

namespace {
constexpr int kKeepAliveSeconds = 15;
} // namespace

void InitMosquittoOnce()
{
    static const int init = mosquitto_lib_init();
    (void)init;
}

bool ResolveTarget(const PublishOptions& options, PublishTarget& target, QString& password,
                   QString& error)
{
    PublishTarget parsed;
    if (!ParsePublishUrl(options.url, parsed, error)) return false;
    if (!options.caFile.isEmpty()) {
        parsed.tls = true;
        // The client library opens it with a blocking read: a FIFO would hang the program.
        if (!IsBoundedRegularFile(options.caFile, kCaFileMaxBytes, QStringLiteral("CA file"),
                                  error))
            return false;
    }
    QString secret;
    if (!options.passwordFile.isEmpty() && !ReadPasswordFile(options.passwordFile, secret, error))
        return false;
    target = parsed;
    password = secret;
    return true;
}

bool ApplyLoginAndTls(mosquitto* client, const PublishOptions& options, const QString& password,
                      const PublishTarget& target, QString& error)
{
    if (!options.user.isEmpty() || !password.isEmpty()) {
        const QByteArray user = options.user.toUtf8();
        const QByteArray pass = password.toUtf8();
        mosquitto_username_pw_set(client, user.constData(),
                                  options.passwordFile.isEmpty() ? nullptr : pass.constData());
    }
    if (!target.tls) return true;
    const QByteArray ca = options.caFile.toLocal8Bit();
    const int rc =
        mosquitto_tls_set(client, ca.isEmpty() ? nullptr : ca.constData(),
                          ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS) return true;
    error = QStringLiteral("The CA file \"%1\" cannot be used for TLS (%2)")
                .arg(options.caFile, QString::fromUtf8(mosquitto_strerror(rc)));
    return false;
}

mosquitto* NewClient(const QString& program, void* owner)
{
    InitMosquittoOnce();
    const QByteArray clientId = QStringLiteral("%1-%2-%3")
                                    .arg(program, QSysInfo::machineHostName())
                                    .arg(QCoreApplication::applicationPid())
                                    .toUtf8()
                                    .left(64);
    return mosquitto_new(clientId.constData(), true, owner);
}

ConnectStart ConnectAsync(mosquitto* client, const PublishTarget& target, QString& why)
{
    const QByteArray host = target.host.toUtf8();
    const int rc =
        mosquitto_connect_async(client, host.constData(), target.port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_SUCCESS) return ConnectStart::Started;
    if (rc == MOSQ_ERR_EAI) return ConnectStart::UnknownHost;
    why = rc == MOSQ_ERR_ERRNO ? QString::fromStdString(std::generic_category().message(errno))
                               : QString::fromUtf8(mosquitto_strerror(rc));
    return ConnectStart::Unreachable;
}

QString BrokerAddress(const PublishTarget& target)
{
    return QStringLiteral("%1:%2").arg(target.host).arg(target.port);
}

QString ConnackText(int rc)
{
    switch (rc) {
    case 1:
        return QStringLiteral("protocol version not accepted");
    case 2:
        return QStringLiteral("client identifier rejected");
    case 3:
        return QStringLiteral("broker unavailable");
    case 4:
        return QStringLiteral("bad user name or password");
    case 5:
        return QStringLiteral("not authorised");
    default:
        return QString::fromUtf8(mosquitto_connack_string(rc));
    }
}

} // namespace tlv::mqtt
