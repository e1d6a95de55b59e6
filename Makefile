# Voxmill: every target installs what is missing, then builds.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build demo test test-sanitize test-tsan fuzz soak bench clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build build -j $(JOBS)

demo: build
	@rm -rf out/demo && mkdir -p out/demo
	./build/voxmill -C examples/demo.ini -M file:examples/bracket.stl -O out/demo
	@echo "demo output written to out/demo ($$(ls out/demo | wc -l) files); look at a layer with:"
	@echo "  ./build/slice_view png out/demo/slice_m120 layer.png"

test: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVOXMILL_SANITIZE=ON -DVOXMILL_BENCH=OFF >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in build/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-sanitize build-tsan build-fuzz out
