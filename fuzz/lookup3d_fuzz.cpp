// Feeds arbitrary bytes to the 3D lookup table's readers of stored data. The first byte picks
// the reader: 0 the wizard's archive block (sheet version 4; a block that loads is stored,
// loaded and stored again to the same bytes), 1 the sweep-data object alone, 2 the page's
// archive (inside an older block, through the hidden page), 3 the whole older block. The
// editor stand-in checks that every parameter set fetched is given back.
#include "equations/lookup_table_3d.h"
#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> GridSet() {
    return MakeSet("LUT1", {{2186, "INX", ""}, {2117, "FILE", "", 0x100006}, {2215, "INTERP", "", 0x6},
                            {2425, "VAR", "", 0x100006}});
}

// Whole: a block that starts with the current schema word (0); no other block is loaded.
bool Whole(const std::vector<BYTE>& bytes) { return bytes.size() >= 2 && bytes[0] == 0 && bytes[1] == 0; }

void Convert(const std::vector<BYTE>& block) {
    ConvertAndStore<C3DLookupTableWizard4>(GridSet(), block.data(), block.size());
}

void Dword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

} // namespace

// The hidden pages keep their column widths in the per-user profile.
extern "C" int LLVMFuzzerInitialize(int*, char***) { return LoadPluginWithOwnProfile("lookup3d_fuzz_profile"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data + 1, data + size);
    switch (data[0] & 3) {
    case 0:
        if (Whole(bytes))
            StoreLoadStore<C3DLookupTableWizard4>(bytes, [](auto&, const std::vector<BYTE>& block) { return Whole(block); });
        break;
    case 1: {
        CDlgSweepData sweep;
        SerializeFrom(sweep, bytes);
        break;
    }
    case 2: {
        // The bytes as the page archive of an older block without points.
        std::vector<BYTE> block;
        Dword(block, 0);
        Dword(block, 0);
        Dword(block, 0);
        Dword(block, static_cast<DWORD>(bytes.size()));
        block.insert(block.end(), bytes.begin(), bytes.end());
        Convert(block);
        break;
    }
    default:
        Convert(bytes);
        break;
    }
    return 0;
}
