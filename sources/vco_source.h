// Voltage-controlled oscillator source (wizard ID 29): a voltage or current source whose
// output oscillates with a frequency set by its input voltage, optionally limited, with AC
// parameters on a second page. The wizard base it shares with the polynomial source, the
// wizard and its page (dialog 2536).
//
// Parameters the element expects (value ID = dialog control):
//
// | Value ID | Name    | Type | Role                                   |
// |----------|---------|------|----------------------------------------|
// | 2151     | "UL"    | 0x4  | upper limit of the input voltage        |
// | 2152     | "LL"    | 0x4  | lower limit of the input voltage        |
// | 2034     | "AMPL"  | 0x4  | output amplitude                        |
// | 2042     | "PHASE" | 0x4  | phase                                   |
// | 2472     | "SPC"   | 0x4  | "Spice compatible" (voltage source)     |
// | 2425.. 2434 | "AC_*" | 0x4 | AC page                                |
// | 2018     | voltage | 0x8  | default output "Voltage" ("SDB")        |
// | 2019     | current | 0x8  | default output "Current" ("SDB")        |
//
// The element's template contains "IMMANENT"; its model text carries "@TYPE" and
// "@PARAMLIST"; "@TYPE" becomes "EVCO " or "IVCO ".
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_page_steps.h"
#include "framework/ac_page_wizard.h"
#include "framework/ac_parameters.h"
#include "framework/byte_cursor.h"
#include "framework/dialog_controls.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/list_controls.h"
#include "framework/param_set_page.h"
#include "framework/requests.h"
#include "framework/sheet_serialize.h"
#include "framework/snapshot_lists.h"
#include "framework/symbol_paint.h"
#include "sources/source_outputs.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::sources {
constexpr WORD kIdUpperLimit = 2151;
constexpr WORD kIdLowerLimit = 2152;
constexpr UINT kVCOTemplate = 2536;
constexpr int kSourceTypeVoltage = 0;
constexpr int kSourceTypeCurrent = 1;
} // namespace qv::sources

// What the VCO and the polynomial source keep beside the AC part: the source type and the
// list of parameters that "@PARAMLIST" writes.
class CSourceTypeWizardBase4 : public CACWizardBase4 {
    DECLARE_DYNAMIC(CSourceTypeWizardBase4)
public:
    CSourceTypeWizardBase4();
    // The copy used by Clone: AC schema and mode, schema, source type and copies of the
    // snapshots; never a page. A null source gives the defaults.
    explicit CSourceTypeWizardBase4(const CSourceTypeWizardBase4* other);
    ~CSourceTypeWizardBase4() override;

    int GetWizardKind() override;
    CWizardBase4* Clone() override = 0;
    // Sheet version 4: the AC base's block (WORD 0, DWORD AC mode), then WORD schema 0,
    // DWORD source type, DWORD n, n snapshots. Loading a schema other than 0 reads only its
    // WORD; loading replaces the snapshot list.
    PARVEL_SHEET_SERIALIZE

    // The page's settings; the snapshots are copied (none for a null list).
    void SetSourceSettings(int sourceType, const CPtrArray* snapshots);

    WORD GetSchema() const { return m_wSchema; }
    int GetSourceType() const { return m_nSourceType; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    CPtrArray& GetSnapshots() { return m_Snapshots; }
    // The AC values in `holder` take the quantity of the wizard's source type, as its page
    // shows them (qv::ac::SwitchValueQuantity); committed under `cookie` when they changed.
    void FollowSourceType(ParamHolder* holder, DWORD_PTR cookie);

protected:
    WORD m_wSchema = 0;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned, in writing order
    int m_nSourceType = qv::sources::kSourceTypeVoltage;
};

// The page of a wizard on CSourceTypeWizardBase4: the AC page that follows it (the wizard's, or
// one of the page's own for hidden work), the source type, and the list of parameters with the
// AC parameters last, handed to the wizard together; and the fields and switches both pages
// have (name, output switches, "Spice compatible") with their handlers.
template <class Wizard>
class TSourceTypePage : public TACFollowedPage<Wizard> {
public:
    // The wizard's settings before the dialog exists; the snapshots are copied.
    void SetSourceSettings(int sourceType, const CPtrArray* snapshots) {
        m_nSourceType = sourceType;
        qv::snapshots::CopySnapshots(this->m_Snapshots, snapshots);
    }
    int GetSourceType() const { return m_nSourceType; }

protected:
    using TACFollowedPage<Wizard>::TACFollowedPage;

