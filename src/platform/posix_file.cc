#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

ssize_t readOnce(int fd, char* buffer, size_t size, int64_t offset) {
    return offset == kAtPosition ? ::read(fd, buffer, size) : ::pread(fd, buffer, size, offset);
}

}  // namespace

int readFully(int fd, char* buffer, size_t size, int64_t offset, size_t& done) {
    for (done = 0; done < size;) {
        const int64_t at = offset == kAtPosition ? kAtPosition : offset + static_cast<int64_t>(done);
        const ssize_t n = readOnce(fd, buffer + done, size - done, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return 0;
}

int readExactly(int fd, char* buffer, size_t size, int64_t offset) {
    size_t done = 0;
    const int e = readFully(fd, buffer, size, offset, done);
    return e != 0 ? e : done < size ? EIO : 0;
}

int readToEnd(int fd, std::string& out, size_t limit) {
    char buffer[64 * 1024];
    for (;;) {
        size_t n = 0;
        if (const int e = readFully(fd, buffer, sizeof buffer, kAtPosition, n))
            return e;
        if (out.size() + n > limit)
            return EFBIG;
        out.append(buffer, n);
        if (n < sizeof buffer)
            return 0;
    }
}

int writeAll(int fd, std::string_view data, int64_t offset) {
    for (size_t written = 0; written < data.size();) {
        const char* from = data.data() + written;
        const size_t left = data.size() - written;
        const ssize_t n = offset == kAtPosition
                              ? ::write(fd, from, left)
                              : ::pwrite(fd, from, left, offset + static_cast<int64_t>(written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        written += static_cast<size_t>(n);
    }
    return 0;
}

int removeNamedFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace kadrel::platform
