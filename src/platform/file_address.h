#pragma once
// "file:" addresses as paths. Web engines hand them over in many spellings:
// WebKit as "file:///media/cd/x", IE as "file:///D:/x", "file://D:\x",
// "file://localhost/D:/x", "file://server/share/x", with letters beyond ASCII
// percent-encoded or raw. This is the one conversion; each system reads the
// address in its own style (both styles are tested on every system).
#include <optional>
#include <string>
#include <string_view>

namespace rondivo::platform {

enum class PathStyle { Posix, Windows };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

struct FileAddressPath {
    std::string path;        // UTF-8; "\\server\share\x" for another host in Windows style
    bool otherHost = false;  // names a file of another machine (a network share)
};

// The path an address names: host ("localhost" or none), query and fragment
// dropped, %XX decoded. Nothing for another scheme, or for an address whose
// path would hold a NUL (a name cannot, and the cut-off name is another file).
std::optional<FileAddressPath> pathFromFileAddress(std::string_view address,
                                                   PathStyle style = kNativePathStyle);

// This machine's file that `address` names, in the system's style; empty for
// other addresses, refused ones and files of other hosts.
std::string localFilePath(std::string_view address, PathStyle style = kNativePathStyle);

// "%41%20b" → "A b"; a "%" without two hex digits stays as it is. The one
// percent decoder: the link readers above this layer use it too.
std::string percentDecode(std::string_view text);

}  // namespace rondivo::platform
