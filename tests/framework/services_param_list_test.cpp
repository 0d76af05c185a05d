#include "framework/param_list.h"

#include "framework/data_classes.h"
#include "services_support.h"

#include <gtest/gtest.h>

#include <memory>

using namespace services_test;

namespace {

// A snapshot list that owns its entries.
class Snapshots {
public:
    ~Snapshots() {
        for (int i = 0; i < list.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(list.GetAt(i));
    }
    CCopaObjectCompare* Add(const char* name, DWORD type = 0x4) {
        CCopaObjectCompare* s = Snapshot(name, type);
        list.Add(s);
        return s;
    }
    CPtrArray list;
};

struct ListCase {
    std::vector<std::pair<const char*, DWORD>> snapshots;
    DWORD modeWord;
    const char* expected;
};

TEST(ParamList, BuildsTheListForTheInputSnapshots) {
    const ListCase cases[] = {
        {{{"R", 0x4}, {"L", 0x4}}, 0, "[R := @R, L := @L ]"},
        {{{"F", 0x100004}}, 0, "[F := \"@F\" ]"},
        {{{"F", 0x100004}}, 0x4000, "[F := @F ]"},
        {{{"R", 0x4}, {"OUT", 0x8}}, 0, "[R := @R, ]"},
        {{{"R", 0x4}, {"", 0x4}}, 0, "[R := @R ]"},
        // An empty name with nothing before it has no comma to take away.
        {{{"", 0x4}}, 0, "[]"},
        {{{"OUT", 0x8}, {"", 0x4}}, 0, "[]"},
        {{{"R", 0x4}, {"", 0x4}, {"", 0x4}}, 0, "[R := @R ]"},
    };
    ParamHolder holder;
    for (const ListCase& c : cases) {
        Snapshots snapshots;
        for (const auto& [name, type] : c.snapshots) snapshots.Add(name, type);
        CString text("[@PARAMLIST]");
        BuildPinAssignmentList(text, &snapshots.list, c.modeWord, &holder, nullptr);
        EXPECT_EQ(CString(c.expected), text);
        EXPECT_EQ(0, g_PlaceholderList.GetSize());
    }
}

TEST(ParamList, PlaceholderSnapshotsOnAndOffPins) {
    ParamHolder holder;
    MakeParam(holder, 2016, "CH", "", 0x80000004u);
    MakeParam(holder, 2017, "K", "", 0x4);
    Snapshots snapshots;
    CCopaObjectCompare* onPin = snapshots.Add("@CH");
    snapshots.Add("@K");
    snapshots.Add("@AC_MAG");
    CCopaObjectCompare* pending = nullptr;
    CString text("X @PARAMLIST; @PARAMLIST");
    BuildPinAssignmentList(text, &snapshots.list, 0, &holder, &pending);
    EXPECT_EQ(CString("X CH := @CH, @K, @AC_MAG ; @PARAMLIST"), text);
    EXPECT_EQ(CString("CH"), onPin->GetName());
    ASSERT_EQ(2, g_PlaceholderList.GetSize());
    EXPECT_EQ(CString("@K"), g_PlaceholderList.GetEntry(0)->GetName());
    EXPECT_EQ(g_PlaceholderList.GetEntry(1), pending);
    EXPECT_EQ(CString("@AC_MAG"), pending->GetName());

    // A text without "@PARAMLIST" stays as it is; the pending entries are recorded anyway,
    // and the entries of the previous list are freed.
    CString plain("no list");
    BuildPinAssignmentList(plain, &snapshots.list, 0, &holder, nullptr);
    EXPECT_EQ(CString("no list"), plain);
    EXPECT_EQ(2, g_PlaceholderList.GetSize());
    EXPECT_TRUE(g_PlaceholderList.Discard(g_PlaceholderList.GetEntry(1)));
    EXPECT_FALSE(g_PlaceholderList.Discard(nullptr));
    g_PlaceholderList.DeleteAll();
    EXPECT_EQ(0, g_PlaceholderList.GetSize());
}

TEST(ParamList, ReplaceParamListInHolderOrder) {
    ParamHolder holder;
    MakeParam(holder, 3, "C", "3");
    MakeParam(holder, 1, "A", "1");
    MakeParam(holder, 2, "B", "B := 2*A");
    MakeParam(holder, 4, "D", "4", 0x4 | 0x2);
    CUIntArray ids;
    for (UINT id : {4u, 2u, 1u, 3u}) ids.Add(id);
    CWizardBase4 wizard;
    CString text("(@PARAMLIST)");
    EXPECT_EQ(CString("C := 3 ,A := 1 ,B := 2*A "), ReplaceParamList(&wizard, &holder, &ids, text, ","));
    EXPECT_EQ(CString("(C := 3 ,A := 1 ,B := 2*A )"), text);
    text = "@PARAMLIST";
    EXPECT_EQ(CString("3 ; 1 ; B := 2*A "), ReplaceParamList2(&wizard, &holder, &ids, text, "; "));
    text = "@PARAMLIST";
    EXPECT_EQ(CString(), ReplaceParamList(&wizard, &holder, nullptr, text, ","));
    EXPECT_EQ(CString("@PARAMLIST"), text);
}

class OlderBaseList : public ::testing::Test {
protected:
    void SetUp() override {
        CWizardCopaObject3* r = MakeParam(exchange, 1, "R", "2");
        r->SetQuantity("Resistance");
        r->SetUnit("Ohm");
        r->SetUsedUnit("kOhm");
        MakeParam(exchange, 2, "NAME", "abc", 0x100004);
        exchange.m_strModelText = "M @PARAMLIST;";
    }
    Bytes Block(DWORD modeWord, const std::vector<CCopaObjectCompare*>& snapshots, int lengthAdjust = 0) {
        const Bytes archive = ArchivedSnapshots(snapshots);
        Bytes block;
        Dword(block, modeWord);
        Dword(block, static_cast<DWORD>(snapshots.size()));
        Dword(block, static_cast<DWORD>(archive.size() + lengthAdjust));
        block.insert(block.end(), archive.begin(), archive.end());
        return block;
    }
    CWizardSchematicDataExchange3 exchange;
    CWizardBase3 wizard;
};

TEST_F(OlderBaseList, ValuesInTheirUsedUnits) {
    std::unique_ptr<CCopaObjectCompare> r(Snapshot("R"));
    std::unique_ptr<CCopaObjectCompare> name(Snapshot("NAME", 0x100004));
    SetWizardData(wizard, Block(0, {r.get(), name.get()}));
    BuildPinAssignmentList(&wizard, &exchange, nullptr);
    EXPECT_EQ(CString("M R := 2000, NAME := \"abc\" ;"), exchange.m_strModelText);
}

TEST_F(OlderBaseList, ParameterListsFillTheExchangeModelText) {
    CUIntArray ids;
    ids.Add(2);
    ids.Add(1);
    EXPECT_EQ(CString("R := 2 ; NAME := abc "), ReplaceParamList(&wizard, &exchange, &ids, "; "));
    EXPECT_EQ(CString("M R := 2 ; NAME := abc ;"), exchange.m_strModelText);
    exchange.m_strModelText = "@PARAMLIST";
    EXPECT_EQ(CString("2 abc "), ReplaceParamList2(&wizard, &exchange, &ids, ""));
    EXPECT_EQ(CString("2 abc "), exchange.m_strModelText);
}

TEST_F(OlderBaseList, ALengthBeyondTheBlockGivesAnEmptyList) {
    std::unique_ptr<CCopaObjectCompare> r(Snapshot("R"));
    SetWizardData(wizard, Block(0, {r.get()}, 1));
    BuildPinAssignmentList(&wizard, &exchange, nullptr);
    EXPECT_EQ(CString("M ;"), exchange.m_strModelText);
    // A block of three bytes has not even a mode word.
    SetWizardData(wizard, Bytes{1, 2, 3});
    EXPECT_EQ(0xFFFFFFFFu, ResetPlaceholdersAndGetModeWord(&wizard));
}

TEST_F(OlderBaseList, SnapshotReaderKeepsWhatWasReadBeforeBadData) {
    std::unique_ptr<CCopaObjectCompare> a(Snapshot("A"));
    std::unique_ptr<CCopaObjectCompare> b(Snapshot("B"));
    const Bytes archive = ArchivedSnapshots({a.get(), b.get()});
    Bytes block;
    Dword(block, 0x4000);
    Dword(block, 5);  // five promised, two stored, the second one cut short
    block.insert(block.end(), archive.begin(), archive.end() - 3);
    SetWizardData(wizard, block);
    EXPECT_EQ(0x4000u, ResetPlaceholdersAndGetModeWord(&wizard));
    std::unique_ptr<CPtrArray> read(ReadSnapshotListFromWizardData(&wizard));
    ASSERT_EQ(1, read->GetSize());
    EXPECT_EQ(CString("A"), static_cast<CCopaObjectCompare*>(read->GetAt(0))->GetName());
    delete static_cast<CCopaObjectCompare*>(read->GetAt(0));
}

} // namespace
