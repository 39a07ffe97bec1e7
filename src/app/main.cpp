// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Program entry: hands the arguments to the testable entry function.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // The window arrives with the Qt front; until then every start prints the table.
    return vanto::cli::Main(args, std::cout, std::cerr, {});
}
