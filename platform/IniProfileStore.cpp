#include "platform/IniProfileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iterator>

#include "imaging/FileInput.h"

namespace {

constexpr const char* BLANKS = " \t\r";

std::string Trimmed(const std::string& str) {
    const size_t first = str.find_first_not_of(BLANKS);
    if (first == std::string::npos) {
        return {};
    }
    return str.substr(first, str.find_last_not_of(BLANKS) - first + 1);
}

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'a' && ch <= 'f') {
        return ch - 'a' + 10;
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    return -1;
}

// The whole of a regular file, up to the limit; empty for anything else. InputFile opens
// without blocking, so a FIFO in the file's place cannot hang the start.
std::string ReadRegularFile(const std::string& strPath) {
    InputFile file(strPath.c_str());
    if (!file.IsOpen() || file.Length() > static_cast<uint64_t>(IniProfileStore::MAX_FILE_BYTES)) {
        return {};
    }
    std::string text(static_cast<size_t>(file.Length()), '\0');
    const long long nRead = file.Read(text.data(), text.size());
    text.resize(nRead > 0 ? static_cast<size_t>(nRead) : 0);
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    size_t nDone = 0;
    while (nDone < text.size()) {
        const ssize_t n = ::write(fd, text.data() + nDone, text.size() - nDone);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        nDone += static_cast<size_t>(n);
    }
    return true;
}

// Makes every missing folder of the path, as the registry makes its keys.
bool MakeFolders(const std::string& strFolder) {
    if (strFolder.empty()) {
        return true;
    }
    struct stat st {};
    if (::stat(strFolder.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const size_t slash = strFolder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(strFolder.substr(0, slash))) {
        return false;
    }
    return ::mkdir(strFolder.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string FolderOf(const std::string& strPath) {
    const size_t slash = strPath.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : strPath.substr(0, slash);
}

// The regular file a save replaces (the path itself, or where its link leads), with the mode to
// keep; false when the path names something a save must not replace. A missing file is made.
bool SaveTarget(const std::string& strPath, std::string& strTarget, mode_t& mode) {
    struct stat st {};
    if (::lstat(strPath.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        strTarget = strPath;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
        return true;
    }
    if (S_ISLNK(st.st_mode)) {
        char* pszResolved = ::realpath(strPath.c_str(), nullptr);
        if (pszResolved == nullptr) {
            return false;  // a link that leads nowhere
        }
        strTarget = pszResolved;
        std::free(pszResolved);
        if (::stat(strTarget.c_str(), &st) != 0) {
            return false;
        }
    } else {
        strTarget = strPath;
    }
    if (!S_ISREG(st.st_mode)) {
        return false;
    }
    mode = st.st_mode & 07777;
    return true;
}

}  // namespace

IniProfileStore::IniProfileStore(std::string strPath) : m_strPath(std::move(strPath)) {
    Parse(ReadRegularFile(m_strPath));
}

IniProfileStore IniProfileStore::ForProgram(const QString& strAppName) {
    const QString strFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return IniProfileStore((strFolder + QLatin1Char('/') + QLatin1String(ORGANIZATION) +
                            QLatin1Char('/') + strAppName + QStringLiteral(".ini"))
                               .toStdString());
}

std::string IniProfileStore::DecodeValue(const std::string& strText) {
    if (strText.size() < 2 || strText.front() != '"' || strText.back() != '"') {
        return strText;
    }
    // The quoted form: backslash escapes inside; any bare quote before the end means the text
    // was not written that way, and it stands as it is.
    std::string value;
    const size_t end = strText.size() - 1;
    for (size_t i = 1; i < end; ++i) {
        const char ch = strText[i];
        if (ch == '"') {
            return strText;
        }
        if (ch != '\\' || i + 1 >= end) {
            value += ch;
            continue;
        }
        const char esc = strText[++i];
        switch (esc) {
            case 'n':
                value += '\n';
                break;
            case 'r':
                value += '\r';
                break;
            case 't':
                value += '\t';
                break;
            case 'a':
                value += '\a';
                break;
            case 'b':
                value += '\b';
                break;
            case 'f':
                value += '\f';
                break;
            case 'v':
                value += '\v';
                break;
            case 'x': {
                int code = 0;
                int nDigits = 0;
                while (nDigits < 2 && i + 1 < end && HexValue(strText[i + 1]) >= 0) {
                    code = code * 16 + HexValue(strText[++i]);
                    ++nDigits;
                }
                value += nDigits > 0 ? static_cast<char>(code) : 'x';
                break;
            }
            default:  // \\, \", \' and \? stand for themselves
                value += esc;
                break;
        }
    }
    return value;
}

std::string IniProfileStore::EncodeValue(const std::string& strValue) {
    bool bQuote =
        !strValue.empty() && (strValue.front() == '"' ||
                              std::string(BLANKS).find(strValue.front()) != std::string::npos ||
                              std::string(BLANKS).find(strValue.back()) != std::string::npos);
    for (const char ch : strValue) {
        const auto byte = static_cast<unsigned char>(ch);
        bQuote = bQuote || byte < 0x20 || byte == 0x7F;
    }
    if (!bQuote) {
        return strValue;
    }
    static constexpr char HEX[] = "0123456789abcdef";
    std::string text = "\"";
    for (const char ch : strValue) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '"') {
            text += '\\';
            text += ch;
        } else if (ch == '\n') {
            text += "\\n";
        } else if (ch == '\r') {
            text += "\\r";
        } else if (ch == '\t') {
            text += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            text += "\\x";
            text += HEX[byte >> 4];
            text += HEX[byte & 0xF];
        } else {
            text += ch;
        }
    }
    return text + '"';
}

void IniProfileStore::Parse(const std::string& strText) {
    m_sections.assign(1, Section{});
    size_t start = 0;
    while (start < strText.size()) {
        size_t end = strText.find('\n', start);
        if (end == std::string::npos) {
            end = strText.size();
        }
        Line line{{}, strText.substr(start, end - start)};
        start = end + 1;
        const std::string trimmed = Trimmed(line.text);
        const size_t close = trimmed.find(']');
        if (!trimmed.empty() && trimmed[0] == '[' && close != std::string::npos) {
            m_sections.push_back(Section{Trimmed(trimmed.substr(1, close - 1)), {}});
        } else if (!trimmed.empty() && trimmed[0] != ';' && trimmed[0] != '#') {
            const size_t equals = trimmed.find('=');
            if (equals != std::string::npos) {
                line.key = Trimmed(trimmed.substr(0, equals));
            }
        }
        Section& section = m_sections.back();
        section.lines.push_back(std::move(line));
        if (!section.name.empty() && !section.lines.back().key.empty()) {
            m_index.emplace(std::pair(section.name, section.lines.back().key),
                            &section.lines.back());
        }
    }
}

std::string IniProfileStore::Serialize() const {
    std::string text;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            text += line.text;
            text += '\n';
        }
    }
    return text;
}

