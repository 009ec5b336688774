// The key wait of the program's own console.
#pragma once

// Waits for one key read from the controlling terminal, unechoed and without line input. Returns
// at once when the process has no terminal, and on end of file or an error.
void terminal_key_wait();
