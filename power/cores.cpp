#include "power/cores.h"

#include "afx/archive.h"
#include "afx/exceptions.h"
#include "afx/file.h"
#include "framework/byte_cursor.h"

#include <cstdlib>

namespace qv::power::cores {

namespace {

void AppendDword(std::vector<BYTE>& out, DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>(value >> shift));
}

std::vector<BYTE> PageArchive(const EddyCurrentSettings& settings)
{
    CMemFile file(1024);
    {
        CArchive ar(&file, CArchive::store, 4096);
        ar << kCorePageArchiveVersion;
        ar << settings.resistivity << settings.coefficient1 << settings.coefficient2;
        ar.Close();
    }
    const DWORD length = file.GetLength();
    BYTE* bytes = file.Detach();
    std::vector<BYTE> out(bytes, bytes + length);
    std::free(bytes);
    return out;
}

// Reads the three texts from a page archive; false when the archive ends before them.
bool ReadPageArchive(const BYTE* data, size_t size, EddyCurrentSettings& settings)
{
    std::vector<BYTE> copy(data, data + size);
    CString texts[3];
    try {
        CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
        CArchive ar(&file, CArchive::load, 4096);
        DWORD version = 0;
        ar >> version;
        ar >> texts[0] >> texts[1] >> texts[2];
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    settings.resistivity = texts[0];
    settings.coefficient1 = texts[1];
    settings.coefficient2 = texts[2];
    return true;
}

}  // namespace

std::vector<BYTE> StoreCoreAdditionalData(const EddyCurrentSettings& settings)
{
    const std::vector<BYTE> archive = PageArchive(settings);
    std::vector<BYTE> out;
    out.reserve(24 + archive.size());
    AppendDword(out, settings.switchedOn);
    AppendDword(out, 0);
    AppendDword(out, 0);  // L1: the first block is empty
    AppendDword(out, static_cast<DWORD>(archive.size()));
    out.insert(out.end(), archive.begin(), archive.end());
    AppendDword(out, 0);
    AppendDword(out, 0);
    return out;
}

std::vector<BYTE> StoreFixedCoreAdditionalData(DWORD switchedOn)
{
    std::vector<BYTE> out;
    AppendDword(out, switchedOn);
    for (int i = 0; i < 5; ++i)
        AppendDword(out, 0);
    return out;
}

void LoadCoreAdditionalData(const BYTE* data, size_t size, EddyCurrentSettings& settings, bool withArchive)
{
    if (data == nullptr)
        return;
    qv::bytes::Reader reader(data, size);
    DWORD value = 0;
    if (!reader.ReadDword(value))
        return;
    settings.switchedOn = value;
    DWORD length = 0;
    if (!reader.ReadDword(value) || !reader.ReadDword(length) || !reader.SkipBytes(length))
        return;
    if (!reader.ReadDword(length) || length == 0 || !reader.Fits(length) || !withArchive)
        return;
    ReadPageArchive(reader.Position(), length, settings);
}

}  // namespace qv::power::cores
