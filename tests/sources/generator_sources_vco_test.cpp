// The voltage-controlled oscillator source: its model text, its archive, older data and its
// page driven as a user drives it.
#include "sources_support.h"

#include "framework/param_access.h"
#include "sources/vco_source.h"

using namespace sources_test;

namespace {

constexpr char kModel[] = "@TYPEO1 ( @PARAMLIST);";

const std::vector<ParamRow> kVCORows = GeneratorRows({
    {.id = 2151, .name = "UL", .value = "10", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2152, .name = "LL", .value = "-10", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2034, .name = "AMPL", .value = "5", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
});

void SettleVCO(CSourceTypeWizardBase4& wizard, int sourceType, const std::vector<const char*>& names) {
    WithSnapshots(names, [&](CPtrArray* list) { wizard.SetSourceSettings(sourceType, list); });
}

class GeneratorVCO : public SourcesTest {
protected:
    std::string Write(CWizardBase4& wizard, const char* model = kModel) { return WriteModel(wizard, model); }
};

TEST_F(GeneratorVCO, TemplateWithoutImmanentLeavesTheTextAlone) {
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
    EXPECT_EQ(kModel, WrittenAskingNothing(*wizard, *editor, "E @NAME", kModel));
}

TEST_F(GeneratorVCO, NewElementIsAVoltageSourceWithPhaseAndMagnitude) {
    auto wizard = Initialized(NewWizard<CVCOWizard4>(kVCORows, "O1"));
    EXPECT_EQ(0, wizard->GetSourceType());
    EXPECT_EQ(0u, wizard->GetACMode());
    EXPECT_EQ("EVCO O1 ( UL := @UL, LL := @LL, AMPL := @AMPL, PHASE := @PHASE, SPC := @SPC, "
              "AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );",
              Write(*wizard));
}

// The snapshot list by source type and AC entry form.
TEST_F(GeneratorVCO, SnapshotListFollowsSourceTypeAndACForm) {
    struct Case {
        int sourceType;
        DWORD acMode;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {0, 0, {"UL", "LL", "AMPL", "PHASE", "SPC", "AC_PHASE", "AC_MAG"}},
        {1, 0, {"UL", "LL", "AMPL", "PHASE", "AC_PHASE", "AC_MAG"}},
        {0, 1, {"UL", "LL", "AMPL", "PHASE", "SPC", "@AC_PHASE", "@AC_MAG"}},
        {1, 1, {"UL", "LL", "AMPL", "PHASE", "@AC_PHASE", "@AC_MAG"}},
    };
    for (const Case& c : cases) {
        auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
        {
            OpenPage<CVCOWizard4> open(*wizard);
            ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(2147), c.sourceType));
            ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
            if (c.acMode == 1) {
                ASSERT_TRUE(qv::ui::Click(open.AC(), 2428));
            }
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        EXPECT_EQ(c.sourceType, wizard->GetSourceType());
        EXPECT_EQ(c.acMode, wizard->GetACMode());
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots())) << c.sourceType << "/" << c.acMode;
    }
}

TEST_F(GeneratorVCO, MissingParameterGivesAnEmptySnapshot) {
    auto wizard = Initialized(NewWizard<CVCOWizard4>(Without(kVCORows, 2151), "O1"));
    auto* first = static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(0));
    EXPECT_EQ("", first->GetName().str());
    EXPECT_EQ(0u, first->GetType());
    EXPECT_EQ(0u, first->GetExtType());
}

