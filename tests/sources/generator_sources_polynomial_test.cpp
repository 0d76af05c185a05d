// The polynomial source: its monomials against an independent enumeration, its page driven as
// a user drives it, its model text, archive and older data.
#include "sources_support.h"

#include "framework/param_access.h"
#include "sources/polynomial_source.h"

#include <algorithm>
#include <functional>

using namespace sources_test;

namespace {

constexpr char kModel[] = "@TYPEP1 ( @LIST @PARAMLIST);";

std::vector<ParamRow> PolynomialRows(const char* order, int quantities, std::vector<const char*> coefficients = {}) {
    static std::vector<std::string> names;  // keeps the generated names alive
    std::vector<ParamRow> rows = GeneratorRows(
        {
            {.id = 2163, .name = "ORDER", .value = order, .type = 0x4},
            {.id = 2166, .name = "COEFF", .value = "0", .type = 0x6, .description = "Coefficient %d"},
            {.id = 2172, .name = "QUANT", .value = "V(1)", .type = 0x6, .description = "Control quantity %d"},
        },
        {{.id = 2056, .name = "E", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"}});
    names.reserve(1000);
    for (int i = 0; i < quantities; ++i) {
        names.push_back("QUANT[" + std::to_string(i) + "]");
        const char* name = names.back().c_str();
        names.push_back("V(" + std::to_string(i + 1) + ")");
        rows.push_back({.id = 2172, .name = name, .value = names.back().c_str(), .type = 0x4});
    }
    for (size_t k = 0; k < coefficients.size(); ++k) {
        names.push_back("COEFF[" + std::to_string(k) + "]");
        rows.push_back({.id = 2166, .name = names.back().c_str(), .value = coefficients[k], .type = 0x4});
    }
    return rows;
}

// Live members of a family, by name, in the order of the set.
std::vector<std::string> LiveMembers(ParamHolder* holder, WORD id) {
    std::vector<std::string> out;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* p = holder->GetParam(i);
        if (p->GetValueID() == id && !p->IsDeleted() && p->GetName().Find('[') >= 0)
            out.push_back(p->GetName().str() + "=" + p->GetValue().str());
    }
    return out;
}

// Members that the page made earlier may be deleted; so may those of the test rows.
void MembersDeletable(ParamHolder* holder) {
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i)->GetName().Find('[') >= 0) holder->GetParam(i)->SetDeletable(TRUE);
}

std::vector<std::string> Column(CTBEditListCtrl& list, int column) {
    std::vector<std::string> out;
    for (int row = 0; row < list.GetItemCount(); ++row) out.push_back(list.GetItemText(row, column).str());
    return out;
}

// ---------------------------------------------------------------------------------------
// Monomials.

// All exponent tuples with each exponent up to the order, kept when their sum is within the
// order, sorted by degree and then descending; the names written from the definition.
std::vector<std::string> OracleMonomials(int n, int order) {
    std::vector<std::vector<int>> tuples;
    std::vector<int> tuple(n, 0);
    std::function<void(int)> walk = [&](int v) {
        if (v == n) {
            int sum = 0;
            for (int e : tuple) sum += e;
            if (sum <= order) tuples.push_back(tuple);
            return;
        }
        for (int e = 0; e <= order; ++e) {
            tuple[v] = e;
            walk(v + 1);
        }
    };
    walk(0);
    std::stable_sort(tuples.begin(), tuples.end(), [](const auto& a, const auto& b) {
        int sa = 0, sb = 0;
        for (int e : a) sa += e;
        for (int e : b) sb += e;
        if (sa != sb) return sa < sb;
        return a > b;
    });
    std::vector<std::string> names;
    for (const auto& t : tuples) {
        std::string name;
        for (int v = 0; v < n; ++v) {
            if (t[v] == 0) continue;
            if (!name.empty()) name += " \xB7 ";
            name += "x" + std::to_string(v + 1) + "^" + std::to_string(t[v]);
        }
        names.push_back(name.empty() ? "Constant" : name);
    }
    return names;
}

long long Binomial(int n, int k) {
    long long r = 1;
    for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
    return r;
}

TEST(GeneratorPolynomialMonomials, MatchAnIndependentEnumeration) {
    for (int n = 0; n <= 4; ++n) {
        for (int order = 0; order <= 5; ++order) {
            std::vector<std::string> got;
            for (const CString& name : qv::sources::EnumerateMonomials(n, order)) got.push_back(name.str());
            EXPECT_EQ(OracleMonomials(n, order), got) << n << " " << order;
            EXPECT_EQ(Binomial(n + order, n), static_cast<long long>(got.size())) << n << " " << order;
            EXPECT_EQ(Binomial(n + order, n), qv::sources::CountMonomials(n, order));
        }
    }
}

TEST(GeneratorPolynomialMonomials, TwoQuantitiesOfOrderTwoAndTheLimits) {
    std::vector<std::string> got;
    for (const CString& name : qv::sources::EnumerateMonomials(2, 2)) got.push_back(name.str());
    EXPECT_EQ((std::vector<std::string>{"Constant", "x1^1", "x2^1", "x1^2", "x1^1 \xB7 x2^1", "x2^2"}), got);
    struct Case {
        int n;
        int order;
        long long count;
    };
    const Case cases[] = {{0, 7, 1},       {3, -1, 0},       {1, 9999, 10000}, {1, 10000, -1},
                          {2, 139, 9870},  {2, 140, -1},     {10000, 1, -1},   {9999, 1, 10000},
                          {-1, 2, -1},     {4, 5, 126}};
    for (const Case& c : cases) EXPECT_EQ(c.count, qv::sources::CountMonomials(c.n, c.order)) << c.n << " " << c.order;
    EXPECT_TRUE(qv::sources::EnumerateMonomials(2, 140).empty());
}

// ---------------------------------------------------------------------------------------

class GeneratorPolynomial : public SourcesTest {
protected:
    std::string Write(CWizardBase4& wizard, const char* model = kModel) { return WriteModel(wizard, model); }
};

TEST_F(GeneratorPolynomial, TwoQuantitiesOfOrderTwoGiveSixCoefficientRows) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CPolynomSourceWizard4>(PolynomialRows("2", 2), "P1", &element));
    EXPECT_EQ((std::vector<std::string>{"Constant", "x1^1", "x2^1", "x1^2", "x1^1 \xB7 x2^1", "x2^2"}),
              Column(page->CoefficientList(), 0));
    EXPECT_EQ((std::vector<std::string>{"x1", "x2"}), Column(page->QuantityList(), 0));
    EXPECT_EQ((std::vector<std::string>{"V(1)", "V(2)"}), Column(page->QuantityList(), 2));
    EXPECT_EQ((std::vector<std::string>{"QUANT[0]=V(1)", "QUANT[1]=V(2)"}), LiveMembers(editor->Holder(element), 2172));
    EXPECT_EQ((std::vector<std::string>{"COEFF[0]=0", "COEFF[1]=0", "COEFF[2]=0", "COEFF[3]=0", "COEFF[4]=0",
                                        "COEFF[5]=0"}),
              LiveMembers(editor->Holder(element), 2166));
    // Selecting a coefficient row shows its monomial.
    ASSERT_TRUE(qv::ui::ClickListItem(&page->CoefficientList(), 4));
    EXPECT_EQ("x1^1 \xB7 x2^1", Text(page, 2187));
}

