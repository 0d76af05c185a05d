// Archive blocks of the controlled sources and of their page, checked against bytes built by
// hand, their copies, and the conversion of older element data.
#include "controlled_support.h"

#include "framework/requests.h"

using namespace sources_test;

namespace {

using SourcesArchive = PassiveTest;

TEST_F(SourcesArchive, WizardBlocksHaveTheExactBytes) {
    CNonlinearVoltageSourceWizard4 fresh;
    ExpectNewWizardBlock(fresh);

    const Bytes table = TableBytes(1, "Demo__I1.mdx", 1, {{0.0, 0.0}, {1.0, 2.5}}, 1, "");
    CNonlinearCurrentSourceWizard4 wizard;
    LoadTable(wizard.GetCharacteristic(), table);
    Store(wizard, 1, 3 | kModeUserFile, "i [A]", "Is [A]", {"QUANT", "@CH"});
    wizard.SetThirdText("third");
    wizard.SetFourthText("fourth");
    Bytes golden = WizardHeader(3 | kModeUserFile, 1, {"i [A]", "Is [A]", "third", "fourth"});
    Append(golden, table);
    Dword(golden, 2);
    Append(golden, SnapshotBytes("QUANT"));
    // The second snapshot refers back to its class, index 3 after the table's two classes.
    Append(golden, SnapshotBytes("@CH", 0x8003));
    std::unique_ptr<CNonlinearCurrentSourceWizard4> loaded;
    ExpectBlock(wizard, golden, loaded);
    EXPECT_EQ(3u | kModeUserFile, loaded->GetModeWord());
    EXPECT_EQ("fourth", loaded->GetFourthText().str());
    EXPECT_EQ((std::vector<std::string>{"QUANT", "@CH"}), SnapshotNames(loaded->GetSnapshots()));
    ASSERT_EQ(2, loaded->GetCharacteristic().Points().GetSize());

    // Other sheet versions carry no wizard data.
    EXPECT_TRUE(Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion3); }).empty());
}

TEST_F(SourcesArchive, ForeignSchemaKeepsTheWizardAndReloadingReplacesTheList) {
    CNonlinearVoltageSourceWizard4 wizard;
    Store(wizard, 0, 1, "a", "b", {"QUANT", "FACT"});
    ExpectForeignSchemaKeepsAndReloadReplaces(wizard, 2, {"QUANT", "FACT"}, "QUANT");
}

TEST_F(SourcesArchive, HostileCountsAndTruncatedBlocksAreRefused) {
    ExpectHostileSnapshotCountsRefused<CNonlinearCurrentSourceWizard4>("QUANT");
}

TEST_F(SourcesArchive, ClonesCopyEverythingButThePage) {
    auto source = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1");
    LoadTable(source->GetCharacteristic(), TableBytes(1, "f.mdx", 0, {{1, 2}, {3, 4}}, 1, ""));
    Store(*source, 1, 2, "x", "y", {"QUANT", "@CH"});
    source->SetThirdText("t3");
    OpenPage<CNonlinearCurrentSourceWizard4> open(*source);
    ASSERT_NE(nullptr, source->GetPage());

    std::unique_ptr<CWizardBase4> clone(source->Clone());
    ASSERT_NE(nullptr, clone);
    EXPECT_STREQ("CNonlinearCurrentSourceWizard4", clone->GetRuntimeClass()->m_lpszClassName);
    auto* copy = static_cast<CNonlinearCurrentSourceWizard4*>(clone.get());
    EXPECT_EQ(nullptr, copy->GetPage());
    EXPECT_EQ("t3", copy->GetThirdText().str());
    EXPECT_EQ(Stored([&](CArchive& ar) { source->Serialize(ar, eSheetVersion4); }),
              Stored([&](CArchive& ar) { copy->Serialize(ar, eSheetVersion4); }));
}

// ---------------------------------------------------------------------------------------
// The page block and older element data.

Bytes PageBlock(DWORD version, DWORD kind, bool withClassRecord = true) {
    Bytes out;
    if (withClassRecord) NewClass(out, "CPropNonlinearSource");
    Dword(out, version);
    Dword(out, kind);
    if (version >= 4) Dword(out, 1);
    return out;
}

TEST_F(SourcesArchive, PageBlockHasTheExactBytes) {
    CPropNonlinearSource page;
    Bytes golden;
    NewClass(golden, "CPropNonlinearSource");
    Dword(golden, 10);
    Dword(golden, 1);
    Dword(golden, 1);
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { page.Serialize(ar); }));
    EXPECT_EQ(20u, std::string("CPropNonlinearSource").size());
}

