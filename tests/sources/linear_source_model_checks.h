// Model-text checks that the linear sources of every domain pass alike, written once as typed
// tests; a test program instantiates them for its source with INSTANTIATE_TYPED_TEST_SUITE_P.
// A source is described by a struct with:
//   Wizard                 the wizard class;
//   Rows()                 its parameter set as the catalogue defines it; kName its element;
//   kModel, kOtherTemplate the model the wizard writes into, and a template that is not its own;
//   Head(keyword)          what the text holds before " ( " for a form's keyword ("" constant);
//   Hand(wizard, form, list)  hands the wizard the page's settings of that form with this list;
//   kConstantNames, kConstantList  a constant's entries and the list text written for them;
//   kTrapezoidNames, kTrapezoidList  likewise for the trapezoid.
#pragma once

#include "sources_support.h"

#include "framework/param_access.h"

#include <string>
#include <vector>

namespace sources_test {

template <class Source>
class LinearSourceModelText : public SourcesTest {
protected:
    using Wizard = typename Source::Wizard;

    std::unique_ptr<Wizard> New(const std::vector<ParamRow>& rows, DWORD* element = nullptr) {
        return this->template NewWizard<Wizard>(rows, Source::kName, element);
    }
    void Give(Wizard& wizard, int form, const std::vector<const char*>& names) {
        WithSnapshots(names, [&](CPtrArray* list) { Source::Hand(wizard, form, list); });
    }
    std::string Write(Wizard& wizard) { return this->WriteModel(wizard, Source::kModel); }
    std::string Expected(const char* keyword, const std::string& list) { return Source::Head(keyword) + " ( " + list + " );"; }
    std::string Period(DWORD element) { return Param(this->editor->Holder(element), 2038)->GetValue().str(); }
};

TYPED_TEST_SUITE_P(LinearSourceModelText);

TYPED_TEST_P(LinearSourceModelText, TemplateWithoutImmanentLeavesTheTextAloneAndAsksNothing) {
    auto wizard = this->New(TypeParam::Rows());
    EXPECT_EQ(TypeParam::kModel,
              WrittenAskingNothing(*wizard, *this->editor, TypeParam::kOtherTemplate, TypeParam::kModel));
}

TYPED_TEST_P(LinearSourceModelText, TrapezoidWithNumericAndSymbolicTimes) {
    struct Case {
        const char* rise;
        const char* width;
        const char* fall;
        const char* period;
    };
    const Case cases[] = {
        {.rise = "1m", .width = "8m", .fall = "1m", .period = "0.01"},
        {.rise = "1u", .width = "2u", .fall = "1u", .period = "4e-06"},
        {.rise = "TR", .width = "PW", .fall = "TF", .period = " TR + PW + TF"},
        {.rise = "1m", .width = "PW", .fall = "1m", .period = " 1m + PW + 1m"},
        {.rise = "1e308", .width = "1e308", .fall = "0", .period = " 1e308 + 1e308 + 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        DWORD element = 0;
        auto rows = WithValue(WithValue(WithValue(TypeParam::Rows(), 2051, c.rise), 2055, c.width), 2053, c.fall);
        auto wizard = this->New(rows, &element);
        this->Give(*wizard, 3, TypeParam::kTrapezoidNames);
        this->editor->ClearRequests();
        EXPECT_EQ(this->Expected("TRAPEZ", TypeParam::kTrapezoidList), this->Write(*wizard));
        EXPECT_EQ(c.period, this->Period(element));
        EXPECT_EQ(1u, this->editor->CountRequests(25));
    }
}

// A zero frequency leaves the period as it stands ("1/(0)" would divide by zero).
TYPED_TEST_P(LinearSourceModelText, PeriodFromFrequencyKeepsAFormulaForTextAndThePeriodForZero) {
    const std::pair<const char*, const char*> cases[] = {
        {"2k", "0.0005"}, {"0", "0.02"}, {"0m", "0.02"}, {"F0", "1/(F0)"}, {"1e-400", "0.02"}};
    for (const auto& [frequency, period] : cases) {
        SCOPED_TRACE(frequency);
        DWORD element = 0;
        auto wizard = this->New(WithValue(TypeParam::Rows(), 2036, frequency), &element);
        this->Give(*wizard, 1, {"FREQ"});
        this->Write(*wizard);
        EXPECT_EQ(period, this->Period(element));
    }
}

// "@PHASE" and "@AC_PHASE_PHI" of older lists switch their parameters to radians; the
// "@AC_PHASE" that the second one leaves is resolved only by an entry before it.
TYPED_TEST_P(LinearSourceModelText, OlderPhasePlaceholdersSwitchToRadians) {
    DWORD element = 0;
    auto wizard = this->New(TypeParam::Rows(), &element);
    this->Give(*wizard, 0, {"AMPL", "@PHASE", "@AC_PHASE_PHI"});
    this->editor->ClearRequests();
    EXPECT_EQ(this->Expected("SINE", "AMPL := @AMPL, PHASE, @AC_PHASE"), this->Write(*wizard));
    EXPECT_EQ("rad", Param(this->editor->Holder(element), 2042)->GetUsedUnit().str());
    EXPECT_EQ("rad", Param(this->editor->Holder(element), 2434)->GetUsedUnit().str());
    EXPECT_EQ(3u, this->editor->CountRequests(25)) << "the period and one commit per unit";
}

TYPED_TEST_P(LinearSourceModelText, AnEarlierACPhaseEntryResolvesThePhiEntry) {
    auto wizard = this->New(WithValue(WithValue(TypeParam::Rows(), 2430, "0"), 2432, "2"));
    this->Give(*wizard, 0, {"@AC_PHASE", "@AC_PHASE_PHI"});
    EXPECT_EQ(this->Expected("SINE", "AC_PHASE := ATAN2((2),(0))*(180/PI), @AC_PHASE"), this->Write(*wizard));
}

// Text values are quoted for the time forms and never for the constant value.
TYPED_TEST_P(LinearSourceModelText, TextValuesAreQuotedOnlyForTimeForms) {
    auto rows = TypeParam::Rows();
    for (ParamRow& row : rows)
        if (row.id == 2034 || row.id == 2028) row.type = 0x100004;
    struct Case {
        int form;
        std::vector<const char*> names;
        std::string text;
    };
    const Case cases[] = {
        {.form = 2, .names = {"AMPL", "OFF"}, .text = this->Expected("TRIANG", "AMPL := \"@AMPL\", OFF := @OFF")},
        {.form = -1, .names = TypeParam::kConstantNames, .text = this->Expected("", TypeParam::kConstantList)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        DWORD element = 0;
        auto wizard = this->New(rows, &element);
        CPtrArray list;
        for (const char* name : c.names) {
            auto* snapshot = new CCopaObjectCompare;
            snapshot->SetFrom(FindParamByName(this->editor->Holder(element), name));
            list.Add(snapshot);
        }
        TypeParam::Hand(*wizard, c.form, &list);
        FreeSnapshots(list);
        EXPECT_EQ(c.text, this->Write(*wizard));
    }
}

REGISTER_TYPED_TEST_SUITE_P(LinearSourceModelText, TemplateWithoutImmanentLeavesTheTextAloneAndAsksNothing,
                            TrapezoidWithNumericAndSymbolicTimes, PeriodFromFrequencyKeepsAFormulaForTextAndThePeriodForZero,
                            OlderPhasePlaceholdersSwitchToRadians, AnEarlierACPhaseEntryResolvesThePhiEntry,
                            TextValuesAreQuotedOnlyForTimeForms);

} // namespace sources_test
