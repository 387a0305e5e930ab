#pragma once
// The player's side of secure discs: the disc's files are mirrored into the
// temporary folder, ".enc" files decrypted on the way, and the folder is
// removed again when the browser window closes. The mirror runs on a worker
// thread; the window polls its done flag and file counter and may set its
// cancel flag (see secure_extract_dialog.h for the window side).
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace rondivo {

inline constexpr char kSecureTempName[] = "RondivoTemp";

// T: the local application-data folder + "RondivoTemp".
std::filesystem::path secureTempFolder();

// The members of the browser window that extraction and clean-up use.
struct SecureWindowState {
    std::string address;           // full path of the page the window shows
    std::string secureFolder;      // folder of the decrypted files; empty: none
    bool dataFolderLayout = true;  // the window's own copy, used by {temp} and {secure}
    bool cleanupTempOnClose = true;
};

struct ExtractionRequest {
    std::filesystem::path executableFolder;  // its autorun.inf holds the password
    std::filesystem::path currentDirectory;  // the disc's folder
    bool dataFolderLayout = true;            // the application's flag
    std::filesystem::path tempFolder;        // T; empty: secureTempFolder()
    // Called on the worker thread after each file (tests slow the worker down with it).
    std::function<void(int filesSoFar)> afterFile;
};

struct ExtractionResult {
    std::string folder;            // destination of the mirror; empty when no ".enc" file was found
    std::string destination;       // where the files went, whether or not any was encrypted
    bool dataFolderLayout = true;  // the window's copy after extraction
    bool cancelled = false;
    int files = 0;
    std::vector<std::filesystem::path>
        failed;  // could not be decrypted or copied (nothing left behind)
};

// The three values the worker shares with the window's thread.
struct ExtractionControl {
    std::atomic<bool> done{false};
    std::atomic<bool> cancel{false};
    std::atomic<int> files{0};
};

// The worker's whole job, synchronously; sets control.done at the end. A
// cancel takes effect before the next folder entry. The mirror never enters
// the temporary folder itself, nor follows symbolic links to folders.
ExtractionResult runExtractionWorker(const ExtractionRequest& request, ExtractionControl& control);

// Where the mirror reads and writes, and the window's layout flag after it.
struct ExtractionPlan {
    std::filesystem::path source;
    std::filesystem::path destination;
    bool dataFolderLayout = true;
};
ExtractionPlan planExtraction(const ExtractionRequest& request);

// True when some name under `folder` contains ".enc". A disc without secure
// files is not mirrored at all: copying it to the user's machine at every
// start would only fill their disk with files nobody uses.
bool holdsSecureFiles(const std::filesystem::path& folder,
                      const std::filesystem::path& tempFolder = {});

// The address the window shows after extraction: folder + the address's last
// path component, every ".enc" removed.
std::string decryptedAddress(const std::string& address, const std::string& folder);

// Stores a result in the window: secureFolder, dataFolderLayout and, when
// ".enc" files were found, the address of the decrypted page. Returns the folder.
std::string applyExtraction(SecureWindowState& window, const ExtractionResult& result);

// The worker on its own thread.
class ExtractionWorker {
  public:
    explicit ExtractionWorker(ExtractionRequest request);
    ~ExtractionWorker();  // cancels and joins a worker that still runs
    ExtractionWorker(const ExtractionWorker&) = delete;
    ExtractionWorker& operator=(const ExtractionWorker&) = delete;

    void start();
    bool done() const { return control_.done.load(); }
    int fileCount() const { return control_.files.load(); }
    void cancel() { control_.cancel.store(true); }
    // Waits for the worker and hands over its result.
    ExtractionResult finish();

  private:
    ExtractionRequest request_;
    ExtractionControl control_;
    ExtractionResult result_;
    std::thread worker_;
};

// Deletes the decrypted files of a window whose secureFolder is set (and
// whose clean-up is on: a shell launch leaves them for the program), then
// T/data (when the window's dataFolderLayout is set) and T. Only what lies
// inside T is ever deleted: a secure folder outside it, or a T that is itself
// a symbolic link, is left alone, and links met in the walk are removed as
// links without following them. Failures are ignored.
// Wiring: the browser window's destruction, when cleanupTempOnClose is set.
void removeSecureFolder(const SecureWindowState& window,
                        const std::filesystem::path& tempFolder = {});

}  // namespace rondivo