IniProfileStore::Line* IniProfileStore::Find(const std::string& section, const std::string& entry) {
    const auto it = m_index.find(std::pair(section, entry));
    return it != m_index.end() ? it->second : nullptr;
}

bool IniProfileStore::HasProfileEntry(const std::string& section, const std::string& entry) {
    return Find(section, entry) != nullptr;
}

std::string IniProfileStore::GetProfileString(const std::string& section, const std::string& entry,
                                              const std::string& strDefault) {
    const Line* pLine = Find(section, entry);
    if (pLine == nullptr) {
        return strDefault;
    }
    return DecodeValue(Trimmed(pLine->text.substr(pLine->text.find('=') + 1)));
}

uint32_t IniProfileStore::GetProfileInt(const std::string& section, const std::string& entry,
                                        uint32_t nDefault) {
    const Line* pLine = Find(section, entry);
    return pLine == nullptr ? nDefault
                            : ParseProfileInt(GetProfileString(section, entry, {}), nDefault);
}

bool IniProfileStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                      uint32_t nValue) {
    return WriteProfileString(section, entry, std::to_string(nValue));
}

bool IniProfileStore::WriteProfileString(const std::string& section, const std::string& entry,
                                         const std::string& strValue) {
    if (section.empty() || entry.empty()) {
        return false;
    }
    m_bDirty = true;
    const std::string text = entry + '=' + EncodeValue(strValue);
    if (Line* pLine = Find(section, entry)) {
        pLine->text = text;
        return true;
    }
    Section* pSection = nullptr;
    for (Section& s : m_sections) {
        if (s.name == section) {
            pSection = &s;
            break;
        }
    }
    if (pSection == nullptr) {
        // A new section starts after a blank line, unless the file is empty so far.
        Section& last = m_sections.back();
        if (!last.lines.empty() && !Trimmed(last.lines.back().text).empty()) {
            last.lines.push_back(Line{{}, {}});
        }
        m_sections.push_back(Section{section, {Line{{}, '[' + section + ']'}}});
        pSection = &m_sections.back();
    }
    // After the section's last entry, before whatever else follows it.
    auto at = pSection->lines.end();
    while (std::prev(at) != pSection->lines.begin() && std::prev(at)->key.empty()) {
        --at;
    }
    m_index.emplace(std::pair(section, entry), &*pSection->lines.insert(at, Line{entry, text}));
    return true;
}

bool IniProfileStore::Flush() {
    if (!m_bDirty) {
        return true;
    }
    std::string strTarget;
    mode_t mode = 0;
    if (!MakeFolders(FolderOf(m_strPath)) || !SaveTarget(m_strPath, strTarget, mode)) {
        return false;
    }
    // A whole new file beside the old one, renamed over it: a reader sees one or the other, and
    // of two saves at once one wins whole.
    std::string strTemp = strTarget + ".XXXXXX";
    const int fd = ::mkostemp(strTemp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool bWritten = ::fchmod(fd, mode) == 0 && WriteAll(fd, Serialize()) && ::fsync(fd) == 0;
    const bool bClosed = ::close(fd) == 0;
    if (!bWritten || !bClosed || ::rename(strTemp.c_str(), strTarget.c_str()) != 0) {
        ::unlink(strTemp.c_str());
        return false;
    }
    m_bDirty = false;
    return true;
}

QString ProgramProfileName() {
    const QString strName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return strName.isEmpty() ? QStringLiteral("Velvetfade") : strName;
}
