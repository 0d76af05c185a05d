// Linear voltage source (wizard ID 3) and linear current source (wizard ID 4): a constant
// value or one of six periodic time functions, with AC parameters on a second page. The
// wizards, their shared page (dialog 101) with one variant per element, and the parameters
// they address.
//
// Parameters the two elements expect (value ID = dialog control):
//
// | Value ID | Voltage (3)  | Current (4) | Type        | Role                                     |
// |----------|--------------|-------------|-------------|------------------------------------------|
// | 2028     | "EMF" (or "P") | "IS"      | 0x4 / 0x8   | constant value; an output while time-controlled |
// | 2034     | "AMPL"       | "AMPL"      | 0x4         | amplitude; its presence offers the time functions |
// | 2036     | "FREQ"       | "FREQ"      | 0x4         | frequency                                |
// | 2038     | "TPERIO"     | "TPERIO"    | 0x4         | period (derived unless "Period" is ticked) |
// | 2040     | "TDELAY"     | "TDELAY"    | 0x4         | delay                                    |
// | 2042     | "PHASE"      | "PHASE"     | 0x4         | phase                                    |
// | 2047     | "OFF"        | "OFF"       | 0x4         | offset                                   |
// | 2049     | "PERIO"      | "PERIO"     | 0x4         | periodical: "1" or "0"                   |
// | 2051     | "TRISE"      | "TRISE"     | 0x4         | rise time (trapezoid)                    |
// | 2053     | "TFALL"      | "TFALL"     | 0x4         | fall time (trapezoid)                    |
// | 2055     | "PWIDTH"     | "PWIDTH"    | 0x4         | pulse width (trapezoid)                  |
// | 2305     | "PARTDERIV"  | "PARTDERIV" | 0x4         | partial derivation: "1" or "0"           |
// | 2472     | "SPC"        | -           | 0x4         | SPICE compatible: "1" or "0"             |
// | 2425     | "AC_MAG"     | "AC_MAG"    | 0x4         | AC magnitude (AC page)                   |
// | 2434     | "AC_PHASE"   | "AC_PHASE"  | 0x4         | AC phase (AC page)                       |
// | 2430     | "AC_RE"      | "AC_RE"     | 0x4         | AC real part (AC page)                   |
// | 2432     | "AC_IM"      | "AC_IM"     | 0x4         | AC imaginary part (AC page)              |
// | 2018     | voltage      | voltage     | 0x8         | default output ("SDB")                   |
// | 2019     | current      | current     | 0x8         | default output ("SDB")                   |
//
// The element's template contains "IMMANENT"; its model text carries "@TYPE" and
// "@PARAMLIST" ("@TYPE@NAME ( @PARAMLIST);"). The keywords for "@TYPE" end in a blank.
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_parameters.h"
#include "framework/element_page.h"
#include "framework/sheet_serialize.h"
#include "framework/template_wizard.h"
#include "sources/source_outputs.h"
#include "sources/time_source_page.h"
#include "sources/time_source_wizard.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::sources {
constexpr WORD kIdPartialDerivation = 2305;
constexpr WORD kIdSpice = 2472;
constexpr WORD kIdOutputValue = 2056;
constexpr UINT kLinearSourceTemplate = 101;

// Archived snapshot lists are refused beyond this many entries.
constexpr DWORD kMaxSnapshots = 10000;
} // namespace qv::sources

class CPropLinearSource;

// The linear sources' wizard base: the shared settings with an amplitude mode and a fixed
// period, archived in this family's layout.
class CLinearSourceWizardBase4 : public CTimeSourceWizardBase4 {
    DECLARE_DYNAMIC(CLinearSourceWizardBase4)
public:
    CLinearSourceWizardBase4() = default;
    // The copy used by Clone; a null source gives the defaults.
    explicit CLinearSourceWizardBase4(const CLinearSourceWizardBase4* other);

    CWizardBase4* Clone() override = 0;
    // Sheet version 4: the AC base's block, then WORD schema 1, DWORD kind, DWORD list
    // selection, DWORD period fixed, CString RMS text, DWORD amplitude mode, DWORD n, n
    // snapshots, DWORD AC use.
    PARVEL_SHEET_SERIALIZE

