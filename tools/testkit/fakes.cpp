#include "testkit/fakes.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <stdexcept>
#include <utility>

#include "platform/text_case.h"
#include "testkit/cp1252.h"

namespace vz::test {

std::string Narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out += (c < 0x80) ? static_cast<char>(c) : '?';
  return out;
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    out.push_back(bytes.substr(start, end - start));
  }
  if (start < bytes.size()) out.push_back(bytes.substr(start));
  return out;
}

std::vector<std::string> LogTexts(const FakeSystem& sys) {
  std::vector<std::string> out;
  for (const std::string& line : Lines(sys.Bytes(InDir(L"memo_log.txt")))) {
    out.push_back(line.substr(18));  // past "dd-mm-yy hh:mm:ss "
  }
  return out;
}

// ---- FakeSystem -----------------------------------------------------------

std::wstring FakeSystem::Key(const std::wstring& path) { return NameUpper(path); }

FakeSystem::Entry& FakeSystem::File(const std::wstring& path) {
  auto& slot = files_[Key(path)];
  if (slot.first.empty()) slot.first = path;
  return slot.second;
}

void FakeSystem::Put(const std::wstring& path, std::string bytes) {
  File(path).bytes = std::move(bytes);
}

bool FakeSystem::Has(const std::wstring& path) const { return files_.count(Key(path)) != 0; }

const FakeSystem::Entry* FakeSystem::Find(const std::wstring& path) const {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second.second;
}

std::string FakeSystem::Bytes(const std::wstring& path) const {
  const Entry* e = Find(path);
  return e ? e->bytes : std::string();
}

void FakeSystem::Remove(const std::wstring& path) { files_.erase(Key(path)); }

std::vector<std::wstring> FakeSystem::Paths() const {
  std::vector<std::wstring> out;
  for (const auto& [key, value] : files_) out.push_back(value.first);
  return out;
}

double FakeSystem::SecondsSinceMidnight() const {
  return clock.hour * 3600.0 + clock.minute * 60.0 + clock.second + clock.millisecond / 1000.0;
}

void FakeSystem::SetSecondsSinceMidnight(double s) {
  const auto total_ms = static_cast<long long>(std::llround(s * 1000));
  clock.hour = static_cast<int>(total_ms / 3600000);
  clock.minute = static_cast<int>(total_ms / 60000 % 60);
  clock.second = static_cast<int>(total_ms / 1000 % 60);
  clock.millisecond = static_cast<int>(total_ms % 1000);
}

void FakeSystem::Advance(double seconds) {
  elapsedMs += static_cast<std::uint64_t>(std::llround(seconds * 1000));
  double s = SecondsSinceMidnight() + seconds;
  if (s >= 86400) {
    s -= 86400;
    ++clock.day;  // good enough for tests that cross one midnight
  }
  SetSecondsSinceMidnight(s);
}

bool FakeSystem::SetCurrentDrive(wchar_t letter) {
  currentDrives.push_back(letter);
  return std::iswalpha(letter) != 0;
}

bool FakeSystem::SetCurrentDir(const std::wstring& dir) {
  currentDirs.push_back(dir);
  return true;
}

bool FakeSystem::FileExists(const std::wstring& dir, const std::wstring& pattern) {
  return !ListFiles(dir, pattern).empty();
}

std::vector<FileEntry> FakeSystem::ListFiles(const std::wstring& dir, const std::wstring& pattern) {
  std::vector<FileEntry> found;
  const std::wstring prefix = Key(dir);
  for (const auto& [key, value] : files_) {
    if (key.compare(0, prefix.size(), prefix) != 0) continue;
    const std::wstring name = value.first.substr(prefix.size());
    if (name.find(L'\\') != std::wstring::npos) continue;
    const Entry& e = value.second;
    if (e.hidden || e.system || e.directory) continue;
    if (MatchesPattern(name, pattern)) found.push_back({name, e.bytes.size(), e.lastWrite});
  }
  return found;
}

bool FakeSystem::AnyFileExists(const std::wstring& path) {
  const Entry* e = Find(path);
  return e && !e->directory;
}

