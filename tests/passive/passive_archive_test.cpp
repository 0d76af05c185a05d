// Archive blocks of the passive wizard bases, checked against bytes built by hand, and their
// copies.
#include "passive_support.h"

using namespace passive_test;

namespace {

// A capacitor/inductor base made concrete for the tests, with its texts reachable.
class TestCapAndInd : public CPassiveCapAndIndWizardBase4 {
public:
    TestCapAndInd() = default;
    explicit TestCapAndInd(const TestCapAndInd* other) : CPassiveCapAndIndWizardBase4(other) {}
    CWizardBase4* Clone() override { return new TestCapAndInd(this); }
    void Fill() {
        m_State.modeWord = 2 | kModeFileReference | kModeUserFile;
        m_State.kind = 0;
        CString* texts1[] = {&m_State.xAxisLabel, &m_State.yAxisLabel, &m_State.thirdText, &m_State.fourthText};
        for (int i = 0; i < 4; ++i) {
            *texts1[i] = CString("t1-") + CString(char('a' + i));
            m_strTexts2[i] = CString("t2-") + CString(char('a' + i));
        }
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetName("@CH");
        snapshot->SetType(0x4);
        m_State.snapshots.Add(snapshot);
    }
};

using PassiveArchive = PassiveTest;

TEST_F(PassiveArchive, LinearAndNonlinearResistorBlocksHaveTheExactBytes) {
    CResistorWizard4 linear;
    StoreState(linear, 0, 0, "v [V]", "i [A]", {"R"});
    Bytes golden = WizardHeader(0, 0, {"v [V]", "i [A]", "", ""});
    Append(golden, TableBytes(0, ".mdx", 0, {}, 1, ""));
    Dword(golden, 1);
    Append(golden, SnapshotBytes("R"));
    std::unique_ptr<CResistorWizard4> loaded;
    ExpectBlock(linear, golden, loaded);
    EXPECT_EQ("i [A]", loaded->GetYAxisLabel().str());
    EXPECT_EQ(std::vector<std::string>{"R"}, SnapshotNames(loaded->GetSnapshots()));

    const Bytes table = TableBytes(1, "Demo__R1.mdx", 1, {{0.0, 0.0}, {1.0, 0.001}}, 1, "");
    CResistorWizard4 nonlinear;
    LoadTable(nonlinear.GetCharacteristic(), table);
    StoreState(nonlinear, 1, 1 | kModeUserFile, "v [V]", "i [A]", {"@CH"});
    nonlinear.SetXSecondText("x2");
    nonlinear.SetYSecondText("y2");
    golden = WizardHeader(1 | kModeUserFile, 1, {"v [V]", "i [A]", "x2", "y2"});
    Append(golden, table);
    Dword(golden, 1);
    Append(golden, SnapshotBytes("@CH"));
    ExpectBlock(nonlinear, golden, loaded);
    EXPECT_EQ(1u | kModeUserFile, loaded->GetModeWord());
    EXPECT_EQ("y2", loaded->GetYSecondText().str());
    ASSERT_EQ(2, loaded->GetCharacteristic().Points().GetSize());
    EXPECT_EQ(0.001, static_cast<CDataPoint*>(loaded->GetCharacteristic().Points().GetAt(1))->y);
}

TEST_F(PassiveArchive, NewWizardStoresItsDefaultsAndOtherSheetVersionsCarryNothing) {
    CConductanceWizard4 fresh;
    std::unique_ptr<CConductanceWizard4> loaded = ExpectNewWizardBlock(fresh);
    EXPECT_TRUE(Stored([&](CArchive& ar) { fresh.Serialize(ar, eSheetVersion3); }).empty());
    Bytes golden = EmptyWizardBlock();
    Dword(golden, 0);
    Loaded(golden, [&](CArchive& ar) {
        loaded->Serialize(ar, eSheetVersion3);
        EXPECT_EQ(0u, ar.GetFile()->GetPosition());
    });
}

TEST_F(PassiveArchive, ForeignSchemaLeavesTheWizardAsItWasAndReloadingReplacesTheList) {
    CResistorWizard4 wizard;
    StoreState(wizard, 0, 1, "a", "b", {"@CH"});
    ExpectForeignSchemaKeepsAndReloadReplaces(wizard, 1, {"@CH"}, "R");
}

TEST_F(PassiveArchive, HostileSnapshotCountsAndTruncatedBlocksAreRefused) {
    ExpectHostileSnapshotCountsRefused<CResistorWizard4>("R");
}

TEST_F(PassiveArchive, ClonesOwnTheirSnapshotsAndPoints) {
    auto source = std::make_unique<CResistorWizard4>();
    LoadTable(source->GetCharacteristic(), TableBytes(1, "f.mdx", 0, {{1, 2}, {3, 4}}, 1, ""));
    StoreState(*source, 1, 1, "x", "y", {"@CH"});
    source->SetXSecondText("xs");

    std::unique_ptr<CWizardBase4> clone(source->Clone());
    ASSERT_NE(nullptr, clone);
    EXPECT_STREQ("CResistorWizard4", clone->GetRuntimeClass()->m_lpszClassName);
    const Bytes expected = Stored([&](CArchive& ar) { source->Serialize(ar, eSheetVersion4); });
    source.reset();
    auto* copy = static_cast<CResistorWizard4*>(clone.get());
    EXPECT_EQ("xs", copy->GetXSecondText().str());
    EXPECT_EQ(expected, Stored([&](CArchive& ar) { copy->Serialize(ar, eSheetVersion4); }));
}

TEST_F(PassiveArchive, CapacitorInductorBaseKeepsBothTablesAndClonesWithoutTableTwoTexts) {
    TestCapAndInd wizard;
    wizard.Fill();
    LoadTable(wizard.GetCharacteristic1(), TableBytes(1, "one.mdx", 0, {{1, 1}}, 0, "VAR1"));
    LoadTable(wizard.GetCharacteristic2(), TableBytes(1, "two.mdx", 1, {{2, 2}, {3, 3}}, 1, ""));

    std::unique_ptr<CWizardBase4> clone(wizard.Clone());
    auto* copy = static_cast<TestCapAndInd*>(clone.get());
    EXPECT_EQ(2u, PassiveFormOf(copy->GetModeWord()));
    EXPECT_EQ("t1-c", copy->GetTableText(1, 2).str());
    EXPECT_EQ("", copy->GetTableText(2, 0).str());
    EXPECT_EQ(2, copy->GetCharacteristic2().Points().GetSize());
    EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(copy->GetSnapshots()));

    // Schema, mode, both flags, the four table-1 texts, both tables, the snapshots.
    Bytes golden;
    Word(golden, 0);
    Dword(golden, 2 | kModeFileReference | kModeUserFile);
    Dword(golden, 0);
    Dword(golden, 1);
    for (const char* text : {"t1-a", "t1-b", "t1-c", "t1-d"}) Str(golden, text);
    Append(golden, TableBytes(1, "one.mdx", 0, {{1, 1}}, 0, "VAR1"));
    Append(golden, TableBytes(1, "two.mdx", 1, {{2, 2}, {3, 3}}, 1, "", false));
    Dword(golden, 1);
    Append(golden, SnapshotBytes("@CH"));
    std::unique_ptr<TestCapAndInd> loaded;
    ExpectBlock(wizard, golden, loaded);
    EXPECT_EQ(0u, loaded->GetLookUpFlag1());
    EXPECT_EQ("VAR1", loaded->GetCharacteristic1().GetVariableName().str());
}

} // namespace
