// Diode (wizard ID 8) and the power semiconductors IGBT, MOS transistor, bipolar transistor,
// GTO thyristor, thyristor and TRIAC (IDs 9 to 14): the wizards, the diode page (dialog 102),
// the page of the other six (dialog 104), and the parameters they address.
//
// Parameters the elements expect in their parameter sets (value ID = dialog control):
//
// | Value ID | Role                                                              | Unit combo |
// |----------|-------------------------------------------------------------------|------------|
// | 2013     | name of a separately defined characteristic element               |            |
// | 2058     | forward voltage (equivalent line)                                 | 2508       |
// | 2061     | bulk resistance (equivalent line)                                 | 2509       |
// | 2066     | saturation current (exponential function)                         | 2511       |
// | 2068     | thermal voltage (exponential function)                            | 2512       |
// | 2069     | reverse resistance (equivalent line and exponential function)     | 2510       |
// | 2016     | file name of the table of data pairs                              |            |
// | 1012     | variable of a file-referenced table; the file name when 1006 exists |          |
// | 1006     | only its presence matters: the table's file name then goes to 1012 |           |
// | 2084     | control signal (IDs 9 to 14 only)                                 |            |
// | 2018     | default output "Voltage" ("SDB")                                  |            |
// | 2019     | default output "Current" ("SDB")                                  |            |
//
// The characteristic kind and two flags form the mode word (kSemi* below). The wizards fill
// only "@TYPE" of the model text with the keyword of the kind; a "@PARAMLIST" is left to the
// editor. A table of data pairs is written to a two-channel data file beside the model
// description.
#pragma once

#include "afx/afxwin.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/requests.h"
#include "framework/sheet_serialize.h"
#include "framework/xy_table.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <vector>

// Value IDs (and dialog controls) of the pages.
namespace qv::power {
constexpr WORD kIdElementName = 2013;
constexpr WORD kIdForwardVoltage = 2058;
constexpr WORD kIdBulkResistance = 2061;
constexpr WORD kIdSaturationCurrent = 2066;
constexpr WORD kIdThermalVoltage = 2068;
constexpr WORD kIdReverseResistance = 2069;
constexpr WORD kIdTableFile = 2016;
constexpr WORD kIdTableVariable = 1012;
constexpr WORD kIdNewFileParameter = 1006;
constexpr WORD kIdControlSignal = 2084;
constexpr WORD kIdOutputVoltage = 2018;
constexpr WORD kIdOutputCurrent = 2019;
constexpr UINT kDiodeTemplate = 102;
constexpr UINT kPowerTemplate = 104;
} // namespace qv::power

// The mode word: the characteristic kind (-1 element name, 0 equivalent line, 1 exponential
// function, 2 data pairs) with two flags above it. -1 has every bit set and counts as
// having neither flag.
constexpr LONG kSemiKindElement = -1;
constexpr LONG kSemiKindLine = 0;
constexpr LONG kSemiKindExponential = 1;
constexpr LONG kSemiKindDataPairs = 2;
constexpr DWORD kSemiNoTableFile = 0x4000;  // a File Reference, or the characteristic on a pin
constexpr DWORD kSemiUserFile = 0x8000;     // the user names the table file
constexpr DWORD kSemiFlagBits = kSemiNoTableFile | kSemiUserFile;

// The kind of a mode word: the word without its flags; -1 stays -1.
constexpr LONG SemiKindOf(LONG modeWord) {
    return modeWord == -1 ? -1 : static_cast<LONG>(static_cast<DWORD>(modeWord) & ~kSemiFlagBits);
}
// Whether the word carries a flag; never for -1.
constexpr bool SemiHasFlag(LONG modeWord, DWORD flag) {
    return modeWord != -1 && (static_cast<DWORD>(modeWord) & flag) != 0;
}

// What every semiconductor wizard keeps from one edit to the next, copies, archives and
// writes: the mode word, the embedded look-up table and the four texts for its data file.
class CSemiconductorState {
public:
    // The table starts as a Look-up Table with Data Pairs.
    CSemiconductorState();
    CSemiconductorState(const CSemiconductorState&) = delete;
    CSemiconductorState& operator=(const CSemiconductorState&) = delete;

