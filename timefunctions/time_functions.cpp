#include "timefunctions/time_functions.h"

#include "framework/page_parts.h"
#include "framework/immanent_template.h"
#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_set_page.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"

#include <cmath>
#include <memory>
#include <new>

using namespace qv::timefunctions;

IMPLEMENT_DYNAMIC(CTFMSineWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMSawToothWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMPulseWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMTriangleWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMTrapezWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMArcTangWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMVCOWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CTFMNeedleWizard, CWizardBase3)
IMPLEMENT_SERIAL(CPropTFMSine, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropTFMSine)

using namespace qv::dialog;

namespace {

constexpr int kCtlRMSRadio = 2204;
constexpr int kCtlRMS = 2050;
using namespace qv::strings;

using qv::pages::ControlLayout;
constexpr ControlLayout kSineLayout[] = {
    {.id = 2003, .flags = 15},  {.id = 2203, .flags = 33},  {.id = 2204, .flags = 33},  {.id = 2035, .flags = 33},
    {.id = 2205, .flags = 33},  {.id = 2039, .flags = 33},  {.id = 2034, .flags = 97},  {.id = 2050, .flags = 97},
    {.id = 2036, .flags = 97},  {.id = 2038, .flags = 97},  {.id = 2040, .flags = 97},  {.id = 2041, .flags = 48},
    {.id = 2045, .flags = 48},  {.id = 2048, .flags = 48},  {.id = 2042, .flags = 98},  {.id = 2047, .flags = 98},
    {.id = 2049, .flags = 98},  {.id = 2509, .flags = 48},  {.id = 2510, .flags = 48},  {.id = 2512, .flags = 48},
    {.id = 2513, .flags = 48},  {.id = 2017, .flags = 73},  {.id = 2056, .flags = 9},   {.id = 2216, .flags = 74},
    {.id = 2217, .flags = 72},
};

} // namespace

// ---------------------------------------------------------------------------------------
// The preview's arithmetic.

namespace qv::timefunctions {

double FlooredRemainder(double x, double m) {
    if (m == 0.0 || !std::isfinite(m)) return x;
    return x - m * std::floor(x / m);
}

std::vector<CurvePoint> ComputeSinePoints(const SineCurve& c) {
    std::vector<CurvePoint> points;
    points.reserve(kPreviewPoints);
    const double step = 2.0 * c.period * 0.01;
    const double omega = 6.283185307179586 * c.frequency;
    const double cycle = 1.0 / c.frequency;
    // The period given counts as the frequency's own when both print alike.
    const bool samePeriod = TBExtended_ftoa(cycle, -1, 0, "") == TBExtended_ftoa(c.period, -1, 0, "");
    const double end = c.periodGiven ? c.period : cycle;
    double previous = 0.0;
    for (int i = 0; i < kPreviewPoints; ++i) {
        const double t = i * step;
        double y = 0.0;
        if (c.frequency == 0.0) {
            y = c.offset;
        } else if (c.periodic) {
            const double argument = (!c.periodGiven || samePeriod) ? t : FlooredRemainder(t, c.period);
            y = c.amplitude * std::sin(omega * argument + c.phase) + c.offset;
        } else if (t < end) {
            y = c.amplitude * std::sin(omega * t + c.phase) + c.offset;
        } else if (t > end) {
            y = 0.0;
        } else {
            y = previous;
        }
        previous = y;
        const double x = t + c.delay;
        if (std::isfinite(x) && std::isfinite(y)) points.push_back({x, y});
    }
    return points;
}

bool ParseFinite(const CString& text, double* value) {
    double number = 0.0;
    if (!ParseValueWithPrefix(text, &number) || !std::isfinite(number)) return false;
    if (value != nullptr) *value = number;
    return true;
}

bool AllNumbers(std::initializer_list<const CString*> texts) {
    for (const CString* text : texts)
        if (!ParseFinite(*text)) return false;
    return true;
}

double Number(const CString& text) { return TBExtended_atof(text, ""); }

// The period tests compare these texts.
CString Printed(double value) { return TBExtended_ftoa(value, -1, 0, ""); }

const char* ReadUnitCode(CArchive& ar, DWORD version, CTBUnitComboBox& units) {
    if (version < 1 || version > 9) return nullptr;
    DWORD code = 0;
    ar >> code;
    const char* unit = code == 1 ? "rad" : "deg";
    if (units.GetSafeHwnd() != nullptr) units.SelectString(-1, unit);
    return unit;
}

void SerializeFlag(CArchive& ar, BOOL& flag) {
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(flag ? 1 : 0);
        return;
    }
    DWORD value = 0;
    ar >> value;
    flag = value != 0;
}

