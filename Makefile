# The commands a newcomer needs. Everything is built with CMake presets;
# these targets only string the presets together.

MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build test test-linux test-asan test-tsan test-windows bench run dist dist-windows dist-docs figure clean

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
	cmake --build --preset default -j $(JOBS) --target armkin_bench armpose_octave
	@# Both reports run; the target fails afterwards if either missed a target.
	@status=0; \
	python3 bench/report.py build/linux/bench/armkin_bench || status=1; \
	octave-cli --norc --quiet --eval "addpath('bench'); exit(~octave_bench('build/linux/octave/mex'))" || status=1; \
	exit $$status

# Both functions called through mexrun on a sample pose, or, with
# CALL='armvelmap([0.1; 0.2; 0.3; 0.4; 0.5; 0.6])', any one call: the MEX
# file is the one the call names. Only the calls and their results show:
# the packages check, configure and build write to build/run.log, which is
# printed in full if any of them fails.
RUN_POSE := [0.1; -0.4; 0.3; 0.2; 0.5; -0.6]
MEXRUN := build/linux/stand_in_host/mexrun
MEX_DIR := build/linux/mex
RUN_LOG := build/run.log
export CALL

run:
	@mkdir -p build; \
	if [ ! -f build/linux/CMakeCache.txt ]; then echo "make run: first build of build/linux (log: $(RUN_LOG))"; fi; \
	if ! { sh tools/install-deps && cmake --preset default && \
	       cmake --build --preset default -j $(JOBS) --target mexrun armpose armvelmap; } >$(RUN_LOG) 2>&1; then \
	  cat $(RUN_LOG) >&2; echo "make run: the build failed; its output is above and in $(RUN_LOG)" >&2; exit 1; \
	fi
ifeq ($(strip $(CALL)),)
	@echo '>> armpose($(RUN_POSE))'
	@$(MEXRUN) $(MEX_DIR)/armpose.mexa64 'armpose($(RUN_POSE))'
	@echo '>> armvelmap($(RUN_POSE))'
	@$(MEXRUN) $(MEX_DIR)/armvelmap.mexa64 'armvelmap($(RUN_POSE))'
else
	@name=$$(printf '%s\n' "$$CALL" | sed -n 's/^[[:space:]]*\([A-Za-z][A-Za-z0-9_]*\).*/\1/p'); \
	if [ -z "$$name" ]; then echo "make run: CALL must start with a function name, e.g. armpose(...)" >&2; exit 64; fi; \
	printf '>> %s\n' "$$CALL"; \
	$(MEXRUN) "$(MEX_DIR)/$$name.mexa64" "$$CALL"
endif

# The Linux deliverables in dist/, the Linux stand-in host (mexrun beside
# libmex and libMatlabDataArray, found through $ORIGIN) in dist/host/; then
# the Windows ones (dist-windows); then the help files, README, checksums
# and the archive (dist-docs); then the GNU Octave package beside it,
# dist/armkin-<version>.tar.gz.
dist: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target mexrun armpose armvelmap
	cmake --install build/linux --component dist --prefix dist
	$(MAKE) --no-print-directory dist-windows
	$(MAKE) --no-print-directory dist-docs
	sh build/linux/octave/pack-octave.sh dist

# The Windows deliverables in dist/, the Windows stand-in host (mexrun.exe
# beside libmex.dll and libMatlabDataArray.dll) in dist/host-win64/.
dist-windows: deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS) --target mexrun armpose armvelmap
	cmake --install build/windows --component dist --prefix dist

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
