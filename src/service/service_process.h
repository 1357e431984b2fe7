#pragma once
// What the tavik-service program sets up in its process, per system: on Linux SIGPIPE ignored,
// SIGINT and SIGTERM taken by one thread, the descriptor limit raised for the connections; on
// Windows Ctrl+C, Ctrl+Break and closing the console window.

#include <functional>
#include <string>

namespace tavik::service {

// Before any thread starts: every thread started afterwards leaves the stop signals to the one
// StopOnInterrupt starts. `connections` is the most the server holds open at once.
void PrepareServiceProcess(int connections);

// The folder of the running program, with a "/" after it (UTF-8); "" when it cannot be told.
std::string ProgramFolder();

// Calls `stop` once, on a thread of its own, when the user interrupts the program.
void StopOnInterrupt(std::function<void()> stop);

}  // namespace tavik::service
