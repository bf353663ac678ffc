#include "common/cIniFile.h"

#include "common/NumberFormat.h"

#include <QFileInfo>

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace {

// Values are read into a buffer of 254 characters.
constexpr qsizetype ValueLimit = 254;

QString cutValue(const QString& value)
{
    const qsizetype nul = value.indexOf(QChar(0));
    return value.left(std::min(nul < 0 ? value.size() : nul, ValueLimit));
}

// A default loses its trailing blanks before it is used as a value.
QString trimmedDefault(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

// Leading sign and decimal digits, wrapping modulo 2^32 like the system's integer read.
std::int32_t leadingInteger(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    std::uint32_t result = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        result = result * 10u + static_cast<std::uint32_t>(text[i].unicode() - '0');
    if (negative) result = 0u - result;
    return static_cast<std::int32_t>(result);
}

} // namespace

void cIniFile::setIniFile(const QString& name)
{
    const QFileInfo info(name);
    m_fileName = (!name.isEmpty() && info.exists() && !info.isDir()) ? name : QString();
}

const tlv::IniDocument& cIniFile::document()
{
    const tlv::IniFileStamp stamp = tlv::IniFileStamp::of(m_fileName);
    if (m_cachePath != m_fileName || !(stamp == m_cacheStamp)) {
        m_cache = tlv::IniDocument::load(m_fileName, &m_cacheResult);
        m_cachePath = m_fileName;
        m_cacheStamp = stamp;
    }
    return m_cache;
}

QString cIniFile::LoadError()
{
    if (m_fileName.isEmpty()) return {};
    document();
    return tlv::IniDocument::refusalMessage(m_cacheResult, m_fileName);
}

std::optional<QString> cIniFile::lookup(const QString& section, const QString& key)
{
    if (m_fileName.isEmpty()) return std::nullopt;
    const std::optional<QString> value = document().value(section, key);
    if (!value) return std::nullopt;
    return cutValue(*value);
}

QString cIniFile::rawRead(const QString& section, const QString& key, const QString& Default)
{
    const std::optional<QString> value = lookup(section, key);
    return value ? *value : cutValue(trimmedDefault(Default));
}

double cIniFile::ReadIniDouble(const QString& section, const QString& key, double Default)
{
    const std::optional<QString> value = lookup(section, key);
    if (!value || value->isEmpty()) return Default;
    return tlv::Val(*value);
}

float cIniFile::ReadIniSingle(const QString& section, const QString& key, float Default)
{
    const std::optional<QString> value = lookup(section, key);
    if (!value || value->isEmpty()) return Default;
    const double number = tlv::Val(*value);
    // A number beyond the single range cannot be held: the read ends with 0.
    if (!std::isfinite(number) || std::fabs(number) > FLT_MAX) return 0.0f;
    return static_cast<float>(number);
}

int cIniFile::ReadIniLong(const QString& section, const QString& key, int Default)
{
    const std::optional<QString> value = lookup(section, key);
    if (!value || value->isEmpty()) return Default;
    return leadingInteger(*value);
}

short cIniFile::ReadIniInt(const QString& section, const QString& key, short Default)
{
    const std::optional<QString> value = lookup(section, key);
    if (!value || value->isEmpty()) return Default;
    const std::int32_t number = leadingInteger(*value);
    // Beyond the 16-bit range the read ends with 0.
    if (number < -32768 || number > 32767) return 0;
    return static_cast<short>(number);
}

bool cIniFile::ReadIniBool(const QString& section, const QString& key, const QString& Default)
{
    const QString value = rawRead(section, key, Default).toUpper();
    return value == QLatin1String("TRUE") || value == QLatin1String("YES") ||
           value == QLatin1String("ON") || value == QLatin1String("1");
}

QString cIniFile::ReadIniStr(const QString& section, const QString& key, const QString& Default,
                             short field)
{
    QString value = rawRead(section, key, Default);
    if (value.isEmpty()) return Default;
    if (field <= 0) return value;
    const QStringList fields = value.split(QLatin1Char(','));
    return fields[std::min<qsizetype>(field, fields.size()) - 1];
}

short cIniFile::WriteIniStr(const QString& section, const QString& key, const QString& value)
{
    if (m_fileName.isEmpty()) return 0;
    tlv::IniDocument::LoadResult loaded;
    tlv::IniDocument doc = tlv::IniDocument::load(m_fileName, &loaded);
    // A file that could not be read completely is never replaced: its contents would be lost.
    if (tlv::IniDocument::isRefused(loaded)) return 0;
    if (!doc.setValue(section, key, value) || !doc.save(m_fileName)) return 0;
    m_cache = std::move(doc);
    m_cacheResult = tlv::IniDocument::LoadResult::Loaded;
    m_cachePath = m_fileName;
    m_cacheStamp = tlv::IniFileStamp::of(m_fileName);
    return 1;
}
