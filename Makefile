# The two commands of the project: `make run` and `make test`.
# Both build from a clean checkout; missing Debian packages are installed
# when running as root, or the exact install command is printed.
# `make install PREFIX=DIR` puts the two programs, their manual pages and the
# tool's bash completion under DIR (default /usr/local).
# `make bench` builds and runs the benchmarks in a build of their own.

BUILD      ?= build
OUT        ?= out
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# What the installer needs: `make run` installs only these.
RUN_PACKAGES := g++ cmake ninja-build
# The authors' tool's libraries (`make install`, `make test`).
TOOL_PACKAGES := libcli11-dev nlohmann-json3-dev
# The page of `scenario-tool view` is tested in a headless browser driven
# by WebDriver (tests/tools/view/view_browser_test.py).
BROWSER_PACKAGES := chromium chromium-driver python3-selenium fonts-dejavu-core
# The installed manual pages are read with man in the install test.
MAN_PACKAGES := man-db groff-base
# The language server (`scenario-tool lsp`) is tested from a real editor.
EDITOR_PACKAGES := neovim
TEST_PACKAGES := libgtest-dev libgmock-dev $(BROWSER_PACKAGES) $(MAN_PACKAGES) $(EDITOR_PACKAGES)
PACKAGES   := $(RUN_PACKAGES) $(TOOL_PACKAGES) $(TEST_PACKAGES)
PREFIX     ?= /usr/local

# Windows: cross build with MinGW-w64 into $(WIN_BUILD); its tests run in
# `make test` under Wine in a virtual X display whenever the cross toolchain
# and Wine are installed (WINE_PACKAGES; .ci/run installs them).
WIN_BUILD     ?= build-win
WIN_PACKAGES  := g++-mingw-w64-x86-64-win32 cmake ninja-build libcli11-dev nlohmann-json3-dev
WINE_PACKAGES := wine wine64 fonts-wine xvfb xauth xdotool
HAVE_MINGW    := $(shell command -v x86_64-w64-mingw32-g++ 2>/dev/null)

# Fuzzing: the libFuzzer targets of fuzz/, built by clang under ASan and
# UBSan into $(FUZZ_BUILD). `make fuzz` runs each for FUZZ_SECONDS; `make
# test` runs each for a short smoke and replays the kept inputs.
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 300
FUZZ_PACKAGES := clang libclang-rt-dev cmake ninja-build libcli11-dev nlohmann-json3-dev

# Benchmarks: a build of their own into $(BENCH_BUILD), run by `make bench`.
BENCH_BUILD ?= build-bench
BENCH_PACKAGES := libbenchmark-dev hyperfine time jq strace python3

.PHONY: all run run-deps tool-deps test install bench deps configure clean windows windows-deps windows-build wine-deps fuzz fuzz-build fuzz-deps

all: configure
	cmake --build $(BUILD) -j $(JOBS)

# Debian packages the build and the tests need.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Install them with:"; \
	    echo "  sudo apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	fi

# Configured again on every call: a build first made by `make run` (with
# the installer's packages only) finds the tool's and the tests' libraries
# once `make test` or `make install` has installed them.
configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

run-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(RUN_PACKAGES)"

tool-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(RUN_PACKAGES) $(TOOL_PACKAGES) $(MAN_PACKAGES)"

# `make run` builds the installer alone; `make test` builds everything.
run: run-deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	cmake --build $(BUILD) -j $(JOBS) --target ferrovello
	@mkdir -p $(OUT)
	cp $(BUILD)/ferrovello $(OUT)/ferrovello
	cd / && $(CURDIR)/$(OUT)/ferrovello
	@echo "Files in $(OUT)/:"
	@ls -l $(OUT) | awk 'NR > 1 { printf "  %10d  %s\n", $$5, $$9 }'

test: all fuzz-build $(if $(HAVE_MINGW),windows-build)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# bin/ferrovello, bin/scenario-tool, share/man/man1/{ferrovello,scenario-tool}.1
# and share/bash-completion/completions/scenario-tool under $(PREFIX).
install: tool-deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	cmake --build $(BUILD) -j $(JOBS) --target ferrovello scenario-tool command-docs
	cmake --install $(BUILD) --prefix $(PREFIX)

# Ferrovello.exe and scenario-tool.exe in $(WIN_BUILD)/.
windows: windows-deps
	@$(MAKE) --no-print-directory windows-build

windows-build:
	@test -f $(WIN_BUILD)/build.ninja || cmake -S . -B $(WIN_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
	cmake --build $(WIN_BUILD) -j $(JOBS)

windows-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WIN_PACKAGES)"

wine-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINE_PACKAGES)"

# fuzz_compile, fuzz_decode, fuzz_payload and fuzz_lsp in $(FUZZ_BUILD)/fuzz/.
fuzz-build: fuzz-deps
	@test -f $(FUZZ_BUILD)/build.ninja || cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DFERROVELLO_FUZZ=ON -DFERROVELLO_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_compile fuzz_decode fuzz_payload fuzz_lsp

fuzz: fuzz-build
	fuzz/run_fuzz.sh fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) compile decode payload lsp

fuzz-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"


# The benchmarks: in-memory stages, whole runs against the yardstick that
# only writes the files, peak memory (bench/run). Ends with the time the
# whole of it took, the build included.
bench: PACKAGES += $(BENCH_PACKAGES)
bench: deps
	@start=$$(date +%s); \
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERROVELLO_TESTS=OFF -DFERROVELLO_BENCH=ON && \
	cmake --build $(BENCH_BUILD) -j $(JOBS) && \
	bench/run $(BENCH_BUILD); status=$$?; \
	echo "make bench took $$(( $$(date +%s) - start )) s (build included)"; exit $$status


clean:
	rm -rf $(BUILD) $(OUT) $(WIN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
