// What the POSIX file modules share: a descriptor that closes itself, the identity of an
// examined file, and reads and writes that go on after signals and short transfers.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_naming.h"
#include "platform/file_system.h"

namespace kadrel::platform {

/// Closes a descriptor on every path out of a scope.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_;
};

/// The identity of a file that fstat or stat examined.
inline FileId fileId(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

/// The offset that makes readFully and writeAll use the descriptor's own position (with
/// O_APPEND, writes then go to the end of the file).
inline constexpr int64_t kAtPosition = -1;

/// Reads size bytes at offset, going on after signals and short reads, until all are read, the
/// file ends or a read fails; done tells how many arrived either way. Returns 0 or an error
/// number (a file that ends early is no error).
int readFully(int fd, char* buffer, size_t size, int64_t offset, size_t& done);

/// Reads exactly size bytes at offset. Returns 0, an error number, or EIO when the file ends
/// first.
int readExactly(int fd, char* buffer, size_t size, int64_t offset);

/// Reads from the descriptor's position to the end of the file onto out. Returns 0, an error
/// number, or EFBIG, with out left as it was before that read, when out would grow past limit.
int readToEnd(int fd, std::string& out, size_t limit);

/// Writes all of data at offset, going on after signals and short writes. Returns 0 or an error
/// number.
int writeAll(int fd, std::string_view data, int64_t offset = kAtPosition);

}  // namespace kadrel::platform
