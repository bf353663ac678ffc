#include "common/IniDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

namespace tlv {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

// Blanks around names and values: space, tab, CR, LF, vertical tab, form feed and Ctrl-Z (the
// end-of-file mark that old editors leave at the end of a text file).
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

QByteArray trimmedBytes(const QByteArray& bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.mid(begin, end - begin);
}

QString trimmedName(const QString& name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    auto blank = [](QChar c) {
        return c.unicode() < 128 && isBlank(static_cast<char>(c.unicode()));
    };
    while (begin < end && blank(name[begin]))
        ++begin;
    while (end > begin && blank(name[end - 1]))
        --end;
    return name.mid(begin, end - begin);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    Q_UNUSED(ignored);
    return !decoder.hasError();
}

const QByteArray Utf16LeBom("\xFF\xFE");
const QByteArray Utf16BeBom("\xFE\xFF");

// The text of UTF-16 bytes (after the mark), or nothing when they are not whole UTF-16 (an odd
// byte count or an unpaired surrogate would not survive being written back).
std::optional<QString> decodeUtf16(const QByteArray& bytes, bool littleEndian)
{
    if (bytes.size() % 2 != 0) return std::nullopt;
    QStringDecoder decoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::Stateless |
                               QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return std::nullopt;
    }
    return text;
}

QByteArray encodeUtf16(const QString& text, bool littleEndian)
{
    QStringEncoder encoder(littleEndian ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
                           QStringEncoder::Flag::Stateless);
    return encoder.encode(text);
}

// Binary content: more control characters than line breaks (and more than one), counting every
// byte below 0x20 except tab, line breaks, vertical tab, form feed, Ctrl-Z and escape. Measured
// against line breaks rather than size because a write never removes a line break nor adds a
// control character: a file that loaded still loads after any value in it was changed, even a
// long value made short.
bool looksBinary(const QByteArray& bytes)
{
    qsizetype controls = 0;
    qsizetype lineBreaks = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\n' || (byte == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lineBreaks;
        else if (byte < 0x20 && !isBlank(bytes[i]) && byte != 0x1b)
            ++controls;
    }
    return controls > std::max<qsizetype>(1, lineBreaks);
}

// Where the line starting at `start` ends: at its '\n' or '\r', or at the end of the bytes.
qsizetype lineEnd(const QByteArray& bytes, qsizetype start)
{
    for (qsizetype i = start; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || bytes[i] == '\r') return i;
    return bytes.size();
}

bool isRegularFile(const QString& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(QFile::encodeName(path).toStdString(), error);
    return !error && std::filesystem::is_regular_file(status);
}

} // namespace

IniDocument IniDocument::fromBytes(const QByteArray& input)
{
    IniDocument doc;
    QByteArray bytes = input;
    auto refuse = [&](LoadResult why) {
        IniDocument refused;
        refused.m_problem = why;
        refused.m_refusedBytes = input;
        return refused;
    };
    if (bytes.startsWith(Utf8Bom)) {
        doc.m_bom = Utf8Bom;
        bytes.remove(0, Utf8Bom.size());
    } else if (bytes.startsWith(Utf16LeBom) || bytes.startsWith(Utf16BeBom)) {
        // Held as UTF-8 lines; written back in the same byte order.
        doc.m_utf16 = bytes.startsWith(Utf16LeBom) ? Utf16::LittleEndian : Utf16::BigEndian;
        doc.m_bom = bytes.left(2);
        const std::optional<QString> text =
            decodeUtf16(bytes.mid(2), doc.m_utf16 == Utf16::LittleEndian);
        if (!text) return refuse(LoadResult::Binary);
        bytes = text->toUtf8();
    }
    if (looksBinary(bytes)) return refuse(LoadResult::Binary);
    doc.m_utf8 = isValidUtf8(bytes);

    qsizetype start = 0;
    while (start < bytes.size()) {
        Line line;
        const qsizetype end = lineEnd(bytes, start);
        line.text = bytes.mid(start, end - start);
        start = end;
        if (start < bytes.size()) {
            const qsizetype breakSize =
                bytes[start] == '\r' && start + 1 < bytes.size() && bytes[start + 1] == '\n' ? 2
                                                                                             : 1;
            line.lineBreak = bytes.mid(start, breakSize);
            start += breakSize;
        }
        doc.parseLine(line);
        doc.m_lines.push_back(std::move(line));
    }
    doc.checkContent();
    if (doc.m_problem != LoadResult::Loaded) return refuse(doc.m_problem);
    return doc;
}

