# Set-up, build, demo and tests. Every target installs missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build demo fcm test gui bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVORIN_BUILD_GUI=ON \
	  -DTAVORIN_BUILD_BENCH=ON $(CMAKE_FLAGS)

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

gui: build
	./$(BUILD)/shell/tavorin-gui

bench: build
	bash bench/run $(BUILD)

clean:
	rm -rf $(BUILD) out
