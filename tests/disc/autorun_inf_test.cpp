#include "disc/autorun_inf.h"

#include <gtest/gtest.h>

#include <random>

#include "disc/ini_text.h"
#include "test_support.h"

namespace rondivo {
namespace {

// The data-folder step's rewrite, without the files it moves.
std::optional<std::string> rewriteForDataFolder(const std::filesystem::path& folder) {
    auto lines = readAutorunInfLines(folder);
    if (!lines) return std::nullopt;
    DataFolderAutorunInf inf = dataFolderAutorunInf(*lines);
    if (!writeAutorunInfLines(folder, inf.lines)) return std::nullopt;
    return inf.commandLine;
}

AutorunInfValues defaults() {
    AutorunInfValues v;
    v.openFile = "1_Demo_General_Menu.html";
    v.failSafeFile = "Error_Page.html";
    v.splashName = "default.jpg";
    v.soundName = "default.wav";
    return v;
}

TEST(AutorunInf, CommandLineTokens) {
    struct Case {
        const char* name;
        void (*change)(AutorunInfValues&);
        const char* want;
    } cases[] = {
        {"defaults", [](AutorunInfValues&) {},
         "autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0 default.jpg default.wav"},
        {"no files", [](AutorunInfValues& v) { v.openFile = v.failSafeFile = ""; },
         "autorun.exe none none 1 0 default.jpg default.wav"},
        {"splash off: sound is fifth", [](AutorunInfValues& v) { v.splashEnabled = false; },
         "autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0 default.wav"},
        {"sound off", [](AutorunInfValues& v) { v.soundEnabled = false; },
         "autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0 default.jpg"},
        {"empty names are left out", [](AutorunInfValues& v) { v.splashName = v.soundName = ""; },
         "autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0"},
        {"secure: only the file to open", [](AutorunInfValues& v) { v.secure = true; },
         "autorun.exe 1_Demo_General_Menu.html.enc Error_Page.html 1 0 default.jpg default.wav"},
        {"secure without file",
         [](AutorunInfValues& v) {
             v.secure = true;
             v.openFile = "";
         },
         "autorun.exe none Error_Page.html 1 0 default.jpg default.wav"},
        {"browser off, custom size",
         [](AutorunInfValues& v) {
             v.builtInBrowser = false;
             v.windowSize = 6;
         },
         "autorun.exe 1_Demo_General_Menu.html Error_Page.html 0 6 default.jpg default.wav"},
        {"blanks underscored",
         [](AutorunInfValues& v) {
             v.splashName = "my splash.jpg";
             v.soundName = "a b c.wav";
         },
         "autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0 my_splash.jpg a_b_c.wav"},
    };
    for (const auto& c : cases) {
        auto v = defaults();
        c.change(v);
        EXPECT_EQ(autorunCommandLine(v), c.want) << c.name;
    }
}

TEST(AutorunInf, FileHasTwoOrThreeCrLfLines) {
    test::TempDir dir;
    auto v = defaults();
    bool written = false;
    EXPECT_EQ(writeAutorunInf(dir.path(), v, &written), autorunCommandLine(v));
    EXPECT_TRUE(written);
    EXPECT_EQ(test::readFile(dir / "autorun.inf"),
              "[autorun]\r\nOPEN=" + autorunCommandLine(v) + "\r\n");
    v.iconEnabled = true;
    v.iconName = "my disc icon.ico";
    writeAutorunInf(dir.path(), v);
    EXPECT_EQ(test::readFile(dir / "autorun.inf"),
              "[autorun]\r\nOPEN=" + autorunCommandLine(v) + "\r\nICON=my_disc_icon.ico\r\n");
}

TEST(AutorunInf, NamesBeyondAsciiMakeAUtf16FileThatReadsBack) {
    test::TempDir dir;
    auto v = defaults();
    v.openFile =
        "\xC3\x9C"
        "bersicht.html";
    v.iconEnabled = true;
    v.iconName = "\xC3\x84rger.ico";
    writeAutorunInf(dir.path(), v);
    const std::string bytes = test::readFile(dir / "autorun.inf");
    const std::string text =
        "[autorun]\r\nOPEN=" + autorunCommandLine(v) + "\r\nICON=\xC3\x84rger.ico\r\n";
    // FF FE, then two bytes a character: "[" is 5B 00, "Ü" DC 00.
    ASSERT_EQ(bytes.substr(0, 6), std::string("\xFF\xFE[\0a\0", 6));
    EXPECT_EQ(bytes.size(),
              2 + 2 * (text.size() - 2));  // two characters of two bytes each in UTF-8
    EXPECT_NE(bytes.find(std::string("\xDC\0b\0", 4)), std::string::npos);
    EXPECT_EQ(iniFileText(bytes), text);
    EXPECT_EQ(iconFromAutorunInf(dir.path()), "\xC3\x84rger.ico");
    EXPECT_EQ(commandLineFromAutorunInf(dir.path()), "OPEN=" + autorunCommandLine(v));

    // The build's rewrite for the data folder keeps the form.
    auto command = rewriteForDataFolder(dir.path());
    ASSERT_TRUE(command);
    EXPECT_EQ(*command, dataFolderCommandLine(autorunCommandLine(v)));
    EXPECT_EQ(test::readFile(dir / "autorun.inf").substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(commandLineFromAutorunInf(dir.path()), "OPEN=" + *command);
}

TEST(AutorunInf, Utf16TextRoundTripsEveryCharacter) {
    // Two-, three- and four-byte characters (the last a surrogate pair in UTF-16).
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x80z\r\n";
    const std::string bytes = iniFileBytes(text);
    EXPECT_EQ(bytes, std::string("\xFF\xFE"
                                 "a\0\xE9\0\xAC\x20\x3D\xD8\xC0\xDCz\0\r\0\n\0",
                                 18));
    EXPECT_EQ(iniFileText(bytes), text);
    // A byte that is no UTF-8 keeps its Latin-1 meaning; a lone half of a pair is replaced.
    EXPECT_EQ(iniFileText(iniFileBytes("\xFC")), "\xC3\xBC");
    EXPECT_EQ(iniFileText(std::string("\xFF\xFE\x3D\xD8x\0", 6)), "\xEF\xBF\xBDx");
    EXPECT_EQ(iniFileBytes("plain\r\n"), "plain\r\n");
}

TEST(AutorunInf, DataFolderRewrite) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0 default.jpg default.wav",
         "autorun.exe data\\1_Demo_General_Menu.html data\\Error_Page.html 1 0 data\\default.jpg "
         "data\\default.wav"},
        {"autorun.exe index.html none 1 0 default.jpg default.wav",
         "autorun.exe data\\index.html none 1 0 data\\default.jpg data\\default.wav"},
        {"autorun.exe none none 0 3", "autorun.exe none none 0 3"},
        {"autorun.exe .hidden x.y 1 0",
         "autorun.exe .hidden data\\x.y 1 0"},  // a dot first does not count
        {"autorun.exe index.html.enc none 1 0", "autorun.exe data\\index.html.enc none 1 0"},
    };
    for (const auto& c : cases) EXPECT_EQ(dataFolderCommandLine(c.in), c.out) << c.in;
}

