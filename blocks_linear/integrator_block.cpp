#include "blocks_linear/integrator_block.h"

#include "afx/archive.h"
#include "framework/data_classes.h"
#include "framework/field_exchange.h"
#include "framework/listed_controls.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "toolkit/tb_numbers.h"

#include <cstring>
#include <optional>
#include <vector>

IMPLEMENT_SERIAL(CPropIntegratorBlock, CTBPropertyPage, VERSIONABLE_SCHEMA | qv::blocks::kIntegratorPageVersion)
IMPLEMENT_DYNAMIC(CIntegratorBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CDiscreteIntegratorBlockWizard, CWizardBase3)

using namespace qv::blocks;
using qv::pages::EnableDlgControl;

namespace qv::blocks {

namespace {
// A limit or initial value as the check compares it: a number (an empty text is 0), or none
// for a name or a formula, whose value only the simulation knows.
std::optional<double> ComparedNumber(const CString& text) {
    CString trimmed = text;
    if (trimmed.Trim().IsEmpty()) return 0.0;
    double value = 0.0;
    if (!qv::ParsePrefixedNumber(trimmed, &value)) return std::nullopt;
    return value;
}
} // namespace

UINT CheckLimitTexts(const CString& upper, const CString& lower, const CString& initial) {
    // Only what reads as numbers is compared: "2*3" is no 2, and a name is no 0.
    const std::optional<double> up = ComparedNumber(upper);
    const std::optional<double> low = ComparedNumber(lower);
    const std::optional<double> init = ComparedNumber(initial);
    if (up && low && *up == 0.0 && *low == 0.0) return 0;
    if (up && low && !(*up > *low)) return 8023;
    if (init && ((up && *init > *up) || (low && *init < *low))) return 8024;
    return 0;
}

} // namespace qv::blocks

namespace {

using qv::pages::ControlLayout;
constexpr ControlLayout kIntegratorLayout[] = {
    {.id = 2072, .flags = 15},  {.id = 2180, .flags = 33},  {.id = 2181, .flags = 97},  {.id = 2184, .flags = 48},
    {.id = 2187, .flags = 98},  {.id = 2149, .flags = 33},  {.id = 2151, .flags = 97},  {.id = 2150, .flags = 48},
    {.id = 2152, .flags = 98},  {.id = 2388, .flags = 131}, {.id = 2387, .flags = 1},   {.id = 2192, .flags = 33},
    {.id = 2193, .flags = 97},  {.id = 2075, .flags = 33},  {.id = 2194, .flags = 48},  {.id = 2195, .flags = 98},
    {.id = 2196, .flags = 48},  {.id = 2197, .flags = 98},  {.id = 2182, .flags = 33},  {.id = 2183, .flags = 97},
    {.id = 2400, .flags = 48},  {.id = 2202, .flags = 97},  {.id = 2074, .flags = 33},  {.id = 2185, .flags = 48},
    {.id = 2186, .flags = 98},  {.id = 2073, .flags = 32},  {.id = 2017, .flags = 11},  {.id = 2056, .flags = 9},
};

// Fields whose enabling follows only their own pin bit.
constexpr WORD kPinFollowers[] = {kIdIntegralGain, kIdInitialValue, kIdUpperLimit, kIdLowerLimit};

// The reset counts as active for a signal name, an empty text or a number other than 0.
bool ResetSignalActive(const CString& text) {
    double value = 0.0;
    if (!ParseValueWithPrefix(text, &value)) return true;
    return value != 0.0;
}

void PutDword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// A DWORD at pos when four bytes remain there.
bool GetDword(const BYTE* data, uint64_t length, uint64_t pos, DWORD* value) {
    if (pos + 4 > length) return false;
    DWORD v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<DWORD>(data[pos + i]) << (8 * i);
    *value = v;
    return true;
}

} // namespace

// The fields whose edits mark the page modified.
constexpr int kIntegratorBlockEdits[] = {kIdIntegralGain, kIdInitialValue, kIdLowerLimit, kIdResetSignal, kIdResetValue, kIdUpperLimit, kIdSampleTimeField, kIdTriggerSetting};

BEGIN_MESSAGE_MAP(CPropIntegratorBlock, COlderBaseSampledBlockPage)
    ON_LISTED_CONTROLS(EN_CHANGE, kIntegratorBlockEdits, &CPropIntegratorBlock::OnMarkModified)
    ON_BN_CLICKED(kCtlResetPin, &CPropIntegratorBlock::OnResetPin)
    ON_BN_CLICKED(kCtlReset, &CPropIntegratorBlock::OnResetToggle)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropIntegratorBlock, COlderBaseSampledBlockPage, kIntegratorTemplate, kIntegratorLayout)

void CPropIntegratorBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseSampledBlockPage::DoDataExchange(pDX);
    qv::pages::ExchangeChecks(pDX, {{kCtlResetPin, m_bResetPin}, {kCtlReset, m_bReset}});
    qv::pages::ExchangeTexts(pDX, {{kIdIntegralGain, m_strGain}, {kIdInitialValue, m_strInitial},
                                   {kIdLowerLimit, m_strLower}, {kIdResetSignal, m_strResetSignal},
                                   {kIdResetValue, m_strResetValue}, {kIdUpperLimit, m_strUpper},
                                   {kIdSampleTimeField, m_strSampleTime}, {kIdTriggerSetting, m_strTrigger}});
}

void CPropIntegratorBlock::EnableResetControls(BOOL on) {
    for (int id : {int(kIdResetSignal), kCtlResetPin, int(kIdResetValue), int(kIdTriggerSetting)}) EnableDlgControl(*this, id, on);
}

void CPropIntegratorBlock::EnableByPin() {
    for (WORD id : kPinFollowers) EnableDlgControl(*this, id, IsParamNotOnPin(m_pExchange, id));
    if (m_bReset) EnableDlgControl(*this, kIdResetValue, IsParamNotOnPin(m_pExchange, kIdResetValue));
}

BOOL CPropIntegratorBlock::OnInitDialog() {
    OpenSampledPage();
    ForEachPageInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdIntegralGain: m_strGain = param->GetValue(); break;
        case kIdInitialValue: m_strInitial = param->GetValue(); break;
        case kIdUpperLimit: m_strUpper = param->GetValue(); break;
        case kIdLowerLimit: m_strLower = param->GetValue(); break;
        case kIdResetValue: m_strResetValue = param->GetValue(); break;
        case kIdTriggerSetting: m_strTrigger = param->GetValue(); break;
        case kIdSampleTime:
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
            break;
        case kIdInputSignal: TakeInputParam(param); break;
        case kIdResetSignal:
            m_strResetSignal = param->GetValue();
            if (param->HasPin()) m_bResetPin = TRUE;
            break;
        case kIdSampleTimeField:
            m_strSampleTime = param->GetValue();
            if (param->HasPin()) m_bSampleTimePin = TRUE;
            ShowUnitsOf(m_cmbUnit, param);
            break;
        default: break;
        }
    });
    // Taken before the stored page state may put its own reset signal in.
    const bool active = ResetSignalActive(m_strResetSignal);
    ShowBlockOutput();
    LoadFromBuffer();
    if (active) {
        m_bReset = TRUE;
        UpdateData(FALSE);
        UpdateData(TRUE);
        SetModified(TRUE);
    }
    EnableResetControls(m_bReset);
    SetModified(FALSE);
    if (CWnd* list = GetDlgItem(kIdSampleTime)) list->ShowWindow(SW_SHOW);
    if (CWnd* field = GetDlgItem(kIdSampleTimeField)) field->ShowWindow(SW_HIDE);
    EnableByPin();
    return TRUE;
}

BOOL CPropIntegratorBlockD::OnInitDialog() {
    const BOOL result = CPropIntegratorBlock::OnInitDialog();
    if (CWnd* list = GetDlgItem(kIdSampleTime)) list->ShowWindow(SW_HIDE);
    if (CWnd* field = GetDlgItem(kIdSampleTimeField)) field->ShowWindow(SW_SHOW);
    return result;
}

BOOL CPropIntegratorBlock::OnSetActive() {
    // The reset's and the sample time's boxes stand for more than one field each.
    GetParamUsePin(m_pExchange, kIdResetSignal, &m_bResetPin);
    GetParamUsePin(m_pExchange, kIdSampleTime, &m_bSampleTimePin);
    GetParamUsePin(m_pExchange, kIdSampleTimeField, &m_bSampleTimePin);
    ShowSwitchesAndPins({{&m_bOutput, kIdBlockOutput}}, {{&m_bInputPin, kIdInputSignal}});
    OnSampleTimePin();
    OnResetPin();
    SetModified(FALSE);
    EnableByPin();
    return CPropertyPage::OnSetActive();
}

void CPropIntegratorBlock::OnResetToggle() {
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableResetControls(m_bReset);
}

void CPropIntegratorBlock::OnResetPin() {
    UpdateData(TRUE);
    EnableDlgControl(*this, kIdResetSignal, m_bReset && !m_bResetPin);
    SetModified(TRUE);
    SetParamUsePin(m_pExchange, kIdResetSignal, m_bResetPin);
}

void CPropIntegratorBlock::OnSampleTimePin() {
    UpdateData(TRUE);
    EnableDlgControl(*this, kIdSampleTimeField, !m_bSampleTimePin);
    EnableDlgControl(*this, kIdSampleTime, !m_bSampleTimePin);
    SetParamUsePin(m_pExchange, kIdSampleTimeField, m_bSampleTimePin);
    SetParamUsePin(m_pExchange, kIdSampleTime, m_bSampleTimePin);
    SetModified(TRUE);
}

