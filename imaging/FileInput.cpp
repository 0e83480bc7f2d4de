#include "imaging/FileInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

InputFile::InputFile(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return;
    }
    // O_NONBLOCK keeps the open itself from waiting on a FIFO without a writer.
    const int fd = ::open(pszPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    m_fd = fd;
    m_length = static_cast<uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

long long InputFile::Read(void* pBuffer, size_t n) {
    size_t done = 0;
    auto* p = static_cast<uint8_t*>(pBuffer);
    while (done < n) {
        const ssize_t got = ::read(m_fd, p + done, n - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return static_cast<long long>(done);
}

bool InputFile::ReadExactly(void* pBuffer, size_t n) {
    const long long got = Read(pBuffer, n);
    if (got >= 0 && static_cast<size_t>(got) != n) {
        errno = 0;
    }
    return got >= 0 && static_cast<size_t>(got) == n;
}

bool InputFile::Seek(uint64_t offset) {
    return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int InputFile::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}
