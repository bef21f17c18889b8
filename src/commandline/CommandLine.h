#pragma once

// The program run from a terminal or a timer: no window, no display, French
// messages on standard error, a report on standard output for the check,
// and an exit status that says how it went.
namespace CommandLine {

enum ExitStatus : int
{
    Success = 0,
    Failed = 1,       // the operation failed; nothing is left half-written
    Usage = 2,        // the arguments make no command
    RecordsInUse = 3, // another session holds the records
    ProblemsFound = 4,
    NoRecords = 5, // no data folder or database there, or unreadable
};

// Whether these arguments ask for the command line rather than the window:
// any argument does.
bool wanted(int argc);

// Runs the command with an application object of its own (no GUI one);
// returns the exit status.
int run(int argc, char* argv[]);

} // namespace CommandLine