bool IsInput(const CWizardCopaObject3* param) {
    return param != nullptr && !param->IsDeleted() && (param->GetType() & kParamTypeInput) != 0;
}

OlderData ReadOlderLayout(const void* data, long length, bool trailing) {
    OlderData out;
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    out.hasFirst = in.ReadDword(out.first);
    DWORD word = 0;
    DWORD skipped = 0;
    bool intact = out.hasFirst && in.ReadDword(word) && in.ReadDword(skipped) && in.SkipBytes(skipped);
    DWORD block = 0;
    intact = intact && in.ReadDword(block) && in.Fits(block);
    if (intact && block >= 1) {
        out.block = in.Position();
        out.blockLength = block;
        in.SkipBytes(block);
    }
    if (intact && trailing) in.ReadDword(word);
    return out;
}

} // namespace qv::timefunctions

// ---------------------------------------------------------------------------------------
// The wizards' shared part.

CTimeFunctionWizardBase4::CTimeFunctionWizardBase4(const CTimeFunctionWizardBase4* other) : CWizardBase4(other) {
    if (other != nullptr) m_bPeriodGiven = other->m_bPeriodGiven;
}

void CTimeFunctionWizardBase4::NotifyChanged(int changeType, CWizardCopaObject3* param) {
    if (param == nullptr || changeType != 3) return;
    const RequestTarget target(this);
    ScopedParamSet params(target);
    if (m_bPeriodGiven) return;
    ParamHolder* holder = params.Holder();
    const WORD id = param->GetValueID();
    const bool fromTimes = DerivesFromTimes();
    if (fromTimes ? id != kIdRise && id != kIdFall && id != kIdWidth : id != kIdFrequency) return;
    // Each value is read in its own unit and the period is written in the one it is shown in.
    CString period;
    // A zero frequency keeps the period, as the page and the description keep it.
    if (!DerivePeriodFromParams(holder, fromTimes, &period)) return;
    // The editor's answer to the commit is not examined.
    if (SetParamValue(holder, kIdPeriod, period)) CommitParamSet(target, params.Cookie());
}


// ---------------------------------------------------------------------------------------
// Sine.

CTFMSineWizard4::CTFMSineWizard4(const CTFMSineWizard4* other) : TPageWizard4(other) {
    if (other == nullptr) return;
    m_dwAmplitudeMode = other->m_dwAmplitudeMode;
    m_strRMS = other->m_strRMS;
}

void CTFMSineWizard4::SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven) {
    m_dwAmplitudeMode = amplitudeMode;
    m_strRMS = rmsText;
    m_bPeriodGiven = periodGiven ? TRUE : FALSE;
}

void CTFMSineWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    SerializeWith(ar, version, [this](CArchive& a) {
        SerializeFlag(a, m_bPeriodGiven);
        if (a.IsStoring()) {
            a << m_strRMS;
            a << m_dwAmplitudeMode;
        } else {
            a >> m_strRMS;
            a >> m_dwAmplitudeMode;
        }
    });
}

void CTFMSineWizard4::GiveSettingsToPage(CPropTFMSine& page) { page.SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven); }

