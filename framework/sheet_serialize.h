// The declaration of the editor's Serialize that takes the sheet version. It stands beside the
// object's own Serialize(CArchive&) on purpose; clang would call that hiding, so the warning is
// silenced for this one declaration.
#pragma once

#include "wizard/wizardbase.h"

#if defined(__clang__)
#define PARVEL_SHEET_SERIALIZE                                                \
    _Pragma("clang diagnostic push")                                          \
    _Pragma("clang diagnostic ignored \"-Woverloaded-virtual\"")              \
    void Serialize(CArchive& ar, ESheetVersion version) override;             \
    _Pragma("clang diagnostic pop")
#else
#define PARVEL_SHEET_SERIALIZE void Serialize(CArchive& ar, ESheetVersion version) override;
#endif
