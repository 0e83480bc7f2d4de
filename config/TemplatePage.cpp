#include "config/TemplatePage.h"

#include <QCheckBox>
#include <QEvent>
#include <QRegularExpression>

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

bool LabelGroupBox::event(QEvent* pEvent) {
    if (pEvent->type() != QEvent::Shortcut) {
        return QGroupBox::event(pEvent);
    }
    for (QWidget* pNext = nextInFocusChain(); pNext != nullptr && pNext != this;
         pNext = pNext->nextInFocusChain()) {
        if ((pNext->focusPolicy() & Qt::TabFocus) != 0 && pNext->isVisible() &&
            pNext->isEnabled()) {
            pNext->setFocus(Qt::ShortcutFocusReason);
            break;
        }
    }
    return true;
}

namespace {

class ControlCentring : public QObject {
public:
    explicit ControlCentring(QWidget& page) : QObject(&page), m_page(page) {}

    void Centre() {
        const QRect controls = m_page.childrenRect();
        if (controls.isEmpty()) {
            return;
        }
        const int dx = (m_page.width() - controls.width()) / 2 - controls.left();
        if (dx == 0) {
            return;
        }
        for (QObject* pChild : m_page.children()) {
            auto* pWidget = qobject_cast<QWidget*>(pChild);
            if (pWidget != nullptr && !pWidget->isWindow()) {
                pWidget->move(pWidget->x() + dx, pWidget->y());
            }
        }
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pWatched == &m_page && pEvent->type() == QEvent::Resize) {
            Centre();
        }
        return false;
    }

private:
    QWidget& m_page;
};

}  // namespace

void CentreControls(QWidget& page) {
    // The same face on every page: the tab widget's style would paint some lighter.
    page.setAutoFillBackground(true);
    page.setBackgroundRole(QPalette::Window);
    auto* pCentring = new ControlCentring(page);
    page.installEventFilter(pCentring);
    pCentring->Centre();
}

QString PlainText(const QString& text) {
    static const QRegularExpression mnemonic(QStringLiteral(R"(\(&.\)|&(?=.))"));
    return QString(text).remove(mnemonic).trimmed();
}
