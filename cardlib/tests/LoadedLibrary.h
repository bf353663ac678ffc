// The eighteen exports bound by name from libtlv880a.so with dlopen/dlsym, knowing nothing but
// their C signatures, as the programs bind them.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tlv880::test {

struct LoadedLibrary {
    int32_t (*Xdc770Startup2)(int32_t, int32_t*);
    int32_t (*Xdc770Init)(double, double, double, double);
    int32_t (*Xdc770Material)(int32_t, double, double, double);
    int32_t (*Xdc770MapSensors)(const int32_t*);
    int32_t (*Xdc770MapAnSensors)(const int32_t*);
    int32_t (*Xdc770Loop2)(double, double, double, double, int32_t);
    int32_t (*Xdc770Auto)(int32_t);
    int32_t (*Xdc770SetPower)(int32_t, double);
    int32_t (*Xdc770FullScale)(int32_t, double, double, double);
    int32_t (*Xdc770GetPower)(double*);
    int32_t (*Xdc770StartMeas)();
    int32_t (*Xdc770Simulate)(int32_t);
    int32_t (*Xdc770GetReadings)(double*, double*);
    int32_t (*Xdc770GetAnReadings)(double*, double*);
    int32_t (*Xdc770ZeroSensor)(int32_t);
    int32_t (*Xdc770Zero2)(int32_t);
    int32_t (*GetSwitchData)(int16_t*, int16_t*);
    int32_t (*DimBacklight)(int32_t);

    void* handle = nullptr;

    explicit LoadedLibrary(const char* path)
    {
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(std::string("dlopen: ") + dlerror());
        bind(Xdc770Startup2, "Xdc770Startup2");
        bind(Xdc770Init, "Xdc770Init");
        bind(Xdc770Material, "Xdc770Material");
        bind(Xdc770MapSensors, "Xdc770MapSensors");
        bind(Xdc770MapAnSensors, "Xdc770MapAnSensors");
        bind(Xdc770Loop2, "Xdc770Loop2");
        bind(Xdc770Auto, "Xdc770Auto");
        bind(Xdc770SetPower, "Xdc770SetPower");
        bind(Xdc770FullScale, "Xdc770FullScale");
        bind(Xdc770GetPower, "Xdc770GetPower");
        bind(Xdc770StartMeas, "Xdc770StartMeas");
        bind(Xdc770Simulate, "Xdc770Simulate");
        bind(Xdc770GetReadings, "Xdc770GetReadings");
        bind(Xdc770GetAnReadings, "Xdc770GetAnReadings");
        bind(Xdc770ZeroSensor, "Xdc770ZeroSensor");
        bind(Xdc770Zero2, "Xdc770Zero2");
        bind(GetSwitchData, "GetSwitchData");
        bind(DimBacklight, "DimBacklight");
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // Unloads the library; the library stops and joins its threads on the way out.
    int close()
    {
        const int result = handle ? dlclose(handle) : 0;
        handle = nullptr;
        return result;
    }
    ~LoadedLibrary() { close(); }

private:
    template <typename F> void bind(F& function, const char* name)
    {
        void* symbol = dlsym(handle, name);
        if (!symbol) throw std::runtime_error(std::string("missing export ") + name);
        function = reinterpret_cast<F>(symbol);
    }
};

} // namespace tlv880::test
