#pragma once
// The install header of a device cabinet (the "<name>.000" file): what the device's CAB
// installer reads to know where each numbered file goes, which registry values to set and
// which shortcuts to make. A desktop tool; the device only ever reads this format.
#include <cstdint>
#include <string>
#include <vector>

namespace cesetup {

// Processor types the installer compares with the device's.
const uint32_t PROCESSOR_ANY = 0;
// ARM devices of every architecture answer to the StrongARM code.
const uint32_t PROCESSOR_ARM = 2577;

// Files .001 to .998 of a cabinet; .999 is the setup library.
const size_t MAX_FILES = 998;

// Registry roots as the header numbers them.
enum Root { ROOT_CLASSES = 1, ROOT_CURRENT_USER = 2, ROOT_LOCAL_MACHINE = 3, ROOT_USERS = 4 };

// Value types and flags as the header encodes them.
const uint32_t VALUE_STRING = 0x00000000;
const uint32_t VALUE_BINARY = 0x00000001;
const uint32_t VALUE_KEEP_EXISTING = 0x00000002;
const uint32_t VALUE_MULTI_STRING = 0x00010000;
const uint32_t VALUE_DWORD = 0x00010001;

// The fixed part of the header: 100 bytes, every number little-endian.
enum Field : uint32_t {
  AT_MAGIC = 0,         // "MSCE"
  AT_RESERVED_4 = 4,    // 0
  AT_LENGTH = 8,        // the whole header's length in bytes
  AT_RESERVED_12 = 12,  // 0
  AT_ONE = 16,          // 1
  AT_PROCESSOR = 20,
  AT_MIN_MAJOR = 24,
  AT_MIN_MINOR = 28,
  AT_MAX_MAJOR = 32,
  AT_MAX_MINOR = 36,
  AT_MIN_BUILD = 40,
  AT_MAX_BUILD = 44,
  AT_COUNTS = 48,       // six 16-bit counts: strings, folders, files, hives, values, shortcuts
  AT_OFFSETS = 60,      // six 32-bit offsets in the same order
  AT_APP_NAME = 84,     // 16-bit offset and length (terminator included)
  AT_PROVIDER = 88,
  AT_UNSUPPORTED = 92,  // the platforms the package refuses, a multi-string; 0 and 0: none
  FIXED_SIZE = 100
};
enum Section { STRINGS, FOLDERS, FILES, HIVES, VALUES, SHORTCUTS, SECTION_COUNT };

struct File {
  int folder;  // 1-based index into Package::folders
  uint32_t flags;
  std::string name;  // installed name, no path
};

struct Key {
  Root root;
  std::string path;  // below the root, "\" between names
};

struct Value {
  int key;  // 1-based index into Package::keys
  uint32_t type;
  std::string name;
  std::vector<uint8_t> data;  // as stored: strings with their terminator, a DWORD little-endian
};

// Where a shortcut is made: the installation folder, or one of the device's standard folders
// (%CE1% to %CE17%) by its number.
const int SHORTCUT_IN_INSTALL_FOLDER = 0;
const int MAX_STANDARD_FOLDER = 17;

struct Shortcut {
  int base;          // SHORTCUT_IN_INSTALL_FOLDER or a standard folder's number
  bool toFile;       // target is a file (else a folder)
  int target;        // 1-based file or folder index
  std::string name;  // shortcut name without ".lnk"
};

// The processor and versions of the devices one cabinet is for.
struct Target {
  std::string cabinet;  // "ARMV7" for Ferrolt.ARMV7.cab
  uint32_t processor;
  bool processorFromImage;  // "image": the processor the caller reads from the program
  uint32_t minMajor, minMinor, maxMajor, maxMinor;
};

struct Package {
  std::string appName, provider;
  uint32_t processor = PROCESSOR_ANY;
  uint32_t minMajor = 0, minMinor = 0, maxMajor = 0, maxMinor = 0, minBuild = 0, maxBuild = 0;
  std::vector<std::string> folders;  // device paths such as "\Application\Ferrolt"
  std::vector<File> files;           // file i is the cabinet's "<name>.00i"
  std::vector<Key> keys;
  std::vector<Value> values;
  std::vector<Shortcut> shortcuts;
  std::vector<Target> targets;
};

// Gives the package the processor and versions of the named cabinet's target line. False,
// with the reason, when the description has no such line.
bool SelectTarget(const std::string &cabinet, Package *package, std::string *error);

// Lays the package out as the installer reads it. False, with the reason, for a package the
// header cannot describe (an index out of range, a name with a path, too many entries).
bool WriteSetupHeader(const Package &package, std::vector<uint8_t> *out, std::string *error);

// Reads a package description, one statement a line ('#' starts a comment):
//   app <name> | provider <name> | processor any|arm|<number>
//   versions <min major>.<minor> <max major>.<minor> | builds <min> <max>
//   folder <device path> | file <folder> <flags> <name>
//   key HKCR|HKCU|HKLM|HKU <path> | value <key> string|dword|multi <name>[=<data>]
//   shortcut %InstallDir%|%CE<n>% file|folder <target> <name>
//   target <cabinet> any|arm|<number> <min major>.<minor> <max major>.<minor>
// A target line says which devices one cabinet is for; SelectTarget applies it.
// False, with "line N: reason", at the first statement it cannot take.
bool ParseDescription(const std::string &text, Package *package, std::string *error);

}  // namespace cesetup
