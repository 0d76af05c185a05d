// The mutual inductance and the two-winding transformer (coupling given as K or M): model
// text, archive bytes, conversions of crafted older data, and their pages driven as a user
// drives them.
#include "passive_support.h"
#include "tests/support/edit_cycle_checks.h"

#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "passive/coupled_inductors.h"

using namespace passive_test;

namespace {

constexpr DWORD kIn = 0x4;
constexpr DWORD kPin = 0x80000000u;

const std::vector<ParamRow> kMutualRows = {
    {.id = 2102, .name = "L1", .value = "LA", .type = kIn},
    {.id = 2103, .name = "L2", .value = "LB", .type = kIn},
    {.id = 2010, .name = "K", .value = "0.9", .type = kIn},
    {.id = 2056, .name = "M", .value = "", .type = 0x8, .quantity = "Inductance", .unit = "H",
     .description = "Mutual Inductance"},
};

const std::vector<ParamRow> kTrafoRows = {
    {.id = 2102, .name = "L1", .value = "10m", .type = kIn, .quantity = "Inductance", .unit = "H"},
    {.id = 2107, .name = "I01", .value = "0", .type = kIn, .quantity = "Current", .unit = "A"},
    {.id = 2103, .name = "L2", .value = "2m", .type = kIn, .quantity = "Inductance", .unit = "H"},
    {.id = 2109, .name = "I02", .value = "0", .type = kIn, .quantity = "Current", .unit = "A"},
    {.id = 2010, .name = "K", .value = "0.98", .type = kIn},
    {.id = 2056, .name = "M", .value = "", .type = 0x8, .quantity = "Inductance", .unit = "H",
     .description = "Mutual Inductance"},
};

int Check(CWnd* page, int id) { return static_cast<CButton*>(page->GetDlgItem(id))->GetCheck(); }

Bytes Snapshots(const std::vector<std::string>& names) {
    Bytes out;
    for (size_t i = 0; i < names.size(); ++i) Append(out, SnapshotBytes(names[i], i == 0 ? 0 : 0x8001));
    return out;
}

void Store(CCoupledInductorsWizard4& wizard, DWORD form, const std::vector<const char*>& names) {
    WithSnapshots(names, [&](CPtrArray* list) { wizard.StoreModeAndCompareList(form, list); });
}

using Coupled = PassiveTest;

// ---------------------------------------------------------------------------------------
// Model text.

TEST_F(Coupled, ModelTextOfBothFormsAndBothElements) {
    struct Case {
        bool transformer;
        DWORD form;
        std::vector<const char*> snapshots;
        const char* templ;
        std::string expected;
        size_t fetches;
    };
    const std::string macro = qv::passive::kCouplingListMacro;
    const Case cases[] = {
        // Form 0: only the first "@PARAMLIST" becomes the editor's macro; nothing is asked.
        {false, 0, {"L1", "L2", "K"}, "IMMANENT", "M @NAME ( " + macro + "); @PARAMLIST", 0},
        {true, 0, {"L1", "I01", "L2", "I02", "K"}, "IMMANENT", "M @NAME ( " + macro + "); @PARAMLIST", 0},
        // Form 1: the list and the K line from M and the two inductances.
        {false, 1, {"L1", "L2", "@K"}, "IMMANENT",
         "M @NAME ( L1 := @L1, L2 := @L2, K := (@M)/sqrt( LA * LB) ); @PARAMLIST", 1},
        {true, 1, {"L1", "I01", "L2", "I02", "@K"}, "IMMANENT",
         "M @NAME ( L1 := @L1, I01 := @I01, L2 := @L2, I02 := @I02, K := (@M)/sqrt( 10m * 2m) ); @PARAMLIST", 1},
        // No pending "@K": no K line.
        {false, 1, {"L1", "L2", "K"}, "IMMANENT", "M @NAME ( L1 := @L1, L2 := @L2, K := @K ); @PARAMLIST", 1},
        // Without "IMMANENT" the text stays.
        {false, 1, {"L1", "L2", "@K"}, "", "M @NAME ( @PARAMLIST); @PARAMLIST", 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CCoupledInductorsWizard4> wizard;
        if (c.transformer)
            wizard = NewWizard<CTwoWindingTransformerWizard4>(kTrafoRows, "T1");
        else
            wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1");
        Store(*wizard, c.form, c.snapshots);
        editor->ClearRequests();
        CString text = "M @NAME ( @PARAMLIST); @PARAMLIST";
        EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, c.templ, text));
        EXPECT_EQ(c.expected, text.str());
        EXPECT_EQ(c.fetches, editor->CountRequests(WIZREQ_GET_PARAMS)) << c.expected;
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        EXPECT_EQ(0, g_PlaceholderList.GetSize()) << "the pending K leaves the list";
    }
}

