// The pages of the time functions besides the sine: the periodic waves (dialog 2545, one
// runtime class for the pulse, saw-tooth and triangle), the trapezoid (2546), the arc
// tangent (2547), the needle pulse (2548, on the older base's data-exchange object) and the
// voltage-controlled oscillator (2549, no preview), with the curves their previews draw.
//
// | Value ID | Page            | Role                                                    |
// |----------|-----------------|---------------------------------------------------------|
// | 2034     | waves, trapezoid, needle, VCO | amplitude                                 |
// | 2036     | waves, needle   | frequency                                               |
// | 2038     | waves, trapezoid| period (derived unless "Period" is ticked)               |
// | 2040     | waves, trapezoid, needle | delay                                          |
// | 2042     | waves, trapezoid, VCO: phase; needle: delay within the period          |
// | 2047     | waves, trapezoid, needle | offset                                         |
// | 2049     | waves, trapezoid, needle | periodical: "1" or "0"                         |
// | 2051/2053/2055 | trapezoid | rise time, fall time, pulse width                       |
// | 2209/2010/2211/2213 | arc tangent | limit Y, factor X, offset X, offset Y           |
// | 2186     | VCO             | input signal (bit 31 of its type: taken from a pin)     |
// | 2151/2152| VCO             | upper and lower limit of the input voltage              |
// | 2056     | all             | default output ("SDB")                                  |
// | 1000     | saw-tooth       | the element's default ramp direction (read only)        |
#pragma once

#include "framework/template_wizard.h"

#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"
#include "timefunctions/time_functions.h"

#include <vector>

namespace qv::timefunctions {

enum class WaveShape { Pulse, SawRising, SawFalling, Triangle };

// What a periodic-wave preview computes from: the numbers in the parameters' own units.
struct WaveCurve {
    WaveShape shape = WaveShape::Pulse;
    double frequency = 0.0;  // f
    double period = 0.0;     // P
    double amplitude = 0.0;  // A
    double phase = 0.0;      // φ (radians)
    double offset = 0.0;     // o
    double delay = 0.0;      // d
    bool periodic = true;
    bool periodGiven = false;
};
// The pulse's 1001 or the saw-tooth's and triangle's 501 points, x = t + d.
std::vector<CurvePoint> ComputeWavePoints(const WaveCurve& curve);

struct TrapezCurve {
    double amplitude = 0.0;  // A
    double period = 0.0;     // T
    double delay = 0.0;      // D
    double offset = 0.0;     // O
    double phase = 0.0;      // P (radians)
    double rise = 0.0;       // Tr
    double fall = 0.0;       // Tf
    double width = 0.0;      // Tw
    bool periodic = true;
    bool periodGiven = false;
};
// 501 points over two periods T, x = D + t.
std::vector<CurvePoint> ComputeTrapezPoints(const TrapezCurve& curve);

struct ArcTangCurve {
    double time = 0.0;     // the "Time" number; the span is time·π
    double limit = 0.0;    // L
    double factor = 0.0;   // Fx
    double offsetX = 0.0;  // Xo
    double offsetY = 0.0;  // Yo
};
// 101 points from t = 0 to t = time·π: y = L·atan(Fx·t + Xo) + Yo.
std::vector<CurvePoint> ComputeArcTangPoints(const ArcTangCurve& curve);

struct NeedleCurve {
    double amplitude = 0.0;    // A
    double frequency = 0.0;    // F
    double delay = 0.0;        // Dl
    double needleDelay = 0.0;  // Dw, within each period
    double offset = 0.0;       // O
    bool periodic = true;
};
// 501 samples of the offset plus two points (O, O + A) for every needle.
std::vector<CurvePoint> ComputeNeedlePoints(const NeedleCurve& curve);

} // namespace qv::timefunctions