    // Takes over every member of other, the table deeply (nothing for null: the defaults).
    void CopyFrom(const CSemiconductorState* other);
    // The wizard block of sheet version 4: WORD schema 0, DWORD mode word, the four texts,
    // the table. Loading a block of another schema reads nothing more; a block that cannot
    // be read raises the archive's exception and leaves the state as it was.
    void Serialize(CArchive& ar, ESheetVersion version);

    void SetModeAndAxisLabels(LONG modeWord, CString xAxisLabel, CString yAxisLabel) {
        m_lModeWord = modeWord;
        m_strXAxisLabel = xAxisLabel;
        m_strYAxisLabel = yAxisLabel;
    }
    void SetExtraTextA(CString text) { m_strExtraA = text; }
    void SetExtraTextB(CString text) { m_strExtraB = text; }

    WORD GetSchema() const { return m_wSchema; }
    LONG GetModeWord() const { return m_lModeWord; }
    void SetModeWord(LONG modeWord) { m_lModeWord = modeWord; }
    const CString& GetXAxisLabel() const { return m_strXAxisLabel; }
    const CString& GetYAxisLabel() const { return m_strYAxisLabel; }
    const CString& GetExtraTextA() const { return m_strExtraA; }
    const CString& GetExtraTextB() const { return m_strExtraB; }
    CPropCharacteristicXYTableLUT& Table() { return m_Table; }
    const CPropCharacteristicXYTableLUT& Table() const { return m_Table; }

private:
    WORD m_wSchema = 0;
    LONG m_lModeWord = 0;
    CPropCharacteristicXYTableLUT m_Table;
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    CString m_strExtraA;
    CString m_strExtraB;
};

// The diode page (dialog 102). The page of the other six semiconductors derives from it and
// adds the control signal.
class CPropSemiDiode : public CTBPropertyPage {
    DECLARE_SERIAL(CPropSemiDiode)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropSemiDiode();
    CPropSemiDiode(CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params);
    ~CPropSemiDiode() override;

    // The page block of older data: class record, then DWORD page version and DWORD converted
    // when storing; loading reads only the converted flag, and only from schema 4 on.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    // The parameters the kind writes; the semiconductors keep no list.
    virtual void BuildCompareList(int kind);

    // Gives the page another wizard and parameter set (the cookie the page now holds).
    void Rebind(CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params);
    // The same by the cookie of request 23, as the page wizard template hands it over; the
    // page keeps the state it works on.
    void Rebind(CWizardBase4* wizard, DWORD_PTR cookie) { Rebind(wizard, m_pState, HolderFromCookie(cookie)); }
    DWORD_PTR GetCookie() const { return reinterpret_cast<DWORD_PTR>(m_pParams); }
    ParamHolder* GetParams() const { return m_pParams; }
    // The wizard's state before the page is shown.
    void SetCharacteristicState(LONG modeWord, CString xAxisLabel, CString yAxisLabel);
    // Brings the mode word up to date and marks the parameters the kind does not use.
    void UpdateModeAndUsage();
    // Defaults on a hidden page; with 1 the result goes to the wizard.
    void DeriveInitialMode(int toWizard);
    // The element's symbol shows the kind of the mode word (mask 1, 2 or 4), as the page's own
    // drawing does; a page without kind letters, or a characteristic taken from another
    // element, leaves the symbol as it is.
    void ShowKindInSymbol();
    // The document's file for the table, which OK names in the table file's field and
    // parameter while the table's points go to it (not to a user's file nor a reference), named
    // there now.
    void NameDocumentFile();
    // Reads element data of the older wizard generation (layout in the .cpp).
    void ConvertWizard3Data(const void* data, long length);
    // Older page blocks: the table's file parameters get their marks. 0 when 1012 or 2016
    // is missing, else 1.
    int UpgradeCharacteristicParams();