BOOL CTFMSineWizard4::DoConvertWizard3Data(const void* data, long length) {
    // A page of its own: the page on the editor's sheet (if any) keeps its cookie.
    ScopedParamSet params{RequestTarget(this)};
    auto page = MakeHiddenPage(params.Cookie());
    if (!page) return TRUE;
    // The page starts from the wizard's own settings, so that data which ends early never
    // resets them to the page's defaults.
    GiveSettingsToPage(*page);
    if (!page.Open(kSineTemplate)) return TRUE;
    page->ConvertWizard3Data(data, length);
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// The other wizards (their editing and older data are in wave_pages.cpp).

CTFMSawToothWizard4::CTFMSawToothWizard4(const CTFMSawToothWizard4* other) : TPageWizard4(other) {
    if (other != nullptr) m_dwRamp = other->m_dwRamp;
}

int CTFMSawToothWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ReplacePlaceholder(modelText, "@TYPE", m_dwRamp == 1 ? "ST_FALL " : "ST_RISE ", 0);
    return 4;
}

void CTFMSawToothWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    SerializeWith(ar, version, [this](CArchive& a) {
        SerializeFlag(a, m_bPeriodGiven);
        if (a.IsStoring())
            a << m_dwRamp;
        else
            a >> m_dwRamp;
    });
}

void CTFMPeriodOnlyWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    SerializeWith(ar, version, [this](CArchive& a) { SerializeFlag(a, m_bPeriodGiven); });
}

CTFMArcTangWizard4::CTFMArcTangWizard4(const CTFMArcTangWizard4* other) : TPageWizard4(other) {
    if (other != nullptr) m_strTime = other->m_strTime;
}

void CTFMArcTangWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    SerializeSchemaAndFields(ar, version, m_wSchema, [this](CArchive& a) {
        if (a.IsStoring()) a << m_strTime;
        else a >> m_strTime;
    });
}

// ---------------------------------------------------------------------------------------
// What the pages share.

// Every unit list of a time-function page, and the number fields of a periodic wave that
// refresh the preview's "Show" button when typed into.
constexpr int kUnitLists[] = {kCtlFrequencyUnit, kCtlPeriodUnit, kCtlDelayUnit, kCtlPhaseUnit,
                               kCtlRiseUnit,      kCtlFallUnit,   kCtlWidthUnit, kCtlLimitUnit, kCtlOffsetXUnit};
constexpr WORD kWaveNumbers[] = {kIdAmplitude, kIdFrequency, kIdDelay, kIdPhase, kIdOffset, kIdPeriod};

// What every time-function page does alike when its name, its unit lists, its periodical list,
// its "Period" box or its wave's numbers change; a page's own map comes first where it differs.
BEGIN_MESSAGE_MAP(CTimeFunctionPage, CTBPropertyPage)
    ON_BN_CLICKED(kCtlShowName, &CTimeFunctionPage::OnFieldChanged)
    ON_EN_CHANGE(kCtlName, &CTimeFunctionPage::OnFieldChanged)
    ON_BN_CLICKED(kCtlPeriodCheck, &CTimeFunctionPage::OnPeriodCheck)
    ON_CBN_KILLFOCUS(kIdPeriodical, &CTimeFunctionPage::OnFieldChanged)
    ON_CBN_SELCHANGE(kIdPeriodical, &CTimeFunctionPage::OnMarkModified)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kUnitLists, &CTimeFunctionPage::OnUnitChosen)
    ON_LISTED_CONTROLS(EN_CHANGE, kWaveNumbers, &CTimeFunctionPage::OnNumberChanged)
    ON_BN_CLICKED(kIdOutput, &CTimeFunctionPage::OnDefaultOutput)
    ON_BN_CLICKED(kCtlShow, &CTimeFunctionPage::OnShowGraphic)
    ON_WM_PAINT()
    ON_MESSAGE(kPreviewRefreshMessage, &CTimeFunctionPage::OnGraphicRefresh)
    ON_MESSAGE(kPreviewClosedMessage, &CTimeFunctionPage::OnGraphicClosed)
END_MESSAGE_MAP()

CTimeFunctionPage::~CTimeFunctionPage() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
    if (m_pPreview != nullptr) {
        if (m_pPreview->GetSafeHwnd() != nullptr) m_pPreview->DestroyWindow();
        delete m_pPreview;
        m_pPreview = nullptr;
    }
    DeletePoints();
}

void CTimeFunctionPage::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    qv::pages::ExchangeNameAndShowName(pDX, m_strName, m_bShowName);
    DDX_Check(pDX, kIdOutput, m_bOutput);
}

