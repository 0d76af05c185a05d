#include "timefunctions/time_functions.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_rects.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
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

namespace {

constexpr int kCtlName = 2001;
constexpr int kCtlShowName = 2002;
constexpr int kCtlSymbolFrame = 2020;
constexpr int kCtlAmplitudeRadio = 2203;
constexpr int kCtlRMSRadio = 2204;
constexpr int kCtlPeriodCheck = 2205;
constexpr int kCtlRMS = 2050;
constexpr int kCtlShow = 2217;
constexpr int kCtlFrequencyUnit = 2509;
constexpr int kCtlPeriodUnit = 2510;
constexpr int kCtlDelayUnit = 2512;
constexpr int kCtlPhaseUnit = 2513;
constexpr UINT kStringUpdate = 2718;
constexpr UINT kStringShow = 2719;
constexpr char kImmanent[] = "IMMANENT";

struct ControlLayout {
    WORD id;
    WORD flags;
};
constexpr ControlLayout kSineLayout[] = {
    {.id = 2000, .flags = 5},   {.id = 2001, .flags = 69},  {.id = 2002, .flags = 20},  {.id = 2020, .flags = 6},
    {.id = 2003, .flags = 15},  {.id = 2203, .flags = 33},  {.id = 2204, .flags = 33},  {.id = 2035, .flags = 33},
    {.id = 2205, .flags = 33},  {.id = 2039, .flags = 33},  {.id = 2034, .flags = 97},  {.id = 2050, .flags = 97},
    {.id = 2036, .flags = 97},  {.id = 2038, .flags = 97},  {.id = 2040, .flags = 97},  {.id = 2041, .flags = 48},
    {.id = 2045, .flags = 48},  {.id = 2048, .flags = 48},  {.id = 2042, .flags = 98},  {.id = 2047, .flags = 98},
    {.id = 2049, .flags = 98},  {.id = 2509, .flags = 48},  {.id = 2510, .flags = 48},  {.id = 2512, .flags = 48},
    {.id = 2513, .flags = 48},  {.id = 2017, .flags = 73},  {.id = 2056, .flags = 9},   {.id = 2216, .flags = 74},
    {.id = 2217, .flags = 72},
};

// A number typed by a user with its prefix; non-finite values are no number.
bool ParseFinite(const CString& text, double* value) {
    double number = 0.0;
    if (!ParseValueWithPrefix(text, &number) || !std::isfinite(number)) return false;
    if (value != nullptr) *value = number;
    return true;
}

// Runs a page's Serialize over a copy of an archived block of older data; archive and
// memory errors end the reading and keep what was read before.
template <class Read>
void ReadArchivedBlock(const BYTE* data, size_t length, Read read) {
    if (data == nullptr || length == 0 || length > 0xFFFFFFFFu) return;
    std::vector<BYTE> copy(data, data + length);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load, 4096);
    try {
        read(ar);
    } catch (CException* e) {
        e->Delete();
    }
}

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
    CString period;
    if (DerivesFromTimes()) {
        if (id != kIdRise && id != kIdFall && id != kIdWidth) return;
        CString rise;
        CString fall;
        CString width;
        if (!GetParamValue(holder, kIdRise, &rise) || !GetParamValue(holder, kIdFall, &fall) ||
            !GetParamValue(holder, kIdWidth, &width))
            return;
        period = MakeSumText(rise, width, fall);
    } else {
        if (id != kIdFrequency) return;
        CString frequency;
        if (!GetParamValue(holder, kIdFrequency, &frequency)) return;
        period = MakeReciprocalText(frequency);
    }
    // The editor's answer to the commit is not examined.
    if (SetParamValue(holder, kIdPeriod, period)) CommitParamSet(target, params.Cookie());
}

template <class Fields>
void CTimeFunctionWizardBase4::SerializeWith(CArchive& ar, ESheetVersion version, Fields fields) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        fields(ar);
        return;
    }
    ar >> m_wSchema;
    // A newer schema has a layout this wizard does not know: its fields keep their values.
    if (m_wSchema != 0) return;
    fields(ar);
}

