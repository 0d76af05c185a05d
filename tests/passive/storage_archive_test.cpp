// Archive block of a capacitor in its second form, checked against bytes built by hand.
#include "storage_support.h"

using namespace storage_test;

namespace {

using StorageArchive = PassiveTest;

TEST_F(StorageArchive, SecondFormCapacitorHasTheExactBytes) {
    CCapacitorWizard4 wizard;
    const Bytes table1 = TableBytes(1, "", 0, {{0.0, 0.0}}, 1, "");
    const Bytes table2 = TableBytes(1, "Demo__C1.mdx", 1, {{0.0, 1e-6}, {10.0, 2e-6}}, 1, "", false);
    LoadTable(wizard.GetCharacteristic1(), table1);
    LoadTable(wizard.GetCharacteristic2(), TableBytes(1, "Demo__C1.mdx", 1, {{0.0, 1e-6}, {10.0, 2e-6}}, 1, ""));
    StoreCapState(wizard, 1, 1, 2 | kModeUserFile, {"q [C]", "v [V]", "v [V]", "C [F]"}, {"V0", "@CH"});
    wizard.SetXSecondText1("x1");
    wizard.SetYSecondText2("y2");

    // Schema, mode word, both kinds, the table-1 texts, table 1 (its class and the point class
    // new), table 2 (both classes as back-references), the two snapshots.
    Bytes golden;
    Word(golden, 0);
    Dword(golden, 2 | kModeUserFile);
    Dword(golden, 1);
    Dword(golden, 1);
    for (const char* text : {"q [C]", "v [V]", "x1", ""}) Str(golden, text);
    Append(golden, table1);
    Append(golden, table2);
    Dword(golden, 2);
    Append(golden, SnapshotBytes("V0"));
    Append(golden, SnapshotBytes("@CH", 0x8003));
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));

    CCapacitorWizard4 loaded;
    Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(2u | kModeUserFile, loaded.GetModeWord());
    EXPECT_EQ(2, loaded.GetCharacteristic2().Points().GetSize());
    EXPECT_EQ((std::vector<std::string>{"V0", "@CH"}), SnapshotNames(loaded.GetSnapshots()));
    EXPECT_EQ("", loaded.GetTableText(2, 3).str()) << "table-2 texts are not archived";
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));

    std::unique_ptr<CWizardBase4> clone(wizard.Clone());
    auto* copy = static_cast<CCapacitorWizard4*>(clone.get());
    EXPECT_EQ(nullptr, copy->GetPage());
    EXPECT_EQ("", copy->GetTableText(2, 0).str());
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { copy->Serialize(ar, eSheetVersion4); }));
}

} // namespace
