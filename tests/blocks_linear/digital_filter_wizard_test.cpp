// The digital-filter block: the page driven as a user drives it (kind, type, order and
// cut-offs, apply, leaving the page), the refusals, the formula path with and without a
// simplifier, the wizard's archive bytes, the older data, and the example run by the host.
#include "blocks_support.h"
#include "formula_evaluator.h"
#include "tests/support/profiled_host.h"

#include "blocks_linear/digital_filter.h"
#include "framework/factories.h"
#include "framework/prefixed_numbers.h"

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace blocks_test;

namespace {

std::vector<ParamRow> FilterRows() {
    return WithSampleTimeInputAndOutput(
        {
            {.id = 2188, .name = "N", .value = "1"},
            {.id = 2193, .name = "D", .value = "1"},
            {.id = 2194, .name = "Q", .value = "0", .type = 0x6, .description = "Numerator coefficient %d"},
            {.id = 2195, .name = "P", .value = "1", .type = 0x6, .description = "Denominator coefficient %d"},
        },
        2202, "1m");
}

using DigitalFilter = OnePageTest<CDigitalFilterWizard4, BlocksTest>;

struct Settings {
    const char* kind = "Butterworth";
    const char* type = "Low Pass";
    const char* order = "2";
    const char* cutOff = "100";
    const char* upper = "200";
    const char* sampleTime = "1m";
};

void Enter(CWnd* page, const Settings& s) {
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2236), s.kind));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2238), s.type));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2240), s.order));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2243), s.cutOff));
    if (Visible(page, 2244)) {
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2244), s.upper));
    }
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2202), s.sampleTime));
}

std::vector<std::string> Coefficients(ParamHolder* holder, WORD id) {
    std::vector<std::string> values;
    for (CWizardCopaObject3* p : Live(holder, id))
        if (GetBracketIndex(p->GetName()) >= 0) values.push_back(p->GetValue().str());
    return values;
}

TEST_F(DigitalFilter, ANewWizardShowsItsDefaultsAndTheCaptionsFollowTheType) {
    CPropDigitalFilterBlock* page = OpenWizardPage(FilterRows());
    ASSERT_NE(nullptr, page);
    std::vector<std::string> kinds;
    std::vector<std::string> types;
    for (int i = 0; i < 4; ++i) {
        CString text;
        Combo(page, 2236)->GetLBText(i, text);
        kinds.push_back(text.str());
        Combo(page, 2238)->GetLBText(i, text);
        types.push_back(text.str());
    }
    EXPECT_EQ((std::vector<std::string>{"Butterworth", "Bessel", "Tschebyscheff", "Cauer"}), kinds);
    EXPECT_EQ((std::vector<std::string>{"Low Pass", "High Pass", "Band Pass", "Band-Stop Filter"}), types);
    EXPECT_EQ(0, Combo(page, 2236)->GetCurSel());
    EXPECT_EQ(0, Combo(page, 2238)->GetCurSel());
    ExpectTexts(page, {{2240, "1"}, {2243, "50"}, {2244, "1k"}, {2202, "1m"}});
    EXPECT_FALSE(page->IsPageModified());
    struct Step {
        const char* type;
        const char* caption;
        bool upper;
    };
    const Step steps[] = {{"Low Pass", "Cut-off frequency [Hz]", false},
                          {"Band Pass", "Lower Cut-off frequency [Hz]", true},
                          {"High Pass", "Cut-off frequency [Hz]", false},
                          {"Band-Stop Filter", "Lower Cut-off frequency [Hz]", true}};
    for (const Step& step : steps) {
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2238), step.type));
        EXPECT_EQ(step.caption, Text(page, 2241)) << step.type;
        EXPECT_EQ(step.upper, Visible(page, 2242)) << step.type;
        EXPECT_EQ(step.upper, Visible(page, 2244)) << step.type;
    }
    EXPECT_TRUE(page->IsPageModified());
}

