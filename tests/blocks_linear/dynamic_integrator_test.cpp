// The integrator pages driven as a user drives them: limits, the reset section and the page
// state the page keeps with the wizard, golden bytes of that state and crafted old states.
#include "blocks_support.h"

#include "blocks_linear/integrator_block.h"
#include "framework/factories.h"

#include <cstring>

using namespace blocks_test;

namespace {

const std::vector<ParamRow> kIntegratorRows = WithSampleTimeInputAndOutput(
    {
        {.id = 2181, .name = "K", .value = "1"},
        {.id = 2187, .name = "Y0", .value = "0"},
        {.id = 2151, .name = "UL", .value = "0"},
        {.id = 2152, .name = "LL", .value = "0"},
        {.id = 2193, .name = "RESET", .value = "0"},
        {.id = 2195, .name = "RV", .value = "0"},
        {.id = 2197, .name = "TRIG", .value = "1"},
    },
    2183, "0");

std::vector<ParamRow> DiscreteRows() {
    std::vector<ParamRow> rows = kIntegratorRows;
    rows[7] = {.id = 2202, .name = "TS", .value = "1m", .quantity = "Time", .unit = "s"};
    return rows;
}

// The page archive built by hand: class record, version, reset flag, signal text.
Bytes PageArchive(DWORD reset, const std::string& signal) {
    Bytes out;
    NewClass(out, "CPropIntegratorBlock");
    Dword(out, 10);
    Dword(out, reset);
    Str(out, signal);
    return out;
}

Bytes StateBlock(const Bytes& archive) {
    Bytes out = Dwords({0, 0, 0});
    Block(out, archive);
    Append(out, Dwords({0, 0}));
    return out;
}

// The block's page open on a sheet of the editor's caption.
class IntegratorBlock : public OlderBlocksTest {
protected:
    template <class Wizard = CIntegratorBlockWizard>
    std::unique_ptr<Wizard> NewIntegrator(std::vector<ParamRow> rows = kIntegratorRows) {
        return NewOlder<Wizard>(rows, "I1");
    }
    static Bytes Stored(CWizardBase3& wizard) {
        BYTE* data = nullptr;
        const DWORD size = wizard.GetAdditionalWizardData(&data);
        return data != nullptr ? Bytes(data, data + size) : Bytes();
    }
    static void Give(CWizardBase3& wizard, const Bytes& bytes) {
        BYTE* data = new BYTE[bytes.size() + 1];
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        wizard.SetAdditionalWizardData(data, static_cast<DWORD>(bytes.size()));
    }
    // Opens the page of an integrator of these rows that was given the state block: the reset
    // field shows `shown` and the reset box is on or off.
    void ExpectResetShown(const std::vector<ParamRow>& rows, const Bytes& state, const char* shown, bool on,
                          const char* what) {
        auto wizard = NewIntegrator(rows);
        Give(*wizard, state);
        OpenBlockPage open(*wizard, Exchange());
        EXPECT_EQ(shown, Text(open.Page(), 2193)) << what;
        EXPECT_EQ(on ? BST_CHECKED : BST_UNCHECKED, open.Page()->IsDlgButtonChecked(2387)) << what;
    }
};

TEST(IntegratorLimits, RuleOfUpperLowerAndInitialValue) {
    struct Case {
        const char* upper;
        const char* lower;
        const char* initial;
        UINT refusal;
    };
    const Case cases[] = {
        {"0", "0", "100", 0},   {"0", "-1", "-0.5", 0}, {"0", "-1", "0.5", 8024}, {"5", "5", "5", 8023},
        {"1", "5", "2", 8023},  {"5", "1", "6", 8024},  {"5", "1", "5", 0},       {"5", "1", "1", 0},
        {"5", "1", "0.5", 8024}, {"", "", "7", 0},       {"5", "1", "", 8024},
        // Only what reads as a number is compared: a formula is no leading number, a name no 0.
        {"2*3", "1", "5", 0},    {"UMAX", "-1", "0.5", 0}, {"UMAX", "-1", "-2", 8024}, {"5", "LMIN", "6", 8024},
        {"UMAX", "LMIN", "7", 0}, {"1k", "2", "3", 0},     {"5", "1", "Y0", 0},       {"5m", "1m", "1", 8024},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.refusal, qv::blocks::CheckLimitTexts(c.upper, c.lower, c.initial))
            << c.upper << " " << c.lower << " " << c.initial;
}

TEST_F(IntegratorBlock, LimitsRefuseTheApplyBeforeValuesAndStateAreWritten) {
    struct Case {
        const char* upper;
        const char* lower;
        const char* initial;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"5", "5", "5", "Error : The Upper Limit must be greater than the Lower Limit!"},
        {"5", "1", "6", "Error : The Inital Value must be within the Upper and Lower Limit!"},
        {"5", "1", "5", nullptr},
        {"0", "0", "9", nullptr},
    };
    for (const Case& c : cases) {
        auto wizard = NewIntegrator();
        OpenBlockPage open(*wizard, Exchange());
        ExpectLimitsApplied(open.Page(), c.upper, c.lower, c.initial, c.message);
        EXPECT_EQ(c.message == nullptr ? StateBlock(PageArchive(0, "0")) : std::vector<BYTE>(), Stored(*wizard));
    }
}

