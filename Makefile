# The project's commands. Each one installs what it needs first (as root, on Debian).
#   make demo    the program on a simulated console (on your display, or a virtual one)
#   make test    build everything and run the whole test suite
#   make         build everything: host (plain and sanitized), Windows i686 and x86_64, Linux i386
#   make bench   the upload benchmark
#   make dist    release packages in dist/
#   make fuzz    the fuzz targets exploring, FUZZ_SECONDS each (make test replays their corpora)
#   make format  clang-format the sources

BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps host asan windows i686 x86_64 linux-i386 test bench demo dist fuzz fuzz-build format clean

all: host asan windows linux-i386

deps:
	@./scripts/install-deps.sh

$(BUILD)/host/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/host $(CMAKE_FLAGS) -DVARNOK_WINDOWS_BUILDS=$(abspath $(BUILD)) >/dev/null
$(BUILD)/host-asan/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/host-asan -DCMAKE_BUILD_TYPE=Debug -DVARNOK_SANITIZE=ON >/dev/null
$(BUILD)/fuzz/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOK_FUZZ=ON >/dev/null
$(BUILD)/i686/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
$(BUILD)/x86_64/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
$(BUILD)/linux-i386/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/linux-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOK_CLI_ONLY=ON >/dev/null

host: $(BUILD)/host/CMakeCache.txt
	cmake --build $(BUILD)/host -j $(JOBS)
asan: $(BUILD)/host-asan/CMakeCache.txt
	cmake --build $(BUILD)/host-asan -j $(JOBS)
i686: $(BUILD)/i686/CMakeCache.txt
	cmake --build $(BUILD)/i686 -j $(JOBS)
x86_64: $(BUILD)/x86_64/CMakeCache.txt
	cmake --build $(BUILD)/x86_64 -j $(JOBS)
windows: i686 x86_64
# varnok-cli for 32-bit x86 Linux (static, Pentium Pro and later)
linux-i386: $(BUILD)/linux-i386/CMakeCache.txt
	cmake --build $(BUILD)/linux-i386 -j $(JOBS)

# make fuzz: each fuzz target explores with a random seed for FUZZ_SECONDS (its seed printed, for
# -seed=N); `make fuzz FUZZ_SECONDS=3600` for a long run. make test runs each over its checked-in
# corpus with a fixed seed and number of runs, the same verdict every time (scripts/fuzz.sh).
FUZZ_SECONDS ?= 20
fuzz-build: $(BUILD)/fuzz/CMakeCache.txt
	cmake --build $(BUILD)/fuzz -j $(JOBS)
fuzz: fuzz-build
	./scripts/fuzz.sh explore $(BUILD)/fuzz $(FUZZ_SECONDS)

# deps again: it also lets this machine run 32-bit x86 programs (see README, "What make test changes")
test: deps all fuzz-build
	./scripts/fuzz.sh check $(BUILD)/fuzz
	cd $(BUILD)/host && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD)/host-asan && ctest --output-on-failure -j $(JOBS)

bench: deps host windows
	BUILD=$(abspath $(BUILD)) ./scripts/bench-wine.sh
	$(BUILD)/host/varnok_bench
	$(BUILD)/host/varnok_net_bench
	cmake --build $(BUILD)/host --target page_bench

dist: host i686 linux-i386
	./scripts/install-deps.sh dist
	BUILD=$(abspath $(BUILD)) ./scripts/dist.sh

demo: deps x86_64
	BUILD=$(abspath $(BUILD)) ./scripts/demo.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
