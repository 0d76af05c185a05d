// The discrete transfer function: the "Convert G(s)" dialog driven as a user drives it, the
// rows it puts on the page, the stored state and the conversions of older data.
#include "blocks_support.h"
#include "tests/support/profiled_host.h"

#include "blocks_linear/discrete_transfer_function.h"
#include "framework/factories.h"
#include "toolkit/tb_numbers.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace blocks_test;

namespace {

using qv_test::ReadFile;

std::vector<ParamRow> DiscreteRows(const char* n = "1", const char* d = "1") {
    return WithSampleTimeInputAndOutput(
        {
            {.id = 2188, .name = "N", .value = n},
            {.id = 2193, .name = "D", .value = d},
            {.id = 2194, .name = "Q", .value = "", .type = 0x6},
            {.id = 2195, .name = "P", .value = "", .type = 0x6},
            {.id = 2198, .name = "Q0", .value = "0", .type = 0x6},
            {.id = 2199, .name = "P0", .value = "0", .type = 0x6},
        },
        2202, "1m");
}

using DiscreteTf = BlocksTest;

std::vector<std::string> Column(CWnd* list, int column) {
    auto* l = static_cast<CListCtrl*>(list);
    std::vector<std::string> out;
    for (int i = 0; i < l->GetItemCount(); ++i) out.push_back(l->GetItemText(i, column).str());
    return out;
}

// Types G(s) = num/den (ascending coefficient texts) and a sample time into dialog 2541.
void TypeGs(CDialog& dialog, const std::vector<const char*>& num, const std::vector<const char*>& den,
            const char* sampleTime) {
    ASSERT_TRUE(qv::ui::TypeText(dialog.GetDlgItem(2193), std::to_string(den.size() - 1).c_str()));
    ASSERT_TRUE(qv::ui::TypeText(dialog.GetDlgItem(2188), std::to_string(num.size() - 1).c_str()));
    ASSERT_TRUE(qv::ui::SetFocusTo(dialog.GetDlgItem(2202)));  // leaves the numerator order only
    ASSERT_TRUE(qv::ui::TypeText(dialog.GetDlgItem(2202), sampleTime));
    // The denominator order was left without its kill-focus: OK still takes every row.
    auto* denList = static_cast<CListCtrl*>(dialog.GetDlgItem(2195));
    for (size_t i = 0; i < den.size(); ++i) {
        if (static_cast<int>(i) < denList->GetItemCount()) {
            ASSERT_TRUE(qv::ui::EditListCell(denList, static_cast<int>(i), 1, den[i]));
        }
    }
    for (size_t i = 0; i < num.size(); ++i) ASSERT_TRUE(qv::ui::EditListCell(dialog.GetDlgItem(2194), static_cast<int>(i), 1, num[i]));
}

TEST_F(DiscreteTf, FromGsFillsThePageWithTheZeroOrderHoldEquivalent) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows(), &element, 1));
    CPropTransferFunctionBlock* page = wizard.Page();
    EXPECT_EQ("Dimension", Text(page, 2191));
    EXPECT_TRUE(Visible(page, 2196));
    EXPECT_FALSE(Visible(page, 2183));
    qv::UserScript::Instance().ExpectDialog(2541, [](CDialog& dialog) {
        // A dialog without a state: orders 1 and 2, every value "0", names by mode 1.
        EXPECT_EQ((std::vector<std::string>{"B[0]", "B[1]"}), Column(dialog.GetDlgItem(2194), 0));
        EXPECT_EQ((std::vector<std::string>{"A[0]", "A[1]", "A[2]"}), Column(dialog.GetDlgItem(2195), 0));
        EXPECT_EQ((std::vector<std::string>{"0", "0", "0"}), Column(dialog.GetDlgItem(2195), 1));
        EXPECT_EQ("1m", Text(&dialog, 2202));
        TypeGs(dialog, {"1"}, {"2", "3", "1"}, "100m");
    });
    ASSERT_TRUE(qv::ui::Click(page, 2196));
    EXPECT_TRUE(page->IsPageModified());
    EXPECT_EQ("3", Text(page, 2188));
    EXPECT_EQ("3", Text(page, 2193));
    const auto numerator = Column(page->GetDlgItem(2194), 1);
    const auto denominator = Column(page->GetDlgItem(2195), 1);
    ASSERT_EQ(3u, numerator.size());
    ASSERT_EQ(3u, denominator.size());
    EXPECT_EQ("0", numerator[0]);
    EXPECT_EQ("1", denominator[0]);
    const double expectedNum[] = {0, 0.004527958467, 0.00409706632};
    const double expectedDen[] = {1, -1.723568171, 0.7408182207};
    for (int i = 1; i < 3; ++i) {
        EXPECT_NEAR(expectedNum[i], TBExtended_atof(numerator[i].c_str()), 1e-9) << numerator[i];
        EXPECT_NEAR(expectedDen[i], TBExtended_atof(denominator[i].c_str()), 1e-9) << denominator[i];
    }
    // Applying writes the rows into the coefficients and the initial values exist.
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ((std::vector<std::string>{"P", "P[0]", "P[1]", "P[2]"}), Names(Live(holder, 2195)));
    EXPECT_EQ("1", Named(holder, "P[0]")->GetValue().str());
    EXPECT_EQ((std::vector<std::string>{"Q0", "Q0[1]", "Q0[2]"}), Names(Live(holder, 2198)));
    EXPECT_EQ((std::vector<std::string>{"P0", "P0[1]", "P0[2]"}), Names(Live(holder, 2199)));
    // The dialog kept its state: orders by the counts of the texts.
    EXPECT_EQ("0", wizard->GetConvertDialog().GetNumeratorOrderText().str());
    EXPECT_EQ("2", wizard->GetConvertDialog().GetDenominatorOrderText().str());
}

