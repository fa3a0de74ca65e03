# Krel: the two commands that matter are `make run` and `make test`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE_DIR := build/release
TEST_DIR := build/asan
ARGS ?=
# `make install` puts the game under PREFIX (below DESTDIR when that is set,
# for packaging). krel is built knowing PREFIX, to find its data there.
PREFIX ?= /usr/local
DESTDIR ?=
# What install builds first; the install test sets it empty to install a
# build that already exists, as it is.
INSTALL_BUILD ?= release
# CMake's generated makefiles call make recursively; without this every step
# prints "Entering directory" lines.
MAKEFLAGS += --no-print-directory

.PHONY: all deps release run test server bench recordings install uninstall clean

all: release

deps:
	@bash scripts/install-deps.sh

# Configuring every time is cheap and heals a half-finished earlier configure.
# The programs only; the benchmarks build with `make bench`.
release: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DKREL_TESTS=OFF -DKREL_BENCH=OFF \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) > /dev/null
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# Programs to PREFIX/bin, arms.dat and level.bmp to PREFIX/share/krel, the
# desktop entry, icons, man pages and krelServer@.service (see README.md).
install: $(INSTALL_BUILD)
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR)

# Removes what the last install wrote (give the same DESTDIR).
uninstall:
	DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(RELEASE_DIR)/install_manifest.txt -P cmake/uninstall.cmake

# Starts the game with the shipped level and weapon file beside it.
# `make run ARGS=--window` (or ARGS=/window) runs it in a window instead of full screen.
run: release
	cd $(RELEASE_DIR) && ./krel $(ARGS)

# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then every test.
test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DKREL_SANITIZE=ON > /dev/null
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The relay server; it announces itself only where --announce-to says.
server: release
	@[ -x $(RELEASE_DIR)/krelServer ] || { echo "krelServer is not part of the build yet (see \"What exists so far\" in README.md)"; exit 1; }
	cd $(RELEASE_DIR) && ./krelServer $(ARGS)

bench: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DKREL_TESTS=OFF -DKREL_BENCH=ON \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) > /dev/null
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	cd $(RELEASE_DIR) && for b in bench/krel_bench*; do [ -x "$$b" ] && "$$b"; done

# The expected results of the recorded games in tests/recordings/, played
# again with the current build (after a deliberate change to the simulation).
recordings: release
	bash scripts/recordings.sh $(RELEASE_DIR)

clean:
	rm -rf build
