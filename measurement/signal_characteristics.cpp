#include "measurement/signal_characteristics.h"

#include "framework/combo_entries.h"
#include "framework/dialog_controls.h"
#include "framework/immanent_template.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/shown_unit.h"
#include "toolkit/tb_numbers.h"

IMPLEMENT_DYNCREATE(CPropSCRisetimeFalltimePulseduration, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCMinimumMaximum, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCMeanRMS, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCTimePeriod, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCProbe1, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCProbe2, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCTimeOvershoot, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCIntegral, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCPower, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCSlidingMeanSlidingRMS, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCSensitivity, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CSCRiseTimeWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCFallTimeWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCPulseDurationWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCMaximumWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCMinimumWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCTimePeriodWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCProbe1Wizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCProbe2Wizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCTimeResponseWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCOvershootWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCIntegralWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCMeanValueWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCRMSValueWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCPowerWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCSlidingMeanWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCSlidingRMSWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCSensitivityWizard, CWizardBase3)

namespace qv::measurement {

namespace {

using qv::dialog::kCtlShowName;
constexpr WORD kIdDerivative = 2154;
constexpr WORD kIdDerivativeMean = 2156;

// The rows of the field tables, by role; the value ID is the control's own unless named.
constexpr Field OutputSwitchField(int control, WORD valueID) {
    return {.role = Role::OutputSwitch, .control = control, .valueID = valueID};
}
constexpr Field OutputSwitchField(int control) { return OutputSwitchField(control, static_cast<WORD>(control)); }
constexpr Field ParameterField(int control) {
    return {.role = Role::Parameter, .control = control, .valueID = static_cast<WORD>(control)};
}
// A parameter whose text names a result of the element (the sensitivity's derivatives).
constexpr Field ResultNameField(int control) {
    return {.role = Role::Parameter, .control = control, .valueID = static_cast<WORD>(control), .resultName = true};
}
constexpr Field TimedField(int control, int unitList) {
    return {.role = Role::TimedParameter, .control = control, .valueID = static_cast<WORD>(control), .unitList = unitList};
}
constexpr Field InputField(int control, int pinBox) {
    return {.role = Role::InputSignal, .control = control, .valueID = static_cast<WORD>(control), .pinBox = pinBox};
}
constexpr Field InputWithUnitField(int control, int pinBox, int unitList) {
    return {.role = Role::InputSignalWithUnit, .control = control, .valueID = static_cast<WORD>(control),
            .pinBox = pinBox, .unitList = unitList};
}
constexpr Field OutputValueField(int control, WORD valueID, int pinBox) {
    return {.role = Role::OutputValue, .control = control, .valueID = valueID, .pinBox = pinBox, .resultName = true};
}
constexpr Field SampleTimeField(int control, int pinBox, int unitList) {
    return {.role = Role::SampleTime, .control = control, .valueID = static_cast<WORD>(control), .pinBox = pinBox,
            .unitList = unitList};
}

// The fixed controls of every measurement dialog after the element frame, then the
// time-window rows.
#define PARVEL_SC_FIXED_LAYOUT                                                                 \
    {.id = 2072, .flags = 15}, {.id = 2017, .flags = 11}, {.id = 2185, .flags = 33},          \
        {.id = 2186, .flags = 35}, {.id = 2073, .flags = 34}, {.id = 2341, .flags = 33},      \
        {.id = 2342, .flags = 35}, {.id = 2343, .flags = 33}, {.id = 2344, .flags = 35},      \
        {.id = 2056, .flags = 9}, {.id = 2144, .flags = 33}, {.id = 2028, .flags = 35},       \
        {.id = 2401, .flags = 34}, {.id = 2402, .flags = 33}, {.id = 2514, .flags = 48},      \
        {.id = 2515, .flags = 48}

constexpr ControlLayout kWindowLayout[] = {PARVEL_SC_FIXED_LAYOUT};
constexpr ControlLayout kRiseFallPulseLayout[] = {
    PARVEL_SC_FIXED_LAYOUT,    {.id = 2338, .flags = 33}, {.id = 2339, .flags = 35},
    {.id = 2340, .flags = 33}, {.id = 2345, .flags = 35},
};
#undef PARVEL_SC_FIXED_LAYOUT

constexpr Field kWindowFields[] = {
    InputField(2186, 2073),
    TimedField(2342, 2514), TimedField(2344, 2515),
    OutputSwitchField(2056),
    OutputValueField(2028, 2056, 2401),
};
constexpr Field kRiseFallPulseFields[] = {
    ParameterField(2339),
    InputField(2186, 2073),
    TimedField(2342, 2514), TimedField(2344, 2515),
    ParameterField(2345),
    OutputSwitchField(2056),
    OutputValueField(2028, 2056, 2401),
};

constexpr int kWindowChangeMarks[] = {2186, 2001, 2342, 2344, 2028};
// The rise-time dialog marks itself modified only for these two edits.
constexpr int kRiseFallPulseChangeMarks[] = {2339, 2028};

// The fixed controls of the event, multi-output and sampled dialogs after the element frame.
#define PARVEL_SC_HEADER_LAYOUT \
    {.id = 2072, .flags = 15}, {.id = 2017, .flags = 11}
constexpr WORD kUnitListFlags = 48;

// Period (91): START and STOP conditions, the measured time OUT (2056, edit 2028).
constexpr ControlLayout kTimePeriodLayout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2347, .flags = 33}, {.id = 2348, .flags = 35}, {.id = 2351, .flags = 34},
    {.id = 2349, .flags = 33}, {.id = 2350, .flags = 35}, {.id = 2352, .flags = 34}, {.id = 2056, .flags = 9},
    {.id = 2144, .flags = 33}, {.id = 2028, .flags = 35}, {.id = 2401, .flags = 34}, {.id = 2402, .flags = 33},
};
constexpr Field kTimePeriodFields[] = {
    OutputSwitchField(2056),
    ParameterField(2348), ParameterField(2350),
    OutputValueField(2028, 2056, 2401),
};
constexpr int kTimePeriodChangeMarks[] = {2001, 2348, 2350, 2028};

