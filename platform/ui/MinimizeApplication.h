// Minimising the whole program, as its minimise buttons do: every window it shows goes down.
#pragma once

namespace platform::ui {

void MinimizeApplication();

}  // namespace platform::ui
