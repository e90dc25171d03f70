// The installer's entry and its main window, which is never shown: the whole
// installation runs while the window is being created, and the creation is
// then refused, which destroys the window and ends the message loop.
#pragma once

#include "platform/win32.h"

// Window class of the main window.
inline constexpr char MainWindowClass[] = "VeltraneInst";
const int AppIconId = 101;

// Registers the class, creates the main window (running the installation)
// and runs the message loop until the quit message. Returns the process's
// exit code: 0, or 1 when the installer was damaged, the installation
// stayed incomplete or the main window could not be created.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

// Window procedure: WM_CREATE runs the install sequence and answers -1 on
// every path; WM_DESTROY posts the quit message with the exit code; all
// else goes to DefWindowProcA.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Restricts the DLL search of this process to the system folder where the
// system offers SetDefaultDllDirectories, so that a DLL planted beside a
// downloaded installer is never loaded.
void RestrictDllSearch();