// A current source in real and imaginary form: the AC parts become expressions unless they
// are taken from pins.
TEST_F(GeneratorVCO, CurrentSourceInRealAndImaginaryForm) {
    struct Case {
        bool pins;
        const char* text;
    };
    const Case cases[] = {
        {false, "IVCO O1 ( UL := @UL, LL := @LL, AMPL := @AMPL, PHASE := @PHASE, "
                "AC_PHASE := ATAN2((4),(-3))*(180/PI), AC_MAG := SQRT((-3)^2+(4)^2) );"},
        {true, "IVCO O1 ( UL := @UL, LL := @LL, AMPL := @AMPL, PHASE := @PHASE, "
               "AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
    };
    for (const Case& c : cases) {
        g_PlaceholderList.DeleteAll();
        DWORD element = 0;
        auto wizard = NewWizard<CVCOWizard4>(WithACParts(kVCORows), "O1", &element);
        if (c.pins) {
            SetParamUsePin(editor->Holder(element), 2430, TRUE);
            SetParamUsePin(editor->Holder(element), 2432, TRUE);
        }
        {
            OpenPage<CVCOWizard4> open(*wizard);
            ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(2147), "Current Source"));
            ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
            ASSERT_TRUE(qv::ui::Click(open.AC(), 2428));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        editor->ClearRequests();
        EXPECT_EQ(c.text, Write(*wizard)) << c.pins;
        if (!c.pins) {
            EXPECT_EQ(1u, editor->CountRequests(25)) << "one commit after the walk";
        }
    }
}

// A current source's AC values are currents: the page offers amperes, and a unit chosen is
// mapped by its scale when the source type switches.
TEST_F(GeneratorVCO, ACValuesFollowTheSourceTypesQuantity) {
    for (const SwitchedACRow& row : kSwitchedACRows) ExpectACUnitsFollowTheSourceType<CVCOWizard4>(kVCORows, row);
}

TEST_F(GeneratorVCO, SourceTypeKeywords) {
    const std::pair<int, const char*> cases[] = {{0, "EVCO O1"}, {1, "IVCO O1"}, {2, "EVCO O1"}, {-1, "EVCO O1"}};
    for (const auto& [type, text] : cases) {
        auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
        SettleVCO(*wizard, type, {"UL"});
        EXPECT_EQ(std::string(text) + " ( UL := @UL );", Write(*wizard)) << type;
    }
}

TEST_F(GeneratorVCO, OlderPhasePlaceholderTurnsThePhaseIntoRadiansWithOneCommit) {
    DWORD element = 0;
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1", &element);
    SettleVCO(*wizard, 0, {"@PHASE", "@AC_PHASE_PHI"});
    editor->ClearRequests();
    EXPECT_EQ("EVCO O1 ( PHASE, @AC_PHASE );", Write(*wizard));
    EXPECT_EQ("rad", Param(editor->Holder(element), 2042)->GetUsedUnit().str());
    EXPECT_EQ("rad", Param(editor->Holder(element), 2434)->GetUsedUnit().str());
    EXPECT_EQ(1u, editor->CountRequests(25));
}

// A loaded wizard without a list rebuilds it from its own settings: a current source stays one.
TEST_F(GeneratorVCO, EmptyListIsRebuiltFromTheWizardsSettings) {
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
    SettleVCO(*wizard, 1, {});
    wizard->SetACMode(1);
    EXPECT_EQ("IVCO O1 ( UL := @UL, LL := @LL, AMPL := @AMPL, PHASE := @PHASE, "
              "AC_PHASE := ATAN2((0),(0))*(180/PI), AC_MAG := SQRT((0)^2+(0)^2) );",
              Write(*wizard));
    EXPECT_EQ(1, wizard->GetSourceType());
}

TEST_F(GeneratorVCO, CloneCopiesTheListButNoPage) {
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
    SettleVCO(*wizard, 1, {"UL", "LL", "AMPL"});
    wizard->SetACMode(1);
    std::unique_ptr<CWizardBase4> copy(wizard->Clone());
    auto* vco = dynamic_cast<CVCOWizard4*>(copy.get());
    ASSERT_NE(nullptr, vco);
    EXPECT_EQ(1, vco->GetSourceType());
    EXPECT_EQ(1u, vco->GetACMode());
    EXPECT_EQ(nullptr, vco->GetPage());
    EXPECT_EQ((std::vector<std::string>{"UL", "LL", "AMPL"}), SnapshotNames(vco->GetSnapshots()));
    EXPECT_NE(wizard->GetSnapshots().GetAt(0), vco->GetSnapshots().GetAt(0));
}

