// The two core-model pages and their wizards, driven as a user drives them: the level and its
// rows, the eddy-current switch and its remembered texts, the additional data they store
// (golden bytes), the preview of the curve, and crafted additional data.
#include "machines_support.h"

#include "framework/characteristic_preview.h"
#include "power/core_curves.h"
#include "power/core_pages.h"

namespace {

using namespace machines_test;
using qv::power::cores::LevelThreshold;
using qv::power::cores::RowEnabledAt;

// The core element as the catalogue defines it, with a few extra rows on the group edges.
const std::vector<ParamRow> kCoreRows = {
    {.id = 151, .name = "LEVEL", .value = "0", .type = 0x4},
    {.id = 1000, .name = "MUE", .value = "1000", .type = 0x4},
    {.id = 1099, .name = "EDGE", .value = "1", .type = 0x4},
    {.id = 1100, .name = "AHYP", .value = "50", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 1101, .name = "MSHYP", .value = "1.2meg", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 1200, .name = "ALAN", .value = "50", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 1201, .name = "MSLAN", .value = "1.2meg", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 1202, .name = "ALPHALAN", .value = "0.0001", .type = 0x4},
    {.id = 1300, .name = "CHYP", .value = "0.2", .type = 0x4},
    {.id = 1301, .name = "KHYP", .value = "40", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 1400, .name = "CLAN", .value = "0.2", .type = 0x4},
    {.id = 1401, .name = "KLAN", .value = "40", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 1500, .name = "EXTRA", .value = "7", .type = 0x4},
    {.id = 2299, .name = "RHO", .value = "1T", .type = 0x4, .unit = "Ohmm"},
    {.id = 2297, .name = "AC1", .value = "0", .type = 0x4},
    {.id = 2300, .name = "AC2", .value = "0", .type = 0x4},
    {.id = 2503, .name = "LEFF", .value = "0.1", .type = 0x4, .quantity = "Length", .unit = "m"},
    {.id = 2504, .name = "AEFF", .value = "100u", .type = 0x4, .unit = "m2"},
    {.id = 2507, .name = "M0", .value = "0", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
    {.id = 2509, .name = "H0", .value = "0", .type = 0x4, .quantity = "Field Strength", .unit = "A/m"},
};

std::vector<ParamRow> WithLevel(const char* level) {
    std::vector<ParamRow> rows = kCoreRows;
    rows[0].value = level;
    return rows;
}

// The page archive of the page with units: DWORD 10 and three short strings.
Bytes PageArchive(const std::string& a, const std::string& b, const std::string& c) {
    Bytes out;
    Dword(out, 10);
    Str(out, a);
    Str(out, b);
    Str(out, c);
    return out;
}

Bytes CoreBlock(DWORD on, const Bytes& archive) {
    Bytes out = Dwords({on, 0, 0, static_cast<DWORD>(archive.size())});
    Append(out, archive);
    Dword(out, 0);
    Dword(out, 0);
    return out;
}

Bytes AdditionalData(CWizardBase3& wizard) {
    BYTE* data = nullptr;
    const DWORD size = wizard.GetAdditionalWizardData(&data);
    return data ? Bytes(data, data + size) : Bytes();
}

void GiveData(CWizardBase3& wizard, const Bytes& bytes) {
    auto* copy = new BYTE[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), copy);
    wizard.SetAdditionalWizardData(copy, static_cast<DWORD>(bytes.size()));
}

class CorePage : public MachinesTest {
protected:
    std::unique_ptr<CCoreModelWizard> Core(const std::vector<ParamRow>& rows = kCoreRows) {
        return NewOlder<CCoreModelWizard>(rows, "CORE1");
    }
    std::unique_ptr<CCoreModelFixedWizard> Fixed(const std::vector<ParamRow>& rows = kCoreRows) {
        return NewOlder<CCoreModelFixedWizard>(rows, "CORE2");
    }
    static CComboBox* LevelBox(CWnd* page) { return static_cast<CComboBox*>(page->GetDlgItem(151)); }
    // The editable flag of the row of a value ID.
    static bool RowEditable(CCorePageCommon* page, WORD id) {
        CBitmapListCtrl& list = page->CoreList();
        for (int row = 0; row < list.GetItemCount(); ++row) {
            const BitmapListRecord* record = list.GetRecord(row);
            if (record && record->param && record->param->GetValueID() == id) return record->editable != FALSE;
        }
        ADD_FAILURE() << "no row " << id;
        return false;
    }
    static int RowOf(CCorePageCommon* page, WORD id) {
        CBitmapListCtrl& list = page->CoreList();
        for (int row = 0; row < list.GetItemCount(); ++row) {
            const BitmapListRecord* record = list.GetRecord(row);
            if (record && record->param && record->param->GetValueID() == id) return row;
        }
        return -1;
    }
};

// ---------------------------------------------------------------------------------------
// Rows and levels.

TEST(CoreLevels, EnabledRuleByGroupAndLevel) {
    // Rows: the groups' inner IDs and the five edges; columns: levels 0 to 4 and none.
    struct Case {
        int id;
        int enabled[6];
    } cases[] = {
        {1000, {1, 0, 0, 0, 0, 0}}, {1050, {1, 0, 0, 0, 0, 0}}, {1099, {1, 1, 1, 1, 1, 1}},
        {1100, {0, 1, 0, 1, 0, 0}}, {1198, {0, 1, 0, 1, 0, 0}}, {1200, {0, 0, 1, 0, 1, 1}},
        {1300, {0, 0, 0, 1, 0, 0}}, {1400, {0, 0, 0, 0, 1, 1}}, {1498, {0, 0, 0, 0, 1, 1}},
        {1500, {0, 0, 0, 0, 0, 1}}, {1999, {0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases)
        for (int level = 0; level < 6; ++level)
            EXPECT_EQ(c.enabled[level] != 0, RowEnabledAt(c.id, LevelThreshold(level < 5 ? level : -1)))
                << c.id << " at level " << level;
    EXPECT_EQ(1999, LevelThreshold(7)) << "a level outside 0 to 4 counts as none";
    struct Mark {
        int id;
        int mark;
    } marks[] = {{1000, 0}, {1099, 0}, {1100, 13}, {1250, 24}, {1300, 3}, {1499, 4}, {1500, 0}};
    for (const Mark& m : marks) EXPECT_EQ(m.mark, qv::power::cores::LevelMark(m.id)) << m.id;
}

TEST_F(CorePage, RowsFollowTheChosenLevelAndItsFirstRowIsSelected) {
    auto wizard = Core();
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    CPropCoreModel* page = open.Page();
    ASSERT_NE(nullptr, page);
    ASSERT_EQ(12, page->CoreList().GetItemCount()) << "a row for each ID from 1000 to 1999";
    EXPECT_EQ("MUE", page->CoreList().GetItemText(0, 1).str());
    EXPECT_EQ("Linear", Text(page, 2364));
    const WORD ids[] = {1000, 1099, 1100, 1200, 1300, 1400, 1500};
    struct Case {
        int level;
        const char* description;
        WORD selected;
        bool enabled[7];
    } cases[] = {
        {3, "Jiles-Atherton (hyperbola)", 1300, {false, true, true, false, true, false, false}},
        {2, "Anhysteretic (Langevin)", 1200, {false, true, false, true, false, false, false}},
        {4, "Jiles-Atherton (Langevin)", 1400, {false, true, false, true, false, true, false}},
        {1, "Anhysteretic (hyperbola)", 1100, {false, true, true, false, false, false, false}},
        {0, "Linear", 1000, {true, true, false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), c.level));
        EXPECT_EQ(c.level, page->GetLevel());
        EXPECT_EQ(c.description, Text(page, 2364));
        EXPECT_EQ(RowOf(page, c.selected), page->CoreList().GetSelectedItem()) << c.level;
        for (size_t i = 0; i < std::size(ids); ++i)
            EXPECT_EQ(c.enabled[i], RowEditable(page, ids[i])) << ids[i] << " at level " << c.level;
        const bool loop = c.level >= 3;
        EXPECT_EQ(loop, Enabled(page, 2505));
        EXPECT_EQ(loop, Enabled(page, 2509));
        EXPECT_EQ(loop, Enabled(page, 2525));
        EXPECT_TRUE(Enabled(page, 2507)) << "the initial magnetisation is always enabled";
        EXPECT_EQ(c.level == 0, Enabled(page, 2520));
        EXPECT_EQ(c.level == 0, Enabled(page, 2521));
        EXPECT_FALSE(Enabled(page, 2297)) << "the switch is off";
    }
}

TEST_F(CorePage, LevelThreeWithoutRow1300SelectsNothingAndTheSameLevelOnlyMarksModified) {
    auto wizard = Core(Without(kCoreRows, 1300));
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    CPropCoreModel* page = open.Page();
    ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 3));
    EXPECT_EQ(-1, page->CoreList().GetSelectedItem()) << "1301 is no first row of level 3";
    page->SetModified(FALSE);
    ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 3));
    EXPECT_TRUE(page->IsPageModified());
    EXPECT_EQ(3, page->GetLevel());
}

