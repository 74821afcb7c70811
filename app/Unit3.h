// TForm3, the information window: the publisher's contact block with a mail and a web link.
#pragma once

#include <QWidget>

class QLabel;

namespace controls {
class TKlapka;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

class TLinkLabel;

class TForm3 : public QWidget {
 public:
  TForm3();

  TLinkLabel* Label4 = nullptr;  // mail address
  TLinkLabel* Label5 = nullptr;  // web address
  TLinkLabel* Image1 = nullptr;  // the publisher's picture; a click closes the window
  controls::TKlapka* Klapka1 = nullptr;  // minimise
  controls::TKlapka* Klapka2 = nullptr;  // close
  controls::TPresunovac* Presunovac1 = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace rejstrik
