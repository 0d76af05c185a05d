// The step-function and random block page: labels and hidden fields of both variants, the
// snapshot lists in both AC modes, the random block's check (nothing committed when refused),
// model texts, and older data in the constant page's layout.
#include "tests/timefunctions/timefunctions_support.h"

#include "timefunctions/step_random_pages.h"

using namespace tf_test;

namespace {

std::vector<ParamRow> StepRows() {
    const std::vector<ParamRow> own = {
        {.id = 2247, .name = "T0", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s"},
        {.id = 2249, .name = "AMPL", .value = "1", .type = 0x4},
        {.id = 2187, .name = "Y0", .value = "0", .type = 0x4},
    };
    return WithSampleTimeACAndOutput(own, "-3", "4");
}

std::vector<ParamRow> RandomRows() {
    std::vector<ParamRow> rows = StepRows();
    rows[0] = {.id = 2247, .name = "MAX", .value = "1", .type = 0x4};
    rows[1] = {.id = 2249, .name = "MIN", .value = "-1", .type = 0x4};
    rows.erase(rows.begin() + 2);
    return rows;
}

using StepRandomPage = SourcesTest;

template <class Wizard>
std::vector<std::string> AppliedNames(StepRandomPage& test, std::unique_ptr<Wizard>& wizard, bool realImaginary) {
    OpenPage<Wizard> open(*wizard);
    if (realImaginary) {
        EXPECT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
        EXPECT_TRUE(qv::ui::Click(open.AC(), 2428));
        EXPECT_TRUE(qv::ui::SelectPage(&open.Sheet(), 0));
    }
    EXPECT_TRUE(qv::ui::Apply(&open.Sheet()));
    (void)test;
    return SnapshotNames(wizard->GetSnapshots());
}

TEST_F(StepRandomPage, SnapshotListsInBothACModes) {
    using Names = std::vector<std::string>;
    {
        auto step = NewWizard<CStepFunctionBlockWizard4>(StepRows(), "S1");
        EXPECT_EQ((Names{"AMPL", "T0", "Y0", "TS", "AC_PHASE", "AC_MAG"}), AppliedNames(*this, step, false));
    }
    {
        auto step = NewWizard<CStepFunctionBlockWizard4>(StepRows(), "S1");
        EXPECT_EQ((Names{"AMPL", "T0", "Y0", "TS", "@AC_PHASE", "@AC_MAG"}), AppliedNames(*this, step, true));
        EXPECT_EQ(1u, step->GetACMode());
        EXPECT_EQ(0u, step->GetACUse());
    }
    {
        auto random = NewWizard<CRandomBlockWizard4>(RandomRows(), "R1");
        EXPECT_EQ((Names{"MAX", "MIN", "TS", "AC_PHASE", "AC_MAG"}), AppliedNames(*this, random, false));
    }
    {
        auto random = NewWizard<CRandomBlockWizard4>(RandomRows(), "R1");
        EXPECT_EQ((Names{"MAX", "MIN", "TS", "@AC_PHASE", "@AC_MAG"}), AppliedNames(*this, random, true));
    }
}

TEST_F(StepRandomPage, LabelsUnitsAndHiddenFields) {
    DWORD element = 0;
    auto step = NewWizard<CStepFunctionBlockWizard4>(StepRows(), "S1", &element);
    {
        OpenPage<CStepFunctionBlockWizard4> open(*step);
        CWnd* page = open.Page();
        EXPECT_EQ("Step Time", Text(page, 2246));
        EXPECT_EQ("Final Value", Text(page, 2248));
        EXPECT_TRUE(Visible(page, 2187));
        EXPECT_TRUE(Visible(page, 2511)) << "the step time has a quantity";
        EXPECT_EQ("Block Output Signal [V]", Text(page, 2056));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2247), "2"));
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2511), "ms"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2249), "10"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2187), "-1"));
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2183), "1m"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    ParamHolder* holder = editor->Holder(element);
    ExpectValues(holder, {{2247, "2"}, {2249, "10"}, {2187, "-1"}, {2183, "1m"}});
    EXPECT_EQ("ms", Param(holder, 2247)->GetUsedUnit().str());

    WizardOnSheet random(NewWizard<CRandomBlockWizard4>(RandomRows(), "R1"));
    CWnd* page = random.Page();
    EXPECT_EQ("Maximum Value", Text(page, 2246));
    EXPECT_EQ("Minimum Value", Text(page, 2248));
    EXPECT_FALSE(Visible(page, 2184));
    EXPECT_FALSE(Visible(page, 2187));
    EXPECT_FALSE(Visible(page, 2511)) << "the maximum has no quantity";
}

