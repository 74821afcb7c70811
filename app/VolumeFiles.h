// Where the program finds the files of the volume it was started from: the folder
// obsahy/rocnik/ beside the program file, with rocnik.ini, help.txt and the catalogue tables.
#pragma once

#include <cstdint>
#include <string>

namespace rejstrik {

// The volume's folder, ending with a '/'.
std::string VolumeDirectory();
std::string IniFileName();
std::string HelpFileName();

// Takes the volume from below another directory than the program's (used by tests);
// an empty text returns to the program's directory.
void SetProgramDirectory(const std::string& directory);

// Code page of the volume's texts.
constexpr int VolumeCodePage = 1250;

// Language and sort of the engine session that reads the volume (Czech, default sort): the
// locale of its comparisons and of LOWER.
constexpr uint16_t VolumeLanguageId = 1029;
constexpr uint16_t VolumeSortId = 0;

}  // namespace rejstrik
