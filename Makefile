# The commands a newcomer needs. Everything is built with CMake presets;
# these targets only string the presets together.

JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build test test-linux test-asan test-tsan test-windows bench run dist dist-docs figure clean

all: build

deps:
	@sh tools/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# Every test: the optimised Linux build with warnings as errors, the same
# tests under ASan+UBSan, the concurrency tests under TSan, then the Windows
# deliverables and their tests under Wine.
test: deps test-linux test-asan test-tsan test-windows

test-linux:
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci $(CTEST_FLAGS)

test-asan:
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan $(CTEST_FLAGS) -LE nosanitize

test-tsan:
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan $(CTEST_FLAGS) -L concurrency

test-windows:
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)
	ctest --preset windows $(CTEST_FLAGS)

bench: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target armkin_bench
	python3 bench/report.py build/linux/bench/armkin_bench

# The picture of the arm, drawn through the built MEX files: docs/arm.png.
figure: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target arm_figure

# The MATLAB user's folder, once dist/ holds both platforms' MEX files:
# adds the help files, Contents.m, README.md and the picture, then writes
# dist/SHA256SUMS and dist/armkin-<version>.zip (without dist/host*).
dist-docs:
	cmake --preset default
	sh build/linux/matlab/pack-dist.sh dist

clean:
	rm -rf build dist
