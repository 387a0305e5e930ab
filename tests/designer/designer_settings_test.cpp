#include "designer/designer_settings.h"

#include <gtest/gtest.h>

namespace rondivo {
namespace {

struct PresetRow {
    const char* entry;
    bool rightClick, resizing, titleBar;
    int windowSize, width, height;
    bool dataFolder;
};

// Start from settings that differ from every preset, so "unchanged" shows.
DesignerSettings unusualSettings() {
    DesignerSettings s;
    s.windowSize = 4;
    s.customWidth = 11;
    s.customHeight = 22;
    s.options.disableRightClick = false;
    s.options.disableResizing = true;
    s.options.disableTitleBar = true;
    s.options.dataFolder = false;
    return s;
}

TEST(Presets, EveryExampleEntrySetsItsRow) {
    const PresetRow rows[] = {
        {"1_Demo_General_Menu.html", true, false, false, 0, 0, 0, true},
        {"2_Demo_Software_Installation.html", true, false, false, 0, 0, 0, true},
        {"3_Demo_Microsoft_PowerPoint.html", false, true, true, 4, 11, 22, false},
        {"4_Demo_Fancy_Menu.html", true, true, true, 2, 11, 22, false},
        {"5_Demo_Video_Movie.html", true, false, false, 0, 0, 0, true},
        {"6_Demo_Slide_Show_Automatic.html", true, false, false, 0, 0, 0, true},
        {"7_Demo_Slide_Show_Manual.html", true, false, false, 0, 0, 0, true},
        {"8_Demo_License_Agreement.html", true, false, false, 0, 0, 0, true},
        {"9_Sunset_CD_Menu.html", true, true, true, 2, 11, 22, false},
        {"91_HighTech_CD_Menu.html", true, true, true, 6, 500, 450, false},
        {"92_XPBlue_CD_Menu.html", true, true, false, 6, 475, 425, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.entry);
        DesignerSettings s = unusualSettings();
        chooseExample(s, "/opt/rondivo", r.entry);
        EXPECT_EQ(s.openName, r.entry);
        EXPECT_EQ(s.openSource, std::string("/opt/rondivo/html/") + r.entry);
        EXPECT_EQ(s.options.disableRightClick, r.rightClick);
        EXPECT_EQ(s.options.disableResizing, r.resizing);
        EXPECT_EQ(s.options.disableTitleBar, r.titleBar);
        EXPECT_EQ(s.windowSize, r.windowSize);
        EXPECT_EQ(s.customWidth, r.width);
        EXPECT_EQ(s.customHeight, r.height);
        EXPECT_EQ(s.options.dataFolder, r.dataFolder);
    }
}

TEST(Presets, OwnFileResetsBrowserLimitsAndKeepsSpacesInSource) {
    DesignerSettings s = unusualSettings();
    ASSERT_TRUE(chooseOwnFile(s, "/home/a/My Docs/my menu.html"));
    EXPECT_EQ(s.openName, "my_menu.html");
    EXPECT_EQ(s.openSource, "/home/a/My Docs/my menu.html");
    EXPECT_TRUE(s.options.dataFolder);
    EXPECT_EQ(s.windowSize, 0);
    EXPECT_FALSE(s.options.disableResizing);
    EXPECT_FALSE(s.options.disableTitleBar);
}

TEST(Presets, OwnFileNamedLikeAFancyMenuStillGetsThatPreset) {
    DesignerSettings s;
    ASSERT_TRUE(chooseOwnFile(s, "C:\\work\\my_Demo_Fancy_Menu.html"));
    EXPECT_EQ(s.openName, "my_Demo_Fancy_Menu.html");
    EXPECT_EQ(s.windowSize, 2);
}

TEST(Presets, FileInsideDistributableFolderIsRefusedAndNothingChanges) {
    DesignerSettings s = unusualSettings();
    EXPECT_FALSE(chooseOwnFile(s, "/home/a/Desktop/CD-ROM Distributable Files/data/index.html"));
    EXPECT_EQ(s.openName, "1_Demo_General_Menu.html");
    EXPECT_EQ(s.windowSize, 4);
}

TEST(Choosers, FailSafeMenuCreatorAndMediaNames) {
    DesignerSettings s = unusualSettings();
    chooseFailSafe(s, "/x/fail safe.html");
    EXPECT_EQ(s.failSafeName, "fail_safe.html");
    chooseMenuCreatorPage(s, "/opt/rondivo/html/My Menu.html");
    EXPECT_EQ(s.openName, "My_Menu.html");
    EXPECT_EQ(s.windowSize, 4) << "the Menu Creator applies no preset";
    chooseSplash(s, "/p/my splash.jpg");
    chooseSound(s, "/p/my sound.wav");
    chooseIcon(s, "/p/my icon.ico");
    EXPECT_EQ(s.splashName, "my splash.jpg") << "spaces stay until the build";
    EXPECT_EQ(s.soundName, "my sound.wav");
    EXPECT_EQ(s.iconName, "my icon.ico");
}

TEST(WindowSize, CustomAndCancel) {
    DesignerSettings s;
    EXPECT_EQ(chooseWindowSize(s, 6, std::nullopt), 0)
        << "cancel with no custom size goes back to Default";
    EXPECT_EQ(s.windowSize, 0);
    EXPECT_EQ(customSizeDialogStart(s), (std::pair{640, 480}));
    EXPECT_EQ(chooseWindowSize(s, 6, std::pair{800, 300}), 6);
    EXPECT_EQ(customSizeDialogStart(s), (std::pair{800, 300}));
    EXPECT_EQ(chooseWindowSize(s, 6, std::nullopt), 6) << "cancel keeps the earlier custom size";
    EXPECT_EQ(s.customWidth, 800);
    EXPECT_EQ(chooseWindowSize(s, 3), 3);
    EXPECT_EQ(s.customWidth, 0);
    EXPECT_EQ(s.customHeight, 0);
}

TEST(WindowSize, CustomSizeLimits) {
    EXPECT_FALSE(customSizeValid(0));
    EXPECT_TRUE(customSizeValid(1));
    EXPECT_TRUE(customSizeValid(10000));
    EXPECT_FALSE(customSizeValid(10001));
    DesignerSettings s;
    chooseWindowSize(s, 6, std::pair{0, 480});
    EXPECT_EQ(s.customWidth, 0) << "an out-of-range answer is not stored";
}

TEST(Options, StartPositionCheckAndZeroFill) {
    struct Row {
        const char* x;
        const char* y;
        StartField refused;
        const char* outX;
        const char* outY;
    } rows[] = {
        {"50%", "100", StartField::None, "50%", "100"},
        {"100", "", StartField::None, "100", "0"},
        {"", "20%", StartField::None, "0", "20%"},
        {"", "", StartField::None, "", ""},
        {"1 0", "5", StartField::X, "1 0", "5"},
        {"-5", "", StartField::X, "-5", ""},
        {"5", "x", StartField::Y, "5", "x"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.x) + "," + r.y);
        OptionsValues o;
        o.startX = r.x;
        o.startY = r.y;
        EXPECT_EQ(acceptStartPosition(o), r.refused);
        EXPECT_EQ(o.startX, r.outX);
        EXPECT_EQ(o.startY, r.outY);
    }
}

TEST(Writers, SettingsReachAutorunInfAndDat) {
    DesignerSettings s;
    s.options.secure = true;
    s.splashName = "a b.jpg";
    s.iconName = "my icon.ico";
    EXPECT_EQ(autorunCommandLine(autorunInfValues(s)),
              "autorun.exe 1_Demo_General_Menu.html.enc Error_Page.html 1 0 a_b.jpg default.wav");
    EXPECT_NE(autorunInfText(autorunInfValues(s)).find("ICON=my_icon.ico\r\n"), std::string::npos);
    s.options.startX = "10";
    s.options.startY = "20%";
    s.customWidth = 640;
    s.customHeight = 480;
    auto text = presentationFileText(*presentationSettings(s));
    EXPECT_NE(text.find("640 480"), std::string::npos);
    EXPECT_NE(text.find("10 20%"), std::string::npos);
    // No splash time chosen: no autorun.dat at all.
    s.options.splashTimeIndex = -1;
    EXPECT_FALSE(presentationSettings(s));
}

}  // namespace
}  // namespace rondivo

