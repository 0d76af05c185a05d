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
#include "framework/page_wizard.h"
#include "framework/requests.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <initializer_list>
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

// Older element data of the pages, all numbers little-endian DWORDs: two words (the first is
// the ramp direction of the periodic waves), a length and that many skipped bytes, a length
// and that many bytes of the page's own block, and (when trailing is set) a word that is not
// used. Only whole fields are read and every length is checked against what remains.
struct OlderData {
    bool hasFirst = false;
    DWORD first = 0;
    const BYTE* block = nullptr;
    size_t blockLength = 0;
};
OlderData ReadOlderLayout(const void* data, long length, bool trailing);
// A number typed by a user with its prefix; non-finite values are no number.
bool ParseFinite(const CString& text, double* value = nullptr);
// Whether every text reads as such a number.
bool AllNumbers(std::initializer_list<const CString*> texts);
// A number as the toolkit reads it (0 for no number), and as the editor prints it.
double Number(const CString& text);
CString Printed(double value);
// A parameter that is there and an input of the element.
bool IsInput(const CWizardCopaObject3* param);
} // namespace qv::timefunctions

class CPropTFMSine;
class CTFMSineWizard4;
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

// What the pages of the time functions share: name, symbol, the default output switched at
// once, the period given or derived, the fields bound to parameters, and the preview they
// open, refresh and hear closing. The owner is the wizard whose requests the page sends; the
// parameter set is the cookie of request 23 (or the exchange object).
class CTimeFunctionPage : public CTBPropertyPage {
public:
    explicit CTimeFunctionPage(UINT templ) : CTBPropertyPage(templ) {}
    ~CTimeFunctionPage() override;

    BOOL OnSetActive() override;

    ParamHolder* GetParams() const { return m_pParams; }
    DWORD_PTR GetCookie() const { return reinterpret_cast<DWORD_PTR>(m_pParams); }
    CCharacteristicDlg* GetPreview() const { return m_pPreview; }
    const CPtrArray& GetPreviewPoints() const { return m_Points; }
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    void SetPeriodGiven(BOOL given) { m_bPeriodGiven = given ? TRUE : FALSE; }
    // The preview's points from the fields; pages without a preview draw nothing.
    virtual void CalculateGraphic() {}

    // A field of the page bound to a parameter: its text and, when it has one, its unit list.
    struct Field {
        WORD id;
        CString* text;
        CTBUnitComboBox* units;
    };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Enables the fields whose parameters are not taken from a pin.
    virtual void EnableParamControls() {}
    // Enables "Show" while every number the preview needs reads as one.
    virtual void UpdateShowButton() {}
    void BindOwner(const CWizardBaseCommon* owner, ParamHolder* params);
    // The page's dialog made with the library's resources.
    void InitDialogWithResources();
    void EnableControl(int id, BOOL enable);
    void DeletePoints();
    void HandPointsOver();
    void StorePoints(const std::vector<qv::timefunctions::CurvePoint>& points);
    // Name, show-name flag and symbol text from the parameter set; the symbol is made.
    void ReadNameAndSymbol();
    // The default-output caption (the given string, or the template's) with the output's unit.
    void LabelOutput(UINT stringID);
    // Fills the fields' texts and unit lists from the input parameters; the periodical list
    // (when given) shows "No" exactly for the number 0.
    void LoadFields(const std::vector<Field>& fields, CComboBox* periodical);
    // Writes the fields' texts and used units into the input parameters, and the periodical
    // list as the text of 1 or 0.
    void WriteFields(const std::vector<Field>& fields, CComboBox* periodical);
    // A field's text in its parameter's own unit; the text as typed when it has no parameter
    // or the conversion fails.
    CString InParamUnit(WORD id, const CString& text, CTBUnitComboBox& units);
    // Unless the period is given: the period text follows the frequency text (1/f, or the
    // formula "1/(f)" when f is no number; a frequency of 0 leaves it).
    void DerivePeriod(const CString& frequency, CString& period);
    // Name and show-name flag into the parameter set.
    void StoreName();
    void RefreshOpenPreview();
    // Commits the parameter set; on success an open preview is redrawn and the apply ends.
    BOOL CommitAndFinish();
    BOOL FinishApply();

