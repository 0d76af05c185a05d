// Archive blocks of the passive wizard bases, checked against bytes built by hand, and their
// copies.
#include "passive_support.h"

using namespace passive_test;

namespace {

struct Point {
    double x;
    double y;
};

// The characteristic table's stream as the first thing written into an archive (its class
// gets index 1, the point class index 2).
Bytes TableBytes(DWORD kind, const std::string& reference, const std::string& file, DWORD writeFile,
                 const std::vector<Point>& points, DWORD source, const std::string& variable) {
    Bytes out;
    NewClass(out, "CPropCharacteristicXYTable");
    Dword(out, 10);
    Dword(out, kind);
    Str(out, reference);
    Str(out, file);
    Dword(out, writeFile);
    Dword(out, static_cast<DWORD>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0)
            NewClass(out, "CDataPoint");
        else
            Word(out, 0x8002);
        Dword(out, 10);
        Double(out, points[i].x);
        Double(out, points[i].y);
    }
    Dword(out, source);
    Str(out, variable);
    return out;
}

Bytes SnapshotBytes(const std::string& name, DWORD type, DWORD extType) {
    Bytes out;
    NewClass(out, "CCopaObjectCompare");
    Dword(out, 10);
    Str(out, name);
    Dword(out, type);
    Dword(out, extType);
    return out;
}

Bytes WizardHeader(DWORD mode, DWORD lookUp, const std::vector<std::string>& texts) {
    Bytes out;
    Word(out, 0);
    Dword(out, mode);
    Dword(out, lookUp);
    for (const std::string& text : texts) Str(out, text);
    return out;
}

CPtrArray* OneSnapshot(CPtrArray& list, const char* name, DWORD type) {
    auto* snapshot = new CCopaObjectCompare;
    snapshot->SetName(name);
    snapshot->SetType(type);
    list.Add(snapshot);
    return &list;
}

void LoadTable(CPropCharacteristicXYTable& table, const Bytes& bytes) {
    table.SetData(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_TRUE(table.LoadFromData());
    table.SetData(nullptr, 0);
}

// A capacitor/inductor base made concrete for the tests, with its texts reachable.
class TestCapAndInd : public CPassiveCapAndIndWizardBase4 {
public:
    TestCapAndInd() = default;
    explicit TestCapAndInd(const TestCapAndInd* other) : CPassiveCapAndIndWizardBase4(other) {}
    CWizardBase4* Clone() override { return new TestCapAndInd(this); }
    void Fill() {
        m_dwModeWord = 2 | kModeFileReference | kModeUserFile;
        m_dwLookUp1 = 0;
        m_dwLookUp2 = 1;
        for (int i = 0; i < 4; ++i) {
            m_strTexts1[i] = CString("t1-") + CString(char('a' + i));
            m_strTexts2[i] = CString("t2-") + CString(char('a' + i));
        }
        CPtrArray list;
        OneSnapshot(list, "@CH", 4);
        qv::passive::CopySnapshots(m_Snapshots, &list);
        qv::passive::DeleteSnapshots(list);
    }
};

using PassiveArchive = PassiveTest;

TEST_F(PassiveArchive, LinearResistorBlockHasTheExactBytes) {
    CResistorWizard4 wizard;
    CPtrArray list;
    wizard.StoreModeAndCompareList(0, 0, "v [V]", "i [A]", OneSnapshot(list, "R", 0x4));
    qv::passive::DeleteSnapshots(list);

    Bytes golden = WizardHeader(0, 0, {"v [V]", "i [A]", "", ""});
    Append(golden, TableBytes(0, "", ".mdx", 0, {}, 1, ""));
    Dword(golden, 1);
    Append(golden, SnapshotBytes("R", 0x4, 0));

    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));

    CResistorWizard4 loaded;
    Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(0u, loaded.GetModeWord());
    EXPECT_EQ(0u, loaded.GetLookUpFlag());
    EXPECT_EQ("i [A]", loaded.GetYAxisLabel().str());
    EXPECT_EQ(std::vector<std::string>{"R"}, SnapshotNames(loaded.GetSnapshots()));
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));
}

TEST_F(PassiveArchive, NonlinearResistorBlockCarriesTableAndPoints) {
    const Bytes table = TableBytes(1, "", "Demo__R1.mdx", 1, {{0.0, 0.0}, {1.0, 0.001}}, 1, "");
    Bytes golden = WizardHeader(1 | kModeUserFile, 1, {"v [V]", "i [A]", "x2", "y2"});
    Append(golden, table);
    Dword(golden, 1);
    Append(golden, SnapshotBytes("@CH", 0x4, 0));

    CResistorWizard4 wizard;
    LoadTable(wizard.GetCharacteristic(), table);
    CPtrArray list;
    wizard.StoreModeAndCompareList(1, 1 | kModeUserFile, "v [V]", "i [A]", OneSnapshot(list, "@CH", 0x4));
    qv::passive::DeleteSnapshots(list);
    wizard.SetXSecondText("x2");
    wizard.SetYSecondText("y2");
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));

    CResistorWizard4 loaded;
    Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1u | kModeUserFile, loaded.GetModeWord());
    EXPECT_EQ("y2", loaded.GetYSecondText().str());
    ASSERT_EQ(2, loaded.GetCharacteristic().Points().GetSize());
    EXPECT_EQ(0.001, static_cast<CDataPoint*>(loaded.GetCharacteristic().Points().GetAt(1))->y);
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));
}

