// Which port is which: the names Windows gives the serial ports' devices,
// and the USB serial adapters plugged in without a driver. Both are read
// with the ports themselves and shown while no run is under way.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"
#include "state/globals.h"
#include "window/main_window.h"

namespace vz {

// The name to show for a serial device: its friendly name without the
// " (COM3)" Windows ends it with, or else its description; empty when it
// has neither.
std::wstring DeviceName(const SerialDeviceNode& device);

// The device name of each port that has a device node, by port number;
// nodes whose port name is not "COMn" are left out.
std::map<std::uint8_t, std::wstring> NamesByPort(const DeviceInventory& devices);
// The ports that are Bluetooth serial links: listed from their device node,
// never opened (an open reaches for the remote device, seconds a port).
std::set<int> BluetoothPorts(const DeviceInventory& devices);

// The USB serial bridges technicians meet, by vendor and product ID.
struct UsbSerialBridge {
  std::uint16_t vendor;
  int product;  // -1: every product of the vendor
  const wchar_t* name;
};
extern const std::vector<UsbSerialBridge> kUsbSerialBridges;

// The names of the known bridges among the USB devices without a driver,
// each once, in the order found.
std::vector<std::wstring> DriverlessBridges(const DeviceInventory& devices);

// The rows of the port list: each port's entry ("COM3") and device name.
std::vector<PortListing> Listings(const std::map<std::uint8_t, std::wstring>& ports);

// The port as the log names it: "COM3 (USB-SERIAL CH340)", or "COM3" for a
// port the list shows without a name.
std::wstring PortWithDevice(const Globals& g, std::uint8_t port);

// The status lines while idle: the device name of the port last handled
// (nothing for a port without one), and a bridge without a driver.
void ShowIdleLines(const Globals& g, MainWindow& w);

}  // namespace vz
