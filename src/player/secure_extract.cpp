#include "player/secure_extract.h"

#include "disc/secure_file.h"
#include "disc/text_util.h"
#include "platform/debug_log.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/user_folders.h"

namespace rondivo {

namespace fs = std::filesystem;

fs::path secureTempFolder() {
    return platform::localAppDataFolder() / kSecureTempName;
}

namespace {

struct Mirror {
    const std::string& password;
    const fs::path& temp;
    ExtractionControl& control;
    const std::function<void(int)>& afterFile;
    ExtractionResult& result;
    bool found = false;

    bool isTempFolder(const fs::path& p) const {
        std::error_code ec;
        return fs::equivalent(p, temp, ec) && !ec;
    }

    void fileDone() {
        int n = ++control.files;
        result.files = n;
        if (afterFile) afterFile(n);
    }

    void run(const fs::path& source, const fs::path& destination) {
        std::error_code ec;
        for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
            if (control.cancel.load()) {
                result.cancelled = true;
                return;
            }
            const fs::path& p = it->path();
            std::string name = p.filename().string();
            std::error_code sec;
            auto st = it->symlink_status(sec);
            if (sec) continue;
            if (fs::is_directory(st)) {
                // A disc folder that holds T would otherwise be mirrored into itself for ever.
                if (isTempFolder(p)) continue;
                fs::path sub = destination / p.filename();
                fs::create_directory(sub, sec);
                run(p, sub);
                if (result.cancelled) return;
            } else if (fs::is_symlink(st) && fs::is_directory(fs::status(p, sec))) {
                continue;  // links to folders could lead anywhere, even in circles
            } else if (!fs::is_regular_file(fs::status(p, sec))) {
                continue;  // a FIFO or device would hold the mirror for ever: as good as missing
            } else if (containsText(name, kSecureExtension)) {
                std::string plain = name;
                replaceAllText(plain, kSecureExtension, "");
                found = true;
                if (!decryptFile(p, destination / platform::u8path(plain), password)) {
                    platform::debugLog("could not decrypt " + p.string());
                    result.failed.push_back(p);
                }
                fileDone();
            } else {
                const fs::path copy = destination / p.filename();
                const bool copied = platform::copyRegularFile(p, copy).ok();
                if (!copied) result.failed.push_back(p);
                // A copy from a CD keeps its read-only mark, and Windows would
                // refuse to delete it when the window closes.
                if (copied) platform::makeWritable(copy);
                fileDone();
            }
        }
    }
};

}  // namespace

ExtractionPlan planExtraction(const ExtractionRequest& request) {
    ExtractionPlan plan;
    fs::path temp = request.tempFolder.empty() ? secureTempFolder() : request.tempFolder;
    plan.source = request.currentDirectory;
    if (request.dataFolderLayout) {
        // A disc mastered without long names may show the folder as "DATA".
        plan.source = platform::findCaseInsensitive(request.currentDirectory, "data")
                          .value_or(request.currentDirectory / "data");
    }
    plan.dataFolderLayout = true;
    plan.destination = temp / "data";
    std::error_code ec;
    if (!fs::is_directory(plan.source, ec)) {
        plan.source = request.currentDirectory;
        plan.dataFolderLayout = false;
        plan.destination = temp;
    }
    return plan;
}

bool holdsSecureFiles(const fs::path& folder, const fs::path& tempFolder) {
    std::error_code ec;
    fs::path temp = tempFolder.empty() ? secureTempFolder() : tempFolder;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        if (it->path() == temp) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->path().filename().string().find(kSecureExtension) != std::string::npos) return true;
    }
    return false;
}

ExtractionResult runExtractionWorker(const ExtractionRequest& request, ExtractionControl& control) {
    ExtractionResult result;
    std::string password = readSecurePassword(request.executableFolder).value_or(std::string());
    fs::path temp = request.tempFolder.empty() ? secureTempFolder() : request.tempFolder;
    ExtractionPlan plan = planExtraction(request);
    result.dataFolderLayout = plan.dataFolderLayout;
    std::error_code ec;
    fs::create_directories(temp, ec);
    if (plan.destination != temp) fs::create_directory(plan.destination, ec);
    result.destination = plan.destination.string();

    Mirror mirror{password, temp, control, request.afterFile, result};
    mirror.run(plan.source, plan.destination);
    if (mirror.found) result.folder = plan.destination.string();
    control.done.store(true);
    return result;
}

std::string decryptedAddress(const std::string& address, const std::string& folder) {
    std::size_t slash = address.find_last_of("\\/");
    std::string last = slash == std::string::npos ? address : address.substr(slash + 1);
    replaceAllText(last, kSecureExtension, "");
    return (platform::u8path(folder) / platform::u8path(last)).string();
}

std::string applyExtraction(SecureWindowState& window, const ExtractionResult& result) {
    window.dataFolderLayout = result.dataFolderLayout;
    window.secureFolder = result.folder;
    if (!result.folder.empty()) window.address = decryptedAddress(window.address, result.folder);
    return result.folder;
}

ExtractionWorker::ExtractionWorker(ExtractionRequest request) : request_(std::move(request)) {}

ExtractionWorker::~ExtractionWorker() {
    if (worker_.joinable()) {
        cancel();
        worker_.join();
    }
}

void ExtractionWorker::start() {
    control_.done = false;
    control_.cancel = false;
    control_.files = 0;
    worker_ = std::thread([this] { result_ = runExtractionWorker(request_, control_); });
}

ExtractionResult ExtractionWorker::finish() {
    if (worker_.joinable()) worker_.join();
    return std::move(result_);
}

namespace {

// Whether `inner` is `outer` or lies below it (both already canonical).
bool isWithin(const fs::path& inner, const fs::path& outer) {
    auto rel = inner.lexically_relative(outer);
    if (rel.empty()) return false;
    auto first = *rel.begin();
    return first != ".." && !rel.is_absolute();
}

void removeContents(const fs::path& dir) {
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    for (const auto& p : entries) {
        auto st = fs::symlink_status(p, ec);
        if (ec) continue;
        if (fs::is_directory(st)) {
            removeContents(p);
            fs::remove(p, ec);
        } else if (fs::is_symlink(st)) {
            fs::remove(p, ec);  // a link goes as a link; its target is never touched
        } else if (containsText(p.string(), kSecureTempName)) {
            platform::makeWritable(p);  // Windows deletes no read-only file
            fs::remove(p, ec);
        }
    }
}

}  // namespace

void removeSecureFolder(const SecureWindowState& window, const fs::path& tempFolder) {
    if (window.secureFolder.empty() || !window.cleanupTempOnClose) return;
    std::error_code ec;
    fs::path temp = tempFolder.empty() ? secureTempFolder() : tempFolder;
    // T itself must be a real folder: through a link, "inside T" could be anywhere.
    if (!fs::is_directory(fs::symlink_status(temp, ec))) return;
    fs::path realTemp = fs::canonical(temp, ec);
    if (ec) return;
    const fs::path secureFolder = platform::u8path(window.secureFolder);
    fs::path secure = fs::weakly_canonical(secureFolder, ec);
    if (!ec && isWithin(secure, realTemp) &&
        fs::is_directory(fs::symlink_status(secureFolder, ec))) {
        removeContents(secure);
    } else {
        platform::debugLog("not removing a secure folder outside the temporary folder: " +
                           window.secureFolder);
    }
    if (window.dataFolderLayout) fs::remove(temp / "data", ec);
    fs::remove(temp, ec);
}

}  // namespace rondivo
