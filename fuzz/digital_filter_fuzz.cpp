// Feeds arbitrary bytes to the digital filter's readers of stored data. The first byte
// chooses the reader:
//   0: the wizard's archive block (sheet version 4); a block that loads is stored again, and
//      storing, loading and storing once more must give the same bytes;
//   1: the 4.x data: the coefficient lists of the templates and the settings block;
//   2: the older additional data with the archived page block (read by a hidden page);
//   3: the numeric design: kind, type and order from the next three bytes, then the cut-off,
//      the upper cut-off and the sample time as doubles; a design that is not refused must
//      have finite coefficients that read back from their texts.
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_linear/digital_filter.h"
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
    holder->m_strElementName = "DF1";
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

std::vector<BYTE> Store(CDigitalFilterWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CDigitalFilterWizard4& wizard, const std::vector<BYTE>& bytes) {
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
    CDigitalFilterWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(MakeSet(rows)));
    run(wizard);
}

const std::vector<Row> kRows = {{2188, "N", "3", 0x4},        {2193, "D", "4", 0x4},   {2194, "Q", "1,2", 0x6},
                                {2195, "P", "1,2,3,a", 0x6},   {2194, "Q[7]", "x", 0x4}, {2202, "TS", "1m", 0x4},
                                {2186, "IN", "u", 0x4}};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    static const std::string profile = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                                       "/digital_filter_fuzz_profile_" + std::to_string(getpid()) + ".ini";
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
        CDigitalFilterWizard4 loaded;
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            CDigitalFilterWizard4 again;
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        break;
    }
    case 1:
        WithEditor(kRows, [&](CDigitalFilterWizard4& wizard) {
            std::vector<BYTE> copy(rest, rest + restSize);
            wizard.DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()));
            if (wizard.GetKind() > 3 || wizard.GetType() > 3) std::abort();
        });
        break;
    case 2:
        WithEditor(kRows, [&](CDigitalFilterWizard4& wizard) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
            if (wizard.GetKind() > 3 || wizard.GetType() > 3) std::abort();
        });
        break;
    default: {
        if (restSize < 3 + 24) break;
        double values[3];
        std::memcpy(values, rest + 3, sizeof values);
        CFilterCoefficientTable table(rest[0] % 5);
        const qv::filter::NumericDesign design =
            qv::filter::DesignNumeric(table, rest[1] % 5, rest[2] % 13, values[0], values[1], values[2]);
        if (design.refusal != qv::filter::Refusal::None) break;
        if (design.texts != design.count) std::abort();
        for (int i = 0; i < design.texts; ++i) {
            const double n = std::strtod(std::string(design.NumeratorText(i)).c_str(), nullptr);
            const double d = std::strtod(std::string(design.DenominatorText(i)).c_str(), nullptr);
            if (!std::isfinite(n) || !std::isfinite(d) || n != design.numerator[static_cast<size_t>(i)] + 0.0) std::abort();
        }
        break;
    }
    }
    return 0;
}
