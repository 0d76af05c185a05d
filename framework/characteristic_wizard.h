// The wizards of elements whose characteristic may be a table of points (resistor and
// conductance, capacitor and inductor, the controlled sources): each stands on the shared
// page-wizard template, looks for characteristic files in the search folders before its page
// binds, and leaves what is the family's own to the family's description `Family`, defined in
// the family's .cpp, where the wizards are instantiated (framework/characteristic_wizard_steps.h):
//
//   struct Family {
//       template <class Page, class Wizard> static void GiveSettings(Page&, Wizard&);
//       template <class Page, class Wizard> static BOOL Initialize(Wizard&, int argument);
//       template <class Page, class Wizard> static BOOL Convert(Wizard&, const void*, long);
//       static int Describe(Wizard&, CFile*, const CString&, CString&);  // the model text
//   };
#pragma once

#include "framework/page_wizard.h"

template <class Page, class Self, class Base, class Family>
class TCharacteristicWizard : public qv::wizards::TPageWizard4<Page, Self, Base> {
public:
    using qv::wizards::TPageWizard4<Page, Self, Base>::TPageWizard4;

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void PrepareEditing();
    void GiveSettingsToPage(Page& page);
};
