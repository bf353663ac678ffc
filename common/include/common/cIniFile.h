#pragma once

#include "common/IniDocument.h"

#include <QString>

#include <optional>

// Typed access to one setup (INI) file (one object per user-interface thread; not shared). All
// three programs read and write their setup files through this class. Every read is tolerant: a
// missing file, section or key gives the default, and nothing is ever reported to the caller.
// Section and key names are compared without regard to case. Values are cut at 254 characters.
//
// The file is read through IniDocument (bounded: damaged, binary or oversized files read as empty)
// and cached between calls while its size and modification time stay the same.
class cIniFile {
public:
    cIniFile() = default;

    // Reads the value as text and converts it the way a number is read from the start of a text
    // ("12.5 mm" gives 12.5, "abc" gives 0). A missing or empty value gives `Default`.
    float ReadIniSingle(const QString& section, const QString& key, float Default);
    // Like ReadIniSingle with double precision (for values the programs keep as doubles).
    double ReadIniDouble(const QString& section, const QString& key, double Default);

    // Integer read: leading whitespace, an optional sign and the leading decimal digits ("12abc"
    // gives 12, "abc" gives 0); a missing or empty value gives `Default`. A value outside the
    // 16-bit range gives 0.
    short ReadIniInt(const QString& section, const QString& key, short Default);
    // 32-bit integer read (bit fields): same rules, the digits wrap modulo 2^32.
    int ReadIniLong(const QString& section, const QString& key, int Default);

    // "TRUE", "YES", "ON", "1" (any case) give true; everything else, including "FALSE", "NO",
    // "OFF", "0" and an empty value, gives false. A missing key uses `Default` as the text.
    bool ReadIniBool(const QString& section, const QString& key, const QString& Default);

    // Writes key=value into the section, creating the file, section or key as needed; every
    // other line of the file stays byte for byte as it was. The new file is written beside the
    // old one and renamed over it, so a crash never leaves half a file. Line breaks inside the
    // value are written as spaces (a value is one line). Returns nonzero on success, 0 when no
    // file is selected, the name or file cannot be written, or the existing file is too large
    // or unreadable to be rewritten without losing its contents.
    short WriteIniStr(const QString& section, const QString& key, const QString& value);

    // Field 0: the whole value. Field n >= 1: the n-th comma-separated field (spaces kept); when
    // the value has fewer fields, the last one. A missing key reads `Default` (its trailing
    // blanks removed) and picks the field from it; an empty result gives `Default` itself.
    QString ReadIniStr(const QString& section, const QString& key, const QString& Default,
                       short field = 0);

    // The selected file. setIniFile stores the name only when a file of that name exists;
    // otherwise the name becomes empty and every read gives its default.
    QString IniFile() const { return m_fileName; }
    void setIniFile(const QString& name);

private:
    // Raw read: the value cut at 254 characters and at its first NUL, or `Default` (trailing
    // blanks removed) when the key is missing or has no '='.
    QString rawRead(const QString& section, const QString& key, const QString& Default);
    std::optional<QString> lookup(const QString& section, const QString& key);
    const tlv::IniDocument& document();

    QString m_fileName;
    // The last document read from m_cachePath, valid while the file's stamp is unchanged.
    QString m_cachePath;
    tlv::IniDocument m_cache;
    tlv::IniFileStamp m_cacheStamp;
};
