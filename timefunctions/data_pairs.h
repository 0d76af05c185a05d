// Data-pairs time function (wizard ID 43): y(t) given by pairs (t, Y) that the wizard keeps
// and writes to a data file beside the model description, or taken from a data file the
// element only references by name. The page (dialog 2550 "Characteristic") edits the pairs,
// the interpolation, delay, period and phase and the file names, imports and exports tables
// through the toolkit's data files and checks that t is monotonic before apply.
//
// Parameters (value ID): 2040 TDELAY, 2038 TPERIO, 2042 PHASE, 2049 PERIO (1 or 0), 2117 the
// data-file name, 1012 the referenced file, 2056 the "Value" output; older data also carries
// 1000 (interpolation) and 1001 (file-name and period flag). The parameter named "FILE"
// carries the file into the model text through "@FILE".
//
// Mode word: the low bits are the interpolation (0 "Linearly", 1 "Without"); bit 0x4000 a file
// reference; bit 0x8000, in older data, a data-file name the user chose.
//
// Archive (sheet version 4): WORD schema 0, DWORD mode word, DWORD file-name flag, DWORD
// period flag, DWORD n and n points (each through CDataPoint::Serialize), DWORD m and m
// snapshots (CCopaObjectCompare).
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_preview.h"
#include "framework/data_classes.h"
#include "framework/page_overrides.h"
#include "framework/point_table_list.h"
#include "framework/point_table_page.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"
#include "framework/waveform_ids.h"
#include "wizard/wizardbase.h"

namespace qv::datapairs {
constexpr UINT kTemplate = 2550;
using qv::waveform::kIdDelay;
using qv::waveform::kIdPeriod;
using qv::waveform::kIdPeriodical;
using qv::waveform::kIdPhase;
constexpr WORD kIdOutput = 2056;
constexpr WORD kIdOldMode = 1000;
constexpr WORD kIdOldFlags = 1001;
// The table helpers, the row limit, file parameters and flag bits it shares with the 2D
// lookup table.
using namespace qv::pointtable;

// The preview's points: a copy of the table; with `steps` a point (t[i+1], Y[i]) is inserted
// after every row but the last. Points that are not finite are left out.
void MakePreviewPoints(const CPtrArray& table, bool steps, CPtrArray& preview);
} // namespace qv::datapairs

class CTFMDataPairsWizard4;

class CPropTFMDataPairs : public CPointTablePage {
    DECLARE_SERIAL(CPropTFMDataPairs)
public:
    CPropTFMDataPairs();
    CPropTFMDataPairs(CTFMDataPairsWizard4* wizard, DWORD_PTR cookie);

    PARVEL_PAGE_OVERRIDES

    void Rebind(CTFMDataPairsWizard4* wizard, DWORD_PTR cookie);
    // The wizard's state copied into the page.
    void TakeFromWizard(const CTFMDataPairsWizard4& wizard);
    void LoadData(bool store);
    void StoreToWizard(const void* data, long length);
    void UpdateParameterFlags() override;
    void SnapshotParameters() override;

    DWORD GetModeWord() const { return m_dwMode; }
    BOOL GetFileNameFlag() const { return m_bFileName; }
    BOOL GetPeriodFlag() const { return m_bPeriod; }
    DWORD GetUpgraded() const { return m_dwUpgraded; }
    const CPtrArray& Snapshots() const { return m_snapshots; }

    void OnNewRow() override;
    void OnBrowseRead() override;
    void OnBrowseWrite() override;
    void OnShow() override;

protected:
    CWizardBase4* Owner() const override;
    void ChannelNames(CString& xName, CString& xUnit, CString& yName, CString& yUnit) const override;
    void HandOver() override;
    void RemakePreviewPoints() override;
    void TakeOlderFlags(DWORD mode) override;
    void TakeOlderPoints(const BYTE* block, size_t size) override;
    void TakeOldParameters();
    void ModeFromControls();
    void ShowModeInControls();
    void SwitchMode();
    void EnableParamEdits() override;
    void MoveRow(int delta) override;
    void UpgradeParameters();
    void EnableControl(int id, bool enable);

    void OnInterpolationLeft();
    void OnFileNameFlag();
    void OnPeriodFlag();
    void OnPeriodUnit();
    // Unless "Period" is ticked: the period text derived from the table; false when it is given.
    bool DeriveShownPeriod();
    void OnModeRadio();
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCellQuery(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    CTFMDataPairsWizard4* m_pWizard = nullptr;
    CString m_strXLabel = "t[s]";
    CString m_strYLabel = "Y";
    CTBUnitComboBox m_cmbPhaseUnit;   // 2513
    CTBUnitComboBox m_cmbPeriodUnit;  // 2510
    CTBUnitComboBox m_cmbDelayUnit;   // 2512
    CComboBox m_cmbPeriodical;        // 2049
    CComboBox m_cmbInterpolation;     // 2215
    BOOL m_bPeriod = FALSE;           // 2205
    CString m_strDelay;
    CString m_strPhase;
    CString m_strPeriod;
    DWORD m_dwMode = 0;
    DWORD m_dwUpgraded = 0;
    double m_dLastT = 0.0;
};

class CTFMDataPairsWizard4 : public qv::wizards::TPointTableWizard4<CPropTFMDataPairs, CTFMDataPairsWizard4> {
    DECLARE_DYNAMIC(CTFMDataPairsWizard4)
public:
    CTFMDataPairsWizard4() = default;
    explicit CTFMDataPairsWizard4(const CTFMDataPairsWizard4* other);

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    using TPointTableWizard4::DoConversionFrom4x;

    // What the page hands over.
    void TakeFromPage(BOOL periodFlag, BOOL fileNameFlag, DWORD modeWord, const CPtrArray& points,
                      const CPtrArray& snapshots);

    DWORD GetModeWord() const { return m_dwMode; }
    BOOL GetPeriodFlag() const { return m_bPeriod; }

private:
    DWORD m_dwMode = 0;
    BOOL m_bPeriod = FALSE;
};
