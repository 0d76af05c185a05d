#include "framework/param_access.h"

#include "framework/data_classes.h"
#include "framework/page_parts.h"
#include "framework/pinned_fields.h"
#include "services_support.h"

#include <gtest/gtest.h>

using services_test::MakeOutputTemplate;
using services_test::MakeParam;

namespace {

TEST(ParamAccess, LookupTakesTheFirstLiveEntryWithTheValueID) {
    ParamHolder holder;
    holder.AddParam(nullptr);
    CWizardCopaObject3* first = MakeParam(holder, 10, "A", "1");
    CWizardCopaObject3* second = MakeParam(holder, 10, "B", "2");
    EXPECT_EQ(first, FindParamByValueID(&holder, 10));
    EXPECT_EQ(nullptr, FindParamByValueID(&holder, 11));
    EXPECT_EQ(nullptr, FindParamByValueID(nullptr, 10));

    EXPECT_TRUE(SetParamValue(&holder, 10, "3"));
    EXPECT_EQ(CString("2"), second->GetValue());
    CString value("kept");
    EXPECT_FALSE(GetParamValue(&holder, 11, &value));
    EXPECT_EQ(CString("kept"), value);

    // Only SetParamExtBit changes every match.
    EXPECT_TRUE(SetParamExtBit(&holder, 10, TRUE));
    EXPECT_EQ(kParamExtUnused, first->GetExtType());
    EXPECT_EQ(kParamExtUnused, second->GetExtType());
    EXPECT_FALSE(SetParamExtBit(&holder, 11, TRUE));

    // An entry marked deleted is on its way out and is passed over.
    first->SetDeletable(TRUE);
    first->Delete();
    EXPECT_EQ(second, FindParamByValueID(&holder, 10));
    EXPECT_EQ(1, IndexOfParam(&holder, first));
    EXPECT_EQ(-1, IndexOfParam(&holder, nullptr));
}

TEST(ParamAccess, FindByNameNeedsTheInputBit) {
    ParamHolder holder;
    MakeParam(holder, 1, "R", "out", 0x8);
    CWizardCopaObject3* input = MakeParam(holder, 2, "R", "in", 0x4 | 0x8);
    EXPECT_EQ(input, FindParamByName(&holder, "R"));
    EXPECT_EQ(nullptr, FindParamByName(&holder, "r"));
}

TEST(ParamAccess, PinAndDirectionBits) {
    ParamHolder holder;
    CWizardCopaObject3* output = MakeParam(holder, 1, "O", "", 0x80000008u);
    CWizardCopaObject3* input = MakeParam(holder, 2, "I", "", 0x80000004u);
    EXPECT_TRUE(SetParamAsInput(&holder, 1));
    EXPECT_EQ(0x4u, output->GetType());
    EXPECT_TRUE(SetParamAsInput(&holder, 2));
    EXPECT_EQ(0x80000004u, input->GetType());
    EXPECT_TRUE(SetParamAsOutput(&holder, 2));
    EXPECT_EQ(0x8u, input->GetType());

    EXPECT_EQ(1, IsParamNotOnPin(nullptr, 1));
    EXPECT_EQ(1, IsParamNotOnPin(&holder, 99));
    SetParamUsePin(&holder, 1, TRUE);
    EXPECT_EQ(0, IsParamNotOnPin(&holder, 1));
    BOOL pin = 0;
    EXPECT_TRUE(GetParamUsePin(&holder, 1, &pin));
    EXPECT_EQ(1, pin);
    EXPECT_FALSE(SetParamUsePinByPtr(&holder, nullptr, TRUE));
    CWizardCopaObject3 stranger;
    EXPECT_FALSE(SetParamUsePinByPtr(&holder, &stranger, TRUE));

    output->SetType(0xFFFFFFFFu);
    EXPECT_TRUE(SetParamTypeField(&holder, 1));
    EXPECT_EQ(0xFF10FFFFu, output->GetType());
    output->SetType(0x00020004u);
    SetParamTypeField(&holder, 1);
    EXPECT_EQ(0x00100004u, output->GetType());
}

TEST(ParamAccess, UnitSuffix) {
    CString caption("Voltage");
    AppendUnitSuffix(&caption, "");
    EXPECT_EQ(CString("Voltage"), caption);
    AppendUnitSuffix(&caption, "V");
    EXPECT_EQ(CString("Voltage [V]"), caption);
}

TEST(ParamAccess, ValuesBySnapshotSkipExcludedParameters) {
    ParamHolder holder;
    MakeParam(holder, 1, "R", "excluded", 0x4 | 0x2);
    CWizardCopaObject3* used = MakeParam(holder, 2, "R", "2k");
    used->SetQuantity("Resistance");
    used->SetUnit("Ohm");
    used->SetUsedUnit("Ohm");
    CCopaObjectCompare snapshot;
    snapshot.SetName("R");
    EXPECT_EQ(CString("2k"), GetParamValueBySnapshot(&snapshot, &holder));
    EXPECT_FALSE(GetParamValueInUsedUnit(&snapshot, &holder).IsEmpty());
    snapshot.SetName("L");
    EXPECT_EQ(CString(), GetParamValueBySnapshot(&snapshot, &holder));
    EXPECT_EQ(CString(), GetParamValueInUsedUnit(&snapshot, &holder));
}

class OutputsTest : public ::testing::Test {
protected:
    void SetUp() override {
        param = MakeParam(holder, 100, "V", "1");
        MakeOutputTemplate(holder, "OTHER");
        templ = MakeOutputTemplate(holder, "SDB");
    }
    BOOL Live() {
        BOOL on = 77;
        EXPECT_TRUE(GetSDBOutput(&holder, 100, &on));
        return on;
    }
    ParamHolder holder;
    CWizardCopaObject3* param = nullptr;
    CWizardCopaObject3* templ = nullptr;
};

TEST_F(OutputsTest, OnOffOnLeavesADeletedAndALiveInstance) {
    EXPECT_TRUE(SetSDBOutput(&holder, 100, TRUE));
    EXPECT_TRUE(SetSDBOutput(&holder, 100, TRUE));  // already on: nothing new
    ASSERT_EQ(1, holder.GetOutputInstanceCount());
    CWizardCopaObject3* first = holder.GetOutputInstance(0);
    EXPECT_EQ(CString("SDB"), first->GetName());
    EXPECT_EQ(param, first->GetTemplateObject());
    EXPECT_TRUE(first->IsDeletable());
    EXPECT_EQ(nullptr, first->GetCopaObject());

    EXPECT_TRUE(SetSDBOutput(&holder, 100, FALSE));
    EXPECT_TRUE(first->IsDeleted());
    EXPECT_EQ(0, Live());
    EXPECT_TRUE(SetSDBOutputForParam(&holder, param, FALSE));  // FALSE = switch on
    ASSERT_EQ(2, holder.GetOutputInstanceCount());
    EXPECT_TRUE(first->IsDeleted());
    EXPECT_FALSE(holder.GetOutputInstance(1)->IsDeleted());
    EXPECT_EQ(1, Live());
    EXPECT_FALSE(SetSDBOutput(&holder, 101, TRUE));
}

TEST_F(OutputsTest, SwitchingOffReachesTheLiveInstanceAndKeepsUndeletableOnes) {
    // An editor-made instance linked through the parameter's editor object, followed by a
    // deleted one: switching off must still switch the live one off.
    CCopaObjectCompare editorObject;  // any object stands for the editor's parameter
    param->SetCopaObject(&editorObject);
    auto* live = CWizardCopaObject3::CreateWizCopa(templ);
    live->SetTemplateObject(&editorObject);
    live->SetDeletable(TRUE);
    holder.AddOutputInstance(live);
    auto* gone = CWizardCopaObject3::CreateWizCopa(templ);
    gone->SetTemplateObject(param);
    gone->SetDeletable(TRUE);
    gone->Delete();
    holder.AddOutputInstance(gone);
    EXPECT_EQ(1, Live());
    SetSDBOutput(&holder, 100, FALSE);
    EXPECT_EQ(0, Live());

    live->Undelete();
    live->SetDeletable(FALSE);
    SetSDBOutput(&holder, 100, FALSE);
    EXPECT_FALSE(live->IsDeleted());
    EXPECT_EQ(1, Live());
}

TEST(Outputs, WithoutSdbTemplateNothingChangesAndOutIsNotWritten) {
    ParamHolder holder;
    MakeParam(holder, 1, "V", "1");
    MakeOutputTemplate(holder, "NOT_SDB");
    EXPECT_TRUE(SetSDBOutput(&holder, 1, TRUE));
    EXPECT_EQ(0, holder.GetOutputInstanceCount());
    BOOL on = 77;
    EXPECT_TRUE(GetSDBOutput(&holder, 1, &on));
    EXPECT_EQ(77, on);
    CWizardCopaObject3 stranger;
    EXPECT_FALSE(GetSDBOutputForParam(&holder, &stranger, &on));
    EXPECT_FALSE(SetSDBOutputForParam(&holder, nullptr, FALSE));
}

} // namespace

