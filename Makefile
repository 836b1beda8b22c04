# make run   builds everything and runs Keelson on the demo game folder
# make test  builds everything and runs every test, then the core tests again
#            under AddressSanitizer and UndefinedBehaviorSanitizer
# make deb   builds the Debian package build/ci/keelson_1.0_amd64.deb

.PHONY: all deps build test test-fast asan run bench screenshots deb windows-check format clean

DEMO := $(CURDIR)/demo
RUNDIR := $(CURDIR)/build/run

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset ci >/dev/null
	cmake --build --preset ci

test: build
	ctest --preset ci
	$(MAKE) asan

test-fast: build
	ctest --preset ci

asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	ctest --preset asan

run: build
	@scripts/run-demo

bench: build
	build/ci/bench/keelson-bench
	[ ! -x build/ci/bench/keelson-window-bench ] || build/ci/bench/keelson-window-bench

# A picture of every window, taken under Xvfb, in build/screenshots.
screenshots: build
	scripts/screenshots

# The Debian package, with its library dependencies declared.
deb: build
	cd build/ci && cpack -G DEB

# The Windows build of the core and keelson-cli, run under Wine.
windows-check:
	scripts/windows-check

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
