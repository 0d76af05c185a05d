#include "timefunctions/wave_pages.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"

#include <cmath>

using namespace qv::timefunctions;

IMPLEMENT_SERIAL(CPropTFMWave, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropTFMWave)
IMPLEMENT_SERIAL(CPropTFMTrapez, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropTFMTrapez)
IMPLEMENT_SERIAL(CPropTFMArcTang, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropTFMArcTang)
IMPLEMENT_SERIAL(CPropTFMVCO, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropTFMVCO)
IMPLEMENT_DYNCREATE(CPropTFMNeedle, CTBPropertyPage)

using namespace qv::dialog;

namespace {

constexpr UINT kWaveTemplate = 2545;
constexpr UINT kTrapezTemplate = 2546;
constexpr UINT kArcTangTemplate = 2547;
constexpr UINT kNeedleTemplate = 2548;
constexpr UINT kVCOTemplate = 2549;

constexpr int kCtlRampLabel = 2206;
constexpr int kCtlRamp = 2207;
constexpr int kCtlTime = 2188;
constexpr int kCtlLimitCheck = 2148;
constexpr int kCtlUpperLabel = 2149;
constexpr int kCtlLowerLabel = 2150;
constexpr int kCtlUsePin = 2073;
constexpr WORD kIdRampDefault = 1000;
constexpr WORD kIdLimitY = 2209;
constexpr WORD kIdFactorX = 2010;
constexpr WORD kIdOffsetX = 2211;
constexpr WORD kIdOffsetY = 2213;
constexpr WORD kIdInput = 2186;
constexpr WORD kIdUpper = 2151;
constexpr WORD kIdLower = 2152;
using namespace qv::strings;
constexpr DWORD kPinBit = 0x80000000u;
// Fields whose edits go to one handler of their page.
constexpr WORD kTrapezSegments[] = {kIdFall, kIdWidth, kIdRise};
constexpr int kArcTangNumbers[] = {kIdFactorX, kIdLimitY, kIdOffsetX, kIdOffsetY, kCtlTime};
constexpr WORD kVCOInputAndLimits[] = {kIdInput, kIdLower, kIdUpper};
constexpr double kInverseTwoPi = 0.15915494309189535;

using qv::pages::ControlLayout;
constexpr ControlLayout kWaveLayout[] = {
    {.id = 2003, .flags = 15}, {.id = 2033, .flags = 33}, {.id = 2206, .flags = 33}, {.id = 2035, .flags = 33},
    {.id = 2205, .flags = 33}, {.id = 2039, .flags = 33}, {.id = 2034, .flags = 97}, {.id = 2207, .flags = 97},
    {.id = 2036, .flags = 97}, {.id = 2038, .flags = 97}, {.id = 2040, .flags = 97}, {.id = 2041, .flags = 48},
    {.id = 2043, .flags = 48}, {.id = 2045, .flags = 48}, {.id = 2048, .flags = 48}, {.id = 2042, .flags = 98},
    {.id = 2044, .flags = 98}, {.id = 2047, .flags = 98}, {.id = 2049, .flags = 98}, {.id = 2509, .flags = 48},
    {.id = 2510, .flags = 48}, {.id = 2512, .flags = 48}, {.id = 2513, .flags = 48}, {.id = 2017, .flags = 73},
    {.id = 2056, .flags = 9},  {.id = 2216, .flags = 74}, {.id = 2217, .flags = 72},
};
constexpr ControlLayout kTrapezLayout[] = {
    {.id = 2003, .flags = 15}, {.id = 2033, .flags = 33}, {.id = 2205, .flags = 33}, {.id = 2039, .flags = 33},
    {.id = 2048, .flags = 33}, {.id = 2045, .flags = 33}, {.id = 2034, .flags = 97}, {.id = 2038, .flags = 97},
    {.id = 2040, .flags = 97}, {.id = 2049, .flags = 97}, {.id = 2047, .flags = 97}, {.id = 2510, .flags = 48},
    {.id = 2512, .flags = 48}, {.id = 2041, .flags = 48}, {.id = 2050, .flags = 48}, {.id = 2052, .flags = 48},
    {.id = 2054, .flags = 48}, {.id = 2513, .flags = 48}, {.id = 2515, .flags = 48}, {.id = 2516, .flags = 48},
    {.id = 2517, .flags = 48}, {.id = 2042, .flags = 98}, {.id = 2051, .flags = 98}, {.id = 2053, .flags = 98},
    {.id = 2055, .flags = 98}, {.id = 2017, .flags = 73}, {.id = 2056, .flags = 9},  {.id = 2216, .flags = 74},
    {.id = 2217, .flags = 72},
};
constexpr ControlLayout kArcTangLayout[] = {
    {.id = 2003, .flags = 15}, {.id = 2208, .flags = 33}, {.id = 2009, .flags = 33}, {.id = 2209, .flags = 97},
    {.id = 2010, .flags = 97}, {.id = 2210, .flags = 32}, {.id = 2212, .flags = 32}, {.id = 2211, .flags = 98},
    {.id = 2213, .flags = 98}, {.id = 2518, .flags = 48}, {.id = 2519, .flags = 34}, {.id = 2017, .flags = 73},
    {.id = 2056, .flags = 9},  {.id = 2216, .flags = 74}, {.id = 2217, .flags = 74}, {.id = 2218, .flags = 24},
    {.id = 2188, .flags = 88},
};
constexpr ControlLayout kNeedleLayout[] = {
    {.id = 2003, .flags = 15}, {.id = 2033, .flags = 33}, {.id = 2035, .flags = 33}, {.id = 2039, .flags = 33},
    {.id = 2041, .flags = 33}, {.id = 2034, .flags = 97}, {.id = 2036, .flags = 97}, {.id = 2040, .flags = 97},
    {.id = 2042, .flags = 97}, {.id = 2045, .flags = 48}, {.id = 2048, .flags = 48}, {.id = 2509, .flags = 48},
    {.id = 2512, .flags = 48}, {.id = 2513, .flags = 48}, {.id = 2047, .flags = 98}, {.id = 2049, .flags = 98},
    {.id = 2017, .flags = 73}, {.id = 2056, .flags = 9},  {.id = 2216, .flags = 74}, {.id = 2217, .flags = 72},
};
constexpr ControlLayout kVCOLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2185, .flags = 33}, {.id = 2148, .flags = 33}, {.id = 2149, .flags = 33},
    {.id = 2150, .flags = 33}, {.id = 2186, .flags = 97}, {.id = 2151, .flags = 97}, {.id = 2152, .flags = 97},
    {.id = 2073, .flags = 48}, {.id = 2153, .flags = 48}, {.id = 2041, .flags = 48}, {.id = 2519, .flags = 48},
    {.id = 2518, .flags = 48}, {.id = 2517, .flags = 48}, {.id = 2034, .flags = 98}, {.id = 2042, .flags = 98},
    {.id = 2513, .flags = 34}, {.id = 2017, .flags = 73}, {.id = 2056, .flags = 9},
};

