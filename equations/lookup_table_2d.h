// 2D lookup table (wizard ID 78): y = f(x) as data pairs that the wizard keeps and writes to a
// data file beside the model description, or as a reference to a data file the element only
// names. The page (dialog 2576 "Characteristic") edits the pairs, the axis units and the file
// names, imports and exports tables through the toolkit's data files and checks that the x
// values are strictly monotonic before anything is handed over or committed.
//
// Parameters (value ID): 2117 data-file name, 1012 referenced file, 1001 a file-name flag left
// by older data, 2056 "Output Signal"; the parameter named "FILE" carries the file into the
// model text through "@FILE".
//
// Archive (sheet version 4): WORD schema 0, DWORD file-name flag, DWORD file-reference flag,
// DWORD X-unit flag, DWORD Y-unit flag, CString X unit, CString Y unit, DWORD n and n points
// (each through CDataPoint::Serialize), DWORD m and m snapshots (CCopaObjectCompare).
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_preview.h"
#include "framework/data_classes.h"
#include "framework/page_overrides.h"
#include "framework/point_table_list.h"
#include "framework/point_table_page.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"
#include "wizard/wizardbase.h"

namespace qv::lookup2d {
constexpr UINT kTemplate = 2576;
constexpr WORD kIdOldFileFlag = 1001;
constexpr WORD kIdOutput = 2056;

// The table helpers, file parameters and flag bits it shares with the data-pairs time
// function, under the names its callers know.
using namespace qv::pointtable;
} // namespace qv::lookup2d

class C2DLookupTableWizard4;

class CProp2DLookupTableXY : public CPointTablePage {
    DECLARE_SERIAL(CProp2DLookupTableXY)
public:
    CProp2DLookupTableXY();
    CProp2DLookupTableXY(C2DLookupTableWizard4* wizard, DWORD_PTR cookie);

    PARVEL_PAGE_OVERRIDES

    void Rebind(C2DLookupTableWizard4* wizard, DWORD_PTR cookie);
    void SetUnits(BOOL xFlag, BOOL yFlag, const CString& xUnit, const CString& yUnit);
    // The wizard's state copied into the page.
    void TakeFromWizard(const C2DLookupTableWizard4& wizard);
    void LoadData(bool handOver);
    void StoreToWizard(const void* data, long length);
    void UpdateParameterFlags() override;
    void SnapshotParameters() override;
    BOOL CheckTable(CString& message) const;

    DWORD GetFlagWord() const { return m_dwFlags; }
    BOOL GetFileNameFlag() const { return m_bFileName; }
    CString GetAxisX() const { return m_strXUnit; }
    void SetFileName(const CString& name) { m_strFileName = name; }

    void OnNewRow() override;
    void OnBrowseRead() override;
    void OnBrowseWrite() override;
    void OnShow() override;
    CCharacteristicDlg* GetPreview() const { return m_pPreview; }

protected:
    CWizardBase4* Owner() const override;
    void ChannelNames(CString& xName, CString& xUnit, CString& yName, CString& yUnit) const override;
    void HandOver() override;
    void TakeImportedAxes(const CExImPortChannel& x, const CExImPortChannel& y) override;
    void TakeOlderFlags(DWORD flags) override;
    void TakeOlderPoints(const BYTE* block, size_t size) override;
    void RemakePreviewPoints() override;
    void UpdateColumnHeaders();
    void OnModeChanged();
    void ApplyMode();
    void EnableParamEdits() override;
    void MoveRow(int delta) override;
    void ConvertOldFileParameter();

    void OnFileNameFlag();
    void OnUnitFlag();
    void OnUnitText();
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam) override;
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void EnableUnitEdits();
    DECLARE_MESSAGE_MAP()

    C2DLookupTableWizard4* m_pWizard = nullptr;
    BOOL m_bXUnit = FALSE;
    BOOL m_bYUnit = FALSE;
    CString m_strXUnit;
    CString m_strYUnit;
    DWORD m_dwFlags = 0;
    DWORD m_dwConverted = 0;
};

class C2DLookupTableWizard4 : public qv::wizards::TPointTableWizard4<CProp2DLookupTableXY, C2DLookupTableWizard4> {
    DECLARE_DYNAMIC(C2DLookupTableWizard4)
public:
    C2DLookupTableWizard4() = default;
    explicit C2DLookupTableWizard4(const C2DLookupTableWizard4* other);

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    using TPointTableWizard4::DoConversionFrom4x;

    void SetUnits(BOOL xFlag, BOOL yFlag, const CString& xUnit, const CString& yUnit);
    // What the page hands over.
    void TakeFromPage(BOOL fileNameFlag, DWORD flagWord, const CPtrArray& points, const CPtrArray& snapshots);

    BOOL GetReferenceFlag() const { return m_bReference; }
    BOOL GetXUnitFlag() const { return m_bXUnit; }
    BOOL GetYUnitFlag() const { return m_bYUnit; }
    CString GetXUnit() const { return m_strXUnit; }
    CString GetYUnit() const { return m_strYUnit; }

private:
    BOOL m_bXUnit = FALSE;
    BOOL m_bYUnit = FALSE;
    CString m_strXUnit;
    CString m_strYUnit;
    BOOL m_bReference = FALSE;
};
