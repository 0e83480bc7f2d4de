#pragma once

#include <functional>

class CVelvetfadeConfigDlg;
class MessageSink;
class ProfileStore;

// The configuration mode from start to end: the defaults, the user's stored settings over
// them, the values into the pages, the sheet, and on OK the values back and the save. A save
// that fails is reported through the message sink instead of being lost. runSheet runs the
// sheet modally and says whether the user pressed OK.
void RunConfigurationMode(ProfileStore& profile, MessageSink& messages,
                          const std::function<bool(CVelvetfadeConfigDlg&)>& runSheet);
