// What the block pages on the older-base frame declare alike, and the page of blocks that run
// with a sample time.
#pragma once

#include "framework/older_base_block.h"

// Declares the members every block page `Page` on the editor's data-exchange object has: the
// constructor for the class registry, the one for the editor's sheet, and the overrides that
// exchange, open and apply the page. Stands right after the page's DECLARE_DYNCREATE or
// DECLARE_SERIAL.
#define PARVEL_OLDER_BASE_BLOCK_PAGE(Page)                                    \
public:                                                                        \
    Page();                                                                    \
    Page(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);       \
    void DoDataExchange(CDataExchange* pDX) override;                          \
    BOOL OnInitDialog() override;                                              \
    BOOL OnApply() override;

// Defines the two constructors of PARVEL_OLDER_BASE_BLOCK_PAGE for a page on `Base` whose
// dialog is `templateID`; the page on the sheet registers `layout`.
#define PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(Page, Base, templateID, layout) \
    Page::Page() : Base(templateID) {}                                             \
    Page::Page(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)      \
        : Base(templateID, wizard, exchange, layout) {}

// An older-base block page whose block runs with a sample time. Besides the signal input it
// holds the sample time's unit list and "Use Pin" box and exchanges the block-output switch.
// The sample time is shown either as a list of entries (kIdSampleTime, with the typed-entry
// handling of the frame) or as a numeric field (kIdSampleTimeField); the page's dialog has one
// of them or both.
class COlderBaseSampledBlockPage : public COlderBaseInputBlockPage {
public:
    using COlderBaseInputBlockPage::COlderBaseInputBlockPage;

    // The input's controls, then the unit list, the sample-time list where the dialog has one,
    // the sample time's "Use Pin" box and the block-output switch.
    void DoDataExchange(CDataExchange* pDX) override;

protected:
    // The opening of OnInitDialog: the header, the unit list without its flat look, the
    // sample-time list on its first entry, the dialog filled.
    void OpenSampledPage();
    // The sample time's "Use Pin" box was clicked: the list follows it, the unit list stays
    // enabled. Pages whose sample time is kept elsewhere handle the box themselves.
    virtual void OnSampleTimePin();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbUnit;
    BOOL m_bSampleTimePin = FALSE;
};