// The periodic waves' page. Never shown itself; the runtime class of all three variants.
class CPropTFMWave : public TWizardTimeFunctionPage<CTimeFunctionWizardBase4, CPeriodicFunctionPage> {
    DECLARE_SERIAL(CPropTFMWave)
public:
    CPropTFMWave();
    CPropTFMWave(CTimeFunctionWizardBase4* wizard, ParamHolder* params);
    CPropTFMWave(CTimeFunctionWizardBase4* wizard, DWORD_PTR cookie) : CPropTFMWave(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version, DWORD period given; versions 1 to 9 add
    // a DWORD phase unit (1 "rad", else "deg").
    PARVEL_PAGE_OVERRIDES

    void SetWaveData(DWORD ramp, BOOL periodGiven);
    DWORD GetRamp() const { return m_dwRamp; }
    // Reads element data of the older wizard generation; the settings go to the wizard.
    virtual void ConvertWizard3Data(const void* data, long length);
    // Hands the page's settings to the wizard.
    virtual void StoreWizardMode() {}
    qv::timefunctions::WaveCurve CurveFromFields(qv::timefunctions::WaveShape shape);

protected:
    // The preview of a variant from the fields.
    void CalculateShape(qv::timefunctions::WaveShape shape);
    // The ramp list's selection, or -1 when nothing (or no list) is selected.
    int SelectedRamp() const;
    // The symbol variant of a ramp direction (the list index): 0 for "Rising", 2 for "Falling".
    static BYTE RampSymbolVariant(int selected);
    void SelectRamp(DWORD ramp);
    BOOL VariantInitDialog(UINT caption);
    // Reads the old element data; the first word (the ramp) is handed to onRamp.
    template <class OnRamp>
    void ReadOlderData(const void* data, long length, OnRamp onRamp);
    void EnableParamControls() override;

    void OnRampChanged();
    DECLARE_MESSAGE_MAP()

    DWORD m_dwRamp = 0;
    CComboBox m_cmbRamp;             // 2207
};

class CPropTFMPulse : public CPropTFMWave {
public:
    using CPropTFMWave::CPropTFMWave;
    BOOL OnInitDialog() override;
    void CalculateGraphic() override;
    void StoreWizardMode() override;
};

class CPropTFMTriangle : public CPropTFMWave {
public:
    using CPropTFMWave::CPropTFMWave;
    BOOL OnInitDialog() override;
    void CalculateGraphic() override;
    void StoreWizardMode() override;
};

class CPropTFMSawTooth : public CPropTFMWave {
public:
    CPropTFMSawTooth() = default;
    CPropTFMSawTooth(CTFMSawToothWizard4* wizard, ParamHolder* params);
    CPropTFMSawTooth(CTFMSawToothWizard4* wizard, DWORD_PTR cookie) : CPropTFMSawTooth(wizard, HolderFromCookie(cookie)) {}
    BOOL OnInitDialog() override;
    void CalculateGraphic() override;
    void ConvertWizard3Data(const void* data, long length) override;
    void StoreWizardMode() override;
    // The ramp direction from the element's parameter 1000; store hands it to the wizard.
    void InitDefaults(BOOL store);
};

class CPropTFMTrapez : public TWizardTimeFunctionPage<CTFMTrapezWizard4, CPeriodFieldsPage> {
    DECLARE_SERIAL(CPropTFMTrapez)
public:
    CPropTFMTrapez();
    CPropTFMTrapez(CTFMTrapezWizard4* wizard, ParamHolder* params);
    CPropTFMTrapez(CTFMTrapezWizard4* wizard, DWORD_PTR cookie) : CPropTFMTrapez(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version, DWORD period given; versions 1 to 9 add
    // a DWORD phase unit (1 "rad", else "deg").
    PARVEL_PAGE_OVERRIDES
    void CalculateGraphic() override;

    CTFMTrapezWizard4* ConvertWizard3Data(const void* data, long length);
    qv::timefunctions::TrapezCurve CurveFromFields();

protected:
    void EnableParamControls() override;
    std::vector<Field> Fields() override;
    // The period: the sum of rise, width and fall.
    void DeriveShownPeriod() override;
    void UpdateShowButton() override;
    void OnSegmentChanged();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbWidth;  // 2517
    CTBUnitComboBox m_cmbFall;   // 2516
    CTBUnitComboBox m_cmbRise;   // 2515
    CString m_strFall;
    CString m_strWidth;
    CString m_strRise;
};

class CPropTFMArcTang : public TWizardTimeFunctionPage<CTFMArcTangWizard4> {
    DECLARE_SERIAL(CPropTFMArcTang)
public:
    CPropTFMArcTang();
    CPropTFMArcTang(CTFMArcTangWizard4* wizard, ParamHolder* params);
    CPropTFMArcTang(CTFMArcTangWizard4* wizard, DWORD_PTR cookie) : CPropTFMArcTang(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version, CString time text; versions 1 to 9 add a
    // DWORD unit (1 "rad", else "deg") for the limit's list.
    PARVEL_PAGE_OVERRIDES
    void CalculateGraphic() override;

    void SetTimeText(CString text) { m_strTime = text; }
    const CString& GetTimeText() const { return m_strTime; }
    void ConvertWizard3Data(const void* data, long length);
    qv::timefunctions::ArcTangCurve CurveFromFields();

protected:
    void EnableParamControls() override;
    void UpdateShowButton() override;
    std::vector<Field> Fields();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbLimit;    // 2518
    CTBUnitComboBox m_cmbOffsetX;  // 2519
    CString m_strFactor;
    CString m_strLimit;
    CString m_strOffsetX;
    CString m_strOffsetY;
    CString m_strTime;
};

class CPropTFMNeedle : public CTimeFunctionPage {
    DECLARE_DYNCREATE(CPropTFMNeedle)
public:
    CPropTFMNeedle();
    CPropTFMNeedle(CTFMNeedleWizard* wizard, CWizardSchematicDataExchange3* exchange);
    void Rebind(CTFMNeedleWizard* wizard, CWizardSchematicDataExchange3* exchange);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void CalculateGraphic() override;
    qv::timefunctions::NeedleCurve CurveFromFields();

protected:
    void EnableParamControls() override;
    void UpdateShowButton() override;
    std::vector<Field> Fields();

