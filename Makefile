# Voxmill: every target installs what is missing, then builds.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build demo test install package install-check test-sanitize test-tsan fuzz soak bench format-check clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build build -j $(JOBS)

demo: build
	@rm -rf out/demo && mkdir -p out/demo
	./build/voxmill -C examples/demo.ini -M file:examples/bracket.stl -O out/demo
	@echo "demo output written to out/demo ($$(ls out/demo | wc -l) files); look at a layer with:"
	@echo "  ./build/slice_view png out/demo/slice_m600 layer.png"

test: build
	cd build && ctest --output-on-failure -j $(JOBS)

# The programs, their manual pages, the README and the licence go under
# PREFIX; the Debian package (build/voxmill_<version>_<arch>.deb) holds the
# same files under /usr, its dependencies read off the binaries.
PREFIX ?= /usr/local
install: build
	cmake --install build --prefix $(PREFIX)

package: build
	@bash scripts/install-deps.sh dpkg-dev file
	cd build && cpack

install-check: package
	@bash scripts/check-install.sh

# The jobs on the large real models run in the plain suite only: under the
# sanitizers they take minutes and walk the code the analytic models walk.
SANITIZE_EXCLUDE ?= RealModels
test-sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVOXMILL_SANITIZE=ON -DVOXMILL_BENCH=OFF >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS) -E '$(SANITIZE_EXCLUDE)'

# The tests that run the layer store's IO thread, the image thread with its
# workers and the slice stage's threads, under ThreadSanitizer.
TSAN_FILTER ?= LayerStore*:TempDir*:ImgProcThd*:Workers*:SideThread*:ParallelRanges*:MeshSlicerJob*:EndToEnd*:FaultInjection*
test-tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOXMILL_TSAN=ON -DVOXMILL_BENCH=OFF >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/.ci/tsan.supp" \
	  ./build-tsan/voxmill_tests --gtest_filter='$(TSAN_FILTER)'

# Each fuzz target runs FUZZ_SECONDS; inputs that crash are kept in
# fuzz/regressions/<target>/ and replayed by the test suite from then on.
# The readers' targets come first, then whole jobs from each kind of input.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= stl slc zdm vkp ini layer job_stl job_slc job_zdm job_vkp job_ini
fuzz:
	@bash scripts/install-deps.sh clang libclang-rt-14-dev
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOXMILL_FUZZ=ON \
	  -DVOXMILL_TESTS=OFF -DVOXMILL_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@bash scripts/run-fuzz.sh $(FUZZ_SECONDS) $(FUZZ_TARGETS)

soak: build
	@bash scripts/soak.sh

format-check:
	@bash scripts/check-format.sh
	@bash scripts/check-layers.sh
	@bash scripts/check-man.sh

bench: build
	@for b in build/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-sanitize build-tsan build-fuzz out
