#include "platform/file_copy.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/file_io.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

bool isDiskFull(int e) {
#ifdef EDQUOT
    if (e == EDQUOT) return true;
#endif
    return e == ENOSPC;
}

FileCopyResult failed(int e) {
    return {std::strerror(e), false, isDiskFull(e)};
}

FileCopyResult notRegular(fs::file_type type) {
    return {std::string("not a regular file (") + specialFileKind(type) + ")", true, false};
}

// ".name.part" beside `target`, or ".name.part2", ... when a file of the
// folder has that name already (the copy must never replace it).
fs::path unusedTemporaryName(const fs::path& target) {
    fs::path base = target.parent_path() / ".";
    base += target.filename();
    base += ".part";
    fs::path temp = base;
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(temp, ec)) && n < 1000; ++n) {
        temp = base;
        temp += platform::u8path(std::to_string(n));
    }
    return temp;
}

}  // namespace

FileCopyResult copyRegularFile(const fs::path& source, const fs::path& target,
                               std::uint64_t* bytes) {
    // A FIFO is never opened (that waits for a writer for ever), nor a
    // device read (that may never end).
    std::error_code ec;
    const fs::file_status st = fs::status(source, ec);
    if (ec) return failed(ec.value());
    if (fs::is_directory(st)) return failed(EISDIR);
    if (!fs::is_regular_file(st)) return notRegular(st.type());
    // Only a file (or a link) is ever replaced: the rename would put the copy
    // in place of a device or a folder.
    const fs::file_status there = fs::symlink_status(target, ec);
    if (fs::is_directory(there)) return failed(EISDIR);
    if (fs::exists(there) && !fs::is_regular_file(there) && !fs::is_symlink(there))
        return notRegular(there.type());
    const fs::path temp = unusedTemporaryName(target);
    std::uint64_t copied = 0;
    int e = copyFileData(source, temp, copied);
    if (e == 0) {
        // Windows replaces no read-only file.
        makeWritable(target);
        if (renameFile(temp, target) != 0) e = errno;
    }
    if (e != 0) {
        removeFile(temp);
        return failed(e);
    }
    if (bytes) *bytes += copied;
    return {};
}

}  // namespace rondivo::platform
