// The Fourier source's harmonics table: numbers by mode, frequencies from the fundamental,
// growing and shrinking with the number of harmonics, percent and degree cells, and the
// user's in-place edits taken into the records.
#include "sources/fourier_harmonics.h"

#include "tests/support/plugin_editor_test.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr UINT kListId = 2329;

class HarmonicsParent : public CWnd {
public:
    CFourierListCtrl* list = nullptr;
    LRESULT OnCellEdited(WPARAM w, LPARAM l) { return list ? list->OnEndEdit(w, l) : 0; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(HarmonicsParent, CWnd)
    ON_MESSAGE(TBLM_CELLEDITED, &HarmonicsParent::OnCellEdited)
END_MESSAGE_MAP()

class GeneratorHarmonics : public qv_test::PluginEditorTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PluginEditorTest::SetUp());
        ASSERT_TRUE(parent.CreateEx(0, "#32770", "", WS_VISIBLE, CRect(0, 0, 600, 400), nullptr, 0));
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 500, 300), &parent, kListId));
        parent.list = &list;
        list.Init(nullptr);
        list.AddRow(0, 0.0, 0.0, 0.0);
        list.AddRow(1, 50.0, 0.0, 0.0);
    }
    void TearDown() override {
        parent.list = nullptr;
        PluginEditorTest::TearDown();
    }
    std::vector<int> Numbers() {
        std::vector<int> out;
        for (int row = 0; row < list.GetItemCount(); ++row) out.push_back(list.RowRecord(row)->number);
        return out;
    }
    std::vector<double> Frequencies() {
        std::vector<double> out;
        for (int row = 0; row < list.GetItemCount(); ++row) out.push_back(list.RowRecord(row)->frequency);
        return out;
    }
    void Harmonics(const char* number) {
        CString text = number;
        list.SetNumberOfHarmonics(text);
    }
    std::string Cell(int row, int column) { return list.GetItemText(row, column).str(); }

    HarmonicsParent parent;
    CFourierListCtrl list;
};

TEST(GeneratorHarmonicNumbers, ByMode) {
    struct Case {
        int mode;
        std::vector<int> numbers;
    };
    const Case cases[] = {{1, {0, 1, 2, 3, 4}}, {2, {0, 1, 2, 4, 6}}, {3, {0, 1, 3, 5, 7}}, {7, {0, 1, 2, 3, 4}}};
    for (const Case& c : cases) {
        std::vector<int> got;
        for (int row = 0; row < 5; ++row) got.push_back(qv::sources::HarmonicNumber(c.mode, row));
        EXPECT_EQ(c.numbers, got) << c.mode;
    }
}

TEST_F(GeneratorHarmonics, NumberOfHarmonicsInEachMode) {
    struct Case {
        int mode;
        std::vector<int> numbers;
        std::vector<double> frequencies;
    };
    const Case cases[] = {{2, {0, 1, 2, 4}, {0, 50, 100, 200}}, {3, {0, 1, 3, 5}, {0, 50, 150, 250}},
                          {1, {0, 1, 2, 3}, {0, 50, 100, 150}}};
    for (const Case& c : cases) {
        list.SetHarmonicsMode(c.mode);
        Harmonics("3");
        EXPECT_EQ(c.numbers, Numbers()) << c.mode;
        EXPECT_EQ(c.frequencies, Frequencies()) << c.mode;
    }
}

TEST_F(GeneratorHarmonics, OutOfRangeNumbersGiveAThousandHarmonics) {
    Harmonics("0");
    EXPECT_EQ(2, list.GetItemCount()) << "0 is ignored";
    for (const char* number : {"-5", "5000"}) {
        list.RemoveAllRows();
        list.AddRow(0, 0.0, 0.0, 0.0);
        CString text = number;
        list.SetNumberOfHarmonics(text);
        EXPECT_EQ(1001, list.GetItemCount()) << number;
        EXPECT_EQ("1000", text.str());
        EXPECT_EQ("1000", list.GetNumberText().str());
    }
}

TEST_F(GeneratorHarmonics, RemovedRowsComeBackWithNewFrequencies) {
    Harmonics("4");
    ASSERT_TRUE(qv::ui::EditListCell(&list, 3, 2, "7"));
    ASSERT_TRUE(qv::ui::EditListCell(&list, 4, 2, "9"));
    Harmonics("2");
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_EQ(2, list.RemovedRowCount());
    list.SetFundamental("60");
    list.SetHarmonicsMode(3);
    Harmonics("4");
    EXPECT_EQ(5, list.GetItemCount());
    EXPECT_EQ(7.0, list.RowRecord(3)->amplitude);
    EXPECT_EQ(9.0, list.RowRecord(4)->amplitude);
    EXPECT_EQ((std::vector<double>{0, 60, 180, 300, 420}), Frequencies());
}

TEST_F(GeneratorHarmonics, FundamentalAboveZeroMovesTheFrequencies) {
    Harmonics("2");
    for (const char* ignored : {"0", "-50", "x", "50.0"}) {
        list.SetFundamental(ignored);
        EXPECT_EQ((std::vector<double>{0, 50, 100}), Frequencies()) << ignored;
    }
    EXPECT_NE("50.0", list.GetFundamentalText().str());
    list.SetFundamental("1k");
    EXPECT_EQ((std::vector<double>{0, 1000, 2000}), Frequencies());
    EXPECT_TRUE(list.IsModified());
}

