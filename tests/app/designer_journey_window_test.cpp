// The author's path through the designer, as a person takes it: pick a page
// of one's own, Create CD, then in Presentation Complete Preview, Save ISO
// and Burn to CD on the virtual drive, Escape, Quit. The designer is the
// program's own (its composition root, its modal loops); the person is a
// driver thread that reads labels and acts through the X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <wx/app.h>
#include <wx/image.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/composition_root.h"
#include "journey_support.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::Journey;

// The program folder a build lays out, in a folder of its own, with the
// Windows player every disc carries.
fs::path programFolderCopy(const fs::path& to) {
    fs::create_directories(to);
    for (const char* d : {"html", "splashscreens", "sounds", "icons", "drivers", "pages"})
        if (fs::exists(test::binaryDir() / d))
            fs::copy(test::binaryDir() / d, to / d, fs::copy_options::recursive);
    test::writeFile(to / "windows/autorun.exe", test::windowsPlayerBytes());
    return to;
}

void writeSite(const fs::path& site) {
    test::writeFile(site / "index.html",
                    "<html><head><title>Journey Site</title></head><body><h1>Welcome</h1>"
                    "<img src=\"picture.png\"><a href=\"about.html\">About</a></body></html>");
    test::writeFile(site / "about.html", "<html><body>About us</body></html>");
    wxImage picture(40, 30);
    picture.SetRGB(wxRect(0, 0, 40, 30), 200, 40, 40);
    picture.SaveFile(wxString::FromUTF8((site / "picture.png").string()), wxBITMAP_TYPE_PNG);
}

// The arguments of a running process of `program` whose command line holds `marker`.
std::optional<std::pair<pid_t, std::vector<std::string>>> processWith(const fs::path& program,
                                                                      const std::string& marker) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code ec;
        if (fs::read_symlink(entry.path() / "exe", ec) != fs::canonical(program, ec)) continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        std::vector<std::string> args;
        for (std::string a; std::getline(in, a, '\0');) args.push_back(a);
        for (std::size_t i = 1; i < args.size(); ++i)
            if (args[i].find(marker) != std::string::npos)
                return std::make_pair(static_cast<pid_t>(std::stoi(name)),
                                      std::vector<std::string>(args.begin() + 1, args.end()));
    }
    return std::nullopt;
}

// The launch arguments autorun.inf gives the player: OPEN= after its first blank.
std::vector<std::string> openArguments(const fs::path& inf) {
    std::string text = test::readFile(inf);
    std::size_t at = text.find("OPEN=");
    std::string line = text.substr(at + 5, text.find_first_of("\r\n", at) - at - 5);
    std::vector<std::string> args;
    std::size_t start = line.find(' ');
    while (start != std::string::npos) {
        std::size_t end = line.find(' ', start + 1);
        std::string a = line.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        if (!a.empty()) args.push_back(a);
        start = end;
    }
    return args;
}

// The names an image lists, as the standard image reader sees them.
std::string listing(const fs::path& image) {
    return test::runProgram({"isoinfo", "-J", "-f", "-i", image.string()}).output;
}

struct DesignerJourney {
    const fs::path& t;
    const fs::path& exe;
    Journey j;
    pid_t previewPid = 0;

    fs::path disc() const { return t / "Desktop/CD-ROM Distributable Files"; }

    void pickAndCreate() {
        Journey::within(20000, [&] { return j.where("Select File").has_value(); });
        Journey::shot("journey_designer");
        j.click("Select File");
        j.chooseFile("Select the File to Auto-Play on CD-ROM", (t / "site/index.html").string());
        j.click("Create CD");
        if (j.waitWindow("Rondivo! - Presentation Complete", 60000))
            Journey::shot("journey_complete");
    }

    void preview() {
        if (!j.click("Preview")) return;
        std::optional<std::pair<pid_t, std::vector<std::string>>> player;
        Journey::within(15000,
                        [&] { return (player = processWith(exe, "index.html")).has_value(); });
        if (!player) {
            j.fail("Preview started no player");
            return;
        }
        previewPid = player->first;
        EXPECT_EQ(player->second, openArguments(disc() / "autorun.inf"));
        EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(previewPid) + "/cwd"),
                  fs::canonical(disc()));
        // The person sees the page in the player, then closes it.
        if (j.waitWindow("Journey Site", 20000)) kill(previewPid, SIGTERM);
        // Its window must be gone before the next click, or the click lands on it.
        Journey::within(10000, [&] { return !fs::exists("/proc/" + std::to_string(previewPid)); });
    }

    void saveIso() {
        const auto known = Journey::windows("^rondivo$");
        if (!j.clickFor("Save ISO", "Select a Location to Save ISO")) return;
        j.chooseFile("Select a Location to Save ISO", (t / "My Image.iso").string(), true);
        j.answerMessage("rondivo", known);
        const std::string names = listing(t / "My Image.iso");
        EXPECT_NE(names.find("/autorun.inf"), std::string::npos) << names;
        EXPECT_NE(names.find("/data/index.html"), std::string::npos) << names;
        EXPECT_NE(names.find("/data/picture.png"), std::string::npos) << names;
    }

    void burn() {
        const auto known = Journey::windows("^rondivo$");
        if (!j.click("Burn to CD")) return;
        j.waitWindow("Copying Files to CD-ROM");
        j.click("Burn");
        j.answerMessage("rondivo", known);
        j.click("Cancel");
        const std::string names = listing(t / "drive.img");
        EXPECT_NE(names.find("/data/index.html"), std::string::npos) << names;
        EXPECT_NE(names.find("/autorun.exe"), std::string::npos) << names;
    }

    // Escape closes Presentation Complete and leaves the designer; Quit ends it.
    void escapeAndQuit() {
        auto complete = j.waitWindow("Rondivo! - Presentation Complete", 5000);
        if (!complete) return;
        Journey::keys(*complete, {"Escape"});
        if (!j.waitGone(*complete)) j.fail("Escape left Presentation Complete open");
        EXPECT_EQ(Journey::windows("^Rondivo!$").size(), 1u) << "the designer went with it";
        j.click("Quit");
    }

    void run() {
        pickAndCreate();
        if (!j.failed()) preview();
        if (!j.failed()) saveIso();
        if (!j.failed()) burn();
        if (!j.failed()) escapeAndQuit();
        if (j.failed()) j.closeEverything();
        if (previewPid > 0) kill(previewPid, SIGKILL);
    }
};

TEST(DesignerJourney, OwnPageToPreviewImageAndBurnedDisc) {
    RONDIVO_LINUX_ONLY("xdotool and the Linux player");
    test::TempDir t;
    test::ScopedEnv home("HOME", t.path().string());
    test::ScopedEnv drive("RONDIVO_VIRTUAL_DRIVE", (t / "drive.img").string());
    test::ScopedCwd cwd(t.path());
    writeSite(t / "site");
    const fs::path exe = test::program(RONDIVO_EXE);
    const wxString appName = wxTheApp->GetAppName();
    wxTheApp->SetAppName("rondivo");

    CompositionRoot root({exe, programFolderCopy(t / "program")});
    DesignerJourney journey{t.path(), exe, {}};
    std::thread person([&] { journey.run(); });
    root.runDesigner();
    person.join();
    wxTheApp->SetAppName(appName);
}

}  // namespace
}  // namespace rondivo
