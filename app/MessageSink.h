#pragma once

#include <string>

// Where the program's message boxes go: a modal box on screen in the real program, a list in
// tests. Blocks until the user has closed the box.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& strTitle, const std::string& strText) = 0;
};
