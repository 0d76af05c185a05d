#include "blocks_math/fft_block.h"

#include "blocks_math/static_blocks.h"
#include "framework/dialog_controls.h"
#include "framework/field_exchange.h"
#include "framework/indexed_family.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "toolkit/tb_numbers.h"

#include <cctype>
#include <cmath>

using namespace qv::blocks;

namespace {

constexpr WORD kIdType = 2080;
constexpr WORD kIdDelay = 2040;
constexpr WORD kIdCutOff = 2296;
constexpr WORD kIdFilter = 2298;
constexpr WORD kIdWindow = 2299;
constexpr WORD kIdFundamental = 2038;
constexpr WORD kIdScan = 2202;
constexpr WORD kIdOutputs = 2302;
constexpr WORD kIdPhase = 1000;
constexpr WORD kIdPhaseDeg = 1001;
using qv::dialog::kCtlDelayUnit;
constexpr int kCtlCutOffUnit = 2513;
constexpr int kCtlFilterUnit = 2514;
constexpr int kCtlScanPin = 2074;

constexpr ControlLayout kFftLayout[] = {
    {2072, 77}, {2146, 33}, {2039, 33},
    {2185, 33}, {2295, 33}, {2297, 33}, {2300, 33}, {2037, 33}, {2182, 33}, {2080, 97},
    {2040, 97}, {2296, 97}, {2298, 97}, {2299, 97}, {2038, 97}, {2186, 97}, {2202, 97},
    {2073, 32}, {2074, 32}, {2513, 48}, {2512, 48}, {2514, 48}, {2017, 78}, {2302, 78},
};

// Row texts: strings 2756 to 2760 for rows 0 to 4, then 2761 with the harmonic number k - 1.
CString RowText(int row) {
    if (row < 5) return LoadLibraryString(2756 + row);
    return FillOneConversion(LoadLibraryString(2761), 'd', row - 1, CString());
}

// A copy of a template named for row k, its output off.
CWizardCopaObject3* NewRowOutput(ParamHolder* holder, const CWizardCopaObject3* templ, const char* family, int row) {
    CWizardCopaObject3* member = qv::family::AppendMember(holder, templ, row);
    if (member == nullptr) return nullptr;
    CString name;
    name.Format("%s[%d]", family, row);
    member->SetName(name);
    member->SetDescriptionMap(CLanguageTextMap());
    member->SetDescriptionByLangID(0, "");
    return member;
}

// One term: a name or a number, nothing that joins two operands.
bool IsOneTerm(const CString& text) {
    if (text.IsEmpty()) return false;
    for (int i = 0; i < text.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!(std::isalnum(c) || c == '_' || c == '.')) return false;
    }
    return true;
}

// One bracketed group: "(" at the start whose partner is the last character.
bool IsOneGroup(const CString& text) {
    if (text.GetLength() < 2 || text[0] != '(' || text[text.GetLength() - 1] != ')') return false;
    int depth = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && --depth == 0 && i != text.GetLength() - 1) return false;
    }
    return depth == 0;
}

// The index of an entry stored as a number; -1 when it names no entry of the list.
int StoredIndex(const CString& value, int entries) {
    const double number = std::trunc(TBExtended_atof(value, ""));
    if (!std::isfinite(number) || number < 0 || number >= entries) return -1;
    return static_cast<int>(number);
}

} // namespace

namespace qv::blocks {

CString FrequencyPeriodText(const CString& text) {
    CString trimmed = text;
    trimmed.TrimLeft();
    trimmed.TrimRight();
    double number = 0.0;
    if (qv::ParsePrefixedNumber(trimmed, &number) && std::isfinite(number)) {
        if (number == 0.0) return CString("0");
        return TBExtended_ftoa(1.0 / number, -1, 0, "");
    }
    if (trimmed.Left(2) == "1/") {
        CString rest = trimmed.Mid(2);
        rest.TrimLeft();
        rest.TrimRight();
        if (IsOneGroup(rest)) return rest.Mid(1, rest.GetLength() - 2);
        // A number with an exponent or a sign is one term too ("1/7e-05" is the period 7e-05).
        double divisor = 0.0;
        if (IsOneTerm(rest) || qv::ParsePrefixedNumber(rest, &divisor)) return rest;
    }
    CString wrapped;
    wrapped.Format("1/(%s)", static_cast<const char*>(trimmed));
    return wrapped;
}

} // namespace qv::blocks

// ---------------------------------------------------------------------------------------
// CPropFFTBlock

IMPLEMENT_DYNCREATE(CPropFFTBlock, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CFFTBlockWizard, CWizardBase3)

// The lists whose choices mark the page modified.
constexpr int kFFTBlockChoices[] = {kIdType, kIdWindow, kCtlDelayUnit, kCtlCutOffUnit, kCtlFilterUnit};
// The fields whose edits mark the page modified.
constexpr int kFFTBlockEdits[] = {kIdFilter, kIdDelay, kIdCutOff, kIdScan, kIdFundamental};