TEST_F(DigitalFilter, ApplyDesignsWritesTheCoefficientsAndCommits) {
    OpenWizardPage(FilterRows());
    Settings s;
    s.type = "Band Pass";
    s.sampleTime = "1m";
    Enter(open->Page(), s);
    ASSERT_TRUE(qv::ui::TypeText(open->Page()->GetDlgItem(2186), "u1"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ(1u, editor->CountRequests(25));
    EXPECT_FALSE(open->Page()->IsPageModified());
    ParamHolder* holder = editor->Holder(element);
    CFilterCoefficientTable table(0);
    const qv::filter::NumericDesign design = qv::filter::DesignNumeric(table, 2, 2, 100, 200, 1e-3);
    std::vector<std::string> num;
    std::vector<std::string> den;
    for (int i = 0; i < design.count; ++i) {
        num.emplace_back(design.NumeratorText(i));
        den.emplace_back(design.DenominatorText(i));
    }
    EXPECT_EQ(num, Coefficients(holder, 2194));
    EXPECT_EQ(den, Coefficients(holder, 2195));
    EXPECT_EQ((std::vector<std::string>{"Q", "Q[0]", "Q[1]", "Q[2]", "Q[3]", "Q[4]"}), Names(Live(holder, 2194)));
    EXPECT_EQ("1", Named(holder, "P[0]")->GetValue().str());
    EXPECT_EQ("5", Named(holder, "N")->GetValue().str());
    EXPECT_EQ("5", Named(holder, "D")->GetValue().str());
    EXPECT_EQ("u1", Named(holder, "IN")->GetValue().str());
    EXPECT_EQ("Numerator coefficient 3", Named(holder, "Q[3]")->GetDescriptionByLangID(kLanguageEnglish).str());
    // The wizard keeps the settings.
    EXPECT_EQ(0u, wizard->GetKind());
    EXPECT_EQ(2u, wizard->GetType());
    EXPECT_EQ("2", wizard->GetOrder().str());
    EXPECT_EQ("100", wizard->GetCutOff().str());
    EXPECT_EQ("200", wizard->GetUpperCutOff().str());
}

TEST_F(DigitalFilter, TheClampOnApplyRewritesPlainNumbersOnly) {
    struct Case {
        Settings s;
        const char* order;
        const char* cutOff;
        const char* upper;
        const char* count;
    };
    const Case cases[] = {
        {{.order = "12", .cutOff = "50", .upper = "1k"}, "10", "50", "1000", "11"},
        {{.type = "Band-Stop Filter", .order = "1", .cutOff = "100", .upper = "200"}, "3", "100", "200", "9"},
        {{.order = "2", .cutOff = "-5", .upper = "1k"}, "2", "1", "1000", "3"},
        {{.type = "Band Pass", .order = "1", .cutOff = "0", .upper = "300"}, "1", "1", "300", "5"},
        {{.kind = "Cauer", .order = "2", .cutOff = "100"}, "2", "100", "1000", "1"},
        // A name stays a name, and the formula path designs with it.
        {{.order = "2", .cutOff = "fc", .upper = "1k"}, "2", "fc", "1000", "3"},
    };
    for (const Case& c : cases) {
        Enter(OpenWizardPage(FilterRows()), c.s);
        ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
        EXPECT_EQ(c.order, Text(open->Page(), 2240));
        EXPECT_EQ(c.cutOff, Text(open->Page(), 2243));
        EXPECT_EQ(c.upper, Text(open->Page(), 2244));
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.count, Named(holder, "N")->GetValue().str()) << c.s.order;
        EXPECT_EQ("1", Named(holder, "P[0]")->GetValue().str());
    }
}

// An order is a whole number: one that is not is refused, not read as its integer part.
TEST_F(DigitalFilter, AnOrderThatIsNoWholeNumberIsRefused) {
    Enter(OpenWizardPage(FilterRows()), {.order = "2.7", .cutOff = "100"});
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    EXPECT_FALSE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("2.7", Text(open->Page(), 2240));
}

TEST_F(DigitalFilter, CauerOfOrderTwoHasNoSection) {
    OpenWizardPage(FilterRows());
    Enter(open->Page(), {.kind = "Cauer", .order = "2"});
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ((std::vector<std::string>{"0"}), Coefficients(holder, 2194));
    EXPECT_EQ((std::vector<std::string>{"1"}), Coefficients(holder, 2195));
}

TEST_F(DigitalFilter, ALowerOrderRetiresTheCoefficientsAbove) {
    OpenWizardPage(FilterRows());
    Enter(open->Page(), {.type = "Band Pass", .order = "10", .cutOff = "100", .upper = "200", .sampleTime = "1m"});
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    ParamHolder* holder = editor->Holder(element);
    ASSERT_EQ(21u, Coefficients(holder, 2194).size());
    ASSERT_EQ(21, open->Page()->GetNumerators().GetSize());
    CWizardCopaObject3* q20 = Named(holder, "Q[20]");
    Enter(open->Page(), {.type = "Low Pass", .order = "1", .cutOff = "100"});
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ((std::vector<std::string>{"Q", "Q[0]", "Q[1]", "Q[2]"}), Names(Live(holder, 2194)));
    EXPECT_EQ((std::vector<std::string>{"P", "P[0]", "P[1]", "P[2]"}), Names(Live(holder, 2195)));
    EXPECT_EQ(3, open->Page()->GetNumerators().GetSize());
    EXPECT_EQ(3, open->Page()->GetDenominators().GetSize());
    EXPECT_TRUE(q20->IsDeleted());
    EXPECT_EQ("3", Named(holder, "N")->GetValue().str());
}

TEST_F(DigitalFilter, LeavingThePageDesignsWithoutTheClamp) {
    OpenWizardPage(FilterRows());
    Enter(open->Page(), {.order = "25", .cutOff = "100"});
    editor->ClearRequests();
    EXPECT_TRUE(open->Page()->OnKillActive());
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ((std::vector<std::string>{"0"}), Coefficients(holder, 2194));
    EXPECT_EQ((std::vector<std::string>{"1"}), Coefficients(holder, 2195));
    EXPECT_EQ("25", Text(open->Page(), 2240));
    EXPECT_EQ(0u, editor->CountRequests(25));
    EXPECT_EQ("1", wizard->GetOrder().str());  // no hand-over without apply
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("10", Text(open->Page(), 2240));
    EXPECT_EQ("11", Named(holder, "N")->GetValue().str());
    EXPECT_EQ("10", wizard->GetOrder().str());
}

TEST_F(DigitalFilter, ARefusedDesignSaysWhyAndWritesNothing) {
    struct Case {
        Settings s;
        const char* message;
    };
    const Case cases[] = {
        {{.sampleTime = "0"}, "Error : The Sample Time must be a positive number!"},
        {{.cutOff = "600", .sampleTime = "1m"},
         "Error : The Cut-off frequencies must lie above 0 and below half the sampling frequency!"},
        {{.type = "Band Pass", .cutOff = "200", .upper = "100"},
         "Error : The Upper Cut-off frequency must be greater than the Lower Cut-off frequency!"},
        {{.order = "10", .cutOff = "50", .sampleTime = "100u"},
         "Error : The filter order is too high for this cut-off frequency and sample time: the coefficients cannot "
         "hold a stable filter!"},
        {{.kind = "Bessel", .type = "High Pass", .order = "7", .cutOff = "50", .sampleTime = "100u"},
         "Error : The filter order is too high for this cut-off frequency and sample time: the coefficients cannot "
         "hold the filter's stop band!"},
    };
    for (const Case& c : cases) {
        Enter(OpenWizardPage(FilterRows()), c.s);
        editor->ClearRequests();
        qv::UserScript::Instance().ExpectMessageBox(IDOK, c.message);
        EXPECT_FALSE(qv::ui::Apply(&open->Sheet()));
        EXPECT_TRUE(open->Page()->IsPageModified());
        EXPECT_EQ(0u, editor->CountRequests(25));
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ((std::vector<std::string>{"Q"}), Names(Live(holder, 2194)));
        EXPECT_EQ("1", Named(holder, "N")->GetValue().str());
        EXPECT_EQ("1m", Named(holder, "TS")->GetValue().str());
        EXPECT_EQ("1", wizard->GetOrder().str());
    }
}

TEST_F(DigitalFilter, PinsOutputAndARefusedCommit) {
    CPropDigitalFilterBlock* page = OpenWizardPage(FilterRows());
    ParamHolder* holder = editor->Holder(element);
    ASSERT_TRUE(qv::ui::Click(page, 2074));
    EXPECT_FALSE(Enabled(page, 2202));
    EXPECT_NE(0u, Named(holder, "TS")->GetType() & 0x80000000u);
    ASSERT_TRUE(qv::ui::Click(page, 2073));
    EXPECT_FALSE(Enabled(page, 2186));
    BOOL on = FALSE;
    for (BOOL expected : {TRUE, FALSE}) {
        ASSERT_TRUE(qv::ui::Click(page, 2056));
        EXPECT_TRUE(GetSDBOutput(holder, 2056, &on));
        EXPECT_EQ(expected, on);
        EXPECT_EQ(expected ? BST_CHECKED : BST_UNCHECKED, page->IsDlgButtonChecked(2056));
    }
    editor->SetCommitAnswer(1);
    EXPECT_FALSE(qv::ui::Apply(&open->Sheet()));
    EXPECT_TRUE(page->IsPageModified());
    editor->SetCommitAnswer(0);
}

// A simplifier that marks what it simplified, and one whose modules cannot be loaded.
class MarkingSimplifier : public qv::blocks::FilterTextSimplifier {
public:
    BOOL Load() override { return TRUE; }
    BOOL Simplify(CString* formula) override {
        *formula = "S[" + *formula + "]";
        return TRUE;
    }
};
class UnloadableSimplifier : public MarkingSimplifier {
public:
    BOOL Load() override { return FALSE; }
};

TEST_F(DigitalFilter, TheFormulaPathStoresSimplifiedOrPlainTexts) {
    enum class Expect { Modules, Marked, Plain };
    struct Case {
        qv::blocks::FilterSimplifierFactory factory;
        Expect expect;
    };
    const Case cases[] = {
        {nullptr, Expect::Modules},  // the formula simplifier, its modules loaded by name
        {[] { return std::unique_ptr<qv::blocks::FilterTextSimplifier>(new MarkingSimplifier); }, Expect::Marked},
        {[] { return std::unique_ptr<qv::blocks::FilterTextSimplifier>(new UnloadableSimplifier); }, Expect::Plain},
    };
    for (const Case& c : cases) {
        const auto previous = qv::blocks::SetFilterSimplifierFactory(c.factory);
        Enter(OpenWizardPage(FilterRows()), {.order = "2", .cutOff = "100", .sampleTime = "Ts"});
        ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
        open.reset();
        qv::blocks::SetFilterSimplifierFactory(previous);
        ParamHolder* holder = editor->Holder(element);
        const std::vector<std::string> q = Coefficients(holder, 2194);
        const std::vector<std::string> p = Coefficients(holder, 2195);
        ASSERT_EQ(3u, q.size());
        EXPECT_EQ("1", p[0]);
        const std::string plain = "(1.0)*(( ( 0.2929 - 0.5858 * (sin( 3.14159265358979 * 1.0 / 4.0 - 3.14159265358979 * (100) / (1.0 / (Ts)) )";
        switch (c.expect) {
        case Expect::Plain:
            EXPECT_EQ(plain, q[0].substr(0, plain.size()));
            break;
        case Expect::Marked:
            EXPECT_EQ("S[" + plain, q[0].substr(0, plain.size() + 2));
            EXPECT_EQ(0u, p[1].rfind("S[", 0));
            break;
        case Expect::Modules:
            EXPECT_EQ(std::string::npos, q[0].find("(1.0)*("));
            EXPECT_NE(std::string::npos, q[0].find("Ts"));
            break;
        }
        EXPECT_EQ("Ts", Named(holder, "TS")->GetValue().str());
        EXPECT_EQ("3", Named(holder, "N")->GetValue().str());
    }
}

// With the formula modules the stored texts are the simplified ones, and evaluated with the
// sample time they are the numeric design's coefficients.
TEST_F(DigitalFilter, SimplifiedTextsAreTheNumericCoefficients) {
    struct Case {
        Settings s;
        int type;
        int order;
    };
    const Case cases[] = {
        {{.order = "2", .cutOff = "100", .sampleTime = "Ts"}, 0, 2},
        {{.type = "High Pass", .order = "3", .cutOff = "100", .sampleTime = "Ts"}, 1, 3},
        {{.type = "Band-Stop Filter", .order = "3", .cutOff = "100", .upper = "200", .sampleTime = "Ts"}, 3, 3},
    };
    for (const Case& c : cases) {
        Enter(OpenWizardPage(FilterRows()), c.s);
        ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
        open.reset();
        ParamHolder* holder = editor->Holder(element);
        CFilterCoefficientTable table(0);
        const qv::filter::NumericDesign design = qv::filter::DesignNumeric(table, c.type, c.order, 100, 200, 1e-3);
        const std::map<std::string, double> names{{"Ts", 1e-3}};
        for (const auto& [id, numbers] : {std::pair{WORD{2194}, design.numerator.data()},
                                          std::pair{WORD{2195}, design.denominator.data()}}) {
            const std::vector<std::string> texts = Coefficients(holder, id);
            ASSERT_EQ(static_cast<size_t>(design.count), texts.size());
            long double difference = 0;
            long double norm = 0;
            for (size_t i = 0; i < texts.size(); ++i) {
                filter_test::Evaluator evaluator(texts[i], names);
                const long double value = evaluator.Run();
                ASSERT_FALSE(evaluator.Failed()) << texts[i].substr(0, 300);
                difference += (value - numbers[i]) * (value - numbers[i]);
                norm += static_cast<long double>(numbers[i]) * numbers[i];
            }
            EXPECT_LE(std::sqrt(difference), 1e-11L * std::sqrt(norm)) << c.type;
        }
        // Simplified: no longer the product form of the sections.
        EXPECT_EQ(std::string::npos, Named(holder, "Q[1]")->GetValue().str().find("(1.0)*("));
    }
}

// A sample time typed in another unit than seconds is designed for as the element describes
// it, on both paths: "2" in "ms" is 2 ms, and the stored value keeps the text and the unit.
TEST_F(DigitalFilter, TheSampleTimeIsDesignedForInTheUnitItIsShownIn) {
    struct Case {
        Settings s;
        const char* unit;
        double seconds;
    };
    const Case cases[] = {
        {{.order = "2", .cutOff = "100", .sampleTime = "2"}, "ms", 2e-3},
        {{.order = "2", .cutOff = "fc", .sampleTime = "500"}, "us", 5e-4},  // the formula path
    };
    for (const Case& c : cases) {
        Enter(OpenWizardPage(FilterRows()), c.s);
        ASSERT_TRUE(qv::ui::ChooseEntry(open->Page()->GetDlgItem(2400), c.unit));
        ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
        open.reset();
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.s.sampleTime, Named(holder, "TS")->GetValue().str());
        EXPECT_EQ(c.unit, Named(holder, "TS")->GetUsedUnit().str());
        CFilterCoefficientTable table(0);
        const qv::filter::NumericDesign design = qv::filter::DesignNumeric(table, 0, 2, 100, 200, c.seconds);
        const std::map<std::string, double> names{{"fc", 100.0}};
        for (const auto& [id, numbers] : {std::pair{WORD{2194}, design.numerator.data()},
                                          std::pair{WORD{2195}, design.denominator.data()}}) {
            const std::vector<std::string> texts = Coefficients(holder, id);
            ASSERT_EQ(static_cast<size_t>(design.count), texts.size()) << c.unit;
            for (size_t i = 0; i < texts.size(); ++i) {
                filter_test::Evaluator evaluator(texts[i], names);
                const long double value = evaluator.Run();
                ASSERT_FALSE(evaluator.Failed()) << texts[i].substr(0, 300);
                EXPECT_NEAR(numbers[i], static_cast<double>(value), 1e-9 * (1.0 + std::fabs(numbers[i])))
                    << c.unit << " " << id << "[" << i << "]";
            }
        }
    }
}

