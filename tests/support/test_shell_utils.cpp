// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/shell_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanto {
namespace {

using platform::ShellRequest;

// Captures what would be opened and answers with `answer`; restores the previous hook.
class CapturedShell {
public:
    explicit CapturedShell(bool answer) {
        previous_ = platform::SetShellOpenHook([this, answer](const ShellRequest& r) {
            requests.push_back(r);
            return answer;
        });
    }
    ~CapturedShell() { platform::SetShellOpenHook(previous_); }
    CapturedShell(const CapturedShell&) = delete;
    CapturedShell& operator=(const CapturedShell&) = delete;

    std::vector<ShellRequest> requests;

private:
    platform::ShellOpenHook previous_;
};

TEST(ShellOpen, PassesTheAddressUntouchedWithNullVerbAndParameters) {
    CapturedShell shell(true);
    const std::string url = "https://whois.example/?query=93.184.216.34&x=%20 y";
    EXPECT_TRUE(ShellOpen(url));
    ASSERT_EQ(shell.requests.size(), 1U);
    const ShellRequest& r = shell.requests[0];
    EXPECT_EQ(r.call, ShellRequest::Call::Execute);
    EXPECT_EQ(r.file, url);
    EXPECT_FALSE(r.verb.has_value());
    EXPECT_FALSE(r.parameters.has_value());
    EXPECT_EQ(r.owner, 0U);
    EXPECT_EQ(r.directory, "");
    EXPECT_EQ(r.show_command, 1);
}

TEST(ShellOpen, ForwardsVerbParametersAndTheShellsAnswer) {
    CapturedShell shell(false);
    EXPECT_FALSE(ShellOpen("/var/log/app.log", std::string("-n"), std::string("edit"), 3));
    ASSERT_EQ(shell.requests.size(), 1U);
    const ShellRequest& r = shell.requests[0];
    EXPECT_EQ(r.file, "/var/log/app.log");
    EXPECT_EQ(r.parameters, std::optional<std::string>("-n"));
    EXPECT_EQ(r.verb, std::optional<std::string>("edit"));
    EXPECT_EQ(r.show_command, 3);
}

TEST(ShellOpenWnd, PassesEmptyTextsAsEmptyStringsWithTheOwner) {
    CapturedShell shell(true);
    EXPECT_TRUE(ShellOpenWnd(0x5a5a, "", "https://vendor.example/changelog", "", "", 1));
    ASSERT_EQ(shell.requests.size(), 1U);
    const ShellRequest& r = shell.requests[0];
    EXPECT_EQ(r.call, ShellRequest::Call::ExecuteWithOwner);
    EXPECT_EQ(r.owner, 0x5a5aU);
    ASSERT_TRUE(r.verb.has_value());
    EXPECT_EQ(*r.verb, "");
    ASSERT_TRUE(r.parameters.has_value());
    EXPECT_EQ(*r.parameters, "");
    EXPECT_EQ(r.file, "https://vendor.example/changelog");
    EXPECT_EQ(r.show_command, 1);
}

TEST(ShellOpenHook, InstallingReturnsThePreviousHook) {
    int calls = 0;
    platform::ShellOpenHook first = [&calls](const ShellRequest&) {
        ++calls;
        return true;
    };
    const platform::ShellOpenHook before = platform::SetShellOpenHook(first);
    const platform::ShellOpenHook returned = platform::SetShellOpenHook(before);
    ASSERT_TRUE(returned);
    EXPECT_TRUE(returned(ShellRequest{}));
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vanto