TEST_F(GeneratorPolynomial, LoweringAndRaisingTheOrderFollowsOnKillFocus) {
    DWORD element = 0;
    auto wizard = NewWizard<CPolynomSourceWizard4>(PolynomialRows("3", 1, {"1", "2", "3", "4"}), "P1", &element);
    MembersDeletable(editor->Holder(element));
    OpenPage<CPolynomSourceWizard4> open(*wizard);
    CPropPolynomSource* page = open.Page();
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(4, page->CoefficientList().GetItemCount());
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2163), "1"));
    EXPECT_EQ(4, page->CoefficientList().GetItemCount()) << "rows change only when the field is left";
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2001)));
    EXPECT_EQ((std::vector<std::string>{"COEFF[0]=1", "COEFF[1]=2"}), LiveMembers(holder, 2166));
    EXPECT_EQ((std::vector<std::string>{"Constant", "x1^1"}), Column(page->CoefficientList(), 0));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2163), "3"));
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2001)));
    EXPECT_EQ((std::vector<std::string>{"COEFF[0]=1", "COEFF[1]=2", "COEFF[2]=0", "COEFF[3]=0"}),
              LiveMembers(holder, 2166));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "0", "0"}), Column(page->CoefficientList(), 1));
}

TEST_F(GeneratorPolynomial, SpinChangesOnlyTheOrderText) {
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1), "P1"));
    ASSERT_TRUE(qv::ui::ClickSpin(page->GetDlgItem(2178), 1));
    EXPECT_EQ("2", Text(page, 2163));
    EXPECT_EQ(2, page->CoefficientList().GetItemCount());
    ASSERT_TRUE(qv::ui::ClickSpin(page->GetDlgItem(2178), -1));
    ASSERT_TRUE(qv::ui::ClickSpin(page->GetDlgItem(2178), -1));
    ASSERT_TRUE(qv::ui::ClickSpin(page->GetDlgItem(2178), -1));
    EXPECT_EQ("0", Text(page, 2163)) << "never below 0";
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2163), "-4"));
    EXPECT_EQ("0", Text(page, 2163));
}

