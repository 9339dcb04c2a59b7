// The ids of the windows and controls, which are their object names (as decimal numbers), so
// tests and accessibility tools find a control by the same id the window code gives it.
#pragma once

#include <QString>

namespace tarvel::widget_id {

// The buttons every dialog shares.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;

// Windows and bars.
inline constexpr int kAboutBox = 100;
inline constexpr int kControlPanel = 128;
inline constexpr int kHeaderDialog = 130;
inline constexpr int kPatternPropertiesDialog = 131;
inline constexpr int kHelpDialog = 132;
inline constexpr int kPatchNameDialog = 135;
inline constexpr int kToolBar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kPanelBar = 59397;

// The song header dialog.
inline constexpr int kHeaderAuthor = 1013;
inline constexpr int kHeaderBand = 1014;
inline constexpr int kHeaderDate = 1015;
inline constexpr int kHeaderComments = 1016;
inline constexpr int kHeaderClear = 1018;

// The help dialog.
inline constexpr int kHelpText = 1018;
inline constexpr int kHelpOverview = 1038;
inline constexpr int kHelpPatterns = 1025;
inline constexpr int kHelpKeys = 1026;
inline constexpr int kHelpHistory = 1027;

// The pattern properties and patch name dialogs.
inline constexpr int kPatternNameBox = 1033;
inline constexpr int kPatternLinesBox = 1034;
inline constexpr int kPatchNameBox = 1045;

// The control panel.
inline constexpr int kChannelList = 1021;
inline constexpr int kDeviceList = 1022;
inline constexpr int kProgramList = 1023;
inline constexpr int kEditPatchName = 1024;
inline constexpr int kDeviceDetails = 1025;
inline constexpr int kOpenPatchList = 1026;
inline constexpr int kNextChannel = 1027;
inline constexpr int kPreviousChannel = 1028;
inline constexpr int kSavePatchList = 1029;
inline constexpr int kTempo = 1032;
inline constexpr int kVelocity = 1035;
inline constexpr int kOpenMixer = 1037;
inline constexpr int kSequencerStep = 1039;
inline constexpr int kPlayWatch = 1040;
inline constexpr int kHelperValue = 1041;
inline constexpr int kHelperRow = 1042;
inline constexpr int kHelperStatus = 1043;
inline constexpr int kTempoSource = 1044;

// The object name that carries `id`.
inline QString Name(int id) {
    return QString::number(id);
}

}  // namespace tarvel::widget_id
