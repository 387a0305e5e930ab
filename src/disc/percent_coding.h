#pragma once
// Percent coding of addresses (RFC 3986 §2.1), the one decoder every reader
// of link text uses.
#include <optional>
#include <string>
#include <string_view>

namespace rondivo {

// Every byte but the unreserved characters (letters, digits, "-._~") as %XX.
std::string percentEncode(std::string_view text);

// "%41%20b" → "A b"; a "%" without two hex digits stays as it is.
std::string percentDecode(std::string_view text);

// As a browser reads a link in a page: "&amp;" and every "%XX" decoded.
// Nothing when a "%00" would put a NUL into a path.
std::optional<std::string> decodeLink(std::string_view link);

}  // namespace rondivo
