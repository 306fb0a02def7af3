#include "i18n/message_table.h"

namespace vz {
namespace {

constexpr std::wstring_view kKeys[kMessageCount] = {
    L"FRM_ALL_NO_COM_SELECT",
    L"FRM_ALL_C_EXIT",
    L"FRM_FW_UPGRADE_TITLE",
    L"FRM_FW_UPGRADE_C_UPGRADE",
    L"FRM_FW_UPGRADE_L_COM_PORT",
    L"FRM_FW_UPGRADE_L_LINGUA",
    L"FRM_FW_UPGRADE_L_TITOLO",
    L"FRM_FW_UPGRADE_FILE_MISSED_MSG",
    L"FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG",
    L"FRM_FW_UPGRADE_ASK_OK_MSG",
    L"FRM_FW_UPGRADE_RESET_ECR_MSG",
    L"FRM_FW_UPGRADE_POWERON_ECR_MSG",
    L"FRM_FW_UPGRADE_UPDATING_MSG",
    L"FRM_FW_UPGRADE_PROGRAMMING_MSG",
    L"FRM_FW_UPGRADE_END_MSG",
    L"FRM_FW_UPGRADE_SAVING_MSG",
    L"FRM_FW_UPGRADE_FIRST_STRAT_MSG",
    L"FRM_FW_UPGRADE_ABORTED_MSG",
    L"FRM_FW_UPGRADE_FAILED_MSG",
    L"FRM_FW_UPGRADE_BAK_SD1_MSG",
    L"FRM_FW_UPGRADE_BAK_SD2_MSG",
    L"FRM_FW_UPGRADE_BAK_SD3_MSG",
    L"FRM_FW_UPGRADE_BAK_SD4_MSG",
    L"FRM_FW_UPGRADE_BAK_SD5_MSG",
    L"FRM_FW_UPGRADE_BAK_SD6_MSG",
    L"FRM_FW_UPGRADE_BAK_SD7_MSG",
    L"FRM_FW_UPGRADE_BAK_SD8_MSG",
    L"FRM_FW_UPGRADE_BAK_SD9_MSG",
    L"FRM_FW_UPGRADE_BAK_SD10_MSG",
    L"FRM_FW_UPGRADE_AVVISO1_MSG",
    L"FRM_FW_UPGRADE_AVVISO2_MSG",
    L"FRM_FW_UPGRADE_AVVISO3_MSG",
    L"FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG",
    L"FRM_FW_UPGRADE_AVVISO_MSG",
};

constexpr wchar_t kSection = L'\u00A7';  // "§": a line break in a text

std::wstring_view TrimTrailingSpaces(std::wstring_view line) {
  std::size_t end = line.size();
  while (end > 0 && line[end - 1] == L' ') --end;  // tabs stay
  return line.substr(0, end);
}

}  // namespace

std::wstring_view MessageKey(Msg m) {
  return kKeys[static_cast<std::size_t>(m)];
}

bool MessageTable::Store(std::wstring_view key, std::wstring value) {
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    if (kKeys[i] == key) {
      slots_[i] = std::move(value);
      return true;
    }
  }
  return false;
}

void ReplaceChar(std::wstring& text, wchar_t search, wchar_t replacement) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] == search) text[i] = replacement;
  }
}

void ParseMessageText(std::wstring_view text, MessageTable& table) {
  ForEachLine(text, [&table](std::wstring_view raw) {
    const std::wstring_view line = TrimTrailingSpaces(raw);
    const std::size_t eq = line.find(L'=');
    // The key needs at least one character; comments and section headers
    // are skipped.
    if (eq == std::wstring_view::npos || eq == 0) return;
    if (line[0] == L';' || line[0] == L'[') return;
    std::wstring value(line.substr(eq + 1));
    ReplaceChar(value, kSection, L'\r');
    table.Store(line.substr(0, eq), std::move(value));
  });
}

}  // namespace vz
