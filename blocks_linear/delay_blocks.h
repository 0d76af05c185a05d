// The delay blocks (wizard IDs 51 and 52, dialog 2557) and the initial-value dialog of the
// delay (dialog 2558).
//
// Parameters of the delay (51); only input parameters that are not deleted are read:
//
// | Value ID | Role                                                                      |
// |----------|---------------------------------------------------------------------------|
// | 2186     | input signal; "Use Pin" 2073                                              |
// | 2188     | number of samples plus one (n); the "Samples" field shows n - 1           |
// | 2202     | sample time, derived: delay time / samples; used unit in 2400             |
// | 2040     | delay time: shown as samples times sample time, never written             |
// | 2194     | stage selectors "Q[i]", i = 0..n-1: "1" for the last, "0" for the others  |
// | 2198     | initial values "Q0[k]", k = 1..n-1                                        |
// | 2056     | block output ("SDB" entry)                                                |
//
// Each family's template is its member without a bracket index. The discrete delay (52)
// shows no samples and no initial values: it edits the sample time (with "Use Pin" 2074) and
// the initial value 2040 (labelled "Initial Value").
#pragma once

#include "framework/older_base_block_pages.h"
#include "toolkit/tb_dialog.h"
#include "toolkit/tb_edit_list.h"

namespace qv::blocks {
constexpr UINT kDelayTemplate = 2557;
constexpr UINT kDelayInitialValuesTemplate = 2558;
constexpr WORD kIdDelayTime = 2040;
constexpr WORD kIdDelaySamplesField = 2042;
constexpr WORD kIdSampleCount = 2188;
constexpr WORD kIdStage = 2194;
constexpr WORD kIdStageInitial = 2198;
constexpr int kCtlInitialValuesButton = 2197;
} // namespace qv::blocks

class CPropDelayBlock : public COlderBaseSampledBlockPage {
    DECLARE_DYNCREATE(CPropDelayBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropDelayBlock)
    BOOL OnSetActive() override;
    virtual void EnableDelayField() {}

    // Brings the stages and initial values into line with the samples parameter text:
    // members are created from the templates or retired, and the stage values set.
    void SyncDelayParameters();

    const CPtrArray& GetStages() const { return m_stages; }
    const CPtrArray& GetInitialValues() const { return m_initialValues; }
    // A page without a window on a sheet shows no message boxes.
    void SetHidden(bool hidden) { m_bHidden = hidden; }

protected:
    void ReadParameters();
    void SetStageValues();
    void UpdateIndexedDescriptions();
    void OnInitialValues();
    void OnSampleTimePin() override;
    void OnDelayChanged();
    void OnSamplesChanged();
    void OnSamplesDone();
    void OnSampleTimeUnitChanged();
    // The unit the sample time's list shows ("s" while it shows none), and the sample time
    // of a delay time in seconds over the samples, shown in that unit.
    CString ShownSampleTimeUnit() const;
    CString SampleTimeShown(double delay, int samples) const;
    // The integer part of the samples field (1 for anything below 1 or not a number).
    int SamplesFromField() const;
    // The samples typed, when they read as a whole count the stages can hold.
    bool SamplesRead(int* samples) const;
    DECLARE_MESSAGE_MAP()

    BOOL m_bContinuous = TRUE;
    bool m_bHidden = false;
    CString m_strSamplesParam;
    CWizardCopaObject3* m_pStageTemplate = nullptr;
    CWizardCopaObject3* m_pInitialTemplate = nullptr;
    CPtrArray m_stages;
    CPtrArray m_initialValues;
    CString m_strDelay;
    CString m_strSampleTime;
    CString m_strSamples;
};

class CPropDelayBlockD : public CPropDelayBlock {
public:
    CPropDelayBlockD();
    CPropDelayBlockD(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void EnableDelayField() override;
};

// The initial values of the delay, one row per existing initial value; OK writes the values
// back through each row's parameter, "Reset" puts "0" into every row, Cancel changes nothing.
class CDlgInitialValues : public CTBDialog {
public:
    explicit CDlgInitialValues(CWnd* parent = nullptr);
    void SetInitialValues(const CPtrArray* values) { m_pValues = values; }
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    CTBEditListCtrl& List() { return m_lstValues; }

protected:
    void OnReset();
    DECLARE_MESSAGE_MAP()

    const CPtrArray* m_pValues = nullptr;
    CTBEditListCtrl m_lstValues;
};

class CDelayBlockWizard : public TOlderBaseBlockWizard<CPropDelayBlock, CDelayBlockWizard> {
    DECLARE_DYNAMIC(CDelayBlockWizard)
public:
    using TOlderBaseBlockWizard::TOlderBaseBlockWizard;

    // "@MAXINDEX" := samples (the count less one when positive); stage selectors marked as
    // unused in lists; missing initial values created; the set committed.
    int WriteSimDescr(CFile* file, const CString& templ, CWizardSchematicDataExchange3* exchange) override;
    BOOL WantChangeNotification() override { return TRUE; }
    // A changed sample count brings the stages and initial values into line through a hidden
    // page of the wizard's own.
    void NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType, CWizardCopaObject3* param) override;
};

PARVEL_OLDER_BASE_BLOCK_WIZARD(CDiscreteDelayBlockWizard, CPropDelayBlockD)
