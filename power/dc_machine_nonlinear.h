// The nonlinear DC machine (wizard ID 30, page dialog 2537): a DC machine with electrical
// excitation whose excitation inductance L = f(i) ("CHLE") and magnetisation psi = f(i)
// ("CHM") are characteristics. The wizard embeds one table for each, edited in a modal sheet
// of the page, and writes them as inline table definitions backed by two-channel data files.
//
// Parameters by value ID:
//
// | Value ID | Name        | Role                                                        |
// |----------|-------------|-------------------------------------------------------------|
// | 7000     | "LOAD"      | load torque (list row; also an output)                      |
// | 7020     | "RA"        | armature resistance                                         |
// | 7021     | "LA"        | armature inductance                                         |
// | 7011     | "RE"        | excitation resistance                                       |
// | 7022     | "J"         | rotor moment of inertia                                     |
// | 7059     | "IA0"       | initial armature current                                    |
// | 7058     | "IE0"       | initial excitation current                                  |
// | 7056     | "N0"        | initial rotor speed                                         |
// | 7057     | "PHI0"      | initial rotor position (written in "rad")                   |
// | 2157     | "CHLE"      | excitation characteristic as reference or pin               |
// | 1008     | "CHLE_FILE" | excitation data-file name                                   |
// | 1009     | "CHLE_STRG" | variable of a file-referenced excitation table              |
// | 2159     | "CHM"       | magnetisation characteristic as reference or pin            |
// | 1010     | "CHM_FILE"  | magnetisation data-file name                                |
// | 1011     | "CHM_STRG"  | variable of a file-referenced magnetisation table           |
// | 7100, 7101, 7000, 7102, 7106, 7107 | | default outputs 2136, 2137, 2138, 2140, 2141, 2142 |
//
// Characteristic flags: 0x0001 the excitation file is the user's, 0x0002 the excitation
// table is a file reference, 0x4000 the magnetisation table is a file reference, 0x8000 the
// magnetisation file is the user's.
#pragma once

#include "afx/afxwin.h"
#include "framework/data_file_places.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/requests.h"
#include "framework/sheet_serialize.h"
#include "framework/xy_table.h"
#include "power/machines.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"

#include <new>
#include <vector>

namespace qv::power {
constexpr UINT kDCMachineTemplate = 2537;
constexpr DWORD kDcmExcitationUserFile = 0x0001;
constexpr DWORD kDcmExcitationReference = 0x0002;
constexpr DWORD kDcmMagnetizationReference = 0x4000;
constexpr DWORD kDcmMagnetizationUserFile = 0x8000;
constexpr WORD kIdExcitation = 2157;
constexpr WORD kIdExcitationFile = 1008;
constexpr WORD kIdExcitationVariable = 1009;
constexpr WORD kIdMagnetization = 2159;
constexpr WORD kIdMagnetizationFile = 1010;
constexpr WORD kIdMagnetizationVariable = 1011;
} // namespace qv::power

class CDCMachineNonlinearWizard4;

// The look-up flags, characteristic flags and labels page and wizard hand each other.
struct DcmSettings {
    DWORD excitationLookUp = 1;
    DWORD magnetizationLookUp = 1;
    DWORD flags = 0;
    CString excitationX, excitationY, magnetizationX, magnetizationY;
};

class CPropDCMENLMachine : public TElementPage<CDCMachineNonlinearWizard4> {
    DECLARE_SERIAL(CPropDCMENLMachine)
public:
    CPropDCMENLMachine();
    CPropDCMENLMachine(CDCMachineNonlinearWizard4* wizard, ParamHolder* params);

    // Page block of older data: class record, DWORD version (schema 1 on), DWORD look-up
    // flags, DWORD unit of 7057 (versions 1 to 9), DWORD upgraded flag (version 4 on).
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    virtual void FillParameterList();
    virtual void FillInitialValueList();
    virtual void StoreDefaultOutputs();
    virtual void LoadDefaultOutputs();

    void SetCharacteristicSettings(const DcmSettings& settings, const CPtrArray* snapshots);
    void StoreToWizard(int update);
    // Reads a block of the older wizard generation (layout in the .cpp).
    void ConvertWizard3Data(const void* data, long length);
    void UpdateCharacteristicFlags();
    void BuildCompareList();
    int UpgradeCharacteristicParameters();

