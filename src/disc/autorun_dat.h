#pragma once
// autorun.dat: fourteen lines of window, splash and browser options that the
// designer writes beside autorun.inf and the player reads at start-up.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>

#include "disc/launch_arguments.h"

namespace rondivo {

// The file's options as the player holds them, and as the designer hands them
// to the writer (the launch arguments are no part of the file).
struct PresentationSettings {
    std::int32_t splashDisplayMs = 3000;
    std::int32_t disableRightClick = 0;
    std::int32_t disableTitleBar = 0;
    std::int32_t disableResizing = 0;
    std::int32_t customWidth = 0;
    std::int32_t customHeight = 0;
    std::int32_t topMost = 0;
    std::string startX;
    // Keeps the blank that separates it from startX; consumers skip leading blanks.
    std::string startY;
    std::int32_t centreOnStart = 0;
    bool dataFolderLayout = true;
    LaunchArguments arguments;
};

inline constexpr char kPresentationFileName[] = "autorun.dat";
// What the reader accepts from a disc: a longer splash time or a larger custom
// window is cut to these (the designer offers custom sizes up to 10000).
inline constexpr std::int32_t kMaxSplashDisplayMs = 60000;
inline constexpr std::int32_t kMaxCustomWindowExtent = 10000;

// 0 → 1500, 1 → 3000, 2 → 4500, 3 → 7500, anything else → 3000.
int splashTimeFromIndex(int index);

// Creates or truncates folder/autorun.dat. Returns false when nothing could be
// written (the build goes on; the player then runs on defaults).
bool writePresentationFile(const std::filesystem::path& folder,
                           const PresentationSettings& settings);
std::string presentationFileText(const PresentationSettings& settings);

// Reads autorun.dat from the current directory; a missing file keeps defaults.
void readPresentationFile(PresentationSettings& settings);
void readPresentationFile(const std::filesystem::path& file, PresentationSettings& settings);
void readPresentationSettings(std::istream& in, PresentationSettings& settings);

}  // namespace rondivo
