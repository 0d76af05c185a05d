#include "blocks_linear/digital_filter.h"

#include "blocks_linear/transfer_function.h"
#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/formula_simplifier.h"
#include "framework/indexed_family.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/pinned_fields.h"
#include "framework/param_set_page.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <cstring>
#include <new>
#include <utility>

IMPLEMENT_SERIAL(CPropDigitalFilterBlock, CTBPropertyPage, VERSIONABLE_SCHEMA | qv::blocks::kDigitalFilterPageVersion)
PARVEL_VERSIONED_CLASS(CPropDigitalFilterBlock)
IMPLEMENT_DYNAMIC(CDigitalFilterWizard4, CWizardBase4)

using namespace qv::blocks;
using qv::filter::Refusal;

namespace {

using namespace qv::strings;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2235, .flags = 33}, {.id = 2237, .flags = 33}, {.id = 2182, .flags = 33},
    {.id = 2236, .flags = 97}, {.id = 2238, .flags = 97}, {.id = 2202, .flags = 97}, {.id = 2074, .flags = 33},
    {.id = 2239, .flags = 48}, {.id = 2241, .flags = 48}, {.id = 2242, .flags = 48}, {.id = 2185, .flags = 48},
    {.id = 2240, .flags = 98}, {.id = 2243, .flags = 98}, {.id = 2244, .flags = 98}, {.id = 2186, .flags = 98},
    {.id = 2073, .flags = 32}, {.id = 2400, .flags = 48}, {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};

CString NumberText(double value) { return TBExtended_ftoa(value, -1, 0, ""); }

// The numeric path runs when a text is one number: a text that only begins as a number does
// ("1+1", "50*2") is a formula, which the text path keeps whole instead of reading its leading
// digits.
bool LooksNumeric(const CString& text) { return qv::pages::ReadsAsNumber(text, qv::pages::NumberNeeded::Number); }

// What a design input may hold on apply: a number (which the clamps bring into range), or a
// formula of the expression language that the coefficient texts carry.
bool DesignInputReads(const CString& text) {
    return LooksNumeric(text) || qv::pages::ReadsAsExpression(text, qv::formula::ParseMode::Value);
}

bool InRange(long index) { return index >= 0 && index <= 3; }

UINT RefusalString(Refusal refusal) {
    switch (refusal) {
    case Refusal::SampleTime: return kStrSampleTimeRefused;
    case Refusal::Edge: return kStrEdgeRefused;
    case Refusal::Band: return kStrBandRefused;
    case Refusal::NotFinite: return kStrNotFiniteRefused;
    case Refusal::StopBand: return kStrStopBandRefused;
    default: return kStrOrderTooHigh;
    }
}

// The formula simplifier of the shared services, which loads the formula modules by name.
class ModuleSimplifier : public FilterTextSimplifier {
public:
    BOOL Load() override { return m_Simplifier.Load(); }
    BOOL Simplify(CString* formula) override { return m_Simplifier.Simplify(formula); }

private:
    CFormulaSimplifier m_Simplifier;
};

std::unique_ptr<FilterTextSimplifier> MakeModuleSimplifier() { return std::make_unique<ModuleSimplifier>(); }

FilterSimplifierFactory g_SimplifierFactory = MakeModuleSimplifier;

} // namespace

namespace qv::blocks {
FilterSimplifierFactory SetFilterSimplifierFactory(FilterSimplifierFactory factory) {
    FilterSimplifierFactory previous = g_SimplifierFactory;
    g_SimplifierFactory = factory != nullptr ? factory : MakeModuleSimplifier;
    return previous;
}
} // namespace qv::blocks

// ---------------------------------------------------------------------------------------
// CPropDigitalFilterBlock

// The fields whose edits mark the page modified.
constexpr int kDigitalFilterBlockEdits[] = {kCtlCutOff, kCtlUpperCutOff, kCtlFilterOrder, kIdInputSignal, kCtlName, kIdSampleTimeField};