TEST_F(GeneratorPolynomial, DeletingTheFirstOfThreeQuantitiesRenumbersTheOthers) {
    DWORD element = 0;
    auto wizard =
        NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 3, {"1", "2", "3", "4"}), "P1", &element);
    MembersDeletable(editor->Holder(element));
    OpenPage<CPolynomSourceWizard4> open(*wizard);
    CPropPolynomSource* page = open.Page();
    ParamHolder* holder = editor->Holder(element);
    ASSERT_TRUE(qv::ui::ClickListItem(&page->QuantityList(), 0));
    ASSERT_TRUE(qv::ui::Click(page, 2174));
    EXPECT_EQ((std::vector<std::string>{"x1", "x2"}), Column(page->QuantityList(), 0));
    EXPECT_EQ((std::vector<std::string>{"V(2)", "V(3)"}), Column(page->QuantityList(), 2));
    EXPECT_EQ((std::vector<std::string>{"QUANT[0]=V(2)", "QUANT[1]=V(3)"}), LiveMembers(holder, 2172));
    // The coefficients keep their numbers: three monomials of two variables remain.
    EXPECT_EQ((std::vector<std::string>{"COEFF[0]=1", "COEFF[1]=2", "COEFF[2]=3"}), LiveMembers(holder, 2166));
    EXPECT_EQ((std::vector<std::string>{"Constant", "x1^1", "x2^1"}), Column(page->CoefficientList(), 0));
}

TEST_F(GeneratorPolynomial, NewQuantityExtendsTheCoefficients) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 0), "P1", &element));
    EXPECT_EQ((std::vector<std::string>{"Constant"}), Column(page->CoefficientList(), 0));
    ASSERT_TRUE(qv::ui::Click(page, 2173));
    EXPECT_EQ((std::vector<std::string>{"Constant", "x1^1"}), Column(page->CoefficientList(), 0));
    EXPECT_EQ((std::vector<std::string>{"QUANT[0]=V(1)"}), LiveMembers(editor->Holder(element), 2172));
}

