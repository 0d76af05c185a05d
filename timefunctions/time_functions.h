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
// The sine has its page here; the other time functions' pages and wizards are in
// wave_pages.h, which this header brings along.
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_preview.h"
#include "framework/page_overrides.h"
#include "framework/page_steps.h"
#include "framework/page_wizard.h"
#include "framework/requests.h"
#include "framework/sheet_serialize.h"
#include "framework/waveform_ids.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <initializer_list>
#include <span>
#include <vector>

struct TypedValue;

namespace qv::timefunctions {
using namespace qv::waveform;
constexpr WORD kIdOutput = 2056;
constexpr UINT kSineTemplate = 2544;
// The "Period" check box: the period is given instead of derived.
constexpr int kCtlPeriodCheck = 2205;
// Unit lists beside the trapezoid's times, the arc tangent's and the VCO's numbers.
constexpr int kCtlRiseUnit = 2515;
constexpr int kCtlFallUnit = 2516;
constexpr int kCtlWidthUnit = 2517;
constexpr int kCtlLimitUnit = 2518;
constexpr int kCtlOffsetXUnit = 2519;
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
// Versions 1 to 9 of a page block end with a unit code (1 "rad", else "deg"): it is read and
// selected in the list. Returns the unit, or nullptr for other versions.
const char* ReadUnitCode(CArchive& ar, DWORD version, CTBUnitComboBox& units);
// A wizard's sheet data of version 4: WORD schema (stored as 0), then what `fields` archives.
// A stored non-zero schema has a layout this wizard does not know: the reading stops there
// and the fields keep their values.
template <class Fields>
void SerializeSchemaAndFields(CArchive& ar, ESheetVersion version, WORD& schema, Fields fields) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        schema = 0;
        ar << schema;
    } else {
        ar >> schema;
    }
    if (schema == 0) fields(ar);
}
// A flag archived as a DWORD, 1 or 0; any other number reads as set.
void SerializeFlag(CArchive& ar, BOOL& flag);
// A parameter that is there and an input of the element.
bool IsInput(const CWizardCopaObject3* param);
} // namespace qv::timefunctions

class CTFMSineWizard4;
class CTFMSawToothWizard4;
class CTFMTrapezWizard4;
class CTFMArcTangWizard4;
class CTFMVCOWizard4;
class CTFMNeedleWizard;

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
    // Sheet version 4: WORD schema 0, then Fields (see SerializeSchemaAndFields).
    template <class Fields>
    void SerializeWith(CArchive& ar, ESheetVersion version, Fields fields) {
        qv::timefunctions::SerializeSchemaAndFields(ar, version, m_wSchema, fields);
    }

    WORD m_wSchema = 0;
    BOOL m_bPeriodGiven = FALSE;
};

