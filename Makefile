# The two commands of the README, and the executable alone.
.PHONY: run test exe bench fuzz dist clean

run:
	bash tools/run.sh

test:
	bash tools/test.sh

exe:
	bash -c '. tools/wine-env.sh && build_windows "$$PWD" "$$(windows_build_dir "$$PWD" i686)" i686 Flickhold'
	@echo "build/win/Flickhold.exe"

bench:
	bash tools/bench.sh

# Each fuzz target for FUZZ_SECONDS seconds (60 unless given).
fuzz:
	FUZZ_SECONDS="$(FUZZ_SECONDS)" bash tools/fuzz.sh

# dist/Flickhold-<version>.zip and dist/Flickhold-<version>-setup.exe
dist:
	bash tools/dist.sh

clean:
	rm -rf build dist
