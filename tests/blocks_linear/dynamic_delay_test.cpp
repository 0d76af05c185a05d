// The delay pages driven as a user drives them: the samples field and the stage and
// initial-value families it keeps, the derived sample time, the initial-value dialog, the
// discrete variant, the model text and the notification of a changed sample count.
#include "blocks_support.h"

#include "blocks_linear/delay_blocks.h"
#include "framework/factories.h"

using namespace blocks_test;

namespace {

constexpr DWORD kTemplateType = 0x4 | 0x2;

std::vector<ParamRow> DelayRows(const char* count = "2") {
    return {
        {.id = 2040, .name = "TD", .value = "1m", .type = kTemplateType},
        {.id = 2188, .name = "N", .value = count},
        {.id = 2202, .name = "TS", .value = "1m", .quantity = "Time", .unit = "s"},
        {.id = 2186, .name = "IN", .value = "x"},
        {.id = 2194, .name = "Q", .value = "0", .type = kTemplateType, .description = "Stage"},
        {.id = 2198, .name = "Q0", .value = "0", .type = kTemplateType, .description = "Initial value"},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
    };
}

std::vector<ParamRow> DiscreteRows() {
    return WithSampleTimeInputAndOutput(
        {
            {.id = 2040, .name = "Y0", .value = "0"},
        },
        2202, "1m");
}

// The block's page open on a sheet of the editor's caption.
class Delay : public OlderBlocksTest {
protected:
    template <class Wizard = CDelayBlockWizard>
    std::unique_ptr<Wizard> New(const std::vector<ParamRow>& rows) {
        return NewOlder<Wizard>(rows, "T1");
    }
    // Live members of a family (the template, Type bit 0x02, left out).
    std::vector<CWizardCopaObject3*> Members(WORD id) {
        std::vector<CWizardCopaObject3*> out;
        for (CWizardCopaObject3* p : Live(Exchange(), id))
            if ((p->GetType() & 0x2) == 0) out.push_back(p);
        return out;
    }
    // Types the samples and leaves the field.
    static void TypeSamples(CWnd* page, const char* text) {
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2042), text));
        ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2186)));
    }
};

using Strings = std::vector<std::string>;

TEST_F(Delay, SamplesThreeToOneToThreeKeepTheFamiliesInLine) {
    auto wizard = New(DelayRows());
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_EQ("1", Text(page, 2042));
    EXPECT_EQ("0.001", Text(page, 2040));
    EXPECT_EQ((Strings{"Q[0]", "Q[1]"}), Names(Members(2194)));
    EXPECT_EQ((Strings{"Q0[1]"}), Names(Members(2198)));

    TypeSamples(page, "3");
    EXPECT_EQ((Strings{"Q[0]", "Q[1]", "Q[2]", "Q[3]"}), Names(Members(2194)));
    EXPECT_EQ((Strings{"0", "0", "0", "1"}), Values(Members(2194)));
    EXPECT_EQ((Strings{"Q0[1]", "Q0[2]", "Q0[3]"}), Names(Members(2198)));

    TypeSamples(page, "1");
    EXPECT_EQ((Strings{"Q[0]", "Q[1]"}), Names(Members(2194)));
    EXPECT_EQ((Strings{"0", "1"}), Values(Members(2194)));
    EXPECT_EQ((Strings{"Q0[1]"}), Names(Members(2198)));
    // The retired members stay in the set, marked deleted.
    EXPECT_TRUE(Named(Exchange(), "Q[3]")->IsDeleted());
    EXPECT_TRUE(Named(Exchange(), "Q0[2]")->IsDeleted());

    TypeSamples(page, "3");
    EXPECT_EQ((Strings{"Q[0]", "Q[1]", "Q[2]", "Q[3]"}), Names(Members(2194)));
    EXPECT_EQ((Strings{"0", "0", "0", "1"}), Values(Members(2194)));
    EXPECT_EQ((Strings{"Q0[1]", "Q0[2]", "Q0[3]"}), Names(Members(2198)));
    EXPECT_EQ("Stage", Members(2194)[3]->GetDescriptionByLangID(kLanguageEnglish).str().substr(0, 5));

    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("4", Value(2188));
    EXPECT_EQ("1m", Value(2040));  // the delay time is never written
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

TEST_F(Delay, TypingDerivesTheSampleTime) {
    struct Case {
        const char* delay;
        const char* samples;
        const char* sampleTime;
        const char* samplesShown;
        bool taken;  // by OK: a delay above 0 and a whole number of samples
        const char* unit = nullptr;  // chosen in the sample time's list after typing
    };
    // The fields stand as typed; the sample time follows a delay above 0 and a whole number
    // of samples only.
    const Case cases[] = {
        {"0.001", "4", "0.00025", "4", true}, {"0.001", "2", "0.0005", "2", true}, {"1", "0", "1", "0", false},
        {"1", "abc", "1", "abc", false},      {"3", "-2", "3", "-2", false},        {"1", "2.7", "1", "2.7", false},
        {"abc", "2", "1m", "2", false},       {"0", "2", "1m", "2", false},         {"-1", "2", "1m", "2", false},
        // The delay time is in seconds whatever unit the sample time is shown in.
        {"4m", "1", "4", "1", true, "ms"},    {"4m", "2", "2000", "2", true, "us"},
    };
    for (const Case& c : cases) {
        auto wizard = New(DelayRows());
        OpenBlockPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2040), c.delay));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2042), c.samples));
        if (c.unit != nullptr) {
            ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2400), c.unit));
        }
        EXPECT_EQ(c.sampleTime, Text(page, 2202)) << c.delay << " " << c.samples;
        EXPECT_EQ(c.samplesShown, Text(page, 2042)) << c.samples;
        EXPECT_FALSE(Enabled(page, 2202));
        // A delay that is no positive number, or samples that are no whole count, cannot give
        // the sample time: OK refuses them and writes nothing.
        const bool taken = c.taken;
        if (!taken) qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
        EXPECT_EQ(taken, qv::ui::Apply(&open.Sheet()));
        if (taken) {
            EXPECT_EQ(c.sampleTime, Value(2202));
            if (c.unit != nullptr) {
                EXPECT_EQ(c.unit, Live(Exchange(), 2202)[0]->GetUsedUnit().str());
            }
        }
    }
}

