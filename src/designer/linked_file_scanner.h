#pragma once
// Brings what an HTML page (or a batch file) needs into the distributable
// folder: pictures, sounds, style sheets, further pages (scanned in turn),
// files named in action links, programs a batch file starts with "/wait".
// It does not parse HTML: it splits each line at fixed delimiter characters
// and looks for SRC/HREF/BACKGROUND values and picture names, so it copes
// with pages that no parser would accept. Style sheets are followed through
// their url()s and @imports. Links in link attributes and url()s that name a
// file by its full path (or climb out of the disc) are copied beside the page
// on the disc and rewritten in its copy; no other text of a page is changed.
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "designer/link_text.h"

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
    // After a page: copies the files its absolute links name into
    // `destination` and rewrites those links to the bare file name in the
    // page's copy there. Only links whose file was copied change.
    void repairAbsoluteLinks(const std::filesystem::path& page,
                             const std::filesystem::path& destination,
                             const std::filesystem::path& pageFolder, bool topLevel);
    // Adds every "X:\..." path in `text` (lower-cased, up to > < " or ,) to the
    // unresolved list; true when anything was added. Such paths in scripts or
    // prose are listed, never rewritten.
    bool collectAbsolutePaths(std::string_view text);

    // Links that could not be resolved, as written (no duplicates, in order found).
    const std::vector<std::string>& unresolved() const { return unresolved_; }
    // Every file this scanner copied (destination paths), in order.
    const std::vector<std::filesystem::path>& copied() const { return copied_; }
    // Pages read, in order.
    const std::vector<std::filesystem::path>& scannedPages() const { return scanned_; }
    // Each link the repair rewrote in a copied page or style sheet, as
    // "page: "old" is now "new"", since the last top-level scan.
    const std::vector<std::string>& repairedLinks() const { return repaired_; }
    // Why the build must stop (a link whose path this system cannot hold),
    // naming the page; empty when it may go on. Nothing more is scanned once set.
    const std::string& failure() const { return failure_; }

  private:
    // A page (or, with `copy` set, a style sheet) to read after the current page.
    struct SubPage {
        std::filesystem::path source;
        std::filesystem::path destination;
        std::filesystem::path copy;
    };
    struct Placed;
    // A link the absolute-link repair may rewrite, and the folder its file goes to.
    struct Edit {
        links::Span span;
        std::filesystem::path target;
    };
    class Cursor;

    void addUnresolved(const std::string& entry);
    void dropUnresolved(const std::string& entry);
    std::optional<std::filesystem::path> onDisc(const std::filesystem::path& folder,
                                                const std::string& name);
    bool inside(const std::filesystem::path& p) const;
    bool tooLong(const std::filesystem::path& page, const std::string& link,
                 const std::filesystem::path& from, const std::filesystem::path& to);
    bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
    bool copyWithFolders(const std::string& link, const std::filesystem::path& from,
                         const std::filesystem::path& to);
    Placed locate(std::string_view decoded, const std::filesystem::path& base,
                  const std::filesystem::path& target) const;
    void copyActionItem(const std::string& item, const std::filesystem::path& pageFolder,
                        const std::filesystem::path& destination);
    void scanLine(const std::string& line, const std::filesystem::path& pageFolder,
                  const std::filesystem::path& destination, std::vector<SubPage>& subPages);
    void handleLink(std::string value, Cursor& cursor, const std::filesystem::path& pageFolder,
                    const std::filesystem::path& destination, std::vector<SubPage>& subPages);
    void copyStyleLinks(std::string_view text, const std::vector<links::Span>& found,
                        const std::filesystem::path& base, const std::filesystem::path& target,
                        std::vector<SubPage>& sheets);
    void scanStyleSheet(const std::filesystem::path& sheet, const std::filesystem::path& copy);
    bool repairText(std::string& text, const std::vector<Edit>& edits,
                    const std::filesystem::path& base, const std::filesystem::path& copy);
    std::optional<std::string> bringBeside(const std::filesystem::path& source,
                                           const std::filesystem::path& target,
                                           const std::string& name);

    int* additionalFiles_;
    ScannerHooks hooks_;
    std::filesystem::path root_;
    std::vector<std::string> unresolved_;
    std::vector<std::filesystem::path> copied_;
    std::vector<std::filesystem::path> scanned_;
    std::vector<std::filesystem::path> scannedSinceTop_;
    std::vector<std::filesystem::path> sheetsSinceTop_;
    std::vector<std::string> repaired_;
    std::string failure_;
    std::filesystem::path current_;  // the page or sheet being read, named in a failure
    // Files the repair brought onto the disc: their place there and their source.
    std::map<std::filesystem::path, std::filesystem::path> broughtFrom_;
    // Lower-cased names of the disc's folders the repair has looked into.
    std::map<std::filesystem::path, std::unordered_map<std::string, std::filesystem::path>>
        discNames_;
};

}  // namespace rondivo
