// libFuzzer target for the INI reader and writer and the number routines that read its values.
// Any input must parse without a crash, write back byte for byte when untouched, and keep a
// written key readable.
#include "common/IniDocument.h"
#include "common/NumberFormat.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

// A short plain name taken from the input, so writes address sections and keys that exist.
QString plainName(const QByteArray& bytes, qsizetype from, const char* fallback)
{
    QString name;
    for (qsizetype i = from; i < bytes.size() && name.size() < 8; ++i) {
        const char c = bytes[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            name += QLatin1Char(c);
    }
    return name.isEmpty() ? QString::fromLatin1(fallback) : name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tlv::IniDocument doc = tlv::IniDocument::fromBytes(bytes);
    require(doc.toBytes() == bytes, "untouched document writes back byte for byte");
    if (doc.problem() != tlv::IniDocument::LoadResult::Loaded) {
        require(doc.isEmpty(), "a refused document reads as empty");
        require(
            !doc.setValue(QStringLiteral("Card"), QStringLiteral("Filter"), QStringLiteral("4")),
            "a refused document accepts no write");
        require(doc.toBytes() == bytes, "a refused document keeps its bytes");
        return 0;
    }

    const QString section = plainName(bytes, 0, "Card");
    const QString key = plainName(bytes, qsizetype(size / 2), "Filter");
    if (const std::optional<QString> value = doc.value(section, key)) {
        const double number = tlv::Val(*value);
        tlv::Format(number, value->left(12));
        tlv::FormatThickness(number);
        tlv::FormatRate(number);
        tlv::NumberText(number);
    }
    // Arbitrary text as section, key and value: accepted or refused, never a broken file.
    const QString raw = QString::fromUtf8(bytes.left(64));
    doc.setValue(raw, raw, raw);

    const QString value = plainName(bytes, qsizetype(size / 3), "42");
    require(doc.setValue(section, key, value), "plain names are always accepted");
    require(doc.value(section, key) == value, "a written key reads back");
    const tlv::IniDocument reread = tlv::IniDocument::fromBytes(doc.toBytes());
    require(reread.problem() == tlv::IniDocument::LoadResult::Loaded,
            "a document written by the engine is never refused");
    require(reread.value(section, key) == value, "a written key reads back from the file");
    return 0;
}