    CTFMNeedleWizard* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
    CTBUnitComboBox m_cmbNeedleDelay;  // 2513
    CTBUnitComboBox m_cmbDelay;        // 2512
    CTBUnitComboBox m_cmbFrequency;    // 2509
    CComboBox m_cmbPeriodical;         // 2049
    CString m_strAmplitude;
    CString m_strDelay;
    CString m_strNeedleDelay;
    CString m_strFrequency;
    CString m_strOffset;
};

class CPropTFMVCO : public TWizardTimeFunctionPage<CTFMVCOWizard4> {
    DECLARE_SERIAL(CPropTFMVCO)
public:
    CPropTFMVCO();
    CPropTFMVCO(CTFMVCOWizard4* wizard, ParamHolder* params);
    CPropTFMVCO(CTFMVCOWizard4* wizard, DWORD_PTR cookie) : CPropTFMVCO(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version; versions 1 to 9 add a DWORD phase unit
    // (1 "rad", else "deg").
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;

    void ConvertWizard3Data(const void* data, long length);
    BOOL GetLimitInput() const { return m_bLimit; }

protected:
    void EnableParamControls() override;
    std::vector<Field> Fields();
    void EnableLimits();
    void OnLimitCheck();
    void OnUsePin();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbUpper;  // 2517
    CTBUnitComboBox m_cmbPhase;  // 2513
    CTBUnitComboBox m_cmbLower;  // 2518
    CTBUnitComboBox m_cmbInput;  // 2519
    BOOL m_bLimit = FALSE;
    BOOL m_bUsePin = FALSE;
    CString m_strAmplitude;
    CString m_strInput;
    CString m_strLower;
    CString m_strPhase;
    CString m_strUpper;
};

// The saw-tooth: period given and ramp direction; its page also fixes the default ramp.
class CTFMSawToothWizard4
    : public qv::wizards::TPageWizard4<CPropTFMSawTooth, CTFMSawToothWizard4, CTimeFunctionWizardBase4> {
    DECLARE_DYNAMIC(CTFMSawToothWizard4)
public:
    CTFMSawToothWizard4() = default;
    explicit CTFMSawToothWizard4(const CTFMSawToothWizard4* other);
    // "@TYPE" becomes "ST_FALL " for a falling ramp, else "ST_RISE "; no request is made.
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    // 0: the ramp direction from the element's parameter 1000, through a hidden page.
    BOOL Initialize(int argument) override;
    // Sheet version 4: WORD schema, DWORD period given, DWORD ramp direction.
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void GiveSettingsToPage(CPropTFMWave& page) { page.SetWaveData(m_dwRamp, m_bPeriodGiven); }
    DWORD GetRamp() const { return m_dwRamp; }
    void SetRamp(DWORD ramp) { m_dwRamp = ramp; }

private:
    DWORD m_dwRamp = 0;
};

// The pulse and the triangle: the wave page with the period given.
template <class Page, class Self>
class TPeriodicWaveWizard4 : public qv::wizards::TPageWizard4<Page, Self, CTFMPeriodOnlyWizard4> {
public:
    using qv::wizards::TPageWizard4<Page, Self, CTFMPeriodOnlyWizard4>::TPageWizard4;
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    void GiveSettingsToPage(CPropTFMWave& page) { page.SetWaveData(0, this->m_bPeriodGiven); }
};

PARVEL_TEMPLATE_WIZARD(CTFMPulseWizard4, TPeriodicWaveWizard4<CPropTFMPulse, CTFMPulseWizard4>)
PARVEL_TEMPLATE_WIZARD(CTFMTriangleWizard4, TPeriodicWaveWizard4<CPropTFMTriangle, CTFMTriangleWizard4>)

class CTFMTrapezWizard4 : public qv::wizards::TPageWizard4<CPropTFMTrapez, CTFMTrapezWizard4, CTFMPeriodOnlyWizard4> {
    DECLARE_DYNAMIC(CTFMTrapezWizard4)
public:
    CTFMTrapezWizard4() = default;
    explicit CTFMTrapezWizard4(const CTFMTrapezWizard4* other) : TPageWizard4(other) {}
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    void GiveSettingsToPage(CPropTFMTrapez& page) { page.SetPeriodGiven(m_bPeriodGiven); }

protected:
    bool DerivesFromTimes() const override { return true; }
};

class CTFMArcTangWizard4 : public qv::wizards::TPageWizard4<CPropTFMArcTang, CTFMArcTangWizard4> {
    DECLARE_DYNAMIC(CTFMArcTangWizard4)
public:
    CTFMArcTangWizard4() = default;
    explicit CTFMArcTangWizard4(const CTFMArcTangWizard4* other);
    int GetWizardKind() override { return 3; }
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    // Sheet version 4: WORD schema, CString time text.
    PARVEL_SHEET_SERIALIZE

