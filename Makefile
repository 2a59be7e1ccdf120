# Dralen: the two commands a newcomer needs are `make run` and `make test`.
BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
GAME_DIR   := $(BUILD_DIR)/game

# Debian packages for building, running, testing and looking at the game.
PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev libsdl2-dev libsdl2-mixer-dev \
            libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool imagemagick clang

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test bench preview clean

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

bench: build
	$(BUILD_DIR)/tests/bench/dralen_bench

clean:
	rm -rf $(BUILD_DIR)

# A contact sheet of every skin and of sample frames in the four directions.
preview: build
	cmake --build $(BUILD_DIR) --target contact-sheet
	@echo "Look at $(BUILD_DIR)/preview.png"
