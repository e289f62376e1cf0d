#include "platform/profile.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "platform/platform_fixtures.h"
#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

using namespace kadrel::test;

TEST_F(Profile, FindsKeysLikeTheWindowsProfileCalls) {
    // what, file, key in section S, value found
    const std::tuple<const char*, std::string, const char*, std::optional<std::string>> cases[] = {
        {"names without regard to case", "[s]\r\nK=mod\r\n", "k", "mod"},
        {"blanks trimmed", "  [ S ]  \r\n \t k \t=  a b \t\r\n", "k", "a b"},
        {"first duplicate key wins", "[S]\r\nk=1\r\nk=2\r\n", "k", "1"},
        {"second section of the same name", "[S]\r\na=1\r\n[T]\r\nk=t\r\n[s]\r\nk=2\r\n", "k", "2"},
        {"LF line ends", "[S]\nk=1\nj=2\n", "j", "2"},
        {"CR-only line ends", "[S]\rk=1\rj=2\r", "j", "2"},
        {"missing final line end", "[S]\r\nk=last", "k", "last"},
        {"key of another section", "[A]\r\nk=1\r\n[S]\r\n", "k", std::nullopt},
        {"no sections", "k=1\r\nj=2\r\n", "k", std::nullopt},
        {"commented-out key", "[S]\r\n; k=1\r\n", "k", std::nullopt},
        {"value holding = and ;", "[S]\r\nk=a=b ;c\r\n", "k", "a=b ;c"},
        {"byte-order mark", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "k", "1"},
        {"header without ]", "[S]\r\n[T\r\nk=1\r\n", "k", "1"},
        {"NUL inside a value", std::string("[S]\r\nk=a\0b\r\n", 11), "k", std::string("a\0b", 3)},
    };
    for (const auto& [what, contents, key, expected] : cases)
        EXPECT_EQ(valueOf(dir.write("case.ini", contents), "S", key), expected) << what;
    std::string value;
    EXPECT_EQ(readProfileString(dir.file("case.ini"), "S", "absent", value), ENOENT);
    EXPECT_EQ(readProfileString(dir.file("none.ini"), "S", "k", value), ENOENT);
}

TEST_F(Profile, ChangesOnlyTheKeyWritten) {
    // what, file before, section, key, value, file after
    const std::tuple<const char*, std::string, const char*, const char*, const char*, std::string> cases[] = {
        {"replaced where it stands", "; top\r\n[S]\r\n  K = old  \r\nother=1\r\n\r\n[T]\r\nk=t\r\n", "s", "k",
         "new", "; top\r\n[S]\r\nK=new\r\nother=1\r\n\r\n[T]\r\nk=t\r\n"},
        {"added after the section's last key", "[S]\r\na=1\r\n\r\n; about T\r\n[T]\r\n", "S", "b", "2",
         "[S]\r\na=1\r\nb=2\r\n\r\n; about T\r\n[T]\r\n"},
        {"added under a header without keys", "[S]\r\n\r\n[T]\r\n", "S", "b", "2",
         "[S]\r\nb=2\r\n\r\n[T]\r\n"},
        {"missing final line end", "[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"missing final line end, new section", "[S]\r\na=1", "T", "b", "", "[S]\r\na=1\r\n[T]\r\nb=\r\n"},
        {"LF file stays LF", "[S]\na=1\n[T]\n", "S", "b", "2", "[S]\na=1\nb=2\n[T]\n"},
        {"CR file replaced", "[S]\ra=1\r[T]\r", "S", "a", "9", "[S]\ra=9\r[T]\r"},
        {"CR file added", "[S]\ra=1\r[T]\rx=1", "T", "b", "2", "[S]\ra=1\r[T]\rx=1\rb=2\r"},
        {"only the first duplicate", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nk=3\r\nk=2\r\n"},
        {"keys before any section kept", "k=0\r\n", "S", "k", "1", "k=0\r\n[S]\r\nk=1\r\n"},
        {"empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
    };
    for (const auto& [what, before, section, key, value, after] : cases) {
        const std::string file = dir.write("case.ini", before);
        EXPECT_EQ(writeProfileString(file, section, key, value), 0) << what;
        EXPECT_EQ(readAll(file), after) << what;
    }
}

}  // namespace
}  // namespace kadrel::platform
