#pragma once

#include <QIcon>

// The program icon (resource 128) in its 16 x 16 and 32 x 32 pictures.
QIcon ProgramIcon();

// Whether the user interface is shown in Japanese (the Japanese translation is in use).
bool UiIsJapanese();