    void OnFieldChanged();
    void OnMarkModified();
    void OnNumberChanged();
    void OnPeriodCheck();
    void OnDefaultOutput();
    void OnShowGraphic();
    void OnPaint();
    LRESULT OnGraphicRefresh(WPARAM, LPARAM);
    LRESULT OnGraphicClosed(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

    const CWizardBaseCommon* m_pOwner = nullptr;
    ParamHolder* m_pParams = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    CCharacteristicDlg* m_pPreview = nullptr;
    CPtrArray m_Points;  // CDataPoint*, owned
    BOOL m_bShowName = FALSE;
    CString m_strName;
    BOOL m_bOutput = FALSE;
    BOOL m_bPeriodGiven = FALSE;  // pages with a period: "Period" ticked
};

// The sine's and the periodic waves' page: amplitude, offset, frequency, period (derived from
// the frequency unless given), delay and phase with their unit lists, and the periodical list.
class CPeriodicFunctionPage : public CTimeFunctionPage {
public:
    using CTimeFunctionPage::CTimeFunctionPage;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void UpdateShowButton() override;
    // The start of OnInitDialog: the dialog made, the periodical list on "Yes".
    void StartPeriodicInit();
    // Name, symbol, the fields from the parameters and the default output shown.
    void LoadPeriodicFields();
    // The end of OnInitDialog: the members from the windows, the period and fields enabled.
    void EndPeriodicInit();
    // The derived period, then the fields written into the parameters.
    void WritePeriodicFields();
    void OnFrequencyChanged();

    CTBUnitComboBox m_cmbPhase;      // 2513
    CTBUnitComboBox m_cmbPeriod;     // 2510
    CTBUnitComboBox m_cmbFrequency;  // 2509
    CTBUnitComboBox m_cmbDelay;      // 2512
    CComboBox m_cmbPeriodical;       // 2049
    CString m_strAmplitude;
    CString m_strDelay;
    CString m_strFrequency;
    CString m_strOffset;
    CString m_strPhase;
    CString m_strPeriod;
};

class CPropTFMSine : public CPeriodicFunctionPage {
    DECLARE_SERIAL(CPropTFMSine)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropTFMSine();
    CPropTFMSine(CTFMSineWizard4* wizard, ParamHolder* params);
    // The page wizard's template hands the parameter set over as its cookie.
    CPropTFMSine(CTFMSineWizard4* wizard, DWORD_PTR cookie) : CPropTFMSine(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version, DWORD amplitude mode, CString RMS text,
    // DWORD period given; versions 1 to 9 add a DWORD phase unit (1 "rad", else "deg").
    void Serialize(CArchive& ar) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    void Rebind(CTFMSineWizard4* wizard, ParamHolder* params);
    void Rebind(CTFMSineWizard4* wizard, DWORD_PTR cookie) { Rebind(wizard, HolderFromCookie(cookie)); }
    void SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven);
    // Reads element data of the older wizard generation; the settings always go to the wizard.
    void ConvertWizard3Data(const void* data, long length);

    DWORD GetAmplitudeMode() const { return m_dwAmplitudeMode; }
    const CString& GetRMSText() const { return m_strRMS; }
    // The curve the fields describe, units converted (the preview's input).
    qv::timefunctions::SineCurve CurveFromFields();
    void CalculateGraphic() override;

protected:
    void EnableParamControls() override;
    void UpdateAmplitudeFromRMS();
    void ApplyAmplitudeMode(bool amplitudeChecked);

    void OnAmplitudeMode();
    void OnRMSMode();
    void OnRMSChanged();
    DECLARE_MESSAGE_MAP()

    CTFMSineWizard4* m_pWizard = nullptr;
    DWORD m_dwAmplitudeMode = 1;
    CButton m_radAmplitude;  // 2203
    CButton m_radRMS;        // 2204
    CString m_strRMS;
};

// The sine's wizard: period given, RMS text and amplitude mode beside the parameters.
class CTFMSineWizard4 : public qv::wizards::TPageWizard4<CPropTFMSine, CTFMSineWizard4, CTimeFunctionWizardBase4> {
    DECLARE_DYNAMIC(CTFMSineWizard4)
public:
    CTFMSineWizard4() = default;
    explicit CTFMSineWizard4(const CTFMSineWizard4* other);

    // Sheet version 4: WORD schema, DWORD period given, CString RMS text, DWORD amplitude mode.
    PARVEL_TF_SHEET_SERIALIZE
    // Older data read by a hidden page of its own.
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void GiveSettingsToPage(CPropTFMSine& page);
    void SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven);
    DWORD GetAmplitudeMode() const { return m_dwAmplitudeMode; }
    const CString& GetRMSText() const { return m_strRMS; }

private:
    DWORD m_dwAmplitudeMode = 1;
    CString m_strRMS;
};
