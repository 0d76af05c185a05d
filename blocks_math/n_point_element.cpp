#include "blocks_math/n_point_element.h"

#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/pinned_fields.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "toolkit/tb_numbers.h"
#include "wizard/environment.h"

#include <map>
#include <memory>
#include <new>

using namespace qv::blocks;

namespace {

constexpr char kThresholdName[] = "THRES[%i]";
constexpr char kAmplitudeName[] = "AMPL[%i]";
using namespace qv::strings;
constexpr char kWidthSection[] = "WIZColumnWidths";
constexpr char kThresholdWidths[] = "NPointElementThres";
constexpr char kAmplitudeWidths[] = "NPointElementAmpl";

constexpr ControlLayout kNPointLayout[] = {
    {2072, 7},  {2144, 5},  {2182, 5},
    {2028, 69}, {2183, 69}, {2074, 5},  {2185, 20}, {2186, 70}, {2073, 36}, {2400, 20},
    {2263, 77}, {2262, 77}, {2264, 78}, {2133, 78}, {2017, 11}, {2056, 9},
};
constexpr WORD kNPointTexts[] = {kIdSwitchingPoints};
constexpr SimpleBlockPageSpec kNPointSpec{.templateID = kNPointTemplate, .layout = kNPointLayout, .texts = kNPointTexts};

bool IsTemplate(const CWizardCopaObject3* param) { return (param->GetType() & kParamTypeNoList) != 0; }

CString MemberName(const char* format, int index) {
    CString name;
    name.Format(format, index);
    return name;
}

// A new member of a family, named by the family's format (whatever the template is called).
CWizardCopaObject3* NewMember(ParamHolder* holder, const CWizardCopaObject3* templ, const char* format, int index) {
    CWizardCopaObject3* member = qv::family::AppendMember(holder, templ, index);
    if (member != nullptr) member->SetName(MemberName(format, index));
    return member;
}

// What the wizard finds of one family in a set: its template (Type bit 0x02, the last one
// wins) and its live members by index.
struct FamilyScan {
    CWizardCopaObject3* templ = nullptr;
    std::map<int, CWizardCopaObject3*> members;
};

struct ElementScan {
    CString number;
    bool hasNumber = false;
    FamilyScan thresholds;
    FamilyScan amplitudes;
};

ElementScan Scan(ParamHolder* holder) {
    ElementScan scan;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr) continue;
        const WORD id = param->GetValueID();
        if (id == kIdSwitchingPoints) {
            scan.number = param->GetValue();
            scan.hasNumber = true;
            continue;
        }
        FamilyScan* family = id == kIdThreshold ? &scan.thresholds : id == kIdAmplitude ? &scan.amplitudes : nullptr;
        if (family == nullptr) continue;
        if (IsTemplate(param)) {
            family->templ = param;
            continue;
        }
        // Members marked deleted do not count as present.
        const int index = GetBracketIndex(param->GetName());
        if (index >= 0 && !param->IsDeleted()) family->members[index] = param;
    }
    return scan;
}

} // namespace

namespace qv::blocks {

BOOL SwitchingPointsFromText(const CString& text, int* count) {
    int n = -1;
    if (!qv::family::OrderFromText(text, &n) || n < 0) return FALSE;
    *count = n;
    return TRUE;
}

} // namespace qv::blocks

// ---------------------------------------------------------------------------------------
// CPropNPointElementBlock

IMPLEMENT_DYNCREATE(CPropNPointElementBlock, CTBPropertyPage)

BEGIN_MESSAGE_MAP(CPropNPointElementBlock, CSimpleBlockPage)
    ON_EN_KILLFOCUS(kIdSwitchingPoints, &CPropNPointElementBlock::OnNumberLeft)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdThreshold, &CPropNPointElementBlock::OnListChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdAmplitude, &CPropNPointElementBlock::OnListChanged)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropNPointElementBlock::OnListItemEdited)
END_MESSAGE_MAP()

CPropNPointElementBlock::CPropNPointElementBlock() : CSimpleBlockPage(kNPointSpec) {}

CPropNPointElementBlock::CPropNPointElementBlock(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CSimpleBlockPage(kNPointSpec, wizard, exchange) {}

void CPropNPointElementBlock::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, kIdThreshold, m_lstThresholds);
    DDX_Control(pDX, kIdAmplitude, m_lstAmplitudes);
    CSimpleBlockPage::DoDataExchange(pDX);
}

