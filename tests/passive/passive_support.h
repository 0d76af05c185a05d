// Shared ground of the passive-element tests: the resistor's and conductance's parameter
// sets, the wizard state a page leaves behind, and the fixture with a scratch folder.
#pragma once

#include "passive/resistor_conductance.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/described_rows.h"
#include "tests/support/named_element_test.h"
#include "tests/support/symbol_frame.h"
#include "tests/support/wizard_on_sheet.h"
#include "tests/support/xy_table_bytes.h"

#include <filesystem>
#include <string>
#include <vector>

namespace passive_test {

using namespace qv_test;
namespace fs = std::filesystem;

using ParamRow = DescribedRow;

// The characteristic's three parameters and the voltage and current outputs, which the
// elements built on a characteristic share.
inline const ParamRow kCh = {.id = 2016, .name = "CH", .value = "", .type = 0x4};
inline const ParamRow kChFile = {.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4};
inline const ParamRow kChStrg = {.id = 1007, .name = "CH_STRG", .value = "", .type = 0x4};
inline const ParamRow kOutV = {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V",
                               .description = "Voltage"};
inline const ParamRow kOutI = {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A",
                               .description = "Current"};

// The resistor as the catalogue defines it, with a characteristic.
inline const std::vector<ParamRow> kResistorRows = {
    {.id = 2028, .name = "R", .value = "1k", .type = 0x4, .quantity = "Resistance", .unit = "Ohm",
     .description = "Resistance"},
    kCh, kChFile, kChStrg, kOutV, kOutI,
};

inline const std::vector<ParamRow> kConductanceRows = {
    {.id = 2028, .name = "G", .value = "2m", .type = 0x4, .quantity = "Conductance", .unit = "S",
     .description = "Conductance"},
    kCh, kChFile, kChStrg, {.id = 2007, .name = "QUANT", .value = "V(N1)", .type = 0x4}, kOutV, kOutI,
};

// The rows with the characteristic given by the reference `curve`: OK refuses a nonlinear form
// whose characteristic has no value.
inline std::vector<ParamRow> WithCharacteristic(std::vector<ParamRow> rows, const char* curve = "CURVE") {
    for (ParamRow& row : rows)
        if (row.id == kCh.id) row.value = curve;
    return rows;
}

// The state a page leaves in the wizard on apply, with input snapshots of these names.
inline void StoreState(CPassiveResAndConWizardBase4& wizard, DWORD lookUp, DWORD modeWord, const char* xLabel,
                       const char* yLabel, const std::vector<const char*>& names) {
    WithSnapshots(names, [&](CPtrArray* list) {
        wizard.StoreModeAndCompareList(lookUp, modeWord, xLabel, yLabel, list);
    });
}

// The head of a characteristic wizard's archive block: schema 0, mode word, look-up and the
// four texts.
inline Bytes WizardHeader(DWORD mode, DWORD lookUp, const std::vector<std::string>& texts) {
    Bytes out;
    Word(out, 0);
    Dword(out, mode);
    Dword(out, lookUp);
    for (const std::string& text : texts) Str(out, text);
    return out;
}
// A new wizard's block up to its snapshot count: no texts and an empty characteristic.
inline Bytes EmptyWizardBlock() {
    Bytes out = WizardHeader(0, 1, {"", "", "", ""});
    Append(out, TableBytes(0, ".mdx", 0, {}, 1, ""));
    return out;
}

// A new characteristic wizard is of kind 3 and stores the empty block without snapshots,
// which loads back into the same bytes; the loaded wizard is given back.
template <class Wizard>
std::unique_ptr<Wizard> ExpectNewWizardBlock(Wizard& fresh) {
    EXPECT_EQ(3, fresh.GetWizardKind());
    Bytes golden = EmptyWizardBlock();
    Dword(golden, 0);
    std::unique_ptr<Wizard> loaded;
    ExpectBlock(fresh, golden, loaded);
    return loaded;
}

// A block of a foreign schema leaves the wizard (mode word 1, x label "a", these snapshots)
// as it was; a block listing one snapshot replaces the list, it is not appended to it.
template <class Wizard>
void ExpectForeignSchemaKeepsAndReloadReplaces(Wizard& wizard, WORD schema, const std::vector<std::string>& kept,
                                               const char* reloaded) {
    Bytes foreign;
    Word(foreign, schema);
    Dword(foreign, 0xDEADBEEF);
    Loaded(foreign, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(schema, wizard.GetSchema());
    EXPECT_EQ(1u, wizard.GetModeWord());
    EXPECT_EQ("a", wizard.GetXAxisLabel().str());
    EXPECT_EQ(kept, SnapshotNames(wizard.GetSnapshots()));

    Bytes block = EmptyWizardBlock();
    Dword(block, 1);
    Append(block, SnapshotBytes(reloaded));
    Loaded(block, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(std::vector<std::string>{reloaded}, SnapshotNames(wizard.GetSnapshots()));
}

// A snapshot count of 0xFFFFFFFF, and a block cut short in its second snapshot (after one of
// this name), are refused.
template <class Wizard>
void ExpectHostileSnapshotCountsRefused(const char* name) {
    Bytes block = EmptyWizardBlock();
    Bytes huge = block;
    Dword(huge, 0xFFFFFFFF);
    Bytes cut = block;
    Dword(cut, 2);
    Append(cut, SnapshotBytes(name));
    cut.resize(cut.size() - 3);
    ExpectRefusedBlocks<Wizard>({{huge, CArchiveException::badIndex}, {cut, CArchiveException::endOfFile}});
}

// The point block of older page data: the point (1, 2) and the four texts.
inline Bytes PointBlock(const std::vector<std::string>& texts) {
    Bytes out;
    Dword(out, 1);
    Double(out, 1.0);
    Double(out, 2.0);
    for (const std::string& text : texts) OldText(out, text);
    return out;
}

// Snapshots of these names (type 0x4) as an archive holds them.
inline Bytes ArchivedSnapshots(const std::vector<std::string>& names) {
    return Stored([&](CArchive& ar) {
        for (const std::string& name : names) {
            CCopaObjectCompare snapshot;
            snapshot.SetName(name.c_str());
            snapshot.SetType(0x4);
            snapshot.Serialize(ar);
        }
    });
}

// The start of older data whose snapshot list of these names is cut five bytes before its end:
// mode word 0, the count of the names, and the list's block.
inline Bytes CutSnapshotsData(const std::vector<std::string>& names) {
    Bytes out = Dwords({0, static_cast<DWORD>(names.size())});
    Bytes snapshots = ArchivedSnapshots(names);
    snapshots.resize(snapshots.size() - 5);
    Block(out, snapshots);
    return out;
}

// A wizard the editor never attached has no receiver and so no parameter set: its page, with
// this name typed, refuses the apply before anything reaches the wizard.
template <class Wizard>
void ExpectLooseApplyRefused(const char* name) {
    Wizard wizard;
    CPropertySheet sheet("Loose");
    ASSERT_TRUE(wizard.DoEditProperties(sheet, 1));
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(nullptr, wizard.GetPage()->GetParams());
    ASSERT_TRUE(qv::ui::TypeText(wizard.GetPage()->GetDlgItem(2001), name));
    EXPECT_FALSE(wizard.GetPage()->OnApply());
    EXPECT_EQ(0, wizard.GetSnapshots().GetSize()) << "nothing reached the wizard";
    sheet.DestroyWindow();
    wizard.EndEditProperties();
}

// A click on the characteristic's "Use Pin" box disables the characteristic field (2016) at
// once and pins its parameter; the apply that follows succeeds.
inline void ExpectCharacteristicPinned(CWnd* page, int pinBox, ParamHolder* holder, CPropertySheet& sheet) {
    EXPECT_TRUE(Enabled(page, 2016));
    ASSERT_TRUE(qv::ui::Click(page, pinBox));
    EXPECT_FALSE(Enabled(page, 2016));
    EXPECT_TRUE(Param(holder, 2016)->HasPin());
    ASSERT_TRUE(qv::ui::Apply(&sheet));
}

// An editor that refuses the commit keeps the wizard's sheet open: the apply fails.
template <class Wizard>
void ExpectRefusedCommitFailsTheApply(Wizard& wizard, qv::SchematicEditor& editor) {
    OpenPage<Wizard> open(wizard);
    editor.SetCommitAnswer(1);
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    editor.SetCommitAnswer(0);
}

// Hidden work on a wizard whose page stands on the sheet (Initialize, the model text of this
// template, a conversion of older data that holds only this DWORD) leaves the page, its cookie
// and its window alone, and no other cookie out; the name typed then applies to the element.
template <class Wizard, class Page>
void ExpectHiddenWorkLeavesThePageAlone(Wizard& wizard, Page* page, CPropertySheet& sheet, qv::SchematicEditor& editor,
                                        DWORD element, const char* model, DWORD older, const char* name) {
    ParamHolder* cookie = page->GetParams();
    CString text = model;
    wizard.Initialize(0);
    EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", text));
    Bytes old;
    Dword(old, older);
    EXPECT_TRUE(ConvertOlder(wizard, old));
    EXPECT_EQ(page, wizard.GetPage());
    EXPECT_EQ(cookie, page->GetParams());
    EXPECT_NE(nullptr, page->GetSafeHwnd());
    EXPECT_EQ(1, editor.OutstandingCookies()) << "only the open page still holds a cookie";
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), name));
    EXPECT_TRUE(qv::ui::Apply(&sheet));
    EXPECT_EQ(name, editor.Holder(element)->m_strElementName.str());
}

// The fixture: a scratch folder; placeholders start and end empty.
class PassiveTest : public NamedElementTest<ParamRow> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(NamedElementTest::SetUp());
        UseScratchFolder("passive");
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        PluginEditorTest::TearDown();
        g_PlaceholderList.DeleteAll();
        g_ModelOutputDir.Empty();
    }
};

} // namespace passive_test
