// The linear electrical machines (wizard IDs 21 to 27): one page (dialog 2534) with two
// editable lists, machine parameters (2132) and initial values (2134), seven default-output
// check boxes (2136 to 2142) and the symbol. Each machine is a variant of the page that fills
// the lists and maps the check boxes from its row of kMachineShapes; the seven wizards differ
// only in the variant they create. They write no model text; their one duty at description
// time is to convert older additional data (the unit of the initial rotor position).
//
// Parameters by value ID (= string ID of the row label): 7000 to 7023 machine parameters,
// 7050 to 7059 initial values, 7100 to 7107 outputs; 7057 "Initial Rotor Position" takes
// its used unit from older data.
//
// Older additional data: DWORD, DWORD (both skipped), DWORD L1 and L1 bytes (skipped),
// DWORD L2 and L2 bytes holding the page archive: class record of CPropMachine, DWORD page
// version, DWORD phase unit (1 radian, else degree).
#pragma once

#include "afx/afxwin.h"
#include "framework/data_file_places.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"

#include <span>

namespace qv::power {

constexpr UINT kMachineTemplate = 2534;
constexpr WORD kIdRotorPosition = 7057;
constexpr WORD kIdLoadTorque = 7000;
constexpr int kMachineOutputCount = 7;
constexpr int kCtlFirstMachineOutput = 2136;
// The two lists every machine page has.
constexpr int kCtlParameterList = 2132;
constexpr int kCtlInitialValueList = 2134;

// What one machine shows. An output of 0 hides its check box; hideLoadWithout7000 hides
// 2138 when the element has no parameter 7000.
struct MachineShape {
    unsigned wizardID;
    std::span<const WORD> parameterRows;
    std::span<const WORD> initialRows;
    WORD outputs[kMachineOutputCount];
    bool hideLoadWithout7000;
};

// The shape of wizard ID 21 to 27; null for any other ID.
const MachineShape* MachineShapeOf(unsigned wizardID);

// Reads the phase unit from a block of older additional data; -1 when the block holds no
// readable page archive.
LONG ReadMachinePhaseUnit(const BYTE* data, DWORD size);

// What the machine pages do alike with their two editable lists, machine parameters and
// initial values. The columns "Name", "Value" and "Unit" of both (the caller has switched to
// the library's resources).
void InsertMachineListColumns(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues);
// The value cells editable, the column widths from the user's profile.
void InitializeMachineLists(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues);
// The row of the parameter list whose parameter has the ID, else of the initial-value list;
// false when none.
bool FindMachineRow(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues, WORD valueID,
                    CTBEditListCtrl*& list, int& row);
// Shows the parameter's value and used unit in its row of either list and binds the row to it;
// false when neither list has a row for its ID.
bool ShowInMachineRow(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues, CWizardCopaObject3* param);
// OK's rule for the value cells of both lists: a row bound to a parameter whose value is blank
// is selected and refused with "Invalid value!" (not on a hidden page), as a blank field is;
// FALSE then, TRUE when every bound row has a value.
BOOL RefuseBlankMachineCells(CWnd& page, CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues);

} // namespace qv::power

