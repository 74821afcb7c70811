// windows_text: converts one of the volume's UTF-8 text files into the code page and CRLF line
// ends the program reads. The output is written only when the whole input converts.
#include <CLI/CLI.hpp>

#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "platform/WholeFile.h"
#include "tools/volume/WindowsText.h"

int main(int argc, char** argv) {
  CLI::App app{"Convert a UTF-8 text file into a Windows code page with CRLF line ends", "windows_text"};
  std::string input, output;
  int codePage = 1250;
  app.add_option("INPUT", input, "UTF-8 text file")->required();
  app.add_option("OUTPUT", output, "File to write")->required();
  app.add_option("--code-page", codePage, "Windows code page of the output")->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  std::string text;
  if (const int error = platform::ReadWholeFile(input, text); error != 0) {
    std::cerr << "windows_text: " << input << ": " << std::strerror(error) << "\n";
    return 1;
  }
  try {
    const std::string converted = rejstrik::volume::ToWindowsText(text, codePage);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!(out << converted) || !out.flush()) throw std::runtime_error("cannot write " + output);
  } catch (const std::exception& error) {
    std::cerr << "windows_text: " << input << ": " << error.what() << "\n";
    return 1;
  }
  return 0;
}
