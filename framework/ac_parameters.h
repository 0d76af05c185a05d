// The AC parameters of the sources that can drive a small-signal analysis: the page "AC -
// Parameters" (dialog 2604) and the intermediate wizard base that owns it and archives its
// entry form.
//
// The page edits four parameters of the element, found by value ID (= edit control ID):
// 2425 magnitude, 2434 phase, 2430 real part, 2432 imaginary part. The magnitude's pin flag
// is shared by the boxes "Use Pin" of the magnitude (2033) and of the real part (2035); the
// phase's by those of the phase (2321) and of the imaginary part (2036). The real and
// imaginary parameters never get a pin flag from this page.
#pragma once

#include "afx/afxwin.h"
#include "framework/page_overrides.h"
#include "framework/page_parts.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"
#include "framework/sheet_serialize.h"

#include <cstddef>

class CPropACParameters;

namespace qv::ac {
constexpr WORD kIdMagnitude = 2425;
constexpr WORD kIdPhase = 2434;
constexpr WORD kIdReal = 2430;
constexpr WORD kIdImaginary = 2432;
constexpr UINT kACTemplate = 2604;
// Entry forms of the page.
constexpr DWORD kModePhaseMagnitude = 0;
constexpr DWORD kModeRealImaginary = 1;

// The AC values (magnitude, real and imaginary part) are of the quantity the source drives: a
// voltage source's in volts, a current source's in amperes. The phase keeps its own.
inline constexpr WORD kValueIDs[] = {kIdMagnitude, kIdReal, kIdImaginary};
constexpr char kQuantityVoltage[] = "Voltage";
constexpr char kQuantityCurrent[] = "Current";
// Gives the AC values of `params` the quantity of a current source (`current`) or of a voltage
// source, a used unit of the other quantity mapped by its scale (qv::pages::SwitchQuantity).
// TRUE when a parameter changed; a null set changes nothing.
bool SwitchValueQuantity(ParamHolder* params, bool current);
} // namespace qv::ac

class CACWizardBase4 : public CWizardBase4 {
    DECLARE_DYNAMIC(CACWizardBase4)
public:
    CACWizardBase4();
    // The copy used by the derived wizards' Clone: schema and AC mode, never the page; a null
    // source gives schema 0 and mode 0.
    explicit CACWizardBase4(const CACWizardBase4* other);
    ~CACWizardBase4() override;

    int GetWizardKind() override;
    // Mode 1 adds the AC page (after whatever the derived wizard added); other modes go to
    // the base.
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    // Sheet version 4 only: WORD schema 0, DWORD AC mode.
    PARVEL_SHEET_SERIALIZE

    DWORD GetACMode() const { return m_dwACMode; }
    void SetACMode(DWORD mode) { m_dwACMode = mode; }
    WORD GetACSchema() const { return m_wACSchema; }
    CPropACParameters* GetACPage() const { return m_pACPage; }

protected:
    WORD m_wACSchema = 0;
    DWORD m_dwACMode = 0;
    CPropACParameters* m_pACPage = nullptr;
};

class CPropACParameters : public CTBPropertyPage {
    DECLARE_SERIAL(CPropACParameters)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropACParameters();
    CPropACParameters(CACWizardBase4* wizard, ParamHolder* params);
    ~CPropACParameters() override;

    // Page block: DWORD page version, DWORD mode; blocks older than version 10 carry the
    // phase unit after the mode.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    // Gives the page another wizard and parameter set (the caller has given the old cookie back).
    void Rebind(CACWizardBase4* wizard, ParamHolder* params);
    ParamHolder* GetParams() const { return m_pParams; }
    CACWizardBase4* GetWizard() const { return m_pWizard; }

    DWORD GetMode() const { return m_dwMode; }
    // The entry form; with a window the radios and control states follow.
    void SetMode(DWORD mode);
    DWORD GetLocked() const { return m_dwLocked; }
    // Set by the source page when it is left: a locked page takes magnitude and phase from
    // the source page, in the unit of its value, and offers nothing to edit.
    void SetLocked(DWORD locked) { m_dwLocked = locked; }
    const CString& GetMagnitudeText() const { return m_strMagnitude; }
    const CString& GetPhaseText() const { return m_strPhase; }
    // Presets magnitude and phase (shown at once when the page has a window). With a unit,
    // the magnitude is the value as typed in that unit, and its list shows that unit where it
    // offers it.
    void PresetMagnitudeAndPhase(const CString& magnitude, const CString& phase, const CString& unit = CString());
    // The marks of OnKillActive without leaving the page: magnitude and phase used, real and
    // imaginary part unused (ExtType bit 0x20000), whatever the mode.
    void MarkACParameters();
    // The source page's switch between a voltage and a current source: the AC values take the
    // quantity of the source (qv::ac::SwitchValueQuantity), and with a window their lists offer
    // its units, the unit each list showed mapped by its scale. TRUE when a parameter changed.
    bool FollowSourceQuantity(bool current);

protected:
    void SetLayout();
    void ApplyControlStates();
    void WriteShownPinFlags();
    void OnModeChanged();
    void OnMagnitudePin();
    void OnRealPin();
    void OnPhasePin();
    void OnImaginaryPin();
    void OnPinBox();
    // Two boxes share each pin flag (magnitude and real part, phase and imaginary part): a
    // click on one gives both boxes and the parameter's flag its state.
    void ShareMagnitudePin(BOOL onPin);
    void SharePhasePin(BOOL onPin);
    void OnUnitChanged();
    // A locked page's magnitude list shows the unit the source page's value was typed in.
    void SelectPresetUnit();
    DECLARE_MESSAGE_MAP()

    CACWizardBase4* m_pWizard = nullptr;
    ParamHolder* m_pParams = nullptr;  // the cookie of request 23
    DWORD m_dwMode = 0;
    DWORD m_dwLocked = 0;
    CTBUnitComboBox m_cmbReal;       // 2518
    CTBUnitComboBox m_cmbImaginary;  // 2519
    CTBUnitComboBox m_cmbMagnitude;  // 2516
    CTBUnitComboBox m_cmbPhase;      // 2517
    CString m_strImaginary;
    CString m_strMagnitude;
    CString m_strPhase;
    CString m_strReal;
    CString m_strPresetUnit;  // the unit of the preset magnitude, empty when none was given
    BOOL m_bMagnitudePin = FALSE;  // 2033
    BOOL m_bRealPin = FALSE;       // 2035
    BOOL m_bPhasePin = FALSE;      // 2321
    BOOL m_bImaginaryPin = FALSE;  // 2036
};

// Restores an object from a block of a wizard's data: DWORD length L, then L bytes that the
// object's Serialize reads through a loading archive. The cursor stands at offset *consumed
// of a buffer of total bytes. Only whole fields are read: when no length fits, or the block
// does not fit in what remains, nothing is read and 0 is returned (the caller ends its
// parse there). Otherwise cursor and count move past the block and the result is 1; an
// archive error inside the block ends the object's reading, not the caller's.
BOOL LoadObjectFromBuffer(CObject* object, const BYTE** cursor, size_t total, size_t* consumed);