bool FakeSystem::SameFolder(const std::wstring& a, const std::wstring& b) {
  const auto folder = [](const std::wstring& path) {
    std::wstring key = Key(path);
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    return key;
  };
  return folder(a) == folder(b);
}

std::uint32_t FakeSystem::OpenFailure(Entry& e, bool forWriting) {
  if (e.busyOpens != 0) {
    if (e.busyOpens > 0) --e.busyOpens;
    return kErrSharing;
  }
  if (e.openError) return e.openError;
  if (e.directory || (forWriting && e.readOnly)) return kErrAccessDenied;
  return 0;
}

IoResult FakeSystem::RemoveFile(const std::wstring& path) {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return IoResult::Failure(2);
  if (std::uint32_t err = OpenFailure(it->second.second, true)) {
    return IoResult::Failure(err);
  }
  if (!it->second.second.staysAfterDelete) files_.erase(it);
  return IoResult::Success();
}

IoResult FakeSystem::CopyOver(const std::wstring& from, const std::wstring& to) {
  Entry* src = files_.count(Key(from)) ? &files_[Key(from)].second : nullptr;
  if (!src || src->directory) return IoResult::Failure(2);
  if (Key(from) == Key(to)) return IoResult::Success();
  if (Entry* dst = files_.count(Key(to)) ? &files_[Key(to)].second : nullptr) {
    if (std::uint32_t err = OpenFailure(*dst, true)) {
      return IoResult::Failure(err);
    }
  }
  Put(to, src->bytes);
  return IoResult::Success();
}

std::optional<std::string> FakeSystem::ReadBytes(const std::wstring& path, std::uint32_t* error) {
  auto it = files_.find(Key(path));
  const std::uint32_t failure =
      it == files_.end() ? kErrFileNotFound : OpenFailure(it->second.second, false);
  if (error) *error = failure;
  if (failure) return std::nullopt;
  return it->second.second.bytes;
}

IoResult FakeSystem::WriteBytes(const std::wstring& path, const std::string& bytes) {
  if (Entry* e = files_.count(Key(path)) ? &files_[Key(path)].second : nullptr) {
    // Like CreateFile with CREATE_ALWAYS and normal attributes: an existing
    // hidden or system file is refused, not replaced.
    if (e->hidden || e->system) return IoResult::Failure(kErrAccessDenied);
    if (std::uint32_t err = OpenFailure(*e, true)) {
      return IoResult::Failure(err);
    }
  }
  File(path).bytes = bytes;
  return IoResult::Success();
}

IoResult FakeSystem::ReplaceWhole(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".new";
  IoResult result = WriteBytes(temporary, bytes);
  if (result.ok) {
    // Moving over a file: a directory, a read-only file or one another
    // program holds is refused; a hidden or system one is replaced.
    if (Entry* e = files_.count(Key(path)) ? &files_[Key(path)].second : nullptr) {
      if (std::uint32_t err = OpenFailure(*e, true)) result = IoResult::Failure(err);
    }
  }
  if (!result.ok) {
    (void)RemoveFile(temporary);
    return result;
  }
  // A hidden or system file stays so.
  const Entry* before = Find(path);
  const bool hidden = before && before->hidden;
  const bool system = before && before->system;
  Remove(path);
  Put(path, Bytes(temporary));
  File(path).hidden = hidden;
  File(path).system = system;
  Remove(temporary);
  return IoResult::Success();
}

IoResult FakeSystem::WriteFirstByte(const std::wstring& path, std::uint8_t value) {
  ++writeFirstByteCalls;
  if (Entry* e = files_.count(Key(path)) ? &files_[Key(path)].second : nullptr) {
    if (std::uint32_t err = OpenFailure(*e, true)) {
      return IoResult::Failure(err);
    }
  }
  Entry& e = File(path);
  if (e.bytes.empty()) e.bytes.resize(1);
  e.bytes[0] = static_cast<char>(value);
  return IoResult::Success();
}

IoResult FakeSystem::AppendBytes(const std::wstring& path, const std::string& bytes) {
  ++appendCalls;
  if (Entry* e = files_.count(Key(path)) ? &files_[Key(path)].second : nullptr) {
    if (std::uint32_t err = OpenFailure(*e, true)) return IoResult::Failure(err);
  }
  File(path).bytes += bytes;
  return IoResult::Success();
}

