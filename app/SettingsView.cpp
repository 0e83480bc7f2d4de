#include "app/SettingsView.h"

#include "app/ProfileStore.h"

void SettingsOverrides::ApplyTo(SettingsStore& store) const {
    const std::pair<int, const std::optional<uint32_t>*> slots[] = {
        {SLOT_FRAMES_PER_SECOND, &framesPerSecond},
        {SLOT_FADE_STEP, &fadeStep},
        {SLOT_INTERVAL_SECONDS, &intervalSeconds},
        {SLOT_SCENE_KIND, &sceneKind},
    };
    for (const auto& [nSlot, pValue] : slots) {
        if (*pValue) {
            store.SetDWordAt(nSlot, **pValue);
        }
    }
}

void LoadSaverSettings(SettingsStore& store, ProfileStore& profile,
                       const SettingsOverrides& overrides) {
    store = SettingsStore();
    if (SettingsStore::IsStoredIn(profile)) {
        PutSaverDefaults(store);
    } else {
        PutSheetDefaults(store);
    }
    store.LoadFrom(profile);
    overrides.ApplyTo(store);
}