TEST_F(Coupled, FormOneWithAnEmptyListInitialisesFirstAndKeepsTheForm) {
    auto wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1");
    Store(*wizard, 1, {});
    CString text = "@PARAMLIST";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
    EXPECT_EQ("L1 := @L1, L2 := @L2, K := (@M)/sqrt( LA * LB) ", text.str());
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_GET_PARAMS));
    EXPECT_EQ(1u, wizard->GetForm());
    EXPECT_EQ((std::vector<std::string>{"L1", "L2", "@K"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(Coupled, InitializeWritesFormZeroDefaults) {
    struct Case {
        bool transformer;
        std::vector<std::string> names;
    };
    const Case cases[] = {{false, {"L1", "L2", "K"}}, {true, {"L1", "I01", "L2", "I02", "K"}}};
    for (const Case& c : cases) {
        DWORD element = 0;
        std::unique_ptr<CCoupledInductorsWizard4> wizard;
        if (c.transformer)
            wizard = NewWizard<CTwoWindingTransformerWizard4>(kTrafoRows, "T1", &element);
        else
            wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1", &element);
        Store(*wizard, 1, {"x"});
        EXPECT_TRUE(wizard->Initialize(0));
        EXPECT_EQ(0u, wizard->GetForm());
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(0u, Param(editor->Holder(element), 2056)->GetType() & kIn) << "M is an output in form 0";
        EXPECT_FALSE(Unused(editor->Holder(element), 2010));
    }
}

// ---------------------------------------------------------------------------------------
// Archive.

TEST_F(Coupled, ArchiveBlocksHaveTheExactBytes) {
    struct Case {
        bool transformer;
        DWORD form;
        std::vector<const char*> names;
    };
    const Case cases[] = {{false, 1, {"L1", "L2", "@K"}}, {true, 0, {"L1", "I01", "L2", "I02", "K"}}};
    for (const Case& c : cases) {
        std::unique_ptr<CCoupledInductorsWizard4> wizard, loaded;
        if (c.transformer) {
            wizard = std::make_unique<CTwoWindingTransformerWizard4>();
            loaded = std::make_unique<CTwoWindingTransformerWizard4>();
        } else {
            wizard = std::make_unique<CMutualInductanceWizard4>();
            loaded = std::make_unique<CMutualInductanceWizard4>();
        }
        Store(*wizard, c.form, c.names);
        Bytes golden;
        Word(golden, 0);
        Dword(golden, c.form);
        Dword(golden, static_cast<DWORD>(c.names.size()));
        Append(golden, Snapshots(std::vector<std::string>(c.names.begin(), c.names.end())));
        EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); }));
        EXPECT_TRUE(Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion3); }).empty());

        // Loading into a wizard that holds a list replaces it.
        Store(*loaded, 0, {"old1", "old2"});
        Loaded(golden, [&](CArchive& ar) { loaded->Serialize(ar, eSheetVersion4); });
        EXPECT_EQ(c.form, loaded->GetForm());
        EXPECT_EQ(SnapshotNames(wizard->GetSnapshots()), SnapshotNames(loaded->GetSnapshots()));
        EXPECT_EQ(golden, Stored([&](CArchive& ar) { loaded->Serialize(ar, eSheetVersion4); }));

        // Schema 1 reads nothing more and changes nothing.
        Bytes other;
        Word(other, 1);
        Dword(other, 1);
        Dword(other, 0);
        Store(*loaded, 0, {"kept"});
        Loaded(other, [&](CArchive& ar) { loaded->Serialize(ar, eSheetVersion4); });
        EXPECT_EQ(1, loaded->GetSchema());
        EXPECT_EQ(0u, loaded->GetForm());
        EXPECT_EQ(std::vector<std::string>{"kept"}, SnapshotNames(loaded->GetSnapshots()));
    }
}

