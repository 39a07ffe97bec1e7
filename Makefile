# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_GEN := -G Ninja

.PHONY: deps run build test bench cross-check cross-check-32 windows-test windows-qt-configure asan fuzz screenshot package clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset release $(CMAKE_GEN)
	cmake --build --preset release -j $(JOBS)

run: build
	./build/release/vantoscope

test: deps
	cmake --preset release $(CMAKE_GEN)
	cmake --build --preset release -j $(JOBS)
	ctest --preset release

asan: deps
	cmake --preset asan-ubsan $(CMAKE_GEN)
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan

bench: deps
	cmake --preset bench $(CMAKE_GEN)
	cmake --build --preset bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# The Qt-free libraries, their tests and the headless program, built for 64-bit Windows.
cross-check: deps
	cmake --preset cross-windows $(CMAKE_GEN)
	cmake --build --preset cross-windows -j $(JOBS)

# The same for 32-bit Windows: compiled and linked only (these machines cannot run 32-bit programs).
cross-check-32: deps
	cmake --preset cross-windows-32 $(CMAKE_GEN)
	cmake --build --preset cross-windows-32 -j $(JOBS)

# The 64-bit Windows build's test programs run under Wine, in a prefix inside the build folder.
windows-test: cross-check
	bash scripts/windows-test.sh build/cross-windows

# A Windows build with the window configures with Qt found through CMAKE_PREFIX_PATH alone
# (Qt for Windows is not a Debian package: a stand-in that is configured against, never built).
windows-qt-configure: deps
	rm -rf build/windows-qt-configure
	cmake -S . -B build/windows-qt-configure $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_PREFIX_PATH=$(CURDIR)/tests/cmake/qt6-stub

# The main window with live data and the About window, rendered offscreen into docs/.
screenshot: build
	QT_QPA_PLATFORM=offscreen ./build/release/vantoscope_screenshot docs/screenshot.png
	QT_QPA_PLATFORM=offscreen ./build/release/vantoscope_about_screenshot docs/about.png

# Every libFuzzer harness (the parsers of untrusted input) under AddressSanitizer and UBSan,
# VS_FUZZ_SECONDS (8) each, about a minute in all.
fuzz: deps
	cmake --preset fuzz $(CMAKE_GEN)
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_run

# The Debian package (build/release/vantoscope_<version>_amd64.deb), unpacked into a scratch
# root and checked.
package: deps
	cmake --preset release $(CMAKE_GEN)
	cmake --build --preset release -j $(JOBS) --target vantoscope
	cd build/release && rm -f vantoscope_*.deb && cpack -G DEB
	bash scripts/check-package.sh build/release/vantoscope_*.deb

clean:
	rm -rf build
