// CWizardCopaObject3: one parameter (or output entry) of an element, as the editor keeps it.
//
// Every accessor is inline here, so the plug-in carries its own copies of them; construction,
// copying and CreateWizCopa live in copa.cpp. The fields keep the declaration order the
// plug-in expects.
#pragma once

#include "afx/afx.h"

#include <memory>

typedef CMap<WORD, WORD, CString, LPCTSTR> CLanguageTextMap;

class CWizardCopaObject3 : public CObject {
public:
    // Type bits.
    static constexpr DWORD kTypeUsePin = 0x80000000u;
    static constexpr DWORD kTypeInput = 0x4;
    static constexpr DWORD kTypeOutput = 0x8;
    static constexpr DWORD kTypeInOut = 0x10;
    static constexpr DWORD kTypeDirectionMask = 0x1C;
    // ExtType and TolState bits.
    static constexpr DWORD kExtLocked = 0x10000000u;
    static constexpr DWORD kExtConservativeNode = 0x1;
    static constexpr DWORD kTolLocked = 0x1;

    CWizardCopaObject3();
    CWizardCopaObject3(const CWizardCopaObject3& other);
    explicit CWizardCopaObject3(const CWizardCopaObject3* other);
    CWizardCopaObject3& operator=(const CWizardCopaObject3& other);
    ~CWizardCopaObject3() override;

    // A new output entry made from a template: a copy of the template's fields, not deleted,
    // not linked to an editor object, its TemplateObject link pointing at the template. The
    // caller owns the result (null for a null template).
    static CWizardCopaObject3* CreateWizCopa(const CWizardCopaObject3* templ);

    const CString& GetName() const { return m_Name; }
    void SetName(LPCTSTR s) { m_Name = s; }
    const CString& GetValue() const { return m_Value; }
    void SetValue(LPCTSTR s) { m_Value = s; }
    const CString& GetUnit() const { return m_Unit; }
    void SetUnit(LPCTSTR s) { m_Unit = s; }
    const CString& GetNatureOrDatatype() const { return m_NatureOrDatatype; }
    void SetNatureOrDatatype(LPCTSTR s) { m_NatureOrDatatype = s; }

    const CLanguageTextMap& GetInfoMap() const { return m_InfoMap.Get(); }
    void SetInfoMap(const CLanguageTextMap& map) { m_InfoMap.Replace(map); }
    CString GetInfoByLangID(WORD lang) const { return LookupText(m_InfoMap.Get(), lang); }
    void SetInfoByLangID(WORD lang, LPCTSTR text) { m_InfoMap.Edit().SetAt(lang, text); }

    const CLanguageTextMap& GetDescriptionMap() const { return m_DescriptionMap.Get(); }
    void SetDescriptionMap(const CLanguageTextMap& map) { m_DescriptionMap.Replace(map); }
    CString GetDescriptionByLangID(WORD lang) const { return LookupText(m_DescriptionMap.Get(), lang); }
    void SetDescriptionByLangID(WORD lang, LPCTSTR text) { m_DescriptionMap.Edit().SetAt(lang, text); }

    const CMapStringToString& GetAccessMap() const { return m_AccessMap.Get(); }
    void SetAccessMap(const CMapStringToString& map) { m_AccessMap.Replace(map); }
    CString GetAccessBySimLang(LPCTSTR simLang) const { return LookupText(m_AccessMap.Get(), simLang); }
    void SetAccessBySimLang(LPCTSTR simLang, LPCTSTR text) { m_AccessMap.Edit().SetAt(simLang, text); }

    const CMapStringToString& GetDefaultValueMap() const { return m_DefaultValueMap.Get(); }
    void SetDefaultValueMap(const CMapStringToString& map) { m_DefaultValueMap.Replace(map); }
    CString GetDefValBySimLang(LPCTSTR simLang) const { return LookupText(m_DefaultValueMap.Get(), simLang); }
    void SetDefValBySimLang(LPCTSTR simLang, LPCTSTR text) { m_DefaultValueMap.Edit().SetAt(simLang, text); }

    DWORD GetType() const { return m_Type; }
    void SetType(DWORD type) { m_Type = type; }
    BOOL HasPin() const { return (m_Type & kTypeUsePin) != 0; }
    void UsePin(BOOL on) { m_Type = on ? (m_Type | kTypeUsePin) : (m_Type & ~kTypeUsePin); }
    // Only the exact direction values count: 0xC (input and output bits) is neither.
    BOOL IsInput() const { return (m_Type & kTypeDirectionMask) == kTypeInput; }
    BOOL IsOutput() const { return (m_Type & kTypeDirectionMask) == kTypeOutput; }
    BOOL IsInOut() const { return (m_Type & kTypeDirectionMask) == kTypeInOut; }