    DWORD GetFlags() const { return m_dwFlags; }
    DcmSettings Settings() const;
    const CPtrArray& Snapshots() const { return m_Snapshots; }
    std::vector<BYTE>& ExcitationBlock() { return m_ExcitationBlock; }
    std::vector<BYTE>& MagnetizationBlock() { return m_MagnetizationBlock; }
    CString GetExcitationFile() const { return m_strExcitationFile; }
    CString GetMagnetizationFile() const { return m_strMagnetizationFile; }

protected:
    CPropCharacteristicXYTable* BindExcitation();
    CPropCharacteristicXYTable* BindMagnetization();
    // Adds the bits the two tables give to the flags.
    void AddCharacteristicBits();
    void DeleteSnapshots();
    void FillRows(CTBEditListCtrl& list, const WORD* ids, size_t count);
    bool FindRow(WORD valueID, CTBEditListCtrl*& list, int& row) {
        return qv::power::FindMachineRow(m_lstParameters, m_lstInitialValues, valueID, list, row);
    }
    // The page's text of a parameter of the two characteristics (reference, variable, file)
    // and, in `pin`, the "Use Pin" box of its characteristic; null for any other ID.
    CString* CharacteristicText(WORD valueID, BOOL*& pin);
    void OnPinChanged(bool excitation);
    void EditCharacteristic(bool excitation);

    void OnExcitationUsePin() { OnPinChanged(true); }
    void OnMagnetizationUsePin() { OnPinChanged(false); }
    void OnExcitationCharacteristic() { EditCharacteristic(true); }
    void OnMagnetizationCharacteristic() { EditCharacteristic(false); }
    void OnDefaultOutput(UINT id);
    void OnModified();
    void OnListItemChanged(NMHDR* header, LRESULT* result);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    std::vector<BYTE> m_ExcitationBlock;
    CString m_strExcitationX, m_strExcitationY;
    DWORD m_dwExcitationLookUp = 1;
    std::vector<BYTE> m_MagnetizationBlock;
    CString m_strMagnetizationX, m_strMagnetizationY;
    DWORD m_dwMagnetizationLookUp = 1;
    CString m_strExcitationReference, m_strExcitationVariable, m_strExcitationFile;
    CString m_strMagnetizationReference, m_strMagnetizationVariable, m_strMagnetizationFile;
    CTBEditListCtrl m_lstInitialValues;  // 2134
    CTBEditListCtrl m_lstParameters;     // 2132
    BOOL m_bShowName = FALSE;
    CString m_strName;
    BOOL m_bOutput[7] = {};
    BOOL m_bExcitationPin = FALSE;
    BOOL m_bMagnetizationPin = FALSE;
    DWORD m_dwFlags = 0;
    DWORD m_dwUpgraded = 1;
};

class CDCMachineNonlinearWizard4
    : public qv::wizards::TPageWizard4<CPropDCMENLMachine, CDCMachineNonlinearWizard4> {
    DECLARE_DYNAMIC(CDCMachineNonlinearWizard4)
public:
    CDCMachineNonlinearWizard4();
    // The copy Clone makes: state, tables and snapshots deeply, never the page.
    explicit CDCMachineNonlinearWizard4(const CDCMachineNonlinearWizard4* other);
    ~CDCMachineNonlinearWizard4() override;

    int GetWizardKind() override { return 3; }
    // Archive: WORD schema 0, DWORD flags, two DWORD look-up flags, 4 + 4 texts, both tables,
    // DWORD n and n snapshots; loading reads past the WORD only for schema 0.
    PARVEL_SETTINGS_WIZARD4_OVERRIDES

    // Called by the page.
    void SetCharacteristicSettings(const DcmSettings& settings, const CPtrArray* snapshots);
    void SetChannelUnits(CString excitationX, CString excitationY, CString magnetizationX, CString magnetizationY);

    DcmSettings Settings() const { return m_Settings; }
    DWORD GetFlags() const { return m_Settings.flags; }
    WORD GetSchema() const { return m_wSchema; }
    const CPtrArray& Snapshots() const { return m_Snapshots; }
    const CString& Unit(int index) const { return m_strUnits[index]; }
    CPropCharacteristicXYTable& ExcitationTable() { return m_ExcitationTable; }
    CPropCharacteristicXYTable& MagnetizationTable() { return m_MagnetizationTable; }

    // The steps of the page wizard template: the characteristic files are searched before the
    // page binds, and the page takes the wizard's settings and snapshots.
    CPropDCMENLMachine* MakePage(DWORD_PTR cookie) {
        return new (std::nothrow) CPropDCMENLMachine(this, HolderFromCookie(cookie));
    }
    void PrepareEditing() { BuildCharacteristicSearchDirs(this); }
    void GiveSettingsToPage(CPropDCMENLMachine& page) { page.SetCharacteristicSettings(m_Settings, &m_Snapshots); }

private:
    void DeleteSnapshots();
    // A hidden page of its own, its window made (with handOver after the wizard's settings
    // went to it); empty when it cannot be made.
    qv::wizards::THiddenPage<CPropDCMENLMachine> OpenHiddenPage(DWORD_PTR cookie, bool handOver);

    WORD m_wSchema = 0;
    CPtrArray m_Snapshots;
    DcmSettings m_Settings;
    CPropCharacteristicXYTable m_ExcitationTable;
    CPropCharacteristicXYTable m_MagnetizationTable;
    // Units of the data-file channels: excitation x, y, magnetisation x, y.
    CString m_strUnits[4];
};
