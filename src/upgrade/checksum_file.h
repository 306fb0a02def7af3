// A checksum file published beside a firmware image (firmware.bin.sha256),
// as the common checksum tools write it: the image's SHA-256 as 64 hex
// digits, either letter case, optionally followed by blanks, an optional
// "*" and a file name. It may begin with a byte-order mark (UTF-8, or the
// UTF-16 of Windows PowerShell's redirection) and end its line in any way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace vz {

// The name of the checksum file of an image.
inline constexpr wchar_t kChecksumFileSuffix[] = L".sha256";

// The digest on the file's first line; nullopt when that line holds none:
// an empty file, fewer or more than 64 hex digits, or anything but blanks
// between the digits and a name. A leading "\" (GNU sha256sum's mark of an
// escaped name) and leading blanks are allowed; what follows the first
// line is not read.
std::optional<Sha256Digest> ReadChecksumFile(std::string_view bytes);

// The digest in lower-case hex, as the log shows it.
std::wstring DigestHex(const Sha256Digest& digest);

}  // namespace vz
