#include "ui/file_url.h"

#include <wx/filename.h>
#include <wx/filesys.h>

namespace rondivo {

std::string fileUrl(const std::filesystem::path& file) {
    return wxFileSystem::FileNameToURL(wxFileName(wxString::FromUTF8(file.string()))).utf8_string();
}

}  // namespace rondivo
