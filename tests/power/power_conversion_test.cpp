// Element data of the older wizard generation, crafted by hand, converted through the wizards'
// hidden pages: the kind, the page block and its upgrade, the table block, the texts.
#include "power_support.h"

using namespace power_test;

namespace {

// The page block: a class record of the page with the given schema, then the DWORDs given.
Bytes PageBlock(const std::string& className, WORD schema, const std::vector<DWORD>& dwords) {
    Bytes out;
    NewClass(out, className, schema);
    for (DWORD value : dwords) Dword(out, value);
    return out;
}

// Mode word, reserved DWORD, then length-prefixed parts.
Bytes OldData(DWORD modeWord, const std::vector<Bytes>& parts) {
    Bytes out = Dwords({modeWord, 0});
    for (const Bytes& part : parts) {
        Dword(out, static_cast<DWORD>(part.size()));
        Append(out, part);
    }
    return out;
}

class PowerConversion : public PowerTest {
protected:
    template <class Wizard>
    std::unique_ptr<Wizard> Convert(const std::vector<ParamRow>& rows, const Bytes& data, DWORD* element = nullptr) {
        auto wizard = NewWizard<Wizard>(rows, "X1", element);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(data.empty() ? nullptr : data.data(), static_cast<long>(data.size())));
        EXPECT_EQ(0, editor->OutstandingCookies());
        return wizard;
    }
};

TEST_F(PowerConversion, WholeRecordGivesKindTableAndTexts) {
    const Bytes table = TableBytes(1, "old.mdx", 1, {{0.0, 0.0}, {1.0, 2.0}}, "");
    const Bytes data = OldData(static_cast<DWORD>(2 | kSemiUserFile),
                               {Bytes{1, 2, 3}, PageBlock("CPropSemiDiode", 10, {10, 1}), table,
                                OlderPointBlock({{9.0, 9.0}}, {"v [V]", "i [A]", "V", "A"})});
    DWORD element = 0;
    auto wizard = Convert<CDiodeWizard4>(kDiodeRows, data, &element);
    const CSemiconductorState& state = wizard->State();
    ExpectUserFileState(state, "old.mdx");
    ASSERT_EQ(2, state.Table().Points().GetSize()) << "the table's points, not the point block's";
    EXPECT_EQ(nullptr, state.Table().GetDataBlock()) << "the table keeps no block";
    ParamHolder* holder = editor->Holder(element);
    EXPECT_FALSE(Unused(holder, 2016));
    EXPECT_TRUE(Unused(holder, 1012));
    EXPECT_TRUE(Unused(holder, 2058));
}

