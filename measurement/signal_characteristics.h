// Signal-characteristic measurements (wizard IDs 86 to 102): elements that evaluate a signal
// during a simulation. Every wizard only puts its element's page on the sheet; the pages
// share one frame, described here as data: each page is a table of its controls (role, value
// ID, "Use Pin" box, unit list, layout flag) and of the edits whose changes mark it
// modified, and each variant is a table of captions it relabels.
//
// Parameters of the time-window elements (rise time, fall time, pulse duration, maximum,
// minimum, mean and RMS value; value ID = control ID unless stated):
//
// | Value ID | Name   | Role                                             | Pin box |
// |----------|--------|--------------------------------------------------|---------|
// | 2186     | IN     | input signal (written only while "Use Pin" is off) | 2073  |
// | 2339     | DERIV  | derivation of the input (rise, fall, pulse)      |         |
// | 2345     | MAXVAL | maximal value (rise, fall, pulse)                |         |
// | 2342     | TSTART | start time, used unit in 2514                    |         |
// | 2344     | TSTOP  | stop time, used unit in 2515                     |         |
// | 2056     | OUT    | result: switch 2056 ("SDB" entry), name in edit 2028 | 2401 |
//
// The event, multi-output and sampled pages (91 to 96, 99 to 102) are tables of the same
// kind; their parameters stand beside their tables in signal_characteristics.cpp. The
// sensitivity element (102) writes "@INITLIST" from the variable names of its value IDs 2154
// and 2156.
#pragma once

#include "afx/afxwin.h"
#include "framework/older_base_block.h"
#include "toolkit/tb_unit_combo.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>

namespace qv::measurement {

// What a control of a measurement page stands for.
enum class Role {
    InputSignal,     // edit with "Use Pin": value text, written only while "Use Pin" is off
    Parameter,       // edit: value text
    TimedParameter,  // edit with a unit list: value text and used unit
    OutputSwitch,    // check box: an "SDB" output entry, switched at the moment of the click
    OutputValue,     // edit with "Use Pin": value text, written also while "Use Pin" is on
    InputSignalWithUnit,  // input signal with a unit list: the used unit is written always
    SampleTime,      // combo box with an edit, "Use Pin" and a unit list: "System", "1m" or a time
};

struct Field {
    Role role;
    int control;  // the edit or check box
    WORD valueID;
    int pinBox = 0;     // "Use Pin" of input signals and output values
    int unitList = 0;   // unit list of timed parameters
    // The text names a result, which the model text declares under it: it must be a name
    // (qv::pages::IsResultName) while its field is enabled.
    bool resultName = false;
};

using qv::pages::ControlLayout;

// A caption a variant takes from the string table; output switches get " [unit]" of their
// output's parameter after it.
struct Relabel {
    int control;
    UINT stringID;
    bool outputSwitch;
    WORD unitValueID = 0;
};

struct PageTable {
    UINT templateID;
    std::span<const Field> fields;
    std::span<const ControlLayout> layout;
    std::span<const int> changeMarks;  // edits whose EN_CHANGE marks the page modified
    bool inputsOnly = false;           // only parameters with the input bit are read and written
};

constexpr int kMaxFields = 16;
constexpr int kMaxUnitLists = 4;

extern const PageTable kRiseFallPulsePage;  // dialog 2583
extern const PageTable kMinMaxPage;         // dialog 2584
extern const PageTable kMeanRMSPage;        // dialog 2590
extern const PageTable kTimePeriodPage;     // dialog 2585
extern const PageTable kProbe1Page;         // dialog 2586
extern const PageTable kProbe2Page;         // dialog 2587
extern const PageTable kTimeOvershootPage;  // dialog 2588
extern const PageTable kIntegralPage;       // dialog 2589
extern const PageTable kPowerPage;          // dialog 2591
extern const PageTable kSlidingPage;        // dialog 2592
extern const PageTable kSensitivityPage;    // dialog 2593

// The sample-time list shows and stores its value with the block pages' rule
// (qv::blocks::ShowSampleTime, StoredSampleTimeWithMilli). A typed text that is not empty and no item yet becomes an item and is selected.
void TakeOverTypedSampleTime(CComboBox& combo);

// "INTERN EQU {\t" + entries + "\t} DST: SIM(Type:=SFML, Sequ:=INIT);" with one "name := 0;"
// per non-empty variable name of value ID 2154 or 2156 (array order, joined by "\n"); empty
// when there is none.
CString BuildInitList(ParamHolder* exchange);

} // namespace qv::measurement

