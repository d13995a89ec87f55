#include "app/settings_damage.h"

namespace quiremark::app {

SettingsDamageNotices::SettingsDamageNotices(controls::UiServices& ui) {
  platform::SetHiveDamageHandler([&ui](const platform::HiveDamage& damage) {
    ui.MessageBox(Text(damage), controls::mb::kOkOnly + controls::mb::kExclamation, "");
  });
}

SettingsDamageNotices::~SettingsDamageNotices() { platform::SetHiveDamageHandler(nullptr); }

std::string SettingsDamageNotices::Text(const platform::HiveDamage& damage) {
  std::string text = "Inställningsfilen " + damage.file.string() +
                     " är skadad. De inställningar som gick att läsa används, de andra försvinner när filen sparas "
                     "nästa gång.\r";
  if (damage.copy.empty()) return text + "Det gick inte att spara en kopia av filen.";
  return text + "Filen som den var har sparats som " + damage.copy.string() + ".";
}

}  // namespace quiremark::app