TEST(AutorunInf, RewriteKeepsIconLine) {
    test::TempDir dir;
    auto v = defaults();
    v.iconEnabled = true;
    v.iconName = "disc.ico";
    writeAutorunInf(dir.path(), v);
    auto command = rewriteForDataFolder(dir.path());
    ASSERT_TRUE(command);
    EXPECT_EQ(*command,
              "autorun.exe data\\1_Demo_General_Menu.html data\\Error_Page.html 1 0 "
              "data\\default.jpg data\\default.wav");
    EXPECT_EQ(test::readFile(dir / "autorun.inf"),
              "[autorun]\r\nOPEN=" + *command + "\r\nICON=disc.ico\r\n");
    EXPECT_FALSE(rewriteForDataFolder(dir / "missing"));
}

TEST(AutorunInf, Readers) {
    struct Case {
        const char* name;
        std::string text;
        std::string icon;
        std::optional<std::string> label;
        std::optional<std::string> command;
    } cases[] = {
        {"written by the designer",
         "[autorun]\r\nOPEN=autorun.exe a.html none 1 0\r\nICON=disc.ico\r\n", "disc.ico",
         std::nullopt, "OPEN=autorun.exe a.html none 1 0"},
        {"bare LF, icon any case", "[autorun]\nopen=autorun.exe x\nicon=Disc.ICO\n", "Disc.ICO",
         std::nullopt, "open=autorun.exe x"},
        {"label in capitals only", "[autorun]\nOPEN=autorun.exe\nlabel=no\nLABEL=My Show\n", "",
         "My Show", "OPEN=autorun.exe"},
        {"label text after first =", "[autorun]\nOPEN=a.exe\nLABEL=A=B\n", "", "A=B", "OPEN=a.exe"},
        {"one line only", "[autorun]\r\n", "", std::nullopt, std::nullopt},
        {"empty file", "", "", std::nullopt, std::nullopt},
        {"no line end on line 2", "[autorun]\r\nOPEN=autorun.exe a b", "", std::nullopt,
         "OPEN=autorun.exe a b"},
        {"huge first line", std::string(100000, 'x') + "\nOPEN=autorun.exe a.pdf\n", "",
         std::nullopt, "OPEN=autorun.exe a.pdf"},
        // Keys are keys: at the start of a line, in [autorun].
        {"key names inside values", "[autorun]\nOPEN=autorun.exe PRICE_LABELS.html myicon=x.htm\n",
         "", std::nullopt, "OPEN=autorun.exe PRICE_LABELS.html myicon=x.htm"},
        {"keys of another section", "[autorun]\nOPEN=a.exe\n[Content]\nLABEL=x\nICON=y.ico\n", "",
         std::nullopt, "OPEN=a.exe"},
        {"indented keys, section in any case",
         "[AutoRun]\nOPEN=a.exe\n  LABEL=Show\n\tIcon=d.ico\n", "d.ico", "Show", "OPEN=a.exe"},
        // Discs of earlier versions: UTF-8, with or without a mark.
        {"UTF-8",
         "[autorun]\r\nOPEN=autorun.exe \xC3\x9C"
         "bersicht.html\r\nICON=\xC3\x84rger.ico\r\n",
         "\xC3\x84rger.ico", std::nullopt,
         "OPEN=autorun.exe \xC3\x9C"
         "bersicht.html"},
        {"UTF-8 with a mark", "\xEF\xBB\xBF[autorun]\r\nOPEN=a.exe\r\nLABEL=\xC3\x84\r\n", "",
         "\xC3\x84", "OPEN=a.exe"},
        // What Windows reads as Unicode.
        {"UTF-16LE with a mark",
         iniFileBytes("[autorun]\r\nOPEN=autorun.exe \xC3\x9C"
                      "bersicht.html\r\nICON=\xC3\x84rger.ico\r\nLABEL=\xF0\x9F\x93\x80\r\n"),
         "\xC3\x84rger.ico", "\xF0\x9F\x93\x80",
         "OPEN=autorun.exe \xC3\x9C"
         "bersicht.html"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeFile(dir / "autorun.inf", c.text);
        EXPECT_EQ(iconFromAutorunInf(dir.path()), c.icon) << c.name;
        EXPECT_EQ(labelFromAutorunInf(dir.path()), c.label) << c.name;
        EXPECT_EQ(commandLineFromAutorunInf(dir.path()), c.command) << c.name;
    }
}

TEST(AutorunInf, MissingFileReadsAsNothing) {
    test::TempDir dir;
    EXPECT_EQ(iconFromAutorunInf(dir.path()), "");
    EXPECT_FALSE(labelFromAutorunInf(dir.path()));
    EXPECT_FALSE(commandLineFromAutorunInf(dir.path()));
}

TEST(AutorunInf, IconReaderUsesTheCurrentDirectory) {
    test::TempDir dir;
    test::writeFile(dir / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe\r\nICON=here.ico\r\n");
    test::ScopedCwd cwd(dir.path());
    EXPECT_EQ(iconFromAutorunInf(), "here.ico");
}

}  // namespace
}  // namespace rondivo

namespace rondivo {
namespace {

TEST(AutorunInf, RandomBytesReadSafely) {
    std::mt19937 rng(7);
    for (int round = 0; round < 100; ++round) {
        test::TempDir dir;
        std::string bytes(rng() % 3000, '\0');
        for (auto& b : bytes) b = static_cast<char>(rng() % 4 == 0 ? '\n' : rng());
        test::writeFile(dir / "autorun.inf", bytes);
        auto icon = iconFromAutorunInf(dir.path());
        EXPECT_LE(icon.size(), 999u);
        auto label = labelFromAutorunInf(dir.path());
        if (label) {
            EXPECT_LE(label->size(), 99u);
        }
        auto line = commandLineFromAutorunInf(dir.path());
        if (line) {
            EXPECT_EQ(line->find('\n'), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace rondivo
