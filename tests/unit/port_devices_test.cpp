// The names Windows gives the ports' devices, and the USB serial bridges
// plugged in without a driver.
#include "port/port_devices.h"

#include <gtest/gtest.h>

namespace vz {
namespace {

TEST(DeviceName, IsTheFriendlyNameWithoutItsPortOrElseTheDescription) {
  EXPECT_EQ(DeviceName({L"COM3", L"USB-SERIAL CH340 (COM3)", L"USB-SERIAL CH340", false}),
            L"USB-SERIAL CH340");
  EXPECT_EQ(DeviceName({L"COM12", L"Prolific USB-to-Serial Comm Port (COM12) ", L"", false}),
            L"Prolific USB-to-Serial Comm Port");
  // Brackets that name no port are part of the name.
  EXPECT_EQ(DeviceName({L"COM4", L"Modem (V.92)", L"", false}), L"Modem (V.92)");
  EXPECT_EQ(DeviceName({L"COM4", L"", L"Communications Port", false}), L"Communications Port");
  EXPECT_EQ(DeviceName({L"COM4", L" (COM4)", L"Communications Port", false}),
            L"Communications Port");
  EXPECT_EQ(DeviceName({L"COM4", L"", L"", false}), L"");
}

TEST(NamesByPort, TakeThePortFromTheDeviceKeyNeverFromTheName) {
  DeviceInventory devices;
  devices.serialPorts = {{L"COM7", L"USB Serial Port (COM3)", L"", false},
                         {L"LPT1", L"Printer Port (LPT1)", L"", false},
                         {L"", L"Broken (COM9)", L"", false},
                         {L"COM8", L"", L"", false}};
  EXPECT_EQ(NamesByPort(devices),
            (std::map<std::uint8_t, std::wstring>{{7, L"USB Serial Port"}, {8, L""}}));
}

TEST(DriverlessBridges, AreTheKnownBridgesAmongTheDevicesWithoutADriverEachOnce) {
  DeviceInventory devices;
  devices.usbWithoutDriver = {L"USB\\VID_1A86&PID_7523&REV_0254",
                              L"usb\\vid_0403&pid_6015&rev_1000",  // FTDI: every product
                              L"USB\\VID_1A86&PID_7523&REV_0263",  // a second CH340
                              L"USB\\VID_046D&PID_C52B",           // a receiver, not a bridge
                              L"USB\\VID_067B&PID_2304",           // Prolific, not its bridge
                              L"USB\\VID_10C4"};                   // no product ID
  EXPECT_EQ(DriverlessBridges(devices), (std::vector<std::wstring>{L"CH340", L"FTDI"}));
}

}  // namespace
}  // namespace vz