// Samples typed stand as typed; a count beyond the largest family leaves the stages as they
// are, and OK refuses it.
TEST_F(Delay, ACountBeyondTheLargestFamilyIsRefused) {
    auto wizard = New(DelayRows("3"));
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    TypeSamples(page, "1e9");
    EXPECT_EQ("1e9", Text(page, 2042));
    EXPECT_EQ(3u, Members(2194).size());
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(3u, Members(2194).size());
}

TEST_F(Delay, InitialValuesDialogEditsResetsAndCancels) {
    struct Case {
        int endCode;
        bool reset;
        Strings values;
    };
    const Case cases[] = {
        {IDOK, false, {"0", "7", "0"}},
        {IDOK, true, {"0", "0", "0"}},
        {IDCANCEL, false, {"0", "5", "0"}},
    };
    for (const Case& c : cases) {
        auto wizard = New(DelayRows("4"));
        OpenBlockPage open(*wizard, Exchange());
        Members(2198)[1]->SetValue("5");
        qv::UserScript::Instance().ExpectDialog(
            2558,
            [&](CDialog& dialog) {
                CListCtrl* list = static_cast<CListCtrl*>(dialog.GetDlgItem(2198));
                ASSERT_EQ(3, list->GetItemCount());
                EXPECT_EQ("Q0[2]", list->GetItemText(1, 0).str());
                EXPECT_EQ("5", list->GetItemText(1, 1).str());
                ASSERT_TRUE(qv::ui::EditListCell(list, 1, 1, "7"));
                if (c.reset) {
                    ASSERT_TRUE(qv::ui::Click(&dialog, 2200));
                }
            },
            c.endCode);
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2197));
        EXPECT_EQ(c.values, Values(Members(2198)));
    }
}

TEST_F(Delay, InitialValuesDialogShowsOnlyExistingValuesAndWritesThroughEachRow) {
    // No template: the gap at index 2 stays, and rows follow the parameters, not positions.
    std::vector<ParamRow> rows = DelayRows("4");
    rows.erase(rows.begin() + 5);
    rows.push_back({.id = 2198, .name = "Q0[1]", .value = "1"});
    rows.push_back({.id = 2198, .name = "Q0[3]", .value = "3"});
    auto wizard = New(rows);
    OpenBlockPage open(*wizard, Exchange());
    qv::UserScript::Instance().ExpectDialog(2558, [](CDialog& dialog) {
        CListCtrl* list = static_cast<CListCtrl*>(dialog.GetDlgItem(2198));
        ASSERT_EQ(2, list->GetItemCount());
        EXPECT_EQ("Q0[3]", list->GetItemText(1, 0).str());
        ASSERT_TRUE(qv::ui::EditListCell(list, 1, 1, "9"));
    });
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2197));
    EXPECT_EQ("9", Named(Exchange(), "Q0[3]")->GetValue().str());
    EXPECT_EQ("1", Named(Exchange(), "Q0[1]")->GetValue().str());
}

