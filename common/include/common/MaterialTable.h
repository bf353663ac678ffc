#pragma once
// The film materials the programs offer by name: each with its chemical formula, density and
// Z-ratio. The table is read from a plain text file shipped with the programs ("materials.txt"
// beside the program, or in ../share/tlv880/ once installed) and from the user's own
// "user-materials.txt" in the program's folder, whose lines add materials or replace shipped
// ones of the same name. A damaged line is named (file and line) and skipped; nothing in
// either file stops a program.
//
// Line format: name | formula | density | Z-ratio [| Z unknown]; "#" starts a comment line.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

namespace tlv {

struct Material {
    QString name;       // unique in the table, matched without regard to case
    QString formula;    // e.g. "Al2O3"
    double density = 0; // g/cm³
    double zRatio = 1;
    bool zRatioKnown = true; // false: the Z-ratio is the stand-in 1.000
    QString file;            // the file the line came from
    int line = 0;            // its line number there (1-based)

    // "Aluminium (Al)": how the picker lists it, so typing either part finds it.
    QString Caption() const;
};

class MaterialTable {
public:
    // Longest accepted line and name; a longer line is damaged, never cut.
    static constexpr int kMaxLineLength = 256;
    static constexpr int kMaxNameLength = 40;
    // A file larger than this is not a material table: it is named and not read.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    // Reads one file and adds its materials: a name already in the table is replaced (a user's
    // file overrides the shipped one), a name twice in the same file keeps its first line. A
    // missing file adds nothing and is no problem; every other fault goes to Problems().
    void AddFile(const QString& path);

    const QList<Material>& Materials() const { return m_materials; }
    bool IsEmpty() const { return m_materials.isEmpty(); }
    // The material of that name (blanks around it and case ignored), or nullopt.
    std::optional<Material> Find(const QString& name) const;
    // The material whose density and Z-ratio read as these at the precision the forms show
    // them (0.01 g/cm³, 0.001). With several, the one named `preferred` when it is among them,
    // else the first in the table's order.
    std::optional<Material> Matching(double density, double zRatio,
                                     const QString& preferred = {}) const;

    // "file, line N: why" for every line skipped, in the order found.
    const QStringList& Problems() const { return m_problems; }

    // The shipped table's path for a program in exeDir: exeDir/materials.txt, else
    // exeDir/../share/tlv880/materials.txt; empty when neither exists.
    static QString ShippedFile(const QString& exeDir);
    // The user's own table: "user-materials.txt" in the program's folder.
    static QString UserFile();

    // The program's table: the shipped file, then the user's, read at the first call (on the
    // user-interface thread). Problems found are also written once to standard error.
    static const MaterialTable& Program();

private:
    void AddLine(const QString& path, int number, const QByteArray& bytes, QStringList& seen);
    void Problem(const QString& path, int number, const QString& why);

    QList<Material> m_materials;
    QStringList m_problems;
};

} // namespace tlv

Q_DECLARE_METATYPE(tlv::Material)
