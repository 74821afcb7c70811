#include "Unit6.h"

#include "CatalogueQuery.h"
#include "GlobalState.h"
#include "SkinnedWindow.h"
#include "Unit1.h"
#include "controls/Klapka.h"
#include "controls/Prepinac.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"
#include "platform/ui/MessageBox.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace rejstrik {
namespace {

QLineEdit* WordField(QWidget* parent, int top, bool enabled) {
  auto* field = new QLineEdit(parent);
  field->setGeometry(24, top, 153, 14);
  field->setFrame(false);
  field->setFont(ProgramFont(11));
  field->setEnabled(enabled);
  return field;
}

controls::TPrepinac* Option(QWidget* parent, int top, bool checked) {
  controls::TPrepinac* option =
      controls::SkinToggle(parent, 18, top, controls::TToggleLook::Option);
  option->Setchecked(checked);
  return option;
}

controls::TKlapka* BlockedButton(QWidget* parent, const QString& name, int top) {
  controls::TKlapka* button = controls::SkinButton(parent, name, 18, top);
  button->setEnabled(false);
  button->Setblokovano(true);
  return button;
}

}  // namespace

TForm6::TForm6(const TProgramWindows& windows) : QWidget(nullptr), FWindows(windows) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 200, 360, "pozadi_hledani", "Hledej s podmínkami");
  Edit1 = WordField(this, 53, true);
  RadioButton1 = Option(this, 76, true);
  RadioButton2 = Option(this, 98, false);
  Edit2 = WordField(this, 154, false);
  RadioButton3 = Option(this, 180, true);
  RadioButton4 = Option(this, 202, false);
  Edit3 = WordField(this, 255, false);
  Button2 = BlockedButton(this, "vyhledat", 300);
  Button1 = BlockedButton(this, "vymazat", 325);
  CheckBox1 = controls::SkinToggle(this, 115, 302);
  CheckBox1->Setchecked(true);
  CheckBox2 = controls::SkinToggle(this, 115, 327);
  CheckBox2->Setchecked(true);
  Klapka1 = MinimizeButton(this, 154, 4);
  Klapka2 = CloseButton(this, 174, 4);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 29);

  QObject::connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  QObject::connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit2Change(); });
  for (auto [option, other] : {std::pair{RadioButton1, RadioButton2}, {RadioButton2, RadioButton1},
                               {RadioButton3, RadioButton4}, {RadioButton4, RadioButton3}})
    option->SetOnClick([other](QObject*) { other->Setchecked(false); });
  Button2->SetOnClick([this](QObject* sender) { Button2Click(sender); });
  Button1->SetOnClick([this](QObject* sender) { Button1Click(sender); });
}

void TForm6::Edit1Change() {
  const bool hasWord = !Edit1->text().isEmpty();
  for (controls::TKlapka* button : {Button1, Button2}) {
    button->setEnabled(hasWord);
    button->Setblokovano(!hasWord);
  }
  Edit2->setEnabled(hasWord);
  if (!hasWord) Edit3->setEnabled(false);
}

void TForm6::Edit2Change() { Edit3->setEnabled(!Edit2->text().isEmpty()); }

void TForm6::Button1Click(QObject*) {
  for (QLineEdit* field : {Edit1, Edit2, Edit3}) field->clear();
  for (controls::TPrepinac* option : {RadioButton1, RadioButton3}) option->Setchecked(true);
  for (controls::TPrepinac* option : {RadioButton2, RadioButton4}) option->Setchecked(false);
  for (controls::TPrepinac* scope : {CheckBox1, CheckBox2}) scope->Setchecked(true);
  Button1->setEnabled(false);
  Edit1->setFocus();
}

// A pair with neither option checked (the checked one clicked off) joins by OR, the pair's
// first choice.
TConditionalSearch TForm6::Search() const {
  TConditionalSearch search;
  search.Words = {Edit1->text().toStdString(), Edit2->text().toStdString(),
                  Edit3->text().toStdString()};
  search.InName = CheckBox1->checked();
  search.InDescription = CheckBox2->checked();
  search.Join12 = RadioButton2->checked() ? TWordJoin::And : TWordJoin::Or;
  search.Join3 = RadioButton4->checked() ? TWordJoin::And : TWordJoin::Or;
  return search;
}

void TForm6::Button2Click(QObject*) {
  if (ApplySearch()) close();
}

// An empty first word or no scope changes nothing on the list. A search that fails keeps the
// window open with the words, the list as it was before.
bool TForm6::ApplySearch() {
  if (Edit1->text().isEmpty()) {
    platform::ui::ShowMessageBox(this, QString::fromUtf8("Upozornění"),
                                 QString::fromUtf8("Zadejte vyhledávací podmínky."),
                                 platform::ui::TMessageKind::Warning);
    return true;
  }
  if (!CheckBox1->checked() && !CheckBox2->checked()) {
    platform::ui::ShowMessageBox(
        this, QString::fromUtf8("Upozornění"),
        QString::fromUtf8("Zaškrtněte, kde se má hledat: v názvu, v popisu, nebo v obou."),
        platform::ui::TMessageKind::Warning);
    return false;
  }
  TForm1& main = *FWindows.Form1;
  sklad::TSkladQuery& query = main.SkladQuery1;
  const TConditionalSearch search = Search();
  return main.ChangeList([&] {
    main.WaitCursor().Show();
    main.DataSource1.SetEnabled(false);
    query.SetFilter("");
    query.SetFiltered(false);
    // Words the volume's code page cannot hold are in no record.
    const bool wordsFit = main.SetWordFilter(ConditionalSearchFilter(search));
    query.SetFiltered(true);
    main.DataSource1.SetEnabled(true);
    if (wordsFit && query.Active() && query.RecordCount() > 0) {
      GlobalState().SearchFilterOn = true;
    } else {
      platform::ui::ShowMessageBox(
          &main, "Filtr",
          QString::fromUtf8("Zadaným podmínkám nevyhovuje žádný záznam v databázi."),
          platform::ui::TMessageKind::Information);
      main.Klapka10Click(&main);
    }
    main.UpdateStatus();
    main.WaitCursor().Restore();
    main.SkladQuery1AfterScroll();
  });
}

void TForm6::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      close();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Button2Click(this);
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace rejstrik
