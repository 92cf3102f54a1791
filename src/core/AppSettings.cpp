#include "core/AppSettings.h"

AppSettingsRecord AppSettings;
