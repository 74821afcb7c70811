#include "GlobalState.h"

namespace rejstrik {

TGlobalState& GlobalState() {
  static TGlobalState state;
  return state;
}

}  // namespace rejstrik
