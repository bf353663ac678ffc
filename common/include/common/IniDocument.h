#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace tlv {

// The project's own INI reader and writer (sections in square brackets, key=value lines).
//
// Reading rules: lines end at '\n' ('\r' before it is dropped); a UTF-8 byte-order mark is
// skipped; a line whose first non-blank character is '[' and that holds a ']' starts a section
// named by the text between '[' and the last ']' (blanks around the name ignored); other lines
// are key lines: the key is the text before the first '=', the value the text after it, both
// with blanks (space, tab, CR, form feed, vertical tab, Ctrl-Z) removed at both ends; a value
// enclosed in a matching pair of ' or " loses the pair. Names compare without regard to case;
// the first matching section and, in it, the first matching key win. A line without '=' is a
// key without value (reads give the default). Lines before the first section belong to no
// section. A file that is not valid UTF-8 is read as code page 1252 (Latin-1 with printable
// characters at 0x80..0x9F) and written back in it; a write of text that code page cannot hold
// converts the whole file to UTF-8.
//
// Writing keeps every other line byte for byte: an existing key line is replaced by "key=value"
// (with the key as it was spelled in the file), a new key goes after the last non-blank line of
// its section, a new section is appended at the end of the file.
class IniDocument {
public:
    // Files larger than this read as empty and are never rewritten (nothing is lost).
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
    // Files with more lines than this are treated like oversized files (bounds the memory a
    // file of millions of empty lines would take).
    static constexpr qsizetype MaxLines = 100000;

    IniDocument() = default;
    // Parses bytes already in memory (used by the fuzz target and the tests).
    static IniDocument fromBytes(const QByteArray& bytes);

    // Result of loading a file: a missing file is an empty document that may be written; an
    // unreadable or oversized file is an empty document that must not be rewritten.
    enum class LoadResult { Loaded, Missing, Unreadable, TooLarge };
    static IniDocument load(const QString& path, LoadResult* result = nullptr);

    // The value of section/key, or nothing when the section or key is missing or the key line
    // has no '='. Comparisons ignore case and surrounding blanks of the names.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Sets key=value (see the class comment). Returns false when the section or key name cannot
    // be stored in a file of this format (empty key, '=' in the key, ']' in the section, a line
    // break in either).
    bool setValue(const QString& section, const QString& key, const QString& value);

    // The whole document as bytes, every untouched line exactly as it was read.
    QByteArray toBytes() const;

    // Writes the document to `path` through a temporary file renamed over the old one.
    bool save(const QString& path) const;

    bool isEmpty() const { return m_lines.empty(); }

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        QByteArray text;      // the line without its line break, exactly as read
        QByteArray lineBreak; // "\r\n", "\n" or empty for a last line without one
        LineKind kind = LineKind::Other;
        QString name;                 // section or key name, blanks removed
        std::optional<QString> value; // key lines with '=': the value as read
    };
    void parseLine(Line& line) const;
    qsizetype findSection(const QString& section) const;
    QString decode(const QByteArray& bytes) const;
    // Text in the file's encoding, or nothing when the encoding cannot hold it.
    std::optional<QByteArray> encode(const QString& text) const;
    void convertToUtf8();
    QByteArray newLineBreak() const;

    std::vector<Line> m_lines;
    QByteArray m_bom;   // a leading UTF-8 byte-order mark, written back as it was
    bool m_utf8 = true; // false when the file held bytes that are not valid UTF-8
};

// Size and modification time of a file, to know when a cached document is out of date.
struct IniFileStamp {
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QDateTime changed;
    static IniFileStamp of(const QString& path);
    bool operator==(const IniFileStamp&) const = default;
};

} // namespace tlv
