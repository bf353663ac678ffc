#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Small file helpers for the tests of the shared routines.
namespace testfiles {

inline void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qUtf8Printable(path));
    file.write(bytes);
}

inline QByteArray read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Collects the texts the routine error reporter receives.
inline QStringList& reportedErrors()
{
    static QStringList errors;
    return errors;
}
inline void captureError(const QString& text)
{
    reportedErrors().append(text);
}

} // namespace testfiles
