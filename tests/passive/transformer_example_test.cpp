// The transformer example through the host, as `qvhost describe`, `save` and `load` run it:
// the description against golden text, the archive round trip, and the requests of the pages.
#include "tests/support/host_fixture.h"

#include <set>
#include <string>

namespace {

using qv_test::ReadFile;

class TransformerExample : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartWithExample("transformer_example", "transformers.json")); }
};

TEST_F(TransformerExample, DescriptionMatchesTheGoldenText) {
    size_t written = 0;
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/passive/transformers.desc"), Describe(*host, "t.desc", &written));
    EXPECT_EQ(1u, written) << "the transformers write no data files";
    EXPECT_TRUE(host->Editor().Breaches().empty());
}

TEST_F(TransformerExample, PagesCommitOnlyTheirElementsExchangeObject) {
    // Building ran the page of element 1 for its values and the scripts of elements 2 to 4;
    // each page committed its own object.
    std::set<DWORD> committed;
    for (const auto& request : host->Editor().Requests()) {
        EXPECT_NE(WIZREQ_GET_PARAMS, request.code) << "the older-base wizards fetch no cookie";
        if (request.code == WIZREQ_COMMIT_EXCHANGE) committed.insert(request.element);
    }
    EXPECT_EQ((std::set<DWORD>{1, 2, 3, 4}), committed);
    EXPECT_TRUE(host->Editor().Breaches().empty());
}

TEST_F(TransformerExample, SaveAndLoadKeepNoWizardData) {
    for (DWORD element = 1; element <= 4; ++element) {
        ASSERT_NE(nullptr, host->Editor().Exchange(element));
        EXPECT_EQ(0u, host->Editor().Exchange(element)->GetAdditionalDataSize()) << element;
    }
    const auto loaded = SavedAndLoaded();
    ASSERT_NE(nullptr, loaded);
    ASSERT_EQ(4u, loaded->ElementCount());
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/passive/transformers.desc"), Describe(*loaded, "loaded.desc"));
}

// The coupled inductors and the nonlinear transformer: K and M forms, data pairs (with its
// data file), a file reference and a pin.
class CoupledExample : public TransformerExample {
protected:
    void SetUp() override {
        TransformerExample::SetUp();
        host = Started();
        BuildExample("coupled_inductors.json");
    }
};

TEST_F(CoupledExample, DescriptionAndDataFileMatchTheGoldenText) {
    size_t written = 0;
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/passive/coupled_inductors.desc"),
              Describe(*host, "c.desc", &written));
    EXPECT_EQ(2u, written);
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/passive/CoupledInductors__TN1.mdx"),
              ReadFile(folder / "CoupledInductors__TN1.mdx"));
    ExpectEditorClean();
}

TEST_F(CoupledExample, SaveLoadAndSaveGiveTheSameBytes) {
    const auto loaded = SavedAndLoaded();
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/passive/coupled_inductors.desc"), Describe(*loaded, "loaded.desc"));
}

} // namespace
