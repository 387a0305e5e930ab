#include "player/window_geometry.h"

#include <algorithm>

#include "disc/launch_arguments.h"

namespace rondivo {

namespace {

std::string withoutBlanks(const std::string& s) {
    std::string r;
    for (char c : s)
        if (c != ' ' && c != '\t') r.push_back(c);
    return r;
}

// The size for an index, or nothing when the index keeps the window as it is.
std::optional<std::pair<int, int>> fixedSize(const BrowserPlacement& p, bool initial) {
    switch (p.sizeIndex) {
        case 0:
            if (initial) return std::nullopt;
            return std::pair{640, 480};
        case 1:
            return std::pair{320, 240};
        case 2:
            return std::pair{500, 400};
        case 3:
            return std::pair{640, 480};
        case 4:
            return std::pair{800, 600};
        case 6:
            return std::pair{p.customWidth, p.customHeight};
        default:
            return std::nullopt;
    }
}

int centred(int screenExtent, int windowExtent) {
    return std::max(0, (screenExtent - windowExtent) / 2);
}

}  // namespace

WindowRect fitToWorkArea(const WindowRect& window, const WindowRect& area) {
    WindowRect r = window;
    if (r.width > area.width) {
        r.width = area.width;
        r.x = area.x;
    }
    if (r.height > area.height) {
        r.height = area.height;
        r.y = area.y;
    }
    return r;
}

WindowRect fullScreenRect(const ScreenMetrics& s) {
    return {-(s.borderX + 1), -(s.borderY + 1), s.width + s.borderX + 1, s.height + s.borderY + 1};
}

int startCoordinate(const std::string& text, int screenExtent, int windowExtent, bool centre) {
    std::string t = withoutBlanks(text);
    auto percent = t.find('%');
    if (percent == std::string::npos) return decimalOrZero(t);
    t.erase(std::remove(t.begin(), t.end(), '%'), t.end());
    int p = decimalOrZero(t);
    if (p == 0) return 0;
    // The factor is the single-precision 0.01 widened to double: 50% of 1024 is 511, not 512.
    constexpr double kOnePercent = static_cast<double>(0.01f);
    int x = static_cast<int>(p * kOnePercent * screenExtent);
    if (!centre) return x;
    double c = x - 0.5 * windowExtent;
    return c < 0 ? 0 : static_cast<int>(c);
}

std::optional<WindowRect> applyStartPosition(const BrowserPlacement& p, const WindowRect& window,
                                             const ScreenMetrics& screen) {
    // autorun.dat keeps the blank before Y: a lone blank is no position either.
    if (withoutBlanks(p.startX).empty() || withoutBlanks(p.startY).empty()) return std::nullopt;
    WindowRect r = window;
    r.x = startCoordinate(p.startX, screen.width, window.width, p.centreOnStart);
    r.y = startCoordinate(p.startY, screen.height, window.height, p.centreOnStart);
    return r;
}

WindowRect applySize(const BrowserPlacement& p, const WindowRect& current,
                     const ScreenMetrics& screen, bool initial) {
    WindowRect r = current;
    if (p.sizeIndex == 5) {
        r = fullScreenRect(screen);
    } else if (auto size = fixedSize(p, initial)) {
        // The window's minimum size holds for custom sizes too.
        r.width = std::max(size->first, kBrowserMinWidth);
        r.height = std::max(size->second, kBrowserMinHeight);
        r.x = centred(screen.width, r.width);
        r.y = centred(screen.height, r.height);
    }
    if (auto moved = applyStartPosition(p, r, screen)) r = *moved;
    // Full screen covers the panels on purpose; anything else larger than the
    // work area would put its title bar or its edges out of reach.
    if (p.sizeIndex == 5) return r;
    WindowRect area = screen.workArea;
    if (area.width <= 0 || area.height <= 0) area = {0, 0, screen.width, screen.height};
    return fitToWorkArea(r, area);
}

}  // namespace rondivo
