// A fixture whose tests write their data files into a fresh folder of their own,
// "<temp>/<prefix>_XXXXXX/" (`folder`, with the slash), removed at the end; the document and
// model-output places are empty around each test.
#pragma once

#include "framework/data_file_places.h"
#include "tests/support/sandbox.h"

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace qv_test {

template <class Base>
class OwnFolderTest : public Base {
protected:
    explicit OwnFolderTest(const char* prefix) : m_prefix(prefix) {}
    void SetUp() override {
        Base::SetUp();
        std::string pattern = TempFolder() + "/" + m_prefix + "_XXXXXX";
        folder = mkdtemp(pattern.data());
        folder += "/";
        g_DocumentDir.Empty();
    }
    void TearDown() override {
        g_DocumentDir.Empty();
        SetModelOutputDir("");
        std::error_code code;
        std::filesystem::remove_all(folder, code);
        Base::TearDown();
    }
    std::string folder;

private:
    std::string m_prefix;
};

} // namespace qv_test
