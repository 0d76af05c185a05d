#include "power/core_pages.h"

#include "framework/characteristic_preview.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "power/core_curves.h"
#include "toolkit/tb_numbers.h"

#include <new>
#include <vector>

using namespace qv::power::cores;
using namespace qv::dialog;

namespace {

constexpr int kCtlLevel = 151;
constexpr int kCtlCoreList = 2132;
constexpr int kCtlLevelDescription = 2364;
constexpr int kCtlEddyCurrent = 2501;
constexpr int kCtlResistivityLabel = 2500;
constexpr int kCtlCoefficient1Label = 2499;
constexpr int kCtlCoefficient2Label = 2502;
constexpr int kCtlInitialFieldLabel = 2505;

constexpr WORD kIdLevel = 151;
constexpr WORD kIdResistivity = 2299;
constexpr WORD kIdCoefficient1 = 2297;
constexpr WORD kIdCoefficient2 = 2300;
constexpr WORD kIdLength = 2503;
constexpr WORD kIdArea = 2504;
constexpr WORD kIdInitialMagnetization = 2507;
constexpr WORD kIdInitialField = 2509;

constexpr int kUnitCoefficient1 = 2520;
constexpr int kUnitCoefficient2 = 2521;
constexpr int kUnitInitialField = 2525;

using namespace qv::strings;

constexpr UINT kListEditedMessage = WM_USER + 1000;

// The eddy-current texts a switched-off page shows and applies.
constexpr char kResistivityOff[] = "1T";
constexpr char kCoefficientOff[] = "0";

using qv::pages::ControlLayout;
// Layout codes of the controls both pages have, then those of the unit boxes.
constexpr ControlLayout kCoreLayout[] = {
    {.id = 2000, .flags = 5},   {.id = 2001, .flags = 7},   {.id = 2002, .flags = 6},   {.id = 2020, .flags = 6},
    {.id = 2359, .flags = 197}, {.id = 2362, .flags = 5},   {.id = 151, .flags = 5},    {.id = 2363, .flags = 5},
    {.id = 2132, .flags = 135}, {.id = 2364, .flags = 5},   {.id = 2498, .flags = 201}, {.id = 2495, .flags = 194},
    {.id = 2091, .flags = 202}, {.id = 2501, .flags = 1},   {.id = 2500, .flags = 1},   {.id = 2499, .flags = 1},
    {.id = 2502, .flags = 1},   {.id = 2299, .flags = 65},  {.id = 2297, .flags = 65},  {.id = 2300, .flags = 65},
    {.id = 2496, .flags = 0},   {.id = 2497, .flags = 0},   {.id = 2506, .flags = 0},   {.id = 2505, .flags = 0},
    {.id = 2503, .flags = 66},  {.id = 2504, .flags = 66},  {.id = 2507, .flags = 66},  {.id = 2509, .flags = 66},
};
constexpr ControlLayout kUnitBoxLayout[] = {
    {.id = 2519, .flags = 0}, {.id = 2520, .flags = 0}, {.id = 2521, .flags = 0}, {.id = 2522, .flags = 0},
    {.id = 2523, .flags = 0}, {.id = 2524, .flags = 0}, {.id = 2525, .flags = 0},
};

// The caption static of each fixed field (the fixed-unit page appends the unit there).
struct FieldCaption {
    WORD valueID;
    int caption;
};
constexpr FieldCaption kFieldCaptions[] = {
    {.valueID = kIdResistivity, .caption = 2500}, {.valueID = kIdCoefficient1, .caption = 2499},
    {.valueID = kIdCoefficient2, .caption = 2502}, {.valueID = kIdLength, .caption = 2496},
    {.valueID = kIdArea, .caption = 2497},         {.valueID = kIdInitialMagnetization, .caption = 2506},
    {.valueID = kIdInitialField, .caption = 2505},
};

struct LevelInfo {
    int threshold;
    const char* name;
    int firstRowFrom;  // the range SelectFirstItemOfLevel looks in
    int firstRowTo;
};
constexpr LevelInfo kLevels[] = {
    {.threshold = 1099, .name = "Linear", .firstRowFrom = 1000, .firstRowTo = 1099},
    {.threshold = 1199, .name = "Anhysteretic (hyperbola)", .firstRowFrom = 1100, .firstRowTo = 1199},
    {.threshold = 1299, .name = "Anhysteretic (Langevin)", .firstRowFrom = 1200, .firstRowTo = 1299},
    {.threshold = 1399, .name = "Jiles-Atherton (hyperbola)", .firstRowFrom = 1300, .firstRowTo = 1300},
    {.threshold = 1499, .name = "Jiles-Atherton (Langevin)", .firstRowFrom = 1400, .firstRowTo = 1400},
};
constexpr LevelInfo kNoLevelInfo = {.threshold = 1999, .name = nullptr, .firstRowFrom = 1000, .firstRowTo = 1999};

const LevelInfo& InfoOf(int level) {
    if (level < 0 || level > 4) return kNoLevelInfo;
    return kLevels[level];
}

bool IsCoreRow(const CWizardCopaObject3* param) {
    return param != nullptr && !param->IsDeleted() && param->GetValueID() >= 1000 && param->GetValueID() <= 1999;
}

}  // namespace