std::wstring FakeSystem::ErrorText(std::uint32_t error, const std::wstring& subject) {
  switch (error) {
    case kErrBadExe:
      return L"Bad EXE format for " + subject + L".";
    case kErrAccessDenied:
      return L"Access denied.";
    case kErrSharing:
      return L"Sharing violation.";
    case kErrPathNotFound:
      return L"Path not found.";
    case kErrFileExists:
      return L"The file exists.";
    case kErrInvalidData:
      return L"The data is invalid.";
    case kErrNoAccess:
      return L"Invalid access to memory location.";
  }
  return L"Error " + std::to_wstring(error) + L".";
}

std::uint32_t FakeSystem::ErrorOfStatus(std::uint32_t status) {
  return status == 0xC0000005 ? kErrNoAccess : 0;
}

IoResult FakeSystem::ProbeSerialPort(const std::string& name) {
  probed.push_back(name);
  if (const auto e = serialPortErrors.find(name); e != serialPortErrors.end()) {
    return IoResult::Failure(e->second);
  }
  return serialPorts.count(name) ? IoResult::Success() : IoResult::Failure(2);
}

System::PortProbe FakeSystem::SharedPortProbe() {
  return [this](const std::string& name) {
    if (hangingPorts.count(name)) throw OpenHangs{};
    return ProbeSerialPort(name);
  };
}

DeviceInventory FakeSystem::ReadDevices() {
  ++devicesRead;
  return devices;
}

System::DeviceReader FakeSystem::SharedDeviceReader() {
  return [this] { return ReadDevices(); };
}

ProcessList FakeSystem::RunningProcesses() {
  if (throwOnProcessList) throw std::runtime_error("Out of memory");
  return processes;
}

void FakeSystem::SetProcesses(const std::vector<std::string>& programs) {
  processes = {true, {}, 0};
  for (const std::string& program : programs) {
    processes.entries.push_back(
        {static_cast<std::uint32_t>(processes.entries.size() + 1), program});
  }
}

std::optional<std::wstring> FakeSystem::ProgramPath(std::uint32_t processId, std::uint32_t* error) {
  std::uint32_t why = kErrAccessDenied;
  if (endedSinceListed.count(processId)) {
    why = error_number::kInvalidParameter;
  } else {
    for (const RunningProcess& p : processes.entries) {
      if (p.id == processId && p.name.find('\\') != std::string::npos) return FromAnsi(p.name);
    }
  }
  if (error) *error = why;
  return std::nullopt;
}

std::optional<bool> FakeSystem::InThisSession(std::uint32_t processId) {
  return !otherSession.count(processId) && !endedSinceListed.count(processId);
}

namespace {

class FakeStartedProgram : public StartedProgram {
 public:
  explicit FakeStartedProgram(const FakeSystem& sys) : sys_(sys) {}
  std::optional<std::uint32_t> ExitCode() override { return sys_.exitCode; }

 private:
  const FakeSystem& sys_;
};

}  // namespace

StartResult FakeSystem::StartProgram(const std::wstring& path) {
  started.push_back(path);
  if (startError != 0) return {startError, nullptr};
  if (onStart) onStart();
  return {0, std::make_unique<FakeStartedProgram>(*this)};
}

void FakeSystem::Pause(std::uint32_t ms) {
  pauses.push_back(ms);
  Advance(ms / 1000.0);
}

// The ANSI code page of the fakes is Windows-1252, as on the technicians' PCs.
std::wstring FakeSystem::FromAnsi(const std::string& bytes) { return cp1252::Decode(bytes); }

std::string FakeSystem::ToAnsi(const std::wstring& text) { return cp1252::Encode(text); }

FileDigest FakeSystem::Sha256OfFile(const std::wstring& path) {
  FileDigest out;
  auto it = files_.find(Key(path));
  const std::uint32_t failure =
      it == files_.end() ? kErrFileNotFound : OpenFailure(it->second.second, false);
  if (failure) {
    out.result = IoResult::Failure(failure);
  } else {
    out.digest = it->second.second.digest;
  }
  return out;
}

// ---- FakeWindow -----------------------------------------------------------

