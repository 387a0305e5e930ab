#include "designer/build_record.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/file_io.h"
#include "platform/regular_file.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {
constexpr const char* kHeader = "# files made by the last build";
}

fs::path buildRecordFile(const fs::path& folder) {
    fs::path name = ".";
    name += folder.filename();
    name += ".built";
    return folder.parent_path() / name;
}

std::string escapeRecordName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string unescapeRecordName(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        std::string_view code = line.substr(i, 3);
        if (code == "%25" || code == "%0A" || code == "%0D") {
            out += code == "%25" ? '%' : code == "%0A" ? '\n' : '\r';
            i += 2;
        } else {
            out += line[i];
        }
    }
    return out;
}

std::optional<std::vector<std::string>> readBuildRecord(const fs::path& folder) {
    platform::RegularFileStream in(buildRecordFile(folder));
    std::string line;
    if (!in || !std::getline(in, line) || line != kHeader) return std::nullopt;
    std::vector<std::string> names;
    while (std::getline(in, line)) names.push_back(unescapeRecordName(line));
    return names;
}

bool writeBuildRecord(const fs::path& folder, const std::vector<std::string>& names,
                      std::string& why) {
    const fs::path record = buildRecordFile(folder);
    fs::path temp = record;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << kHeader << '\n';
        for (const std::string& n : names) out << escapeRecordName(n) << '\n';
        out.flush();
        if (!out) {
            why = std::strerror(errno ? errno : EIO);
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    if (platform::renameFile(temp, record) != 0) {
        why = std::strerror(errno);
        std::error_code ec;
        fs::remove(temp, ec);
        return false;
    }
    platform::markHidden(record);
    return true;
}

}  // namespace rondivo
