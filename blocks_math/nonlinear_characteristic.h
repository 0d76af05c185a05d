// Nonlinear characteristic block (wizard ID 65): y = f(x) of the block's input signal. The
// characteristic comes from one of three sources, which the wizard's embedded characteristic
// table keeps:
//   - reference form: another element's output ("XY.VAL") in "CH", or a pin;
//   - inline form: a look-up table named by an existing table variable ("CH_STRG"), written
//     into the model text as it is;
//   - file form: data pairs, written to an ".mdx" data file ("CH_FILE") that the model text
//     names (the default name "<document>__<element>.mdx" unless the user named the file).
// The block's page (dialog 2570) edits the input, the sample time, the output and opens the
// characteristic table in a sheet of its own.
//
// Parameters (value ID = dialog control; only input parameters, Type bit 0x04, are read and
// written):
//
// | Value ID | Name      | Role                                                            |
// |----------|-----------|-----------------------------------------------------------------|
// | 2186     | "INPUT"   | input signal; "Use Pin" 2073                                    |
// | 2016     | "CH"      | reference text; "Use Pin" 2075; elements without 1006 also keep |
// |          |           | the data-file name here                                         |
// | 1007     | "CH_STRG" | table variable (inline form)                                    |
// | 1006     | "CH_FILE" | data-file name (file form)                                      |
// | 2183     | "TS"      | sample time; list 2183 with unit 2400; "Use Pin" 2074           |
// | 2056     |           | block output ("SDB" entry)                                      |
//
// ExtType bit 0x20000 marks the characteristic parameters the current form does not use:
// reference form 1006 and 1007, inline form 2016 and 1006, file form 2016 and 1007.
//
// Wizard archive (sheet version 4): WORD schema 0, DWORD mode word, DWORD characteristic kind,
// four texts (x-axis label, y-axis label, third and fourth channel text), the characteristic
// table's own record, DWORD n and n parameter snapshots. A schema other than 0 reads nothing
// after the WORD.
#pragma once

#include "afx/afxwin.h"
#include "framework/block_page_fields.h"
#include "framework/characteristic_wizard_state.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/xy_table.h"
#include "framework/sheet_serialize.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <vector>

namespace qv::blocks {
constexpr WORD kIdCharacteristicRef = 2016;
constexpr WORD kIdCharacteristicVar = 1007;
constexpr WORD kIdCharacteristicFile = 1006;
constexpr UINT kNonlinearCharacteristicTemplate = 2570;
// Mode-word bits: the table is a variable written inline; the user named the data file.
constexpr DWORD kModeInlineTable = 0x4000;
constexpr DWORD kModeOwnFileName = 0x8000;
} // namespace qv::blocks

class CNonlinearCharacteristicWizard4;

class CPropNonlinearCharacteristicBlock : public TBlockPageFields<TElementPage<CNonlinearCharacteristicWizard4>> {
    DECLARE_SERIAL(CPropNonlinearCharacteristicBlock)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropNonlinearCharacteristicBlock();
    CPropNonlinearCharacteristicBlock(CNonlinearCharacteristicWizard4* wizard, DWORD_PTR cookie);

    // The page record of older data: class record, page version, kind, converted flag (from
    // version 4 on). A record without the flag converts the old parameter layout.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    // The wizard's state before the page is shown; the snapshots are copied.
    void SetData(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel, const CPtrArray* snapshots);
    // The snapshots of the parameters the current form lists: "INPUT", then "CH" (reference
    // form) or "CH_STRG" / "CH_FILE" named "@CH" (table forms), then "TS".
    void BuildCompareList();
    // The mode word from the characteristic table's flags and the ExtType marks of 2016,
    // 1006 and 1007 for the form; nothing unless all three parameters exist.
    void UpdateCharacteristicFlags();
    // Reads a block of the older wizard generation (layout in the .cpp) into the page and the
    // wizard.
    void ConvertWizard3Data(const void* data, long length);
    // The settings of a hidden page that rebuilds the snapshots; with keepForm the wizard's
    // own form is kept when the parameters say the element uses a table.
    void InitDefaults(bool keepForm);
    void OnCharacteristic();

    DWORD GetKind() const { return m_dwKind; }
    DWORD GetModeWord() const { return m_dwModeWord; }
    DWORD GetConvertedFlag() const { return m_dwConverted; }

protected:
    CPropCharacteristicXYTable* Table();
    // The old parameter layout kept the characteristic text in 2016.
    void ConvertOldParameters();
    void SnapshotOf(const char* name, const char* rename);
    DWORD ModeFromTable();

    void OnCharacteristicUsePin();
    void OnInputUsePin();
    void OnSampleTimeUsePin();
    void OnOutput();
    void OnSampleTimeChosen();
    void OnSampleTimeTyped();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    std::vector<BYTE> m_OldCharacteristic;
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    DWORD m_dwKind = 0;
    CComboBox m_cmbSampleTime;
    BOOL m_bCharacteristicPin = FALSE;
    CString m_strReference;
    CString m_strVariable;
    CString m_strFileName;
    DWORD m_dwModeWord = 0;
    DWORD m_dwConverted = 1;
};

class CNonlinearCharacteristicWizard4
    : public qv::wizards::TPageWizard4<CPropNonlinearCharacteristicBlock, CNonlinearCharacteristicWizard4>,
      public TCharacteristicStateAccess<CNonlinearCharacteristicWizard4> {
    DECLARE_DYNAMIC(CNonlinearCharacteristicWizard4)
public:
    CNonlinearCharacteristicWizard4() = default;
    // The copy Clone makes; a null source gives the defaults.
    explicit CNonlinearCharacteristicWizard4(const CNonlinearCharacteristicWizard4* other);
    ~CNonlinearCharacteristicWizard4() override;

    int GetWizardKind() override { return 3; }
    // The wizard's own settings to the page on the sheet.
    void GiveSettingsToPage(CPropNonlinearCharacteristicBlock& page);
    // The page looks for characteristic files in the folders of this schematic.
    void PrepareEditing();
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // The page's way back: kind, mode word, labels and a copy of the snapshots (the old ones
    // are deleted; handing over the wizard's own list keeps it).
    void SetData(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel, const CPtrArray* snapshots);
    void SetChannelTexts(CString third, CString fourth) {
        m_State.thirdText = third;
        m_State.fourthText = fourth;
    }

private:
    // Rebuilds the snapshots on a hidden page of the wizard's own.
    void Reinitialize(bool keepForm);

    friend class TCharacteristicStateAccess<CNonlinearCharacteristicWizard4>;
    CharacteristicWizardState m_State;
};