TEST_F(GeneratorHarmonics, PercentCellsFollowTheFundamentalsAmplitude) {
    Harmonics("2");
    // Without an amplitude of row 1 every cell shows the plain amplitude.
    ASSERT_TRUE(qv::ui::EditListCell(&list, 2, 2, "3"));
    EXPECT_EQ("3", Cell(2, 3));
    ASSERT_TRUE(qv::ui::EditListCell(&list, 2, 3, "50 %"));
    EXPECT_EQ(0.0, list.RowRecord(2)->amplitude);
    ASSERT_TRUE(qv::ui::EditListCell(&list, 2, 2, "3"));
    ASSERT_TRUE(qv::ui::EditListCell(&list, 1, 2, "10"));
    EXPECT_EQ("30 %", Cell(2, 3));
    EXPECT_EQ("100 %", Cell(1, 3));
    ASSERT_TRUE(qv::ui::EditListCell(&list, 2, 3, "20 %"));
    EXPECT_EQ(2.0, list.RowRecord(2)->amplitude);
    EXPECT_EQ("2", Cell(2, 2));
}

TEST_F(GeneratorHarmonics, RefusedEditsKeepTheRecord) {
    Harmonics("2");
    ASSERT_TRUE(qv::ui::EditListCell(&list, 1, 2, "4"));
    struct Case {
        int row;
        int column;
        const char* text;
        double amplitude;
    };
    const Case cases[] = {
        {0, 2, "-2", -2.0},  // the constant part may be negative
        {2, 2, "-2", 0.0},   // a harmonic may not
        {2, 3, "-50 %", 0.0},
    };
    for (const Case& c : cases) {
        qv::ui::EditListCell(&list, c.row, c.column, c.text);
        EXPECT_EQ(c.amplitude, list.RowRecord(c.row)->amplitude) << c.row << " " << c.text;
    }
    EXPECT_EQ("0", Cell(2, 2)) << "the record's text returns";
    EXPECT_EQ(4.0, list.RowRecord(1)->amplitude);
    EXPECT_EQ("100 %", Cell(1, 3));
}

// A cell takes one number in its column's unit, or with a unit of the column's quantity, which is
// applied; a number that only begins the text, or one of another quantity, leaves the record.
TEST_F(GeneratorHarmonics, CellsReadInTheirColumnsUnit) {
    list.SetPhaseAutomatic(FALSE);
    Harmonics("2");
    ASSERT_TRUE(qv::ui::EditListCell(&list, 1, 2, "4"));
    struct Case {
        int column;
        const char* text;
        double amplitude;
        double phase;
        const char* quantity = "Voltage";
        const char* unit = "V";
    };
    const Case cases[] = {
        {2, "1 kV", 1000, 0},  {2, "1mV", 0.001, 0},   {2, "3 V", 3, 0},           {2, "1 kOhm", 0, 0},
        {2, "1 kA", 0, 0},     {2, "1k, G := 5", 0, 0}, {2, "1 kA", 1000, 0, "Current", "A"},
        {3, "50 %", 2, 0},     {3, "50", 2, 0},         {3, "1k, G := 5", 0, 0},   {3, "50 V", 0, 0},
        {4, "90 \xB0", 0, M_PI / 2}, {4, "90 deg", 0, M_PI / 2}, {4, "1", 0, 1}, {4, "1k, G := 5", 0, 0},
        {4, "1 V", 0, 0},      {5, "1.5 rad", 0, 1.5},  {5, "45", 0, M_PI / 4},    {5, "1k, G := 5", 0, 0},
        {5, "1 kOhm", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + " " + c.text);
        list.SetAmplitudeUnit("Voltage", "V");
        ASSERT_TRUE(qv::ui::EditListCell(&list, 2, 2, "0"));
        ASSERT_TRUE(qv::ui::EditListCell(&list, 2, 4, "0"));
        list.SetAmplitudeUnit(c.quantity, c.unit);
        qv::ui::EditListCell(&list, 2, c.column, c.text);
        EXPECT_DOUBLE_EQ(c.amplitude, list.RowRecord(2)->amplitude);
        EXPECT_NEAR(c.phase, list.RowRecord(2)->phase, 1e-15);
        EXPECT_EQ(4.0, list.RowRecord(1)->amplitude);
    }
}

TEST_F(GeneratorHarmonics, DegreesAndRadians) {
    list.SetPhaseAutomatic(FALSE);
    Harmonics("1");
    ASSERT_TRUE(qv::ui::EditListCell(&list, 1, 5, "90 \xB0"));
    EXPECT_DOUBLE_EQ(M_PI / 2, list.RowRecord(1)->phase);
    EXPECT_EQ(CFourierListCtrl::FormatPhase(M_PI / 2).str(), Cell(1, 4));
    EXPECT_EQ("90 \xB0", Cell(1, 5));
    ASSERT_TRUE(qv::ui::EditListCell(&list, 0, 4, "1"));
    EXPECT_EQ(1.0, list.RowRecord(0)->phase);
    list.SetPhaseAutomatic(TRUE);
    EXPECT_EQ(4, list.GetHeaderCtrl()->GetItemCount());
    list.SetPhaseAutomatic(FALSE);
    EXPECT_EQ(6, list.GetHeaderCtrl()->GetItemCount());
    EXPECT_EQ("1", Cell(0, 4)) << "the cells are written again from the records";
}

} // namespace
