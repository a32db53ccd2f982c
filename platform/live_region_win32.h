#pragma once

#include <windows.h>

// A control whose text is a result, as a screen reader learns of it: Narrator and NVDA speak a
// live region's new text when the window says that it changed.

// Makes the control a polite live region (the LiveSetting property) and remembers that it is one.
void make_live_region(HWND control);
// Tells a screen reader that a live region's text has changed; nothing for other controls.
void announce_live_region(HWND control);
