#include "platform/handle_win32.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace kadrel::platform {

namespace {

/// Ticks of 100 ns between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochTicks = 116444736000000000LL;

/// The system codes a file operation meets and the error numbers callers test for.
constexpr std::pair<DWORD, int> kErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},        {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},          {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},         {ERROR_DIRECTORY, ENOTDIR},
    {ERROR_ACCESS_DENIED, EACCES},         {ERROR_SHARING_VIOLATION, EACCES},
    {ERROR_LOCK_VIOLATION, EWOULDBLOCK},   {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},        {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},      {ERROR_WRITE_PROTECT, EROFS},
    {ERROR_NOT_SAME_DEVICE, EXDEV},        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},           {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_FILE_TOO_LARGE, EFBIG},         {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_NOT_SUPPORTED, ENOSYS},         {ERROR_INVALID_FUNCTION, ENOSYS},
    {ERROR_BUFFER_OVERFLOW, ENAMETOOLONG}, {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_OPERATION_ABORTED, EINTR},      {ERROR_HANDLE_EOF, 0},
    {ERROR_INVALID_HANDLE, EBADF},
};

}  // namespace

void Handle::reset(HANDLE h) {
    if (valid())
        CloseHandle(h_);
    h_ = h;
}

bool toWide(std::string_view utf8, std::wstring& out) {
    out.clear();
    if (utf8.empty())
        return true;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                               out.data(), n) == n;
}

bool fromWide(std::wstring_view wide, std::string& out) {
    out.clear();
    if (wide.empty())
        return true;
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(),
                                      static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    out.resize(static_cast<size_t>(n));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                               out.data(), n, nullptr, nullptr) == n;
}

size_t rootLength(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
    if (path.size() < 2 || !isSeparator(path[0]) || !isSeparator(path[1]))
        return path.empty() || !isSeparator(path[0]) ? 0 : 1;
    // "\\server\share\": the share belongs to the root, as a drive letter does.
    size_t at = 2;
    for (int part = 0; part < 2 && at < path.size(); ++part) {
        while (at < path.size() && !isSeparator(path[at]))
            ++at;
        if (at < path.size())
            ++at;
    }
    return at;
}

int errorFromSystem(DWORD code) {
    for (const auto& [system, number] : kErrors)
        if (system == code)
            return number;
    return code == ERROR_SUCCESS ? 0 : EIO;
}

int lastError() {
    return errorFromSystem(GetLastError());
}

int pathError(const std::string& path, int e) {
    if (e != ENOENT)
        return e;
    const size_t root = rootLength(path);
    size_t end = path.size();
    while (end > root && isSeparator(path[end - 1]))
        --end;
    // The nearest folder above path that exists tells: a file there is what ENOTDIR names.
    for (size_t at = end; at > root;) {
        while (at > root && !isSeparator(path[at - 1]))
            --at;
        while (at > root && isSeparator(path[at - 1]))
            --at;
        std::wstring wide;
        if (at <= root || !toWide(path.substr(0, at), wide))
            return e;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return attributes & FILE_ATTRIBUTE_DIRECTORY ? e : ENOTDIR;
    }
    return e;
}

DWORD systemCodeOf(int error) {
    for (const auto& [system, number] : kErrors)
        if (number == error && error != 0)
            return system;
    return 0;
}

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (n > 0 && !fromWide(std::wstring_view(text, n), out))
        out.clear();
    LocalFree(text);
    // The texts end in a period and a line end; ours follow a colon inside a sentence.
    while (!out.empty() &&
           (out.back() == '\r' || out.back() == '\n' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

int openHandle(const std::string& path, DWORD access, DWORD disposition, DWORD flags, Handle& out) {
    std::wstring wide;
    if (!toWide(path, wide))
        return EINVAL;
    out.reset(CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, disposition, flags, nullptr));
    return out.valid() ? 0 : pathError(path, lastError());
}

int openKeepingAccessTime(const std::string& path, DWORD flags, Handle& out) {
    int e = openHandle(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, flags, out);
    if (e == EACCES || e == EROFS)
        return openHandle(path, GENERIC_READ, OPEN_EXISTING, flags, out);
    if (e != 0)
        return e;
    const FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
    SetFileTime(out.get(), nullptr, &keep, nullptr);
    return 0;
}

int readFully(HANDLE h, char* buffer, size_t size, int64_t offset, size_t& done) {
    for (done = 0; done < size;) {
        OVERLAPPED at{};
        const uint64_t where = static_cast<uint64_t>(offset) + done;
        at.Offset = static_cast<DWORD>(where);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        DWORD n = 0;
        if (!ReadFile(h, buffer + done, want, &n, &at))
            return GetLastError() == ERROR_HANDLE_EOF ? 0 : lastError();
        if (n == 0)
            break;
        done += n;
    }
    return 0;
}

int writeAll(HANDLE h, std::string_view data, int64_t offset) {
    for (size_t written = 0; written < data.size();) {
        OVERLAPPED at{};
        const uint64_t where = static_cast<uint64_t>(offset) + written;
        at.Offset = static_cast<DWORD>(where);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - written, 1u << 30));
        DWORD n = 0;
        if (!WriteFile(h, data.data() + written, want, &n, &at))
            return lastError();
        if (n == 0)
            return EIO;
        written += n;
    }
    return 0;
}

FileId fileId(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return {};
    return {info.dwVolumeSerialNumber,
            (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
            nanosecondsOf(info.ftLastWriteTime)};
}

int64_t nanosecondsOf(const FILETIME& time) {
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (ticks - kEpochTicks) * 100;
}

FILETIME fileTimeOf(int64_t nanoseconds) {
    const uint64_t ticks = static_cast<uint64_t>(nanoseconds / 100 + kEpochTicks);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace kadrel::platform
