// What the pages of the (x, y) point tables share: the 2D lookup table and the data-pairs time
// function edit their points in the same list, keep the same snapshot list and data-file
// names, and show their curve in the same preview.
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_preview.h"
#include "framework/data_classes.h"
#include "framework/data_file_table_page.h"
#include "framework/data_file_places.h"
#include "framework/page_wizard.h"
#include "framework/point_table_list.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"

namespace qv::pointtable {
// The controls and texts the point-table pages share: the source of the table (its own
// pairs, or a data file given by reference), the table, its monotony warning and the
// captions of its columns.
constexpr int kCtlReferenceRadio = 2293;
constexpr int kCtlPairsRadio = 2397;
constexpr int kCtlReference = 2425;
constexpr int kCtlTable = 2121;
constexpr int kCtlWarning = 2120;
using namespace qv::strings;
} // namespace qv::pointtable

class CPointTablePage : public CDataFileTablePage {
public:
    CPointTablePage(UINT templ, DWORD_PTR cookie) : CDataFileTablePage(templ, cookie) {}
    ~CPointTablePage() override;

    const CPtrArray& Points() const { return m_points; }
    bool HasNoRows() const override { return m_points.GetSize() == 0; }

    // The table read from a data file of two channels.
    BOOL ImportFile(const CString& path) override;
    // The table written as an ".mdx" file (the text format is only read).
    BOOL ExportFile(const CString& fileName, int format) override;

    void OnDeleteRow();
    void OnDeleteAllRows();
    // The row buttons and commands, the file buttons, "Show" and the table's messages reach
    // each page's own handlers through the base's message map.
    virtual void OnNewRow() = 0;
    void OnMoveUp() { MoveRow(-1); }
    void OnMoveDown() { MoveRow(1); }
    virtual void OnBrowseRead() = 0;
    virtual void OnBrowseWrite() = 0;
    virtual void OnShow() = 0;
    // The warning label shows while some x does not rise above the one before (the whole
    // table counted anew).
    void ShowMonotonyWarning();
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    // The file-name and file-reference parameters marked by the source in use (the reference
    // read from the radios while the page has a window).
    virtual void UpdateParameterFlags() = 0;

protected:
    // The controls every point-table page has: the table, the file name and its flag, the
    // element's name, "Show Name", the output switch and the file reference.
    void DoDataExchange(CDataExchange* pDX) override;
    // The dialog opened with the table's columns "No.", "X" + xLabel and "Y" + yLabel (their
    // widths from the user's profile) and the output switch captioned with its unit; data files
    // are looked for in the document's folder.
    void OpenTableDialog(const CString& xLabel, const CString& yLabel);
    // Swaps the selected row with the one `delta` rows away.
    virtual void MoveRow(int delta) = 0;
    // Swaps the selected point with the one `delta` rows away; false, changing nothing, when
    // either row is outside the table. The rows' texts are the caller's.
    bool SwapSelectedPoint(int delta, int& row, int& other);
    void FillList();
    // The snapshot list of the parameters the model text uses, made anew.
    virtual void SnapshotParameters() = 0;
    // The page's table, snapshots and settings handed to its wizard.
    virtual void HandOver() = 0;
    // The parameter edits enabled by the source and the pins, when the page becomes active.
    virtual void EnableParamEdits() = 0;
    // The channels (names and units) a read data file brings with its points.
    virtual void TakeImportedAxes(const CExImPortChannel& /*x*/, const CExImPortChannel& /*y*/) {}
    // The preview's points made from the table.
    virtual void RemakePreviewPoints() = 0;
    // Opens the preview, or redraws an open one, with the preview points made anew.
    void ShowPreview(const CString& xLabel, const CString& yLabel);
    // An open preview redrawn at once with the preview points made anew; false, doing
    // nothing, when no preview is open.
    bool RedrawOpenPreview();
    // The parameter set's file-name (2117) and file-reference (1012) parameters set from the
    // page. The rest of an apply: snapshots and hand-over, the column widths saved, the
    // table written to its chosen data file (unless it is a reference) and the set committed;
    // false when the file or the commit fails.
    void WriteFileParameters();
    bool HandOverAndCommit(bool reference);
    // What every apply ends with once the set is committed.
    BOOL EndApply();
    // Of older data: the pin of the file-name parameter sets the flag word's reference bit and
    // the file name's type field is set; false, changing nothing, unless both file
    // parameters are there.
    bool TakeOldFilePin(DWORD& flagWord);
    // The file name copied into the reference parameter, and the set committed.
    void CopyFileNameToReference();
    // The block of the older wizard generation: DWORD flag word, a DWORD not read, L1 and L1
    // bytes not read, L2 and L2 bytes of the page's archive form (given to Serialize), L3 and
    // L3 bytes not read, L4 and L4 bytes of the point block. Each part is read only while it
    // fits; the flag word is taken before the archive form is read.
    void ReadOlderTableBlock(const void* data, long length);
    virtual void TakeOlderFlags(DWORD flags) = 0;
    virtual void TakeOlderPoints(const BYTE* block, size_t size) = 0;
    // A cell of the table edited (wParam the list, lParam its row and column).
    virtual LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam) = 0;
    // The preview asks for its points anew.
    LRESULT OnPreviewRefresh(WPARAM wParam, LPARAM lParam);
    void OnMarkModified();
    // Delete and the moves need a selected row; New and Delete All are always there.
    void OnUpdateRowCommand(CCmdUI* pCmdUI);
    // A click, right click or the focus on the table: Delete and the moves are enabled only
    // while a row is selected.
    void OnTableClicked(NMHDR* pNMHDR, LRESULT* pResult);
    // The channels' names and units a file written by ExportFile carries.
    virtual void ChannelNames(CString& xName, CString& xUnit, CString& yName, CString& yUnit) const = 0;
    // Of the file-name (2117) and file-reference (1012) parameters, the one in use is shown.
    void MarkFileParameters(bool reference);
    // Appends a point (0, 0) to the table and its row to the list; the monotony warning
    // follows.
    void AppendZeroRow();
    // A cell of the table edited (wParam the list, lParam its cell): the number goes into its
    // point, points being added up to the row. False, changing nothing, for another list.
    bool TakeEditedCell(WPARAM wParam, LPARAM lParam);
    // The warning label as the rising check has it.
    void ShowRisingCheck();
    // "Show" reads "Update" while the preview is open.
    void LabelShowAsUpdate();
    // Opens the preview of the preview points anew, with its axis labels.
    void OpenPreview(const CString& xLabel, const CString& yLabel);
    void OnOutput();
    LRESULT OnPreviewClosed(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    CPtrArray m_points;         // CDataPoint*, owned
    CPtrArray m_previewPoints;  // CDataPoint*, owned
    CCharacteristicDlg* m_pPreview = nullptr;
    CPtrArray m_snapshots;      // CCopaObjectCompare*, owned
    CTBEditListCtrl m_lstTable;  // 2121
    qv::pointtable::RisingCheck m_rising;  // what the monotony warning shows
    qv::pointtable::CellUnits m_cellUnits;  // the units of the x and y cells
    BOOL m_bOutput = FALSE;      // 2056
    CString m_strReference;      // 2425
};

