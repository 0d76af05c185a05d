// The magnetic core's page settings kept outside the parameters: the eddy-current switch and
// the three eddy-current texts the user typed last, stored as the wizard's additional data.
//
// Block layout (little-endian), 24 + L1 + L2 bytes:
//
// | offset       | content                                                  |
// |--------------|----------------------------------------------------------|
// | 0            | DWORD eddy-current switch (0 off, 1 on)                  |
// | 4            | DWORD 0 (reserved)                                       |
// | 8            | DWORD L1, length of a first block (written 0)            |
// | 12           | L1 bytes first block (skipped)                           |
// | 12 + L1      | DWORD L2, length of the page archive                     |
// | 16 + L1      | page archive: DWORD 10, resistivity, coefficient 1 and 2 |
// |              | as archive strings; no class record                      |
// | 16 + L1 + L2 | DWORD 0, DWORD 0                                         |
//
// The page with fixed units writes the same layout with both lengths 0: 24 bytes, bytes 4 to
// 23 zero; reading takes only the switch from it.
#pragma once

#include "afx/afxwin.h"

#include <vector>

namespace qv::power::cores {

inline constexpr DWORD kCorePageArchiveVersion = 10;

struct EddyCurrentSettings {
    DWORD switchedOn = 0;
    // The texts shown while the switch is on; they follow only the user's typing.
    CString resistivity = "2";
    CString coefficient1 = "0";
    CString coefficient2 = "0";
};

// The block of the page with unit choice (24 + L2 bytes, L1 = 0).
std::vector<BYTE> StoreCoreAdditionalData(const EddyCurrentSettings& settings);
// The 24-byte block of the page with fixed units.
std::vector<BYTE> StoreFixedCoreAdditionalData(DWORD switchedOn);

// Reads a block into the settings. What the block does not hold, or holds malformed, leaves
// the settings' values as they are: a first block that does not fit ends the walk, and the
// three texts are taken only when the page archive reads whole within its length. With
// withArchive false only the switch is taken (the page with fixed units).
void LoadCoreAdditionalData(const BYTE* data, size_t size, EddyCurrentSettings& settings, bool withArchive = true);

}  // namespace qv::power::cores