BEGIN_MESSAGE_MAP(CPropDigitalFilterBlock, CTBPropertyPage)
    ON_WM_PAINT()
    ON_CBN_SELCHANGE(kCtlFilterKind, &CPropDigitalFilterBlock::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlFilterType, &CPropDigitalFilterBlock::OnSelChangeFilterType)
    ON_BN_CLICKED(kCtlShowName, &CPropDigitalFilterBlock::OnMarkModified)
    ON_BN_CLICKED(kIdBlockOutput, &CPropDigitalFilterBlock::OnBlockOutputSignal)
    ON_BN_CLICKED(kCtlInputPin, &CPropDigitalFilterBlock::OnUseInputPin)
    ON_BN_CLICKED(kCtlSampleTimePin, &CPropDigitalFilterBlock::OnUseSampleTimePin)
    ON_LISTED_CONTROLS(EN_CHANGE, kDigitalFilterBlockEdits, &CPropDigitalFilterBlock::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropDigitalFilterBlock::OnMarkModified)
END_MESSAGE_MAP()

CPropDigitalFilterBlock::CPropDigitalFilterBlock() : TBlockPageFields(kDigitalFilterTemplate) {}

CPropDigitalFilterBlock::CPropDigitalFilterBlock(CDigitalFilterWizard4* wizard, DWORD_PTR cookie)
    : TBlockPageFields(kDigitalFilterTemplate, wizard, HolderFromCookie(cookie)) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

CPropDigitalFilterBlock::~CPropDigitalFilterBlock() {
    delete m_pTable;
    m_pTable = nullptr;
}

void CPropDigitalFilterBlock::SetDesign(DWORD kind, DWORD type, const CString& order, const CString& cutOff,
                                        const CString& upperCutOff) {
    if (InRange(static_cast<long>(kind))) m_nKind = static_cast<int>(kind);
    if (InRange(static_cast<long>(type))) m_nType = static_cast<int>(type);
    m_strOrder = order;
    m_strCutOff = cutOff;
    m_strUpperCutOff = upperCutOff;
}

void CPropDigitalFilterBlock::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeBlockFields(pDX);
    qv::pages::ExchangeControls(pDX, {{kCtlFilterType, m_cmbType}, {kCtlFilterKind, m_cmbKind}});
    qv::pages::ExchangeTexts(pDX, {{kCtlCutOff, m_strCutOff}, {kCtlUpperCutOff, m_strUpperCutOff},
                                   {kCtlFilterOrder, m_strOrder}, {kIdSampleTimeField, m_strSampleTime}});
    // A list without a selection keeps the stored index.
    int kind = m_nKind;
    int type = m_nType;
    DDX_CBIndex(pDX, kCtlFilterKind, kind);
    DDX_CBIndex(pDX, kCtlFilterType, type);
    if (InRange(kind)) m_nKind = kind;
    if (InRange(type)) m_nType = type;
}

BOOL CPropDigitalFilterBlock::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbKind.SetCurSel(0);
    m_cmbType.SetCurSel(0);
    m_cmbUnit.DisableFlatLook(TRUE);
    UpdateData(FALSE);
    OnSelChangeFilterType();
    ReadParameters();
    UpdateData(FALSE);
    GetSDBOutput(GetParams(), kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendUnitToCaption(*this, GetParams(), kIdBlockOutput, kIdBlockOutput);
    UpdateData(FALSE);
    SetModified(FALSE);
    return TRUE;
}

void CPropDigitalFilterBlock::ReadParameters() {
    // A page shown again starts from the set it now holds.
    m_Numerators.RemoveAll();
    m_Denominators.RemoveAll();
    m_pNumeratorTemplate = m_pDenominatorTemplate = nullptr;
    qv::blocks::ForEachPageInput(GetParams(), [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdInputSignal:
            m_bInputPin = param->HasPin() ? TRUE : FALSE;
            m_strInput = param->GetValue();
            break;
        case kIdSampleTimeField:
            m_bSampleTimePin = param->HasPin() ? TRUE : FALSE;
            m_strSampleTime = param->GetValue();
            ShowUnitsOf(m_cmbUnit, param);
            break;
        case kIdNumerator:
        case kIdDenominator: {
            const bool numerator = param->GetValueID() == kIdNumerator;
            const int index = GetBracketIndex(param->GetName());
            if (index < 0)
                (numerator ? m_pNumeratorTemplate : m_pDenominatorTemplate) = param;
            else if (index < qv::family::kMaxMembers)
                (numerator ? m_Numerators : m_Denominators).SetAtGrow(index, param);
            break;
        }
        default:
            break;
        }
    });
}

int CPropDigitalFilterBlock::CurrentKind() const {
    if (GetSafeHwnd() != nullptr) {
        const int selection = m_cmbKind.GetCurSel();
        if (InRange(selection)) return selection;
    }
    return m_nKind;
}

