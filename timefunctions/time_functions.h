// Time-function blocks of a block diagram: the wizards of the sine (ID 35), saw-tooth (36),
// pulse (37), triangle (38), trapezoid (39), arc tangent (40), needle pulse (41, on the older
// base) and VCO (42), and the sine page (dialog 2544) with its curve preview.
//
// The wizards keep only what is no parameter (which of two alternative inputs the user
// chose); the numbers live in the parameter set:
//
// | Value ID | Name (catalogue) | Role                                                |
// |----------|------------------|-----------------------------------------------------|
// | 2034     | AMPL             | amplitude                                           |
// | 2036     | FREQ             | frequency; a change derives the period              |
// | 2038     | TPERIO           | period (derived unless "Period" is ticked)          |
// | 2040     | TDELAY           | delay                                               |
// | 2042     | PHASE            | phase                                               |
// | 2047     | OFF              | offset                                              |
// | 2049     | PERIO            | periodical: "1" or "0"                              |
// | 2051     | TRISE            | trapezoid rise time                                 |
// | 2053     | TFALL            | trapezoid fall time                                 |
// | 2055     | PWIDTH           | trapezoid pulse width                               |
// | 2056     | OUT              | default output ("SDB")                              |
// | 1000     | (saw-tooth)      | ramp direction, read by the saw-tooth page          |
//
// The sine has its page here; the others' pages are in wave_pages.h.
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_preview.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <vector>

namespace qv::timefunctions {
constexpr WORD kIdAmplitude = 2034;
constexpr WORD kIdFrequency = 2036;
constexpr WORD kIdPeriod = 2038;
constexpr WORD kIdDelay = 2040;
constexpr WORD kIdPhase = 2042;
constexpr WORD kIdOffset = 2047;
constexpr WORD kIdPeriodical = 2049;
constexpr WORD kIdRise = 2051;
constexpr WORD kIdFall = 2053;
constexpr WORD kIdWidth = 2055;
constexpr WORD kIdOutput = 2056;
constexpr UINT kSineTemplate = 2544;
constexpr int kPreviewPoints = 101;

// What the sine preview computes from: the numbers in the parameters' own units.
struct SineCurve {
    double frequency = 0.0;  // f
    double period = 0.0;     // P
    double amplitude = 0.0;  // A
    double phase = 0.0;      // phase, as the parameter's unit holds it
    double offset = 0.0;     // o
    double delay = 0.0;      // d
    bool periodic = true;
    bool periodGiven = false;
};
struct CurvePoint {
    double t;
    double y;
};
// The floored remainder of x by m (the sign of m); m = 0 leaves x.
double FlooredRemainder(double x, double m);
// The 101 preview points: t = i·2P/100, x = t + d. Non-finite points are left out.
std::vector<CurvePoint> ComputeSinePoints(const SineCurve& curve);
} // namespace qv::timefunctions

class CPropTFMSine;
class CPropTFMWave;
class CPropTFMTrapez;
class CPropTFMArcTang;
class CPropTFMNeedle;
class CPropTFMVCO;

// What the five wizards with a period share: the schema word, the period-given flag, and
// the period that follows a changed frequency (or, for the trapezoid, its three times).
class CTimeFunctionWizardBase4 : public CWizardBase4 {
public:
    CTimeFunctionWizardBase4() = default;
    explicit CTimeFunctionWizardBase4(const CTimeFunctionWizardBase4* other);

    int GetWizardKind() override { return 3; }
    BOOL WantChangeNotification() override { return TRUE; }
    void NotifyChanged(int changeType, CWizardCopaObject3* param) override;

    WORD GetSchema() const { return m_wSchema; }
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    void SetPeriodGiven(BOOL given) { m_bPeriodGiven = given ? TRUE : FALSE; }

protected:
    // The trapezoid derives its period from rise, width and fall.
    virtual bool DerivesFromTimes() const { return false; }
    // Sheet version 4: WORD schema 0, then Fields; a stored non-zero schema stops the reading.
    template <class Fields>
    void SerializeWith(CArchive& ar, ESheetVersion version, Fields fields);

    WORD m_wSchema = 0;
    BOOL m_bPeriodGiven = FALSE;
};

// The sheet-version Serialize beside CObject's own; clang would call that hiding.
#if defined(__clang__)
#define PARVEL_TF_SHEET_SERIALIZE                                 \
    _Pragma("clang diagnostic push")                              \
    _Pragma("clang diagnostic ignored \"-Woverloaded-virtual\"")  \
    void Serialize(CArchive& ar, ESheetVersion version) override; \
    _Pragma("clang diagnostic pop")
#else
#define PARVEL_TF_SHEET_SERIALIZE void Serialize(CArchive& ar, ESheetVersion version) override;
#endif

