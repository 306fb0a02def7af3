// Devices written where Windows keeps its device records
// (HKLM\System\CurrentControlSet\Enum), so that SetupAPI lists them: how
// the tests and the demo give Wine's ports names and play an adapter
// without a driver. Wine lists a device that has a class GUID.
#pragma once

#include <string>

namespace vz::test {

// The device records under Enum, in registry paths.
struct DeviceRecord {
  std::wstring instance;  // "ROOT\\PORTS\\VZ0001", relative to Enum
  std::wstring classGuid;
  std::wstring friendlyName;  // empty: none written
  std::wstring hardwareId;    // empty: none written
  std::wstring portName;      // "COM3" in its Device Parameters; empty: none
};

// A serial port of the Ports class named `friendlyName`.
DeviceRecord SerialPortRecord(const std::wstring& instance, const std::wstring& friendlyName,
                              const std::wstring& portName);
// A USB device of the "Other devices" class: plugged in, no driver.
DeviceRecord DriverlessUsbRecord(const std::wstring& instance, const std::wstring& hardwareId);

// Writes the record for as long as the object lives.
class RegisteredDevice {
 public:
  explicit RegisteredDevice(DeviceRecord record);
  ~RegisteredDevice();
  RegisteredDevice(const RegisteredDevice&) = delete;
  RegisteredDevice& operator=(const RegisteredDevice&) = delete;
  bool ok() const { return ok_; }

 private:
  DeviceRecord record_;
  bool ok_ = false;
};

}  // namespace vz::test
