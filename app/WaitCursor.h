// The application's wait cursor while the catalogue list is being worked on: shown and restored
// in balance, so however many times either is asked for, one restore brings the normal cursor.
#pragma once

namespace rejstrik {

class TWaitCursor {
 public:
  TWaitCursor() = default;
  ~TWaitCursor();
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

  void Show();
  void Restore();

 private:
  bool FShown = false;
};

}  // namespace rejstrik
