#include "designer/secure_build.h"

#include "disc/autorun_inf.h"
#include "disc/secure_file.h"
#include "disc/text_util.h"
#include "platform/debug_log.h"

namespace rondivo {

namespace fs = std::filesystem;

std::string secureExclusions(std::string_view commandLine) {
    std::string p(commandLine);
    // Find the second word and its extent; words are separated by blanks.
    std::size_t pos = 0;
    for (int word = 0; word < 2; ++word) {
        pos = p.find_first_not_of(' ', pos);
        if (pos == std::string::npos) return p;
        if (word == 0) pos = p.find(' ', pos);
        if (pos == std::string::npos) return p;
    }
    std::size_t end = p.find(' ', pos);
    if (end == std::string::npos) end = p.size();
    std::string_view second(p.data() + pos, end - pos);
    if (second.find('.', 1) == std::string_view::npos) return p;
    p.erase(pos, end - pos);
    return p;
}

bool keepsPlain(std::string_view name, std::string_view exclusions) {
    for (std::string_view part : {"autorun.exe", "autorun.dat", "COPY_ALL_TO_CDROM_ROOT.txt"})
        if (containsText(name, part)) return true;
    for (std::string_view exact : {"drivers", "data", "autorun.inf", "shfolder.dll"})
        if (name == exact) return true;
    return !name.empty() && containsText(exclusions, name);
}

namespace {

void collectFiles(const fs::path& dir, std::vector<fs::path>& files) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        auto st = it->symlink_status(ec);
        if (ec) continue;
        if (fs::is_directory(st)) {
            if (p.filename() != "drivers") collectFiles(p, files);
        } else if (fs::is_regular_file(st) ||
                   (fs::is_symlink(st) && fs::is_regular_file(fs::status(p, ec)))) {
            files.push_back(p);
        }
    }
}

}  // namespace

bool encryptPresentationFolder(const fs::path& folder, SecureBuildReport* report) {
    SecureBuildReport local;
    SecureBuildReport& r = report ? *report : local;
    auto password = readSecurePassword(folder);
    r.passwordRead = password.has_value() && !password->empty();
    if (!r.passwordRead) return false;

    std::string exclusions = secureExclusions(*password);
    std::error_code ec;
    fs::path start = folder / "data";
    bool dataFolder = fs::is_directory(start, ec);
    if (!dataFolder) start = folder;
    // Without a data folder the disc icon lies among the files, and Windows
    // reads it straight from the disc: it must stay plain too.
    std::string icon = dataFolder ? std::string() : iconFromAutorunInf(folder);

    // Listed first: the pass adds ".enc" files to the folders it walks.
    std::vector<fs::path> files;
    collectFiles(start, files);
    for (const auto& f : files) {
        std::string name = f.filename().string();
        if (keepsPlain(name, exclusions) || (!icon.empty() && name == icon)) continue;
        fs::path enc = f;
        enc += kSecureExtension;
        if (encryptFile(f, enc, *password)) {
            fs::remove(f, ec);
            r.encrypted.push_back(f);
        } else {
            platform::debugLog("left plain, encryption failed: " + f.string());
            r.failed.push_back(f);
        }
    }
    return r.failed.empty();
}

}  // namespace rondivo
