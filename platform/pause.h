#pragma once

// The protocol's fixed pauses (the 100 ms before a purge, the 500 ms after a write, the upload's
// pauses). Tests swap in a function that returns at once, so that they do not sleep.
using PauseFunction = void (*)(int milliseconds);

void pause_ms(int milliseconds);

// nullptr restores the real sleep.
void set_pause_function(PauseFunction function);
