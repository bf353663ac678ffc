// The binding to the real card library: dlopen on first use, dlsym per export on its first call.

#include "instrument/LibraryBinding.h"

#include "tlv880a.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace tlv {

QString libraryFileName()
{
#if defined(_WIN32)
    return QStringLiteral("TLV880a.dll");
#else
    return QStringLiteral("libtlv880a.so");
#endif
}

namespace {

// One export: its name and, after the first call, its address or the fact that it is missing.
struct ExportSlot {
    const char* name;
    void* address = nullptr;
    bool looked = false;
};

class DynamicLibraryBinding final : public LibraryBinding {
public:
    BoundResult Xdc770Startup2(int command, int* info) override
    {
        return call<decltype(&::Xdc770Startup2)>(m_startup2, command, info);
    }
    BoundResult Xdc770Init(double fmax, double fmin, double finit, double period) override
    {
        return call<decltype(&::Xdc770Init)>(m_init, fmax, fmin, finit, period);
    }
    BoundResult Xdc770Material(int mask, double density, double z, double tooling) override
    {
        return call<decltype(&::Xdc770Material)>(m_material, mask, density, z, tooling);
    }
    BoundResult Xdc770MapSensors(const int* map) override
    {
        return call<decltype(&::Xdc770MapSensors)>(m_mapSensors, map);
    }
    BoundResult Xdc770MapAnSensors(const int* map) override
    {
        return call<decltype(&::Xdc770MapAnSensors)>(m_mapAnSensors, map);
    }
    BoundResult Xdc770Loop2(double sp, double p, double i, double d, int output) override
    {
        return call<decltype(&::Xdc770Loop2)>(m_loop2, sp, p, i, d, output);
    }
    BoundResult Xdc770SetPower(int output, double power) override
    {
        return call<decltype(&::Xdc770SetPower)>(m_setPower, output, power);
    }
    BoundResult Xdc770FullScale(int output, double volts, double maxPower, double slewRate) override
    {
        return call<decltype(&::Xdc770FullScale)>(m_fullScale, output, volts, maxPower, slewRate);
    }
    BoundResult Xdc770GetPower(double* power) override
    {
        return call<decltype(&::Xdc770GetPower)>(m_getPower, power);
    }
    BoundResult Xdc770StartMeas() override
    {
        return call<decltype(&::Xdc770StartMeas)>(m_startMeas);
    }
    BoundResult Xdc770Simulate(int mode) override
    {
        return call<decltype(&::Xdc770Simulate)>(m_simulate, mode);
    }
    BoundResult Xdc770GetReadings(double* readings, double* power) override
    {
        return call<decltype(&::Xdc770GetReadings)>(m_getReadings, readings, power);
    }
    BoundResult Xdc770GetAnReadings(double* analog, double* power) override
    {
        return call<decltype(&::Xdc770GetAnReadings)>(m_getAnReadings, analog, power);
    }
    BoundResult Xdc770ZeroSensor(int sensor) override
    {
        return call<decltype(&::Xdc770ZeroSensor)>(m_zeroSensor, sensor);
    }
    BoundResult Xdc770Zero2(int output) override
    {
        return call<decltype(&::Xdc770Zero2)>(m_zero2, output);
    }
    BoundResult GetSwitchData(short* pressed, short* knobChange) override
    {
        return call<decltype(&::GetSwitchData)>(m_switchData, pressed, knobChange);
    }
    BoundResult DimBacklight(int dim) override
    {
        return call<decltype(&::DimBacklight)>(m_dimBacklight, dim);
    }

    QString failureMessage() const override { return m_failure; }

private:
    template <typename Fn, typename... Args> BoundResult call(ExportSlot& slot, Args... args)
    {
        void* address = resolve(slot);
        if (!address) return std::nullopt;
        return static_cast<int>(reinterpret_cast<Fn>(address)(args...));
    }

    void* resolve(ExportSlot& slot)
    {
        if (!slot.looked) {
            slot.looked = true;
            if (void* handle = load()) slot.address = dlsym(handle, slot.name);
        }
        if (slot.address) return slot.address;
        if (m_handle)
            m_failure = QStringLiteral("The card library %1 has no export %2.")
                            .arg(m_path, QString::fromLatin1(slot.name));
        else
            m_failure = m_loadFailure;
        return nullptr;
    }

    // The library is loaded once and kept for the life of the process: its threads and the
    // addresses already resolved must stay valid.
    void* load()
    {
        if (m_loadTried) return m_handle;
        m_loadTried = true;
        QStringList tried;
        const QString explicitFile = qEnvironmentVariable("TLV880_LIBRARY");
        if (!explicitFile.isEmpty()) {
            tryOpen(explicitFile, tried);
        } else {
            if (QCoreApplication::instance()) {
                const QString beside =
                    QDir(QCoreApplication::applicationDirPath()).filePath(libraryFileName());
                if (QFileInfo::exists(beside)) tryOpen(beside, tried);
            }
            if (!m_handle) tryOpen(libraryFileName(), tried);
        }
        if (!m_handle)
            m_loadFailure = QStringLiteral("The card library %1 could not be loaded (%2).")
                                .arg(explicitFile.isEmpty() ? libraryFileName() : explicitFile,
                                     tried.join(QStringLiteral("; ")));
        return m_handle;
    }

    void tryOpen(const QString& file, QStringList& tried)
    {
        dlerror();
        m_handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle) {
            m_path = file;
            return;
        }
        const char* reason = dlerror();
        tried << (reason ? QString::fromLocal8Bit(reason) : file);
    }

    void* m_handle = nullptr;
    bool m_loadTried = false;
    QString m_path;
    QString m_loadFailure;
    QString m_failure;

    ExportSlot m_startup2{"Xdc770Startup2"};
    ExportSlot m_init{"Xdc770Init"};
    ExportSlot m_material{"Xdc770Material"};
    ExportSlot m_mapSensors{"Xdc770MapSensors"};
    ExportSlot m_mapAnSensors{"Xdc770MapAnSensors"};
    ExportSlot m_loop2{"Xdc770Loop2"};
    ExportSlot m_setPower{"Xdc770SetPower"};
    ExportSlot m_fullScale{"Xdc770FullScale"};
    ExportSlot m_getPower{"Xdc770GetPower"};
    ExportSlot m_startMeas{"Xdc770StartMeas"};
    ExportSlot m_simulate{"Xdc770Simulate"};
    ExportSlot m_getReadings{"Xdc770GetReadings"};
    ExportSlot m_getAnReadings{"Xdc770GetAnReadings"};
    ExportSlot m_zeroSensor{"Xdc770ZeroSensor"};
    ExportSlot m_zero2{"Xdc770Zero2"};
    ExportSlot m_switchData{"GetSwitchData"};
    ExportSlot m_dimBacklight{"DimBacklight"};
};

} // namespace

std::shared_ptr<LibraryBinding> makeLibraryBinding()
{
    return std::make_shared<DynamicLibraryBinding>();
}

} // namespace tlv
