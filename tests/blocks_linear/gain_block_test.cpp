// The older-base block wizards and the gain page, driven as the editor and a user drive them.
#include "blocks_support.h"

#include "blocks_linear/gain_block.h"
#include "framework/factories.h"

using namespace blocks_test;

namespace {

const std::vector<ParamRow> kGainRows = {
    {.id = 2181, .name = "K", .value = "2"},
    {.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"},
    {.id = 2186, .name = "IN", .value = "x"},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8, .unit = "V"},
};

// The page open on a sheet captioned "Gain"; closed again at the end.
using OpenGainPage = OpenBlockPage<CGainBlockWizard>;

class GainBlock : public OlderBlocksTest {
protected:
    std::unique_ptr<CGainBlockWizard> NewGain(std::vector<ParamRow> rows = kGainRows) {
        return NewOlder<CGainBlockWizard>(rows, "K1");
    }
};

TEST_F(GainBlock, SampleTimeIsShownAndStoredByTheListRule) {
    const SampleTimeCase cases[] = {
        {"0", "System", "0"}, {"0.001", "1m", "1m"}, {"1m", "1m", "1m"},       {"0.01", "0.01", "0.01"},
        {"0.0", "0.0", "0.0"}, {"Ts", "Ts", "Ts"},    {"0 ", "System", "0"},
        // A text is an entry only as a whole: its leading number names none.
        {"1m/2", "1m/2", "1m/2"}, {"1m*K", "1m*K", "1m*K"}, {"system", "System", "0"},
    };
    for (const SampleTimeCase& c : cases) {
        std::vector<ParamRow> rows = kGainRows;
        rows[1].value = c.stored;
        auto wizard = NewGain(rows);
        OpenGainPage open(*wizard, Exchange());
        EXPECT_EQ(c.shown, Text(open.Page(), 2183)) << c.stored;
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.written, Live(Exchange(), 2183)[0]->GetValue().str()) << c.stored;
    }
}

TEST_F(GainBlock, TypedSampleTimeIsAddedOnlyWhenItBeginsNoEntry) {
    struct Case {
        const char* typed;
        int entries;
    };
    for (const Case& c : {Case{"sys", 2}, Case{"1", 2}, Case{"SYSTEM", 2}, Case{"T1", 3}}) {
        auto wizard = NewGain();
        OpenGainPage open(*wizard, Exchange());
        auto* combo = static_cast<CComboBox*>(open.Page()->GetDlgItem(2183));
        ASSERT_TRUE(qv::ui::TypeText(combo, c.typed));
        ASSERT_TRUE(qv::ui::SetFocusTo(open.Page()->GetDlgItem(2181)));
        EXPECT_EQ(c.entries, combo->GetCount()) << c.typed;
    }
}

TEST_F(GainBlock, UsePinAndOutputActAtOnce) {
    auto wizard = NewGain();
    OpenGainPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_EQ("Block Output Signal [V]", Text(page, 2056));
    ExpectUsePinsAct(page, Exchange(), {{2071, 2181, 2181}});
    ASSERT_TRUE(qv::ui::Click(page, 2071));
    EXPECT_TRUE(Enabled(page, 2181));
    EXPECT_FALSE(Live(Exchange(), 2181)[0]->HasPin());
    ExpectOutputBoxSwitches(page, Exchange(), {TRUE, FALSE, TRUE});
}

TEST_F(GainBlock, ApplyWritesInputParametersOnlyAndCommitsTheExchangeObject) {
    std::vector<ParamRow> rows = kGainRows;
    rows.push_back({.id = 2181, .name = "K_OUT", .value = "unchanged", .type = 0x8});
    auto wizard = NewGain(rows);
    OpenGainPage open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2181), "3*k"));
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2001), "Amp"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("3*k", Named(Exchange(), "K")->GetValue().str());
    EXPECT_EQ("unchanged", Named(Exchange(), "K_OUT")->GetValue().str());
    EXPECT_EQ("Amp", Exchange()->m_strElementName.str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

TEST_F(GainBlock, RefusedCommitOrNoReceiverFailsTheApply) {
    auto wizard = NewGain();
    editor->SetCommitAnswer(1);
    {
        OpenGainPage open(*wizard, Exchange());
        ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2181), "5"));
        EXPECT_FALSE(open.Page()->OnApply());
    }
    wizard->SetCommandReceiver(nullptr);
    OpenGainPage open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2181), "6"));
    EXPECT_FALSE(open.Page()->OnApply());
    EXPECT_TRUE(open.Page()->IsPageModified());
    // The values reached the parameters all the same.
    EXPECT_EQ("6", Named(Exchange(), "K")->GetValue().str());
}

TEST_F(GainBlock, WizardModesCloneAndEndingTwice) {
    auto wizard = NewGain();
    EXPECT_EQ(3, wizard->GetWizardKind());
    CPropertySheet sheet("Gain");
    for (UINT mode : {0u, 2u}) {
        wizard->DoEditProperties(sheet, Exchange(), mode);
        EXPECT_EQ(nullptr, wizard->GetPage());
        EXPECT_EQ(0, sheet.GetPageCount());
    }
    ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
    ASSERT_NE(nullptr, wizard->GetPage());
    std::unique_ptr<CWizardBase3> copy(wizard->Clone());
    ASSERT_NE(nullptr, copy);
    EXPECT_STREQ("CGainBlockWizard", copy->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(nullptr, static_cast<CGainBlockWizard*>(copy.get())->GetPage());
    sheet.RemovePage(wizard->GetPage());
    wizard->EndEditProperties();
    wizard->EndEditProperties();
    EXPECT_EQ(nullptr, wizard->GetPage());
}

TEST_F(GainBlock, FactoriesYieldTheBlockWizardsWithTheirModes) {
    std::unique_ptr<CWizardBase3> gain(CreateWizardInstance(32));
    ASSERT_NE(nullptr, gain);
    EXPECT_STREQ("CGainBlockWizard", gain->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(3, gain->GetWizardKind());
    EXPECT_EQ(nullptr, CreateWizard4Instance(32));
    std::unique_ptr<CWizardBase4> sum(CreateWizard4Instance(58));
    ASSERT_NE(nullptr, sum);
    EXPECT_STREQ("CMinMaxSumMulBlockWizard4", sum->GetRuntimeClass()->m_lpszClassName);
}

} // namespace
