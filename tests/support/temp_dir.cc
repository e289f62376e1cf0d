#include "support/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "platform/file_system.h"
#include "support/time_zone.h"

namespace kadrel::test {

TempDir::TempDir() {
    // A name no other folder has: create_directory fails (false) where one exists already.
    std::random_device seed;
    std::mt19937_64 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (int tries = 0; tries < 100; ++tries) {
        path_ = base / ("kadrel-test-" + std::to_string(random() % 1000000000));
        if (std::filesystem::create_directory(path_))
            return;
    }
    throw std::system_error(EEXIST, std::generic_category(), path_.string());
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
    if (const char* now = std::getenv("TZ"))
        before_ = now;
    setTimeZone(zone);
}

ZoneForTest::~ZoneForTest() {
    setTimeZone(before_ ? before_->c_str() : nullptr);
}

std::optional<bool> readOnlyAttribute(const std::string& path) {
    uint32_t attributes = 0;
    if (platform::getAttributes(path, attributes) != 0)
        return std::nullopt;
    return (attributes & platform::kAttrReadOnly) != 0;
}

}  // namespace kadrel::test