// The dialog's sample time is in seconds; the page shows the sample time the coefficients were
// made for in the unit its list shows, and applies it in that unit.
TEST_F(DiscreteTf, FromGsShowsTheSampleTimeInThePagesUnit) {
    struct Case {
        const char* unit;
        const char* shown;
    };
    for (const Case& c : {Case{"ms", "100"}, Case{"us", "100000"}, Case{"s", "0.1"}}) {
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows(), &element, 1));
        CPropTransferFunctionBlock* page = wizard.Page();
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2400), c.unit));
        qv::UserScript::Instance().ExpectDialog(
            2541, [](CDialog& dialog) { TypeGs(dialog, {"1"}, {"2", "3", "1"}, "0.1"); });
        ASSERT_TRUE(qv::ui::Click(page, 2196));
        EXPECT_EQ(c.shown, Text(page, 2202)) << c.unit;
        const auto denominator = Column(page->GetDlgItem(2195), 1);
        ASSERT_EQ(3u, denominator.size());
        EXPECT_NEAR(0.7408182207, TBExtended_atof(denominator[2].c_str()), 1e-9);  // e^(-0.1) e^(-0.2)
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.shown, Named(holder, "TS")->GetValue().str());
        EXPECT_EQ(c.unit, Named(holder, "TS")->GetUsedUnit().str());
    }
}

TEST_F(DiscreteTf, TheDialogRefusesWhatCannotBeConverted) {
    struct Case {
        int mode;
        std::vector<const char*> num, den;
        const char* sampleTime;
        const char* message;
    };
    const Case cases[] = {
        {1, {"1"}, {"1", "0"}, "1m", "Error : The value of A[1] should not be 0!"},
        {0, {"1"}, {"1", "2", "0.0"}, "1m", "Error : The value of den[2] should not be 0!"},
        {1, {"1"}, {"1", "0m"}, "1m", "Error : The value of A[1] should not be 0!"},
        {1, {"1"}, {"1", "-0"}, "1m", "Error : The value of A[1] should not be 0!"},
        {1, {"1", "2"}, {"1", "1"}, "1m", "Error : The Denominator must be bigger than the Numerator!"},
        {1, {"1"}, {"1", "1"}, "0", "Invalid value!"},
        {1, {"1"}, {"1", "1"}, "-1", "Invalid value!"},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows(), &element, c.mode);
        OpenPage<CDiscreteTransferFunctionWizard4> open(*wizard);
        CPropTransferFunctionBlock* page = open.Page();
        qv::UserScript::Instance().ExpectDialog(
            2541,
            [&c](CDialog& dialog) {
                TypeGs(dialog, c.num, c.den, c.sampleTime);
                qv::UserScript::Instance().ExpectMessageBox(IDOK, c.message);
                ASSERT_TRUE(qv::ui::Click(&dialog, IDOK));
                // Still open: the user cancels.
                ASSERT_TRUE(qv::ui::Close(&dialog, IDCANCEL));
            },
            0);
        page->SetModified(FALSE);
        ASSERT_TRUE(qv::ui::Click(page, 2196));
        // Cancel changes nothing on the page but marks it modified.
        EXPECT_TRUE(page->IsPageModified());
        EXPECT_EQ("1", Text(page, 2193));
        EXPECT_TRUE(wizard->GetConvertDialog().GetData().empty());
    }
}