// WORD schema 0, DWORD kind 2, DWORD type 3, cut-off "100", upper cut-off "1k", order "4".
Bytes GoldenArchive() {
    Bytes b;
    Word(b, 0);
    Dword(b, 2);
    Dword(b, 3);
    Str(b, "100");
    Str(b, "1k");
    Str(b, "4");
    return b;
}

TEST_F(DigitalFilter, ArchiveBytesOfTheWizard) {
    CDigitalFilterWizard4 wizard;
    wizard.StoreDesign(2, 3, "4", "100", "1k");
    EXPECT_EQ(GoldenArchive(), StoredBlock(wizard));
    Bytes defaults;
    Word(defaults, 0);
    Dword(defaults, 0);
    Dword(defaults, 0);
    Str(defaults, "50");
    Str(defaults, "1k");
    Str(defaults, "1");
    CDigitalFilterWizard4 fresh;
    EXPECT_EQ(defaults, StoredBlock(fresh));

    struct Case {
        Bytes bytes;
        bool loads;
        DWORD kind;
        const char* order;
    };
    Bytes schema1 = GoldenArchive();
    schema1[0] = 1;
    Bytes cut = GoldenArchive();
    cut.resize(cut.size() - 1);
    Bytes badKind = GoldenArchive();
    badKind[2] = 9;
    const Case cases[] = {
        {GoldenArchive(), true, 2, "4"},
        {schema1, true, 0, "1"},  // another schema: nothing more is read
        {cut, false, 0, "1"},     // a broken block keeps the settings
        {badKind, true, 0, "4"},  // a kind out of range keeps the stored one
    };
    for (const Case& c : cases) {
        CDigitalFilterWizard4 loaded;
        EXPECT_EQ(c.loads, LoadedBlock(loaded, c.bytes));
        EXPECT_EQ(c.kind, loaded.GetKind());
        EXPECT_EQ(c.order, loaded.GetOrder().str());
    }
    // A loaded wizard opens its page with the settings.
    DWORD element = 0;
    auto shown = NewWizard<CDigitalFilterWizard4>(FilterRows(), &element);
    ASSERT_TRUE(LoadedBlock(*shown, GoldenArchive()));
    OpenPage<CDigitalFilterWizard4> open(*shown);
    EXPECT_EQ(2, Combo(open.Page(), 2236)->GetCurSel());
    EXPECT_EQ(3, Combo(open.Page(), 2238)->GetCurSel());
    EXPECT_EQ("4", Text(open.Page(), 2240));
    EXPECT_EQ("1k", Text(open.Page(), 2244));
    EXPECT_TRUE(Visible(open.Page(), 2244));
    // A clone made during the editing has the settings but no page.
    std::unique_ptr<CWizardBase4> clone(shown->Clone());
    auto* copy = dynamic_cast<CDigitalFilterWizard4*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(nullptr, copy->GetPage());
    EXPECT_EQ("4", copy->GetOrder().str());
}