BEGIN_MESSAGE_MAP(CPropFFTBlock, COlderBaseInputBlockPage)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kFFTBlockChoices, &CPropFFTBlock::OnMarkModified)
    ON_BN_CLICKED(kCtlScanPin, &CPropFFTBlock::OnScanPin)
    ON_LISTED_CONTROLS(EN_CHANGE, kFFTBlockEdits, &CPropFFTBlock::OnMarkModified)
    ON_LBN_SELCHANGE(kIdOutputs, &CPropFFTBlock::OnOutputListSelChange)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropFFTBlock, COlderBaseInputBlockPage, kFftTemplate, kFftLayout)

void CPropFFTBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseInputBlockPage::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{kCtlCutOffUnit, m_cmbCutOffUnit}, {kCtlDelayUnit, m_cmbDelayUnit},
                                      {kCtlFilterUnit, m_cmbFilterUnit}, {kIdOutputs, m_lstOutputs},
                                      {kIdWindow, m_cmbWindow}, {kIdType, m_cmbType}});
    DDX_Check(pDX, kCtlScanPin, m_bScanPin);
    qv::pages::ExchangeTexts(pDX, {{kIdFilter, m_strFilter}, {kIdDelay, m_strDelay}, {kIdCutOff, m_strCutOff},
                                   {kIdScan, m_strScan}, {kIdFundamental, m_strFundamental}});
}

BOOL CPropFFTBlock::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    m_cmbType.SetCurSel(0);
    m_cmbWindow.SetCurSel(0);
    m_cmbCutOffUnit.DisableFlatLook(TRUE);
    m_cmbDelayUnit.DisableFlatLook(TRUE);
    m_cmbFilterUnit.DisableFlatLook(TRUE);
    UpdateData(FALSE);
    {
        CResourceSwitch resources;
        for (int row = 0; row < kFftRows; ++row) m_lstOutputs.InsertString(row, RowText(row));
    }
    ForEachPageInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdType:
        case kIdWindow: {
            CComboBox& combo = param->GetValueID() == kIdType ? m_cmbType : m_cmbWindow;
            // An index the list does not have selects no entry (and apply then keeps it).
            combo.SetCurSel(StoredIndex(param->GetValue(), combo.GetCount()));
            break;
        }
        case kIdDelay:
        case kIdCutOff:
        case kIdFilter: {
            const WORD id = param->GetValueID();
            (id == kIdDelay ? m_strDelay : id == kIdCutOff ? m_strCutOff : m_strFilter) = param->GetValue();
            CTBUnitComboBox& unit = id == kIdDelay ? m_cmbDelayUnit : id == kIdCutOff ? m_cmbCutOffUnit : m_cmbFilterUnit;
            ShowUnitsOf(unit, param);
            break;
        }
        case kIdFundamental:
            m_strFundamental = FrequencyPeriodText(param->GetValue());
            m_fundamentalShown.Load(param->GetValue(), m_strFundamental);
            break;
        case kIdInputSignal:
            if (param->HasPin()) m_bInputPin = TRUE;
            m_strInput = param->GetValue();
            break;
        case kIdScan:
            if (param->HasPin()) m_bScanPin = TRUE;
            m_strScan = FrequencyPeriodText(param->GetValue());
            m_scanShown.Load(param->GetValue(), m_strScan);
            break;
        default:
            break;
        }
    });
    UpdateData(FALSE);
    UpdateAmplitudeOutputs();
    UpdatePhaseOutputs();
    SetModified(FALSE);
    EnableFieldsByPin();
    return TRUE;
}

void CPropFFTBlock::UpdateAmplitudeOutputs() {
    if (m_pExchange == nullptr || m_lstOutputs.GetSafeHwnd() == nullptr) return;
    for (int i = 0; i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        // Members marked deleted are no outputs of the element any more.
        if (param == nullptr || param->IsDeleted()) continue;
        if (param->GetValueID() != kIdOutputs || (param->GetType() & kParamTypeOutput) == 0) continue;
        const int row = GetBracketIndex(param->GetName());
        if (row == -1) {
            m_pAmplitudeTemplate = param;
            continue;
        }
        if (row < 0 || row >= kFftRows) continue;
        m_lstOutputs.SetItemData(row, reinterpret_cast<DWORD_PTR>(param));
        BOOL on = FALSE;
        if (GetSDBOutputForParam(m_pExchange, param, &on)) m_lstOutputs.SetCheck(row, on ? 1 : 0);
    }
    if (m_pAmplitudeTemplate == nullptr) return;
    for (int row = 0; row < kFftRows; ++row) {
        if (m_lstOutputs.GetItemData(row) != 0) continue;
        CWizardCopaObject3* member = NewRowOutput(m_pExchange, m_pAmplitudeTemplate, "AMPL", row);
        if (member != nullptr) m_lstOutputs.SetItemData(row, reinterpret_cast<DWORD_PTR>(member));
    }
}