BOOL CTimeFunctionPage::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutput, &m_bOutput);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    SetModified(FALSE);
    EnableParamControls();
    return CTBPropertyPage::OnSetActive();
}

void CTimeFunctionPage::BindOwner(const CWizardBaseCommon* owner, ParamHolder* params) {
    m_pOwner = owner;
    m_pParams = params;
}

void CTimeFunctionPage::InitDialogWithResources() {
    CResourceSwitch resources;
    CTBPropertyPage::OnInitDialog();
}

void CTimeFunctionPage::EnableControl(int id, BOOL enable) {
    if (GetSafeHwnd() == nullptr) return;
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable);
}

void CTimeFunctionPage::DeletePoints() {
    for (INT_PTR i = 0; i < m_Points.GetSize(); ++i) delete static_cast<CDataPoint*>(m_Points.GetAt(i));
    m_Points.RemoveAll();
}

void CTimeFunctionPage::HandPointsOver() {
    if (m_pPreview != nullptr) m_pPreview->SetPointArray(&m_Points);
}

void CTimeFunctionPage::StorePoints(const std::vector<CurvePoint>& points) {
    DeletePoints();
    for (const CurvePoint& point : points) m_Points.Add(new CDataPoint(point.t, point.y));
}

void CTimeFunctionPage::ReadNameAndSymbol() {
    if (m_pParams != nullptr) {
        m_strName = m_pParams->m_strElementName;
        m_bShowName = m_pParams->m_dwShowName != 0;
        if (m_pOwner != nullptr) m_pOwner->GetLangDependentString(m_pParams->m_SymbolTexts, m_strSymbolText);
    }
    if (m_pSymbol == nullptr) {
        m_pSymbol = new CTBDrawSymbol(CRect(0, 0, 0, 0));
        CResourceSwitch resources;
        m_pSymbol->LoadSymbols(m_strSymbolText);
    }
}

void CTimeFunctionPage::LabelOutput(UINT stringID) {
    CString caption;
    if (stringID != 0) {
        CResourceSwitch resources;
        caption = LoadLibraryString(stringID);
    } else {
        GetDlgItemText(kIdOutput, caption);
    }
    CString unit;
    if (GetParamUnit(m_pParams, kIdOutput, &unit)) AppendUnitSuffix(&caption, unit);
    SetDlgItemText(kIdOutput, caption);
}

void CTimeFunctionPage::ExchangeFieldTexts(CDataExchange* pDX, const std::vector<Field>& fields) {
    for (const Field& field : fields) DDX_Text(pDX, field.id, *field.text);
}

template <class OnPeriodical, class OnField>
void CTimeFunctionPage::VisitFieldParams(const std::vector<Field>& fields, CComboBox* periodical, OnPeriodical onPeriodical,
                                         OnField onField) {
    const int count = m_pParams ? m_pParams->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (!IsInput(param)) continue;
        const WORD id = param->GetValueID();
        if (id == kIdPeriodical && periodical != nullptr) {
            onPeriodical(param);
            continue;
        }
        for (const Field& field : fields)
            if (field.id == id) onField(param, field);
    }
}

void CTimeFunctionPage::LoadFields(const std::vector<Field>& fields, CComboBox* periodical) {
    for (const Field& field : fields)
        if (field.units != nullptr) field.units->DisableFlatLook(TRUE);
    VisitFieldParams(
        fields, periodical,
        [periodical](CWizardCopaObject3* param) { periodical->SetCurSel(Number(param->GetValue()) == 0.0 ? 1 : 0); },
        [](CWizardCopaObject3* param, const Field& field) {
            *field.text = param->GetValue();
            if (field.units != nullptr) {
                field.units->CreateDialogControl(param->GetQuantity());
                field.units->SelectString(-1, param->GetUsedUnit());
            }
        });
}

void CTimeFunctionPage::StartPeriodicInit(CComboBox& periodical) {
    InitDialogWithResources();
    periodical.SetCurSel(0);
}

