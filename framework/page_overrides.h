// The overrides that every archived parameter page of a wizard defines: its block archived,
// its controls exchanged, its dialog opened and its values applied. A page declares the set
// with one line and then only what is its own (activation, previews, ...).
#pragma once

#define PARVEL_PAGE_OVERRIDES                         \
    void Serialize(CArchive& ar) override;            \
    void DoDataExchange(CDataExchange* pDX) override; \
    BOOL OnInitDialog() override;                     \
    BOOL OnApply() override;