// Probe 1 (92): input IN (2186), EVENT condition (2353), the value at the event (2056).
constexpr ControlLayout kProbe1Layout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2185, .flags = 33}, {.id = 2186, .flags = 35}, {.id = 2073, .flags = 34},
    {.id = 2354, .flags = 33}, {.id = 2353, .flags = 35}, {.id = 2355, .flags = 32}, {.id = 2056, .flags = 9},
    {.id = 2144, .flags = 33}, {.id = 2028, .flags = 35}, {.id = 2401, .flags = 34}, {.id = 2402, .flags = 33},
};
constexpr Field kProbe1Fields[] = {
    OutputSwitchField(2056),
    ParameterField(2353),
    InputField(2186, 2073),
    OutputValueField(2028, 2056, 2401),
};
constexpr int kProbe1ChangeMarks[] = {2353, 2186, 2001, 2028};

// Probe 2 (93): inputs IN1 (2357) and IN2 (2360), events 2363 and 2366, the formula 2369
// (stored as typed), the values 2371 and 2372 and the formula result 2056.
constexpr ControlLayout kProbe2Layout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2356, .flags = 33}, {.id = 2357, .flags = 97}, {.id = 2358, .flags = 33},
    {.id = 2359, .flags = 33}, {.id = 2360, .flags = 97}, {.id = 2361, .flags = 33}, {.id = 2362, .flags = 32},
    {.id = 2363, .flags = 96}, {.id = 2364, .flags = 32}, {.id = 2365, .flags = 32}, {.id = 2366, .flags = 96},
    {.id = 2367, .flags = 32}, {.id = 2368, .flags = 33}, {.id = 2369, .flags = 97}, {.id = 2370, .flags = 33},
    {.id = 2371, .flags = 9},  {.id = 2372, .flags = 8},  {.id = 2056, .flags = 10}, {.id = 2403, .flags = 33},
    {.id = 2404, .flags = 33}, {.id = 2405, .flags = 97}, {.id = 2406, .flags = 33}, {.id = 2407, .flags = 32},
    {.id = 2410, .flags = 32}, {.id = 2408, .flags = 96}, {.id = 2409, .flags = 32}, {.id = 2144, .flags = 33},
    {.id = 2402, .flags = 33}, {.id = 2028, .flags = 35}, {.id = 2401, .flags = 33},
};
constexpr Field kProbe2Fields[] = {
    OutputSwitchField(2056), OutputSwitchField(2371), OutputSwitchField(2372),
    ParameterField(2363), ParameterField(2366), ParameterField(2369),
    InputField(2357, 2358), InputField(2360, 2361),
    OutputValueField(2028, 2056, 2401), OutputValueField(2405, 2371, 2406),
    OutputValueField(2408, 2372, 2409),
};
constexpr int kProbe2ChangeMarks[] = {2363, 2366, 2369, 2357, 2360, 2001, 2408, 2405, 2028};

