# The two set-up commands of the README (make run, make test) and their building blocks.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test run package clean fuzz test-sanitize test-tsan

deps:
	scripts/install-deps

configure:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: deps build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The Debian package of everything `cmake --install` installs, written into the build folder.
package: deps build
	cd $(BUILD_DIR) && cpack

# Starts the window; without a display it runs on a virtual one (Xvfb), which shows nothing
# here but keeps the program running until it is closed or interrupted.
run: deps build
	@if [ -z "$${DISPLAY:-}" ]; then \
	  echo "run: no DISPLAY set; starting the window under Xvfb (xvfb-run -a)"; \
	  xvfb-run -a $(BUILD_DIR)/app/qingfengxia; \
	else \
	  $(BUILD_DIR)/app/qingfengxia; \
	fi

# The libFuzzer targets, built with clang (fuzz/README.md says how to run them).
FUZZ_DIR ?= build-fuzz
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQFX_FUZZ=ON \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
	cmake --build $(FUZZ_DIR) --target fuzz_targets -j $(JOBS)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_DIR ?= build-sanitize
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQFX_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && \
	  ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# The engine, batch and window tests (and the worker pool's) under ThreadSanitizer: the layers
# that run conversions on several threads. Only their test programs are built.
TSAN_DIR ?= build-tsan
TSAN_TESTS = worker_pool_test qt_race_probe \
  $(basename $(notdir $(wildcard tests/engine/*_test.cpp tests/batch/*_test.cpp tests/ui/*_test.cpp)))
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQFX_TSAN=ON
	cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TESTS)
	cd $(TSAN_DIR) && \
	  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/sanitizer/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -R '^(engine|batch|ui|sanitizer)\.|^platform\.worker_pool_test$$'

clean:
	rm -rf $(BUILD_DIR)
