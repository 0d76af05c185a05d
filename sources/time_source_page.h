// What the pages of the two time-function source families share (the linear voltage and
// current sources, dialog 101, and the linear sources of other domains, dialog 2608): the
// constant value or one of six periodic time functions, the amplitude given directly or as an
// RMS value, the period given or derived, and an AC page that follows. Both dialogs place the
// shared fields under the same control IDs; each family's page adds its own fields and rules.
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_page_steps.h"
#include "framework/ac_parameters.h"
#include "framework/byte_cursor.h"
#include "framework/dialog_controls.h"
#include "framework/element_page.h"
#include "framework/listed_controls.h"
#include "framework/page_overrides.h"
#include "framework/param_access.h"
#include "framework/shown_unit.h"
#include "framework/waveform_ids.h"
#include "toolkit/tb_unit_combo.h"

#include <span>

namespace qv::sources {
constexpr WORD kIdValue = 2028;
using namespace qv::waveform;

// Time-function kinds: -1 the constant value, else the index of the list "Sine", "Pulse",
// "Triangular", "Trapezoidal", "Saw-tooth Rising", "Saw-tooth Falling".
constexpr int kKindConstant = -1;
constexpr int kKindSine = 0;
constexpr int kKindTrapezoid = 3;
constexpr int kKindCount = 6;
constexpr bool IsTimeKind(int kind) { return kind >= 0 && kind < kKindCount; }

// A unit list of the page and the parameter it serves.
struct UnitList {
    int control;
    WORD valueID;
};
// The unit lists both dialogs have, in the order of the pages' unit members.
inline constexpr UnitList kTimeUnitLists[10] = {
    {.control = 2508, .valueID = kIdAmplitude}, {.control = 2512, .valueID = kIdDelay},
    {.control = 2509, .valueID = kIdFrequency}, {.control = 2514, .valueID = kIdOffset},
    {.control = 2510, .valueID = kIdPeriod},    {.control = 2513, .valueID = kIdPhase},
    {.control = 2517, .valueID = kIdWidth},     {.control = 2516, .valueID = kIdFall},
    {.control = 2515, .valueID = kIdRise},      {.control = 2507, .valueID = kIdValue},
};

// Which parameters a kind leaves unused: set the mark, clear it, or keep it as it is.
enum class Mark { Clear, Set, Keep };
struct UnusedMarks {
    WORD valueID;
    Mark constant;
    Mark periodic;  // sine, pulse, triangle and both saw-tooth forms
    Mark trapezoid;
};

// The time-function parameters that each kind leaves unused.
inline constexpr UnusedMarks kTimeFunctionUnusedMarks[] = {
    {kIdAmplitude, Mark::Set, Mark::Clear, Mark::Clear},  {kIdPeriod, Mark::Set, Mark::Clear, Mark::Clear},
    {kIdDelay, Mark::Set, Mark::Clear, Mark::Clear},      {kIdPhase, Mark::Set, Mark::Clear, Mark::Clear},
    {kIdOffset, Mark::Set, Mark::Clear, Mark::Clear},     {kIdPeriodical, Mark::Set, Mark::Clear, Mark::Clear},
    {kIdFrequency, Mark::Set, Mark::Clear, Mark::Set},    {kIdRise, Mark::Set, Mark::Set, Mark::Clear},
    {kIdFall, Mark::Set, Mark::Set, Mark::Clear},         {kIdWidth, Mark::Set, Mark::Set, Mark::Clear},
};

// Controls of both dialogs that carry no parameter of their own.
namespace time_page {
constexpr int kCtlConstant = 2027;
constexpr int kCtlUsePin = 2030;
constexpr int kCtlTimeControlled = 2031;
constexpr int kCtlForm = 2032;
constexpr int kCtlAmplitudeLabel = 2033;
constexpr int kCtlFrequencyLabel = 2035;
constexpr int kCtlRms = 2057;
constexpr int kCtlRmsRadio = 2204;
constexpr int kCtlPeriodGiven = 2205;
constexpr int kCtlValueUnit = 2507;
constexpr int kCtlAmplitudeUnit = 2508;

// The fields, labels and unit lists of the time functions (enabled only while time-controlled).
inline constexpr int kTimeControls[] = {2032, 2033, 2035, 2036, 2038, 2039, 2040, 2041, 2042, 2045,
                                        2047, 2048, 2049, 2050, 2051, 2052, 2053, 2054, 2055, 2205,
                                        2508, 2509, 2510, 2512, 2513, 2514, 2515, 2516, 2517};
// The trapezoid's fields, labels and unit lists.
inline constexpr int kTrapezoidControls[] = {2050, 2051, 2052, 2053, 2054, 2055, 2515, 2516, 2517};
// Parameter names the time functions write, in writing order.
inline constexpr const char* kPeriodicNames[] = {"FREQ", "TPERIO", "AMPL", "PHASE", "PERIO", "OFF", "TDELAY"};
inline constexpr const char* kTrapezoidNames[] = {"TPERIO", "TRISE", "TFALL", "PWIDTH", "AMPL",
                                                  "PHASE",  "PERIO", "OFF",   "TDELAY"};

// Edit fields both dialogs have that only mark the page modified, and those the period is
// derived from.
inline constexpr int kMarkingEdits[] = {qv::dialog::kCtlName, kIdValue, kIdAmplitude, kIdPeriod, kIdDelay, kIdPhase,
                                        kIdOffset};
inline constexpr int kPeriodSourceEdits[] = {kIdFrequency, kIdRise, kIdFall, kIdWidth};

// The symbol variant of a time function.
inline BYTE MaskOf(int selection) { return static_cast<BYTE>(1u << selection); }
} // namespace time_page
} // namespace qv::sources

