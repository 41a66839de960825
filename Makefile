# Two commands: `make run` and `make test`. Both install missing Debian
# packages first (make deps), then configure and build with CMake/Ninja.
BUILD ?= build
JOBS ?= 2
DEB_PACKAGES = cmake ninja-build g++ pkg-config qt6-base-dev libusb-1.0-0-dev \
	libsqlite3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-wqy-microhei openssl libssl-dev \
	binutils srecord xvfb xauth ccache umockdev help2man sqlite3 dpkg-dev

.PHONY: all deps configure build run test bench clean package

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
	cmake -S . -B $(BUILD) -G Ninja

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

clean:
	rm -rf $(BUILD)