// Time response (94) and overshoot (95): input IN (2186), setpoint 2249, third parameter 2251
// (tolerance or number of overshoot factors), the time window, three results 2371 to 2373.
constexpr ControlLayout kTimeOvershootLayout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2185, .flags = 33}, {.id = 2186, .flags = 35}, {.id = 2073, .flags = 34},
    {.id = 2248, .flags = 33}, {.id = 2249, .flags = 35}, {.id = 2250, .flags = 33}, {.id = 2251, .flags = 35},
    {.id = 2341, .flags = 33}, {.id = 2342, .flags = 35}, {.id = 2343, .flags = 33}, {.id = 2344, .flags = 35},
    {.id = 2371, .flags = 9},  {.id = 2372, .flags = 8},  {.id = 2373, .flags = 10}, {.id = 2403, .flags = 33},
    {.id = 2407, .flags = 33}, {.id = 2411, .flags = 33}, {.id = 2404, .flags = 33}, {.id = 2410, .flags = 33},
    {.id = 2414, .flags = 33}, {.id = 2405, .flags = 35}, {.id = 2408, .flags = 35}, {.id = 2412, .flags = 35},
    {.id = 2406, .flags = 34}, {.id = 2409, .flags = 34}, {.id = 2413, .flags = 34},
    {.id = 2514, .flags = kUnitListFlags}, {.id = 2515, .flags = kUnitListFlags},
};
constexpr Field kTimeOvershootFields[] = {
    OutputSwitchField(2371), OutputSwitchField(2372), OutputSwitchField(2373),
    InputField(2186, 2073),
    ParameterField(2249), ParameterField(2251),
    TimedField(2342, 2514), TimedField(2344, 2515),
    OutputValueField(2405, 2371, 2406), OutputValueField(2408, 2372, 2409),
    OutputValueField(2412, 2373, 2413),
};
constexpr int kTimeOvershootChangeMarks[] = {2186, 2001, 2249, 2251, 2342, 2344, 2405, 2408, 2412};

// Integral criteria (96): input IN (2186), setpoint 2249, five results 2371 + k with their
// edits 2408 + 4k.
constexpr ControlLayout kIntegralLayout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2185, .flags = 33}, {.id = 2186, .flags = 35}, {.id = 2073, .flags = 34},
    {.id = 2248, .flags = 33}, {.id = 2249, .flags = 35}, {.id = 2371, .flags = 9},  {.id = 2372, .flags = 8},
    {.id = 2373, .flags = 8},  {.id = 2374, .flags = 8},  {.id = 2375, .flags = 10}, {.id = 2407, .flags = 33},
    {.id = 2408, .flags = 35}, {.id = 2409, .flags = 34}, {.id = 2410, .flags = 33}, {.id = 2411, .flags = 33},
    {.id = 2412, .flags = 35}, {.id = 2413, .flags = 34}, {.id = 2414, .flags = 33}, {.id = 2415, .flags = 33},
    {.id = 2416, .flags = 35}, {.id = 2417, .flags = 34}, {.id = 2418, .flags = 33}, {.id = 2419, .flags = 33},
    {.id = 2420, .flags = 35}, {.id = 2421, .flags = 34}, {.id = 2422, .flags = 33}, {.id = 2423, .flags = 33},
    {.id = 2424, .flags = 35}, {.id = 2425, .flags = 34}, {.id = 2426, .flags = 33},
};
constexpr Field kIntegralFields[] = {
    OutputSwitchField(2371), OutputSwitchField(2372), OutputSwitchField(2373), OutputSwitchField(2374),
    OutputSwitchField(2375),
    InputField(2186, 2073),
    ParameterField(2249),
    OutputValueField(2408, 2371, 2409), OutputValueField(2412, 2372, 2413),
    OutputValueField(2416, 2373, 2417), OutputValueField(2420, 2374, 2421),
    OutputValueField(2424, 2375, 2425),
};
constexpr int kIntegralChangeMarks[] = {2186, 2001, 2249, 2408, 2412, 2416, 2420, 2424};

