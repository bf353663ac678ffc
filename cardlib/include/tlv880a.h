/* Card library tlv880a: the eighteen exports through which the programs reach the TLV-880 cards.
 *
 * Plain C functions, bound by name at run time (dlopen/dlsym on Linux). Every function returns a
 * 32-bit integer: 0 for success and 1 for a rejected argument, unless stated otherwise. Arrays are
 * owned by the caller and filled or read in place; the library keeps no pointer after a call.
 *
 * Indices are zero-based: sensors 0..23 (sensor i is channel i mod 4 of card i / 4), outputs
 * 0..11 (2k and 2k + 1 on card k) and 12, 13 (analog outputs of the master card), analog inputs
 * 0..3. Frequencies in Hz, thickness in Angstrom, rate in Angstrom/s, power a fraction 0..1.
 */
#ifndef TLV880A_H
#define TLV880A_H

#include <stdint.h>

#if defined(_WIN32)
#define TLV_API __declspec(dllexport) __stdcall
#elif defined(__GNUC__)
#define TLV_API __attribute__((visibility("default")))
#else
#define TLV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* command -1 shuts the cards down and returns 0; any other value starts the library.
 * info: 8 entries; entries 1..6 receive the firmware version of each card, entry 7 the master
 * card's version when it carries the analog section. Returns 0, 904 (no card) or 906 (no driver).
 */
TLV_API int32_t Xdc770Startup2(int32_t command, int32_t* info);
TLV_API int32_t Xdc770Init(double fmax, double fmin, double finit, double period);
TLV_API int32_t Xdc770Material(int32_t sensorMask, double density, double zFactor, double tooling);
TLV_API int32_t Xdc770MapSensors(const int32_t* map);   /* 24 entries: output per sensor */
TLV_API int32_t Xdc770MapAnSensors(const int32_t* map); /* 4 entries: output per analog input */
TLV_API int32_t Xdc770Loop2(double setpoint, double pTerm, double iTerm, double dTerm,
                            int32_t output);
TLV_API int32_t Xdc770Auto(int32_t output);
TLV_API int32_t Xdc770SetPower(int32_t output, double power);
TLV_API int32_t Xdc770FullScale(int32_t output, double volts, double maxPower, double slewRate);
TLV_API int32_t Xdc770GetPower(double* power); /* 14 entries */
TLV_API int32_t Xdc770StartMeas(void);
TLV_API int32_t Xdc770Simulate(int32_t mode);
/* readings: 72 entries (rate 0..23, thickness 24..47, frequency 48..71); power: 14 entries.
 * Returns the number of unread slots before the call, this one included; 0 when none. */
TLV_API int32_t Xdc770GetReadings(double* readings, double* power);
TLV_API int32_t Xdc770GetAnReadings(double* analog, double* power); /* 4 and 14 entries */
TLV_API int32_t Xdc770ZeroSensor(int32_t sensor);
TLV_API int32_t Xdc770Zero2(int32_t output);
TLV_API int32_t GetSwitchData(int16_t* pressed, int16_t* knobChange);
TLV_API int32_t DimBacklight(int32_t dim);

#ifdef __cplusplus
}
#endif

#endif /* TLV880A_H */
