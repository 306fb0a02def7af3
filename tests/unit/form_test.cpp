// The main window's own operations: captions, centring, and its handlers
// for activation and the exit button.
#include "ui/form_ops.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "ui/form_download.h"

namespace vz {
namespace {

using test::FakeWindow;

struct OffsetCase { float outer, inner; std::int32_t offset; };
class Centre : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(Centre, HalvesTheRoundedDifferenceTowardZero) {
  EXPECT_EQ(CenterOffset(GetParam().outer, GetParam().inner), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Differences, Centre,
    ::testing::Values(OffsetCase{11001, 10000, 500}, OffsetCase{10000, 11001, -500},
                      OffsetCase{1000.5f, 0, 500}, OffsetCase{1001.5f, 0, 501},
                      OffsetCase{2.5f, 0, 1}, OffsetCase{3.5f, 0, 2}, OffsetCase{0, 2.5f, -1},
                      OffsetCase{19200, 10380.4f, 4410},    // 8819.6 rounds up
                      OffsetCase{19200, 10380.6f, 4409}));  // 8819.4 rounds down

TEST(CenterForm, SetsTopBeforeLeft) {
  FakeWindow w;
  w.outer = {10380, 7140};
  w.screen = {19200, 10800};
  CenterForm(w);
  EXPECT_EQ(w.calls, (std::vector<std::string>{"top=1830", "left=4410"}));
}

TEST(ApplyLanguage, SetsTheSixCaptionsExactlyAsStored) {
  MessageTable m;
  ParseMessageText(L"FRM_ALL_C_EXIT= Exit\rFRM_FW_UPGRADE_TITLE=Update\r"
                   L"FRM_FW_UPGRADE_C_UPGRADE=Go\rFRM_FW_UPGRADE_L_TITOLO=FW\r"
                   L"FRM_FW_UPGRADE_L_COM_PORT=Port\rFRM_FW_UPGRADE_L_LINGUA=Lang\r",
                   m);
  FakeWindow w;
  ApplyLanguage(m, w);
  EXPECT_EQ(w.calls, (std::vector<std::string>{"text C_Exit= Exit", "text Form=Update  (Rel.2.2)",
                                               "text C_Upgrade0=Go", "text L_Titolo=FW",
                                               "text L_ComPort=Port", "text L_Lingua=Lang"}));
  ApplyLanguage(MessageTable{}, w);
  EXPECT_EQ(w.texts[Control::Form], L"  (Rel.2.2)");
  EXPECT_EQ(w.texts[Control::C_Upgrade1], L"Upgrade Interattivo");
}

class Form : public ::testing::Test {
 protected:
  Form() { frm.Attach(w); }
  test::FakeSystem sys;
  Globals g;
  FakeWindow w;
  FrmDownload frm{g, sys};
};

TEST_F(Form, OnlyTheFirstActivationCentres) {
  frm.OnActivate();
  EXPECT_EQ(w.top, 1830);
  frm.OnActivate();  // back from a message box
  EXPECT_EQ(w.Count("top="), 1);
}

TEST_F(Form, ExitEndsTheProgramWithoutALogLine) {
  g.programDir = g.downloadDir = test::kDir;
  frm.OnExitClick();
  EXPECT_EQ(w.calls, std::vector<std::string>{"end"});
  EXPECT_TRUE(sys.Paths().empty());
}

}  // namespace
}  // namespace vz