TEST(PinnedFields, TheValueGoesToItsFieldAndOnlyAUsedParameterTicksThePin) {
    struct Case { DWORD type; DWORD extType; bool characteristic; BOOL pin; };
    const DWORD pin = kParamTypeUsePin, unused = kParamExtUnused;
    for (const Case c : {Case{0x4, 0, false, FALSE}, {pin, 0, false, TRUE}, {pin, unused, false, TRUE},
                         {pin, unused, true, FALSE}, {pin, 0, true, TRUE}}) {
        ParamHolder holder;
        CWizardCopaObject3* param = MakeParam(holder, 10, "A", "v", c.type);
        param->SetExtType(c.extType);
        CString text, other;
        BOOL ticked = FALSE;
        EXPECT_TRUE(qv::pages::LoadPinnedField(*param, {{.id = 9, .text = &other}, {.id = 10, .text = &text,
                                                        .usesPin = &ticked, .characteristic = c.characteristic}}));
        EXPECT_TRUE(text == "v" && c.pin == ticked);
        EXPECT_FALSE(qv::pages::LoadPinnedField(*param, {{.id = 11, .text = &other}}) || !other.IsEmpty());
    }
}

namespace {

// A result's name is the expression language's plain name and no keyword; the text of an
// equation list must assign or decide something, with finite numbers.
TEST(PageParts, ResultNamesAndStatementTexts) {
    const struct {
        const char* text;
        bool name;
        bool statements;
    } cases[] = {
        {"DEV", true, false},         {"_x1", true, false},           {"x := 1", false, true},
        {"IF (a) { x := 1 }", false, true}, {"x ## NULL", false, true}, {"1x", false, false},
        {"", false, false},           {"  ", false, false},           {"A B", false, false},
        {"R1.V", false, false},       {"IN[1]", false, false},        {"else", false, false},
        {"If", false, false},         {"x\xE4", false, false},        {"x := 1; y", false, false},
        {"x := 1/0", false, false},   {"x :=", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.name, qv::pages::IsResultName(c.text)) << c.text;
        EXPECT_EQ(c.statements, qv::pages::ReadsAsStatements(c.text)) << c.text;
    }
}

} // namespace
