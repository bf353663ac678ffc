#pragma once
// GoogleTest prints Qt texts as text in its failure messages (instead of their bytes).

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
