# The two commands of the project: `make run` and `make test`.
# Both build from a clean checkout; missing Debian packages are installed
# when running as root, or the exact install command is printed.
# `make install PREFIX=DIR` puts the tool, its manual page, its bash
# completion and the authors' docs under DIR (default /usr/local), and the
# installer beside the docs in DIR/share/ferrovello/, off the PATH.
# `make dist` writes the release archives into dist/ (release/make_dist.sh).
# `make bench` builds and runs the benchmarks in a build of their own.

BUILD      ?= build
OUT        ?= out
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# What the installer needs: `make run` installs only these.
RUN_PACKAGES := g++ cmake ninja-build
# The authors' tool's libraries (`make install`, `make test`); Boost for the
# header-only web server of `view --serve` (Asio and Beast).
TOOL_PACKAGES := libcli11-dev nlohmann-json3-dev libboost-dev
# The page of `scenario-tool view` is tested in a headless browser driven
# by WebDriver (tests/tools/view/view_browser_test.py).
BROWSER_PACKAGES := chromium chromium-driver python3-selenium fonts-dejavu-core
# The installed manual pages are read with man in the install test.
MAN_PACKAGES := man-db groff-base
# The examples of the README and of the authors' guide are run by a Python
# script (tests/docs/doc_examples.py).
DOC_PACKAGES := python3
# The language server (`scenario-tool lsp`) is tested from a real editor.
EDITOR_PACKAGES := neovim
TEST_PACKAGES := libgtest-dev libgmock-dev $(BROWSER_PACKAGES) $(MAN_PACKAGES) $(DOC_PACKAGES) $(EDITOR_PACKAGES)
PACKAGES   := $(RUN_PACKAGES) $(TOOL_PACKAGES) $(TEST_PACKAGES)
PREFIX     ?= /usr/local

# Every build dates what it writes (the changelog, the archives) by the
# commit, so that one commit builds the same bytes at any time.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif

# Releases: a build of their own (Release, prefix /usr) and the Windows
# cross build, packed by release/make_dist.sh into $(DIST). The Markdown
# docs become HTML pages for the Windows archive; lintian checks the .deb.
DIST_BUILD ?= build-dist
DIST       ?= dist
VERSION    := $(shell grep -m 1 '^project.ferrovello VERSION ' CMakeLists.txt | cut -d ' ' -f 3)
RELEASE_PACKAGES := python3-markdown lintian

# Windows: cross build with MinGW-w64 into $(WIN_BUILD); its tests run in
# `make test` under Wine in a virtual X display whenever the cross toolchain
# and Wine are installed (WINE_PACKAGES; .ci/run installs them).
WIN_BUILD     ?= build-win
WIN_PACKAGES  := g++-mingw-w64-x86-64-win32 cmake ninja-build libcli11-dev nlohmann-json3-dev libboost-dev
WINE_PACKAGES := wine wine64 fonts-wine xvfb xauth xdotool
HAVE_MINGW    := $(shell command -v x86_64-w64-mingw32-g++ 2>/dev/null)

# Fuzzing: the libFuzzer targets of fuzz/, built by clang under ASan and
# UBSan into $(FUZZ_BUILD). `make fuzz` runs each for FUZZ_SECONDS; `make
# test` runs each for a short smoke and replays the kept inputs.
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 300
FUZZ_PACKAGES := clang libclang-rt-dev cmake ninja-build libcli11-dev nlohmann-json3-dev libboost-dev

# Benchmarks: a build of their own into $(BENCH_BUILD), run by `make bench`.
BENCH_BUILD ?= build-bench
BENCH_PACKAGES := libbenchmark-dev hyperfine time jq strace python3

.PHONY: all run run-deps tool-deps test doc-examples install dist dist-test release-deps bench deps configure clean windows windows-deps windows-build wine-deps fuzz fuzz-build fuzz-deps

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

# The documentation's examples run again, and the output of each one that
# changed written into the file in place of the old (review it with git diff).
doc-examples: configure
	cmake --build $(BUILD) -j $(JOBS) --target ferrovello scenario-tool
	python3 tests/docs/doc_examples.py --tools $(BUILD) --checkout . $(BUILD) --update README.md
	python3 tests/docs/doc_examples.py --tools $(BUILD) --update docs/authoring.md

# bin/scenario-tool, share/ferrovello/ferrovello,
# share/man/man1/{scenario-tool,ferrovello}.1.gz,
# share/bash-completion/completions/scenario-tool and share/doc/scenario-tool/
# under $(PREFIX) (cmake/install_layout.cmake).
install: tool-deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	cmake --build $(BUILD) -j $(JOBS) --target ferrovello scenario-tool command-docs
	cmake --install $(BUILD) --prefix $(PREFIX)

# The release archives of this commit in $(DIST)/: the Windows zip, the
# Debian package and the Linux tar.gz.
dist: windows release-deps
	cmake -S . -B $(DIST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERROVELLO_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr > /dev/null
	cmake --build $(DIST_BUILD) -j $(JOBS) --target ferrovello scenario-tool command-docs
	release/make_dist.sh $(DIST_BUILD) $(WIN_BUILD) $(DIST)

# The release's tests, on the archives of `make dist` (.ci/run, as root): the
# Debian package installed, used, removed and purged; the Windows archive
# under Wine; a second `make dist` from a clone, compared byte for byte.
# Status 77 is a test skipped: the package's test needs root, the Windows
# archive's needs Wine (both fail instead in CI).
dist-test: dist wine-deps
	tests/release/deb_test.sh $(DIST)/scenario-tool_$(VERSION)_amd64.deb \
	  $(DIST)/ferrovello-$(VERSION)-linux-x86_64.tar.gz || [ $$? = 77 ]
	WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wine-prefix tests/release/windows_zip_test.sh \
	  $(DIST)/ferrovello-$(VERSION)-windows-x86_64.zip $(DIST)/ferrovello-$(VERSION)-linux-x86_64.tar.gz || [ $$? = 77 ]
	tests/release/reproducible_test.sh $(DIST)

release-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(RUN_PACKAGES) $(TOOL_PACKAGES) $(MAN_PACKAGES) $(RELEASE_PACKAGES)"

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

# fuzz_compile, fuzz_decode, fuzz_payload, fuzz_lsp and fuzz_lsp_folder in $(FUZZ_BUILD)/fuzz/.
fuzz-build: fuzz-deps
	@test -f $(FUZZ_BUILD)/build.ninja || cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DFERROVELLO_FUZZ=ON -DFERROVELLO_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_compile fuzz_decode fuzz_payload fuzz_lsp fuzz_lsp_folder

fuzz: fuzz-build
	fuzz/run_fuzz.sh fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) compile decode payload lsp lsp_folder

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
	rm -rf $(BUILD) $(OUT) $(WIN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(DIST_BUILD) $(DIST)