// The archived page block of older data: the page's class record, DWORD 10, DWORD kind,
// DWORD type, order, cut-off, upper cut-off.
Bytes PageBlock(DWORD kind, DWORD type, const char* order, const char* cutOff, const char* upper) {
    Bytes b;
    NewClass(b, "CPropDigitalFilterBlock");
    Dword(b, 10);
    Dword(b, kind);
    Dword(b, type);
    Str(b, order);
    Str(b, cutOff);
    Str(b, upper);
    return b;
}

Bytes OlderData(const Bytes& skipped, const Bytes& page, DWORD announced) {
    Bytes b = Dwords({1, 2});
    Block(b, skipped);
    Dword(b, announced);
    Append(b, page);
    Dword(b, 0);
    return b;
}

TEST_F(DigitalFilter, OlderAdditionalDataWithThePageBlock) {
    const Bytes page = PageBlock(1, 2, "6", "10", "300");
    Bytes broken = page;
    broken.resize(broken.size() - 2);
    struct Case {
        Bytes data;
        DWORD kind;
        DWORD type;
        const char* order;
        const char* upper;
    };
    const Case cases[] = {
        {OlderData({9, 9, 9}, page, static_cast<DWORD>(page.size())), 1, 2, "6", "300"},
        {OlderData({}, page, static_cast<DWORD>(page.size())), 1, 2, "6", "300"},
        {OlderData({}, page, static_cast<DWORD>(page.size()) + 5), 0, 0, "1", "1k"},  // announces more than there is
        {OlderData({}, page, 0xFFFFFFFFu), 0, 0, "1", "1k"},
        {OlderData({}, broken, static_cast<DWORD>(broken.size())), 0, 0, "1", "1k"},
        {Bytes{1, 2, 3}, 0, 0, "1", "1k"},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CDigitalFilterWizard4>(FilterRows(), &element);
        Bytes data = c.data;
        editor->ClearRequests();
        EXPECT_TRUE(ConvertOlder(*wizard, data));
        EXPECT_EQ(c.kind, wizard->GetKind());
        EXPECT_EQ(c.type, wizard->GetType());
        EXPECT_EQ(c.order, wizard->GetOrder().str());
        EXPECT_EQ(c.upper, wizard->GetUpperCutOff().str());
        EXPECT_EQ(0u, editor->CountRequests(25));
        EXPECT_EQ(nullptr, wizard->GetPage());
    }
}