// Page data older than version 4 carries no upgraded flag: loading it marks the
// characteristic parameters the form uses, never changing a value.
TEST_F(SourcesArchive, OlderPageBlocksUpgradeTheMarksOnly) {
    Bytes bare;
    Dword(bare, 1);
    struct Case {
        const char* what;
        DWORD mode;
        Bytes block;
        bool onPin;
        bool unusedCh, unusedFile, unusedVariable;
        size_t commits;
        DWORD kind;
    };
    const Case cases[] = {
        {"version 3, data pairs", 2, PageBlock(3, 1), false, true, false, true, 1, 1},
        {"version 3, file reference", 3 | kModeFileReference, PageBlock(3, 1), false, true, true, false, 1, 1},
        {"version 3, reference", 2, PageBlock(3, 0), false, false, true, true, 0, 0},
        {"version 3, on a pin", 3, PageBlock(3, 1), true, false, false, false, 0, 0},
        {"version 3, factor form", 0, PageBlock(3, 1), false, false, false, false, 0, 1},
        {"version 10", 2, PageBlock(10, 1), false, false, false, false, 0, 1},
        {"no class record", 2, bare, false, true, false, true, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor->ClearRequests();
        DWORD element = 0;
        auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1", &element);
        const RequestTarget target(wizard.get());
        const DWORD_PTR cookie = FetchParamSet(target);
        ParamHolder* holder = HolderFromCookie(cookie);
        Param(holder, 2016)->SetValue("keep-ch");
        Param(holder, 1006)->SetValue("keep-file");
        Param(holder, 2016)->UsePin(c.onPin);
        {
            CPropNonlinearSourceV page(wizard.get(), holder);
            page.SetWizardSettings(1, c.mode, "", "", nullptr);
            Loaded(c.block, [&](CArchive& ar) { page.Serialize(ar); });
            EXPECT_EQ(1u, page.GetUpgradedFlag());
            EXPECT_EQ(c.kind, page.GetKind());
        }
        EXPECT_EQ(c.unusedCh, Unused(holder, 2016));
        EXPECT_EQ(c.unusedFile, Unused(holder, 1006));
        EXPECT_EQ(c.unusedVariable, Unused(holder, 1007));
        EXPECT_EQ(c.commits, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        EXPECT_EQ("keep-ch", Param(holder, 2016)->GetValue().str());
        EXPECT_EQ("keep-file", Param(holder, 1006)->GetValue().str());
        ReleaseParamSet(target, cookie);
    }
}

TEST_F(SourcesArchive, FullOlderDataGivesSnapshotsTableAndTexts) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearCurrentSourceWizard4>(kCurrentRows, "I1", &element);
    Bytes old = Dwords({3 | kModeFileReference, 2});
    Block(old, ArchivedSnapshots({"QUANT", "@CH"}));
    Block(old, PageBlock(10, 1));
    Block(old, TableBytes(1, "old.mdx", 0, {}, 0, "OLDVAR"));
    Block(old, PointBlock({"ctrl [V]", "out [V]", "t3", "t4"}));
    ASSERT_TRUE(ConvertOlder(*wizard, old));

    EXPECT_EQ(3u | kModeFileReference, wizard->GetModeWord());
    EXPECT_EQ(1u, wizard->GetKind());
    EXPECT_EQ((std::vector<std::string>{"QUANT", "@CH"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ("ctrl [V]", wizard->GetXAxisLabel().str());
    EXPECT_EQ("out [V]", wizard->GetYAxisLabel().str());
    EXPECT_EQ("t3", wizard->GetThirdText().str());
    EXPECT_EQ("t4", wizard->GetFourthText().str());
    EXPECT_EQ("OLDVAR", wizard->GetCharacteristic().GetVariableName().str());
    EXPECT_EQ(nullptr, wizard->GetCharacteristic().GetDataBlock()) << "the converted block is dropped again";
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Unused(holder, 1006));
    EXPECT_FALSE(Unused(holder, 1007));
    EXPECT_TRUE(Unused(holder, 2010));
    EXPECT_EQ(0, editor->OutstandingCookies());
}

TEST_F(SourcesArchive, BrokenOlderDataIsReadOnlyAsFarAsItFits) {
    struct Case {
        const char* what;
        Bytes data;
        DWORD mode;
        std::vector<std::string> snapshots;
        const char* xLabel;
    };
    std::vector<Case> cases;
    {
        Bytes four;
        Dword(four, 4);
        cases.push_back({"only a mode word", four, 4, {}, ""});
    }
    {
        Bytes stray;
        Dword(stray, 1);
        stray.push_back(0x7F);
        stray.push_back(0x01);
        cases.push_back({"a partial count", stray, 1, {}, ""});
    }
    {
        // L3 reaches past the end: the parse ends there, the snapshots before it stay and the
        // point block after it is not looked for.
        Bytes past = Dwords({1, 1});
        Block(past, ArchivedSnapshots({"QUANT"}));
        Block(past, PageBlock(10, 1));
        Dword(past, 1000);
        Append(past, PointBlock({"ctrl [V]", "out [V]", "t3", "t4"}));
        cases.push_back({"L3 past the end", past, 1, {"QUANT"}, ""});
    }
    {
        // A length that would wrap a 32-bit position around.
        Bytes wrap = Dwords({0, 1, 0xFFFFFFFC});
        Append(wrap, ArchivedSnapshots({"QUANT"}));
        cases.push_back({"a wrapping L1", wrap, 0, {}, ""});
    }
    {
        Bytes hugeCount = Dwords({0, 0xFFFFFFFF});
        Block(hugeCount, ArchivedSnapshots({"QUANT"}));
        cases.push_back({"a snapshot count beyond any list", hugeCount, 0, {}, ""});
    }
    {
        Bytes cut = CutSnapshotsData({"QUANT", "FACT"});
        Block(cut, PageBlock(10, 1));
        Dword(cut, 0);
        Block(cut, PointBlock({"ctrl [V]", "out [V]", "t3", "t4"}));
        cases.push_back({"a snapshot block cut short", cut, 0, {"QUANT"}, "ctrl [V]"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = NewWizard<CNonlinearVoltageSourceWizard4>(kVoltageRows, "E1");
        Store(*wizard, 1, 2, "before", "", {"SPC"});
        ASSERT_TRUE(ConvertOlder(*wizard, c.data));
        EXPECT_EQ(c.mode, PassiveFormOf(wizard->GetModeWord()));
        EXPECT_EQ(c.snapshots, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(c.xLabel, wizard->GetXAxisLabel().str());
        EXPECT_EQ(0, editor->OutstandingCookies());
    }
}

} // namespace
