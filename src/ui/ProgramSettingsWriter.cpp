#include "ProgramSettingsWriter.h"

#include <QSettings>

#include "ProgramSettings.h"
#include "SaveDialog.h"

namespace velkaro {

bool WriteProgramSettings(const std::filesystem::path& file, const std::vector<std::pair<const char*, QString>>& values) {
  QSettings settings(FromPath(file), QSettings::IniFormat);
  settings.beginGroup(QLatin1String(kProgramSettingsSection));
  for (const auto& [key, value] : values) settings.setValue(QLatin1String(key), value);
  settings.endGroup();
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace velkaro
