// Little-endian reading and writing over a byte cursor with a remaining-length counter.
// Every read and write first checks that the whole field fits; lengths are compared as
// unsigned 64-bit values against what remains, so no count can wrap around.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "afx/afx.h"
#include "wizard/wizardbase.h"

namespace qv::bytes {

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_left(data ? size : 0) {}
    size_t Remaining() const { return m_left; }
    const BYTE* Position() const { return m_data; }
    bool Fits(uint64_t count) const { return count <= m_left; }

    bool ReadDword(DWORD& out) {
        if (!Fits(4)) return false;
        out = static_cast<DWORD>(m_data[0]) | static_cast<DWORD>(m_data[1]) << 8 |
              static_cast<DWORD>(m_data[2]) << 16 | static_cast<DWORD>(m_data[3]) << 24;
        Skip(4);
        return true;
    }
    bool ReadDouble(double& out) {
        if (!Fits(8)) return false;
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = bits << 8 | m_data[i];
        std::memcpy(&out, &bits, sizeof out);
        Skip(8);
        return true;
    }
    // A text stored as DWORD length and that many bytes. Reads nothing unless both fit.
    bool ReadText(CString& out) {
        if (!Fits(4)) return false;
        const uint64_t length = static_cast<DWORD>(m_data[0]) | static_cast<DWORD>(m_data[1]) << 8 |
                                static_cast<DWORD>(m_data[2]) << 16 | static_cast<DWORD>(m_data[3]) << 24;
        if (!Fits(4 + length)) return false;
        out = CString(reinterpret_cast<const char*>(m_data + 4), static_cast<int>(length));
        Skip(4 + static_cast<size_t>(length));
        return true;
    }
    bool SkipBytes(uint64_t count) {
        if (!Fits(count)) return false;
        Skip(static_cast<size_t>(count));
        return true;
    }

private:
    void Skip(size_t count) {
        m_data += count;
        m_left -= count;
    }
    const BYTE* m_data;
    size_t m_left;
};

class Writer {
public:
    Writer(BYTE* data, size_t size) : m_data(data), m_left(data ? size : 0) {}
    size_t Remaining() const { return m_left; }
    BYTE* Position() const { return m_data; }

    // Callers check the total size first; each write still refuses what does not fit.
    bool WriteDword(DWORD value) {
        if (m_left < 4) return false;
        for (int i = 0; i < 4; ++i) m_data[i] = static_cast<BYTE>(value >> (8 * i));
        Advance(4);
        return true;
    }
    bool WriteDouble(double value) {
        if (m_left < 8) return false;
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i) m_data[i] = static_cast<BYTE>(bits >> (8 * i));
        Advance(8);
        return true;
    }
    bool WriteText(const CString& text) {
        const size_t length = static_cast<size_t>(text.GetLength());
        if (m_left < 4 || m_left - 4 < length) return false;
        WriteDword(static_cast<DWORD>(length));
        if (length > 0) std::memcpy(m_data, static_cast<const char*>(text), length);
        Advance(length);
        return true;
    }

private:
    void Advance(size_t count) {
        m_data += count;
        m_left -= count;
    }
    BYTE* m_data;
    size_t m_left;
};

// Size of a text in its DWORD-length form.
inline size_t TextSize(const CString& text) { return 4 + static_cast<size_t>(text.GetLength()); }

// A reader over the wizard's additional data block; empty for a null wizard or no block.
inline Reader AdditionalData(CWizardBase3* wizard) {
    BYTE* data = nullptr;
    const DWORD size = wizard ? wizard->GetAdditionalWizardData(&data) : 0;
    return Reader(data, size);
}

} // namespace qv::bytes
