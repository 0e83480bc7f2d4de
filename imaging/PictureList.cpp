#include "imaging/PictureList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "imaging/SurfaceLimits.h"

namespace {

char Lower(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool HasSuffix(std::string_view name, const std::vector<std::string>& suffixes) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return false;
    }
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(), Lower);
    return std::find(suffixes.begin(), suffixes.end(), extension) != suffixes.end();
}

// The picture files directly in a folder, sorted; at most MAX_FOLDER_PICTURES of them.
std::vector<std::string> PicturesIn(const std::filesystem::path& folder,
                                    const std::vector<std::string>& suffixes) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.' || !HasSuffix(name, suffixes)) {
            continue;
        }
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {  // follows links; a dangling one is no file
            continue;
        }
        names.push_back(name);
        if (names.size() >= MAX_FOLDER_PICTURES) {
            break;
        }
    }
    std::sort(names.begin(), names.end(), NameSortsBefore);
    std::string base = folder.string();
    if (base.back() != '/') {
        base += '/';
    }
    for (std::string& name : names) {
        name.insert(0, base);
    }
    return names;
}

}  // namespace

bool NameSortsBefore(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Compare the runs' values: without leading zeros, the longer run is the larger.
            size_t iEnd = i, jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd]))
                ++iEnd;
            while (jEnd < b.size() && IsDigit(b[jEnd]))
                ++jEnd;
            size_t iStart = i, jStart = j;
            while (iStart + 1 < iEnd && a[iStart] == '0')
                ++iStart;
            while (jStart + 1 < jEnd && b[jStart] == '0')
                ++jStart;
            const std::string_view runA = a.substr(iStart, iEnd - iStart);
            const std::string_view runB = b.substr(jStart, jEnd - jStart);
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size();
            }
            if (runA != runB) {
                return runA < runB;
            }
            i = iEnd;
            j = jEnd;
            continue;
        }
        const char ca = Lower(a[i]), cb = Lower(b[j]);
        if (ca != cb) {
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return j < b.size();  // the one that ended first comes first
    }
    return a < b;
}

std::vector<PictureEntry> ExpandPictureList(const std::vector<std::string>& entries,
                                            const std::vector<std::string>& suffixes) {
    std::vector<PictureEntry> pictures;
    pictures.reserve(entries.size());
    for (const std::string& entry : entries) {
        std::error_code error;
        if (entry.empty() || !std::filesystem::is_directory(entry, error)) {
            pictures.push_back({entry, false});
            continue;
        }
        for (std::string& path : PicturesIn(entry, suffixes)) {
            pictures.push_back({std::move(path), true});
        }
    }
    return pictures;
}