// The overrides every time-source page defines: the archived page's four, its activation, and
// the list, controls and unused parameters of a kind.
#define PARVEL_TIME_SOURCE_PAGE_OVERRIDES     \
    PARVEL_PAGE_OVERRIDES                     \
    BOOL OnSetActive() override;              \
    void BuildCompareList(int kind) override; \
    void UpdateTypeControls() override;       \
    void UpdateInputControls() override;      \
    void MarkUnusedParameters() override;

// The message-map entries of the controls both dialogs have, for the page class `Page` (whose
// handlers of the output switches and the form list are its own); the unit lists 2507 to 2517
// go to OnUnitSelected.
#define PARVEL_TIME_SOURCE_PAGE_MESSAGES(Page)                                                          \
    ON_BN_CLICKED(qv::sources::time_page::kCtlUsePin, &Page::OnUsePin)                                  \
    ON_BN_CLICKED(qv::sources::time_page::kCtlConstant, &Page::OnConstant)                              \
    ON_BN_CLICKED(qv::sources::time_page::kCtlTimeControlled, &Page::OnTimeControlled)                  \
    ON_CBN_SELCHANGE(qv::sources::time_page::kCtlForm, &Page::OnFormSelected)                           \
    ON_BN_CLICKED(qv::dialog::kCtlAmplitudeRadio, &Page::OnAmplitude)                                   \
    ON_BN_CLICKED(qv::sources::time_page::kCtlRmsRadio, &Page::OnRmsValue)                              \
    ON_BN_CLICKED(qv::sources::time_page::kCtlPeriodGiven, &Page::OnPeriodGiven)                        \
    ON_EN_CHANGE(qv::sources::time_page::kCtlRms, &Page::OnRmsChanged)                                  \
    ON_LISTED_CONTROLS(EN_CHANGE, qv::sources::time_page::kPeriodSourceEdits, &Page::OnPeriodSourceChanged) \
    ON_LISTED_CONTROLS(EN_CHANGE, qv::sources::time_page::kMarkingEdits, &Page::OnFieldChanged)         \
    ON_BN_CLICKED(qv::dialog::kCtlShowName, &Page::OnFieldChanged)                                      \
    ON_BN_CLICKED(qv::dialog::kCtlACUse, &Page::OnFieldChanged)                                         \
    ON_CBN_SELCHANGE(qv::waveform::kIdPeriodical, &Page::OnFieldChanged)                                \
    ON_CONTROL_RANGE(CBN_SELCHANGE, 2507, 2517, &Page::OnUnitSelected)                                  \
    ON_WM_PAINT()

