// The capacitor/inductor page driven as a user drives it, its stored state, and the
// conversion of older element data through the wizards.
#include "storage_support.h"

#include "framework/param_access.h"

using namespace storage_test;

namespace {

using StoragePage = PassiveTest;

// Which controls each variant shows, with and without a characteristic.
struct LayoutCase {
    const char* what;
    bool inductor;
    bool characteristic;
    std::vector<int> shown;
    std::vector<int> hidden;
};

TEST_F(StoragePage, VariantLayouts) {
    const LayoutCase cases[] = {
        {"capacitor without characteristic", false, false, {2144, 2091, 2018}, {2027, 2092, 2089, 2093, 2098, 2377, 2378, 2100, 2104, 2473}},
        {"capacitor with characteristic", false, true, {2027, 2092, 2089, 2093, 2098, 2091}, {2144, 2377, 2378, 2104}},
        {"inductor without characteristic", true, false, {2144, 2100, 2104, 2099, 2103}, {2027, 2092, 2377, 2378, 2473}},
        {"inductor with characteristic", true, true, {2027, 2092, 2089, 2377, 2378}, {2144, 2100, 2104}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ParamRow> rows = c.inductor ? kInductorRows : kCapacitorRows;
        if (!c.characteristic) rows = WithoutCharacteristic(rows);
        // Both elements open alike; each shows captions of its own.
        using Captions = std::vector<std::pair<int, const char*>>;
        auto expectOpened = [&](auto wizard, const Captions& captions) {
            wizard->Initialize(0);
            OpenPage open(*wizard);
            CWnd* page = open.Page();
            for (int id : c.shown) EXPECT_TRUE(Visible(page, id)) << id;
            for (int id : c.hidden) EXPECT_FALSE(Visible(page, id)) << id;
            for (const auto& [id, caption] : captions) EXPECT_EQ(caption, Text(page, id)) << id;
        };
        if (c.inductor && c.characteristic)
            expectOpened(NewWizard<CInductorWizard4>(rows, "L1"),
                         {{2092, "Nonlinear\ni = f(psi)"}, {2089, "Nonlinear\nL = f(i)"}});
        else if (c.inductor)
            expectOpened(NewWizard<CInductorWizard4>(rows, "L1"), {{2144, "Inductance [H]"}});
        else if (c.characteristic)
            expectOpened(NewWizard<CCapacitorWizard4>(rows, "C1"),
                         {{2092, "Nonlinear\nv = f(q)"}, {2089, "Nonlinear\nC = f(v)"}, {2027, "Capacitance [F]"}});
        else
            expectOpened(NewWizard<CCapacitorWizard4>(rows, "C1"), {});
    }
}

TEST_F(StoragePage, InitialValueTickGivesZeroAndUntickedApplyEmptiesIt) {
    DWORD element = 0;
    auto rows = kCapacitorRows;
    for (ParamRow& row : rows)
        if (row.id == 2096) row.value = "";
    auto [wizard, open, page] = OpenedWizard(NewWizard<CCapacitorWizard4>(rows, "C1", &element));
    EXPECT_FALSE(Enabled(page, 2096));
    ASSERT_TRUE(qv::ui::Click(page, 2513));
    EXPECT_EQ("0", Text(page, 2096));
    EXPECT_TRUE(Enabled(page, 2096));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2096), "5"));
    // The initial value's pin box does not keep its value from being written.
    ASSERT_TRUE(qv::ui::Click(page, 2097));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("5", Param(editor->Holder(element), 2096)->GetValue().str());

    ASSERT_TRUE(qv::ui::Click(page, 2513));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("", Param(editor->Holder(element), 2096)->GetValue().str());
    // Left on a pin, the unticked initial value is still the element's.
    EXPECT_EQ((std::vector<std::string>{"C", "V0"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(StoragePage, UnitsAreTakenEvenWhenTheValueIsOnAPin) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2090));
    ASSERT_TRUE(qv::ui::ChooseEntry(static_cast<CComboBox*>(page->GetDlgItem(2507)), "uF"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("uF", Param(editor->Holder(element), 2028)->GetUsedUnit().str());
    EXPECT_EQ("1u", Param(editor->Holder(element), 2028)->GetValue().str()) << "a value on a pin is not written";
}

// Element names and the snapshots of the linear capacitor.
struct NameCase {
    const char* name;
    std::vector<std::string> snapshots;
};

TEST_F(StoragePage, LinearCapacitorListsByElementName) {
    const NameCase cases[] = {
        {"C1", {"C", "V0"}},           {"CNL1", {"C", "V0"}},         {"CVNL1", {"C", "V0"}},
        {"MASS1", {"C", "V0", "S0"}},  {"XY1", {"C", "V0", "BULK"}},  {"AB1", {"C", "V0", "S0"}},  {"S1", {"C", "V0", "S0"}},
        {"", {"C", "V0", "BULK"}},     {"C12", {"C", "V0", "BULK"}},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ParamRow> rows = WithoutCharacteristic(kCapacitorRows);
        rows.push_back({.id = 2100, .name = "S0", .value = "", .type = 0x4});
        rows.push_back({.id = 2104, .name = "BULK", .value = "", .type = 0x4});
        auto wizard = NewWizard<CCapacitorWizard4>(rows, c.name);
        ASSERT_TRUE(wizard->Initialize(0));
        EXPECT_EQ(c.snapshots, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(0u, wizard->GetModeWord());
    }
}

TEST_F(StoragePage, OlderDefinitionsChooseTheFormByParameter1000) {
    struct Case {
        const char* value;
        DWORD form;
        DWORD kind1;
        DWORD kind2;
        std::vector<std::string> snapshots;
    };
    const Case cases[] = {
        {"0", 1, 0, 1, {"I0", "CH"}},
        {"1", 2, 1, 0, {"I0", "CH"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::vector<ParamRow> rows = kInductorRows;
        rows.push_back({.id = 1000, .name = "FORM", .value = c.value, .type = 0x4});
        auto wizard = NewWizard<CInductorWizard4>(rows, "L1");
        ASSERT_TRUE(wizard->Initialize(0));
        EXPECT_EQ(c.form, wizard->GetModeWord());
        EXPECT_EQ(c.kind1, wizard->GetLookUpFlag1());
        EXPECT_EQ(c.kind2, wizard->GetLookUpFlag2());
        EXPECT_EQ(c.snapshots, SnapshotNames(wizard->GetSnapshots()));
    }
}

TEST_F(StoragePage, ModeFlagsComeFromTheActiveTableOnly) {
    DWORD element = 0;
    auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1", &element);
    wizard->Initialize(0);
    // Table 1 holds data pairs; table 2 is a File Reference with a user file.
    LoadTable(wizard->GetCharacteristic1(), TableBytes(1, "", 0, {{0, 0}, {1, 1}}, 1, ""));
    LoadTable(wizard->GetCharacteristic2(), TableBytes(1, "u.mdx", 1, {}, 0, "TAB2"));
    Param(editor->Holder(element), 1007)->SetValue("TAB2");  // the variable the element names
    OpenPage<CCapacitorWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2092));
    EXPECT_TRUE(Enabled(page, 2093));
    EXPECT_FALSE(Enabled(page, 2098));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, wizard->GetModeWord());
    EXPECT_EQ((std::vector<std::string>{"V0", "@CH"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ("Demo__C1.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ(1, editor->Holder(element)->m_bySymbolVariant);

    ASSERT_TRUE(qv::ui::Click(page, 2089));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(2u | kModeFileReference | kModeUserFile, wizard->GetModeWord());
    EXPECT_EQ("q [C]", wizard->GetTableText(1, 0).str());
    EXPECT_EQ("C [F]", wizard->GetTableText(2, 1).str());
    // Leaving the page marks what the second form does not use.
    open.Page()->UpdateModeParameters();
    ParamHolder* holder = editor->Holder(element);
    for (WORD id : {2056, 1129, 1130, 1131, 1006, 2016}) EXPECT_TRUE(Unused(holder, id)) << id;
    for (WORD id : {1007, 2096, 2007}) EXPECT_FALSE(Unused(holder, id)) << id;

    ASSERT_TRUE(qv::ui::Click(page, 2027));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetModeWord());
    EXPECT_EQ(0, editor->Holder(element)->m_bySymbolVariant);
}

TEST_F(StoragePage, FormSwitchesKeepEachCharacteristicsTexts) {
    DWORD element = 0;
    auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1", &element);
    ParamHolder* holder = editor->Holder(element);
    // Characteristic 1 is a reference to another element; table 2 refers to "REF2".
    StoreCapState(*wizard, 0, 0, 1, {"q [C]", "v [V]", "v [V]", "C [F]"}, {"V0", "CH"});
    Param(holder, 2016)->SetValue("REF1");
    wizard->GetCharacteristic2().SetReference("REF2");
    OpenPage<CCapacitorWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_EQ("REF1", open.Page()->GetText(1, 0).str());
    EXPECT_EQ("REF2", open.Page()->GetText(2, 0).str());

    const struct {
        int radio;
        const char* expected;
    } steps[] = {{2089, "REF2"}, {2092, "REF1"}, {2089, "REF2"}};
    for (const auto& step : steps) {
        ASSERT_TRUE(qv::ui::Click(page, step.radio));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(step.expected, Param(holder, 2016)->GetValue().str()) << step.radio;
    }
    EXPECT_EQ((std::vector<std::string>{"V0", "CH"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(StoragePage, InductorSecondFormMarksItsOutputsUnused) {
    DWORD element = 0;
    auto wizard = NewWizard<CInductorWizard4>(kInductorRows, "L1", &element);
    wizard->Initialize(0);
    OpenPage<CInductorWizard4> open(*wizard);
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2089));
    open.Page()->UpdateModeParameters();
    EXPECT_TRUE(Unused(editor->Holder(element), 2056));
    EXPECT_TRUE(Unused(editor->Holder(element), 1005));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2092));
    open.Page()->UpdateModeParameters();
    EXPECT_FALSE(Unused(editor->Holder(element), 2056));
    EXPECT_FALSE(Unused(editor->Holder(element), 1005));
}

// ---------------------------------------------------------------------------------------
// The page block.

Bytes PageBlock(DWORD version, DWORD form, const std::vector<std::string>& texts, DWORD kind1, DWORD kind2,
                DWORD converted, bool withConverted = true) {
    Bytes out;
    NewClass(out, "CPropPassiveCapAndInd");
    Dword(out, version);
    Dword(out, form);
    for (const std::string& text : texts) Str(out, text);
    Dword(out, kind1);
    Dword(out, kind2);
    if (withConverted) Dword(out, converted);
    return out;
}

struct BlockCase {
    DWORD form;
    std::vector<std::string> texts;
};

TEST_F(StoragePage, PageBlockHoldsTheInactiveTextsOnly) {
    const BlockCase cases[] = {
        {0, {"r1", "v1", "f1", "r2", "v2", "f2"}},
        {1, {"r2", "v2", "f2"}},
        {2, {"r1", "v1", "f1"}},
        {5, {}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.form);
        const Bytes golden = PageBlock(10, c.form, c.texts, 0, 1, 1);
        CPropPassiveCapacitance page(nullptr, nullptr);
        page.LoadFromWizard(1, 1, c.form, "", "", "", "", nullptr);
        Loaded(golden, [&](CArchive& ar) { page.Serialize(ar); });
        EXPECT_EQ(0u, page.GetKind(1));
        EXPECT_EQ(1u, page.GetConverted());
        EXPECT_EQ(golden, Stored([&](CArchive& ar) { page.Serialize(ar); }));
    }
}

TEST_F(StoragePage, TruncatedPageBlocksLeaveAStorablePage) {
    const std::vector<std::string> texts = {"r1", "v1", "f1", "r2", "v2", "f2"};
    const Bytes block = PageBlock(10, 0, texts, 0, 2, 1);
    // From each cut on (until the next row's), the fields the page keeps. A cut inside the class
    // record reads the block again as one without it: its first DWORD is a form of no text,
    // the next two are the kinds. From byte 35 on, every whole text (3 bytes) survives.
    struct Cut {
        size_t from;
        DWORD kind1;
        DWORD kind2;
    };
    const Cut cuts[] = {
        {0, 1, 1}, {8, 0x50430015, 1}, {12, 0x50430015, 0x50706F72}, {27, 1, 1}, {57, 0, 1}, {61, 0, 2},
    };
    for (size_t cut = 0; cut < block.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Cut* row = cuts;
        while (row + 1 != std::end(cuts) && row[1].from <= cut) ++row;
        const size_t whole = cut < 35 ? 0 : std::min<size_t>(6, (cut - 35) / 3);
        std::vector<std::string> kept(6);
        std::copy_n(texts.begin(), whole, kept.begin());
        Bytes part(block.begin(), block.begin() + static_cast<long>(cut));
        CPropPassiveCapacitance page(nullptr, nullptr);
        Loaded(part, [&](CArchive& ar) {
            try {
                page.Serialize(ar);
            } catch (CException* e) {
                e->Delete();
            }
        });
        // Whatever was read, the page stores a whole block of its form again.
        EXPECT_EQ(PageBlock(10, 0, kept, row->kind1, row->kind2, 0), Stored([&](CArchive& ar) { page.Serialize(ar); }));
    }
}

// ---------------------------------------------------------------------------------------
// Older element data through the wizards.

Bytes OldData(DWORD mode, const Bytes& pageState, const Bytes& block1, const Bytes& block2,
              const std::vector<Bytes>& textRecords) {
    Bytes out = Dwords({mode, 0, 0, static_cast<DWORD>(pageState.size())});
    Append(out, pageState);
    Bytes blocks;
    Dword(blocks, static_cast<DWORD>(block1.size()));
    Append(blocks, block1);
    Dword(blocks, static_cast<DWORD>(block2.size()));
    Append(blocks, block2);
    Dword(out, static_cast<DWORD>(blocks.size()));
    Append(out, blocks);
    Bytes records;
    for (const Bytes& r : textRecords) Append(records, r);
    Dword(out, static_cast<DWORD>(records.size()));
    Append(out, records);
    return out;
}

// Points (count 0) and the four texts as the older generation stored them.
Bytes TextRecord(const std::vector<std::string>& texts) {
    Bytes out;
    Dword(out, 0);
    for (const std::string& text : texts) {
        Dword(out, static_cast<DWORD>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
    }
    return out;
}

TEST_F(StoragePage, OlderDataFillsBothTablesAndTheirTexts) {
    DWORD element = 0;
    auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1", &element);
    const Bytes t1 = TableBytes(1, "", 0, {{1, 2}}, 1, "");
    const Bytes t2 = TableBytes(1, "", 0, {{3, 4}, {5, 6}}, 1, "");
    const Bytes old = OldData(2, PageBlock(10, 2, {"r1", "v1", "f1"}, 1, 1, 1), t1, t2,
                              {TextRecord({"qx", "vy", "qx2", "vy2"}), TextRecord({"vx", "cy", "vx2", "cy2"})});
    ASSERT_TRUE(ConvertOlder(*wizard, old));
    EXPECT_EQ(1, wizard->GetCharacteristic1().Points().GetSize());
    EXPECT_EQ(2, wizard->GetCharacteristic2().Points().GetSize());
    EXPECT_EQ(2u, PassiveFormOf(wizard->GetModeWord()));
    EXPECT_EQ("vx", wizard->GetTableText(2, 0).str());
    EXPECT_EQ("cy2", wizard->GetTableText(2, 3).str());
    EXPECT_EQ("qx2", wizard->GetTableText(1, 2).str());
    EXPECT_TRUE(Unused(editor->Holder(element), 2056));
}

TEST_F(StoragePage, VersionThreePageStateMovesTheOldFileName) {
    struct Case {
        DWORD mode;
        WORD movedTo;
        const char* expected;
        WORD unused;
    };
    // File Reference: the variable gets 1006's old value. Data Pairs: 1006 gets 2016's.
    const Case cases[] = {
        {1 | kModeFileReference, 1007, "old.mdx", 1006},
        {1, 1006, "in2016.mdx", 1007},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        DWORD element = 0;
        auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1", &element);
        ParamHolder* holder = editor->Holder(element);
        Param(holder, 1006)->SetValue("old.mdx");
        Param(holder, 2016)->SetValue("in2016.mdx");
        Bytes state;
        NewClass(state, "CPropPassiveCapAndInd");
        Dword(state, 3);
        Dword(state, 1);
        Str(state, "B");
        Dword(state, 1);
        Dword(state, 1);
        // The older table agrees with the mode word: a File Reference or Data Pairs look-up.
        const bool reference = (c.mode & kModeFileReference) != 0;
        const Bytes old = OldData(c.mode, state, TableBytes(1, "", 0, {}, reference ? 0 : 1, reference ? "VAR" : ""),
                                  {}, {TextRecord({"a", "b", "c", "d"})});
        ASSERT_TRUE(ConvertOlder(*wizard, old));
        EXPECT_EQ(c.expected, Param(holder, c.movedTo)->GetValue().str());
        EXPECT_TRUE(Unused(holder, c.unused));
        EXPECT_TRUE(Unused(holder, 2016));
    }
}

// Crafted older data: the conversion reads what fits and nothing else.
struct CraftedCase {
    const char* what;
    Bytes data;
    DWORD mode;
};

TEST_F(StoragePage, CraftedOlderDataIsReadSafely) {
    Bytes fourBytes;
    Dword(fourBytes, 2);
    Bytes m1PastL3;
    for (DWORD v : {1u, 0u, 0u, 0u, 8u, 100u, 0u}) Dword(m1PastL3, v);
    Dword(m1PastL3, 4);
    Dword(m1PastL3, 0);
    Bytes wrapping;
    for (DWORD v : {1u, 5u, 0xFFFFFFF0u, 0u}) Dword(wrapping, v);
    Bytes threeBytes = {1, 0, 0};
    const CraftedCase cases[] = {
        {"four bytes", fourBytes, 2},
        {"m1 past L3", m1PastL3, 1},
        {"wrapping length", wrapping, 1},
        {"three bytes", threeBytes, 0},
    };
    for (const CraftedCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1");
        ASSERT_TRUE(ConvertOlder(*wizard, c.data));
        EXPECT_EQ(c.mode, PassiveFormOf(wizard->GetModeWord()));
        EXPECT_EQ(0, wizard->GetCharacteristic1().Points().GetSize());
        EXPECT_EQ("", wizard->GetTableText(1, 2).str()) << "no second text was read";
        EXPECT_EQ("", wizard->GetTableText(2, 3).str());
    }
}

} // namespace
