// Bytes as archives and data blocks store them, for building the exact input a loader is
// given in a test, and memory archives that store or load through a callable.
#pragma once

#include "afx/afx.h"
#include "wizard/wizardbase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv_test {

using Bytes = std::vector<BYTE>;

// Little-endian numbers.
inline void Word(Bytes& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
inline void Dword(Bytes& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
inline void Double(Bytes& out, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<BYTE>(bits >> (8 * i)));
}
inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
inline Bytes Dwords(std::initializer_list<DWORD> values) {
    Bytes out;
    for (DWORD v : values) Dword(out, v);
    return out;
}

// A text of older data: DWORD length and the characters.
inline void OldText(Bytes& out, const std::string& text) {
    Dword(out, static_cast<DWORD>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}
// A block of older data: DWORD length, then the bytes.
inline void Block(Bytes& out, const Bytes& bytes) {
    Dword(out, static_cast<DWORD>(bytes.size()));
    Append(out, bytes);
}
// A class record written the first time: tag 0xFFFF, schema, name length, name.
inline void NewClass(Bytes& out, const std::string& name, WORD schema = 10) {
    Word(out, 0xFFFF);
    Word(out, schema);
    Word(out, static_cast<WORD>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

// What a storing archive over memory holds after store(ar).
template <class Store>
Bytes Stored(Store store) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
        ar.Close();
    }
    return Bytes(file.Data(), file.Data() + file.GetLength());
}
// A text as an archive stores it, written by the archive itself: its length (one byte below
// 255 bytes, a longer field from there on, as a deep path needs) and the characters.
inline Bytes ArchiveString(const std::string& text) {
    return Stored([&](CArchive& ar) { ar << CString(std::string_view(text)); });
}
inline void Str(Bytes& out, const std::string& text) { Append(out, ArchiveString(text)); }

// Runs load(ar) on a loading archive over a copy of the bytes.
template <class Load>
void Loaded(Bytes bytes, Load load) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()), 0);
    CArchive ar(&file, CArchive::load);
    load(ar);
}

// The wizard's archive block (sheet version 4).
template <class Wizard>
Bytes StoredBlock(Wizard& wizard) {
    return Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
}
// TRUE when the wizard loads the block without an archive refusal.
template <class Wizard>
bool LoadedBlock(Wizard& wizard, const Bytes& bytes) {
    try {
        Loaded(bytes, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return true;
}

// Hands the bytes to the wizard as older element data; gives the wizard's answer.
template <class Wizard>
BOOL ConvertOlder(Wizard& wizard, const Bytes& data) {
    return wizard.DoConvertWizard3Data(data.data(), static_cast<long>(data.size()));
}

// A snapshot record: the class record where the archive meets the class first (classTag 0),
// else the tag that refers back to it; then version 10, name, type and extended type.
inline Bytes SnapshotBytes(const std::string& name, WORD classTag = 0, DWORD type = 0x4, DWORD extType = 0) {
    Bytes out;
    if (classTag == 0)
        NewClass(out, "CCopaObjectCompare");
    else
        Word(out, classTag);
    Dword(out, 10);
    Str(out, name);
    Dword(out, type);
    Dword(out, extType);
    return out;
}

// Stores the wizard, compares with the golden bytes, loads them into a fresh wizard of the
// same class and stores that one again.
template <class Wizard>
void ExpectBlock(Wizard& wizard, const Bytes& golden, std::unique_ptr<Wizard>& loaded) {
    EXPECT_EQ(golden, StoredBlock(wizard));
    loaded = std::make_unique<Wizard>();
    Loaded(golden, [&](CArchive& ar) { loaded->Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(golden, StoredBlock(*loaded));
}

// Each block, loaded into a fresh wizard, raises an archive refusal of its cause.
template <class Wizard>
void ExpectRefusedBlocks(const std::vector<std::pair<Bytes, int>>& cases) {
    for (const auto& [bad, cause] : cases) {
        Wizard wizard;
        try {
            Loaded(bad, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
            ADD_FAILURE() << "refused data must raise";
        } catch (CArchiveException* e) {
            EXPECT_EQ(cause, e->m_cause);
            e->Delete();
        }
    }
}

} // namespace qv_test