Bytes Settings4x(DWORD kind, DWORD type, DWORD order, double at12, double upper, double at28, double rate) {
    Bytes b = Dwords({kind, type, order});
    for (double v : {at12, upper, at28, rate}) Double(b, v);
    return b;
}

TEST_F(DigitalFilter, DataOf4xListsAndSettings) {
    struct Case {
        Bytes block;
        DWORD kind;
        DWORD type;
        const char* order;
        const char* cutOff;
        const char* upper;
        const char* sampleTime;
        const char* usedUnit = "s";  // the sample time's, before the conversion
    };
    Bytes shortBlock = Settings4x(1, 3, 4, 100, 300, 50, 1000);
    shortBlock.resize(24);
    const Case cases[] = {
        {Settings4x(1, 3, 4, 100, 300, 50, 1000), 1, 3, "4", "50", "300", "0.001"},
        {Settings4x(2, 0, 3, 100, 300, 50, 500), 2, 0, "3", "100", "300", "0.002"},
        {Settings4x(2, 0, 3, 100, 300, 50, 500), 2, 0, "3", "100", "300", "2", "ms"},  // 2 ms in its unit
        {shortBlock, 1, 3, "4", "50", "1k", "1m"},  // only whole fields: no cut-off at 28, no rate
        {Settings4x(7, 9, 2, NAN, INFINITY, 5, 0), 0, 0, "2", "50", "1k", "1m"},  // a rate of 0 is none
        {Bytes{}, 0, 0, "1", "50", "1k", "1m"},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> rows = FilterRows();
        rows[0].value = "3";
        rows[1].value = "2";
        rows[2].value = "1,2";
        rows[3].value = "1,0.5,7,8";
        rows.push_back({.id = 2194, .name = "Q[0]", .value = "old", .deletable = TRUE});
        auto wizard = NewWizard<CDigitalFilterWizard4>(rows, &element);
        Named(editor->Holder(element), "TS")->SetUsedUnit(c.usedUnit);
        Bytes block = c.block;
        editor->ClearRequests();
        EXPECT_TRUE(wizard->DoConversionFrom4x(block.empty() ? nullptr : block.data(), static_cast<long>(block.size())));
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ((std::vector<std::string>{"1", "2", "0"}), Coefficients(holder, 2194));
        EXPECT_EQ((std::vector<std::string>{"1", "0.5"}), Coefficients(holder, 2195));
        EXPECT_EQ(c.block.empty() ? 1u : 3u, editor->CountRequests(25));
        EXPECT_EQ(c.kind, wizard->GetKind());
        EXPECT_EQ(c.type, wizard->GetType());
        EXPECT_EQ(c.order, wizard->GetOrder().str());
        EXPECT_EQ(c.cutOff, wizard->GetCutOff().str());
        EXPECT_EQ(c.upper, wizard->GetUpperCutOff().str());
        EXPECT_EQ(c.sampleTime, Named(holder, "TS")->GetValue().str());
    }
}

