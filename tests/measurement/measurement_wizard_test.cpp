// The measurement wizards as the editor drives them, and the sensitivity element's model text.
#include "tests/blocks_linear/blocks_support.h"

#include "framework/factories.h"
#include "measurement/signal_characteristics.h"

using namespace blocks_test;

namespace {

using MeasurementWizard = BlocksTest;

// Counts the objects the base owns that were deleted.
struct Tracked : CObject {
    explicit Tracked(int* counter) : deleted(counter) {}
    ~Tracked() override { ++*deleted; }
    int* deleted;
};

TEST_F(MeasurementWizard, EveryIdIsMadeByTheOlderFactoryAndKnowsItsKind) {
    for (int id = 86; id <= 102; ++id) {
        SCOPED_TRACE(id);
        std::unique_ptr<CWizardBase3> wizard(static_cast<CWizardBase3*>(CreateWizardInstance(id)));
        ASSERT_NE(nullptr, wizard);
        EXPECT_EQ(3, wizard->GetWizardKind());
        EXPECT_FALSE(wizard->WantChangeNotification());
        std::unique_ptr<CWizardBase3> copy(wizard->Clone());
        ASSERT_NE(nullptr, copy);
        EXPECT_STREQ(wizard->GetRuntimeClass()->m_lpszClassName, copy->GetRuntimeClass()->m_lpszClassName);
        // Modes other than 1 go to the base and add no page.
        CWizardSchematicDataExchange3 exchange;
        CPropertySheet sheet("Element");
        EXPECT_FALSE(wizard->DoEditProperties(sheet, &exchange, 0));
        EXPECT_FALSE(wizard->DoEditProperties(sheet, &exchange, 2));
        EXPECT_EQ(0, sheet.GetPageCount());
        // Ending without a page still deletes the objects the base owns.
        int deleted = 0;
        wizard->m_pOwnedObject[0] = new Tracked(&deleted);
        wizard->m_pOwnedObject[2] = new Tracked(&deleted);
        wizard->EndEditProperties();
        EXPECT_EQ(2, deleted);
        EXPECT_EQ(nullptr, wizard->m_pOwnedObject[0]);
        EXPECT_EQ(nullptr, wizard->m_pOwnedObject[2]);
    }
}

TEST_F(MeasurementWizard, ASecondEditingReplacesThePageAndACloneHasNone) {
    CSCRiseTimeWizard wizard;
    CWizardSchematicDataExchange3 exchange;
    CPropertySheet first("Element");
    ASSERT_TRUE(wizard.DoEditProperties(first, &exchange, 1));
    ASSERT_NE(nullptr, wizard.GetPage());
    // The editor drops the sheet without ending the editing.
    first.RemovePage(wizard.GetPage());
    CPropertySheet second("Element");
    // The page of the editing that was never ended is deleted (the sanitizer sees a leak
    // otherwise), and a new one goes on the new sheet.
    ASSERT_TRUE(wizard.DoEditProperties(second, &exchange, 1));
    EXPECT_EQ(1, second.GetPageCount());
    std::unique_ptr<CWizardBase3> copy(wizard.Clone());
    EXPECT_EQ(nullptr, static_cast<CSCRiseTimeWizard*>(copy.get())->GetPage());
    second.RemovePage(wizard.GetPage());
    wizard.EndEditProperties();
    EXPECT_EQ(nullptr, wizard.GetPage());
}

TEST_F(MeasurementWizard, EveryWizardPutsThePageOfItsTemplate) {
    const struct {
        int id;
        UINT templateID;
    } cases[] = {{86, 2583}, {87, 2583}, {88, 2583}, {89, 2584},  {90, 2584},  {91, 2585},
                 {92, 2586}, {93, 2587}, {94, 2588}, {95, 2588},  {96, 2589},  {97, 2590},
                 {98, 2590}, {99, 2591}, {100, 2592}, {101, 2592}, {102, 2593}};
    for (const auto& c : cases) {
        std::unique_ptr<CWizardBase3> wizard(static_cast<CWizardBase3*>(CreateWizardInstance(c.id)));
        CWizardSchematicDataExchange3 exchange;
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, &exchange, 1)) << c.id;
        ASSERT_EQ(1, sheet.GetPageCount()) << c.id;
        auto* page = dynamic_cast<CPropSCFrame*>(sheet.GetPage(0));
        ASSERT_NE(nullptr, page) << c.id;
        EXPECT_EQ(c.templateID, page->Table().templateID) << c.id;
        sheet.RemovePage(page);
        wizard->EndEditProperties();
    }
}

// ---------------------------------------------------------------------------------------
// The sensitivity element's "@INITLIST".

struct Name {
    WORD id;
    const char* value;
    bool deleted = false;
};

std::string InitList(const std::vector<Name>& names, const char* model, const char* templ = "IMMANENT",
                     bool withNull = false) {
    CWizardSchematicDataExchange3 exchange;
    if (withNull) exchange.AddParam(nullptr);
    for (const Name& name : names) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(name.id);
        param->SetName("P");
        param->SetValue(name.value);
        param->SetType(0x80000008);
        if (name.deleted) {
            param->SetDeletable(TRUE);
            param->Delete();
        }
        exchange.AddParam(param);
    }
    exchange.m_strModelText = model;
    CSCSensitivityWizard wizard;
    EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, templ, &exchange));
    return exchange.m_strModelText.str();
}

TEST_F(MeasurementWizard, SensitivityInitList) {
    const std::string head = "INTERN EQU {\t";
    const std::string tail = "\t} DST: SIM(Type:=SFML, Sequ:=INIT);";
    struct Case {
        const char* name;
        std::vector<Name> names;
        const char* model;
        const char* templ;
        std::string expected;
    };
    const Case cases[] = {
        {"both names empty", {{2154, ""}, {2156, ""}}, "A @INITLIST B", "IMMANENT", "A  B"},
        {"only 2156", {{2154, ""}, {2156, "dm"}}, "@INITLIST", "IMMANENT", head + "dm := 0;" + tail},
        {"both, array order", {{2156, "dm"}, {2154, "d"}}, "X @INITLIST", "IMMANENT",
         "X " + head + "dm := 0;\nd := 0;" + tail},
        {"two 2154", {{2154, "d1"}, {2154, "d2"}, {2200, "other"}}, "@INITLIST", "IMMANENT",
         head + "d1 := 0;\nd2 := 0;" + tail},
        {"only the first of two placeholders", {{2154, "d"}}, "@INITLIST;@INITLIST", "IMMANENT",
         head + "d := 0;" + tail + ";@INITLIST"},
        {"no placeholder", {{2154, "d"}}, "SENS S1;", "IMMANENT", "SENS S1;"},
        {"template without IMMANENT", {{2154, "d"}}, "@INITLIST", "SENS", "@INITLIST"},
        {"a deleted name does not count", {{2154, "gone", true}, {2156, "dm"}}, "@INITLIST", "IMMANENT",
         head + "dm := 0;" + tail},
        {"a percent sign is copied", {{2154, "d%s"}}, "@INITLIST", "IMMANENT", head + "d%s := 0;" + tail},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, InitList(c.names, c.model, c.templ)) << c.name;
    EXPECT_EQ(head + "d := 0;" + tail, InitList({{2154, "d"}}, "@INITLIST", "IMMANENT", true)) << "null entries";
    CSCSensitivityWizard wizard;
    EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", nullptr));
}

} // namespace
