#pragma once

#include "platform/recording_controls.h"

// The main window with no screen: its logic runs over recorded controls, so that the command
// line shows, validates and stores exactly what the window would. One instance at a time; it is
// started afresh by every call of headless_window_start.
RecordingControls& headless_window_start();