TEST(DigitalFilterFactory, IdFiftyFourAndItsClone) {
    std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(54));
    auto* filter = dynamic_cast<CDigitalFilterWizard4*>(wizard.get());
    ASSERT_NE(nullptr, filter);
    EXPECT_EQ(3, filter->GetWizardKind());
    // The coefficients live in ordinary parameters: no change notifications, no model text.
    EXPECT_FALSE(filter->WantChangeNotification());
    CString modelText = "DFILTER @NAME ( @PARAMLIST);";
    EXPECT_EQ(4, filter->WriteSimDescr(nullptr, "IMMANENT", modelText));
    EXPECT_EQ("DFILTER @NAME ( @PARAMLIST);", modelText.str());
    filter->StoreDesign(3, 1, "5", "20", "2k");
    std::unique_ptr<CWizardBase4> clone(wizard->Clone());
    auto* copy = dynamic_cast<CDigitalFilterWizard4*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(3u, copy->GetKind());
    EXPECT_EQ(1u, copy->GetType());
    EXPECT_EQ("5", copy->GetOrder().str());
    EXPECT_EQ(nullptr, copy->GetPage());
}

} // namespace

// The example schematic and golden model texts, run by the host.
namespace {

// The element's template with the coefficients the design wrote, every one the shortest text
// that reads back to its double. They agree with scipy.signal.butter of the same orders to the
// four decimals of the prototype table. The band stop of order 2 is raised to 3 on apply; its
// coefficients 5 to 8 come after the first five because leaving the page designed order 2.
const char* const kGoldenBandPass =
    "DFILTER DF1 ( N := 5, D := 5, TS := 1m, IN := U, Q[0] := 0.06745638086942175, "
    "Q[1] := -5.113801788946116e-17, Q[2] := -0.1349127617388435, Q[3] := 0, "
    "Q[4] := 0.06745638086942175, P[0] := 1, P[1] := -1.9424803689966066, P[2] := 2.1192371744904497, "
    "P[3] := -1.2166918860735467, P[4] := 0.41282478299363334 );\nSDB ( DF1.OUT );\n";
const char* const kGoldenLowPass =
    "DFILTER DF1 ( N := 3, D := 3, TS := 1m, IN := U, Q[0] := 0.06745638086942173, "
    "Q[1] := 0.1349127617388434, Q[2] := 0.06745638086942173, P[0] := 1, P[1] := -1.1429992595159466, "
    "P[2] := 0.4128247829936334 );\nSDB ( DF1.OUT );\n";
const char* const kGoldenBandStop =
    "DFILTER DF1 ( N := 9, D := 9, TS := 1m, IN := U, Q[0] := 0.5276112164084008, "
    "Q[1] := -2.4487288867697465, Q[2] := 6.095349032469513, Q[3] := -9.639226958626054, "
    "Q[4] := 10.620158631130549, P[0] := 1, P[1] := -3.8747925385020165, P[2] := 7.956358915619873, "
    "P[3] := -10.519892462879087, P[4] := 9.796536502959718, Q[5] := -8.19088221269565, "
    "Q[6] := 4.391630299491146, Q[7] := -1.4891152739787437, Q[8] := 0.2688313421987928, "
    "P[5] := -6.478708106812439, P[6] := 3.009013334861607, P[7] := -0.8945602238766537, "
    "P[8] := 0.1416717682572072 );\nSDB ( DF1.OUT );\n";

constexpr qv_test::ProfiledHost kHost("digital_filter_profile.ini");

std::string Describe(const std::string& schematicPath) {
    return kHost.Described(schematicPath, qv_test::TempFolder() + "/digital_filter.desc");
}

std::string WriteSchematic(const char* name, const char* type, const char* order, const char* cutOff,
                           const char* upper) {
    const std::string path = qv_test::TempFolder() + "/" + name + ".json";
    std::ofstream out(path);
    out << "{ \"document\": \"Filters\", \"elements\": [ { \"id\": 54, \"name\": \"DF1\", \"parameters\": { \"IN\": "
           "\"U\" }, \"outputs\": [\"OUT\"], \"script\": [ \"choose 2238 \\\""
        << type << "\\\"\", \"type 2240 \\\"" << order << "\\\"\", \"type 2243 \\\"" << cutOff
        << "\\\"\", \"type 2244 \\\"" << upper << "\\\"\", \"type 2202 \\\"1m\\\"\", \"ok\" ] } ] }\n";
    return path;
}

TEST(DigitalFilterExample, HostDescribesTheBandPassBlock) {
    EXPECT_EQ(kGoldenBandPass, Describe(PARVEL_SOURCE_DIR "/examples/digital_filter.json"));
}

TEST(DigitalFilterExample, GoldenModelTextsOfALowPassAndABandStopBlock) {
    EXPECT_EQ(kGoldenLowPass, Describe(WriteSchematic("low_pass", "Low Pass", "2", "100", "1k")));
    EXPECT_EQ(kGoldenBandStop, Describe(WriteSchematic("band_stop", "Band-Stop Filter", "2", "100", "200")));
}

} // namespace
