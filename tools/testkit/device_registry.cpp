#include "testkit/device_registry.h"

#include <windows.h>

namespace vz::test {
namespace {

constexpr wchar_t kEnum[] = L"System\\CurrentControlSet\\Enum\\";

bool SetText(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
  // A list (REG_MULTI_SZ) of one text ends with a second terminator.
  std::wstring value = text;
  value.push_back(L'\0');
  if (type == REG_MULTI_SZ) value.push_back(L'\0');
  return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.data()),
                        static_cast<DWORD>(value.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool Write(const DeviceRecord& r) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kEnum + r.instance).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = SetText(key, L"ClassGUID", r.classGuid);
  if (!r.friendlyName.empty()) ok = ok && SetText(key, L"FriendlyName", r.friendlyName);
  if (!r.hardwareId.empty()) ok = ok && SetText(key, L"HardwareID", r.hardwareId, REG_MULTI_SZ);
  if (!r.portName.empty()) {
    HKEY parameters = nullptr;
    ok = ok && RegCreateKeyExW(key, L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                               &parameters, nullptr) == ERROR_SUCCESS;
    if (parameters) {
      ok = ok && SetText(parameters, L"PortName", r.portName);
      RegCloseKey(parameters);
    }
  }
  RegCloseKey(key);
  return ok;
}

}  // namespace

DeviceRecord SerialPortRecord(const std::wstring& instance, const std::wstring& friendlyName,
                              const std::wstring& portName) {
  return {instance, L"{4D36E978-E325-11CE-BFC1-08002BE10318}", friendlyName, L"", portName};
}

DeviceRecord DriverlessUsbRecord(const std::wstring& instance, const std::wstring& hardwareId) {
  return {instance, L"{4D36E97E-E325-11CE-BFC1-08002BE10318}", L"", hardwareId, L""};
}

RegisteredDevice::RegisteredDevice(DeviceRecord record) : record_(std::move(record)) {
  ok_ = Write(record_);
}

RegisteredDevice::~RegisteredDevice() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kEnum + record_.instance).c_str());
}

}  // namespace vz::test
