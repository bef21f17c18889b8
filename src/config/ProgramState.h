#pragma once

#include "Connection.h"
#include "Folders.h"
#include "Settings.h"

// The process-wide values fixed at start-up and read by every part of the program.
struct ProgramState
{
    Folders folders;
    DbConfig db;
    Settings settings;
};

ProgramState& program();