// The frame every measurement page shares: name, symbol, fields by role, commit with request
// code 0.
class CPropSCFrame : public COlderBaseBlockPage {
public:
    explicit CPropSCFrame(const qv::measurement::PageTable& table);
    CPropSCFrame(const qv::measurement::PageTable& table, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnApply() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    const qv::measurement::PageTable& Table() const { return m_table; }
    // The text and "Use Pin" state the page holds for a control (empty for an unknown one).
    CString FieldText(int control) const;
    BOOL FieldPin(int control) const;
    BOOL SwitchState(int control) const;

protected:
    // The fields the page holds a state for: the table's, at most kMaxFields.
    size_t FieldCount() const {
        return std::min(m_table.fields.size(), static_cast<size_t>(qv::measurement::kMaxFields));
    }
    int FieldIndex(int control) const;
    // The output switches take the element's state.
    void ReadOutputSwitches();
    void EnableParameterEdits();
    // The unit list of field i (null when it has none).
    CTBUnitComboBox* UnitListOf(size_t i);
    bool Handles(const CWizardCopaObject3* param) const;
    // Calls visit(param, i) for every parameter the page handles and every field i that has
    // the parameter's value ID, parameter by parameter.
    template <class Visit>
    void ForEachHandledField(Visit visit) {
        const int count = m_pExchange != nullptr ? m_pExchange->GetParamCount() : 0;
        for (int p = 0; p < count; ++p) {
            CWizardCopaObject3* param = m_pExchange->GetParam(p);
            if (!Handles(param)) continue;
            for (size_t i = 0; i < FieldCount(); ++i)
                if (m_table.fields[i].valueID == param->GetValueID()) visit(param, i);
        }
    }

    const qv::measurement::PageTable& m_table;
    std::array<std::unique_ptr<CTBUnitComboBox>, qv::measurement::kMaxUnitLists> m_units;
    std::unique_ptr<CComboBox> m_sampleTime;
    std::array<CString, qv::measurement::kMaxFields> m_texts;
    std::array<BOOL, qv::measurement::kMaxFields> m_pins{};
    std::array<BOOL, qv::measurement::kMaxFields> m_switches{};
};

// Shared pages: runtime classes with dynamic creation.
class CPropSCRisetimeFalltimePulseduration : public CPropSCFrame {
    DECLARE_DYNCREATE(CPropSCRisetimeFalltimePulseduration)
public:
    CPropSCRisetimeFalltimePulseduration();
    CPropSCRisetimeFalltimePulseduration(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
};

class CPropSCMinimumMaximum : public CPropSCFrame {
    DECLARE_DYNCREATE(CPropSCMinimumMaximum)
public:
    CPropSCMinimumMaximum();
    CPropSCMinimumMaximum(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
};

class CPropSCMeanRMS : public CPropSCFrame {
    DECLARE_DYNCREATE(CPropSCMeanRMS)
public:
    CPropSCMeanRMS();
    CPropSCMeanRMS(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
};

#define PARVEL_SC_PAGE(Name)                                                             \
    class Name : public CPropSCFrame {                                                    \
        DECLARE_DYNCREATE(Name)                                                           \
    public:                                                                               \
        Name();                                                                           \
        Name(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);              \
    };
PARVEL_SC_PAGE(CPropSCTimePeriod)
PARVEL_SC_PAGE(CPropSCProbe1)
PARVEL_SC_PAGE(CPropSCProbe2)
PARVEL_SC_PAGE(CPropSCTimeOvershoot)
PARVEL_SC_PAGE(CPropSCIntegral)
PARVEL_SC_PAGE(CPropSCPower)
PARVEL_SC_PAGE(CPropSCSlidingMeanSlidingRMS)
PARVEL_SC_PAGE(CPropSCSensitivity)
#undef PARVEL_SC_PAGE

// A variant: the shared page with some captions taken from the string table. It has no
// runtime class of its own.
template <class Shared>
class TSCVariant : public Shared {
public:
    TSCVariant(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange,
               std::span<const qv::measurement::Relabel> relabels)
        : Shared(wizard, exchange), m_relabels(relabels) {}
    BOOL OnInitDialog() override;

private:
    std::span<const qv::measurement::Relabel> m_relabels;
};

namespace qv::measurement {
extern const Relabel kRiseTimeLabels[1];
extern const Relabel kFallTimeLabels[1];
extern const Relabel kPulseDurationLabels[1];
extern const Relabel kMaximumLabels[1];
extern const Relabel kMinimumLabels[1];
extern const Relabel kMeanLabels[1];
extern const Relabel kRMSLabels[1];
extern const Relabel kTimeResponseLabels[4];
extern const Relabel kOvershootLabels[4];
extern const Relabel kSlidingMeanLabels[1];
extern const Relabel kSlidingRMSLabels[1];
} // namespace qv::measurement

#define PARVEL_SC_VARIANT(Name, Shared, Labels)                                           \
    class Name : public TSCVariant<Shared> {                                              \
    public:                                                                               \
        Name(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)               \
            : TSCVariant<Shared>(wizard, exchange, qv::measurement::Labels) {}            \
    };

PARVEL_SC_VARIANT(CPropSCRiseTime, CPropSCRisetimeFalltimePulseduration, kRiseTimeLabels)
PARVEL_SC_VARIANT(CPropSCFallTime, CPropSCRisetimeFalltimePulseduration, kFallTimeLabels)
PARVEL_SC_VARIANT(CPropSCPulseDuration, CPropSCRisetimeFalltimePulseduration, kPulseDurationLabels)
PARVEL_SC_VARIANT(CPropSCMaximumValue, CPropSCMinimumMaximum, kMaximumLabels)
PARVEL_SC_VARIANT(CPropSCMinimumValue, CPropSCMinimumMaximum, kMinimumLabels)
PARVEL_SC_VARIANT(CPropSCMeanValue, CPropSCMeanRMS, kMeanLabels)
PARVEL_SC_VARIANT(CPropSCRMSValue, CPropSCMeanRMS, kRMSLabels)
PARVEL_SC_VARIANT(CPropSCTimeResponse, CPropSCTimeOvershoot, kTimeResponseLabels)
PARVEL_SC_VARIANT(CPropSCOvershoot, CPropSCTimeOvershoot, kOvershootLabels)
PARVEL_SC_VARIANT(CPropSCSlidingMeanValue, CPropSCSlidingMeanSlidingRMS, kSlidingMeanLabels)
PARVEL_SC_VARIANT(CPropSCSlidingRMSValue, CPropSCSlidingMeanSlidingRMS, kSlidingRMSLabels)
#undef PARVEL_SC_VARIANT

// The wizards: the page of the table on the sheet for mode 1, deleted again when the editing
// ends (a page left by an earlier editing goes first). Each has a runtime class of its own,
// so that the factories' callers can tell which element a wizard serves.

PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCRiseTimeWizard, CPropSCRiseTime)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCFallTimeWizard, CPropSCFallTime)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCPulseDurationWizard, CPropSCPulseDuration)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCMaximumWizard, CPropSCMaximumValue)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCMinimumWizard, CPropSCMinimumValue)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCMeanValueWizard, CPropSCMeanValue)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCRMSValueWizard, CPropSCRMSValue)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCTimePeriodWizard, CPropSCTimePeriod)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCProbe1Wizard, CPropSCProbe1)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCProbe2Wizard, CPropSCProbe2)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCTimeResponseWizard, CPropSCTimeResponse)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCOvershootWizard, CPropSCOvershoot)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCIntegralWizard, CPropSCIntegral)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCPowerWizard, CPropSCPower)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCSlidingMeanWizard, CPropSCSlidingMeanValue)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSCSlidingRMSWizard, CPropSCSlidingRMSValue)

class CSCSensitivityWizard : public TOlderBaseBlockWizard<CPropSCSensitivity, CSCSensitivityWizard> {
    DECLARE_DYNAMIC(CSCSensitivityWizard)
public:
    using TOlderBaseBlockWizard::TOlderBaseBlockWizard;
    // Replaces the first "@INITLIST" of the model text by the initialisation of the
    // variables named by 2154 and 2156 (or removes it when none is named).
    int WriteSimDescr(CFile* file, const CString& templ, CWizardSchematicDataExchange3* exchange) override;
};
