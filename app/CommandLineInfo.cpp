#include "app/CommandLineInfo.h"

void CommandLineInfo::ParseParam(const char* pszParam, bool bFlag, bool /*bLast*/) {
    if (bFlag) {
        m_arrOtherFlags.emplace_back(pszParam);
    } else if (m_strFileName.empty()) {
        m_strFileName = pszParam;
    }
}

void ParseCommandLine(int argc, const char* const* argv, CommandLineInfo& info) {
    for (int i = 1; i < argc; ++i) {
        const char* pszParam = argv[i] != nullptr ? argv[i] : "";
        bool bFlag = false;
        if (pszParam[0] == '-' || pszParam[0] == '/') {
            bFlag = true;
            ++pszParam;
        }
        info.ParseParam(pszParam, bFlag, i == argc - 1);
    }
}