void CTimeFunctionPage::LoadNamedFields(const std::vector<Field>& fields, CComboBox* periodical) {
    // The fields go to the dialog once, when all are loaded: nothing here reads a control.
    ReadNameAndSymbol();
    LoadFields(fields, periodical);
    GetSDBOutput(m_pParams, kIdOutput, &m_bOutput);
    UpdateData(FALSE);
}

void CTimeFunctionPage::WriteFields(const std::vector<Field>& fields, CComboBox* periodical) {
    VisitFieldParams(
        fields, periodical,
        [periodical](CWizardCopaObject3* param) { param->SetValue(Printed(periodical->GetCurSel() == 0 ? 1.0 : 0.0)); },
        [](CWizardCopaObject3* param, const Field& field) {
            param->SetValue(*field.text);
            qv::pages::WriteShownUnit(field.units, param);
        });
}

TypedValue CTimeFunctionPage::Typed(WORD id, const CString& text, const CTBUnitComboBox& units) {
    return qv::pages::TypedInputAsShown(m_pParams, FindParamByValueID(m_pParams, id), text, &units);
}

CString CTimeFunctionPage::InParamUnit(WORD id, const CString& text, const CTBUnitComboBox& units) {
    return InSimulatorUnit(Typed(id, text, units));
}

void CTimeFunctionPage::StoreName() {
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
}

void CTimeFunctionPage::RefreshOpenPreview() {
    if (m_pPreview == nullptr || m_pPreview->GetSafeHwnd() == nullptr) return;
    UpdateData(TRUE);
    CalculateGraphic();
    HandPointsOver();
    m_pPreview->Invalidate(FALSE);
    m_pPreview->UpdateWindow();
}

