# The two set-up commands: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
DESKTOP_DIR ?= /tmp/tovi-desktop

.PHONY: all deps build run test unit faults soak bench fuzz package sanitize format clean desktops

all: build

deps:
	@scripts/install-deps

$(BUILD)/Makefile: CMakeLists.txt
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/Makefile
	cmake --build $(BUILD) -j$(JOBS)

# On a desktop Tovi joins its tray; without one it starts in a virtual desktop.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		exec $(BUILD)/tovi; \
	else \
		TOVI_DESKTOP_DIR=$(DESKTOP_DIR) scripts/virtual-desktop start >/dev/null || exit 1; \
		echo "No display: Tovi runs in a virtual desktop."; \
		echo "  screenshot:  TOVI_DESKTOP_DIR=$(DESKTOP_DIR) scripts/virtual-desktop screenshot shot.png"; \
		echo "  stop:        Ctrl+C, then TOVI_DESKTOP_DIR=$(DESKTOP_DIR) scripts/virtual-desktop stop"; \
		set -a; . $(DESKTOP_DIR)/env; set +a; \
		$(BUILD)/tovi; status=$$?; \
		TOVI_DESKTOP_DIR=$(DESKTOP_DIR) scripts/virtual-desktop stop; exit $$status; \
	fi

# Everything but the hour's soak and the real desktops.
test: build
	cd $(BUILD) && ctest --output-on-failure -j2 -LE 'soak|desktops'

unit: build
	cd $(BUILD) && ctest --output-on-failure -j2 -LE 'e2e|desktops'

# Tovi in GNOME Shell and KDE Plasma, headless (their packages: scripts/install-deps --desktops).
desktops: build
	@scripts/install-deps --desktops
	cd $(BUILD) && ctest --output-on-failure -L desktops

# The real binary while disks fill, processes die, servers go and files rot.
faults: build
	cd $(BUILD) && ctest --output-on-failure -L faults

# An hour of rests, skips, theme changes and reminders; TOVI_SOAK_MINUTES shortens it.
soak: build
	cd $(BUILD) && ctest --output-on-failure -L soak

bench: build
	@for b in $(BUILD)/tests/bench/bench_*; do \
		if [ -f $$b ] && [ -x $$b ]; then QT_QPA_PLATFORM=offscreen $$b || exit 1; fi; \
	done
	tests/bench/resource-probe $(BUILD)

# The .deb, in $(BUILD).
package: build
	cmake --build $(BUILD) --target package

# The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer
# (not the package: a sanitized binary is no package).
sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOVI_SANITIZE=ON -DTOVI_BENCHMARKS=OFF
	cmake --build $(BUILD)-sanitize -j$(JOBS)
	cd $(BUILD)-sanitize && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j2 -LE 'e2e|install|desktops'

# Each decoder under libFuzzer for FUZZ_SECONDS, in a clang build of its own.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVI_FUZZ=ON
	cmake --build $(BUILD)-fuzz -j$(JOBS)
	tests/fuzz/run $(BUILD)-fuzz $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz
