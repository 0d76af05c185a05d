// The characteristic table of a nonlinear element: y = f(x) given either as a reference to
// another element or as a look-up table (a file reference by variable name, or data pairs
// kept here and optionally in a data file). The one class is both the keeper of that state,
// which owning wizards embed, archive, copy and read when they write model text, and the
// property page "Characteristic" on which the user edits it.
#pragma once

#include "afx/afxwin.h"
#include "framework/data_classes.h"
#include "framework/data_file_target.h"
#include "framework/point_table_list.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_edits.h"
#include "toolkit/tb_page.h"

#include <vector>

class CCharacteristicDlg;
class CWizardBase3;
class CWizardBase4;

class CPropCharacteristicXYTable : public CTBPropertyPage {
    DECLARE_SERIAL(CPropCharacteristicXYTable)
public:
    enum { IDD = 2594 };

    // Characteristic kind.
    static constexpr DWORD kKindReference = 0;
    static constexpr DWORD kKindLookUp = 1;
    // Table source of a look-up table.
    static constexpr DWORD kSourceFileReference = 0;
    static constexpr DWORD kSourceDataPairs = 1;

    // A new table is a Reference whose look-up part would take data pairs; file name ".mdx".
    CPropCharacteristicXYTable();
    // As the default, then a copy of the block (when length > 0) and the older-base owner.
    CPropCharacteristicXYTable(const BYTE* block, int length, CWizardBase3* owner);
    ~CPropCharacteristicXYTable() override;

    // Stores or loads the state in the fixed archive form (see xy_table.cpp). A load that
    // fails raises the archive's exception and leaves the state as it was.
    void Serialize(CArchive& ar) override;

    // The saved block: the object's own archive image, held as a copy. No block for a
    // length of 0 or less (the length is kept as given).
    void SetData(const BYTE* block, int length);
    const BYTE* GetDataBlock() const { return m_pBlock; }
    int GetDataLength() const { return m_nBlockLength; }
    // Reads the whole state from the saved block. FALSE when there is no block or it cannot
    // be read; a block that cannot be read leaves the state as it was.
    BOOL LoadFromData();
    // Sets *out to the point list; an empty list is first read from the saved block when
    // there is one. With neither points nor block *out stays as it was.
    void GetPoints(CPtrArray** out);
    // Takes over every setting of other and a deep copy of its points and block; nothing for
    // a null argument.
    void CopyFrom(const CPropCharacteristicXYTable* other);

    // Accessors of the state.
    CString GetReference() const { return m_strReference; }
    void SetReference(CString text) { m_strReference = text; }
    CString GetVariableName() const { return m_strVariableName; }
    void SetVariableName(CString text) { m_strVariableName = text; }
    CString GetFileName() const { return m_strFileName; }
    void SetFileName(CString text) { m_strFileName = text; }
    void SetXAxisLabel(CString text) { m_strXAxisLabel = text; }
    void SetYAxisLabel(CString text) { m_strYAxisLabel = text; }
    CString GetXAxisLabel() const { return m_strXAxisLabel; }
    CString GetYAxisLabel() const { return m_strYAxisLabel; }
    void SetComponentName(CString text) { m_strComponentName = text; }
    CString GetComponentName() const { return m_strComponentName; }
    // Put between component name and file name when the file name is only an extension.
    void SetFileNameInfix(CString text) { m_strFileNameInfix = text; }
    // The suffix of the document-based default file name.
    void SetDefaultNameSuffix(CString text) { m_strFileNameSuffix = text; }
    CString GetDefaultNameSuffix() const { return m_strFileNameSuffix; }
    // The name of the owner's parameter that carries this characteristic ("CHLE", "CHM").
    void SetParameterName(CString text) { m_strParameterName = text; }
    CString GetParameterName() const { return m_strParameterName; }
    // Characteristic kind: 1 look-up table, 0 reference.
    DWORD GetMode() const { return m_dwKind; }
    void SetMode(DWORD kind) { m_dwKind = kind == kKindLookUp ? kKindLookUp : kKindReference; }
    // Table source of the look-up table: non-zero for data pairs, 0 for a file reference.
    DWORD GetDataPairsFlag() const { return m_dwTableSource; }
    void SetDataPairsFlag(DWORD dataPairs) { m_dwTableSource = dataPairs; }
    // The "File Name" box: the data pairs are also kept in the named data file.
    BOOL GetUserFileFlag() const { return m_bWriteFile; }
    void SetUserFileFlag(BOOL on) { m_bWriteFile = on; }
    CString GetFileDirectory() const { return m_strFileDirectory; }
    void SetFileDirectory(CString directory) { m_strFileDirectory = directory; }
    // Format index of the data file read last; -1 for a text file that cannot be written back.
    int GetFileSaveVersion() const { return m_nFileSaveVersion; }
    const CPtrArray& Points() const { return m_points; }

    // Owners. A wizard on the newer base: the table forms default file names through it and
    // keeps no saved block on apply (the wizard archives the table in-line). Null clears it.
    void SetOwnerWizard(CWizardBase4* wizard) { m_pOwner4 = wizard; }
    CWizardBase4* GetOwnerWizard() const { return m_pOwner4; }
    BOOL IsOwnerOfKind4() const { return m_pOwner4 != nullptr ? TRUE : FALSE; }
    // A wizard on the older base (it keeps the table as a saved block).
    void SetOwnerWizard3(CWizardBase3* wizard) { m_pOwner3 = wizard; }
    CWizardBase3* GetOwnerWizard3() const { return m_pOwner3; }

