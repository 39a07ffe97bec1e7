# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_GEN := -G Ninja

.PHONY: deps run build test bench cross-check asan fuzz screenshot clean

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

# The main window with live data and the About window, rendered offscreen into docs/.
screenshot: build
	QT_QPA_PLATFORM=offscreen ./build/release/vantoscope_screenshot docs/screenshot.png
	QT_QPA_PLATFORM=offscreen ./build/release/vantoscope_about_screenshot docs/about.png

# Every libFuzzer harness (the parsers of untrusted input) under AddressSanitizer and UBSan,
# VS_FUZZ_SECONDS (8) each, about a minute in all.
fuzz: deps
	cmake --preset fuzz $(CMAKE_GEN)
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_run

clean:
	rm -rf build