bool FakeWindow::ShowFlag(const std::wstring& path) {
  const bool shows = loadablePictures.count(path) != 0;
  flag = shows ? path : std::wstring();
  return shows;
}

void FakeWindow::ShowPorts(const std::vector<PortListing>& rows) {
  ports = rows;
  portEntries.clear();
  for (const PortListing& row : rows) portEntries.push_back(row.entry);
}

std::wstring FakeWindow::PortDevice(const std::wstring& entry) const {
  for (const PortListing& row : ports) {
    if (row.entry == entry) return row.device;
  }
  return L"";
}

void FakeWindow::ShowStartOffered() {
  run = Run::Offered;
  ShowIdleStatus(idleLine1, idleLine2);
}

void FakeWindow::ShowIdleStatus(const std::wstring& line1, const std::wstring& line2) {
  idleLine1 = line1;
  idleLine2 = line2;
  if (run == Run::Starting) return;  // the run's lines stay
  statusLine1 = line1;
  statusLine2 = line2;
  statusShown = !line1.empty() || !line2.empty();
}

void FakeWindow::ShowRunStatus(const std::wstring& line1, const std::wstring& line2) {
  statusLine1 = line1;
  statusLine2 = line2;
  statusShown = true;
}

void FakeWindow::ShowRunStarting() {
  run = Run::Starting;
  progressSteps = -1;
  // The window lets waiting events through while it changes (see PumpEvents).
  PumpEvents();
}

void FakeWindow::ShowProgress(int steps, int stepsToFill) {
  progressSteps = steps;
  progressStepsToFill = stepsToFill;
  PumpEvents();
}

MessageAnswer FakeWindow::ShowMessage(const std::wstring& text, MessageKind kind) {
  messages.push_back({text, kind});
  if (onMessage) onMessage(messages.back());
  if (kind != MessageKind::Question && kind != MessageKind::Warning) return MessageAnswer::Ok;
  if (answers.empty()) return MessageAnswer::Yes;
  MessageAnswer a = answers.front();
  answers.pop_front();
  return a;
}

void FakeWindow::PostMessageBox(const std::wstring& text, MessageKind kind) {
  posted.push_back({text, kind});
}

void FakeWindow::DeliverPosted() {
  const std::vector<Message> due = std::move(posted);
  posted.clear();
  for (const Message& m : due) ShowMessage(m.text, m.kind);
}

int FakeWindow::Shown(MessageKind kind) const {
  return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                        [kind](const Message& m) { return m.kind == kind; }));
}

void FakeWindow::PumpEvents() {
  ++pumps;
  if (onPump) onPump();
}

void FakeWindow::SetDeviceSettleTimer(bool on) {
  if (on && !settleTimerEnabled) ++settleTimerStarts;
  settleTimerEnabled = on;
}

void FakeWindow::RunInBackground(std::function<void()> work,
                                 std::function<void(MainWindow&)> done) {
  jobs.push_back({std::move(work), std::move(done)});
}

void FakeWindow::StartBackgroundWork() {
  for (Job& job : jobs) {
    try {
      if (job.work) std::exchange(job.work, nullptr)();
    } catch (const FakeSystem::OpenHangs&) {
      job.hung = true;
    }
  }
}

bool FakeWindow::AwaitBackgroundWork(std::uint32_t) {
  PumpEvents();
  StartBackgroundWork();
  return std::none_of(jobs.begin(), jobs.end(), [](const Job& job) { return job.hung; });
}

void FakeWindow::ShowOnTaskbar(TaskbarState state, int steps, int stepsToFill) {
  taskbar = state;
  taskbarSteps = steps;
  taskbarStepsToFill = stepsToFill;
}

void FakeWindow::HoldOffShutdownAndSleep(const std::wstring& reason) {
  pcHeld = true;
  pcHeldReason = reason;
}

void FakeWindow::AllowShutdownAndSleep() {
  pcHeld = false;
  pcHeldReason.clear();
}

void FakeWindow::FinishBackgroundJobs() {
  while (!jobs.empty()) {
    Job job = std::move(jobs.front());
    jobs.pop_front();
    if (job.hung) continue;
    if (job.work) job.work();
    job.done(*this);
  }
}

}  // namespace vz::test