// ---------------------------------------------------------------------------------------
// Archive.

Bytes GoldenArchive() {
    Bytes bytes;
    Word(bytes, 0);       // AC schema
    Dword(bytes, 1);      // AC setting
    Word(bytes, 0);       // schema
    Dword(bytes, 1);      // source type
    Dword(bytes, 2);      // n
    Snapshot(bytes, "UL", 0x4, 0, true);
    Snapshot(bytes, "@AC_MAG", 0x4, 0, false);
    return bytes;
}

TEST_F(GeneratorVCO, ArchiveBytesAreTheGoldenLayout) {
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
    SettleVCO(*wizard, 1, {"UL", "@AC_MAG"});
    wizard->SetACMode(1);
    EXPECT_EQ(GoldenArchive(), Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); }));
    EXPECT_EQ(Bytes{}, Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion3); }));
}

// A current source's AC values stored in volts are read as its page shows them: in amperes,
// committed once.
TEST_F(GeneratorVCO, LoadingReplacesTheList) {
    DWORD element = 0;
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1", &element);
    SettleVCO(*wizard, 0, {"X", "Y", "Z"});
    Param(editor->Holder(element), 2425)->SetUsedUnit("kV");
    editor->ClearRequests();
    Loaded(GoldenArchive(), [&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1, wizard->GetSourceType());
    EXPECT_EQ(1u, wizard->GetACMode());
    EXPECT_EQ((std::vector<std::string>{"UL", "@AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
    const CWizardCopaObject3* magnitude = Param(editor->Holder(element), 2425);
    EXPECT_EQ("Current", magnitude->GetQuantity().str());
    EXPECT_EQ("A", magnitude->GetUnit().str());
    EXPECT_EQ("kA", magnitude->GetUsedUnit().str());
    EXPECT_EQ("Current", Param(editor->Holder(element), 2430)->GetQuantity().str());
    EXPECT_EQ(1u, editor->CountRequests(25));
}

TEST_F(GeneratorVCO, NewerSchemaReadsOnlyItsWord) {
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
    SettleVCO(*wizard, 0, {"X"});
    Bytes bytes;
    Word(bytes, 0);
    Dword(bytes, 0);
    Word(bytes, 1);
    Dword(bytes, 1);  // would be the source type
    Loaded(bytes, [&](CArchive& ar) {
        wizard->Serialize(ar, eSheetVersion4);
        EXPECT_EQ(4u, ar.GetFile()->GetLength() - ar.GetFile()->GetPosition() + 0u);
    });
    EXPECT_EQ(1, wizard->GetSchema());
    EXPECT_EQ(0, wizard->GetSourceType());
    EXPECT_EQ((std::vector<std::string>{"X"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(GeneratorVCO, ArchivedCountBeyondTheLimitIsRefused) {
    auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1");
    Bytes bytes;
    Word(bytes, 0);
    Dword(bytes, 0);
    Word(bytes, 0);
    Dword(bytes, 0);
    Dword(bytes, 0xFFFFFFFFu);
    EXPECT_FALSE(LoadedBlock(*wizard, bytes));
    EXPECT_EQ(0, wizard->GetSnapshots().GetSize());
}

// ---------------------------------------------------------------------------------------
// Older data.

Bytes SnapshotBlock() {
    Bytes block;
    Snapshot(block, "UL", 0x4, 0, true);
    Snapshot(block, "AMPL", 0x4, 0, false);
    return block;
}

Bytes PageState(DWORD version, DWORD phaseUnit) {
    Bytes block;
    NewClass(block, "CPropVCO");
    Dword(block, version);
    if (version < 10) Dword(block, phaseUnit);
    return block;
}

Bytes ACState(DWORD mode) {
    Bytes block;
    NewClass(block, "CPropACParameters");
    Dword(block, 10);
    Dword(block, mode);
    return block;
}

struct OldData {
    Bytes bytes;
    int sourceType;
    std::vector<std::string> names;
    const char* phaseUnit;
    DWORD acMode;
};

TEST_F(GeneratorVCO, OlderDataConvertsWithoutReadingPastItsEnd) {
    std::vector<std::pair<const char*, OldData>> cases;
    {
        Bytes b = Dwords({1, 2});
        Block(b, SnapshotBlock());
        Block(b, PageState(9, 1));
        Block(b, {});
        Block(b, {});
        Block(b, ACState(1));
        cases.push_back({"complete, version 9 with radians", {b, 1, {"UL", "AMPL"}, "rad", 1}});
    }
    {
        Bytes b = Dwords({0, 2});
        Block(b, SnapshotBlock());
        Block(b, PageState(10, 1));
        cases.push_back({"version 10 reads only the version", {b, 0, {"UL", "AMPL"}, "deg", 0}});
    }
    {
        Bytes b = Dwords({1, 2});
        Block(b, SnapshotBlock());
        cases.push_back({"snapshot block ending at the end is not taken", {b, 1, {}, "deg", 0}});
    }
    {
        Bytes b = Dwords({1, 2, 0xFFFFFFF8u});
        Append(b, SnapshotBlock());
        cases.push_back({"wrapping snapshot length", {b, 1, {}, "deg", 0}});
    }
    {
        Bytes b = Dwords({0, 2});
        Block(b, SnapshotBlock());
        Dword(b, 0xFFFFFFFFu);
        Append(b, PageState(9, 1));
        cases.push_back({"wrapping page length ends the parse", {b, 0, {"UL", "AMPL"}, "deg", 0}});
    }
    {
        Bytes b = Dwords({1, 0xFFFFFFFFu});
        Block(b, SnapshotBlock());
        Block(b, {});
        cases.push_back({"impossible count", {b, 1, {}, "deg", 0}});
    }
    cases.push_back({"no data", {{}, 0, {"UL", "LL", "AMPL", "PHASE", "SPC", "AC_PHASE", "AC_MAG"}, "deg", 0}});
    for (auto& [label, c] : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1", &element);
        if (label == std::string("no data")) {
            ASSERT_TRUE(wizard->Initialize(0));
        }
        // The bytes live in a buffer of their exact size, so a read past the end is caught.
        std::unique_ptr<BYTE[]> exact(new BYTE[c.bytes.size() + 1]);
        if (!c.bytes.empty()) std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(wizard->DoConvertWizard3Data(c.bytes.empty() ? nullptr : exact.get(),
                                                 static_cast<long>(c.bytes.size())))
            << label;
        EXPECT_EQ(c.sourceType, wizard->GetSourceType()) << label;
        if (label != std::string("no data")) {
            EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots())) << label;
        }
        EXPECT_EQ(c.phaseUnit, Param(editor->Holder(element), 2042)->GetUsedUnit().str()) << label;
        EXPECT_EQ(c.acMode, wizard->GetACMode()) << label;
    }
}

// ---------------------------------------------------------------------------------------
// The page.

TEST_F(GeneratorVCO, LimitsReadingZeroUntickTheBoxAndApplyWritesZero) {
    DWORD element = 0;
    auto rows = WithValue(WithValue(kVCORows, 2151, "0.0"), 2152, "0m");
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CVCOWizard4>(rows, "O1", &element));
    EXPECT_FALSE(page->GetLimitInput());
    EXPECT_EQ(BST_UNCHECKED, page->IsDlgButtonChecked(2148));
    for (int id : {2149, 2150, 2151, 2152}) EXPECT_FALSE(Enabled(page, id)) << id;
    // Typed limits are ignored while the box is unticked.
    ASSERT_TRUE(qv::ui::Click(page, 2148));
    for (int id : {2149, 2150, 2151, 2152}) EXPECT_TRUE(Enabled(page, id)) << id;
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2151), "7"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2152), "-7"));
    ASSERT_TRUE(qv::ui::Click(page, 2148));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0", Param(editor->Holder(element), 2151)->GetValue().str());
    EXPECT_EQ("0", Param(editor->Holder(element), 2152)->GetValue().str());
}

TEST_F(GeneratorVCO, ApplyWritesTheFieldsAndUnits) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CVCOWizard4>(kVCORows, "O1", &element));
    EXPECT_TRUE(page->GetLimitInput());
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2151), "12"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2034), "3"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2042), "90"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2513), "rad"));
    ASSERT_TRUE(qv::ui::Click(page, 2472));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    ExpectValues(holder, {{2151, "12"}, {2152, "-10"}, {2034, "3"}, {2042, "90"}, {2472, "1"}});
    EXPECT_EQ("rad", Param(holder, 2042)->GetUsedUnit().str());
    EXPECT_EQ(1, holder->m_bySymbolVariant);
}

