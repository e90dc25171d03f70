// Helpers shared by the parts of the simulated platform; not for tests.
#pragma once

#include <string>
#include <string_view>

#include "platform/host/sim_control.h"

namespace sim {

// Case-insensitive equality of two ASCII strings, as Windows compares names.
bool SameName(std::string_view a, std::string_view b);

// Appends one line to the event log.
void Log(std::string line);

// The handle GetModuleHandleA gives for the installer and for kernel32.
HMODULE InstanceHandle();
HMODULE KernelHandle();

// Drops the windows, classes and queued messages of the previous simulation.
void ResetUi();

// Closes every handle the previous simulation left open.
void ResetFiles();

}  // namespace sim
