#pragma once
// Size and place of the built-in browser window, as pure arithmetic over the
// screen's metrics, so every window-size index can be checked without a window.
#include <optional>
#include <string>

namespace rondivo {

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int borderX = 1;  // thin border of a window frame
    int borderY = 1;
    // The part of the screen windows may take (panels and docks left out);
    // empty stands for the whole screen.
    WindowRect workArea;
};

// The dialog template's size in pixels (502 x 329 dialog units at the usual
// dialog font) and the smallest size the window can take.
inline constexpr int kBrowserTemplateWidth = 753;
inline constexpr int kBrowserTemplateHeight = 535;
inline constexpr int kBrowserMinWidth = 320;
inline constexpr int kBrowserMinHeight = 240;

struct BrowserPlacement {
    int sizeIndex = 0;
    int customWidth = 0;
    int customHeight = 0;
    std::string startX;
    std::string startY;
    bool centreOnStart = false;
};

// A window larger than the work area shrunk to it, and placed at its start in
// each direction where it had to shrink; a window that fits stays as it is.
WindowRect fitToWorkArea(const WindowRect& window, const WindowRect& workArea);

// Covers the screen with the outer border just off the top and left edges.
WindowRect fullScreenRect(const ScreenMetrics& screen);

// One coordinate of the starting point: pixels, or a percentage of the screen
// computed with the single-precision 0.01 (50% of 1024 is 511) and, when
// centring, less half the window.
int startCoordinate(const std::string& text, int screenExtent, int windowExtent, bool centre);

// Where the starting point puts a window of the given size; nothing when
// either coordinate is missing.
std::optional<WindowRect> applyStartPosition(const BrowserPlacement& placement,
                                             const WindowRect& window, const ScreenMetrics& screen);

// The whole of applySize: the size for the index (the template size is kept
// at start for "Default"), centred on the screen, then the starting point;
// every size but full screen is kept within the work area.
WindowRect applySize(const BrowserPlacement& placement, const WindowRect& current,
                     const ScreenMetrics& screen, bool initial);

}  // namespace rondivo