BOOL CPropIntegratorBlock::CheckLimits(CString* message) {
    const UINT refusal = CheckLimitTexts(m_strUpper, m_strLower, m_strInitial);
    if (refusal != 0 && message != nullptr) *message = LoadLibraryString(refusal);
    return refusal == 0;
}

BOOL CPropIntegratorBlock::OnApply() {
    if (m_pExchange == nullptr) return FALSE;
    // The limits are checked before anything is written (values, name, the wizard's state): a
    // refused apply leaves them as they were, so that a later commit (an output switch commits
    // at once) cannot carry them.
    UpdateData(TRUE);
    CString message;
    if (!CheckLimits(&message)) {
        CResourceSwitch resources;
        AfxMessageBox(message, MB_OK);
        return FALSE;
    }
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    const CString resetSignal = m_bReset ? m_strResetSignal : CString("0");
    // A reset switched off wires nothing: the signal is "0", also when its "Use Pin" was ticked
    // while the reset was on, so that no reset pin stays in the element.
    if (!m_bReset) {
        m_bResetPin = FALSE;
        CheckDlgButton(kCtlResetPin, BST_UNCHECKED);
        SetParamUsePin(m_pExchange, kIdResetSignal, FALSE);
    }
    const CString listSampleTime = StoredSampleTime(m_cmbSampleTime);
    WritePageTexts({{&m_strGain, kIdIntegralGain},
                    {&m_strInitial, kIdInitialValue},
                    {&m_strInput, kIdInputSignal},
                    {&m_strUpper, kIdUpperLimit},
                    {&m_strLower, kIdLowerLimit},
                    {&m_strResetValue, kIdResetValue},
                    {&m_strTrigger, kIdTriggerSetting},
                    {&resetSignal, kIdResetSignal},
                    {&listSampleTime, kIdSampleTime},
                    {&m_strSampleTime, kIdSampleTimeField}},
                   &m_cmbUnit);
    SaveToBuffer();
    return EndApply();
}

void CPropIntegratorBlock::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
        ar.SerializeClass(RUNTIME_CLASS(CPropIntegratorBlock));
        ar << kIntegratorPageVersion;
        ar << static_cast<DWORD>(m_bReset ? 1 : 0);
        ar << m_strResetSignal;
        return;
    }
    ReadPageRecordVersion(ar, RUNTIME_CLASS(CPropIntegratorBlock));
    DWORD reset = 0;
    ar >> reset;
    m_bReset = reset != 0 ? TRUE : FALSE;
    CString stored;
    ar >> stored;
    // A reset signal the parameter itself carries stays.
    double value = 0.0;
    if (m_strResetSignal.IsEmpty() || (ParseValueWithPrefix(m_strResetSignal, &value) && value == 0.0))
        m_strResetSignal = stored;
    if (GetSafeHwnd() == nullptr) return;
    UpdateData(FALSE);
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableResetControls(m_bReset);
}

void CPropIntegratorBlock::SaveToBuffer() {
    if (m_pWizard == nullptr) return;
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, 4096);
        Serialize(ar);
        ar.Close();
    }
    const DWORD archiveLength = file.GetLength();
    BYTE* archiveBytes = file.Detach();
    std::vector<BYTE> block;
    PutDword(block, 0);
    PutDword(block, 0);
    PutDword(block, 0);
    PutDword(block, archiveLength);
    if (archiveBytes != nullptr) block.insert(block.end(), archiveBytes, archiveBytes + archiveLength);
    free(archiveBytes);
    PutDword(block, 0);
    PutDword(block, 0);
    BYTE* data = new BYTE[block.size()];
    std::memcpy(data, block.data(), block.size());
    m_pWizard->SetAdditionalWizardData(data, static_cast<DWORD>(block.size()));
}

void CPropIntegratorBlock::LoadFromBuffer() {
    if (m_pWizard == nullptr) return;
    BYTE* data = nullptr;
    const uint64_t length = m_pWizard->GetAdditionalWizardData(&data);
    if (data == nullptr) return;
    // Every field is read only when it fits in what remains; lengths are compared as
    // 64-bit values so that a large one cannot wrap.
    uint64_t pos = 8;
    DWORD firstLength = 0;
    if (!GetDword(data, length, pos, &firstLength)) return;
    pos += 4;
    if (pos + firstLength > length) return;
    pos += firstLength;
    DWORD archiveLength = 0;
    if (!GetDword(data, length, pos, &archiveLength)) return;
    pos += 4;
    if (archiveLength == 0 || pos + archiveLength > length) return;
    // Read from a copy of the block: loading may replace the wizard's data.
    qv::pages::ReadArchivedBlock(data + pos, archiveLength, [this](CArchive& ar) { Serialize(ar); });
}