void AddFinite(std::vector<CurvePoint>& points, double x, double y) {
    if (std::isfinite(x) && std::isfinite(y)) points.push_back({x, y});
}

} // namespace

// ---------------------------------------------------------------------------------------
// The previews' arithmetic. Remainders are floored into [0, m) (a modulus of 0 leaves its
// argument), so a negative phase shifts the curve instead of mirroring it, and points that
// are not finite are left out.

namespace qv::timefunctions {

std::vector<CurvePoint> ComputeWavePoints(const WaveCurve& c) {
    const bool pulse = c.shape == WaveShape::Pulse;
    const int count = pulse ? 1001 : 501;
    const double step = 2.0 * c.period * (pulse ? 0.001 : 0.002);
    const double T = 1.0 / c.frequency;
    const double shift = T + T * c.phase * kInverseTwoPi;
    const bool samePeriod = Printed(T) == Printed(c.period);
    const bool saw = c.shape == WaveShape::SawRising || c.shape == WaveShape::SawFalling;
    std::vector<CurvePoint> points;
    points.reserve(static_cast<size_t>(count));
    double previous = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = i * step;
        double y = previous;
        bool keep = false;  // this sample keeps the previous y
        double r = 0.0;
        bool shaped = true;
        if (c.frequency == 0.0) {
            y = c.offset;
            shaped = false;
        } else if (c.periodic) {
            r = (c.periodGiven && !samePeriod) ? FlooredRemainder(FlooredRemainder(t, c.period) + shift, T)
                                               : FlooredRemainder(t + shift, T);
        } else {
            r = FlooredRemainder(t + shift, T);
            const double end = c.periodGiven ? c.period : T;
            if (!saw) {
                if (t > end) {
                    y = 0.0;
                    shaped = false;
                } else if (c.periodGiven && c.shape == WaveShape::Triangle && r == 0.0) {
                    keep = true;
                }
            } else if (c.shape == WaveShape::SawRising && c.periodGiven && c.period < T) {
                if (t > T) {
                    y = 0.0;
                    shaped = false;
                }
            } else if (t > end) {
                y = 0.0;
                shaped = false;
            } else if (t == end) {
                keep = true;
            }
        }
        if (shaped && !keep) {
            switch (c.shape) {
            case WaveShape::Pulse:
                if (r < T / 2) y = c.offset + c.amplitude;
                else if (r > T / 2) y = c.offset - c.amplitude;
                break;
            case WaveShape::SawRising: y = (2.0 * r / T - 1.0) * c.amplitude + c.offset; break;
            case WaveShape::SawFalling: y = (1.0 - 2.0 * r / T) * c.amplitude + c.offset; break;
            case WaveShape::Triangle:
                if (r < T / 2) y = (4.0 * r / T - 1.0) * c.amplitude + c.offset;
                else if (r > T / 2) y = (3.0 - 4.0 * r / T) * c.amplitude + c.offset;
                break;
            }
        }
        previous = y;
        AddFinite(points, t + c.delay, y);
    }
    return points;
}

std::vector<CurvePoint> ComputeTrapezPoints(const TrapezCurve& c) {
    const double S = c.width + c.fall + c.rise;
    const double shift = S * c.phase * kInverseTwoPi;
    const double step = 2.0 * c.period * 0.002;
    const bool samePeriod = Printed(c.period) == Printed(S);
    // The shape over one trapezoid; a ramp of zero length is a vertical edge (its branch is
    // never reached for x in [0, S)), and S = 0 is the offset alone.
    auto shape = [&](double x) {
        if (S == 0.0) return c.offset;
        if (x < c.rise) return c.offset + c.amplitude * x / c.rise;
        if (x < c.rise + c.width) return c.offset + c.amplitude;
        if (x < S) return c.offset + c.amplitude * (S - x) / c.fall;
        return c.offset;
    };
    std::vector<CurvePoint> points;
    points.reserve(501);
    for (int i = 0; i <= 500; ++i) {
        const double t = i * step;
        double y = 0.0;
        if (c.periodic) {
            if (c.periodGiven && !samePeriod)
                y = shape(FlooredRemainder(FlooredRemainder(t, c.period) + shift, c.period));
            else
                y = shape(FlooredRemainder(t + shift, S));
        } else {
            const double end = c.periodGiven ? c.period : S;
            y = t > end ? 0.0 : shape(FlooredRemainder(t + shift, S));
        }
        AddFinite(points, c.delay + t, y);
    }
    return points;
}

