#include "port/port_choice.h"

#include "log/event_log.h"
#include "platform/text_case.h"
#include "uploader/uploader_contract.h"

namespace vz {
namespace {

constexpr std::size_t kMaxPortDigits = 3;

void HandlePortText(Globals& g, System& sys, MainWindow& w, FailureReport report, PortWrite write) {
  const std::wstring text = w.PortText();
  g.port.handledText = text;
  const std::optional<std::uint8_t> port = ParsePortText(text);
  // A text that names no port is shown as "no port chosen".
  w.ShowPortValid(port.has_value());
  if (!port || write == PortWrite::Held) return;
  (void)SaveChosenPort(g, sys, w, text, *port, report);
}

}  // namespace

std::string PortDeviceName(int n) {
  std::string name = "COM" + std::to_string(n);
  return n > 9 ? "\\\\.\\" + name : name;
}

std::wstring PortEntry(int n) { return L"COM" + std::to_wstring(n); }

std::optional<std::uint8_t> ParsePortText(std::wstring_view text) {
  const std::size_t prefix = 3;  // "COM"
  if (text.size() <= prefix || text.size() > prefix + kMaxPortDigits) {
    return std::nullopt;
  }
  if (!SameAscii(text.substr(0, prefix), L"COM")) return std::nullopt;
  unsigned value = 0;
  for (wchar_t c : text.substr(prefix)) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  // Port 0 does not exist; a byte of 0 would send the uploader nowhere.
  if (value < 1 || value > kHighestPort) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

void OfferLastPort(Globals& g, System& sys, MainWindow& w) {
  const std::optional<std::string> bytes = sys.ReadBytes(g.programDir + uploader::kPortFile);
  if (!bytes || bytes->empty()) return;
  const auto port = static_cast<std::uint8_t>((*bytes)[0]);
  if (!g.port.listed.count(port)) return;
  // Leaving the list at once then finds nothing new to write.
  g.port.handledText = PortEntry(port);
  w.ShowPortText(g.port.handledText);
  w.ShowPortValid(true);
}

void OnPortChoice(Globals& g, System& sys, MainWindow& w, PortWrite write) {
  HandlePortText(g, sys, w, FailureReport::EveryTime, write);
}

bool PortTextIsNew(const Globals& g, MainWindow& w) { return w.PortText() != g.port.handledText; }

void CommitPortText(Globals& g, System& sys, MainWindow& w, PortWrite write) {
  // Leaving the list again, or a second Enter, finds nothing new.
  if (!PortTextIsNew(g, w)) return;
  HandlePortText(g, sys, w, FailureReport::OncePerText, write);
}

bool SaveChosenPort(Globals& g, System& sys, MainWindow& w, const std::wstring& text,
                    std::uint8_t port, FailureReport report) {
  const IoResult saved = SavePortSetting(g, sys, port);
  if (saved.ok) {
    g.port.savedPort = port;
    g.port.failureToldOnLeave.clear();
    return true;
  }
  // What port.ini holds now is not what the list shows.
  g.port.savedPort.reset();
  w.ShowPortValid(false);
  if (report == FailureReport::EveryTime || g.port.failureToldOnLeave.insert(text).second) {
    w.PostMessageBox(
        std::wstring(uploader::kPortFile) + L": " + sys.ErrorText(saved.error, uploader::kPortFile),
        MessageKind::Error);
  }
  return false;
}

IoResult SavePortSetting(Globals& g, System& sys, std::uint8_t port) {
  IoResult written = IoResult::Failure(0);
  for (int attempt = 0; attempt < kPortWriteAttempts && !written.ok; ++attempt) {
    written = sys.WriteFirstByte(g.programDir + uploader::kPortFile, port);
  }
  if (!written.ok) {
    WriteLog(sys, g.programDir, uploader::kLogPortWriteFailed);
    return written;
  }
  // The uploader reads both from the download folder. That folder is the
  // program folder today, where the files already are; a separate download
  // folder gets copies. Either copy may fail (model.ini missing, say)
  // without stopping the other.
  if (!SameName(g.programDir, g.downloadDir)) {
    (void)sys.CopyOver(g.programDir + uploader::kPortFile, g.downloadDir + uploader::kPortFile);
    (void)sys.CopyOver(g.programDir + uploader::kModelFile, g.downloadDir + uploader::kModelFile);
  }
  return written;
}

}  // namespace vz
