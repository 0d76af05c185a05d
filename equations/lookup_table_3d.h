// 3D lookup table (wizard ID 103): z = f(x, y) as a grid of points that the wizard keeps and
// writes, whenever the model description is written, to a three-channel data file (x, z, y)
// named by parameter 2117. The model text itself stays as the editor gave it. The page (dialog
// 2603 "3D Lookup Table") edits the x values, the y values and the z values of the selected y,
// fills an axis from sweep data, imports and exports the table and checks the grid before
// anything is handed over, committed or written.
//
// Parameters (value ID): 2117 data-file name, 2215 interpolation (1 "Linear", 2 "Spline"),
// 2425 parameter variable.
//
// Archive (sheet version 4): WORD schema 0, DWORD file-name flag, CString X, Y, Z channel
// names, CString X, Y, Z units, DWORD X, Y, Z unit flags, DWORD n, n points (each through
// C3DDataPoint::Serialize), the X sweep data and the Y sweep data (CDlgSweepData::Serialize).
#pragma once

#include "afx/afxwin.h"
#include "equations/lookup_table_3d_grid.h"
#include "framework/data_file_table_page.h"
#include "framework/page_overrides.h"
#include "framework/point_table_list.h"
#include "framework/data_classes.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"
#include "framework/table_memory.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"

namespace qv::lookup3d {
constexpr UINT kTemplate = 2603;
constexpr WORD kIdFileName = 2117;
constexpr WORD kIdInterpolation = 2215;
constexpr WORD kIdVariable = 2425;

// Makes `to` a copy of `from` (old points deleted; a null entry stays null).
void CopyPoints(CPtrArray& to, const CPtrArray& from);
// Unit text "name[unit]" split into channel name and unit (shared with the 2D table).
using qv::pointtable::SplitAxisText;
} // namespace qv::lookup3d

class C3DLookupTableWizard4;

// What the wizard and its page hand each other.
struct Table3DState {
    BOOL fileNameFlag = FALSE;
    CString xUnit, yUnit, zUnit;
    BOOL xUnitFlag = FALSE, yUnitFlag = FALSE, zUnitFlag = FALSE;
};

class CProp3DLookupTableXY : public CDataFileTablePage {
    DECLARE_SERIAL(CProp3DLookupTableXY)
public:
    CProp3DLookupTableXY();
    CProp3DLookupTableXY(C3DLookupTableWizard4* wizard, DWORD_PTR cookie);
    ~CProp3DLookupTableXY() override;

    PARVEL_PAGE_OVERRIDES

    void SetWizard(C3DLookupTableWizard4* wizard, DWORD_PTR cookie);
    void SetData(const Table3DState& state, const CPtrArray& points);
    Table3DState GetState() const;
    void StoreDefaults(int argument);
    void ConvertWizard3Data(const void* data, long length);

    BOOL ImportFile(const CString& path) override;
    BOOL ExportFile(const CString& fileName, int format) override;
    void BuildListsFromPoints();
    bool BuildPointsFromLists();

    const CPtrArray& Points() const { return m_points; }
    const qv::lookup3d::Grid& GetGrid() const { return m_grid; }
    int GetSelectedY() const { return m_nSelectedY; }

