# Tessaglyph: the two set-up commands are `make demo` and `make test`.
# Every target first installs the Debian packages the project needs when they are missing.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev \
            libsqlite3-dev libproj-dev libcli11-dev clang clang-format libclang-rt-14-dev \
            libcpp-httplib-dev pkg-config \
            pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pytest
# The browse page's tests run it in headless Chromium; only `make test` wants it.
TEST_PACKAGES := chromium
CMAKE_COMMON := -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
# The interpreter a build's Python module was made for (it has numpy).
PYTHON_OF = $$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' $(CURDIR)/$(1)/CMakeCache.txt)

.PHONY: all deps test-deps test demo bench examples fuzz format format-check clean

all: test

# $(call install-missing,PACKAGES,APT-GET OPTIONS,WHAT A USER OTHER THAN ROOT IS TOLD AND DOES):
# installs the packages of the list that are missing.
define install-missing
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $(2) $$missing; \
	  else \
	    $(3); \
	  fi; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES),,echo "Missing packages. Run: sudo apt-get install -y$$missing"; exit 1)

test-deps: deps
	$(call install-missing,$(TEST_PACKAGES),,echo "Missing packages for the browse page's tests (they skip without them). Run: sudo apt-get install -y$$missing")

# Debug build under AddressSanitizer and UndefinedBehaviorSanitizer, then every test.
test: test-deps
	cmake -S . -B build/test $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DTG_SANITIZE=ON -DTG_WERROR=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The main job.
demo: deps
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DTG_TESTS=OFF
	cmake --build build/release -j $(JOBS)
	./tools/demo.sh build/release

# GDAL (libgdal-dev, gdal-bin) is the yardstick of the point benchmarks; only this target wants it.
BENCH_PACKAGES := libgdal-dev gdal-bin

bench: deps
	$(call install-missing,$(BENCH_PACKAGES),--no-install-recommends,echo "Missing packages for the GDAL comparison. Run: sudo apt-get install -y$$missing")
	cmake -S . -B build/bench $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DTG_TESTS=OFF -DTG_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	./build/bench/tessaglyph_bench $(BENCH_ARGS)
	@if [ -d build/bench/python/tessaglyph ]; then \
	  PYTHONPATH=build/bench/python $(call PYTHON_OF,build/bench) bench/python_points_bench.py; fi

# The Python examples draw with matplotlib and sample with Dask; only this target wants them.
EXAMPLE_PACKAGES := python3-matplotlib python3-dask

examples: deps
	$(call install-missing,$(EXAMPLE_PACKAGES),--no-install-recommends,echo "Missing packages for the examples. Run: sudo apt-get install -y$$missing"; exit 1)
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DTG_TESTS=OFF
	cmake --build build/release -j $(JOBS)
	cd python/examples && export PYTHONPATH=$(CURDIR)/build/release/python \
	  TG_BINARY_DIR=$(CURDIR)/build/release && \
	  $(call PYTHON_OF,build/release) profile_two_tiles.py --output $(CURDIR)/docs/python-profile.png && \
	  $(call PYTHON_OF,build/release) dask_sampling.py $(EXAMPLE_ARGS)

# libFuzzer targets (clang). FUZZ_SECONDS per target; the corpus grows under build/fuzz/.
FUZZ_SECONDS ?= 60
fuzz: deps
	CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTG_FUZZ=ON -DTG_TESTS=OFF -DTG_TOOLS=OFF
	cmake --build build/fuzz -j $(JOBS)
	@for src in fuzz/*.cpp; do \
	  name=$$(basename $$src .cpp); \
	  mkdir -p build/fuzz/corpus/$$name; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  ./build/fuzz/$$name -max_total_time=$(FUZZ_SECONDS) build/fuzz/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

format:
	find include src tests tools bench fuzz python -name '*.cpp' -o -name '*.hpp' | xargs clang-format -i

format-check:
	find include src tests tools bench fuzz python -name '*.cpp' -o -name '*.hpp' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