template <class Wizard>
class TTimeSourcePage : public TACFollowedPage<Wizard> {
public:

    // The parameters the kind writes into the model text; supplied by the variants.
    virtual void BuildCompareList(int kind) = 0;
    virtual void UpdateTypeControls() = 0;
    virtual void UpdateInputControls() = 0;
    // Marks the parameters the kind does not use (ExtType bit 0x20000).
    virtual void MarkUnusedParameters() = 0;
    // The page's settings, its list and the AC page's mode to the wizard (without an AC page
    // the wizard keeps its own AC mode).
    void HandOverSettings();
    // The wizard's settings before the dialog exists; the snapshots are copied.
    void TakeSettings(int kind, BOOL amplitudeGiven, CString rmsText, BOOL periodGiven, int listSelection,
                      const CPtrArray* snapshots, BOOL acUse);
    // The controls read, the unused parameters marked and the AC page preset.
    BOOL OnKillActive() override;

    // Kind from the controls and the list of that kind; with handOver 1 the settings, the
    // list and the AC page's mode go to the wizard.
    void StoreSettings(int handOver);

    // Fields that sit on a pin are closed while time-controlled.
    void EnablePinnedFields();
    // The period from the frequency or the trapezoid times, unless it is given: each read in
    // the unit its list shows, the period written in the unit its own list shows.
    void UpdatePeriod();
    // The sine's amplitude from the RMS value while the RMS radio is chosen.
    void UpdateAmplitudeFromRMS();

    const CString& GetRMSText() const { return m_strRMS; }
    BOOL GetACUse() const { return m_bACUse; }

protected:
    using TACFollowedPage<Wizard>::TACFollowedPage;