TEST_F(Coupled, CloneCopiesFormAndIndependentSnapshots) {
    auto source = std::make_unique<CMutualInductanceWizard4>();
    Store(*source, 1, {"L1", "L2", "@K"});
    std::unique_ptr<CWizardBase4> clone(source->Clone());
    source.reset();
    auto* copy = dynamic_cast<CMutualInductanceWizard4*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(1u, copy->GetForm());
    EXPECT_EQ((std::vector<std::string>{"L1", "L2", "@K"}), SnapshotNames(copy->GetSnapshots()));
    EXPECT_EQ(nullptr, copy->GetPage());
}

// ---------------------------------------------------------------------------------------
// Older data.

Bytes PageBlock(const std::string& className, DWORD form, const std::string& m) {
    Bytes out;
    NewClass(out, className);
    Dword(out, 10);
    Dword(out, form);
    Str(out, m);
    return out;
}

Bytes OldBlock(DWORD form, DWORD count, const Bytes& snapshots, const Bytes& page) {
    Bytes out = Dwords({form, count, static_cast<DWORD>(snapshots.size())});
    Append(out, snapshots);
    Dword(out, static_cast<DWORD>(page.size()));
    Append(out, page);
    Dword(out, 0);
    return out;
}

TEST_F(Coupled, ConversionOfCraftedOlderBlocks) {
    const Bytes three = Snapshots({"L1", "L2", "@K"});
    const Bytes page = PageBlock("CPropPassiveMutualInductance", 1, "3m");
    Bytes wrapping = Dwords({1, 3, 0xFFFFFFF0u});
    Append(wrapping, three);
    const Bytes whole = OldBlock(1, 3, three, page);
    Bytes shortPage = whole;
    shortPage.resize(shortPage.size() - 10);  // the page block runs past the end
    struct Case {
        const char* what;
        bool null;
        Bytes data;
        DWORD form;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"null data", true, {}, 0, {"L1", "L2", "K"}},
        {"four bytes", false, {1, 0, 0, 0}, 1, {}},
        {"any non-zero form is M", false, {2, 0, 0, 0}, 1, {}},
        {"whole block", false, OldBlock(1, 3, three, page), 1, {"L1", "L2", "@K"}},
        {"count beyond the block", false, OldBlock(1, 500, three, page), 1, {}},
        {"count beyond the snapshots", false, OldBlock(0, 5, three, page), 0, {"L1", "L2", "@K"}},
        {"wrapping length", false, wrapping, 1, {}},
        {"page block past the end", false, shortPage, 1, {"L1", "L2", "@K"}},
        {"bad class record", false, OldBlock(1, 3, three, PageBlock("CPropSomethingElse", 0, "9")), 1,
         {"L1", "L2", "@K"}},
        {"truncated in the snapshots", false, Bytes(whole.begin(), whole.begin() + 20), 1, {}},
    };
    for (const Case& c : cases) {
        auto wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1");
        // The data lives in a buffer of exactly its size, so a read past it shows.
        std::vector<BYTE> exact(c.data);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.null ? nullptr : exact.data(), static_cast<long>(exact.size())))
            << c.what;
        EXPECT_EQ(c.form, wizard->GetForm()) << c.what;
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots())) << c.what;
    }
    EXPECT_EQ(0, editor->OutstandingCookies());
}

