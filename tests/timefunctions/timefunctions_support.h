// Shared ground of the time-function and source-block tests: the parameter sets of the sine
// and the constant block, on top of the source tests' fixture (plug-in resources, a
// protocol-checking editor) and byte builders.
#pragma once

#include "tests/sources/sources_support.h"
#include "timefunctions/source_blocks.h"
#include "timefunctions/time_functions.h"
#include "tests/support/exact_buffer.h"
#include "tests/support/wizard_on_sheet.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tf_test {

using namespace sources_test;

// The sine as the catalogue defines it (the phase is typed in degrees, kept in radians).
inline const std::vector<ParamRow> kSineRows = {
    {.id = 2034, .name = "AMPL", .value = "1", .type = 0x4},
    {.id = 2036, .name = "FREQ", .value = "50", .type = 0x4, .quantity = "Frequency", .unit = "Hz"},
    {.id = 2038, .name = "TPERIO", .value = "0.02", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2040, .name = "TDELAY", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "rad"},
    {.id = 2047, .name = "OFF", .value = "0", .type = 0x4},
    {.id = 2049, .name = "PERIO", .value = "1", .type = 0x4},
    {.id = 2051, .name = "TRISE", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2053, .name = "TFALL", .value = "2m", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2055, .name = "PWIDTH", .value = "8m", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8, .description = "Sine Wave"},
};

// A source block's own rows followed by what the constant, step and random blocks all end
// with: the sample time, the AC use (magnitude, phase; the real and imaginary part unused until
// asked for) and the output.
inline std::vector<ParamRow> WithSampleTimeACAndOutput(std::vector<ParamRow> own, const char* re, const char* im) {
    own.insert(own.end(), {
        {.id = 2183, .name = "TS", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s"},
        {.id = 2425, .name = "AC_MAG", .value = "0", .type = 0x4},
        {.id = 2434, .name = "AC_PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
        {.id = 2430, .name = "AC_RE", .value = re, .type = 0x4, .extType = kUnused},
        {.id = 2432, .name = "AC_IM", .value = im, .type = 0x4, .extType = kUnused},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    });
    return own;
}

// The constant block.
inline const std::vector<ParamRow> kConstantRows =
    WithSampleTimeACAndOutput({{.id = 2028, .name = "CONST", .value = "1", .type = 0x4}}, "0", "0");

// A sine page block: class record (or none for schema 0), version, amplitude mode, RMS text,
// period given, and the phase unit for versions 1 to 9.
inline Bytes SinePageBlock(WORD schema, DWORD version, DWORD amplitude, const std::string& rms, DWORD given,
                           DWORD phaseUnit) {
    Bytes out;
    if (schema != 0) {
        NewClass(out, "CPropTFMSine", schema);
        Dword(out, version);
    }
    Dword(out, amplitude);
    Str(out, rms);
    Dword(out, given);
    if (schema != 0 && version >= 1 && version <= 9) Dword(out, phaseUnit);
    return out;
}

// Older element data around a page block: two words, a skipped block, the page block, a
// trailing word.
inline Bytes OlderSineData(const Bytes& skipped, const Bytes& page) {
    Bytes out = Dwords({7, 8});
    Block(out, skipped);
    Block(out, page);
    Dword(out, 9);
    return out;
}

// The curve an oracle script prints as "x y" lines, run by Debian's python3 (with Debian's
// numpy, which scripts/install-deps installs) with the arguments.
inline std::vector<qv::timefunctions::CurvePoint> OracleCurve(const char* script, const std::string& arguments) {
    const std::string command = std::string("/usr/bin/python3 '") + script + "' " + arguments;
    std::vector<qv::timefunctions::CurvePoint> points;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return points;
    double x = 0.0;
    double y = 0.0;
    while (std::fscanf(pipe, "%lf %lf", &x, &y) == 2) points.push_back({x, y});
    EXPECT_EQ(0, pclose(pipe)) << "the oracle needs python3 with numpy (scripts/install-deps installs it)";
    return points;
}

} // namespace tf_test
