// Maximum and minimum over time (wizard ID 71, newer base, dialog 2574): the block keeps the
// largest or the smallest value its input has had. The wizard keeps which of the two it
// computes, writes it as the type keyword into the model text ("@TYPE" becomes "MAXT " or
// "MINT ") and stores it with the schematic; the page lets the user pick it and edits the
// initial value, the factor, the sample time, the input and the block output.
//
// Parameters (value ID = dialog control; only input parameters, Type bit 0x04, are read and
// written, values as typed):
//
// | Value ID | Role                                                  |
// |----------|-------------------------------------------------------|
// | 2187     | initial value                                         |
// | 2010     | factor                                                |
// | 2183     | sample time, used unit in 2400, "Use Pin" 2074          |
// | 2186     | input signal, "Use Pin" 2073                           |
// | 2056     | block output ("SDB" entry)                            |
// | 1000     | function of elements saved by 4.x versions (0 or 1)   |
//
// Archive (sheet version 4): WORD schema 0, DWORD function type (0 MaximumT, 1 MinimumT); a
// schema other than 0 reads nothing more. Data of the older wizard generation: the first
// DWORD is the function type; a shorter block changes nothing.
#pragma once

#include "blocks_math/static_blocks.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"

namespace qv::blocks {
constexpr int kMaximumT = 0;
constexpr int kMinimumT = 1;
constexpr int kCtlFunction = 2269;
constexpr UINT kMaxMinTimeTemplate = 2574;

// The type keyword for a function type: "MINT " for 1, "MAXT " for every other value.
const char* MaxMinTimeKeyword(int type);
// The function type that older data give: the first DWORD of a block of at least four bytes;
// without a block the value of parameter 1000 truncated toward zero when it is 0 or 1.
// FALSE (and *type unchanged) when the data say nothing usable.
BOOL ConvertOldType(ParamHolder* holder, const void* data, long length, int* type);
} // namespace qv::blocks

class CMaximumTMinimumTBlockWizard4;

class CPropMaximumTMinimumTBlock : public CSimpleBlockPage {
    DECLARE_DYNCREATE(CPropMaximumTMinimumTBlock)
public:
    CPropMaximumTMinimumTBlock();
    CPropMaximumTMinimumTBlock(CWizardBase4* wizard, DWORD_PTR cookie);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void SetFunctionIndex(int index) { m_nFunction = index; }
    int GetFunctionIndex() const { return m_nFunction; }

protected:
    void BeforeCommit() override;
    void OnFunctionSelChange();
    DECLARE_MESSAGE_MAP()

    CComboBox m_cmbFunction;
    int m_nFunction = 0;
};

class CMaximumTMinimumTBlockWizard4
    : public qv::wizards::TPageWizard4<CPropMaximumTMinimumTBlock, CMaximumTMinimumTBlockWizard4> {
    DECLARE_DYNAMIC(CMaximumTMinimumTBlockWizard4)
public:
    CMaximumTMinimumTBlockWizard4() = default;
    explicit CMaximumTMinimumTBlockWizard4(const CMaximumTMinimumTBlockWizard4* other);

    int GetWizardKind() override { return 3; }
    // The wizard's own settings to the page on the sheet.
    void GiveSettingsToPage(CPropMaximumTMinimumTBlock& page);
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    // Argument 0 (a new element) draws the element in its function, as the page's OK does.
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    int GetFunctionType() const { return m_nType; }
    void SetFunctionType(int type) { m_nType = type; }
    WORD GetSchema() const { return m_wSchema; }

private:
    WORD m_wSchema = 0;
    int m_nType = qv::blocks::kMaximumT;
};
