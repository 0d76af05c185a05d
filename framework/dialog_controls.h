// Control IDs that the dialogs of many element families share. Every element page has the
// name field, its "show name" check box and the symbol frame; the table pages share the list
// buttons and the file fields; the waveform and source pages share the unit combos. A family
// that uses one of them includes this header instead of defining the number again.
#pragma once

namespace qv::dialog {

// The element frame.
constexpr int kCtlName = 2001;
constexpr int kCtlShowName = 2002;
constexpr int kCtlSymbolFrame = 2020;

// Pins a parameter can be moved to.
constexpr int kCtlCharacteristicPin = 2075;
constexpr int kCtlValuePin = 2090;

// The buttons of list pages.
constexpr int kCtlNew = 1122;
constexpr int kCtlDelete = 1123;
constexpr int kCtlDeleteAll = 1124;
constexpr int kCtlMoveUp = 1125;
constexpr int kCtlMoveDown = 1126;
// The commands of the same pages' row-list menu.
constexpr unsigned kCmdNew = 40005;
constexpr unsigned kCmdDelete = 40001;
constexpr unsigned kCmdDeleteAll = 40002;
constexpr unsigned kCmdMoveDown = 40003;
constexpr unsigned kCmdMoveUp = 40004;

// Data-file fields of table pages, and the preview button.
constexpr int kCtlFileNameFlag = 2116;
constexpr int kCtlImport = 2118;
constexpr int kCtlExport = 2119;
constexpr int kCtlShow = 2217;

// Source and waveform pages.
constexpr int kCtlSourceType = 2147;
constexpr int kCtlAmplitudeRadio = 2203;
constexpr int kCtlFrequencyUnit = 2509;
constexpr int kCtlPeriodUnit = 2510;
constexpr int kCtlDelayUnit = 2512;
constexpr int kCtlPhaseUnit = 2513;
constexpr int kCtlACUse = 2520;

// Width of a list column that shows one number.
constexpr int kColumnWidth = 50;

}  // namespace qv::dialog
