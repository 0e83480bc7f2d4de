#pragma once

#include "MessageSink.h"

// A modal message box with an OK button, owned by the active window.
class QtMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string& strTitle, const std::string& strText) override;
};