int CPropDigitalFilterBlock::CurrentType() const {
    if (GetSafeHwnd() != nullptr) {
        const int selection = m_cmbType.GetCurSel();
        if (InRange(selection)) return selection;
    }
    return m_nType;
}

void CPropDigitalFilterBlock::OnSelChangeFilterType() {
    OnMarkModified();
    const int selection = m_cmbType.GetSafeHwnd() != nullptr ? m_cmbType.GetCurSel() : -1;
    CString caption;
    bool band = false;
    {
        CResourceSwitch resources;
        caption = LoadLibraryString(kStrCutOffCaption);
        if (selection == qv::filter::kLowPass || selection == qv::filter::kHighPass) {
            caption = FillOneConversion(caption, 's', 0, "");
        } else if (selection == qv::filter::kBandPass || selection == qv::filter::kBandStop) {
            caption = FillOneConversion(caption, 's', 0, LoadLibraryString(kStrLower));
            band = true;
        } else {
            return;
        }
    }
    SetDlgItemText(kCtlCutOffLabel, caption);
    for (int id : {kCtlUpperCutOffLabel, kCtlUpperCutOff})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(band ? SW_SHOW : SW_HIDE);
}

void CPropDigitalFilterBlock::OnBlockOutputSignal() {
    qv::pages::ReadAndFlipOutputSwitch(*this, GetParams(), m_bOutput, kIdBlockOutput);
}

void CPropDigitalFilterBlock::OnUseInputPin() {
    qv::pages::ClickPinBox(*this, GetParams(), m_bInputPin, kIdInputSignal);
}

void CPropDigitalFilterBlock::OnUseSampleTimePin() {
    qv::pages::ClickPinBox(*this, GetParams(), m_bSampleTimePin, kIdSampleTimeField);
}

BOOL CPropDigitalFilterBlock::OnSetActive() {
    ShowBlockSwitchesAndPins(GetParams(), kIdSampleTimeField);
    return CPropertyPage::OnSetActive();
}

