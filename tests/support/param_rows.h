// Parameter sets of test elements built from small tables of rows. A family's row type names
// the fields its sets need (id, name, value, type; optionally quantity, unit, description,
// extType, deletable); a field the row type lacks is left as a new parameter has it, so that
// sets without descriptions carry no empty description.
#pragma once

#include "framework/data_classes.h"
#include "framework/param_list.h"
#include "wizard/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qv_test {

constexpr DWORD kUnused = 0x20000;

// A parameter of this row's fields.
template <class Row>
CWizardCopaObject3* NewParam(const Row& row) {
    auto* param = new CWizardCopaObject3;
    param->SetValueID(row.id);
    param->SetName(row.name);
    param->SetValue(row.value);
    param->SetType(row.type);
    if constexpr (requires { row.extType; }) param->SetExtType(row.extType);
    if constexpr (requires { row.quantity; }) param->SetQuantity(row.quantity);
    if constexpr (requires { row.unit; }) {
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
    }
    if constexpr (requires { row.deletable; }) param->SetDeletable(row.deletable);
    if constexpr (requires { row.description; }) param->SetDescriptionByLangID(kLanguageEnglish, row.description);
    return param;
}

// A set of these rows for the element name, with the output template "SDB" unless told not to.
template <class Holder = ParamHolder, class Row>
std::unique_ptr<Holder> MakeHolder(const std::vector<Row>& rows, const char* elementName,
                                   bool withOutputTemplate = true) {
    auto holder = std::make_unique<Holder>();
    holder->m_strElementName = elementName;
    for (const Row& row : rows) holder->AddParam(NewParam(row));
    if (withOutputTemplate) {
        auto* templ = new CWizardCopaObject3;
        templ->SetName("SDB");
        holder->AddOutputTemplate(templ);
    }
    return holder;
}

// The rows with one value changed, or without one value ID.
template <class Row>
std::vector<Row> WithValue(std::vector<Row> rows, WORD id, const char* value) {
    for (Row& row : rows)
        if (row.id == id) row.value = value;
    return rows;
}
template <class Row>
std::vector<Row> Without(std::vector<Row> rows, WORD id) {
    std::erase_if(rows, [id](const Row& row) { return row.id == id; });
    return rows;
}

// The first parameter of a value ID, or nullptr.
inline CWizardCopaObject3* Param(ParamHolder* holder, WORD id) {
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i) && holder->GetParam(i)->GetValueID() == id) return holder->GetParam(i);
    return nullptr;
}
// The parameters of these value IDs hold these values, or show these used units.
inline void ExpectValues(ParamHolder* holder, std::initializer_list<std::pair<WORD, const char*>> values) {
    for (const auto& [id, value] : values) EXPECT_EQ(value, Param(holder, id)->GetValue().str()) << id;
}
inline void ExpectUsedUnits(ParamHolder* holder, std::initializer_list<std::pair<WORD, const char*>> units) {
    for (const auto& [id, unit] : units) EXPECT_EQ(unit, Param(holder, id)->GetUsedUnit().str()) << id;
}
inline bool Unused(ParamHolder* holder, WORD id) { return (Param(holder, id)->GetExtType() & kUnused) != 0; }

// Input snapshots of these names, as a page hands them over (the caller frees them).
inline void MakeSnapshots(CPtrArray& list, const std::vector<const char*>& names) {
    for (const char* name : names) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetName(name);
        snapshot->SetType(0x4);
        list.Add(snapshot);
    }
}
inline void FreeSnapshots(CPtrArray& list) {
    for (INT_PTR i = 0; i < list.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(list.GetAt(i));
    list.RemoveAll();
}
// Hands input snapshots of these names to store(&list) and frees them afterwards.
template <class Store>
void WithSnapshots(const std::vector<const char*>& names, Store store) {
    CPtrArray list;
    MakeSnapshots(list, names);
    store(&list);
    FreeSnapshots(list);
}
inline std::vector<std::string> SnapshotNames(const CPtrArray& list) {
    std::vector<std::string> names;
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
        names.push_back(static_cast<CCopaObjectCompare*>(list.GetAt(i))->GetName().str());
    return names;
}

} // namespace qv_test
