// Choosing the serial port: the list's colour, port.ini and the copies
// handed to the download directory.
#include "port/port_choice.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace vz {
namespace {

using test::InDir;

struct ParseCase { const wchar_t* text; std::optional<std::uint8_t> port; };
class PortText : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PortText, GivesThePortNumberOrNothing) {
  EXPECT_EQ(ParsePortText(GetParam().text), GetParam().port);
}

constexpr std::nullopt_t kNone = std::nullopt;
INSTANTIATE_TEST_SUITE_P(
    Texts, PortText,
    ::testing::Values(ParseCase{L"COM3", 3}, ParseCase{L"COM12", 12}, ParseCase{L"COM255", 255},
                      ParseCase{L"COM0", 0}, ParseCase{L"com3", 3}, ParseCase{L"COM", kNone},
                      ParseCase{L"CO", kNone}, ParseCase{L"", kNone}, ParseCase{L"COM256", kNone},
                      ParseCase{L"COM-1", kNone}, ParseCase{L"COM 3", kNone},
                      ParseCase{L"COM3 ", kNone}, ParseCase{L"LPT1", kNone},
                      ParseCase{L"COM3x", kNone}));

class PortChoice : public ::testing::Test {
 protected:
  PortChoice() {
    g.programDir = g.downloadDir = test::kDir;
    sys.Put(InDir(L"model.ini"), "ECR-1");
  }
  void Choose(const wchar_t* text) {
    w.texts[Control::E_ComPort] = text;
    OnPortChoice(g, sys, w);
  }
  std::string PortIni() { return sys.Bytes(InDir(L"port.ini")); }
  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
};

TEST_F(PortChoice, ListItemWritesOneByteAndTurnsGreen) {
  Choose(L"COM3");
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
  EXPECT_EQ(PortIni(), "\x03");
  Choose(L"COM12");
  EXPECT_EQ(PortIni(), "\x0C");
  Choose(L"COM12");  // double click: the same byte again
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
  EXPECT_EQ(PortIni(), "\x0C");
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
}

TEST_F(PortChoice, ExistingFileKeepsItsOtherBytes) {
  sys.Put(InDir(L"port.ini"), "\x09QRST");
  Choose(L"COM3");
  EXPECT_EQ(PortIni(), "\x03QRST");
}

TEST_F(PortChoice, EmptyOrTypedNonsenseOrADisabledListWritesNothing) {
  for (const wchar_t* text : {L"", L"COM256", L"LPT1", L"CO"}) {
    w.backColor[Control::E_ComPort] = kColorGreen;
    Choose(text);
    EXPECT_EQ(w.backColor[Control::E_ComPort], kColorRed) << test::Narrow(text);
  }
  w.enabled[Control::E_ComPort] = false;
  Choose(L"COM3");
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
  EXPECT_EQ(sys.writeFirstByteCalls, 0);
  EXPECT_FALSE(sys.Has(InDir(L"port.ini")) || sys.Has(InDir(L"memo_log.txt")) || w.ended);
}

class PortIniBlocked : public PortChoice, public ::testing::WithParamInterface<bool> {};

TEST_P(PortIniBlocked, ThreeAttemptsOneLogLineNoCopy) {
  g.downloadDir = L"D:\\Up\\";
  sys.Put(InDir(L"port.ini"), "\x07");
  sys.File(InDir(L"port.ini")).readOnly = GetParam();
  sys.File(InDir(L"port.ini")).busyOpens = GetParam() ? 0 : -1;
  Choose(L"COM3");
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
  EXPECT_EQ(PortIni(), "\x07");
  EXPECT_EQ(test::LogTexts(sys),
            std::vector<std::string>{"Write_rs232_fw: Superati 3 tentativi di lettura"});
  EXPECT_FALSE(sys.Has(L"D:\\Up\\port.ini") || sys.Has(L"D:\\Up\\model.ini"));
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyOrBusy, PortIniBlocked, ::testing::Bool());

TEST_F(PortChoice, HandsBothFilesToTheDownloadDirectory) {
  g.downloadDir = L"D:\\Up\\";
  sys.Remove(InDir(L"model.ini"));
  Choose(L"COM3");  // a missing model.ini does not stop the port's copy
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\port.ini"), "\x03");
  EXPECT_FALSE(sys.Has(L"D:\\Up\\model.ini"));
  sys.Put(InDir(L"model.ini"), "ECR-1");
  sys.Put(L"D:\\Up\\model.ini", "stale");
  Choose(L"COM4");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\port.ini"), "\x04");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\model.ini"), "ECR-1");
  EXPECT_TRUE(test::LogTexts(sys).empty());
}

}  // namespace
}  // namespace vz
