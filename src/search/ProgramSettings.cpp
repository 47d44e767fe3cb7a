#include "ProgramSettings.h"

#include <ini.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "TextHelpers.h"

namespace velkaro {

namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct TConnectionsRead {
  std::optional<std::string> Value;  // the last one in the section
};

// Section and key names are read without regard to case, as INI readers do.
int KeepConnections(void* user, const char* section, const char* name, const char* value) {
  if (LowerAscii(section) == kProgramSettingsSection && LowerAscii(name) == kConnectionsKey) {
    static_cast<TConnectionsRead*>(user)->Value = value;
  }
  return 1;
}

}  // namespace

int ReadConnections(const std::filesystem::path& path) {
  const std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return kDefaultConnections;
  TConnectionsRead read;
  // A malformed line elsewhere does not spoil a good value: the reader goes on past it.
  ini_parse_file(file.get(), &KeepConnections, &read);
  if (!read.Value) return kDefaultConnections;
  const auto value = ParseInt(Trim(*read.Value));
  return value && ValidConnections(*value) ? *value : kDefaultConnections;
}

}  // namespace velkaro