    LONG GetModeWord() const { return m_lModeWord; }
    BOOL GetConverted() const { return m_bConverted; }
    const CTBDrawSymbol* GetSymbol() const { return m_pSymbol; }
    const CString& GetXAxisLabel() const { return m_strXAxisLabel; }
    const CString& GetYAxisLabel() const { return m_strYAxisLabel; }
    // The table block of older data, kept until the wizard takes it.
    const std::vector<BYTE>& GetTableBlock() const { return m_TableBlock; }
    void FreeTableBlock() { std::vector<BYTE>().swap(m_TableBlock); }

protected:
    // The runtime-class form of a page on another template.
    explicit CPropSemiDiode(UINT templateID) : CTBPropertyPage(templateID) {}
    CPropSemiDiode(UINT templateID, CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params);

    // What the page of the six adds; the diode page has none of it.
    virtual bool HasControlSignal() const { return false; }
    virtual int ElementNamePinControl() const { return 2071; }
    virtual CRuntimeClass* PageClass() const { return RUNTIME_CLASS(CPropSemiDiode); }

    void RegisterLayout(UINT templateID);
    // The text member of a value field (null for any other ID).
    CString* ValueText(WORD id);
    // The unit list of a value field (null for any other ID).
    CTBUnitComboBox* UnitCombo(WORD id);
    // The wizard's table with the wizard recorded as its owner (null without a wizard).
    CPropCharacteristicXYTable* Table();
    // -1 for "Element Name", else the entry of the kind list; the mode word's kind when no
    // entry is selected.
    LONG KindFromControls();
    // Adds the file flags of the table and the pin to the mode word.
    void AddFlags(LONG kind);
    // The kind from the controls (when the page has its window) with its flags into the mode
    // word, and the list of parameters it writes.
    void SettleModeFromControls();
    void SetControlsFromMode();
    // Rules of the kind and the pins (each copies the controls into the fields first unless told not to).
    void UpdateSourceControls(bool readControls = true);
    void ApplyKind(bool readControls = true);
    void ApplyCharacteristicPin(bool readControls = true);
    void UpdatePinEnables();
    void ToggleOutput(BOOL& flag, WORD valueID);
    void EnableControl(int id, BOOL enable);
    void ShowControl(int id, bool show);

    void OnClickedSource();
    void OnSelchangeKind();
    void OnClickedElementNamePin();
    void OnClickedCharacteristicPin();
    void OnClickedCharacteristic();
    void OnClickedControlSignalPin();
    void OnClickedVoltageOutput();
    void OnClickedCurrentOutput();
    void OnFieldChanged();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CWizardBase4* m_pWizard = nullptr;
    CSemiconductorState* m_pState = nullptr;
    ParamHolder* m_pParams = nullptr;  // the cookie of request 23
    std::vector<BYTE> m_TableBlock;
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    CTBUnitComboBox m_cmbThermalVoltage;      // 2512
    CTBUnitComboBox m_cmbSaturationCurrent;   // 2511
    CTBUnitComboBox m_cmbReverseResistance;   // 2510
    CTBUnitComboBox m_cmbForwardVoltage;      // 2508
    CTBUnitComboBox m_cmbBulkResistance;      // 2509
    CButton m_radElementName;                 // 2081
    CButton m_radType;                        // 2078
    CComboBox m_cmbKind;                      // 2080
    BOOL m_bShowName = FALSE;
    BOOL m_bElementNamePin = FALSE;
    BOOL m_bControlSignalPin = FALSE;
    CString m_strBulkResistance;
    CString m_strControlSignal;
    CString m_strForwardVoltage;
    CString m_strName;
    CString m_strSaturationCurrent;
    CString m_strThermalVoltage;
    CString m_strElementName;
    CString m_strVariableName;
    CString m_strFileName;
    CString m_strReverseResistance;
    BOOL m_bVoltageOutput = FALSE;
    BOOL m_bCurrentOutput = FALSE;
    BOOL m_bCharacteristicPin = FALSE;
    LONG m_lModeWord = 0;
    BOOL m_bConverted = TRUE;
};

