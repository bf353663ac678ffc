#include "common/cFileDialog.h"

#include "common/DialogService.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QString cFileDialog::TrimNulls(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString cFileDialog::RecordFilter(const QString& filter)
{
    QString record = filter;
    record.replace(QLatin1Char('|'), QChar(0));
    record += QChar(0);
    record += QChar(0);
    return record;
}

QStringList cFileDialog::QtFilters(const QString& filter)
{
    QStringList entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (description.isEmpty() && pattern.isEmpty()) continue;
        if (pattern.isEmpty()) pattern = QStringLiteral("*");
        // The dialog record separates several patterns with ';', Qt with blanks.
        const QString qtPattern = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)
                                      .replaceInStrings(QStringLiteral(" "), QString())
                                      .join(QLatin1Char(' '));
        if (description.contains(QLatin1Char('(') + qtPattern + QLatin1Char(')')))
            entries << description;
        else
            entries << (description.isEmpty() ? qtPattern : description) + QStringLiteral(" (") +
                           qtPattern + QLatin1Char(')');
    }
    return entries;
}

bool cFileDialog::Show(bool open)
{
    const QStringList filters = QtFilters(m_filter);
    QString selectedFilter;
    if (!filters.isEmpty())
        selectedFilter = filters.value(std::max<qsizetype>(m_filterIndex, 1) - 1, filters.first());

    // The dialog starts with the proposed name in the initial folder (or in the proposed name's
    // own folder when it carries one).
    const QString proposed = TrimNulls(m_fileName);
    QString directory = m_initialDir;
    if (directory.isEmpty())
        directory = proposed.contains(QLatin1Char('/')) ? QFileInfo(proposed).absolutePath()
                                                        : QDir::currentPath();
    const QString fileName = proposed.isEmpty() ? QString() : QFileInfo(proposed).fileName();

    const QString filterList = filters.join(QStringLiteral(";;"));
    QString chosen;
    if (open) {
        chosen = tlv::DialogService::getOpenFileName(m_parent, m_dialogTitle, directory, fileName,
                                                     filterList, &selectedFilter);
    } else {
        chosen = tlv::DialogService::getSaveFileName(m_parent, m_dialogTitle, directory, fileName,
                                                     filterList, &selectedFilter, m_defaultExt,
                                                     (m_flags & OverwritePrompt) != 0);
    }
    chosen = TrimNulls(chosen);
    if (chosen.isEmpty()) return false;
    if (!open && !m_defaultExt.isEmpty() && QFileInfo(chosen).suffix().isEmpty() &&
        !chosen.endsWith(QLatin1Char('.')))
        chosen += QLatin1Char('.') + m_defaultExt;
    if (QFileInfo(chosen).isRelative()) chosen = QDir(directory).absoluteFilePath(chosen);

    m_fileName = QDir::cleanPath(chosen);
    m_fileTitle = QFileInfo(m_fileName).fileName();
    return true;
}