BOOL CPropNPointElementBlock::OnInitDialog() {
    CSimpleBlockPage::OnInitDialog();
    qv::blocks::ForEachPageInput(m_pHolder, [&](CWizardCopaObject3* param) {
        Side* side = param->GetValueID() == kIdThreshold   ? &m_thresholds
                     : param->GetValueID() == kIdAmplitude ? &m_amplitudes
                                                           : nullptr;
        if (side == nullptr) return;
        const int index = GetBracketIndex(param->GetName());
        if (index < 0) {
            side->templ = param;
        } else if (index < qv::family::kMaxMembers) {
            if (index >= side->members.GetSize()) side->members.SetSize(index + 1);
            side->members.SetAt(index, param);
        }
    });
    {
        CResourceSwitch resources;
        const CString headings[] = {LoadLibraryString(kStrName), LoadLibraryString(kStrValue),
                                    LoadLibraryString(kStrInfo)};
        for (int column = 0; column < 3; ++column) {
            m_lstThresholds.InsertEditColumn(column, headings[column], LVCFMT_LEFT, 50, 0);
            m_lstAmplitudes.InsertEditColumn(column, headings[column], LVCFMT_LEFT, 50, 0);
        }
    }
    UpdatePointLists();
    m_lstAmplitudes.InitializeCtrl(TRUE, TRUE);
    m_lstAmplitudes.InitializeColumnSize(0, kWidthSection, kAmplitudeWidths);
    m_lstThresholds.InitializeCtrl(TRUE, TRUE);
    m_lstThresholds.InitializeColumnSize(0, kWidthSection, kThresholdWidths);
    m_lstAmplitudes.LoadColumnWidths();
    m_lstThresholds.LoadColumnWidths();
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropNPointElementBlock::SwitchingPointsOfPage(int* count, bool typed) {
    const CString& text = *BlockText(kIdSwitchingPoints);
    if ((!typed || qv::pages::ReadsAsNumber(text, qv::pages::NumberNeeded::Count)) &&
        SwitchingPointsFromText(text, count))
        return TRUE;
    if (!m_bHidden) {
        CResourceSwitch resources;
        AfxMessageBox(LoadLibraryString(qv::strings::kStrInvalidValue), MB_OK);
    }
    return FALSE;
}

BOOL CPropNPointElementBlock::UpdatePointLists(bool typed) {
    int n = 0;
    if (!SwitchingPointsOfPage(&n, typed)) return FALSE;
    SizeSide(m_thresholds, m_lstThresholds, kThresholdName, n - 1);
    SizeSide(m_amplitudes, m_lstAmplitudes, kAmplitudeName, n);
    return TRUE;
}

void CPropNPointElementBlock::SizeSide(Side& side, CTBEditListCtrl& list, const char* format, int last) {
    const int size = static_cast<int>(side.members.GetSize());
    if (size - 1 < last) {
        side.members.SetSize(last + 1);
        for (int i = size; i <= last && side.templ != nullptr; ++i)
            side.members.SetAt(i, NewMember(m_pHolder, side.templ, format, i));
    } else {
        for (int i = size - 1; i > last; --i) {
            qv::family::RetireMember(static_cast<CWizardCopaObject3*>(side.members.GetAt(i)));
            side.members.RemoveAt(i);
        }
    }
    if (list.GetSafeHwnd() == nullptr) return;
    // The rows the list keeps keep what was typed into them; only new rows show their members.
    const int kept = list.GetItemCount();
    int rows = kept;
    for (; rows <= last; ++rows) list.InsertEditItem(rows, "", TB_EDIT_NONE);
    for (; rows > last + 1; --rows) list.DeleteEditItem(rows - 1);
    for (int i = 0; i <= last && i < side.members.GetSize(); ++i) {
        auto* member = static_cast<CWizardCopaObject3*>(side.members.GetAt(i));
        // A gap keeps its cells as they are and carries no parameter.
        if (member == nullptr) continue;
        if (i < kept && list.GetItemData(i) == reinterpret_cast<DWORD_PTR>(member)) continue;
        CString info;
        if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(member->GetInfoMap(), info);
        list.SetEditItemText(i, 0, member->GetName(), TB_EDIT_NONE);
        list.SetEditItemText(i, 1, member->GetValue(), TB_EDIT_TEXT);
        list.SetEditItemText(i, 2, info, TB_EDIT_TEXT);
        list.SetItemData(i, reinterpret_cast<DWORD_PTR>(member));
    }
}

BOOL CPropNPointElementBlock::HasListRow(int index, int listID) const {
    const CTBEditListCtrl* list = listID == kIdThreshold   ? &m_lstThresholds
                                  : listID == kIdAmplitude ? &m_lstAmplitudes
                                                           : nullptr;
    if (list == nullptr || list->GetSafeHwnd() == nullptr || index < 0) return FALSE;
    return list->GetItemCount() > index ? TRUE : FALSE;
}

void CPropNPointElementBlock::StoreInfo(CWizardCopaObject3* param, const CString& info) {
    CString current;
    WORD key = m_pWizard != nullptr ? m_pWizard->GetLangDependentString(param->GetInfoMap(), current) : 0;
    // A parameter without any info yet gets one in the current language.
    if (param->GetInfoMap().IsEmpty()) key = qv::GetCurrentLanguageID();
    param->SetInfoByLangID(key, info);
}

void CPropNPointElementBlock::StoreSide(WORD valueID, CTBEditListCtrl& list) {
    for (int i = 0; m_pHolder != nullptr && i < m_pHolder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pHolder->GetParam(i);
        if (!qv::pages::IsLiveInput(param) || param->GetValueID() != valueID) continue;
        const int index = GetBracketIndex(param->GetName());
        if (index < 0 || !HasListRow(index, valueID)) continue;
        param->SetValue(list.GetItemText(index, 1));
        StoreInfo(param, list.GetItemText(index, 2));
    }
}

void CPropNPointElementBlock::StoreParameters() {
    StoreSide(kIdThreshold, m_lstThresholds);
    StoreSide(kIdAmplitude, m_lstAmplitudes);
}

void CPropNPointElementBlock::UpdatePointDescriptions() {
    for (int i = 0; m_pHolder != nullptr && i < m_pHolder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pHolder->GetParam(i);
        if (param == nullptr || IsTemplate(param)) continue;
        const Side* side = param->GetValueID() == kIdThreshold   ? &m_thresholds
                           : param->GetValueID() == kIdAmplitude ? &m_amplitudes
                                                                 : nullptr;
        if (side == nullptr || side->templ == nullptr) continue;
        SetParamDescriptionsByIndex(&side->templ->GetDescriptionMap(), param);
    }
}

void CPropNPointElementBlock::BeforeCommit() {
    StoreParameters();
    UpdatePointDescriptions();
    m_lstAmplitudes.SaveColumnWidths();
    m_lstThresholds.SaveColumnWidths();
}

BOOL CPropNPointElementBlock::OnApply() {
    if (m_pHolder == nullptr) return FALSE;
    UpdateData(TRUE);
    // A refused number writes nothing: the families would not match it.
    int n = 0;
    // The number of points sizes the families: it is typed, never a pin's signal.
    qv::pages::TakeFromNoPin(m_pHolder, {kIdSwitchingPoints});
    if (!SwitchingPointsOfPage(&n, true)) return FALSE;
    return CSimpleBlockPage::OnApply();
}

// Leaving the page keeps the edited values; the element's name and show-name flag reach the
// element only on apply.
BOOL CPropNPointElementBlock::OnKillActive() {
    UpdateData(TRUE);
    StoreFieldParameters();
    StoreParameters();
    UpdatePointDescriptions();
    return CPropertyPage::OnKillActive();
}

void CPropNPointElementBlock::OnNumberLeft() {
    UpdateData(TRUE);
    SetModified(TRUE);
    // Only a count sizes the families. Any other text (a name, "0.5", "1e308") leaves them and
    // their values as they are, so that a number OK then refuses retires no row.
    if (!qv::pages::ReadsAsNumber(*BlockText(kIdSwitchingPoints), qv::pages::NumberNeeded::Order)) return;
    UpdatePointLists();
}

void CPropNPointElementBlock::OnListChanged(NMHDR*, LRESULT* pResult) {
    SetModified(TRUE);
    *pResult = 0;
}

LRESULT CPropNPointElementBlock::OnListItemEdited(WPARAM wParam, LPARAM lParam) {
    CTBEditListCtrl* list = wParam == kIdThreshold   ? &m_lstThresholds
                            : wParam == kIdAmplitude ? &m_lstAmplitudes
                                                     : nullptr;
    const int row = LOWORD(lParam);
    if (list == nullptr || row >= list->GetItemCount()) return 0;
    auto* param = reinterpret_cast<CWizardCopaObject3*>(list->GetItemData(row));
    if (param == nullptr) return 0;
    param->SetValue(list->GetItemText(row, 1));
    StoreInfo(param, list->GetItemText(row, 2));
    SetModified(TRUE);
    return 0;
}

// ---------------------------------------------------------------------------------------
// CNPointElementWizard

IMPLEMENT_DYNAMIC(CNPointElementWizard, CWizardBase3)

int CNPointElementWizard::WriteSimDescr(CFile*, const CString& templ, CWizardSchematicDataExchange3* exchange) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    const ElementScan scan = Scan(exchange);
    int n = 0;
    // Both families need their templates, and a refused number creates nothing.
    if (scan.thresholds.templ == nullptr || scan.amplitudes.templ == nullptr) return 4;
    if (!SwitchingPointsFromText(scan.number, &n)) return 4;
    for (int i = 0; i < n; ++i)
        if (!scan.thresholds.members.contains(i)) NewMember(exchange, scan.thresholds.templ, kThresholdName, i);
    for (int i = 0; i <= n; ++i)
        if (!scan.amplitudes.members.contains(i)) NewMember(exchange, scan.amplitudes.templ, kAmplitudeName, i);
    CommitExchange(RequestTarget(this), exchange);
    return 4;
}