// Power and energy (99): voltage part V (2374, units 2516) and current part I (2188, units
// 2517), the time window, results 2376 (power) and 2377 (energy).
constexpr ControlLayout kPowerLayout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2373, .flags = 33}, {.id = 2374, .flags = 35}, {.id = 2375, .flags = 34},
    {.id = 2187, .flags = 33}, {.id = 2188, .flags = 35}, {.id = 2074, .flags = 34}, {.id = 2341, .flags = 33},
    {.id = 2342, .flags = 35}, {.id = 2343, .flags = 33}, {.id = 2344, .flags = 35}, {.id = 2376, .flags = 9},
    {.id = 2377, .flags = 24}, {.id = 2415, .flags = 33}, {.id = 2419, .flags = 33}, {.id = 2416, .flags = 35},
    {.id = 2420, .flags = 35}, {.id = 2417, .flags = 34}, {.id = 2421, .flags = 34}, {.id = 2418, .flags = 33},
    {.id = 2422, .flags = 33}, {.id = 2516, .flags = kUnitListFlags}, {.id = 2517, .flags = kUnitListFlags},
    {.id = 2514, .flags = kUnitListFlags}, {.id = 2515, .flags = kUnitListFlags},
};
constexpr Field kPowerFields[] = {
    OutputSwitchField(2377), OutputSwitchField(2376),
    InputWithUnitField(2188, 2074, 2517), InputWithUnitField(2374, 2375, 2516),
    TimedField(2342, 2514), TimedField(2344, 2515),
    OutputValueField(2420, 2377, 2421), OutputValueField(2416, 2376, 2417),
};
constexpr int kPowerChangeMarks[] = {2188, 2374, 2001, 2342, 2344, 2416, 2420};

// Sliding mean and RMS (100, 101): input IN (2186), the time window, the integration period
// 2347, the sample time 2183, the result 2056 (no output value field). Only parameters with
// the input bit are read and written.
constexpr ControlLayout kSlidingLayout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2185, .flags = 33}, {.id = 2186, .flags = 97}, {.id = 2073, .flags = 32},
    {.id = 2341, .flags = 33}, {.id = 2342, .flags = 97}, {.id = 2343, .flags = 33}, {.id = 2344, .flags = 97},
    {.id = 2345, .flags = 33}, {.id = 2347, .flags = 97}, {.id = 2182, .flags = 33}, {.id = 2183, .flags = 97},
    {.id = 2074, .flags = 32}, {.id = 2056, .flags = 9},
    {.id = 2516, .flags = kUnitListFlags}, {.id = 2400, .flags = kUnitListFlags},
    {.id = 2514, .flags = kUnitListFlags}, {.id = 2515, .flags = kUnitListFlags},
};
constexpr Field kSlidingFields[] = {
    OutputSwitchField(2056),
    InputField(2186, 2073),
    TimedField(2342, 2514), TimedField(2344, 2515), TimedField(2347, 2516),
    SampleTimeField(2183, 2074, 2400),
};
constexpr int kSlidingChangeMarks[] = {2186, 2001, 2342, 2344, 2347};

// Sensitivity (102): inputs Y (2380) and X (2188), the delay 2040, the X interval 2152 to
// 2151, the sample time 2183, the names of the derivative (2154) and of its mean (2156),
// whose outputs the switches 2371 and 2372 turn on and off.
constexpr ControlLayout kSensitivityLayout[] = {
    PARVEL_SC_HEADER_LAYOUT,   {.id = 2379, .flags = 33}, {.id = 2380, .flags = 97}, {.id = 2381, .flags = 32},
    {.id = 2187, .flags = 33}, {.id = 2188, .flags = 97}, {.id = 2074, .flags = 32}, {.id = 2039, .flags = 33},
    {.id = 2040, .flags = 97}, {.id = 2150, .flags = 33}, {.id = 2152, .flags = 97}, {.id = 2149, .flags = 33},
    {.id = 2151, .flags = 97}, {.id = 2182, .flags = 33}, {.id = 2183, .flags = 97}, {.id = 2075, .flags = 32},
    {.id = 2153, .flags = 32}, {.id = 2384, .flags = 32}, {.id = 2154, .flags = 96}, {.id = 2155, .flags = 32},
    {.id = 2385, .flags = 32}, {.id = 2156, .flags = 96}, {.id = 2371, .flags = 9},  {.id = 2372, .flags = 10},
    {.id = 2512, .flags = kUnitListFlags}, {.id = 2400, .flags = kUnitListFlags},
};
constexpr Field kSensitivityFields[] = {
    OutputSwitchField(2371, 2154), OutputSwitchField(2372, 2156),
    InputField(2188, 2074), InputField(2380, 2381),
    ResultNameField(2156),
    TimedField(2040, 2512),
    ResultNameField(2154), ParameterField(2152), ParameterField(2151),
    SampleTimeField(2183, 2075, 2400),
};
constexpr int kSensitivityChangeMarks[] = {2156, 2040, 2154, 2188, 2380, 2152, 2001, 2151};
#undef PARVEL_SC_HEADER_LAYOUT

