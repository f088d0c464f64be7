# The two commands of the project: `make run` and `make test`.
# Both build from a clean checkout; missing Debian packages are installed
# when running as root, or the exact install command is printed.
# `make bench` builds and runs the benchmarks in a build of their own.

BUILD      ?= build
OUT        ?= out
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES   := g++ cmake ninja-build libgtest-dev libgmock-dev libcli11-dev
BENCH_BUILD ?= build-bench
BENCH_PACKAGES := libbenchmark-dev hyperfine time jq strace

.PHONY: all run test bench deps configure clean

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

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

run: all
	@mkdir -p $(OUT)
	cp $(BUILD)/ferrovello $(OUT)/ferrovello
	cd / && $(CURDIR)/$(OUT)/ferrovello
	@echo "Files in $(OUT)/:"
	@ls -l $(OUT) | awk 'NR > 1 { printf "  %10d  %s\n", $$5, $$9 }'

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The benchmarks: in-memory stages, whole runs against the yardstick that
# only writes the files, peak memory (bench/run).
bench: PACKAGES += $(BENCH_PACKAGES)
bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERROVELLO_TESTS=OFF -DFERROVELLO_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	bench/run $(BENCH_BUILD)

clean:
	rm -rf $(BUILD) $(OUT) $(BENCH_BUILD)