// The page of IDs 9 to 14 (dialog 104): the diode page with the control signal 2084 and its
// "Use Pin" 2073; the element name's "Use Pin" is 2086.
class CPropSemiRest : public CPropSemiDiode {
    DECLARE_SERIAL(CPropSemiRest)
public:
    CPropSemiRest();
    CPropSemiRest(CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params);

protected:
    bool HasControlSignal() const override { return true; }
    int ElementNamePinControl() const override { return 2086; }
    CRuntimeClass* PageClass() const override { return RUNTIME_CLASS(CPropSemiRest); }
};

// What the diode wizard and the wizards of the six do alike: the state they keep, archive and
// copy, the page of mode 1 with the state handed over, and Initialize and the conversion of
// older data on a hidden page of their own.
template <class Page, class Self, UINT PageTemplate>
class TSemiconductorWizard4 : public qv::wizards::TPageWizard4<Page, Self> {
public:
    TSemiconductorWizard4() = default;
    // The copy used by Clone: the state (the table deeply), never the page.
    explicit TSemiconductorWizard4(const Self* other) : qv::wizards::TPageWizard4<Page, Self>(other) {
        m_State.CopyFrom(other ? &other->State() : nullptr);
    }

    int GetWizardKind() override { return 3; }
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // Writes the table file for data pairs, fills "@TYPE" with the keyword of the prefix and
    // returns the kind.
    LONG WriteSimDescrType(CFile* file, const CString& templ, CString& modelText, const char* prefix);

    // Called by the page.
    void SetModeAndAxisLabels(LONG modeWord, CString xAxisLabel, CString yAxisLabel) {
        m_State.SetModeAndAxisLabels(modeWord, xAxisLabel, yAxisLabel);
    }
    void SetExtraTextA(CString text) { m_State.SetExtraTextA(text); }
    void SetExtraTextB(CString text) { m_State.SetExtraTextB(text); }

    CSemiconductorState& State() { return m_State; }
    const CSemiconductorState& State() const { return m_State; }
    LONG GetModeWord() const { return m_State.GetModeWord(); }

    // The steps of the page wizard template: the page works on the wizard's state.
    Page* MakePage(DWORD_PTR cookie);
    void GiveSettingsToPage(Page& page) {
        page.SetCharacteristicState(m_State.GetModeWord(), m_State.GetXAxisLabel(), m_State.GetYAxisLabel());
    }

private:
    CSemiconductorState m_State;
};

class CDiodeWizard4 : public TSemiconductorWizard4<CPropSemiDiode, CDiodeWizard4, qv::power::kDiodeTemplate> {
    DECLARE_DYNAMIC(CDiodeWizard4)
public:
    using TSemiconductorWizard4::TSemiconductorWizard4;
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
};

// The six power semiconductors: everything but the keyword prefix is shared here.
class CSemiconductorWizardBase4
    : public TSemiconductorWizard4<CPropSemiRest, CSemiconductorWizardBase4, qv::power::kPowerTemplate> {
    DECLARE_DYNAMIC(CSemiconductorWizardBase4)
public:
    using TSemiconductorWizard4::TSemiconductorWizard4;
    CWizardBase4* Clone() override = 0;
};

// One class per element; they differ only in the keyword prefix.
#define PARVEL_POWER_WIZARD(ClassName)                                                          \
    class ClassName : public CSemiconductorWizardBase4 {                                        \
        DECLARE_DYNAMIC(ClassName)                                                              \
    public:                                                                                     \
        using CSemiconductorWizardBase4::CSemiconductorWizardBase4;                             \
        CWizardBase4* Clone() override;                                                         \
        int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;     \
    };

PARVEL_POWER_WIZARD(CIgbtWizard4)
PARVEL_POWER_WIZARD(CMosfetWizard4)
PARVEL_POWER_WIZARD(CBjtWizard4)
PARVEL_POWER_WIZARD(CGtoWizard4)
PARVEL_POWER_WIZARD(CThyristorWizard4)
PARVEL_POWER_WIZARD(CTriacWizard4)

#undef PARVEL_POWER_WIZARD
