// Coupled inductors: the mutual inductance between two inductors of the schematic (wizard ID
// 19, page dialog 107) and the two-winding transformer modelled as two coupled inductors
// (wizard ID 20, page dialog 108). The coupling is entered as the coupling factor K (form 0)
// or as the mutual inductance M (form 1).
//
// Parameters by value ID:
//
// | Value ID | Name  | Mutual inductance (19)          | Transformer (20)                  |
// |----------|-------|---------------------------------|-----------------------------------|
// | 2102     | "L1"  | first inductor (a component name, may be a pin) | self-inductance L1 |
// | 2103     | "L2"  | second inductor (likewise)      | self-inductance L2                |
// | 2107     | "I01" | -                               | initial current of winding 1      |
// | 2109     | "I02" | -                               | initial current of winding 2      |
// | 2010     | "K"   | coupling factor (form 0)        | coupling factor (form 0)          |
// | 2056     | "M"   | mutual inductance: input in form 1, output in form 0; edited in field 2308 |
//
// The one exception to "value ID = control ID": edit 2308 (with "Use Pin" 2311) edits M,
// and control 2056 is M's default-output check box.
//
// Model text: form 0 leaves the list to the editor's parameter-list macro; form 1 lists the
// snapshots, the K snapshot named "@K", which becomes "K := (@M)/sqrt( <L1> * <L2>)".
#pragma once

#include "afx/afxwin.h"
#include "framework/element_page.h"
#include "framework/page_parts.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"
#include "passive/passive_bases.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "framework/sheet_serialize.h"

#include <memory>
#include <span>
#include <vector>

namespace qv::passive {

// The parameter-list macro that form 0 places for "@PARAMLIST"; the editor expands it.
inline constexpr char kCouplingListMacro[] =
    "@ListCoPa(0x00000004, 0x0000000C, 0x51030E04)@CoPaRemoveCharacters(0x00000004, 0x0000000C,0x4000000000,1,-1)";

// An inductance-like field: edit (= value ID), unit selector, "Use Pin" box (0: none).
struct CoupledField {
    WORD id;
    WORD selector;
    WORD usePin;
};

struct CoupledLayoutCode {
    WORD id;
    WORD code;
};

struct CoupledPageShape {
    UINT templateId;
    std::span<const CoupledField> fields;
    std::span<const char* const> snapshotNames;  // the last is the K snapshot
    std::span<const CoupledLayoutCode> layout;
    // The mutual inductance page writes the used unit of its fields into every parameter,
    // input or not; the transformer page only into inputs.
    bool unitsIntoEveryParam;
};

} // namespace qv::passive

class CCoupledInductorsWizard4;

// What the two pages share; the two page classes differ in their shape and their class
// record.
class CPropPassiveCoupledBase : public TElementPage<CCoupledInductorsWizard4> {
    DECLARE_DYNAMIC(CPropPassiveCoupledBase)
public:

    // The page block: class record, page version, form, M.
    void Serialize(CArchive& ar) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnApply() override;
    virtual void BuildCompareList(int form);

    // Another wizard and parameter set (the cookie the page now holds).
    // The wizard's form and snapshots before the page is shown.
    void LoadFromWizard(DWORD form, const CPtrArray* snapshots);
    // Defaults on a hidden page for the given form; with store the result goes to the wizard.
    void InitDefaults(int store, DWORD form = 0);
    // Element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);

    DWORD GetForm() const { return m_dwForm; }

protected:
    explicit CPropPassiveCoupledBase(const qv::passive::CoupledPageShape& shape);
    CPropPassiveCoupledBase(const qv::passive::CoupledPageShape& shape, CCoupledInductorsWizard4* wizard,
                            ParamHolder* params);

    // The radios: which is checked; checks one alone.
    bool MChecked();
    // OK's check of the inductances that the coupling factor's expression divides by.
    BOOL InductancesGiveACouplingFactor();
    void CheckForm(DWORD form);
    void OnFormK();
    void OnFormM();
    void ShowCouplingForm(bool byK);
    void OnFieldPin(UINT id);
    void OnKUsePin();
    void OnMUsePin();
    void OnOutputM();
    void OnFieldChanged();
    void OnEditChanged(UINT id);
    void OnSelectorChanged(UINT id);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    void ApplyFieldPin(size_t row);
    void ApplyKPin();
    void ApplyMPin();
    void StoreInWizard();

