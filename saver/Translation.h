#pragma once

class QCoreApplication;

// Shows the user interface in Japanese when the user's locale is Japanese (LANG=ja_JP...);
// English otherwise. Call once, after the application object exists.
void InstallTranslation(QCoreApplication& app);
