// The checksum file beside a firmware image, as sha256sum, PowerShell or a
// text editor leave it.
#include "upgrade/checksum_file.h"

#include <gtest/gtest.h>

namespace vz {
namespace {

using namespace std::string_literals;

// SHA-256 of the two bytes "FW".
constexpr char kLower[] = "2b2e8e1a3cc3fb95ddd36fa2ce22d8f6189f997849e595ad1a79a7a763d8039b";
constexpr char kUpper[] = "2B2E8E1A3CC3FB95DDD36FA2CE22D8F6189F997849E595AD1A79A7A763D8039B";

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string bytes;
  for (char c : ascii) bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return bytes;
}

struct ChecksumCase {
  std::string bytes;
  bool holdsDigest;
};
class ChecksumFile : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(ChecksumFile, GivesTheDigestOfItsFirstLineOnly) {
  const std::optional<Sha256Digest> digest = ReadChecksumFile(GetParam().bytes);
  ASSERT_EQ(digest.has_value(), GetParam().holdsDigest);
  if (digest) {
    EXPECT_EQ(DigestHex(*digest), std::wstring(kLower, kLower + 64));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ChecksumFile,
    ::testing::Values(
        // sha256sum's text and binary forms, LF and CR LF
        ChecksumCase{kLower + "  firmware.bin\n"s, true},
        ChecksumCase{kUpper + " *firmware.bin\r\n"s, true},
        // a name with an escape, as GNU sha256sum marks one
        ChecksumCase{"\\"s + kLower + "  fw\\\\1.bin\n", true},
        // the digest alone, with or without a line end, after a UTF-8 mark
        ChecksumCase{kUpper, true}, ChecksumCase{"\xEF\xBB\xBF"s + kLower + "\r", true},
        ChecksumCase{"\t "s + kLower + " \t", true},
        // Windows PowerShell's "> file": UTF-16 LE with its mark, CR LF
        ChecksumCase{"\xFF\xFE"s + Utf16(kUpper + "\r\n"s, false), true},
        ChecksumCase{"\xFE\xFF"s + Utf16(kLower + " *x.bin"s, true), true},
        // a second line is not read
        ChecksumCase{kLower + "\nnot a digest\n"s, true},
        // no digest: empty, short, long, glued to a name, on a later line
        ChecksumCase{"", false}, ChecksumCase{"\xEF\xBB\xBF\r\n"s, false},
        ChecksumCase{std::string(kLower, 63) + "  firmware.bin", false},
        ChecksumCase{kLower + "0"s, false}, ChecksumCase{kLower + "*firmware.bin"s, false},
        ChecksumCase{"\n"s + kLower, false},
        ChecksumCase{"SHA256 hash of firmware.bin:\r\n"s + kLower, false},
        ChecksumCase{std::string(kLower, 10) + "g" + std::string(kLower + 11), false}));

}  // namespace
}  // namespace vz
