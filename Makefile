# The two set-up commands of the README (make run, make test) and their building blocks.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test run clean

deps:
	scripts/install-deps

configure:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: deps build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