TEST_F(CorePage, LevelTextThatIsNoLevelLeavesNoSelectionAndApplyKeepsIt) {
    for (const char* text : {"x", "5", "-1", " 2 "}) {
        SCOPED_TRACE(text);
        auto wizard = Core(WithLevel(text));
        {
            OpenPage<CCoreModelWizard> open(*wizard, Exchange());
            CPropCoreModel* page = open.Page();
            if (std::string(text) == " 2 ") {
                EXPECT_EQ(2, page->GetLevel()) << "white space around the level is trimmed";
                continue;
            }
            EXPECT_EQ(-1, LevelBox(page)->GetCurSel());
            EXPECT_EQ(-1, page->GetLevel());
            EXPECT_EQ("", Text(page, 2364));
            EXPECT_TRUE(RowEditable(page, 1500));
            EXPECT_TRUE(RowEditable(page, 1400));
            EXPECT_FALSE(RowEditable(page, 1000));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
            EXPECT_EQ(text, P(151)->GetValue().str()) << "no -1 over the user's value";
            // Choosing level 0 afterwards is a change of level.
            ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 0));
            EXPECT_TRUE(RowEditable(page, 1000));
            EXPECT_EQ("Linear", Text(page, 2364));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
            EXPECT_EQ("0", P(151)->GetValue().str());
        }
    }
}

