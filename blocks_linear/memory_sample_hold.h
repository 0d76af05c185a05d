// The memory block (wizard ID 50, dialog 2556) and the sample-and-hold block (wizard ID 53,
// dialog 2559): two older-base block pages that check nothing and keep no page state.
//
// Memory block parameters (the sample-time field always shows "System" and is never written):
//
// | Value ID | Role          | Enabling / pin box            |
// |----------|---------------|-------------------------------|
// | 2187     | initial value | while not on a pin (no box)   |
// | 2186     | input signal  | "Use Pin" 2073                |
// | 2056     | block output  | -                             |
//
// Sample-and-hold parameters (numbers of samples are stored as typed):
//
// | Value ID | Role                           | Enabling / pin box                 |
// |----------|--------------------------------|------------------------------------|
// | 2187     | initial value                  | while not on a pin                 |
// | 2042     | samples                        | while not on a pin                 |
// | 2248     | samples for the initial delay  | while not on a pin                 |
// | 2202     | sample time, used unit in 2400 | "Use Pin" 2074 (not the unit box)  |
// | 2186     | input signal                   | "Use Pin" 2073                     |
// | 2056     | block output                   | -                                  |
#pragma once

#include "framework/older_base_block_pages.h"

namespace qv::blocks {
constexpr UINT kMemoryTemplate = 2556;
constexpr UINT kSampleAndHoldTemplate = 2559;
constexpr WORD kIdSamples = 2042;
constexpr WORD kIdDelaySamples = 2248;
} // namespace qv::blocks

class CPropMemoryBlock : public COlderBaseInputBlockPage {
    DECLARE_DYNCREATE(CPropMemoryBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropMemoryBlock)
    BOOL OnSetActive() override;

protected:
    void EnableInitialValue();
    DECLARE_MESSAGE_MAP()

    CString m_strInitial;
    // The field shows the system's sample time until the dialog is filled.
    CString m_strSampleTime = "System";
};

class CPropSampleAndHoldBlock : public COlderBaseSampledBlockPage {
    DECLARE_DYNCREATE(CPropSampleAndHoldBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropSampleAndHoldBlock)
    BOOL OnSetActive() override;

protected:
    void OnSampleTimePin() override;
    void EnableByPin();
    DECLARE_MESSAGE_MAP()

    CString m_strInitial;
    CString m_strSampleTime;
    CString m_strSamples;
    CString m_strDelaySamples;
};

PARVEL_OLDER_BASE_BLOCK_WIZARD(CMemoryBlockWizard, CPropMemoryBlock)

PARVEL_OLDER_BASE_BLOCK_WIZARD(CSampleAndHoldBlockWizard, CPropSampleAndHoldBlock)