namespace {

void SerializeFlag(CArchive& ar, BOOL& flag) {
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(flag ? 1 : 0);
        return;
    }
    DWORD value = 0;
    ar >> value;
    flag = value != 0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Sine.

CTFMSineWizard4::CTFMSineWizard4(const CTFMSineWizard4* other) : CTimeFunctionWizardBase4(other) {
    if (other == nullptr) return;
    m_dwAmplitudeMode = other->m_dwAmplitudeMode;
    m_strRMS = other->m_strRMS;
}

// A page the editor never ended is the wizard's: it is not left behind.
CTFMSineWizard4::~CTFMSineWizard4() {
    delete m_pPage;
    m_pPage = nullptr;
}

void CTFMSineWizard4::SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven) {
    m_dwAmplitudeMode = amplitudeMode;
    m_strRMS = rmsText;
    m_bPeriodGiven = periodGiven ? TRUE : FALSE;
}

BOOL CTFMSineWizard4::DoEditProperties(CPropertySheet& sheet, UINT mode) {
    if (mode != 1) return CWizardBase4::DoEditProperties(sheet, mode);
    CResourceSwitch resources;
    const RequestTarget target(this);
    const DWORD_PTR cookie = FetchParamSet(target);
    if (m_pPage != nullptr) {
        // The page still holds the cookie of the earlier call: it goes back before the page
        // takes the new one, so that none is lost.
        ReleaseParamSet(target, reinterpret_cast<DWORD_PTR>(m_pPage->GetParams()));
        m_pPage->Rebind(this, HolderFromCookie(cookie));
    } else {
        m_pPage = new (std::nothrow) CPropTFMSine(this, HolderFromCookie(cookie));
    }
    if (m_pPage == nullptr) {
        ReleaseParamSet(target, cookie);
        return FALSE;
    }
    m_pPage->SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven);
    sheet.AddPage(m_pPage);
    return TRUE;
}

void CTFMSineWizard4::EndEditProperties() {
    if (m_pPage != nullptr) {
        ReleaseParamSet(RequestTarget(this), reinterpret_cast<DWORD_PTR>(m_pPage->GetParams()));
        delete m_pPage;
        m_pPage = nullptr;
    }
    CWizardBase4::EndEditProperties();
}

CWizardBase4* CTFMSineWizard4::Clone() { return new (std::nothrow) CTFMSineWizard4(this); }

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

BOOL CTFMSineWizard4::DoConvertWizard3Data(const void* data, long length) {
    // A page of its own: the page on the editor's sheet (if any) keeps its cookie.
    ScopedParamSet params{RequestTarget(this)};
    std::unique_ptr<CPropTFMSine> page(new (std::nothrow) CPropTFMSine(this, params.Holder()));
    if (page == nullptr) return TRUE;
    // The page starts from the wizard's own settings, so that data which ends early never
    // resets them to the page's defaults.
    page->SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven);
    {
        CResourceSwitch resources;
        if (!page->Create(kSineTemplate, nullptr)) return TRUE;
        page->ShowWindow(SW_HIDE);
    }
    page->ConvertWizard3Data(data, length);
    page->DestroyWindow();
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// The other wizards (their editing and older data are in wave_pages.cpp).

CTFMSawToothWizard4::CTFMSawToothWizard4(const CTFMSawToothWizard4* other) : CTimeFunctionWizardBase4(other) {
    if (other != nullptr) m_dwRamp = other->m_dwRamp;
}

CWizardBase4* CTFMSawToothWizard4::Clone() { return new (std::nothrow) CTFMSawToothWizard4(this); }

int CTFMSawToothWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (templ.Find(kImmanent) < 0) return 4;
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

CWizardBase4* CTFMPulseWizard4::Clone() { return new (std::nothrow) CTFMPulseWizard4(this); }
CWizardBase4* CTFMTriangleWizard4::Clone() { return new (std::nothrow) CTFMTriangleWizard4(this); }
CWizardBase4* CTFMTrapezWizard4::Clone() { return new (std::nothrow) CTFMTrapezWizard4(this); }