bool HasPinBox(Role role) {
    return role == Role::InputSignal || role == Role::OutputValue || role == Role::InputSignalWithUnit ||
           role == Role::SampleTime;
}

} // namespace

const PageTable kRiseFallPulsePage = {
    .templateID = 2583, .fields = kRiseFallPulseFields, .layout = kRiseFallPulseLayout,
    .changeMarks = kRiseFallPulseChangeMarks};
const PageTable kMinMaxPage = {
    .templateID = 2584, .fields = kWindowFields, .layout = kWindowLayout, .changeMarks = kWindowChangeMarks};
const PageTable kMeanRMSPage = {
    .templateID = 2590, .fields = kWindowFields, .layout = kWindowLayout, .changeMarks = kWindowChangeMarks};

const PageTable kTimePeriodPage = {
    .templateID = 2585, .fields = kTimePeriodFields, .layout = kTimePeriodLayout, .changeMarks = kTimePeriodChangeMarks};
const PageTable kProbe1Page = {
    .templateID = 2586, .fields = kProbe1Fields, .layout = kProbe1Layout, .changeMarks = kProbe1ChangeMarks};
const PageTable kProbe2Page = {
    .templateID = 2587, .fields = kProbe2Fields, .layout = kProbe2Layout, .changeMarks = kProbe2ChangeMarks};
const PageTable kTimeOvershootPage = {.templateID = 2588, .fields = kTimeOvershootFields,
                                      .layout = kTimeOvershootLayout, .changeMarks = kTimeOvershootChangeMarks};
const PageTable kIntegralPage = {
    .templateID = 2589, .fields = kIntegralFields, .layout = kIntegralLayout, .changeMarks = kIntegralChangeMarks};
const PageTable kPowerPage = {
    .templateID = 2591, .fields = kPowerFields, .layout = kPowerLayout, .changeMarks = kPowerChangeMarks};
const PageTable kSlidingPage = {.templateID = 2592, .fields = kSlidingFields, .layout = kSlidingLayout,
                                .changeMarks = kSlidingChangeMarks, .inputsOnly = true};
const PageTable kSensitivityPage = {.templateID = 2593, .fields = kSensitivityFields,
                                    .layout = kSensitivityLayout, .changeMarks = kSensitivityChangeMarks};

