// TPasswordDialog: the modal "Enter password" window a session shows when a table needs a password
// and no OnPassword handler answers.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace sklad {

class TSkladSession;

class TPasswordDialog : public QDialog {
 public:
  explicit TPasswordDialog(TSkladSession& session, QWidget* parent = nullptr);

 private:
  void UpdateButtons();
  void AddPassword();
  void RemovePassword();
  void RemoveAllPasswords();
  void AcceptPassword();

  TSkladSession& FSession;
  QLineEdit* FPassword;
  QPushButton* FAddButton;
  QPushButton* FRemoveButton;
  QPushButton* FRemoveAllButton;
  QPushButton* FOkButton;
  QPushButton* FCancelButton;
  bool FAdded = false;
};

// Shows the dialog modally: true when it was closed with OK.
bool ExecutePasswordDialog(TSkladSession& session);

// Makes the dialog the password request of every session without an OnPassword handler.
void InstallPasswordDialog();

}  // namespace sklad
