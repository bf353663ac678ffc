#include "CofluxProgram.h"

#include "common/ProgramInfo.h"

namespace coflux {

void InstallProgramInfo()
{
    tlv::ProgramInfo info;
    info.title = QString::fromLatin1(kProgramTitle);
    info.productName = QString::fromLatin1(kProductName);
    info.major = 1;
    info.minor = 0;
    info.revision = 0;
    info.legalNotice = QStringLiteral("Copyright (C) TLV-880 software team. All rights reserved.");
    tlv::SetProgramInfo(info);
}

std::unique_ptr<QSettings> ProgramSettings()
{
    return std::make_unique<QSettings>(QStringLiteral("TLV880"),
                                       QString::fromLatin1(kProgramTitle));
}

} // namespace coflux