int qv::power::cores::LevelThreshold(int level) { return InfoOf(level).threshold; }

bool qv::power::cores::RowEnabledAt(int id, int t) {
    bool enabled = id <= t;
    if (id < 1099 && t > 1099) enabled = false;
    if (id > 1199 && id < 1299 && t > 1299 && t < 1499) enabled = false;
    if (id > 1099 && id < 1199 && t > 1199 && t != 1399) enabled = false;
    if (id > 1299 && id < 1399 && t > 1199 && t != 1399) enabled = false;
    if (id > 1399 && id < 1499 && t > 1299 && t < 1499) enabled = false;
    return enabled;
}

int qv::power::cores::LevelMark(int id) {
    if (id <= 1099) return 0;
    if (id <= 1199) return 13;
    if (id <= 1299) return 24;
    if (id <= 1399) return 3;
    if (id <= 1499) return 4;
    return 0;
}

const char* qv::power::cores::LevelName(int level) { return InfoOf(level).name; }

// ---------------------------------------------------------------------------------------
// The page.

CCorePageCommon::CCorePageCommon(UINT templ, bool fixedUnits, CWizardBase3* wizard,
                                 CWizardSchematicDataExchange3* exchange)
    : CTBPropertyPage(templ), m_bFixedUnits(fixedUnits), m_pWizard(wizard), m_pExchange(exchange) {
    qv::pages::RegisterLayout(*this, kCoreLayout);
    if (!fixedUnits)
        qv::pages::RegisterLayout(*this, kUnitBoxLayout);
}

CCorePageCommon::~CCorePageCommon() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
    // The preview's window goes with it; its closing message finds this page still whole.
    delete m_pPreview;
    m_pPreview = nullptr;
    ClearPointList(m_CurvePoints);
}

BEGIN_MESSAGE_MAP(CCorePageCommon, CTBPropertyPage)
    ON_WM_PAINT()
    ON_CBN_SELCHANGE(kCtlLevel, &CCorePageCommon::OnSelchangeLevel)
    ON_CBN_DROPDOWN(kCtlLevel, &CCorePageCommon::OnLevelDropDown)
    ON_CBN_KILLFOCUS(kCtlLevel, &CCorePageCommon::OnLevelKillFocus)
    ON_BN_CLICKED(kCtlShowName, &CCorePageCommon::OnModified)
    ON_EN_CHANGE(kCtlName, &CCorePageCommon::OnModified)
    ON_BN_CLICKED(kCtlEddyCurrent, &CCorePageCommon::OnEddyCurrentLoss)
    ON_EN_CHANGE(kIdResistivity, &CCorePageCommon::OnResistivityChanged)
    ON_EN_CHANGE(kIdCoefficient1, &CCorePageCommon::OnCoefficient1Changed)
    ON_EN_CHANGE(kIdCoefficient2, &CCorePageCommon::OnCoefficient2Changed)
    ON_BN_CLICKED(kCtlShow, &CCorePageCommon::OnShowCurve)
    ON_MESSAGE(kListEditedMessage, &CCorePageCommon::OnListEdited)
    ON_MESSAGE(kPreviewClosedMessage, &CCorePageCommon::OnPreviewClosed)