    qv::passive::CoupledPageShape m_shape;
    DWORD m_dwForm = 0;
    std::vector<std::unique_ptr<CTBUnitComboBox>> m_selectors;  // by field row
    std::vector<CString> m_fieldTexts;                          // by field row
    std::vector<int> m_fieldPins;                               // by field row
    CString m_strName;
    BOOL m_bShowName = FALSE;
    CString m_strK;
    BOOL m_bKUsesPin = FALSE;
    CString m_strM;
    BOOL m_bMUsesPin = FALSE;
    BOOL m_bOutputM = FALSE;
};

// Page 107 of the mutual inductance.
class CPropPassiveMutualInductance : public CPropPassiveCoupledBase {
    DECLARE_SERIAL(CPropPassiveMutualInductance)
public:
    CPropPassiveMutualInductance();
    CPropPassiveMutualInductance(CCoupledInductorsWizard4* wizard, ParamHolder* params);
};

// Page 108 of the two-winding transformer.
class CPropPassive2WTrafo : public CPropPassiveCoupledBase {
    DECLARE_SERIAL(CPropPassive2WTrafo)
public:
    CPropPassive2WTrafo();
    CPropPassive2WTrafo(CCoupledInductorsWizard4* wizard, ParamHolder* params);
};

// The state and behaviour of both wizards; each wizard names its page class.
class CCoupledInductorsWizard4
    : public qv::wizards::TPageWizard4<CPropPassiveCoupledBase, CCoupledInductorsWizard4> {
    DECLARE_DYNAMIC(CCoupledInductorsWizard4)
public:
    ~CCoupledInductorsWizard4() override;

    int GetWizardKind() override;
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // Page state on apply, defaults and conversion: form and a copy of the list.
    void StoreModeAndCompareList(DWORD form, const CPtrArray* snapshots);

    WORD GetSchema() const { return m_wSchema; }
    DWORD GetForm() const { return m_dwForm; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }

    // The page-wizard steps: a page of an earlier edit is bound to the new set and takes the
    // wizard's form and list; the mutual inductance builds the characteristic search folders
    // first.
    CPropPassiveCoupledBase* MakePage(DWORD_PTR cookie) { return NewPage(HolderFromCookie(cookie)); }
    void PrepareEditing();
    void GiveSettingsToPage(CPropPassiveCoupledBase& page) { page.LoadFromWizard(m_dwForm, &m_Snapshots); }

protected:
    CCoupledInductorsWizard4() = default;
    explicit CCoupledInductorsWizard4(const CCoupledInductorsWizard4* other);
    virtual CPropPassiveCoupledBase* NewPage(ParamHolder* params) = 0;
    virtual UINT PageTemplate() const = 0;
    virtual bool BuildsSearchDirs() const = 0;
    // A hidden page of its own, with the set; null when it cannot be made.
    std::unique_ptr<CPropPassiveCoupledBase> HiddenPage(ParamHolder* params);

    WORD m_wSchema = 0;
    DWORD m_dwForm = 0;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned
    // Set while WriteSimDescr re-initialises: the hidden page keeps the wizard's form.
    bool m_bKeepForm = false;
};

class CMutualInductanceWizard4 : public CCoupledInductorsWizard4 {
    DECLARE_DYNAMIC(CMutualInductanceWizard4)
public:
    CMutualInductanceWizard4() = default;
    explicit CMutualInductanceWizard4(const CMutualInductanceWizard4* other) : CCoupledInductorsWizard4(other) {}
    CWizardBase4* Clone() override;

protected:
    CPropPassiveCoupledBase* NewPage(ParamHolder* params) override;
    UINT PageTemplate() const override { return 107; }
    bool BuildsSearchDirs() const override { return true; }
};

class CTwoWindingTransformerWizard4 : public CCoupledInductorsWizard4 {
    DECLARE_DYNAMIC(CTwoWindingTransformerWizard4)
public:
    CTwoWindingTransformerWizard4() = default;
    explicit CTwoWindingTransformerWizard4(const CTwoWindingTransformerWizard4* other)
        : CCoupledInductorsWizard4(other) {}
    CWizardBase4* Clone() override;

protected:
    CPropPassiveCoupledBase* NewPage(ParamHolder* params) override;
    UINT PageTemplate() const override { return 108; }
    bool BuildsSearchDirs() const override { return false; }
};