    void GiveSettingsToPage(CPropTFMArcTang& page) { page.SetTimeText(m_strTime); }
    const CString& GetTimeText() const { return m_strTime; }
    void SetTimeText(CString text) { m_strTime = text; }
    WORD GetSchema() const { return m_wSchema; }

private:
    WORD m_wSchema = 0;
    CString m_strTime;
};

class CTFMVCOWizard4 : public qv::wizards::TPageWizard4<CPropTFMVCO, CTFMVCOWizard4> {
    DECLARE_DYNAMIC(CTFMVCOWizard4)
public:
    CTFMVCOWizard4() = default;
    explicit CTFMVCOWizard4(const CTFMVCOWizard4* other) : TPageWizard4(other) {}
    int GetWizardKind() override { return 3; }
    BOOL DoConvertWizard3Data(const void* data, long length) override;
};

// The needle pulse's page works on the editor's data-exchange object; no request is made.
class CTFMNeedleWizard : public qv::wizards::TPageWizard3<CPropTFMNeedle, CTFMNeedleWizard> {
    DECLARE_DYNAMIC(CTFMNeedleWizard)
public:
    CTFMNeedleWizard() = default;
    explicit CTFMNeedleWizard(const CTFMNeedleWizard* other) : TPageWizard3(other) {}
    int GetWizardKind() override { return 3; }
    static constexpr bool kRebindEarlierPage = true;
};