END_MESSAGE_MAP()

void CCorePageCommon::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    if (!m_bFixedUnits) {
        qv::pages::ExchangeControls(pDX, {{2525, m_cboInitialFieldUnit}, {2519, m_cboResistivityUnit},
                                          {2524, m_cboInitialMagnetizationUnit}, {2522, m_cboLengthUnit},
                                          {2523, m_cboAreaUnit}, {2521, m_cboCoefficient2Unit},
                                          {2520, m_cboCoefficient1Unit}});
    }
    qv::pages::ExchangeControls(pDX, {{kCtlCoreList, m_lstCore}, {kCtlLevel, m_cboLevel}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlEddyCurrent, m_bEddyCurrentLoss}});
    qv::pages::ExchangeTexts(pDX, {{kCtlName, m_strName}, {kIdCoefficient1, m_strCoefficient1},
                                   {kIdCoefficient2, m_strCoefficient2}, {kIdArea, m_strArea},
                                   {kIdLength, m_strLength}, {kIdInitialMagnetization, m_strInitialMagnetization},
                                   {kIdInitialField, m_strInitialField}, {kIdResistivity, m_strResistivity},
                                   {kCtlLevelDescription, m_strLevelDescription}});
}

CString* CCorePageCommon::FieldOf(WORD valueID) {
    switch (valueID) {
    case kIdResistivity: return &m_strResistivity;
    case kIdCoefficient1: return &m_strCoefficient1;
    case kIdCoefficient2: return &m_strCoefficient2;
    case kIdLength: return &m_strLength;
    case kIdArea: return &m_strArea;
    case kIdInitialMagnetization: return &m_strInitialMagnetization;
    case kIdInitialField: return &m_strInitialField;
    default: return nullptr;
    }
}

CTBUnitComboBox* CCorePageCommon::UnitBoxOf(WORD valueID) {
    if (m_bFixedUnits) return nullptr;
    switch (valueID) {
    case kIdResistivity: return &m_cboResistivityUnit;
    case kIdCoefficient1: return &m_cboCoefficient1Unit;
    case kIdCoefficient2: return &m_cboCoefficient2Unit;
    case kIdLength: return &m_cboLengthUnit;
    case kIdArea: return &m_cboAreaUnit;
    case kIdInitialMagnetization: return &m_cboInitialMagnetizationUnit;
    case kIdInitialField: return &m_cboInitialFieldUnit;
    default: return nullptr;
    }
}

void CCorePageCommon::Enable(int id, bool enable) {
    if (GetSafeHwnd() == nullptr) return;
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}

int CCorePageCommon::SelectedLevel() const {
    if (m_cboLevel.GetSafeHwnd() == nullptr) return kNoLevel;
    const int sel = m_cboLevel.GetCurSel();
    return sel >= 0 && sel <= 4 ? sel : kNoLevel;
}

