#include "wizard/copa.h"

CWizardCopaObject3::CWizardCopaObject3() = default;

CWizardCopaObject3::CWizardCopaObject3(const CWizardCopaObject3& other) : CObject() {
    CopyFrom(other);
}

CWizardCopaObject3::CWizardCopaObject3(const CWizardCopaObject3* other) {
    if (other != nullptr) CopyFrom(*other);
}

CWizardCopaObject3& CWizardCopaObject3::operator=(const CWizardCopaObject3& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

CWizardCopaObject3::~CWizardCopaObject3() = default;

void CWizardCopaObject3::CopyFrom(const CWizardCopaObject3& other) {
    m_Name = other.m_Name;
    m_Value = other.m_Value;
    m_Unit = other.m_Unit;
    m_NatureOrDatatype = other.m_NatureOrDatatype;
    m_InfoMap = other.m_InfoMap;
    m_DescriptionMap = other.m_DescriptionMap;
    m_AccessMap = other.m_AccessMap;
    m_DefaultValueMap = other.m_DefaultValueMap;
    m_Type = other.m_Type;
    m_ExtType = other.m_ExtType;
    m_VctIndex = other.m_VctIndex;
    m_NameID = other.m_NameID;
    m_ValueID = other.m_ValueID;
    m_InfoID = other.m_InfoID;
    m_TypeID = other.m_TypeID;
    m_ExtTypeID = other.m_ExtTypeID;
    m_UnitID = other.m_UnitID;
    m_NatureOrDataTypeID = other.m_NatureOrDataTypeID;
    m_DefaultValueID = other.m_DefaultValueID;
    m_OnSheetMode = other.m_OnSheetMode;
    m_DataString = other.m_DataString;
    m_Deletable = other.m_Deletable;
    m_Deleted = other.m_Deleted;
    m_CopaObject = other.m_CopaObject;
    m_TemplateObject = other.m_TemplateObject;
    m_NodeObject = other.m_NodeObject;
    m_NodeWizName = other.m_NodeWizName;
    m_NodeWizID = other.m_NodeWizID;
    m_UsedUnit = other.m_UsedUnit;
    m_Quantity = other.m_Quantity;
    m_UsedUnitID = other.m_UsedUnitID;
    m_QuantityID = other.m_QuantityID;
    m_TolState = other.m_TolState;
    m_TolMin = other.m_TolMin;
    m_TolMax = other.m_TolMax;
    m_TolMeanVal = other.m_TolMeanVal;
    m_TolStdDev = other.m_TolStdDev;
    m_TolTolerance = other.m_TolTolerance;
    m_FileNameCharacteristics = other.m_FileNameCharacteristics;
}

CWizardCopaObject3* CWizardCopaObject3::CreateWizCopa(const CWizardCopaObject3* templ) {
    if (templ == nullptr) return nullptr;
    auto* entry = new CWizardCopaObject3(*templ);
    entry->m_Deleted = FALSE;
    entry->m_CopaObject = nullptr;
    entry->m_TemplateObject = const_cast<CWizardCopaObject3*>(templ);
    return entry;
}
