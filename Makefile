# Set-up and everyday commands. `make demo` and `make test` need nothing else
# on a fresh Debian machine: they install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo bench fuzz sanitize tsan install clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo.sh $(BUILD)

sanitize: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDUNMERROW_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# The worker thread's tests under the thread sanitizer: the documents of the
# demo portfolio, deliveries and failures.
tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DDUNMERROW_TSAN=ON -DDUNMERROW_FUZZ=OFF >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target dunmerrow_cmd e2e_tests hardening_tests report_engine_tests
	@TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -R 'DemoTraceGolden|DeliveryTest|FaultTest.AFullDisk|ReportEngineTest|MailTest'

bench:
	@scripts/install-deps.sh bench
	@scripts/bench.sh

fuzz: deps
	@scripts/fuzz.sh

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-release build-fuzz
