#pragma once

#include <string>
#include <vector>

// Answers whether a window handle names an existing window. The real one asks the X server.
class WindowQuery {
public:
    virtual ~WindowQuery() = default;
    virtual bool IsWindow(long hWnd) const = 0;
};

// The generic part of command-line parsing that the saver's own parser builds on. It records
// the first non-flag argument as a file name and every flag it is handed; the program uses
// neither, but keeping them makes the split between "ours" and "not ours" visible in tests.
class CommandLineInfo {
public:
    virtual ~CommandLineInfo() = default;

    // pszParam is the argument without its leading "/" or "-" when bFlag is set.
    virtual void ParseParam(const char* pszParam, bool bFlag, bool bLast);

    std::string m_strFileName;
    std::vector<std::string> m_arrOtherFlags;
};

// Feeds argv[1..argc-1] to info.ParseParam, left to right. An argument starting with "/" or
// "-" is a flag and is passed without that character; the last argument is marked as such.
void ParseCommandLine(int argc, const char* const* argv, CommandLineInfo& info);
