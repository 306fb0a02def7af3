// Choosing the serial port: the list's colour, port.ini and the copies
// handed to the download directory.
#include "port/port_choice.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace vz {
namespace {

using test::FakeSystem;
using test::FakeWindow;

struct ParseCase {
  const wchar_t* text;
  std::optional<std::uint8_t> port;
};
class PortText : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PortText, GivesThePortNumberOrNothing) {
  EXPECT_EQ(ParsePortText(GetParam().text), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PortText,
    ::testing::Values(ParseCase{L"COM3", 3}, ParseCase{L"COM12", 12},
                      ParseCase{L"COM255", 255}, ParseCase{L"COM0", 0},
                      ParseCase{L"com3", 3}, ParseCase{L"COM", std::nullopt},
                      ParseCase{L"CO", std::nullopt}, ParseCase{L"", std::nullopt},
                      ParseCase{L"COM256", std::nullopt},
                      ParseCase{L"COM999", std::nullopt},
                      ParseCase{L"COM-1", std::nullopt},
                      ParseCase{L"COM 3", std::nullopt},
                      ParseCase{L"COM3 ", std::nullopt},
                      ParseCase{L"LPT1", std::nullopt},
                      ParseCase{L"COM3x", std::nullopt}));

class PortChoice : public ::testing::Test {
 protected:
  PortChoice() {
    g.programDir = g.downloadDir = L"C:\\Tools\\Vz\\";
    sys.Put(Prog(L"model.ini"), "ECR-1");
  }
  void Choose(const wchar_t* text) {
    w.texts[Control::E_ComPort] = text;
    OnPortChoice(g, sys, w);
  }
  std::wstring Prog(const wchar_t* name) { return g.programDir + name; }
  std::vector<std::string> Log() {
    return test::Lines(sys.Bytes(Prog(L"memo_log.txt")));
  }

  FakeSystem sys;
  FakeWindow w;
  Globals g;
};

TEST_F(PortChoice, EmptyTextTurnsRedAndWritesNothing) {
  w.backColor[Control::E_ComPort] = kColorGreen;
  Choose(L"");
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorRed);
  EXPECT_EQ(sys.writeFirstByteCalls, 0);
  EXPECT_FALSE(sys.Has(Prog(L"port.ini")));
  EXPECT_FALSE(sys.Has(Prog(L"memo_log.txt")));
}

TEST_F(PortChoice, ListItemWritesOneByteAndTurnsGreen) {
  Choose(L"COM3");
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
  EXPECT_EQ(sys.Bytes(Prog(L"port.ini")), std::string(1, '\x03'));
  Choose(L"COM12");
  EXPECT_EQ(sys.Bytes(Prog(L"port.ini")), std::string(1, '\x0C'));
  Choose(L"COM12");  // double click: the same byte again
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
  EXPECT_EQ(sys.Bytes(Prog(L"port.ini")), std::string(1, '\x0C'));
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
}

TEST_F(PortChoice, ExistingFileKeepsItsOtherBytes) {
  sys.Put(Prog(L"port.ini"), "\x09QRST");
  Choose(L"COM3");
  EXPECT_EQ(sys.Bytes(Prog(L"port.ini")), "\x03QRST");
}

TEST_F(PortChoice, DisabledListTurnsGreenWithoutWriting) {
  w.enabled[Control::E_ComPort] = false;
  Choose(L"COM3");
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
  EXPECT_EQ(sys.writeFirstByteCalls, 0);
}

TEST_F(PortChoice, TypedNonsenseIsNotWritten) {
  for (const wchar_t* text : {L"COM256", L"LPT1", L"CO", L"COM"}) {
    w.backColor[Control::E_ComPort] = kColorGreen;
    Choose(text);
    EXPECT_EQ(w.backColor[Control::E_ComPort], kColorRed) << test::Narrow(text);
  }
  EXPECT_EQ(sys.writeFirstByteCalls, 0);
  EXPECT_FALSE(w.ended);
}

class PortIniBlocked : public PortChoice, public ::testing::WithParamInterface<bool> {};

TEST_P(PortIniBlocked, ThreeAttemptsOneLogLineNoCopy) {
  g.downloadDir = L"D:\\Up\\";
  sys.Put(Prog(L"port.ini"), "\x07");
  if (GetParam()) {
    sys.File(Prog(L"port.ini")).readOnly = true;
  } else {
    sys.File(Prog(L"port.ini")).busyOpens = -1;
  }
  Choose(L"COM3");
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
  EXPECT_EQ(sys.Bytes(Prog(L"port.ini")), "\x07");
  const auto log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].substr(18), "Write_rs232_fw: Superati 3 tentativi di lettura");
  EXPECT_FALSE(sys.Has(L"D:\\Up\\port.ini"));
  EXPECT_FALSE(sys.Has(L"D:\\Up\\model.ini"));
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(w.backColor[Control::E_ComPort], kColorGreen);
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyOrBusy, PortIniBlocked, ::testing::Bool());

TEST_F(PortChoice, SecondAttemptSucceedsWithoutALogLine) {
  sys.File(Prog(L"port.ini")).busyOpens = 1;
  Choose(L"COM3");
  EXPECT_EQ(sys.writeFirstByteCalls, 2);
  EXPECT_EQ(sys.Bytes(Prog(L"port.ini")), std::string(1, '\x03'));
  EXPECT_FALSE(sys.Has(Prog(L"memo_log.txt")));
}

TEST_F(PortChoice, HandsBothFilesToTheDownloadDirectory) {
  g.downloadDir = L"D:\\Up\\";
  sys.Put(L"D:\\Up\\model.ini", "stale");
  Choose(L"COM3");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\port.ini"), std::string(1, '\x03'));
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\model.ini"), "ECR-1");
}

TEST_F(PortChoice, MissingModelStillCopiesThePort) {
  g.downloadDir = L"D:\\Up\\";
  sys.Remove(Prog(L"model.ini"));
  Choose(L"COM3");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\port.ini"), std::string(1, '\x03'));
  EXPECT_FALSE(sys.Has(L"D:\\Up\\model.ini"));
  EXPECT_FALSE(sys.Has(Prog(L"memo_log.txt")));
}

}  // namespace
}  // namespace vz
