// How many terminal columns a UTF-8 text takes: combining marks and format characters none, East
// Asian wide and fullwidth characters two, every other character one.
#pragma once

#include <cstddef>
#include <string_view>

namespace sklad::tool {

size_t DisplayWidth(std::string_view utf8);

}  // namespace sklad::tool