std::vector<CurvePoint> ComputeArcTangPoints(const ArcTangCurve& c) {
    const double span = c.time * 3.141592653589793;
    const double step = span * 0.01;
    std::vector<CurvePoint> points;
    points.reserve(101);
    for (int i = 0; i <= 100; ++i) {
        const double t = i * step;
        AddFinite(points, t, c.limit * std::atan(c.factor * t + c.offsetX) + c.offsetY);
    }
    return points;
}

std::vector<CurvePoint> ComputeNeedlePoints(const NeedleCurve& c) {
    const double P = c.frequency != 0.0 ? 1.0 / c.frequency : 0.0;
    const double step = 2.0 * P * 0.002;
    std::vector<CurvePoint> points;
    points.reserve(505);
    bool drawn = false;
    for (int i = 0; i <= 500; ++i) {
        const double t = i * step;
        const double x = c.delay + t;
        if (c.frequency != 0.0) {
            const double within = c.periodic ? FlooredRemainder(t, P) : t;
            if (within < step) drawn = false;  // a new period begins
            if (!drawn && within > c.needleDelay) {
                AddFinite(points, x, c.offset);
                AddFinite(points, x, c.offset + c.amplitude);
                drawn = true;
            }
        }
        AddFinite(points, x, c.offset);
    }
    return points;
}

} // namespace qv::timefunctions

// ---------------------------------------------------------------------------------------
// The periodic waves.

BEGIN_MESSAGE_MAP(CPropTFMWave, CPeriodicFunctionPage)
    ON_CBN_KILLFOCUS(kCtlRamp, &CPropTFMWave::OnRampChanged)
    ON_CBN_SELCHANGE(kCtlRamp, &CPropTFMWave::OnMarkModified)
END_MESSAGE_MAP()

CPropTFMWave::CPropTFMWave() : TWizardTimeFunctionPage(kWaveTemplate) {}

CPropTFMSawTooth::CPropTFMSawTooth(CTFMSawToothWizard4* wizard, ParamHolder* params) : CPropTFMWave(wizard, params) {}

CPropTFMWave::CPropTFMWave(CTimeFunctionWizardBase4* wizard, ParamHolder* params)
    : TWizardTimeFunctionPage(kWaveTemplate, wizard, params, kWaveLayout) {}

void CPropTFMWave::SetWaveData(DWORD ramp, BOOL periodGiven) {
    m_dwRamp = ramp;
    m_bPeriodGiven = periodGiven ? TRUE : FALSE;
}

void CPropTFMWave::DoDataExchange(CDataExchange* pDX) {
    CPeriodicFunctionPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlRamp, m_cmbRamp);
}

// The rising ramp is drawn as a saw-tooth is placed (variant 0), so that applying the page
// without a change leaves the element as it was; the falling one is variant 1 (mask 2).
BYTE CPropTFMWave::RampSymbolVariant(int selected) {
    return static_cast<BYTE>(selected > 0 ? 1u << selected : 0u);
}

int CPropTFMWave::SelectedRamp() const {
    if (m_cmbRamp.GetSafeHwnd() == nullptr) return -1;
    return m_cmbRamp.GetCurSel();
}

// Only the two known directions are shown; any other value (old data, parameter 1000)
// leaves the list without selection.
void CPropTFMWave::SelectRamp(DWORD ramp) {
    m_dwRamp = ramp;
    if (m_cmbRamp.GetSafeHwnd() != nullptr) m_cmbRamp.SetCurSel(ramp <= 1 ? static_cast<int>(ramp) : -1);
}

BOOL CPropTFMWave::OnInitDialog() {
    StartPeriodicInit(m_cmbPeriodical);
    LoadNamedFields(Fields(), &m_cmbPeriodical);
    if (m_cmbRamp.GetSafeHwnd() != nullptr) {
        SelectRamp(m_dwRamp);
        UpdateData(FALSE);
        OnRampChanged();
    }
    EndPeriodicInit();
    return TRUE;
}

BOOL CPropTFMWave::VariantInitDialog(UINT caption) {
    {
        CResourceSwitch resources;
        CPropTFMWave::OnInitDialog();
    }
    LabelOutput(caption);
    return TRUE;
}

