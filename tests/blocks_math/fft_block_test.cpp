// The FFT block: its per-row outputs made from the templates, the output check list, the
// index lists and the frequency fields that store periods.
#include "tests/blocks_linear/blocks_support.h"

#include "blocks_math/fft_block.h"
#include "framework/factories.h"

using namespace blocks_test;

namespace {

std::vector<ParamRow> FftRows(std::initializer_list<ParamRow> extra = {}) {
    std::vector<ParamRow> rows = {
        {.id = 2080, .name = "FFTTYPE", .value = "0"},
        {.id = 2040, .name = "DELAY", .value = "0", .quantity = "Time", .unit = "s"},
        {.id = 2296, .name = "FC", .value = "1k", .quantity = "Frequency", .unit = "Hz"},
        {.id = 2298, .name = "AF", .value = "0", .quantity = "Time", .unit = "s"},
        {.id = 2299, .name = "WINDOW", .value = "0"},
        {.id = 2038, .name = "T0", .value = "0.02"},
        {.id = 2186, .name = "IN", .value = "x"},
        {.id = 2202, .name = "TS", .value = "1/(fs)"},
        {.id = 2302, .name = "AMPL[%i]", .value = "", .type = 0xA, .description = "Amplitude %d"},
        {.id = 1000, .name = "PHI", .value = "", .type = 0xA},
        {.id = 1001, .name = "PHIDEG", .value = "", .type = 0xA},
    };
    rows.insert(rows.end(), extra.begin(), extra.end());
    return rows;
}

using OpenFft = OpenBlockPage<CFFTBlockWizard>;

class FftBlock : public OlderBlocksTest {
protected:
    std::unique_ptr<CFFTBlockWizard> New(const std::vector<ParamRow>& rows) { return NewOlder<CFFTBlockWizard>(rows, "FFT1"); }
    size_t Members(WORD id) {
        size_t n = 0;
        for (CWizardCopaObject3* p : Live(Exchange(), id)) n += (p->GetType() & 0x2) ? 0 : 1;
        return n;
    }
    bool OutputOn(const char* name) {
        BOOL on = FALSE;
        return GetSDBOutputForParam(Exchange(), Named(Exchange(), name), &on) && on;
    }
};

TEST(FrequencyPeriod, NumbersInvertAndExpressionsWrapOnce) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"50", "0.02"},         {"0", "0"},          {"0.0", "0"},           {"1k", "0.001"},
        {"1/(base)", "base"},   {"1/base", "base"},  {"1/ (f0) ", "f0"},      {"base", "1/(base)"},
        {"2*1/(f)", "1/(2*1/(f))"}, {"1/(2*1/(f))", "2*1/(f)"}, {"1/f+g", "1/(1/f+g)"},
        {"1/(a)+(b)", "1/(1/(a)+(b))"}, {"1/(1/f+g)", "1/f+g"}, {"", "1/()"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, qv::blocks::FrequencyPeriodText(c.in).str()) << c.in;
}

TEST_F(FftBlock, FreshElementGetsEveryRowsOutputsSwitchedOff) {
    auto wizard = New(FftRows());
    {
        OpenFft open(*wizard, Exchange());
        EXPECT_EQ(24, open.Page()->OutputList().GetCount());
    }
    EXPECT_EQ(24u, Members(2302));
    EXPECT_EQ(24u, Members(1000));
    EXPECT_EQ(24u, Members(1001));
    for (const char* name : {"AMPL[0]", "AMPL[23]", "PHI[7]", "PHIDEG[23]"}) {
        ASSERT_NE(nullptr, Named(Exchange(), name)) << name;
        EXPECT_FALSE(OutputOn(name)) << name;
    }
    // Opening again makes nothing new.
    OpenFft again(*wizard, Exchange());
    EXPECT_EQ(24u, Members(2302));
    EXPECT_EQ(24u, Members(1000));
}

