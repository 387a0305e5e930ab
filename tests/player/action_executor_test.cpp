#include "player/action_executor.h"

#include <gtest/gtest.h>

#include "platform/shell.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

class RecordingHost : public ActionHost {
  public:
    std::string captionText = "My Disc";
    std::string title;
    std::vector<Message> messages;
    std::vector<std::string> dialogs;
    std::vector<std::string> progress;
    std::vector<std::string> calls;
    std::vector<fs::path> openedWith;
    std::optional<std::string> folderToPick;

    std::string caption() override { return captionText; }
    std::string pageTitle() override { return title; }
    void showMessageDialog(const std::string& caption, const std::string& text) override {
        dialogs.push_back(caption + "|" + text);
    }
    void messageBox(const std::string& text, const std::string& caption,
                    MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    std::optional<std::string> pickFolder(const std::string& prompt) override {
        calls.push_back("pick:" + prompt);
        return folderToPick;
    }
    void openProgress(const std::string& heading) override {
        progress.push_back("open:" + heading);
    }
    void setProgressText(const std::string& text) override { progress.push_back(text); }
    void closeProgress() override { progress.push_back("close"); }
    void openWith(const fs::path& file) override { openedWith.push_back(file); }
    void quit() override { calls.push_back("quit"); }
    void maximize() override { calls.push_back("maximize"); }
    void restoreSize() override { calls.push_back("restore"); }
    void minimize() override { calls.push_back("minimize"); }
    void eject() override { calls.push_back("eject"); }
};

// A disc folder with its data folder, a desktop, and a recording xdg-open.
class ActionExecutorTest : public ::testing::Test {
  protected:
    test::TempDir home;
    test::TempDir disc;
    test::FakeXdgOpen xdg;
    test::ScopedEnv homeEnv{"HOME", home.path().string()};
    test::ScopedEnv configEnv{"XDG_CONFIG_HOME", (home.path() / ".config").string()};
    test::ScopedEnv dataEnv{"XDG_DATA_HOME", (home.path() / ".local/share").string()};
    test::ScopedEnv pathEnv{"PATH", xdg.pathWithFakeFirst()};
    RecordingHost host;
    ActionContext context;

    void SetUp() override {
        RONDIVO_LINUX_ONLY("a recording xdg-open and XDG folders stand in for the desktop");
        context.executableFolder = disc.path();
        context.dataFolderLayout = true;
        fs::create_directories(home / "Desktop");
        writeFile(disc / "data/readme.txt", "read me");
        writeFile(disc / "data/Setup.EXE.txt", "setup");
        writeFile(disc / "data/docs/a.pdf", "pdf bytes");
        writeFile(disc / "data/a.txt", "a");
    }
    bool handle(const std::string& address) { return handleActionAddress(address, context, host); }
    fs::path desktop() const { return home / "Desktop"; }
};

TEST_F(ActionExecutorTest, RunOpensEachFileFromTheBaseFolderInOrder) {
    EXPECT_TRUE(handle("http://ACTION_RUN=readme.txt,docs/a.pdf"));
    auto calls = xdg.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(fs::path(calls[0]), disc / "data/readme.txt");
    EXPECT_EQ(fs::path(calls[1]), disc / "data/docs/a.pdf");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ActionExecutorTest, RunFindsFilesWithoutRegardToCase) {
    // The engine lower-cases the host part, so what arrives is "setup.exe.txt".
    EXPECT_TRUE(handle("http://action_run=setup.exe.txt/"));
    ASSERT_EQ(xdg.calls().size(), 1u);
    EXPECT_EQ(fs::path(xdg.calls()[0]), disc / "data/Setup.EXE.txt");
}

TEST_F(ActionExecutorTest, RunFailuresGiveTheirMessagesAndLaterCommandsStillRun) {
    EXPECT_TRUE(handle("http://ACTION_RUN=missing.txt -x,nofolder/b.txt,readme.txt"));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].caption, "Error Opening File");
    EXPECT_EQ(host.messages[0].text,
              "Error opening: missing.txt -x\nThe file was not found. Please verify it is located "
              "on your CD-ROM "
              "and in the expected folder.");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(host.messages[1].text,
              "Error opening: nofolder/b.txt \nThe file path was not found. Please verify the file "
              "path is "
              "located on your CD-ROM.");
    ASSERT_EQ(xdg.calls().size(), 1u);
    EXPECT_EQ(fs::path(xdg.calls()[0]), disc / "data/readme.txt");
}