void CPropTFMWave::EnableParamControls() {
    if (GetSafeHwnd() == nullptr) return;
    for (WORD id : {kIdAmplitude, kIdDelay, kIdOffset}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
    if (m_bPeriodGiven) EnableControl(kIdPeriod, IsParamNotOnPin(m_pParams, kIdPeriod));
    for (WORD id : {kIdPeriodical, kIdPhase, kIdFrequency}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
}

void CPropTFMWave::OnRampChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    const int selected = SelectedRamp();
    if (selected >= 0 && selected < 8)
        InvalidateDlgItemRect(m_pSymbol, RampSymbolVariant(selected), kCtlSymbolFrame, this);
}

BOOL CPropTFMWave::OnApply() {
    if (m_pParams == nullptr) return FALSE;
    UpdateData(TRUE);
    StoreName();
    WritePeriodicFields();
    // A list without selection (a direction it does not know) keeps the direction and the
    // symbol variant as they are.
    const int selected = SelectedRamp();
    if (selected >= 0) m_dwRamp = static_cast<DWORD>(selected);
    StoreWizardMode();
    CWnd* ramp = GetDlgItem(kCtlRamp);
    if (ramp != nullptr && (ramp->GetStyle() & WS_VISIBLE) != 0 && selected >= 0 && selected < 8)
        m_pParams->m_bySymbolVariant = RampSymbolVariant(selected);
    return CommitAndFinish();
}

WaveCurve CPropTFMWave::CurveFromFields(WaveShape shape) {
    WaveCurve curve;
    curve.shape = shape;
    ReadPeriodicCurve(curve);
    return curve;
}

void CPropTFMWave::CalculateShape(WaveShape shape) { StorePoints(ComputeWavePoints(CurveFromFields(shape))); }

void CPropTFMWave::Serialize(CArchive& ar) { SerializePeriodBlock(ar, RUNTIME_CLASS(CPropTFMWave), m_cmbPhase, true); }

template <class OnRamp>
void CPropTFMWave::ReadOlderData(const void* data, long length, OnRamp onRamp) {
    const OlderData older = ReadOlderLayout(data, length, true);
    onRamp(older);
    ReadOlderBlock(older);
    StoreWizardMode();
}

void CPropTFMWave::ConvertWizard3Data(const void* data, long length) {
    ReadOlderData(data, length, [this](const OlderData& older) {
        if (!older.hasFirst) return;
        SelectRamp(older.first);
        if (GetSafeHwnd() == nullptr) return;
        UpdateData(FALSE);
        OnRampChanged();
    });
}

BOOL CPropTFMPulse::OnInitDialog() { return VariantInitDialog(kStrPulse); }
void CPropTFMPulse::CalculateGraphic() { CalculateShape(WaveShape::Pulse); }
void CPropTFMPulse::StoreWizardMode() {
    if (m_pWizard != nullptr) m_pWizard->SetPeriodGiven(m_bPeriodGiven);
}

BOOL CPropTFMTriangle::OnInitDialog() { return VariantInitDialog(kStrTriangle); }
void CPropTFMTriangle::CalculateGraphic() { CalculateShape(WaveShape::Triangle); }
void CPropTFMTriangle::StoreWizardMode() {
    if (m_pWizard != nullptr) m_pWizard->SetPeriodGiven(m_bPeriodGiven);
}

BOOL CPropTFMSawTooth::OnInitDialog() {
    VariantInitDialog(kStrSawTooth);
    if (SelectedRamp() < 0 && m_cmbRamp.GetSafeHwnd() != nullptr) {
        m_cmbRamp.SetCurSel(0);
        UpdateData(FALSE);
        OnRampChanged();
    }
    for (int id : {kCtlRamp, kCtlRampLabel})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_SHOW);
    return TRUE;
}

void CPropTFMSawTooth::CalculateGraphic() {
    CalculateShape(SelectedRamp() == 0 || (SelectedRamp() < 0 && m_dwRamp != 1) ? WaveShape::SawRising
                                                                               : WaveShape::SawFalling);
}

void CPropTFMSawTooth::StoreWizardMode() {
    auto* saw = dynamic_cast<CTFMSawToothWizard4*>(m_pWizard);
    if (saw == nullptr) return;
    saw->SetRamp(m_dwRamp);
    saw->SetPeriodGiven(m_bPeriodGiven);
}

void CPropTFMSawTooth::ConvertWizard3Data(const void* data, long length) {
    ReadOlderData(data, length, [this](const OlderData& older) {
        if (!older.hasFirst) {
            InitDefaults(FALSE);
            return;
        }
        SelectRamp(older.first);
        if (GetSafeHwnd() != nullptr) OnRampChanged();
    });
}

void CPropTFMSawTooth::InitDefaults(BOOL store) {
    if (CWizardCopaObject3* param = FindParamByValueID(m_pParams, kIdRampDefault)) {
        // Truncated toward zero; a number no direction can hold is not taken.
        const double value = std::trunc(Number(param->GetValue()));
        if (std::isfinite(value) && value >= 0.0 && value <= 4294967295.0) {
            SelectRamp(static_cast<DWORD>(value));
            if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
        }
    }
    const int selected = SelectedRamp();
    if (GetSafeHwnd() != nullptr && selected >= 0) m_dwRamp = static_cast<DWORD>(selected);
    if (store) StoreWizardMode();
}

// ---------------------------------------------------------------------------------------
// The trapezoid.

// The amplitude leaves "Show" as it is; the three times give the period their sum.
BEGIN_MESSAGE_MAP(CPropTFMTrapez, CPeriodFieldsPage)
    ON_EN_CHANGE(kIdAmplitude, &CPropTFMTrapez::OnFieldChanged)
    ON_LISTED_CONTROLS(EN_CHANGE, kTrapezSegments, &CPropTFMTrapez::OnSegmentChanged)
END_MESSAGE_MAP()

