// Value IDs that every electrical source shares: the results it can output.
#pragma once

#include "afx/afx.h"

namespace qv::sources {
constexpr WORD kIdOutputVoltage = 2018;
constexpr WORD kIdOutputCurrent = 2019;
} // namespace qv::sources