class CTFMSineWizard4 : public CTimeFunctionWizardBase4 {
    DECLARE_DYNAMIC(CTFMSineWizard4)
public:
    CTFMSineWizard4() = default;
    explicit CTFMSineWizard4(const CTFMSineWizard4* other);
    ~CTFMSineWizard4() override;

    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    // Sheet version 4: WORD schema, DWORD period given, CString RMS text, DWORD amplitude mode.
    PARVEL_TF_SHEET_SERIALIZE
    // Older data read by a hidden page of its own.
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven);
    DWORD GetAmplitudeMode() const { return m_dwAmplitudeMode; }
    const CString& GetRMSText() const { return m_strRMS; }
    CPropTFMSine* GetPage() const { return m_pPage; }

private:
    DWORD m_dwAmplitudeMode = 1;
    CString m_strRMS;
    CPropTFMSine* m_pPage = nullptr;
};

// The saw-tooth: period given and ramp direction; its page also fixes the default ramp.
class CTFMSawToothWizard4 : public CTimeFunctionWizardBase4 {
    DECLARE_DYNAMIC(CTFMSawToothWizard4)
public:
    CTFMSawToothWizard4() = default;
    explicit CTFMSawToothWizard4(const CTFMSawToothWizard4* other);
    ~CTFMSawToothWizard4() override;
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    // "@TYPE" becomes "ST_FALL " for a falling ramp, else "ST_RISE "; no request is made.
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    // 0: the ramp direction from the element's parameter 1000, through a hidden page.
    BOOL Initialize(int argument) override;
    // Sheet version 4: WORD schema, DWORD period given, DWORD ramp direction.
    PARVEL_TF_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    DWORD GetRamp() const { return m_dwRamp; }
    void SetRamp(DWORD ramp) { m_dwRamp = ramp; }
    CPropTFMWave* GetPage() const { return m_pPage; }

private:
    DWORD m_dwRamp = 0;
    CPropTFMWave* m_pPage = nullptr;
};

// Pulse, triangle and trapezoid: WORD schema, DWORD period given.
class CTFMPeriodOnlyWizard4 : public CTimeFunctionWizardBase4 {
public:
    using CTimeFunctionWizardBase4::CTimeFunctionWizardBase4;
    PARVEL_TF_SHEET_SERIALIZE
};

class CTFMPulseWizard4 : public CTFMPeriodOnlyWizard4 {
    DECLARE_DYNAMIC(CTFMPulseWizard4)
public:
    CTFMPulseWizard4() = default;
    explicit CTFMPulseWizard4(const CTFMPulseWizard4* other) : CTFMPeriodOnlyWizard4(other) {}
    ~CTFMPulseWizard4() override;
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    CPropTFMWave* GetPage() const { return m_pPage; }

private:
    CPropTFMWave* m_pPage = nullptr;
};

class CTFMTriangleWizard4 : public CTFMPeriodOnlyWizard4 {
    DECLARE_DYNAMIC(CTFMTriangleWizard4)
public:
    CTFMTriangleWizard4() = default;
    explicit CTFMTriangleWizard4(const CTFMTriangleWizard4* other) : CTFMPeriodOnlyWizard4(other) {}
    ~CTFMTriangleWizard4() override;
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    CPropTFMWave* GetPage() const { return m_pPage; }

private:
    CPropTFMWave* m_pPage = nullptr;
};

class CTFMTrapezWizard4 : public CTFMPeriodOnlyWizard4 {
    DECLARE_DYNAMIC(CTFMTrapezWizard4)
public:
    CTFMTrapezWizard4() = default;
    explicit CTFMTrapezWizard4(const CTFMTrapezWizard4* other) : CTFMPeriodOnlyWizard4(other) {}
    ~CTFMTrapezWizard4() override;
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    CPropTFMTrapez* GetPage() const { return m_pPage; }

protected:
    bool DerivesFromTimes() const override { return true; }

private:
    CPropTFMTrapez* m_pPage = nullptr;
};

class CTFMArcTangWizard4 : public CWizardBase4 {
    DECLARE_DYNAMIC(CTFMArcTangWizard4)
public:
    CTFMArcTangWizard4() = default;
    explicit CTFMArcTangWizard4(const CTFMArcTangWizard4* other);
    ~CTFMArcTangWizard4() override;
    int GetWizardKind() override { return 3; }
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    CPropTFMArcTang* GetPage() const { return m_pPage; }
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    // Sheet version 4: WORD schema, CString time text.
    PARVEL_TF_SHEET_SERIALIZE