CPropTFMTrapez::CPropTFMTrapez() : TWizardTimeFunctionPage(kTrapezTemplate) {}

CPropTFMTrapez::CPropTFMTrapez(CTFMTrapezWizard4* wizard, ParamHolder* params)
    : TWizardTimeFunctionPage(kTrapezTemplate, wizard, params, kTrapezLayout) {}

void CPropTFMTrapez::DoDataExchange(CDataExchange* pDX) {
    CPeriodFieldsPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlWidthUnit, m_cmbWidth);
    DDX_Control(pDX, kCtlFallUnit, m_cmbFall);
    DDX_Control(pDX, kCtlRiseUnit, m_cmbRise);
}

BOOL CPropTFMTrapez::OnInitDialog() {
    StartPeriodicInit(m_cmbPeriodical);
    LoadNamedFields(Fields(), &m_cmbPeriodical);
    EndPeriodicInit();
    return TRUE;
}

std::vector<CTimeFunctionPage::Field> CPropTFMTrapez::Fields() {
    std::vector<Field> fields = PeriodFields();
    fields.insert(fields.end(), {{kIdFall, &m_strFall, &m_cmbFall},
                                 {kIdRise, &m_strRise, &m_cmbRise},
                                 {kIdWidth, &m_strWidth, &m_cmbWidth}});
    return fields;
}

void CPropTFMTrapez::EnableParamControls() {
    if (GetSafeHwnd() == nullptr) return;
    for (WORD id : {kIdAmplitude, kIdDelay, kIdOffset, kIdPeriodical, kIdPhase, kIdWidth, kIdRise, kIdFall})
        EnableControl(id, IsParamNotOnPin(m_pParams, id));
    if (m_bPeriodGiven) EnableControl(kIdPeriod, IsParamNotOnPin(m_pParams, kIdPeriod));
}

// The period of rise, width and fall, each in the unit it is shown in: their sum in the
// period's unit, or the sum formula when one is no number.
// Text set from code sends no notification, so the member follows the window text here.
void CPropTFMTrapez::DeriveShownPeriod() {
    if (m_bPeriodGiven) return;
    m_strPeriod = MakeSumText(Typed(kIdRise, m_strRise, m_cmbRise), Typed(kIdWidth, m_strWidth, m_cmbWidth),
                              Typed(kIdFall, m_strFall, m_cmbFall), Typed(kIdPeriod, m_strPeriod, m_cmbPeriod));
    if (GetSafeHwnd() != nullptr) SetDlgItemText(kIdPeriod, m_strPeriod);
}

void CPropTFMTrapez::UpdateShowButton() {
    EnableControl(kCtlShow, AllNumbers({&m_strAmplitude, &m_strWidth, &m_strRise, &m_strFall, &m_strPhase, &m_strPeriod,
                                        &m_strDelay, &m_strOffset}));
}

void CPropTFMTrapez::OnSegmentChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    DeriveShownPeriod();
    UpdateShowButton();
}

BOOL CPropTFMTrapez::OnApply() {
    if (m_pParams == nullptr) return FALSE;
    UpdateData(TRUE);
    StoreName();
    DeriveShownPeriod();
    UpdateData(TRUE);
    WriteFields(Fields(), &m_cmbPeriodical);
    if (m_pWizard != nullptr) m_pWizard->SetPeriodGiven(m_bPeriodGiven);
    return CommitAndFinish();
}

TrapezCurve CPropTFMTrapez::CurveFromFields() {
    TrapezCurve curve;
    ReadPeriodCurve(curve);
    curve.fall = Number(InParamUnit(kIdFall, m_strFall, m_cmbFall));
    curve.rise = Number(InParamUnit(kIdRise, m_strRise, m_cmbRise));
    curve.width = Number(InParamUnit(kIdWidth, m_strWidth, m_cmbWidth));
    return curve;
}

void CPropTFMTrapez::CalculateGraphic() { StorePoints(ComputeTrapezPoints(CurveFromFields())); }

// The trapezoid's phase parameter keeps its used unit when an older block names one.
void CPropTFMTrapez::Serialize(CArchive& ar) { SerializePeriodBlock(ar, RUNTIME_CLASS(CPropTFMTrapez), m_cmbPhase, false); }

CTFMTrapezWizard4* CPropTFMTrapez::ConvertWizard3Data(const void* data, long length) {
    ReadOlderBlock(ReadOlderLayout(data, length, true));
    if (m_pWizard != nullptr) m_pWizard->SetPeriodGiven(m_bPeriodGiven);
    return m_pWizard;
}

// ---------------------------------------------------------------------------------------
// The arc tangent.

BEGIN_MESSAGE_MAP(CPropTFMArcTang, CTimeFunctionPage)
    ON_LISTED_CONTROLS(EN_CHANGE, kArcTangNumbers, &CPropTFMArcTang::OnNumberChanged)
END_MESSAGE_MAP()

CPropTFMArcTang::CPropTFMArcTang() : TWizardTimeFunctionPage(kArcTangTemplate) {}

CPropTFMArcTang::CPropTFMArcTang(CTFMArcTangWizard4* wizard, ParamHolder* params)
    : TWizardTimeFunctionPage(kArcTangTemplate, wizard, params, kArcTangLayout) {}

