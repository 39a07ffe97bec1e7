// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A process for tests to start from any folder: it reads its standard input until that
// closes, then ends. The test holds the other end, so the child never outlives it.
#include <cstdio>

int main() {
    while (std::getchar() != EOF) {
    }
    return 0;
}
