#include "config/ConfigurationMode.h"

#include <QCoreApplication>

#include "app/MessageSink.h"
#include "app/ProfileStore.h"
#include "app/SettingsSlots.h"
#include "app/SettingsStore.h"
#include "config/CVelvetfadeConfigDlg.h"

void RunConfigurationMode(ProfileStore& profile, MessageSink& messages,
                          const std::function<bool(CVelvetfadeConfigDlg&)>& runSheet) {
    SettingsStore settings;
    settings.SetDWordAt(SLOT_EXIT_CONDITIONS, 0x13F);
    settings.SetDWordAt(SLOT_FRAMES_PER_SECOND, 5);
    settings.SetDWordAt(SLOT_FADE_STEP, 1);
    settings.SetDWordAt(SLOT_INTERVAL_SECONDS, 10);
    settings.ExchangeProfile(profile, true);

    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(settings);
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