TEST_F(DiscreteTf, OrdersOutsideTheRangeAreRefused) {
    for (const char* order : {"101", "-1", "1e9"}) {
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows(), &element, 1));
        qv::UserScript::Instance().ExpectDialog(
            2541,
            [order](CDialog& dialog) {
                ASSERT_TRUE(qv::ui::TypeText(dialog.GetDlgItem(2193), order));
                qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
                ASSERT_TRUE(qv::ui::Click(&dialog, IDOK));
                ASSERT_TRUE(qv::ui::Close(&dialog, IDCANCEL));
            },
            0);
        ASSERT_TRUE(qv::ui::Click(wizard.Page(), 2196));
        EXPECT_EQ("1", Text(wizard.Page(), 2193));
    }
}

Bytes GoldenState() {
    // WORD schema 0; DWORD 10; DWORD 1, "1"; DWORD 3, "2", "3", "1".
    Bytes b;
    Word(b, 0);
    Dword(b, 10);
    Dword(b, 1);
    Str(b, "1");
    Dword(b, 3);
    for (const char* text : {"2", "3", "1"}) Str(b, text);
    return b;
}

TEST_F(DiscreteTf, ArchiveBytesOfTheWizardAndTheDialogState) {
    CDiscreteTransferFunctionWizard4 wizard(1);
    wizard.GetConvertDialog().SetState(0, 2, {"1"}, {"2", "3", "1"});
    EXPECT_EQ(GoldenState(), StoredBlock(wizard));
    // A fresh wizard stores empty lists.
    CDiscreteTransferFunctionWizard4 fresh(0);
    Bytes empty;
    Word(empty, 0);
    Dword(empty, 10);
    Dword(empty, 0);
    Dword(empty, 0);
    EXPECT_EQ(empty, StoredBlock(fresh));

    struct Case {
        Bytes bytes;
        bool loads;
        const char* numOrder;
        const char* denOrder;
        int denTexts;
    };
    Bytes schema1 = GoldenState();
    schema1[0] = 1;
    Bytes tooMany = GoldenState();
    tooMany[6] = 102;  // numerator count 102
    Bytes cut = GoldenState();
    cut.resize(cut.size() - 3);
    const Case cases[] = {
        {GoldenState(), true, "0", "2", 3},
        {schema1, true, "1", "2", 0},  // another schema: nothing more is read
        {tooMany, false, "1", "2", 0},
        {cut, false, "1", "2", 0},     // a broken state keeps the old one
    };
    for (const Case& c : cases) {
        CDiscreteTransferFunctionWizard4 loaded(1);
        EXPECT_EQ(c.loads, LoadedBlock(loaded, c.bytes));
        EXPECT_EQ(c.numOrder, loaded.GetConvertDialog().GetNumeratorOrderText().str());
        EXPECT_EQ(c.denOrder, loaded.GetConvertDialog().GetDenominatorOrderText().str());
        EXPECT_EQ(c.denTexts, loaded.GetConvertDialog().GetDenominatorTexts().GetSize());
    }
}