namespace qv::wizards {

// The wizards of the point-table pages: beside the parameters they keep the table, its
// snapshot list and the file-name flag (copied by Clone, deleted with the wizard). Before
// editing the search folders of data files are made, and the page starts from the wizard's
// state (`Page::TakeFromWizard`).
template <class Page, class Self>
class TPointTableWizard4 : public TPageWizard4<Page, Self> {
public:
    TPointTableWizard4() = default;
    explicit TPointTableWizard4(const Self* other)
        : TPageWizard4<Page, Self>(other), m_wSchema(other->m_wSchema), m_bFileName(other->m_bFileName) {
        qv::pointtable::CopyPoints(m_points, other->m_points);
        qv::pointtable::CopySnapshots(m_snapshots, other->m_snapshots);
    }
    ~TPointTableWizard4() override {
        qv::pointtable::DeleteSnapshots(m_snapshots);
        qv::pointtable::DeletePoints(m_points);
    }

    int GetWizardKind() override { return 3; }
    // Older data without a block: nothing to take over.
    BOOL DoConversionFrom4x() override {
        ScopedParamSet params{RequestTarget(this)};
        return TRUE;
    }
    using TPageWizard4<Page, Self>::DoConversionFrom4x;

    void PrepareEditing() { BuildCharacteristicSearchDirs(this); }
    void GiveSettingsToPage(Page& page) { page.TakeFromWizard(static_cast<const Self&>(*this)); }

    // 0: the page's data made once on a hidden page that starts from the wizard's state (the
    // table of its named data file, the snapshots) and handed to the wizard.
    BOOL Initialize(int argument) override {
        if (argument != 0) return TRUE;
        ScopedParamSet params{RequestTarget(this)};
        BuildCharacteristicSearchDirs(this);
        auto page = OpenHiddenPage(params.Cookie(), true);
        if (!page) return TRUE;
        page->LoadData(true);
        CommitParamSet(RequestTarget(this), params.Cookie());
        return TRUE;
    }

    BOOL GetFileNameFlag() const { return m_bFileName; }
    const CPtrArray& Points() const { return m_points; }
    CPtrArray& Points() { return m_points; }
    const CPtrArray& Snapshots() const { return m_snapshots; }
    CPtrArray& Snapshots() { return m_snapshots; }
    WORD GetSchema() const { return m_wSchema; }

protected:
    // A hidden page of the wizard's own, its window open (the page on the editor's sheet is
    // never touched); with `fromWizard` it starts from the wizard's state. Null when no page
    // or window could be made.
    THiddenPage<Page> OpenHiddenPage(DWORD_PTR cookie, bool fromWizard) {
        auto page = this->MakeHiddenPage(cookie);
        if (!page) return page;
        page->SetHidden(true);
        if (fromWizard) GiveSettingsToPage(*page);
        if (!page.Open(page->GetTemplateID())) return THiddenPage<Page>(nullptr);
        return page;
    }
    // Older data read by a hidden page (see OpenHiddenPage), which hands what it read over;
    // takeFlags then takes the flags as the page has marked its file parameters.
    template <class TakeFlags>
    BOOL ConvertOlderTable(const void* data, long length, bool fromWizard, TakeFlags takeFlags) {
        ScopedParamSet params{RequestTarget(this)};
        BuildCharacteristicSearchDirs(this);
        auto page = OpenHiddenPage(params.Cookie(), fromWizard);
        if (!page) return TRUE;
        page->StoreToWizard(data, length);
        page->UpdateParameterFlags();
        takeFlags(*page);
        CommitParamSet(RequestTarget(this), params.Cookie());
        return TRUE;
    }
    // The table, its snapshots and the file-name flag a page hands over.
    void TakeTable(BOOL fileNameFlag, const CPtrArray& points, const CPtrArray& snapshots) {
        m_bFileName = fileNameFlag;
        if (&points != &m_points) qv::pointtable::CopyPoints(m_points, points);
        if (&snapshots != &m_snapshots) qv::pointtable::CopySnapshots(m_snapshots, snapshots);
    }

    WORD m_wSchema = 0;
    BOOL m_bFileName = FALSE;
    CPtrArray m_points;     // CDataPoint*, owned
    CPtrArray m_snapshots;  // CCopaObjectCompare*, owned
};

} // namespace qv::wizards