BOOL CPropDigitalFilterBlock::OnApply() {
    // Without a parameter set nothing is written and nothing can be committed.
    if (GetParams() == nullptr || !qv::pages::RefuseBlankValueField(*this, GetParams())) return FALSE;
    // A blank cut-off shown would leave the coefficients' formulas without an operand.
    for (int cutOff : {kCtlCutOff, kCtlUpperCutOff})
        if (!qv::pages::RefuseBlankField(*this, cutOff)) return FALSE;
    UpdateData(TRUE);
    // The order chooses the design's sections: a whole number, which the clamps bring into
    // range. The cut-offs and the sample time are numbers or formulas the coefficients carry.
    if (!qv::pages::RefuseUnlessNumber(*this, kCtlFilterOrder, m_strOrder, qv::pages::NumberNeeded::Order))
        return FALSE;
    for (const auto& [control, text] : {std::pair<int, const CString*>{kCtlCutOff, &m_strCutOff},
                                        std::pair<int, const CString*>{kCtlUpperCutOff, &m_strUpperCutOff},
                                        std::pair<int, const CString*>{kIdSampleTimeField, &m_strSampleTime}}) {
        const CWnd* field = GetDlgItem(control);
        const bool typed = field == nullptr || ((field->GetStyle() & WS_VISIBLE) != 0 && field->IsWindowEnabled());
        if (typed && !DesignInputReads(*text)) return qv::pages::RefuseField(*this, control);
    }
    GetParams()->m_strElementName = m_strName;
    GetParams()->m_dwShowName = m_bShowName ? 1 : 0;
    CheckInputs();
    UpdateData(TRUE);
    // The design sizes the coefficient lists: their counts are never a pin's signal.
    qv::pages::TakeFromNoPin(GetParams(), {kIdNumeratorOrder, kIdDenominatorOrder});
    // A refused design writes nothing and keeps the wizard's settings: the stored design
    // always describes the coefficients the element holds.
    if (!DesignFilter(true)) return FALSE;
    UpdateCoefficientDescriptions();
    if (m_pWizard != nullptr)
        m_pWizard->StoreDesign(static_cast<DWORD>(m_nKind), static_cast<DWORD>(m_nType), m_strOrder, m_strCutOff,
                               m_strUpperCutOff);
    if (!CommitParamSet(RequestTarget(m_pWizard), GetCookie())) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropDigitalFilterBlock::OnKillActive() {
    // Leaving designs with the texts as they stand; a refusal writes nothing and is reported
    // by the apply that follows, which designs again after its clamps.
    if (GetParams() != nullptr && DesignFilter(false)) UpdateCoefficientDescriptions();
    return CPropertyPage::OnKillActive();
}

void CPropDigitalFilterBlock::CheckInputs() {
    double value = 0.0;
    if (ParseValueWithPrefix(m_strOrder, &value)) {
        if (value > qv::filter::kMaxOrder) value = qv::filter::kMaxOrder;
        if (CurrentType() == qv::filter::kBandStop && value < 3) value = 3;
        m_strOrder = NumberText(value);
    }
    for (CString* text : {&m_strUpperCutOff, &m_strCutOff}) {
        if (!ParseValueWithPrefix(*text, &value)) continue;
        if (!(value > 0.0)) value = 1.0;
        *text = NumberText(value);
    }
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

BOOL CPropDigitalFilterBlock::DesignFilter(bool showMessage) {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    // The design works in seconds: a number typed in another unit is converted first; a name
    // or formula stays as it is, as the simulator reads it.
    const CString seconds = InSimulatorUnit(SampleTimeAsShown(GetParams(), m_strSampleTime));
    if (LooksNumeric(seconds) && LooksNumeric(m_strCutOff) && LooksNumeric(m_strUpperCutOff))
        return DesignFilterNumeric(seconds, showMessage);
    DesignFilterText(seconds);
    return TRUE;
}

BOOL CPropDigitalFilterBlock::DesignFilterNumeric(const CString& sampleTime, bool showMessage) {
    const int kind = CurrentKind();
    const int type = CurrentType();
    const int order = qv::filter::DesignOrder(m_strOrder);
    delete m_pTable;
    m_pTable = new CFilterCoefficientTable(static_cast<UINT>(kind));
    const qv::filter::NumericDesign design =
        qv::filter::DesignNumeric(*m_pTable, type, order, TBExtended_atof(m_strCutOff, ""),
                                  TBExtended_atof(m_strUpperCutOff, ""), TBExtended_atof(sampleTime, ""));
    m_LastRefusal = design.refusal;
    if (design.refusal != Refusal::None) {
        if (showMessage) {
            CResourceSwitch resources;
            AfxMessageBox(LoadLibraryString(RefusalString(design.refusal)), MB_OK);
        }
        return FALSE;
    }
    std::vector<CString> numerator;
    std::vector<CString> denominator;
    numerator.reserve(static_cast<size_t>(design.texts));
    denominator.reserve(static_cast<size_t>(design.texts));
    for (int i = 0; i < design.texts; ++i) {
        const std::string_view n = design.NumeratorText(i);
        const std::string_view d = design.DenominatorText(i);
        numerator.emplace_back(n.data(), static_cast<int>(n.size()));
        denominator.emplace_back(d.data(), static_cast<int>(d.size()));
    }
    WriteCoefficients(design.texts, numerator, denominator);
    return TRUE;
}

void CPropDigitalFilterBlock::DesignFilterText(const CString& sampleTime) {
    const int kind = CurrentKind();
    const int type = CurrentType();
    const int order = qv::filter::DesignOrder(m_strOrder);
    delete m_pTable;
    m_pTable = new CFilterCoefficientTable(static_cast<UINT>(kind));
    CString num[qv::filter::kWorkSize];
    CString den[qv::filter::kWorkSize];
    const int s = qv::filter::MapSectionTexts(*m_pTable, type, order, m_strCutOff, m_strUpperCutOff, sampleTime, num,
                                              den);
    const int w = qv::filter::SectionWidth(type);
    const int count = w == 3 ? 2 * s + 1 : 4 * s + 1;
    CString numProduct[qv::filter::kWorkSize];
    CString denProduct[qv::filter::kWorkSize];
    qv::filter::MultiplySections("1.0", num, numProduct, s, w);
    qv::filter::MultiplySections("1.0", den, denProduct, s, w);
    if (!m_bSimplifierTried) {
        m_bSimplifierTried = true;
        m_pSimplifier = g_SimplifierFactory();
        if (m_pSimplifier != nullptr && !m_pSimplifier->Load()) m_pSimplifier.reset();
    }
    // Without a simplifier the texts are stored as the design wrote them; the simulator
    // evaluates them all the same.
    std::vector<CString> numerator;
    std::vector<CString> denominator;
    for (int i = 0; i < count; ++i) {
        CString n = numProduct[i];
        CString d = denProduct[i];
        if (m_pSimplifier != nullptr) {
            m_pSimplifier->Simplify(&n);
            if (i > 0) m_pSimplifier->Simplify(&d);
        }
        numerator.push_back(n);
        denominator.push_back(i == 0 ? CString("1") : d);
    }
    m_LastRefusal = Refusal::None;
    WriteCoefficients(count, numerator, denominator);
}

void CPropDigitalFilterBlock::WriteCoefficients(int count, const std::vector<CString>& numerator,
                                                const std::vector<CString>& denominator) {
    ParamHolder* holder = GetParams();
    qv::family::ResizeFamily(holder, m_pNumeratorTemplate, m_Numerators, count - 1);
    qv::family::ResizeFamily(holder, m_pDenominatorTemplate, m_Denominators, count - 1);
    for (int i = 0; i < count; ++i) {
        if (i < m_Numerators.GetSize())
            if (auto* param = static_cast<CWizardCopaObject3*>(m_Numerators.GetAt(i)))
                param->SetValue(numerator[static_cast<size_t>(i)]);
        if (i < m_Denominators.GetSize())
            if (auto* param = static_cast<CWizardCopaObject3*>(m_Denominators.GetAt(i)))
                param->SetValue(denominator[static_cast<size_t>(i)]);
    }
    WriteCommonParameters(count);
}

void CPropDigitalFilterBlock::WriteCommonParameters(int count) {
    CString unit;
    if (m_cmbUnit.GetSafeHwnd() != nullptr) m_cmbUnit.GetWindowText(unit);
    qv::blocks::ForEachPageInput(GetParams(), [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdInputSignal:
            param->SetValue(m_strInput);
            break;
        case kIdSampleTimeField:
            param->SetValue(m_strSampleTime);
            if (m_cmbUnit.GetSafeHwnd() != nullptr) param->SetUsedUnit(unit);
            break;
        case kIdNumeratorOrder:
        case kIdDenominatorOrder:
            param->SetValue(NumberText(count));
            break;
        default:
            break;
        }
    });
}

void CPropDigitalFilterBlock::UpdateCoefficientDescriptions() {
    ParamHolder* holder = GetParams();
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeNoList) != 0) continue;
        const CWizardCopaObject3* templ = nullptr;
        if (param->GetValueID() == kIdNumerator) templ = m_pNumeratorTemplate;
        if (param->GetValueID() == kIdDenominator) templ = m_pDenominatorTemplate;
        if (templ != nullptr && templ != param) SetParamDescriptionsByIndex(&templ->GetDescriptionMap(), param);
    }
}

