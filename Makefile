# Front door of the build. Every target installs or builds what it needs first.
BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
TSAN_DIR     ?= build-tsan
GENERATOR    ?= Ninja
JOBS         ?= $(shell nproc)
CTEST_FLAGS  ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build test test-sanitize test-tsan valgrind play clean

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer, in
# its own build folder.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DQUARN_SANITIZE=address,undefined -DQUARN_BUILD_BENCH=OFF
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest $(CTEST_FLAGS)

# The suite under ThreadSanitizer, for the locking of containers and streams.
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUARN_SANITIZE=thread -DQUARN_BUILD_BENCH=OFF
	cmake --build $(TSAN_DIR) -j $(JOBS)
	cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest $(CTEST_FLAGS)

# The player under memcheck on the examples and a few bad inputs, and one
# playbin showing a script through the element: no memory error, no byte lost.
valgrind: build
	scripts/valgrind-player $(BUILD_DIR)
	scripts/valgrind-playbin $(BUILD_DIR)

# The fuzzers (fuzz/) under libFuzzer with the address and undefined-behaviour
# sanitizers, FUZZ_SECONDS each, in their own clang build folder.
FUZZ_DIR     ?= build-fuzz
FUZZ_SECONDS ?= 60
.PHONY: fuzz clean-fuzz
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DQUARN_BUILD_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzzers
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzzers $(FUZZ_DIR)

clean: clean-fuzz
clean-fuzz:
	rm -rf $(FUZZ_DIR)

# The benchmarks, in their own Release -O2 folder: the comparison with libass
# (a peer used only here; install-deps --bench installs it, and without it
# the comparison is skipped), then the Google Benchmarks. Other heavy jobs
# on the machine make the numbers noisy.
BENCH_DIR     ?= build-bench
COMPARE_FLAGS ?=
.PHONY: bench
bench: deps
	@scripts/install-deps --bench || echo "bench: libass-dev is missing; the comparison with libass will be skipped"
	cmake -S . -B $(BENCH_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
	cmake --build $(BENCH_DIR) -j $(JOBS) --target benchmarks
	COMPARE_FLAGS="$(COMPARE_FLAGS)" scripts/run-bench $(BENCH_DIR)

# Installs the plug-in, the player, the headers and the CMake and pkg-config
# files under PREFIX (docs/host-guide.md lists what goes where).
PREFIX ?= /usr/local
.PHONY: install package
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Debian packages of the same tree, installed under /usr, in $(BUILD_DIR)/;
# CPack's scratch trees stay out of it.
package: build
	scripts/make-packages $(BUILD_DIR)

# The frame at 5 s of a test video that playbin plays with examples/demo.ass
# as its subtitle URI, through the typefinder and parser, as
# docs/demo-render.png, which a failed render leaves as it was.
.PHONY: demo-render
demo-render: build
	scripts/render-demo $(BUILD_DIR) docs/demo-render.png

# Plays the bundled example script through the real plug-in module.
play: build
	$(BUILD_DIR)/quarn-ssa-play examples/demo.ass

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR) $(BENCH_DIR)
