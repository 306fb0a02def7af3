// The devices behind the serial ports, as the device manager records them:
// read with SetupAPI, which Windows 7 has, without opening any device.
#include <windows.h>
// clang-format off: the class GUIDs are defined here, so initguid.h comes first.
#include <initguid.h>
#include <devguid.h>
// clang-format on
#include <cfgmgr32.h>
#include <setupapi.h>

#include <set>

#include "platform/win32_system.h"

namespace vz {
namespace {

// The interface of serial ports (GUID_DEVINTERFACE_COMPORT, ntddser.h, a
// header for drivers).
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
constexpr GUID kNoClass = {};

// Frees a device information set.
class DeviceSet {
 public:
  explicit DeviceSet(HDEVINFO set) : set_(set) {}
  ~DeviceSet() {
    if (valid()) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;
  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// A text property of a device; a list (REG_MULTI_SZ) gives its first text.
// Empty when the device has none.
std::wstring TextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD bytes = 0;
  SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &bytes);
  if (bytes == 0 || (type != REG_SZ && type != REG_MULTI_SZ)) return L"";
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                         reinterpret_cast<BYTE*>(text.data()), bytes, nullptr)) {
    return L"";
  }
  text.resize(wcslen(text.c_str()));
  return text;
}

std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
  if (!SetupDiGetDeviceInstanceIdW(set, &device, id, MAX_DEVICE_ID_LEN, nullptr)) return L"";
  return id;
}

// The "PortName" of the device's own key; empty when it has none.
std::wstring PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return L"";
  wchar_t name[64] = {};
  DWORD type = 0;
  DWORD bytes = sizeof(name) - sizeof(wchar_t);
  const LONG read =
      RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? std::wstring(name) : std::wstring();
}

// Adds the serial ports of one device set, each device node once.
void AddSerialPorts(HDEVINFO set, std::set<std::wstring>& seen, DeviceInventory& found) {
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    const std::wstring id = InstanceId(set, device);
    if (!seen.insert(id).second) continue;
    SerialDeviceNode node;
    node.portName = PortName(set, device);
    if (node.portName.empty()) continue;
    node.friendlyName = TextProperty(set, device, SPDRP_FRIENDLYNAME);
    node.description = TextProperty(set, device, SPDRP_DEVICEDESC);
    node.bluetooth = _wcsnicmp(id.c_str(), L"BTHENUM\\", 8) == 0;
    found.serialPorts.push_back(std::move(node));
  }
}

// A device that works needs a class other than "Other devices" and no
// problem; a device switched off in the device manager has its driver.
bool LacksDriver(const SP_DEVINFO_DATA& device) {
  if (IsEqualGUID(device.ClassGuid, kNoClass) ||
      IsEqualGUID(device.ClassGuid, GUID_DEVCLASS_UNKNOWN)) {
    return true;
  }
  ULONG status = 0;
  ULONG problem = 0;
  if (CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) != CR_SUCCESS) return false;
  return (status & DN_HAS_PROBLEM) != 0 && problem != CM_PROB_DISABLED;
}

}  // namespace

DeviceInventory ReadDeviceInventory() {
  DeviceInventory found;
  std::set<std::wstring> seen;
  const DeviceSet ports(
      SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
  if (ports.valid()) AddSerialPorts(ports.get(), seen, found);
  const DeviceSet interfaces(SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (interfaces.valid()) AddSerialPorts(interfaces.get(), seen, found);

  const DeviceSet usb(
      SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
  if (usb.valid()) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(usb.get(), i, &device); ++i) {
      if (!LacksDriver(device)) continue;
      const std::wstring id = TextProperty(usb.get(), device, SPDRP_HARDWAREID);
      if (!id.empty()) found.usbWithoutDriver.push_back(id);
    }
  }
  return found;
}

DeviceInventory Win32System::ReadDevices() { return ReadDeviceInventory(); }

// A plain function: it uses nothing of this object.
System::DeviceReader Win32System::SharedDeviceReader() { return ReadDeviceInventory; }

}  // namespace vz