BOOL CNPointElementWizard::DoConversionFrom4x(CWizardSchematicDataExchange3* exchange) {
    const ElementScan scan = Scan(exchange);
    int n = 0;
    // Nothing is retired unless the lists can be rebuilt: both templates and a usable N.
    if (scan.thresholds.templ == nullptr || scan.amplitudes.templ == nullptr) return TRUE;
    if (!SwitchingPointsFromText(scan.number, &n)) return TRUE;
    for (const FamilyScan* family : {&scan.thresholds, &scan.amplitudes})
        for (const auto& [index, member] : family->members) qv::family::RetireMember(member);
    const std::vector<CString> thresholds = qv::family::SplitFields(scan.thresholds.templ->GetValue());
    const std::vector<CString> amplitudes = qv::family::SplitFields(scan.amplitudes.templ->GetValue());
    for (int i = 0; i < n; ++i) NewMember(exchange, scan.thresholds.templ, kThresholdName, i);
    for (int i = 0; i <= n; ++i) NewMember(exchange, scan.amplitudes.templ, kAmplitudeName, i);
    // Every member of an index in range takes its value, the retired ones included, so that
    // no member of an index disagrees with the new one.
    const auto field = [](const std::vector<CString>& fields, int index) {
        return static_cast<size_t>(index) < fields.size() ? fields[static_cast<size_t>(index)] : CString("0");
    };
    for (int i = 0; i < exchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = exchange->GetParam(i);
        if (param == nullptr || IsTemplate(param)) continue;
        const int index = GetBracketIndex(param->GetName());
        if (param->GetValueID() == kIdThreshold && index >= 0 && index < n) param->SetValue(field(thresholds, index));
        else if (param->GetValueID() == kIdAmplitude && index >= 0 && index <= n)
            param->SetValue(field(amplitudes, index));
    }
    CommitExchange(RequestTarget(this), exchange);
    return TRUE;
}

void CNPointElementWizard::NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType,
                                         CWizardCopaObject3* param) {
    if (param == nullptr || changeType != 3 || param->GetValueID() != kIdSwitchingPoints) return;
    // A hidden page of the wizard's own brings the families into line, so that a page on the
    // editor's sheet is never destroyed or rebound.
    {
        std::unique_ptr<CPropNPointElementBlock> page(new (std::nothrow) CPropNPointElementBlock(this, exchange));
        if (page == nullptr) return;
        page->SetHidden(true);
        {
            CResourceSwitch resources;
            if (!page->Create(kNPointTemplate, nullptr)) return;
        }
        page->ShowWindow(SW_HIDE);
        page->DestroyWindow();
    }
    CommitExchange(RequestTarget(this), exchange);
}