// Short and damaged data: only whole fields are read, and a length that fails its test ends
// the reading; what was read before stays.
TEST_F(PowerConversion, DamagedDataKeepsWhatCameBefore) {
    const Bytes table = TableBytes(1, "t.mdx", 0, {{1.0, 1.0}}, "");
    struct Case {
        const char* what;
        Bytes data;
        LONG modeWord;
        const char* fileName;
        const char* xLabel;
    };
    Bytes pageTooLong = OldData(2, {Bytes{}});
    Dword(pageTooLong, 100);  // the page block claims 100 bytes; 10 follow
    Append(pageTooLong, Bytes(10, 0));
    Bytes wrapping = OldData(1, {});
    Dword(wrapping, 0xFFFFFFFCu);  // length A that wraps a 32-bit sum
    Append(wrapping, Bytes(12, 0));
    Bytes wrappingTable = OldData(2, {Bytes{}, Bytes{}});
    Dword(wrappingTable, 0xFFFFFFF8u);
    Append(wrappingTable, table);
    Bytes withTrailing[3];
    for (int n = 1; n <= 3; ++n) {
        withTrailing[n - 1] = OldData(1, {Bytes{}, Bytes{}, table, OlderPointBlock({}, {"x", "y", "", ""})});
        Append(withTrailing[n - 1], Bytes(static_cast<size_t>(n), 0xEE));
    }
    Bytes lastPointsCut = OldData(1, {Bytes{}, Bytes{}, table});
    Dword(lastPointsCut, 50);
    Append(lastPointsCut, Bytes(20, 0));
    const Case cases[] = {
        {"4 bytes: only the kind", Bytes{1, 0, 0, 0}, 1, ".mdx", ""},
        {"2 bytes: nothing", Bytes{1, 0}, 0, ".mdx", ""},
        {"page block longer than the rest", pageTooLong, 2, ".mdx", ""},
        {"wrapping length", wrapping, 1, ".mdx", ""},
        {"wrapping table length", wrappingTable, 2, ".mdx", ""},
        {"1 trailing byte", withTrailing[0], 1, "t.mdx", "x"},
        {"2 trailing bytes", withTrailing[1], 1, "t.mdx", "x"},
        {"3 trailing bytes", withTrailing[2], 1, "t.mdx", "x"},
        {"point block cut", lastPointsCut, 1, "t.mdx", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = Convert<CDiodeWizard4>(kDiodeRows, c.data);
        EXPECT_EQ(c.modeWord, wizard->GetModeWord());
        EXPECT_EQ(c.fileName, wizard->State().Table().GetFileName().str());
        EXPECT_EQ(c.xLabel, wizard->State().GetXAxisLabel().str());
    }
}

// Block A and the page block need a byte after them; the table and the point block may end
// the data. Zero lengths pass.
TEST_F(PowerConversion, AcceptRulesOfTheParts) {
    const Bytes table = TableBytes(1, "t.mdx", 0, {}, "");
    auto wizard = Convert<CDiodeWizard4>(kDiodeRows, OldData(1, {Bytes{}, Bytes{}, table}));
    EXPECT_EQ("t.mdx", wizard->State().Table().GetFileName().str()) << "a table block may end the data";

    Bytes blockAEndsData = OldData(1, {});
    Dword(blockAEndsData, 4);
    Append(blockAEndsData, Bytes(4, 0));
    wizard = Convert<CDiodeWizard4>(kDiodeRows, blockAEndsData);
    EXPECT_EQ(1, wizard->GetModeWord());

    // A block A that ends the data ends the reading: its bytes are never taken for the parts
    // after it, even when they would read as a page block and a table.
    Bytes inner = Dwords({0, static_cast<DWORD>(table.size())});
    Append(inner, table);
    wizard = Convert<CDiodeWizard4>(kDiodeRows, OldData(1, {inner}));
    EXPECT_EQ(1, wizard->GetModeWord());
    EXPECT_EQ(".mdx", wizard->State().Table().GetFileName().str());
}

struct UpgradeCase {
    const char* what;
    Bytes pageBlock;
    bool variableOnPin;
    LONG modeWord;
    bool upgraded;  // the marks of the page block's upgrade, committed for a file reference
    bool fileActive;
    bool variableActive;
    const char* variable;
};

// Old page blocks: schema 3 holds no flag (the upgrade runs); from schema 4 on the first
// DWORD is the converted flag, even in a block that also carries the page version.
TEST_F(PowerConversion, PageBlocksOfSchemaThreeAndFourUpgradeTheFileParameters) {
    const UpgradeCase cases[] = {
        {"schema 3, data pairs", PageBlock("CPropSemiDiode", 3, {}), false, 2, true, true, false, ""},
        {"schema 3, variable on a pin", PageBlock("CPropSemiDiode", 3, {}), true,
         static_cast<LONG>(2 | kSemiNoTableFile), true, false, true, "old.mdx"},
        {"schema 4, not converted", PageBlock("CPropSemiDiode", 4, {0}), true,
         static_cast<LONG>(2 | kSemiNoTableFile), true, false, true, "old.mdx"},
        // Without the upgrade the pinned variable still gives the flag, but keeps its value.
        {"schema 4, converted", PageBlock("CPropSemiDiode", 4, {1}), true, static_cast<LONG>(2 | kSemiNoTableFile),
         false, false, true, ""},
        {"schema 10 with its version", PageBlock("CPropSemiDiode", 10, {10, 0}), true,
         static_cast<LONG>(2 | kSemiNoTableFile), false, false, true, ""},
        {"no class record", Bytes{0, 0, 0, 0}, true, static_cast<LONG>(2 | kSemiNoTableFile), true, false, true,
         "old.mdx"},
    };
    for (const UpgradeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const DWORD element = editor->AddElement(MakeHolder(kDiodeRows, "D1"));
        ParamHolder* holder = editor->Holder(element);
        Param(holder, 2016)->SetValue("old.mdx");
        Param(holder, 1012)->UsePin(c.variableOnPin);
        CDiodeWizard4 wizard;
        editor->Attach(wizard, element);
        editor->ClearRequests();
        const Bytes data = OldData(2, {Bytes{}, c.pageBlock, Bytes{}});
        ASSERT_TRUE(ConvertOlder(wizard, data));
        EXPECT_EQ(c.modeWord, wizard.GetModeWord());
        EXPECT_EQ(!c.fileActive, Unused(holder, 2016));
        EXPECT_EQ(!c.variableActive, Unused(holder, 1012));
        EXPECT_EQ(c.variable, Param(holder, 1012)->GetValue().str());
        EXPECT_EQ(c.upgraded && c.variableActive ? 1u : 0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
}

// The page block is read only when at least one byte follows it; one that ends the data is
// passed over, so its upgrade does not run.
TEST_F(PowerConversion, PageBlockThatEndsTheDataIsNotRead) {
    for (bool followed : {false, true}) {
        SCOPED_TRACE(followed ? "followed by a length" : "ends the data");
        const DWORD element = editor->AddElement(MakeHolder(kDiodeRows, "D1"));
        ParamHolder* holder = editor->Holder(element);
        Param(holder, 2016)->SetValue("old.mdx");
        Param(holder, 1012)->UsePin(TRUE);
        CDiodeWizard4 wizard;
        editor->Attach(wizard, element);
        Bytes data = OldData(2, {Bytes{}, PageBlock("CPropSemiDiode", 3, {})});
        if (followed) Dword(data, 0);
        ASSERT_TRUE(ConvertOlder(wizard, data));
        EXPECT_EQ(followed ? "old.mdx" : "", Param(holder, 1012)->GetValue().str());
    }
}

TEST_F(PowerConversion, PageOfTheSixCopiesTheFileNameIntoTheVariable) {
    DWORD element = editor->AddElement(MakeHolder(PowerRows(), "Q1"));
    ParamHolder* holder = editor->Holder(element);
    Param(holder, 2016)->SetValue("ref.mdx");
    Param(holder, 1012)->UsePin(TRUE);
    CIgbtWizard4 wizard;
    editor->Attach(wizard, element);
    const Bytes data = OldData(2, {Bytes{}, PageBlock("CPropSemiRest", 3, {}), Bytes{}});
    ASSERT_TRUE(ConvertOlder(wizard, data));
    EXPECT_EQ(static_cast<LONG>(2 | kSemiNoTableFile), wizard.GetModeWord());
    EXPECT_EQ("ref.mdx", Param(holder, 1012)->GetValue().str());
    EXPECT_FALSE(Unused(holder, 1012));
    EXPECT_FALSE(Unused(holder, 2084));
}

TEST_F(PowerConversion, NullDataDerivesTheKindFromTheParameters) {
    struct Case {
        const char* what;
        DWORD elementNameExt;
        LONG modeWord;
    };
    const Case cases[] = {{"element name unused", 0x20000, 0}, {"element name in use", 0, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD element = editor->AddElement(MakeHolder(kDiodeRows, "D1"));
        Param(editor->Holder(element), 2013)->SetExtType(c.elementNameExt);
        CDiodeWizard4 wizard;
        editor->Attach(wizard, element);
        wizard.SetModeAndAxisLabels(1, "x", "y");
        wizard.SetExtraTextA("a");
        ASSERT_TRUE(wizard.DoConvertWizard3Data(nullptr, 0));
        EXPECT_EQ(c.modeWord, wizard.GetModeWord());
        EXPECT_EQ("", wizard.State().GetExtraTextA().str());
        EXPECT_EQ("", wizard.State().GetXAxisLabel().str());
    }
}

// A kind outside 0 to 2 selects nothing in the list; it is kept and no marks are set.
TEST_F(PowerConversion, UnknownOldKindIsKept) {
    DWORD element = 0;
    auto wizard = Convert<CTriacWizard4>(PowerRows(), Bytes{7, 0, 0, 0}, &element);
    EXPECT_EQ(7, wizard->GetModeWord());
    ParamHolder* holder = editor->Holder(element);
    EXPECT_FALSE(Unused(holder, 2058)) << "no marks for an unknown kind";
    EXPECT_TRUE(Unused(holder, 2066));
}

TEST_F(PowerConversion, ConversionLeavesAnOpenPageAlone) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element);
    CPropertySheet sheet("D1");
    ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
    CPropSemiDiode* page = wizard->GetPage();
    sheet.RemovePage(page);
    ParamHolder* params = page->GetParams();
    const Bytes data = OldData(1, {});
    ASSERT_TRUE(ConvertOlder(*wizard, data));
    EXPECT_EQ(page, wizard->GetPage());
    EXPECT_EQ(params, page->GetParams());
    EXPECT_EQ(1, editor->OutstandingCookies());
    wizard->EndEditProperties();
}

} // namespace
