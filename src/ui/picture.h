#pragma once
// Pictures (JPEG, PNG, BMP, GIF) for splash screens, window icons and
// previews. The Windows build has no picture decoders of its own, so there
// the system's decoders (WIC) read them; elsewhere wxWidgets' handlers do.
#include <wx/image.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace rondivo {

// Larger files are not read: a picture a window shows is never this big.
inline constexpr std::uint64_t kLargestPicture = 256ull << 20;

// An invalid image when the bytes are no picture we can read.
wxImage decodePicture(const void* bytes, std::size_t size);
// Regular files only: a FIFO or device under a picture's name is no picture.
wxImage loadPicture(const std::filesystem::path& file);
// A name from a wx control (UTF-16 on Windows, UTF-8 elsewhere).
wxImage loadPicture(const wxString& file);

}  // namespace rondivo