BOOL CTimeFunctionPage::CommitAndFinish() {
    if (!qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    if (!CommitParamSet(RequestTarget(m_pOwner), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    return FinishApply();
}

BOOL CTimeFunctionPage::FinishApply() {
    RefreshOpenPreview();
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CTimeFunctionPage::StoreBlockStart(CArchive& ar, CRuntimeClass* cls) {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    ar.SerializeClass(cls);
    ar << g_dwPageVersion;
}

UINT CTimeFunctionPage::ReadBlockSchema(CArchive& ar, CRuntimeClass* cls) {
    try {
        return ReadClassReferenceOrRewind(ar, cls);
    } catch (CArchiveException* e) {
        e->Delete();
        return 0;
    }
}

void CTimeFunctionPage::SerializePeriodBlock(CArchive& ar, CRuntimeClass* cls, CTBUnitComboBox& phaseUnits,
                                             bool phaseUnitToParam) {
    if (ar.IsStoring()) {
        StoreBlockStart(ar, cls);
        SerializeFlag(ar, m_bPeriodGiven);
        return;
    }
    const char* unit = ReadPageBlock(ar, cls, phaseUnits, [this](CArchive& a) { SerializeFlag(a, m_bPeriodGiven); });
    CWizardCopaObject3* phase = phaseUnitToParam ? FindParamByValueID(m_pParams, kIdPhase) : nullptr;
    if (phase != nullptr && unit != nullptr) phase->SetUsedUnit(unit);
    if (GetSafeHwnd() != nullptr) ShowReadPeriod();
}

void CTimeFunctionPage::ReadOlderBlock(const OlderData& older) {
    qv::pages::ReadArchivedBlock(older.block, older.blockLength, [this](CArchive& ar) { Serialize(ar); });
}

void CTimeFunctionPage::EndPeriodicInit() {
    SetModified(FALSE);
    OnPeriodCheck();
}

BOOL CTimeFunctionPage::EndFieldsInit() {
    GetSDBOutput(m_pParams, kIdOutput, &m_bOutput);
    UpdateData(FALSE);
    LabelOutput(0);
    SetModified(FALSE);
    EnableParamControls();
    return TRUE;
}

bool CTimeFunctionPage::IsPeriodicChosen(const CComboBox& periodical) {
    return periodical.GetSafeHwnd() == nullptr || periodical.GetCurSel() == 0;
}

void CTimeFunctionPage::ShowReadPeriod() {
    UpdateData(FALSE);
    OnPeriodCheck();
}

void CTimeFunctionPage::OnFieldChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CTimeFunctionPage::OnUnitChosen() {
    OnFieldChanged();
    DeriveShownPeriod();
}

void CTimeFunctionPage::OnMarkModified() { SetModified(TRUE); }

void CTimeFunctionPage::OnNumberChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateShowButton();
}

void CTimeFunctionPage::OnPeriodCheck() {
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableControl(kIdPeriod, m_bPeriodGiven);
    EnableParamControls();
}

// The output switches in the parameter set at once; the box shows only on or off.
void CTimeFunctionPage::OnDefaultOutput() { qv::pages::ReadAndFlipOutputSwitch(*this, m_pParams, m_bOutput, kIdOutput); }

void CTimeFunctionPage::OnShowGraphic() {
    UpdateData(TRUE);
    {
        CResourceSwitch resources;
        SetDlgItemText(kCtlShow, LoadLibraryString(kStrUpdate));
    }
    if (m_pPreview != nullptr && m_pPreview->GetSafeHwnd() != nullptr) {
        RefreshOpenPreview();
    } else {
        delete m_pPreview;
        m_pPreview = new (std::nothrow) CCharacteristicDlg(this, m_strName);
        if (m_pPreview != nullptr) {
            CalculateGraphic();
            m_pPreview->SetXAxisLabel("t[s]");
            m_pPreview->SetYAxisLabel("Y");
            HandPointsOver();
            CResourceSwitch resources;
            if (m_pPreview->CreateModeless()) m_pPreview->ShowWindow(SW_SHOW);
        }
    }
    SetModified(TRUE);
}

void CTimeFunctionPage::OnPaint() { qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText); }

LRESULT CTimeFunctionPage::OnGraphicRefresh(WPARAM, LPARAM) {
    UpdateData(TRUE);
    if (m_pPreview != nullptr) {
        CalculateGraphic();
        HandPointsOver();
    }
    return 0;
}

LRESULT CTimeFunctionPage::OnGraphicClosed(WPARAM, LPARAM) {
    CResourceSwitch resources;
    SetDlgItemText(kCtlShow, LoadLibraryString(kStrShow));
    return 0;
}

// ---------------------------------------------------------------------------------------
// What the pages of the waves with a period share: the sine's, the periodic waves' and the
// trapezoid's.

void CPeriodFieldsPage::DoDataExchange(CDataExchange* pDX) {
    CTimeFunctionPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbPhase);
    DDX_Control(pDX, kCtlPeriodUnit, m_cmbPeriod);
    DDX_Control(pDX, kCtlDelayUnit, m_cmbDelay);
    DDX_Control(pDX, kIdPeriodical, m_cmbPeriodical);
    DDX_Check(pDX, kCtlPeriodCheck, m_bPeriodGiven);
    ExchangeFieldTexts(pDX, Fields());
}

std::vector<CTimeFunctionPage::Field> CPeriodFieldsPage::PeriodFields() {
    return {{kIdAmplitude, &m_strAmplitude, nullptr}, {kIdOffset, &m_strOffset, nullptr},
            {kIdDelay, &m_strDelay, &m_cmbDelay},      {kIdPeriod, &m_strPeriod, &m_cmbPeriod},
            {kIdPhase, &m_strPhase, &m_cmbPhase}};
}

// What the sine's and the periodic waves' pages share.

void CPeriodicFunctionPage::DoDataExchange(CDataExchange* pDX) {
    CPeriodFieldsPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlFrequencyUnit, m_cmbFrequency);
}

void CPeriodicFunctionPage::UpdateShowButton() {
    EnableControl(kCtlShow, AllNumbers({&m_strAmplitude, &m_strFrequency, &m_strPhase, &m_strPeriod, &m_strDelay,
                                        &m_strOffset}));
}

// Text set from code sends no notification, so the member follows the window text here.
void CPeriodicFunctionPage::DeriveShownPeriod() {
    if (m_bPeriodGiven || !PeriodOfFrequencyText(Typed(kIdFrequency, m_strFrequency, m_cmbFrequency),
                                                 Typed(kIdPeriod, m_strPeriod, m_cmbPeriod), &m_strPeriod))
        return;
    if (GetSafeHwnd() != nullptr) SetDlgItemText(kIdPeriod, m_strPeriod);
}

