// The operations of TCharacteristicWizard, for the .cpp that defines the family's description
// and instantiates its wizards.
#pragma once

#include "framework/characteristic_wizard.h"
#include "framework/data_file_places.h"
#include "framework/page_steps.h"
#include "framework/requests.h"

#include <memory>
#include <new>

namespace qv::characteristic {

// The steps on a hidden page that the families take alike; a family's description derives
// from it with its own type and its page's dialog, and names only what differs: Initialize
// where it prepares the page otherwise, and FinishConversion, what a page does after reading
// the older generation's data.
template <class Family, UINT TemplateID>
struct HiddenPageSteps {
    // A hidden page of the wizard's own; null when it could not be made. The page on the
    // editor's sheet (if any) is never touched.
    template <class Page, class Wizard>
    static std::unique_ptr<Page> MakeHiddenPage(Wizard& wizard, ParamHolder* params) {
        return qv::pages::CreateHiddenPage(new (std::nothrow) Page(&wizard, params), TemplateID);
    }
    // Argument 0 lets a hidden page store its defaults; any other leaves the element as it is.
    template <class Page, class Wizard>
    static BOOL Initialize(Wizard& wizard, int argument) {
        if (argument != 0) return TRUE;
        ScopedParamSet params{RequestTarget(&wizard)};
        if (std::unique_ptr<Page> page = MakeHiddenPage<Page>(wizard, params.Holder())) {
            page->InitDefaults(1);
            page->DestroyWindow();
        }
        return TRUE;
    }
    template <class Page, class Wizard>
    static BOOL Convert(Wizard& wizard, const void* data, long length) {
        ScopedParamSet params{RequestTarget(&wizard)};
        std::unique_ptr<Page> page = MakeHiddenPage<Page>(wizard, params.Holder());
        if (page == nullptr) return TRUE;
        page->ConvertWizard3Data(data, length);
        Family::FinishConversion(*page, wizard);
        page->DestroyWindow();
        return TRUE;
    }
};

} // namespace qv::characteristic

template <class Page, class Self, class Base, class Family>
void TCharacteristicWizard<Page, Self, Base, Family>::PrepareEditing() {
    BuildCharacteristicSearchDirs(this);
}

template <class Page, class Self, class Base, class Family>
void TCharacteristicWizard<Page, Self, Base, Family>::GiveSettingsToPage(Page& page) {
    Family::GiveSettings(page, static_cast<Self&>(*this));
}

template <class Page, class Self, class Base, class Family>
BOOL TCharacteristicWizard<Page, Self, Base, Family>::Initialize(int argument) {
    return Family::template Initialize<Page>(static_cast<Self&>(*this), argument);
}

template <class Page, class Self, class Base, class Family>
BOOL TCharacteristicWizard<Page, Self, Base, Family>::DoConvertWizard3Data(const void* data, long length) {
    return Family::template Convert<Page>(static_cast<Self&>(*this), data, length);
}

template <class Page, class Self, class Base, class Family>
int TCharacteristicWizard<Page, Self, Base, Family>::WriteSimDescr(CFile* file, const CString& templ,
                                                                     CString& modelText) {
    return Family::Describe(static_cast<Self&>(*this), file, templ, modelText);
}
