#include "TemplatePage.h"

#include <QCheckBox>

void ControlMap::ExchangeChecks(bool bSaveAndValidate,
                                std::initializer_list<std::pair<int, int*>> checks) const {
    for (auto [nId, pMember] : checks) {
        auto* pCheck = qobject_cast<QCheckBox*>(Control(nId));
        if (pCheck == nullptr) {
            continue;
        }
        if (bSaveAndValidate) {
            *pMember = pCheck->isChecked() ? 1 : 0;
        } else {
            pCheck->setChecked(*pMember != 0);
        }
    }
}
