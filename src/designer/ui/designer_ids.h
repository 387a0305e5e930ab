#pragma once
// Control identifiers of the designer's windows; tests find controls by them.
namespace rondivo::ids {
// Main designer window
inline constexpr int kSelectOpenFile = 1000, kSelectFailSafe = 1001, kOpenCombo = 1005,
                     kHelp = 1006, kFailSafeEdit = 1008, kOptions = 1009, kSplashCheck = 1015,
                     kSelectImage = 1016, kSoundCheck = 1017, kSplashName = 1018, kSoundName = 1019,
                     kSelectSound = 1020, kIconCheck = 1021, kSelectIcon = 1022, kIconName = 1023,
                     kPlaySound = 1024, kBrowserCheck = 1026, kWindowSizeCombo = 1028,
                     kWindowSizeLabel = 1029, kMenuCreator = 1044, kBody = 1055, kHeader = 1056,
                     kHeaderIcon = 1057, kAbout = 1100, kHeaderTimer = 1101, kFlashTimer = 1102;
// Options
inline constexpr int kSplashTime = 1041, kRightClick = 1042, kTitleBar = 1043, kResizing = 1044,
                     kTopMost = 1045, kNoFolderCopy = 1080, kStartX = 1086, kDataFolder = 1085,
                     kSecure = 1087, kStartY = 1089, kCentre = 1090;
// Custom window size
inline constexpr int kWidth = 1067, kHeight = 1068;
// Presentation Complete
inline constexpr int kPreview = 1034, kBurn = 3, kSaveIso = 1016, kFolderText = 1033;
// Wait dialog
inline constexpr int kWaitText = 1031;
}  // namespace rondivo::ids
