# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
.PHONY: deps deps-cross deps-fuzz run build test bench cross-check cross-check-32 windows-test windows-qt-configure windows-gui windows-qt-test windows-screenshot windows-installer windows-zip windows-install-test asan fuzz screenshot package clean

# What each target installs first: the native set for the native build and its tests, the
# cross-compilers and Wine only for the Windows targets, clang only for the fuzzers.
deps:
	@bash scripts/install-deps.sh native

deps-cross:
	@bash scripts/install-deps.sh cross

deps-fuzz:
	@bash scripts/install-deps.sh fuzz

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

run: build
	./build/release/vantoscope

test: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	ctest --preset release

asan: deps
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan

bench: deps
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# The Qt-free libraries, their tests and the headless program, built for 64-bit Windows.
cross-check: deps-cross
	cmake --preset cross-windows
	cmake --build --preset cross-windows -j $(JOBS)

# The same for 32-bit Windows: compiled and linked only (these machines cannot run 32-bit programs).
cross-check-32: deps-cross
	cmake --preset cross-windows-32
	cmake --build --preset cross-windows-32 -j $(JOBS)

# The 64-bit Windows build's test programs run under Wine, in a prefix inside the build folder:
# the headless build's, then the Qt test programs of the build with the window (windows-gui).
windows-test: cross-check windows-gui
	bash scripts/windows-test.sh build/cross-windows
	$(WINDOWS_QT_TESTS)

# A Windows build with the window configures with Qt found through CMAKE_PREFIX_PATH alone
# (Qt for Windows is not a Debian package: a stand-in that is configured against, never built).
windows-qt-configure: deps-cross
	rm -rf build/windows-qt-configure
	cmake -S . -B build/windows-qt-configure -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_PREFIX_PATH=$(CURDIR)/tests/cmake/qt6-stub

# The whole program with its window for 64-bit Windows, against a Qt for Windows built once from
# Debian's source into ~/.cache/vantoscope (see scripts/build-qt-windows.sh), gathered with its
# DLLs and plugins into build/windows-gui/Vantoscope. Pictures are drawn by the host's Qt.
WINDOWS_FOLDER := build/windows-gui/Vantoscope
windows-gui:
	@bash scripts/install-deps.sh windows-gui
	@qt=$$(nice -n 19 bash scripts/build-qt-windows.sh) && \
	  cmake --preset release >/dev/null && \
	  cmake --build --preset release -j $(JOBS) --target render_pictures grab_screen && \
	  VS_QT_WINDOWS="$$qt" cmake --preset windows-gui && \
	  cmake --build --preset windows-gui -j $(JOBS) && \
	  bash scripts/windows-folder.sh build/windows-gui "$$qt" $(WINDOWS_FOLDER)

# The Qt test programs of that build under Wine, with the runnable folder's DLLs and plugins
# beside them and Qt's Windows platform plugin on a private Xvfb display, each bounded in time.
define WINDOWS_QT_TESTS
@for d in build/windows-gui build/windows-gui/tests/qt; do \
  cp -r $(WINDOWS_FOLDER)/*.dll $(WINDOWS_FOLDER)/platforms $(WINDOWS_FOLDER)/styles \
    $(WINDOWS_FOLDER)/tls $(WINDOWS_FOLDER)/qt.conf $$d/; done
VS_WINE_TEST_FILTER='^qt_' VS_WINE_DISPLAY=1 bash scripts/windows-test.sh build/windows-gui
endef
windows-qt-test: windows-gui
	$(WINDOWS_QT_TESTS)

# The installer for 64-bit Windows, made with NSIS from that folder:
# build/windows-gui/Vantoscope-<version>-x64-setup.exe.
windows-installer: windows-gui
	bash scripts/windows-package.sh installer $(WINDOWS_FOLDER) build/windows-gui

# The same folder as a portable zip: build/windows-gui/Vantoscope-<version>-x64-portable.zip.
windows-zip: windows-gui
	bash scripts/windows-package.sh zip $(WINDOWS_FOLDER) build/windows-gui

# Both under Wine in a fresh prefix: install over an earlier version, the uninstall entry, the
# installed program's table, installed against portable, a silent uninstall.
windows-install-test: windows-installer windows-zip
	bash scripts/windows-install-test.sh build/windows-gui $(WINDOWS_FOLDER)

# vantoscope.exe itself under Wine (Windows 10) on a private X display, with live connections:
# docs/screenshot-windows.png and docs/about-windows.png.
windows-screenshot: windows-gui
	bash scripts/windows-screenshot.sh $(WINDOWS_FOLDER) docs

# The main window with live data and the About window, rendered offscreen into docs/.
screenshot: build
	QT_QPA_PLATFORM=offscreen ./build/release/vantoscope_screenshot docs/screenshot.png
	QT_QPA_PLATFORM=offscreen ./build/release/vantoscope_about_screenshot docs/about.png

# Every libFuzzer harness (the parsers of untrusted input) under AddressSanitizer and UBSan,
# VS_FUZZ_SECONDS (8) each, about a minute in all.
fuzz: deps-fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_run

# The Debian package (build/release/vantoscope_<version>_amd64.deb), unpacked into a scratch
# root and checked: its files, the dependency, the AppStream metadata, lintian.
package: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target vantoscope vs_package_files
	cd build/release && rm -f vantoscope_*.deb && cpack -G DEB
	bash scripts/check-package.sh build/release/vantoscope_*.deb

clean:
	rm -rf build