TEST_F(Delay, WriteSimDescrFillsMaxIndexMarksStagesAndCreatesInitialValues) {
    struct Case {
        const char* count;  // nullptr: no parameter 2188
        const char* text;
        Strings initialValues;
    };
    const Case cases[] = {
        {"4", "DELAY T1 ( MAXINDEX := 3 );", {"Q0[1]", "Q0[2]", "Q0[3]"}},
        {"1", "DELAY T1 ( MAXINDEX := 0 );", {}},
        {"0", "DELAY T1 ( MAXINDEX := 0 );", {}},
        {"-2", "DELAY T1 ( MAXINDEX := -2 );", {}},
        {"1e9", "DELAY T1 ( MAXINDEX := 999999999 );", {}},  // no family that large is made
        {nullptr, "DELAY T1 ( MAXINDEX := @MAXINDEX );", {}},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = DelayRows(c.count ? c.count : "2");
        if (c.count == nullptr) rows.erase(rows.begin() + 1);
        rows.push_back({.id = 2194, .name = "Q[0]", .value = "1"});
        auto wizard = New(rows);
        const size_t before = editor->CountRequests(WIZREQ_COMMIT_EXCHANGE);
        Exchange()->m_strModelText = "DELAY T1 ( MAXINDEX := @MAXINDEX );";
        CMemFile file;
        EXPECT_EQ(4, wizard->WriteSimDescr(&file, "IMMANENT", Exchange()));
        EXPECT_EQ(c.text, Exchange()->m_strModelText.str()) << (c.count ? c.count : "none");
        EXPECT_EQ(c.initialValues, Names(Members(2198)));
        for (CWizardCopaObject3* stage : Live(Exchange(), 2194)) EXPECT_TRUE(stage->GetExtType() & 0x20000);
        EXPECT_EQ(before + 1, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    }
    auto wizard = New(DelayRows("4"));
    const size_t before = editor->Requests().size();
    Exchange()->m_strModelText = "@MAXINDEX";
    CMemFile file;
    EXPECT_EQ(4, wizard->WriteSimDescr(&file, "", Exchange()));
    EXPECT_EQ("@MAXINDEX", Exchange()->m_strModelText.str());
    EXPECT_EQ(before, editor->Requests().size());
}

TEST_F(Delay, AChangedCountIsBroughtIntoLineByAHiddenPageOfItsOwn) {
    auto wizard = New(DelayRows("2"));
    OpenBlockPage open(*wizard, Exchange());
    CWnd* shown = open.Page();
    Live(Exchange(), 2188)[0]->SetValue("3");
    EXPECT_TRUE(wizard->WantChangeNotification());
    const size_t before = editor->CountRequests(WIZREQ_COMMIT_EXCHANGE);
    wizard->NotifyChanged(Exchange(), 2, Live(Exchange(), 2188)[0]);
    EXPECT_EQ(before, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    wizard->NotifyChanged(Exchange(), 3, Live(Exchange(), 2188)[0]);
    EXPECT_EQ(before + 1, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    EXPECT_EQ((Strings{"Q[0]", "Q[1]", "Q[2]"}), Names(Members(2194)));
    EXPECT_EQ((Strings{"0", "0", "1"}), Values(Members(2194)));
    EXPECT_EQ((Strings{"Q0[1]", "Q0[2]"}), Names(Members(2198)));
    // The page on the sheet is still the wizard's and still has its window.
    EXPECT_EQ(shown, open.Page());
    EXPECT_NE(nullptr, shown->GetSafeHwnd());
}

TEST_F(Delay, DiscreteDelayEditsSampleTimeAndInitialValue) {
    auto wizard = New<CDiscreteDelayBlockWizard>(DiscreteRows());
    OpenBlockPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    for (int id : {2041, 2042, 2197}) EXPECT_FALSE(Visible(page, id)) << id;
    EXPECT_TRUE(Visible(page, 2074));
    EXPECT_EQ("Initial Value", Text(page, 2039));
    EXPECT_EQ("0", Text(page, 2040));
    EXPECT_TRUE(Enabled(page, 2202));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2040), "2.5"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2202), "5m"));
    EXPECT_EQ("5m", Text(page, 2202));  // not derived
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("2.5", Value(2040));
    EXPECT_EQ("5m", Value(2202));
    ExpectUsePinsAct(page, Exchange(), {{2074, 2202, 2202}});
}

TEST_F(Delay, RefusedCommitFailsTheApply) {
    auto wizard = New(DelayRows());
    editor->SetCommitAnswer(1);
    OpenBlockPage open(*wizard, Exchange());
    EXPECT_FALSE(open.Page()->OnApply());
}

TEST(DelayFactories, YieldTheWizards) {
    ExpectFactoryMakes({{51, "CDelayBlockWizard"}, {52, "CDiscreteDelayBlockWizard"}});
}

} // namespace
