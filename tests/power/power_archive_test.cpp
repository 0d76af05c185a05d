// The semiconductor wizards' archive block, compared byte for byte with blocks built by hand
// from the format, and read back; Clone copies the state deeply.
#include "power_support.h"

using namespace power_test;

namespace {

using PowerArchive = PowerTest;

// WORD schema 0, DWORD mode word, four archive strings, then the table's own stream.
Bytes WizardBlock(DWORD modeWord, const std::vector<std::string>& texts, const Bytes& table) {
    Bytes out;
    Word(out, 0);
    Dword(out, modeWord);
    for (const std::string& text : texts) Str(out, text);
    Append(out, table);
    return out;
}

TEST_F(PowerArchive, DataPairsDiodeStoresTheGoldenBlock) {
    CDiodeWizard4 wizard;
    LoadTable(wizard.State().Table(), TableBytes(1, "Demo__D1.mdx", 0, {{0.0, 0.0}, {0.7, 1.0}}, ""));
    wizard.SetModeAndAxisLabels(2, "v [V]", "i [A]");
    wizard.SetExtraTextA("V");
    wizard.SetExtraTextB("A");
    const Bytes golden = WizardBlock(2, {"v [V]", "i [A]", "V", "A"},
                                     TableBytes(1, "Demo__D1.mdx", 0, {{0.0, 0.0}, {0.7, 1.0}}, ""));
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
}

TEST_F(PowerArchive, NewIgbtStoresALookUpTableWithDataPairsAndNoPoints) {
    CIgbtWizard4 wizard;
    const Bytes golden = WizardBlock(0, {"", "", "", ""}, TableBytes(1, ".mdx", 0, {}, ""));
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
}

TEST_F(PowerArchive, ElementNameKindWithFlagsStoresTheWholeWord) {
    CGtoWizard4 wizard;
    LoadTable(wizard.State().Table(), TableBytes(0, "ref.mdx", 1, {}, "VAR"));
    wizard.SetModeAndAxisLabels(static_cast<LONG>(2 | kSemiNoTableFile | kSemiUserFile), "x", "y");
    const Bytes golden = WizardBlock(0xC002, {"x", "y", "", ""}, TableBytes(0, "ref.mdx", 1, {}, "VAR"));
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
    CGtoWizard4 minusOne;
    minusOne.SetModeAndAxisLabels(-1, "", "");
    const Bytes stored = Stored([&](CArchive& ar) { minusOne.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ((Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}), Bytes(stored.begin(), stored.begin() + 6));
}

TEST_F(PowerArchive, BlockReadBackGivesTheSameState) {
    const Bytes block = WizardBlock(static_cast<DWORD>(2 | kSemiUserFile), {"v [V]", "i [A]", "V", "A"},
                                    TableBytes(1, "mine.mdx", 1, {{-1.0, -0.5}, {2.0, 3.0}}, "TABLEVAR"));
    for (const Family& family : kFamily) {
        SCOPED_TRACE(family.prefix);
        std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(family.id));
        ASSERT_NE(nullptr, wizard);
        Loaded(block, [&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); });
        const CSemiconductorState& state = StateOf(*wizard);
        ExpectUserFileState(state, "mine.mdx");
        EXPECT_EQ("TABLEVAR", state.Table().GetVariableName().str());
        EXPECT_EQ(2, state.Table().Points().GetSize());
        EXPECT_EQ(block, Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); }));
    }
}

TEST_F(PowerArchive, OtherSheetVersionsReadAndWriteNothing) {
    for (ESheetVersion version : {eSheetVersion1, eSheetVersion2, eSheetVersion3}) {
        SCOPED_TRACE(version);
        CDiodeWizard4 diode;
        diode.SetModeAndAxisLabels(1, "a", "b");
        EXPECT_TRUE(Stored([&](CArchive& ar) { diode.Serialize(ar, version); }).empty());
        CBjtWizard4 bjt;
        EXPECT_TRUE(Stored([&](CArchive& ar) { bjt.Serialize(ar, version); }).empty());
        // Loading reads nothing either: the bytes stay for whoever comes next.
        Bytes other = {0x01, 0x00, 0x02, 0x00, 0x00, 0x00};
        CMemFile file(other.data(), static_cast<UINT>(other.size()), 0);
        CArchive ar(&file, CArchive::load);
        diode.Serialize(ar, version);
        WORD next = 0;
        ar >> next;
        EXPECT_EQ(1, next);
        EXPECT_EQ(1, diode.GetModeWord());
    }
}