class CPropMachine : public CTBPropertyPage {
    DECLARE_SERIAL(CPropMachine)
public:
    CPropMachine();
    CPropMachine(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
    ~CPropMachine() override;

    // Reads only: class record, DWORD page version (ignored), LONG phase unit. Storing writes
    // the class record alone.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;

    // Converts older additional data of the wizard once: the phase unit goes to the used
    // unit of 7057, the data is cleared and the exchange object committed (code 0).
    void LoadAdditionalWizardData();

    virtual void FillParameterList() {}
    virtual void FillInitialValueList() {}
    virtual void StoreDefaultOutputs() {}
    virtual void LoadDefaultOutputs() {}

    LONG GetPhaseUnit() const { return m_lPhaseUnit; }
    CTBEditListCtrl& ParameterList() { return m_lstParameters; }
    CTBEditListCtrl& InitialValueList() { return m_lstInitialValues; }

protected:
    // The helpers the variants run with their shape.
    void FillRows(CTBEditListCtrl& list, std::span<const WORD> rows);
    void StoreOutputs(const qv::power::MachineShape& shape);
    void LoadOutputs(const qv::power::MachineShape& shape);

    bool FindRow(WORD valueID, CTBEditListCtrl*& list, int& row) {
        return qv::power::FindMachineRow(m_lstParameters, m_lstInitialValues, valueID, list, row);
    }
    void OnOutputClicked(UINT id);
    void OnModified();
    void OnListItemChanged(NMHDR* header, LRESULT* result);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CWizardBase3* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    LONG m_lPhaseUnit = -1;
    CTBEditListCtrl m_lstInitialValues;  // 2134
    CTBEditListCtrl m_lstParameters;     // 2132
    BOOL m_bShowName = FALSE;
    CString m_strName;
    BOOL m_bOutput[qv::power::kMachineOutputCount] = {};
};

// One variant per machine: the shape of its wizard ID drives the four operations.
template <unsigned WizardID>
class CPropMachineVariant : public CPropMachine {
public:
    CPropMachineVariant() = default;
    CPropMachineVariant(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
        : CPropMachine(wizard, exchange) {}
    void FillParameterList() override { FillRows(m_lstParameters, Shape().parameterRows); }
    void FillInitialValueList() override { FillRows(m_lstInitialValues, Shape().initialRows); }
    void StoreDefaultOutputs() override { StoreOutputs(Shape()); }
    void LoadDefaultOutputs() override { LoadOutputs(Shape()); }

private:
    static const qv::power::MachineShape& Shape() { return *qv::power::MachineShapeOf(WizardID); }
};

using CPropMachineInduction = CPropMachineVariant<21>;
using CPropMachineSync = CPropMachineVariant<22>;
using CPropMachineSyncDamper = CPropMachineVariant<23>;
using CPropMachinePMSync = CPropMachineVariant<24>;
using CPropMachinePMSyncDamper = CPropMachineVariant<25>;
using CPropMachineDCPM = CPropMachineVariant<26>;
using CPropMachineDC = CPropMachineVariant<27>;

// What the machine wizard of one ID does: it shows its page variant, after the characteristic
// files have been searched, and converts older data.
template <unsigned WizardID, class Self>
class CMachineWizard : public qv::wizards::TPageWizard3<CPropMachineVariant<WizardID>, Self> {
public:
    using Page = CPropMachineVariant<WizardID>;
    using qv::wizards::TPageWizard3<Page, Self>::TPageWizard3;

    int WriteSimDescr(CFile* file, const CString& templ, CWizardSchematicDataExchange3* exchange) override;
    void PrepareEditing() { BuildCharacteristicSearchDirs(this); }
};

// The seven wizards: each its own runtime class, so that the editor sees its class name.
#define PARVEL_MACHINE_WIZARD(ClassName, id)                  \
    class ClassName : public CMachineWizard<id, ClassName> {  \
        DECLARE_DYNAMIC(ClassName)                            \
    public:                                                   \
        using CMachineWizard::CMachineWizard;                 \
    };

PARVEL_MACHINE_WIZARD(CInductionMachineWizard, 21)
PARVEL_MACHINE_WIZARD(CSyncMachineWizard, 22)
PARVEL_MACHINE_WIZARD(CSyncMachineDamperWizard, 23)
PARVEL_MACHINE_WIZARD(CPMSyncMachineWizard, 24)
PARVEL_MACHINE_WIZARD(CPMSyncMachineDamperWizard, 25)
PARVEL_MACHINE_WIZARD(CDCMachinePMWizard, 26)
PARVEL_MACHINE_WIZARD(CDCMachineWizard, 27)

#undef PARVEL_MACHINE_WIZARD
