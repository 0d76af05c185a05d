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

// The overrides of a newer-base wizard that keeps settings of its own: the model text written,
// the element initialised, the settings archived with the sheet and read from older data.
#define PARVEL_SETTINGS_WIZARD4_OVERRIDES                                              \
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override; \
    BOOL Initialize(int argument) override;                                            \
    PARVEL_SHEET_SERIALIZE                                                             \
    BOOL DoConvertWizard3Data(const void* data, long length) override;