TEST_F(ActionExecutorTest, RunWithoutAProgramForTheFileOffersOpenWith) {
    test::ScopedEnv failing("FAKE_XDG_EXIT", "3");
    EXPECT_TRUE(handle("http://ACTION_RUN=readme.txt"));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(host.openedWith.size(), 1u);
    EXPECT_EQ(host.openedWith[0], disc / "data/readme.txt");
}

TEST(LaunchFailure, OnlyAMissingProgramForTheTypeIsLeftToOpenWith) {
    const struct {
        int result;
        const char* text;  // after "Error opening: a.doc \n"; nullptr: Open With answers
    } cases[] = {
        {platform::kShellNoAssociation, nullptr},
        {platform::kShellAssociationIncomplete, nullptr},
        {platform::kShellOk, nullptr},
        {platform::kShellAccessDenied, "Access to the file was denied."},
        {platform::kShellSharingViolation, "Another program is using the file."},
        {platform::kShellOutOfResources, "The computer is out of memory or resources."},
        {platform::kShellOutOfMemory, "There was not enough memory to open the file."},
        {platform::kShellDdeFailed, "The program could not be asked to open the file."},
        {platform::kShellDdeTimeout, "The program did not answer in time."},
        {platform::kShellBadFormat, "The program is not a valid program for this computer."},
        {17, "The file could not be opened (error 17)."},
    };
    for (const auto& c : cases) {
        auto text = launchFailureText(c.result, "a.doc", "");
        if (!c.text) {
            EXPECT_FALSE(text) << c.result;
            continue;
        }
        ASSERT_TRUE(text) << c.result;
        EXPECT_EQ(*text, std::string("Error opening: a.doc \n") + c.text) << c.result;
    }
}

TEST_F(ActionExecutorTest, RunUsesTheSecureFolderWhenFilesWereDecrypted) {
    test::TempDir secure;
    writeFile(secure / "readme.txt", "decrypted");
    context.secureFolder = secure.path().string();
    EXPECT_TRUE(handle("http://ACTION_RUN=readme.txt"));
    ASSERT_EQ(xdg.calls().size(), 1u);
    EXPECT_EQ(fs::path(xdg.calls()[0]), secure / "readme.txt");
}

TEST_F(ActionExecutorTest, CopyToAFolderReproducesTheRelativePathOneLevelDeep) {
    EXPECT_TRUE(handle("http://ACTION_COPY=docs\\a.pdf,{desktop}"));
    EXPECT_EQ(readFile(desktop() / "docs/a.pdf"), "pdf bytes");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "All files have been copied.");
    EXPECT_EQ(host.messages[0].caption, "CD-ROM Application");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
    std::vector<std::string> expected{
        "open:Copying files:", "docs\\a.pdf ->\n" + desktop().string() + "/docs\\a.pdf", "close"};
    EXPECT_EQ(host.progress, expected);
}

TEST_F(ActionExecutorTest, CopyAsTheEngineDeliversItWithEncodedBraces) {
    host.title = "Disc Menu";
    EXPECT_TRUE(handle("http://action_copy=docs/a.pdf,%7Bdesktop%7D"));
    EXPECT_EQ(readFile(desktop() / "docs/a.pdf"), "pdf bytes");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Disc Menu");
}

TEST_F(ActionExecutorTest, CopyToANamedFileOverwritesIt) {
    writeFile(desktop() / "a.txt", "old");
    EXPECT_TRUE(handle("http://ACTION_COPY=a.txt,{desktop}\\a.txt"));
    EXPECT_EQ(readFile(desktop() / "a.txt"), "a");
    EXPECT_FALSE(fs::exists(desktop() / "a.txt/a.txt"));
}

TEST_F(ActionExecutorTest, CopyFailuresAreReportedEachAndSuppressTheSummary) {
    EXPECT_TRUE(handle(
        "http://"
        "ACTION_COPY=a.txt,{desktop}\\x\\y\\a.txt,missing.txt,{desktop},readme.txt,{desktop}"));
    ASSERT_EQ(host.messages.size(), 2u);
    const std::string base = (disc / "data").string();
    EXPECT_EQ(host.messages[0].text, "Error copying file " + base + "/a.txt to " +
                                         desktop().string() +
                                         "\\x\\y\\a.txt\n\nNo such file or directory");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(host.messages[1].text.rfind("Error copying file " + base + "/missing.txt to ", 0),
              0u);
    EXPECT_EQ(readFile(desktop() / "readme.txt"), "read me");  // later files are still copied
}

