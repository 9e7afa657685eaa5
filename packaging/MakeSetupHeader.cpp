// Writes the install header of a device cabinet from a package description:
//
//   MakeSetupHeader <description> <header file> [/processor any|arm|<number>]
//
// The processor on the command line replaces the description's, so one description serves
// every cabinet. Exit codes: 0 written, 1 the description cannot be read or laid out,
// 2 wrong command line, 3 the header cannot be written.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "packaging/SetupHeader.h"

int main(int argc, char **argv)
{
  if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "/processor")) {
    std::fprintf(stderr, "usage: MakeSetupHeader <description> <header file> [/processor any|arm|<number>]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "MakeSetupHeader: cannot open %s\n", argv[1]);
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (argc == 5)
    text += std::string("\nprocessor ") + argv[4] + "\n";
  cesetup::Package package;
  std::vector<uint8_t> header;
  std::string error;
  if (!cesetup::ParseDescription(text, &package, &error) || !cesetup::WriteSetupHeader(package, &header, &error)) {
    std::fprintf(stderr, "MakeSetupHeader: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(header.data()), static_cast<std::streamsize>(header.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "MakeSetupHeader: cannot write %s\n", argv[2]);
    return 3;
  }
  return 0;
}
