# Dralen: the two commands a newcomer needs are `make run` and `make test`.
BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
GAME_DIR   := $(BUILD_DIR)/game

# Debian packages for building, running, testing and looking at the game,
# for building and checking its own package, and for its Windows build under
# Wine.
PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev libsdl2-dev libsdl2-mixer-dev libxcb1-dev \
            libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool imagemagick clang \
            libclang-rt-14-dev dpkg-dev file desktop-file-utils appstream lintian \
            g++-mingw-w64-x86-64-posix wine64 wine fonts-wine nsis x11-utils googletest

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test bench preview clean test-asan test-tsan fuzz package test-windows windows package-windows

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	else \
	  echo "All build packages are installed."; \
	fi

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	cmake --build $(BUILD_DIR)

# Lays out a game directory beside the build (levels, sounds, music) and starts the game there.
run: build
	mkdir -p $(GAME_DIR)
	cp -r data/. $(GAME_DIR)/
	cd $(GAME_DIR) && ../dralen

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

# The Debian package, $(BUILD_DIR)/dralen_<version>_<arch>.deb, installed with
# `sudo apt install ./$(BUILD_DIR)/dralen_*.deb`.
package: build
	cmake --build $(BUILD_DIR) --target package

# One table of figures: benchmarks, the tick cadence and the game under Xvfb.
bench: build
	bash tests/bench/report.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) $(FUZZ_DIR) $(WIN_DIR)

# A contact sheet of every skin and of sample frames in the four directions.
preview: build
	cmake --build $(BUILD_DIR) --target contact-sheet
	@echo "Look at $(BUILD_DIR)/preview.png"

# Sanitized builds live beside the plain one, each in a directory of its own.
ASAN_DIR     ?= build-asan
TSAN_DIR     ?= build-tsan
FUZZ_DIR     ?= build-fuzz
WIN_DIR      ?= build-windows
FUZZ_SECONDS ?= 60

# Any report, leaks included, fails the test that caused it.
ASAN_ENV := ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TSAN_ENV := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

$(ASAN_DIR)/build.ninja:
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRALEN_SANITIZE=address

$(TSAN_DIR)/build.ninja:
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRALEN_SANITIZE=thread

$(FUZZ_DIR)/build.ninja:
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRALEN_FUZZ=ON \
	  -DCMAKE_CXX_COMPILER=clang++

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && $(ASAN_ENV) ctest --output-on-failure

# The Qt-free tests, the threaded ones among them, under ThreadSanitizer.
test-tsan: deps $(TSAN_DIR)/build.ninja
	cmake --build $(TSAN_DIR) --target dralen_tests dralen_thread_tests
	cd $(TSAN_DIR) && $(TSAN_ENV) ctest --output-on-failure -L 'game|threads'

# Each fuzz target runs for FUZZ_SECONDS, starting from the committed seeds;
# what it finds lands in $(FUZZ_DIR)/corpus, crashes in $(FUZZ_DIR)/crashes.
FUZZ_TARGETS := savegame config halloffame settings replay
fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR)
	@mkdir -p $(FUZZ_DIR)/crashes
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  echo "== fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_DIR)/tests/fuzz/fuzz_$$t $(FUZZ_DIR)/corpus/$$t tests/fuzz/corpus/$$t \
	    -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
	    -max_len=65536 -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/crashes/$$t- \
	    || exit 1; \
	done

# The game library and its unit tests cross-compiled for 64-bit Windows with
# MinGW-w64 and run under Wine with no display; GoogleTest is compiled from
# Debian's sources with the same compiler. Wine keeps its own Windows folders
# in $(WIN_DIR)/wine.
$(WIN_DIR)/build.ninja:
	cmake -S . -B $(WIN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DDRALEN_UNIT_TESTS_ONLY=ON

# The Windows program, $(WIN_DIR)/dralen.exe, and a playable folder beside
# it, $(WIN_DIR)/game/ (program, levels, sounds, music).
windows: deps $(WIN_DIR)/build.ninja
	cmake --build $(WIN_DIR) --target dralen windows-game

# The two Windows downloads: $(WIN_DIR)/dralen-<version>-setup.exe (NSIS)
# and $(WIN_DIR)/dralen-<version>-win64.zip (the portable game).
package-windows: windows
	cmake --build $(WIN_DIR) --target package-windows

# The program's imports checked against what Windows 7 has, the library's
# tests as a Windows program, the real dralen.exe played under Wine and Xvfb
# against what the Linux build draws, and the packages installed (clicked
# through and silently), played and uninstalled.
# The Linux build's probe renders what the Windows program is compared with,
# and plays the game the Windows tests recorded into $(WIN_DIR)/replays.
test-windows: deps $(WIN_DIR)/build.ninja $(BUILD_DIR)/build.ninja
	cmake --build $(WIN_DIR) --target dralen_tests dralen windows-game dralen_wineprobe dralen_setupprobe dralen_fakexinput package-windows
	bash tests/windows/imports.sh $(WIN_DIR)/dralen.exe
	rm -rf $(WIN_DIR)/replays
	DRALEN_RECORD_INTO='Z:$(abspath $(WIN_DIR))/replays' \
	  bash tests/windows/run.sh $(WIN_DIR)/tests/dralen_tests.exe $(abspath $(WIN_DIR))/wine
	cmake --build $(BUILD_DIR) --target dralen_probe
	$(BUILD_DIR)/tests/dralen_probe replay $(WIN_DIR)/replays/*.replay
	bash tests/windows/play.sh $(WIN_DIR) $(BUILD_DIR)
	bash tests/windows/install.sh $(WIN_DIR)
