// The captions of the current language, and centring.
#include "window/centring.h"

#include <gtest/gtest.h>

#include "testkit/fakes.h"
#include "testkit/release.h"
#include "i18n/language_switch.h"

namespace vz {
namespace {

using test::FakeWindow;

struct OffsetCase {
  float outer, inner;
  std::int32_t offset;
};
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

TEST(ApplyLanguage, ShowsTheSixCaptionsExactlyAsStoredWithTheRelease) {
  MessageTable m;
  ParseMessageText(
      L"FRM_ALL_C_EXIT= Exit\rFRM_FW_UPGRADE_TITLE=Update\r"
      L"FRM_FW_UPGRADE_C_UPGRADE=Go\rFRM_FW_UPGRADE_L_TITOLO=FW\r"
      L"FRM_FW_UPGRADE_L_COM_PORT=Port\rFRM_FW_UPGRADE_L_LINGUA=Lang\r",
      m);
  FakeWindow w;
  ApplyLanguage(m, w);
  EXPECT_EQ(w.captions.title, std::wstring(L"Update") + test::kTitleRelease);
  EXPECT_EQ(w.captions.exit, L" Exit");
  EXPECT_EQ(w.captions.upgrade, L"Go");
  EXPECT_EQ(w.captions.titleLabel, L"FW");
  EXPECT_EQ(w.captions.portLabel, L"Port");
  EXPECT_EQ(w.captions.languageLabel, L"Lang");
}

}  // namespace
}  // namespace vz
