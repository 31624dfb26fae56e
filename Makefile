# Tessaly: top-level commands. Everything builds out of tree with CMake and Ninja.
#   make deps      install the Debian packages the programs need (scripts/install-deps)
#   make programs  configure and build only the programs and their plug-ins into build/
#   make build     install the test packages too, configure and build everything into build/
#   make test      build + every test suite through ctest
#   make check     the same under AddressSanitizer and UndefinedBehaviorSanitizer in build-san/,
#                  the stitching engine's worker pool under ThreadSanitizer in build-tsan/, then
#                  the formatting check and make fuzz
#   make format    apply the repository's clang-format to every C and C++ file
#   make fuzz    build the plug-in readers' fuzzers with clang in build-fuzz/ and run each one
#                for FUZZ_SECONDS seconds (skipped when clang is missing)
#   make fuzz-long  the same with FUZZ_LONG_SECONDS (300) per fuzzer; the corpus each one grows
#                stays in build-fuzz/corpus/ for the next run
#   make bench   build and run the benchmarks (not part of make test)
#   make quality   install the corpus packages, build, then stitch and score the quality corpus
#                  (scripts/quality) and print one line per stitching method
#   make demo    deps + programs, then stitch every file of DEMO_PIECES (in name order) into
#                DEMO_OUT and print the arrangement, warnings, time and result
#   make run     deps + programs, then start the desktop program with the pieces of DEMO_PIECES
#                loaded, ready to stitch; without a display it runs on a virtual X server and its
#                painted window (the thumbnails) is saved to RUN_OUT/tessaly.png

BUILD_TYPE ?= RelWithDebInfo
WERROR ?= OFF
JOBS ?= $(shell nproc)
# Debug information of the RelWithDebInfo build: -g1 (line tables, enough for any report) builds
# markedly faster than the full -g.
DEBUG_INFO ?= -g
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTESSALY_WERROR=$(WERROR)
BUILD_FLAGS = $(CMAKE_FLAGS) -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 $(DEBUG_INFO) -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 $(DEBUG_INFO) -DNDEBUG"

FUZZ_SECONDS ?= 20
FUZZ_LONG_SECONDS ?= 300

DEMO_PIECES ?= examples/pieces
DEMO_OUT ?= demo-out
RUN_OUT ?= run-out

SOURCES_TO_FORMAT = git ls-files -z -- '*.c' '*.h' '*.cpp'

.PHONY: deps programs build test check format format-check fuzz fuzz-long bench quality demo run clean

deps:
	scripts/install-deps

programs: deps
	cmake -S . -B build $(BUILD_FLAGS)
	cmake --build build -j $(JOBS) --target programs

build:
	scripts/install-deps --tests
	cmake -S . -B build $(BUILD_FLAGS) -DTESSALY_TESTS=ON
	cmake --build build -j $(JOBS)

test: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

# The sanitizer build keeps line tables only (-g1): a report needs no more, and full debug
# information takes a large share of the build's time.
SAN_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"

# use_tls=0: the leak checker's own scan of thread-local storage crashes on the stale entries
# that unloaded plug-in modules leave behind (gcc 12's runtime); leaks are still found, and
# tests/lsan.supp names what the C library keeps only through thread-local storage.
check:
	scripts/install-deps --check
	cmake -S . -B build-san $(CMAKE_FLAGS) $(SAN_FLAGS) -DTESSALY_TESTS=ON -DTESSALY_SANITIZE=ON
	cmake --build build-san -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=use_tls=0:print_suppressions=0:suppressions=$(CURDIR)/tests/lsan.supp ctest --test-dir build-san --output-on-failure -j $(JOBS)
	cmake -S . -B build-tsan $(CMAKE_FLAGS) $(SAN_FLAGS) -DTESSALY_TESTS=ON \
	  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build build-tsan -j $(JOBS) --target stitch_pool_tests
	TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/stitch_pool_tests --gtest_repeat=5
	$(MAKE) format-check
	$(MAKE) fuzz

format:
	scripts/install-deps --check
	$(SOURCES_TO_FORMAT) | xargs -0 clang-format -i

# Fails on the first file that clang-format would change, naming it.
format-check:
	scripts/install-deps --check
	$(SOURCES_TO_FORMAT) | xargs -0 clang-format --dry-run -Werror

fuzz:
	scripts/install-deps --check
	@if ! command -v clang++ >/dev/null 2>&1; then echo "fuzz: clang++ not found, skipped"; exit 0; fi; \
	  set -e; \
	  cmake -S . -B build-fuzz $(CMAKE_FLAGS) -DTESSALY_TESTS=ON -DTESSALY_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++; \
	  cmake --build build-fuzz -j $(JOBS) --target fuzzers; \
	  scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

fuzz-long:
	$(MAKE) fuzz FUZZ_SECONDS=$(FUZZ_LONG_SECONDS)

bench: build
	cmake -S . -B build $(BUILD_FLAGS) -DTESSALY_TESTS=ON -DTESSALY_BENCH=ON
	cmake --build build -j $(JOBS)
	@for b in build/bin/*_bench; do echo "== $$b"; $$b; done

quality:
	scripts/install-deps --tests --quality
	cmake -S . -B build $(BUILD_FLAGS) -DTESSALY_TESTS=ON
	cmake --build build -j $(JOBS) --target tessaly-stitch tessaly-scansim tessaly-pagegen \
	  tessaly-quality-page tessaly-quality-score programs
	scripts/quality build

demo: programs
	@if [ -z "$$(find $(DEMO_PIECES) -maxdepth 1 -type f ! -name '.*' 2>/dev/null)" ]; then \
	  echo "demo: no pieces in $(DEMO_PIECES)/"; exit 1; fi
	@mkdir -p $(DEMO_OUT)
	@find $(DEMO_PIECES) -maxdepth 1 -type f ! -name '.*' -print0 | LC_ALL=C sort -z | \
	  xargs -0 build/bin/tessaly-stitch --report $(DEMO_OUT)/report.json -o $(DEMO_OUT)/result.jpg
	@echo "report: $(DEMO_OUT)/report.json"

# Without a display the program gets its own settings folder under RUN_OUT, so a program
# already running for this user cannot take the start over.
run: programs
	@pieces=$$(find $(abspath $(DEMO_PIECES)) -maxdepth 1 -type f ! -name '.*' | LC_ALL=C sort); \
	  if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then exec build/bin/Tessaly $$pieces; fi; \
	  scripts/install-deps --headless; \
	  mkdir -p $(RUN_OUT); \
	  XDG_DATA_HOME=$(CURDIR)/$(RUN_OUT)/data TESSALY_SNAPSHOT=$(CURDIR)/$(RUN_OUT)/tessaly.png \
	    xvfb-run -a -s "-screen 0 1280x800x24" build/bin/Tessaly $$pieces && \
	  echo "run: no display here, so Tessaly ran on a virtual X server; its main window is in $(RUN_OUT)/tessaly.png"

clean:
	rm -rf build build-san build-tsan build-fuzz