BOOL CCorePageCommon::OnInitDialog() {
    CResourceSwitch resources;
    CTBPropertyPage::OnInitDialog();
    m_bEddyCurrentLoss = FALSE;
    qv::pages::LoadNameAndSymbol(m_pExchange, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    if (!m_bFixedUnits)
        for (CTBUnitComboBox* box : {&m_cboInitialFieldUnit, &m_cboResistivityUnit, &m_cboInitialMagnetizationUnit,
                                     &m_cboLengthUnit, &m_cboAreaUnit, &m_cboCoefficient2Unit, &m_cboCoefficient1Unit})
            box->DisableFlatLook(TRUE);
    UpdateData(FALSE);

    qv::pages::ForEachPageInput(m_pExchange, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (CString* field = FieldOf(id)) {
            // A field without a unit list (every field of the page with fixed units) shows the
            // value in the unit its caption names.
            CTBUnitComboBox* units = UnitBoxOf(id);
            *field = units != nullptr ? param->GetValue() : qv::pages::ValueInOwnUnit(param);
            if (units != nullptr) qv::pages::ShowUnitsOf(*units, param);
            if (m_bFixedUnits) {
                for (const FieldCaption& entry : kFieldCaptions) {
                    if (entry.valueID != id) continue;
                    CString caption;
                    GetDlgItemText(entry.caption, caption);
                    AppendUnitSuffix(&caption, param->GetUnit());
                    SetDlgItemText(entry.caption, caption);
                }
            }
        } else if (id == kIdLevel) {
            CString text = param->GetValue();
            text.Trim();
            if (text == "0" || text == "1" || text == "2" || text == "3" || text == "4") {
                const int n = text[0] - '0';
                if (m_cboLevel.SetCurSel(n) == CB_ERR) {
                    m_cboLevel.SetCurSel(m_cboLevel.AddString(text));
                    m_nLevel = kNoLevel;
                } else {
                    m_nLevel = n;
                }
            } else {
                // Any other text is no valid selection: the page shows every group that has
                // no level of its own, and choosing a level afterwards is a change.
                m_cboLevel.SetCurSel(-1);
                m_nLevel = kNoLevel;
            }
        }
    });
    UpdateData(FALSE);
    LoadAdditionalWizardData();
    OnEddyCurrentLoss();
    const bool initialField = m_nLevel == 3 || m_nLevel == 4;
    Enable(kCtlInitialFieldLabel, initialField);
    Enable(kIdInitialField, initialField);
    if (!m_bFixedUnits) Enable(kUnitInitialField, initialField);

    int column = 0;
    m_lstCore.InsertEditColumn(column++, LoadLibraryString(kStrLevel), 0, -1, -1);
    m_lstCore.InsertEditColumn(column++, LoadLibraryString(kStrName), 0, -1, -1);
    m_lstCore.InsertEditColumn(column++, LoadLibraryString(kStrValue), 0, -1, -1);
    if (!m_bFixedUnits) m_lstCore.InsertEditColumn(column++, LoadLibraryString(kStrUnit), 0, -1, -1);
    m_lstCore.InsertEditColumn(column++, LoadLibraryString(kStrDescription), 0, -1, -1);
    m_lstCore.Init(m_pWizard, m_pExchange, "CoreList");
    m_lstCore.InitializeCtrl(1, 1);
    m_lstCore.InitializeColumnSize(0, "WIZColumnWidths", "CoreList");
    m_lstCore.LoadColumnWidths();
    FillCoreList();
    SetModified(FALSE);
    return TRUE;
}

void CCorePageCommon::FillCoreList() {
    const int threshold = LevelThreshold(SelectedLevel());
    const int count = m_pExchange != nullptr ? m_pExchange->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        if (!IsCoreRow(param)) continue;
        const int row = m_lstCore.GetItemCount();
        auto* record = new BitmapListRecord{.param = param,
                                            .kind = LevelMark(param->GetValueID()),
                                            .editable = RowEnabledAt(param->GetValueID(), threshold) ? TRUE : FALSE};
        if (m_lstCore.InsertRecordItem(row, "", record) < 0) continue;
        CString description;
        if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(param->GetDescriptionMap(), description);
        if (description.IsEmpty()) description = param->GetName();
        if (m_bFixedUnits) {
            CString name = param->GetName();
            AppendUnitSuffix(&name, param->GetUnit());
            m_lstCore.SetEditItemText(row, 1, name, TB_EDIT_NONE, "");
            // The row's name gives the unit: its value is shown in it.
            m_lstCore.SetEditItemText(row, 2, qv::pages::ValueInOwnUnit(param), TB_EDIT_NONE, "");
            m_lstCore.SetEditItemText(row, 3, description, TB_EDIT_NONE, "");
        } else {
            m_lstCore.SetEditItemText(row, 1, param->GetName(), TB_EDIT_NONE, "");
            m_lstCore.SetEditItemText(row, 2, param->GetValue(), TB_EDIT_TEXT, "");
            m_lstCore.SetEditItemText(row, 3, param->GetUsedUnit(), TB_EDIT_UNIT, param->GetQuantity());
            m_lstCore.SetEditItemText(row, 4, description, TB_EDIT_NONE, "");
        }
    }
    if (const char* name = LevelName(SelectedLevel())) m_strLevelDescription = name;
    UpdateData(FALSE);
}

