// Shared ground of the tests of the time-function pages besides the sine: the parameter
// sets of the saw-tooth, trapezoid, arc tangent, needle pulse and VCO, and page blocks.
#pragma once

#include "timefunctions_support.h"
#include "timefunctions/wave_pages.h"

namespace wave_test {

using namespace tf_test;

// The periodic waves and the trapezoid: the sine's rows, and the saw-tooth's default ramp.
inline std::vector<ParamRow> WaveRows(const char* ramp = "0") {
    std::vector<ParamRow> rows = kSineRows;
    rows.push_back({.id = 1000, .name = "RAMP", .value = ramp, .type = 0x0});
    return rows;
}

inline const std::vector<ParamRow> kArcTangRows = {
    {.id = 2209, .name = "LIMY", .value = "1", .type = 0x4, .quantity = "Angle", .unit = "rad"},
    {.id = 2010, .name = "FX", .value = "1", .type = 0x4},
    {.id = 2211, .name = "XOFF", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "rad"},
    {.id = 2213, .name = "YOFF", .value = "0", .type = 0x4},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
};

inline const std::vector<ParamRow> kNeedleRows = {
    {.id = 2034, .name = "AMPL", .value = "1", .type = 0x4},
    {.id = 2036, .name = "FREQ", .value = "1k", .type = 0x4, .quantity = "Frequency", .unit = "Hz"},
    {.id = 2040, .name = "TDELAY", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2042, .name = "TNEEDLE", .value = "0.25m", .type = 0x4, .quantity = "Time", .unit = "s"},
    {.id = 2047, .name = "OFF", .value = "0", .type = 0x4},
    {.id = 2049, .name = "PERIO", .value = "1", .type = 0x4},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
};

inline std::vector<ParamRow> VCORows(const char* lower, const char* upper) {
    return {
        {.id = 2186, .name = "IN", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"},
        {.id = 2151, .name = "VMAX", .value = upper, .type = 0x4, .quantity = "Voltage", .unit = "V"},
        {.id = 2152, .name = "VMIN", .value = lower, .type = 0x4, .quantity = "Voltage", .unit = "V"},
        {.id = 2034, .name = "AMPL", .value = "1", .type = 0x4},
        {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "rad"},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    };
}

// A page block: class record of the given schema (none for schema 0), the version DWORD
// (only with a class record), then the body.
inline Bytes PageBlock(const std::string& className, WORD schema, DWORD version, const Bytes& body) {
    Bytes out;
    if (schema != 0) {
        NewClass(out, className, schema);
        Dword(out, version);
    }
    Append(out, body);
    return out;
}

// Older element data: the first word (the ramp of the periodic waves), a word, a skipped
// block, the page block, and the trailing word when asked for.
inline Bytes OlderData(DWORD first, const Bytes& skipped, const Bytes& page, bool trailing = true) {
    Bytes out = Dwords({first, 8});
    Block(out, skipped);
    Block(out, page);
    if (trailing) Dword(out, 9);
    return out;
}

template <class Page>
Bytes StoredPage(Page& page) {
    return Stored([&](CArchive& ar) { page.Serialize(ar); });
}

} // namespace wave_test
