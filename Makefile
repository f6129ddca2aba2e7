# The two commands of the README, and the executable alone.
.PHONY: run test exe bench clean

run:
	bash tools/run.sh

test:
	bash tools/test.sh

exe:
	bash -c '. tools/wine-env.sh && build_windows "$$PWD" "$$(windows_build_dir "$$PWD" i686)" i686 Flickhold'
	@echo "build/win/Flickhold.exe"

bench:
	bash tools/bench.sh

clean:
	rm -rf build
