# make run   builds everything and runs Keelson on the demo game folder
# make test  builds everything and runs every test, then the core tests again
#            under AddressSanitizer and UndefinedBehaviorSanitizer, then each
#            fuzz target for 30 seconds, then the Windows build with every test
#            under Wine, the desktop program and its installer run under Wine
#            (make test-windows)
# make fuzz FUZZ_SECONDS=N   runs each fuzz target for N seconds
# make deb   builds the Debian package build/ci/keelson_1.0_amd64.deb
# make windows-package   builds build/windows/keelson-1.0-win64.zip and
#            keelson-1.0-win64-setup.exe (the first time also the Qt kit for
#            Windows, about half an hour)

.PHONY: all deps build test test-fast asan fuzz test-windows windows-package build-windows-32 run bench screenshots deb windows-check format clean

DEMO := $(CURDIR)/demo
RUNDIR := $(CURDIR)/build/run

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset ci >/dev/null
	cmake --build --preset ci

FUZZ_SECONDS ?= 30

test: build
	ctest --preset ci
	$(MAKE) asan
	$(MAKE) fuzz FUZZ_SECONDS=30
	$(MAKE) test-windows

test-fast: build
	ctest --preset ci

asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	ctest --preset asan

# The libFuzzer targets of fuzz/, built with clang, each run for FUZZ_SECONDS.
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz --target fuzz_user_ini fuzz_system_ini fuzz_bot_library \
	    fuzz_preset fuzz_values_file fuzz_numbers fuzz_package_file
	scripts/run-fuzz $(FUZZ_SECONDS)

run: build
	@scripts/run-demo

bench: build
	build/ci/bench/keelson-bench
	[ ! -x build/ci/bench/keelson-window-bench ] || build/ci/bench/keelson-window-bench

# A picture of every window, taken under Xvfb, in build/screenshots.
screenshots: build
	scripts/screenshots

# Keelson built for 64-bit Windows with MinGW-w64 against a Qt kit built from
# Debian's source (cached outside the build folder), every test run under
# Wine; the packages made, the desktop program and the installer run under
# Wine; then the 32-bit build of the core and keelson-cli, which must build.
test-windows: deps
	scripts/test-windows
	scripts/windows-package
	scripts/windows-desktop-check
	$(MAKE) build-windows-32

windows-package: deps
	scripts/windows-package

build-windows-32: deps
	cmake --preset windows-cross-32 >/dev/null
	cmake --build --preset windows-cross-32

# The Debian package, with its library dependencies declared.
deb: build
	cd build/ci && cpack -G DEB

# The Windows keelson-cli.exe run under Wine on a copy of the demo game folder.
windows-check:
	scripts/windows-check

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