void CPropDigitalFilterBlock::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

void CPropDigitalFilterBlock::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropDigitalFilterBlock));
        return;
    }
    ReadPageRecordVersion(ar, RUNTIME_CLASS(CPropDigitalFilterBlock));
    // Everything is read before anything changes: a broken block keeps the settings.
    DWORD kind = 0;
    DWORD type = 0;
    CString order;
    CString cutOff;
    CString upperCutOff;
    ar >> kind >> type >> order >> cutOff >> upperCutOff;
    SetDesign(kind, type, order, cutOff, upperCutOff);
    // A shown page's lists take the kind and type with the other fields.
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        OnSelChangeFilterType();
    }
}

// Older additional wizard data, DWORDs little-endian: DWORD, DWORD, length L1 and L1 bytes
// (not used), length L2 and L2 bytes of the archived page block, a trailing DWORD (not
// used). Only whole fields are read and every length is compared, unsigned and in 64 bits,
// with what remains; a block that does not fit is not loaded.
void CPropDigitalFilterBlock::LoadWizard3Data(const void* data, long length) {
    if (data != nullptr && length > 0) {
        qv::bytes::Reader in(static_cast<const BYTE*>(data), static_cast<size_t>(length));
        DWORD skipped = 0;
        DWORD l1 = 0;
        DWORD l2 = 0;
        in.ReadDword(skipped);
        in.ReadDword(skipped);
        if (in.ReadDword(l1) && in.Fits(static_cast<uint64_t>(l1) + 1)) in.SkipBytes(l1);
        if (in.ReadDword(l2) && l2 > 0 && in.Fits(l2)) {
            qv::pages::ReadArchivedBlock(in.Position(), l2, [this](CArchive& ar) { Serialize(ar); });
            in.SkipBytes(l2);
        }
    }
    if (m_pWizard != nullptr)
        m_pWizard->StoreDesign(static_cast<DWORD>(m_nKind), static_cast<DWORD>(m_nType), m_strOrder, m_strCutOff,
                               m_strUpperCutOff);
}