void CCorePageCommon::OnSelchangeLevel() {
    UpdateData(TRUE);
    m_lstCore.CloseEdit(TRUE);
    SetModified(TRUE);
    int sel = m_cboLevel.GetCurSel();
    if (sel < 0) {
        CString text;
        m_cboLevel.GetWindowText(text);
        sel = kNoLevel;
        BOOL ok = FALSE;
        if (!text.IsEmpty()) {
            const int typed = TBExtended_ftoi(TBExtended_atof(text, ""), &ok);
            if (ok) sel = typed;
        }
    }
    // A level outside 0 to 4 is no valid selection.
    if (sel < 0 || sel > 4) sel = kNoLevel;
    if (sel == m_nLevel) return;
    const int threshold = LevelThreshold(sel);
    for (int row = 0; row < m_lstCore.GetItemCount(); ++row) {
        BitmapListRecord* record = m_lstCore.GetRecord(row);
        if (record == nullptr || record->param == nullptr) continue;
        record->editable = RowEnabledAt(record->param->GetValueID(), threshold) ? TRUE : FALSE;
    }
    SelectFirstItemOfLevel(sel);
    if (m_lstCore.GetItemCount() > 0) m_lstCore.RedrawItems(0, m_lstCore.GetItemCount() - 1);
    m_nLevel = sel;
    ApplyLevelControls(sel);
    if (const char* name = LevelName(sel)) m_strLevelDescription = name;
    UpdateData(FALSE);
}

void CCorePageCommon::ApplyLevelControls(int level) {
    const bool levelZero = level == 0;
    const bool eddy = levelZero && m_bEddyCurrentLoss;
    Enable(kCtlCoefficient1Label, eddy);
    Enable(kIdCoefficient1, eddy);
    Enable(kCtlCoefficient2Label, eddy);
    Enable(kIdCoefficient2, eddy);
    if (!m_bFixedUnits) {
        Enable(kUnitCoefficient1, levelZero);
        Enable(kUnitCoefficient2, levelZero);
    }
    const bool initialField = level == 3 || level == 4;
    Enable(kCtlInitialFieldLabel, initialField);
    Enable(kIdInitialField, initialField);
    if (!m_bFixedUnits) Enable(kUnitInitialField, initialField);
}

void CCorePageCommon::SelectFirstItemOfLevel(int level) {
    const LevelInfo& info = InfoOf(level);
    for (int row = 0; row < m_lstCore.GetItemCount(); ++row) {
        const BitmapListRecord* record = m_lstCore.GetRecord(row);
        if (record == nullptr || record->param == nullptr) continue;
        const int id = record->param->GetValueID();
        if (id < info.firstRowFrom || id > info.firstRowTo) continue;
        m_lstCore.SelectItem(row);
        m_lstCore.EnsureVisible(row, FALSE);
        return;
    }
}

