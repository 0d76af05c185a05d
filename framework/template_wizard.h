// A wizard class that adds nothing to the class template it stands on (TCharacteristicWizard,
// TTimeSourceWizard, ...) but its runtime class and the copy constructor that Clone uses:
//
//   PARVEL_TEMPLATE_WIZARD(CResistorWizard4, TCharacteristicWizard<Page, CResistorWizard4, Base, Family>)
//
// The template is instantiated once, in the family's .cpp, where the family's steps are
// defined; other files see it as an extern template.
#pragma once

#include "afx/afx.h"

#define PARVEL_TEMPLATE_WIZARD(Wizard, ...)                          \
    class Wizard : public __VA_ARGS__ {                              \
        DECLARE_DYNAMIC(Wizard)                                      \
    public:                                                          \
        Wizard() = default;                                          \
        explicit Wizard(const Wizard* other) : __VA_ARGS__(other) {} \
    };                                                               \
    extern template class __VA_ARGS__;
