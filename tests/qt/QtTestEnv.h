#pragma once

#include <QString>

// The temporary folder that stands in for $XDG_CONFIG_HOME during the Qt tests.
QString TestConfigHome();