TEST_F(IntegratorBlock, ResetIsOnAtOpeningForASignalAnEmptyTextOrANonZeroNumber) {
    struct Case {
        const char* stored;
        bool on;
    };
    for (const Case& c : {Case{"0", false}, Case{"0.0", false}, Case{"0m", false}, Case{"", true},
                          Case{"rst", true}, Case{"2", true}, Case{"1k", true}}) {
        std::vector<ParamRow> rows = kIntegratorRows;
        rows[4].value = c.stored;
        auto wizard = NewIntegrator(rows);
        OpenBlockPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        EXPECT_EQ(c.on ? BST_CHECKED : BST_UNCHECKED, page->IsDlgButtonChecked(2387)) << c.stored;
        for (int id : {2193, 2075, 2195, 2197}) EXPECT_EQ(c.on, Enabled(page, id)) << c.stored << " " << id;
    }
}

TEST_F(IntegratorBlock, ResetOffWritesZeroAndTheSignalComesBackOnReopening) {
    auto wizard = NewIntegrator();
    {
        OpenBlockPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2387));
        EXPECT_TRUE(Enabled(page, 2193));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2193), "rst"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ("rst", Value(2193));
        EXPECT_EQ(StateBlock(PageArchive(1, "rst")), Stored(*wizard));
        EXPECT_EQ(62u, Stored(*wizard).size());
        ASSERT_TRUE(qv::ui::Click(page, 2387));
        EXPECT_FALSE(Enabled(page, 2193));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ("0", Value(2193));
        EXPECT_EQ(StateBlock(PageArchive(0, "rst")), Stored(*wizard));
    }
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_EQ(BST_UNCHECKED, page->IsDlgButtonChecked(2387));
    EXPECT_EQ("rst", Text(page, 2193));
    EXPECT_FALSE(Enabled(page, 2193));
    ASSERT_TRUE(qv::ui::Click(page, 2387));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("rst", Value(2193));
}

TEST_F(IntegratorBlock, StoredSignalReplacesOnlyAnEmptyOrZeroText) {
    struct Case {
        const char* parameter;
        DWORD storedReset;
        const char* shown;
        bool on;
    };
    const Case cases[] = {
        {"0", 1, "saved", true},   {"0", 0, "saved", false}, {"", 0, "saved", true},
        {"own", 0, "own", true},   {"3", 0, "3", true},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = kIntegratorRows;
        rows[4].value = c.parameter;
        ExpectResetShown(rows, StateBlock(PageArchive(c.storedReset, "saved")), c.shown, c.on, c.parameter);
    }
}

TEST_F(IntegratorBlock, CraftedStateBlocksAreReadOnlyWhereTheyFit) {
    const Bytes whole = StateBlock(PageArchive(1, "saved"));
    Bytes wrapping = whole;
    wrapping[12] = 0xFF;  // L2 = 0xFFFFFF26: would wrap a 32-bit position
    wrapping[13] = wrapping[14] = wrapping[15] = 0xFF;
    Bytes firstWraps = whole;
    firstWraps[8] = firstWraps[9] = firstWraps[10] = firstWraps[11] = 0xFF;
    Bytes noRecord = StateBlock([] {
        Bytes a = Dwords({1});
        Str(a, "ok");
        return a;
    }());
    struct Case {
        const char* what;
        Bytes bytes;
        const char* shown;
        bool on;
    };
    const Case cases[] = {
        {"empty", {}, "0", false},
        {"9 bytes", Bytes(whole.begin(), whole.begin() + 9), "0", false},
        {"13 bytes", Bytes(whole.begin(), whole.begin() + 13), "0", false},
        {"30 bytes", Bytes(whole.begin(), whole.begin() + 30), "0", false},
        {"archive cut short", Bytes(whole.begin(), whole.begin() + 16 + 37), "0", false},
        {"wrapping length", wrapping, "0", false},
        {"wrapping first part", firstWraps, "0", false},
        {"no class record", noRecord, "ok", true},
        {"trailing words missing", Bytes(whole.begin(), whole.end() - 8), "saved", true},
        {"whole", whole, "saved", true},
    };
    for (const Case& c : cases) ExpectResetShown(kIntegratorRows, c.bytes, c.shown, c.on, c.what);
}

TEST_F(IntegratorBlock, PinnedFieldsAreDisabledAndSampleTimePinSetsBothForms) {
    std::vector<ParamRow> rows = kIntegratorRows;
    rows[0].type = 0x4 | 0x80000000u;
    rows[2].type = 0x4 | 0x80000000u;
    auto wizard = NewIntegrator(rows);
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_FALSE(Enabled(page, 2181));
    EXPECT_TRUE(Enabled(page, 2187));
    EXPECT_FALSE(Enabled(page, 2151));
    EXPECT_TRUE(Enabled(page, 2152));
    EXPECT_TRUE(Visible(page, 2183));
    EXPECT_FALSE(Visible(page, 2202));
    ExpectUsePinsAct(page, Exchange(), {{2074, 2183, 2183}, {2073, 2186, 2186}});
}

TEST_F(IntegratorBlock, DiscreteVariantShowsTheNumericSampleTime) {
    auto wizard = NewIntegrator<CDiscreteIntegratorBlockWizard>(DiscreteRows());
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_FALSE(Visible(page, 2183));
    EXPECT_TRUE(Visible(page, 2202));
    EXPECT_EQ("1m", Text(page, 2202));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2202), "2m"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("2m", Value(2202));
    ExpectUsePinsAct(page, Exchange(), {{2074, 2202, 2202}});
    // Both page classes store the record of the integrator page.
    EXPECT_EQ(StateBlock(PageArchive(0, "0")), Stored(*wizard));
}

TEST_F(IntegratorBlock, FactoriesYieldBothIntegratorWizards) {
    ExpectFactoryMakes({{47, "CIntegratorBlockWizard"}, {48, "CDiscreteIntegratorBlockWizard"}}, true);
}

} // namespace
