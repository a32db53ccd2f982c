#include "app/com_port_setup.h"
#include "app/com_port_setup_win32.h"
#include "cli/port_list.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"

std::vector<PortEntry> list_serial_ports() {
  // The ports that the Comm Port Setup dialog would list, probed the same way.
  RecordingControls dialog;
  com_port_setup_init(dialog, probe_com_port);
  std::vector<PortEntry> ports;
  for (int item = 0; item < com_port_setup_state.item_count; ++item) {
    ports.push_back({"COM" + std::to_string(com_port_setup_state.port_list[item]), "", {}});
  }
  return ports;
}
