// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The system-folder redirection a 32-bit build needs on 64-bit Windows, tested in the 64-bit
// build through the platform's WOW64 seam: the 32-bit program cannot be run on every machine
// the tests run on.
#include "platform/system_facts.h"
#include "productinfo/U_OrvoFct.h"
#include "support/U_UnicodeUtils.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace vanto;

namespace {

constexpr int kCsidlSystemFolder = 37;

class ForcedWow64 {
public:
    explicit ForcedWow64(bool wow64) { platform::SetWow64Override(wow64); }
    ~ForcedWow64() { platform::SetWow64Override(std::nullopt); }
    ForcedWow64(const ForcedWow64&) = delete;
    ForcedWow64& operator=(const ForcedWow64&) = delete;
};

}  // namespace

TEST(NativeSystemPath, A32BitProcessOn64BitWindowsReachesTheNativeSystemFolder) {
    const std::string system = GetSpecialFolder(kCsidlSystemFolder);  // "C:\Windows\System32"
#ifdef _WIN32
    ASSERT_FALSE(system.empty());
#else
    // Linux has no system folder, so nothing is ever redirected there.
    ASSERT_TRUE(system.empty());
#endif
    const std::string folder = system.substr(0, system.find_last_of('\\'));  // "C:\Windows"
    struct Case {
        std::string path;
        std::string redirected;  // on Windows, as a WOW64 process
    };
    const Case cases[] = {
        {system + "\\svchost.exe", folder + "\\sysnative\\svchost.exe"},
        {system + "\\drivers\\etc\\hosts", folder + "\\sysnative\\drivers\\etc\\hosts"},
        // Only the first "\system32\" goes, in whatever case it is written.
        {system + "\\System32\\x.dll", folder + "\\sysnative\\System32\\x.dll"},
        // The folder must begin the path exactly as the shell writes it (case-sensitive).
        {"X:" + system.substr(std::min<std::size_t>(2, system.size())) + "\\svchost.exe", ""},
        {folder + "\\SysWOW64\\svchost.exe", ""},
        {"/usr/bin/ssh", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        const std::string unchanged = c.path;
        {
            ForcedWow64 wow64(true);
            const bool redirects = !system.empty() && !c.redirected.empty();
            EXPECT_EQ(ToNativeSystemPath(c.path), redirects ? c.redirected : unchanged) << c.path;
        }
        ForcedWow64 native(false);
        EXPECT_EQ(ToNativeSystemPath(c.path), unchanged) << "a native process: " << c.path;
    }
    EXPECT_FALSE(platform::IsWow64() && sizeof(void*) == 8) << "the seam is lifted again";
}