// ---------------------------------------------------------------------------------------
// CDigitalFilterWizard4

CDigitalFilterWizard4::CDigitalFilterWizard4() = default;

CDigitalFilterWizard4::CDigitalFilterWizard4(const CDigitalFilterWizard4* other) : TPageWizard4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_dwKind = other->m_dwKind;
    m_dwType = other->m_dwType;
    m_strOrder = other->m_strOrder;
    m_strCutOff = other->m_strCutOff;
    m_strUpperCutOff = other->m_strUpperCutOff;
}

void CDigitalFilterWizard4::StoreDesign(DWORD kind, DWORD type, const CString& order, const CString& cutOff,
                                        const CString& upperCutOff) {
    if (InRange(static_cast<long>(kind))) m_dwKind = kind;
    if (InRange(static_cast<long>(type))) m_dwType = type;
    m_strOrder = order;
    m_strCutOff = cutOff;
    m_strUpperCutOff = upperCutOff;
}

void CDigitalFilterWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema << m_dwKind << m_dwType << m_strCutOff << m_strUpperCutOff << m_strOrder;
        return;
    }
    WORD schema = 0;
    ar >> schema;
    if (schema != 0) return;
    // Read whole before anything changes: a broken archive keeps the settings.
    DWORD kind = 0;
    DWORD type = 0;
    CString cutOff;
    CString upperCutOff;
    CString order;
    ar >> kind >> type >> cutOff >> upperCutOff >> order;
    m_wSchema = schema;
    StoreDesign(kind, type, order, cutOff, upperCutOff);
}

BOOL CDigitalFilterWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    ConvertWizard3Data(params.Cookie(), data, length);
    return TRUE;
}

// The page of the older data is made hidden, reads the block and hands the settings over;
// it works on a page of its own, never on one that stands on the editor's sheet.
void CDigitalFilterWizard4::ConvertWizard3Data(DWORD_PTR cookie, const void* data, long length) {
    std::unique_ptr<CPropDigitalFilterBlock> page(new (std::nothrow) CPropDigitalFilterBlock(this, cookie));
    if (page == nullptr) return;
    page->SetDesign(m_dwKind, m_dwType, m_strOrder, m_strCutOff, m_strUpperCutOff);
    {
        CResourceSwitch resources;
        if (page->Create(kDigitalFilterTemplate, nullptr)) page->ShowWindow(SW_HIDE);
    }
    page->LoadWizard3Data(data, length);
    if (page->GetSafeHwnd() != nullptr) page->DestroyWindow();
}

BOOL CDigitalFilterWizard4::DoConversionFrom4x(void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    ConvertFrom4x(params.Cookie(), data, length);
    return TRUE;
}

BOOL CDigitalFilterWizard4::DoConversionFrom4x() { return DoConversionFrom4x(nullptr, 0); }