TEST_F(DiscreteTf, AStoredStateReopensWithItsTexts) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows(), &element, 0);
    ASSERT_TRUE(LoadedBlock(*wizard, GoldenState()));
    OpenPage<CDiscreteTransferFunctionWizard4> open(*wizard);
    qv::UserScript::Instance().ExpectDialog(
        2541,
        [](CDialog& dialog) {
            EXPECT_EQ((std::vector<std::string>{"num[0]"}), Column(dialog.GetDlgItem(2194), 0));
            EXPECT_EQ((std::vector<std::string>{"2", "3", "1"}), Column(dialog.GetDlgItem(2195), 1));
            EXPECT_EQ((std::vector<std::string>{"den[0]", "den[1]", "den[2]"}), Column(dialog.GetDlgItem(2195), 0));
        },
        IDCANCEL);
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2196));
}

Bytes OldGsBlock(short m, short n, const std::vector<double>& values) {
    Bytes b;
    Word(b, static_cast<WORD>(m));
    Word(b, static_cast<WORD>(n));
    for (double v : values) Double(b, v);
    return b;
}

TEST_F(DiscreteTf, OlderDataWithTheOldGsBlock) {
    struct Case {
        Bytes block;
        bool read;
        const char* usedUnit = "s";  // the sample time's, before the conversion
        const char* sampleTime = "0.5";
    };
    const Case cases[] = {
        {OldGsBlock(0, 2, {1, 2, 3, 1, 0.5}), true},
        {OldGsBlock(0, 2, {1, 2, 3, 1, 0.5}), true, "ms", "500"},  // 0.5 s in the unit it is shown in
        {OldGsBlock(0, 2, {1, 2, 3, 1}), false},       // the sample time is missing
        {OldGsBlock(101, 2, {1, 2, 3, 1, 0.5}), false},  // order out of range
        {OldGsBlock(-1, 2, {1, 2, 3, 1, 0.5}), false},
        {Bytes{1, 0}, false},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> rows = DiscreteRows("2", "3");
        rows[2].value = "4,5";
        rows[3].value = "1,2,3,x,x,x,7,8,9,10";
        auto wizard = NewWizard<CDiscreteTransferFunctionWizard4>(rows, &element, 1);
        Named(editor->Holder(element), "TS")->SetUsedUnit(c.usedUnit);
        Bytes block = c.block;
        EXPECT_TRUE(wizard->DoConversionFrom4x(block.data(), static_cast<long>(block.size())));
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ((std::vector<std::string>{"Q", "Q[0]", "Q[1]"}), Names(Live(holder, 2194)));
        // The template keeps the old list as its value.
        EXPECT_EQ((std::vector<std::string>{"4,5", "4", "5"}), Values(Live(holder, 2194)));
        EXPECT_EQ("3", Named(holder, "P[2]")->GetValue().str());
        EXPECT_EQ("8", Named(holder, "Q0[1]")->GetValue().str());
        EXPECT_EQ("10", Named(holder, "P0[1]")->GetValue().str());
        EXPECT_EQ(c.read ? c.sampleTime : "1m", Named(holder, "TS")->GetValue().str());
        EXPECT_EQ("2", wizard->GetConvertDialog().GetDenominatorOrderText().str());
        EXPECT_EQ(c.read ? 3 : 0, wizard->GetConvertDialog().GetDenominatorTexts().GetSize());
    }
}

// Data of the older wizard generation: two DWORDs, two skipped blocks, then the block that
// holds the dialog's state.
TEST_F(DiscreteTf, OlderGenerationDataHandsItsLastBlockToTheDialog) {
    const Bytes golden = GoldenState();
    const Bytes state(golden.begin() + 2, golden.end());  // without the schema WORD
    auto older = [](const Bytes& last, DWORD announced) {
        Bytes b = Dwords({3, 0, 0, 0, announced});
        Append(b, last);
        return b;
    };
    struct Case {
        Bytes data;
        const char* denOrder;
        int denTexts;
    };
    Bytes broken = state;
    broken[4] = 200;  // a numerator count beyond 101
    const Case cases[] = {
        {older(state, static_cast<DWORD>(state.size())), "2", 3},
        {older(state, static_cast<DWORD>(state.size()) + 1), "2", 0},  // announces more than there is
        {older(broken, static_cast<DWORD>(broken.size())), "2", 0},
        {Bytes{1, 2, 3}, "2", 0},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows(), &element, 1);
        Bytes data = c.data;
        EXPECT_TRUE(ConvertOlder(*wizard, data));
        EXPECT_EQ(c.denOrder, wizard->GetConvertDialog().GetDenominatorOrderText().str());
        EXPECT_EQ(c.denTexts, wizard->GetConvertDialog().GetDenominatorTexts().GetSize());
    }
}

