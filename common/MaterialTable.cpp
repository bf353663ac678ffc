#include "common/MaterialTable.h"

#include "common/ProgramInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace tlv {

namespace {

// The limits the instrument class accepts for a sensor's material: a line outside them could
// never be sent, so it is refused where it is written.
constexpr double kDensityMin = 0.4;
constexpr double kDensityMax = 99.99;
constexpr double kZRatioMin = 0.1;
constexpr double kZRatioMax = 9.999;

const QString kShippedName = QStringLiteral("materials.txt");
const QString kUserName = QStringLiteral("user-materials.txt");
const QString kUnknownMark = QStringLiteral("Z unknown");

// A plain decimal number ("2.70", "19.3"); no exponent words, no infinities.
std::optional<double> Number(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

// A number field within [low, high]; nullopt with the reason in `why` otherwise.
std::optional<double> LimitedNumber(const QString& text, const char* what, double low, double high,
                                    QString& why)
{
    const auto value = Number(text);
    if (!value)
        why = QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(what), text);
    else if (*value < low || *value > high)
        why = QStringLiteral("%1 %2 outside %3 to %4")
                  .arg(QLatin1String(what), text)
                  .arg(low)
                  .arg(high);
    else
        return value;
    return std::nullopt;
}

bool SameAtShownPrecision(double a, double b, double scale)
{
    return std::llround(a * scale) == std::llround(b * scale);
}

} // namespace

QString Material::Caption() const
{
    return formula.isEmpty() ? name : name + QStringLiteral(" (") + formula + QLatin1Char(')');
}

void MaterialTable::Problem(const QString& path, int number, const QString& why)
{
    m_problems << (number > 0 ? QStringLiteral("%1, line %2: %3").arg(path).arg(number).arg(why)
                              : QStringLiteral("%1: %2").arg(path, why));
}

void MaterialTable::AddFile(const QString& path)
{
    QFile file(path);
    if (!file.exists()) return;
    if (file.size() > kMaxFileBytes) {
        Problem(path, 0,
                QStringLiteral("larger than %1 bytes, not a material table").arg(kMaxFileBytes));
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        Problem(path, 0, file.errorString());
        return;
    }
    const QByteArray content = file.read(kMaxFileBytes + 1);
    QStringList seen; // names of this file so far, folded
    int number = 0;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0) end = content.size();
        QByteArray line = content.mid(start, end - start);
        if (line.endsWith('\r')) line.chop(1);
        AddLine(path, ++number, line, seen);
        start = end + 1;
    }
}

void MaterialTable::AddLine(const QString& path, int number, const QByteArray& bytes,
                            QStringList& seen)
{
    if (bytes.contains('\0')) return Problem(path, number, QStringLiteral("holds a NUL byte"));
    if (bytes.size() > kMaxLineLength)
        return Problem(path, number,
                       QStringLiteral("longer than %1 characters").arg(kMaxLineLength));
    const QString text = QString::fromUtf8(bytes).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) return;

    QStringList fields = text.split(QLatin1Char('|'));
    for (QString& field : fields)
        field = field.trimmed();
    if (fields.size() < 4)
        return Problem(path, number, QStringLiteral("needs name | formula | density | Z-ratio"));
    if (fields.size() > 5 ||
        (fields.size() == 5 && fields[4].compare(kUnknownMark, Qt::CaseInsensitive) != 0))
        return Problem(path, number,
                       QStringLiteral("only \"%1\" may follow the Z-ratio").arg(kUnknownMark));

    Material m;
    m.name = fields[0];
    m.formula = fields[1];
    m.file = path;
    m.line = number;
    m.zRatioKnown = fields.size() == 4;
    if (m.name.isEmpty()) return Problem(path, number, QStringLiteral("has no name"));
    if (m.name.size() > kMaxNameLength)
        return Problem(path, number,
                       QStringLiteral("name longer than %1 characters").arg(kMaxNameLength));
    if (m.name.contains(QLatin1Char('"')))
        return Problem(path, number, QStringLiteral("name holds a double quote"));

    QString why;
    const auto density = LimitedNumber(fields[2], "density", kDensityMin, kDensityMax, why);
    if (!density) return Problem(path, number, why);
    const auto z = LimitedNumber(fields[3], "Z-ratio", kZRatioMin, kZRatioMax, why);
    if (!z) return Problem(path, number, why);
    m.density = *density;
    m.zRatio = *z;

    const QString folded = m.name.toCaseFolded();
    if (seen.contains(folded))
        return Problem(path, number,
                       QStringLiteral("\"%1\" is already listed in this file").arg(m.name));
    seen << folded;

    for (Material& existing : m_materials) {
        if (existing.name.toCaseFolded() == folded) {
            existing = m; // a later file (the user's) replaces the line in place
            return;
        }
    }
    m_materials << m;
}

std::optional<Material> MaterialTable::Find(const QString& name) const
{
    const QString folded = name.trimmed().toCaseFolded();
    if (folded.isEmpty()) return std::nullopt;
    for (const Material& m : m_materials)
        if (m.name.toCaseFolded() == folded) return m;
    return std::nullopt;
}

std::optional<Material> MaterialTable::Matching(double density, double zRatio,
                                                const QString& preferred) const
{
    std::optional<Material> first;
    const QString wanted = preferred.trimmed().toCaseFolded();
    for (const Material& m : m_materials) {
        if (!SameAtShownPrecision(m.density, density, 100) ||
            !SameAtShownPrecision(m.zRatio, zRatio, 1000))
            continue;
        if (!wanted.isEmpty() && m.name.toCaseFolded() == wanted) return m;
        if (!first) first = m;
    }
    return first;
}

QString MaterialTable::ShippedFile(const QString& exeDir)
{
    if (exeDir.isEmpty()) return {};
    QString beside = exeDir + QLatin1Char('/') + kShippedName;
    if (QFileInfo::exists(beside)) return beside;
    const QString installed = exeDir + QStringLiteral("/../share/tlv880/") + kShippedName;
    if (QFileInfo::exists(installed)) return QFileInfo(installed).absoluteFilePath();
    return {};
}

QString MaterialTable::UserFile()
{
    return ProgramFile(kUserName);
}

const MaterialTable& MaterialTable::Program()
{
    static const MaterialTable table = [] {
        MaterialTable t;
        const QString exeDir =
            QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
        const QString shipped = ShippedFile(exeDir);
        if (shipped.isEmpty())
            t.m_problems << QStringLiteral("%1 not found beside the program").arg(kShippedName);
        else
            t.AddFile(shipped);
        t.AddFile(UserFile());
        for (const QString& problem : t.m_problems)
            std::fprintf(stderr, "Material table: %s\n", qPrintable(problem));
        return t;
    }();
    return table;
}

} // namespace tlv