CTFMArcTangWizard4::CTFMArcTangWizard4(const CTFMArcTangWizard4* other) : CWizardBase4(other) {
    if (other != nullptr) m_strTime = other->m_strTime;
}

CWizardBase4* CTFMArcTangWizard4::Clone() { return new (std::nothrow) CTFMArcTangWizard4(this); }

void CTFMArcTangWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_strTime;
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    ar >> m_strTime;
}

CWizardBase4* CTFMVCOWizard4::Clone() { return new (std::nothrow) CTFMVCOWizard4(this); }

CWizardBase3* CTFMNeedleWizard::Clone() { return new (std::nothrow) CTFMNeedleWizard(this); }

// ---------------------------------------------------------------------------------------
// The sine page.

BEGIN_MESSAGE_MAP(CPropTFMSine, CTBPropertyPage)
    ON_BN_CLICKED(kCtlAmplitudeRadio, &CPropTFMSine::OnAmplitudeMode)
    ON_BN_CLICKED(kCtlRMSRadio, &CPropTFMSine::OnRMSMode)
    ON_CBN_KILLFOCUS(kIdPeriodical, &CPropTFMSine::OnFieldChanged)
    ON_CBN_SELCHANGE(kIdPeriodical, &CPropTFMSine::OnMarkModified)
    ON_BN_CLICKED(kCtlShowName, &CPropTFMSine::OnFieldChanged)
    ON_EN_CHANGE(kCtlName, &CPropTFMSine::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlFrequencyUnit, &CPropTFMSine::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlPeriodUnit, &CPropTFMSine::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlDelayUnit, &CPropTFMSine::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlPhaseUnit, &CPropTFMSine::OnFieldChanged)
    ON_BN_CLICKED(kIdOutput, &CPropTFMSine::OnDefaultOutput)
    ON_BN_CLICKED(kCtlPeriodCheck, &CPropTFMSine::OnPeriodCheck)
    ON_EN_CHANGE(kIdAmplitude, &CPropTFMSine::OnNumberChanged)
    ON_EN_CHANGE(kIdDelay, &CPropTFMSine::OnNumberChanged)
    ON_EN_CHANGE(kIdOffset, &CPropTFMSine::OnNumberChanged)
    ON_EN_CHANGE(kIdPhase, &CPropTFMSine::OnNumberChanged)
    ON_EN_CHANGE(kIdPeriod, &CPropTFMSine::OnNumberChanged)
    ON_EN_CHANGE(kCtlRMS, &CPropTFMSine::OnRMSChanged)
    ON_EN_CHANGE(kIdFrequency, &CPropTFMSine::OnFrequencyChanged)
    ON_BN_CLICKED(kCtlShow, &CPropTFMSine::OnShowGraphic)
    ON_WM_PAINT()
    ON_MESSAGE(kPreviewRefreshMessage, &CPropTFMSine::OnGraphicRefresh)
    ON_MESSAGE(kPreviewClosedMessage, &CPropTFMSine::OnGraphicClosed)
END_MESSAGE_MAP()

CPropTFMSine::CPropTFMSine() : CTBPropertyPage(kSineTemplate) {}

CPropTFMSine::CPropTFMSine(CTFMSineWizard4* wizard, ParamHolder* params)
    : CTBPropertyPage(kSineTemplate), m_pWizard(wizard), m_pParams(params) {
    SetLayout();
}

CPropTFMSine::~CPropTFMSine() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
    if (m_pPreview != nullptr) {
        if (m_pPreview->GetSafeHwnd() != nullptr) m_pPreview->DestroyWindow();
        delete m_pPreview;
        m_pPreview = nullptr;
    }
    DeletePoints();
}

void CPropTFMSine::SetLayout() {
    for (const ControlLayout& entry : kSineLayout) SetControlInfo(entry.id, entry.flags);
}

