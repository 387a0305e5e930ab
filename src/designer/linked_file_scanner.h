#pragma once
// Brings what an HTML page (or a batch file) needs into the distributable
// folder: pictures, sounds, style sheets, further pages (scanned in turn),
// files named in action links, programs a batch file starts with "/wait".
// It does not parse HTML: it splits each line at fixed delimiter characters
// and looks for SRC/HREF/BACKGROUND values and picture names, so it copes
// with pages that no parser would accept. Links written as absolute paths are
// copied into the page's folder on the disc and rewritten in the copied page.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

struct ScannerHooks {
    // Before each page is read: the window shows `page` in the wait dialog,
    // lets it repaint and waits 100 ms. Empty: nothing is shown.
    std::function<void(const std::string& page)> showPage;
};

class LinkedFileScanner {
  public:
    // `additionalFiles` is the build's counter (reset to 0 by each build); the
    // search for absolute paths in page text runs only while it is 0.
    explicit LinkedFileScanner(int& additionalFiles, ScannerHooks hooks = {});

    void setAdditionalFiles(int& additionalFiles) { additionalFiles_ = &additionalFiles; }
    void setHooks(ScannerHooks hooks) { hooks_ = std::move(hooks); }
    // The folder nothing may be written outside of; a top-level scan sets it.
    void setDestinationRoot(const std::filesystem::path& folder);

    // Scans `page` and copies what it links to from beside it to the same
    // place below `destination`. A top-level scan empties the unresolved list
    // and makes `destination` the folder nothing may be written outside of.
    // Sub-pages found are copied (when not present yet) and scanned after the
    // page, each into the folder its link names; a page already present is not
    // scanned again, which ends cycles, and no page is read twice in one
    // top-level scan, which ends them even when a copy fails.
    void scanLinkedFiles(const std::filesystem::path& page,
                         const std::filesystem::path& destination, bool topLevel);
    // Copies each program a "/wait " line starts from beside the batch file.
    void scanBatchFile(const std::filesystem::path& batchFile,
                       const std::filesystem::path& destination);
    // After a page: copies unresolved absolute links into `destination` and
    // rewrites them to the bare file name in the page's copy there.
    void repairAbsoluteLinks(const std::filesystem::path& page,
                             const std::filesystem::path& destination,
                             const std::filesystem::path& pageFolder, bool topLevel);
    // Adds every "X:\..." path in `text` (lower-cased, up to > < " or ,) to the
    // unresolved list; true when anything was added.
    bool collectAbsolutePaths(std::string_view text);

    // Links that could not be resolved, as written (no duplicates, in order found).
    const std::vector<std::string>& unresolved() const { return unresolved_; }
    // Every file this scanner copied (destination paths), in order.
    const std::vector<std::filesystem::path>& copied() const { return copied_; }
    // Pages read, in order.
    const std::vector<std::filesystem::path>& scannedPages() const { return scanned_; }

  private:
    struct SubPage {
        std::filesystem::path source;
        std::filesystem::path destination;
    };
    class Cursor;
    struct Repair;

    void addUnresolved(const std::string& entry);
    void collectRepairs(const std::filesystem::path& pageFolder, std::vector<Repair>& repairs,
                        std::vector<std::string>& keys, std::vector<bool>& drop) const;
    bool inside(const std::filesystem::path& p) const;
    bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
    bool copyWithFolders(const std::string& link, const std::filesystem::path& from,
                         const std::filesystem::path& to);
    void copyActionItem(const std::string& item, const std::filesystem::path& pageFolder,
                        const std::filesystem::path& destination);
    void scanLine(const std::string& line, const std::filesystem::path& pageFolder,
                  const std::filesystem::path& destination, std::vector<SubPage>& subPages);
    void handleLink(std::string value, Cursor& cursor, const std::filesystem::path& pageFolder,
                    const std::filesystem::path& destination, std::vector<SubPage>& subPages);

    int* additionalFiles_;
    ScannerHooks hooks_;
    std::filesystem::path root_;
    std::vector<std::string> unresolved_;
    std::vector<std::filesystem::path> copied_;
    std::vector<std::filesystem::path> scanned_;
    std::vector<std::filesystem::path> scannedSinceTop_;
};

// The build's entry points (BuildHooks::scanLinkedFiles and ::scanBatchFile):
// one scanner for the whole process, so the unresolved list lives from one
// call to the next as the build expects.
void scanLinkedFiles(const std::filesystem::path& sourcePage, const std::filesystem::path& folder,
                     int topLevel, int& additionalFiles, const ScannerHooks& hooks = {});
void scanBatchFile(const std::filesystem::path& batchFile, const std::filesystem::path& folder);
const std::vector<std::string>& unresolvedLinks();

}  // namespace rondivo