// ---------------------------------------------------------------------------------------
// Eddy current and the additional data.

TEST_F(CorePage, NewElementAppliesTheSwitchedOffTextsAndStoresTheGoldenBlock) {
    auto wizard = Core();
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    CPropCoreModel* page = open.Page();
    EXPECT_FALSE(Checked(page, 2501));
    ExpectTexts(page, {{2299, "1T"}, {2297, "0"}, {2300, "0"}});
    EXPECT_FALSE(Enabled(page, 2299));
    EXPECT_FALSE(Enabled(page, 2500));
    P(2299)->SetValue("old");
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ExpectValues(editor->Holder(element), {{2299, "1T"}, {2297, "0"}, {2300, "0"}});
    EXPECT_EQ(CoreBlock(0, PageArchive("2", "0", "0")), AdditionalData(*wizard));
}

TEST_F(CorePage, SwitchShowsTheRememberedTextsWhichFollowOnlyTyping) {
    auto wizard = Core();
    {
        OpenPage<CCoreModelWizard> open(*wizard, Exchange());
        CPropCoreModel* page = open.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2501));
        EXPECT_EQ("2", Text(page, 2299));
        EXPECT_EQ("0", Text(page, 2297));
        EXPECT_TRUE(Enabled(page, 2299));
        EXPECT_TRUE(Enabled(page, 2297)) << "level 0 with the switch on";
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2299), "5"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2300), "3m"));
        ASSERT_TRUE(qv::ui::Click(page, 2501));
        EXPECT_EQ("1T", Text(page, 2299));
        EXPECT_EQ("0", Text(page, 2300));
        EXPECT_FALSE(Enabled(page, 2299));
        ASSERT_TRUE(qv::ui::Click(page, 2501));
        EXPECT_EQ("5", Text(page, 2299));
        EXPECT_EQ("3m", Text(page, 2300));
        // Level 1 locks the coefficients; back at level 0 the switch opens them again.
        ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 1));
        EXPECT_FALSE(Enabled(page, 2297));
        EXPECT_FALSE(Enabled(page, 2499));
        EXPECT_TRUE(Enabled(page, 2299));
        ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 0));
        EXPECT_TRUE(Enabled(page, 2297));
        EXPECT_TRUE(Enabled(page, 2502));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ("5", P(2299)->GetValue().str());
        EXPECT_EQ("3m", P(2300)->GetValue().str());
        EXPECT_EQ(CoreBlock(1, PageArchive("5", "0", "3m")), AdditionalData(*wizard));
    }
    // A page opened again takes switch and texts from the block.
    OpenPage<CCoreModelWizard> again(*wizard, Exchange());
    EXPECT_TRUE(Checked(again.Page(), 2501));
    EXPECT_EQ("5", Text(again.Page(), 2299));
    ASSERT_TRUE(qv::ui::Click(again.Page(), 2501));
    EXPECT_EQ("1T", Text(again.Page(), 2299));
}