void IniDocument::checkContent()
{
    bool hasContent = false;
    bool sections = false;
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::Section) {
            if (line.name.contains(QChar(0))) {
                m_problem = LoadResult::NulInSection;
                return;
            }
            sections = true;
        } else if (!sections) {
            // Before the first section only comments (';' or '#') and blank lines are expected.
            const QByteArray text = trimmedBytes(line.text);
            if (!text.isEmpty() && !text.startsWith(';') && !text.startsWith('#'))
                hasContent = true;
        }
    }
    if (hasContent && !sections) m_problem = LoadResult::NoSection;
}

bool IniDocument::hasSections() const
{
    return std::any_of(m_lines.begin(), m_lines.end(),
                       [](const Line& line) { return line.kind == LineKind::Section; });
}

QString IniDocument::refusalMessage(LoadResult result, const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    switch (result) {
    case LoadResult::Loaded:
    case LoadResult::Missing:
        return {};
    case LoadResult::Unreadable:
        return name + QStringLiteral(" could not be read.");
    case LoadResult::TooLarge:
        return name + QStringLiteral(" is too large for a setup file (more than 4 MB).");
    case LoadResult::Binary:
        return name + QStringLiteral(" is not a text file.");
    case LoadResult::NulInSection:
        return name + QStringLiteral(" is damaged: a section name holds a NUL character.");
    case LoadResult::NoSection:
        return name + QStringLiteral(" is not a setup file: it has no section.");
    }
    return {};
}

IniDocument IniDocument::load(const QString& path, LoadResult* result)
{
    auto report = [result](LoadResult r) {
        if (result) *result = r;
        return IniDocument();
    };
    const QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink())) return report(LoadResult::Missing);
    // Only regular files are read: a folder, a device or a pipe (which could block forever)
    // reads as an empty file that must not be replaced.
    if (!isRegularFile(path)) return report(LoadResult::Unreadable);
    if (info.size() > MaxFileSize) return report(LoadResult::TooLarge);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return report(LoadResult::Unreadable);
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) return report(LoadResult::Unreadable);
    if (bytes.size() > MaxFileSize || bytes.count('\n') >= MaxLines) // (or grew meanwhile)
        return report(LoadResult::TooLarge);
    IniDocument doc = fromBytes(bytes);
    if (result) *result = doc.m_problem;
    return doc;
}

// Files that are not UTF-8 come from the system's Windows days: code page 1252, which is
// Latin-1 except for the printable characters it puts at 0x80..0x9F.
namespace {
const char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

QString IniDocument::decode(const QByteArray& bytes) const
{
    if (m_utf8) return QString::fromUtf8(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte < 0xA0 ? QChar(Cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

std::optional<QByteArray> IniDocument::encode(const QString& text) const
{
    if (m_utf8) return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes += static_cast<char>(u);
            continue;
        }
        const auto* found = std::find(std::begin(Cp1252High), std::end(Cp1252High), u);
        if (found == std::end(Cp1252High)) return std::nullopt;
        bytes += static_cast<char>(0x80 + (found - std::begin(Cp1252High)));
    }
    return bytes;
}

void IniDocument::convertToUtf8()
{
    if (m_utf8) return;
    for (Line& line : m_lines)
        line.text = decode(line.text).toUtf8();
    m_utf8 = true;
}

void IniDocument::parseLine(Line& line) const
{
    line.kind = LineKind::Other;
    line.name.clear();
    line.value.reset();

    const QByteArray text = trimmedBytes(line.text);
    if (text.isEmpty()) return;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = trimmedName(decode(text.mid(1, close - 1)));
            return;
        }
    }
    line.kind = LineKind::Key;
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        line.name = decode(text);
        return;
    }
    line.name = decode(trimmedBytes(text.left(equals)));
    QByteArray value = trimmedBytes(text.mid(equals + 1));
    // A value written in a matching pair of quotes loses them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    line.value = decode(value);
}

qsizetype IniDocument::findSection(const QString& section) const
{
    const QString wanted = trimmedName(section);
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i)
        if (m_lines[i].kind == LineKind::Section && sameName(m_lines[i].name, wanted)) return i;
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    const QString wanted = trimmedName(key);
    if (header < 0 || wanted.isEmpty()) return std::nullopt;
    for (qsizetype i = header + 1; i < qsizetype(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section) break;
        if (line.kind == LineKind::Key && sameName(line.name, wanted)) return line.value;
    }
    return std::nullopt;
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    for (const Line& line : m_lines)
        if (line.kind == LineKind::Section) names << line.name;
    return names;
}

