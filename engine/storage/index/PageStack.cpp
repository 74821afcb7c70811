#include "PageStack.h"

namespace sklad {

TPage* TPageStack::Take() {
  if (!FSpare.empty()) {
    TPage* page = FSpare.back();
    FSpare.pop_back();
    return page;
  }
  FPages.push_back(std::make_unique<TPage>());
  return FPages.back().get();
}

void TPageStack::Return(TPage* page) {
  page->Pins = 0;
  page->Modified = false;
  FSpare.push_back(page);
}

}  // namespace sklad