void CPropTFMSine::Rebind(CTFMSineWizard4* wizard, ParamHolder* params) {
    m_pWizard = wizard;
    m_pParams = params;
}

void CPropTFMSine::SetSineData(DWORD amplitudeMode, CString rmsText, BOOL periodGiven) {
    m_dwAmplitudeMode = amplitudeMode;
    m_strRMS = rmsText;
    m_bPeriodGiven = periodGiven ? TRUE : FALSE;
}

void CPropTFMSine::DeletePoints() {
    for (INT_PTR i = 0; i < m_Points.GetSize(); ++i) delete static_cast<CDataPoint*>(m_Points.GetAt(i));
    m_Points.RemoveAll();
}

void CPropTFMSine::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbPhase);
    DDX_Control(pDX, kCtlPeriodUnit, m_cmbPeriod);
    DDX_Control(pDX, kCtlFrequencyUnit, m_cmbFrequency);
    DDX_Control(pDX, kCtlDelayUnit, m_cmbDelay);
    DDX_Control(pDX, kCtlAmplitudeRadio, m_radAmplitude);
    DDX_Control(pDX, kCtlRMSRadio, m_radRMS);
    DDX_Control(pDX, kIdPeriodical, m_cmbPeriodical);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Check(pDX, kCtlPeriodCheck, m_bPeriodGiven);
    DDX_Text(pDX, kIdAmplitude, m_strAmplitude);
    DDX_Text(pDX, kCtlRMS, m_strRMS);
    DDX_Text(pDX, kIdDelay, m_strDelay);
    DDX_Text(pDX, kIdFrequency, m_strFrequency);
    DDX_Text(pDX, kCtlName, m_strName);
    DDX_Text(pDX, kIdOffset, m_strOffset);
    DDX_Text(pDX, kIdPhase, m_strPhase);
    DDX_Text(pDX, kIdPeriod, m_strPeriod);
    DDX_Check(pDX, kIdOutput, m_bOutput);
}

void CPropTFMSine::EnableControl(int id, BOOL enable) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable);
}

BOOL CPropTFMSine::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    m_cmbPeriodical.SetCurSel(0);
    CheckDlgButton(kCtlAmplitudeRadio, BST_CHECKED);
    UpdateData(FALSE);

    if (m_pParams != nullptr) {
        m_strName = m_pParams->m_strElementName;
        m_bShowName = m_pParams->m_dwShowName != 0;
        if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(m_pParams->m_SymbolTexts, m_strSymbolText);
    }
    if (m_pSymbol == nullptr) {
        m_pSymbol = new CTBDrawSymbol(CRect(0, 0, 0, 0));
        CResourceSwitch resources;
        m_pSymbol->LoadSymbols(m_strSymbolText);
    }
    for (CTBUnitComboBox* combo : {&m_cmbPhase, &m_cmbPeriod, &m_cmbFrequency, &m_cmbDelay}) combo->DisableFlatLook(TRUE);

    const struct {
        WORD id;
        CString* text;
        CTBUnitComboBox* units;
    } fields[] = {
        {kIdAmplitude, &m_strAmplitude, nullptr}, {kIdOffset, &m_strOffset, nullptr},
        {kIdFrequency, &m_strFrequency, &m_cmbFrequency}, {kIdPeriod, &m_strPeriod, &m_cmbPeriod},
        {kIdDelay, &m_strDelay, &m_cmbDelay}, {kIdPhase, &m_strPhase, &m_cmbPhase},
    };
    const int count = m_pParams ? m_pParams->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeInput) == 0) continue;
        const WORD id = param->GetValueID();
        if (id == kIdPeriodical) {
            m_cmbPeriodical.SetCurSel(TBExtended_atof(param->GetValue(), "") == 0.0 ? 1 : 0);
            continue;
        }
        for (const auto& field : fields) {
            if (field.id != id) continue;
            *field.text = param->GetValue();
            if (field.units != nullptr) {
                field.units->CreateDialogControl(param->GetQuantity());
                field.units->SelectString(-1, param->GetUsedUnit());
            }
        }
    }
    GetSDBOutput(m_pParams, kIdOutput, &m_bOutput);

    UpdateData(FALSE);
    if (m_radAmplitude.GetSafeHwnd() != nullptr && m_radRMS.GetSafeHwnd() != nullptr) {
        CheckDlgButton(kCtlAmplitudeRadio, m_dwAmplitudeMode ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kCtlRMSRadio, m_dwAmplitudeMode ? BST_UNCHECKED : BST_CHECKED);
        UpdateData(FALSE);
        UpdateData(TRUE);
        ApplyAmplitudeMode(m_dwAmplitudeMode != 0);
    }
    SetModified(FALSE);
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableControl(kIdPeriod, m_bPeriodGiven);
    EnableParamControls();
    UpdateShowButton();
    return TRUE;
}