    // Reads the controls (when the page has a window); a list without a valid selection keeps
    // the stored selection.
    void ReadControls();
    // The list's selection when it is one of the six kinds, else -1.
    int FormSelection() const;
    // -1 for the constant value, else the list's selection; `fallback` when the radio or the
    // list has no window or the list has no valid selection.
    int KindFromControls(int fallback) const;
    void SyncAmplitudeRadios();
    // Reads the controls and shows the constant value's controls or the time functions' by the
    // radios: the value becomes an input or (time-controlled) an output, the amplitude label
    // stands in place of the sine's radios. TRUE for the constant value.
    BOOL ShowInputMode();
    // Reads the controls and shows the chosen time function's symbol variant, and the sine's
    // amplitude radios and RMS field or else the amplitude label; the list's selection or -1.
    int ShowFormControls();
    // The time function's fields after its amplitude fields: the frequency or the trapezoid
    // times, the period while given, the pinned fields closed, then a repaint (erasing the
    // background when `erase`).
    void EnableFormFields(int selection, BOOL erase);
    void SetFieldText(int id, CString& member, const CString& text);
    void AppendSnapshot(const char* name, const char* rename);
    // The page's fields and controls that both dialogs have.
    void ExchangeSharedFields(CDataExchange* pDX);
    // The member that holds the text of a shared parameter, or null.
    CString* FieldOf(WORD valueID);
    // The page's unit lists, those of qv::sources::kTimeUnitLists first and in its order.
    virtual std::span<CTBUnitComboBox> UnitLists() = 0;
    // A shared field's text with its parameter's quantity and unit, in the unit its list shows.
    TypedValue TypedField(WORD valueID);
    // Each parameter the page shows, in the set's order, to `load`: the live inputs and the
    // value, which is shown whether it is an input or (while time-controlled) an output. The
    // value's pin flag is read on the way.
    template <class Load>
    void ForEachShownParam(Load load) {
        qv::pages::ForEachPresentParam(this->m_pParams, [&](CWizardCopaObject3* param) {
            const bool value = param->GetValueID() == qv::sources::kIdValue;
            if (value) m_bUsePin = param->HasPin();
            if (value || (param->GetType() & kParamTypeInput) != 0) load(*param);
        });
    }
    // A shared parameter's text into its member, or the periodical choice into its list;
    // FALSE for any other parameter.
    BOOL LoadSharedField(CWizardCopaObject3& param);
    // The same back into the parameter.
    BOOL StoreSharedField(CWizardCopaObject3& param);
    // The parameter's quantity and used unit into the unit list that serves it, and back; a
    // list without units (no quantity) leaves the used unit as it is.
    static void SelectUnit(CWizardCopaObject3& param, std::span<CTBUnitComboBox> units, std::span<const qv::sources::UnitList> lists);
    static void TakeUnit(CWizardCopaObject3& param, std::span<CTBUnitComboBox> units, std::span<const qv::sources::UnitList> lists);
    // The amplitude radio's state, when it has a window.
    void ReadAmplitudeRadio();
    // The end of an apply: the symbol variant, the kind, the list, the settings handed over
    // and the parameter set committed.
    BOOL CommitKindAndList();
    // The AC parameters the list ends with: the constant's magnitude and phase while it uses
    // them, else those of the AC page's mode.
    void AppendACSnapshots(int kind);
    // Shows the constant value (kind < 0) or the kind's time function, when the radios have
    // windows; `erase` goes to the repaint of a time function.
    void ShowKind(int kind, BOOL erase);
    // The AC page is locked while the constant value uses the AC parameters, and preset to it.
    void PresetACPage();
    // Element data of the older wizard generation, all numbers little-endian DWORDs: kind
    // (negative for the constant value), snapshot count, snapshot block length S and S bytes
    // of archived snapshots, page block length P and P bytes of the page's archive block.
    // Only whole fields are read and every length is checked against what remains; FALSE
    // when a part does not fit, which ends the reading and keeps what was read before it.
    bool ReadOlderKindAndBlocks(qv::bytes::Reader& in, BOOL erase);
    // Page-block fields of older data after the period flag: the phase unit (versions 1 to 9)
    // and the list's selection (from version 9 on).
    void ReadOlderPageTail(CArchive& ar, DWORD version, CTBUnitComboBox& phaseUnit);
    // The page block both families archive under their own class record: DWORD page version,
    // DWORD amplitude given, CString RMS text, DWORD period given, then the list's selection
    // (older data: the phase unit for versions 1 to 9, the selection from version 9 on). A
    // block without a class record is read from where the record would have begun; a block
    // that ends early keeps what was read before. TRUE when it loaded.
    BOOL SerializePageBlock(CArchive& ar, CRuntimeClass* pageClass, CTBUnitComboBox& phaseUnit);
    // Marks the time-function parameters the current kind leaves unused (ExtType bit 0x20000),
    // then the family's own ones by its table; an unknown kind marks nothing.
    void MarkUnusedByKind(std::span<const qv::sources::UnusedMarks> ownMarks);
    void OnUsePin();
    void OnConstant();
    void OnTimeControlled();
    void OnAmplitude();
    void OnRmsValue();
    void OnPeriodGiven();
    void OnRmsChanged();
    void OnPeriodSourceChanged();
    void OnFieldChanged();
    void OnUnitSelected(UINT id);
    void OnPaint();

    BOOL m_bAmplitudeGiven = TRUE;              // the amplitude radio, not the RMS one
    int m_nKind = qv::sources::kKindConstant;
    CButton m_radConstant;       // 2027
    CButton m_radTimeControlled; // 2031
    CButton m_radAmplitude;      // 2203
    CButton m_radRms;            // 2204
    CComboBox m_cmbPeriodical;   // 2049
    CComboBox m_cmbForm;         // 2032
    BOOL m_bShowName = FALSE;
    BOOL m_bUsePin = FALSE;
    CString m_strAmplitude;
    CString m_strDelay;
    CString m_strFall;
    CString m_strFrequency;
    CString m_strName;
    CString m_strOffset;
    CString m_strPeriod;
    CString m_strPhase;
    CString m_strWidth;
    CString m_strRise;
    CString m_strValue;
    BOOL m_bPeriodGiven = FALSE;
    CString m_strRMS;
    BOOL m_bOutputVoltage = FALSE;  // 2018
    BOOL m_bOutputCurrent = FALSE;  // 2019
    int m_nListSelection = -1;
    BOOL m_bACUse = FALSE;
};