// Pulse, triangle and trapezoid: WORD schema, DWORD period given.
class CTFMPeriodOnlyWizard4 : public CTimeFunctionWizardBase4 {
public:
    using CTimeFunctionWizardBase4::CTimeFunctionWizardBase4;
    PARVEL_SHEET_SERIALIZE
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
    // Fills the fields' texts and unit lists (drawn without the flat look) from the input
    // parameters; the periodical list (when given) shows "No" exactly for the number 0.
    void LoadFields(const std::vector<Field>& fields, CComboBox* periodical);
    // The start of OnInitDialog of a page with a periodical list: the dialog made, the list
    // on "Yes".
    void StartPeriodicInit(CComboBox& periodical);
    // Name, symbol, the fields from the parameters and the default output shown.
    void LoadNamedFields(const std::vector<Field>& fields, CComboBox* periodical);
    // For every input parameter: onPeriodical(param) for the periodical one when a list is
    // given, else onField(param, field) for each field bound to it.
    template <class OnPeriodical, class OnField>
    void VisitFieldParams(const std::vector<Field>& fields, CComboBox* periodical, OnPeriodical onPeriodical,
                          OnField onField);
    // The fields' texts exchanged with their edit controls (the value IDs).
    void ExchangeFieldTexts(CDataExchange* pDX, const std::vector<Field>& fields);
    // Writes the fields' texts and used units into the input parameters, and the periodical
    // list as the text of 1 or 0.
    void WriteFields(const std::vector<Field>& fields, CComboBox* periodical);
    // A field's text with its parameter's quantity and unit and the unit its list shows (the
    // parameter's used unit while the list is not on screen or empty).
    TypedValue Typed(WORD id, const CString& text, const CTBUnitComboBox& units);
    // A field's text in its parameter's own unit; the text as typed when it has no parameter
    // or the conversion fails.
    CString InParamUnit(WORD id, const CString& text, const CTBUnitComboBox& units);
    // Unless the period is given: the period text derived again from the fields it follows, in
    // the unit the period is shown in. Pages without a derived period leave it.
    virtual void DeriveShownPeriod() {}
    // Name and show-name flag into the parameter set.
    void StoreName();
    void RefreshOpenPreview();
    // Commits the parameter set; on success an open preview is redrawn and the apply ends.
    BOOL CommitAndFinish();
    BOOL FinishApply();
    // The start of a page block: the members taken from the windows, the class record and
    // the page version.
    void StoreBlockStart(CArchive& ar, CRuntimeClass* cls);
    // The class record of a page block read: its schema, 0 when the block carries none.
    static UINT ReadBlockSchema(CArchive& ar, CRuntimeClass* cls);
    // Reads a page block: the class record (a missing one is schema 0, and no page version
    // follows), the page's own fields, then the unit code of ReadUnitCode, which it returns.
    template <class Fields>
    const char* ReadPageBlock(CArchive& ar, CRuntimeClass* cls, CTBUnitComboBox& units, Fields fields) {
        DWORD version = ReadBlockSchema(ar, cls);
        if (version != 0) ar >> version;
        fields(ar);
        return qv::timefunctions::ReadUnitCode(ar, version, units);
    }
    // The page block of a page with a period: the block start, DWORD period given, and when
    // read the unit code selected in the phase list and, with phaseUnitToParam, made the
    // phase parameter's used unit; the windows then show what was read.
    void SerializePeriodBlock(CArchive& ar, CRuntimeClass* cls, CTBUnitComboBox& phaseUnits, bool phaseUnitToParam);
    // Reads the page block of older element data (see ReadOlderLayout) through Serialize;
    // archive and memory errors end the reading and keep what was read before.
    void ReadOlderBlock(const qv::timefunctions::OlderData& older);
    // The end of OnInitDialog of a page with a period: the members from the windows, the
    // period field enabled as "Period" says and the fields as their pins say.
    void EndPeriodicInit();
    // The end of OnInitDialog of a page without a period: the default output shown with its
    // unit, the page unmodified and the fields enabled as their pins say.
    BOOL EndFieldsInit();
    // Whether the periodical list (or its absence) says the curve repeats.
    static bool IsPeriodicChosen(const CComboBox& periodical);
    // After a page block was read: the windows show it and the fields are enabled again.
    void ShowReadPeriod();

    void OnFieldChanged();
    // A unit chosen for a field changes what the field means, so the period follows it.
    void OnUnitChosen();
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

// The page of a wave that repeats with a period: amplitude, offset, delay, period (given when
// "Period" is ticked) and phase with their unit lists, and the periodical list.
class CPeriodFieldsPage : public CTimeFunctionPage {
public:
    using CTimeFunctionPage::CTimeFunctionPage;

protected:
    // The unit lists, the periodical list, "Period" and the texts of Fields().
    void DoDataExchange(CDataExchange* pDX) override;
    // Every field of the page bound to a parameter.
    virtual std::vector<Field> Fields() { return PeriodFields(); }
    std::vector<Field> PeriodFields();
    // The curve's period, delay, phase (in their parameters' units), amplitude and offset from
    // the fields, and its periodical and period-given switches.
    template <class Curve>
    void ReadPeriodCurve(Curve& curve) {
        using qv::timefunctions::Number;
        if (this->GetSafeHwnd() != nullptr) this->UpdateData(TRUE);
        curve.period = Number(InParamUnit(qv::waveform::kIdPeriod, m_strPeriod, m_cmbPeriod));
        curve.delay = Number(InParamUnit(qv::waveform::kIdDelay, m_strDelay, m_cmbDelay));
        curve.phase = Number(InParamUnit(qv::waveform::kIdPhase, m_strPhase, m_cmbPhase));
        curve.amplitude = Number(m_strAmplitude);
        curve.offset = Number(m_strOffset);
        curve.periodic = IsPeriodicChosen(m_cmbPeriodical);
        curve.periodGiven = m_bPeriodGiven != 0;
    }

