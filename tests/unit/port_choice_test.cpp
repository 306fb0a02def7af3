// Choosing the serial port: the port text rule, the list's colour, port.ini
// and the copies handed to the download directory, typed text committed by
// leaving the list or pressing Enter, and the report of a failed save.
#include "port/port_choice.h"

#include <gtest/gtest.h>

#include "testkit/fakes.h"

namespace vz {
namespace {

using test::InDir;
using Calls = std::vector<std::string>;

struct ParseCase {
  const wchar_t* text;
  std::optional<std::uint8_t> port;
};
class PortText : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PortText, GivesThePortNumberOrNothing) {
  EXPECT_EQ(ParsePortText(GetParam().text), GetParam().port);
}

constexpr std::nullopt_t kNone = std::nullopt;
INSTANTIATE_TEST_SUITE_P(Texts, PortText,
                         ::testing::Values(ParseCase{L"COM1", 1}, ParseCase{L"COM3", 3},
                                           ParseCase{L"COM12", 12}, ParseCase{L"COM255", 255},
                                           ParseCase{L"COM256", kNone}, ParseCase{L"COM999", kNone},
                                           ParseCase{L"COM0", kNone}, ParseCase{L"COM00", kNone},
                                           ParseCase{L"COM000", kNone}, ParseCase{L"COM03", 3},
                                           ParseCase{L"COM003", 3}, ParseCase{L"COM025", 25},
                                           ParseCase{L"COM0003", kNone}, ParseCase{L"com3", 3},
                                           ParseCase{L"cOm25", 25}, ParseCase{L"COM", kNone},
                                           ParseCase{L"CO", kNone}, ParseCase{L"", kNone},
                                           ParseCase{L"COM-1", kNone}, ParseCase{L"COM+1", kNone},
                                           ParseCase{L"COM 3", kNone}, ParseCase{L"COM3 ", kNone},
                                           ParseCase{L" COM3", kNone}, ParseCase{L"COM\t3", kNone},
                                           ParseCase{L"LPT1", kNone}, ParseCase{L"COM3x", kNone},
                                           ParseCase{L"COMx", kNone}, ParseCase{L"C0M3", kNone},
                                           ParseCase{L"COM\u0663", kNone}));  // an Arabic-Indic 3

class PortChoice : public ::testing::Test {
 protected:
  PortChoice() {
    g.programDir = g.downloadDir = test::kDir;
    sys.Put(InDir(L"model.ini"), "ECR-1");
  }
  void Choose(const wchar_t* text) {
    w.portText = text;
    OnPortChoice(g, sys, w, write);
  }
  // The technician types into the list's field; nothing is handled yet.
  void Type(const wchar_t* text) { w.portText = text; }
  // Leaving the list or pressing Enter in it.
  void Commit() { CommitPortText(g, sys, w, write); }
  std::string PortIni() { return sys.Bytes(InDir(L"port.ini")); }
  void BlockPortIni() {
    sys.Put(InDir(L"port.ini"), "\x07");
    sys.File(InDir(L"port.ini")).busyOpens = -1;
  }
  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
  PortWrite write = PortWrite::Allowed;
};

TEST_F(PortChoice, ListItemWritesOneByteAndTurnsGreen) {
  Choose(L"COM3");
  EXPECT_TRUE(w.portValid);
  EXPECT_EQ(PortIni(), "\x03");
  Choose(L"COM12");
  EXPECT_EQ(PortIni(), "\x0C");
  Choose(L"COM12");  // double click: the same byte again
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
  EXPECT_EQ(PortIni(), "\x0C");
  EXPECT_TRUE(w.portValid);
}

TEST_F(PortChoice, ExistingFileKeepsItsOtherBytes) {
  sys.Put(InDir(L"port.ini"), "\x09QRST");
  Choose(L"COM3");
  EXPECT_EQ(PortIni(), "\x03QRST");
}

TEST_F(PortChoice, EmptyOrTypedNonsenseOrAListTheRunHoldsWritesNothing) {
  for (const wchar_t* text : {L"", L"COM256", L"LPT1", L"CO", L"COM0"}) {
    w.portValid = true;
    Choose(text);
    EXPECT_FALSE(w.portValid) << test::Narrow(text);
  }
  write = PortWrite::Held;  // a run holds the list
  Choose(L"COM3");
  EXPECT_TRUE(w.portValid);
  EXPECT_EQ(sys.writeFirstByteCalls, 0);
  EXPECT_FALSE(sys.Has(InDir(L"port.ini")) || sys.Has(InDir(L"memo_log.txt")) || w.ended);
}

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

// ---- Typed text, committed by leaving the list or by Enter ------------------

TEST_F(PortChoice, TypedPortAboveTheListIsSavedWhenTheListIsLeft) {
  g.downloadDir = L"D:\\Up\\";
  Type(L"com025");
  EXPECT_FALSE(sys.Has(InDir(L"port.ini"))) << "typing alone saves nothing";
  Commit();
  EXPECT_EQ(PortIni(), "\x19");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\port.ini"), "\x19");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\model.ini"), "ECR-1");
  EXPECT_TRUE(w.portValid);
  EXPECT_EQ(g.port.savedPort, 25);
}

