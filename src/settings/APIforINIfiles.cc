#include "settings/APIforINIfiles.h"

#include "platform/profile.h"

namespace kadrel {

std::string ReadIniKey(const std::string& file, const std::string& section, const std::string& key) {
    std::optional<std::string> value = platform::readProfileString(file, section, key);
    if (!value)
        return {};
    std::string& text = *value;
    if (text.size() > kIniBufferSize - 1)
        text.resize(kIniBufferSize - 1);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

bool WriteIniKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    return platform::writeProfileString(file, section, key, value);
}

}  // namespace kadrel
