#pragma once
// Percent coding of addresses (RFC 3986 §2.1), the one decoder every reader
// of link text uses.
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_address.h"

namespace rondivo {

// Every byte but the unreserved characters (letters, digits, "-._~") as %XX.
std::string percentEncode(std::string_view text);

// "%41%20b" → "A b": the system layer's decoder, the one every reader uses.
using platform::percentDecode;

// As a browser reads a link in a page: "&amp;" and every "%XX" decoded.
// Nothing when a "%00" would put a NUL into a path.
std::optional<std::string> decodeLink(std::string_view link);

}  // namespace rondivo
