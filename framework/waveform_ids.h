// The value IDs of a periodic waveform's parameters, which are also the IDs of their fields
// on the page: the time functions and the independent sources describe their waves alike.
#pragma once

#include "afx/afxwin.h"

namespace qv::waveform {
constexpr WORD kIdAmplitude = 2034;
constexpr WORD kIdFrequency = 2036;
constexpr WORD kIdPeriod = 2038;
constexpr WORD kIdDelay = 2040;
constexpr WORD kIdPhase = 2042;
constexpr WORD kIdOffset = 2047;
constexpr WORD kIdPeriodical = 2049;
constexpr WORD kIdRise = 2051;
constexpr WORD kIdFall = 2053;
constexpr WORD kIdWidth = 2055;
} // namespace qv::waveform
