#include "settings/settings_image.h"

SettingsImage settings_image{};