QStringList IniDocument::keyNames(const QString& section) const
{
    QStringList names;
    const qsizetype header = findSection(section);
    if (header < 0) return names;
    for (qsizetype i = header + 1; i < qsizetype(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section) break;
        if (line.kind == LineKind::Key) names << line.name;
    }
    return names;
}

QByteArray IniDocument::newLineBreak() const
{
    for (const Line& line : m_lines)
        if (!line.lineBreak.isEmpty()) return line.lineBreak;
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    if (m_problem != LoadResult::Loaded) return false; // a refused file is never changed
    const QString sectionName = trimmedName(section);
    const QString keyName = trimmedName(key);
    // Names with control characters (line breaks, NUL) could not be read back as written.
    auto hasLineBreak = [](const QString& s) {
        return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x20; });
    };
    if (sectionName.isEmpty() || sectionName.contains(QLatin1Char(']')) ||
        hasLineBreak(sectionName))
        return false;
    if (keyName.isEmpty() || keyName.contains(QLatin1Char('=')) ||
        keyName.startsWith(QLatin1Char('[')) || hasLineBreak(keyName))
        return false;

    // A value is one line of text: it ends at a NUL as every read does, and line breaks and
    // other control characters (which would make the file read as binary) become spaces.
    QString oneLine =
        value.left(value.indexOf(QChar(0)) < 0 ? value.size() : value.indexOf(QChar(0)));
    for (QChar& c : oneLine)
        if (c.unicode() < 0x20 && c != QLatin1Char('\t')) c = QLatin1Char(' ');

    const QByteArray lineBreak = newLineBreak();
    auto makeLine = [&](const QByteArray& text) {
        Line line;
        line.text = text;
        line.lineBreak = lineBreak;
        parseLine(line);
        return line;
    };
    // Text the file's code page cannot hold turns the file into UTF-8 rather than losing it.
    if (!encode(sectionName + keyName + oneLine)) convertToUtf8();
    auto keyLine = [&](const QString& name) { return *encode(name + QLatin1Char('=') + oneLine); };

    const qsizetype header = findSection(sectionName);
    if (header < 0) {
        if (!m_lines.empty() && m_lines.back().lineBreak.isEmpty())
            m_lines.back().lineBreak = lineBreak;
        m_lines.push_back(makeLine(*encode(QLatin1Char('[') + sectionName + QLatin1Char(']'))));
        m_lines.push_back(makeLine(keyLine(keyName)));
        return true;
    }

    qsizetype lastFilled = header;
    qsizetype i = header + 1;
    for (; i < qsizetype(m_lines.size()) && m_lines[i].kind != LineKind::Section; ++i) {
        Line& line = m_lines[i];
        if (line.kind == LineKind::Key && sameName(line.name, keyName)) {
            // The key keeps its spelling in the file; only this line changes.
            line.text = keyLine(line.name);
            parseLine(line);
            return true;
        }
        if (!trimmedBytes(line.text).isEmpty()) lastFilled = i;
    }
    if (m_lines[lastFilled].lineBreak.isEmpty()) m_lines[lastFilled].lineBreak = lineBreak;
    m_lines.insert(m_lines.begin() + lastFilled + 1, makeLine(keyLine(keyName)));
    return true;
}

QByteArray IniDocument::toBytes() const
{
    if (m_problem != LoadResult::Loaded) return m_refusedBytes;
    QByteArray bytes;
    for (const Line& line : m_lines)
        bytes += line.text + line.lineBreak;
    if (m_utf16 != Utf16::No) {
        // Decoded keeping a leading U+FEFF as text: it is a character of the file, the file's
        // own mark is m_bom.
        QStringDecoder toText(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                        QStringDecoder::Flag::ConvertInitialBom);
        const QString text = toText(bytes);
        return m_bom + encodeUtf16(text, m_utf16 == Utf16::LittleEndian);
    }
    return m_bom + bytes;
}

bool IniDocument::save(const QString& path) const
{
    if (m_problem != LoadResult::Loaded) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

IniFileStamp IniFileStamp::of(const QString& path)
{
    IniFileStamp stamp;
    const QFileInfo info(path);
    stamp.exists = info.exists();
    if (stamp.exists) {
        stamp.size = info.size();
        stamp.modified = info.lastModified();
        stamp.changed = info.metadataChangeTime();
    }
    return stamp;
}

} // namespace tlv
