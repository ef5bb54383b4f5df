// SettingsCheck.h: the settings file as plothost sees it.
//
// The driver reads its settings in silence: it has no channel to tell a
// mistake. plothost reads the same file with the driver's own settings
// module (built into plothost as well), so --describe shows each layer's
// colour override, opacity and stacking key exactly as the driver takes
// them, and it tells what the driver passes over: unknown sections and
// keys, values that do not convert, repeated names of which only the first
// counts.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Where the settings file came from, for messages. A staged copy (plothost
// --settings FILE) names the user's FILE; its first line is plothost's own.
struct SettingsName {
  std::string Shown;  // the name to show
  int LineOffset = 0; // lines of the file before the user's first
  bool Skip = false;  // plothost's own colour set: nothing to tell
};

// The name a staged copy of plothost's own CAM colour set goes by.
extern const char* const CamColorSetName;

// The first line plothost writes into a staged settings file, and how a
// staged copy reads it back.
std::string StagedMarker(const std::string& Shown);
SettingsName NameOfStaged(const std::string& Path, const std::string& Text);

// The file's text as the driver's profile reader takes it: a UTF-16 file
// (Notepad's "Unicode") is read as Windows reads it, on every platform.
// Refusal says why a file is not read at all (none is today). False when the file cannot
// be read (a missing file is no mistake: every value keeps its default).
bool ReadSettingsText(const std::string& Path, std::string& Text, std::string& Refusal);

// Warnings about Text ("NAME:LINE: warning: ..."), in line order.
std::vector<std::string> CheckSettings(const std::string& Path, const std::string& Text,
                                       const SettingsName& Name);

// The layers' settings as the driver reads the file at Path (a missing file
// gives the defaults), one row a layer with its plotting position from
// Positions (by layer; -1 not plotted). Source says where the file is.
void PrintLayerSettings(const std::string& Path, const std::string& Source, const int (&Positions)[26],
                        FILE* To);
