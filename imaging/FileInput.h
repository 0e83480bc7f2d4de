#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Opening picture files safely: only regular files are read, and opening never blocks, so a
// path naming a directory, a FIFO or a device fails at once.
class InputFile {
public:
    // Opens path for reading; IsOpen() tells whether it worked.
    explicit InputFile(const char* pszPath);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    uint64_t Length() const { return m_length; }

    // Reads up to n bytes; the count read, or -1 with errno set on a read error.
    long long Read(void* pBuffer, size_t n);
    // Reads exactly n bytes; false on a short read or an error (errno 0 for a short read).
    [[nodiscard]] bool ReadExactly(void* pBuffer, size_t n);
    [[nodiscard]] bool Seek(uint64_t offset);

    // Hands the descriptor over (to fdopen); the object no longer closes it.
    int Release();

private:
    int m_fd = -1;
    uint64_t m_length = 0;
};
