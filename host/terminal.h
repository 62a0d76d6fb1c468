// Waiting for the user to press a key.
#pragma once

// Waits for one key press on the terminal behind `handle`, without echo and
// without waiting for Enter, and discards it. Returns at once when `handle` is
// not a terminal. The terminal's mode is restored afterwards, also when an
// interrupt or termination signal ends the program during the wait.
void WaitForKey(int handle);