TEST_F(CorePage, CraftedBlocksStayWithinTheirBytes) {
    Bytes wrapping = Dwords({1, 0});
    Dword(wrapping, 0xFFFFFFF8u);  // L1 that wraps the offset round
    Append(wrapping, PageArchive("9", "9", "9"));
    Bytes longArchive = CoreBlock(1, PageArchive("7", "8", "9"));
    longArchive[12] = 200;  // L2 beyond the block
    Bytes cut = CoreBlock(1, PageArchive("7", "8", "9"));
    cut.resize(20);  // ends inside the page archive
    Bytes brokenArchive = CoreBlock(1, PageArchive("7", "8", "9"));
    brokenArchive[20] = 50;  // first string longer than the archive
    const Bytes good = CoreBlock(1, PageArchive("7", "8", "9"));
    struct Case {
        const char* what;
        Bytes block;
        bool on;
        const char* resistivity;
    } cases[] = {
        {"wrapping L1", wrapping, true, "2"},  {"L2 too long", longArchive, true, "2"},
        {"cut short", cut, true, "2"},          {"broken archive", brokenArchive, true, "2"},
        {"three bytes", Bytes{1, 0, 0}, false, "1T"}, {"whole", good, true, "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = Core();
        GiveData(*wizard, c.block);
        OpenPage<CCoreModelWizard> open(*wizard, Exchange());
        EXPECT_EQ(c.on, Checked(open.Page(), 2501));
        EXPECT_EQ(c.resistivity, Text(open.Page(), 2299));
        EXPECT_EQ(c.block, AdditionalData(*wizard)) << "reading leaves the wizard's block alone";
    }
}

// ---------------------------------------------------------------------------------------
// Apply, the list and the preview.

TEST_F(CorePage, ApplyWritesFieldsUnitsListCellsAndLevel) {
    auto wizard = Core();
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    CPropCoreModel* page = open.Page();
    EXPECT_EQ("m", Text(page, 2522));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2503), "25"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2522), "cm"));
    ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 3));
    ASSERT_TRUE(qv::ui::EditListCell(&page->CoreList(), RowOf(page, 1300), 2, "0.5"));
    EXPECT_FALSE(qv::ui::EditListCell(&page->CoreList(), RowOf(page, 1000), 2, "9")) << "a locked row";
    ASSERT_TRUE(qv::ui::EditListCell(&page->CoreList(), RowOf(page, 1301), 3, "kA/m"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("25", P(2503)->GetValue().str());
    EXPECT_EQ("cm", P(2503)->GetUsedUnit().str());
    EXPECT_EQ("m2", P(2504)->GetUsedUnit().str()) << "a box without units keeps the used unit";
    ExpectValues(editor->Holder(element), {{151, "3"}, {1300, "0.5"}, {1000, "1000"}});
    EXPECT_EQ("kA/m", P(1301)->GetUsedUnit().str());
}

// A unit box offers the units of its value's quantity; a value without one (the AC
// coefficients) has no units to choose, and its box is not shown.
TEST_F(CorePage, UnitBoxesShowOnlyWhereTheValueHasUnits) {
    std::vector<ParamRow> rows = kCoreRows;
    for (ParamRow& row : rows)
        if (row.id == 2299) row.quantity = "Resistivity";
    auto wizard = Core(rows);
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    CPropCoreModel* page = open.Page();
    const struct {
        int box;
        bool shown;
    } cases[] = {{2519, true}, {2520, false}, {2521, false}, {2522, true}, {2523, false}, {2524, true}, {2525, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        EXPECT_EQ(c.shown, Visible(page, c.box));
        auto* box = static_cast<CComboBox*>(page->GetDlgItem(c.box));
        ASSERT_NE(nullptr, box);
        if (c.shown) {
            EXPECT_LT(0, box->GetCount());
        }
    }
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("", P(2297)->GetUsedUnit().str()) << "a hidden box writes no unit";
}

TEST_F(CorePage, RefusedCommitMakesApplyFail) {
    auto wizard = Core();
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    editor->SetCommitAnswer(1);
    EXPECT_FALSE(open.Page()->OnApply());
    editor->SetCommitAnswer(0);
}

TEST_F(CorePage, ShowOpensThePreviewUpdateReplacesItApplyRefreshesIt) {
    auto wizard = Core();
    OpenPage<CCoreModelWizard> open(*wizard, Exchange());
    CPropCoreModel* page = open.Page();
    EXPECT_EQ("Show", Text(page, 2217));
    CCharacteristicDlg* first = ShownPreview(page);
    ASSERT_NE(nullptr, first);
    ASSERT_EQ(2, page->GetCurvePoints().GetSize());
    const double mu0 = qv::power::cores::kMu0;
    EXPECT_NEAR(-2.0 / (mu0 * 1000), static_cast<CDataPoint*>(page->GetCurvePoints().GetAt(0))->x, 1e-9);

    // "Update" over the open preview: a new window, the caption stays.
    ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 3));
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    EXPECT_EQ("Update", Text(page, 2217));
    ASSERT_NE(nullptr, page->GetPreview()->GetSafeHwnd());
    EXPECT_EQ(400, page->GetCurvePoints().GetSize());

    // A successful apply rebuilds the curve of the open preview from the applied values.
    ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 0));
    ASSERT_TRUE(qv::ui::EditListCell(&page->CoreList(), RowOf(page, 1000), 2, "500"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ASSERT_EQ(2, page->GetCurvePoints().GetSize());
    EXPECT_NEAR(2.0 / (mu0 * 500), static_cast<CDataPoint*>(page->GetCurvePoints().GetAt(1))->x, 1e-9);

    // The user closes it: "Show" again; an apply then leaves the points alone.
    ASSERT_TRUE(qv::ui::CloseBox(page->GetPreview()));
    EXPECT_EQ("Show", Text(page, 2217));
    ASSERT_TRUE(qv::ui::ChooseEntry(LevelBox(page), 3));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(2, page->GetCurvePoints().GetSize());
}

// ---------------------------------------------------------------------------------------
// The page with fixed units.

TEST_F(CorePage, FixedPageShowsUnitsOnceAndWritesBackWhatItShows) {
    auto wizard = Fixed();
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        OpenPage<CCoreModelFixedWizard> open(*wizard, Exchange());
        CPropCoreModelFixed* page = open.Page();
        ASSERT_NE(nullptr, page);
        EXPECT_EQ("Core Resitivity [Ohmm]", Text(page, 2500));
        EXPECT_EQ("AC Coefficient 1 (Level 0)", Text(page, 2499)) << "no unit, no brackets";
        EXPECT_EQ("Effective Length of Core [m]", Text(page, 2496));
        EXPECT_EQ("Initial Magnetic Field [A/m]", Text(page, 2505));
        EXPECT_EQ(nullptr, page->GetDlgItem(2519)) << "no unit boxes";
        CBitmapListCtrl& list = page->CoreList();
        EXPECT_EQ("AHYP [A/m]", list.GetItemText(RowOf(page, 1100), 1).str());
        EXPECT_EQ("MUE", list.GetItemText(RowOf(page, 1000), 1).str());
        EXPECT_EQ("MUE", list.GetItemText(RowOf(page, 1000), 3).str()) << "description falls back to the name";
        EXPECT_FALSE(qv::ui::EditListCell(&list, RowOf(page, 1000), 2, "9")) << "values are not edited here";
        for (int id : {2299, 2297, 2300}) EXPECT_NE(0u, page->GetDlgItem(id)->GetStyle() & ES_READONLY) << id;
        // The switch opens and locks the fields and never changes their texts.
        ASSERT_TRUE(qv::ui::Click(page, 2501));
        EXPECT_EQ(opening == 0, Checked(page, 2501));
        EXPECT_EQ("1T", Text(page, 2299));
        EXPECT_EQ(opening == 0, Enabled(page, 2299));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2503), "0.3"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        ExpectValues(editor->Holder(element), {{2503, "0.3"}, {1000, "1000"}, {2299, "1T"}});
        EXPECT_EQ("m", P(2503)->GetUsedUnit().str());
        Bytes block;
        Dword(block, opening == 0 ? 1 : 0);
        block.resize(24, 0);
        EXPECT_EQ(block, AdditionalData(*wizard));
    }
}

