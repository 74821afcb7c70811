// TPageStack: the pool of an index file's TPage objects. It owns every page object; caches
// borrow them and hand them back, so buffers are reused instead of reallocated.
#pragma once

#include <memory>
#include <vector>

#include "IndexPage.h"

namespace sklad {

class TPageStack {
 public:
  // A spare page, or a new one.
  TPage* Take();
  void Return(TPage* page);

 private:
  std::vector<std::unique_ptr<TPage>> FPages;
  std::vector<TPage*> FSpare;
};

}  // namespace sklad
