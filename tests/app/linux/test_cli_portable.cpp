// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// --portable-status answers as the window decides at start-up: by the uninstall entry's name
// and, where it names one, its install location.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/cli/cli.h"
#include "platform/files.h"
#include "testsupport/registry_fixture.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

std::string Status() {
    std::ostringstream out, err;
    EXPECT_EQ(cli::Main({"--portable-status"}, out, err, {}), 0);
    EXPECT_TRUE(err.str().empty()) << err.str();
    return out.str();
}

TEST(PortableStatus, ByEntryNameAndInstallLocation) {
    const std::string exe = platform::GetExecutablePath();
    const std::string folder = exe.substr(0, exe.rfind('/'));
    ScopedHives hives;
    EXPECT_EQ(Status(), "Portable : Yes\n") << "no entry";
    hives.machine({{std::string(kMachineUninstall) + "Vantoscope", {{"DisplayName", "Ombrevale Vantoscope 1.0"}}, {}}});
    EXPECT_EQ(Status(), "Portable : No\n") << "an entry without a location";
    hives.machine({{std::string(kMachineUninstall) + "Vantoscope",
                    {{"DisplayName", "Ombrevale Vantoscope 1.0"}, {"InstallLocation", folder}},
                    {}}});
    EXPECT_EQ(Status(), "Portable : No\n") << "this copy is the installed one";
    hives.machine({{std::string(kMachineUninstall) + "Vantoscope",
                    {{"DisplayName", "Ombrevale Vantoscope 1.0"}, {"InstallLocation", "/usr/bin"}},
                    {}}});
    EXPECT_EQ(Status(), "Portable : Yes\n") << "installed elsewhere";
}

TEST(PortableStatus, TakesNoOtherArgument) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--portable-status", "--list"}, {"--portable-status", "x"}, {"--format", "csv", "--portable-status"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(cli::Main(args, out, err, {}), 2) << args[1];
        EXPECT_TRUE(out.str().empty());
    }
}

}  // namespace
