#include "player/window_geometry.h"

#include <gtest/gtest.h>

namespace rondivo {
namespace {

const ScreenMetrics kScreen{1024, 768, 1, 1, {}};
const WindowRect kTemplate{135, 116, kBrowserTemplateWidth, kBrowserTemplateHeight};

TEST(BrowserGeometry, EveryIndexAtStartAndOnRestore) {
    struct Case {
        int index;
        bool initial;
        WindowRect expected;
    };
    const Case cases[] = {
        {0, true, kTemplate},  // "Default" keeps the template at start
        {0, false, {192, 144, 640, 480}},
        {1, true, {352, 264, 320, 240}},
        {2, true, {262, 184, 500, 400}},
        {3, true, {192, 144, 640, 480}},
        {4, true, {112, 84, 800, 600}},
        {4, false, {112, 84, 800, 600}},
        {5, true, {-2, -2, 1026, 770}},
        {6, true, {212, 159, 600, 450}},
        {7, true, kTemplate},
        {-1, false, kTemplate},
    };
    for (const auto& c : cases) {
        BrowserPlacement p;
        p.sizeIndex = c.index;
        p.customWidth = 600;
        p.customHeight = 450;
        EXPECT_EQ(applySize(p, kTemplate, kScreen, c.initial), c.expected) << "index " << c.index;
    }
}

TEST(BrowserGeometry, CustomSizeKeepsTheMinimumAndLargeWindowsStayOnScreen) {
    BrowserPlacement p;
    p.sizeIndex = 6;
    p.customWidth = 100;
    p.customHeight = 5000;
    EXPECT_EQ(applySize(p, kTemplate, kScreen, true), (WindowRect{352, 0, 320, 768}));
}

TEST(BrowserGeometry, WindowsLargerThanTheWorkAreaShrinkIntoIt) {
    const WindowRect topPanel{0, 32, 1024, 736};
    const WindowRect leftDock{64, 0, 960, 768};
    struct Case {
        int index;
        int width, height;
        const char* startX;
        WindowRect area;
        WindowRect expected;
    };
    const Case cases[] = {
        {6, 5000, 4000, "", topPanel, {0, 32, 1024, 736}},
        {6, 2000, 300, "", topPanel, {0, 234, 1024, 300}},  // only the width shrinks
        {6, 600, 450, "", topPanel, {212, 159, 600, 450}},  // fits: centred on the screen
        {6, 5000, 400, "", leftDock, {64, 184, 960, 400}},
        {6, 5000, 4000, "50%", leftDock, {64, 0, 960, 768}},  // the start point cannot push it off
        {5, 0, 0, "", topPanel, {-2, -2, 1026, 770}},         // full screen covers the panel
        {0, 0, 0, "", {0, 0, 700, 500}, {0, 0, 700, 500}},    // the template on a small screen
    };
    for (const auto& c : cases) {
        BrowserPlacement p;
        p.sizeIndex = c.index;
        p.customWidth = c.width;
        p.customHeight = c.height;
        p.startX = c.startX;
        p.startY = c.startX;
        ScreenMetrics screen = kScreen;
        screen.workArea = c.area;
        EXPECT_EQ(applySize(p, kTemplate, screen, true), c.expected)
            << c.index << " " << c.width << "x" << c.height << " " << c.startX;
    }
}

TEST(BrowserGeometry, StartPositions) {
    struct Case {
        const char* x;
        const char* y;
        bool centre;
        int index;
        WindowRect expected;
    };
    const Case cases[] = {
        {"50%", " 50%", true, 4, {111, 83, 800, 600}},  // 511 - 400, 383 - 300
        {"50%", "50%", false, 4, {511, 383, 800, 600}},
        {"100", " 20", true, 4, {100, 20, 800, 600}},  // pixels never centre
        {"100", "", true, 4, {112, 84, 800, 600}},     // both are needed
        {"", " 20", true, 4, {112, 84, 800, 600}},
        {"100", " ", true, 4, {112, 84, 800, 600}},  // autorun.dat's lone blank
        {"0%", "10%", true, 1, {0, 0, 320, 240}},    // 76 - 120 is below 0
        {"1 0", "abc", false, 1, {10, 0, 320, 240}},
        {"25%", "25%", false, 5, {255, 191, 1026, 770}},  // full screen, then moved
    };
    for (const auto& c : cases) {
        BrowserPlacement p;
        p.sizeIndex = c.index;
        p.startX = c.x;
        p.startY = c.y;
        p.centreOnStart = c.centre;
        EXPECT_EQ(applySize(p, kTemplate, kScreen, true), c.expected) << c.x << "," << c.y;
    }
}

TEST(BrowserGeometry, PercentUsesSinglePrecisionHundredth) {
    EXPECT_EQ(startCoordinate("50%", 1024, 0, false), 511);
    EXPECT_EQ(startCoordinate("50%", 1280, 800, true), 239);
    EXPECT_EQ(startCoordinate("100%", 1000, 0, false), 999);
    EXPECT_EQ(startCoordinate("50%", 1024, 801, true), 110);
}

TEST(BrowserGeometry, FullScreenWithWiderBorders) {
    EXPECT_EQ(fullScreenRect({1280, 1024, 3, 2, {}}), (WindowRect{-4, -3, 1284, 1027}));
}

}  // namespace
}  // namespace rondivo