BOOL CPropTFMSine::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutput, &m_bOutput);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    SetModified(FALSE);
    EnableParamControls();
    return CTBPropertyPage::OnSetActive();
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

void CPropTFMSine::OnPeriodCheck() {
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableControl(kIdPeriod, m_bPeriodGiven);
    EnableParamControls();
}

void CPropTFMSine::OnDefaultOutput() {
    const BOOL before = m_bOutput;
    UpdateData(TRUE);
    SetModified(TRUE);
    m_bOutput = before ? FALSE : TRUE;
    SetSDBOutput(m_pParams, kIdOutput, m_bOutput);
    CheckDlgButton(kIdOutput, m_bOutput ? BST_CHECKED : BST_UNCHECKED);
}

void CPropTFMSine::OnFieldChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropTFMSine::OnMarkModified() { SetModified(TRUE); }

void CPropTFMSine::OnNumberChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateShowButton();
}

void CPropTFMSine::OnRMSChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateAmplitudeFromRMS();
    UpdateShowButton();
}

void CPropTFMSine::OnFrequencyChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdatePeriodFromFrequency();
    UpdateShowButton();
}

// Text set from code sends no notification, so the members follow the window texts here.
void CPropTFMSine::UpdatePeriodFromFrequency() {
    if (m_bPeriodGiven) return;
    double frequency = 0.0;
    if (ParseFinite(m_strFrequency, &frequency)) {
        if (frequency == 0.0) return;
        const double period = 1.0 / frequency;
        m_strPeriod = std::isfinite(period) ? TBExtended_ftoa(period, -1, 0, "") : "1/(" + m_strFrequency + ")";
    } else {
        m_strPeriod = "1/(" + m_strFrequency + ")";
    }
    if (GetSafeHwnd() != nullptr) SetDlgItemText(kIdPeriod, m_strPeriod);
}

void CPropTFMSine::UpdateAmplitudeFromRMS() {
    if (GetSafeHwnd() == nullptr || IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED) return;
    double rms = 0.0;
    const bool number = ParseFinite(m_strRMS, &rms) && std::isfinite(std::sqrt(2.0) * rms);
    m_strAmplitude = number ? TBExtended_ftoa(std::sqrt(2.0) * TBExtended_atof(m_strRMS, ""), -1, 0, "")
                            : m_strRMS + " * sqrt(2.0)";
    SetDlgItemText(kIdAmplitude, m_strAmplitude);
}

void CPropTFMSine::UpdateShowButton() {
    EnableControl(kCtlShow, FALSE);
    for (const CString* text : {&m_strAmplitude, &m_strFrequency, &m_strPhase, &m_strPeriod, &m_strDelay, &m_strOffset})
        if (!ParseFinite(*text, nullptr)) return;
    EnableControl(kCtlShow, TRUE);
}

