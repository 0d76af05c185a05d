// The overrides that every archived parameter page of a wizard defines: its block archived,
// its controls exchanged, its dialog opened and its values applied. A page declares the set
// with one line and then only what is its own (activation, previews, ...).
#pragma once

#define PARVEL_PAGE_OVERRIDES                         \
    void Serialize(CArchive& ar) override;            \
    void DoDataExchange(CDataExchange* pDX) override; \
    BOOL OnInitDialog() override;                     \
    BOOL OnApply() override;

// The overrides of a page that keeps no archived block but refreshes itself whenever it is
// shown: its controls exchanged, its dialog opened, its values applied and its activation.
#define PARVEL_SHOWN_PAGE_OVERRIDES                   \
    void DoDataExchange(CDataExchange* pDX) override; \
    BOOL OnInitDialog() override;                     \
    BOOL OnApply() override;                          \
    BOOL OnSetActive() override;
