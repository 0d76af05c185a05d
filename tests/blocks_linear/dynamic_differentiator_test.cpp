// The differentiator pages driven as a user drives them: the element shapes the one dialog
// serves, captions from description texts, hidden unit boxes, limits and the second
// differentiator.
#include "blocks_support.h"

#include "blocks_linear/differentiator_block.h"
#include "framework/factories.h"

using namespace blocks_test;

namespace {

const char* const kUpperNotAbove = "Error : The Upper Limit must be greater than the Lower Limit!";
const char* const kInitialOutside = "Error : The Inital Value must be within the Upper and Lower Limit!";

const std::vector<ParamRow> kDifferentiatorRows = {
    {.id = 2181, .name = "K", .value = "1", .description = "Kd"},
    {.id = 2187, .name = "Y0", .value = "0", .quantity = "Voltage", .unit = "V", .description = "Start"},
    {.id = 2151, .name = "UL", .value = "0", .description = "Upper"},
    {.id = 2152, .name = "LL", .value = "0", .description = ""},
    {.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"},
    {.id = 2186, .name = "IN", .value = "x"},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8, .unit = "V", .description = "Output"},
};

// The second differentiator's element: no gain, no first initial value, a second initial
// value in a group of its own and the two further outputs.
const std::vector<ParamRow> kSecondRows = {
    {.id = 2151, .name = "UL", .value = "0"},
    {.id = 2152, .name = "LL", .value = "0"},
    {.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"},
    {.id = 2186, .name = "IN", .value = "x"},
    {.id = 2096, .name = "DY0", .value = "0", .quantity = "Time", .unit = "s", .description = "Start slope"},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
    {.id = 2475, .name = "F", .value = "", .type = 0x8, .unit = "N", .description = "Force"},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .unit = "m/s", .description = ""},
};

// The block's page open on a sheet of the editor's caption.
class Differentiator : public OlderBlocksTest {
protected:
    template <class Wizard = CDifferentiatorBlockWizard>
    std::unique_ptr<Wizard> New(const std::vector<ParamRow>& rows = kDifferentiatorRows) {
        return NewOlder<Wizard>(rows, "D1");
    }
    CWizardCopaObject3* Param(WORD id) { return Live(Exchange(), id)[0]; }
};

std::vector<ParamRow> Without(std::vector<ParamRow> rows, std::initializer_list<WORD> ids) {
    std::erase_if(rows, [&](const ParamRow& row) { return std::find(ids.begin(), ids.end(), row.id) != ids.end(); });
    return rows;
}

TEST_F(Differentiator, OneDialogShowsOnlyTheRowsOfTheElementsParameters) {
    struct Case {
        const char* what;
        std::vector<ParamRow> rows;
        std::vector<int> shown;
        std::vector<int> hidden;
    };
    std::vector<ParamRow> withSecond = kDifferentiatorRows;
    withSecond.push_back({.id = 2096, .name = "DY0", .value = "0"});
    const Case cases[] = {
        {"full", kDifferentiatorRows, {2072, 2182, 2183, 2074, 2400, 2185, 2186, 2073}, {2075, 2091, 2095, 2096, 2097, 2510}},
        {"second initial value", withSecond, {2075, 2091, 2095, 2096, 2097, 2510}, {2072}},
        {"no sample time, no input", Without(kDifferentiatorRows, {2183, 2186}), {2072}, {2182, 2183, 2074, 2400, 2185, 2186, 2073}},
    };
    for (const Case& c : cases) {
        auto wizard = New(c.rows);
        OpenBlockPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        for (int id : c.shown) EXPECT_TRUE(Visible(page, id)) << c.what << " " << id;
        for (int id : c.hidden) EXPECT_FALSE(Visible(page, id)) << c.what << " " << id;
    }
}

TEST_F(Differentiator, LabelsAndOutputCaptionsComeFromTheDescriptions) {
    auto wizard = New();
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    ExpectTexts(page, {{2180, "Kd"}, {2184, "Start"}, {2149, "Upper"}});
    EXPECT_EQ("", Text(page, 2150));  // an empty description empties the label too
    EXPECT_EQ("Output [V]", Text(page, 2056));
    // No description: the further outputs stay hidden.
    EXPECT_FALSE(Visible(page, 2475));
    EXPECT_FALSE(Visible(page, 2018));

    auto second = New<CDifferentiatorBlock2Wizard>(kSecondRows);
    OpenBlockPage openSecond(*second, Exchange());
    CWnd* page2 = openSecond.Page();
    EXPECT_EQ("Force [N]", Text(page2, 2475));
    EXPECT_TRUE(Visible(page2, 2475));
    EXPECT_FALSE(Visible(page2, 2018));
    EXPECT_EQ("", Text(page2, 2056));  // no description and no unit: no caption of its own
    EXPECT_TRUE(Visible(page2, 2056));
    EXPECT_EQ("Start slope", Text(page2, 2095));
}

TEST_F(Differentiator, AnEmptyQuantityHidesTheUnitBoxAndKeepsTheUsedUnit) {
    std::vector<ParamRow> rows = kDifferentiatorRows;
    rows[0].unit = "kept";  // gain: no quantity, a used unit of its own
    auto wizard = New(rows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_FALSE(Visible(page, 2398));
    EXPECT_TRUE(Visible(page, 2399));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2181), "3"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2399), "mV"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("3", Param(2181)->GetValue().str());
    EXPECT_EQ("kept", Param(2181)->GetUsedUnit().str());
    EXPECT_EQ("mV", Param(2187)->GetUsedUnit().str());
}