void CCorePageCommon::OnEddyCurrentLoss() {
    UpdateData(TRUE);
    const bool on = m_bEddyCurrentLoss != FALSE;
    Enable(kCtlResistivityLabel, on);
    Enable(kIdResistivity, on);
    if (SelectedLevel() == 0) {
        Enable(kCtlCoefficient1Label, on);
        Enable(kIdCoefficient1, on);
        Enable(kCtlCoefficient2Label, on);
        Enable(kIdCoefficient2, on);
        if (!m_bFixedUnits) {
            Enable(kUnitCoefficient1, true);
            Enable(kUnitCoefficient2, true);
        }
    }
    // The page with fixed units shows the values as the parameters hold them, whatever the
    // switch; the other page shows what the switch stands for.
    if (EddyCurrentSettings* remembered = Remembered()) {
        if (on) {
            m_strResistivity = remembered->resistivity;
            m_strCoefficient1 = remembered->coefficient1;
            m_strCoefficient2 = remembered->coefficient2;
        } else {
            m_strResistivity = kResistivityOff;
            m_strCoefficient1 = kCoefficientOff;
            m_strCoefficient2 = kCoefficientOff;
        }
        UpdateData(FALSE);
    }
    SetModified(TRUE);
}

void CCorePageCommon::RememberTyped(int id, CString EddyCurrentSettings::*field) {
    OnModified();
    if (EddyCurrentSettings* remembered = Remembered()) GetDlgItemText(id, remembered->*field);
}

void CCorePageCommon::OnResistivityChanged() { RememberTyped(kIdResistivity, &EddyCurrentSettings::resistivity); }
void CCorePageCommon::OnCoefficient1Changed() { RememberTyped(kIdCoefficient1, &EddyCurrentSettings::coefficient1); }
void CCorePageCommon::OnCoefficient2Changed() { RememberTyped(kIdCoefficient2, &EddyCurrentSettings::coefficient2); }

void CCorePageCommon::OnModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CCorePageCommon::OnLevelDropDown() {
    CString text;
    m_cboLevel.GetWindowText(text);
    if (text.IsEmpty()) return;
    for (int i = 0; i < m_cboLevel.GetCount(); ++i) {
        CString entry;
        m_cboLevel.GetLBText(i, entry);
        if (entry.Left(text.GetLength()) == text) return;
    }
    OnSelchangeLevel();
}

void CCorePageCommon::OnLevelKillFocus() {
    CString text;
    m_cboLevel.GetWindowText(text);
    if (!text.IsEmpty()) OnSelchangeLevel();
}

LRESULT CCorePageCommon::OnListEdited(WPARAM, LPARAM) {
    SetModified(TRUE);
    return 0;
}

void CCorePageCommon::LoadAdditionalWizardData() {
    if (m_pWizard == nullptr) return;
    BYTE* data = nullptr;
    const DWORD size = m_pWizard->GetAdditionalWizardData(&data);
    if (data == nullptr) return;
    EddyCurrentSettings* remembered = Remembered();
    EddyCurrentSettings settings;
    if (remembered != nullptr) settings = *remembered;
    settings.switchedOn = m_bEddyCurrentLoss ? 1 : 0;
    LoadCoreAdditionalData(data, size, settings, remembered != nullptr);
    m_bEddyCurrentLoss = settings.switchedOn != 0 ? TRUE : FALSE;
    if (remembered != nullptr) *remembered = settings;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CCorePageCommon::StoreAdditionalWizardData() {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    if (m_pWizard == nullptr) return;
    const DWORD switchedOn = m_bEddyCurrentLoss ? 1 : 0;
    std::vector<BYTE> block;
    if (EddyCurrentSettings* remembered = Remembered()) {
        EddyCurrentSettings settings = *remembered;
        settings.switchedOn = switchedOn;
        block = StoreCoreAdditionalData(settings);
    } else {
        block = StoreFixedCoreAdditionalData(switchedOn);
    }
    auto* bytes = new BYTE[block.size()];
    std::copy(block.begin(), block.end(), bytes);
    m_pWizard->SetAdditionalWizardData(bytes, static_cast<DWORD>(block.size()));
}

BOOL CCorePageCommon::OnApply() {
    // Without the data-exchange object there is nothing to write into.
    if (!qv::pages::StoreNameOnApply(*this, m_pExchange, m_strName, m_bShowName)) return FALSE;
    qv::pages::ForEachPageInput(m_pExchange, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (const CString* field = FieldOf(id)) {
            param->SetValue(*field);
            if (const CTBUnitComboBox* units = UnitBoxOf(id))
                qv::pages::WriteShownUnit(units, param);
            else
                qv::pages::WriteOwnUnit(param);
        } else if (id == kIdLevel) {
            // Without a valid selection the stored level stays as it is.
            const int level = SelectedLevel();
            if (level != kNoLevel) param->SetValue(TBExtended_ftoa(level, -1, 0, ""));
        }
    });
    m_lstCore.CloseEdit(TRUE);
    for (int row = 0; row < m_lstCore.GetItemCount(); ++row) {
        const BitmapListRecord* record = m_lstCore.GetRecord(row);
        if (record == nullptr || record->param == nullptr) continue;
        record->param->SetValue(m_lstCore.GetItemText(row, 2));
        if (m_bFixedUnits)
            qv::pages::WriteOwnUnit(record->param);
        else
            record->param->SetUsedUnit(m_lstCore.GetItemText(row, 3));
    }
    m_lstCore.SaveColumnWidths();
    StoreAdditionalWizardData();
    if (!CommitExchange(RequestTarget(m_pWizard), m_pExchange)) return FALSE;
    RefreshOpenPreview();
    return CPropertyPage::OnApply();
}