    void OnXNew();
    void OnXDelete();
    void OnXDeleteAll();
    void OnXMoveUp() { MoveRow(qv::lookup3d::Axis::X, -1); }
    void OnXMoveDown() { MoveRow(qv::lookup3d::Axis::X, 1); }
    void OnYNew();
    void OnYDelete();
    void OnYDeleteAll();
    void OnYMoveUp() { MoveRow(qv::lookup3d::Axis::Y, -1); }
    void OnYMoveDown() { MoveRow(qv::lookup3d::Axis::Y, 1); }
    void OnXSweep() { Sweep(qv::lookup3d::Axis::X); }
    void OnYSweep() { Sweep(qv::lookup3d::Axis::Y); }
    void OnBrowseRead();
    void OnBrowseWrite();

protected:
    CTBEditListCtrl& ListOf(qv::lookup3d::Axis axis) { return axis == qv::lookup3d::Axis::X ? m_lstX : m_lstY; }
    void ShowCheckFailure(UINT id);
    void ReadXListFromControl();
    void ReadYListFromControl();
    void ReadZListFromControl();
    void FillXList();
    void FillYList();
    void FillZList();
    void FillAxisList(qv::lookup3d::Axis axis);
    void UpdateZListHeadings();
    void EnableListButtons(qv::lookup3d::Axis axis);
    void EnableFileControls();
    // The unit edits 2275, 2276 and 2278, each enabled by its flag.
    void EnableUnitEdits();
    void NewRow(qv::lookup3d::Axis axis);
    void DeleteRow(qv::lookup3d::Axis axis);
    void DeleteAllRows(qv::lookup3d::Axis axis);
    void MoveRow(qv::lookup3d::Axis axis, int delta);
    void Sweep(qv::lookup3d::Axis axis);
    // The data file of the table's name without its folder (name and extension only),
    // imported when it can be found.
    void ImportBareNamedFile();
    void OnWildcardsReplaced(const CString& name) override;
    CWizardBase4* Owner() const override;
    // A grid without an x or a y value has no point to write.
    bool HasNoRows() const override { return GridPoints() == 0; }
    qv::lookup3d::Axis FocusedAxis() const;
    // The points of the editing form (x values times y values).
    std::uint64_t GridPoints() const;
    // Runs a step that builds a table of `points` points; false, with one message saying so,
    // when memory runs out (the step leaves what it changes as it was).
    template <class Step>
    bool WithinMemory(std::uint64_t points, Step&& step) {
        return qv::tables::BuildWithinMemory(points, step, [this](const CString& text) { ShowMessage(text); });
    }

    void OnMarkModified();
    void OnFileNameFlag();
    void OnUnitFlag();
    void OnUnitHeading();
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    LRESULT OnSelectionChanged(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnMenuNew();
    void OnMenuDelete();
    void OnMenuDeleteAll();
    void OnMenuMoveUp();
    void OnMenuMoveDown();
    void OnUpdateRowCommand(CCmdUI* pCmdUI);
    DECLARE_MESSAGE_MAP()

    C3DLookupTableWizard4* m_pWizard = nullptr;
    CPtrArray m_points;
    qv::lookup3d::Grid m_grid;
    int m_nSelectedY = -1;
    CTBEditListCtrl m_lstZ;
    CTBEditListCtrl m_lstY;
    CTBEditListCtrl m_lstX;
    CComboBox m_cmbInterpolation;
    BOOL m_bXUnit = FALSE;
    BOOL m_bYUnit = FALSE;
    BOOL m_bZUnit = FALSE;
    CString m_strXUnit;
    CString m_strYUnit;
    CString m_strZUnit;
    CString m_strVariable;
    int m_nInterpolation = 0;
    qv::lookup3d::Axis m_focus = qv::lookup3d::Axis::X;
};

class C3DLookupTableWizard4 : public qv::wizards::TPageWizard4<CProp3DLookupTableXY, C3DLookupTableWizard4> {
    DECLARE_DYNAMIC(C3DLookupTableWizard4)
public:
    C3DLookupTableWizard4() = default;
    explicit C3DLookupTableWizard4(const C3DLookupTableWizard4* other);
    ~C3DLookupTableWizard4() override;

    // A page of an earlier editing goes and a new one is made: the page keeps the points it
    // was given, so a rebound page would show the old table.
    static constexpr bool kReplaceEarlierPage = true;
    // The search folders of data files, then the wizard's table copied into the page.
    void PrepareEditing();
    void GiveSettingsToPage(CProp3DLookupTableXY& page);

    int GetWizardKind() override { return 3; }
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // What the page hands back: flags, unit texts and a copy of the points.
    void SetData(const Table3DState& state, const CPtrArray& points);
    Table3DState GetState() const { return m_state; }
    void SetChannelNames(const CString& x, const CString& y, const CString& z) {
        m_strXChannel = x;
        m_strYChannel = y;
        m_strZChannel = z;
    }
    CString GetXChannel() const { return m_strXChannel; }
    CString GetYChannel() const { return m_strYChannel; }
    CString GetZChannel() const { return m_strZChannel; }
    const CPtrArray& Points() const { return m_points; }
    CPtrArray& Points() { return m_points; }
    CDlgSweepData& XSweep() { return m_xSweep; }
    CDlgSweepData& YSweep() { return m_ySweep; }

private:
    WORD m_wSchema = 0;
    Table3DState m_state;
    CString m_strXChannel;
    CString m_strYChannel;
    CString m_strZChannel;
    CPtrArray m_points;
    CDlgSweepData m_xSweep;
    CDlgSweepData m_ySweep;
};
