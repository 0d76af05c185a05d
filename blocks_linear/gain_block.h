// The gain block (wizard ID 32): the gain page (dialog 2539) with the parameters it
// addresses, on the older-base block frame of the framework.
//
// Parameters of the gain block (value ID = dialog control; only input parameters, Type bit
// 0x04, are shown and written; a value ID found twice is read twice and the last one wins):
//
// | Value ID | Role                          | Pin box |
// |----------|-------------------------------|---------|
// | 2181     | gain (number, variable, expression) | 2071 |
// | 2183     | sample time, used unit in 2400 | 2074   |
// | 2186     | input signal                  | 2073    |
// | 2056     | block output ("SDB" entry; its unit ends the caption) | - |
#pragma once

#include "framework/older_base_block_pages.h"

namespace qv::blocks {
constexpr WORD kIdGain = 2181;
constexpr UINT kGainTemplate = 2539;
constexpr int kCtlGainPin = 2071;
} // namespace qv::blocks

class CPropGainBlock : public COlderBaseSampledBlockPage {
    DECLARE_DYNCREATE(CPropGainBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropGainBlock)
    BOOL OnSetActive() override;

protected:
    void OnGainPin();
    DECLARE_MESSAGE_MAP()

    BOOL m_bGainPin = FALSE;
    CString m_strGain;
};

PARVEL_OLDER_BASE_BLOCK_WIZARD(CGainBlockWizard, CPropGainBlock)
