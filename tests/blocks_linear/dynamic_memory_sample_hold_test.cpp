// The memory and sample-and-hold pages driven as a user drives them.
#include "blocks_support.h"

#include "blocks_linear/memory_sample_hold.h"
#include "framework/factories.h"

using namespace blocks_test;

namespace {

constexpr DWORD kPinned = 0x4 | 0x80000000u;

const std::vector<ParamRow> kMemoryRows = {
    {.id = 2187, .name = "Y0", .value = "0.5"},
    {.id = 2186, .name = "IN", .value = "x"},
    {.id = 2202, .name = "TS", .value = "1m", .quantity = "Time", .unit = "s"},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
};

const std::vector<ParamRow> kSampleHoldRows = WithSampleTimeInputAndOutput(
    {
        {.id = 2187, .name = "Y0", .value = "0"},
        {.id = 2042, .name = "N", .value = "1"},
        {.id = 2248, .name = "ND", .value = "0"},
    },
    2202, "1m");

constexpr char kBlockName[] = "B1";
using SimpleBlocks = OneNameOlderTest<OlderBlocksTest, kBlockName>;

TEST_F(SimpleBlocks, MemorySampleTimeShowsSystemStaysDisabledAndIsNeverWritten) {
    auto wizard = New<CMemoryBlockWizard>(kMemoryRows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_EQ("System", Text(page, 2202));
    EXPECT_FALSE(Enabled(page, 2202));
    EXPECT_EQ("0.5", Text(page, 2187));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2187), "2"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2186), "u"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("1m", Value(2202));
    EXPECT_EQ("2", Value(2187));
    EXPECT_EQ("u", Value(2186));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

TEST_F(SimpleBlocks, PinnedParametersDisableTheirFields) {
    struct Case {
        bool memory;
        WORD pinned;
        std::vector<int> disabled;
        std::vector<int> enabled;
    };
    const Case cases[] = {
        {true, 2187, {2187}, {2186}},
        {true, 2186, {2186}, {2187}},
        {false, 2248, {2248}, {2187, 2042, 2202}},
        {false, 2042, {2042}, {2187, 2248}},
        {false, 2202, {2202}, {2400, 2187}},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = c.memory ? kMemoryRows : kSampleHoldRows;
        for (ParamRow& row : rows)
            if (row.id == c.pinned) row.type = kPinned;
        auto check = [&](CWnd* page) {
            for (int id : c.disabled) EXPECT_FALSE(Enabled(page, id)) << c.pinned << " " << id;
            for (int id : c.enabled) EXPECT_TRUE(Enabled(page, id)) << c.pinned << " " << id;
        };
        if (c.memory) {
            auto wizard = New<CMemoryBlockWizard>(rows);
            OpenBlockPage open(*wizard, Exchange());
            check(open.Page());
        } else {
            auto wizard = New<CSampleAndHoldBlockWizard>(rows);
            OpenBlockPage open(*wizard, Exchange());
            check(open.Page());
        }
    }
}

// The numbers of samples are whole counts, stored as typed; a text, a fraction or a negative
// number is refused with "Invalid value!" and nothing is written.
TEST_F(SimpleBlocks, SampleAndHoldStoresWholeCountsAsTyped) {
    for (const char* typed : {"0", "3", "2k", "-3", "abc", "2.5"}) {
        SCOPED_TRACE(typed);
        const bool whole = std::string("0 3 2k").find(typed) != std::string::npos;
        auto wizard = New<CSampleAndHoldBlockWizard>(kSampleHoldRows);
        OpenBlockPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        const std::string before = Value(2042);
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2042), typed));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2248), typed));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2202), "5m"));
        if (!whole) qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
        EXPECT_EQ(whole, qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(whole ? typed : before, Value(2042));
        if (!whole) continue;
        EXPECT_EQ(typed, Value(2248));
        EXPECT_EQ("5m", Value(2202));
        EXPECT_EQ("s", Live(Exchange(), 2202)[0]->GetUsedUnit().str());
    }
}

TEST_F(SimpleBlocks, UsePinBoxesActAtOnceAndSpareTheUnitBox) {
    auto wizard = New<CSampleAndHoldBlockWizard>(kSampleHoldRows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    ExpectUsePinsAct(page, Exchange(), {{2074, 2202, 2202}});
    EXPECT_TRUE(Enabled(page, 2400));
    ExpectUsePinsAct(page, Exchange(), {{2073, 2186, 2186}});

    auto memory = New<CMemoryBlockWizard>(kMemoryRows);
    OpenBlockPage openMemory(*memory, Exchange());
    ExpectUsePinsAct(openMemory.Page(), Exchange(), {{2073, 2186, 2186}});
}

TEST_F(SimpleBlocks, RefusedCommitFailsTheApplyWithoutMessage) {
    auto wizard = New<CSampleAndHoldBlockWizard>(kSampleHoldRows);
    editor->SetCommitAnswer(1);
    OpenBlockPage open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2042), "4"));
    EXPECT_FALSE(open.Page()->OnApply());
    EXPECT_EQ("4", Value(2042));
}

TEST_F(SimpleBlocks, FactoriesYieldTheWizards) {
    ExpectFactoryMakes({{50, "CMemoryBlockWizard"}, {53, "CSampleAndHoldBlockWizard"}});
}

} // namespace
