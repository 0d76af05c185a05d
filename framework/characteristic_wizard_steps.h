// The operations of TCharacteristicWizard, for the .cpp that defines the family's description
// and instantiates its wizards.
#pragma once

#include "framework/characteristic_wizard.h"
#include "framework/data_file_places.h"

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
