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

.PHONY: all deps release run test server bench bench-net fuzz recordings install uninstall clean format format-check

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
# desktop entry, icons, man pages and krelServer@.service (see docs/server.md).
install: $(INSTALL_BUILD)
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR)

# Removes what the last install wrote (give the same DESTDIR).
uninstall:
	DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(RELEASE_DIR)/install_manifest.txt -P cmake/uninstall.cmake

# Starts the game in the build folder, beside the shipped level and weapon
# file; a player's own ones in ~/.local/share/krel come first.
# `make run ARGS=--window` (or ARGS=/window) runs it in a window instead of full screen.
run: release
	cd $(RELEASE_DIR) && ./krel $(ARGS)

# The sanitizer build of the tests: what they need and no benchmarks. In CI
# (CI=true) a compiler warning fails the build.
TEST_CONFIG := -DCMAKE_BUILD_TYPE=Debug -DKREL_SANITIZE=ON -DKREL_BENCH=OFF \
  -DKREL_WERROR=$(if $(filter true 1 yes,$(CI)),ON,OFF)

# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then every
# test, then the format check.
test: deps
	cmake -S . -B $(TEST_DIR) $(TEST_CONFIG) > /dev/null
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600
	@bash scripts/format.sh --check

# Formats every C++ file of the tree with .clang-format; format-check only
# names the files that are not formatted.
format: deps
	@bash scripts/format.sh

format-check: deps
	@bash scripts/format.sh --check

# The relay server; it announces itself only where --announce-to says.
server: release
	cd $(RELEASE_DIR) && ./krelServer $(ARGS)

bench: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DKREL_TESTS=OFF -DKREL_BENCH=ON \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) > /dev/null
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@mkdir -p $(RELEASE_DIR)/bench-results
	cd $(RELEASE_DIR) && for b in bench/krel_bench*; do [ -x "$$b" ] && "$$b" \
	  --benchmark_out=bench-results/$$(basename $$b).json --benchmark_out_format=json; done
	python3 bench/peak_rss.py $(RELEASE_DIR) > $(RELEASE_DIR)/bench-results/rss.json
	python3 bench/server_attacks.py $(RELEASE_DIR) > $(RELEASE_DIR)/bench-results/server_attacks.json
	@python3 bench/table.py $(RELEASE_DIR)/bench-results

# Network games over slow links: two paced bots through a delaying proxy on
# 127.0.0.1 at round trips of 0 to 200 ms, pipelined and in lock-step, and a
# third joining their open game at 0 and 150 ms (about eight minutes; the
# tables in docs/performance.md).
bench-net: release
	python3 bench/netplay_bench.py $(RELEASE_DIR)
	python3 bench/join_bench.py $(RELEASE_DIR)
	python3 bench/sync_guard_bench.py $(RELEASE_DIR)
	python3 bench/predict_bench.py $(RELEASE_DIR)

# Every libFuzzer target for FUZZ_SECONDS each (needs clang), from its seed
# corpus in tests/fuzz/corpus; findings and crashing inputs go to
# build/asan/fuzz-corpus/<name>/.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(TEST_DIR) $(TEST_CONFIG) > /dev/null
	@cmake --build $(TEST_DIR) --target krel_fuzzers -j $(JOBS) || { echo "make fuzz needs clang with libFuzzer (apt-get install clang)"; exit 1; }
	@for f in session arms level batch list; do \
	  echo "== fuzzing $$f for $(FUZZ_SECONDS) s"; \
	  bash tests/fuzz/run.sh $(TEST_DIR)/krel_fuzz_$$f tests/fuzz/corpus/$$f $(TEST_DIR)/fuzz-corpus/$$f $(FUZZ_SECONDS) \
	    > $(TEST_DIR)/fuzz-$$f.log 2>&1; status=$$?; tail -3 $(TEST_DIR)/fuzz-$$f.log; \
	  [ $$status -eq 0 ] || { echo "the $$f fuzzer found a fault: $(TEST_DIR)/fuzz-$$f.log"; exit 1; }; \
	done

# The expected results of the recorded games in tests/recordings/, played
# again with the current build (after a deliberate change to the simulation).
recordings: release
	bash scripts/recordings.sh $(RELEASE_DIR)

clean:
	rm -rf build