TEST_F(Coupled, TransformerConversionOfNullDataGivesFormZeroSnapshots) {
    auto wizard = NewWizard<CTwoWindingTransformerWizard4>(kTrafoRows, "T1");
    Store(*wizard, 1, {"x"});
    wizard->DoConvertWizard3Data(nullptr, 0);
    EXPECT_EQ(0u, wizard->GetForm());
    EXPECT_EQ((std::vector<std::string>{"L1", "I01", "L2", "I02", "K"}), SnapshotNames(wizard->GetSnapshots()));
}

// ---------------------------------------------------------------------------------------
// Pages.

TEST_F(Coupled, MutualInductancePageKThenMThenK) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1", &element));
    ParamHolder* holder = editor->Holder(element);
    struct Step {
        int radio;
        bool mInput;
        bool kUnused;
        bool kEnabled;
        bool mEnabled;
    };
    const Step steps[] = {{2307, true, true, false, true}, {2306, false, false, true, false},
                          {2307, true, true, false, true}};
    for (const Step& s : steps) {
        ASSERT_TRUE(qv::ui::Click(page, s.radio));
        EXPECT_EQ(s.mInput, (Param(holder, 2056)->GetType() & kIn) != 0) << s.radio;
        EXPECT_EQ(s.kUnused, Unused(holder, 2010)) << s.radio;
        EXPECT_EQ(s.kEnabled, Enabled(page, 2010)) << s.radio;
        EXPECT_EQ(s.kEnabled, Enabled(page, 2011)) << s.radio;
        EXPECT_EQ(s.mEnabled, Enabled(page, 2308)) << s.radio;
        EXPECT_EQ(s.mEnabled, Enabled(page, 2311)) << s.radio;
    }
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2308), "2m"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2102), "LX"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ("2m", Param(holder, 2056)->GetValue().str());
    EXPECT_EQ("LX", Param(holder, 2102)->GetValue().str());
    EXPECT_EQ(1u, wizard->GetForm());
    EXPECT_EQ((std::vector<std::string>{"L1", "L2", "@K"}), SnapshotNames(wizard->GetSnapshots()));

    ASSERT_TRUE(qv::ui::Click(page, 2306));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetForm());
    EXPECT_EQ((std::vector<std::string>{"L1", "L2", "K"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(Coupled, UsePinOfMKeepsTheValueOfM) {
    DWORD element = 0;
    std::vector<ParamRow> rows = kMutualRows;
    rows[3].value = "5m";
    auto [wizard, open, page] = OpenedWizard(NewWizard<CMutualInductanceWizard4>(rows, "M1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2307));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2308), "7m"));
    ASSERT_TRUE(qv::ui::Click(page, 2311));
    EXPECT_FALSE(Enabled(page, 2308));
    EXPECT_TRUE(Param(editor->Holder(element), 2056)->HasPin());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("5m", Param(editor->Holder(element), 2056)->GetValue().str());
}

TEST_F(Coupled, TransformerPageWritesInputsUnitsAndTogglesTheOutputOfM) {
    DWORD element = 0;
    std::vector<ParamRow> rows = kTrafoRows;
    rows[1].type = 0;  // I01 not an input: keeps its value
    rows[4].type = kIn | kPin;  // K on a pin
    auto [wizard, open, page] = OpenedWizard(NewWizard<CTwoWindingTransformerWizard4>(rows, "T1", &element));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_FALSE(Enabled(page, 2010)) << "K on a pin";
    EXPECT_EQ(BST_CHECKED, Check(page, 2011));
    EXPECT_EQ("Mutual Inductance [H]", [&] {
        CString text;
        page->GetDlgItem(2056)->GetWindowText(text);
        return text.str();
    }());
    for (int expected : {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}) {
        ASSERT_TRUE(qv::ui::Click(page, 2056));
        EXPECT_EQ(expected, Check(page, 2056));
        BOOL on = FALSE;
        GetSDBOutput(holder, 2056, &on);
        EXPECT_EQ(expected == BST_CHECKED, on != FALSE) << "switched before apply";
    }
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2103), "3.3"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2508), "mH"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2107), "9"));
    ASSERT_TRUE(qv::ui::Click(page, 2307));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2308), "1m"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ExpectValues(holder, {{2103, "3.3"}, {2107, "0"}, {2010, "0.98"}, {2056, "1m"}});
    EXPECT_EQ("mH", Param(holder, 2103)->GetUsedUnit().str());
    // A snapshot is taken from the input parameter of its name: I01 is none, so it stays empty.
    EXPECT_EQ((std::vector<std::string>{"L1", "", "L2", "I02", "@K"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(Coupled, RefusedCommitKeepsTheSheetOpenAndNoSetWritesNothing) {
    DWORD element = 0;
    auto wizard = NewWizard<CTwoWindingTransformerWizard4>(kTrafoRows, "T1", &element);
    wizard->Initialize(0);
    {
        OpenPage open(*wizard);
        ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2001), "T9"));
        editor->SetNextCommitAnswers({1});
        EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
        EXPECT_TRUE(open.Page()->IsPageModified());
    }
    // A page without a parameter set writes nothing, not even into its wizard.
    Store(*wizard, 1, {"kept"});
    editor->ClearRequests();
    CPropPassive2WTrafo orphan(wizard.get(), nullptr);
    CPropPassiveMutualInductance orphan2(nullptr, nullptr);
    EXPECT_FALSE(orphan.OnApply());
    EXPECT_FALSE(orphan2.OnApply());
    EXPECT_EQ(1u, wizard->GetForm());
    EXPECT_EQ(std::vector<std::string>{"kept"}, SnapshotNames(wizard->GetSnapshots()));
    EXPECT_TRUE(editor->Requests().empty());
}