const Relabel kRiseTimeLabels[1] = {{.control = 2056, .stringID = 2528, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kFallTimeLabels[1] = {{.control = 2056, .stringID = 2529, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kPulseDurationLabels[1] = {
    {.control = 2056, .stringID = 2530, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kMaximumLabels[1] = {{.control = 2056, .stringID = 2532, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kMinimumLabels[1] = {{.control = 2056, .stringID = 2531, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kMeanLabels[1] = {{.control = 2056, .stringID = 2775, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kRMSLabels[1] = {{.control = 2056, .stringID = 2776, .outputSwitch = true, .unitValueID = 2056}};

const Relabel kTimeResponseLabels[4] = {
    {.control = 2371, .stringID = 2768, .outputSwitch = true, .unitValueID = 2371},
    {.control = 2372, .stringID = 2769, .outputSwitch = true, .unitValueID = 2372},
    {.control = 2373, .stringID = 2770, .outputSwitch = true, .unitValueID = 2373},
    {.control = 2250, .stringID = 2767, .outputSwitch = false},
};
const Relabel kOvershootLabels[4] = {
    {.control = 2371, .stringID = 2772, .outputSwitch = true, .unitValueID = 2371},
    {.control = 2372, .stringID = 2773, .outputSwitch = true, .unitValueID = 2372},
    {.control = 2373, .stringID = 2774, .outputSwitch = true, .unitValueID = 2373},
    {.control = 2250, .stringID = 2771, .outputSwitch = false},
};
const Relabel kSlidingMeanLabels[1] = {{.control = 2056, .stringID = 2777, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kSlidingRMSLabels[1] = {{.control = 2056, .stringID = 2778, .outputSwitch = true, .unitValueID = 2056}};

CString BuildInitList(ParamHolder* exchange) {
    CString entries;
    const int count = exchange ? exchange->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        const CWizardCopaObject3* param = exchange->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const WORD id = param->GetValueID();
        if ((id != kIdDerivative && id != kIdDerivativeMean) || param->GetValue().IsEmpty()) continue;
        if (!entries.IsEmpty()) entries += "\n";
        entries += param->GetValue() + " := " + "0;";
    }
    if (entries.IsEmpty()) return CString();
    return "INTERN EQU {\t" + entries + "\t} DST: SIM(Type:=SFML, Sequ:=INIT);";
}

} // namespace qv::measurement

using namespace qv::measurement;

// ---------------------------------------------------------------------------------------
// The frame.

CPropSCFrame::CPropSCFrame(const PageTable& table) : COlderBaseBlockPage(table.templateID), m_table(table) {}

CPropSCFrame::CPropSCFrame(const PageTable& table, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : COlderBaseBlockPage(table.templateID, wizard, exchange, table.layout), m_table(table) {}

int CPropSCFrame::FieldIndex(int control) const {
    for (size_t i = 0; i < FieldCount(); ++i)
        if (m_table.fields[i].control == control) return static_cast<int>(i);
    return -1;
}

CString CPropSCFrame::FieldText(int control) const {
    const int index = FieldIndex(control);
    return index >= 0 ? m_texts[static_cast<size_t>(index)] : CString();
}

BOOL CPropSCFrame::FieldPin(int control) const {
    const int index = FieldIndex(control);
    return index >= 0 ? m_pins[static_cast<size_t>(index)] : FALSE;
}

BOOL CPropSCFrame::SwitchState(int control) const {
    const int index = FieldIndex(control);
    return index >= 0 ? m_switches[static_cast<size_t>(index)] : FALSE;
}

void CPropSCFrame::ReadOutputSwitches() {
    for (size_t i = 0; i < FieldCount(); ++i)
        if (m_table.fields[i].role == Role::OutputSwitch) GetSDBOutput(m_pExchange, m_table.fields[i].valueID, &m_switches[i]);
}

CTBUnitComboBox* CPropSCFrame::UnitListOf(size_t i) {
    if (i >= m_table.fields.size() || m_table.fields[i].unitList == 0) return nullptr;
    size_t slot = 0;
    for (size_t k = 0; k < i; ++k)
        if (m_table.fields[k].unitList != 0) ++slot;
    if (slot >= m_units.size()) return nullptr;
    if (m_units[slot] == nullptr) m_units[slot] = std::make_unique<CTBUnitComboBox>();
    return m_units[slot].get();
}

bool CPropSCFrame::Handles(const CWizardCopaObject3* param) const {
    if (param == nullptr || param->IsDeleted()) return false;
    return !m_table.inputsOnly || (param->GetType() & kParamTypeInput) != 0;
}

namespace {

void ShowUnits(CTBUnitComboBox* units, const CWizardCopaObject3* param) {
    if (units == nullptr) return;
    qv::blocks::ShowUnitsOf(*units, param);
}

} // namespace

void CPropSCFrame::DoDataExchange(CDataExchange* pDX) {
    COlderBaseBlockPage::DoDataExchange(pDX);
    for (size_t i = 0; i < FieldCount(); ++i) {
        const Field& field = m_table.fields[i];
        if (CTBUnitComboBox* units = UnitListOf(i)) DDX_Control(pDX, field.unitList, *units);
        switch (field.role) {
        case Role::TimedParameter:
        case Role::Parameter:
            DDX_Text(pDX, field.control, m_texts[i]);
            break;
        case Role::OutputSwitch:
            DDX_Check(pDX, field.control, m_switches[i]);
            break;
        case Role::InputSignal:
        case Role::InputSignalWithUnit:
        case Role::OutputValue:
            DDX_Check(pDX, field.pinBox, m_pins[i]);
            DDX_Text(pDX, field.control, m_texts[i]);
            break;
        case Role::SampleTime:
            if (m_sampleTime == nullptr) m_sampleTime = std::make_unique<CComboBox>();
            DDX_Control(pDX, field.control, *m_sampleTime);
            DDX_Check(pDX, field.pinBox, m_pins[i]);
            break;
        }
    }
}

void CPropSCFrame::EnableParameterEdits() {
    for (const Field& field : m_table.fields) {
        if (field.role != Role::Parameter && field.role != Role::TimedParameter) continue;
        if (CWnd* edit = GetDlgItem(field.control)) edit->EnableWindow(IsParamNotOnPin(m_pExchange, field.valueID));
    }
}

BOOL CPropSCFrame::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    for (size_t i = 0; i < FieldCount(); ++i)
        if (CTBUnitComboBox* units = UnitListOf(i); units != nullptr && units->GetSafeHwnd() != nullptr)
            units->DisableFlatLook(TRUE);
    UpdateData(FALSE);

    // Later parameters with the same value ID overwrite what earlier ones set.
    ForEachHandledField([&](CWizardCopaObject3* param, size_t i) {
        switch (m_table.fields[i].role) {
        case Role::InputSignal:
        case Role::OutputValue:
        case Role::InputSignalWithUnit:
            // A clear pin bit leaves the box as it is.
            if (param->HasPin()) m_pins[i] = TRUE;
            [[fallthrough]];
        case Role::Parameter:
        case Role::TimedParameter:
            m_texts[i] = param->GetValue();
            // Fields without a unit list have none to show.
            ShowUnits(UnitListOf(i), param);
            break;
        case Role::SampleTime:
            if (param->HasPin()) m_pins[i] = TRUE;
            if (m_sampleTime != nullptr && m_sampleTime->GetSafeHwnd() != nullptr)
                qv::blocks::ShowSampleTime(*m_sampleTime, param->GetValue(), qv::blocks::SampleTimeRule::Block);
            ShowUnits(UnitListOf(i), param);
            break;
        case Role::OutputSwitch:
            break;
        }
    });

    UpdateData(FALSE);
    ReadOutputSwitches();
    UpdateData(FALSE);
    for (const Field& field : m_table.fields)
        if (field.role == Role::OutputSwitch) AppendOutputUnit(field.control, field.valueID);
    SetModified(FALSE);
    EnableParameterEdits();
    return TRUE;
}

BOOL CPropSCFrame::OnSetActive() {
    ReadOutputSwitches();
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);

    // The "Use Pin" boxes follow the pin bits the editor holds now.
    for (size_t i = 0; i < FieldCount(); ++i) {
        const Field& field = m_table.fields[i];
        if (HasPinBox(field.role)) GetParamUsePin(m_pExchange, field.valueID, &m_pins[i]);
    }
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    for (size_t i = 0; i < FieldCount(); ++i) {
        const Field& field = m_table.fields[i];
        if (!HasPinBox(field.role)) continue;
        if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
        ApplyPinBox(m_pins[i], {field.control}, field.valueID);
    }
    SetModified(FALSE);
    EnableParameterEdits();
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropSCFrame::OnApply() {
    // The result names (2028, and the second probe's 2405) are edited apart from their outputs.
    if (!qv::pages::RefuseBlankValueField(*this, m_pExchange, {{2028, 2056}, {2405, 2371}})) return FALSE;
    // A result's name is declared in the model text as it stands, so it must be a name; a
    // result taken from a pin (its field disabled) is named by the pin instead, and a field
    // without its parameter writes nothing.
    bool named = true;
    ForEachHandledField([&](CWizardCopaObject3*, size_t i) {
        if (named && m_table.fields[i].resultName)
            named = qv::pages::RefuseFieldWithoutName(*this, m_table.fields[i].control) != FALSE;
    });
    if (!named) return FALSE;
    // Without a data-exchange object there is nothing to write into or to commit.
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    ForEachHandledField([&](CWizardCopaObject3* param, size_t i) {
        switch (m_table.fields[i].role) {
        case Role::InputSignal:
        case Role::InputSignalWithUnit:
            // A signal from a pin keeps its text; fields without a unit list write none.
            if (!m_pins[i]) param->SetValue(m_texts[i]);
            qv::pages::WriteShownUnit(UnitListOf(i), param);
            break;
        case Role::Parameter:
        case Role::OutputValue:
        case Role::TimedParameter:
            param->SetValue(m_texts[i]);
            qv::pages::WriteShownUnit(UnitListOf(i), param);
            break;
        case Role::SampleTime:
            // Written also while "Use Pin" is on.
            if (m_sampleTime != nullptr && m_sampleTime->GetSafeHwnd() != nullptr)
                param->SetValue(qv::blocks::StoredSampleTimeWithMilli(*m_sampleTime));
            qv::pages::WriteShownUnit(UnitListOf(i), param);
            break;
        case Role::OutputSwitch:
            break;
        }
    });
    return EndApply();
}

BOOL CPropSCFrame::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (code == BN_CLICKED && id == kCtlShowName) {
        SetModified(TRUE);
        return TRUE;
    }
    if (code == EN_CHANGE) {
        for (int marked : m_table.changeMarks)
            if (marked == id) {
                SetModified(TRUE);
                return TRUE;
            }
    }
    for (size_t i = 0; i < FieldCount(); ++i) {
        const Field& field = m_table.fields[i];
        if (code == CBN_SELCHANGE && field.unitList != 0 && field.unitList == id) {
            UpdateData(TRUE);
            SetModified(TRUE);
            return TRUE;
        }
        if ((code == CBN_DROPDOWN || code == CBN_KILLFOCUS) && field.role == Role::SampleTime && field.control == id) {
            if (m_sampleTime != nullptr && m_sampleTime->GetSafeHwnd() != nullptr)
                qv::pages::KeepTypedTextAsEntry(*m_sampleTime);
            return TRUE;
        }
        if (code != BN_CLICKED) continue;
        if (HasPinBox(field.role) && field.pinBox == id) {
            UpdateData(TRUE);
            ApplyPinBox(m_pins[i], {field.control}, field.valueID);
            return TRUE;
        }
        if (field.role == Role::OutputSwitch && field.control == id) {
            ToggleOutputSwitch(m_switches[i], field.control, field.valueID);
            return TRUE;
        }
    }
    return COlderBaseBlockPage::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------------------------------
// Shared pages and variants.

#define PARVEL_SC_PAGE_CONSTRUCTORS(Name, Table)                                                         \
    Name::Name() : CPropSCFrame(Table) {}                                                                 \
    Name::Name(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange) : CPropSCFrame(Table, wizard, exchange) {}
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCRisetimeFalltimePulseduration, kRiseFallPulsePage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCMinimumMaximum, kMinMaxPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCMeanRMS, kMeanRMSPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCTimePeriod, kTimePeriodPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCProbe1, kProbe1Page)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCProbe2, kProbe2Page)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCTimeOvershoot, kTimeOvershootPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCIntegral, kIntegralPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCPower, kPowerPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCSlidingMeanSlidingRMS, kSlidingPage)
PARVEL_SC_PAGE_CONSTRUCTORS(CPropSCSensitivity, kSensitivityPage)
#undef PARVEL_SC_PAGE_CONSTRUCTORS

template <class Shared>
BOOL TSCVariant<Shared>::OnInitDialog() {
    CResourceSwitch resources;
    Shared::OnInitDialog();
    for (const Relabel& relabel : m_relabels) {
        CString caption = LoadLibraryString(relabel.stringID);
        if (relabel.outputSwitch) {
            CString unit;
            GetParamUnit(this->GetExchange(), relabel.unitValueID, &unit);
            AppendUnitSuffix(&caption, unit);
        }
        this->SetDlgItemText(relabel.control, caption);
    }
    return TRUE;
}

template class TSCVariant<CPropSCRisetimeFalltimePulseduration>;
template class TSCVariant<CPropSCMinimumMaximum>;
template class TSCVariant<CPropSCMeanRMS>;
template class TSCVariant<CPropSCTimeOvershoot>;
template class TSCVariant<CPropSCSlidingMeanSlidingRMS>;

// ---------------------------------------------------------------------------------------

int CSCSensitivityWizard::WriteSimDescr(CFile*, const CString& templ, CWizardSchematicDataExchange3* exchange) {
    if (!qv::modeltext::IsImmanentTemplate(templ) || exchange == nullptr) return 4;
    CString text = exchange->m_strModelText;
    ReplacePlaceholder(text, "@INITLIST", BuildInitList(exchange), 0);
    exchange->m_strModelText = text;
    return 4;
}