namespace {

// A count of coefficients read from 4.x data: the integer part, 0 for a negative or
// non-number one; FALSE beyond the family limit.
bool CoefficientCount(const CString& text, int* count) {
    int order = 0;
    if (!qv::family::OrderFromText(text, &order)) return false;
    *count = std::max(order, 0);
    return true;
}

// Entry i of a 4.x list for i = 0..count: the strtok fields, "0" for the missing ones
// below count, and an empty entry count when the list ran short.
std::vector<CString> ListEntries(const CString& list, int count) {
    const std::vector<CString> tokens = qv::family::SplitFields(list);
    std::vector<CString> entries(static_cast<size_t>(count) + 1);
    for (int i = 0; i <= count; ++i) {
        const auto at = static_cast<size_t>(i);
        if (at < tokens.size())
            entries[at] = tokens[at];
        else if (i < count)
            entries[at] = "0";
    }
    return entries;
}

bool ReadDouble(const BYTE* bytes, long length, long offset, double* value) {
    if (length < offset + 8) return false;
    double v = 0.0;
    std::memcpy(&v, bytes + offset, sizeof v);
    if (!std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool ReadDword(const BYTE* bytes, long length, long offset, DWORD* value) {
    if (length < offset + 4) return false;
    const BYTE* p = bytes + offset;
    *value = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
             static_cast<DWORD>(p[3]) << 24;
    return true;
}

} // namespace

void CDigitalFilterWizard4::ConvertFrom4x(DWORD_PTR cookie, const void* data, long length) {
    ParamHolder* holder = HolderFromCookie(cookie);
    if (holder == nullptr) return;
    CString numeratorCount;
    CString denominatorCount;
    CWizardCopaObject3* numeratorTemplate = nullptr;
    CWizardCopaObject3* denominatorTemplate = nullptr;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr) continue;
        switch (param->GetValueID()) {
        case kIdNumeratorOrder: numeratorCount = param->GetValue(); break;
        case kIdDenominatorOrder: denominatorCount = param->GetValue(); break;
        case kIdNumerator:
        case kIdDenominator:
            if (param->GetType() & kParamTypeNoList)
                (param->GetValueID() == kIdNumerator ? numeratorTemplate : denominatorTemplate) = param;
            else
                qv::family::RetireMember(param);
            break;
        default:
            break;
        }
    }
    if (numeratorTemplate == nullptr || denominatorTemplate == nullptr) return;
    int nq = 0;
    int np = 0;
    if (!CoefficientCount(numeratorCount, &nq) || !CoefficientCount(denominatorCount, &np)) return;
    for (int i = 0; i < nq; ++i) qv::family::AppendMember(holder, numeratorTemplate, i);
    for (int i = 0; i < np; ++i) qv::family::AppendMember(holder, denominatorTemplate, i);
    const std::vector<CString> numerator = ListEntries(numeratorTemplate->GetValue(), nq);
    const std::vector<CString> denominator = ListEntries(denominatorTemplate->GetValue(), np);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeNoList) != 0) continue;
        const int index = GetBracketIndex(param->GetName());
        if (index < 0) continue;
        if (param->GetValueID() == kIdNumerator && index <= nq) param->SetValue(numerator[static_cast<size_t>(index)]);
        if (param->GetValueID() == kIdDenominator && index <= np)
            param->SetValue(denominator[static_cast<size_t>(index)]);
    }
    const RequestTarget target(this);
    CommitParamSet(target, cookie);
    if (data == nullptr || length <= 0) return;

    // The 44-byte settings block of 4.x: DWORD kind, DWORD type, DWORD order, double at 12,
    // double upper cut-off at 20, double at 28, double reciprocal of the sample time at 36.
    // Only fields that lie wholly within the given length are read; a field that is not a
    // finite number (or an index out of range) keeps what was there.
    const auto* bytes = static_cast<const BYTE*>(data);
    DWORD first = 0;
    DWORD second = 0;
    DWORD order = 0;
    double value = 0.0;
    const bool haveFirst = ReadDword(bytes, length, 0, &first);
    if (haveFirst && InRange(static_cast<long>(first))) m_dwKind = first;
    if (ReadDword(bytes, length, 4, &second) && InRange(static_cast<long>(second))) m_dwType = second;
    if (ReadDword(bytes, length, 8, &order)) m_strOrder = NumberText(static_cast<double>(order));
    if (ReadDouble(bytes, length, 20, &value)) m_strUpperCutOff = NumberText(value);
    if (haveFirst && ReadDouble(bytes, length, first > 1 ? 12 : 28, &value)) m_strCutOff = NumberText(value);
    // A sample rate of 0 or below names no sample time: the parameter keeps its value.
    // The period is in seconds; the parameter holds it in its used unit.
    if (ReadDouble(bytes, length, 36, &value) && value > 0.0)
        SetParamValue(holder, qv::blocks::kIdSampleTimeField,
                      FromSimulatorUnit(MakeReciprocalText(NumberText(value)),
                                        TypedValueOf(FindParamByValueID(holder, qv::blocks::kIdSampleTimeField))));
    CommitParamSet(target, cookie);
    CommitParamSet(target, cookie);
}

void CDigitalFilterWizard4::GiveSettingsToPage(CPropDigitalFilterBlock& page) {
    page.SetDesign(m_dwKind, m_dwType, m_strOrder, m_strCutOff, m_strUpperCutOff);
}