TEST_F(Coupled, ASecondEditGivesTheEarlierCookieBack) {
    auto wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1");
    wizard->Initialize(0);
    // The editor closes a sheet before it opens the next; the wizard keeps its page.
    ExpectSecondEditGivesTheFirstSetBack(*wizard, *editor, true);
    CPropertySheet none("c");
    EXPECT_FALSE(wizard->DoEditProperties(none, 2));
    EXPECT_EQ(nullptr, wizard->GetPage());
}

} // namespace

namespace {

TEST_F(Coupled, BothPagesDrawTheSymbolInTheirFrame) {
    for (bool transformer : {false, true}) {
        DWORD element = 0;
        std::unique_ptr<CCoupledInductorsWizard4> wizard;
        if (transformer)
            wizard = NewWizard<CTwoWindingTransformerWizard4>(kTrafoRows, "T1", &element);
        else
            wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1", &element);
        editor->Holder(element)->m_SymbolTexts.SetAt(kLanguageEnglish, "rect 20 20 80 80");
        OpenPage open(*wizard);
        SCOPED_TRACE(transformer);
        ExpectSymbolInFrame(open.Page());
    }
}

} // namespace

namespace {

// Opening the page rebuilds the characteristic search places (and the document folder) for
// the mutual inductance, not for the two-winding transformer.
TEST_F(Coupled, OnlyTheMutualInductanceRebuildsTheSearchPlaces) {
    editor->Document().SetPathName((root / "doc.qsc").c_str());
    for (bool transformer : {false, true}) {
        std::unique_ptr<CCoupledInductorsWizard4> wizard;
        if (transformer)
            wizard = NewWizard<CTwoWindingTransformerWizard4>(kTrafoRows, "T1");
        else
            wizard = NewWizard<CMutualInductanceWizard4>(kMutualRows, "M1");
        g_DocumentDir.Empty();
        {
            CPropertySheet sheet("Element");
            ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        }
        wizard->EndEditProperties();
        EXPECT_EQ(transformer, g_DocumentDir.IsEmpty() != FALSE) << transformer;
    }
}

} // namespace
