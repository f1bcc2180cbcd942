# Two commands for a fresh Debian 12 machine:
#   make run    installs what is missing, builds, starts Corvane
#   make test   installs what is missing, builds, runs the whole test suite through CTest
# Others: make bench, make asan, make tsan, make fuzz, make format, make screenshot, make package

PRESET ?= release
JOBS ?= $(shell nproc)
BUILD = build/$(PRESET)

.PHONY: deps configure build run test bench asan tsan fuzz format screenshot package clean

deps:
	@./scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@./scripts/run-corvane.sh $(BUILD)

test: PRESET = ci
test: build
	ctest --preset $(PRESET) -j $(JOBS)

bench: PRESET = release
bench: build
	./scripts/run-benchmarks.sh $(BUILD)

asan: PRESET = asan
asan: build
	ctest --preset asan -j $(JOBS)

tsan: PRESET = tsan
tsan: build
	ctest --preset tsan -j $(JOBS)

fuzz: PRESET = fuzz
fuzz: build
	./scripts/run-fuzzers.sh $(BUILD) $${FUZZ_SECONDS:-30}

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

screenshot: PRESET = release
screenshot: build
	./scripts/screenshot.sh $(BUILD) docs/screenshot.png docs/messages.png

package: PRESET = release
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build