    // The source type, the list and the AC page's mode to the wizard, and the source type to
    // the element as the symbol's variant (1 << type; a type out of range keeps the variant).
    // OK and the hidden page of a new element both hand over here, so that an element is
    // drawn in its type from the start and a bare OK changes nothing.
    void HandOver() {
        if (this->m_pParams != nullptr && m_nSourceType >= 0 && m_nSourceType < 8)
            this->m_pParams->m_bySymbolVariant = static_cast<BYTE>(1u << m_nSourceType);
        if (this->m_pWizard == nullptr) return;
        this->HandOverACMode();
        this->m_pWizard->SetSourceSettings(m_nSourceType, &this->m_Snapshots);
    }
    void AppendSnapshot(const char* name, const char* rename) {
        qv::snapshots::AppendSnapshotOf(this->m_Snapshots, this->m_pParams, name, rename);
    }
    // Element data of the older wizard generation up to the blocks that follow, all numbers
    // little-endian DWORDs: source type (shown in the type list when it has a window), snapshot count
    // n, snapshot block length S and S bytes of n archived snapshots, taken when the block fits
    // (and, with `tailRequired`, leaves at least one byte after it). The list is emptied first;
    // FALSE when a part does not fit, which ends the reading and keeps what was read before.
    bool ReadOlderTypeAndSnapshots(qv::bytes::Reader& in, bool tailRequired) {
        qv::snapshots::DeleteSnapshots(this->m_Snapshots);
        DWORD value = 0;
        bool intact = in.ReadDword(value);
        if (intact) {
            m_nSourceType = static_cast<int>(value);
            if (m_cmbSourceType.GetSafeHwnd() != nullptr) m_cmbSourceType.SetCurSel(m_nSourceType);
            // The AC values are read as the page shows them for that type.
            if (FollowSourceType())
                CommitParamSet(RequestTarget(this->m_pWizard), reinterpret_cast<DWORD_PTR>(this->m_pParams));
        }
        DWORD count = 0;
        DWORD blockLength = 0;
        intact = intact && in.ReadDword(count) && in.ReadDword(blockLength) &&
                 (tailRequired ? blockLength < in.Remaining() : in.Fits(blockLength));
        if (intact) qv::snapshots::ReadSnapshotBlock(in, count, blockLength, this->m_Snapshots);
        return intact;
    }
    // The AC values follow the source type: amperes for a current source, else volts (a type
    // beyond the list describes as the voltage source). The AC page's lists follow when it
    // has a window; without an AC page the parameters alone follow.
    bool FollowSourceType() {
        const bool current = m_nSourceType == qv::sources::kSourceTypeCurrent;
        if (CPropACParameters* ac = this->ACPage(); ac != nullptr && ac->GetParams() == this->m_pParams)
            return ac->FollowSourceQuantity(current);
        return qv::ac::SwitchValueQuantity(this->m_pParams, current);
    }
    // The AC parameters the list ends with, as the AC page's mode names them.
    void AppendACSnapshots() {
        const CPropACParameters* ac = this->ACPage();
        if (ac != nullptr && ac->GetMode() != qv::ac::kModePhaseMagnitude) {
            AppendSnapshot("AC_RE", "@AC_PHASE");
            AppendSnapshot("AC_IM", "@AC_MAG");
        } else {
            AppendSnapshot("AC_PHASE", nullptr);
            AppendSnapshot("AC_MAG", nullptr);
        }
    }

    void OnOutputVoltage() {
        qv::pages::ReadAndFlipOutputSwitch(*this, this->m_pParams, m_bOutputVoltage, qv::sources::kIdOutputVoltage);
    }
    void OnOutputCurrent() {
        qv::pages::ReadAndFlipOutputSwitch(*this, this->m_pParams, m_bOutputCurrent, qv::sources::kIdOutputCurrent);
    }
    void OnFieldChanged() {
        this->UpdateData(TRUE);
        this->SetModified(TRUE);
    }
    void OnPaint() {
        qv::pages::PaintSymbolInFrame(*this, qv::dialog::kCtlSymbolFrame, this->m_pSymbol, this->m_strSymbolText);
    }

    int m_nSourceType = qv::sources::kSourceTypeVoltage;
    CComboBox m_cmbSourceType;
    BOOL m_bShowName = FALSE;
    CString m_strName;
    BOOL m_bOutputVoltage = FALSE;  // 2018
    BOOL m_bOutputCurrent = FALSE;  // 2019
    BOOL m_bSpice = FALSE;
};

class CVCOWizard4;

class CPropVCO : public TSourceTypePage<CVCOWizard4> {
    DECLARE_SERIAL(CPropVCO)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropVCO, CVCOWizard4)

    // Page block of older data: class record "CPropVCO", DWORD page version; versions below
    // 10 carry the phase unit (1 "rad", else "deg"). Storing writes the class record only.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    // Rebuilds the list of parameters the model text uses.
    virtual void BuildCompareList();

    // Source type from the combo box (with a window) and the list; mode 1 hands both and the
    // AC page's mode to the wizard.
    void StoreToWizard(int mode);
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);

    BOOL GetLimitInput() const { return m_bLimitInput; }

protected:
    void EnableLimitFields();
    void EnablePinnedFields();
    int SelectedSourceType() const;
    void OnLimitInput();
    void OnSelchangeSourceType();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbPhaseUnit;  // 2513
    CTBUnitComboBox m_cmbUpperUnit;  // 2517
    CTBUnitComboBox m_cmbLowerUnit;  // 2518
    BOOL m_bLimitInput = FALSE;
    CString m_strAmplitude;
    CString m_strLower;
    CString m_strPhase;
    CString m_strUpper;
};

class CVCOWizard4 : public qv::wizards::TACPageWizard4<CPropVCO, CVCOWizard4, CSourceTypeWizardBase4> {
    DECLARE_DYNAMIC(CVCOWizard4)
public:
    CVCOWizard4() = default;
    explicit CVCOWizard4(const CVCOWizard4* other) : TACPageWizard4(other) {}

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // A page of an earlier call gives its cookie back and goes; the new page starts from the
    // wizard's source type and list.
    static constexpr bool kReplaceEarlierPage = true;
    void GiveSettingsToPage(CPropVCO& page) { page.SetSourceSettings(m_nSourceType, &m_Snapshots); }
};

namespace qv::sources {
// Walks the pending placeholders from the last to the first: "@PHASE" and "@AC_PHASE_PHI"
// switch the phase parameters (2042, 2434) to radians, "@AC_PHASE" and "@AC_MAG" become the
// phase and magnitude of the real and imaginary parts. Every entry leaves the list and is
// deleted. A walk that met at least one entry ends with one commit; with commitEachPhase each
// of the two phase entries commits instead.
void ResolveControlledSupplyPlaceholders(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                                         CString& modelText, bool commitEachPhase = false);

// The list and file buttons are drawn by the framework's helper.
using ::DrawButtonImage;
} // namespace qv::sources
