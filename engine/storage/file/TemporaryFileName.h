// Names of temporary files (result tables, sort runs): the thread's name prefix, and the
// exclusive creation by which two users choosing the same name never share one file.
#pragma once

#include <string>

namespace sklad {

// The first five digits of the current thread identifier.
std::string ThreadNamePrefix();

// Creates an empty file of that path exclusively. Answers false when a file of that name
// already exists; any other failure raises 11010 naming the file.
bool CreateFileExclusively(const std::string& path, bool inMemory);

}  // namespace sklad