void CPropTFMArcTang::DoDataExchange(CDataExchange* pDX) {
    CTimeFunctionPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlLimitUnit, m_cmbLimit);
    DDX_Control(pDX, kCtlOffsetXUnit, m_cmbOffsetX);
    ExchangeFieldTexts(pDX, Fields());
    DDX_Text(pDX, kCtlTime, m_strTime);
}

BOOL CPropTFMArcTang::OnInitDialog() {
    InitDialogWithResources();
    UpdateData(FALSE);
    ReadNameAndSymbol();
    LoadFields(Fields(), nullptr);
    return EndFieldsInit();
}

std::vector<CTimeFunctionPage::Field> CPropTFMArcTang::Fields() {
    return {{kIdLimitY, &m_strLimit, &m_cmbLimit},
            {kIdFactorX, &m_strFactor, nullptr},
            {kIdOffsetX, &m_strOffsetX, &m_cmbOffsetX},
            {kIdOffsetY, &m_strOffsetY, nullptr}};
}

void CPropTFMArcTang::EnableParamControls() {
    if (GetSafeHwnd() == nullptr) return;
    for (WORD id : {kIdLimitY, kIdFactorX, kIdOffsetX, kIdOffsetY}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
}

// The Time text only sets the preview's span and is not tested.
void CPropTFMArcTang::UpdateShowButton() {
    EnableControl(kCtlShow, AllNumbers({&m_strLimit, &m_strFactor, &m_strOffsetX, &m_strOffsetY}));
}

BOOL CPropTFMArcTang::OnApply() {
    UpdateData(TRUE);
    if (m_pParams != nullptr) StoreName();
    WriteFields(Fields(), nullptr);
    // The time text is the wizard's: it goes back also when the commit is refused.
    if (m_pWizard != nullptr) m_pWizard->SetTimeText(m_strTime);
    if (m_pParams == nullptr) return FALSE;
    return CommitAndFinish();
}

ArcTangCurve CPropTFMArcTang::CurveFromFields() {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    ArcTangCurve curve;
    // The preview's span is a time in seconds: "1 ms" is typed in its own unit, and a text
    // that is no time draws nothing rather than the time its leading digits give.
    if (!qv::ParseNumberInUnit(m_strTime, "Time", "s", &curve.time)) curve.time = 0.0;
    curve.factor = Number(m_strFactor);
    curve.limit = Number(InParamUnit(kIdLimitY, m_strLimit, m_cmbLimit));
    curve.offsetX = Number(InParamUnit(kIdOffsetX, m_strOffsetX, m_cmbOffsetX));
    curve.offsetY = Number(m_strOffsetY);
    return curve;
}

void CPropTFMArcTang::CalculateGraphic() { StorePoints(ComputeArcTangPoints(CurveFromFields())); }

void CPropTFMArcTang::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreBlockStart(ar, RUNTIME_CLASS(CPropTFMArcTang));
        ar << m_strTime;
        return;
    }
    ReadPageBlock(ar, RUNTIME_CLASS(CPropTFMArcTang), m_cmbLimit, [this](CArchive& a) { a >> m_strTime; });
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CPropTFMArcTang::ConvertWizard3Data(const void* data, long length) {
    ReadOlderBlock(ReadOlderLayout(data, length, true));
    if (m_pWizard != nullptr) m_pWizard->SetTimeText(m_strTime);
}

// ---------------------------------------------------------------------------------------
// The needle pulse.

CPropTFMNeedle::CPropTFMNeedle() : CTimeFunctionPage(kNeedleTemplate) {}

CPropTFMNeedle::CPropTFMNeedle(CTFMNeedleWizard* wizard, CWizardSchematicDataExchange3* exchange)
    : CTimeFunctionPage(kNeedleTemplate) {
    Rebind(wizard, exchange);
    qv::pages::RegisterElementLayout(*this, kNeedleLayout);
}

void CPropTFMNeedle::Rebind(CTFMNeedleWizard* wizard, CWizardSchematicDataExchange3* exchange) {
    m_pWizard = wizard;
    m_pExchange = exchange;
    BindOwner(wizard, exchange);
}

void CPropTFMNeedle::DoDataExchange(CDataExchange* pDX) {
    CTimeFunctionPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbNeedleDelay);
    DDX_Control(pDX, kCtlDelayUnit, m_cmbDelay);
    DDX_Control(pDX, kCtlFrequencyUnit, m_cmbFrequency);
    DDX_Control(pDX, kIdPeriodical, m_cmbPeriodical);
    ExchangeFieldTexts(pDX, Fields());
}

BOOL CPropTFMNeedle::OnInitDialog() {
    StartPeriodicInit(m_cmbPeriodical);
    UpdateData(FALSE);
    ReadNameAndSymbol();
    LoadFields(Fields(), &m_cmbPeriodical);
    return EndFieldsInit();
}

std::vector<CTimeFunctionPage::Field> CPropTFMNeedle::Fields() {
    return {{kIdAmplitude, &m_strAmplitude, nullptr},
            {kIdOffset, &m_strOffset, nullptr},
            {kIdDelay, &m_strDelay, &m_cmbDelay},
            {kIdFrequency, &m_strFrequency, &m_cmbFrequency},
            {kIdPhase, &m_strNeedleDelay, &m_cmbNeedleDelay}};
}

void CPropTFMNeedle::EnableParamControls() {
    if (GetSafeHwnd() == nullptr) return;
    for (WORD id : {kIdAmplitude, kIdFrequency, kIdDelay, kIdPhase, kIdOffset, kIdPeriodical})
        EnableControl(id, IsParamNotOnPin(m_pParams, id));
}

