// Stage.h: plothost --settings FILE.
//
// The driver reads its settings only from beside the host executable, so
// plothost gives it one: it runs itself again from a private temporary
// folder that holds a copy of plothost (a hard link where it can), of the
// driver library beside it, and FILE as SVG.ini. A real host's behaviour
// stays exactly as it is; nothing in the driver knows about this.
#pragma once

#include <string>

// Runs the staged copy with Argv's arguments less the SkipCount ones from
// SkipAt (the --settings option), waits for it and removes the folder.
// Settings lines of the key Record are commented out in the copy, so a
// replay never writes a journal of its own. Returns the copy's exit status,
// or prints a message and returns 2 (FILE unreadable) or 1 (no staging).
int RunWithSettings(int Argc, char** Argv, int SkipAt, int SkipCount, const std::string& File);

// The same with the settings text Text itself (plothost --cam's colour set).
int RunWithSettingsText(int Argc, char** Argv, const std::string& Text);
