// Windows' device broadcasts (WM_DEVICECHANGE), decoded into the events of
// serial ports that came or went, or of devices that changed.
#include "ui/win32_window.h"

#include <dbt.h>

#include <cstddef>

#include "port/port_choice.h"

namespace vz {

void Win32Window::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event == DBT_DEVNODES_CHANGED) {
    events_.OnDevicesChanged(*this);
    return;
  }
  if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || !data) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  constexpr std::size_t kNameAt = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
  if (header->dbch_devicetype != DBT_DEVTYP_PORT || header->dbch_size <= kNameAt) return;
  // The name ends within the size the sender gave, with or without a NUL.
  const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data);
  const std::size_t room = (header->dbch_size - kNameAt) / sizeof(wchar_t);
  const std::optional<std::uint8_t> n =
      ParsePortText(std::wstring(port->dbcp_name, wcsnlen(port->dbcp_name, room)));
  if (!n) return;
  if (event == DBT_DEVICEARRIVAL) {
    events_.OnPortArrived(*this, *n);
  } else {
    events_.OnPortRemoved(*this, *n);
  }
}

}  // namespace vz
