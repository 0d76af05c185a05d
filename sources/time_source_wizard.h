// The wizards of the two families of time-function sources (linear voltage and current
// sources, linear sources of other domains): their page ahead of the AC page, the wizard's
// settings handed to it, and the model text, initialisation and conversion by the family's
// steps (sources/time_source_steps.h). `Family` is the family's description there, defined
// in the family's .cpp, where the wizards are instantiated.
#pragma once

#include "framework/ac_page_wizard.h"

template <class Page, class Self, class Base, class Family>
class TTimeSourceWizard : public qv::wizards::TACPageWizard4<Page, Self, Base> {
public:
    using qv::wizards::TACPageWizard4<Page, Self, Base>::TACPageWizard4;

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void GiveSettingsToPage(Page& page);
};
