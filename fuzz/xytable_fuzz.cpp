// Feeds arbitrary bytes to the characteristic table's archive loader, as owners hand it
// converted data: through the saved block (SetData, LoadFromData) and through Serialize on
// an archive. A record that loads is stored again; storing, loading and storing once more
// must give the same bytes.
#include "framework/xy_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::vector<BYTE> Store(CPropCharacteristicXYTable& table) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    table.Serialize(ar);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    CPropCharacteristicXYTable table;
    table.SetData(data, static_cast<int>(size));
    if (!table.LoadFromData()) return 0;

    CPropCharacteristicXYTable copy;
    const std::vector<BYTE> first = Store(table);
    copy.SetData(first.data(), static_cast<int>(first.size()));
    if (!copy.LoadFromData()) std::abort();
    if (Store(copy) != first) std::abort();
    return 0;
}
