// Feeds arbitrary bytes to the discrete transfer function's readers of stored data. The first
// byte chooses the reader:
//   0: the wizard's archive block (sheet version 4); a block that loads is stored again, and
//      storing, loading and storing once more must give the same bytes;
//   1: the old G(s) block of 4.x data (with the coefficient lists of the templates);
//   2: the data of the older wizard generation (the hidden page hands its third block to the
//      "Convert G(s)" dialog's state);
//   3: the discretizer itself: orders from the next two bytes, then coefficients and the
//      sample time as doubles; an accepted result must be finite.
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_linear/discrete_transfer_function.h"
#include "editor/schematic_editor.h"
#include "win32/module.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    holder->m_strElementName = "G1";
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

std::vector<BYTE> Store(CDiscreteTransferFunctionWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CDiscreteTransferFunctionWizard4& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return bytes.size() >= 2 && bytes[0] == 0 && bytes[1] == 0;
}

template <class Run>
void WithEditor(const std::vector<Row>& rows, Run run) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CDiscreteTransferFunctionWizard4 wizard(1);
    editor.Attach(wizard, editor.AddElement(MakeSet(rows)));
    run(wizard);
}

const std::vector<Row> kRows = {{2188, "N", "2", 0x4},   {2193, "D", "3", 0x4},  {2194, "Q", "1,2", 0x6},
                                {2195, "P", "1,2,3,a,b,c,4,5,6,7,8", 0x6}, {2198, "Q0", "0", 0x6},
                                {2199, "P0", "0", 0x6},  {2202, "TS", "1m", 0x4}};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The pages keep their column widths in the user profile: the fuzzer gets a profile file
    // of its own in the temporary folder.
    const char* tmp = std::getenv("TMPDIR");
    static const std::string profile = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                                       "/discrete_tf_fuzz_profile_" + std::to_string(getpid()) + ".ini";
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
    switch (data[0] % 4) {
    case 0: {
        const std::vector<BYTE> bytes(rest, rest + restSize);
        CDiscreteTransferFunctionWizard4 loaded(1);
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            CDiscreteTransferFunctionWizard4 again(1);
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        break;
    }
    case 1:
        WithEditor(kRows, [&](CDiscreteTransferFunctionWizard4& wizard) {
            std::vector<BYTE> copy(rest, rest + restSize);
            wizard.DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()));
        });
        break;
    case 2:
        WithEditor(kRows, [&](CDiscreteTransferFunctionWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
        });
        break;
    default: {
        if (restSize < 2) break;
        const short m = static_cast<short>(rest[0] % 12);
        const short n = static_cast<short>(rest[1] % 12);
        double values[32] = {};
        const size_t count = std::min<size_t>((restSize - 2) / 8, 32);
        std::memcpy(values, rest + 2, count * 8);
        const double* num = values;
        const double* den = values + 12;
        static CTransferFunctionDiscretizer discretizer;
        discretizer.Discretize(den, num, m, n, 1.0, values[24]);
        if (discretizer.GetStatus() == CTransferFunctionDiscretizer::Status::Done)
            for (int i = 0; i < n; ++i)
                if (!std::isfinite(discretizer.ResultNumerator()[i]) || !std::isfinite(discretizer.ResultDenominator()[i]))
                    std::abort();
        break;
    }
    }
    return 0;
}