    // The page's settings on apply; the snapshots are copied (none for a null list).
    void SetSourceSettings(int kind, DWORD amplitudeMode, CString rmsText, BOOL periodFixed, int listSelection,
                           const CPtrArray* snapshots, BOOL acUse) {
        TakeSettings(kind, amplitudeMode, rmsText, periodFixed, listSelection, snapshots, acUse);
    }

    DWORD GetSchema() const { return m_dwSchema; }
    DWORD GetAmplitudeMode() const { return m_dwAmplitude; }
    BOOL GetPeriodFixed() const { return m_bPeriodGiven; }
    int GetListSelection() const { return m_nListSelection; }

protected:
    DWORD m_dwSchema = 1;
};

class CPropLinearSource : public TTimeSourcePage<CLinearSourceWizardBase4> {
    DECLARE_SERIAL(CPropLinearSource)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropLinearSource, CLinearSourceWizardBase4)

    // Page block of older data: class record "CPropLinearSource", DWORD page version,
    // DWORD amplitude mode, CString RMS text, DWORD period fixed, DWORD phase unit (versions
    // 1 to 9 only), DWORD list selection (read from version 9 on).
    PARVEL_TIME_SOURCE_PAGE_OVERRIDES

    // The wizard's settings before the dialog exists; the snapshots are copied.
    void SetSourceSettings(int kind, DWORD amplitudeMode, CString rmsText, BOOL periodFixed, int listSelection,
                           const CPtrArray* snapshots, BOOL acUse) {
        TakeSettings(kind, static_cast<BOOL>(amplitudeMode), rmsText, periodFixed, listSelection, snapshots, acUse);
    }
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);

    int GetKind() const { return m_nKind; }
    DWORD GetAmplitudeMode() const { return static_cast<DWORD>(m_bAmplitudeGiven); }
    BOOL GetPeriodFixed() const { return m_bPeriodGiven; }
    int GetListSelection() const { return m_nListSelection; }
    BOOL HasTimeFunctions() const { return m_bTimeFunctions; }

protected:
    // The shared list of both variants.
    void FillCompareList(int kind, const char* valueName, bool voltage);
    std::span<CTBUnitComboBox> UnitLists() override { return m_cmbUnits; }

    void OnOutputVoltage();
    void OnOutputCurrent();
    void OnOutputValue();
    void OnFormSelected();
    DECLARE_MESSAGE_MAP()

    BOOL m_bSpicePresent = FALSE;
    BOOL m_bTimeFunctions = FALSE;
    CTBUnitComboBox m_cmbUnits[10];  // qv::sources::kTimeUnitLists
    BOOL m_bOutputValue = FALSE;
    BOOL m_bPartialDerivation = FALSE;
    BOOL m_bSpice = FALSE;
};

// The voltage source's variant: "EMF" (or "P" without time functions) and "SPC".
class CPropLinearSourceV : public CPropLinearSource {
public:
    using CPropLinearSource::CPropLinearSource;
    void BuildCompareList(int kind) override;
};

// The current source's variant: "IS" and "PARTDERIV" for the constant, never "SPC".
class CPropLinearSourceI : public CPropLinearSource {
public:
    using CPropLinearSource::CPropLinearSource;
    void BuildCompareList(int kind) override;
};

namespace qv::sources {
template <char Prefix>
struct LinearSourceFamily;  // the family's steps, in linear_sources.cpp; "E" or "I" before "@TYPE"
} // namespace qv::sources

PARVEL_TEMPLATE_WIZARD(CLinearVoltageSourceWizard4,
    TTimeSourceWizard<CPropLinearSourceV, CLinearVoltageSourceWizard4, CLinearSourceWizardBase4,
                      qv::sources::LinearSourceFamily<'E'>>)

PARVEL_TEMPLATE_WIZARD(CLinearCurrentSourceWizard4,
    TTimeSourceWizard<CPropLinearSourceI, CLinearCurrentSourceWizard4, CLinearSourceWizardBase4,
                      qv::sources::LinearSourceFamily<'I'>>)

