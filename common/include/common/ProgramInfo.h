#pragma once

#include <QString>

namespace tlv {

// What a program tells the shared routines about itself, once, at the start of main().
struct ProgramInfo {
    QString title;       // "coflux", "tlvmonitor", "tlvmulti": names the user's settings
    QString productName; // "TLV-880 Monitor": window captions and the about box
    int major = 1;
    int minor = 0;
    int revision = 0;
    QString legalNotice; // the about box's second line
};

// Stores the program's description; also sets QCoreApplication's application name to the title
// when an application object exists.
void SetProgramInfo(const ProgramInfo& info);
// The stored description. Before SetProgramInfo the title is QCoreApplication::applicationName()
// and the product name equals the title.
ProgramInfo Program();

// The folder of the program's setup and INI files: $TLV880_HOME when set; else the executable's
// folder when it is writable; else the per-user application data folder (created on demand).
// Never ends in a separator.
QString ProgramFolder();
// The same rule for a program in exeDir, with TLV880_HOME left aside: exeDir when it is writable
// and not an installed program's folder, else the per-user data folder.
QString ProgramFolderFor(const QString& exeDir);
// ProgramFolder() + "/" + name.
QString ProgramFile(const QString& name);

// The version of the package the programs are built and shipped in, e.g. "1.0.0": what
// --version prints and what remote clients are told.
QString PackageVersion();

} // namespace tlv
