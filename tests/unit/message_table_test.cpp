#include "i18n/message_table.h"

#include <gtest/gtest.h>

namespace vz {
namespace {

TEST(MessageTable, EntryStoresValueUnderItsKey) {
  MessageTable t;
  ParseMessageText(L"FRM_ALL_C_EXIT=Exit\r\n", t);
  EXPECT_EQ(t[Msg::ExitCaption], L"Exit");
}

}  // namespace
}  // namespace vz
