#include "port/port_devices.h"

#include <algorithm>
#include <cwctype>

#include "platform/text_case.h"
#include "port/port_choice.h"

namespace vz {
namespace {

// The hexadecimal number of four digits after `key` ("VID_") in a hardware
// ID, letter case ignored; -1 when it is not there.
int IdAfter(const std::wstring& id, std::wstring_view key) {
  const std::wstring upper = NameUpper(id);
  const std::size_t at = upper.find(key);
  if (at == std::wstring::npos || at + key.size() + 4 > upper.size()) return -1;
  int value = 0;
  for (wchar_t c : upper.substr(at + key.size(), 4)) {
    const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                      : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                               : -1;
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

std::wstring Trimmed(std::wstring text) {
  while (!text.empty() && std::iswspace(text.back())) text.pop_back();
  const auto first =
      std::find_if(text.begin(), text.end(), [](wchar_t c) { return !std::iswspace(c); });
  return std::wstring(first, text.end());
}

}  // namespace

const std::vector<UsbSerialBridge> kUsbSerialBridges = {
    {0x0403, -1, L"FTDI"},
    {0x067B, 0x2303, L"Prolific PL2303"},
    {0x1A86, 0x7523, L"CH340"},
    {0x1A86, 0x5523, L"CH341"},
    {0x10C4, 0xEA60, L"CP210x"},
    {0x10C4, 0xEA70, L"CP2105"},
    {0x04D8, 0x000A, L"Microchip CDC"},
};

std::wstring DeviceName(const SerialDeviceNode& device) {
  std::wstring name = Trimmed(device.friendlyName);
  // "USB-SERIAL CH340 (COM3)": the port is told beside the name already.
  if (!name.empty() && name.back() == L')') {
    const std::size_t open = name.rfind(L'(');
    if (open != std::wstring::npos && (open == 0 || name[open - 1] == L' ') &&
        ParsePortText(std::wstring_view(name).substr(open + 1, name.size() - open - 2))) {
      name = Trimmed(name.substr(0, open));
    }
  }
  return name.empty() ? Trimmed(device.description) : name;
}

std::map<std::uint8_t, std::wstring> NamesByPort(const DeviceInventory& devices) {
  std::map<std::uint8_t, std::wstring> names;
  for (const SerialDeviceNode& device : devices.serialPorts) {
    const std::optional<std::uint8_t> port = ParsePortText(Trimmed(device.portName));
    if (!port) continue;
    std::wstring& name = names[*port];
    if (name.empty()) name = DeviceName(device);
  }
  return names;
}

std::set<int> BluetoothPorts(const DeviceInventory& devices) {
  std::set<int> ports;
  for (const SerialDeviceNode& device : devices.serialPorts) {
    const std::optional<std::uint8_t> port = ParsePortText(Trimmed(device.portName));
    if (port && device.bluetooth) ports.insert(*port);
  }
  return ports;
}

std::vector<std::wstring> DriverlessBridges(const DeviceInventory& devices) {
  std::vector<std::wstring> found;
  for (const std::wstring& id : devices.usbWithoutDriver) {
    const int vendor = IdAfter(id, L"VID_");
    const int product = IdAfter(id, L"PID_");
    for (const UsbSerialBridge& bridge : kUsbSerialBridges) {
      if (bridge.vendor != vendor || (bridge.product != -1 && bridge.product != product)) continue;
      if (std::find(found.begin(), found.end(), bridge.name) == found.end()) {
        found.push_back(bridge.name);
      }
      break;
    }
  }
  return found;
}

std::vector<PortListing> Listings(const std::map<std::uint8_t, std::wstring>& ports) {
  std::vector<PortListing> rows;
  rows.reserve(ports.size());
  for (const auto& [port, name] : ports) rows.push_back({PortEntry(port), name});
  return rows;
}

std::wstring PortWithDevice(const Globals& g, std::uint8_t port) {
  const auto listed = g.port.listed.find(port);
  if (listed == g.port.listed.end() || listed->second.empty()) return PortEntry(port);
  return PortEntry(port) + L" (" + listed->second + L")";
}

void ShowIdleLines(const Globals& g, MainWindow& w) {
  std::wstring chosen;
  if (const std::optional<std::uint8_t> port = ParsePortText(g.port.handledText)) {
    if (const auto at = g.port.listed.find(*port); at != g.port.listed.end()) chosen = at->second;
  }
  std::wstring bridges;
  for (const std::wstring& name : g.port.driverlessBridges) {
    bridges += (bridges.empty() ? L"" : L", ") + name;
  }
  w.ShowIdleStatus(chosen, bridges.empty() ? L"" : g.messages[Msg::NoDriver] + L" " + bridges);
}

}  // namespace vz