void CPropFFTBlock::UpdatePhaseOutputs() {
    if (m_pExchange == nullptr) return;
    bool phase[kFftRows] = {};
    bool phaseDeg[kFftRows] = {};
    CWizardCopaObject3* phaseTemplate = nullptr;
    CWizardCopaObject3* phaseDegTemplate = nullptr;
    for (int i = 0; i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        if (param == nullptr) continue;
        const WORD id = param->GetValueID();
        if (id != kIdPhase && id != kIdPhaseDeg) continue;
        if (param->GetType() & kParamTypeNoList) {
            (id == kIdPhase ? phaseTemplate : phaseDegTemplate) = param;
            continue;
        }
        // A member marked deleted does not count as present.
        const int row = GetBracketIndex(param->GetName());
        if (!param->IsDeleted() && row >= 0 && row < kFftRows) (id == kIdPhase ? phase : phaseDeg)[row] = true;
    }
    if (phaseTemplate == nullptr || phaseDegTemplate == nullptr) return;
    for (int row = 0; row < kFftRows; ++row)
        if (!phase[row]) NewRowOutput(m_pExchange, phaseTemplate, "PHI", row);
    for (int row = 0; row < kFftRows; ++row)
        if (!phaseDeg[row]) NewRowOutput(m_pExchange, phaseDegTemplate, "PHIDEG", row);
}

void CPropFFTBlock::EnableFieldsByPin() {
    for (WORD id : {kIdType, kIdDelay, kIdCutOff, kIdFilter, kIdWindow, kIdFundamental})
        if (CWnd* field = GetDlgItem(id)) field->EnableWindow(IsParamNotOnPin(m_pExchange, id));
}

void CPropFFTBlock::OnOutputListSelChange() {
    const int row = m_lstOutputs.GetCurSel();
    if (row < 0 || row >= m_lstOutputs.GetCount()) return;
    auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstOutputs.GetItemData(row));
    if (param == nullptr) return;
    // The third argument means "off": a checked row switches its output on.
    SetSDBOutputForParam(m_pExchange, param, m_lstOutputs.GetCheck(row) ? FALSE : TRUE);
}

void CPropFFTBlock::OnScanPin() { ClickPinBox(m_bScanPin, kIdScan); }

BOOL CPropFFTBlock::OnSetActive() {
    UpdateAmplitudeOutputs();
    ShowSwitchesAndPins({}, {{&m_bInputPin, kIdInputSignal}, {&m_bScanPin, kIdScan}});
    EnableFieldsByPin();
    return CPropertyPage::OnSetActive();
}

BOOL CPropFFTBlock::OnApply() {
    // A frequency the page writes as its period is above 0 where it is a number: 0 or less
    // gives no period. So is the period it gives where that is a number ("1/(0)" gives the
    // period 0). A name or a formula is the model text's to check.
    UpdateData(TRUE);
    for (const auto& [control, text] : {std::pair<int, const CString*>{kIdFundamental, &m_strFundamental},
                                        std::pair<int, const CString*>{kIdScan, &m_strScan}}) {
        CString trimmed = *text;
        trimmed.TrimLeft();
        trimmed.TrimRight();
        const CString period = FrequencyPeriodText(trimmed);
        double number = 0.0;
        const bool positive = qv::pages::ReadsAsNumber(period, qv::pages::NumberNeeded::Positive);
        const bool refused = (qv::ParsePrefixedNumber(trimmed, &number) &&
                              !(qv::pages::ReadsAsNumber(trimmed, qv::pages::NumberNeeded::Positive) && positive)) ||
                             (qv::ParsePrefixedNumber(period, &number) && !positive);
        // An empty text is no number: the field is refused unless the page hides or disables it.
        if (refused && !qv::pages::RefuseUnlessNumber(*this, control, CString(), qv::pages::NumberNeeded::Positive))
            return FALSE;
    }
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    ForEachPageInput([&](CWizardCopaObject3* param) {
        CString unit;
        switch (param->GetValueID()) {
        case kIdType:
        case kIdWindow: {
            const int index = (param->GetValueID() == kIdType ? m_cmbType : m_cmbWindow).GetCurSel();
            // Without a selected entry the stored index stays.
            if (index >= 0) param->SetValue(TBExtended_ftoa(index, -1, 0, ""));
            break;
        }
        case kIdDelay:
            param->SetValue(m_strDelay);
            m_cmbDelayUnit.GetWindowText(unit);
            param->SetUsedUnit(unit);
            break;
        case kIdCutOff:
            param->SetValue(m_strCutOff);
            m_cmbCutOffUnit.GetWindowText(unit);
            param->SetUsedUnit(unit);
            break;
        case kIdFilter:
            param->SetValue(m_strFilter);
            m_cmbFilterUnit.GetWindowText(unit);
            param->SetUsedUnit(unit);
            break;
        case kIdFundamental:
            param->SetValue(m_fundamentalShown.ToStore(m_strFundamental, FrequencyPeriodText(m_strFundamental)));
            break;
        case kIdScan:
            param->SetValue(m_scanShown.ToStore(m_strScan, FrequencyPeriodText(m_strScan)));
            break;
        case kIdInputSignal:
            param->SetValue(m_strInput);
            break;
        default:
            break;
        }
    });
    return EndApply();
}
