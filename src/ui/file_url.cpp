#include "ui/file_url.h"

#include <wx/filename.h>
#include <wx/filesys.h>

namespace rondivo {

std::string fileUrl(const std::string& utf8File) {
    return wxFileSystem::FileNameToURL(wxFileName(wxString::FromUTF8(utf8File))).utf8_string();
}

}  // namespace rondivo