    DWORD GetExtType() const { return m_ExtType; }
    void SetExtType(DWORD type) { m_ExtType = type; }
    BOOL IsLocked() const { return (m_ExtType & kExtLocked) != 0; }
    BOOL IsConservativeNode() const { return (m_ExtType & kExtConservativeNode) != 0; }

    int GetVctIndex() const { return m_VctIndex; }
    void SetVctIndex(int index) { m_VctIndex = index; }
    WORD GetNameID() const { return m_NameID; }
    void SetNameID(WORD id) { m_NameID = id; }
    WORD GetValueID() const { return m_ValueID; }
    void SetValueID(WORD id) { m_ValueID = id; }
    WORD GetInfoID() const { return m_InfoID; }
    void SetInfoID(WORD id) { m_InfoID = id; }
    WORD GetTypeID() const { return m_TypeID; }
    void SetTypeID(WORD id) { m_TypeID = id; }
    WORD GetExtTypeID() const { return m_ExtTypeID; }
    void SetExtTypeID(WORD id) { m_ExtTypeID = id; }
    WORD GetUnitID() const { return m_UnitID; }
    void SetUnitID(WORD id) { m_UnitID = id; }
    WORD GetNatureOrDataTypeID() const { return m_NatureOrDataTypeID; }
    void SetNatureOrDataTypeID(WORD id) { m_NatureOrDataTypeID = id; }
    WORD GetDefaultValueID() const { return m_DefaultValueID; }
    void SetDefaultValueID(WORD id) { m_DefaultValueID = id; }
    char GetOnSheetMode() const { return m_OnSheetMode; }
    void SetOnSheetMode(char mode) { m_OnSheetMode = mode; }
    const CString& GetDataString() const { return m_DataString; }
    void SetDataString(LPCTSTR s) { m_DataString = s; }

    BOOL IsDeletable() const { return m_Deletable; }
    void SetDeletable(BOOL on) { m_Deletable = on; }
    BOOL IsDeleted() const { return m_Deleted; }
    // An entry that may not be deleted stays live.
    void Delete() { if (m_Deletable) m_Deleted = TRUE; }
    void Undelete() { m_Deleted = FALSE; }

    CObject* GetCopaObject() const { return m_CopaObject; }
    void SetCopaObject(CObject* object) { m_CopaObject = object; }
    CObject* GetTemplateObject() const { return m_TemplateObject; }
    void SetTemplateObject(CObject* object) { m_TemplateObject = object; }
    CObject* GetNodeObject() const { return m_NodeObject; }
    void SetNodeObject(CObject* object) { m_NodeObject = object; }
    const CString& GetNodeWizName() const { return m_NodeWizName; }
    void SetNodeWizName(LPCTSTR s) { m_NodeWizName = s; }
    long GetNodeWizID() const { return m_NodeWizID; }
    void SetNodeWizID(long id) { m_NodeWizID = id; }

    const CString& GetUsedUnit() const { return m_UsedUnit; }
    void SetUsedUnit(LPCTSTR s) { m_UsedUnit = s; }
    const CString& GetQuantity() const { return m_Quantity; }
    void SetQuantity(LPCTSTR s) { m_Quantity = s; }
    WORD GetUsedUnitID() const { return m_UsedUnitID; }
    void SetUsedUnitID(WORD id) { m_UsedUnitID = id; }
    WORD GetQuantityID() const { return m_QuantityID; }
    void SetQuantityID(WORD id) { m_QuantityID = id; }

    DWORD GetTolState() const { return m_TolState; }
    void SetTolState(DWORD state) { m_TolState = state; }
    BOOL IsToleranceLocked() const { return (m_TolState & kTolLocked) != 0; }
    const CString& GetTolMin() const { return m_TolMin; }
    void SetTolMin(LPCTSTR s) { m_TolMin = s; }
    const CString& GetTolMax() const { return m_TolMax; }
    void SetTolMax(LPCTSTR s) { m_TolMax = s; }
    const CString& GetTolMeanVal() const { return m_TolMeanVal; }
    void SetTolMeanVal(LPCTSTR s) { m_TolMeanVal = s; }
    const CString& GetTolStdDev() const { return m_TolStdDev; }
    void SetTolStdDev(LPCTSTR s) { m_TolStdDev = s; }
    const CString& GetTolTolerance() const { return m_TolTolerance; }
    void SetTolTolerance(LPCTSTR s) { m_TolTolerance = s; }