void CPeriodicFunctionPage::WritePeriodicFields() {
    DeriveShownPeriod();
    // The derived texts were set from code; the members take the windows' texts again.
    UpdateData(TRUE);
    WriteFields(Fields(), &m_cmbPeriodical);
}

std::vector<CTimeFunctionPage::Field> CPeriodicFunctionPage::Fields() {
    std::vector<Field> fields = PeriodFields();
    fields.push_back({kIdFrequency, &m_strFrequency, &m_cmbFrequency});
    return fields;
}

// A typed frequency derives the period.
BEGIN_MESSAGE_MAP(CPeriodicFunctionPage, CPeriodFieldsPage)
    ON_EN_CHANGE(kIdFrequency, &CPeriodicFunctionPage::OnFrequencyChanged)
END_MESSAGE_MAP()

void CPeriodicFunctionPage::OnFrequencyChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    DeriveShownPeriod();
    UpdateShowButton();
}

// ---------------------------------------------------------------------------------------
// The sine page.

BEGIN_MESSAGE_MAP(CPropTFMSine, CPeriodicFunctionPage)
    ON_BN_CLICKED(kCtlAmplitudeRadio, &CPropTFMSine::OnAmplitudeMode)
    ON_BN_CLICKED(kCtlRMSRadio, &CPropTFMSine::OnRMSMode)
    ON_EN_CHANGE(kCtlRMS, &CPropTFMSine::OnRMSChanged)
END_MESSAGE_MAP()

CPropTFMSine::CPropTFMSine() : TWizardTimeFunctionPage(kSineTemplate) {}

CPropTFMSine::CPropTFMSine(CTFMSineWizard4* wizard, ParamHolder* params)
    : TWizardTimeFunctionPage(kSineTemplate, wizard, params, kSineLayout) {}

void CPropTFMSine::SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven) {
    m_dwAmplitudeMode = amplitudeMode;
    m_strRMS = rmsText;
    SetPeriodGiven(periodGiven);
}

void CPropTFMSine::DoDataExchange(CDataExchange* pDX) {
    CPeriodicFunctionPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlAmplitudeRadio, m_radAmplitude);
    DDX_Control(pDX, kCtlRMSRadio, m_radRMS);
    DDX_Text(pDX, kCtlRMS, m_strRMS);
}

BOOL CPropTFMSine::OnInitDialog() {
    StartPeriodicInit(m_cmbPeriodical);
    CheckDlgButton(kCtlAmplitudeRadio, BST_CHECKED);
    LoadNamedFields(Fields(), &m_cmbPeriodical);
    if (m_radAmplitude.GetSafeHwnd() != nullptr && m_radRMS.GetSafeHwnd() != nullptr) {
        CheckDlgButton(kCtlAmplitudeRadio, m_dwAmplitudeMode ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kCtlRMSRadio, m_dwAmplitudeMode ? BST_UNCHECKED : BST_CHECKED);
        UpdateData(FALSE);
        UpdateData(TRUE);
        ApplyAmplitudeMode(m_dwAmplitudeMode != 0);
    }
    EndPeriodicInit();
    UpdateShowButton();
    return TRUE;
}

void CPropTFMSine::ApplyAmplitudeMode(bool amplitudeChecked) {
    CheckDlgButton(amplitudeChecked ? kCtlRMSRadio : kCtlAmplitudeRadio, BST_UNCHECKED);
    CheckDlgButton(amplitudeChecked ? kCtlAmplitudeRadio : kCtlRMSRadio, BST_CHECKED);
    m_dwAmplitudeMode = amplitudeChecked ? 1 : 0;
    EnableControl(kIdAmplitude, amplitudeChecked);
    EnableControl(kCtlRMS, !amplitudeChecked);
}

void CPropTFMSine::OnAmplitudeMode() {
    UpdateData(TRUE);
    if (IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED) ApplyAmplitudeMode(true);
    SetModified(TRUE);
    EnableParamControls();
}

