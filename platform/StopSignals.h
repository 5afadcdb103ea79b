#pragma once

// The console program's stop requests: Ctrl+C, SIGTERM and SIGHUP (a closed
// terminal) on Linux; Ctrl+C, Ctrl+Break and a closed console window on
// Windows. The first request is counted for the program to take its stop
// path; a second Ctrl+C ends the process at once with exit code 130: every
// report line and link is saved as it is written, so what is saved stays whole.

// Installs the handler. On Linux the signals are also blocked in the calling
// thread, so that the threads started meanwhile (which inherit the mask) never
// take them; ReceiveStopSignals then lets the calling thread take them.
void WatchStopSignals();
void ReceiveStopSignals();

// How many stop requests have come since WatchStopSignals.
int StopRequests();
