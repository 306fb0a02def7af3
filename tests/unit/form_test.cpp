// The main window's own operations: captions, centring, and the handler of
// the exit button.
#include "app/centring.h"

#include <gtest/gtest.h>

#include "app/form_handlers.h"
#include "fakes.h"
#include "i18n/language_switch.h"

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
  EXPECT_EQ(w.calls, (std::vector<std::string>{"text ExitButton= Exit", "text Window=Update  (Rel.2.2)",
                                               "text UpgradeButton=Go", "text TitleLabel=FW",
                                               "text PortLabel=Port", "text LanguageLabel=Lang"}));
  ApplyLanguage(MessageTable{}, w);
  EXPECT_EQ(w.texts[Control::Window], L"  (Rel.2.2)");
  EXPECT_EQ(w.texts[Control::InteractiveUpgradeButton], L"Upgrade Interattivo");
}

TEST(Form, ExitEndsTheProgramWithoutALogLine) {
  test::FakeSystem sys;
  Globals g;
  FakeWindow w;
  FormHandlers handlers{g, sys};
  g.programDir = g.downloadDir = test::kDir;
  handlers.OnExitClick(w);
  EXPECT_EQ(w.calls, std::vector<std::string>{"end"});
  EXPECT_TRUE(sys.Paths().empty());
}

}  // namespace
}  // namespace vz