void CPropTFMNeedle::UpdateShowButton() {
    EnableControl(kCtlShow, AllNumbers({&m_strAmplitude, &m_strFrequency, &m_strDelay, &m_strNeedleDelay, &m_strOffset}));
}

// The older base's commit: request 0 with the data-exchange object.
BOOL CPropTFMNeedle::OnApply() {
    // A blank value field is refused as on the other time-function pages (CommitAndFinish).
    if (m_pExchange == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pExchange)) return FALSE;
    UpdateData(TRUE);
    StoreName();
    WriteFields(Fields(), &m_cmbPeriodical);
    if (!CommitExchange(RequestTarget(m_pOwner), m_pExchange)) return FALSE;
    return FinishApply();
}

NeedleCurve CPropTFMNeedle::CurveFromFields() {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    NeedleCurve curve;
    curve.frequency = Number(InParamUnit(kIdFrequency, m_strFrequency, m_cmbFrequency));
    curve.delay = Number(InParamUnit(kIdDelay, m_strDelay, m_cmbDelay));
    curve.needleDelay = Number(InParamUnit(kIdPhase, m_strNeedleDelay, m_cmbNeedleDelay));
    curve.amplitude = Number(m_strAmplitude);
    curve.offset = Number(m_strOffset);
    curve.periodic = IsPeriodicChosen(m_cmbPeriodical);
    return curve;
}

void CPropTFMNeedle::CalculateGraphic() { StorePoints(ComputeNeedlePoints(CurveFromFields())); }

// ---------------------------------------------------------------------------------------
// The voltage-controlled oscillator.

// Amplitude and phase are the wave's numbers (the page has no "Show" to refresh).
BEGIN_MESSAGE_MAP(CPropTFMVCO, CTimeFunctionPage)
    ON_BN_CLICKED(kCtlLimitCheck, &CPropTFMVCO::OnLimitCheck)
    ON_BN_CLICKED(kCtlUsePin, &CPropTFMVCO::OnUsePin)
    ON_LISTED_CONTROLS(EN_CHANGE, kVCOInputAndLimits, &CPropTFMVCO::OnFieldChanged)
END_MESSAGE_MAP()

CPropTFMVCO::CPropTFMVCO() : TWizardTimeFunctionPage(kVCOTemplate) {}

CPropTFMVCO::CPropTFMVCO(CTFMVCOWizard4* wizard, ParamHolder* params)
    : TWizardTimeFunctionPage(kVCOTemplate, wizard, params, kVCOLayout) {}

void CPropTFMVCO::DoDataExchange(CDataExchange* pDX) {
    CTimeFunctionPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlWidthUnit, m_cmbUpper);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbPhase);
    DDX_Control(pDX, kCtlLimitUnit, m_cmbLower);
    DDX_Control(pDX, kCtlOffsetXUnit, m_cmbInput);
    DDX_Check(pDX, kCtlLimitCheck, m_bLimit);
    DDX_Check(pDX, kCtlUsePin, m_bUsePin);
    ExchangeFieldTexts(pDX, Fields());
}

BOOL CPropTFMVCO::OnInitDialog() {
    InitDialogWithResources();
    m_bLimit = TRUE;
    ReadNameAndSymbol();
    LoadFields(Fields(), nullptr);
    if (CWizardCopaObject3* input = FindParamByValueID(m_pParams, kIdInput); IsInput(input))
        m_bUsePin = (input->GetType() & kPinBit) != 0;
    UpdateData(FALSE);
    // Limits that both read as the number 0 are no limits; a limit that names a signal is one.
    if (LeavesUnlimited(m_strLower, m_strUpper)) {
        m_bLimit = FALSE;
        UpdateData(FALSE);
    }
    UpdateData(TRUE);
    EnableLimits();
    SetModified(TRUE);
    EnableParamControls();
    return EndFieldsInit();
}

std::vector<CTimeFunctionPage::Field> CPropTFMVCO::Fields() {
    return {{kIdAmplitude, &m_strAmplitude, nullptr},
            {kIdPhase, &m_strPhase, &m_cmbPhase},
            {kIdLower, &m_strLower, &m_cmbLower},
            {kIdUpper, &m_strUpper, &m_cmbUpper},
            {kIdInput, &m_strInput, &m_cmbInput}};
}

void CPropTFMVCO::EnableLimits() {
    for (int id : {kCtlUpperLabel, kCtlLowerLabel, static_cast<int>(kIdUpper), static_cast<int>(kIdLower)})
        EnableControl(id, m_bLimit);
}

void CPropTFMVCO::EnableParamControls() {
    if (GetSafeHwnd() == nullptr) return;
    if (m_bLimit)
        for (WORD id : {kIdUpper, kIdLower}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
    for (WORD id : {kIdAmplitude, kIdPhase}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
}

// The pin bit is the parameter set's: activating the page writes it at once.
BOOL CPropTFMVCO::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutput, &m_bOutput);
    const bool window = GetSafeHwnd() != nullptr;
    if (window) UpdateData(FALSE);
    GetParamUsePin(m_pParams, kIdInput, &m_bUsePin);
    if (window) {
        UpdateData(FALSE);
        UpdateData(TRUE);
    }
    EnableControl(kIdInput, !m_bUsePin);
    SetModified(TRUE);
    SetParamUsePin(m_pParams, kIdInput, m_bUsePin);
    SetModified(FALSE);
    EnableParamControls();
    return CTBPropertyPage::OnSetActive();
}

