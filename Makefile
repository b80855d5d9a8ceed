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

# Starts the window; without a display it runs on a virtual one (Xvfb), which shows nothing
# here but keeps the program running until it is closed or interrupted.
run: deps build
	@if [ -z "$${DISPLAY:-}" ]; then \
	  echo "run: no DISPLAY set; starting the window under Xvfb (xvfb-run -a)"; \
	  xvfb-run -a $(BUILD_DIR)/app/qingfengxia; \
	else \
	  $(BUILD_DIR)/app/qingfengxia; \
	fi

clean:
	rm -rf $(BUILD_DIR)
