# The two commands of the README, and the steps they are made of.
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
# Compiler results are shared between checkouts in other folders (a clean clone in CI reuses what
# a developer's build compiled): paths below this folder are hashed relative to it.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := true

.PHONY: run test deps build build-asan test-main test-asan fuzz format clean install package

run: deps build
	./build/bin/sonthra

test: deps build build-asan
	@$(MAKE) --no-print-directory test-main test-asan

deps:
	@scripts/install-deps

build:
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null
	@cmake --build build -j $(JOBS)

# The plain C++ libraries again, with clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# together with the fuzz targets.
build-asan:
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DSONTHRA_WITH_QT=OFF \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build build-asan -j $(JOBS)

test-main:
	@scripts/run-tests build --output-on-failure -j $(JOBS)

test-asan:
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    scripts/run-tests build-asan --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS (default 600) each, growing its minimized corpus in
# tests/<folder>/fuzz/corpus/<target>/, which the tests of build-asan replay.
fuzz: deps build-asan
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),600) scripts/fuzz build-asan

# Installs into PREFIX (default /usr/local; DESTDIR is honoured): the programs and the libraries
# they load in PREFIX/lib/sonthra, links in PREFIX/bin, resources, desktop entry, icons, metadata,
# manual pages and shell completion.
PREFIX ?= /usr/local
install: deps build
	@cmake --install build --prefix $(PREFIX)

# A Debian package of the same files under /usr, in build/ (sonthra_VERSION_ARCH.deb).
package: deps build
	@cd build && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/build/sonthra_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan
