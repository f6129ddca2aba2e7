# The two commands of the README, and the executable alone.
.PHONY: run test exe bench clean

run:
	bash tools/run.sh

test:
	bash tools/test.sh

exe:
	bash tools/setup.sh
	cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build build/win --target Flickhold
	@echo "build/win/Flickhold.exe"

bench:
	bash tools/bench.sh

clean:
	rm -rf build
