#include "app/com_port_setup.h"

#include "link/link.h"
#include "resources/control_ids.h"

ComPortSetupState com_port_setup_state;

bool com_port_present(int probe_result) {
  switch (probe_result) {
    case 0:
    case PROBE_ACCESS_DENIED:
    case PROBE_GEN_FAILURE:
    case PROBE_SHARING_VIOLATION:
    case PROBE_SEM_TIMEOUT:
      return true;
    default:
      return false;
  }
}

void com_port_setup_init(DialogControls& dialog, const PortProbe& probe) {
  com_port_setup_state = ComPortSetupState{};
  ComPortSetupState& state = com_port_setup_state;
  for (int32_t n = COM_PORT_FIRST; n <= COM_PORT_LAST; ++n) {
    if (!com_port_present(probe(link_port_name(n)))) continue;
    state.port_list[state.item_count] = n;
    if (n == com_port_number) state.preselected_item = state.item_count;
    ++state.item_count;
    dialog.combo_add(IDC_COM_PORT_LIST, "com" + std::to_string(n));
  }
  dialog.combo_select(IDC_COM_PORT_LIST, state.preselected_item);
}

ComPortOkResult com_port_setup_ok(DialogControls& dialog, int (*save)()) {
  const ComPortSetupState& state = com_port_setup_state;
  int item = dialog.combo_selection(IDC_COM_PORT_LIST);
  // An empty list, or a current port that is not listed and no choice made: there is no number
  // to take, and writing one would put garbage into the configuration file.
  if (item < 0 || item >= state.item_count) return ComPortOkResult::none_selected;
  com_port_number = state.port_list[item];
  save();
  return ComPortOkResult::saved;
}
