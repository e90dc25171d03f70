// The installer's own German texts, in Windows-1252 bytes, and the sizes of
// the buffers they are composed in. A message buffer holds the longest text
// that can occur: the confirmation with two 259-character paths, a 32-byte
// name and a 13-character number comes to about 710 bytes.
#pragma once

#include <stdint.h>

const uint32_t MessageTextSize = 1024;
const uint32_t CaptionTextSize = 256;

// Caption of the install sequence's message boxes and the extraction
// dialog's window text; %s: the display name.
inline constexpr char InstallCaption[] = "Installation des Bildschirmschoners %s";

// %s: saver file name, display name, Windows directory, byte count.
inline constexpr char ConfirmText[] =
    "Dieses Programm installiert %s (%s Bildschirmschoner) nach %s und macht diesen zu Ihrem "
    "Standard-Bildschirmschoner. Die Installation ben\xF6tigt %s Byte.";

// %s: the Windows directory with a separator, then "\" and the folder base.
inline constexpr char FinishText[] =
    "Installation beendet!\r\n\r\nDie Datendateien wurden in das Verzeichnis "
    "%sPELLIVAR\\VELTRANE%s kopiert.";

// %s: the first target that could not be written.
inline constexpr char IncompleteText[] =
    "Die Installation ist unvollst\xE4ndig: %s konnte nicht geschrieben werden.";

inline constexpr char DamagedCaption[] =
    "Installationsdatei besch\xE4"
    "digt";
inline constexpr char DamagedText[] =
    "Die Installationsdatei ist besch\xE4"
    "digt oder unvollst\xE4ndig. "
    "Bitte laden Sie sie erneut herunter.";

// Text of control 1001 of the extraction dialog; %s: the display name.
inline constexpr char SaverLineText[] = "%s Bildschirmschoner";
