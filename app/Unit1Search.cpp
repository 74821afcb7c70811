// TForm1's simple search: the word of the search field as the query's word filter, in the
// record names, the descriptions or both.
#include "Unit1.h"

#include "CatalogueQuery.h"
#include "GlobalState.h"
#include "VolumeFiles.h"
#include "controls/DBGrid.h"
#include "controls/Prepinac.h"
#include "platform/locale/CodePage.h"
#include "platform/ui/MessageBox.h"

#include <QLineEdit>

namespace rejstrik {

bool TForm1::SetWordFilter(const std::string& utf8Filter) {
  const std::optional<std::string> filter =
      platform::Utf8ToCodePageExactly(utf8Filter, VolumeCodePage);
  if (!filter) return false;
  SkladQuery1.SetFilter(*filter);
  return true;
}

void TForm1::ClearWordFilter() {
  SkladQuery1.SetFiltered(false);
  SkladQuery1.SetFilter("");
  SkladQuery1.SetFilterOptions({.CaseInsensitive = true});
  SkladQuery1.SetFiltered(true);
}

// With neither scope checked the filter in force stays; a search flag is set only while a
// filter is in force, and "not found" is told only of a filter that found nothing.
void TForm1::Klapka7Click(QObject*) {
  const std::string word = Edit1->text().toStdString();
  if (word.empty()) {
    platform::ui::ShowMessageBox(this, QString::fromUtf8("Upozornění"),
                                 QString::fromUtf8("Nejprve zadejte slovo, které chcete vyhledat"),
                                 platform::ui::TMessageKind::Warning);
    return;
  }
  ChangeList([this, &word] {
    DataSource1.SetEnabled(false);
    SkladQuery1.SetFiltered(false);
    SkladQuery1.SetFilterOptions({.CaseInsensitive = true});
    const std::string filter = SimpleSearchFilter(word, CheckBox(1)->checked(), CheckBox(2)->checked());
    // A word the volume's code page cannot hold is in no record.
    const bool wordFits = filter.empty() || SetWordFilter(filter);
    SkladQuery1.SetFiltered(true);
    if (wordFits && SkladQuery1.Filter().empty()) {
      GlobalState().SearchFilterOn = false;
    } else if (wordFits && SkladQuery1.Active() && SkladQuery1.RecordCount() > 0) {
      GlobalState().SearchFilterOn = true;
    } else {
      platform::ui::ShowMessageBox(this, "Filtr",
                                   QString::fromUtf8("hledané slovo nenalezeno v žádném záznamu"),
                                   platform::ui::TMessageKind::Information);
      ClearWordFilter();
      GlobalState().SearchFilterOn = false;
    }
    UpdateStatus();
    DataSource1.SetEnabled(true);
    SkladQuery1AfterScroll();
    DBGrid1->setFocus();
  });
}

}  // namespace rejstrik
