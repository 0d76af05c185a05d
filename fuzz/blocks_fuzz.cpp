// Feeds arbitrary bytes to the block-diagram wizards' readers of stored data. The first byte
// chooses the reader:
//   0: the sum block's archive block (sheet version 4); a block that loads is stored again,
//      and storing, loading and storing once more must give the same bytes;
//   1: the sum block's data of the older wizard generation (its first DWORD);
//   2: the transfer function's data of the older wizard generation (the hidden page);
//   3: the 4.x coefficient lists of a transfer function (the rest as the numerator list,
//      the second byte as the order);
//   4: the 4.x factor of the sum block (the rest as the factor text).
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_linear/transfer_function.h"
#include "blocks_math/min_max_sum_mul.h"
#include "editor/schematic_editor.h"
#include "win32/module.h"

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Row {
    WORD id;
    const char* name;
    const char* value;
    DWORD type;
};

std::unique_ptr<ParamHolder> MakeSet(const std::vector<Row>& rows) {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "B1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetValue(row.value);
        param->SetType(row.type);
        param->SetDeletable(TRUE);
        holder->AddParam(param);
    }
    return holder;
}

std::vector<BYTE> Store(CMinMaxSumMulBlockWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CMinMaxSumMulBlockWizard4& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return wizard.GetSchema() == 0;
}

template <class Wizard, class Run>
void WithEditor(const std::vector<Row>& rows, Run run) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(MakeSet(rows)));
    run(wizard);
}

const std::vector<Row> kSumRows = {
    {2132, "INPUT", "0", 0x6}, {2132, "INPUT[0]", "a", 0x4}, {2132, "INPUT[1]", "b", 0x4}, {2183, "TS", "0", 0x4}};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The transfer-function page keeps its column widths in the user profile: the fuzzer
    // gets a profile file of its own in the temporary folder.
    const char* tmp = std::getenv("TMPDIR");
    static const std::string profile = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                                       "/blocks_fuzz_profile_" + std::to_string(getpid()) + ".ini";
    setenv("QV_USER_PROFILE", profile.c_str(), 1);
    std::atexit([] { std::remove(profile.c_str()); });
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 16)) return 0;
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (data[0] % 5) {
    case 0: {
        const std::vector<BYTE> bytes(rest, rest + restSize);
        CMinMaxSumMulBlockWizard4 loaded;
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            CMinMaxSumMulBlockWizard4 again;
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        break;
    }
    case 1:
        WithEditor<CMinMaxSumMulBlockWizard4>(kSumRows, [&](CMinMaxSumMulBlockWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
        });
        break;
    case 2:
        WithEditor<CTransferFunctionWizard4>(
            {{2188, "N", "2", 0x4}, {2193, "M", "1", 0x4}, {2194, "Q", "1", 0x6}, {2195, "P", "1", 0x6}},
            [&](CTransferFunctionWizard4& wizard) { wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize)); });
        break;
    case 3: {
        if (restSize < 1) break;
        const std::string order = std::to_string(static_cast<int>(rest[0] % 64) - 2);
        const std::string list(reinterpret_cast<const char*>(rest + 1), restSize - 1);
        if (list.find('\0') != std::string::npos) break;
        WithEditor<CTransferFunctionWizard4>(
            {{2188, "N", order.c_str(), 0x4}, {2193, "M", "0", 0x4}, {2194, "Q", list.c_str(), 0x6},
             {2195, "P", list.c_str(), 0x6}, {2194, "Q[0]", "x", 0x4}},
            [&](CTransferFunctionWizard4& wizard) { wizard.DoConversionFrom4x(); });
        break;
    }
    default: {
        const std::string factor(reinterpret_cast<const char*>(rest), restSize);
        if (factor.find('\0') != std::string::npos) break;
        std::vector<Row> rows = kSumRows;
        rows.push_back({1000, "FACTOR", factor.c_str(), 0x4});
        WithEditor<CMinMaxSumMulBlockWizard4>(rows, [&](CMinMaxSumMulBlockWizard4& wizard) {
            wizard.DoConversionFrom4x();
        });
        break;
    }
    }
    return 0;
}