TEST_F(GeneratorPolynomial, UsePinMakesTheExpressionReadOnlyAtOnce) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 2), "P1", &element));
    EXPECT_EQ(TB_EDIT_TEXT, page->QuantityList().GetEditItemType(1, 2));
    ASSERT_TRUE(qv::ui::EditListCell(&page->QuantityList(), 1, 1, "1"));
    EXPECT_EQ(TB_EDIT_NONE, page->QuantityList().GetEditItemType(1, 2));
    CWizardCopaObject3* quantity = FindParamByName(editor->Holder(element), "QUANT[1]");
    ASSERT_NE(nullptr, quantity);
    EXPECT_TRUE(quantity->HasPin());
    ASSERT_TRUE(qv::ui::EditListCell(&page->QuantityList(), 1, 1, "0"));
    EXPECT_FALSE(quantity->HasPin());
    EXPECT_EQ(TB_EDIT_TEXT, page->QuantityList().GetEditItemType(1, 2));
}

// An order that needs too many coefficients is refused as the field is left and again by OK:
// the rows stay, and the text too, so that OK never takes the order that built the rows in
// its place.
TEST_F(GeneratorPolynomial, TooManyCoefficientsAreRefusedAndTheRowsStay) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CPolynomSourceWizard4>(PolynomialRows("2", 2), "P1", &element));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2163), "140"));
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2001)));
    EXPECT_EQ("140", Text(page, 2163));
    EXPECT_EQ(6, page->CoefficientList().GetItemCount());
    EXPECT_EQ(6u, LiveMembers(editor->Holder(element), 2166).size());
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    EXPECT_FALSE(page->OnApply());
    EXPECT_EQ(6u, LiveMembers(editor->Holder(element), 2166).size());
}