namespace rondivo {
namespace {

TEST(FileChoosers, TitlesFoldersAndFilters) {
    auto open = fileChooserFor(FileChoice::FileToOpen, "/opt/r");
    EXPECT_EQ(open.title, "Select the File to Auto-Play on CD-ROM");
    EXPECT_EQ(std::filesystem::path(open.startFolder), std::filesystem::path("/opt/r/html"));
    EXPECT_EQ(wxFilterFromWindowsFilter(open.filter),
              "All Files (*.*)|*|HTML Files (*.htm;*.html)|*.htm;*.html|Microsoft Word Files "
              "(*.doc)|*.doc|"
              "Adobe PDF Files (*.pdf)|*.pdf");
    auto icon = fileChooserFor(FileChoice::Icon, "/opt/r");
    EXPECT_EQ(std::filesystem::path(icon.startFolder), std::filesystem::path("/opt/r/icons"));
    EXPECT_EQ(icon.defaultExtension, ".ico");
    EXPECT_EQ(wxFilterFromWindowsFilter(icon.filter),
              "Ico/Bmp/Exe (*.ico;*.bmp;*.exe)|*.ico;*.bmp;*.exe");
    EXPECT_EQ(std::filesystem::path(fileChooserFor(FileChoice::Sound, "/opt/r").startFolder),
              std::filesystem::path("/opt/r/sounds"));
    EXPECT_EQ(fileChooserFor(FileChoice::Splash, "/opt/r").title,
              "Select an Image to Display in CD-ROM Splash Screen");
}

}  // namespace
}  // namespace rondivo
