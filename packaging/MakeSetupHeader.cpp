// Writes the install header of a device cabinet from a package description:
//
//   MakeSetupHeader <description> <header file> [/cabinet <name>] [/processor any|arm|<number>]
//
// /cabinet takes the processor and the versions from the description's target line of that
// cabinet, so one description serves every cabinet; /processor, given, names the processor
// instead (a target line that says "image" needs it: the caller reads it from the program).
// Exit codes: 0 written, 1 the description cannot be read or laid out, 2 wrong command
// line, 3 the header cannot be written.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "packaging/SetupHeader.h"

namespace {

int Usage()
{
  std::fprintf(stderr,
               "usage: MakeSetupHeader <description> <header file> [/cabinet <name>] [/processor any|arm|<number>]\n");
  return 2;
}

}  // namespace

int main(int argc, char **argv)
{
  if (argc < 3)
    return Usage();
  const char *cabinet = nullptr, *processor = nullptr;
  for (int i = 3; i < argc; i += 2) {
    if (i + 1 >= argc)
      return Usage();
    if (std::strcmp(argv[i], "/cabinet") == 0)
      cabinet = argv[i + 1];
    else if (std::strcmp(argv[i], "/processor") == 0)
      processor = argv[i + 1];
    else
      return Usage();
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "MakeSetupHeader: cannot open %s\n", argv[1]);
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (processor != nullptr)
    text += std::string("\nprocessor ") + processor + "\n";
  cesetup::Package package;
  std::vector<uint8_t> header;
  std::string error;
  bool read = cesetup::ParseDescription(text, &package, &error);
  if (read && cabinet != nullptr) {
    uint32_t named = package.processor;
    read = cesetup::SelectTarget(cabinet, &package, &error);
    if (processor != nullptr)
      package.processor = named;
    for (const cesetup::Target &target : package.targets)
      if (read && target.cabinet == cabinet && target.processorFromImage && processor == nullptr)
        read = false, error = std::string("the cabinet ") + cabinet + " takes its processor from /processor";
  }
  if (!read || !cesetup::WriteSetupHeader(package, &header, &error)) {
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