void CPropTFMSine::OnRMSMode() {
    UpdateData(TRUE);
    if (IsDlgButtonChecked(kCtlRMSRadio) == BST_CHECKED) ApplyAmplitudeMode(false);
    SetModified(TRUE);
    EnableParamControls();
}

void CPropTFMSine::EnableParamControls() {
    if (GetSafeHwnd() == nullptr) return;
    const bool amplitude = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED;
    const BOOL amplitudeFree = IsParamNotOnPin(m_pParams, kIdAmplitude);
    if (amplitude)
        EnableControl(kIdAmplitude, amplitudeFree);
    else
        EnableControl(kCtlRMS, amplitudeFree);
    for (WORD id : {kIdDelay, kIdOffset}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
    if (m_bPeriodGiven) EnableControl(kIdPeriod, IsParamNotOnPin(m_pParams, kIdPeriod));
    for (WORD id : {kIdPeriodical, kIdPhase, kIdFrequency}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
}

void CPropTFMSine::OnRMSChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateAmplitudeFromRMS();
    UpdateShowButton();
}

// Text set from code sends no notification, so the member follows the window text here.
void CPropTFMSine::UpdateAmplitudeFromRMS() {
    if (GetSafeHwnd() == nullptr || IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED) return;
    if (!AmplitudeOfRMSText(m_strRMS, &m_strAmplitude)) return;
    SetDlgItemText(kIdAmplitude, m_strAmplitude);
}

BOOL CPropTFMSine::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    UpdateData(TRUE);
    StoreName();
    UpdateAmplitudeFromRMS();
    WritePeriodicFields();
    if (m_radAmplitude.GetSafeHwnd() != nullptr)
        m_dwAmplitudeMode = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED ? 1 : 0;
    if (m_pWizard != nullptr) m_pWizard->SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven);
    return CommitAndFinish();
}

SineCurve CPropTFMSine::CurveFromFields() {
    SineCurve curve;
    ReadPeriodicCurve(curve);
    if (IsDlgButtonChecked(kCtlRMSRadio) == BST_CHECKED) curve.amplitude = std::sqrt(2.0) * Number(m_strRMS);
    return curve;
}

void CPropTFMSine::CalculateGraphic() { StorePoints(ComputeSinePoints(CurveFromFields())); }

void CPropTFMSine::Serialize(CArchive& ar) {
    const bool window = GetSafeHwnd() != nullptr;
    if (ar.IsStoring()) {
        if (m_radAmplitude.GetSafeHwnd() != nullptr)
            m_dwAmplitudeMode = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED ? 1 : 0;
        StoreBlockStart(ar, RUNTIME_CLASS(CPropTFMSine));
        ar << m_dwAmplitudeMode;
        ar << m_strRMS;
        ar << static_cast<DWORD>(m_bPeriodGiven ? 1 : 0);
        return;
    }
    try {
        const UINT schema = ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropTFMSine));
        DWORD version = schema;
        if (schema != 0) ar >> version;
        DWORD amplitude = 0;
        ar >> amplitude;
        m_dwAmplitudeMode = amplitude != 0 ? 1 : 0;
        ar >> m_strRMS;
        DWORD given = 0;
        ar >> given;
        m_bPeriodGiven = given != 0;
        const char* unit = ReadUnitCode(ar, version, m_cmbPhase);
        if (CWizardCopaObject3* phase = FindParamByValueID(m_pParams, kIdPhase); window && unit != nullptr && phase != nullptr)
            phase->SetUsedUnit(unit);
    } catch (CArchiveException* e) {
        e->Delete();
    }
    if (!window) return;
    ShowReadPeriod();
    ApplyAmplitudeMode(m_dwAmplitudeMode != 0);
}

// Element data of the older wizard generation (see ReadOlderLayout; the first word is not
// used). The settings go to the wizard in every case, also without data.
void CPropTFMSine::ConvertWizard3Data(const void* data, long length) {
    ReadOlderBlock(ReadOlderLayout(data, length, true));
    if (m_pWizard != nullptr) m_pWizard->SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven);
}
