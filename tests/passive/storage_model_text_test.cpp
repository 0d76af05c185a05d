// Model text of the capacitor and the inductor, compared as whole texts, with the data file
// of each nonlinear form.
#include "storage_support.h"
#include "tests/support/text_files.h"

#include <fstream>
#include <sstream>

using namespace storage_test;

namespace {

using qv_test::NamedFile;
using qv_test::ReadFile;

std::string DataFile(const std::string& x, const std::string& y, const std::string& rows) {
    return "MDX 1\nchannels 2\nitems 2\nchannel \"" + x + "\" \"\"\nchannel \"" + y + "\" \"\"\ndata\n" + rows + "end\n";
}

class StorageModelText : public PassiveTest {
protected:
    std::string Write(CPassiveCapAndIndWizardBase4& wizard, const std::string& name) {
        CString text = ("@TYPE" + name + " ( @PARAMLIST);").c_str();
        NamedFile description((root / "model" / "desc.qvm").string());
        EXPECT_EQ(4, wizard.WriteSimDescr(&description, "IMMANENT", text));
        return text.str();
    }
};

// Form, keyword and list of the linear and the nonlinear forms whose text needs no data file.
struct TextCase {
    const char* what;
    bool inductor;
    DWORD mode;
    std::vector<const char*> snapshots;
    bool onPin;
    const char* expected;
};

TEST_F(StorageModelText, KeywordsAndListsByForm) {
    const TextCase cases[] = {
        {"linear capacitor", false, 0, {"C", "V0"}, false, "C X1 ( C := @C, V0 := @V0 );"},
        {"unknown form writes the linear keyword", false, 7, {"C", "V0"}, false, "C X1 ( C := @C, V0 := @V0 );"},
        {"linear inductor", true, 0, {"L", "I0"}, false, "L X1 ( L := @L, I0 := @I0 );"},
        {"inductor form 2 on a pin", true, 2, {"I0", "CH"}, true, "LINL X1 ( I0 := @I0, CH := @CH );"},
        {"capacitor form 1 on a pin", false, 1, {"V0", "CH"}, true, "CNL X1 ( V0 := @V0, CH := @CH );"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD element = 0;
        std::unique_ptr<CPassiveCapAndIndWizardBase4> wizard;
        if (c.inductor)
            wizard = NewWizard<CInductorWizard4>(kInductorRows, "X1", &element);
        else
            wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "X1", &element);
        StoreCapState(*wizard, 0, 0, c.mode, {"", "", "", ""}, c.snapshots);
        if (c.onPin) Param(editor->Holder(element), 2016)->UsePin(TRUE);
        EXPECT_EQ(c.expected, Write(*wizard, "X1"));
        EXPECT_TRUE(fs::is_empty(root / "model")) << "no data file";
        EXPECT_EQ(0, g_PlaceholderList.GetSize());
    }
}

TEST_F(StorageModelText, MassElementListsS0AfterItsInitialValue) {
    std::vector<ParamRow> rows = WithoutCharacteristic(kCapacitorRows);
    rows.push_back({.id = 2100, .name = "S0", .value = "0", .type = 0x4, .description = "Position"});
    auto wizard = NewWizard<CCapacitorWizard4>(rows, "MASS1");
    // An empty list makes the wizard build its defaults first, from the element's name.
    EXPECT_EQ("C MASS1 ( C := @C, V0 := @V0, S0 := @S0 );", Write(*wizard, "MASS1"));
}

TEST_F(StorageModelText, FirstFormWithDataPairsWritesTheTableAndItsFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C1", &element);
    LoadTable(wizard->GetCharacteristic1(), TableBytes(1, "", 0, {{0.0, 0.0}, {1e-6, 1.0}}, 1, ""));
    LoadTable(wizard->GetCharacteristic2(), TableBytes(1, "", 0, {{5.0, 5.0}}, 1, ""));
    StoreCapState(*wizard, 1, 1, 1, {"q [C]", "v [V]", "v [V]", "C [F]"}, {"V0", "@CH"});
    EXPECT_EQ("CNL C1 ( V0 := @V0, CH := XY_C1_CH.VAL );\nINTERN\tXY XY_C1_CH( FILE := \"Demo__C1.mdx\" );",
              Write(*wizard, "C1"));
    EXPECT_EQ(DataFile("q [C]", "v [V]", "0 0\n1e-06 1\n"), ReadFile(root / "model" / "Demo__C1.mdx"));
    EXPECT_EQ("Demo__C1.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(StorageModelText, SecondFormWritesTableTwoWithItsTexts) {
    auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C2");
    LoadTable(wizard->GetCharacteristic1(), TableBytes(1, "", 0, {{9.0, 9.0}}, 1, ""));
    LoadTable(wizard->GetCharacteristic2(), TableBytes(1, "", 0, {{0.0, 1e-6}, {10.0, 2e-6}}, 1, ""));
    StoreCapState(*wizard, 1, 1, 2, {"q [C]", "v [V]", "v [V]", "C [F]"}, {"V0", "@CH"});
    wizard->SetXSecondText2("x2");
    wizard->SetYSecondText2("y2");
    wizard->SetXSecondText1("wrong");
    EXPECT_EQ("CVNL C2 ( V0 := @V0, CH := XY_C2_CH.VAL );\nINTERN\tXY XY_C2_CH( FILE := \"Demo__C2.mdx\" );",
              Write(*wizard, "C2"));
    EXPECT_EQ("MDX 1\nchannels 2\nitems 2\nchannel \"v [V]\" \"x2\"\nchannel \"C [F]\" \"y2\"\ndata\n0 1e-06\n10 2e-06\nend\n",
              ReadFile(root / "model" / "Demo__C2.mdx"));
}

TEST_F(StorageModelText, FileReferenceIsUnquotedAndWritesNoFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CInductorWizard4>(kInductorRows, "L1", &element);
    LoadTable(wizard->GetCharacteristic1(), TableBytes(1, "", 0, {{0.0, 0.0}}, 0, "PSITAB"));
    StoreCapState(*wizard, 1, 1, 1 | kModeFileReference | kModeUserFile, {"psi [Vs]", "i [A]", "i [A]", "L [H]"},
                  {"I0", "@CH"});
    Param(editor->Holder(element), 1007)->SetValue("PSITAB");
    EXPECT_EQ("LNL L1 ( I0 := @I0, CH := XY_L1_CH.VAL );\nINTERN\tXY XY_L1_CH( FILE := PSITAB );", Write(*wizard, "L1"));
    EXPECT_TRUE(fs::is_empty(root / "model"));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(StorageModelText, SecondFormAfterAReloadHasEmptyTableTwoTexts) {
    auto wizard = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C3");
    LoadTable(wizard->GetCharacteristic2(), TableBytes(1, "", 0, {{0.0, 1e-6}, {1.0, 1e-6}}, 1, ""));
    StoreCapState(*wizard, 1, 1, 2, {"q [C]", "v [V]", "v [V]", "C [F]"}, {"V0", "@CH"});
    const Bytes saved = Stored([&](CArchive& ar) { wizard->Serialize(ar, eSheetVersion4); });

    auto reloaded = NewWizard<CCapacitorWizard4>(kCapacitorRows, "C3");
    Loaded(saved, [&](CArchive& ar) { reloaded->Serialize(ar, eSheetVersion4); });
    EXPECT_EQ("CVNL C3 ( V0 := @V0, CH := XY_C3_CH.VAL );\nINTERN\tXY XY_C3_CH( FILE := \"Demo__C3.mdx\" );",
              Write(*reloaded, "C3"));
    EXPECT_EQ(DataFile("", "", "0 1e-06\n1 1e-06\n"), ReadFile(root / "model" / "Demo__C3.mdx"));
}

} // namespace
