#pragma once
// Pictures (JPEG, PNG, BMP, GIF) for splash screens, window icons and
// previews. The Windows build has no picture decoders of its own, so there
// the system's decoders (WIC) read them; elsewhere wxWidgets' handlers do.
#include <wx/image.h>

#include <cstddef>
#include <filesystem>

namespace rondivo {

// An invalid image when the bytes are no picture we can read.
wxImage decodePicture(const void* bytes, std::size_t size);
wxImage loadPicture(const std::filesystem::path& file);
// A name from a wx control (UTF-16 on Windows, UTF-8 elsewhere).
wxImage loadPicture(const wxString& file);

}  // namespace rondivo