void CCorePageCommon::BuildCurveOfLevel(int level) {
    if (m_pExchange == nullptr || level < 0 || level > 4) {
        ClearPointList(m_CurvePoints);
        return;
    }
    ReplacePointList(m_CurvePoints, BuildCurve(level, m_pExchange->m_Params));
}

void CCorePageCommon::RefreshOpenPreview() {
    if (m_pPreview == nullptr || m_pPreview->GetSafeHwnd() == nullptr) return;
    UpdateData(TRUE);
    BuildCurveOfLevel(SelectedLevel());
    m_pPreview->SetPointArray(&m_CurvePoints);
    m_pPreview->Invalidate(FALSE);
    m_pPreview->UpdateWindow();
}

void CCorePageCommon::OnShowCurve() {
    UpdateData(TRUE);
    SetModified(TRUE);
    const int sel = SelectedLevel();
    // The old preview goes first: its window's closing message sets the caption back to
    // "Show", and the caption is to read "Update" while the new one is open.
    delete m_pPreview;
    m_pPreview = nullptr;
    {
        CResourceSwitch resources;
        SetDlgItemText(kCtlShow, LoadLibraryString(kStrUpdate));
    }
    m_pPreview = new (std::nothrow) CCharacteristicDlg(this, m_strName);
    if (m_pPreview == nullptr) return;
    BuildCurveOfLevel(sel);
    m_pPreview->SetPointArray(&m_CurvePoints);
    CResourceSwitch resources;
    if (m_pPreview->CreateModeless()) m_pPreview->ShowWindow(SW_SHOW);
}

LRESULT CCorePageCommon::OnPreviewClosed(WPARAM, LPARAM) {
    CResourceSwitch resources;
    SetDlgItemText(kCtlShow, LoadLibraryString(kStrShow));
    return 0;
}

void CCorePageCommon::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

CPropCoreModel::CPropCoreModel(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CCorePageCommon(kCorePageTemplate, false, wizard, exchange) {}

void CPropCoreModel::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kCorePageArchiveVersion;
        ar << m_remembered.resistivity << m_remembered.coefficient1 << m_remembered.coefficient2;
        return;
    }
    DWORD version = 0;
    ar >> version;
    ar >> m_remembered.resistivity >> m_remembered.coefficient1 >> m_remembered.coefficient2;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

CPropCoreModelFixed::CPropCoreModelFixed(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CCorePageCommon(kFixedCorePageTemplate, true, wizard, exchange) {}

// ---------------------------------------------------------------------------------------
// The wizards.

IMPLEMENT_DYNAMIC(CCoreModelWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CCoreModelFixedWizard, CWizardBase3)
