// Function blocks: the trigonometric and hyperbolic block (wizard ID 66, newer base, dialog
// 2571), the exponential family (67, dialog 2572) and the root, sign and power blocks (68 to
// 70, dialog 2573, older base). No wizard chooses the function: the element's own model text
// carries it, so none of them writes model text.
//
// Parameters (value ID = dialog control; only input parameters, Type bit 0x04, are read and
// written, values as typed):
//
// | Value ID | Role                                                                      |
// |----------|---------------------------------------------------------------------------|
// | 2183     | sample time, used unit in 2400, "Use Pin" 2074                              |
// | 2186     | input signal, "Use Pin" 2073; on 2571 its used unit (angle unit) in 2519,   |
// |          | hidden for an input without quantity                                      |
// | 2247     | radical exponent, amplitude or exponent (2573; caption 2246 names it)       |
// | 2056     | block output ("SDB" entry)                                                 |
//
// Older data of the trigonometric block: the first DWORD of the block is the angle unit of
// the input, 1 for "deg", anything else "rad"; a block under four bytes changes nothing.
#pragma once

#include "blocks_math/static_blocks.h"
#include "framework/page_wizard.h"

namespace qv::blocks {
// The used unit of the input that an older block of the trigonometric wizard selects, or
// nullptr when the block is too short to say.
const char* AngleUnitFromOldBlock(const void* data, long length);
} // namespace qv::blocks

class CPropFctSinCosTanSinhypArccosBlock : public CSimpleBlockPage {
    DECLARE_DYNCREATE(CPropFctSinCosTanSinhypArccosBlock)
public:
    CPropFctSinCosTanSinhypArccosBlock();
    CPropFctSinCosTanSinhypArccosBlock(CWizardBase4* wizard, DWORD_PTR cookie);
};

QV_SIMPLE_BLOCK_PAGE(CPropFctExpLnAbsRecBlock)
QV_SIMPLE_BLOCK_PAGE(CPropRootSignPowerBlock)

// The root, sign and power pages: the shared page with the caption of static 2246.
#define QV_ROOT_SIGN_POWER_VARIANT(Page)                                          \
    class Page : public CSimpleBlockPage {                                        \
    public:                                                                       \
        Page(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);      \
    };
QV_ROOT_SIGN_POWER_VARIANT(CPropRootBlock)
QV_ROOT_SIGN_POWER_VARIANT(CPropSignBlock)
QV_ROOT_SIGN_POWER_VARIANT(CPropPowerBlock)

PARVEL_OLDER_BASE_BLOCK_WIZARD(CFctExpLnAbsRecBlockWizard, CPropFctExpLnAbsRecBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CRootBlockWizard, CPropRootBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSignBlockWizard, CPropSignBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CPowerBlockWizard, CPropPowerBlock)

class CFctSinCosTanBlockWizard4
    : public qv::wizards::TPageWizard4<CPropFctSinCosTanSinhypArccosBlock, CFctSinCosTanBlockWizard4> {
    DECLARE_DYNAMIC(CFctSinCosTanBlockWizard4)
public:
    CFctSinCosTanBlockWizard4() = default;
    // The copy Clone makes: the base from the source, no page.
    explicit CFctSinCosTanBlockWizard4(const CFctSinCosTanBlockWizard4* other) : TPageWizard4(other) {}

    int GetWizardKind() override { return 3; }
    // Takes the input's angle unit from the older block and commits it (code 25).
    BOOL DoConvertWizard3Data(const void* data, long length) override;
};
