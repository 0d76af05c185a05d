// The n-point element: its threshold and amplitude families follow the number of switching
// points on the page, before the model description, on the editor's change report and when
// 4.x lists are converted.
#include "tests/blocks_linear/blocks_support.h"

#include "blocks_math/n_point_element.h"
#include "framework/factories.h"

using namespace blocks_test;

namespace {

std::vector<ParamRow> Rows(const char* n, std::vector<int> thresholds, std::vector<int> amplitudes,
                           bool templates = true) {
    std::vector<ParamRow> rows = {{.id = 2028, .name = "N", .value = n}};
    static std::vector<std::string> names;  // the rows keep pointers into it
    names.clear();
    names.reserve(64);
    if (templates) {
        rows.push_back({.id = 2262, .name = "THRES", .value = "0", .type = 0x6, .description = "Threshold %d"});
        rows.push_back({.id = 2133, .name = "AMPL", .value = "9", .type = 0x6, .description = "Amplitude %d"});
    }
    for (int i : thresholds) {
        names.push_back("THRES[" + std::to_string(i) + "]");
        rows.push_back({.id = 2262, .name = names.back().c_str(), .value = "t", .deletable = TRUE});
    }
    for (int i : amplitudes) {
        names.push_back("AMPL[" + std::to_string(i) + "]");
        rows.push_back({.id = 2133, .name = names.back().c_str(), .value = "a", .deletable = TRUE});
    }
    rows.push_back({.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"});
    rows.push_back({.id = 2186, .name = "IN", .value = "x"});
    rows.push_back({.id = 2056, .name = "OUT", .value = "", .type = 0x8});
    return rows;
}

using OpenNPoint = OpenBlockPage<CNPointElementWizard>;

class NPoint : public OlderBlocksTest {
protected:
    std::unique_ptr<CNPointElementWizard> New(const std::vector<ParamRow>& rows) {
        return NewOlder<CNPointElementWizard>(rows, "NP1");
    }
    std::vector<std::string> LiveNames(WORD id) {
        std::vector<std::string> names;
        for (CWizardCopaObject3* p : Live(Exchange(), id))
            if (!(p->GetType() & 0x2)) names.push_back(p->GetName().str());
        return names;
    }
};

using Names = std::vector<std::string>;

TEST_F(NPoint, NumberTextIsTruncatedAndTheFamiliesFollowIt) {
    struct Case {
        const char* n;
        Names thresholds;
        Names amplitudes;
    };
    const Case cases[] = {
        {"2.9", {"THRES[0]", "THRES[1]"}, {"AMPL[0]", "AMPL[1]", "AMPL[2]"}},
        {"0", {}, {"AMPL[0]"}},
        {"1", {"THRES[0]"}, {"AMPL[0]", "AMPL[1]"}},
    };
    for (const Case& c : cases) {
        auto wizard = New(Rows(c.n, {}, {}));
        OpenNPoint open(*wizard, Exchange());
        EXPECT_EQ(c.thresholds, LiveNames(2262)) << c.n;
        EXPECT_EQ(c.amplitudes, LiveNames(2133)) << c.n;
        EXPECT_EQ(static_cast<int>(c.thresholds.size()), open.Page()->ThresholdList().GetItemCount());
        EXPECT_EQ(static_cast<int>(c.amplitudes.size()), open.Page()->AmplitudeList().GetItemCount());
        // New members start with their template's value.
        for (CWizardCopaObject3* p : Live(Exchange(), 2133))
            EXPECT_EQ("9", p->GetValue().str());
    }
}

TEST_F(NPoint, LoweringAndRaisingNRetiresAndRemakesMembers) {
    auto wizard = New(Rows("4", {0, 1, 2, 3}, {0, 1, 2, 3, 4}));
    OpenNPoint open(*wizard, Exchange());
    CPropNPointElementBlock* page = open.Page();
    LVCOLUMN column{};
    char heading[32] = {};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ASSERT_TRUE(page->ThresholdList().GetColumn(0, &column));
    EXPECT_STREQ("Name", heading);
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "2"));
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2186)));
    EXPECT_EQ((Names{"THRES[0]", "THRES[1]"}), LiveNames(2262));
    EXPECT_EQ((Names{"AMPL[0]", "AMPL[1]", "AMPL[2]"}), LiveNames(2133));
    for (const char* gone : {"THRES[2]", "THRES[3]", "AMPL[3]", "AMPL[4]"}) {
        ASSERT_NE(nullptr, Named(Exchange(), gone)) << gone;
        EXPECT_TRUE(Named(Exchange(), gone)->IsDeleted()) << gone;
    }
    EXPECT_EQ(2, page->ThresholdList().GetItemCount());
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "4"));
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2186)));
    EXPECT_EQ((Names{"THRES[0]", "THRES[1]", "THRES[2]", "THRES[3]"}), LiveNames(2262));
    // The fresh THRES[2] is a copy of the template, not the retired one.
    EXPECT_EQ("0", Live(Exchange(), 2262).back()->GetValue().str());
    EXPECT_EQ("Threshold 3", Live(Exchange(), 2262).back()->GetDescriptionByLangID(kLanguageEnglish).str());
    EXPECT_EQ(5, page->AmplitudeList().GetItemCount());
}

