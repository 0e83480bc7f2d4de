#include "config/ConfigurationMode.h"

#include <QCoreApplication>

#include "app/MessageSink.h"
#include "app/ProfileStore.h"
#include "app/SettingsView.h"
#include "config/CVelvetfadeConfigDlg.h"
#include "imaging/DesktopPictures.h"

void RunConfigurationMode(ProfileStore& profile, MessageSink& messages,
                          const std::function<bool(CVelvetfadeConfigDlg&)>& runSheet) {
    SettingsStore settings;
    PutSheetDefaults(settings);
    settings.LoadFrom(profile);

    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(settings);
    sheet.m_page4.m_picture.SetUseMmx(ReadMmxSwitch(profile));
    if (!runSheet(sheet)) {
        return;  // Cancel, Escape or closing: nothing is written
    }
    sheet.SaveTo(settings);
    if (!settings.ExchangeProfile(profile, false)) {
        messages.ShowMessage(
            CVelvetfadeConfigDlg::Caption().toStdString(),
            QCoreApplication::translate("CVelvetfadeConfigDlg", "The settings could not be saved.")
                .toStdString());
    }
}
