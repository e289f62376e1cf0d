#include "support/temp_dir.h"

#include <stdlib.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/file_system.h"

namespace kadrel::test {

TempDir::TempDir() {
    std::string name = (std::filesystem::temp_directory_path() / "kadrel-test-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), name);
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only entries behind; make them removable first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& contents) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << contents;
    return p.string();
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

ZoneForTest::ZoneForTest(const char* zone) {
    if (const char* now = ::getenv("TZ"))
        before_ = now;
    ::setenv("TZ", zone, 1);
    ::tzset();
}

ZoneForTest::~ZoneForTest() {
    if (before_)
        ::setenv("TZ", before_->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

std::optional<bool> readOnlyAttribute(const std::string& path) {
    uint32_t attributes = 0;
    if (platform::getAttributes(path, attributes) != 0)
        return std::nullopt;
    return (attributes & platform::kAttrReadOnly) != 0;
}

}  // namespace kadrel::test