TEST_F(NPoint, NumbersOutOfRangeAreRefusedAndCreateNothing) {
    for (const char* n : {"-1", "10000", "1e9", "0.5"}) {
        auto wizard = New(Rows("1", {0}, {0, 1}));
        OpenNPoint open(*wizard, Exchange());
        const int count = Exchange()->GetParamCount();
        // Leaving the field resizes nothing; OK refuses the number.
        ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2028), n));
        ASSERT_TRUE(qv::ui::SetFocusTo(open.Page()->GetDlgItem(2186)));
        EXPECT_EQ(count, Exchange()->GetParamCount()) << n;
        qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
        EXPECT_FALSE(open.Page()->OnApply()) << n;
        EXPECT_EQ("1", Named(Exchange(), "N")->GetValue().str()) << n;
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    }
}

TEST_F(NPoint, EditedCellsReachTheParametersOnApplyWithTheirInfo) {
    auto wizard = New(Rows("1", {0}, {0, 1}));
    OpenNPoint open(*wizard, Exchange());
    CPropNPointElementBlock* page = open.Page();
    EXPECT_EQ("t", page->ThresholdList().GetItemText(0, 1).str());
    ASSERT_TRUE(qv::ui::EditListCell(&page->ThresholdList(), 0, 1, "0.5"));
    ASSERT_TRUE(qv::ui::EditListCell(&page->AmplitudeList(), 1, 2, "upper"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0.5", Named(Exchange(), "THRES[0]")->GetValue().str());
    EXPECT_EQ("upper", Named(Exchange(), "AMPL[1]")->GetInfoByLangID(kLanguageEnglish).str());
    EXPECT_EQ("Amplitude 1", Named(Exchange(), "AMPL[1]")->GetDescriptionByLangID(kLanguageEnglish).str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

// Leaving the page keeps the edited cells and fields but not the name: that waits for apply.
TEST_F(NPoint, LeavingThePageStoresTheValuesButNotTheName) {
    auto wizard = New(Rows("1", {0}, {0, 1}));
    OpenNPoint open(*wizard, Exchange());
    CPropNPointElementBlock* page = open.Page();
    ASSERT_TRUE(qv::ui::EditListCell(&page->ThresholdList(), 0, 1, "0.5"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "NP9"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2186), "y"));
    EXPECT_TRUE(page->OnKillActive());
    EXPECT_EQ("0.5", Named(Exchange(), "THRES[0]")->GetValue().str());
    EXPECT_EQ("y", Named(Exchange(), "IN")->GetValue().str());
    EXPECT_EQ("NP1", Exchange()->m_strElementName.str());
}

TEST_F(NPoint, GapRowStaysEmptyAndIsFilledBeforeTheModelDescription) {
    auto wizard = New(Rows("3", {0, 2}, {0, 1, 2, 3}));
    {
        OpenNPoint open(*wizard, Exchange());
        CPropNPointElementBlock* page = open.Page();
        EXPECT_EQ(3, page->ThresholdList().GetItemCount());
        EXPECT_EQ("", page->ThresholdList().GetItemText(1, 0).str());
        EXPECT_EQ(0u, page->ThresholdList().GetItemData(1));
        EXPECT_FALSE(page->HasListRow(3, 2262));
        EXPECT_EQ(3, page->ThresholdList().GetItemCount());
        EXPECT_FALSE(page->HasListRow(0, 2186));
    }
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", Exchange()));
    EXPECT_EQ((Names{"THRES[0]", "THRES[2]", "THRES[1]"}), LiveNames(2262));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

TEST_F(NPoint, ModelDescriptionCreatesMembersOnlyWithBothTemplates) {
    struct Case {
        std::vector<ParamRow> rows;
        const char* templ;
        size_t thresholds;
        size_t commits;
    };
    auto withoutAmplitudeTemplate = Rows("2", {}, {});
    withoutAmplitudeTemplate.erase(withoutAmplitudeTemplate.begin() + 2);
    const Case cases[] = {
        {Rows("2", {}, {}), "IMMANENT", 2, 1},
        {Rows("2", {}, {}), "NPOINT", 0, 0},
        {withoutAmplitudeTemplate, "IMMANENT", 0, 0},
        {Rows("20000", {}, {}), "IMMANENT", 0, 0},
    };
    for (const Case& c : cases) {
        auto wizard = New(c.rows);
        const size_t before = editor->CountRequests(WIZREQ_COMMIT_EXCHANGE);
        EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, c.templ, Exchange()));
        EXPECT_EQ(c.thresholds, LiveNames(2262).size());
        EXPECT_EQ(before + c.commits, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    }
    // A retired member does not count as present.
    auto wizard = New(Rows("1", {0}, {0, 1}));
    Named(Exchange(), "THRES[0]")->Delete();
    wizard->WriteSimDescr(nullptr, "IMMANENT", Exchange());
    EXPECT_EQ((Names{"THRES[0]"}), LiveNames(2262));
    EXPECT_EQ("0", Live(Exchange(), 2262).back()->GetValue().str());
}

TEST_F(NPoint, FourXListsBecomeMembers) {
    struct Case {
        const char* n;
        const char* thresholds;
        const char* amplitudes;
        Names thresholdValues;
        Names amplitudeValues;
        Names retiredValues;  // of the retired THRES[0] and AMPL[0]
    };
    const Case cases[] = {
        {"2", "1,2,3", "5,,6", {"1", "2"}, {"5", "6", "0"}, {"1", "5"}},
        {"0", "", "4", {}, {"4"}, {"t", "4"}},
        {"1", " 7 ", "", {" 7 "}, {"0", "0"}, {" 7 ", "0"}},
    };
    for (const Case& c : cases) {
        auto rows = Rows(c.n, {0, 5}, {0});
        rows[1].value = c.thresholds;
        rows[2].value = c.amplitudes;
        auto wizard = New(rows);
        EXPECT_TRUE(wizard->DoConversionFrom4x(Exchange()));
        std::vector<CWizardCopaObject3*> thresholds, amplitudes;
        for (CWizardCopaObject3* p : Live(Exchange(), 2262))
            if (!(p->GetType() & 0x2)) thresholds.push_back(p);
        for (CWizardCopaObject3* p : Live(Exchange(), 2133))
            if (!(p->GetType() & 0x2)) amplitudes.push_back(p);
        EXPECT_EQ(c.thresholdValues, Values(thresholds)) << c.thresholds;
        EXPECT_EQ(c.amplitudeValues, Values(amplitudes)) << c.amplitudes;
        EXPECT_TRUE(Named(Exchange(), "THRES[5]")->IsDeleted());
        ASSERT_TRUE(Named(Exchange(), "THRES[0]")->IsDeleted());
        EXPECT_EQ(c.retiredValues,
                  (Names{Named(Exchange(), "THRES[0]")->GetValue().str(), Named(Exchange(), "AMPL[0]")->GetValue().str()}));
    }
    // Without both templates nothing is retired and nothing committed.
    auto rows = Rows("2", {0}, {0}, false);
    auto wizard = New(rows);
    const size_t before = editor->CountRequests(WIZREQ_COMMIT_EXCHANGE);
    EXPECT_TRUE(wizard->DoConversionFrom4x(Exchange()));
    EXPECT_FALSE(Named(Exchange(), "THRES[0]")->IsDeleted());
    EXPECT_EQ(before, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
}

TEST_F(NPoint, ChangeReportRebuildsWithoutTouchingTheOpenPage) {
    auto wizard = New(Rows("1", {0}, {0, 1}));
    EXPECT_TRUE(wizard->WantChangeNotification());
    OpenNPoint open(*wizard, Exchange());
    CPropNPointElementBlock* page = open.Page();
    CWizardCopaObject3* number = Named(Exchange(), "N");
    number->SetValue("3");
    wizard->NotifyChanged(Exchange(), 2, number);
    wizard->NotifyChanged(Exchange(), 3, Named(Exchange(), "IN"));
    EXPECT_EQ(1u, LiveNames(2262).size());
    wizard->NotifyChanged(Exchange(), 3, number);
    EXPECT_EQ(3u, LiveNames(2262).size());
    EXPECT_EQ(4u, LiveNames(2133).size());
    EXPECT_EQ(page, wizard->GetPage());
    EXPECT_NE(nullptr, page->GetSafeHwnd());
    std::unique_ptr<CWizardBase3> made(CreateWizardInstance(64));
    ASSERT_NE(nullptr, made);
    EXPECT_STREQ("CNPointElementWizard", made->GetRuntimeClass()->m_lpszClassName);
}

} // namespace
