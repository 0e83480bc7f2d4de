#pragma once

// What every fuzz target shares: the input as a file (an in-memory one, so nothing touches the
// disk) and a full read of whatever was loaded, so that the sanitizers see any size that does
// not match its buffer.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include <functional>

#include "imaging/PictureFile.h"

namespace fuzzing {

// The bytes as a regular file, named by a path the loaders open like any other.
class MemoryFile {
public:
    MemoryFile(const uint8_t* data, size_t size) {
        m_fd = memfd_create("velvetfade-fuzz", MFD_CLOEXEC);
        if (m_fd >= 0 && size > 0 && write(m_fd, data, size) != static_cast<ssize_t>(size)) {
            close(m_fd);
            m_fd = -1;
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemoryFile() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    bool IsOpen() const { return m_fd >= 0; }
    const char* Path() const { return m_path.c_str(); }

private:
    int m_fd = -1;
    std::string m_path;
};

// Reads the first, middle and last row whole (a buffer shorter than the header says would
// show there), and draws the picture the way the show does.
inline void Exercise(DibSurface& surface) {
    if (!surface.HasBits()) {
        __builtin_trap();  // a successful load always leaves pixels
    }
    const int stride = surface.GetRowStride();
    const int rows = surface.GetImageSize() / stride;
    unsigned sum = 0;
    for (int row : {0, rows / 2, rows - 1}) {
        for (int i = 0; i < stride; ++i) {
            sum += surface.Bits()[static_cast<size_t>(row) * stride + i];
        }
    }
    DibSurface target = DibSurface::Make(64, 48, 24).value();
    surface.DrawTo(*target.MemDC(), 3, 2);
    surface.StretchDrawTo(*target.MemDC(), 0, 0, 64, 48, true, true);
    asm volatile("" : : "r"(sum));
}

// One input through one loader, as a file, then exercised.
inline int RunLoader(const uint8_t* data, size_t size,
                     const std::function<LoadedPicture(const char*)>& load) {
    MemoryFile file(data, size);
    if (!file.IsOpen()) {
        return 0;
    }
    LoadedPicture loaded = load(file.Path());
    if (loaded.Loaded()) {
        Exercise(loaded.surface);
    }
    return 0;
}

}  // namespace fuzzing
