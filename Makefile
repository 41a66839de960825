# Two commands: `make run` and `make test`. Both install missing Debian
# packages first (make deps), then configure and build with CMake/Ninja.
BUILD ?= build
JOBS ?= 2
DEB_PACKAGES = cmake ninja-build g++ pkg-config qt6-base-dev libusb-1.0-0-dev \
	libsqlite3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-wqy-microhei openssl libssl-dev \
	binutils srecord xvfb xauth ccache umockdev clang libclang-rt-14-dev zlib1g-dev help2man sqlite3 dpkg-dev

.PHONY: all deps configure build run test bench clean fuzz package

# make test SANITIZE=1: the whole suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a folder of its own; any report fails it.
ifeq ($(SANITIZE),1)
BUILD := build-sanitize
CMAKE_OPTIONS += -DTESSARY_SANITIZE=ON
# verify_asan_link_order=0: the USB emulation tests run the driver under
# umockdev, whose preloaded library comes before the ASan runtime.
export ASAN_OPTIONS = abort_on_error=1:detect_leaks=1:strict_string_checks=1:verify_asan_link_order=0
export UBSAN_OPTIONS = halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS = suppressions=$(CURDIR)/tests/fuzz/lsan.supp:print_suppressions=0
endif

# make fuzz: the libFuzzer targets (clang) in build-fuzz, each run for
# FUZZ_SECONDS from its seed corpus, or for FUZZ_RUNS inputs when that is
# given; new inputs collect in build-fuzz/corpus.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_RUNS ?=
FUZZ_LIMIT = $(if $(FUZZ_RUNS),-runs=$(FUZZ_RUNS),-max_total_time=$(FUZZ_SECONDS))
FUZZ_TARGETS = intel_hex cap_file profile_file simulator_config reply_frames \
	firmware_package project_text

all: build

deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
		$$SUDO apt-get update -q && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -q $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_OPTIONS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@cd $(BUILD)/bin && if ./tessary-cli probe >/dev/null 2>&1; then ./tessary; else ./tessary --simulate; fi

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package

bench: build
	cmake --build $(BUILD) --target benches && $(BUILD)/bin/bench_all

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DTESSARY_FUZZ=ON \
		-DTESSARY_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_BUILD)/corpus/$$t && \
		echo "== fuzz_$$t ($(FUZZ_LIMIT))" && \
		$(FUZZ_BUILD)/bin/fuzz_$$t $(FUZZ_LIMIT) -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t || exit 1; \
	done

clean:
	rm -rf $(BUILD)
