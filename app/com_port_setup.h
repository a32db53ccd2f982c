#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/dialog_controls.h"

// The ports the dialog looks for.
inline constexpr int COM_PORT_FIRST = 1;
inline constexpr int COM_PORT_LAST = 32;

// Open failures that still mean the port exists: held by another program (5, 32), or there but
// not answering (31, 121).
inline constexpr int PROBE_ACCESS_DENIED = 5;
inline constexpr int PROBE_GEN_FAILURE = 31;
inline constexpr int PROBE_SHARING_VIOLATION = 32;
inline constexpr int PROBE_SEM_TIMEOUT = 121;

// Tries to open a port by its name (as link_port_name gives it) and closes it again at once.
// Returns 0 when it opened, otherwise the system's error code for the failure.
using PortProbe = std::function<int(const std::string& name)>;

// The dialog's list, rebuilt at every opening.
struct ComPortSetupState {
  std::array<int32_t, COM_PORT_LAST> port_list{};  // the port behind each list item, in order
  int item_count = 0;
  int preselected_item = -1;  // the item holding com_port_number, -1 when none does
};
extern ComPortSetupState com_port_setup_state;

// The dialog's title while OK has no item to take: the user is told, and nothing is saved.
inline constexpr const char* COM_PORT_SETUP_TITLE = "Comm Port Setup";
inline constexpr const char* COM_PORT_CHOOSE_FIRST_TITLE = "Choose a port first";

// True when a probe's result means the port is there.
bool com_port_present(int probe_result);

// Dialog opening: probes COM1..COM32, fills the list (4026) with "com%d" and selects the item
// of com_port_number, or nothing.
void com_port_setup_init(DialogControls& dialog, const PortProbe& probe);

enum class ComPortOkResult {
  saved,         // com_port_number changed (or kept) and saved: close the dialog
  none_selected  // no item to take: com_port_number kept, the dialog stays open
};

// OK: takes the selected item's port into com_port_number and saves it with `save` (which
// reports its own failures). Text typed into the list's edit field is not read.
ComPortOkResult com_port_setup_ok(DialogControls& dialog, int (*save)());
