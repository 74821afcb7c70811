// The main window's detail pane filled from the catalogue query's current record: name,
// systems, type, section name, directory on the CD and web link, with texts too wide for their
// place shortened and offered whole as a hint, and the description's scroll bar.
#pragma once

#include <string>

class QLabel;

namespace sklad {
class TSkladDataSet;
}

namespace controls {
class TDBMemo;
}

namespace rejstrik {

struct TDetailPane {
  QLabel* Name = nullptr;       // name
  QLabel* Systems = nullptr;    // os, decoded
  QLabel* Type = nullptr;       // typ, decoded
  QLabel* Section = nullptr;    // r, as the label set names it
  QLabel* Directory = nullptr;  // src
  QLabel* Link = nullptr;       // inet
  controls::TDBMemo* Description = nullptr;
};

// Fills the pane from the current record. Nothing is reported: an error (a missing field, an
// unreadable value) ends the filling, and the labels not reached keep their texts. A record
// without a readable os shows its typ passed through the systems decoding instead.
void PresentRecord(sklad::TSkladDataSet& query, const TDetailPane& pane,
                   const std::string& labelSet);

// Empties the labels, as for a list without records.
void ClearDetails(const TDetailPane& pane);

// The description gets its vertical scroll bar from this many wrapped lines on.
inline constexpr int DescriptionScrollLines = 15;

}  // namespace rejstrik