TEST_F(GeneratorPolynomial, CurrentSourceCaptionsAndSnapshots) {
    DWORD element = 0;
    auto wizard = NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1), "P1", &element);
    {
        OpenPage<CPolynomSourceWizard4> open(*wizard);
        CPropPolynomSource* page = open.Page();
        EXPECT_EQ("EMF Value [V]", Text(page, 2056));
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2147), "Current Source"));
        EXPECT_EQ("Source Current [A]", Text(page, 2056));
        EXPECT_FALSE(Visible(page, 2472));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ(1, wizard->GetSourceType());
    EXPECT_EQ((std::vector<std::string>{"AC_PHASE", "AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
}

// A current source's AC values are currents: the page offers amperes, and a unit chosen is
// mapped by its scale when the source type switches.
TEST_F(GeneratorPolynomial, ACValuesFollowTheSourceTypesQuantity) {
    for (const SwitchedACRow& row : kSwitchedACRows)
        ExpectACUnitsFollowTheSourceType<CPolynomSourceWizard4>(PolynomialRows("1", 1), row);
}

TEST_F(GeneratorPolynomial, ApplyWritesTheRowsIntoTheMembers) {
    DWORD element = 0;
    auto wizard = NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1), "P1", &element);
    {
        OpenPage<CPolynomSourceWizard4> open(*wizard);
        CPropPolynomSource* page = open.Page();
        ASSERT_TRUE(qv::ui::EditListCell(&page->CoefficientList(), 1, 1, "2.5"));
        ASSERT_TRUE(qv::ui::EditListCell(&page->QuantityList(), 0, 2, "V(OUT)"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ((std::vector<std::string>{"COEFF[0]=0", "COEFF[1]=2.5"}), LiveMembers(holder, 2166));
    EXPECT_EQ((std::vector<std::string>{"QUANT[0]=V(OUT)"}), LiveMembers(holder, 2172));
    EXPECT_EQ("Coefficient 1", FindParamByName(holder, "COEFF[1]")->GetDescriptionByLangID(kLanguageEnglish).str());
    EXPECT_EQ((std::vector<std::string>{"SPC", "AC_PHASE", "AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
}

// ---------------------------------------------------------------------------------------
// Model text.

TEST_F(GeneratorPolynomial, ModelTexts) {
    struct Case {
        const char* label;
        std::vector<ParamRow> rows;
        const char* text;
    };
    const Case cases[] = {
        {"order 2 in two quantities", PolynomialRows("2", 2),
         "E_POLY P1 ( QUANT[0] := V(1),QUANT[1] := V(2),COEFF[0] := 0,COEFF[1] := 0,COEFF[2] := 0,"
         "COEFF[3] := 0,COEFF[4] := 0,COEFF[5] := 0, SPC := @SPC, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {"no quantity", PolynomialRows("3", 0),
         "E_POLY P1 ( COEFF[0] := 0, SPC := @SPC, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
    };
    for (const Case& c : cases) {
        auto wizard = Initialized(NewWizard<CPolynomSourceWizard4>(c.rows, "P1"));
        EXPECT_EQ(c.text, Write(*wizard)) << c.label;
    }
}

TEST_F(GeneratorPolynomial, ListItemsFollowTheSetAndSkipDeletedMembers) {
    DWORD element = 0;
    std::vector<ParamRow> rows = {
        {.id = 2166, .name = "COEFF[0]", .value = "1", .type = 0x4},
        {.id = 2172, .name = "QUANT[0]", .value = " V1", .type = 0x4},
        {.id = 2166, .name = "COEFF[1]", .value = "0.5", .type = 0x4},
        {.id = 2166, .name = "COEFF[2]", .value = "9", .type = 0x4},
        {.id = 2166, .name = "COEFF", .value = "0", .type = 0x6},
    };
    auto wizard = NewWizard<CPolynomSourceWizard4>(rows, "P1", &element);
    FindParamByName(editor->Holder(element), "COEFF[2]")->SetDeletable(TRUE);
    FindParamByName(editor->Holder(element), "COEFF[2]")->Delete();
    WithSnapshots({"X"}, [&](CPtrArray* list) { wizard->SetSourceSettings(1, list); });
    EXPECT_EQ("I_POLY P1 ( COEFF[0] := 1,QUANT[0] := V1,COEFF[1] := 0.5, X := @X );", Write(*wizard));
    EXPECT_EQ("COEFF[0] := 1,QUANT[0] := V1,COEFF[1] := 0.5",
              qv::sources::BuildPolynomialList(editor->Holder(element)).str());
}

TEST_F(GeneratorPolynomial, PhasePlaceholdersEachCommit) {
    DWORD element = 0;
    std::vector<ParamRow> rows = PolynomialRows("0", 0);
    rows.push_back({.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"});
    auto wizard = NewWizard<CPolynomSourceWizard4>(rows, "P1", &element);
    WithSnapshots({"@PHASE", "@AC_PHASE_PHI"}, [&](CPtrArray* list) { wizard->SetSourceSettings(0, list); });
    editor->ClearRequests();
    EXPECT_EQ("E_POLY P1 (  PHASE, @AC_PHASE );",
              Write(*wizard, "@TYPEP1 ( @LIST @PARAMLIST);"));
    EXPECT_EQ(2u, editor->CountRequests(25));
    // Both phases are given in radians.
    EXPECT_EQ("rad", Param(editor->Holder(element), 2042)->GetUsedUnit().str());
    EXPECT_EQ("rad", Param(editor->Holder(element), 2434)->GetUsedUnit().str());
}

// A new order reported by the editor rebuilds the coefficients with the wizard's own settings.
TEST_F(GeneratorPolynomial, NewOrderRebuildsTheCoefficientsAndKeepsTheSourceType) {
    DWORD element = 0;
    auto wizard = NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1, {"1", "2"}), "P1", &element);
    WithSnapshots({"AC_PHASE"}, [&](CPtrArray* list) { wizard->SetSourceSettings(1, list); });
    wizard->SetACMode(1);
    ParamHolder* holder = editor->Holder(element);
    Param(holder, 2163)->SetValue("2");
    editor->ClearRequests();
    wizard->NotifyChanged(3, Param(holder, 2163));
    EXPECT_EQ((std::vector<std::string>{"COEFF[0]=1", "COEFF[1]=2", "COEFF[2]=0"}), LiveMembers(holder, 2166));
    EXPECT_EQ(1u, editor->CountRequests(25));
    EXPECT_EQ(1, wizard->GetSourceType());
    EXPECT_EQ(1u, wizard->GetACMode());
    EXPECT_EQ((std::vector<std::string>{"@AC_PHASE", "@AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
    // Other parameters and change types leave the set alone.
    editor->ClearRequests();
    wizard->NotifyChanged(3, Param(holder, 2472));
    wizard->NotifyChanged(2, Param(holder, 2163));
    wizard->NotifyChanged(3, nullptr);
    EXPECT_EQ(0u, editor->CountRequests(25));
}

TEST_F(GeneratorPolynomial, HiddenPageKeepsItsRowsForAnOrderTooLarge) {
    DWORD element = 0;
    auto wizard = Initialized(NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 2), "P1", &element));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(3u, LiveMembers(holder, 2166).size());
    Param(holder, 2163)->SetValue("1000000");
    wizard->NotifyChanged(3, Param(holder, 2163));
    EXPECT_EQ(3u, LiveMembers(holder, 2166).size());
}

// ---------------------------------------------------------------------------------------
// Archive and older data.

TEST_F(GeneratorPolynomial, ArchiveBytesAreTheGoldenLayout) {
    auto wizard = Initialized(NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1), "P1"));
    Bytes golden;
    Word(golden, 0);
    Dword(golden, 0);
    Word(golden, 0);
    Dword(golden, 0);
    Dword(golden, 3);
    Snapshot(golden, "SPC", 0x4, 0, true);
    Snapshot(golden, "AC_PHASE", 0x4, 0, false);
    Snapshot(golden, "AC_MAG", 0x4, 0, false);
    const Bytes stored = Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(golden, stored);
    auto loaded = NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1), "P2");
    Loaded(stored, [&](CArchive& ar) { loaded->Serialize(ar, eSheetVersion4); });
    EXPECT_EQ((std::vector<std::string>{"SPC", "AC_PHASE", "AC_MAG"}), SnapshotNames(loaded->GetSnapshots()));
}

TEST_F(GeneratorPolynomial, OlderDataTakesASnapshotBlockThatEndsTheData) {
    struct Case {
        const char* label;
        Bytes bytes;
        int sourceType;
        std::vector<std::string> names;
        const char* magnitudeUnit;  // stored in mV, read as the page shows it for the type
    };
    Bytes snapshots;
    Snapshot(snapshots, "SPC", 0x4, 0, true);
    std::vector<Case> cases;
    {
        Bytes b = Dwords({1, 1});
        Block(b, snapshots);
        cases.push_back({"block at the end", b, 1, {"SPC"}, "mA"});
    }
    {
        Bytes b = Dwords({0, 1});
        Block(b, snapshots);
        Block(b, {1, 2, 3});
        Block(b, {});
        Block(b, {});
        Bytes ac;
        NewClass(ac, "CPropACParameters");
        Dword(ac, 10);
        Dword(ac, 1);
        Block(b, ac);
        cases.push_back({"complete", b, 0, {"SPC"}, "mV"});
    }
    {
        Bytes b = Dwords({0, 1, 0xFFFFFFFFu});
        cases.push_back({"wrapping length", b, 0, {}, "mV"});
    }
    {
        Bytes b = {1, 0, 0, 0, 0, 0, 0, 0};
        cases.push_back({"eight bytes", b, 1, {}, "mA"});
    }
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CPolynomSourceWizard4>(PolynomialRows("1", 1), "P1", &element);
        Param(editor->Holder(element), 2425)->SetUsedUnit("mV");
        std::unique_ptr<BYTE[]> exact(new BYTE[c.bytes.size()]);
        std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(wizard->DoConvertWizard3Data(exact.get(), static_cast<long>(c.bytes.size()))) << c.label;
        EXPECT_EQ(c.sourceType, wizard->GetSourceType()) << c.label;
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots())) << c.label;
        EXPECT_EQ(c.magnitudeUnit, Param(editor->Holder(element), 2425)->GetUsedUnit().str()) << c.label;
    }
}

} // namespace
