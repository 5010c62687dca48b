# The two entry points for a fresh Debian 12 machine:
#   make run   installs what is missing, builds, starts the simulated reader
#              and shows what the SDK sees on it
#   make test  installs what is missing, builds, runs every test
#   make bench builds and runs the benchmarks, printing one table
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	@bash scripts/run-demo $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

bench: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS) --target kavex_bench
	@$(BUILD_DIR)/bench/kavex_bench

clean:
	rm -rf $(BUILD_DIR)