TEST_F(Differentiator, LimitsAreCheckedOnlyForElementsWithASampleTime) {
    struct Case {
        bool sampleTime;
        const char* upper;
        const char* lower;
        const char* initial;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {true, "1", "2", "0", kUpperNotAbove},  {true, "5", "1", "6", kInitialOutside}, {true, "0", "0", "9", nullptr},
        {true, "5", "1", "5", nullptr},         {false, "1", "2", "9", nullptr},
    };
    for (const Case& c : cases) {
        auto wizard = New(c.sampleTime ? kDifferentiatorRows : Without(kDifferentiatorRows, {2183}));
        OpenBlockPage open(*wizard, Exchange());
        // A refused apply writes no value.
        ExpectLimitsApplied(open.Page(), c.upper, c.lower, c.initial, c.message);
    }
}

TEST_F(Differentiator, SecondDifferentiatorHidesGainAndInitialValueAndIsNotRefusedForIt) {
    auto wizard = New<CDifferentiatorBlock2Wizard>(kSecondRows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    for (int id : {2180, 2181, 2398, 2184, 2187, 2399}) EXPECT_FALSE(Visible(page, id)) << id;
    // Limits that exclude 0: the element has no initial value 2187, so nothing is compared
    // with it.
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2151), "5"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2152), "1"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2096), "0.5"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0.5", Param(2096)->GetValue().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    // The rule itself still refuses an upper limit not above the lower one.
    EXPECT_EQ(8023u, qv::blocks::CheckDifferentiatorLimits("1", "1", nullptr));
    const CString outside("7");
    EXPECT_EQ(8024u, qv::blocks::CheckDifferentiatorLimits("5", "1", &outside));
}

TEST_F(Differentiator, PinBoxesAndOutputSwitchesActAtOnce) {
    auto wizard = New<CDifferentiatorBlock2Wizard>(kSecondRows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2097));
    EXPECT_FALSE(Enabled(page, 2096));
    EXPECT_TRUE(Param(2096)->HasPin());
    ASSERT_TRUE(qv::ui::Click(page, 2074));
    EXPECT_FALSE(Enabled(page, 2183));
    EXPECT_TRUE(Enabled(page, 2400));
    EXPECT_TRUE(Param(2183)->HasPin());
    BOOL on = FALSE;
    ASSERT_TRUE(qv::ui::Click(page, 2475));
    GetSDBOutput(Exchange(), 2475, &on);
    EXPECT_TRUE(on);
}

TEST_F(Differentiator, StoredSampleTimeAndTypedOne) {
    std::vector<ParamRow> rows = kDifferentiatorRows;
    rows[4].value = "1m";
    auto wizard = New(rows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_EQ("1m", Text(page, 2183));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2183), "System"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0", Param(2183)->GetValue().str());
}

TEST(DifferentiatorFactories, YieldTheWizards) {
    ExpectFactoryMakes({{49, "CDifferentiatorBlockWizard"}, {113, "CDifferentiatorBlock2Wizard"}}, true);
}

} // namespace