TEST_F(FftBlock, ExistingRowsAreKeptAndOnlyMissingOnesMade) {
    auto wizard = New(FftRows({{.id = 1000, .name = "PHI[5]", .value = "kept", .type = 0x8},
                               {.id = 1001, .name = "PHIDEG[6]", .value = "", .type = 0x8, .deletable = TRUE}}));
    Named(Exchange(), "PHIDEG[6]")->Delete();
    OpenFft open(*wizard, Exchange());
    EXPECT_EQ(24u, Members(1000));
    EXPECT_EQ(24u, Members(1001));
    EXPECT_EQ("kept", Named(Exchange(), "PHI[5]")->GetValue().str());
}

TEST_F(FftBlock, PhasesNeedBothTemplates) {
    auto rows = FftRows();
    rows.erase(rows.end() - 1);
    auto wizard = New(rows);
    OpenFft open(*wizard, Exchange());
    EXPECT_EQ(24u, Members(2302));
    EXPECT_EQ(0u, Members(1000));
}

TEST_F(FftBlock, RowTextsAndCheckedRowsSwitchTheirOutputs) {
    auto wizard = New(FftRows());
    OpenFft open(*wizard, Exchange());
    CCheckListBox& list = open.Page()->OutputList();
    const std::pair<int, const char*> texts[] = {
        {0, "Direct component"}, {1, "Fundamental wave"}, {4, "3rd harmonic wave"},
        {5, "4th harmonic wave"}, {23, "22th harmonic wave"}};
    for (const auto& [row, text] : texts) {
        CString shown;
        list.GetText(row, shown);
        EXPECT_EQ(text, shown.str()) << row;
    }
    ASSERT_TRUE(qv::ui::ToggleListBoxCheck(&list, 3));
    EXPECT_TRUE(OutputOn("AMPL[3]"));
    EXPECT_FALSE(OutputOn("AMPL[4]"));
    ASSERT_TRUE(qv::ui::ToggleListBoxCheck(&list, 3));
    EXPECT_FALSE(OutputOn("AMPL[3]"));
}

TEST_F(FftBlock, ListsStoreIndexesAndFrequenciesStorePeriods) {
    struct Case {
        const char* window;
        const char* shownWindow;  // "" when no entry is selected
        const char* writtenWindow;
    };
    const Case cases[] = {
        {"3.9", "Hamming Window", "3"}, {"0", "Rectangle Window", "0"}, {"9", "", "9"}, {"-1", "", "-1"}};
    for (const Case& c : cases) {
        auto rows = FftRows();
        rows[4].value = c.window;
        auto wizard = New(rows);
        OpenFft open(*wizard, Exchange());
        EXPECT_EQ(c.shownWindow, Text(open.Page(), 2299)) << c.window;
        EXPECT_EQ("50", Text(open.Page(), 2038));
        EXPECT_EQ("fs", Text(open.Page(), 2202));
        ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2040), "2 m"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.writtenWindow, Named(Exchange(), "WINDOW")->GetValue().str()) << c.window;
        EXPECT_EQ("0.02", Named(Exchange(), "T0")->GetValue().str());
        EXPECT_EQ("1/(fs)", Named(Exchange(), "TS")->GetValue().str());
        EXPECT_EQ("2 m", Named(Exchange(), "DELAY")->GetValue().str());
    }
    auto wizard = New(FftRows());
    OpenFft open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2038), "25"));
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2202), "base"));
    ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(2080), "Flexible"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0.04", Named(Exchange(), "T0")->GetValue().str());
    EXPECT_EQ("1/(base)", Named(Exchange(), "TS")->GetValue().str());
    EXPECT_EQ("1", Named(Exchange(), "FFTTYPE")->GetValue().str());
}

TEST_F(FftBlock, ScanningPinDisablesItsFieldAtOnce) {
    auto wizard = New(FftRows());
    OpenFft open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2074));
    EXPECT_FALSE(Enabled(open.Page(), 2202));
    EXPECT_TRUE(Named(Exchange(), "TS")->HasPin());
    std::unique_ptr<CWizardBase3> made(CreateWizardInstance(83));
    ASSERT_NE(nullptr, made);
    EXPECT_STREQ("CFFTBlockWizard", made->GetRuntimeClass()->m_lpszClassName);
}

} // namespace