    // Hands the open preview the address of the point list.
    void LinkPointArray();
    // Makes the file name bare when its folder is the file directory, the document directory
    // or a characteristic search directory; otherwise it stays a full path.
    void MakeFileNameRelative();
    // A table that writes no file of the user's keeps a name its page derived from the
    // element's name as the table was last open. When the element has been renamed since, the
    // name follows the new one, as the page would derive it on opening and applying again, so
    // that the element stored and the element made again under its new name keep the same.
    void FollowRenamedElement();
    // The open preview (null when none was opened).
    CCharacteristicDlg* GetPreview() const { return m_pPreview; }

    // Data files. ImportFile reads a two-channel file into the points (the table is left as
    // it was when the file cannot be taken); ExportFile writes the points to file directory
    // + file name (the file name made writable, kept as written) in the format given and
    // announces the file to the editor. A file there that is not the element's own is replaced
    // only after the user agreed (ChooseDataFileTarget); FALSE, changing nothing, otherwise.
    BOOL ImportFile(const CString& path);
    BOOL ExportFile(int version);
    // The name ExportFile writes a named table under: a "*" in the name part takes the
    // component's name, one in the extension ".mdx"; a table read from a text file is an
    // ".mdx" file.
    CString ExportedFileName(const CString& fileName) const;
    // What the page knows of its table's files; an owner with more than one table names the
    // others' files here, so that this table is never written over one of them.
    qv::files::DataFileKnowledge& FileKnowledge() { return m_known; }

    // Check of the points on apply: 0 when the x values rise or fall strictly, else the
    // string ID of the message (8009 constant, 8010 not rising, 8011 not falling).
    static UINT CheckMonotonic(const CPtrArray& points);
    // The extension patterns of a file-dialog filter entry "Description (*.ext)|*.ext": the
    // text from just after the first "*" up to the character before the first "|" (the
    // closing parenthesis of the description); a second "*" in it splits it into two
    // patterns. An entry without "*" or "|", or whose "*" does not come before the "|",
    // yields none.
    static std::vector<CString> FilterPatterns(const CString& entry);

    // The page.
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* pDX) override;

protected:
    // Rules of the page (each copies the controls into the fields first unless told not to).
    void ApplyKindRule();
    void ApplySourceRule(bool readControls = true);
    void ApplyWriteFileRule(bool readControls = true);
    // The warning label shown while some x does not rise above the one before (the whole
    // table counted anew), and as the rising check has it.
    void UpdateMonotonicWarning();
    void SetCellUnits(int row);
    void ShowRisingCheck();
    void UpdateRowButtons();
    void SetRowNumber(int row);
    // Writes the point's values into the row ("%.15g"); the cells keep the exact values.
    void SetRowValues(int row, const CDataPoint& point);
    void RefreshValueCells();
    // Stores a point at an index; a gap before it is filled with (0, 0) points and a point
    // already at the index is replaced. The list takes the point.
    void StorePoint(int index, CDataPoint* point);
    void DeletePoints();
    // Destroys the preview window, if any, and deletes the preview.
    void ClosePreview();
    void SaveBlock();
    void ShowFields() { UpdateData(FALSE); }
    void MoveSelectedRow(int delta);

    void OnClickedKind();
    void OnClickedSource();
    void OnClickedWriteFile();
    void OnTextChanged();
    // The file name typed marks the page modified.
    void OnFileNameTyped();
    void OnNewRow();
    void OnDeleteRow();
    void OnDeleteAllRows();
    void OnMoveUp();
    void OnMoveDown();
    void OnImport();
    void OnExport();
    void OnShowPreview();
    void OnListClicked(NMHDR* pNMHDR, LRESULT* pResult);
    void OnUpdateNeedsSelection(CCmdUI* pCmdUI);
    void OnUpdateAlways(CCmdUI* pCmdUI);
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    LRESULT OnListSelChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnPreviewClosed(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

    // State kept in the archive.
    DWORD m_dwKind = kKindReference;
    CString m_strReference;
    CString m_strFileName = ".mdx";
    BOOL m_bWriteFile = FALSE;
    CPtrArray m_points;  // owned CDataPoint pointers, never null
    qv::pointtable::RisingCheck m_rising;  // what the monotony warning shows
    DWORD m_dwTableSource = kSourceDataPairs;
    CString m_strVariableName;

    // State the owners set.
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    CString m_strComponentName;
    CString m_strFileNameInfix;
    CString m_strFileDirectory;
    CString m_strFileNameSuffix;
    CString m_strParameterName;
    CWizardBase3* m_pOwner3 = nullptr;
    CWizardBase4* m_pOwner4 = nullptr;

    BYTE* m_pBlock = nullptr;
    int m_nBlockLength = 0;
    CCharacteristicDlg* m_pPreview = nullptr;
    int m_nFileSaveVersion = 0;
    qv::files::DataFileKnowledge m_known;  // the files the user refused or chose, while it is edited

    // Controls.
    CTBEditListCtrl m_list;
    CTBBrowseEdit m_fileEdit;
    CImageList m_listButtonImages;
    CImageList m_fileButtonImages;
};

// The look-up-only variant of the semiconductor wizards: the Reference controls are hidden
// and the kind is Look-up Table. It archives under the base class's name.
class CPropCharacteristicXYTableLUT : public CPropCharacteristicXYTable {
public:
    CPropCharacteristicXYTableLUT() = default;
    CPropCharacteristicXYTableLUT(const BYTE* block, int length, CWizardBase3* owner)
        : CPropCharacteristicXYTable(block, length, owner) {}
    BOOL OnInitDialog() override;
};