TEST_F(StepRandomPage, RandomRefusesAMinimumNotBelowTheMaximum) {
    struct Case {
        const char* max;
        const char* min;
        bool accepted;
    };
    const Case cases[] = {
        {"1", "1", false}, {"1", "2", false}, {"1m", "2m", false}, {"2", "-2", true},
        {"1k", "999", true}, {"A", "1", true}, {"1", "B", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.max) + " / " + c.min);
        DWORD element = 0;
        auto random = NewWizard<CRandomBlockWizard4>(RandomRows(), "R1", &element);
        WithSnapshots({"KEEP"}, [&](CPtrArray* list) { random->SetACParameters(list, 0); });
        OpenPage<CRandomBlockWizard4> open(*random);
        CWnd* page = open.Page();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2247), c.max));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2249), c.min));
        editor->ClearRequests();
        if (!c.accepted)
            qv::UserScript::Instance().ExpectMessageBox(IDOK,
                                                        "Error : The Maximum Value must be greater than the Minimum Value!");
        EXPECT_EQ(c.accepted, qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.accepted ? 1u : 0u, editor->CountRequests(25));
        if (!c.accepted) {
            EXPECT_EQ((std::vector<std::string>{"KEEP"}), SnapshotNames(random->GetSnapshots()));
            // Nothing reaches the set either: a later commit (a switch that commits at once)
            // would carry limits the page refused.
            ExpectValues(editor->Holder(element), {{2247, "1"}, {2249, "-1"}});
        }
    }
}

TEST_F(StepRandomPage, ValuesOnPinsAreShownDisabledAndTheSampleTimePinActs) {
    std::vector<ParamRow> rows = StepRows();
    rows[0].type = 0x80000004;
    DWORD element = 0;
    WizardOnSheet step(NewWizard<CStepFunctionBlockWizard4>(rows, "S1", &element));
    CWnd* page = step.Page();
    EXPECT_FALSE(Enabled(page, 2247));
    EXPECT_TRUE(Enabled(page, 2249));
    ASSERT_TRUE(qv::ui::Click(page, 2074));
    EXPECT_FALSE(Enabled(page, 2183));
    EXPECT_TRUE(Param(editor->Holder(element), 2183)->HasPin());
}

class StepRandomModelText : public SourcesTest {
protected:
    std::string Write(CSourceBlockWizardBase4& wizard, const char* model) {
        CString text = model;
        EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", text));
        EXPECT_EQ(0, g_PlaceholderList.GetSize());
        return text.str();
    }
};

TEST_F(StepRandomModelText, BothBlocksInBothACModes) {
    struct Case {
        const char* what;
        bool random;
        DWORD acMode;
        const char* expected;
    };
    const Case cases[] = {
        {"step", false, 0,
         "STEP @NAME ( AMPL := @AMPL, T0 := @T0, Y0 := @Y0, TS := @TS, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {"step, real and imaginary", false, 1,
         "STEP @NAME ( AMPL := @AMPL, T0 := @T0, Y0 := @Y0, TS := @TS, AC_PHASE := ATAN2((4),(-3))*(180/PI), "
         "AC_MAG := SQRT((-3)^2+(4)^2) );"},
        {"random", true, 0, "STEP @NAME ( MAX := @MAX, MIN := @MIN, TS := @TS, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {"random, real and imaginary", true, 1,
         "STEP @NAME ( MAX := @MAX, MIN := @MIN, TS := @TS, AC_PHASE := ATAN2((4),(-3))*(180/PI), "
         "AC_MAG := SQRT((-3)^2+(4)^2) );"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<CSourceBlockWizardBase4> wizard;
        if (c.random) wizard = NewWizard<CRandomBlockWizard4>(RandomRows(), "S1");
        else wizard = NewWizard<CStepFunctionBlockWizard4>(StepRows(), "S1");
        wizard->SetACMode(c.acMode);
        // The empty list is built by Initialize on a hidden page first.
        EXPECT_EQ(c.expected, Write(*wizard, "STEP @NAME ( @PARAMLIST);"));
        EXPECT_EQ(0u, wizard->GetACUse());
        EXPECT_EQ(c.acMode, wizard->GetACMode());
    }
}

// Older data in the constant page's layout: word, n, L1 snapshots, L2 page block, L3, L4, AC
// block. Parts that do not fit are not read.
TEST_F(StepRandomModelText, OlderDataInTheConstantLayout) {
    Bytes snapshots;
    Snapshot(snapshots, "AMPL", 0x4, 0, true);
    Snapshot(snapshots, "T0", 0x4, 0, false);
    Bytes whole = Dwords({1, 2});
    Block(whole, snapshots);
    Block(whole, {});
    Block(whole, {5, 5});
    Block(whole, {});
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<std::string> names;
    };
    Bytes cut(whole.begin(), whole.begin() + 20);
    Bytes overlong = whole;
    overlong[8] = 0xF0;
    const Case cases[] = {
        {"whole", whole, {"AMPL", "T0"}},
        {"cut in the snapshots", cut, {}},
        {"a length past the end", overlong, {}},
        {"eight bytes", Bytes{1, 0, 0, 0, 2, 0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto step = NewWizard<CStepFunctionBlockWizard4>(StepRows(), "S1");
        step->SetACMode(1);
        const ExactBuffer exact(c.bytes);
        EXPECT_TRUE(step->DoConvertWizard3Data(exact.Data(), exact.Size()));
        EXPECT_EQ(c.names, SnapshotNames(step->GetSnapshots()));
        EXPECT_EQ(1u, step->GetACMode()) << "without an AC block the mode stays";
        EXPECT_EQ(nullptr, step->GetPage());
    }
    auto random = NewWizard<CRandomBlockWizard4>(RandomRows(), "R1");
    EXPECT_TRUE(random->DoConvertWizard3Data(nullptr, 0));
    EXPECT_EQ(0, random->GetSnapshots().GetSize());
}

} // namespace