    const CString& GetTimeText() const { return m_strTime; }
    void SetTimeText(CString text) { m_strTime = text; }
    WORD GetSchema() const { return m_wSchema; }

private:
    WORD m_wSchema = 0;
    CString m_strTime;
    CPropTFMArcTang* m_pPage = nullptr;
};

class CTFMVCOWizard4 : public CWizardBase4 {
    DECLARE_DYNAMIC(CTFMVCOWizard4)
public:
    CTFMVCOWizard4() = default;
    explicit CTFMVCOWizard4(const CTFMVCOWizard4* other) : CWizardBase4(other) {}
    ~CTFMVCOWizard4() override;
    int GetWizardKind() override { return 3; }
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase4* Clone() override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    CPropTFMVCO* GetPage() const { return m_pPage; }

private:
    CPropTFMVCO* m_pPage = nullptr;
};

class CTFMNeedleWizard : public CWizardBase3 {
    DECLARE_DYNAMIC(CTFMNeedleWizard)
public:
    CTFMNeedleWizard() = default;
    explicit CTFMNeedleWizard(const CTFMNeedleWizard* other) : CWizardBase3(other) {}
    ~CTFMNeedleWizard() override;
    int GetWizardKind() override { return 3; }
    BOOL DoEditProperties(CPropertySheet& sheet, CWizardSchematicDataExchange3* exchange, UINT mode) override;
    void EndEditProperties() override;
    CWizardBase3* Clone() override;
    CPropTFMNeedle* GetPage() const { return m_pPage; }

private:
    CPropTFMNeedle* m_pPage = nullptr;
};

class CPropTFMSine : public CTBPropertyPage {
    DECLARE_SERIAL(CPropTFMSine)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropTFMSine();
    CPropTFMSine(CTFMSineWizard4* wizard, ParamHolder* params);
    ~CPropTFMSine() override;

    // Page block: class record, DWORD page version, DWORD amplitude mode, CString RMS text,
    // DWORD period given; versions 1 to 9 add a DWORD phase unit (1 "rad", else "deg").
    void Serialize(CArchive& ar) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    BOOL OnSetActive() override;

    void Rebind(CTFMSineWizard4* wizard, ParamHolder* params);
    ParamHolder* GetParams() const { return m_pParams; }
    void SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven);
    // Reads element data of the older wizard generation; the settings always go to the wizard.
    void ConvertWizard3Data(const void* data, long length);

    DWORD GetAmplitudeMode() const { return m_dwAmplitudeMode; }
    const CString& GetRMSText() const { return m_strRMS; }
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    CCharacteristicDlg* GetPreview() const { return m_pPreview; }
    const CPtrArray& GetPreviewPoints() const { return m_Points; }
    // The curve the fields describe, units converted (the preview's input).
    qv::timefunctions::SineCurve CurveFromFields();
    void CalculateGraphic();

protected:
    void SetLayout();
    void EnableControl(int id, BOOL enable);
    void EnableParamControls();
    void UpdatePeriodFromFrequency();
    void UpdateAmplitudeFromRMS();
    void UpdateShowButton();
    void ApplyAmplitudeMode(bool amplitudeChecked);
    void DeletePoints();
    void HandPointsOver();

    void OnAmplitudeMode();
    void OnRMSMode();
    void OnFieldChanged();
    void OnMarkModified();
    void OnNumberChanged();
    void OnRMSChanged();
    void OnFrequencyChanged();
    void OnDefaultOutput();
    void OnPeriodCheck();
    void OnShowGraphic();
    void OnPaint();
    LRESULT OnGraphicRefresh(WPARAM, LPARAM);
    LRESULT OnGraphicClosed(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

    CTFMSineWizard4* m_pWizard = nullptr;
    ParamHolder* m_pParams = nullptr;  // the cookie of request 23
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    CCharacteristicDlg* m_pPreview = nullptr;
    CPtrArray m_Points;  // CDataPoint*, owned
    DWORD m_dwAmplitudeMode = 1;
    CTBUnitComboBox m_cmbPhase;      // 2513
    CTBUnitComboBox m_cmbPeriod;     // 2510
    CTBUnitComboBox m_cmbFrequency;  // 2509
    CTBUnitComboBox m_cmbDelay;      // 2512
    CButton m_radAmplitude;          // 2203
    CButton m_radRMS;                // 2204
    CComboBox m_cmbPeriodical;       // 2049
    BOOL m_bShowName = FALSE;
    BOOL m_bPeriodGiven = FALSE;
    CString m_strAmplitude;
    CString m_strRMS;
    CString m_strDelay;
    CString m_strFrequency;
    CString m_strName;
    CString m_strOffset;
    CString m_strPhase;
    CString m_strPeriod;
    BOOL m_bOutput = FALSE;
};