BOOL CPropTFMSine::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    UpdateData(TRUE);
    m_pParams->m_strElementName = m_strName;
    m_pParams->m_dwShowName = m_bShowName ? 1 : 0;
    UpdateAmplitudeFromRMS();
    UpdatePeriodFromFrequency();
    // The derived texts were set from code; the members take the windows' texts again.
    UpdateData(TRUE);

    const struct {
        WORD id;
        const CString* text;
        CTBUnitComboBox* units;
    } fields[] = {
        {kIdAmplitude, &m_strAmplitude, nullptr}, {kIdDelay, &m_strDelay, &m_cmbDelay},
        {kIdFrequency, &m_strFrequency, &m_cmbFrequency}, {kIdOffset, &m_strOffset, nullptr},
        {kIdPeriod, &m_strPeriod, &m_cmbPeriod}, {kIdPhase, &m_strPhase, &m_cmbPhase},
    };
    for (int i = 0; i < m_pParams->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeInput) == 0) continue;
        const WORD id = param->GetValueID();
        if (id == kIdPeriodical) {
            param->SetValue(TBExtended_ftoa(m_cmbPeriodical.GetCurSel() == 0 ? 1.0 : 0.0, -1, 0, ""));
            continue;
        }
        for (const auto& field : fields) {
            if (field.id != id) continue;
            param->SetValue(*field.text);
            // A list without units (no quantity) leaves the used unit as it is.
            if (field.units != nullptr && field.units->GetSafeHwnd() != nullptr && field.units->GetCount() > 0) {
                CString unit;
                field.units->GetWindowText(unit);
                param->SetUsedUnit(unit);
            }
        }
    }
    if (m_radAmplitude.GetSafeHwnd() != nullptr)
        m_dwAmplitudeMode = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED ? 1 : 0;
    if (m_pWizard != nullptr) m_pWizard->SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven);
    if (!CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    if (m_pPreview != nullptr && m_pPreview->GetSafeHwnd() != nullptr) {
        CalculateGraphic();
        HandPointsOver();
        m_pPreview->Invalidate(FALSE);
        m_pPreview->UpdateWindow();
    }
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropTFMSine::OnPaint() {
    CPaintDC dc(this);
    CRect rect;
    GetDlgItemRectInDlg(&rect, kCtlSymbolFrame, this);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    dc.DPtoLP(corners, 2);
    rect = CRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc.SelectObject(&pen);
    if (m_pSymbol == nullptr) {
        m_pSymbol = new CTBDrawSymbol(rect);
        m_pSymbol->LoadSymbols(m_strSymbolText);
    }
    m_pSymbol->Draw(&dc, rect);
    dc.SelectObject(oldPen);
}

void CPropTFMSine::HandPointsOver() {
    if (m_pPreview != nullptr) m_pPreview->SetPointArray(&m_Points);
}

void CPropTFMSine::OnShowGraphic() {
    UpdateData(TRUE);
    {
        CResourceSwitch resources;
        SetDlgItemText(kCtlShow, LoadLibraryString(kStringUpdate));
    }
    if (m_pPreview != nullptr && m_pPreview->GetSafeHwnd() != nullptr) {
        CalculateGraphic();
        HandPointsOver();
        m_pPreview->Invalidate(FALSE);
        m_pPreview->UpdateWindow();
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

LRESULT CPropTFMSine::OnGraphicRefresh(WPARAM, LPARAM) {
    UpdateData(TRUE);
    if (m_pPreview != nullptr) {
        CalculateGraphic();
        HandPointsOver();
    }
    return 0;
}

LRESULT CPropTFMSine::OnGraphicClosed(WPARAM, LPARAM) {
    CResourceSwitch resources;
    SetDlgItemText(kCtlShow, LoadLibraryString(kStringShow));
    return 0;
}

SineCurve CPropTFMSine::CurveFromFields() {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    // The texts in the parameters' own units; a conversion that fails keeps the text.
    const struct {
        WORD id;
        const CString* text;
        CTBUnitComboBox* units;
    } converted[] = {
        {kIdFrequency, &m_strFrequency, &m_cmbFrequency},
        {kIdPeriod, &m_strPeriod, &m_cmbPeriod},
        {kIdDelay, &m_strDelay, &m_cmbDelay},
        {kIdPhase, &m_strPhase, &m_cmbPhase},
    };
    CString copies[4];
    for (int i = 0; i < 4; ++i) {
        copies[i] = *converted[i].text;
        CWizardCopaObject3* param = FindParamByValueID(m_pParams, converted[i].id);
        if (param == nullptr || converted[i].units->GetSafeHwnd() == nullptr) continue;
        CString unit;
        converted[i].units->GetWindowText(unit);
        CString out;
        if (TBConvertUnits(param->GetQuantity(), unit, *converted[i].text, param->GetUnit(), out)) copies[i] = out;
    }
    SineCurve curve;
    curve.frequency = TBExtended_atof(copies[0], "");
    curve.period = TBExtended_atof(copies[1], "");
    curve.amplitude = TBExtended_atof(m_strAmplitude, "");
    curve.phase = TBExtended_atof(copies[3], "");
    curve.offset = TBExtended_atof(m_strOffset, "");
    curve.delay = TBExtended_atof(copies[2], "");
    curve.periodic = m_cmbPeriodical.GetSafeHwnd() == nullptr || m_cmbPeriodical.GetCurSel() == 0;
    curve.periodGiven = m_bPeriodGiven != 0;
    if (IsDlgButtonChecked(kCtlRMSRadio) == BST_CHECKED) curve.amplitude = std::sqrt(2.0) * TBExtended_atof(m_strRMS, "");
    return curve;
}

void CPropTFMSine::CalculateGraphic() {
    const SineCurve curve = CurveFromFields();
    DeletePoints();
    for (const CurvePoint& point : ComputeSinePoints(curve)) m_Points.Add(new CDataPoint(point.t, point.y));
}

void CPropTFMSine::Serialize(CArchive& ar) {
    const bool window = GetSafeHwnd() != nullptr;
    if (ar.IsStoring()) {
        if (window) UpdateData(TRUE);
        if (m_radAmplitude.GetSafeHwnd() != nullptr)
            m_dwAmplitudeMode = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED ? 1 : 0;
        ar.SerializeClass(RUNTIME_CLASS(CPropTFMSine));
        ar << g_dwPageVersion;
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
        if (version >= 1 && version <= 9) {
            DWORD phaseUnit = 0;
            ar >> phaseUnit;
            const char* unit = phaseUnit == 1 ? "rad" : "deg";
            if (window) {
                if (m_cmbPhase.GetSafeHwnd() != nullptr) m_cmbPhase.SelectString(-1, unit);
                if (CWizardCopaObject3* phase = FindParamByValueID(m_pParams, kIdPhase)) phase->SetUsedUnit(unit);
            }
        }
    } catch (CArchiveException* e) {
        e->Delete();
    }
    if (!window) return;
    UpdateData(FALSE);
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableControl(kIdPeriod, m_bPeriodGiven);
    EnableParamControls();
    ApplyAmplitudeMode(m_dwAmplitudeMode != 0);
}

// Element data of the older wizard generation, all numbers little-endian DWORDs: two words
// that are not used, a length and that many bytes that are skipped, a length and that many
// bytes of the page's own block, a trailing word. Only whole fields are read and every
// length is checked against what remains; a part that does not fit ends the reading. The
// settings go to the wizard in every case, also without data.
void CPropTFMSine::ConvertWizard3Data(const void* data, long length) {
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    DWORD word = 0;
    DWORD skipped = 0;
    bool intact = in.ReadDword(word) && in.ReadDword(word) && in.ReadDword(skipped) && in.SkipBytes(skipped);
    DWORD block = 0;
    intact = intact && in.ReadDword(block) && in.Fits(block);
    if (intact && block >= 1) {
        ReadArchivedBlock(in.Position(), block, [this](CArchive& ar) { Serialize(ar); });
        in.SkipBytes(block);
    }
    if (intact) in.ReadDword(word);
    if (m_pWizard != nullptr) m_pWizard->SetSineData(m_dwAmplitudeMode, m_strRMS, m_bPeriodGiven);
}
