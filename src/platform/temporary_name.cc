#include "platform/temporary_name.h"

namespace kadrel::platform {

namespace {

constexpr char kTempPrefix[] = ".kadrel-";
constexpr char kTempSuffix[] = ".part";

}  // namespace

std::string temporaryName(const std::string& folder, unsigned long process, unsigned number) {
    return folder + kTempPrefix + std::to_string(process) + "-" + std::to_string(number) + kTempSuffix;
}

bool isTemporaryName(const std::string& name) {
    const std::string prefix = kTempPrefix, suffix = kTempSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const size_t dash = middle.find('-');
    const auto digits = [](const std::string& t) {
        return !t.empty() && t.size() < 10 && t.find_first_not_of("0123456789") == std::string::npos;
    };
    return dash != std::string::npos && digits(middle.substr(0, dash)) && digits(middle.substr(dash + 1));
}

}  // namespace kadrel::platform