    CTBUnitComboBox m_cmbPhase;      // 2513
    CTBUnitComboBox m_cmbPeriod;     // 2510
    CTBUnitComboBox m_cmbDelay;      // 2512
    CComboBox m_cmbPeriodical;       // 2049
    CString m_strAmplitude;
    CString m_strDelay;
    CString m_strOffset;
    CString m_strPhase;
    CString m_strPeriod;
};

// The sine's and the periodic waves' page: the period's fields and the frequency, from which
// the period is derived unless given.
class CPeriodicFunctionPage : public CPeriodFieldsPage {
public:
    using CPeriodFieldsPage::CPeriodFieldsPage;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void UpdateShowButton() override;
    // The derived period, then the fields written into the parameters.
    void WritePeriodicFields();
    // The period follows the frequency: 1/f, or the formula "1/(f)" when f is no number; a
    // frequency of 0 leaves it.
    void DeriveShownPeriod() override;
    void OnFrequencyChanged();
    std::vector<Field> Fields() override;
    // The period's numbers and the frequency (the sine's and the waves' preview input).
    template <class Curve>
    void ReadPeriodicCurve(Curve& curve) {
        ReadPeriodCurve(curve);
        curve.frequency =
            qv::timefunctions::Number(InParamUnit(qv::waveform::kIdFrequency, m_strFrequency, m_cmbFrequency));
    }
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbFrequency;  // 2509
    CString m_strFrequency;
};

// A page kept with its wizard of type Wizard: Rebind takes the wizard and the parameter set
// (or the cookie that is the set) and binds the page to both.
template <class Wizard, class Base = CTimeFunctionPage>
class TWizardTimeFunctionPage : public Base {
public:
    using Base::Base;
    // The page of dialog `templ` bound to its wizard and parameter set, its controls laid out
    // as `layout` says.
    TWizardTimeFunctionPage(UINT templ, Wizard* wizard, ParamHolder* params,
                            std::span<const qv::pages::ControlLayout> layout)
        : Base(templ) {
        Rebind(wizard, params);
        qv::pages::RegisterElementLayout(*this, layout);
    }
    void Rebind(Wizard* wizard, ParamHolder* params) {
        m_pWizard = wizard;
        this->BindOwner(wizard, params);
    }
    void Rebind(Wizard* wizard, DWORD_PTR cookie) { Rebind(wizard, HolderFromCookie(cookie)); }

protected:
    Wizard* m_pWizard = nullptr;
};

class CPropTFMSine : public TWizardTimeFunctionPage<CTFMSineWizard4, CPeriodicFunctionPage> {
    DECLARE_SERIAL(CPropTFMSine)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropTFMSine();
    CPropTFMSine(CTFMSineWizard4* wizard, ParamHolder* params);
    // The page wizard's template hands the parameter set over as its cookie.
    CPropTFMSine(CTFMSineWizard4* wizard, DWORD_PTR cookie) : CPropTFMSine(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version, DWORD amplitude mode, CString RMS text,
    // DWORD period given; versions 1 to 9 add a DWORD phase unit (1 "rad", else "deg").
    PARVEL_PAGE_OVERRIDES

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
    PARVEL_SHEET_SERIALIZE
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

// The other time functions: their wizards are declared after their pages, so that every
// time-function wizard is known wherever this header is included.
#include "timefunctions/wave_pages.h"
