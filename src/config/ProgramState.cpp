#include "ProgramState.h"

ProgramState& program()
{
    static ProgramState state;
    return state;
}
