#include "PasswordDialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dataset/SkladSession.h"

namespace sklad {

TPasswordDialog::TPasswordDialog(TSkladSession& session, QWidget* parent)
    : QDialog(parent),
      FSession(session),
      FPassword(new QLineEdit(this)),
      FAddButton(new QPushButton("&Add", this)),
      FRemoveButton(new QPushButton("&Remove", this)),
      FRemoveAllButton(new QPushButton("Re&move all", this)),
      FOkButton(new QPushButton("&OK", this)),
      FCancelButton(new QPushButton("Cancel", this)) {
  setWindowTitle("Enter password");
  setModal(true);
  FPassword->setObjectName("Password");
  FPassword->setEchoMode(QLineEdit::Password);
  FAddButton->setObjectName("Add");
  FRemoveButton->setObjectName("Remove");
  FRemoveAllButton->setObjectName("RemoveAll");
  FOkButton->setObjectName("OK");
  FOkButton->setDefault(true);
  FCancelButton->setObjectName("Cancel");

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {FAddButton, FRemoveButton, FRemoveAllButton, FOkButton, FCancelButton})
    buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPassword);
  layout->addLayout(buttons);

  connect(FPassword, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  connect(FAddButton, &QPushButton::clicked, this, [this] { AddPassword(); });
  connect(FRemoveButton, &QPushButton::clicked, this, [this] { RemovePassword(); });
  connect(FRemoveAllButton, &QPushButton::clicked, this, [this] { RemoveAllPasswords(); });
  connect(FOkButton, &QPushButton::clicked, this, [this] { AcceptPassword(); });
  connect(FCancelButton, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
}

void TPasswordDialog::UpdateButtons() {
  const bool typed = !FPassword->text().isEmpty();
  FAddButton->setEnabled(typed);
  FRemoveButton->setEnabled(typed);
  FOkButton->setEnabled(typed || FAdded);
}

void TPasswordDialog::AddPassword() {
  FSession.AddPassword(FPassword->text().toStdString());
  FAdded = true;
  FPassword->clear();
  FPassword->setFocus();
  UpdateButtons();
}

void TPasswordDialog::RemovePassword() { FSession.RemovePassword(FPassword->text().toStdString()); }

void TPasswordDialog::RemoveAllPasswords() { FSession.RemoveAllPasswords(); }

void TPasswordDialog::AcceptPassword() {
  FSession.AddPassword(FPassword->text().toStdString());
  accept();
}

bool ExecutePasswordDialog(TSkladSession& session) {
  TPasswordDialog dialog(session);
  return dialog.exec() == QDialog::Accepted;
}

void InstallPasswordDialog() { TSkladSession::SetPasswordDialog(ExecutePasswordDialog); }

}  // namespace sklad
