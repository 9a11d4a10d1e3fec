#include "app/ProgramState.h"

TProgramState ProgramState;

void ResetProgramState() {
    ProgramState = TProgramState{};
}