    const CString& GetFileNameCharacteristics() const { return m_FileNameCharacteristics; }
    void SetFileNameCharacteristics(LPCTSTR s) { m_FileNameCharacteristics = s; }

private:
    // A text map that copies of the entry share until one of them changes it: a parameter set
    // copies the catalogue's entries by the thousand, and their language and simulator texts
    // hardly ever change afterwards. No map of an entry holds a text with a NUL byte (every
    // text comes in through SetAt, which stops at the NUL), so a shared map is exactly what a
    // copy entry by entry would give.
    template <class Map>
    class SharedTextMap {
    public:
        const Map& Get() const { return m_map ? *m_map : Empty(); }
        // The map of this entry alone, ready to change.
        Map& Edit() {
            if (!m_map) {
                m_map = std::make_shared<Map>();
            } else if (m_map.use_count() > 1) {
                auto own = std::make_shared<Map>();
                CopyMap(*own, *m_map);
                m_map = std::move(own);
            }
            return *m_map;
        }
        // Makes the map of this entry alone a copy of `from`. A map shared with other entries
        // is left to them rather than copied first only to be emptied.
        void Replace(const Map& from) {
            if (!m_map || m_map.use_count() > 1) {
                auto own = std::make_shared<Map>();
                CopyMap(*own, from);
                m_map = std::move(own);
            } else {
                CopyMap(*m_map, from);
            }
        }

    private:
        static const Map& Empty() {
            static const Map empty;
            return empty;
        }
        std::shared_ptr<Map> m_map;
    };

    // Looking up never inserts: a missing key gives empty text and leaves the map as it was.
    static CString LookupText(const CLanguageTextMap& map, WORD key) {
        CString text;
        if (!map.Lookup(key, text)) text.Empty();
        return text;
    }
    static CString LookupText(const CMapStringToString& map, LPCTSTR key) {
        CString text;
        if (!map.Lookup(key, text)) text.Empty();
        return text;
    }
    // Empties the own map, sizes its hash table like the source's, then copies every entry.
    static void CopyMap(CLanguageTextMap& to, const CLanguageTextMap& from) {
        if (&to == &from) return;
        to.RemoveAll();
        to.InitHashTable(from.GetHashTableSize());
        POSITION pos = from.GetStartPosition();
        while (pos != nullptr) {
            WORD key = 0;
            CString value;
            from.GetNextAssoc(pos, key, value);
            to.SetAt(key, value);
        }
    }
    static void CopyMap(CMapStringToString& to, const CMapStringToString& from) {
        if (&to == &from) return;
        to.RemoveAll();
        to.InitHashTable(from.GetHashTableSize());
        POSITION pos = from.GetStartPosition();
        while (pos != nullptr) {
            CString key;
            CString value;
            from.GetNextAssoc(pos, key, value);
            to.SetAt(key, value);
        }
    }

    CString m_Name;
    CString m_Value;
    CString m_Unit;
    CString m_NatureOrDatatype;
    SharedTextMap<CLanguageTextMap> m_InfoMap;
    SharedTextMap<CLanguageTextMap> m_DescriptionMap;
    SharedTextMap<CMapStringToString> m_AccessMap;
    SharedTextMap<CMapStringToString> m_DefaultValueMap;
    DWORD m_Type = 0;
    DWORD m_ExtType = 0;
    int m_VctIndex = 0;
    WORD m_NameID = 0;
    WORD m_ValueID = 0;
    WORD m_InfoID = 0;
    WORD m_TypeID = 0;
    WORD m_ExtTypeID = 0;
    WORD m_UnitID = 0;
    WORD m_NatureOrDataTypeID = 0;
    WORD m_DefaultValueID = 0;
    char m_OnSheetMode = 0;
    CString m_DataString;
    BOOL m_Deletable = FALSE;
    BOOL m_Deleted = FALSE;
    CObject* m_CopaObject = nullptr;
    CObject* m_TemplateObject = nullptr;
    CObject* m_NodeObject = nullptr;
    CString m_NodeWizName;
    long m_NodeWizID = 0;
    CString m_UsedUnit;
    CString m_Quantity;
    WORD m_UsedUnitID = 0;
    WORD m_QuantityID = 0;
    DWORD m_TolState = 0;
    CString m_TolMin;
    CString m_TolMax;
    CString m_TolMeanVal;
    CString m_TolStdDev;
    CString m_TolTolerance;
    CString m_FileNameCharacteristics;
};
