// The global state of the catalogue application: the open database and the filter flags the
// windows share.
#pragma once

#include <string>

namespace rejstrik {

struct TGlobalState {
  std::string TableName;        // catalogue table used in "SELECT * FROM"
  std::string DatabaseSection;  // INI section of the open database: "1", "2", ...
  std::string LabelSet;         // section label set, "1" or "2"
  bool IssuesAllChosen = false;
  bool SectionsAllChosen = false;
  bool SearchFilterOn = false;
  bool TypeFilterOn = false;
  bool BatchToggleMode = false;  // Ctrl held: toggle clicks do not re-query
  bool SelectionCancelled = false;
};

// The one instance of the program run.
TGlobalState& GlobalState();

}  // namespace rejstrik
