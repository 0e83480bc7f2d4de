#pragma once

#include <QIcon>

// The program icon (resource 128) in its 16 x 16 and 32 x 32 pictures.
QIcon ProgramIcon();

// Whether the user interface is shown in Japanese (the Japanese translation is in use).
bool UiIsJapanese();
// For Japanese texts: the proportional IPA P Gothic, whose Latin letters are not fixed-pitch as
// those of the face fontconfig picks for Japanese (IPA Gothic) are. Nothing when it is missing.
void UseJapaneseUiFont();
