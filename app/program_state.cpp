// The installer's program-wide variables.
#include "app/program_state.h"

#include "payload/payload_reader.h"

HINSTANCE appInstance;
char saverDisplayName[SaverDisplayNameSize];
char saverFileName[MAX_PATH];
ExtractionOutcome extraction;
int exitCode;
int quitPosted;

void ResetProgramState() {
    appInstance = 0;
    for (uint32_t i = 0; i < SaverDisplayNameSize; ++i) saverDisplayName[i] = 0;
    for (uint32_t i = 0; i < MAX_PATH; ++i) saverFileName[i] = 0;
    extraction.finished = 0;
    extraction.saverWritten = 0;
    extraction.firstFailure[0] = 0;
    exitCode = 0;
    quitPosted = 0;
    requiredBytes = 0;
}