TEST_F(DiscreteTf, DimensionChangedElsewhereRetiresTheMembersAbove) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiscreteTransferFunctionWizard4>(DiscreteRows("3", "3"), &element, 1);
    CString text;
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ((std::vector<std::string>{"P", "P[0]", "P[1]", "P[2]"}), Names(Live(holder, 2195)));
    EXPECT_EQ((std::vector<std::string>{"P0", "P0[1]", "P0[2]"}), Names(Live(holder, 2199)));
    CWizardCopaObject3* dimension = Named(holder, "D");
    dimension->SetValue("2");
    wizard->NotifyChanged(3, dimension);
    EXPECT_EQ((std::vector<std::string>{"P", "P[0]", "P[1]"}), Names(Live(holder, 2195)));
    EXPECT_EQ((std::vector<std::string>{"P0", "P0[1]"}), Names(Live(holder, 2199)));
}

TEST_F(DiscreteTf, ModelTextRunByMode) {
    struct Case {
        int mode;
        bool withInitialTemplate;
        size_t coefficients;  // live numerator parameters afterwards, template included
    };
    const Case cases[] = {{1, true, 3}, {0, false, 3}, {1, false, 1}};
    for (const Case& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> rows = DiscreteRows("2", "2");
        if (!c.withInitialTemplate) rows.erase(rows.begin() + 4);
        auto wizard = NewWizard<CDiscreteTransferFunctionWizard4>(rows, &element, c.mode);
        CString text;
        EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
        EXPECT_EQ(c.coefficients, Live(editor->Holder(element), 2194).size()) << c.mode;
        // Mode 0 creates no initial values; mode 1 needs their templates.
        EXPECT_EQ(c.withInitialTemplate ? 2u : 0u, Live(editor->Holder(element), 2198).size());
    }
}

TEST(DiscreteTfFactory, IdsThirtyFourAndThreeHundredFortyGiveOneClass) {
    for (unsigned id : {34u, 340u}) {
        std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(id));
        ASSERT_NE(nullptr, wizard);
        auto* discrete = dynamic_cast<CDiscreteTransferFunctionWizard4*>(wizard.get());
        ASSERT_NE(nullptr, discrete);
        EXPECT_EQ(id == 34 ? 1u : 0u, discrete->GetMode());
        std::unique_ptr<CWizardBase4> clone(wizard->Clone());
        EXPECT_EQ(discrete->GetMode(), dynamic_cast<CDiscreteTransferFunctionWizard4*>(clone.get())->GetMode());
    }
}

} // namespace

// The example schematic, a discretised second-order plant, run by the host.
namespace {

constexpr qv_test::ProfiledHost kHost("discrete_tf_profile.ini");

TEST(DiscreteTfExample, HostDescribesAndSavesTheDiscretisedPlant) {
    const std::string saved = qv_test::TempFolder() + "/discrete_plant.qva";
    EXPECT_EQ("TFZ G1 ( N := 3, D := 3, TS := 100m, IN := W, Q[0] := 0, P[0] := 1, P[1] := -1.723568171, "
              "P[2] := 0.7408182207, P0[1] := 0, P0[2] := 0, Q[1] := 0.004527958503, Q[2] := 0.004097066281, "
              "Q0[1] := 0, Q0[2] := 0 );\nSDB ( G1.OUT );\n",
              kHost.DescribedExample("discrete_plant"));
    ASSERT_EQ(0, kHost.Run("save '" PARVEL_SOURCE_DIR "/examples/discrete_plant.json' -o '" + saved + "'"));
    const std::string bytes = ReadFile(saved);
    for (const char* text : {"P[2]", "0.7408182207", "Q[1]", "0.004527958503", "Q0[2]", "P0[2]"})
        EXPECT_NE(std::string::npos, bytes.find(text)) << text;
    // The wizard's own data closes the element: schema 0, version 10, two empty lists.
    EXPECT_NE(std::string::npos, bytes.find(std::string("\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 14)));
}

} // namespace