TEST_F(CorePage, FixedPageTakesOnlyTheSwitchFromABlockWithAnArchive) {
    auto wizard = Fixed();
    GiveData(*wizard, CoreBlock(1, PageArchive("7", "8", "9")));
    OpenPage<CCoreModelFixedWizard> open(*wizard, Exchange());
    EXPECT_TRUE(Checked(open.Page(), 2501));
    EXPECT_EQ("1T", Text(open.Page(), 2299));
    EXPECT_TRUE(Enabled(open.Page(), 2299));
}

// ---------------------------------------------------------------------------------------
// The wizards.

TEST_F(CorePage, WizardsOfBothIdsMakeTheirPagesOnlyInModeOne) {
    for (unsigned id : {110u, 111u}) {
        SCOPED_TRACE(id);
        std::unique_ptr<CWizardBase3> wizard(CreateWizardInstance(id));
        ASSERT_NE(nullptr, wizard);
        EXPECT_STREQ(id == 110 ? "CCoreModelWizard" : "CCoreModelFixedWizard",
                     wizard->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(3, wizard->GetWizardKind());
        element = editor->AddElement(MakeExchange(kCoreRows, "CORE"));
        editor->Attach(*wizard, element);
        for (UINT mode : {0u, 2u}) {
            CPropertySheet sheet("Element");
            EXPECT_FALSE(wizard->DoEditProperties(sheet, Exchange(), mode));
            EXPECT_EQ(0, sheet.GetPageCount());
        }
        wizard->EndEditProperties();  // nothing to end
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        EXPECT_EQ(1, sheet.GetPageCount());
        std::unique_ptr<CWizardBase3> clone(wizard->Clone());
        ASSERT_NE(nullptr, clone);
        EXPECT_EQ(wizard->GetRuntimeClass(), clone->GetRuntimeClass());
        if (id == 110) {
            EXPECT_EQ(nullptr, static_cast<CCoreModelWizard*>(clone.get())->GetPage());
            EXPECT_NE(nullptr, static_cast<CCoreModelWizard*>(wizard.get())->GetPage());
        }
        // A second edit before the end replaces the page without losing the first.
        CPropertySheet second("Element");
        ASSERT_TRUE(wizard->DoEditProperties(second, Exchange(), 1));
        wizard->EndEditProperties();
        if (id == 110) {
            EXPECT_EQ(nullptr, static_cast<CCoreModelWizard*>(wizard.get())->GetPage());
        }
    }
}

}  // namespace
