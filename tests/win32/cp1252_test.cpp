// The Windows-1252 table the fakes, the fuzzers and the tests decode with
// against the system's own conversion: the message files are read through
// the system, so the table may not differ from it in a single byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "testkit/cp1252.h"

namespace vz::test {
namespace {

constexpr UINT kCodePage = 1252;

TEST(Cp1252Table, EveryByteDecodesAsTheSystemDecodesIt) {
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t system[2] = {};
    ASSERT_EQ(MultiByteToWideChar(kCodePage, 0, &byte, 1, system, 2), 1) << "byte " << b;
    EXPECT_EQ(static_cast<unsigned>(cp1252::ToWide(static_cast<std::uint8_t>(b))),
              static_cast<unsigned>(system[0]))
        << "byte 0x" << std::hex << b;
  }
}

TEST(Cp1252Table, EveryCharacterOfTheTableEncodesBackAsTheSystemEncodesIt) {
  for (int b = 0; b < 256; ++b) {
    const wchar_t c = cp1252::ToWide(static_cast<std::uint8_t>(b));
    char system[2] = {};
    BOOL usedDefault = FALSE;
    ASSERT_EQ(WideCharToMultiByte(kCodePage, 0, &c, 1, system, 2, nullptr, &usedDefault), 1)
        << "byte " << b;
    EXPECT_FALSE(usedDefault) << "byte 0x" << std::hex << b;
    EXPECT_EQ(static_cast<std::uint8_t>(system[0]), b) << "byte 0x" << std::hex << b;
    std::uint8_t back = 0;
    EXPECT_TRUE(cp1252::ToByte(c, &back));
    EXPECT_EQ(back, b) << "byte 0x" << std::hex << b;
  }
}

TEST(Cp1252Table, AWholeTextConvertsAsTheSystemConvertsIt) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::wstring system(all.size(), L'\0');
  ASSERT_EQ(MultiByteToWideChar(kCodePage, 0, all.data(), static_cast<int>(all.size()),
                                system.data(), static_cast<int>(system.size())),
            256);
  EXPECT_EQ(cp1252::Decode(all), system);
  EXPECT_EQ(cp1252::Encode(system), all);
  // A character the code page lacks: the system falls back to '?' when no
  // near letter is allowed, and so does the table.
  const std::wstring foreign = L"\u0100\u4E2D";
  std::string systemBytes(foreign.size(), '\0');
  ASSERT_EQ(WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, foreign.data(),
                                static_cast<int>(foreign.size()), systemBytes.data(),
                                static_cast<int>(systemBytes.size()), nullptr, nullptr),
            2);
  EXPECT_EQ(cp1252::Encode(foreign), systemBytes);
}

}  // namespace
}  // namespace vz::test