TEST_F(PowerArchive, LaterSchemaOrCutBlockLeavesTheStateAsItWas) {
    struct Case {
        const char* what;
        Bytes block;
        bool throws;
    };
    Bytes later;
    Word(later, 1);
    Dword(later, 0);
    const Bytes whole = WizardBlock(1, {"p", "q", "r", "s"}, TableBytes(1, "cut.mdx", 0, {{1.0, 2.0}}, ""));
    const Case cases[] = {
        {"schema 1", later, false},
        {"cut in the texts", Bytes(whole.begin(), whole.begin() + 9), true},
        {"cut in the table", Bytes(whole.begin(), whole.end() - 3), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMosfetWizard4 wizard;
        LoadTable(wizard.State().Table(), TableBytes(1, "kept.mdx", 0, {{5.0, 6.0}}, ""));
        wizard.SetModeAndAxisLabels(2, "x", "y");
        EXPECT_EQ(c.throws, !LoadedBlock(wizard, c.block));
        EXPECT_EQ(2, wizard.GetModeWord());
        EXPECT_EQ("x", wizard.State().GetXAxisLabel().str());
        EXPECT_EQ("kept.mdx", wizard.State().Table().GetFileName().str());
        EXPECT_EQ(1, wizard.State().Table().Points().GetSize());
    }
}

TEST_F(PowerArchive, CloneCopiesTheStateDeeplyAndNeverThePage) {
    for (const Family& family : kFamily) {
        SCOPED_TRACE(family.prefix);
        auto wizard = Make(family.id, family.id == 8 ? kDiodeRows : PowerRows(), "X1");
        LoadTable(StateOf(*wizard).Table(), TableBytes(1, "a.mdx", 1, {{1.0, 2.0}, {3.0, 4.0}}, "V1"));
        StateOf(*wizard).SetModeAndAxisLabels(static_cast<LONG>(2 | kSemiUserFile), "x", "y");
        StateOf(*wizard).SetExtraTextA("ea");
        StateOf(*wizard).SetExtraTextB("eb");
        CPropertySheet sheet("X1");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        sheet.RemovePage(static_cast<CPropertyPage*>(dynamic_cast<CDiodeWizard4*>(wizard.get())
                                                         ? static_cast<CPropertyPage*>(dynamic_cast<CDiodeWizard4*>(wizard.get())->GetPage())
                                                         : dynamic_cast<CSemiconductorWizardBase4*>(wizard.get())->GetPage()));
        std::unique_ptr<CWizardBase4> clone(wizard->Clone());
        ASSERT_NE(nullptr, clone);
        EXPECT_EQ(wizard->GetRuntimeClass(), clone->GetRuntimeClass());
        const CSemiconductorState& copy = StateOf(*clone);
        EXPECT_EQ(static_cast<LONG>(2 | kSemiUserFile), copy.GetModeWord());
        EXPECT_EQ("ea", copy.GetExtraTextA().str());
        EXPECT_EQ("eb", copy.GetExtraTextB().str());
        EXPECT_EQ("y", copy.GetYAxisLabel().str());
        ASSERT_EQ(2, copy.Table().Points().GetSize());
        EXPECT_NE(copy.Table().Points().GetAt(0), StateOf(*wizard).Table().Points().GetAt(0));
        if (auto* diode = dynamic_cast<CDiodeWizard4*>(clone.get())) {
            EXPECT_EQ(nullptr, diode->GetPage());
        }
        if (auto* power = dynamic_cast<CSemiconductorWizardBase4*>(clone.get())) {
            EXPECT_EQ(nullptr, power->GetPage());
        }
        // The original's points can go; the clone keeps its own.
        LoadTable(StateOf(*wizard).Table(), TableBytes(1, "b.mdx", 0, {}, ""));
        EXPECT_EQ(2, copy.Table().Points().GetSize());
        EXPECT_EQ("a.mdx", copy.Table().GetFileName().str());
        wizard->EndEditProperties();
    }
}

TEST_F(PowerArchive, PageBlockStoresVersionAndConvertedFlag) {
    CPropSemiDiode diode;
    Bytes golden;
    NewClass(golden, "CPropSemiDiode");
    Dword(golden, 10);
    Dword(golden, 1);
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { diode.Serialize(ar); }));
    CPropSemiRest rest;
    Bytes restGolden;
    NewClass(restGolden, "CPropSemiRest");
    Dword(restGolden, 10);
    Dword(restGolden, 1);
    EXPECT_EQ(restGolden, Stored([&](CArchive& ar) { rest.Serialize(ar); }));
}

} // namespace