void CPropTFMVCO::OnLimitCheck() {
    UpdateData(TRUE);
    EnableLimits();
    SetModified(TRUE);
    EnableParamControls();
}

void CPropTFMVCO::OnUsePin() {
    UpdateData(TRUE);
    EnableControl(kIdInput, !m_bUsePin);
    SetModified(TRUE);
    SetParamUsePin(m_pParams, kIdInput, m_bUsePin);
    // The pin is the element's from the click on: it is committed at once, so that a later
    // Cancel of the sheet leaves it in use.
    if (m_pParams != nullptr) CommitParamSet(RequestTarget(m_pOwner), reinterpret_cast<DWORD_PTR>(m_pParams));
}

BOOL CPropTFMVCO::OnApply() {
    if (m_pParams == nullptr) return FALSE;
    UpdateData(TRUE);
    if (m_bLimit && !qv::pages::RefuseUpperBelowLower(*this, m_pParams, {kIdUpper, &m_strUpper, &m_cmbUpper},
                                                      {kIdLower, &m_strLower, &m_cmbLower}))
        return FALSE;
    StoreName();
    // Without limits both are written as 0; the typed texts stay on the page.
    CString lower = m_bLimit ? m_strLower : Printed(0.0);
    CString upper = m_bLimit ? m_strUpper : Printed(0.0);
    WriteFields({{kIdAmplitude, &m_strAmplitude, nullptr},
                 {kIdPhase, &m_strPhase, &m_cmbPhase},
                 {kIdLower, &lower, &m_cmbLower},
                 {kIdUpper, &upper, &m_cmbUpper},
                 {kIdInput, &m_strInput, &m_cmbInput}},
                nullptr);
    return CommitAndFinish();
}

void CPropTFMVCO::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreBlockStart(ar, RUNTIME_CLASS(CPropTFMVCO));
        return;
    }
    ReadBlockSchema(ar, RUNTIME_CLASS(CPropTFMVCO));
    // The version follows whatever the class record said; a block that ends before it is
    // version 0.
    DWORD version = 0;
    try {
        ar >> version;
    } catch (CArchiveException* e) {
        e->Delete();
        version = 0;
    }
    const char* unit = ReadUnitCode(ar, version, m_cmbPhase);
    if (CWizardCopaObject3* phase = FindParamByValueID(m_pParams, kIdPhase); phase != nullptr && unit != nullptr) {
        phase->SetUsedUnit(unit);
        // The editor's answer is not looked at.
        CommitParamSet(RequestTarget(m_pOwner), reinterpret_cast<DWORD_PTR>(m_pParams));
    }
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CPropTFMVCO::ConvertWizard3Data(const void* data, long length) {
    if (data != nullptr) ReadOlderBlock(ReadOlderLayout(data, length, false));
}

// ---------------------------------------------------------------------------------------
// The wizards' editing and older data.

namespace {

// Older data read by a hidden page of its own, so that a page on the editor's sheet keeps
// its cookie; the page starts from the wizard's settings (prepare).
template <class Page, class Wizard, class Prepare, class Convert>
BOOL ConvertWithPage(Wizard& wizard, UINT templ, Prepare prepare, Convert convert) {
    ScopedParamSet params{RequestTarget(&wizard)};
    qv::wizards::THiddenPage<Page> page(wizard.MakePage(params.Cookie()));
    if (!page) return TRUE;
    prepare(*page);
    if (page.Open(templ)) convert(*page);
    return TRUE;
}

// The older generation's data through a hidden page that starts from the wizard's settings
// (see ConvertWithPage).
template <class Page, class Wizard>
BOOL ConvertOlderData(Wizard& wizard, UINT templ, const void* data, long length) {
    return ConvertWithPage<Page>(
        wizard, templ, [&wizard](Page& page) { wizard.GiveSettingsToPage(page); },
        [data, length](Page& page) { page.ConvertWizard3Data(data, length); });
}

} // namespace

BOOL CTFMSawToothWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    ConvertWithPage<CPropTFMSawTooth>(
        *this, kWaveTemplate, [this](CPropTFMSawTooth& page) { GiveSettingsToPage(page); },
        [](CPropTFMSawTooth& page) { page.InitDefaults(TRUE); });
    return TRUE;
}

BOOL CTFMSawToothWizard4::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderData<CPropTFMSawTooth>(*this, kWaveTemplate, data, length);
}

template <class Page, class Self>
BOOL TPeriodicWaveWizard4<Page, Self>::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderData<Page>(static_cast<Self&>(*this), kWaveTemplate, data, length);
}

BOOL CTFMTrapezWizard4::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderData<CPropTFMTrapez>(*this, kTrapezTemplate, data, length);
}

BOOL CTFMArcTangWizard4::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderData<CPropTFMArcTang>(*this, kArcTangTemplate, data, length);
}

// The oscillator's page keeps no settings of the wizard's.
BOOL CTFMVCOWizard4::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderData<CPropTFMVCO>(*this, kVCOTemplate, data, length);
}

// The wizards made from the class template are instantiated here once.
template class TPeriodicWaveWizard4<CPropTFMPulse, CTFMPulseWizard4>;
template class TPeriodicWaveWizard4<CPropTFMTriangle, CTFMTriangleWizard4>;