TEST_F(PortChoice, OnlyAChangedTextIsHandled) {
  Choose(L"COM3");
  Commit();  // the picked text, left unchanged
  EXPECT_EQ(sys.writeFirstByteCalls, 1);
  Type(L"COM23");  // typed over the item
  Commit();
  EXPECT_EQ(PortIni(), "\x17");
  Commit();  // Enter after leaving, or leaving after Enter
  EXPECT_EQ(sys.writeFirstByteCalls, 2);
  Type(L"COM3x");
  Commit();
  EXPECT_FALSE(w.portValid);
  EXPECT_EQ(PortIni(), "\x17") << "a text that names no port writes nothing";
  EXPECT_EQ(g.port.savedPort, 23) << "port.ini still names the port last saved";
  w.portValid = true;
  Commit();
  EXPECT_TRUE(w.portValid) << "the same text again is not handled again";
  Type(L"COM3");
  Commit();
  EXPECT_EQ(PortIni(), "\x03");
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
  EXPECT_TRUE(w.posted.empty() && w.messages.empty());
}

TEST_F(PortChoice, TypedTextCommittedWhileARunHoldsTheListTurnsGreenAndWritesNothing) {
  write = PortWrite::Held;  // a run holds the list
  Type(L"COM7");
  Commit();
  EXPECT_TRUE(w.portValid);
  EXPECT_FALSE(sys.Has(InDir(L"port.ini")));
}

// ---- A port.ini that cannot be written ----------------------------------------

class PortIniBlocked : public PortChoice, public ::testing::WithParamInterface<bool> {};

TEST_P(PortIniBlocked, ThreeAttemptsOneLogLineNoCopyRedListAndAPostedBox) {
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
  EXPECT_FALSE(w.portValid);
  EXPECT_FALSE(g.port.savedPort.has_value());
  // The box waits until the pick has been handled in full.
  EXPECT_TRUE(w.messages.empty());
  ASSERT_EQ(w.posted.size(), 1u);
  EXPECT_EQ(w.posted[0].text,
            std::wstring(L"port.ini: ") + (GetParam() ? L"Access denied." : L"Sharing violation."));
  w.DeliverPosted();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].kind, MessageKind::Error);
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyOrBusy, PortIniBlocked, ::testing::Bool());

TEST_F(PortChoice, FailedSaveIsToldAfterEachPickButOncePerTextAfterLeaving) {
  BlockPortIni();
  Choose(L"COM3");
  Choose(L"COM3");  // a double click
  EXPECT_EQ(w.posted.size(), 2u);
  Type(L"COM5");
  Commit();
  Type(L"COM6");
  Commit();
  Type(L"COM5");
  Commit();  // handled again, but COM5's failure was told already
  EXPECT_EQ(w.posted.size(), 4u);
  EXPECT_EQ(PortIni(), "\x07");
  EXPECT_EQ(test::LogTexts(sys).size(), 5u) << "each failed save is logged";
  EXPECT_FALSE(w.portValid);

  sys.File(InDir(L"port.ini")).busyOpens = 0;  // free again
  Type(L"COM6");
  Commit();
  EXPECT_EQ(PortIni(), "\x06");
  EXPECT_TRUE(w.portValid);
  sys.File(InDir(L"port.ini")).busyOpens = -1;  // held once more: told anew
  Type(L"COM5");
  Commit();
  EXPECT_EQ(w.posted.size(), 5u);
  for (const auto& box : w.posted) EXPECT_EQ(box.text, L"port.ini: Sharing violation.");
}

}  // namespace
}  // namespace vz
