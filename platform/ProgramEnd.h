#pragma once

// Ends the program with `code` once everything it wrote is closed: called
// by main after the application object and every file, database and thread
// of its own are gone.
//
// On Linux it returns `code` for main to return. On Windows it ends the
// process without the libraries' detach code: ExitProcess first terminates
// every other thread, and one cut off while it held the thread library's key
// lock (a thread of the system's or the toolkit's own, ending as the program
// ends) leaves the C++ runtime's detach code waiting for that lock for ever.
// Standard output and error are flushed first; nothing else is left to do.
int EndProgram(int code);