TEST_F(PassiveArchive, NewWizardRoundTripsItsDefaultsAndOtherSheetVersionsCarryNothing) {
    CConductanceWizard4 fresh;
    EXPECT_EQ(3, fresh.GetWizardKind());
    const Bytes bytes = Stored([&](CArchive& ar) { fresh.Serialize(ar, eSheetVersion4); });
    Bytes golden = WizardHeader(0, 1, {"", "", "", ""});
    Append(golden, TableBytes(0, "", ".mdx", 0, {}, 1, ""));
    Dword(golden, 0);
    EXPECT_EQ(golden, bytes);

    EXPECT_TRUE(Stored([&](CArchive& ar) { fresh.Serialize(ar, eSheetVersion3); }).empty());
    CResistorWizard4 untouched;
    Loaded(golden, [&](CArchive& ar) {
        untouched.Serialize(ar, eSheetVersion3);
        EXPECT_EQ(0u, ar.GetFile()->GetPosition());
    });
}

TEST_F(PassiveArchive, ForeignSchemaLeavesTheWizardAsItWasAndReloadingReplacesTheList) {
    CResistorWizard4 wizard;
    CPtrArray list;
    wizard.StoreModeAndCompareList(0, 1, "a", "b", OneSnapshot(list, "@CH", 4));
    qv::passive::DeleteSnapshots(list);

    Bytes foreign;
    Word(foreign, 1);
    Dword(foreign, 0xDEADBEEF);
    Loaded(foreign, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1, wizard.GetSchema());
    EXPECT_EQ(1u, wizard.GetModeWord());
    EXPECT_EQ("a", wizard.GetXAxisLabel().str());
    EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(wizard.GetSnapshots()));

    // A proper block loaded into a wizard that holds snapshots replaces them.
    Bytes block = WizardHeader(0, 1, {"", "", "", ""});
    Append(block, TableBytes(0, "", ".mdx", 0, {}, 1, ""));
    Dword(block, 1);
    Append(block, SnapshotBytes("R", 4, 0));
    Loaded(block, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(std::vector<std::string>{"R"}, SnapshotNames(wizard.GetSnapshots()));
}

TEST_F(PassiveArchive, HostileSnapshotCountsAndTruncatedBlocksAreRefused) {
    Bytes block = WizardHeader(0, 1, {"", "", "", ""});
    Append(block, TableBytes(0, "", ".mdx", 0, {}, 1, ""));
    Bytes huge = block;
    Dword(huge, 0xFFFFFFFF);
    CResistorWizard4 wizard;
    try {
        Loaded(huge, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
        ADD_FAILURE() << "a count beyond any list is refused";
    } catch (CArchiveException* e) {
        EXPECT_EQ(CArchiveException::badIndex, e->m_cause);
        e->Delete();
    }

    Bytes cut = block;
    Dword(cut, 2);
    Append(cut, SnapshotBytes("R", 4, 0));
    cut.resize(cut.size() - 3);
    try {
        Loaded(cut, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
        ADD_FAILURE() << "a block that ends early must raise";
    } catch (CArchiveException* e) {
        e->Delete();
    }
}

TEST_F(PassiveArchive, ClonesOwnTheirSnapshotsAndPoints) {
    auto source = std::make_unique<CResistorWizard4>();
    LoadTable(source->GetCharacteristic(), TableBytes(1, "", "f.mdx", 0, {{1, 2}, {3, 4}}, 1, ""));
    CPtrArray list;
    source->StoreModeAndCompareList(1, 1, "x", "y", OneSnapshot(list, "@CH", 4));
    qv::passive::DeleteSnapshots(list);
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
    LoadTable(wizard.GetCharacteristic1(), TableBytes(1, "", "one.mdx", 0, {{1, 1}}, 0, "VAR1"));
    LoadTable(wizard.GetCharacteristic2(), TableBytes(1, "", "two.mdx", 1, {{2, 2}, {3, 3}}, 1, ""));

    std::unique_ptr<CWizardBase4> clone(wizard.Clone());
    auto* copy = static_cast<TestCapAndInd*>(clone.get());
    EXPECT_EQ(2u | kModeFileReference | kModeUserFile, copy->GetModeWord());
    EXPECT_EQ(2u, PassiveFormOf(copy->GetModeWord()));
    EXPECT_EQ("t1-c", copy->GetTableText(1, 2).str());
    EXPECT_EQ("", copy->GetTableText(2, 0).str());
    EXPECT_EQ(2, copy->GetCharacteristic2().Points().GetSize());
    EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(copy->GetSnapshots()));

    // Block: schema, mode, both flags, the four table-1 texts, both tables, the snapshots.
    Bytes golden;
    Word(golden, 0);
    Dword(golden, 2 | kModeFileReference | kModeUserFile);
    Dword(golden, 0);
    Dword(golden, 1);
    for (const char* text : {"t1-a", "t1-b", "t1-c", "t1-d"}) Str(golden, text);
    Append(golden, TableBytes(1, "", "one.mdx", 0, {{1, 1}}, 0, "VAR1"));
    // The second table's class and the point class are back-references now (indexes 1, 2).
    Word(golden, 0x8001);
    Dword(golden, 10);
    Dword(golden, 1);
    Str(golden, "");
    Str(golden, "two.mdx");
    Dword(golden, 1);
    Dword(golden, 2);
    for (double v : {2.0, 3.0}) {
        Word(golden, 0x8002);
        Dword(golden, 10);
        Double(golden, v);
        Double(golden, v);
    }
    Dword(golden, 1);
    Str(golden, "");
    Dword(golden, 1);
    Append(golden, SnapshotBytes("@CH", 4, 0));
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));

    TestCapAndInd loaded;
    Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(0u, loaded.GetLookUpFlag1());
    EXPECT_EQ("VAR1", loaded.GetCharacteristic1().GetVariableName().str());
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));
}

} // namespace
