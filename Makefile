# Set-up, build, demo and tests. Every target installs missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build demo fcm test package check-package test-sanitize fuzz-short fuzz gui bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVORIN_BUILD_GUI=ON \
	  -DTAVORIN_BUILD_BENCH=ON -DTAVORIN_BUILD_MPI=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: a classification of the bundled Landsat scene with the default parameters and
# a fixed seed; the results go to out/.
demo: build
	mkdir -p out
	cd out && ../$(BUILD)/cli/tavorin classify --input ../data/landsat_scene01.img \
	  --output landsat_scene01_class --seed 1

# The four-cluster fuzzy c-means of the fixed test image; the results go to out/.
fcm: build
	mkdir -p out
	cd out && ../$(BUILD)/cli/tavorin fcm

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# A Debian package of the executables, the core library, its headers and the sample scenes,
# built in its own folder for the prefix /usr; the .deb lands in build-package/.
package: deps
	cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DTAVORIN_BUILD_GUI=ON -DTAVORIN_BUILD_MPI=ON -DTAVORIN_BUILD_TESTS=OFF -DTAVORIN_BUILD_BENCH=OFF
	cmake --build build-package -j $(JOBS) --target package

# The installed core used by a program outside the tree (tests/package).
check-package: build
	bash scripts/check-package.sh $(BUILD)

# The tests again under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
test-sanitize: deps
	cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVORIN_SANITIZE=ON \
	  -DTAVORIN_BUILD_GUI=OFF -DTAVORIN_BUILD_BENCH=OFF
	cmake --build build-sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-sanitize --output-on-failure -j $(JOBS) -LE slow

# A short, seeded libFuzzer run of the header and raw readers (FUZZ_SECONDS, default 60).
FUZZ_SECONDS ?= 60
fuzz-short: deps
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTAVORIN_FUZZ=ON -DTAVORIN_BUILD_TESTS=OFF -DTAVORIN_BUILD_GUI=OFF -DTAVORIN_BUILD_BENCH=OFF
	cmake --build build-fuzz --target header_fuzzer -j $(JOBS)
	rm -rf build-fuzz/corpus && cp -r tests/fuzz/corpus build-fuzz/corpus
	./build-fuzz/tests/fuzz/header_fuzzer -seed=1 -max_total_time=$(FUZZ_SECONDS) \
	  -max_len=4096 -timeout=10 -print_final_stats=1 build-fuzz/corpus

# A longer fuzz run for developers.
fuzz:
	$(MAKE) fuzz-short FUZZ_SECONDS=3600

gui: build
	./$(BUILD)/shell/tavorin-gui

bench: build
	bash bench/run $(BUILD)

clean:
	rm -rf $(BUILD) out
