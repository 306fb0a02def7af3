#include "port/port_choice.h"

#include "log/event_log.h"
#include "upgrade/uploader_contract.h"

namespace vz {

std::optional<std::uint8_t> ParsePortText(std::wstring_view text) {
  if (text.size() < 4 || text.size() > 6) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    const wchar_t upper = text[i] >= L'a' && text[i] <= L'z'
                              ? static_cast<wchar_t>(text[i] - L'a' + L'A')
                              : text[i];
    if (upper != L"COM"[i]) return std::nullopt;
  }
  unsigned value = 0;
  for (wchar_t c : text.substr(3)) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  if (value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

void OnPortChoice(Globals& g, System& sys, MainWindow& w) {
  const std::wstring text = w.Text(Control::E_ComPort);
  if (text.empty()) {
    w.SetBackColor(Control::E_ComPort, kColorRed);
    return;
  }
  const std::optional<std::uint8_t> port = ParsePortText(text);
  // A typed text that names no port is shown as "no port chosen".
  w.SetBackColor(Control::E_ComPort, port ? kColorGreen : kColorRed);
  if (!port || !w.IsEnabled(Control::E_ComPort)) return;
  SavePortSetting(g, sys, *port);
}

void SavePortSetting(Globals& g, System& sys, std::uint8_t port) {
  bool written = false;
  for (int attempt = 0; attempt < kPortWriteAttempts && !written; ++attempt) {
    written = sys.WriteFirstByte(g.programDir + uploader::kPortFile, port).ok;
  }
  if (!written) {
    WriteLog(sys, g.programDir, uploader::kLogPortWriteFailed);
    return;
  }
  // Either copy may fail (model.ini missing, say) without stopping the other.
  (void)sys.CopyOver(g.programDir + uploader::kPortFile,
                     g.downloadDir + uploader::kPortFile);
  (void)sys.CopyOver(g.programDir + uploader::kModelFile,
                     g.downloadDir + uploader::kModelFile);
}

}  // namespace vz
