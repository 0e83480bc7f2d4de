#pragma once

#include <QPointer>
#include <QWidget>

#include "app/MessageSink.h"

// A modal message box with an OK button over its owner window (the active window when it has
// none); or, where nobody could answer a box (the show inside a host's window, which owns the
// keyboard and the mouse), a line on standard error.
class QtMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string& strTitle, const std::string& strText) override;

    void SetOwner(QWidget* pOwner) { m_pOwner = pOwner; }
    void SetToStandardError(bool bToStandardError) { m_bToStandardError = bToStandardError; }

private:
    QPointer<QWidget> m_pOwner;
    bool m_bToStandardError = false;
};
