// Loads an archive of runtime-class objects from arbitrary bytes. The first byte picks how
// the rest is read: as a stream of objects (ReadObject in a loop), or through the readers'
// pattern that tries a class reference and seeks back when it fails.
#include "afx/afx.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

namespace {

// Every fuzz object lives in this set until the harness deletes it, whoever loaded it.
std::set<CObject*>& Live()
{
    static std::set<CObject*> live;
    return live;
}

} // namespace

class CFuzzLeaf : public CObject {
    DECLARE_SERIAL(CFuzzLeaf)
public:
    CFuzzLeaf() { Live().insert(this); }
    ~CFuzzLeaf() override { Live().erase(this); }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsLoading())
            ar >> m_name >> m_value >> m_count;
    }
    CString m_name;
    double m_value = 0;
    WORD m_count = 0;
};

// Versionable, with a reference to another object that it does not own.
class CFuzzNode : public CObject {
    DECLARE_SERIAL(CFuzzNode)
public:
    CFuzzNode() { Live().insert(this); }
    ~CFuzzNode() override { Live().erase(this); }
    void Serialize(CArchive& ar) override
    {
        if (!ar.IsLoading())
            return;
        const UINT schema = ar.GetObjectSchema();
        if (schema >= 1) {
            DWORD version;
            ar >> version;
        }
        ar >> m_pOther;
        CString text;
        if (ar.ReadString(text))
            m_lines.push_back(text);
    }
    CObject* m_pOther = nullptr;
    std::vector<CString> m_lines;
};

IMPLEMENT_SERIAL(CFuzzLeaf, CObject, 1)
IMPLEMENT_SERIAL(CFuzzNode, CObject, VERSIONABLE_SCHEMA | 10)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 1 << 20)
        return 0;
    const bool seekBackPattern = data[0] & 1;
    std::vector<BYTE> bytes(data + 1, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    {
        CArchive ar(&file, CArchive::load);
        try {
            for (int i = 0; i < 1000 && file.GetPosition() < file.GetLength(); ++i) {
                if (seekBackPattern) {
                    const DWORD pos = ar.GetFile()->GetPosition();
                    UINT schema = 0;
                    try {
                        ar.SerializeClass(RUNTIME_CLASS(CFuzzNode));
                        schema = ar.GetObjectSchema();
                    } catch (CException* e) {
                        e->Delete();
                        ar.Flush();
                        ar.GetFile()->Seek(static_cast<LONG>(pos), CFile::begin);
                    }
                    CString name;
                    DWORD a = 0, b = 0;
                    if (schema >= 1)
                        ar >> a;
                    ar >> name >> a >> b;
                } else {
                    ar.ReadObject(nullptr);
                }
            }
        } catch (CException* e) {
            e->Delete();
        }
    }
    while (!Live().empty())
        delete *Live().begin();
    return 0;
}
