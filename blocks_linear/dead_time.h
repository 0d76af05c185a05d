// The dead-time element (wizard ID 82): a block that delays its input by a number of samples.
// Its initial values (the delay buffer before the first sample) are given in one of three
// modes chosen on its page (dialog 2579):
// - Separate (1): one parameter "Y0[i]" per sample, i = 0..NH-1;
// - File Name (0): the values are kept in the wizard as points and written, each time the
//   model description is written, to a two-channel data file named by "FILE";
// - File Reference (0x4000): the model text names, unquoted, the file the user typed.
//
// | Value ID | Name     | Role                                                          |
// |----------|----------|---------------------------------------------------------------|
// | 2186     | "INPUT"  | input signal; "Use Pin" 2073                                  |
// | 2202     | "TS"     | sample time, list 2183 ("System" = "0", "1m"), unit 2400, pin 2074 |
// | 2042     | "NH"     | number of samples                                             |
// | 2134     | "Y0[%i]" | initial values; the member with Type bit 0x02 is the template |
// | 2117     | "FILE"   | data-file name                                                |
// | 1012     | -        | file reference                                                |
// | 2056     | -        | block output ("SDB")                                          |
//
// Wizard archive (sheet version 4): WORD schema 0, DWORD mode, DWORD n, n CDataPoint records,
// DWORD m, m CCopaObjectCompare records. Page archive: class record of CPropDeadBlock,
// DWORD 10, DWORD converted flag (before version 5: DWORD old mode instead).
// Initial-value file: channel 0 "X" (0..n-1), channel 1 "Initial Value", no units.
#pragma once

#include "afx/afxwin.h"
#include "framework/block_page_fields.h"
#include "framework/page_table_file.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/param_set_page.h"
#include "framework/sheet_serialize.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_edits.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <vector>

namespace qv::blocks {
constexpr UINT kDeadTimeTemplate = 2579;
constexpr DWORD kDeadModeSeparate = 1;
constexpr DWORD kDeadModeFileName = 0;
constexpr DWORD kDeadModeFileReference = 0x4000;
constexpr WORD kIdDeadSamples = 2042;
constexpr WORD kIdDeadInitial = 2134;
constexpr WORD kIdDeadFile = 2117;
constexpr WORD kIdDeadReference = 1012;
constexpr WORD kIdDeadSampleTime = 2202;
constexpr DWORD kDeadPageVersion = 10;
} // namespace qv::blocks

class CDeadTimeBlockWizard4;

class CPropDeadBlock : public TBlockPageFields<CParamSetPage> {
    DECLARE_SERIAL(CPropDeadBlock)
public:
    CPropDeadBlock();
    CPropDeadBlock(CDeadTimeBlockWizard4* wizard, DWORD_PTR cookie);
    ~CPropDeadBlock() override;

    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    // The wizard's state: mode, values (y of the points) and snapshots.
    void LoadFrom(DWORD mode, const CPtrArray& points, const CPtrArray& snapshots);
    // Snapshots for the mode and, with toWizard 1, mode, values and snapshots to the wizard.
    void TransferToWizard(int toWizard);
    void MarkUnusedParameters();
    BOOL ConvertFileParameters();
    // The older wizard's data block; mode, values and snapshots go to the wizard.
    void ConvertWizard3Data(const void* data, long size);

    // Initial-value files.
    BOOL ReadInitialValueFile(CString path);
    BOOL WriteInitialValueFile(CString name, int format);
    void MakeFileNameRelative();

    DWORD GetMode() const { return m_dwMode; }
    const std::vector<double>& GetValues() const { return m_values; }
    const CPtrArray& GetSnapshots() const { return m_snapshots; }
    CTBEditListCtrl& List() { return m_lstValues; }
    const CString& GetPageFolder() const { return m_strFolder; }
    const CString& GetFileName() const { return m_strFileName; }
    int GetFileFormat() const { return m_nFileFormat; }

protected:
    // The wizard the page belongs to (the one it was made or rebound with).
    CDeadTimeBlockWizard4* DeadTimeWizard() const;
    void LoadParameters();
    void StoreParameters();
    void BuildCompareList(DWORD kind);
    void CheckModeRadio();
    DWORD ModeFromRadios() const;
    void EnableValueFieldByPin();
    void UpdateValueDescriptions();
    int GetHighestRowIndex() const;
    void RenumberRows();
    void TakeValuesFromList();
    void FindAndReadFile();
    // The file modes: the list shows the values numbered, replaced by the data file when it is
    // found.
    void ListFileValues();
    void SetFirstColumnHeading(UINT stringID);
    void CompleteFileName();
    void MoveRow(int from, int to);

    void OnInitialValueMode();
    void OnInputPin();
    void OnSampleTimePin();
    void OnOutput();
    void OnSampleTimeTyped();
    void OnSampleTimeChosen();
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnParamNew();
    void OnParamDelete();
    void OnParamDeleteAll();
    void OnParamMoveUp();
    void OnParamMoveDown();
    void OnListMenu(UINT command);
    void OnUpdateListCommand(CCmdUI* pCmdUI);
    void OnImportFile();
    void OnExportFile();
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CPtrArray m_snapshots;
    CString m_strFolder;
    // The files the values were read from, refused, named or written, for the question before
    // a write replaces a file.
    qv::files::DataFileKnowledge m_known;
    int m_bSeparate = 1;
    int m_bInitialising = 0;
    CWizardCopaObject3* m_pTemplate = nullptr;
    CPtrArray m_y0;
    std::vector<double> m_values;
    CTBBrowseEdit m_edtFile;
    CComboBox m_cmbSampleTime;
    CTBEditListCtrl m_lstValues;
    CString m_strFileName;
    CString m_strSamples;
    CString m_strReference;
    DWORD m_dwMode = 0;
    DWORD m_dwConverted = 1;
    int m_nFileFormat = 0;
};

class CDeadTimeBlockWizard4 : public qv::wizards::TPageWizard4<CPropDeadBlock, CDeadTimeBlockWizard4> {
    DECLARE_DYNAMIC(CDeadTimeBlockWizard4)
public:
    CDeadTimeBlockWizard4() = default;
    explicit CDeadTimeBlockWizard4(const CDeadTimeBlockWizard4* other);
    ~CDeadTimeBlockWizard4() override;

    int GetWizardKind() override { return 3; }
    // A page of an earlier call gives its cookie back and goes; editing makes a new one.
    static constexpr bool kReplaceEarlierPage = true;
    // The page looks for initial-value files in the folders of this schematic.
    void PrepareEditing();
    // The wizard's own settings to the page on the sheet.
    void GiveSettingsToPage(CPropDeadBlock& page);
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    BOOL DoConversionFrom4x() override;

    // The page hands over its state: mode, one point (i, value i) per value, the snapshots.
    void TakePageData(DWORD mode, const std::vector<double>& values, const CPtrArray& snapshots);
    // 4.x sets: the comma-separated list in the template's value becomes "Y0[i]" parameters.
    void ConvertOldInitialValues(DWORD_PTR cookie);

    WORD GetSchema() const { return m_wSchema; }
    DWORD GetMode() const { return m_dwMode; }
    const CPtrArray& GetPoints() const { return m_points; }
    const CPtrArray& GetSnapshots() const { return m_snapshots; }

private:
    void ClearLists();
    qv::wizards::THiddenPage<CPropDeadBlock> OpenHiddenPage(DWORD_PTR cookie);
    WORD m_wSchema = 0;
    DWORD m_dwMode = 0;
    CPtrArray m_snapshots;
    CPtrArray m_points;
};