TEST_F(GeneratorVCO, PinnedParametersDisableTheirFields) {
    for (WORD pinned : {WORD{2151}, WORD{2152}, WORD{2034}, WORD{2042}}) {
        DWORD element = 0;
        auto wizard = NewWizard<CVCOWizard4>(kVCORows, "O1", &element);
        SetParamUsePin(editor->Holder(element), pinned, TRUE);
        OpenPage<CVCOWizard4> open(*wizard);
        for (int id : {2151, 2152, 2034, 2042}) EXPECT_EQ(id != pinned, Enabled(open.Page(), id)) << pinned << " " << id;
    }
}

TEST_F(GeneratorVCO, CurrentSourceHidesSpiceButStillWritesIt) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CVCOWizard4>(kVCORows, "O1", &element));
    EXPECT_TRUE(Visible(page, 2472));
    ASSERT_TRUE(qv::ui::Click(page, 2472));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2147), "Current Source"));
    EXPECT_FALSE(Visible(page, 2472));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("1", Param(editor->Holder(element), 2472)->GetValue().str());
    EXPECT_EQ(2, editor->Holder(element)->m_bySymbolVariant);
    EXPECT_EQ(1, wizard->GetSourceType());
}

TEST_F(GeneratorVCO, DefaultOutputsSwitchAtOnceAndShowTheirUnits) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CVCOWizard4>(kVCORows, "O1", &element));
    EXPECT_EQ("Voltage [V]", Text(page, 2018));
    EXPECT_EQ("Current [A]", Text(page, 2019));
    ASSERT_TRUE(qv::ui::Click(page, 2019));
    BOOL on = FALSE;
    ASSERT_TRUE(GetSDBOutput(editor->Holder(element), 2019, &on));
    EXPECT_TRUE(on);
}

TEST_F(GeneratorVCO, ApplyWithoutParameterSetReportsFailure) {
    CVCOWizard4 wizard;
    CPropVCO page(&wizard, nullptr);
    EXPECT_FALSE(page.OnApply());
}

} // namespace

namespace {

// "SPC" is read as a number and truncated; huge and fractional values are read safely.
TEST_F(GeneratorVCO, SpiceFlagIsTheTruncatedNumber) {
    const std::pair<const char*, int> cases[] = {{"1", BST_CHECKED},   {"0.5", BST_UNCHECKED}, {"-2.5", BST_CHECKED},
                                                 {"1e300", BST_CHECKED}, {"x", BST_UNCHECKED},  {"0", BST_UNCHECKED}};
    for (const auto& [value, state] : cases) {
        auto wizard = NewWizard<CVCOWizard4>(WithValue(kVCORows, 2472, value), "O1");
        OpenPage<CVCOWizard4> open(*wizard);
        EXPECT_EQ(state, static_cast<int>(open.Page()->IsDlgButtonChecked(2472))) << value;
    }
}

} // namespace
