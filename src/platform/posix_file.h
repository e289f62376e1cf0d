// What the POSIX file modules share: a descriptor that closes itself and the identity of an
// examined file.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

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
inline FileId idOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

/// Writes all of data at the descriptor's position, going on after signals and short writes.
/// Returns 0 or an error number.
inline int writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

/// Renames from to to without ever clobbering a file unless replace is set, also where the
/// file system has neither a no-replace rename nor hard links (FUSE exFAT, some FAT drivers).
/// Returns 0 or an error number; EEXIST when a file holds the name.
int renameInto(const std::string& from, const std::string& to, bool replace);

}  // namespace kadrel::platform
