#include "blocks_math/function_blocks.h"

#include "framework/byte_cursor.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/requests.h"

#include <new>

using namespace qv::blocks;

namespace {

constexpr WORD kIdBlockParameter = 2247;

constexpr ControlLayout kTrigLayout[] = {
    {2072, 15}, {2182, 33}, {2183, 35}, {2074, 34},
    {2400, 34}, {2185, 33}, {2186, 35}, {2073, 34}, {2519, 34}, {2017, 11}, {2056, 9},
};
constexpr ControlLayout kExpLayout[] = {
    {2072, 15}, {2182, 33}, {2183, 97},
    {2400, 48}, {2074, 33}, {2185, 48}, {2186, 98}, {2073, 32}, {2017, 11}, {2056, 9},
};
constexpr ControlLayout kRootSignPowerLayout[] = {
    {2072, 15}, {2246, 33}, {2182, 33}, {2247, 97},
    {2183, 97}, {2400, 48}, {2074, 33}, {2185, 48}, {2186, 98}, {2073, 32}, {2017, 11}, {2056, 9},
};
constexpr WORD kParameterTexts[] = {kIdBlockParameter};

constexpr SimpleBlockPageSpec kTrigSpec{.templateID = 2571,
                                        .layout = kTrigLayout,
                                        .inputUnit = true,
                                        .newerBase = true,
                                        .typedSampleTimeMarks = true};
constexpr SimpleBlockPageSpec kExpSpec{.templateID = 2572, .layout = kExpLayout};
constexpr SimpleBlockPageSpec kRootSignPowerSpec{
    .templateID = 2573, .layout = kRootSignPowerLayout, .texts = kParameterTexts};
constexpr SimpleBlockPageSpec kRootSpec{
    .templateID = 2573, .layout = kRootSignPowerLayout, .texts = kParameterTexts, .parameterCaption = 2733};
constexpr SimpleBlockPageSpec kSignSpec{
    .templateID = 2573, .layout = kRootSignPowerLayout, .texts = kParameterTexts, .parameterCaption = 2734};
constexpr SimpleBlockPageSpec kPowerSpec{
    .templateID = 2573, .layout = kRootSignPowerLayout, .texts = kParameterTexts, .parameterCaption = 2735};

} // namespace

namespace qv::blocks {

const char* AngleUnitFromOldBlock(const void* data, long length) {
    if (data == nullptr || length < 4) return nullptr;
    qv::bytes::Reader reader(static_cast<const BYTE*>(data), static_cast<size_t>(length));
    DWORD unit = 0;
    if (!reader.ReadDword(unit)) return nullptr;
    return unit == 1 ? "deg" : "rad";
}

} // namespace qv::blocks

IMPLEMENT_DYNCREATE(CPropFctSinCosTanSinhypArccosBlock, CTBPropertyPage)
CPropFctSinCosTanSinhypArccosBlock::CPropFctSinCosTanSinhypArccosBlock() : CSimpleBlockPage(kTrigSpec) {}
CPropFctSinCosTanSinhypArccosBlock::CPropFctSinCosTanSinhypArccosBlock(CWizardBase4* wizard, DWORD_PTR cookie)
    : CSimpleBlockPage(kTrigSpec, wizard, cookie) {}

QV_SIMPLE_BLOCK_PAGE_IMPL(CPropFctExpLnAbsRecBlock, kExpSpec)
QV_SIMPLE_BLOCK_PAGE_IMPL(CPropRootSignPowerBlock, kRootSignPowerSpec)

CPropRootBlock::CPropRootBlock(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CSimpleBlockPage(kRootSpec, wizard, exchange) {}
CPropSignBlock::CPropSignBlock(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CSimpleBlockPage(kSignSpec, wizard, exchange) {}
CPropPowerBlock::CPropPowerBlock(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CSimpleBlockPage(kPowerSpec, wizard, exchange) {}

IMPLEMENT_DYNAMIC(CFctExpLnAbsRecBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CRootBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSignBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CPowerBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CFctSinCosTanBlockWizard4, CWizardBase4)

BOOL CFctSinCosTanBlockWizard4::DoConvertWizard3Data(const void* data, long length) {
    const char* unit = AngleUnitFromOldBlock(data, length);
    if (unit == nullptr) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    ParamHolder* holder = params.Holder();
    if (holder == nullptr) return TRUE;
    // The first input parameter 2186 takes the unit the older generation computed in, so
    // that a converted schematic in degrees keeps computing in degrees.
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!qv::pages::IsLiveInput(param) || param->GetValueID() != kIdInputSignal) continue;
        param->SetUsedUnit(unit);
        CommitParamSet(RequestTarget(this), params.Cookie());
        break;
    }
    return TRUE;
}
