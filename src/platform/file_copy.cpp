#include "platform/file_copy.h"

#include <cerrno>
#include <cstring>
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
    fs::path temp = target.parent_path() / ".";
    temp += target.filename();
    temp += ".part";
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
