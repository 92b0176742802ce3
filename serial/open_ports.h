// Every way out of the process while a capture may be running (a fatal
// error box, the window closing, the recorder ending) gives the ports back
// through here, so that no device is left in raw mode or held exclusively
// for the next user.
#pragma once

// Prints the statistics line of every open port, then closes each one; the
// backend puts back the settings the device had when it was opened.
void releaseOpenPorts();
