#include "RecordPresentation.h"

#include "RecordCodes.h"
#include "controls/DBMemo.h"
#include "controls/FieldText.h"
#include "dataset/SkladDataSet.h"

#include <QLabel>

#include <exception>

namespace rejstrik {
namespace {

struct TWidthLimit {
  int MaxWidth;
  int Keep;
  const char* Suffix;
};

constexpr TWidthLimit DetailLimit{188, 30, "..."};
constexpr TWidthLimit NameLimit{329, 40, " ..."};

QString Text(sklad::TSkladDataSet& query, const char* field) {
  return controls::FieldText(query.FieldByName(field));
}

void ShowLimited(QLabel* label, const QString& text, const TWidthLimit& limit) {
  const TShownText shown = ShortenToWidth(text, label->fontMetrics(), limit.MaxWidth, limit.Keep,
                                          QString::fromUtf8(limit.Suffix));
  label->setText(shown.Text);
  label->setToolTip(shown.Hint);
}

// The scroll bar is decided with the memo at its full width: counting with a scroll bar already
// shown would wrap more lines than the text has without one.
void UpdateScrollBar(controls::TDBMemo* memo) {
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  if (memo->WrappedLineCount() >= DescriptionScrollLines)
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QString DecodedSystems(sklad::TSkladDataSet& query) {
  try {
    return DecodeSystems(Text(query, "os"));
  } catch (const std::exception&) {
    return DecodeSystems(Text(query, "typ"));
  }
}

}  // namespace

void PresentRecord(sklad::TSkladDataSet& query, const TDetailPane& pane,
                   const std::string& labelSet) {
  try {
    UpdateScrollBar(pane.Description);
    ShowLimited(pane.Systems, DecodedSystems(query), DetailLimit);
    pane.Type->setText(DecodeType(Text(query, "typ")));
    pane.Section->setText(SectionName(Text(query, "r"), labelSet));
    ShowLimited(pane.Name, Text(query, "name"), NameLimit);
    ShowLimited(pane.Directory, Text(query, "src"), DetailLimit);
    ShowLimited(pane.Link, Text(query, "inet"), DetailLimit);
  } catch (const std::exception&) {
    // The presentation follows every scroll; a record it cannot read is shown as far as it goes.
  }
}

void ClearDetails(const TDetailPane& pane) {
  for (QLabel* label :
       {pane.Directory, pane.Link, pane.Name, pane.Section, pane.Systems, pane.Type}) {
    label->clear();
    label->setToolTip({});
  }
}

}  // namespace rejstrik