TEST_F(ActionExecutorTest, UserSelectCopyCopiesIntoTheChosenFolder) {
    test::TempDir target;
    host.folderToPick = target.path().string();
    EXPECT_TRUE(handle("http://ACTION_USER_SELECT_COPY=a.txt, readme.txt"));
    EXPECT_EQ(readFile(target / "a.txt"), "a");
    EXPECT_EQ(readFile(target / "readme.txt"), "read me");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "All files have been copied to " + target.path().string());
    EXPECT_EQ(host.calls, std::vector<std::string>{"pick:Where do you wish to save the file(s)?"});
}

TEST_F(ActionExecutorTest, UserSelectCopyCancelledDoesNothingButIsStillAnAction) {
    EXPECT_TRUE(handle("http://ACTION_USER_SELECT_COPY=a.txt"));
    EXPECT_TRUE(host.progress.empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ActionExecutorTest, BrowseOpensTheDiscRootOrAFolderBelowIt) {
    fs::create_directories(disc / "data/Manuals");
    EXPECT_TRUE(handle("http://ACTION_BROWSE"));
    EXPECT_TRUE(handle("http://ACTION_BROWSE=data/manuals"));
    EXPECT_TRUE(
        handle("http://ACTION_BROWSE=" + (disc / "data").string()));  // appended: no such folder
    auto calls = xdg.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(fs::path(calls[0]), disc.path());
    EXPECT_EQ(fs::path(calls[1]), disc / "data/Manuals");

    // A host that plays the disc from elsewhere says where browsing starts.
    context.browseRoot = disc / "data";
    EXPECT_TRUE(handle("http://ACTION_BROWSE=manuals"));
    ASSERT_EQ(xdg.calls().size(), 3u);
    EXPECT_EQ(fs::path(xdg.calls()[2]), disc / "data/Manuals");
}

TEST_F(ActionExecutorTest, WindowVerbsGoToTheHostAndMessagesAreCapitalised) {
    EXPECT_TRUE(handle("http://ACTION_MESSAGEBOX=thank%20you"));
    EXPECT_TRUE(handle("http://action_maximize/"));
    EXPECT_TRUE(handle("http://ACTION_RESTORESIZE"));
    EXPECT_TRUE(handle("http://ACTION_MINIMIZE"));
    EXPECT_TRUE(handle("http://ACTION_EJECT"));
    EXPECT_TRUE(handle("http://ACTION_QUIT"));
    EXPECT_TRUE(handle("http://ACTION_MESSAGEBOX"));  // no "=": cancelled, nothing shown
    EXPECT_EQ(host.dialogs, std::vector<std::string>{"My Disc|Thank you"});
    std::vector<std::string> expected{"maximize", "restore", "minimize", "eject", "quit"};
    EXPECT_EQ(host.calls, expected);
}

TEST_F(ActionExecutorTest, OrdinaryAddressesAreNotActions) {
    EXPECT_FALSE(handle("file://" + (disc / "data/page2.html").string()));
    EXPECT_FALSE(handle("http://example.com/ACTION_NOTHING"));
    EXPECT_TRUE(xdg.calls().empty());
}

TEST(ActionArguments, BrowsePathFromTheDiscRoot) {
    struct Case {
        const char* argument;
        bool hasArgument;
        const char* path;
    };
    const Case cases[] = {
        {"", false, "/media/disc"},
        {"data/docs", true, "/media/disc/data/docs"},
        {"data\\docs", true, "/media/disc/data/docs"},
        {"C:\\Temp", true, "C:/Temp"},
        {"x", true, "/media/disc"},  // too short to name a folder
        {"", true, "/media/disc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(browsePath(c.argument, c.hasArgument, "/media/disc"), c.path) << c.argument;
}

TEST(ActionArguments, BaseFolder) {
    EXPECT_EQ(actionBaseFolder("/media/disc", true, ""), "/media/disc/data");
    EXPECT_EQ(actionBaseFolder("/media/disc", false, ""), "/media/disc");
    EXPECT_EQ(actionBaseFolder("/media/disc", true, "/home/u/.local/share/RondivoTemp/data"),
              "/home/u/.local/share/RondivoTemp/data");
    EXPECT_EQ(copyMessageCaption(""), "CD-ROM Application");
    EXPECT_EQ(copyMessageCaption("My Disc"), "My Disc");
    EXPECT_EQ(capitalizeFirst("thank you"), "Thank you");
    EXPECT_EQ(capitalizeFirst(""), "");
    EXPECT_EQ(capitalizeFirst("1 file"), "1 file");
}

}  // namespace
}  // namespace rondivo
