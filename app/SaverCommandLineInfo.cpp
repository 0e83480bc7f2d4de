#include "app/SaverCommandLineInfo.h"

#include <cstdlib>

void SaverCommandLineInfo::ParseParam(const char* pszParam, bool bFlag, bool bLast) {
    if (bFlag) {
        switch (pszParam[0]) {
            case 's':
                m_bSaver = true;
                return;
            case 'c':
                m_bConfigure = true;
                return;
            case 'p':
                m_bPreview = true;
                return;
            default:
                CommandLineInfo::ParseParam(pszParam, bFlag, bLast);
                return;
        }
    }
    if (m_bPreview && bLast) {
        // atol's reading (leading blanks, sign, decimal digits), but saturating instead of
        // undefined on overflow; a saturated value names no window.
        m_hPreviewParent = std::strtol(pszParam, nullptr, 10);
        if (!m_windows.IsWindow(m_hPreviewParent)) {
            m_hPreviewParent = 0;
            m_bPreview = false;
        }
    }
    CommandLineInfo::ParseParam(pszParam, bFlag, bLast);
}

SaverMode ChooseMode(const SaverCommandLineInfo& info) {
    if (info.m_bPreview) {
        return SaverMode::Preview;
    }
    if (info.m_bConfigure) {
        return SaverMode::Configure;
    }
    return SaverMode::Saver;
}
